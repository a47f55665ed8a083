// Open, the scan of the data folder, the catalogue tree and the log file.
#include <algorithm>
#include <filesystem>

#include "app_scenario_support.h"
#include "base/paths.h"

namespace rowmender::testing {
namespace {

namespace fs = std::filesystem;

std::string SampleFolder() {
  return SampleDataFolder() + "/";
}
std::string SakilaDataFolder() {
  return SakilaFolder() + "/";
}

using AppOpen = AppScenario;

TEST_F(AppOpen, TheWindowStartsWithItsCaptionAndFirstOutputLine) {
  EXPECT_EQ(ui.caption, "Select MySQL database file to continue the recovery process.");
  EXPECT_EQ(ui.outputLines,
            (std::vector<std::string>{"select database file to continue the recovery process."}));
  EXPECT_EQ(app.outputLineCount, 1);
  EXPECT_FALSE(ui.progressVisible);
  EXPECT_FALSE(frame.StopEnabled());
}

TEST_F(AppOpen, EachInvalidFolderGivesItsMessageAndKeepsTheDialogOpen) {
  const std::string good = scratch.Path().string();
  const std::string missing = good + "/missing";
  ui.settingsAttempts = {{missing, good, good}, {good, missing, good}, {good, good, missing}};
  frame.OnOpen();
  EXPECT_EQ(ui.messages,
            (std::vector<std::string>{
                "Please select valid database file path to continue the recovery process.",
                "Please select valid temporary file path to continue the recovery process.",
                "Please select valid Log file path to continue the recovery process."}));
  // The attempts ran out: cancelled, nothing changed.
  EXPECT_FALSE(frame.ScanActive());
  EXPECT_EQ(app.processRunning.load(), 0);
  EXPECT_EQ(ui.tree.GetCount(), 0u);
  EXPECT_EQ(app.databasePath, "");
  EXPECT_EQ(ui.caption, "Select MySQL database file to continue the recovery process.");
  EXPECT_TRUE(fs::is_empty(scratch.Path()));
  EXPECT_EQ(ui.settingsDefaults.databasePath, "");

  // A later valid press of OK in the same dialog confirms it.
  ui.settingsAttempts = {{missing, good, good}, Folders(SampleFolder())};
  frame.OnOpen();
  frame.WaitForScan();
  EXPECT_EQ(app.databasePath, SampleFolder());
  EXPECT_GT(ui.tree.GetCount(), 0u);
}

TEST_F(AppOpen, TheScanBuildsTheCatalogueTreeOfTheSampleFolder) {
  OpenAndScan(SampleDataFolder());  // the dialog adds the trailing separator
  ASSERT_EQ(frame.catalogue.dataFolderPath, SampleFolder());

  const TreeNode root = ui.FindNode({"MYSQL database"});
  ASSERT_NE(root, kNoNode);
  EXPECT_EQ(ui.tree.Children(kNoNode).size(), 1u);
  const TreeNode pathNode = Node({});
  ASSERT_NE(pathNode, kNoNode);
  EXPECT_EQ(ui.tree.GetItemData(root), -1);
  EXPECT_EQ(ui.tree.GetItemData(pathNode), -1);
  EXPECT_TRUE(ui.tree.Find(root)->expanded);
  EXPECT_TRUE(ui.tree.Find(pathNode)->expanded);

  std::vector<std::string> databases;
  for (TreeNode db : ui.tree.Children(pathNode))
    databases.push_back(ui.tree.GetItemText(db));
  EXPECT_EQ(databases, (std::vector<std::string>{"bücherei", "legacy", "shop", "typezoo"}));

  // Positions count on across databases: bücherei has 2 tables and legacy
  // 8, so the first table of shop is the 11th.
  EXPECT_EQ(Render(Node({"shop"})),
            "shop -1 0\n"
            "  Tables -1 0\n"
            "    coupons 11 0\n      Keys -2 2\n"
            "    customers 12 0\n      Keys -2 2\n"
            "    gift-cards 13 0\n      Keys -2 2\n"
            "    newsletter_subscribers 14 0\n      Keys -2 2\n"
            "    order_history 15 0\n      Keys -2 2\n"
            "    order_items 16 0\n      Keys -2 2\n"
            "    orders 17 0\n      Keys -2 2\n"
            "    products 18 0\n      Keys -2 2\n"
            "    search_log 19 0\n      Keys -2 2\n"
            "    settings 20 0\n      Keys -2 2\n"
            "    stock_levels 21 0\n      Keys -2 2\n"
            "    stores 22 0\n      Keys -2 2\n"
            "  Trigger -3 21\n"
            "    orders 1 0\n"
            "  Views -4 15\n"
            "    v_newsletter_customers 1 0\n"
            "    v_order_overview 2 0\n");

  // The lists behind the positions.
  ASSERT_EQ(frame.catalogue.databaseFolders.size(), 4u);
  EXPECT_EQ(frame.catalogue.databaseFolders[2], SampleFolder() + "shop");
  ASSERT_GE(frame.catalogue.tables.size(), 22u);
  EXPECT_EQ(frame.catalogue.tables[10].name, "coupons");
  EXPECT_EQ(frame.catalogue.tables[10].databaseIndex, 2);
  EXPECT_EQ(frame.catalogue.views,
            (std::vector<std::string>{SampleFolder() + "shop/v_newsletter_customers.frm",
                                      SampleFolder() + "shop/v_order_overview.frm"}));
  ASSERT_EQ(frame.catalogue.triggers.size(), 1u);
  EXPECT_EQ(frame.catalogue.triggers[0].fileName, "orders.TRG");
  EXPECT_EQ(frame.catalogue.triggers[0].folderPath, SampleFolder() + "shop");

  // One node per table definition file of the folder, and nothing else.
  std::size_t definitions = 0;
  for (const auto& db : fs::directory_iterator(SampleFolder())) {
    if (!db.is_directory()) continue;
    for (const auto& file : fs::directory_iterator(db.path())) {
      if (file.path().extension() == ".frm" &&
          file.path().filename().string().rfind("v_", 0) != 0) {
        ++definitions;
      }
    }
  }
  EXPECT_EQ(frame.catalogue.tables.size(), definitions);
}

TEST_F(AppOpen, TheScanReportsItsStepsAndCompletes) {
  OpenAndScan(SampleDataFolder());
  EXPECT_EQ(ui.outputLines,
            (std::vector<std::string>{"Finding Database and tables", "Processing ibdata1 File",
                                      "scanning completed."}));
  EXPECT_EQ(app.outputLineCount, 3);
  EXPECT_EQ(ui.messages,
            (std::vector<std::string>{"Scanning completed for selected database file(s)"}));
  EXPECT_EQ(ui.caption, "Scanning completed for selected database file(s).\r\n");
  EXPECT_FALSE(ui.progressVisible);
  EXPECT_FALSE(frame.StopEnabled());
  EXPECT_FALSE(frame.ScanActive());

  // The Open command's own steps come first, in order.
  const auto calls = ui.Calls();
  const auto dialog = std::find(calls.begin(), calls.end(), "RunSettingsDialog");
  ASSERT_LT(dialog + 10, calls.end());
  const std::vector<std::string> start(dialog + 1, dialog + 10);
  EXPECT_EQ(start,
            (std::vector<std::string>{
                "RunningStateChanged(true)", "TreeDeleteAll", "TextBoxSet()",
                "PageButtonEnable(Previous, false)", "PageButtonEnable(Next, false)",
                "SetCaption(" + SampleFolder() + ")", "ShowProgress(true)",
                "OutputInsertLine(1, " + SampleFolder() + " File is selected for recovery....)",
                "OutputDeleteAll"}));
}

TEST_F(AppOpen, TheLogFileHoldsTheLinesOfARunInUtf16WithByteOrderMark) {
  // No ibdata1 and the question answered No, then one table selected.
  ui.yesNoAnswers = {false};
  OpenAndScan(SakilaDataFolder());
  EXPECT_EQ(app.logFilePath, LogPath());
  EXPECT_EQ(ui.messages,
            (std::vector<std::string>{
                "Ibdata1File Cannot be opened.Do you want to browse ibdata1 File Manually?",
                "Scanning completed for selected database file(s)"}));
  ui.ClickLabel(frame, Node({"sakila", "Tables", "actor"}));

  const std::string folder = SakilaDataFolder();
  // The fixture lacks two tablespaces; the scan says so.
  const auto MissingTablespace = [&](const std::string& table) {
    return "the tablespace (.ibd) of " + table + " is missing (" + folder + "sakila/" + table +
           ".ibd), and so is the system tablespace that keeps the tables without a file of "
           "their own (" +
           folder + "ibdata1)\r\n";
  };
  const std::string expected =
      "\xFF\xFE" + Utf16("\r\n" + std::string(80, '*') + "\r\n" + folder +
                         " File is selected for recovery....\r\n"
                         "MySql database File Path:\t" +
                         folder +
                         "\r\n"
                         "Processing ibdata1 File\r\n"
                         "ibdata1 File cannot be open\r\n" +
                         MissingTablespace("payment") + MissingTablespace("rental") +
                         "Scanning completed for selected database file(s).\r\n"
                         "Please wait while actor folder is scanning.\r\n"
                         "Scanning process completed.\r\n");
  EXPECT_EQ(ReadText(LogPath()), expected);
}

TEST_F(AppOpen, TheIbdataQuestionLeadsToTheCompletionMessageWhateverTheAnswer) {
  const std::string notATablespace = scratch.Write("chosen/ibdata1", "x");
  const struct {
    bool yes;
    std::string chosen;
    bool browsedLine;
  } cases[] = {
      {false, "", false},
      {true, "", false},                                         // dialog cancelled
      {true, (scratch.Path() / "nothing-here").string(), true},  // cannot be opened
      {true, SampleDataFolder() + "/ibdata1", false},            // opened
  };
  for (const auto& c : cases) {
    const std::size_t before = ui.messages.size();
    const std::size_t callsBefore = ui.CallCount();
    ui.yesNoAnswers = {c.yes};
    ui.openFileAnswers = {c.chosen};
    fs::remove(LogPath());
    OpenAndScan(SakilaDataFolder());
    EXPECT_EQ(MessagesSince(before),
              (std::vector<std::string>{
                  "Ibdata1File Cannot be opened.Do you want to browse ibdata1 File Manually?",
                  "Scanning completed for selected database file(s)"}));
    const auto calls = ui.CallsSince(callsBefore);
    const bool browsed = std::count(calls.begin(), calls.end(), "ChooseOpenFile -> " + c.chosen);
    EXPECT_EQ(browsed, c.yes) << c.chosen;
    const std::string log = ReadText(LogPath());
    EXPECT_NE(log.find(Utf16("ibdata1 File cannot be open\r\n")), std::string::npos);
    EXPECT_EQ(
        log.find(Utf16("Manually browse ibdata1 File cannot be open\r\n")) != std::string::npos,
        c.browsedLine)
        << c.chosen;
  }
  (void)notATablespace;
}

TEST_F(AppOpen, AFolderWithoutSubFoldersIsTheOnlyDatabase) {
  OpenAndScan(SakilaFolder() + "/sakila");
  EXPECT_EQ(frame.catalogue.databaseFolders,
            (std::vector<std::string>{SakilaFolder() + "/sakila"}));
  const TreeNode database = Node({"sakila"});
  ASSERT_NE(database, kNoNode);
  EXPECT_EQ(ui.tree.GetItemText(ui.tree.Children(Node({"sakila", "Tables"})).front()), "actor");
  EXPECT_EQ(ui.tree.Children(Node({"sakila", "Tables"})).size(), 15u);
}

TEST_F(AppOpen, AFolderWithNoTablesSaysSoInsteadOfSuccess) {
  scratch.Write("empty/readme.txt", "not a database");
  scratch.Write("nodb/db/notes.txt", "nor this");
  for (const std::string& folder :
       {(scratch.Path() / "empty").string(), (scratch.Path() / "nodb").string()}) {
    const std::size_t before = ui.messages.size();
    OpenAndScan(folder);
    const std::string said = "No tables, views or triggers were found in " + folder +
                             ". Choose the server's data folder (the one that holds a folder for "
                             "each database) or one database's folder.";
    // After the question for ibdata1, that and no success.
    EXPECT_EQ(MessagesSince(before).back(), said) << folder;
    EXPECT_EQ(MessagesSince(before).size(), 2u) << folder;
    EXPECT_EQ(ui.outputLines.back(), said);
    EXPECT_TRUE(frame.catalogue.tables.empty());
  }
  // No database is made up for the folder without sub-folders.
  EXPECT_EQ(Node({"empty"}), kNoNode);
}

TEST_F(AppOpen, ASecondOpenReplacesTheTreeAndStartsANewLog) {
  OpenAndScan(SampleDataFolder());
  const std::string firstLog = app.logFilePath;
  frame.clock = [] { return FixedOpenTime() + 61; };
  OpenAndScan(SakilaDataFolder());
  EXPECT_NE(app.logFilePath, firstLog);
  EXPECT_TRUE(fs::exists(firstLog));
  EXPECT_TRUE(fs::exists(app.logFilePath));
  EXPECT_EQ(ui.FindNode({"MYSQL database", SampleFolder()}), kNoNode);
  EXPECT_EQ(ui.tree.Children(kNoNode).size(), 1u);
  // Positions restart at 1.
  const TreeNode actor = Node({"sakila", "Tables", "actor"});
  EXPECT_EQ(ui.tree.GetItemData(actor), 1);
  EXPECT_EQ(frame.catalogue.tables.size(), 15u);
  EXPECT_TRUE(frame.catalogue.views.empty());
  // The second log holds only the second run.
  const std::string log = ReadText(app.logFilePath);
  EXPECT_EQ(log.find(Utf16(SampleFolder())), std::string::npos);
}

TEST_F(AppOpen, ALogFolderWhereNoFileCanBeCreatedIsReportedAndNothingRuns) {
  const std::string file = scratch.Write("not-a-folder", "x");
  ui.settingsAttempts = {{SampleFolder(), scratch.Path().string(), file}};
  frame.OnOpen();
  frame.WaitForScan();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], "Log file cannot be created: " + file + "/" + kFixedLogName);
  EXPECT_EQ(app.processRunning.load(), 0);
  EXPECT_FALSE(frame.ScanActive());
  EXPECT_FALSE(ui.progressVisible);
  EXPECT_EQ(ui.tree.GetCount(), 0u);
}

}  // namespace
}  // namespace rowmender::testing
