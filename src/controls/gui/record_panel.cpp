#include "controls/gui/record_panel.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QPalette>
#include <QResizeEvent>
#include <algorithm>
#include <set>

namespace rowmender {

namespace {

QFont PanelFont(int weight) {
  QFont font(QStringLiteral("Arial"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(CTarnStatic::kFontPixels);
  font.setWeight(static_cast<QFont::Weight>(weight));
  return font;
}

constexpr int kRegularWeight = 400;
// Room above and below a grid row's text, in pixels.
constexpr int kRowPadding = 6;
constexpr int kBoldWeight = 700;

// NULL's text: this much of the text colour, the rest the background's.
constexpr double kNullTextWeight = 0.55;
// A deleted row's background: this much of the tint over the background.
const QColor kDeletedTint(214, 64, 64);
constexpr double kDeletedTintWeight = 0.22;

// `weight` of `front` over `back`.
QColor Blend(const QColor& front, const QColor& back, double weight) {
  const auto mix = [weight](int a, int b) {
    return static_cast<int>(a * weight + b * (1.0 - weight) + 0.5);
  };
  return QColor(mix(front.red(), back.red()), mix(front.green(), back.green()),
                mix(front.blue(), back.blue()));
}

}  // namespace

// ---------------------------------------------------------------------------
// RecordGridModel

void RecordGridModel::Clear() {
  beginResetModel();
  captions_.clear();
  numeric_.clear();
  rows_.clear();
  endResetModel();
}

void RecordGridModel::DeleteAllRows() {
  if (rows_.empty()) return;
  beginRemoveRows({}, 0, static_cast<int>(rows_.size()) - 1);
  rows_.clear();
  endRemoveRows();
}

void RecordGridModel::SetColumns(const std::vector<std::string>& captions) {
  beginResetModel();
  captions_.clear();
  captions_.reserve(captions.size());
  for (const std::string& caption : captions)
    captions_.push_back(QString::fromStdString(caption));
  numeric_.assign(captions_.size(), false);
  for (Row& row : rows_) {
    row.cells.resize(captions_.size());
    if (!row.kinds.empty()) row.kinds.resize(captions_.size(), CellKind::kMissing);
  }
  endResetModel();
}

void RecordGridModel::SetNumericColumns(const std::vector<bool>& numeric) {
  for (std::size_t c = 0; c < numeric_.size(); ++c)
    numeric_[c] = c < numeric.size() && numeric[c];
  if (!captions_.empty()) {
    emit headerDataChanged(Qt::Horizontal, 0, static_cast<int>(captions_.size()) - 1);
    if (!rows_.empty()) {
      emit dataChanged(
          index(0, 0),
          index(static_cast<int>(rows_.size()) - 1, static_cast<int>(captions_.size()) - 1),
          {Qt::TextAlignmentRole});
    }
  }
}

void RecordGridModel::AppendRows(const std::vector<DecodedRow>& rows) {
  std::vector<Row> added;
  added.reserve(rows.size());
  for (const DecodedRow& row : rows) {
    // A row without cells adds nothing.
    if (row.values.empty()) continue;
    Row each;
    each.deleted = row.deleted;
    each.cells.reserve(captions_.size());
    for (std::size_t c = 0; c < captions_.size(); ++c) {
      each.cells.push_back(c < row.values.size() ? QString::fromStdString(row.values[c])
                                                 : QString());
    }
    if (!row.kinds.empty()) {
      each.kinds.assign(captions_.size(), CellKind::kMissing);
      for (std::size_t c = 0; c < captions_.size() && c < row.kinds.size(); ++c)
        each.kinds[c] = row.kinds[c];
    }
    added.push_back(std::move(each));
  }
  if (added.empty()) return;
  const int first = static_cast<int>(rows_.size());
  beginInsertRows({}, first, first + static_cast<int>(added.size()) - 1);
  for (Row& row : added)
    rows_.push_back(std::move(row));
  endInsertRows();
}

std::string RecordGridModel::Caption(std::size_t column) const {
  return column < captions_.size() ? captions_[column].toStdString() : std::string();
}

std::string RecordGridModel::Cell(std::size_t row, std::size_t column) const {
  if (row >= rows_.size() || column >= rows_[row].cells.size()) return {};
  return rows_[row].cells[column].toStdString();
}

bool RecordGridModel::RowDeleted(std::size_t row) const {
  return row < rows_.size() && rows_[row].deleted;
}

bool RecordGridModel::ColumnIsNumeric(std::size_t column) const {
  return column < numeric_.size() && numeric_[column];
}

bool RecordGridModel::CellIsNull(std::size_t row, std::size_t column) const {
  const Row* found = RowAt(row, column);
  return found != nullptr && column < found->kinds.size() &&
         found->kinds[column] == CellKind::kNull;
}

const RecordGridModel::Row* RecordGridModel::RowAt(std::size_t row, std::size_t column) const {
  if (row >= rows_.size() || column >= rows_[row].cells.size()) return nullptr;
  return &rows_[row];
}

QColor RecordGridModel::NullTextColour(const QPalette& palette) {
  return Blend(palette.color(QPalette::Active, QPalette::Text),
               palette.color(QPalette::Active, QPalette::Base), kNullTextWeight);
}

QColor RecordGridModel::DeletedRowBackground(const QPalette& palette) {
  return Blend(kDeletedTint, palette.color(QPalette::Active, QPalette::Base), kDeletedTintWeight);
}

int RecordGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int RecordGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(captions_.size());
}

QVariant RecordGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const auto row = static_cast<std::size_t>(index.row());
  const auto column = static_cast<std::size_t>(index.column());
  const Row* found = RowAt(row, column);
  if (found == nullptr) return {};
  const bool null = CellIsNull(row, column);
  switch (role) {
    case Qt::DisplayRole:
      return found->cells[column];
    case Qt::ToolTipRole:
      if (found->deleted) {
        return QStringLiteral("Deleted record: ") + found->cells[column];
      }
      return found->cells[column];
    case Qt::ForegroundRole:
      if (null) return NullTextColour(QApplication::palette());
      return {};
    case Qt::BackgroundRole:
      if (found->deleted) return DeletedRowBackground(QApplication::palette());
      return {};
    case Qt::FontRole:
      if (null) {
        QFont font;
        font.setItalic(true);
        return font;
      }
      return {};
    case Qt::TextAlignmentRole:
      return QVariant::fromValue((ColumnIsNumeric(column) ? Qt::AlignRight : Qt::AlignLeft) |
                                 Qt::AlignVCenter);
    default:
      return {};
  }
}

QVariant RecordGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 ||
      static_cast<std::size_t>(section) >= captions_.size()) {
    return QAbstractTableModel::headerData(section, orientation, role);
  }
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      return captions_[static_cast<std::size_t>(section)];
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(
          (ColumnIsNumeric(static_cast<std::size_t>(section)) ? Qt::AlignRight : Qt::AlignLeft) |
          Qt::AlignVCenter);
    default:
      return {};
  }
}

Qt::ItemFlags RecordGridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

// ---------------------------------------------------------------------------
// RecordGridView

RecordGridView::RecordGridView(QWidget* parent) : QTableView(parent) {
  setShowGrid(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setWordWrap(false);
  setTextElideMode(Qt::ElideRight);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  // One line of text per row, as in a report list.
  verticalHeader()->setMinimumSectionSize(1);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + kRowPadding);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  horizontalHeader()->setStretchLastSection(false);
  horizontalHeader()->setHighlightSections(false);
}

QString RecordGridView::SelectedRowsText() const {
  std::set<int> rows;
  for (const QModelIndex& index : selectionModel()->selectedIndexes())
    rows.insert(index.row());
  QString text;
  const int columns = model()->columnCount();
  for (const int row : rows) {
    for (int column = 0; column < columns; ++column) {
      if (column > 0) text += QLatin1Char('\t');
      text += model()->index(row, column).data().toString();
    }
    text += QLatin1Char('\n');
  }
  return text;
}

void RecordGridView::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    QApplication::clipboard()->setText(SelectedRowsText());
    event->accept();
    return;
  }
  QTableView::keyPressEvent(event);
}

// ---------------------------------------------------------------------------
// CTarnStatic

CTarnStatic::CTarnStatic(QWidget* parent)
    : QWidget(parent),
      regularFont_(PanelFont(kRegularWeight)),
      boldFont_(PanelFont(kBoldWeight)),
      grid_(new RecordGridView(this)),
      textBox_(new QPlainTextEdit(this)),
      previous_(new QToolButton(this)),
      next_(new QToolButton(this)),
      label_(new QLabel(this)) {
  setObjectName(QStringLiteral("recordPanel"));

  grid_->setObjectName(QStringLiteral("recordGrid"));
  grid_->setModel(&model_);
  grid_->horizontalHeader()->setFont(boldFont_);
  grid_->horizontalHeader()->setDefaultSectionSize(kColumnWidth);
  connect(&model_, &QAbstractItemModel::rowsInserted, this, [this] {
    if (!fitPending_) return;
    fitPending_ = false;
    FitColumns();
  });

  textBox_->setObjectName(QStringLiteral("statementText"));
  textBox_->setReadOnly(true);
  textBox_->setFrameShape(QFrame::NoFrame);
  textBox_->setLineWrapMode(QPlainTextEdit::NoWrap);
  textBox_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  textBox_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  textBox_->setFont(regularFont_);
  textBox_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

  const auto setUpButton = [this](QToolButton* button, const char* name, const char* image,
                                  const char* tip) {
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(QIcon(QString::fromLatin1(image)));
    button->setIconSize(QSize(kButtonWidth - 18, kButtonHeight - 7));
    button->setToolTip(QString::fromLatin1(tip));
    button->setAccessibleName(QString::fromLatin1(tip));
    button->setFont(regularFont_);
    button->setAutoRaise(false);
    button->setFocusPolicy(Qt::TabFocus);
  };
  setUpButton(previous_, "previousRecords", ":/rowmender/images/page-previous.png",
              "Previous Records");
  setUpButton(next_, "nextRecords", ":/rowmender/images/page-next.png", "Next Records");
  connect(previous_, &QToolButton::clicked, this, &CTarnStatic::previousRecords);
  connect(next_, &QToolButton::clicked, this, &CTarnStatic::nextRecords);

  label_->setFont(regularFont_);

  // A fresh panel shows only the text box.
  grid_->hide();
  label_->hide();
  previous_->hide();
  next_->hide();
  textBox_->show();
  LayOut();
}

void CTarnStatic::SetColumns(const std::vector<std::string>& captions) {
  model_.SetColumns(captions);
  for (int column = 0; column < static_cast<int>(captions.size()); ++column) {
    grid_->setColumnWidth(column, kColumnWidth);
  }
  fitPending_ = true;
}

void CTarnStatic::FitColumns() {
  // Every row of the page counts, not only those in view.
  grid_->horizontalHeader()->setResizeContentsPrecision(-1);
  for (int column = 0; column < model_.columnCount({}); ++column) {
    grid_->resizeColumnToContents(column);
    if (grid_->columnWidth(column) > kMaxColumnWidth)
      grid_->setColumnWidth(column, kMaxColumnWidth);
  }
}

void CTarnStatic::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayOut();
}

void CTarnStatic::LayOut() {
  const int w = width();
  const int h = height();
  textBox_->setGeometry(0, 0, w, h);
  grid_->setGeometry(0, 0, w, std::max(0, h - kButtonStripHeight));
  previous_->setGeometry(w - kPreviousLeftFromRight, h - kButtonTopFromBottom, kButtonWidth,
                         kButtonHeight);
  next_->setGeometry(w - kNextLeftFromRight, h - kButtonTopFromBottom, kButtonWidth, kButtonHeight);
}

}  // namespace rowmender
