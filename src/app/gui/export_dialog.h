// The dialog of "Export table..." and "Export checked...": the form the
// tables are written in (an SQL script, TSV or CSV, one file per table)
// and the folder they go into, with a "..." button for the folder browser,
// and Export and Cancel.
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <string>

#include "app/logic/user_interface.h"

namespace rowmender {

class ExportDialog : public QDialog {
  Q_OBJECT

 public:
  ExportDialog(const std::string& title, const ExportChoice& choice, UserInterface& ui,
               QWidget* parent = nullptr);

  // What the dialog shows now.
  ExportChoice Choice() const;

  QRadioButton* FormatButton(ExportFormat format) const;
  QLineEdit* FolderEdit() const { return folder_; }
  QPushButton* BrowseButton() const { return browse_; }
  QPushButton* ExportButton() const { return export_; }

 private:
  UserInterface& ui_;
  QRadioButton* sql_;
  QRadioButton* tsv_;
  QRadioButton* csv_;
  QLineEdit* folder_;
  QPushButton* browse_;
  QPushButton* export_;
  QPushButton* cancel_;
};

}  // namespace rowmender
