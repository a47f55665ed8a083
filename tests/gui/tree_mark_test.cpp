// The mark of a catalogue node whose table was read with losses or cannot
// be read: a badge over its picture that stands out in every application
// look, and a tooltip that says why.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

#include "app/gui/application_look.h"
#include "app/gui/catalogue_images.h"
#include "controls/gui/xhtml_tree.h"
#include "gui/support/gui_test_support.h"

using rowmender::CXHtmlTree;
using rowmender::TreeMark;
using rowmender::TreeNodeId;

namespace {

constexpr int kIconSize = 16;

// The decoration of `node` drawn over `background`.
QImage Drawn(CXHtmlTree& tree, TreeNodeId node, const QColor& background) {
  const QIcon icon = tree.ItemModel().IndexOf(node).data(Qt::DecorationRole).value<QIcon>();
  QImage image(kIconSize, kIconSize, QImage::Format_ARGB32);
  image.fill(background);
  QPainter painter(&image);
  icon.paint(&painter, QRect(0, 0, kIconSize, kIconSize));
  painter.end();
  return image;
}

double Luminance(const QColor& colour) {
  const auto linear = [](double channel) {
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
         0.0722 * linear(colour.blueF());
}

double Contrast(const QColor& a, const QColor& b) {
  const double la = Luminance(a);
  const double lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Pixels the mark changed that stand out against `background` (a contrast
// ratio of 3 or more).
int StandingOut(const QImage& marked, const QImage& plain, const QColor& background) {
  int count = 0;
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x) {
      const QColor pixel = marked.pixelColor(x, y);
      if (pixel != plain.pixelColor(x, y) && Contrast(pixel, background) >= 3.0) ++count;
    }
  }
  return count;
}

}  // namespace

class TreeMarkTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { rowmender::guitest::PrepareGuiTests(); }

  void init() {
    tree_ = std::make_unique<CXHtmlTree>();
    tree_->ItemModel().SetImageProvider([](const rowmender::CheckTreeModel&, TreeNodeId) {
      return QIcon(rowmender::CatalogueImagePath(rowmender::CatalogueImage::kTable));
    });
    node_ = tree_->InsertItem("orders", 0, 1, rowmender::kNoTreeNode);
    tree_->resize(300, 200);
    tree_->show();
    QVERIFY(QTest::qWaitForWindowExposed(tree_.get()));
  }
  void cleanup() { tree_.reset(); }

  void theBadgeStandsOutInEveryLook() {
    for (std::uint32_t look = rowmender::kLookClassic; look <= rowmender::kLookDesktop; ++look) {
      if (!rowmender::IsKnownLook(look)) continue;
      const QColor background = rowmender::LookFor(look).palette.color(QPalette::Base);
      tree_->ItemModel().SetItemMark(node_, TreeMark::kNone, "");
      const QImage plain = Drawn(*tree_, node_, background);
      for (const TreeMark mark : {TreeMark::kLosses, TreeMark::kUnreadable}) {
        tree_->ItemModel().SetItemMark(node_, mark, "why");
        const QImage marked = Drawn(*tree_, node_, background);
        QVERIFY2(StandingOut(marked, plain, background) >= 12,
                 qPrintable(QStringLiteral("look %1, mark %2, background %3")
                                .arg(look)
                                .arg(static_cast<int>(mark))
                                .arg(background.name())));
      }
    }
    // The two marks look different.
    const QColor white(Qt::white);
    tree_->ItemModel().SetItemMark(node_, TreeMark::kLosses, "why");
    const QImage losses = Drawn(*tree_, node_, white);
    tree_->ItemModel().SetItemMark(node_, TreeMark::kUnreadable, "why");
    QVERIFY(Drawn(*tree_, node_, white) != losses);
  }

  void theTooltipSaysWhyAndTheMarkCanBeTakenAway() {
    const QColor white(Qt::white);
    const QImage plain = Drawn(*tree_, node_, white);
    const QPoint label = tree_->LabelRect(node_).center();
    QCOMPARE(tree_->ToolTipTextAt(label), QString());

    const std::string reason = "Cannot be read: <a.ibd> does not seem to belong to db/t";
    tree_->ItemModel().SetItemMark(node_, TreeMark::kUnreadable, reason);
    const QModelIndex index = tree_->ItemModel().IndexOf(node_);
    QCOMPARE(index.data(Qt::ToolTipRole).toString(), QString::fromStdString(reason));
    const QString tip = tree_->ToolTipTextAt(label);
    QVERIFY2(tip.contains(QStringLiteral("&lt;a.ibd&gt; does not seem to belong to db/t")),
             qPrintable(tip));
    QVERIFY(Drawn(*tree_, node_, white) != plain);

    tree_->ItemModel().SetItemMark(node_, TreeMark::kNone, "");
    QCOMPARE(tree_->ToolTipTextAt(label), QString());
    QVERIFY(!index.data(Qt::ToolTipRole).isValid());
    QCOMPARE(Drawn(*tree_, node_, white), plain);
  }

  void theWindowMarksATableThatCannotBeRead() {
    // shop.coupons with shop.customers' tablespace in its place.
    QTemporaryDir data;
    QVERIFY(data.isValid());
    QVERIFY(QDir(data.path()).mkdir(QStringLiteral("shop")));
    const QString sample = QString::fromStdString(rowmender::guitest::SampleDataFolder());
    QVERIFY(QFile::copy(sample + QStringLiteral("/shop/coupons.frm"),
                        data.path() + QStringLiteral("/shop/coupons.frm")));
    QVERIFY(QFile::copy(sample + QStringLiteral("/shop/customers.ibd"),
                        data.path() + QStringLiteral("/shop/coupons.ibd")));

    rowmender::guitest::ScriptedWindow scripted;
    QVERIFY(scripted.Open(data.path().toStdString() + "/"));
    rowmender::CMainWindow& window = *scripted.window;
    const rowmender::TreeNode coupons = window.FindNode("shop/Tables/coupons");
    QVERIFY(coupons != rowmender::kNoNode);
    CXHtmlTree& tree = *window.Tree();
    const QModelIndex index = tree.ItemModel().IndexOf(coupons);
    QVERIFY(!index.data(Qt::ToolTipRole).isValid());
    const QImage plain = Drawn(tree, coupons, Qt::white);

    QCOMPARE(window.ClickNode(coupons), 1);
    QCoreApplication::processEvents();
    const QString reason = index.data(Qt::ToolTipRole).toString();
    QVERIFY2(reason.startsWith(QStringLiteral("Cannot be read: ")), qPrintable(reason));
    QVERIFY2(reason.contains(QStringLiteral("does not seem to belong to shop/coupons")),
             qPrintable(reason));
    QVERIFY(Drawn(tree, coupons, Qt::white) != plain);
  }

 private:
  std::unique_ptr<CXHtmlTree> tree_;
  TreeNodeId node_ = rowmender::kNoTreeNode;
};

QTEST_MAIN(TreeMarkTest)
#include "tree_mark_test.moc"
