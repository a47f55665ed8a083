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
#include <QFont>
#include <QLabel>
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

  // The colours a cell is drawn with, from the application's palette.
  static QColor NullTextColour(const QPalette& palette);
  static QColor DeletedRowBackground(const QPalette& palette);

  // QAbstractTableModel.
  int rowCount(const QModelIndex& parent) const override;
  int columnCount(const QModelIndex& parent) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  struct Row {
    std::vector<QString> cells;
    // What each cell's value is (empty: plain texts).
    std::vector<CellKind> kinds;
    bool deleted = false;
  };
  const Row* RowAt(std::size_t row, std::size_t column) const;

  std::vector<QString> captions_;
  std::vector<bool> numeric_;
  std::vector<Row> rows_;
};

// The record grid: a report view with grid lines and whole-row selection;
// Ctrl+C copies the selected rows as tab-separated text.
class RecordGridView : public QTableView {
  Q_OBJECT

 public:
  explicit RecordGridView(QWidget* parent = nullptr);

  // The selected rows, cells separated by tabs, one line per row.
  QString SelectedRowsText() const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
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
  // Both fonts: Arial, 16 pixels; the grid's header is bold.
  static constexpr int kFontPixels = 16;

  explicit CTarnStatic(QWidget* parent = nullptr);

  RecordGridModel& GridModel() { return model_; }
  RecordGridView* Grid() const { return grid_; }
  QPlainTextEdit* TextBox() const { return textBox_; }
  QToolButton* PreviousButton() const { return previous_; }
  QToolButton* NextButton() const { return next_; }

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
  // The columns are sized to the first rows that come in after SetColumns.
  bool fitPending_ = false;
};

}  // namespace rowmender
