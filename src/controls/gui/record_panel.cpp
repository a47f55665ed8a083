#include "controls/gui/record_panel.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
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
// A cell the find bar matches: this much of the tint over the background.
const QColor kMatchTint(255, 200, 0);
constexpr double kMatchTintWeight = 0.45;

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
  sortColumn_ = -1;
  endResetModel();
}

void RecordGridModel::DeleteAllRows() {
  sortColumn_ = -1;
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
  sortColumn_ = -1;
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
    each.pageRow = rows_.size() + added.size();
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

std::size_t RecordGridModel::PageRow(std::size_t row) const {
  return row < rows_.size() ? rows_[row].pageRow : row;
}

void RecordGridModel::SetHighlight(const QString& text) {
  if (text == highlight_) return;
  highlight_ = text;
  if (!rows_.empty() && !captions_.empty()) {
    emit dataChanged(
        index(0, 0),
        index(static_cast<int>(rows_.size()) - 1, static_cast<int>(captions_.size()) - 1),
        {Qt::BackgroundRole});
  }
}

bool RecordGridModel::CellMatches(std::size_t row, std::size_t column, const QString& text) const {
  const Row* found = RowAt(row, column);
  if (found == nullptr || text.isEmpty() || CellIsNull(row, column)) return false;
  return found->cells[column].contains(text, Qt::CaseInsensitive);
}

QColor RecordGridModel::HighlightBackground(const QPalette& palette) {
  return Blend(kMatchTint, palette.color(QPalette::Active, QPalette::Base), kMatchTintWeight);
}

namespace {

// A number's text taken apart: its sign, its integer digits without
// leading zeros and its fraction digits without trailing zeros.
struct NumberParts {
  bool negative = false;
  QStringView integer;
  QStringView fraction;
};

bool SplitNumber(QStringView text, NumberParts& parts) {
  text = text.trimmed();
  qsizetype at = 0;
  if (at < text.size() && (text[at] == u'-' || text[at] == u'+')) {
    parts.negative = text[at] == u'-';
    ++at;
  }
  const qsizetype integerStart = at;
  while (at < text.size() && text[at].isDigit())
    ++at;
  qsizetype integerEnd = at;
  qsizetype fractionStart = at;
  qsizetype fractionEnd = at;
  if (at < text.size() && text[at] == u'.') {
    fractionStart = ++at;
    while (at < text.size() && text[at].isDigit())
      ++at;
    fractionEnd = at;
  }
  if (at != text.size() || (integerEnd == integerStart && fractionEnd == fractionStart)) {
    return false;
  }
  qsizetype first = integerStart;
  while (first < integerEnd && text[first] == u'0')
    ++first;
  while (fractionEnd > fractionStart && text[fractionEnd - 1] == u'0')
    --fractionEnd;
  parts.integer = text.sliced(first, integerEnd - first);
  parts.fraction = text.sliced(fractionStart, fractionEnd - fractionStart);
  // Minus zero is zero.
  if (parts.integer.isEmpty() && parts.fraction.isEmpty()) parts.negative = false;
  return true;
}

int Sign(int value) {
  return (value > 0) - (value < 0);
}

int CompareMagnitudes(const NumberParts& a, const NumberParts& b) {
  if (a.integer.size() != b.integer.size()) return a.integer.size() < b.integer.size() ? -1 : 1;
  const int integer = Sign(a.integer.compare(b.integer));
  if (integer != 0) return integer;
  return Sign(a.fraction.compare(b.fraction));
}

}  // namespace

int RecordGridModel::CompareNumberTexts(const QString& a, const QString& b) {
  NumberParts x;
  NumberParts y;
  const bool xNumber = SplitNumber(a, x);
  const bool yNumber = SplitNumber(b, y);
  if (!xNumber || !yNumber) {
    if (xNumber != yNumber) return xNumber ? -1 : 1;
    return Sign(a.compare(b));
  }
  if (x.negative != y.negative) return x.negative ? -1 : 1;
  const int magnitude = CompareMagnitudes(x, y);
  return x.negative ? -magnitude : magnitude;
}

void RecordGridModel::sort(int column, Qt::SortOrder order) {
  const bool byPage = column < 0 || static_cast<std::size_t>(column) >= captions_.size();
  if (byPage && sortColumn_ < 0) return;
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const QModelIndexList before = persistentIndexList();
  std::vector<std::size_t> pageRowsBefore;
  pageRowsBefore.reserve(static_cast<std::size_t>(before.size()));
  for (const QModelIndex& index : before)
    pageRowsBefore.push_back(rows_[static_cast<std::size_t>(index.row())].pageRow);

  if (byPage) {
    sortColumn_ = -1;
    std::sort(rows_.begin(), rows_.end(),
              [](const Row& a, const Row& b) { return a.pageRow < b.pageRow; });
  } else {
    sortColumn_ = column;
    const auto c = static_cast<std::size_t>(column);
    const bool numbers = ColumnIsNumeric(c);
    // Cells without a value (NULL, or none read) come before every value.
    const auto hasValue = [c](const Row& row) {
      const CellKind kind = c < row.kinds.size() ? row.kinds[c] : CellKind::kText;
      return kind != CellKind::kNull && kind != CellKind::kMissing;
    };
    const auto compare = [&](const Row& a, const Row& b) {
      const bool x = hasValue(a);
      const bool y = hasValue(b);
      if (!x || !y) return static_cast<int>(x) - static_cast<int>(y);
      if (numbers) return CompareNumberTexts(a.cells[c], b.cells[c]);
      return a.cells[c].compare(b.cells[c], Qt::CaseInsensitive);
    };
    if (order == Qt::AscendingOrder) {
      std::stable_sort(rows_.begin(), rows_.end(),
                       [&](const Row& a, const Row& b) { return compare(a, b) < 0; });
    } else {
      std::stable_sort(rows_.begin(), rows_.end(),
                       [&](const Row& a, const Row& b) { return compare(a, b) > 0; });
    }
  }

  std::vector<int> rowOfPageRow(rows_.size());
  for (std::size_t r = 0; r < rows_.size(); ++r)
    if (rows_[r].pageRow < rowOfPageRow.size())
      rowOfPageRow[rows_[r].pageRow] = static_cast<int>(r);
  QModelIndexList after;
  after.reserve(before.size());
  for (qsizetype i = 0; i < before.size(); ++i) {
    const std::size_t pageRow = pageRowsBefore[static_cast<std::size_t>(i)];
    after.push_back(pageRow < rowOfPageRow.size() ? index(rowOfPageRow[pageRow], before[i].column())
                                                  : QModelIndex());
  }
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
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
      if (CellMatches(row, column, highlight_)) return HighlightBackground(QApplication::palette());
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

RecordGridView::RecordGridView(QWidget* parent)
    : QTableView(parent),
      copy_(new QAction(QStringLiteral("Copy"), this)),
      copyWithHeader_(new QAction(QStringLiteral("Copy with header"), this)),
      viewValue_(new QAction(QStringLiteral("View value..."), this)) {
  setShowGrid(true);
  setSelectionBehavior(QAbstractItemView::SelectItems);
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
  // Unsorted until a caption is clicked; a third click goes back to the
  // page order.
  horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  horizontalHeader()->setSortIndicatorClearable(true);
  setSortingEnabled(true);

  copy_->setShortcut(QKeySequence::Copy);
  viewValue_->setShortcut(QKeySequence(Qt::Key_Return));
  connect(copy_, &QAction::triggered, this, [this] { CopySelection(false); });
  connect(copyWithHeader_, &QAction::triggered, this, [this] { CopySelection(true); });
  connect(viewValue_, &QAction::triggered, this, [this] { RequestCurrentValue(); });
  connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
    if (index.isValid()) emit valueRequested(index.row(), index.column());
  });
}

namespace {

// A field as copied: in double quotes (doubled inside) where it holds a
// tab, a line break or a double quote.
QString CopiedField(const QString& text) {
  if (!text.contains(QLatin1Char('\t')) && !text.contains(QLatin1Char('\n')) &&
      !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('"'))) {
    return text;
  }
  QString quoted = text;
  quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
  return QLatin1Char('"') + quoted + QLatin1Char('"');
}

}  // namespace

QString RecordGridView::SelectedCellsText(bool withHeader) const {
  if (model() == nullptr || selectionModel() == nullptr) return {};
  const QModelIndexList selected = selectionModel()->selectedIndexes();
  if (selected.isEmpty()) return {};
  std::set<int> rows;
  std::set<int> columns;
  for (const QModelIndex& index : selected) {
    rows.insert(index.row());
    columns.insert(index.column());
  }
  // Columns in the order they are shown.
  std::vector<int> shown(columns.begin(), columns.end());
  std::sort(shown.begin(), shown.end(), [this](int a, int b) {
    return horizontalHeader()->visualIndex(a) < horizontalHeader()->visualIndex(b);
  });
  QString text;
  const auto addLine = [&text](const QStringList& fields) {
    text += fields.join(QLatin1Char('\t'));
    text += QLatin1Char('\n');
  };
  if (withHeader) {
    QStringList fields;
    for (const int column : shown)
      fields << CopiedField(model()->headerData(column, Qt::Horizontal).toString());
    addLine(fields);
  }
  for (const int row : rows) {
    QStringList fields;
    for (const int column : shown) {
      const QModelIndex index = model()->index(row, column);
      fields << (selectionModel()->isSelected(index) ? CopiedField(index.data().toString())
                                                     : QString());
    }
    addLine(fields);
  }
  return text;
}

void RecordGridView::CopySelection(bool withHeader) const {
  const QString text = SelectedCellsText(withHeader);
  if (!text.isEmpty()) QApplication::clipboard()->setText(text);
}

void RecordGridView::RequestCurrentValue() {
  const QModelIndex index = currentIndex();
  if (index.isValid()) emit valueRequested(index.row(), index.column());
}

void RecordGridView::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    CopySelection(false);
    event->accept();
    return;
  }
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    RequestCurrentValue();
    event->accept();
    return;
  }
  QTableView::keyPressEvent(event);
}

void RecordGridView::contextMenuEvent(QContextMenuEvent* event) {
  const bool selection = selectionModel() != nullptr && selectionModel()->hasSelection();
  copy_->setEnabled(selection);
  copyWithHeader_->setEnabled(selection);
  viewValue_->setEnabled(currentIndex().isValid());
  QMenu menu(this);
  menu.addAction(copy_);
  menu.addAction(copyWithHeader_);
  menu.addSeparator();
  menu.addAction(viewValue_);
  const QList<QAction*> panelActions =
      parentWidget() != nullptr ? parentWidget()->actions() : QList<QAction*>();
  if (!panelActions.isEmpty()) {
    menu.addSeparator();
    menu.addActions(panelActions);
  }
  menu.exec(event->globalPos());
}

// ---------------------------------------------------------------------------
// GridFindBar

GridFindBar::GridFindBar(RecordGridView* grid, RecordGridModel* model, QWidget* parent)
    : QWidget(parent),
      grid_(grid),
      model_(model),
      text_(new QLineEdit(this)),
      previous_(new QToolButton(this)),
      next_(new QToolButton(this)),
      close_(new QToolButton(this)),
      count_(new QLabel(this)) {
  setObjectName(QStringLiteral("findBar"));
  setAutoFillBackground(true);
  text_->setObjectName(QStringLiteral("findText"));
  text_->setPlaceholderText(QStringLiteral("Find in the records on screen"));
  text_->setClearButtonEnabled(true);
  text_->installEventFilter(this);
  previous_->setObjectName(QStringLiteral("findPrevious"));
  previous_->setText(QStringLiteral("Previous"));
  previous_->setToolTip(QStringLiteral("Previous match (Shift+Enter, Shift+F3)"));
  next_->setObjectName(QStringLiteral("findNext"));
  next_->setText(QStringLiteral("Next"));
  next_->setToolTip(QStringLiteral("Next match (Enter, F3)"));
  close_->setObjectName(QStringLiteral("findClose"));
  close_->setText(QStringLiteral("\u2715"));
  close_->setToolTip(QStringLiteral("Close (Escape)"));
  count_->setObjectName(QStringLiteral("findCount"));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(4, 2, 4, 2);
  layout->addWidget(new QLabel(QStringLiteral("Find:"), this));
  layout->addWidget(text_, 1);
  layout->addWidget(previous_);
  layout->addWidget(next_);
  layout->addWidget(count_);
  layout->addWidget(close_);
  connect(text_, &QLineEdit::textChanged, this, [this] { TextChanged(); });
  connect(previous_, &QToolButton::clicked, this, [this] { FindPrevious(); });
  connect(next_, &QToolButton::clicked, this, [this] { FindNext(); });
  connect(close_, &QToolButton::clicked, this, [this] { Close(); });
  hide();
}

void GridFindBar::Open() {
  show();
  raise();
  text_->setFocus(Qt::ShortcutFocusReason);
  text_->selectAll();
  model_->SetHighlight(text_->text());
}

void GridFindBar::Close() {
  model_->SetHighlight({});
  hide();
  grid_->setFocus(Qt::OtherFocusReason);
}

bool GridFindBar::FindNext() {
  return Find(true);
}

bool GridFindBar::FindPrevious() {
  return Find(false);
}

bool GridFindBar::Find(bool forward) {
  const QString text = text_->text();
  const int rows = model_->rowCount({});
  const int columns = model_->columnCount({});
  const int cells = rows * columns;
  if (text.isEmpty() || cells == 0) {
    ShowCount(-1);
    return false;
  }
  // Cells in reading order: row by row, columns as shown.
  std::vector<int> shown(static_cast<std::size_t>(columns));
  for (int visual = 0; visual < columns; ++visual)
    shown[static_cast<std::size_t>(visual)] = grid_->horizontalHeader()->logicalIndex(visual);
  const QModelIndex current = grid_->currentIndex();
  int at = forward ? -1 : cells;
  if (current.isValid()) {
    at = current.row() * columns + grid_->horizontalHeader()->visualIndex(current.column());
  }
  for (int step = 1; step <= cells; ++step) {
    const int position = ((at + (forward ? step : -step)) % cells + cells) % cells;
    const int row = position / columns;
    const int column = shown[static_cast<std::size_t>(position % columns)];
    if (!model_->CellMatches(static_cast<std::size_t>(row), static_cast<std::size_t>(column),
                             text)) {
      continue;
    }
    const QModelIndex found = model_->index(row, column);
    grid_->selectionModel()->setCurrentIndex(found, QItemSelectionModel::ClearAndSelect);
    grid_->scrollTo(found);
    ShowCount(position);
    return true;
  }
  ShowCount(-1);
  return false;
}

void GridFindBar::ShowCount(int current) {
  const QString text = text_->text();
  const int rows = model_->rowCount({});
  const int columns = model_->columnCount({});
  int matches = 0;
  int before = 0;
  for (int row = 0; row < rows; ++row) {
    for (int visual = 0; visual < columns; ++visual) {
      const int column = grid_->horizontalHeader()->logicalIndex(visual);
      if (!model_->CellMatches(static_cast<std::size_t>(row), static_cast<std::size_t>(column),
                               text)) {
        continue;
      }
      ++matches;
      if (row * columns + visual <= current) ++before;
    }
  }
  if (text.isEmpty()) {
    count_->clear();
  } else if (matches == 0) {
    count_->setText(QStringLiteral("Not found"));
  } else if (current < 0) {
    count_->setText(QStringLiteral("%1 found").arg(matches));
  } else {
    count_->setText(QStringLiteral("%1 of %2").arg(before).arg(matches));
  }
}

void GridFindBar::TextChanged() {
  model_->SetHighlight(text_->text());
  // The first match from the top as the text is typed.
  grid_->selectionModel()->clearCurrentIndex();
  if (!FindNext()) grid_->clearSelection();
}

bool GridFindBar::eventFilter(QObject* watched, QEvent* event) {
  if (watched == text_) {
    if (event->type() == QEvent::ShortcutOverride) {
      // Escape, Enter and F3 belong to the bar while its text has the focus.
      const auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Escape || key->key() == Qt::Key_Return ||
          key->key() == Qt::Key_Enter || key->key() == Qt::Key_F3) {
        event->accept();
        return true;
      }
    } else if (event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<QKeyEvent*>(event);
      const bool back = (key->modifiers() & Qt::ShiftModifier) != 0;
      switch (key->key()) {
        case Qt::Key_Escape:
          Close();
          return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_F3:
          Find(!back);
          return true;
        default:
          break;
      }
    }
  }
  return QWidget::eventFilter(watched, event);
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
      label_(new QLabel(this)),
      findBar_(new GridFindBar(grid_, &model_, this)),
      find_(new QAction(QStringLiteral("Find..."), this)) {
  setObjectName(QStringLiteral("recordPanel"));
  find_->setObjectName(QStringLiteral("findAction"));
  find_->setShortcut(QKeySequence::Find);
  find_->setShortcutContext(Qt::WindowShortcut);
  addAction(find_);
  connect(find_, &QAction::triggered, this, [this] {
    if (!grid_->isHidden()) findBar_->Open();
  });

  grid_->setObjectName(QStringLiteral("recordGrid"));
  grid_->setModel(&model_);
  grid_->horizontalHeader()->setFont(boldFont_);
  grid_->horizontalHeader()->setDefaultSectionSize(kColumnWidth);
  connect(&model_, &QAbstractItemModel::rowsInserted, this, [this] {
    // A page that comes in under a sorted column is sorted as well.
    const QHeaderView* header = grid_->horizontalHeader();
    if (header->sortIndicatorSection() >= 0) {
      model_.sort(header->sortIndicatorSection(), header->sortIndicatorOrder());
    }
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
  grid_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
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
  const int gridHeight = std::max(0, h - kButtonStripHeight);
  grid_->setGeometry(0, 0, w, gridHeight);
  findBar_->setGeometry(0, std::max(0, gridHeight - kFindBarHeight), w, kFindBarHeight);
  previous_->setGeometry(w - kPreviousLeftFromRight, h - kButtonTopFromBottom, kButtonWidth,
                         kButtonHeight);
  next_->setGeometry(w - kNextLeftFromRight, h - kButtonTopFromBottom, kButtonWidth, kButtonHeight);
}

}  // namespace rowmender
