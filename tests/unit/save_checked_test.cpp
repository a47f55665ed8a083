// "Save MySQL Data" with checked nodes, after the save dialog's OK: the
// checked tables, views and triggers are saved under the running guard.
#include <algorithm>
#include <filesystem>

#include "app_scenario_support.h"
#include "export/save/checked_save.h"

namespace rowmender::testing {
namespace {

namespace fs = std::filesystem;

class RecordingServer : public ServerConnection {
 public:
  explicit RecordingServer(std::vector<std::string>& statements) : statements_(statements) {}
  bool Execute(const std::string& statement, std::string&) override {
    statements_.push_back(statement);
    return true;
  }

 private:
  std::vector<std::string>& statements_;
};

struct FakeConnector : ServerConnector {
  std::unique_ptr<ServerConnection> Open(const std::string& connectionString,
                                         const std::string& user, const std::string& password,
                                         std::string& error) override {
    opened.push_back(connectionString + " " + user + " " + password);
    if (!refuse.empty()) {
      error = refuse;
      return nullptr;
    }
    return std::make_unique<RecordingServer>(statements);
  }
  std::vector<std::string> opened;
  std::vector<std::string> statements;
  std::string refuse;
};

class SaveChecked : public AppScenario {
 protected:
  SaveChecked() {
    frame.saveCheckedTables = [this](CMainFrame& f) {
      summary = SaveCheckedObjects(f, connector, {[this] { ++pages; }});
    };
    OpenAndScan(SampleDataFolder() + "/");
  }

  void Check(const std::vector<std::string>& labels) { ui.tree.SetCheck(Node(labels), true); }

  FakeConnector connector;
  SaveSummary summary;
  int pages = 0;
};

TEST_F(SaveChecked, ACheckedDatabaseMeansAllItsTablesViewsAndTriggers) {
  Check({"shop"});
  const auto objects = CheckedObjects(ui, frame.catalogue);
  std::vector<std::string> names;
  for (const auto& object : objects)
    names.push_back(object.QualifiedName());
  ASSERT_EQ(names.size(), 15u);  // 12 tables, 1 trigger file, 2 views, in tree order
  EXPECT_EQ(names.front(), "`shop`.`coupons`");
  EXPECT_EQ(names[2], "`shop`.`gift-cards`");
  EXPECT_EQ(objects[12].kind, SaveObjectKind::kTriggers);
  EXPECT_EQ(objects[12].name, "orders");
  EXPECT_EQ(objects.back().kind, SaveObjectKind::kView);
  EXPECT_EQ(objects.back().name, "v_order_overview");
  // A table checked through its keys node alone counts as well.
  ui.tree.SetCheck(Node({"shop"}), false);
  Check({"shop", "Tables", "orders", "Keys"});
  ASSERT_EQ(CheckedObjects(ui, frame.catalogue).size(), 1u);
}

TEST_F(SaveChecked, SavesAsScriptsUnderTheGuardAndLogsEveryTable) {
  Check({"legacy", "Tables", "price-list"});
  Check({"bücherei"});
  const std::string folder = (scratch.Path() / "rescue").string();
  app.saveAsScriptMode = true;
  app.saveFolder = folder + "/";
  const std::size_t calls = ui.CallCount();
  const std::size_t lines = ui.outputLines.size();
  frame.OnSaveData();

  EXPECT_EQ(summary.tables, 3u);
  EXPECT_TRUE(fs::exists(folder + "/legacy/price-list.sql"));
  EXPECT_TRUE(fs::exists(folder + "/bücherei/bücher.sql"));
  EXPECT_TRUE(fs::exists(folder + "/restore.sql"));
  const std::vector<std::string> output(ui.outputLines.begin() + lines, ui.outputLines.end());
  ASSERT_EQ(output.size(), 4u);
  EXPECT_EQ(output[0],
            "`bücherei`.`ausleihe`: 148 rows saved, 2 deleted rows saved in "
            "`ausleihe__deleted`.");
  EXPECT_EQ(output[2],
            "`legacy`.`price-list`: 297 rows saved, 3 deleted rows saved in "
            "`price-list__deleted`.");
  EXPECT_EQ(output[3],
            "Saved 3 tables (474 rows, 5 deleted rows), 0 views and 0 trigger files "
            "to " +
                folder + "/.");
  const auto since = ui.CallsSince(calls);
  EXPECT_EQ(since.front(), "RunningStateChanged(true)");
  EXPECT_EQ(since.back(), "ShowMessage(" + std::string(kSaveCompleteMessage) + ")");
  EXPECT_FALSE(app.saveAsScriptMode);
  EXPECT_EQ(app.processRunning.load(), 0);
  EXPECT_GE(pages, 3);
  // The log file has the same lines.
  const std::string log = ReadText(LogPath());
  EXPECT_NE(log.find(Utf8ToUtf16Le("`legacy`.`price-list`: 297 rows saved")), std::string::npos);
}

TEST_F(SaveChecked, SavesIntoTheServerOfTheSettings) {
  Check({"typezoo", "Tables", "enums_bits_myisam"});
  app.saveToDatabaseMode = true;
  app.saveServer = "db1";
  app.savePort = "3307";
  app.saveUser = "dba";
  app.savePassword = "pw";
  frame.OnSaveData();
  EXPECT_EQ(
      connector.opened,
      std::vector<std::string>{"Driver={MySql ODBC 5.1 Driver};Server=db1;Option=16834;Port=3307; "
                               "dba pw"});
  EXPECT_EQ(summary.rows, 8u);
  std::size_t inserts = 0;
  for (const auto& s : connector.statements)
    inserts += s.rfind("INSERT INTO", 0) == 0;
  EXPECT_EQ(inserts, 1u);
  EXPECT_EQ(frame.serverConnection, nullptr);
  EXPECT_FALSE(app.saveToDatabaseMode);
  // No temporary folder is left behind.
  for (const auto& entry : fs::directory_iterator(scratch.Path())) {
    EXPECT_EQ(entry.path().filename().string().rfind("rowmender-save-", 0), std::string::npos);
  }
}

TEST_F(SaveChecked, AConnectionThatFailsShowsTheDriversText) {
  Check({"typezoo"});
  app.saveToDatabaseMode = true;
  app.savePassword = "hunter22";
  connector.refuse = "Access denied (hunter22)";
  const std::size_t messages = ui.messages.size();
  frame.OnSaveData();
  EXPECT_EQ(MessagesSince(messages), std::vector<std::string>{"Access denied (*****)\n"});
  EXPECT_TRUE(connector.statements.empty());
  EXPECT_EQ(app.processRunning.load(), 0);
}

TEST_F(SaveChecked, AnEarlierSaveIsReplacedOnlyAfterTheUserSaysYes) {
  Check({"legacy", "Tables", "price-list"});
  Check({"typezoo", "Tables", "enums_bits_myisam"});
  const std::string folder = (scratch.Path() / "rescue").string() + "/";
  const auto save = [&] {
    app.saveAsScriptMode = true;
    app.saveFolder = folder;
    frame.OnSaveData();
  };
  save();
  ASSERT_TRUE(fs::exists(folder + "typezoo/enums_bits_myisam.sql"));
  ui.tree.SetCheck(Node({"typezoo", "Tables", "enums_bits_myisam"}), false);
  const std::string before = ReadText(folder + "restore.sql");

  // No: nothing is written.
  ui.yesNoAnswers = {false};
  const std::size_t calls = ui.CallCount();
  save();
  const auto asked = ui.CallsSince(calls);
  ASSERT_FALSE(asked.empty());
  EXPECT_EQ(asked.front(),
            "AskYesNo(" +
                ReplaceEarlierSaveQuestion(
                    folder, {"restore.sql", "recovery-report.txt", "legacy/price-list.sql"}) +
                ") -> No");
  EXPECT_TRUE(summary.aborted);
  EXPECT_EQ(ReadText(folder + "restore.sql"), before);
  EXPECT_TRUE(fs::exists(folder + "typezoo/enums_bits_myisam.sql"));
  EXPECT_FALSE(app.saveAsScriptMode);

  // Yes: the save replaces it, and the script it does not write goes.
  ui.yesNoAnswers = {true};
  const std::size_t lines = ui.outputLines.size();
  save();
  EXPECT_TRUE(summary.Complete());
  EXPECT_FALSE(fs::exists(folder + "typezoo/enums_bits_myisam.sql"));
  EXPECT_TRUE(fs::exists(folder + "legacy/price-list.sql"));
  const std::vector<std::string> output(ui.outputLines.begin() + lines, ui.outputLines.end());
  EXPECT_NE(std::find(output.begin(), output.end(),
                      kRemovedScriptLinePrefix + std::string("typezoo/enums_bits_myisam.sql")),
            output.end());
}

TEST_F(SaveChecked, NeverWritesIntoTheDataFolder) {
  Check({"typezoo"});
  app.saveAsScriptMode = true;
  app.saveFolder = SampleDataFolder() + "/typezoo/";
  const std::size_t messages = ui.messages.size();
  frame.OnSaveData();
  EXPECT_EQ(MessagesSince(messages), std::vector<std::string>{kSaveFolderInDataFolderMessage});
  EXPECT_FALSE(fs::exists(SampleDataFolder() + "/typezoo/restore.sql"));
}

TEST_F(SaveChecked, StopEndsTheSave) {
  Check({"legacy"});
  app.saveAsScriptMode = true;
  app.saveFolder = (scratch.Path() / "rescue").string();
  frame.saveCheckedTables = [this](CMainFrame& f) {
    summary = SaveCheckedObjects(f, connector, {[this] {
                                   // Stop, answered Yes, after the first page.
                                   ui.yesNoAnswers = {true};
                                   frame.OnStop();
                                 }});
  };
  frame.OnSaveData();
  EXPECT_TRUE(summary.stopped);
  EXPECT_EQ(ui.messages.back(), kSaveStoppedMessage);
}

}  // namespace
}  // namespace rowmender::testing
