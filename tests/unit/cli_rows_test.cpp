// rowmender-cli rows: the record grid's text of a table on the command line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <sstream>
#include <string>
#include <vector>

#include "support/frm_builder.h"
#include "support/test_paths.h"

namespace rowmender {
namespace {

using testing::RunCli;

std::vector<std::string> Lines(const std::string& text, const std::string& end = "\n") {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const auto found = text.find(end, start);
    if (found == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, found - start));
    start = found + end.size();
  }
  return lines;
}

class CliRows : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("TZ", "UTC", 1);  // TIMESTAMP values are shown in local time
    tzset();
  }
  static std::string Data() { return testing::SampleDataFolder(); }
};

TEST_F(CliRows, PrintsTheGridTextOfEveryRowAsTabSeparatedLines) {
  const auto result = RunCli({"rows", Data(), "typezoo", "enums_bits_myisam"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  const std::string zeros64(64, '0');
  const std::string ones64(64, '1');
  EXPECT_EQ(result.out,
            "id\tlabel\tsize\tcolor\tflags\tdays\tbit1\tbit3\tbit12\tbit64\n"
            "1\tfirst\tXS\trot\ta\tmon\t0\t000\t000000000000\t" +
                zeros64 +
                "\n"
                "2\tlast\tXL\tschwarz/weiß\ta,b,c,d\tmon,tue,wed,thu,fri,sat,sun,holiday,half-day,"
                "remote,night,on-call\t1\t111\t111111111111\t" +
                ones64 +
                "\n"
                "3\tmixed\tM\tgrün\tb,d\tsat,sun,on-call\t1\t101\t100000000001\t"
                "0000000100100011010001010110011110001001101010111100110111101111\n"
                "4\tempty sets\tS\tblau\t\t\t0\t010\t011111111110\t" +
                zeros64.substr(1) +
                "1\n"
                "5\tnulls\tNULL\tNULL\tNULL\tNULL\tNULL\tNULL\tNULL\tNULL\n"
                "6\ttop bit\tL\tgrün\tc\tholiday\t1\t100\t100000000000\t1" +
                zeros64.substr(1) +
                "\n"
                "7\tby number\tM\tschwarz/weiß\ta,b,c,d\tmon,tue,wed,thu,fri,sat,sun,holiday,"
                "half-day,remote,night,on-call\t1\t110\t100000000000\t0" +
                ones64.substr(1) +
                "\n"
                "8\tinvalid enum\t\t\ta\tmon\t1\t001\t000000000001\t" +
                zeros64.substr(1) + "1\n");
}

TEST_F(CliRows, EscapesTabsAndLineBreaksInsideCells) {
  testing::ScratchFolder scratch;
  // A fixed-format table with one CHAR(8) column holding a tab, a carriage
  // return, a line feed and a backslash.
  testing::FrmSpec frm;
  frm.engine = 9;
  frm.recordLength = 9;
  frm.columns = {{.name = "t", .type = 254, .length = 8, .recordOffset = 2}};
  scratch.Write("db/t.frm", testing::BuildFrm(frm));
  scratch.Write("db/t.MYD", std::string("\x01"
                                        "a\tb\rc\nd\\",
                                        9));
  const auto tsv = RunCli({"rows", scratch.Path().string(), "db", "t"});
  EXPECT_EQ(tsv.status, 0) << tsv.err;
  EXPECT_EQ(tsv.out, "t\na\\tb\\rc\\nd\\\\\n");
  const auto csv = RunCli({"rows", scratch.Path().string(), "db", "t", "--format", "csv"});
  EXPECT_EQ(csv.out, "t\r\n\"a\tb\rc\nd\\\"\r\n");
}

TEST_F(CliRows, CsvQuotesOnlyCellsThatNeedIt) {
  const auto result = RunCli({"rows", Data(), "typezoo", "enums_bits_myisam", "--format", "csv"});
  EXPECT_EQ(result.status, 0) << result.err;
  const auto lines = Lines(result.out, "\r\n");
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[0], "id,label,size,color,flags,days,bit1,bit3,bit12,bit64");
  EXPECT_EQ(lines[3].rfind("3,mixed,M,grün,\"b,d\",\"sat,sun,on-call\",1,101,", 0), 0u) << lines[3];
  EXPECT_EQ(lines[5], "5,nulls,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL");
}

TEST_F(CliRows, PagesAreReachedThroughTheChainOfPageStarts) {
  const auto all = RunCli({"rows", Data(), "legacy", "kunden", "--all"});
  ASSERT_EQ(all.status, 0) << all.err;
  const auto allLines = Lines(all.out);
  ASSERT_EQ(allLines.size(), 1u + 2593u);

  const struct {
    const char* page;
    std::size_t rows;
    std::size_t firstRow;  // index into the --all lines
  } cases[] = {{"1", 1000, 1}, {"2", 1000, 1001}, {"3", 593, 2001}};
  for (const auto& c : cases) {
    const auto result = RunCli({"rows", Data(), "legacy", "kunden", "--page", c.page});
    EXPECT_EQ(result.status, 0) << result.err;
    const auto lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 1 + c.rows) << "page " << c.page;
    EXPECT_EQ(lines[0], allLines[0]);
    EXPECT_TRUE(std::equal(lines.begin() + 1, lines.end(),
                           allLines.begin() + static_cast<std::ptrdiff_t>(c.firstRow)))
        << "page " << c.page;
  }
  // Without --page the first page is shown.
  const auto first = RunCli({"rows", Data(), "legacy", "kunden"});
  EXPECT_EQ(Lines(first.out).size(), 1001u);
}

TEST_F(CliRows, DeletedFlagMarksTheRecordsMyisamMarkedDeleted) {
  const auto result = RunCli({"rows", Data(), "shop", "stock_levels", "--all", "--deleted-flag"});
  EXPECT_EQ(result.status, 0) << result.err;
  const auto lines = Lines(result.out);
  ASSERT_EQ(lines.size(), 1u + 355u + 5u);
  EXPECT_EQ(lines[0], "deleted\tproduct_id\twarehouse\tqty\treserved\tupdated_on");
  const auto deleted = std::count_if(lines.begin() + 1, lines.end(),
                                     [](const std::string& l) { return l.rfind("1\t", 0) == 0; });
  const auto live = std::count_if(lines.begin() + 1, lines.end(),
                                  [](const std::string& l) { return l.rfind("0\t", 0) == 0; });
  EXPECT_EQ(deleted, 5);
  EXPECT_EQ(live, 355);
  EXPECT_EQ(lines[1], "0\t1\tKÖL1\t25\t5\t2024-03-01");
}

TEST_F(CliRows, SaveFormsKeepFractionsAndFullPrecision) {
  const auto preview = RunCli({"rows", Data(), "typezoo", "temporals_myisam"});
  const auto save = RunCli({"rows", Data(), "typezoo", "temporals_myisam", "--save-forms"});
  ASSERT_EQ(save.status, 0) << save.err;
  const auto previewLines = Lines(preview.out);
  const auto saveLines = Lines(save.out);
  ASSERT_EQ(saveLines.size(), 9u);
  EXPECT_EQ(previewLines[2],
            "2\tmin\t1000-01-01\t-838:59:59\t-838:59:59\t-838:59:59\t-838:59:59\t"
            "1000-01-01 00:00:00\t1000-01-01 00:00:00\t1000-01-01 00:00:00\t"
            "1970-01-01 00:00:01\t1970-01-01 00:00:01\t1970-01-01 00:00:01\t1901");
  EXPECT_EQ(saveLines[2],
            "2\tmin\t1000-01-01\t-838:59:59\t-838:59:59.9\t-838:59:59.999\t-838:59:59.999999\t"
            "1000-01-01 00:00:00\t1000-01-01 00:00:00.0000\t1000-01-01 00:00:00.000000\t"
            "1970-01-01 00:00:01\t1970-01-01 00:00:01.00\t1970-01-01 00:00:01.000000\t1901");
  EXPECT_EQ(Lines(preview.out)[1].substr(0, 18), "1\tzero\t00-00-00\t00");
  EXPECT_EQ(saveLines[1].substr(0, 20), "1\tzero\t0000-00-00\t00");
}

TEST_F(CliRows, ATableWithoutDataFileIsAnErrorNotAnEmptyTable) {
  testing::ScratchFolder scratch;
  testing::FrmSpec frm;
  frm.engine = 9;
  frm.recordLength = 5;
  frm.columns = {{.name = "id", .type = 3, .length = 11, .recordOffset = 2}};
  scratch.Write("db/lost.frm", testing::BuildFrm(frm));
  const auto result = RunCli({"rows", scratch.Path().string(), "db", "lost", "--all"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "rowmender-cli: the data file " + scratch.Path().string() +
                            "/db/lost.MYD is missing\n");
}

TEST_F(CliRows, ErrorsTakeOneLineAndUsageErrorsAddTheUsage) {
  testing::ScratchFolder scratch;
  scratch.Write("db/view.frm", std::string("TYPE=VIEW\nquery=select 1\n"));
  const std::string data = scratch.Path().string();
  const struct {
    std::vector<std::string> args;
    int status;
    const char* message;
  } cases[] = {
      {{"rows", Data(), "typezoo"}, 2, "rows needs DATADIR DB TABLE"},
      {{"rows", Data(), "legacy", "kunden", "--page", "0"}, 2, "--page needs a page number"},
      {{"rows", Data(), "legacy", "kunden", "--page", "x"}, 2, "--page needs a page number"},
      {{"rows", Data(), "legacy", "kunden", "--page"}, 2, "--page needs a value"},
      {{"rows", Data(), "legacy", "kunden", "--page", "2", "--all"}, 2, "exclude each other"},
      {{"rows", Data(), "legacy", "kunden", "--format", "xml"}, 2, "unknown format: xml"},
      {{"rows", Data(), "legacy", "kunden", "--fast"}, 2, "unknown option: --fast"},
      {{"rows", Data(), "legacy", "nothere"}, 1, "table not found: legacy.nothere"},
      {{"rows", data, "db", "view"}, 1, "not a table definition"},
  };
  for (const auto& c : cases) {
    const auto result = RunCli(c.args);
    EXPECT_EQ(result.status, c.status) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    // An error is one line; a usage error adds the usage and where the
    // help is.
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), c.status == 2 ? 3 : 1)
        << result.err;
  }
}

TEST_F(CliRows, InnoDbOptionsAreAccepted) {
  const auto result =
      RunCli({"rows", Data(), "legacy", "old_invoices", "--ibdata", Data() + "/ibdata1",
              "--no-dictionary", "--save-folder", testing::ScratchFolder().Path().string()});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(Lines(result.out).size(), 1000u);
}

}  // namespace
}  // namespace rowmender
