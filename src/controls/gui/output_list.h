// The list of the output pane: one line of progress text per row, no
// header, single selection, both scroll bars.
#pragma once

#include <QListWidget>
#include <string>

namespace rowmender {

class CTarnListCtrl : public QListWidget {
  Q_OBJECT

 public:
  explicit CTarnListCtrl(QWidget* parent = nullptr);

  // Inserts `text` as row `row` (appended when `row` lies beyond the end)
  // and keeps it in view.
  void InsertLine(int row, const std::string& text);
  void DeleteAllLines() { clear(); }
  std::string Line(int row) const;
  int LineCount() const { return count(); }
};

}  // namespace rowmender
