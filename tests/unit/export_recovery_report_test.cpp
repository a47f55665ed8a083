// recovery-report.txt: what a save into a folder read and lost, beside its
// scripts.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "damaged_data.h"
#include "export/save/recovery_report.h"
#include "support/test_paths.h"

namespace rowmender {
namespace {

namespace fs = std::filesystem;
using testing::ReadText;
using testing::RunCli;

class SaveRecoveryReport : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("TZ", "UTC", 1);
    tzset();
  }
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

TEST_F(SaveRecoveryReport, ASaveOfADamagedTableNamesItAndWhatWasLost) {
  const testing::DamagedOrders table(testing::DamagedOrders::Damage::kZeroLeaf, 1);
  ASSERT_GT(table.leaves, 2u);
  testing::ScratchFolder out;
  const std::string folder = (out.Path() / "rescue").string();
  const auto saved = RunCli({"save", table.data, "--script", folder});
  EXPECT_EQ(saved.status, 3) << saved.err;
  const std::string path = folder + "/recovery-report.txt";
  EXPECT_NE(saved.err.find("rowmender-cli: what was lost is listed in " + path), std::string::npos)
      << saved.err;

  const std::vector<std::string> report = Lines(ReadText(path));
  ASSERT_EQ(report.size(), 2u) << ReadText(path);
  EXPECT_EQ(report[0], "Not everything was read: 1 table was read with losses.");
  const std::string prefix = "`shop`.`orders`: read with losses: ";
  ASSERT_EQ(report[1].rfind(prefix, 0), 0u) << report[1];
  const std::string zeroed = "leaf page " + std::to_string(table.chain[1]) +
                             ", which its neighbours name, is not a leaf page of the table";
  EXPECT_NE(report[1].find(zeroed), std::string::npos) << report[1];
  EXPECT_NE(report[1].find(" 1 page of the table could not be read."), std::string::npos)
      << report[1];
  // The same sentences as the save's own line for the table, after the
  // rows read.
  std::string savedLine;
  for (const std::string& line : Lines(saved.err)) {
    if (line.rfind("`shop`.`orders`: ", 0) == 0) savedLine = line;
  }
  const std::string sentences = savedLine.substr(savedLine.find("`orders__deleted`.") + 18);
  ASSERT_FALSE(sentences.empty()) << savedLine;
  unsigned long live = 0;
  unsigned long deleted = 0;
  ASSERT_EQ(std::sscanf(savedLine.c_str(), "`shop`.`orders`: %lu rows saved, %lu deleted rows",
                        &live, &deleted),
            2)
      << savedLine;
  EXPECT_LT(live + deleted, 2600u);
  EXPECT_EQ(report[1].substr(prefix.size()),
            std::to_string(live + deleted) + " rows read." + sentences)
      << savedLine;
}

TEST_F(SaveRecoveryReport, ACleanSaveSaysEverythingWasRead) {
  testing::ScratchFolder out;
  const std::string folder = (out.Path() / "rescue").string();
  const auto saved = RunCli({"save", testing::SampleDataFolder(), "--script", folder});
  ASSERT_EQ(saved.status, 0) << saved.err;
  EXPECT_EQ(ReadText(folder + "/recovery-report.txt"),
            "Everything was read: 46 tables, nothing lost.\n");
  // Only a save that lost something says where its report is.
  EXPECT_EQ(saved.err.find("recovery-report.txt"), std::string::npos) << saved.err;
}

TEST_F(SaveRecoveryReport, ATableThatCannotBeReadIsListedWithTheReason) {
  const testing::MismatchedCoupons table;
  testing::ScratchFolder out;
  const std::string folder = (out.Path() / "rescue").string();
  const auto saved = RunCli({"save", table.data, "--script", folder});
  EXPECT_EQ(saved.status, 1) << saved.err;
  const std::vector<std::string> report = Lines(ReadText(folder + "/recovery-report.txt"));
  ASSERT_EQ(report.size(), 2u);
  EXPECT_EQ(report[0], "Not everything was read: 1 table could not be read.");
  EXPECT_EQ(report[1].rfind("`shop`.`coupons`: not read: ", 0), 0u) << report[1];
  EXPECT_NE(report[1].find("coupons.ibd does not seem to belong to shop/coupons"),
            std::string::npos)
      << report[1];
  // The command line's hint is the command line's: the report is read
  // whatever front end made the save.
  EXPECT_EQ(report[1].find("--read-mismatched"), std::string::npos) << report[1];
  // A save that read nothing still leaves its restore script (empty).
  EXPECT_TRUE(fs::exists(folder + "/restore.sql"));
}

TEST(RecoveryReportLines, TheFirstLineSaysWhatKeptTheReadFromBeingWhole) {
  ReadReport damagedDictionary;
  damagedDictionary.pagesFailingChecksum = 1;
  damagedDictionary.Note("page 10 of SYS_COLUMNS fails its checksum");
  SaveSummary stopped;
  stopped.tables = 1;
  stopped.stopped = true;
  SaveSummary notes;
  notes.tables = 2;
  notes.readAccounts.push_back({"`a`.`t`", TableReadAccount::Outcome::kNotes,
                                "5 rows read. (its columns are typed by the definition file)"});
  const struct {
    const char* name;
    const SaveSummary* summary;
    const ReadReport* dictionary;
    const char* systemProblem;
    std::vector<std::string> lines;
  } cases[] = {
      {"stopped",
       &stopped,
       nullptr,
       "",
       {"Not everything was read: The save was stopped before its end."}},
      {"notes alone lose nothing",
       &notes,
       nullptr,
       "",
       {"Everything was read: 2 tables, nothing lost.",
        "`a`.`t`: read whole: 5 rows read. (its columns are typed by the definition file)"}},
      {"damaged dictionary",
       &notes,
       &damagedDictionary,
       "",
       {"Not everything was read: The data dictionary is damaged.",
        "`a`.`t`: read whole: 5 rows read. (its columns are typed by the definition file)",
        "The data dictionary is damaged: 1 page failed its checksum; its records were read "
        "as they stand. (page 10 of SYS_COLUMNS fails its checksum)"}},
      {"unreadable system tablespace",
       &notes,
       nullptr,
       "cannot open ibdata1",
       {"Not everything was read: The system tablespace could not be read.",
        "`a`.`t`: read whole: 5 rows read. (its columns are typed by the definition file)",
        "The system tablespace could not be read: cannot open ibdata1"}},
  };
  for (const auto& c : cases) {
    ReadAccount account;
    account.summary = c.summary;
    account.dictionary = c.dictionary;
    account.systemProblem = c.systemProblem;
    EXPECT_EQ(RecoveryReportLines(account), c.lines) << c.name;
  }
}

}  // namespace
}  // namespace rowmender
