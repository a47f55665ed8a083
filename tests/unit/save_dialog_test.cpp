#include "export/save/save_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace rowmender {
namespace {

struct RecordingHost : SaveDialogHost {
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  std::string ChooseFolder(const std::string& title) override {
    titles.push_back(title);
    return folderAnswer;
  }
  std::vector<std::string> messages;
  std::vector<std::string> titles;
  std::string folderAnswer;
};

class NullConnection : public ServerConnection {
 public:
  bool Execute(const std::string&, std::string&) override { return true; }
};

// Answers every connection attempt as told and remembers what it was given.
struct FakeConnector : ServerConnector {
  std::unique_ptr<ServerConnection> Open(const std::string& connectionString,
                                         const std::string& user, const std::string& password,
                                         std::string& error) override {
    calls.push_back({connectionString, user, password});
    if (succeed) return std::make_unique<NullConnection>();
    error = errorText;
    return nullptr;
  }
  struct Call {
    std::string connectionString, user, password;
  };
  std::vector<Call> calls;
  bool succeed = true;
  std::string errorText;
};

class SaveDialogTest : public ::testing::Test {
 protected:
  CTarnSalvorProjApp app{CollationTable{}};
  RecordingHost host;
  FakeConnector connector;
  SaveDialogModel dialog{app, host, connector};
};

TEST_F(SaveDialogTest, StartsInDatabaseModeWithTheLoopbackServer) {
  EXPECT_EQ(dialog.server, "localhost");
  EXPECT_EQ(dialog.port, "3306");
  EXPECT_EQ(dialog.user, "root");
  EXPECT_EQ(dialog.password, "");
  EXPECT_EQ(dialog.Mode(), SaveDialogMode::kDatabase);
  EXPECT_TRUE(dialog.ServerFieldsEnabled());
  EXPECT_FALSE(dialog.FolderFieldsEnabled());
  EXPECT_FALSE(dialog.ConnectionTested());
}

TEST_F(SaveDialogTest, TheConnectionStringIsThePartsWithUserAndPasswordBeside) {
  EXPECT_EQ(BuildConnectionString("db1", "3306"),
            "Driver={MySql ODBC 5.1 Driver};Server=db1;Option=16834;Port=3306;");
  dialog.server = "db1";
  dialog.port = "abc";  // not checked further
  dialog.password = "s3cret;}";
  EXPECT_EQ(dialog.TestConnection(), ConnectionTestResult::kConnected);
  ASSERT_EQ(connector.calls.size(), 1u);
  EXPECT_EQ(connector.calls[0].connectionString,
            "Driver={MySql ODBC 5.1 Driver};Server=db1;Option=16834;Port=abc;");
  EXPECT_EQ(connector.calls[0].user, "root");
  EXPECT_EQ(connector.calls[0].password, "s3cret;}");
  EXPECT_EQ(host.messages, std::vector<std::string>{"Connection is successful"});
  EXPECT_TRUE(dialog.ConnectionTested());
}

TEST_F(SaveDialogTest, OnlyTheFirstEmptyFieldIsReportedInItsOrder) {
  const struct {
    const char* server;
    const char* user;
    const char* port;
    const char* password;
    const char* message;
  } cases[] = {
      {"", "", "", "", "Please enter Server name."},
      {"s", "", "", "", "Please enter user name."},
      {"s", "u", "", "", "Please enter port number."},
      {"s", "u", "1", "", "Please enter password."},
      {"", "u", "1", "p", "Please enter Server name."},
  };
  for (const auto& c : cases) {
    host.messages.clear();
    dialog.server = c.server;
    dialog.user = c.user;
    dialog.port = c.port;
    dialog.password = c.password;
    EXPECT_EQ(dialog.TestConnection(), ConnectionTestResult::kFieldMissing);
    EXPECT_EQ(host.messages, std::vector<std::string>{c.message});
  }
  EXPECT_TRUE(connector.calls.empty());
}

TEST_F(SaveDialogTest, AFailedTestShowsTheDriversTextWithoutThePassword) {
  dialog.password = "hunter22";
  connector.succeed = false;
  connector.errorText = "[ma-3.1.15]Access denied (password hunter22)";
  EXPECT_EQ(dialog.TestConnection(), ConnectionTestResult::kFailed);
  EXPECT_EQ(host.messages, std::vector<std::string>{"[ma-3.1.15]Access denied (password *****)\n"});
  EXPECT_FALSE(dialog.ConnectionTested());
  // Without a text of the driver's own.
  connector.errorText.clear();
  host.messages.clear();
  EXPECT_EQ(dialog.TestConnection(), ConnectionTestResult::kFailed);
  EXPECT_EQ(host.messages, std::vector<std::string>{"Connection is Failed"});
}

TEST_F(SaveDialogTest, OkInDatabaseModeTestsFirstAndClosesOnceTested) {
  dialog.password = "pw";
  // Not tested: OK runs the test and stays open, the settings are written.
  EXPECT_FALSE(dialog.Ok());
  EXPECT_EQ(host.messages, std::vector<std::string>{"Connection is successful"});
  EXPECT_TRUE(app.saveToDatabaseMode);
  EXPECT_FALSE(app.saveAsScriptMode);
  EXPECT_EQ(app.saveServer, "localhost");
  EXPECT_EQ(app.savePassword, "pw");
  // Tested: OK closes at once and takes fields edited since.
  dialog.user = "admin";
  EXPECT_TRUE(dialog.Ok());
  EXPECT_EQ(app.saveUser, "admin");
  EXPECT_EQ(connector.calls.size(), 1u);
}

TEST_F(SaveDialogTest, OkInDatabaseModeAfterAFailedTestStaysOpen) {
  dialog.password = "pw";
  connector.succeed = false;
  connector.errorText = "Can't connect";
  EXPECT_FALSE(dialog.Ok());
  EXPECT_EQ(host.messages,
            (std::vector<std::string>{
                "Can't connect\n",
                "Test connection is unsuccessful.Saving in database cannot be done."}));
  EXPECT_FALSE(app.saveToDatabaseMode);
  // An empty field fails the test the same way.
  host.messages.clear();
  dialog.password.clear();
  EXPECT_FALSE(dialog.Ok());
  EXPECT_EQ(host.messages,
            (std::vector<std::string>{
                "Please enter password.",
                "Test connection is unsuccessful.Saving in database cannot be done."}));
}

TEST_F(SaveDialogTest, ScriptModeNeedsAFolderFromTheBrowser) {
  app.saveToDatabaseMode = true;
  dialog.SelectScriptMode();
  EXPECT_FALSE(dialog.ServerFieldsEnabled());
  EXPECT_TRUE(dialog.FolderFieldsEnabled());
  EXPECT_FALSE(dialog.Ok());
  EXPECT_EQ(host.messages,
            std::vector<std::string>{"Please select valid destination folder path."});
  EXPECT_TRUE(app.saveAsScriptMode);
  EXPECT_FALSE(app.saveToDatabaseMode);

  host.folderAnswer = "/home/dba/rescue";
  dialog.Browse();
  EXPECT_EQ(host.titles, std::vector<std::string>{"Please choose a folder."});
  EXPECT_TRUE(dialog.Ok());
  EXPECT_EQ(app.saveFolder, "/home/dba/rescue/");
  // Cancelling the browser empties the folder chosen before.
  host.folderAnswer.clear();
  dialog.Browse();
  EXPECT_EQ(dialog.folder, "");
}

TEST_F(SaveDialogTest, SwitchingModesKeepsTheServerFields) {
  dialog.server = "db9";
  dialog.password = "pw";
  dialog.SelectScriptMode();
  dialog.SelectDatabaseMode();
  EXPECT_EQ(dialog.server, "db9");
  EXPECT_EQ(dialog.password, "pw");
  EXPECT_TRUE(dialog.ServerFieldsEnabled());
}

TEST(SavePassword, MaskedInTextsUnlessTooShortToTell) {
  EXPECT_EQ(MaskPassword("pw hunter22 and hunter22", "hunter22"), "pw ***** and *****");
  EXPECT_EQ(MaskPassword("Access denied for user 'root'", "oot"), "Access denied for user 'root'");
  EXPECT_EQ(MaskPassword("text", ""), "text");
}

}  // namespace
}  // namespace rowmender
