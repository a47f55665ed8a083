// The save dialog's connection test and its OK rules on a running server,
// through the ODBC connector. Run by roundtrip.sh, which starts the server
// and passes its address and an account in the environment.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "export/odbc/odbc_connection.h"
#include "export/save/save_dialog.h"

namespace rowmender {
namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

struct RecordingHost : SaveDialogHost {
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  std::string ChooseFolder(const std::string&) override { return {}; }
  std::vector<std::string> messages;
};

class ServerConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Environment("ROWMENDER_TEST_PORT").empty()) GTEST_SKIP() << "no test server";
    dialog.server = Environment("ROWMENDER_TEST_SERVER");
    dialog.port = Environment("ROWMENDER_TEST_PORT");
    dialog.user = Environment("ROWMENDER_TEST_USER");
    dialog.password = Environment("ROWMENDER_TEST_PASSWORD");
  }

  CTarnSalvorProjApp app{CollationTable{}};
  RecordingHost host;
  OdbcConnector connector;
  SaveDialogModel dialog{app, host, connector};
};

TEST_F(ServerConnectionTest, ARunningServerAnswersTheTest) {
  EXPECT_EQ(dialog.TestConnection(), ConnectionTestResult::kConnected);
  EXPECT_EQ(host.messages, std::vector<std::string>{kConnectionSuccessfulMessage});
  EXPECT_TRUE(dialog.ConnectionTested());
}

TEST_F(ServerConnectionTest, AWrongPasswordShowsTheDriversTextWithoutThePassword) {
  const std::string wrong = "wrong " + dialog.password;
  dialog.password = wrong;
  EXPECT_EQ(dialog.TestConnection(), ConnectionTestResult::kFailed);
  ASSERT_EQ(host.messages.size(), 1u);
  const std::string& text = host.messages[0];
  EXPECT_NE(text.find("Access denied for user '" + dialog.user + "'"), std::string::npos) << text;
  EXPECT_EQ(text.back(), '\n');
  EXPECT_EQ(text.find(wrong), std::string::npos) << text;
  EXPECT_FALSE(dialog.ConnectionTested());
}

TEST_F(ServerConnectionTest, AClosedPortShowsTheDriversText) {
  dialog.port = Environment("ROWMENDER_TEST_CLOSED_PORT");
  EXPECT_EQ(dialog.TestConnection(), ConnectionTestResult::kFailed);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_NE(host.messages[0].find("Can't connect"), std::string::npos) << host.messages[0];
}

TEST_F(ServerConnectionTest, OkTestsFirstThenClosesOnTheSecondPress) {
  EXPECT_FALSE(dialog.Ok());
  EXPECT_EQ(host.messages, std::vector<std::string>{kConnectionSuccessfulMessage});
  EXPECT_TRUE(app.saveToDatabaseMode);
  EXPECT_FALSE(app.saveAsScriptMode);
  EXPECT_EQ(app.savePort, dialog.port);
  EXPECT_TRUE(dialog.Ok());
  EXPECT_EQ(host.messages.size(), 1u);
}

TEST_F(ServerConnectionTest, OkAfterAFailedTestStaysOpen) {
  dialog.password = "not " + dialog.password;
  EXPECT_FALSE(dialog.Ok());
  ASSERT_EQ(host.messages.size(), 2u);
  EXPECT_NE(host.messages[0].find("Access denied"), std::string::npos);
  EXPECT_EQ(host.messages[1], kTestUnsuccessfulMessage);
  EXPECT_FALSE(app.saveToDatabaseMode);
}

TEST_F(ServerConnectionTest, StatementsRunAndFailuresCarryTheServersText) {
  std::string error;
  auto connection = connector.Open(BuildConnectionString(dialog.server, dialog.port), dialog.user,
                                   dialog.password, error);
  ASSERT_NE(connection, nullptr) << error;
  EXPECT_TRUE(connection->Execute("SELECT 1", error)) << error;
  EXPECT_TRUE(connection->Execute("SET @rowmender_test = 1", error)) << error;
  EXPECT_FALSE(connection->Execute("SELEKT 1", error));
  EXPECT_NE(error.find("You have an error in your SQL syntax"), std::string::npos) << error;
  // Still usable after a failure.
  EXPECT_TRUE(connection->Execute("SELECT 'ü', 0x00", error)) << error;
}

}  // namespace
}  // namespace rowmender
