#include "controls/gui/xhtml_tree.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QHash>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPair>
#include <QPalette>
#include <QPixmap>
#include <QPolygonF>
#include <QStyle>
#include <QToolTip>
#include <algorithm>
#include <utility>

namespace rowmender {

namespace {

quintptr ToInternalId(TreeNodeId node) {
  return static_cast<quintptr>(node);
}

TreeNodeId FromInternalId(quintptr id) {
  return static_cast<TreeNodeId>(id);
}

Qt::CheckState CheckStateOfImage(int stateImage) {
  switch (stateImage % kStateDisabledOffset) {
    case kStateChecked:
      return Qt::Checked;
    case kStateHalfChecked:
      return Qt::PartiallyChecked;
    default:
      return Qt::Unchecked;
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// CheckTreeItemModel

CheckTreeItemModel::CheckTreeItemModel(QObject* parent) : QAbstractItemModel(parent) {}

TreeNodeId CheckTreeItemModel::InsertItem(const std::string& label, int image,
                                          std::int32_t itemData, TreeNodeId parent) {
  if (parent != kNoTreeNode && !tree_.Contains(parent)) return kNoTreeNode;
  const int row = static_cast<int>(tree_.Children(parent).size());
  beginInsertRows(IndexOf(parent), row, row);
  const TreeNodeId node = tree_.InsertItem(label, image, itemData, parent);
  rowOf_[node] = row;
  endInsertRows();
  // The ancestors now count one more descendant; nothing else changed.
  AncestorStatesChanged(parent);
  return node;
}

void CheckTreeItemModel::DeleteAllItems() {
  beginResetModel();
  tree_.DeleteAllItems();
  rowOf_.clear();
  endResetModel();
}

bool CheckTreeItemModel::SetCheck(TreeNodeId node, bool value) {
  const bool reached = tree_.SetCheck(node, value);
  if (reached) CheckStatesChanged(node);
  return reached;
}

bool CheckTreeItemModel::ToggleCheck(TreeNodeId node, bool markHot) {
  const bool reached = tree_.ToggleCheck(node, markHot);
  if (reached) CheckStatesChanged(node);
  return reached;
}

void CheckTreeItemModel::SetItemMark(TreeNodeId node, TreeMark mark, const std::string& reason) {
  if (!tree_.SetItemMark(node, mark, reason)) return;
  const QModelIndex index = IndexOf(node);
  if (index.isValid()) {
    emit dataChanged(index, index,
                     {Qt::DecorationRole, Qt::ToolTipRole, Qt::AccessibleDescriptionRole});
  }
}

void CheckTreeItemModel::SetItemNote(TreeNodeId node, const std::string& note) {
  if (!tree_.SetItemNote(node, note)) return;
  const QModelIndex index = IndexOf(node);
  if (index.isValid()) {
    emit dataChanged(index, index, {Qt::ToolTipRole, Qt::AccessibleDescriptionRole});
  }
}

QIcon CheckTreeItemModel::MarkedIcon(const QIcon& picture, TreeMark mark) {
  if (mark == TreeMark::kNone) return picture;
  // Made once per picture and mark.
  static QHash<QPair<qint64, int>, QIcon> made;
  const QPair<qint64, int> key(picture.cacheKey(), static_cast<int>(mark));
  const auto found = made.constFind(key);
  if (found != made.constEnd()) return *found;
  QIcon icon;
  for (const int size : {16, 32}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    picture.paint(&painter, QRect(0, 0, size, size));
    // The badge: a little over half the picture, in its lower right corner.
    const qreal side = size * 0.6;
    const QRectF badge(size - side, size - side, side, side);
    const qreal rim = size / 16.0;
    painter.setPen(QPen(QColor(0x20, 0x20, 0x20), rim));
    if (mark == TreeMark::kLosses) {
      // An amber triangle with a dark "!".
      painter.setBrush(QColor(0xF5, 0xA6, 0x23));
      const QPolygonF triangle{{badge.center().x(), badge.top() + rim / 2},
                               {badge.right() - rim / 2, badge.bottom() - rim / 2},
                               {badge.left() + rim / 2, badge.bottom() - rim / 2}};
      painter.drawPolygon(triangle);
      painter.setPen(QPen(QColor(0x20, 0x20, 0x20), rim * 1.5, Qt::SolidLine, Qt::RoundCap));
      const qreal x = badge.center().x();
      painter.drawLine(QPointF(x, badge.top() + side * 0.38),
                       QPointF(x, badge.top() + side * 0.66));
      painter.drawPoint(QPointF(x, badge.top() + side * 0.82));
    } else {
      // A red disc with a white bar: nothing could be read.
      painter.setBrush(QColor(0xD3, 0x2F, 0x2F));
      painter.drawEllipse(badge.adjusted(rim / 2, rim / 2, -rim / 2, -rim / 2));
      painter.setPen(QPen(Qt::white, rim * 1.5, Qt::SolidLine, Qt::RoundCap));
      const qreal y = badge.center().y();
      painter.drawLine(QPointF(badge.left() + side * 0.3, y),
                       QPointF(badge.right() - side * 0.3, y));
    }
    painter.end();
    icon.addPixmap(pixmap);
    // Not tinted on a selected row, where the tint would dull the badge.
    icon.addPixmap(pixmap, QIcon::Selected);
  }
  made.insert(key, icon);
  return icon;
}

void CheckTreeItemModel::SetItemEnabled(TreeNodeId node, bool enabled) {
  tree_.SetItemEnabled(node, enabled);
  const QModelIndex index = IndexOf(node);
  if (index.isValid()) emit dataChanged(index, index);
}

QModelIndex CheckTreeItemModel::IndexOf(TreeNodeId node) const {
  if (node == kNoTreeNode || !tree_.Contains(node)) return {};
  const auto found = rowOf_.find(node);
  if (found == rowOf_.end()) return {};
  return createIndex(found->second, 0, ToInternalId(node));
}

TreeNodeId CheckTreeItemModel::NodeOf(const QModelIndex& index) const {
  if (!index.isValid() || index.model() != this) return kNoTreeNode;
  const TreeNodeId node = FromInternalId(index.internalId());
  return tree_.Contains(node) ? node : kNoTreeNode;
}

QModelIndex CheckTreeItemModel::index(int row, int column, const QModelIndex& parent) const {
  if (row < 0 || column != 0) return {};
  if (parent.isValid() && parent.column() != 0) return {};
  const TreeNodeId parentNode = parent.isValid() ? NodeOf(parent) : kNoTreeNode;
  if (parent.isValid() && parentNode == kNoTreeNode) return {};
  const auto& children = tree_.Children(parentNode);
  if (static_cast<std::size_t>(row) >= children.size()) return {};
  return createIndex(row, 0, ToInternalId(children[static_cast<std::size_t>(row)]));
}

QModelIndex CheckTreeItemModel::parent(const QModelIndex& child) const {
  const TreeNodeId node = NodeOf(child);
  if (node == kNoTreeNode) return {};
  return IndexOf(tree_.GetParentItem(node));
}

int CheckTreeItemModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() && parent.column() != 0) return 0;
  const TreeNodeId node = parent.isValid() ? NodeOf(parent) : kNoTreeNode;
  if (parent.isValid() && node == kNoTreeNode) return 0;
  return static_cast<int>(tree_.Children(node).size());
}

int CheckTreeItemModel::columnCount(const QModelIndex& /*parent*/) const {
  return 1;
}

QVariant CheckTreeItemModel::data(const QModelIndex& index, int role) const {
  const TreeNodeId node = NodeOf(index);
  if (node == kNoTreeNode) return {};
  switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
      return QString::fromStdString(tree_.GetItemText(node));
    case Qt::DecorationRole:
      if (imageProvider_) return MarkedIcon(imageProvider_(tree_, node), tree_.GetItemMark(node));
      if (tree_.GetItemMark(node) != TreeMark::kNone) {
        return MarkedIcon(QIcon(), tree_.GetItemMark(node));
      }
      return {};
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole: {
      const std::string tip = tree_.GetItemToolTip(node);
      if (tip.empty()) return {};
      return QString::fromStdString(tip);
    }
    case Qt::CheckStateRole:
      if (!tree_.checkBoxes) return {};
      return CheckStateOfImage(tree_.StateImage(node));
    default:
      return {};
  }
}

Qt::ItemFlags CheckTreeItemModel::flags(const QModelIndex& index) const {
  const CheckTreeModel::Node* node = tree_.Find(NodeOf(index));
  if (node == nullptr) return Qt::NoItemFlags;
  // The checkbox is toggled by the control itself, never by the delegate.
  if (!node->enabled) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void CheckTreeItemModel::CheckStatesChanged(TreeNodeId node) {
  const QList<int> roles{Qt::CheckStateRole};
  // The node and everything below it.
  for (TreeNodeId each : tree_.PreOrder(node)) {
    const auto& children = tree_.Children(each);
    if (children.empty()) continue;
    const QModelIndex first = IndexOf(children.front());
    const QModelIndex last = IndexOf(children.back());
    emit dataChanged(first, last, roles);
  }
  AncestorStatesChanged(node);
}

void CheckTreeItemModel::AncestorStatesChanged(TreeNodeId node) {
  const QList<int> roles{Qt::CheckStateRole};
  // The node itself and every ancestor.
  for (TreeNodeId each = node; each != kNoTreeNode; each = tree_.GetParentItem(each)) {
    const QModelIndex index = IndexOf(each);
    emit dataChanged(index, index, roles);
  }
}

// ---------------------------------------------------------------------------
// CheckTreeDelegate

namespace {

// `weight` of `front` over `back`.
QColor Mixed(const QColor& front, const QColor& back, double weight) {
  const auto mix = [weight](int a, int b) {
    return static_cast<int>(a * weight + b * (1.0 - weight) + 0.5);
  };
  return QColor(mix(front.red(), back.red()), mix(front.green(), back.green()),
                mix(front.blue(), back.blue()));
}

// The frame: this much of the text colour over the box's fill.
constexpr double kCheckFrameWeight = 0.75;
// The half-checked mark: an inner square this far from the frame.
constexpr int kPartialInset = 3;
constexpr double kCheckStrokeWidth = 2.0;

}  // namespace

CheckTreeDelegate::CheckBoxColours CheckTreeDelegate::CheckBoxColoursOf(const QPalette& palette,
                                                                        bool enabled) {
  const QPalette::ColorGroup group = enabled ? QPalette::Active : QPalette::Disabled;
  CheckBoxColours colours;
  colours.fill = palette.color(group, QPalette::Base);
  colours.mark = palette.color(group, QPalette::Text);
  colours.frame = Mixed(colours.mark, colours.fill, kCheckFrameWeight);
  return colours;
}

void CheckTreeDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
  QStyledItemDelegate::paint(painter, option, index);
  QStyleOptionViewItem item = option;
  initStyleOption(&item, index);
  if ((item.features & QStyleOptionViewItem::HasCheckIndicator) == 0) return;
  const QWidget* widget = item.widget;
  const QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
  QRect box = style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &item, widget);
  // A square, whatever the style's indicator.
  const int side = std::min(box.width(), box.height()) - 1;
  if (side < kPartialInset * 3) return;
  box = QRect(box.left() + (box.width() - side) / 2, box.top() + (box.height() - side) / 2, side,
              side);
  const CheckBoxColours colours =
      CheckBoxColoursOf(item.palette, (item.state & QStyle::State_Enabled) != 0);
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing, true);
  painter->setPen(QPen(colours.frame, 1.0));
  painter->setBrush(colours.fill);
  painter->drawRect(QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5));
  if (item.checkState == Qt::Checked) {
    QPen pen(colours.mark, kCheckStrokeWidth);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    const QRectF inner =
        QRectF(box).adjusted(kPartialInset, kPartialInset, -kPartialInset, -kPartialInset);
    const QPointF points[] = {{inner.left(), inner.center().y()},
                              {inner.left() + inner.width() * 0.4, inner.bottom()},
                              {inner.right(), inner.top()}};
    painter->drawPolyline(points, 3);
  } else if (item.checkState == Qt::PartiallyChecked) {
    painter->setPen(Qt::NoPen);
    painter->setBrush(colours.mark);
    painter->drawRect(
        box.adjusted(kPartialInset, kPartialInset, -kPartialInset + 1, -kPartialInset + 1));
  }
  painter->restore();
}

CheckTreeDelegate::Layout CheckTreeDelegate::LayoutOf(QStyleOptionViewItem option,
                                                      const QModelIndex& index) const {
  initStyleOption(&option, index);
  const QWidget* widget = option.widget;
  const QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
  Layout layout;
  if ((option.features & QStyleOptionViewItem::HasCheckIndicator) != 0) {
    layout.checkBox = style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, widget);
  }
  if ((option.features & QStyleOptionViewItem::HasDecoration) != 0) {
    layout.image = style->subElementRect(QStyle::SE_ItemViewItemDecoration, &option, widget);
  }
  layout.text = style->subElementRect(QStyle::SE_ItemViewItemText, &option, widget);
  const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
  layout.labelRight =
      layout.text.left() + margin + QFontMetrics(option.font).horizontalAdvance(option.text);
  return layout;
}

// ---------------------------------------------------------------------------
// CXHtmlTree

CXHtmlTree::CXHtmlTree(QWidget* parent) : QTreeView(parent), delegate_(this) {
  setModel(&model_);
  setItemDelegate(&delegate_);
  setHeaderHidden(true);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setTextElideMode(Qt::ElideRight);
  setAllColumnsShowFocus(true);
  setRootIsDecorated(true);
  setExpandsOnDoubleClick(true);
  setDragEnabled(false);
  setIconSize(QSize(16, 16));
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  connect(this, &QTreeView::expanded, this,
          [this](const QModelIndex& index) { Tree().SetExpanded(model_.NodeOf(index), true); });
  connect(this, &QTreeView::collapsed, this,
          [this](const QModelIndex& index) { Tree().SetExpanded(model_.NodeOf(index), false); });
}

TreeNodeId CXHtmlTree::InsertItem(const std::string& label, int image, std::int32_t itemData,
                                  TreeNodeId parent) {
  return model_.InsertItem(label, image, itemData, parent);
}

void CXHtmlTree::DeleteAllItems() {
  model_.DeleteAllItems();
}

TreeNodeId CXHtmlTree::Selection() const {
  return model_.NodeOf(currentIndex());
}

void CXHtmlTree::SelectItem(TreeNodeId node) {
  const QModelIndex index = model_.IndexOf(node);
  if (!index.isValid()) {
    selectionModel()->clear();
    return;
  }
  selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
  scrollTo(index);
}

void CXHtmlTree::Expand(TreeNodeId node, bool expand) {
  const QModelIndex index = model_.IndexOf(node);
  if (!index.isValid()) return;
  setExpanded(index, expand);
}

bool CXHtmlTree::SetCheck(TreeNodeId node, bool value) {
  return model_.SetCheck(node, value);
}

// ---- Look ----

QColor CXHtmlTree::DimmedBackground(const QColor& window) {
  const auto darker = [](int channel) {
    return channel >= kDimStep ? channel - kDimStep : channel;
  };
  return QColor(darker(window.red()), darker(window.green()), darker(window.blue()));
}

void CXHtmlTree::SetDimmed(bool dimmed) {
  if (dimmed && !dimmed_) {
    // Disabling a widget hands its focus on to the next one (the output
    // pane); it comes back when the selection is done.
    focusBeforeDimming_ = hasFocus();
  }
  dimmed_ = dimmed;
  setEnabled(!dimmed);
  if (!dimmed && focusBeforeDimming_) {
    focusBeforeDimming_ = false;
    setFocus(Qt::OtherFocusReason);
  }
  ApplyColours();
  // Show the new look at once: the owner keeps the event loop busy while
  // the tree is dimmed.
  if (isVisible()) viewport()->repaint();
}

QColor CXHtmlTree::BackgroundColor() const {
  return palette().color(QPalette::Base);
}

QColor CXHtmlTree::TextColor() const {
  return palette().color(QPalette::Text);
}

void CXHtmlTree::ApplyColours() {
  applyingColours_ = true;
  if (!dimmed_) {
    // Back to the colours of the application's look.
    setPalette(QPalette());
  } else {
    const QPalette normal = QApplication::palette(this);
    const QColor background = DimmedBackground(normal.color(QPalette::Active, QPalette::Base));
    const QColor text = normal.color(QPalette::Disabled, QPalette::Text);
    QPalette dim = normal;
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
      dim.setColor(group, QPalette::Base, background);
      dim.setColor(group, QPalette::Text, text);
    }
    setPalette(dim);
  }
  applyingColours_ = false;
}

void CXHtmlTree::changeEvent(QEvent* event) {
  QTreeView::changeEvent(event);
  if (event->type() == QEvent::PaletteChange && dimmed_ && !applyingColours_) ApplyColours();
}

// ---- Hit tests ----

CheckTreeDelegate::Layout CXHtmlTree::LayoutOf(const QModelIndex& index) const {
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  option.rect = visualRect(index);
  return delegate_.LayoutOf(option, index);
}

CXHtmlTree::HitPart CXHtmlTree::HitTest(const QPoint& position, TreeNodeId* node) const {
  if (node != nullptr) *node = kNoTreeNode;
  const QModelIndex index = indexAt(position);
  const TreeNodeId hit = model_.NodeOf(index);
  if (hit == kNoTreeNode) return HitPart::kNothing;
  if (node != nullptr) *node = hit;
  const QRect item = visualRect(index);
  // Left of the item: the indentation and the expand button.
  if (position.x() < item.left()) return HitPart::kButton;
  const CheckTreeDelegate::Layout layout = LayoutOf(index);
  const int imageLeft = layout.image.isValid() ? layout.image.left() : layout.text.left();
  if (layout.checkBox.isValid() && position.x() < imageLeft) return HitPart::kCheckBox;
  if (position.x() < layout.text.left()) return HitPart::kImage;
  // The label and the rest of its row: the tree selects whole rows.
  return HitPart::kLabel;
}

QRect CXHtmlTree::LabelRect(TreeNodeId node) const {
  const QModelIndex index = model_.IndexOf(node);
  if (!index.isValid()) return {};
  return LayoutOf(index).text;
}

QRect CXHtmlTree::CheckBoxRect(TreeNodeId node) const {
  const QModelIndex index = model_.IndexOf(node);
  if (!index.isValid()) return {};
  return LayoutOf(index).checkBox;
}

QString CXHtmlTree::CutToolTipText(const QString& text) {
  const QList<uint> codePoints = text.toUcs4();
  if (codePoints.size() <= kMaxToolTipCharacters) return text;
  const QList<uint> kept = codePoints.first(kMaxToolTipCharacters);
  return QString::fromUcs4(reinterpret_cast<const char32_t*>(kept.constData()), kept.size());
}

QString CXHtmlTree::ToolTipTextAt(const QPoint& position) const {
  TreeNodeId node = kNoTreeNode;
  const HitPart part = HitTest(position, &node);
  if (part == HitPart::kNothing || part == HitPart::kButton) return {};
  const CheckTreeDelegate::Layout layout = LayoutOf(model_.IndexOf(node));
  const bool cutOff = layout.labelRight > viewport()->width() - kCutOffMargin;
  const QString label =
      cutOff ? CutToolTipText(QString::fromStdString(GetItemText(node))) : QString();
  const std::string reason = Tree().GetItemMarkReason(node);
  if (reason.empty()) return label;
  // Rich text, so that a long reason wraps.
  QString text = QStringLiteral("<qt>");
  if (cutOff) text += QStringLiteral("<b>") + label.toHtmlEscaped() + QStringLiteral("</b><br>");
  text += QString::fromStdString(reason).toHtmlEscaped() + QStringLiteral("</qt>");
  return text;
}

// ---- Input ----

void CXHtmlTree::ToggleByUser(TreeNodeId node, bool markHot) {
  if (!model_.ToggleCheck(node, markHot)) return;
  emit checkBoxClicked(node, Tree().GetCheck(node));
}

void CXHtmlTree::mousePressEvent(QMouseEvent* event) {
  TreeNodeId node = kNoTreeNode;
  const HitPart part = HitTest(event->position().toPoint(), &node);
  // Qt handles the expand button and the focus.
  QTreeView::mousePressEvent(event);
  if (node == kNoTreeNode) return;  // no item: the selection stays
  SelectItem(node);
  if (event->button() != Qt::LeftButton) return;
  if (part == HitPart::kCheckBox) {
    ToggleByUser(node, true);
  } else if (part == HitPart::kLabel) {
    emit labelClicked(node);
  }
}

void CXHtmlTree::mouseDoubleClickEvent(QMouseEvent* event) {
  TreeNodeId node = kNoTreeNode;
  const HitPart part = HitTest(event->position().toPoint(), &node);
  if (event->button() == Qt::LeftButton && part == HitPart::kCheckBox) {
    // A quick second press on a checkbox toggles it again.
    ToggleByUser(node, true);
    return;
  }
  QTreeView::mouseDoubleClickEvent(event);
}

void CXHtmlTree::keyPressEvent(QKeyEvent* event) {
  const TreeNodeId selected = Selection();
  switch (event->key()) {
    case Qt::Key_Space:
      if (Tree().checkBoxes && !Tree().readOnly) {
        if (selected != kNoTreeNode) ToggleByUser(selected, false);
        event->accept();
        return;
      }
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (selected != kNoTreeNode) {
        scrollTo(currentIndex());
        emit labelClicked(selected);
      }
      event->accept();
      return;
    default:
      break;
  }
  QTreeView::keyPressEvent(event);
}

bool CXHtmlTree::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    const auto* help = static_cast<QHelpEvent*>(event);
    const QString text = ToolTipTextAt(help->pos());
    if (text.isEmpty()) {
      QToolTip::hideText();
    } else {
      const QRect row = visualRect(indexAt(help->pos()));
      QToolTip::showText(help->globalPos(), text, viewport(), row);
    }
    return true;
  }
  return QTreeView::viewportEvent(event);
}

}  // namespace rowmender
