// The checkbox tree control of the catalogue pane, on Qt's item views.
//
// `CXHtmlTree` shows a CheckTreeModel (the plain three-state check logic):
// every node has a checkbox, a parent is checked when all its descendants
// are, unchecked when none is and half-checked otherwise. The control adds
// the ways a user reaches that logic and one report to its owner:
//
//  - a press on a node's label selects the node and emits labelClicked
//    exactly once (the owner loads the node's preview);
//  - a press on the checkbox toggles the check and selects the node, but
//    reports nothing; presses on the image or the expand button select
//    only;
//  - the space key toggles the check of the selected node; Enter and Return
//    report the selected node as a label press does;
//  - a label cut off at the right edge gets a tooltip with at most 78
//    characters of it;
//  - a marked node (a table read with losses, or one that cannot be read)
//    shows a badge over its picture, amber or red with a dark rim so that
//    it shows on light and dark backgrounds alike, and its tooltip says
//    why;
//  - SetDimmed disables the tree and draws it in dimmed colours while the
//    owner works on a selection; a tree that had the keyboard focus gets
//    it back afterwards, so that the arrow keys, Enter and Space go on
//    acting on the tree after a click or Enter.
//
// The pictures of the nodes come from an image provider (an image index and
// the node's place in the tree decide the picture); the owner installs one.
#pragma once

#include <QAbstractItemModel>
#include <QColor>
#include <QIcon>
#include <QString>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "controls/check_tree_model.h"

namespace rowmender {

// Qt's item model over a CheckTreeModel. Rows are the children of a node in
// insertion order; the check state is the model's three-state image.
class CheckTreeItemModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  using ImageProvider = std::function<QIcon(const CheckTreeModel&, TreeNodeId)>;

  explicit CheckTreeItemModel(QObject* parent = nullptr);

  CheckTreeModel& Tree() { return tree_; }
  const CheckTreeModel& Tree() const { return tree_; }

  void SetImageProvider(ImageProvider provider) { imageProvider_ = std::move(provider); }

  // The tree operations, with the view told what changed.
  TreeNodeId InsertItem(const std::string& label, int image, std::int32_t itemData,
                        TreeNodeId parent);
  void DeleteAllItems();
  bool SetCheck(TreeNodeId node, bool value);
  bool ToggleCheck(TreeNodeId node, bool markHot);
  void SetItemEnabled(TreeNodeId node, bool enabled);
  void SetItemMark(TreeNodeId node, TreeMark mark, const std::string& reason);
  void SetItemNote(TreeNodeId node, const std::string& note);

  // `picture` with the badge of `mark` over its lower right corner
  // (`picture` itself for TreeMark::kNone).
  static QIcon MarkedIcon(const QIcon& picture, TreeMark mark);

  QModelIndex IndexOf(TreeNodeId node) const;
  TreeNodeId NodeOf(const QModelIndex& index) const;

  // QAbstractItemModel.
  QModelIndex index(int row, int column, const QModelIndex& parent) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent) const override;
  int columnCount(const QModelIndex& parent) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  // Tells the view that the check states of `node`, its descendants and its
  // ancestors may have changed.
  void CheckStatesChanged(TreeNodeId node);
  // ... of `node` and its ancestors only.
  void AncestorStatesChanged(TreeNodeId node);

  CheckTreeModel tree_;
  // Position of every node among its siblings (nodes are only appended).
  std::unordered_map<TreeNodeId, int> rowOf_;
  ImageProvider imageProvider_;
};

// Lays out one row the way the view draws it, for hit tests.
class CheckTreeDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  // The checkbox is drawn by the delegate itself, in colours taken from
  // the palette so that it shows in every look (a style's own box can
  // all but vanish on a dark background).
  struct CheckBoxColours {
    QColor frame;
    QColor fill;
    QColor mark;
  };
  static CheckBoxColours CheckBoxColoursOf(const QPalette& palette, bool enabled);

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

  struct Layout {
    QRect checkBox;
    QRect image;
    QRect text;
    // Right edge of the label text as drawn, uncut.
    int labelRight = 0;
  };
  Layout LayoutOf(QStyleOptionViewItem option, const QModelIndex& index) const;
};

class CXHtmlTree : public QTreeView {
  Q_OBJECT

 public:
  // Where a press landed.
  enum class HitPart { kNothing, kButton, kCheckBox, kImage, kLabel };

  // The longest tooltip text, in characters.
  static constexpr int kMaxToolTipCharacters = 78;
  // A label whose right edge lies beyond the client width less this many
  // pixels counts as cut off.
  static constexpr int kCutOffMargin = 3;
  // How much darker each colour channel of the background gets while the
  // tree is dimmed.
  static constexpr int kDimStep = 10;

  explicit CXHtmlTree(QWidget* parent = nullptr);

  CheckTreeItemModel& ItemModel() { return model_; }
  const CheckTreeModel& Tree() const { return model_.Tree(); }
  CheckTreeModel& Tree() { return model_.Tree(); }

  // ---- Tree operations ----

  TreeNodeId InsertItem(const std::string& label, int image, std::int32_t itemData,
                        TreeNodeId parent);
  void DeleteAllItems();
  TreeNodeId Selection() const;
  // Makes `node` the selection and scrolls it into view; kNoTreeNode clears
  // the selection.
  void SelectItem(TreeNodeId node);
  void Expand(TreeNodeId node, bool expand = true);
  bool SetCheck(TreeNodeId node, bool value);
  bool GetCheck(TreeNodeId node) const { return Tree().GetCheck(node); }
  std::size_t GetCheckedCount() const { return Tree().GetCheckedCount(); }
  std::string GetItemText(TreeNodeId node) const { return Tree().GetItemText(node); }

  // ---- Look ----

  // true: refuses input and draws its background a little darker and its
  // text in the grey-text colour; false: back to the normal colours.
  void SetDimmed(bool dimmed);
  bool IsDimmed() const { return dimmed_; }
  QColor BackgroundColor() const;
  QColor TextColor() const;
  // The colours of the dimmed look, from the normal window and grey-text
  // colours.
  static QColor DimmedBackground(const QColor& window);

  // ---- Hit tests (viewport coordinates) ----

  HitPart HitTest(const QPoint& position, TreeNodeId* node = nullptr) const;
  // The tooltip for `position`: the label of the node under it, cut to
  // kMaxToolTipCharacters, when that label is cut off at the right edge;
  // for a marked node why it is marked (after the label when that is cut
  // off), as rich text that wraps; empty otherwise.
  QString ToolTipTextAt(const QPoint& position) const;
  // The rectangle of a node's label text, in viewport coordinates.
  QRect LabelRect(TreeNodeId node) const;
  QRect CheckBoxRect(TreeNodeId node) const;

  // `text` cut to its first kMaxToolTipCharacters characters (code points).
  static QString CutToolTipText(const QString& text);

 signals:
  // A press on the label of `node`, after the tree selected it.
  void labelClicked(qint64 node);
  // The check of `node` was set by the user (checkbox or space key).
  void checkBoxClicked(qint64 node, bool checked);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  CheckTreeDelegate::Layout LayoutOf(const QModelIndex& index) const;
  void ApplyColours();
  void ToggleByUser(TreeNodeId node, bool markHot);

  CheckTreeItemModel model_;
  CheckTreeDelegate delegate_;
  bool dimmed_ = false;
  bool applyingColours_ = false;
  // The tree had the focus when it was dimmed: it gets it back after.
  bool focusBeforeDimming_ = false;
};

}  // namespace rowmender
