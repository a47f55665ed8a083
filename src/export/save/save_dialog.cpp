#include "export/save/save_dialog.h"

#include "base/paths.h"

namespace rowmender {

SaveDialogModel::SaveDialogModel(CTarnSalvorProjApp& app, SaveDialogHost& host,
                                 ServerConnector& connector)
    : app_(app), host_(host), connector_(connector) {}

ConnectionTestResult SaveDialogModel::TestConnection() {
  const struct {
    const std::string& field;
    const char* message;
  } required[] = {
      {server, kEnterServerMessage},
      {user, kEnterUserMessage},
      {port, kEnterPortMessage},
      {password, kEnterPasswordMessage},
  };
  for (const auto& check : required) {
    if (check.field.empty()) {
      host_.ShowMessage(check.message);
      return ConnectionTestResult::kFieldMissing;
    }
  }
  std::string error;
  std::unique_ptr<ServerConnection> connection =
      connector_.Open(BuildConnectionString(server, port), user, password, error);
  if (connection != nullptr) {
    host_.ShowMessage(kConnectionSuccessfulMessage);
    connection.reset();  // the test never leaves a connection open
    connectionTested_ = true;
    return ConnectionTestResult::kConnected;
  }
  connectionTested_ = false;
  host_.ShowMessage(error.empty() ? std::string(kConnectionFailedMessage)
                                  : MaskPassword(error, password) + "\n");
  return ConnectionTestResult::kFailed;
}

void SaveDialogModel::Browse() {
  folder = host_.ChooseFolder(kChooseFolderTitle);
}

void SaveDialogModel::CopyServerFields() {
  app_.saveToDatabaseMode = true;
  app_.saveServer = server;
  app_.saveUser = user;
  app_.savePort = port;
  app_.savePassword = password;
}

bool SaveDialogModel::Ok() {
  if (mode_ == SaveDialogMode::kDatabase) {
    app_.saveAsScriptMode = false;
    if (connectionTested_) {
      CopyServerFields();
      return true;
    }
    if (TestConnection() == ConnectionTestResult::kConnected) {
      // Tested now: the next OK closes the dialog.
      CopyServerFields();
      return false;
    }
    host_.ShowMessage(kTestUnsuccessfulMessage);
    return false;
  }
  app_.saveAsScriptMode = true;
  app_.saveToDatabaseMode = false;
  if (folder.empty()) {
    host_.ShowMessage(kSelectFolderMessage);
    return false;
  }
  app_.saveFolder = WithTrailingSeparator(folder);
  return true;
}

}  // namespace rowmender
