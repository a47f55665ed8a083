// Export table... and Export checked... from the window: whole tables
// written on a worker thread, the same files the command line's export
// writes, with what the export left out said.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/logic/remembered_settings.h"
#include "app_scenario_support.h"

namespace rowmender::testing {
namespace {

namespace fs = std::filesystem;

class AppExport : public AppScenario {
 protected:
  static std::string Data() { return SampleDataFolder() + "/"; }

  // The idle calls of the window's timer, until the export has closed.
  void FinishExport() {
    for (int i = 0; frame.ExportRunning() && i < 60000; ++i) {
      frame.OnIdle();
      if (frame.ExportRunning()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_FALSE(frame.ExportRunning());
  }

  bool OutputHas(const std::string& text) const {
    for (const std::string& line : ui.outputLines) {
      if (line.find(text) != std::string::npos) return true;
    }
    return false;
  }
};

TEST_F(AppExport, TheSelectedTableIsWrittenAsTheCommandLineWritesIt) {
  OpenAndScan(Data());
  ui.selection = Node({"shop", "Tables", "orders", "Keys"});
  const std::string folder = (scratch.Path() / "window").string();
  ui.exportAnswer = ExportChoice{ExportFormat::kCsv, folder};
  frame.OnExportTable();
  EXPECT_TRUE(ui.running);
  FinishExport();

  EXPECT_EQ(ui.exportTitle, "Export table orders");
  const auto cli = RunCli({"export", Data(), "shop.orders", "--format", "csv", "--to",
                           (scratch.Path() / "cli").string()});
  ASSERT_EQ(cli.status, 0) << cli.err;
  const auto files = FilesBelow(folder);
  EXPECT_EQ(files, FilesBelow(scratch.Path() / "cli"));
  ASSERT_EQ(files.size(), 2u);  // the live rows and the delete-marked ones
  EXPECT_TRUE(OutputHas("`shop`.`orders`: "));
  EXPECT_TRUE(OutputHas("Exported 1 of 1 table ("));
  EXPECT_EQ(ui.messages.back(), kExportCompleteMessage);
  EXPECT_FALSE(ui.running);
  EXPECT_FALSE(ui.progressVisible);
  // The next export's dialog starts from this one.
  const ExportChoice remembered = RememberedExport(ui);
  EXPECT_EQ(remembered.format, ExportFormat::kCsv);
  EXPECT_EQ(remembered.folder, folder);
}

TEST_F(AppExport, CheckedTablesAreWrittenAndTheirViewsAndTriggersSaidToBeLeftOut) {
  OpenAndScan(Data());
  ui.tree.SetCheck(Node({"shop"}), true);
  const std::string folder = (scratch.Path() / "window").string();
  ui.exportAnswer = ExportChoice{ExportFormat::kTsv, folder};
  frame.OnExportChecked();
  FinishExport();

  EXPECT_EQ(ui.exportTitle, kExportCheckedTitle);
  const auto cli = RunCli(
      {"export", Data(), "shop", "--format", "tsv", "--to", (scratch.Path() / "cli").string()});
  ASSERT_EQ(cli.status, 0) << cli.err;
  EXPECT_EQ(FilesBelow(folder), FilesBelow(scratch.Path() / "cli"));
  EXPECT_TRUE(
      OutputHas("3 checked views and trigger files are not exported; Save MySQL Data "
                "writes them."));
  EXPECT_TRUE(OutputHas("Exported 12 of 12 tables ("));
  EXPECT_EQ(ui.messages.back(), kExportCompleteMessage);
}

TEST_F(AppExport, AnEarlierExportIsReplacedOnlyWhenTheUserSaysSo) {
  OpenAndScan(Data());
  ui.selection = Node({"legacy", "Tables", "artikel"});
  const std::string folder = (scratch.Path() / "out").string();
  ui.exportAnswer = ExportChoice{ExportFormat::kSql, folder};
  frame.OnExportTable();
  FinishExport();
  const fs::path script = fs::path(folder) / "legacy" / "artikel.sql";
  ASSERT_TRUE(fs::exists(script));
  fs::resize_file(script, 0);

  // No: nothing is written, and nothing runs.
  ui.yesNoAnswers = {false};
  const std::size_t lines = ui.outputLines.size();
  frame.OnExportTable();
  EXPECT_FALSE(frame.ExportRunning());
  EXPECT_EQ(ui.outputLines.size(), lines);
  EXPECT_NE(ui.messages.back().find("already holds 1 file this export writes (legacy/artikel.sql)"),
            std::string::npos)
      << ui.messages.back();
  EXPECT_EQ(fs::file_size(script), 0u);

  ui.yesNoAnswers = {true};
  frame.OnExportTable();
  FinishExport();
  EXPECT_GT(fs::file_size(script), 0u);
}

TEST_F(AppExport, RefusalsSayWhatToDo) {
  // Nothing opened, nothing selected or checked.
  frame.OnExportTable();
  EXPECT_EQ(ui.messages.back(), kNoTableToExportMessage);
  frame.OnExportChecked();
  EXPECT_EQ(ui.messages.back(), kNothingCheckedToExportMessage);

  OpenAndScan(Data());
  // A database node is no table.
  ui.selection = Node({"shop"});
  frame.OnExportTable();
  EXPECT_EQ(ui.messages.back(), kNoTableToExportMessage);
  // Only views checked.
  ui.tree.SetCheck(Node({"shop", "Views"}), true);
  frame.OnExportChecked();
  EXPECT_EQ(ui.messages.back(), kNothingCheckedToExportMessage);

  struct Case {
    std::string folder;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"", kNoExportFolderMessage},
      {Data() + "shop/out", kExportFolderInDataFolderMessage},
  };
  ui.selection = Node({"shop", "Tables", "orders"});
  for (const Case& c : cases) {
    ui.exportAnswer = ExportChoice{ExportFormat::kSql, c.folder};
    frame.OnExportTable();
    EXPECT_FALSE(frame.ExportRunning()) << c.folder;
    EXPECT_EQ(ui.messages.back(), c.message) << c.folder;
  }
  EXPECT_FALSE(fs::exists(Data() + "shop/out"));

  // A cancelled dialog does nothing at all.
  ui.exportAnswer.reset();
  const std::size_t messages = ui.messages.size();
  frame.OnExportTable();
  EXPECT_EQ(ui.messages.size(), messages);
  EXPECT_FALSE(frame.ExportRunning());
}

TEST_F(AppExport, WhileAnExportRunsTheCommandsWaitAndStopEndsIt) {
  OpenAndScan(Data());
  ui.tree.SetCheck(Node({"typezoo"}), true);
  const std::string folder = (scratch.Path() / "out").string();
  ui.exportAnswer = ExportChoice{ExportFormat::kSql, folder};
  frame.OnExportChecked();
  ASSERT_TRUE(frame.ExportRunning());
  EXPECT_TRUE(frame.StopEnabled());
  frame.OnOpen();
  EXPECT_EQ(ui.messages.back(), kWaitMessage);

  ui.yesNoAnswers = {true};
  frame.OnStop();
  // The guard holds until the export has closed.
  frame.OnExportTable();
  EXPECT_EQ(ui.messages.back(), kWaitMessage);
  FinishExport();
  // However far it came, every file left is a whole table's: a table the
  // export did not finish has none.
  std::size_t exported = 0;
  for (const std::string& line : ui.outputLines) {
    if (line.find(" -> ") != std::string::npos) ++exported;
  }
  EXPECT_EQ(fs::exists(folder) ? FilesBelow(folder).size() : 0u, exported);
  const std::string& last = ui.messages.back();
  EXPECT_TRUE(last == kExportStoppedMessage || last == kExportCompleteMessage) << last;
  EXPECT_FALSE(frame.StopEnabled());
}

}  // namespace
}  // namespace rowmender::testing
