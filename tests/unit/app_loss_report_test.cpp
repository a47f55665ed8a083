// What the window tells of losses: a table's notes and the losses of each
// page in the output pane (once per page, however often it is shown), the
// mark of the table's node, the damaged dictionary after the scan, and the
// recovery report of the window's save.
#include <algorithm>
#include <filesystem>

#include "app_scenario_support.h"
#include "damaged_data.h"
#include "export/save/checked_save.h"
#include "innodb/dictionary.h"

namespace rowmender::testing {
namespace {

namespace fs = std::filesystem;

class AppLossReport : public AppScenario {
 protected:
  // The output lines that begin with `prefix`.
  std::vector<std::string> LinesStartingWith(const std::string& prefix) const {
    std::vector<std::string> lines;
    for (const std::string& line : ui.outputLines) {
      if (line.rfind(prefix, 0) == 0) lines.push_back(line);
    }
    return lines;
  }

  std::size_t MarkCalls() const {
    const auto calls = ui.Calls();
    return static_cast<std::size_t>(std::count_if(
        calls.begin(), calls.end(), [](const auto& c) { return c.rfind("TreeSetMark(", 0) == 0; }));
  }
};

TEST_F(AppLossReport, ThePageThatLostRowsIsToldOnceAndMarksTheTable) {
  // The sixth leaf of shop.orders zeroed: the first page of rows is whole,
  // the second ends at the zeroed leaf.
  const DamagedOrders table(DamagedOrders::Damage::kZeroLeaf, 5);
  ASSERT_GT(table.leaves, 6u);
  OpenAndScan(table.data + "/");
  const TreeNode orders = Node({"shop", "Tables", "orders"});
  ASSERT_NE(orders, kNoNode);

  ASSERT_EQ(ui.ClickLabel(frame, orders), 1);
  EXPECT_EQ(ui.gridRows.size(), kRowsPerPage);
  EXPECT_TRUE(LinesStartingWith("shop.orders:").empty());
  EXPECT_EQ(ui.tree.GetItemMark(orders), TreeMark::kNone);

  ASSERT_EQ(frame.OnNextRecords(), 1);
  const auto told = LinesStartingWith("shop.orders:");
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(
      told[0].rfind("shop.orders: Records 1001 to " + std::to_string(frame.lastRowShown) +
                        " read with losses: 1 page of the table could not be read. (page " +
                        std::to_string(table.chain[5]) + " of the leaf chain is not an index page",
                    0),
      0u)
      << told[0];
  EXPECT_EQ(ui.tree.GetItemMark(orders), TreeMark::kLosses);
  const std::string reason = ui.tree.GetItemMarkReason(orders);
  EXPECT_NE(reason.find("Read with losses"), std::string::npos) << reason;
  EXPECT_NE(reason.find("1 page of the table could not be read."), std::string::npos) << reason;
  // The log has the line too.
  EXPECT_NE(ReadText(LogPath()).find(Utf16(told[0])), std::string::npos);

  // Back and forth, and the table selected again: nothing is said twice,
  // and the mark stays as it is.
  ASSERT_EQ(frame.OnPreviousRecords(), 1);
  ASSERT_EQ(frame.OnNextRecords(), 1);
  ASSERT_EQ(frame.OnPreviousRecords(), 1);
  ASSERT_EQ(ui.ClickLabel(frame, orders), 1);
  ASSERT_EQ(frame.OnNextRecords(), 1);
  EXPECT_EQ(LinesStartingWith("shop.orders:").size(), 2u);
  EXPECT_EQ(LinesStartingWith("shop.orders:").back(), told[0]);
  EXPECT_EQ(ui.tree.GetItemMarkReason(orders), reason);
  EXPECT_EQ(MarkCalls(), 1u);
}

TEST_F(AppLossReport, LossesOnTheFirstPageAreToldWithTheSelection) {
  const DamagedOrders table(DamagedOrders::Damage::kZeroLeaf, 1);
  ASSERT_GT(table.leaves, 2u);
  OpenAndScan(table.data + "/");
  const TreeNode orders = Node({"shop", "Tables", "orders"});
  const std::size_t calls = ui.CallCount();
  ASSERT_EQ(ui.ClickLabel(frame, orders), 1);
  const auto told = LinesStartingWith("shop.orders:");
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0].rfind("shop.orders: Records 1 to " + std::to_string(ui.gridRows.size()) +
                              " read with losses: 1 page of the table could not be read.",
                          0),
            0u)
      << told[0];
  // The line comes before the selection's closing line, and the node is
  // marked while the selection runs.
  EXPECT_EQ(ui.outputLines.back(), "Scanning process completed.");
  const auto course = ui.CallsSince(calls);
  EXPECT_NE(std::find_if(course.begin(), course.end(),
                         [](const std::string& call) {
                           return call.rfind("TreeSetMark(orders, losses, Read with losses", 0) ==
                                  0;
                         }),
            course.end());
}

TEST_F(AppLossReport, ATableThatCannotBeReadIsMarkedWithTheReason) {
  const MismatchedCoupons folder;
  OpenAndScan(folder.data + "/");
  const TreeNode coupons = Node({"shop", "Tables", "coupons"});
  ASSERT_EQ(ui.ClickLabel(frame, coupons), 1);
  EXPECT_EQ(ui.tree.GetItemMark(coupons), TreeMark::kUnreadable);
  EXPECT_EQ(ui.tree.GetItemMarkReason(coupons), "Cannot be read: " + frame.tableProblem);
  EXPECT_NE(frame.tableProblem.find("coupons.ibd does not seem to belong to shop/coupons"),
            std::string::npos)
      << frame.tableProblem;

  // Read as asked: the notes of its opening are told, and the mark no
  // longer says it cannot be read.
  frame.readMismatchedFiles = true;
  ASSERT_EQ(ui.ClickLabel(frame, coupons), 1);
  EXPECT_TRUE(frame.tableProblem.empty());
  EXPECT_FALSE(ui.gridRows.empty());
  EXPECT_NE(ui.tree.GetItemMark(coupons), TreeMark::kUnreadable);
  const auto told = LinesStartingWith("shop.coupons:");
  ASSERT_EQ(told.size(), 1u);
  EXPECT_NE(told[0].find("it is read as asked."), std::string::npos) << told[0];
}

TEST_F(AppLossReport, TablesThatCannotBeReadAreMarkedByTheScan) {
  OpenAndScan(std::string(ROWMENDER_BINARY_DIR) + "/refusals-datadir/");
  const struct {
    const char* table;
    const char* reason;
  } cases[] = {
      {"secret", "the tablespace is encrypted"},
      {"archived", "tables of the storage engine ARCHIVE are not read"},
      {"held", "tables of the storage engine MEMORY are not read"},
  };
  for (const auto& c : cases) {
    const TreeNode node = Node({"refusals", "Tables", c.table});
    ASSERT_NE(node, kNoNode) << c.table;
    EXPECT_EQ(ui.tree.GetItemMark(node), TreeMark::kUnreadable) << c.table;
    const std::string reason = ui.tree.GetItemMarkReason(node);
    EXPECT_EQ(reason.rfind("Cannot be read: ", 0), 0u) << reason;
    EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
  }
  EXPECT_EQ(ui.tree.GetItemMark(Node({"refusals", "Tables", "plain"})), TreeMark::kNone);

  // Opened, it says the same and the mark is not set again.
  const TreeNode held = Node({"refusals", "Tables", "held"});
  const std::size_t marks = MarkCalls();
  ASSERT_EQ(ui.ClickLabel(frame, held), 1);
  EXPECT_NE(frame.tableProblem.find("MEMORY"), std::string::npos) << frame.tableProblem;
  EXPECT_EQ(MarkCalls(), marks);
}

TEST_F(AppLossReport, ADamagedDictionaryIsToldAfterTheScan) {
  const DamagedDictionary folder(kSysColumnsRoot);
  OpenAndScan(folder.data + "/");
  const auto told = LinesStartingWith("The data dictionary is damaged:");
  ASSERT_EQ(told.size(), 1u);
  EXPECT_NE(told[0].find("SYS_COLUMNS"), std::string::npos) << told[0];
  // A clean dictionary says nothing.
  OpenAndScan(SampleDataFolder() + "/");
  EXPECT_TRUE(LinesStartingWith("The data dictionary").empty());
}

// A server that takes every statement.
class TakingServer : public ServerConnection {
 public:
  bool Execute(const std::string&, std::string&) override { return true; }
};

struct TakingConnector : ServerConnector {
  std::unique_ptr<ServerConnection> Open(const std::string&, const std::string&, const std::string&,
                                         std::string&) override {
    return std::make_unique<TakingServer>();
  }
};

TEST_F(AppLossReport, TheWindowsSaveTellsWhatWasLost) {
  const DamagedOrders table(DamagedOrders::Damage::kZeroLeaf, 1);
  ASSERT_GT(table.leaves, 2u);
  TakingConnector connector;
  frame.saveCheckedTables = [&connector](CMainFrame& f) { SaveCheckedObjects(f, connector); };
  OpenAndScan(table.data + "/");
  ui.tree.SetCheck(Node({"shop", "Tables", "orders"}), true);

  // Into a folder: the report beside the scripts, and a line that says
  // where it is.
  const std::string folder = (scratch.Path() / "rescue").string();
  app.saveAsScriptMode = true;
  app.saveFolder = folder + "/";
  frame.OnSaveData();
  const std::string path = folder + "/recovery-report.txt";
  const std::string report = ReadText(path);
  EXPECT_EQ(report.rfind("Not everything was read: 1 table was read with losses.\n"
                         "`shop`.`orders`: read with losses: ",
                         0),
            0u)
      << report;
  EXPECT_EQ(ui.outputLines.back(), kRecoveryReportLinePrefix + path);
  EXPECT_EQ(ui.messages.back(), kSaveIncompleteMessage);

  // Into a server: the report's lines follow the summary in the output
  // pane and the log.
  app.saveToDatabaseMode = true;
  const std::size_t before = ui.outputLines.size();
  frame.OnSaveData();
  const std::vector<std::string> lines(ui.outputLines.begin() + static_cast<std::ptrdiff_t>(before),
                                       ui.outputLines.end());
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1].rfind("Saved 1 table (", 0), 0u) << lines[1];
  EXPECT_EQ(lines[2], "Not everything was read: 1 table was read with losses.");
  EXPECT_EQ(lines[3], report.substr(report.find('\n') + 1, report.size() - report.find('\n') - 2));
  EXPECT_NE(ReadText(LogPath()).find(Utf16(lines[3])), std::string::npos);
}

}  // namespace
}  // namespace rowmender::testing
