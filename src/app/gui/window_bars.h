// Two bars of the main window: the caption bar, one line of status text
// with the program's icon at its left and no close button, and the status
// bar with the busy indicator, the link to the maker's web site and the
// "Rowmender" pane.
#pragma once

#include <QColor>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <string>

namespace rowmender {

class CMyCaptionBar : public QFrame {
  Q_OBJECT

 public:
  explicit CMyCaptionBar(QWidget* parent = nullptr);

  // Replaces the text (left-aligned) and repaints at once. Line breaks at
  // the end of the text are not drawn; the bar holds one line.
  void SetText(const std::string& text);
  // The text as last set.
  const std::string& Text() const { return text_; }
  // The text as drawn.
  QString ShownText() const { return label_->text(); }

  void SetColours(const QColor& background, const QColor& text);

 private:
  std::string text_;
  QLabel* icon_;
  QLabel* label_;
};

class CRibbonStatusBarCls : public QStatusBar {
  Q_OBJECT

 public:
  // The busy indicator's place: from the left edge, and the room it leaves
  // free to the right.
  static constexpr int kProgressLeft = 250;
  static constexpr int kProgressTop = 3;
  static constexpr int kProgressRightRoom = 560;
  static constexpr int kProgressHeight = 17;

  CRibbonStatusBarCls(const QString& linkAddress, const QString& linkText,
                      QWidget* parent = nullptr);

  QProgressBar* Progress() const { return progress_; }
  QLabel* Link() const { return link_; }
  QLabel* ProductPane() const { return pane_; }
  // The rows on screen and the table's total.
  QLabel* RowStatus() const { return rows_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QProgressBar* progress_;
  QLabel* link_;
  QLabel* pane_;
  QLabel* rows_;
};

}  // namespace rowmender
