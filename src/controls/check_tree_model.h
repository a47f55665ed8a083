// The catalogue tree as a plain model: nodes with a label, an image index
// and an integer item data, and the three-state check logic of the tree
// control (smart check). No user-interface code: the window's tree view
// draws from it, the recording test fake and the command line keep their
// tree in it.
//
// Smart check: a node with descendants counts how many there are and how
// many of them are checked; it is checked when all are, unchecked when none
// is, and shown half-checked otherwise. Checking or unchecking a node gives
// all its descendants the same value and updates the counts of every
// ancestor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace rowmender {

// A node handle. Handles are never reused, so a handle kept across
// DeleteAllItems finds nothing.
using TreeNodeId = std::int64_t;
inline constexpr TreeNodeId kNoTreeNode = 0;

// State image indexes of the checkbox strip.
inline constexpr int kStateNoCheckBox = 0;
inline constexpr int kStateUnchecked = 1;
inline constexpr int kStateChecked = 2;
inline constexpr int kStateHalfChecked = 3;
inline constexpr int kStateDisabledOffset = 4;
inline constexpr int kStateHotOffset = 8;

// What a node's mark tells: its table was read with losses, or cannot be
// read at all (the reason goes with the mark).
enum class TreeMark { kNone, kLosses, kUnreadable };

class CheckTreeModel {
 public:
  struct Node {
    std::string label;
    int image = 0;
    std::int32_t itemData = 0;
    TreeNodeId parent = kNoTreeNode;
    std::vector<TreeNodeId> children;
    // The node's own check; for a node with descendants under smart check
    // it equals "all descendants are checked".
    bool checked = false;
    bool enabled = true;
    bool expanded = false;
    bool expandedOnce = false;
    // Drawn with the hot checkbox until its state is next recomputed.
    bool hot = false;
    std::int32_t descendantCount = 0;
    std::int32_t checkedDescendantCount = 0;
    TreeMark mark = TreeMark::kNone;
    // Why the node is marked, for its tooltip.
    std::string markReason;
    // A standing line of the tooltip (the name as it is on disk).
    std::string note;
  };

  // Items carry checkboxes.
  bool checkBoxes = true;
  // Parents show and keep the combined state of their descendants.
  bool smartCheck = true;
  // The space key and checkbox clicks change nothing.
  bool readOnly = false;

  // Appends a node after the last child of `parent` (kNoTreeNode: top
  // level); the ancestors count one more descendant. Returns kNoTreeNode
  // when `parent` names no node.
  TreeNodeId InsertItem(std::string label, int image, std::int32_t itemData, TreeNodeId parent);
  void DeleteAllItems();

  const Node* Find(TreeNodeId id) const;
  bool Contains(TreeNodeId id) const { return Find(id) != nullptr; }
  std::size_t GetCount() const { return nodes_.size(); }
  TreeNodeId GetParentItem(TreeNodeId id) const;
  // The children of `id` in order; the top-level nodes for kNoTreeNode.
  const std::vector<TreeNodeId>& Children(TreeNodeId id) const;
  std::string GetItemText(TreeNodeId id) const;
  std::int32_t GetItemData(TreeNodeId id) const;
  int GetItemImage(TreeNodeId id) const;
  // Depth below the top level (0 for a top-level node).
  int Depth(TreeNodeId id) const;

  // Every node from `from` (all top-level nodes for kNoTreeNode) in
  // pre-order: a node, then its children, then its next sibling.
  std::vector<TreeNodeId> PreOrder(TreeNodeId from = kNoTreeNode) const;

  // Sets the check of `id`; under smart check all its descendants take the
  // value and the ancestors' counts follow. Returns false when nothing was
  // reached (no such node, no checkboxes, or a disabled node).
  bool SetCheck(TreeNodeId id, bool value);

  // The space key and a checkbox click: the opposite of the node's own
  // check (so a half-checked parent becomes checked); a click also marks
  // the node hot. Returns false when nothing was reached or the tree is
  // read-only.
  bool ToggleCheck(TreeNodeId id, bool markHot = false);

  // Under smart check a node with descendants is checked exactly when all
  // of them are; otherwise its own check.
  bool GetCheck(TreeNodeId id) const;

  // How many nodes GetCheck reports checked, whatever their expand state.
  std::size_t GetCheckedCount() const;

  // The checkbox image index: unchecked, checked or half-checked, plus the
  // disabled and hot offsets.
  int StateImage(TreeNodeId id) const;

  void SetItemEnabled(TreeNodeId id, bool enabled);

  // Marks a node (kNone with an empty reason takes the mark away). Returns
  // false when there is no such node.
  bool SetItemMark(TreeNodeId id, TreeMark mark, std::string reason);
  TreeMark GetItemMark(TreeNodeId id) const;
  std::string GetItemMarkReason(TreeNodeId id) const;

  // Sets the line the tooltip shows whether or not the node is marked.
  // Returns false when there is no such node.
  bool SetItemNote(TreeNodeId id, std::string note);
  std::string GetItemNote(TreeNodeId id) const;
  // The tooltip: the mark's reason and the note, one per line.
  std::string GetItemToolTip(TreeNodeId id) const;

  // Records the expand state of an enabled node with children; returns true
  // when it changed.
  bool SetExpanded(TreeNodeId id, bool expanded);

 private:
  Node* FindMutable(TreeNodeId id);
  // Adds `change` checked descendants to each ancestor of `id`, from the
  // parent up; an ancestor whose own check flips passes one more (or one
  // less) up the chain.
  void UpdateAncestors(TreeNodeId id, std::int32_t change);

  std::unordered_map<TreeNodeId, Node> nodes_;
  std::vector<TreeNodeId> roots_;
  TreeNodeId nextId_ = 1;
};

}  // namespace rowmender
