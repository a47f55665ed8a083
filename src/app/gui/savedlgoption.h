// The "Save Database" dialog: where recovered data is to be saved, into a
// running server ("Save in database": server, port, user, password and a
// connection test) or as script files into a folder ("Save as Script").
//
// The dialog's behaviour (defaults, the checks and messages of the test and
// of OK, the save settings it writes) is SaveDialogModel's; this window
// shows the model's texts and enabled states and hands the user's edits to
// it. OK closes the dialog when the model says so; Cancel, Escape and the
// close box change no setting.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/logic/main_frame.h"
#include "export/save/save_dialog.h"

namespace rowmender {

class savedlgoption : public QDialog {
  Q_OBJECT

 public:
  explicit savedlgoption(SaveDialogModel& model, QWidget* parent = nullptr);

  QRadioButton* DatabaseModeButton() const { return databaseMode_; }
  QRadioButton* ScriptModeButton() const { return scriptMode_; }
  QLineEdit* ServerEdit() const { return server_; }
  QLineEdit* PortEdit() const { return port_; }
  QLineEdit* UserEdit() const { return user_; }
  QLineEdit* PasswordEdit() const { return password_; }
  QLineEdit* FolderEdit() const { return folder_; }
  QPushButton* TestButton() const { return test_; }
  QPushButton* BrowseButton() const { return browse_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }

  // The OK button.
  void TryAccept();

 private:
  void ToModel();
  void FromModel();

  SaveDialogModel& model_;
  QRadioButton* databaseMode_;
  QRadioButton* scriptMode_;
  QLineEdit* server_;
  QLineEdit* port_;
  QLineEdit* user_;
  QLineEdit* password_;
  QLineEdit* folder_;
  QPushButton* test_;
  QPushButton* browse_;
  QPushButton* ok_;
  QPushButton* cancel_;
};

// Messages and the folder browser of the dialog, through the window's
// user interface (so a window answering from a script answers these too).
class UiSaveDialogHost : public SaveDialogHost {
 public:
  explicit UiSaveDialogHost(UserInterface& ui) : ui_(ui) {}
  void ShowMessage(const std::string& text) override { ui_.ShowMessage(text); }
  std::string ChooseFolder(const std::string& title) override { return ui_.ChooseFolder(title); }

 private:
  UserInterface& ui_;
};

// "Save MySQL Data" with checked nodes: the dialog over `window`, then, on
// OK, the save of the checked tables with the window kept responsive (it
// repaints and takes Stop between pages).
void RunSaveCommand(CMainFrame& frame, QWidget* window);

}  // namespace rowmender
