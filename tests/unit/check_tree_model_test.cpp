#include "controls/check_tree_model.h"

#include <gtest/gtest.h>

namespace rowmender {
namespace {

// grandparent > parent > three leaves, plus a second child of the
// grandparent.
struct Family {
  CheckTreeModel tree;
  TreeNodeId grandparent = tree.InsertItem("g", 0, -1, kNoTreeNode);
  TreeNodeId parent = tree.InsertItem("p", 0, -1, grandparent);
  TreeNodeId leaf1 = tree.InsertItem("l1", 0, 1, parent);
  TreeNodeId leaf2 = tree.InsertItem("l2", 0, 2, parent);
  TreeNodeId leaf3 = tree.InsertItem("l3", 0, 3, parent);
  TreeNodeId uncle = tree.InsertItem("u", 0, 4, grandparent);
};

TEST(CheckTreeModel, InsertCountsDescendantsAndKeepsChildOrder) {
  Family f;
  EXPECT_EQ(f.tree.Find(f.grandparent)->descendantCount, 5);
  EXPECT_EQ(f.tree.Find(f.parent)->descendantCount, 3);
  EXPECT_EQ(f.tree.Children(f.parent), (std::vector<TreeNodeId>{f.leaf1, f.leaf2, f.leaf3}));
  EXPECT_EQ(f.tree.PreOrder(),
            (std::vector<TreeNodeId>{f.grandparent, f.parent, f.leaf1, f.leaf2, f.leaf3, f.uncle}));
  EXPECT_EQ(f.tree.Depth(f.leaf2), 2);
  EXPECT_EQ(f.tree.InsertItem("orphan", 0, 0, 9999), kNoTreeNode);
}

TEST(CheckTreeModel, CheckingLeavesMakesTheParentHalfCheckedThenChecked) {
  Family f;
  ASSERT_TRUE(f.tree.SetCheck(f.leaf1, true));
  EXPECT_EQ(f.tree.Find(f.parent)->checkedDescendantCount, 1);
  EXPECT_EQ(f.tree.StateImage(f.parent), kStateHalfChecked);
  EXPECT_FALSE(f.tree.GetCheck(f.parent));
  EXPECT_EQ(f.tree.GetCheckedCount(), 1u);

  f.tree.SetCheck(f.leaf2, true);
  const int before = f.tree.Find(f.grandparent)->checkedDescendantCount;
  f.tree.SetCheck(f.leaf3, true);
  // The last leaf turns the parent checked: the grandparent gains two.
  EXPECT_EQ(f.tree.Find(f.grandparent)->checkedDescendantCount, before + 2);
  EXPECT_EQ(f.tree.Find(f.grandparent)->checkedDescendantCount, 4);
  EXPECT_EQ(f.tree.StateImage(f.parent), kStateChecked);
  EXPECT_TRUE(f.tree.GetCheck(f.parent));
  EXPECT_EQ(f.tree.StateImage(f.grandparent), kStateHalfChecked);
  EXPECT_EQ(f.tree.GetCheckedCount(), 4u);
}

TEST(CheckTreeModel, CheckingAParentChecksAllItsDescendantsAtOnce) {
  Family f;
  f.tree.SetCheck(f.parent, true);
  for (TreeNodeId id : {f.parent, f.leaf1, f.leaf2, f.leaf3})
    EXPECT_TRUE(f.tree.GetCheck(id));
  EXPECT_EQ(f.tree.Find(f.grandparent)->checkedDescendantCount, 4);

  // Unchecking the fully checked parent takes 4 (itself and three) away.
  f.tree.SetCheck(f.parent, false);
  EXPECT_EQ(f.tree.Find(f.grandparent)->checkedDescendantCount, 0);
  for (TreeNodeId id : {f.parent, f.leaf1, f.leaf2, f.leaf3}) {
    EXPECT_EQ(f.tree.StateImage(id), kStateUnchecked);
  }
  EXPECT_EQ(f.tree.GetCheckedCount(), 0u);
}

TEST(CheckTreeModel, UncheckingAFullyCheckedParentOfFiveSubtractsSix) {
  CheckTreeModel tree;
  const TreeNodeId top = tree.InsertItem("top", 0, -1, kNoTreeNode);
  const TreeNodeId other = tree.InsertItem("other", 0, 1, top);
  const TreeNodeId parent = tree.InsertItem("p", 0, -1, top);
  const TreeNodeId mid = tree.InsertItem("m", 0, -1, parent);
  for (int i = 0; i < 3; ++i)
    tree.InsertItem("leaf", 0, i, mid);
  tree.InsertItem("last", 0, 9, parent);
  ASSERT_EQ(tree.Find(parent)->descendantCount, 5);
  tree.SetCheck(parent, true);
  ASSERT_EQ(tree.Find(top)->checkedDescendantCount, 6);
  (void)other;
  tree.SetCheck(parent, false);
  EXPECT_EQ(tree.Find(top)->checkedDescendantCount, 0);
  for (TreeNodeId id : tree.PreOrder(parent))
    EXPECT_FALSE(tree.GetCheck(id));
}

TEST(CheckTreeModel, ToggleOnAHalfCheckedParentChecksAllThenUnchecksAll) {
  Family f;
  f.tree.SetCheck(f.leaf1, true);
  ASSERT_EQ(f.tree.StateImage(f.parent), kStateHalfChecked);
  ASSERT_TRUE(f.tree.ToggleCheck(f.parent));
  for (TreeNodeId id : {f.parent, f.leaf1, f.leaf2, f.leaf3})
    EXPECT_TRUE(f.tree.GetCheck(id));
  ASSERT_TRUE(f.tree.ToggleCheck(f.parent));
  for (TreeNodeId id : {f.parent, f.leaf1, f.leaf2, f.leaf3})
    EXPECT_FALSE(f.tree.GetCheck(id));
}

TEST(CheckTreeModel, InsertingAnUncheckedNodeUnderACheckedParentUnchecksTheChain) {
  Family f;
  f.tree.SetCheck(f.grandparent, true);
  ASSERT_EQ(f.tree.GetCheckedCount(), 6u);
  f.tree.InsertItem("new", 0, 5, f.parent);
  EXPECT_EQ(f.tree.StateImage(f.parent), kStateHalfChecked);
  EXPECT_EQ(f.tree.StateImage(f.grandparent), kStateHalfChecked);
  EXPECT_EQ(f.tree.Find(f.grandparent)->checkedDescendantCount, 4);  // three leaves and uncle
  EXPECT_EQ(f.tree.GetCheckedCount(), 4u);
}

TEST(CheckTreeModel, ClickMarksHotUntilRecomputedAndDisabledOrReadOnlyRefuse) {
  Family f;
  ASSERT_TRUE(f.tree.ToggleCheck(f.leaf1, /*markHot=*/true));
  EXPECT_EQ(f.tree.StateImage(f.leaf1), kStateChecked + kStateHotOffset);
  f.tree.SetCheck(f.parent, true);
  EXPECT_EQ(f.tree.StateImage(f.leaf1), kStateChecked);

  f.tree.SetItemEnabled(f.uncle, false);
  EXPECT_FALSE(f.tree.SetCheck(f.uncle, true));
  EXPECT_EQ(f.tree.StateImage(f.uncle), kStateUnchecked + kStateDisabledOffset);

  f.tree.readOnly = true;
  EXPECT_FALSE(f.tree.ToggleCheck(f.leaf2));
  EXPECT_TRUE(f.tree.GetCheck(f.leaf2));
}

TEST(CheckTreeModel, EmptyTreeAndNoCheckBoxes) {
  CheckTreeModel tree;
  EXPECT_EQ(tree.GetCheckedCount(), 0u);
  EXPECT_FALSE(tree.ToggleCheck(kNoTreeNode));
  Family f;
  f.tree.SetCheck(f.leaf1, true);
  f.tree.checkBoxes = false;
  EXPECT_EQ(f.tree.GetCheckedCount(), 0u);
  EXPECT_EQ(f.tree.StateImage(f.leaf1), kStateNoCheckBox);
}

TEST(CheckTreeModel, HandlesDoNotSurviveDeleteAll) {
  Family f;
  f.tree.DeleteAllItems();
  EXPECT_EQ(f.tree.GetCount(), 0u);
  const TreeNodeId fresh = f.tree.InsertItem("x", 0, 0, kNoTreeNode);
  EXPECT_NE(fresh, f.grandparent);
  EXPECT_FALSE(f.tree.Contains(f.leaf1));
  EXPECT_EQ(f.tree.GetItemText(f.leaf1), "");
}

TEST(CheckTreeModel, ExpandRecordsOnlyNodesWithChildren) {
  Family f;
  EXPECT_TRUE(f.tree.SetExpanded(f.parent, true));
  EXPECT_FALSE(f.tree.SetExpanded(f.parent, true));
  EXPECT_TRUE(f.tree.Find(f.parent)->expandedOnce);
  EXPECT_FALSE(f.tree.SetExpanded(f.leaf1, true));
}

}  // namespace
}  // namespace rowmender
