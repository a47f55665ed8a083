// The record panel: the window in the middle of the main window that shows
// a page of records or a table's structure in the record grid, or the
// statements of a view or trigger in the text box, with the two image
// buttons "Previous Records" and "Next Records" below the grid.
//
// The grid and the text box overlap; the owner shows one of them. Fresh
// panels show only the empty text box. The buttons report their clicks
// through previousRecords and nextRecords and do nothing else.
#pragma once

#include <QAbstractTableModel>
#include <QAction>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QToolButton>
#include <QWidget>
#include <string>
#include <vector>

#include "definitions/table_definition.h"

namespace rowmender {

// The rows of the record grid: column captions and up to one page of rows.
//
// A cell is drawn from what its value is, not from its text: a NULL value
// shows its text "NULL" in a muted italic, so that a text whose value is
// "NULL" stays plain; columns that hold numbers are right-aligned. Rows
// whose record is marked deleted get a tinted background (their text keeps
// the normal colour, so that it stays legible) and say so in their tooltip.
class RecordGridModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  using QAbstractTableModel::QAbstractTableModel;

  // Removes every row and column.
  void Clear();
  void DeleteAllRows();
  // Replaces the columns (none of them numeric until SetNumericColumns).
  void SetColumns(const std::vector<std::string>& captions);
  // Which columns hold numbers; columns beyond `numeric` do not.
  void SetNumericColumns(const std::vector<bool>& numeric);
  // Appends rows; cells beyond the columns are dropped, missing ones are
  // empty.
  void AppendRows(const std::vector<DecodedRow>& rows);

  std::size_t ColumnCount() const { return captions_.size(); }
  std::size_t RowCount() const { return rows_.size(); }
  std::string Caption(std::size_t column) const;
  std::string Cell(std::size_t row, std::size_t column) const;
  bool RowDeleted(std::size_t row) const;
  bool ColumnIsNumeric(std::size_t column) const;
  // The cell holds NULL (its text is only what stands for it).
  bool CellIsNull(std::size_t row, std::size_t column) const;
  // Where grid row `row` stands in the page as it was read (rows sorted by
  // a column keep it).
  std::size_t PageRow(std::size_t row) const;

  // Cells whose text holds `text` (any case) are drawn highlighted; an
  // empty text highlights nothing. NULL cells never match.
  void SetHighlight(const QString& text);
  bool CellMatches(std::size_t row, std::size_t column, const QString& text) const;
  static QColor HighlightBackground(const QPalette& palette);

  // -1 for any: the order the rows were read in.
  int SortColumn() const { return sortColumn_; }

  // Orders two texts of a column of numbers by their values: `a` before
  // `b` is negative, after positive, the same value 0. Texts that are not
  // numbers come after the numbers, in text order.
  static int CompareNumberTexts(const QString& a, const QString& b);

  // The colours a cell is drawn with, from the application's palette.
  static QColor NullTextColour(const QPalette& palette);
  static QColor DeletedRowBackground(const QPalette& palette);

  // QAbstractTableModel.
  int rowCount(const QModelIndex& parent) const override;
  int columnCount(const QModelIndex& parent) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // Sorts the page by `column`: numbers by value, other texts in text
  // order (letter case aside), cells without a value (NULL) first in ascending order and last
  // in descending; rows of the same value keep their page order. A column
  // of -1 puts the rows back in page order.
  void sort(int column, Qt::SortOrder order) override;

 private:
  struct Row {
    std::vector<QString> cells;
    // What each cell's value is (empty: plain texts).
    std::vector<CellKind> kinds;
    bool deleted = false;
    std::size_t pageRow = 0;
  };
  const Row* RowAt(std::size_t row, std::size_t column) const;

  std::vector<QString> captions_;
  std::vector<bool> numeric_;
  std::vector<Row> rows_;
  QString highlight_;
  int sortColumn_ = -1;
};

// The record grid: a report view with grid lines whose cells are selected
// one by one or in ranges. Ctrl+C copies the selected cells as
// tab-separated text (a line per row; a field holding a tab, a line break
// or a double quote in double quotes); the context menu also copies them
// under a line of their column names. A click on a column's caption sorts
// the page by it (a third click goes back to the page order). Enter or a
// double click on a cell asks for its whole value (valueRequested).
class RecordGridView : public QTableView {
  Q_OBJECT

 public:
  explicit RecordGridView(QWidget* parent = nullptr);

  // The selected cells as copied, with their column names first when
  // `withHeader`; empty without a selection.
  QString SelectedCellsText(bool withHeader) const;

  QAction* CopyAction() const { return copy_; }
  QAction* CopyWithHeaderAction() const { return copyWithHeader_; }
  QAction* ViewValueAction() const { return viewValue_; }

 signals:
  // The whole value of the cell at grid `row` and `column` is wanted.
  void valueRequested(int row, int column);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void CopySelection(bool withHeader) const;
  void RequestCurrentValue();

  QAction* copy_;
  QAction* copyWithHeader_;
  QAction* viewValue_;
};

// The find bar below the grid (Ctrl+F): a text, "Previous" and "Next"
// (Shift+Enter and Enter, Shift+F3 and F3), how many cells match, and a
// close button (Escape). Every cell that holds the text is highlighted;
// the one found is selected and scrolled to.
class GridFindBar : public QWidget {
  Q_OBJECT

 public:
  GridFindBar(RecordGridView* grid, RecordGridModel* model, QWidget* parent = nullptr);

  QLineEdit* Text() const { return text_; }
  QLabel* Count() const { return count_; }
  // Opens the bar with its text selected, ready for typing.
  void Open();
  // Closes the bar, takes the highlight away, hands the focus to the grid.
  void Close();
  // Goes to the next (or previous) cell that matches, after (before) the
  // grid's current cell, round the end; false when none matches.
  bool FindNext();
  bool FindPrevious();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool Find(bool forward);
  void TextChanged();
  void ShowCount(int current);

  RecordGridView* grid_;
  RecordGridModel* model_;
  QLineEdit* text_;
  QToolButton* previous_;
  QToolButton* next_;
  QToolButton* close_;
  QLabel* count_;
};

class CTarnStatic : public QWidget {
  Q_OBJECT

 public:
  // A column's width before its rows are in, and the most a column gets
  // from its contents, in pixels (the user can widen it further).
  static constexpr int kColumnWidth = 200;
  static constexpr int kMaxColumnWidth = 400;
  // The strip below the grid that holds the buttons.
  static constexpr int kButtonStripHeight = 35;
  static constexpr int kButtonTopFromBottom = 31;
  static constexpr int kPreviousLeftFromRight = 120;
  static constexpr int kNextLeftFromRight = 65;
  static constexpr int kButtonWidth = 50;
  static constexpr int kButtonHeight = 25;
  // The find bar's height, over the grid's lower edge.
  static constexpr int kFindBarHeight = 34;
  // Both fonts: Arial, 16 pixels; the grid's header is bold.
  static constexpr int kFontPixels = 16;

  explicit CTarnStatic(QWidget* parent = nullptr);

  RecordGridModel& GridModel() { return model_; }
  RecordGridView* Grid() const { return grid_; }
  QPlainTextEdit* TextBox() const { return textBox_; }
  QToolButton* PreviousButton() const { return previous_; }
  QToolButton* NextButton() const { return next_; }
  GridFindBar* FindBar() const { return findBar_; }
  // Ctrl+F: opens the find bar while the grid is shown.
  QAction* FindAction() const { return find_; }

  // Replaces the grid's columns, each kColumnWidth wide until the first
  // rows that come in size them to their contents (at most
  // kMaxColumnWidth).
  void SetColumns(const std::vector<std::string>& captions);
  // Sizes every column to its caption and contents, at most
  // kMaxColumnWidth.
  void FitColumns();

 signals:
  void previousRecords();
  void nextRecords();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void LayOut();

  QFont regularFont_;
  QFont boldFont_;
  RecordGridModel model_;
  RecordGridView* grid_;
  QPlainTextEdit* textBox_;
  QToolButton* previous_;
  QToolButton* next_;
  QLabel* label_;
  GridFindBar* findBar_;
  QAction* find_;
  // The columns are sized to the first rows that come in after SetColumns.
  bool fitPending_ = false;
};

}  // namespace rowmender
