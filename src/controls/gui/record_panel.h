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
// Rows whose record is marked deleted are drawn in grey italics.
class RecordGridModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  using QAbstractTableModel::QAbstractTableModel;

  // Removes every row and column.
  void Clear();
  void DeleteAllRows();
  void SetColumns(const std::vector<std::string>& captions);
  // Appends rows; cells beyond the columns are dropped, missing ones are
  // empty.
  void AppendRows(const std::vector<DecodedRow>& rows);

  std::size_t ColumnCount() const { return captions_.size(); }
  std::size_t RowCount() const { return rows_.size(); }
  std::string Caption(std::size_t column) const;
  std::string Cell(std::size_t row, std::size_t column) const;
  bool RowDeleted(std::size_t row) const;

  // QAbstractTableModel.
  int rowCount(const QModelIndex& parent) const override;
  int columnCount(const QModelIndex& parent) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  struct Row {
    std::vector<QString> cells;
    bool deleted = false;
  };
  std::vector<QString> captions_;
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
  // Width of every grid column, in pixels.
  static constexpr int kColumnWidth = 200;
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

  // Replaces the grid's columns, each kColumnWidth wide.
  void SetColumns(const std::vector<std::string>& captions);

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
};

}  // namespace rowmender
