// rowmender-cli export, and whole-table reads that meet a looping chain.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "damaged_data.h"
#include "support/test_paths.h"

namespace rowmender {
namespace {

namespace fs = std::filesystem;
using testing::FilesBelow;
using testing::ReadText;
using testing::RunCli;

class CliExport : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("TZ", "UTC", 1);
    tzset();
  }
  static std::string Data() { return testing::SampleDataFolder(); }
};

TEST_F(CliExport, EveryTableIntoAFileOfItsOwnTheSameForAnyNumberOfJobs) {
  testing::ScratchFolder scratch;
  for (const char* format : {"sql", "tsv", "csv"}) {
    const std::string one = (scratch.Path() / format / "one").string();
    const std::string three = (scratch.Path() / format / "three").string();
    const auto first = RunCli({"export", Data(), "--to", one, "--format", format});
    ASSERT_EQ(first.status, 0) << first.err;
    const auto second =
        RunCli({"export", Data(), "--to", three, "--format", format, "--jobs", "3"});
    ASSERT_EQ(second.status, 0) << second.err;
    const auto files = FilesBelow(one);
    EXPECT_EQ(files, FilesBelow(three)) << format;
    // Names as on disk; the delete-marked rows of TSV and CSV beside the live ones.
    const std::string ext = std::string(".") + format;
    EXPECT_TRUE(fs::exists(fs::path(one) / "legacy" / ("price@002dlist" + ext))) << format;
    EXPECT_EQ(fs::exists(fs::path(one) / "shop" / ("orders__deleted" + ext)),
              std::string(format) != "sql");
    EXPECT_NE(first.err.find("Exported 46 of 46 tables"), std::string::npos) << first.err;
  }
}

TEST_F(CliExport, OneTableFormattedOnSeveralThreadsIsTheSameAsOnOne) {
  // With fewer tables than jobs, the rows of a table are formatted on
  // several threads: off-page values, delete-marked rows, both engines.
  testing::ScratchFolder scratch;
  const char* tables[] = {"typezoo.blobs_compact", "typezoo.blobs_myisam", "shop.orders",
                          "legacy.event_log", "shop.order_items"};
  for (const char* format : {"sql", "tsv", "csv"}) {
    for (const char* table : tables) {
      const fs::path base = scratch.Path() / format / table;
      const auto one = RunCli({"export", Data(), table, "--to", (base / "1").string(), "--format",
                               format, "--jobs", "1"});
      ASSERT_EQ(one.status, 0) << one.err;
      const auto three = RunCli({"export", Data(), table, "--to", (base / "3").string(), "--format",
                                 format, "--jobs", "3"});
      ASSERT_EQ(three.status, 0) << three.err;
      const auto files = FilesBelow(base / "1");
      ASSERT_FALSE(files.empty());
      EXPECT_EQ(files, FilesBelow(base / "3")) << table << " " << format;
    }
  }
}

TEST_F(CliExport, OneTableToStandardOutput) {
  const auto sql = RunCli({"export", Data(), "legacy.price-list", "--to", "-"});
  ASSERT_EQ(sql.status, 0) << sql.err;
  EXPECT_EQ(sql.out.rfind("-- Rowmender v21.0 recovery script\n", 0), 0u);
  EXPECT_NE(sql.out.find("SET NAMES utf8mb4;\n"), std::string::npos);
  EXPECT_NE(sql.out.find("CREATE TABLE IF NOT EXISTS `price-list__deleted`"), std::string::npos);

  const auto tsv =
      RunCli({"export", Data(), "shop.gift@002dcards", "--to", "-", "--format", "tsv"});
  ASSERT_EQ(tsv.status, 0) << tsv.err;
  EXPECT_EQ(std::count(tsv.out.begin(), tsv.out.end(), '\n'), 38);
  // The delete-marked rows are not in the stream, and the user is told.
  EXPECT_NE(tsv.err.find("2 delete-marked rows are not in this stream"), std::string::npos)
      << tsv.err;
}

TEST_F(CliExport, UsageAndLookupErrors) {
  const struct {
    std::vector<std::string> args;
    int status;
    const char* message;
  } cases[] = {
      {{"export", Data()}, 2, "export needs --to DIR"},
      {{"export", "--to", "x"}, 2, "export needs DATADIR"},
      {{"export", Data(), "--to", "x", "--format", "xml"}, 2, "unknown format: xml"},
      {{"export", Data(), "--to", "x", "--jobs", "0"}, 2, "--jobs needs a number"},
      {{"export", Data(), "--to", "-"}, 2, "--to - writes one table to standard output"},
      {{"export", Data(), "shop.nothing", "--to", "x"}, 1, "no table or database shop.nothing"},
      {{"export", "/no/such/folder", "--to", "x"}, 1, "data folder not found"},
      {{"export", Data(), "--to", Data() + "/shop"}, 1, "never written"},
  };
  for (const auto& c : cases) {
    const auto result = RunCli(c.args);
    EXPECT_EQ(result.status, c.status) << c.message;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
  }
}

using testing::DamagedOrders;

TEST_F(CliExport, ALeafChainThatLoopsEndsTheScanAndIsReported) {
  const DamagedOrders table;
  ASSERT_GE(table.leaves, 3u);
  const auto rows = RunCli({"rows", table.data, "shop", "orders", "--all"});
  EXPECT_EQ(rows.status, 3) << rows.err;
  EXPECT_NE(rows.err.find("comes back to page"), std::string::npos) << rows.err;
  // Each row once, all of them: the loop ends a stretch of the chain, and
  // the scan still finds the pages behind it (the header and 2,600 rows).
  EXPECT_EQ(std::count(rows.out.begin(), rows.out.end(), '\n'), 2601);

  // The same rows and the same account whether one thread reads the chain
  // or several read it in parts.
  testing::ScratchFolder out;
  std::vector<std::pair<std::string, std::string>> first;
  for (const char* jobs : {"1", "3"}) {
    const fs::path folder = out.Path() / jobs;
    const auto exported = RunCli({"export", table.data, "shop.orders", "--to", folder.string(),
                                  "--format", "tsv", "--jobs", jobs});
    EXPECT_EQ(exported.status, 3) << exported.err;
    EXPECT_NE(exported.err.find("1 loop in the table's page or record chains was broken"),
              std::string::npos)
        << exported.err;
    EXPECT_NE(exported.err.find("1 table was read with losses"), std::string::npos);
    const auto files = FilesBelow(folder);
    ASSERT_FALSE(files.empty());
    if (first.empty()) {
      first = files;
    } else {
      EXPECT_EQ(files, first) << "--jobs " << jobs;
    }
  }
}

TEST_F(CliExport, APageFailingItsChecksumIsReadAndReported) {
  const DamagedOrders table(DamagedOrders::Damage::kChecksum);
  ASSERT_GE(table.leaves, 3u);
  testing::ScratchFolder out;
  const auto exported =
      RunCli({"export", table.data, "shop.orders", "--to", out.Path().string(), "--format", "tsv"});
  EXPECT_EQ(exported.status, 3) << exported.err;
  EXPECT_NE(exported.err.find("1 page failed its checksum"), std::string::npos) << exported.err;
  // Every row is still there.
  EXPECT_NE(exported.err.find("2594 rows, 6 deleted rows"), std::string::npos) << exported.err;
}

}  // namespace
}  // namespace rowmender
