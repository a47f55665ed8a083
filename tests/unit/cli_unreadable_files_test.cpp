// rowmender-cli on a copy of the sample data folder with files taken away,
// emptied, made unreadable or put out of reach: every command says which
// file and why, exits with a failure and never shows an empty table; names
// never reach outside the data folder; and the folder is left as it was.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_paths.h"

namespace rowmender {
namespace {

namespace fs = std::filesystem;
using testing::CliResult;
using testing::RunCli;

bool RunningAsRoot() {
  return ::geteuid() == 0;
}

// What is done to one file or folder of the copy.
enum class Damage {
  kNone,
  kRemove,
  kEmpty,
  kFolder,        // a folder in its place
  kNoPermission,  // mode 000 (no hindrance to root: those cases are left out)
  kLinkLoop,      // a link to itself
  kBrokenLink,    // a link to a file or folder that is gone
};

// A copy of the sample data folder (ibdata1, shop and legacy) in a scratch
// folder of its own; "gone" beside it is where broken links point.
class DamagedCopy {
 public:
  DamagedCopy() : data_(scratch_.Path() / "data") {
    const fs::path sample = testing::SampleDataFolder();
    fs::create_directories(data_);
    fs::copy_file(sample / "ibdata1", data_ / "ibdata1");
    for (const char* database : {"shop", "legacy"}) {
      fs::copy(sample / database, data_ / database, fs::copy_options::recursive);
    }
  }
  ~DamagedCopy() {
    // Mode 000 would keep the scratch folder from being removed.
    if (!damaged_.empty()) {
      std::error_code ignored;
      fs::permissions(damaged_, fs::perms::owner_all, fs::perm_options::add, ignored);
    }
  }
  DamagedCopy(const DamagedCopy&) = delete;
  DamagedCopy& operator=(const DamagedCopy&) = delete;

  void Apply(Damage damage, const std::string& relative) {
    if (damage == Damage::kNone) return;
    const fs::path path = data_ / relative;
    switch (damage) {
      case Damage::kNone:
        break;
      case Damage::kRemove:
        fs::remove_all(path);
        break;
      case Damage::kEmpty:
        fs::resize_file(path, 0);
        break;
      case Damage::kFolder:
        fs::remove_all(path);
        fs::create_directory(path);
        break;
      case Damage::kNoPermission:
        fs::permissions(path, fs::perms::none);
        damaged_ = path;
        break;
      case Damage::kLinkLoop:
        fs::remove_all(path);
        fs::create_symlink(path.filename(), path);
        break;
      case Damage::kBrokenLink:
        fs::remove_all(path);
        fs::create_symlink(Gone() / path.filename(), path);
        break;
    }
  }

  std::string Data() const { return data_.string(); }
  fs::path Gone() const { return scratch_.Path() / "gone"; }
  fs::path Scratch() const { return scratch_.Path(); }

  // {D} the data folder, {S} the scratch folder.
  std::string Fill(std::string text) const {
    for (const auto& [mark, value] :
         {std::pair<std::string, std::string>{"{D}", Data()}, {"{S}", scratch_.Path().string()}}) {
      for (std::size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at)) {
        text.replace(at, mark.size(), value);
        at += value.size();
      }
    }
    return text;
  }

 private:
  testing::ScratchFolder scratch_;
  fs::path data_;
  fs::path damaged_;
};

struct DamageCase {
  const char* file;  // relative to the data folder
  Damage damage;
  std::vector<std::string> args;
  int status;
  // Found in standard error (and output, for save's report lines).
  const char* message;
};

TEST(CliUnreadableFiles, EveryCommandNamesTheFileAndTheReason) {
  const std::vector<DamageCase> cases = {
      // InnoDB tablespaces.
      {"shop/coupons.ibd",
       Damage::kEmpty,
       {"rows", "{D}", "shop", "coupons"},
       1,
       "the tablespace {D}/shop/coupons.ibd is empty"},
      {"shop/coupons.ibd",
       Damage::kEmpty,
       {"rows", "{D}", "shop", "coupons", "--all"},
       1,
       "the tablespace {D}/shop/coupons.ibd is empty"},
      {"shop/coupons.ibd",
       Damage::kFolder,
       {"rows", "{D}", "shop", "coupons", "--all"},
       1,
       "the tablespace {D}/shop/coupons.ibd is a folder, not a file"},
      {"shop/coupons.ibd",
       Damage::kNoPermission,
       {"rows", "{D}", "shop", "coupons"},
       1,
       "the tablespace {D}/shop/coupons.ibd cannot be read: Permission denied"},
      {"shop/coupons.ibd",
       Damage::kLinkLoop,
       {"rows", "{D}", "shop", "coupons"},
       1,
       "the tablespace {D}/shop/coupons.ibd cannot be read: Too many levels of symbolic links"},
      {"shop/coupons.ibd",
       Damage::kRemove,
       {"rows", "{D}", "shop", "coupons"},
       1,
       "the tablespace (.ibd) of coupons is missing"},
      // MyISAM data files.
      {"legacy/artikel.MYD",
       Damage::kRemove,
       {"rows", "{D}", "legacy", "artikel"},
       1,
       "the data file {D}/legacy/artikel.MYD is missing"},
      {"legacy/artikel.MYD",
       Damage::kEmpty,
       {"rows", "{D}", "legacy", "artikel", "--all"},
       1,
       "the data file {D}/legacy/artikel.MYD is empty (its index file counts 30 rows in 5136 "
       "bytes)"},
      {"legacy/artikel.MYD",
       Damage::kBrokenLink,
       {"rows", "{D}", "legacy", "artikel"},
       1,
       "the data file {D}/legacy/artikel.MYD is a link to {S}/gone/artikel.MYD, which is missing"},
      {"legacy/artikel.MYD",
       Damage::kNoPermission,
       {"export", "{D}", "legacy.artikel", "--to", "{S}/out"},
       1,
       "the data file {D}/legacy/artikel.MYD cannot be read: Permission denied"},
      // The system tablespace.
      {"ibdata1",
       Damage::kRemove,
       {"rows", "{D}", "shop", "settings"},
       1,
       "the tablespace (.ibd) of settings is missing ({D}/shop/settings.ibd), and so is the "
       "system tablespace that keeps the tables without a file of their own ({D}/ibdata1)"},
      {"ibdata1",
       Damage::kRemove,
       {"rows", "{D}", "shop", "settings", "--all"},
       1,
       "the tablespace (.ibd) of settings is missing ({D}/shop/settings.ibd), and so is the "
       "system tablespace that keeps the tables without a file of their own ({D}/ibdata1)"},
      {"ibdata1",
       Damage::kFolder,
       {"rows", "{D}", "shop", "coupons"},
       1,
       "the system tablespace {D}/ibdata1 is a folder, not a file"},
      {"ibdata1",
       Damage::kEmpty,
       {"export", "{D}", "--to", "{S}/out"},
       1,
       "the system tablespace {D}/ibdata1 is empty"},
      {"",
       Damage::kNone,
       {"rows", "{D}", "shop", "coupons", "--ibdata", "{S}/no-such"},
       1,
       "the system tablespace {S}/no-such is missing"},
      {"",
       Damage::kNone,
       {"export", "{D}", "--ibdata", "{S}/no-such", "--to", "{S}/out"},
       1,
       "the system tablespace {S}/no-such is missing"},
      {"",
       Damage::kNone,
       {"save", "{D}", "--script", "{S}/out", "--ibdata", "{D}/shop"},
       1,
       "the system tablespace {D}/shop is a folder, not a file"},
      // Trigger files.
      {"shop/orders.TRG",
       Damage::kRemove,
       {"triggers", "{D}", "shop", "orders"},
       1,
       "the trigger file {D}/shop/orders.TRG is missing: the triggers orders_currency_upper, "
       "orders_status_history of table orders are named by their .TRN files"},
      {"shop/orders.TRG",
       Damage::kEmpty,
       {"triggers", "{D}", "shop", "orders"},
       1,
       "the trigger file {D}/shop/orders.TRG is empty"},
      {"shop/orders.TRG",
       Damage::kNoPermission,
       {"triggers", "{D}", "shop", "orders"},
       1,
       "the trigger file {D}/shop/orders.TRG cannot be read: Permission denied"},
      {"shop/orders.TRG",
       Damage::kFolder,
       {"save", "{D}", "--script", "{S}/out", "--tables", "shop.orders"},
       1,
       "Triggers of `shop`.`orders`: the trigger file {D}/shop/orders.TRG is a folder, not a "
       "file"},
      // Database folders and definition files.
      {"shop",
       Damage::kBrokenLink,
       {"rows", "{D}", "shop", "coupons"},
       1,
       "the database folder {D}/shop is a link to {S}/gone/shop, which is missing"},
      {"shop",
       Damage::kNoPermission,
       {"rows", "{D}", "shop", "coupons"},
       1,
       "the database folder {D}/shop cannot be read: Permission denied"},
      {"shop/coupons.frm",
       Damage::kFolder,
       {"rows", "{D}", "shop", "coupons"},
       1,
       "the definition file {D}/shop/coupons.frm is a folder, not a file"},
      {"shop/coupons.frm",
       Damage::kEmpty,
       {"structure", "{D}", "shop", "coupons"},
       1,
       "the definition file {D}/shop/coupons.frm is empty"},
      // The window's CSV file of a page.
      {"shop/coupons.ibd",
       Damage::kEmpty,
       {"csv", "{D}", "shop", "coupons", "{S}/page.csv"},
       1,
       "the tablespace {D}/shop/coupons.ibd is empty"},
      {"ibdata1",
       Damage::kRemove,
       {"csv", "{D}", "shop", "settings", "{S}/page.csv"},
       1,
       "the tablespace (.ibd) of settings is missing ({D}/shop/settings.ibd), and so is the "
       "system tablespace that keeps the tables without a file of their own ({D}/ibdata1)"},
      // The catalogue keeps the node and says why it cannot be read.
      {"shop/coupons.ibd",
       Damage::kEmpty,
       {"catalogue", "{D}"},
       1,
       "the tablespace {D}/shop/coupons.ibd is empty"},
      {"legacy/artikel.MYD",
       Damage::kRemove,
       {"catalogue", "{D}"},
       1,
       "the data file {D}/legacy/artikel.MYD is missing"},
      {"shop/orders.TRG",
       Damage::kRemove,
       {"catalogue", "{D}"},
       1,
       "the trigger file {D}/shop/orders.TRG is missing"},
      {"shop/coupons.frm",
       Damage::kLinkLoop,
       {"catalogue", "{D}"},
       1,
       "the definition file {D}/shop/coupons.frm cannot be read: Too many levels of symbolic "
       "links"},
      {"shop",
       Damage::kNoPermission,
       {"catalogue", "{D}"},
       1,
       "the database folder {D}/shop cannot be read: Permission denied"},
      {"shop",
       Damage::kBrokenLink,
       {"catalogue", "{D}"},
       1,
       "{D}/shop is a link to {S}/gone/shop, which is missing"},
      // The save and the export name the table and go on.
      {"shop/coupons.ibd",
       Damage::kEmpty,
       {"save", "{D}", "--script", "{S}/out"},
       1,
       "`shop`.`coupons`: the table could not be read: the tablespace {D}/shop/coupons.ibd is "
       "empty"},
      {"shop/coupons.ibd",
       Damage::kEmpty,
       {"export", "{D}", "--to", "{S}/out", "--format", "csv"},
       1,
       "`shop`.`coupons`: not exported\n  the tablespace {D}/shop/coupons.ibd is empty"},
  };
  for (const DamageCase& c : cases) {
    if (c.damage == Damage::kNoPermission && RunningAsRoot()) continue;  // root reads anyway
    DamagedCopy copy;
    copy.Apply(c.damage, c.file);
    std::vector<std::string> args;
    for (const std::string& arg : c.args)
      args.push_back(copy.Fill(arg));
    const CliResult result = RunCli(args);
    const std::string message = copy.Fill(c.message);
    const std::string where = std::string(c.file) + " " + args[0];
    EXPECT_EQ(result.status, c.status) << where << "\n" << result.err;
    EXPECT_NE((result.err + result.out).find(message), std::string::npos)
        << where << "\nexpected: " << message << "\nerr: " << result.err;
    const std::string& command = c.args[0];
    if (command == "rows" || command == "triggers" || command == "structure" || command == "csv") {
      // Nothing on standard output (no empty table), one line on standard error.
      EXPECT_EQ(result.out, "") << where;
      EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << where << result.err;
      EXPECT_FALSE(fs::exists(copy.Scratch() / "page.csv")) << where;
    }
  }
}

// Every entry below `folder`: its path, kind, mode, size and contents
// (a hash), and where a link points.
std::string Listing(const fs::path& folder) {
  std::vector<std::string> lines;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const fs::file_status status = entry.symlink_status();
    std::ostringstream line;
    line << fs::relative(entry.path(), folder).string() << ' ' << static_cast<int>(status.type())
         << ' ' << static_cast<unsigned>(status.permissions());
    if (fs::is_symlink(status)) {
      line << " -> " << fs::read_symlink(entry.path()).string();
    } else if (fs::is_regular_file(status)) {
      std::ifstream in(entry.path(), std::ios::binary);
      std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
      char c = 0;
      while (in.get(c)) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
      }
      line << ' ' << fs::file_size(entry.path()) << ' ' << hash << ' '
           << fs::last_write_time(entry.path()).time_since_epoch().count();
    }
    lines.push_back(line.str());
  }
  std::sort(lines.begin(), lines.end());
  std::string text;
  for (const std::string& line : lines)
    text += line + "\n";
  return text;
}

TEST(CliUnreadableFiles, TheExportGoesOnPastWhatCannotBeReadAndTheFolderStaysAsItWas) {
  DamagedCopy copy;
  copy.Apply(Damage::kEmpty, "shop/coupons.ibd");
  copy.Apply(Damage::kRemove, "legacy/artikel.MYD");
  copy.Apply(Damage::kRemove, "shop/orders.TRG");
  const std::string data = copy.Data();
  const std::string before = Listing(data);

  const fs::path out = copy.Scratch() / "out";
  const CliResult exported = RunCli({"export", data, "--to", out.string(), "--format", "tsv"});
  EXPECT_EQ(exported.status, 1) << exported.err;
  EXPECT_NE(exported.err.find("`shop`.`coupons`: not exported\n  the tablespace " + data +
                              "/shop/coupons.ibd is empty\n"),
            std::string::npos)
      << exported.err;
  EXPECT_NE(exported.err.find("`legacy`.`artikel`: not exported\n  the data file " + data +
                              "/legacy/artikel.MYD is missing\n"),
            std::string::npos)
      << exported.err;
  EXPECT_NE(exported.err.find(" 2 tables could not be exported."), std::string::npos)
      << exported.err;
  // The others are there.
  EXPECT_TRUE(fs::exists(out / "shop" / "orders.tsv"));
  EXPECT_TRUE(fs::exists(out / "legacy" / "kunden.tsv"));
  EXPECT_FALSE(fs::exists(out / "shop" / "coupons.tsv"));

  // The other commands on the same folder, then the folder as it was.
  // As SQL scripts: no script for the table that cannot be read.
  const fs::path sql = copy.Scratch() / "sql";
  const CliResult scripts = RunCli({"export", data, "shop", "--to", sql.string()});
  EXPECT_EQ(scripts.status, 1) << scripts.err;
  EXPECT_NE(scripts.err.find("`shop`.`coupons`: not exported\n"), std::string::npos) << scripts.err;
  EXPECT_TRUE(fs::exists(sql / "shop" / "orders.sql"));
  EXPECT_FALSE(fs::exists(sql / "shop" / "coupons.sql"));

  // The other commands on the same folder, then the folder as it was.
  const fs::path saved = copy.Scratch() / "saved";
  const struct {
    std::vector<std::string> args;
    int status;
  } runs[] = {
      {{"catalogue", data}, 1},
      {{"rows", data, "shop", "coupons"}, 1},
      {{"rows", data, "legacy", "kunden", "--all"}, 0},
      {{"structure", data, "shop", "orders"}, 0},
      {{"triggers", data, "shop", "orders"}, 1},
      {{"save", data, "--script", saved.string()}, 1},
  };
  for (const auto& run : runs)
    EXPECT_EQ(RunCli(run.args).status, run.status) << run.args[0];
  EXPECT_EQ(Listing(data), before);
}

TEST(CliUnreadableFiles, NamesNeverReachOutsideTheDataFolder) {
  DamagedCopy copy;
  const std::string data = copy.Data();
  // A folder beside the data folder that "../" would reach.
  fs::create_directories(copy.Scratch() / "other");
  fs::copy(fs::path(data) / "shop", copy.Scratch() / "other" / "shop", fs::copy_options::recursive);
  const fs::path out = copy.Scratch() / "out";
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"rows", data, "../other/shop", "coupons"}, "not a database name of"},
      {{"rows", data, "..", "other"}, "not a database name of"},
      {{"rows", data, ".", "shop"}, "not a database name of"},
      {{"rows", data, "shop", "../../other/shop/coupons"}, "not a table name of"},
      {{"rows", data, "shop", "..", "--all"}, "not a table name of"},
      {{"rows", data, "sh\\op", "coupons"}, "not a database name of"},
      {{"structure", data, "../other/shop", "coupons"}, "not a database name of"},
      {{"view", data, "../other/shop", "v_order_overview"}, "not a database name of"},
      {{"triggers", data, "shop", "../shop/orders"}, "not a table name of"},
      {{"csv", data, "../other/shop", "coupons", out.string()}, "not a database name of"},
      {{"export", data, "../other/shop", "--to", out.string()}, "not a database or table name of"},
      {{"export", data, "../other/shop.coupons", "--to", out.string()},
       "not a database or table name of"},
      {{"save", data, "--script", out.string(), "--tables", "../other/shop.coupons"},
       "not a database or table name of"},
  };
  for (const auto& c : cases) {
    const CliResult result = RunCli(c.args);
    EXPECT_EQ(result.status, 2) << c.args[2] << "\n" << result.err;
    EXPECT_EQ(result.out, "") << c.args[2];
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(data), std::string::npos) << result.err;
  }
  EXPECT_FALSE(fs::exists(out));
}

TEST(CliUnreadableFiles, ADatabaseFolderLinkedFromElsewhereIsReadAsUsual) {
  DamagedCopy copy;
  const std::string data = copy.Data();
  const CliResult direct = RunCli({"rows", data, "shop", "orders", "--all"});
  ASSERT_EQ(direct.status, 0) << direct.err;
  // The DBA's way: the database folder on another disk, linked in.
  const fs::path elsewhere = copy.Scratch() / "disk2" / "shop";
  fs::create_directories(elsewhere.parent_path());
  fs::rename(fs::path(data) / "shop", elsewhere);
  fs::create_symlink(elsewhere, fs::path(data) / "shop");
  const CliResult linked = RunCli({"rows", data, "shop", "orders", "--all"});
  EXPECT_EQ(linked.status, 0) << linked.err;
  EXPECT_EQ(linked.out, direct.out);
  const CliResult catalogue = RunCli({"catalogue", data});
  EXPECT_EQ(catalogue.status, 0) << catalogue.err;
  EXPECT_NE(catalogue.out.find("\ndatabase\tshop\t\t\t\t\n"), std::string::npos) << catalogue.out;
  EXPECT_EQ(RunCli({"triggers", data, "shop", "orders"}).status, 0);
}

TEST(CliUnreadableFiles, TablesWithoutRowsAreReadAsEmptyNotAsLost) {
  // Written by a real server: a MyISAM table never written (its data file
  // has no bytes), one emptied by TRUNCATE, an InnoDB table never written.
  const std::string data = testing::SourceFolder() + "/testdata/empty-tables";
  for (const char* table : {"nothing_myisam", "emptied_myisam", "nothing_innodb"}) {
    for (const bool all : {false, true}) {
      std::vector<std::string> args = {"rows", data, "empty", table};
      if (all) args.push_back("--all");
      const CliResult result = RunCli(args);
      EXPECT_EQ(result.status, 0) << table << "\n" << result.err;
      EXPECT_EQ(result.out, "id\tnote\n") << table;
    }
  }
  const CliResult catalogue = RunCli({"catalogue", data});
  EXPECT_EQ(catalogue.status, 0) << catalogue.err;
  EXPECT_EQ(catalogue.err, "");
}

}  // namespace
}  // namespace rowmender
