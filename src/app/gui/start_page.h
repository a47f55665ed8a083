// The start page: what the middle of the main window shows until a data
// folder is opened. It offers Open and lists the data folders opened
// last, each a button that opens it again.
#pragma once

#include <QAction>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>
#include <string>
#include <vector>

namespace rowmender {

class StartPage : public QWidget {
  Q_OBJECT

 public:
  // Its Open button triggers `open`.
  StartPage(QAction* open, QWidget* parent = nullptr);

  // Replaces the list of folders (most recent first).
  void SetRecentFolders(const std::vector<std::string>& folders);
  std::vector<std::string> RecentFolders() const { return folders_; }

 signals:
  // A recent folder's button was pressed.
  void folderChosen(const QString& folder);

 private:
  QLabel* emptyNote_;
  QVBoxLayout* list_;
  std::vector<std::string> folders_;
};

}  // namespace rowmender
