// What rowmender-cli tells of losses: one page of rows with its losses, the
// data dictionary's damage, and --read-mismatched with the hint that names it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "damaged_data.h"
#include "export/utf16_text.h"
#include "innodb/dictionary.h"
#include "support/test_paths.h"

namespace rowmender {
namespace {

namespace fs = std::filesystem;
using testing::DamagedOrders;
using testing::ReadText;
using testing::RunCli;

class CliLossReport : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("TZ", "UTC", 1);
    tzset();
  }
};

std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    ++count;
  return count;
}

TEST_F(CliLossReport, OnePageOfRowsTellsWhatReadingThatPageLost) {
  // shop.orders follows its leaf chain page by page: a zeroed leaf ends
  // the chain there, on the first page of rows or on the second.
  const struct {
    std::size_t zeroedLeaf;
    const char* page;
    int status;
  } cases[] = {
      {1, "1", 3},
      {5, "1", 0},
      {5, "2", 3},
  };
  for (const auto& c : cases) {
    const DamagedOrders table(DamagedOrders::Damage::kZeroLeaf, c.zeroedLeaf);
    ASSERT_GT(table.leaves, 6u);
    const auto rows = RunCli({"rows", table.data, "shop", "orders", "--page", c.page});
    const std::string label = "leaf " + std::to_string(c.zeroedLeaf) + ", page " + c.page;
    EXPECT_EQ(rows.status, c.status) << label << "\n" << rows.err;
    ASSERT_GT(rows.out.size(), 0u) << label;
    if (c.status == 0) {
      EXPECT_EQ(rows.err, "") << label;
      continue;
    }
    const std::string zeroed = "page " + std::to_string(table.chain[c.zeroedLeaf]);
    EXPECT_NE(rows.err.find("rowmender-cli: " + zeroed + " of the leaf chain is not an index page"),
              std::string::npos)
        << label << "\n"
        << rows.err;
    EXPECT_NE(rows.err.find(std::string("rowmender-cli: page ") + c.page +
                            " read with losses: 1 page of the table could not be read."),
              std::string::npos)
        << label << "\n"
        << rows.err;
  }
}

TEST_F(CliLossReport, ADataFileOfAnotherTableIsReadOnlyWithReadMismatched) {
  const testing::MismatchedCoupons folder;
  testing::ScratchFolder out;
  const std::string refused = "coupons.ibd does not seem to belong to shop/coupons";
  const std::string hint = "(--read-mismatched reads it all the same)";
  const struct {
    const char* name;
    std::vector<std::string> args;
    // With --read-mismatched: what the command tells (empty: nothing asked).
    const char* readAsAsked;
  } cases[] = {
      {"rows", {"rows", folder.data, "shop", "coupons"}, "it is read as asked"},
      {"rows --all", {"rows", folder.data, "shop", "coupons", "--all"}, "it is read as asked"},
      {"csv", {"csv", folder.data, "shop", "coupons", (out.Path() / "c.csv").string()}, ""},
      {"export",
       {"export", folder.data, "--to", (out.Path() / "export").string()},
       "it is read as asked"},
      {"save",
       {"save", folder.data, "--script", (out.Path() / "save").string()},
       "it is read as asked"},
  };
  for (const auto& c : cases) {
    const auto plain = RunCli(c.args);
    EXPECT_EQ(plain.status, 1) << c.name << "\n" << plain.err;
    const std::string told = plain.out + plain.err;
    EXPECT_NE(told.find(refused + ": the records of its first leaf page"), std::string::npos)
        << c.name << "\n"
        << told;
    EXPECT_EQ(Occurrences(told, hint), 1u) << c.name << "\n" << told;

    std::vector<std::string> args = c.args;
    args.push_back("--read-mismatched");
    // The refused save above wrote its restore.sql and report.
    if (args[0] == "save") args.push_back("--overwrite");
    const auto read = RunCli(args);
    EXPECT_NE(read.status, 1) << c.name << "\n" << read.err;
    EXPECT_NE(read.status, 2) << c.name << "\n" << read.err;
    const std::string readTold = read.out + read.err;
    EXPECT_EQ(readTold.find(hint), std::string::npos) << c.name << "\n" << readTold;
    EXPECT_NE(readTold.find(c.readAsAsked), std::string::npos) << c.name << "\n" << readTold;
  }
  // The CSV file of the page is there (in UTF-16LE).
  EXPECT_NE(ReadText((out.Path() / "c.csv").string()).find(Utf8ToUtf16Le("percent_off")),
            std::string::npos);
}

TEST_F(CliLossReport, EveryHelpOfACommandThatReadsRowsNamesReadMismatched) {
  for (const char* command : {"rows", "csv", "export", "save"}) {
    const auto result = RunCli({"help", command});
    EXPECT_EQ(result.status, 0) << command;
    EXPECT_NE(result.out.find("\n  --read-mismatched "), std::string::npos) << command << "\n"
                                                                            << result.out;
  }
}

TEST_F(CliLossReport, ADamagedDictionaryIsToldOnceAndCountsAsALoss) {
  // SYS_COLUMNS lost its root: what is left of the dictionary is read, and
  // shop.settings (kept inside ibdata1) is still read whole.
  const testing::DamagedDictionary folder(kSysColumnsRoot);
  testing::ScratchFolder out;
  const std::string save = (out.Path() / "save").string();
  const struct {
    const char* name;
    std::vector<std::string> args;
  } cases[] = {
      {"catalogue", {"catalogue", folder.data}},
      {"rows", {"rows", folder.data, "shop", "settings"}},
      {"rows --all", {"rows", folder.data, "shop", "settings", "--all"}},
      {"export", {"export", folder.data, "--to", (out.Path() / "export").string()}},
      {"save", {"save", folder.data, "--script", save}},
  };
  for (const auto& c : cases) {
    const auto result = RunCli(c.args);
    EXPECT_EQ(result.status, 3) << c.name << "\n" << result.err;
    EXPECT_EQ(Occurrences(result.err, "rowmender-cli: The data dictionary is damaged:"), 1u)
        << c.name << "\n"
        << result.err;
    EXPECT_EQ(Occurrences(result.err, "SYS_COLUMNS"), 1u) << c.name << "\n" << result.err;
  }
  // The save's report says so too.
  const std::string report = ReadText(save + "/recovery-report.txt");
  EXPECT_EQ(report.rfind("Not everything was read: The data dictionary is damaged.\n", 0), 0u)
      << report;
  EXPECT_NE(report.find("\nThe data dictionary is damaged:"), std::string::npos) << report;
  EXPECT_NE(report.find("SYS_COLUMNS"), std::string::npos) << report;
}

}  // namespace
}  // namespace rowmender
