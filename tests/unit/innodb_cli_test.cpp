// rowmender-cli rows on InnoDB tables of the sample data folder: the exact
// text of a table, the delete marks, the dictionary options and the save
// forms with their files.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_paths.h"
#include "support/truth_files.h"

namespace rowmender {
namespace {

using testing::RunCli;
using testing::SampleDataFolder;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

TEST(InnoDbCli, RowsOfATableWithEnumSetAndBitColumns) {
  const auto result =
      RunCli({"rows", SampleDataFolder(), "typezoo", "enums_bits_compact", "--deleted-flag"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out,
            "deleted\tid\tlabel\tsize\tcolor\tflags\tdays\tbit1\tbit3\tbit12\tbit64\n"
            "0\t1\tfirst\tXS\trot\ta\tmon\t0\t000\t000000000000\t"
            "0000000000000000000000000000000000000000000000000000000000000000\n"
            "0\t2\tlast\tXL\tschwarz/weiß\ta,b,c,d\t"
            "mon,tue,wed,thu,fri,sat,sun,holiday,half-day,remote,night,on-call\t1\t111\t"
            "111111111111\t1111111111111111111111111111111111111111111111111111111111111111\n"
            "1\t3\tmixed\tM\tgrün\tb,d\tsat,sun,on-call\t1\t101\t100000000001\t"
            "0000000100100011010001010110011110001001101010111100110111101111\n"
            "0\t4\tempty sets\tS\tblau\t\t\t0\t010\t011111111110\t"
            "0000000000000000000000000000000000000000000000000000000000000001\n"
            "0\t5\tnulls\tNULL\tNULL\tNULL\tNULL\tNULL\tNULL\tNULL\tNULL\n"
            "0\t6\ttop bit\tL\tgrün\tc\tholiday\t1\t100\t100000000000\t"
            "1000000000000000000000000000000000000000000000000000000000000000\n"
            "0\t7\tby number\tM\tschwarz/weiß\ta,b,c,d\t"
            "mon,tue,wed,thu,fri,sat,sun,holiday,half-day,remote,night,on-call\t1\t110\t"
            "100000000000\t0111111111111111111111111111111111111111111111111111111111111111\n"
            "0\t8\tinvalid enum\t\t\ta\tmon\t1\t001\t000000000001\t"
            "0000000000000000000000000000000000000000000000000000000000000001\n");
}

TEST(InnoDbCli, WithoutTheDictionaryOwnTablespacesGiveTheSameText) {
  for (const char* table : {"numbers_compact", "strings_dynamic", "temporals_old_dynamic"}) {
    const auto with = RunCli({"rows", SampleDataFolder(), "typezoo", table, "--deleted-flag"});
    const auto without =
        RunCli({"rows", SampleDataFolder(), "typezoo", table, "--deleted-flag", "--no-dictionary"});
    ASSERT_EQ(with.status, 0) << with.err;
    ASSERT_EQ(without.status, 0) << without.err;
    EXPECT_EQ(without.out, with.out) << table;
    EXPECT_GT(Lines(with.out).size(), 5u) << table;
  }
}

// Without the dictionary a table kept inside ibdata1 cannot be found: that
// is an error naming the reason, never an empty table.
TEST(InnoDbCli, TablesInsideIbdata1NeedTheDictionary) {
  const auto with = RunCli({"rows", SampleDataFolder(), "shop", "settings"});
  ASSERT_EQ(with.status, 0) << with.err;
  EXPECT_EQ(Lines(with.out).size(), 1u + 13u + 1u);  // header, live and deleted rows
  for (const std::vector<std::string>& options :
       {std::vector<std::string>{"--no-dictionary"},
        std::vector<std::string>{"--ibdata", SampleDataFolder() + "/no-such-ibdata1"}}) {
    std::vector<std::string> args = {"rows", SampleDataFolder(), "shop", "settings"};
    args.insert(args.end(), options.begin(), options.end());
    const auto without = RunCli(args);
    EXPECT_EQ(without.status, 1) << without.err;
    EXPECT_EQ(without.out, "") << options[0];
    EXPECT_NE(without.err.find(options[0] == "--no-dictionary" ? "settings" : "no-such-ibdata1"),
              std::string::npos)
        << without.err;
  }
  // --ibdata names the system tablespace explicitly.
  const auto named = RunCli({"rows", SampleDataFolder(), "shop", "settings", "--ibdata",
                             SampleDataFolder() + "/ibdata1"});
  EXPECT_EQ(named.out, with.out);
}

TEST(InnoDbCli, PagesFollowThePageStartChain) {
  const auto all = RunCli({"rows", SampleDataFolder(), "shop", "orders", "--all"});
  const auto page2 = RunCli({"rows", SampleDataFolder(), "shop", "orders", "--page", "2"});
  const auto page3 = RunCli({"rows", SampleDataFolder(), "shop", "orders", "--page", "3"});
  ASSERT_EQ(all.status, 0) << all.err;
  const auto allLines = Lines(all.out);
  const auto lines2 = Lines(page2.out);
  const auto lines3 = Lines(page3.out);
  ASSERT_EQ(allLines.size(), 1u + 2594u + 6u);
  ASSERT_EQ(lines2.size(), 1u + 1000u);
  ASSERT_EQ(lines3.size(), 1u + 600u);
  EXPECT_EQ(lines2[1], allLines[1001]);
  EXPECT_EQ(lines3.back(), allLines.back());
}

TEST(InnoDbCli, SaveFormsMakeNoBlobdataFolderWithoutALongValue) {
  for (const std::vector<std::string>& more : {std::vector<std::string>{}, {"--all"}}) {
    testing::ScratchFolder scratch;
    const std::string folder = (scratch.Path() / "out").string();
    std::vector<std::string> args = {"rows",         SampleDataFolder(), "shop", "orders",
                                     "--save-forms", "--save-folder",    folder};
    args.insert(args.end(), more.begin(), more.end());
    const auto result = RunCli(args);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_FALSE(std::filesystem::exists(folder + "/blobdata")) << more.size();
  }
}

TEST(InnoDbCli, SaveFormsWriteLongValuesIntoTheBlobdataFolder) {
  testing::ScratchFolder scratch;
  const std::string folder = (scratch.Path() / "out").string();
  const auto result = RunCli({"rows", SampleDataFolder(), "typezoo", "blobs_dynamic",
                              "--save-forms", "--save-folder", folder});
  ASSERT_EQ(result.status, 0) << result.err;
  const auto lines = Lines(result.out);
  ASSERT_EQ(lines.size(), 1u + 8u);
  EXPECT_EQ(lines[0], "id\ttitle\tbody\tdata\tmemo");
  // The second row's body (10 KB of text) went to the first file.
  EXPECT_NE(lines[2].find("\t" + folder + "/blobdata/0\t"), std::string::npos) << lines[2];
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder + "/blobdata")) {
    EXPECT_GT(std::filesystem::file_size(entry.path()), 1000u);
    ++files;
  }
  EXPECT_GE(files, 8u);
  const testing::TsvTable truth =
      testing::ReadBatchTsv(testing::SampleTruthFolder() + "/typezoo/blobs_dynamic.rows.tsv");
  EXPECT_EQ(testing::ReadText(folder + "/blobdata/0"), truth.Cell(1, "body"));
}

}  // namespace
}  // namespace rowmender
