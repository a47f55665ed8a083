// The settings dialog ("Select Database File") as a model: the texts of its
// three folder edits, what its three "..." buttons do, and the checks of its
// OK button. The window shows it and calls these operations; the tests and
// the command line drive it directly.
#pragma once

#include <string>
#include <vector>

#include "app/logic/user_interface.h"

namespace rowmender {

inline constexpr const char* kSettingsDialogTitle = "Select Database File";
inline constexpr const char* kDataFolderGroup = "Select MySQL Database File:";
inline constexpr const char* kTemporaryFolderGroup = "Select Temporary Path:";
inline constexpr const char* kLogFolderGroup = "Select Log File Path:";
inline constexpr const char* kDefinitionFilesGroup =
    "CREATE TABLE statements for tables without a .frm (optional; several separated by ';'):";

inline constexpr const char* kRecentDataFoldersLabel = "Recent:";
inline constexpr const char* kBrowseDataFolderTitle = "Select location to choose database file.";
inline constexpr const char* kBrowseTemporaryFolderTitle = "Select location for temporary path.";
inline constexpr const char* kBrowseLogFolderTitle = "Select location to save Log file.";

inline constexpr const char* kInvalidDataFolderMessage =
    "Please select valid database file path to continue the recovery process.";
inline constexpr const char* kInvalidTemporaryFolderMessage =
    "Please select valid temporary file path to continue the recovery process.";
inline constexpr const char* kInvalidLogFolderMessage =
    "Please select valid Log file path to continue the recovery process.";
inline constexpr const char* kInvalidDefinitionFileMessage =
    "This file of CREATE TABLE statements cannot be found: ";

// The three folders of a confirmed dialog, each ending with a separator.
struct RunFolders {
  std::string databasePath;
  std::string temporaryPath;
  std::string logFolder;
};

class SettingsDialog {
 public:
  // The defaults of a fresh dialog: an empty data folder, the program's
  // cache folder for temporary files ($XDG_CACHE_HOME/rowmender, or
  // ~/.cache/rowmender; with a trailing separator) and its state folder
  // for logs ($XDG_STATE_HOME/rowmender/logs, or
  // ~/.local/state/rowmender/logs; without one), each made where it is
  // missing. Where one cannot be made, the system's temporary folder.
  SettingsDialog();

  // The edit texts, as the user typed or browsed them.
  std::string dataFolder;
  std::string temporaryFolder;
  std::string logFolder;
  // Files of CREATE TABLE statements, separated by ';' (may be empty).
  std::string definitionFiles;
  // The data folders opened last, most recent first, for the dialog's
  // list; choosing one puts it into the data folder's edit.
  std::vector<std::string> recentDataFolders;

  // The "..." buttons: each opens the folder browser with its title; a
  // cancelled browser leaves the edit as it is. The data and temporary
  // folders get a trailing separator; the log folder is trimmed and taken
  // only when it is an existing folder.
  void BrowseDataFolder(UserInterface& ui);
  void BrowseTemporaryFolder(UserInterface& ui);
  void BrowseLogFolder(UserInterface& ui);
  // Adds the chosen file to the statement files.
  void BrowseDefinitionFile(UserInterface& ui);

  // The OK button: the data folder must be an existing folder, the
  // temporary and log folders must exist. The first failing check shows its
  // message and returns false (the dialog stays open, the edits unchanged);
  // otherwise the three folders are taken, each with a trailing separator,
  // with every statement file named (each must exist), and true is
  // returned.
  bool Accept(UserInterface& ui);

  // Fills the edits as a user would who typed `folders` and the statement
  // files (separated by ';'): for tests and runs without a window.
  void FillIn(const RunFolders& folders, const std::vector<std::string>& statementFiles = {});

  // The folders taken by the last successful Accept.
  const RunFolders& Chosen() const { return chosen_; }
  // The statement files taken by the last successful Accept.
  const std::vector<std::string>& ChosenDefinitionFiles() const { return chosenDefinitionFiles_; }

  // The defaults, for the window and for tests.
  static std::string DefaultTemporaryFolder();
  static std::string DefaultLogFolder();

 private:
  RunFolders chosen_;
  std::vector<std::string> chosenDefinitionFiles_;
};

}  // namespace rowmender
