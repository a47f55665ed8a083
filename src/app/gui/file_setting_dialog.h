// The settings dialog of the Open command, "Select Database File": the
// data folder to recover from, a temporary folder and the log folder, each
// in an edit with a "..." button that opens the folder browser, the files of
// CREATE TABLE statements for tables without a .frm (its "..." adds one),
// a list of the data folders opened last (choosing one fills the data
// folder's edit),
// and OK and Cancel.
//
// The dialog's behaviour (defaults, what the browse buttons take, the
// checks of OK and their messages) is the SettingsDialog model's; this
// window shows the model's texts, hands the user's edits to it and closes
// when its Accept succeeds. Enter presses OK; Escape cancels.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

#include "app/logic/settings_dialog.h"
#include "app/logic/user_interface.h"

namespace rowmender {

class CTarnFileSettingDlg : public QDialog {
  Q_OBJECT

 public:
  CTarnFileSettingDlg(SettingsDialog& model, UserInterface& ui, QWidget* parent = nullptr);

  QLineEdit* DataFolderEdit() const { return dataFolder_; }
  QLineEdit* TemporaryFolderEdit() const { return temporaryFolder_; }
  QLineEdit* LogFolderEdit() const { return logFolder_; }
  QLineEdit* DefinitionFilesEdit() const { return definitionFiles_; }
  QPushButton* BrowseDataFolderButton() const { return browseData_; }
  QPushButton* BrowseTemporaryFolderButton() const { return browseTemporary_; }
  QPushButton* BrowseLogFolderButton() const { return browseLog_; }
  QPushButton* BrowseDefinitionFileButton() const { return browseDefinition_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }
  // The data folders opened last (hidden when there are none).
  QComboBox* RecentFoldersBox() const { return recentFolders_; }

  // The OK button: hands the edits to the model and closes the dialog as
  // confirmed when the model's checks pass.
  void TryAccept();

 private:
  void ToModel();
  void FromModel();
  void Browse(void (SettingsDialog::*browse)(UserInterface&));

  SettingsDialog& model_;
  UserInterface& ui_;
  QLineEdit* dataFolder_;
  QLineEdit* temporaryFolder_;
  QLineEdit* logFolder_;
  QLineEdit* definitionFiles_;
  QPushButton* browseData_;
  QPushButton* browseTemporary_;
  QPushButton* browseLog_;
  QPushButton* browseDefinition_;
  QPushButton* ok_;
  QPushButton* cancel_;
  QComboBox* recentFolders_;
};

}  // namespace rowmender
