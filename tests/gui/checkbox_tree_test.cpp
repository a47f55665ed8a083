// The catalogue's checkbox tree: label presses against checkbox presses,
// the smart-check counts and the half-checked look, the space key, the
// tooltip of a cut-off label and the dimmed look during a selection.
#include <QApplication>
#include <QHelpEvent>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <cmath>

#include "app/gui/application_look.h"
#include "controls/gui/xhtml_tree.h"
#include "gui/support/gui_test_support.h"

using rowmender::CXHtmlTree;
using rowmender::TreeNodeId;

namespace {

// grandparent
//   parent: leaf1, leaf2, leaf3
//   other
struct SmallTree {
  explicit SmallTree(CXHtmlTree& tree) {
    grandparent = tree.InsertItem("grandparent", 0, -1, rowmender::kNoTreeNode);
    parent = tree.InsertItem("parent", 0, -1, grandparent);
    leaf1 = tree.InsertItem("leaf1", 0, 1, parent);
    leaf2 = tree.InsertItem("leaf2", 0, 2, parent);
    leaf3 = tree.InsertItem("leaf3", 0, 3, parent);
    other = tree.InsertItem("other", 0, 4, grandparent);
    tree.expandAll();
  }
  TreeNodeId grandparent, parent, leaf1, leaf2, leaf3, other;
};

std::int32_t CheckedBelow(const CXHtmlTree& tree, TreeNodeId node) {
  return tree.Tree().Find(node)->checkedDescendantCount;
}

Qt::CheckState ShownState(CXHtmlTree& tree, TreeNodeId node) {
  return tree.ItemModel().IndexOf(node).data(Qt::CheckStateRole).value<Qt::CheckState>();
}

}  // namespace

class CheckboxTreeTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { rowmender::guitest::PrepareGuiTests(); }

  void init() {
    tree_ = std::make_unique<CXHtmlTree>();
    tree_->resize(300, 300);
    tree_->show();
    QVERIFY(QTest::qWaitForWindowExposed(tree_.get()));
  }
  void cleanup() { tree_.reset(); }

  void labelPressSelectsAndReportsOnce() {
    SmallTree nodes(*tree_);
    QSignalSpy reports(tree_.get(), &CXHtmlTree::labelClicked);
    QSignalSpy checks(tree_.get(), &CXHtmlTree::checkBoxClicked);
    const QPoint label = tree_->LabelRect(nodes.leaf2).center();
    QCOMPARE(tree_->HitTest(label), CXHtmlTree::HitPart::kLabel);

    QTest::mouseClick(tree_->viewport(), Qt::LeftButton, {}, label);

    QCOMPARE(reports.count(), 1);
    QCOMPARE(reports.at(0).at(0).toLongLong(), nodes.leaf2);
    QCOMPARE(tree_->Selection(), nodes.leaf2);
    QCOMPARE(checks.count(), 0);
    QVERIFY(!tree_->GetCheck(nodes.leaf2));
  }

  void checkBoxPressTogglesAndSelectsWithoutReport() {
    SmallTree nodes(*tree_);
    QSignalSpy reports(tree_.get(), &CXHtmlTree::labelClicked);
    QSignalSpy checks(tree_.get(), &CXHtmlTree::checkBoxClicked);
    const QPoint box = tree_->CheckBoxRect(nodes.leaf1).center();
    QCOMPARE(tree_->HitTest(box), CXHtmlTree::HitPart::kCheckBox);

    QTest::mouseClick(tree_->viewport(), Qt::LeftButton, {}, box);
    QVERIFY(tree_->GetCheck(nodes.leaf1));
    QCOMPARE(tree_->Selection(), nodes.leaf1);
    QCOMPARE(checks.count(), 1);
    QCOMPARE(checks.at(0).at(1).toBool(), true);
    // The checkbox keeps its hot look until its state is next computed.
    QCOMPARE(tree_->Tree().StateImage(nodes.leaf1),
             rowmender::kStateChecked + rowmender::kStateHotOffset);

    QTest::mouseClick(tree_->viewport(), Qt::LeftButton, {}, box);
    QVERIFY(!tree_->GetCheck(nodes.leaf1));
    QCOMPARE(reports.count(), 0);
  }

  void imageAndButtonPressesDoNotReport() {
    SmallTree nodes(*tree_);
    QSignalSpy reports(tree_.get(), &CXHtmlTree::labelClicked);
    const QRect row = tree_->visualRect(tree_->ItemModel().IndexOf(nodes.parent));
    // The expand button lies left of the item.
    const QPoint button(row.left() - tree_->indentation() / 2, row.center().y());
    QCOMPARE(tree_->HitTest(button), CXHtmlTree::HitPart::kButton);
    QTest::mouseClick(tree_->viewport(), Qt::LeftButton, {}, button);
    QVERIFY(!tree_->isExpanded(tree_->ItemModel().IndexOf(nodes.parent)));
    QCOMPARE(reports.count(), 0);

    // Below the last row: nothing is hit, the selection stays.
    tree_->SelectItem(nodes.other);
    QTest::mouseClick(tree_->viewport(), Qt::LeftButton, {}, QPoint(50, 280));
    QCOMPARE(tree_->Selection(), nodes.other);
    QCOMPARE(reports.count(), 0);

    // The right button selects without a report.
    QTest::mouseClick(tree_->viewport(), Qt::RightButton, {},
                      tree_->LabelRect(nodes.grandparent).center());
    QCOMPARE(tree_->Selection(), nodes.grandparent);
    QCOMPARE(reports.count(), 0);
  }

  void smartCheckCountsAndHalfCheckedLook() {
    SmallTree nodes(*tree_);
    const auto click = [this](TreeNodeId node) {
      QTest::mouseClick(tree_->viewport(), Qt::LeftButton, {}, tree_->CheckBoxRect(node).center());
    };
    const auto boxPicture = [this](TreeNodeId node) {
      tree_->viewport()->repaint();
      return tree_->viewport()->grab(tree_->CheckBoxRect(node)).toImage();
    };
    const QImage unchecked = boxPicture(nodes.parent);
    QCOMPARE(ShownState(*tree_, nodes.parent), Qt::Unchecked);

    click(nodes.leaf1);
    QCOMPARE(CheckedBelow(*tree_, nodes.parent), 1);
    QCOMPARE(ShownState(*tree_, nodes.parent), Qt::PartiallyChecked);
    QCOMPARE(ShownState(*tree_, nodes.grandparent), Qt::PartiallyChecked);
    QVERIFY(!tree_->GetCheck(nodes.parent));
    const QImage half = boxPicture(nodes.parent);

    click(nodes.leaf2);
    click(nodes.leaf3);
    QCOMPARE(ShownState(*tree_, nodes.parent), Qt::Checked);
    QVERIFY(tree_->GetCheck(nodes.parent));
    // Three leaves and the parent itself.
    QCOMPARE(CheckedBelow(*tree_, nodes.grandparent), 4);
    QCOMPARE(ShownState(*tree_, nodes.grandparent), Qt::PartiallyChecked);
    const QImage checked = boxPicture(nodes.parent);
    QCOMPARE(tree_->GetCheckedCount(), std::size_t{4});

    // The three looks differ from one another.
    QVERIFY(half != unchecked);
    QVERIFY(half != checked);
    QVERIFY(checked != unchecked);

    // Unchecking the full parent takes it and its three leaves away.
    click(nodes.parent);
    QCOMPARE(CheckedBelow(*tree_, nodes.grandparent), 0);
    QCOMPARE(tree_->GetCheckedCount(), std::size_t{0});
    for (TreeNodeId leaf : {nodes.leaf1, nodes.leaf2, nodes.leaf3}) {
      QCOMPARE(ShownState(*tree_, leaf), Qt::Unchecked);
    }
  }

  void spaceKeyTogglesTheSelectedNode() {
    SmallTree nodes(*tree_);
    tree_->setFocus();
    tree_->SetCheck(nodes.leaf1, true);
    tree_->SelectItem(nodes.parent);
    QCOMPARE(ShownState(*tree_, nodes.parent), Qt::PartiallyChecked);

    QTest::keyClick(tree_.get(), Qt::Key_Space);
    QCOMPARE(ShownState(*tree_, nodes.parent), Qt::Checked);
    for (TreeNodeId leaf : {nodes.leaf1, nodes.leaf2, nodes.leaf3})
      QVERIFY(tree_->GetCheck(leaf));
    QCOMPARE(tree_->Selection(), nodes.parent);

    QTest::keyClick(tree_.get(), Qt::Key_Space);
    QCOMPARE(tree_->GetCheckedCount(), std::size_t{0});
  }

  void spaceKeyOnAnEmptyTreeDoesNothing() {
    QSignalSpy checks(tree_.get(), &CXHtmlTree::checkBoxClicked);
    tree_->setFocus();
    QTest::keyClick(tree_.get(), Qt::Key_Space);
    QCOMPARE(checks.count(), 0);
    QCOMPARE(tree_->GetCheckedCount(), std::size_t{0});
  }

  void enterReportsTheSelectedNode() {
    SmallTree nodes(*tree_);
    QSignalSpy reports(tree_.get(), &CXHtmlTree::labelClicked);
    tree_->setFocus();
    tree_->SelectItem(nodes.leaf3);
    QTest::keyClick(tree_.get(), Qt::Key_Up);  // moving the selection reports nothing
    QCOMPARE(tree_->Selection(), nodes.leaf2);
    QCOMPARE(reports.count(), 0);
    QTest::keyClick(tree_.get(), Qt::Key_Return);
    QCOMPARE(reports.count(), 1);
    QCOMPARE(reports.at(0).at(0).toLongLong(), nodes.leaf2);
  }

  void toolTipForCutOffLabels() {
    tree_->resize(160, 200);
    const QString longName = QStringLiteral(
        "a_table_name_far_too_long_for_the_pane_0123456789_abcdefghij_"
        "klmnopqrstuvwxyz_0123456789_end");
    QVERIFY(longName.size() > CXHtmlTree::kMaxToolTipCharacters);
    const TreeNodeId shortNode = tree_->InsertItem("short", 0, 1, rowmender::kNoTreeNode);
    const TreeNodeId longNode =
        tree_->InsertItem(longName.toStdString(), 0, 2, rowmender::kNoTreeNode);
    QCoreApplication::processEvents();

    QCOMPARE(tree_->ToolTipTextAt(tree_->LabelRect(shortNode).center()), QString());
    const QString tip = tree_->ToolTipTextAt(tree_->LabelRect(longNode).center());
    QCOMPARE(tip, longName.left(CXHtmlTree::kMaxToolTipCharacters));

    // The tooltip the user sees.
    const QPoint at = tree_->LabelRect(longNode).center();
    QHelpEvent help(QEvent::ToolTip, at, tree_->viewport()->mapToGlobal(at));
    QApplication::sendEvent(tree_->viewport(), &help);
    QCOMPARE(QToolTip::text(), tip);
    QToolTip::hideText();

    // A label that fits gets none, also when the pane is widened.
    tree_->resize(1400, 200);
    QCoreApplication::processEvents();
    QCOMPARE(tree_->ToolTipTextAt(tree_->LabelRect(longNode).center()), QString());
  }

  void toolTipCutCountsCharactersNotCodeUnits() {
    QString faces;
    for (int i = 0; i < 80; ++i)
      faces += QString::fromUtf8("\xF0\x9F\x98\x80");
    const QString cut = CXHtmlTree::CutToolTipText(faces);
    QCOMPARE(cut.toUcs4().size(), CXHtmlTree::kMaxToolTipCharacters);
    QCOMPARE(CXHtmlTree::CutToolTipText(QStringLiteral("fits")), QStringLiteral("fits"));
  }

  void dimmedLookWhileASelectionRuns() {
    SmallTree nodes(*tree_);
    const QPalette normal = QApplication::palette(tree_.get());
    const QColor background = tree_->BackgroundColor();
    const QColor text = tree_->TextColor();

    tree_->SetDimmed(true);
    QVERIFY(!tree_->isEnabled());
    QCOMPARE(tree_->BackgroundColor(),
             CXHtmlTree::DimmedBackground(normal.color(QPalette::Active, QPalette::Base)));
    QCOMPARE(tree_->TextColor(), normal.color(QPalette::Disabled, QPalette::Text));
    QSignalSpy reports(tree_.get(), &CXHtmlTree::labelClicked);
    QTest::mouseClick(tree_->viewport(), Qt::LeftButton, {},
                      tree_->LabelRect(nodes.leaf1).center());
    QCOMPARE(reports.count(), 0);

    tree_->SetDimmed(false);
    QVERIFY(tree_->isEnabled());
    QCOMPARE(tree_->BackgroundColor(), background);
    QCOMPARE(tree_->TextColor(), text);
  }

  void dimmedBackgroundLowersEachChannelByTen() {
    QCOMPARE(CXHtmlTree::DimmedBackground(QColor(255, 255, 255)), QColor(245, 245, 245));
    QCOMPARE(CXHtmlTree::DimmedBackground(QColor(10, 9, 200)), QColor(0, 9, 190));
  }

  // The checkbox is drawn in colours of the palette: its frame and its
  // mark stand out from its fill in every look, the dark one included.
  void checkBoxesShowInEveryLook() {
    const auto contrast = [](const QColor& a, const QColor& b) {
      const auto luminance = [](const QColor& c) {
        const auto channel = [](double v) {
          v /= 255.0;
          return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
      };
      const double x = luminance(a);
      const double y = luminance(b);
      return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
    };
    SmallTree nodes(*tree_);
    tree_->SetCheck(nodes.leaf1, true);  // parent half-checked, leaf1 checked
    for (const std::uint32_t number :
         {rowmender::kLookClassic, rowmender::kLookBlue, rowmender::kLookBlack,
          rowmender::kLookSilver, rowmender::kLookAqua, rowmender::kLookDesktop}) {
      const QPalette palette = rowmender::LookFor(number).palette;
      const auto colours = rowmender::CheckTreeDelegate::CheckBoxColoursOf(palette, true);
      const QString look = QString::number(number);
      QVERIFY2(contrast(colours.frame, palette.color(QPalette::Base)) >= 3.0, qPrintable(look));
      QVERIFY2(contrast(colours.mark, colours.fill) >= 4.5, qPrintable(look));

      // As drawn: the box of an unchecked node has its frame, a checked
      // one its mark, each standing out from the tree's background.
      tree_->setPalette(palette);
      const QImage shot = tree_->viewport()->grab().toImage();
      const QColor background = palette.color(QPalette::Base);
      for (const TreeNodeId node : {nodes.leaf2, nodes.leaf1, nodes.parent}) {
        const QRect box = tree_->CheckBoxRect(node);
        QVERIFY(box.isValid());
        int standingOut = 0;
        for (int y = box.top(); y <= box.bottom(); ++y) {
          for (int x = box.left(); x <= box.right(); ++x) {
            if (contrast(shot.pixelColor(x, y), background) >= 2.5) ++standingOut;
          }
        }
        QVERIFY2(standingOut >= box.height(), qPrintable(look));
      }
    }
    tree_->setPalette(QPalette());
  }

  void deleteAllEmptiesTheTree() {
    SmallTree nodes(*tree_);
    tree_->SetCheck(nodes.parent, true);
    tree_->DeleteAllItems();
    QCOMPARE(tree_->Tree().GetCount(), std::size_t{0});
    QCOMPARE(tree_->GetCheckedCount(), std::size_t{0});
    QCOMPARE(tree_->ItemModel().rowCount({}), 0);
    QCOMPARE(tree_->Selection(), rowmender::kNoTreeNode);
    // A handle kept from before finds nothing.
    QVERIFY(!tree_->SetCheck(nodes.leaf1, true));
  }

 private:
  std::unique_ptr<CXHtmlTree> tree_;
};

QTEST_MAIN(CheckboxTreeTest)
#include "checkbox_tree_test.moc"
