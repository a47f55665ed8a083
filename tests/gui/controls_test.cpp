// The window's smaller parts: the record panel (layout, fonts, buttons,
// grid rows), the output list, the splash window, the about box, the
// message boxes, the single-instance lock, the window's looks and the
// pictures of the catalogue's node kinds.
#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QFontInfo>
#include <QHeaderView>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cmath>

#include "app/gui/application_look.h"
#include "app/gui/catalogue_images.h"
#include "app/gui/message_boxes.h"
#include "app/gui/product_info.h"
#include "app/gui/single_instance.h"
#include "catalogue/catalogue_lists.h"
#include "controls/gui/about_dialog.h"
#include "controls/gui/output_list.h"
#include "controls/gui/record_panel.h"
#include "controls/gui/splash_window.h"
#include "gui/support/gui_test_support.h"

using namespace rowmender;

namespace {

DecodedRow Row(std::vector<std::string> values, bool deleted = false) {
  DecodedRow row;
  row.values = std::move(values);
  row.deleted = deleted;
  return row;
}

// A record panel on screen with its grid showing `columns`; false when the
// window never came up.
bool ShowGrid(CTarnStatic& panel, const std::vector<std::string>& columns, int width = 800) {
  panel.resize(width, 400);
  panel.show();
  panel.Grid()->show();
  panel.SetColumns(columns);
  return QTest::qWaitForWindowExposed(&panel);
}

}  // namespace

class ControlsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { guitest::PrepareGuiTests(); }

  // ---- Record panel ----

  void freshPanelShowsOnlyTheTextBox() {
    CTarnStatic panel;
    panel.resize(800, 600);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    QVERIFY(panel.TextBox()->isVisible());
    QVERIFY(panel.TextBox()->toPlainText().isEmpty());
    QVERIFY(!panel.Grid()->isVisible());
    QVERIFY(!panel.PreviousButton()->isVisible());
    QVERIFY(!panel.NextButton()->isVisible());
    QVERIFY(panel.TextBox()->isReadOnly());
  }

  void panelLayout_data() {
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::newRow("800x600") << 800 << 600;
    QTest::newRow("1031x377") << 1031 << 377;
  }

  void panelLayout() {
    QFETCH(int, w);
    QFETCH(int, h);
    CTarnStatic panel;
    panel.resize(w, h);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    QCOMPARE(panel.TextBox()->geometry(), QRect(0, 0, w, h));
    QCOMPARE(panel.Grid()->geometry(), QRect(0, 0, w, h - 35));
    QCOMPARE(panel.PreviousButton()->geometry(), QRect(w - 120, h - 31, 50, 25));
    QCOMPARE(panel.NextButton()->geometry(), QRect(w - 65, h - 31, 50, 25));
  }

  void panelButtonsAndFonts() {
    CTarnStatic panel;
    panel.resize(600, 400);
    panel.show();
    panel.PreviousButton()->show();
    panel.NextButton()->show();
    QCOMPARE(panel.PreviousButton()->toolTip(), QStringLiteral("Previous Records"));
    QCOMPARE(panel.NextButton()->toolTip(), QStringLiteral("Next Records"));
    QVERIFY(panel.PreviousButton()->text().isEmpty() ||
            panel.PreviousButton()->toolButtonStyle() == Qt::ToolButtonIconOnly);
    QVERIFY(!panel.PreviousButton()->icon().isNull());
    QVERIFY(!panel.NextButton()->icon().isNull());

    QSignalSpy previous(&panel, &CTarnStatic::previousRecords);
    QSignalSpy next(&panel, &CTarnStatic::nextRecords);
    QTest::mouseClick(panel.NextButton(), Qt::LeftButton);
    QCOMPARE(next.count(), 1);
    QCOMPARE(previous.count(), 0);
    QTest::mouseClick(panel.PreviousButton(), Qt::LeftButton);
    QCOMPARE(previous.count(), 1);

    // The grid's header in bold, its rows in the list's normal font; the
    // text box in the regular 16-pixel font.
    const QFont header = panel.Grid()->horizontalHeader()->font();
    QCOMPARE(header.pixelSize(), 16);
    QCOMPARE(header.weight(), QFont::Bold);
    QCOMPARE(header.family(), QStringLiteral("Arial"));
    QVERIFY(panel.Grid()->font().weight() != QFont::Bold);
    QCOMPARE(panel.TextBox()->font().pixelSize(), 16);
    QCOMPARE(panel.TextBox()->font().weight(), QFont::Normal);
  }

  void gridRowsAndColumns() {
    CTarnStatic panel;
    RecordGridModel& grid = panel.GridModel();
    panel.SetColumns({"id", "note"});
    QCOMPARE(panel.Grid()->columnWidth(0), 200);
    QCOMPARE(panel.Grid()->columnWidth(1), 200);
    grid.AppendRows({Row({"1", "a,b"}), Row({}), Row({"2"}), Row({"3", "gone", "extra"}, true)});
    // A row without cells adds nothing; missing cells are empty.
    QCOMPARE(grid.RowCount(), std::size_t{3});
    QCOMPARE(grid.Cell(0, 1), std::string("a,b"));
    QCOMPARE(grid.Cell(1, 1), std::string());
    QCOMPARE(grid.Cell(2, 1), std::string("gone"));
    QCOMPARE(grid.Caption(1), std::string("note"));
    const QModelIndex header = grid.index(0, 0);
    QCOMPARE(grid.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
             QStringLiteral("note"));
    QVERIFY(!grid.data(header, Qt::ForegroundRole).isValid());
    // A row whose record is marked deleted has a background of its own and
    // says so in its tooltip; its text keeps the normal colour.
    QVERIFY(grid.RowDeleted(2));
    QVERIFY(!grid.data(grid.index(0, 0), Qt::BackgroundRole).isValid());
    QCOMPARE(grid.data(grid.index(2, 0), Qt::BackgroundRole).value<QColor>(),
             RecordGridModel::DeletedRowBackground(QApplication::palette()));
    QVERIFY(!grid.data(grid.index(2, 0), Qt::ForegroundRole).isValid());
    QVERIFY(grid.data(grid.index(2, 1), Qt::ToolTipRole)
                .toString()
                .startsWith(QStringLiteral("Deleted record")));

    grid.DeleteAllRows();
    QCOMPARE(grid.RowCount(), std::size_t{0});
    QCOMPARE(grid.ColumnCount(), std::size_t{2});
    grid.Clear();
    QCOMPARE(grid.ColumnCount(), std::size_t{0});
  }

  // NULL is drawn from the cell's NULL state: muted and italic. A text
  // whose value is "NULL" looks like every other text, and so does an empty
  // text.
  void nullCellsAreDrawnFromTheirState() {
    RecordGridModel grid;
    grid.SetColumns({"a", "b", "c"});
    DecodedRow row = Row({"NULL", "NULL", ""});
    row.kinds = {CellKind::kNull, CellKind::kText, CellKind::kText};
    grid.AppendRows({row});
    const QModelIndex null = grid.index(0, 0);
    const QModelIndex text = grid.index(0, 1);
    QCOMPARE(null.data().toString(), QStringLiteral("NULL"));
    QCOMPARE(text.data().toString(), QStringLiteral("NULL"));
    QVERIFY(grid.CellIsNull(0, 0));
    QVERIFY(!grid.CellIsNull(0, 1));
    QVERIFY(null.data(Qt::FontRole).value<QFont>().italic());
    QCOMPARE(null.data(Qt::ForegroundRole).value<QColor>(),
             RecordGridModel::NullTextColour(QApplication::palette()));
    for (const QModelIndex& plain : {text, grid.index(0, 2)}) {
      QVERIFY(!plain.data(Qt::FontRole).isValid());
      QVERIFY(!plain.data(Qt::ForegroundRole).isValid());
    }
    // Rows made of texts alone (the structure grid) have no NULL cells.
    grid.AppendRows({Row({"NULL", "x", "y"})});
    QVERIFY(!grid.CellIsNull(1, 0));
    QVERIFY(!grid.index(1, 0).data(Qt::FontRole).isValid());
  }

  // NULL's text and a deleted row's text stay readable in every look:
  // NULL differs from the normal text, a deleted row's background from the
  // normal one, and the text on it keeps a good contrast.
  void nullAndDeletedRowsAreLegibleInEveryLook() {
    const auto luminance = [](const QColor& c) {
      const auto channel = [](double v) {
        v /= 255.0;
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
      };
      return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
    };
    const auto contrast = [&](const QColor& a, const QColor& b) {
      const double x = luminance(a);
      const double y = luminance(b);
      return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
    };
    for (const std::uint32_t number :
         {kLookClassic, kLookBlue, kLookBlack, kLookSilver, kLookAqua, kLookDesktop}) {
      const QPalette palette = LookFor(number).palette;
      const QColor text = palette.color(QPalette::Active, QPalette::Text);
      const QColor base = palette.color(QPalette::Active, QPalette::Base);
      const QColor deleted = RecordGridModel::DeletedRowBackground(palette);
      const QColor null = RecordGridModel::NullTextColour(palette);
      QVERIFY2(deleted != base, qPrintable(QString::number(number)));
      QVERIFY2(contrast(text, deleted) >= 4.5, qPrintable(QString::number(number)));
      QVERIFY2(null != text, qPrintable(QString::number(number)));
      QVERIFY2(contrast(null, base) >= 2.5, qPrintable(QString::number(number)));
    }
  }

  // Columns of numbers are right-aligned, captions included; the others
  // left-aligned. The columns are sized to their contents when the first
  // rows come in, never wider than the most a column gets.
  void numericColumnsAlignRightAndColumnsFitTheirContents() {
    CTarnStatic panel;
    QVERIFY(ShowGrid(panel, {"id", "name", "note"}, 900));
    RecordGridModel& grid = panel.GridModel();
    grid.SetNumericColumns({true, false, false});
    grid.AppendRows({Row({"1", "x", std::string(400, 'w')}), Row({"100000", "y", "z"})});
    const auto alignment = [&](int column) {
      return grid.index(0, column).data(Qt::TextAlignmentRole).value<Qt::Alignment>() &
             Qt::AlignHorizontal_Mask;
    };
    QCOMPARE(alignment(0), Qt::Alignment(Qt::AlignRight));
    QCOMPARE(alignment(1), Qt::Alignment(Qt::AlignLeft));
    QCOMPARE(grid.headerData(0, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>() &
                 Qt::AlignHorizontal_Mask,
             Qt::Alignment(Qt::AlignRight));
    QVERIFY(grid.ColumnIsNumeric(0));
    QVERIFY(!grid.ColumnIsNumeric(2));

    // Short columns shrink below the first width, long ones stop at the most.
    QVERIFY(panel.Grid()->columnWidth(0) < CTarnStatic::kColumnWidth);
    QVERIFY(panel.Grid()->columnWidth(0) >=
            panel.Grid()->fontMetrics().horizontalAdvance(QStringLiteral("100000")));
    QCOMPARE(panel.Grid()->columnWidth(2), CTarnStatic::kMaxColumnWidth);
    // Rows added later (the next page) leave the widths alone.
    panel.Grid()->setColumnWidth(1, 150);
    grid.AppendRows({Row({"2", "w", "v"})});
    QCOMPARE(panel.Grid()->columnWidth(1), 150);
  }

  // Numbers compare by value, whatever their digits' count, sign or
  // trailing zeros; texts that are not numbers come after them.
  void numberTextsCompareByValue() {
    struct Case {
      const char* a;
      const char* b;
      int expected;
    };
    const Case cases[] = {
        {"9", "10", -1},
        {"-10", "-9", -1},
        {"-1", "0", -1},
        {"2.5", "2.50", 0},
        {"-0.0", "0", 0},
        {"007", "7", 0},
        {"0.05", "0.5", -1},
        {"1.000001", "1", 1},
        {"-2.5", "-2.25", -1},
        {"18446744073709551615", "9223372036854775807", 1},
        {"99999999999999999999.5", "99999999999999999999.49", 1},
        {"12", "abc", -1},
        {"abc", "12", 1},
        {"1e5", "2", 1},
    };
    for (const Case& each : cases) {
      const QString a = QString::fromLatin1(each.a);
      const QString b = QString::fromLatin1(each.b);
      QCOMPARE(RecordGridModel::CompareNumberTexts(a, b), each.expected);
      QCOMPARE(RecordGridModel::CompareNumberTexts(b, a), -each.expected);
    }
  }

  // A click on a caption sorts the page: numbers by value, NULL first
  // going up and last going down, equal values in page order; a third
  // click puts the page order back. Rows keep their place in the page.
  void captionClicksSortThePage() {
    CTarnStatic panel;
    QVERIFY(ShowGrid(panel, {"amount", "name"}));
    RecordGridModel& grid = panel.GridModel();
    grid.SetNumericColumns({true, false});
    std::vector<DecodedRow> rows;
    const std::vector<std::pair<std::string, std::string>> values = {
        {"10", "b"}, {"NULL", "c"}, {"9", "a"}, {"-3.5", "B"}, {"10.0", "NULL"}, {"100", "a"}};
    for (const auto& [amount, name] : values) {
      DecodedRow row = Row({amount, name});
      row.kinds = {amount == "NULL" ? CellKind::kNull : CellKind::kDecimal,
                   name == "NULL" ? CellKind::kNull : CellKind::kText};
      rows.push_back(row);
    }
    grid.AppendRows(rows);
    const auto column = [&](std::size_t c) {
      std::vector<std::string> out;
      for (std::size_t r = 0; r < grid.RowCount(); ++r)
        out.push_back(grid.Cell(r, c));
      return out;
    };
    QHeaderView* header = panel.Grid()->horizontalHeader();
    const auto clickCaption = [&](int section) {
      const int x = header->sectionViewportPosition(section) + header->sectionSize(section) / 2;
      QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    };

    clickCaption(0);
    QCOMPARE(column(0), (std::vector<std::string>{"NULL", "-3.5", "9", "10", "10.0", "100"}));
    QCOMPARE(grid.SortColumn(), 0);
    // 10 and 10.0 are equal: page order.
    QCOMPARE(grid.PageRow(3), std::size_t{0});
    QCOMPARE(grid.PageRow(4), std::size_t{4});
    QVERIFY(grid.CellIsNull(0, 0));

    clickCaption(0);
    QCOMPARE(column(0), (std::vector<std::string>{"100", "10", "10.0", "9", "-3.5", "NULL"}));
    QVERIFY(grid.CellIsNull(5, 0));

    clickCaption(0);
    QCOMPARE(grid.SortColumn(), -1);
    QCOMPARE(column(0), (std::vector<std::string>{"10", "NULL", "9", "-3.5", "10.0", "100"}));

    // Texts in text order, any case, the NULL first.
    clickCaption(1);
    QCOMPARE(column(1), (std::vector<std::string>{"NULL", "a", "a", "b", "B", "c"}));
    QVERIFY(grid.CellIsNull(0, 1));

    // A new page under the sorted column comes in sorted.
    grid.DeleteAllRows();
    grid.AppendRows({Row({"1", "z"}), Row({"2", "y"})});
    QCOMPARE(column(1), (std::vector<std::string>{"y", "z"}));
    // A new table starts in page order.
    panel.SetColumns({"x"});
    QCOMPARE(header->sortIndicatorSection(), -1);
  }

  // Ctrl+F opens the find bar over the page; Enter and the buttons go from
  // match to match round the end, selecting each; every match is
  // highlighted; Escape closes the bar and takes the highlight away.
  void findBarGoesFromMatchToMatch() {
    CTarnStatic panel;
    QVERIFY(ShowGrid(panel, {"id", "city"}));
    RecordGridModel& grid = panel.GridModel();
    DecodedRow nullRow = Row({"4", "NULL"});
    nullRow.kinds = {CellKind::kSigned, CellKind::kNull};
    grid.AppendRows({Row({"1", "Berlin"}), Row({"2", "Bern"}), Row({"3", "Paris"}), nullRow,
                     Row({"5", "BERLINGEN"})});
    panel.Grid()->setFocus();
    QTest::keyClick(panel.Grid(), Qt::Key_F, Qt::ControlModifier);
    GridFindBar* bar = panel.FindBar();
    QVERIFY(bar->isVisible());
    QVERIFY(bar->Text()->hasFocus());

    QTest::keyClicks(bar->Text(), QStringLiteral("berl"));
    const auto current = [&] {
      const QModelIndex index = panel.Grid()->currentIndex();
      return std::make_pair(index.row(), index.column());
    };
    QCOMPARE(current(), std::make_pair(0, 1));
    QVERIFY(panel.Grid()->selectionModel()->isSelected(grid.index(0, 1)));
    QCOMPARE(bar->Count()->text(), QStringLiteral("1 of 2"));
    // Both matches highlighted, nothing else.
    const QColor highlight = RecordGridModel::HighlightBackground(QApplication::palette());
    QCOMPARE(grid.index(4, 1).data(Qt::BackgroundRole).value<QColor>(), highlight);
    QVERIFY(!grid.index(1, 1).data(Qt::BackgroundRole).isValid());

    QTest::keyClick(bar->Text(), Qt::Key_Return);
    QCOMPARE(current(), std::make_pair(4, 1));
    QCOMPARE(bar->Count()->text(), QStringLiteral("2 of 2"));
    QTest::keyClick(bar->Text(), Qt::Key_Return);
    QCOMPARE(current(), std::make_pair(0, 1));
    QTest::keyClick(bar->Text(), Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(current(), std::make_pair(4, 1));
    QTest::mouseClick(bar->findChild<QToolButton*>(QStringLiteral("findPrevious")), Qt::LeftButton);
    QCOMPARE(current(), std::make_pair(0, 1));

    // NULL is not a text: it is never found.
    bar->Text()->setText(QStringLiteral("null"));
    QCOMPARE(bar->Count()->text(), QStringLiteral("Not found"));
    QVERIFY(!bar->FindNext());

    QTest::keyClick(bar->Text(), Qt::Key_Escape);
    QVERIFY(!bar->isVisible());
    QVERIFY(panel.Grid()->hasFocus());
    QVERIFY(!grid.index(0, 1).data(Qt::BackgroundRole).isValid());
  }

  // Ctrl+C copies the selected cells, tab-separated, one line per row;
  // "Copy with header" puts their column names first. Fields with tabs,
  // line breaks or quotes are quoted.
  void copyTakesTheSelectedCells() {
    CTarnStatic panel;
    QVERIFY(ShowGrid(panel, {"id", "name", "note"}));
    RecordGridModel& grid = panel.GridModel();
    grid.AppendRows({Row({"1", "Ann", "a\tb"}), Row({"2", "Bob", "say \"hi\"\nbye"}),
                     Row({"3", "Cy", "plain"})});
    RecordGridView* view = panel.Grid();
    QItemSelection selection(grid.index(0, 1), grid.index(1, 2));
    view->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    QApplication::clipboard()->clear();
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(),
             QStringLiteral("Ann\t\"a\tb\"\nBob\t\"say \"\"hi\"\"\nbye\"\n"));

    view->CopyWithHeaderAction()->trigger();
    QCOMPARE(QApplication::clipboard()->text(),
             QStringLiteral("name\tnote\nAnn\t\"a\tb\"\nBob\t\"say \"\"hi\"\"\nbye\"\n"));

    // Cells apart: the rows and columns they span, unselected cells empty.
    view->selectionModel()->select(QItemSelection(grid.index(0, 0), grid.index(0, 0)),
                                   QItemSelectionModel::ClearAndSelect);
    view->selectionModel()->select(QItemSelection(grid.index(2, 1), grid.index(2, 1)),
                                   QItemSelectionModel::Select);
    QCOMPARE(view->SelectedCellsText(true), QStringLiteral("id\tname\n1\t\n\tCy\n"));
    // Columns as shown, after the user moved one.
    view->horizontalHeader()->moveSection(1, 0);
    QCOMPARE(view->SelectedCellsText(false), QStringLiteral("\t1\nCy\t\n"));
  }

  // ---- Output list ----

  void outputListInsertsAtTheRow() {
    CTarnListCtrl list;
    list.InsertLine(0, "first");
    list.InsertLine(1, "third");
    list.InsertLine(1, "second");
    list.InsertLine(99, "last");
    QCOMPARE(list.LineCount(), 4);
    QCOMPARE(list.Line(0), std::string("first"));
    QCOMPARE(list.Line(1), std::string("second"));
    QCOMPARE(list.Line(2), std::string("third"));
    QCOMPARE(list.Line(3), std::string("last"));
    QCOMPARE(list.selectionMode(), QAbstractItemView::SingleSelection);
    list.DeleteAllLines();
    QCOMPARE(list.LineCount(), 0);
  }

  // ---- Splash window and about box ----

  void splashShowsTheVersionAndEndsItself() {
    const QPixmap picture(QStringLiteral(":/rowmender/images/splash.png"));
    QCOMPARE(picture.size(), QSize(480, 269));
    QPointer<CSplashScreenEx> splash = new CSplashScreenEx(
        nullptr, picture, QStringLiteral("v21.0"), CSplashScreenEx::kDefaultStyle, 50);
    QCOMPARE(splash->Text(), QStringLiteral("v21.0"));
    QCOMPARE(splash->size(), QSize(480, 269));
    // The shape leaves out the picture's transparent corners.
    QVERIFY(!splash->mask().contains(QPoint(0, 0)));
    QVERIFY(splash->mask().contains(QPoint(240, 134)));
    splash->Start();
    QVERIFY(splash->isVisible());
    QVERIFY(splash->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QTRY_VERIFY_WITH_TIMEOUT(splash.isNull(), 3000);
  }

  void aboutBoxIgnoresEnterAndEscape() {
    const AboutTexts texts{QStringLiteral("Rowmender v21.0"), QStringLiteral("About text"),
                           QStringLiteral("file:///usr/share/doc/rowmender/manual.html")};
    CTarnAboutDlg about(texts);
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QCOMPARE(about.windowTitle(), QStringLiteral("Rowmender v21.0"));
    QCOMPARE(about.CaptionLine()->text(), QStringLiteral("Rowmender v21.0"));
    QCOMPARE(about.CaptionLine()->font().pixelSize(), 15);
    QCOMPARE(about.CaptionLine()->font().weight(), QFont::DemiBold);
    QVERIFY(about.ManualLink()->isVisible());
    QVERIFY(about.ManualLink()->text().contains(
        QStringLiteral("file:///usr/share/doc/rowmender/manual.html")));
    QCOMPARE(about.ManualLink()->toolTip(),
             QStringLiteral("The user manual that comes with the program"));

    for (const auto key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
      QTest::keyClick(&about, key);
      QVERIFY(about.isVisible());
      about.OkButton()->setFocus();
      QTest::keyClick(about.OkButton(), key);
      QVERIFY(about.isVisible());
    }
    QTest::mouseClick(about.OkButton(), Qt::LeftButton);
    QVERIFY(!about.isVisible());
    QCOMPARE(about.result(), static_cast<int>(QDialog::Accepted));
  }

  // ---- Message boxes ----

  void messageBoxesCarryTheProductCaption() {
    const auto info =
        MakeMessageBox(nullptr, QStringLiteral("Hello"), QMessageBox::Information, false);
    QCOMPARE(info->windowTitle(), QStringLiteral("Rowmender v21.0"));
    QCOMPARE(info->icon(), QMessageBox::Information);
    QCOMPARE(info->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(info->text(), QStringLiteral("Hello"));

    const auto question =
        MakeMessageBox(nullptr, QStringLiteral("Sure?"), QMessageBox::Question, true);
    QCOMPARE(question->standardButtons(), QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(question->defaultButton(), question->button(QMessageBox::No));
  }

  void askYesNoAnswersWithTheButtonPressed() {
    QString caption;
    QTimer::singleShot(0, [&caption] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      caption = box->windowTitle();
      box->button(QMessageBox::Yes)->click();
    });
    QVERIFY(AskYesNo(nullptr, QStringLiteral("Do you want to close the application?"),
                     MessageIcon::kQuestion));
    QCOMPARE(caption, QStringLiteral("Rowmender v21.0"));
  }

  // ---- One copy per machine ----

  void secondHolderIsRefused() {
    QTemporaryDir folder;
    const std::string path = folder.filePath(QStringLiteral("instance.lock")).toStdString();
    SingleInstanceLock first(path);
    SingleInstanceLock second(path);
    QVERIFY(first.TryAcquire());
    QVERIFY(!second.TryAcquire());
    // Another process sees the lock too.
    if (!QStandardPaths::findExecutable(QStringLiteral("flock")).isEmpty()) {
      QCOMPARE(QProcess::execute(
                   QStringLiteral("flock"),
                   {QStringLiteral("-n"), QString::fromStdString(path), QStringLiteral("true")}),
               1);
    }
    first.Release();
    QVERIFY(second.TryAcquire());
  }

  // ---- Looks ----

  void looksMapToStylesAndPalettes() {
    QCOMPARE(LookFor(215).number, 215u);
    QCOMPARE(LookFor(215).styleName, QStringLiteral("Fusion"));
    QCOMPARE(LookFor(12345).number, kDefaultLook);
    QCOMPARE(LookFor(205).styleName, QStringLiteral("Windows"));
    QVERIFY(LookFor(216).palette.color(QPalette::Window).lightness() < 100);
    QVERIFY(LookFor(215).palette.color(QPalette::Window).lightness() > 150);
    for (std::uint32_t look = 205; look <= 219; ++look) {
      QCOMPARE(IsKnownLook(look), look <= 210 || look >= 215);
    }
  }

  void lookIsKeptInTheSettingsStore() {
    QSettings(QString::fromLatin1(kSettingsName)).clear();
    QCOMPARE(ReadApplicationLook(), 215u);
    WriteApplicationLook(217);
    QCOMPARE(ReadApplicationLook(), 217u);
    QCOMPARE(QSettings(QString::fromLatin1(kSettingsName))
                 .value(QStringLiteral("ApplicationLook"))
                 .toUInt(),
             217u);
    // The window writes back the look it applied.
    guitest::ScriptedWindow scripted;
    QCOMPARE(scripted.application.applicationLook, 215u);
    QCOMPARE(ReadApplicationLook(), 215u);
  }

  // ---- Node pictures ----

  void nodeKindsHaveTheirPictures() {
    CheckTreeModel tree;
    const auto root = tree.InsertItem(kRootLabel, kImageFolder, kItemContainer, kNoTreeNode);
    const auto path = tree.InsertItem("/data/", kImageFolder, kItemContainer, root);
    const auto database = tree.InsertItem("shop", kImageFolder, kItemContainer, path);
    const auto tables = tree.InsertItem(kTablesLabel, kImageFolder, kItemContainer, database);
    const auto table = tree.InsertItem("orders", kImageFolder, 1, tables);
    const auto keys = tree.InsertItem(kKeysLabel, kImageKeys, kItemKeys, table);
    const auto views = tree.InsertItem(kViewsLabel, kImageViews, kItemViewsGroup, database);
    const auto view = tree.InsertItem("v", kImageFolder, 1, views);
    const auto triggers =
        tree.InsertItem(kTriggerLabel, kImageTriggers, kItemTriggerGroup, database);
    const auto trigger = tree.InsertItem("orders", kImageFolder, 1, triggers);
    const std::pair<TreeNodeId, CatalogueImage> expected[] = {
        {root, CatalogueImage::kRoot},
        {path, CatalogueImage::kDataFolder},
        {database, CatalogueImage::kDatabase},
        {tables, CatalogueImage::kTablesGroup},
        {table, CatalogueImage::kTable},
        {keys, CatalogueImage::kKeys},
        {views, CatalogueImage::kViewsGroup},
        {view, CatalogueImage::kView},
        {triggers, CatalogueImage::kTriggerGroup},
        {trigger, CatalogueImage::kTrigger},
    };
    for (const auto& [node, image] : expected) {
      QCOMPARE(CatalogueImageOf(tree, node), image);
      QVERIFY(!CatalogueIcon(tree, node).isNull());
    }
  }
};

QTEST_MAIN(ControlsTest)
#include "controls_test.moc"
