#include "controls/check_tree_model.h"

#include <utility>

namespace rowmender {

TreeNodeId CheckTreeModel::InsertItem(std::string label, int image, std::int32_t itemData,
                                      TreeNodeId parent) {
  if (parent != kNoTreeNode && Find(parent) == nullptr) return kNoTreeNode;
  const TreeNodeId id = nextId_++;
  Node node;
  node.label = std::move(label);
  node.image = image;
  node.itemData = itemData;
  node.parent = parent;
  const bool checked = node.checked && checkBoxes;
  nodes_.emplace(id, std::move(node));
  if (parent == kNoTreeNode) {
    roots_.push_back(id);
  } else {
    nodes_.at(parent).children.push_back(id);
  }
  if (smartCheck) {
    for (TreeNodeId a = parent; a != kNoTreeNode; a = nodes_.at(a).parent) {
      ++nodes_.at(a).descendantCount;
    }
    UpdateAncestors(id, checked ? 1 : 0);
  }
  return id;
}

void CheckTreeModel::DeleteAllItems() {
  nodes_.clear();
  roots_.clear();
}

const CheckTreeModel::Node* CheckTreeModel::Find(TreeNodeId id) const {
  const auto found = nodes_.find(id);
  return found == nodes_.end() ? nullptr : &found->second;
}

CheckTreeModel::Node* CheckTreeModel::FindMutable(TreeNodeId id) {
  const auto found = nodes_.find(id);
  return found == nodes_.end() ? nullptr : &found->second;
}

TreeNodeId CheckTreeModel::GetParentItem(TreeNodeId id) const {
  const Node* node = Find(id);
  return node == nullptr ? kNoTreeNode : node->parent;
}

const std::vector<TreeNodeId>& CheckTreeModel::Children(TreeNodeId id) const {
  static const std::vector<TreeNodeId> kNone;
  if (id == kNoTreeNode) return roots_;
  const Node* node = Find(id);
  return node == nullptr ? kNone : node->children;
}

std::string CheckTreeModel::GetItemText(TreeNodeId id) const {
  const Node* node = Find(id);
  return node == nullptr ? std::string() : node->label;
}

std::int32_t CheckTreeModel::GetItemData(TreeNodeId id) const {
  const Node* node = Find(id);
  return node == nullptr ? 0 : node->itemData;
}

int CheckTreeModel::GetItemImage(TreeNodeId id) const {
  const Node* node = Find(id);
  return node == nullptr ? 0 : node->image;
}

int CheckTreeModel::Depth(TreeNodeId id) const {
  int depth = 0;
  for (TreeNodeId a = GetParentItem(id); a != kNoTreeNode; a = GetParentItem(a))
    ++depth;
  return depth;
}

std::vector<TreeNodeId> CheckTreeModel::PreOrder(TreeNodeId from) const {
  std::vector<TreeNodeId> order;
  std::vector<TreeNodeId> stack;
  const auto pushChildren = [&](TreeNodeId id) {
    const auto& children = Children(id);
    for (auto it = children.rbegin(); it != children.rend(); ++it)
      stack.push_back(*it);
  };
  if (from == kNoTreeNode) {
    pushChildren(kNoTreeNode);
  } else if (Contains(from)) {
    stack.push_back(from);
  }
  while (!stack.empty()) {
    const TreeNodeId id = stack.back();
    stack.pop_back();
    order.push_back(id);
    pushChildren(id);
  }
  return order;
}

bool CheckTreeModel::SetCheck(TreeNodeId id, bool value) {
  Node* node = FindMutable(id);
  if (node == nullptr || !checkBoxes || !node->enabled) return false;
  const bool old = node->checked;
  node->checked = value;
  node->hot = false;
  if (!smartCheck || old == value) return true;

  const std::int32_t change = value ? node->descendantCount - node->checkedDescendantCount + 1
                                    : -(node->checkedDescendantCount + 1);
  for (TreeNodeId d : PreOrder(id)) {
    Node& each = nodes_.at(d);
    if (!each.enabled) continue;
    each.checked = value;
    each.checkedDescendantCount = value ? each.descendantCount : 0;
    each.hot = false;
  }
  UpdateAncestors(id, change);
  return true;
}

bool CheckTreeModel::ToggleCheck(TreeNodeId id, bool markHot) {
  const Node* node = Find(id);
  if (node == nullptr || readOnly || !node->enabled) return false;
  const bool reached = SetCheck(id, !node->checked);
  if (reached && markHot) FindMutable(id)->hot = true;
  return reached;
}

bool CheckTreeModel::GetCheck(TreeNodeId id) const {
  const Node* node = Find(id);
  if (node == nullptr || !checkBoxes) return false;
  if (smartCheck && node->descendantCount > 0) {
    return node->checkedDescendantCount != 0 &&
           node->checkedDescendantCount == node->descendantCount;
  }
  return node->checked;
}

std::size_t CheckTreeModel::GetCheckedCount() const {
  if (!checkBoxes) return 0;
  std::size_t count = 0;
  for (TreeNodeId id : PreOrder()) {
    if (GetCheck(id)) ++count;
  }
  return count;
}

int CheckTreeModel::StateImage(TreeNodeId id) const {
  const Node* node = Find(id);
  if (node == nullptr || !checkBoxes) return kStateNoCheckBox;
  int index = 0;
  if (smartCheck && node->descendantCount > 0) {
    if (node->checkedDescendantCount == 0) {
      index = kStateUnchecked;
    } else if (node->checkedDescendantCount == node->descendantCount) {
      index = kStateChecked;
    } else {
      index = kStateHalfChecked;
    }
  } else {
    index = node->checked ? kStateChecked : kStateUnchecked;
  }
  if (!node->enabled) index += kStateDisabledOffset;
  if (node->hot) index += kStateHotOffset;
  return index;
}

void CheckTreeModel::SetItemEnabled(TreeNodeId id, bool enabled) {
  if (Node* node = FindMutable(id)) node->enabled = enabled;
}

bool CheckTreeModel::SetItemMark(TreeNodeId id, TreeMark mark, std::string reason) {
  Node* node = FindMutable(id);
  if (node == nullptr) return false;
  node->mark = mark;
  node->markReason = std::move(reason);
  return true;
}

TreeMark CheckTreeModel::GetItemMark(TreeNodeId id) const {
  const Node* node = Find(id);
  return node == nullptr ? TreeMark::kNone : node->mark;
}

std::string CheckTreeModel::GetItemMarkReason(TreeNodeId id) const {
  const Node* node = Find(id);
  return node == nullptr ? std::string() : node->markReason;
}

bool CheckTreeModel::SetItemNote(TreeNodeId id, std::string note) {
  Node* node = FindMutable(id);
  if (node == nullptr) return false;
  node->note = std::move(note);
  return true;
}

std::string CheckTreeModel::GetItemNote(TreeNodeId id) const {
  const Node* node = Find(id);
  return node == nullptr ? std::string() : node->note;
}

std::string CheckTreeModel::GetItemToolTip(TreeNodeId id) const {
  const Node* node = Find(id);
  if (node == nullptr) return {};
  if (node->markReason.empty()) return node->note;
  if (node->note.empty()) return node->markReason;
  return node->markReason + "\n" + node->note;
}

bool CheckTreeModel::SetExpanded(TreeNodeId id, bool expanded) {
  Node* node = FindMutable(id);
  if (node == nullptr || node->children.empty() || !node->enabled) return false;
  if (expanded) node->expandedOnce = true;
  if (node->expanded == expanded) return false;
  node->expanded = expanded;
  return true;
}

void CheckTreeModel::UpdateAncestors(TreeNodeId id, std::int32_t change) {
  for (TreeNodeId a = nodes_.at(id).parent; a != kNoTreeNode; a = nodes_.at(a).parent) {
    Node& ancestor = nodes_.at(a);
    ancestor.checkedDescendantCount += change;
    if (ancestor.checkedDescendantCount < 0) ancestor.checkedDescendantCount = 0;
    const bool wasChecked = ancestor.checked;
    ancestor.checked = ancestor.checkedDescendantCount == ancestor.descendantCount;
    ancestor.hot = false;
    if (ancestor.checked != wasChecked) change += ancestor.checked ? 1 : -1;
  }
}

}  // namespace rowmender
