// The running guard, Stop, Close, Help, About, Save and the CSV export.
#include <filesystem>

#include "app_scenario_support.h"
#include "export/csv_export.h"

namespace rowmender::testing {
namespace {

namespace fs = std::filesystem;

std::string SampleFolder() {
  return SampleDataFolder() + "/";
}

using AppCommands = AppScenario;

TEST_F(AppCommands, WhileAScanRunsEveryCommandAndClickIsRefusedWithItsMessage) {
  ui.pumpUiCalls = true;
  ui.settingsAttempts = {Folders(SampleFolder())};
  frame.OnOpen();
  // Let the scan build part of the tree: it is now mid-way.
  ASSERT_TRUE(ui.PumpUntil([&] { return Node({"legacy"}) != kNoNode; }));
  ASSERT_TRUE(frame.ScanActive());
  ASSERT_TRUE(frame.StopEnabled());
  const TreeNode database = Node({"bücherei"});
  ASSERT_NE(database, kNoNode);

  const std::size_t calls = ui.CallCount();
  const auto queue = frame.engine.pageStarts;
  frame.OnOpen();
  frame.OnHelp();
  frame.OnAbout();
  frame.OnSaveData();
  frame.OnExportCsv();
  EXPECT_EQ(frame.OnNextRecords(), 0);
  EXPECT_EQ(frame.OnPreviousRecords(), 0);
  EXPECT_EQ(ui.ClickLabel(frame, database), 0);
  frame.OnClose();
  EXPECT_EQ(ui.CallsSince(calls),
            (std::vector<std::string>{
                "ShowMessage(Please wait for the running process.)",
                "ShowMessage(Please stop the running process to continue the process.)",
                "ShowMessage(Please stop the running process to continue the process.)",
                "ShowMessage(Please wait for the running process.)",
                "ShowMessage(Please wait for the running process.)",
                "ShowMessage(Please wait for the running process.)",
                "ShowMessage(Please wait for the running process.)",
                "ClickLabel(bücherei)",
                // The refused click is undone: the previous selection (none).
                "TreeSelect()",
                "ShowMessage(Please wait for the running process.)",
                "ShowMessage(Please stop the running process to close the application.)",
            }));
  EXPECT_EQ(frame.engine.pageStarts, queue);
  EXPECT_EQ(frame.selectedNode, kNoNode);
  EXPECT_FALSE(ui.endedWithCode.has_value());

  ui.PumpUntilScanEnds(frame);
  EXPECT_NE(Node({"typezoo"}), kNoNode);
  EXPECT_EQ(ui.ClickLabel(frame, Node({"typezoo"})), 1);
}

TEST_F(AppCommands, StopAsksThenClearsTheGuardAndTheScanGivesUpAtTheNextFolder) {
  ui.pumpUiCalls = true;
  ui.settingsAttempts = {Folders(SampleFolder())};
  frame.OnOpen();
  ASSERT_TRUE(ui.PumpUntil([&] { return Node({"bücherei", "Tables"}) != kNoNode; }));

  // No leaves everything as it was.
  ui.yesNoAnswers = {false};
  frame.OnStop();
  EXPECT_TRUE(frame.StopEnabled());
  EXPECT_TRUE(frame.ScanActive());

  ui.yesNoAnswers = {true};
  const std::size_t calls = ui.CallCount();
  frame.OnStop();
  EXPECT_EQ(ui.CallsSince(calls),
            (std::vector<std::string>{"AskYesNo(Are you sure to stop the running process?) -> Yes",
                                      "RunningStateChanged(false)"}));
  EXPECT_FALSE(frame.StopEnabled());
  // Stop is then disabled: another press does nothing.
  frame.OnStop();
  EXPECT_EQ(ui.CallCount(), calls + 2);

  // The scan still holds the engine and the lists: clicks stay refused.
  EXPECT_TRUE(frame.ScanActive());
  EXPECT_EQ(ui.ClickLabel(frame, Node({"bücherei"})), 0);
  EXPECT_EQ(ui.messages.back(), "Please wait for the running process.");

  ui.PumpUntilScanEnds(frame);
  // It finished the folder it was in, then gave up: no further database,
  // no dictionary, and the completion message all the same.
  EXPECT_NE(Node({"bücherei", "Tables", "ausleihe"}), kNoNode);
  EXPECT_EQ(Node({"legacy"}), kNoNode);
  EXPECT_EQ(ui.outputLines,
            (std::vector<std::string>{"Finding Database and tables", "Processing ibdata1 File",
                                      "scanning completed."}));
  EXPECT_EQ(ui.messages.back(), "Scanning completed for selected database file(s)");
  EXPECT_EQ(ui.ClickLabel(frame, Node({"bücherei"})), 1);
}

TEST_F(AppCommands, StopIsDisabledWhenNothingRuns) {
  frame.OnStop();
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_FALSE(frame.StopEnabled());
}

TEST_F(AppCommands, CloseAsksThenShowsTheLogPathAndEndsTheProcess) {
  frame.closingAddress = "file:///manual/closing.html";
  ui.yesNoAnswers = {false};
  frame.OnClose();
  EXPECT_FALSE(ui.endedWithCode.has_value());

  // Before any Open there is no log file to show.
  std::size_t calls = ui.CallCount();
  ui.yesNoAnswers = {true};
  frame.OnClose();
  EXPECT_EQ(
      ui.CallsSince(calls),
      (std::vector<std::string>{"AskYesNo(Do you want to close the application?) -> Yes",
                                "OpenWebAddress(file:///manual/closing.html)", "EndProcess(-1)"}));

  OpenAndScan(SampleFolder());
  calls = ui.CallCount();
  ui.yesNoAnswers = {true};
  frame.OnClose();
  EXPECT_EQ(
      ui.CallsSince(calls),
      (std::vector<std::string>{"AskYesNo(Do you want to close the application?) -> Yes",
                                "ShowMessage(Log file path : " + LogPath() + ")",
                                "OpenWebAddress(file:///manual/closing.html)", "EndProcess(-1)"}));
  EXPECT_EQ(ui.endedWithCode, -1);
  EXPECT_FALSE(frame.engine.systemTablespaceFile.IsOpen());
}

TEST_F(AppCommands, HelpAndAboutWhenIdle) {
  frame.helpAddress = "file:///manual/index.html";
  frame.OnHelp();
  frame.OnAbout();
  const auto calls = ui.Calls();
  EXPECT_EQ(std::vector<std::string>(calls.end() - 2, calls.end()),
            (std::vector<std::string>{"OpenWebAddress(file:///manual/index.html)", "ShowAbout"}));
}

TEST_F(AppCommands, HelpSaysWhenTheManualCannotBeShown) {
  frame.helpAddress.clear();
  frame.OnHelp();
  EXPECT_EQ(ui.messages.back(), kManualMissingMessage);
  frame.helpAddress = "file:///manual/index.html";
  ui.webAddressesOpen = false;
  frame.OnHelp();
  EXPECT_EQ(ui.messages.back(), std::string(kNoManualViewerMessage) + "file:///manual/index.html");
}

TEST_F(AppCommands, SaveNeedsACheckedNode) {
  int saves = 0;
  frame.saveCheckedTables = [&](CMainFrame&) { ++saves; };
  frame.OnSaveData();
  // The message says what to do.
  EXPECT_EQ(ui.messages, (std::vector<std::string>{
                             "Nothing is checked to save. Check the tables, views or databases to "
                             "save in the tree, then choose Save MySQL Data again."}));
  OpenAndScan(SampleFolder());
  ui.tree.SetCheck(Node({"shop", "Tables", "orders"}), true);
  frame.OnSaveData();
  EXPECT_EQ(saves, 1);
}

TEST_F(AppCommands, CsvExportChecksItsGuardsInOrder) {
  frame.OnExportCsv();
  EXPECT_EQ(ui.messages.back(), "Please select database file to scan records.");
  OpenAndScan(SampleFolder());
  frame.OnExportCsv();
  EXPECT_EQ(ui.messages.back(), "Please select the table from tree which you want to save");

  // A node without grid columns: nothing, not even the dialog.
  ui.ClickLabel(frame, Node({"shop"}));
  const std::size_t calls = ui.CallCount();
  frame.OnExportCsv();
  EXPECT_EQ(ui.CallCount(), calls);

  // Cancelling the dialog writes and shows nothing.
  ui.ClickLabel(frame, Node({"legacy", "Tables", "artikel", "Keys"}));
  const std::size_t messages = ui.messages.size();
  ui.saveFileAnswers = {""};
  frame.OnExportCsv();
  EXPECT_EQ(ui.messages.size(), messages);
  EXPECT_EQ(ui.lastSaveRequest.suggestedName, "Keys_");
  EXPECT_EQ(ui.lastSaveRequest.defaultExtension, "csv");
  EXPECT_EQ(ui.lastSaveRequest.filterLabel, "*.csv");
  EXPECT_EQ(ui.lastSaveRequest.filterPattern, "*.csv");
  EXPECT_FALSE(ui.lastSaveRequest.confirmOverwrite);

  ui.saveFileAnswers = {(scratch.Path() / "no" / "such" / "x.csv").string()};
  frame.OnExportCsv();
  EXPECT_EQ(ui.messages.back(), "File cannot be created.");
}

TEST_F(AppCommands, CsvExportWritesTheGridOnScreen) {
  OpenAndScan(SampleFolder());
  ui.ClickLabel(frame, Node({"legacy", "Tables", "kunden"}));
  ASSERT_EQ(ui.gridRows.size(), 1000u);
  const std::string path = (scratch.Path() / "kunden_.csv").string();
  fs::remove(path);
  ui.saveFileAnswers = {path};
  frame.OnExportCsv();
  EXPECT_EQ(ui.messages.back(), "File saved successfully.");
  EXPECT_EQ(ui.lastSaveRequest.suggestedName, "kunden_");

  std::vector<std::vector<std::string>> rows;
  for (const auto& row : ui.gridRows)
    rows.push_back(row.values);
  const std::string firstPage = ReadText(path);
  EXPECT_EQ(firstPage, BuildCsvBytes(ui.gridColumns, rows));
  // The header line, then the first row, whose address holds commas and is
  // therefore quoted.
  EXPECT_EQ(firstPage.substr(0, 2 * 7), Utf16("kdnr,na"));
  EXPECT_NE(
      firstPage.find(Utf16("1,Schmidt,Anna,\"B\xC3\xBCrgermeister-Sch\xC3\xB6nfelder-Stra\xC3\x9F"
                           "e 117a, Hinterhaus, 3. OG links\",")),
      std::string::npos);

  // After "Next Records" the export writes the page now on screen, over the
  // old file.
  frame.OnNextRecords();
  ui.saveFileAnswers = {path};
  frame.OnExportCsv();
  rows.clear();
  for (const auto& row : ui.gridRows)
    rows.push_back(row.values);
  EXPECT_EQ(ReadText(path), BuildCsvBytes(ui.gridColumns, rows));
  EXPECT_NE(ReadText(path), firstPage);
}

}  // namespace
}  // namespace rowmender::testing
