// The behaviour of the "Save Database" dialog: where recovered data is to
// be saved, either into a running server ("Save in database", with a
// connection test) or as script files into a folder ("Save as Script").
//
// The dialog window (savedlgoption) only shows this model: it copies its
// edit texts in, calls the handlers, and takes the enabled states and the
// texts back. Messages and the folder browser go through SaveDialogHost.
#pragma once

#include <string>

#include "app/application_state.h"
#include "export/save/server_connector.h"

namespace rowmender {

// The dialog's texts.
inline constexpr const char* kSaveDialogTitle = "Save Database";
inline constexpr const char* kSaveDialogPrompt =
    "Choose the saving mode and click OK button to continue the process";
inline constexpr const char* kSaveInDatabaseLabel = "Save in database";
inline constexpr const char* kSaveAsScriptLabel = "Save as Script";
inline constexpr const char* kServerLabel = "Server:";
inline constexpr const char* kPortLabel = "Port:";
inline constexpr const char* kUserLabel = "User:";
inline constexpr const char* kPasswordLabel = "Password:";
inline constexpr const char* kTestConnectionLabel = "Test Connection";
inline constexpr const char* kSavingFolderLabel = "Saving Folder:";
inline constexpr const char* kBrowseLabel = "...";
inline constexpr const char* kOkLabel = "OK";
inline constexpr const char* kCancelLabel = "Cancel";
inline constexpr const char* kOkTooltip = "OK";
inline constexpr const char* kCancelTooltip = "Cancel";
inline constexpr const char* kTestConnectionTooltip = "Test connection";
inline constexpr const char* kChooseFolderTitle = "Please choose a folder.";

inline constexpr const char* kEnterServerMessage = "Please enter Server name.";
inline constexpr const char* kEnterUserMessage = "Please enter user name.";
inline constexpr const char* kEnterPortMessage = "Please enter port number.";
inline constexpr const char* kEnterPasswordMessage = "Please enter password.";
inline constexpr const char* kConnectionSuccessfulMessage = "Connection is successful";
inline constexpr const char* kConnectionFailedMessage = "Connection is Failed";
inline constexpr const char* kTestUnsuccessfulMessage =
    "Test connection is unsuccessful.Saving in database cannot be done.";
inline constexpr const char* kSelectFolderMessage = "Please select valid destination folder path.";

// The start values of the server fields.
inline constexpr const char* kDefaultServer = "localhost";
inline constexpr const char* kDefaultPort = "3306";
inline constexpr const char* kDefaultUser = "root";

class SaveDialogHost {
 public:
  virtual ~SaveDialogHost() = default;
  // A modal message (caption "Rowmender v21.0", information icon).
  virtual void ShowMessage(const std::string& text) = 0;
  // The folder browser titled `title`; "" when cancelled or when the
  // chosen item has no file-system path.
  virtual std::string ChooseFolder(const std::string& title) = 0;
};

enum class SaveDialogMode { kDatabase, kScript };

enum class ConnectionTestResult {
  kFieldMissing,  // an empty field was reported; nothing else happened
  kConnected,     // "Connection is successful"
  kFailed,        // the driver's text (or "Connection is Failed") was shown
};

class SaveDialogModel {
 public:
  // Start-up: loopback server, port 3306, user root, empty password, mode
  // "Save in database", no tested connection.
  SaveDialogModel(CTarnSalvorProjApp& app, SaveDialogHost& host, ServerConnector& connector);

  // The edit fields (the window copies them in before each handler).
  std::string server = kDefaultServer;
  std::string port = kDefaultPort;
  std::string user = kDefaultUser;
  std::string password;
  // Filled only by Browse.
  std::string folder;

  SaveDialogMode Mode() const { return mode_; }
  bool ConnectionTested() const { return connectionTested_; }
  // Server, port, user, password and the test button.
  bool ServerFieldsEnabled() const { return mode_ == SaveDialogMode::kDatabase; }
  // The saving folder and its browse button.
  bool FolderFieldsEnabled() const { return mode_ == SaveDialogMode::kScript; }

  // The two radio buttons.
  void SelectDatabaseMode() { mode_ = SaveDialogMode::kDatabase; }
  void SelectScriptMode() { mode_ = SaveDialogMode::kScript; }

  // "Test Connection": checks the fields in the order server, user, port,
  // password (only the first empty one is reported), then opens and closes
  // a connection and shows the outcome.
  ConnectionTestResult TestConnection();

  // "...": the folder browser; cancelling it empties the field.
  void Browse();

  // OK. True when the dialog closes; the save settings of the application
  // object are written as the mode asks.
  bool Ok();

 private:
  void CopyServerFields();

  CTarnSalvorProjApp& app_;
  SaveDialogHost& host_;
  ServerConnector& connector_;
  SaveDialogMode mode_ = SaveDialogMode::kDatabase;
  bool connectionTested_ = false;
};

}  // namespace rowmender
