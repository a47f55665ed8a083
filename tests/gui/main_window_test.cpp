// The main window over the application's real behaviour and the real sample
// data folder: its first state, the catalogue an Open builds, the tree
// dimmed during a selection, the page buttons after a selection, Next and
// Previous, the structure grid, view and trigger statements, the running
// guard, CSV export and Close.
#include <QAbstractButton>
#include <QApplication>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <map>

#include "app/gui/export_dialog.h"
#include "app/gui/product_info.h"
#include "app/gui/ribbon_bar.h"
#include "app/gui/savedlgoption.h"
#include "app/gui/start_page.h"
#include "app/gui/window_bars.h"
#include "app/logic/headless_ui.h"
#include "controls/gui/output_list.h"
#include "controls/gui/record_panel.h"
#include "controls/gui/value_viewer.h"
#include "controls/gui/xhtml_tree.h"
#include "export/save/checked_save.h"
#include "gui/support/gui_test_support.h"

using rowmender::CMainWindow;
using rowmender::PageButton;
using rowmender::TreeNode;
using rowmender::guitest::SampleDataFolder;
using rowmender::guitest::ScriptedWindow;

namespace {

constexpr const char* kWaitMessage = "Please wait for the running process.";
constexpr const char* kNoMoreRecords = "No more records in table";

struct ButtonStates {
  bool previousEnabled;
  bool nextEnabled;
};

ButtonStates Buttons(CMainWindow& window) {
  return {window.RecordPanel()->PreviousButton()->isEnabled(),
          window.RecordPanel()->NextButton()->isEnabled()};
}

std::string Caption(CMainWindow& window) {
  return window.CaptionBar()->Text();
}

QString RowStatus(CMainWindow& window) {
  return window.StatusBar()->RowStatus()->text();
}

// A line of the output pane holds `text`.
bool OutputHas(CMainWindow& window, const std::string& text) {
  for (int row = 0; row < window.OutputList()->LineCount(); ++row) {
    if (window.OutputList()->Line(row).find(text) != std::string::npos) return true;
  }
  return false;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace

// Records what the tree looked like while the selection handler filled the
// grid.
class ObservedWindow : public CMainWindow {
 public:
  using CMainWindow::CMainWindow;

  void GridSetColumns(const std::vector<std::string>& captions) override {
    treeEnabledWhileFilling = Tree()->isEnabled();
    treeDimmedWhileFilling = Tree()->IsDimmed();
    treeBackgroundWhileFilling = Tree()->BackgroundColor();
    treeTextWhileFilling = Tree()->TextColor();
    progressShownWhileFilling = StatusBar()->Progress()->isVisible();
    CMainWindow::GridSetColumns(captions);
  }

  bool treeEnabledWhileFilling = true;
  bool treeDimmedWhileFilling = false;
  QColor treeBackgroundWhileFilling;
  QColor treeTextWhileFilling;
  bool progressShownWhileFilling = false;
};

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { rowmender::guitest::PrepareGuiTests(); }

  void firstState() {
    ScriptedWindow scripted;
    CMainWindow& window = *scripted.window;
    QCOMPARE(window.windowTitle(), QStringLiteral("Rowmender v21.0"));
    QCOMPARE(Caption(window),
             std::string("Select MySQL database file to continue the recovery process."));
    QCOMPARE(window.OutputList()->LineCount(), 1);
    QCOMPARE(window.OutputList()->Line(0),
             std::string("select database file to continue the recovery process."));
    QVERIFY(!window.StopAction()->isEnabled());
    QVERIFY(window.OpenAction()->isEnabled());
    QVERIFY(!window.StatusBar()->Progress()->isVisible());
    QCOMPARE(window.StatusBar()->ProductPane()->text(), QStringLiteral("Rowmender"));
    // The link is to the manual that comes with the program, never to a
    // web address.
    QVERIFY(window.StatusBar()->Link()->text().contains(QStringLiteral(">User manual<")));
    QVERIFY(!window.StatusBar()->Link()->text().contains(QStringLiteral("http")));

    // The panes, where they dock.
    QCOMPARE(window.TreePane()->windowTitle(), QStringLiteral("MySQL Database Objects"));
    QCOMPARE(window.dockWidgetArea(window.TreePane()), Qt::LeftDockWidgetArea);
    QCOMPARE(window.OutputPane()->windowTitle(), QStringLiteral("Output"));
    QCOMPARE(window.dockWidgetArea(window.OutputPane()), Qt::RightDockWidgetArea);
    QVERIFY(window.TreePane()->widget() == window.Tree());
    // The middle shows the start page until a folder is opened.
    QVERIFY(window.MiddleWidget() == window.StartPageWidget());

    // The caption bar offers no close button.
    QVERIFY(window.CaptionBar()->findChildren<QAbstractButton*>().isEmpty());
  }

  void ribbonCommands() {
    ScriptedWindow scripted;
    CMainWindow& window = *scripted.window;
    rowmender::CRibbonBar* ribbon = window.Ribbon();
    QCOMPARE(ribbon->Tabs()->count(), 1);
    QCOMPARE(ribbon->Tabs()->tabText(0), QStringLiteral("Rowmender"));
    QCOMPARE(ribbon->Panels().size(), std::size_t{4});
    QCOMPARE(ribbon->Panels()[0]->Title(), QString());
    QCOMPARE(ribbon->Panels()[2]->Title(), QStringLiteral("Table"));
    QCOMPARE(ribbon->Panels()[3]->Title(), QStringLiteral("About"));

    struct Expected {
      QAction* action;
      const char* text;
      const char* tip;
      std::size_t panel;
    };
    const Expected commands[] = {
        {window.OpenAction(), "Open", "Open Database file", 0},
        {window.StopAction(), "Stop", "Stop running process", 0},
        {window.SaveAction(), "Save MySQL Data", "Save recovered data", 0},
        {window.ExportTableAction(), "Export table...",
         "Export every row of the selected table as SQL, TSV or CSV", 1},
        {window.ExportCheckedAction(), "Export checked...",
         "Export every row of the checked tables as SQL, TSV or CSV", 1},
        {window.CsvAction(), "Export CSV", "Export the records on screen to a CSV file", 1},
        {window.CreateTableAction(), "CREATE TABLE",
         "Show the CREATE TABLE statement of the selected table", 2},
        {window.HelpAction(), "Help", "Help for Rowmender", 3},
        {window.AboutAction(), "About", "About Rowmender", 3},
    };
    for (const Expected& command : commands) {
      QCOMPARE(command.action->text(), QString::fromLatin1(command.text));
      QCOMPARE(command.action->toolTip(), QString::fromLatin1(command.tip));
      QToolButton* button = ribbon->ButtonFor(command.action);
      QVERIFY2(button != nullptr, command.text);
      QCOMPARE(button->parentWidget(), ribbon->Panels()[command.panel]);
      QCOMPARE(button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
      QVERIFY(!command.action->icon().isNull());
    }
    QCOMPARE(window.OpenAction()->shortcut(), QKeySequence(QKeySequence::Open));
    QCOMPARE(window.CsvAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
    QCOMPARE(window.HelpAction()->shortcut(), QKeySequence(QKeySequence::HelpContents));
  }

  void openBuildsTheCatalogue() {
    ScriptedWindow scripted;
    CMainWindow& window = *scripted.window;
    QVERIFY(scripted.Open(SampleDataFolder()));

    QCOMPARE(Caption(window), std::string("Scanning completed for selected database file(s).\r\n"));
    QCOMPARE(window.CaptionBar()->ShownText(),
             QStringLiteral("Scanning completed for selected database file(s)."));
    QVERIFY(
        Contains(scripted.answers.messages, "Scanning completed for selected database file(s)"));
    QVERIFY(!window.StopAction()->isEnabled());
    QVERIFY(!window.StatusBar()->Progress()->isVisible());
    QVERIFY(window.Tree()->isEnabled());

    const TreeNode kunden = window.FindNode("legacy/Tables/kunden");
    QVERIFY(kunden != rowmender::kNoNode);
    QVERIFY(window.FindNode("legacy/Tables/kunden/Keys") != rowmender::kNoNode);
    QVERIFY(window.FindNode("shop/Views/v_order_overview") != rowmender::kNoNode);
    QVERIFY(window.FindNode("shop/Trigger/orders") != rowmender::kNoNode);
    // The root and the data folder node are expanded, databases are not.
    auto& model = window.Tree()->ItemModel();
    const TreeNode root = model.Tree().Children(rowmender::kNoTreeNode).front();
    const TreeNode path = model.Tree().Children(root).front();
    QVERIFY(window.Tree()->isExpanded(model.IndexOf(root)));
    QVERIFY(window.Tree()->isExpanded(model.IndexOf(path)));
    QCOMPARE(QString::fromStdString(model.Tree().GetItemText(path)).endsWith(QLatin1Char('/')),
             true);
    // The output pane shows the scan's lines.
    QCOMPARE(window.OutputList()->Line(0), std::string("Finding Database and tables"));
    QCOMPARE(window.OutputList()->Line(1), std::string("Processing ibdata1 File"));
    QCOMPARE(window.OutputList()->Line(2), std::string("scanning completed."));
  }

  void treeIsDimmedWhileASelectionRuns() {
    ScriptedWindow scripted(
        [](rowmender::CTarnSalvorProjApp& app, const CMainWindow::Options& options) {
          return std::make_unique<ObservedWindow>(app, options);
        });
    auto& window = static_cast<ObservedWindow&>(*scripted.window);
    QVERIFY(scripted.Open(SampleDataFolder()));
    const QColor background = window.Tree()->BackgroundColor();

    QCOMPARE(window.ClickNode(window.FindNode("shop/Tables/stores")), 1);
    QVERIFY(!window.treeEnabledWhileFilling);
    QVERIFY(window.treeDimmedWhileFilling);
    QCOMPARE(window.treeBackgroundWhileFilling,
             rowmender::CXHtmlTree::DimmedBackground(background));
    QCOMPARE(window.treeTextWhileFilling,
             QApplication::palette(window.Tree()).color(QPalette::Disabled, QPalette::Text));
    QVERIFY(window.progressShownWhileFilling);
    // Afterwards the tree is back to normal.
    QVERIFY(window.Tree()->isEnabled());
    QVERIFY(!window.Tree()->IsDimmed());
    QCOMPARE(window.Tree()->BackgroundColor(), background);
    QVERIFY(!window.StatusBar()->Progress()->isVisible());
  }

  void createTableShowsTheStatementToCopy() {
    ScriptedWindow scripted;
    CMainWindow& window = *scripted.window;
    QVERIFY(scripted.Open(SampleDataFolder()));
    rowmender::CTarnStatic* panel = window.RecordPanel();
    QCOMPARE(window.ClickNode(window.FindNode("legacy/Tables/artikel")), 1);
    window.CreateTableAction()->trigger();
    QVERIFY(panel->TextBox()->isVisible());
    QVERIFY(!panel->Grid()->isVisible());
    const QString text = panel->TextBox()->toPlainText();
    QVERIFY2(text.startsWith(QStringLiteral("CREATE TABLE IF NOT EXISTS `artikel` (")),
             qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("--   FULLTEXT KEY `volltext` (`titel`,`text`)")));
    // Selectable, so it can be copied.
    QVERIFY(panel->TextBox()->textInteractionFlags() & Qt::TextSelectableByKeyboard);
  }

  void pageButtonsAfterSelectNextAndPrevious() {
    ScriptedWindow scripted;
    CMainWindow& window = *scripted.window;
    QVERIFY(scripted.Open(SampleDataFolder()));
    rowmender::CTarnStatic* panel = window.RecordPanel();
    // A MyISAM table of about 2600 records: three pages.
    QCOMPARE(window.ClickNode(window.FindNode("legacy/Tables/kunden")), 1);
    QVERIFY(panel->Grid()->isVisible());
    QVERIFY(!panel->TextBox()->isVisible());
    QVERIFY(panel->PreviousButton()->isVisible());
    QVERIFY(panel->NextButton()->isVisible());
    QCOMPARE(Buttons(window).previousEnabled, false);
    QCOMPARE(Buttons(window).nextEnabled, true);
    QCOMPARE(panel->GridModel().RowCount(), std::size_t{1000});
    QCOMPARE(Caption(window), std::string("kunden"));
    QVERIFY(RowStatus(window).startsWith(QStringLiteral("Rows 1\u20131,000")));
    const std::string firstCell = panel->GridModel().Cell(0, 0);

    // Next, by the button.
    QTest::mouseClick(panel->NextButton(), Qt::LeftButton);
    QCOMPARE(Buttons(window).previousEnabled, true);
    QCOMPARE(Buttons(window).nextEnabled, true);
    QVERIFY(RowStatus(window).startsWith(QStringLiteral("Rows 1,001\u20132,000")));
    QCOMPARE(Caption(window), std::string("kunden"));
    QCOMPARE(panel->GridModel().RowCount(), std::size_t{1000});

    // Next, by the keyboard: the last page ends the table.
    window.NextPageAction()->trigger();
    QCOMPARE(Buttons(window).previousEnabled, true);
    QCOMPARE(Buttons(window).nextEnabled, false);
    QVERIFY(Contains(scripted.answers.messages, kNoMoreRecords));
    QVERIFY(RowStatus(window).startsWith(QStringLiteral("Rows 2,001\u20132,")));
    const std::size_t lastPageRows = panel->GridModel().RowCount();
    QVERIFY(lastPageRows > 500 && lastPageRows < 1000);

    // A disabled "Next Records" ignores its shortcut.
    const QString lastStatus = RowStatus(window);
    window.NextPageAction()->trigger();
    QCOMPARE(RowStatus(window), lastStatus);
    // The last page reached: the total is known, and it is the rows paged.
    QVERIFY(
        lastStatus.endsWith(QStringLiteral(" of 2,%1")
                                .arg(static_cast<int>(lastPageRows), 3, 10, QLatin1Char('0'))) ||
        lastStatus.contains(QStringLiteral(" of 2,%1 (")
                                .arg(static_cast<int>(lastPageRows), 3, 10, QLatin1Char('0'))));

    QTest::mouseClick(panel->PreviousButton(), Qt::LeftButton);
    QCOMPARE(Buttons(window).previousEnabled, true);
    QCOMPARE(Buttons(window).nextEnabled, true);
    QVERIFY(RowStatus(window).startsWith(QStringLiteral("Rows 1,001\u20132,000 of 2,")));

    window.PreviousPageAction()->trigger();
    QCOMPARE(Buttons(window).previousEnabled, false);
    QCOMPARE(Buttons(window).nextEnabled, true);
    QVERIFY(RowStatus(window).startsWith(QStringLiteral("Rows 1\u20131,000 of 2,")));
    QCOMPARE(panel->GridModel().Cell(0, 0), firstCell);
  }

  void containerNodeDisablesBothButtons() {
    ScriptedWindow scripted;
    CMainWindow& window = *scripted.window;
    QVERIFY(scripted.Open(SampleDataFolder()));
    QCOMPARE(window.ClickNode(window.FindNode("legacy/Tables")), 1);
    QCOMPARE(Buttons(window).previousEnabled, false);
    QCOMPARE(Buttons(window).nextEnabled, false);
    QCOMPARE(window.RecordPanel()->GridModel().ColumnCount(), std::size_t{0});
    QCOMPARE(window.OutputList()->Line(window.OutputList()->LineCount() - 1),
             std::string("Scanning process completed."));
  }

  void keysNodeShowsTheStructureGrid() {
    ScriptedWindow scripted;
    CMainWindow& window = *scripted.window;
    QVERIFY(scripted.Open(SampleDataFolder()));
    QCOMPARE(window.ClickNode(window.FindNode("shop/Tables/stores/Keys")), 1);
    rowmender::RecordGridModel& grid = window.RecordPanel()->GridModel();
    QCOMPARE(grid.ColumnCount(), std::size_t{5});
    const char* headers[] = {"Column Name", "Data Type", "size", "Allow Nulls", "Key Name"};
    for (std::size_t c = 0; c < 5; ++c)
      QCOMPARE(grid.Caption(c), std::string(headers[c]));
    QVERIFY(grid.RowCount() > 0);
    QCOMPARE(Caption(window), "Keys[" + std::to_string(grid.RowCount()) + "]");
    // Sized to their contents; the size column holds numbers.
    for (int c = 0; c < 5; ++c) {
      QVERIFY(window.RecordPanel()->Grid()->columnWidth(c) > 0);
      QVERIFY(window.RecordPanel()->Grid()->columnWidth(c) <=
              rowmender::CTarnStatic::kMaxColumnWidth);
    }
    QVERIFY(grid.ColumnIsNumeric(2));
    QVERIFY(!grid.ColumnIsNumeric(0));
    // "Next Records" after a structure only disables itself.
    QTest::mouseClick(window.RecordPanel()->NextButton(), Qt::LeftButton);
    QCOMPARE(Buttons(window).nextEnabled, false);
    QCOMPARE(grid.ColumnCount(), std::size_t{5});
  }

  // A real table's NULLs come from the cells' NULL state, its number
  // columns are right-aligned from their types, its deleted row is marked.
  void realTableDrawsNullsNumbersAndDeletedRows() {
    ScriptedWindow scripted;
    CMainWindow& window = *scripted.window;
    QVERIFY(scripted.Open(SampleDataFolder()));
    QCOMPARE(window.ClickNode(window.FindNode("typezoo/Tables/blobs_dynamic")), 1);
    rowmender::RecordGridModel& grid = window.RecordPanel()->GridModel();
    QCOMPARE(grid.Caption(2), std::string("body"));
    std::size_t nulls = 0;
    std::size_t deleted = 0;
    for (std::size_t r = 0; r < grid.RowCount(); ++r) {
      deleted += grid.RowDeleted(r) ? 1 : 0;
      if (grid.Cell(r, 1) == "nulls") {
        for (std::size_t c = 2; c < 5; ++c) {
          QVERIFY(grid.CellIsNull(r, c));
          QVERIFY(grid.index(static_cast<int>(r), static_cast<int>(c))
                      .data(Qt::FontRole)
                      .value<QFont>()
                      .italic());
          ++nulls;
        }
      } else {
        QVERIFY(!grid.CellIsNull(r, 1));
      }
    }
    QCOMPARE(nulls, std::size_t{3});
    QCOMPARE(deleted, std::size_t{1});
    QVERIFY(grid.ColumnIsNumeric(0));   // smallint unsigned
    QVERIFY(!grid.ColumnIsNumeric(2));  // longtext
    QCOMPARE(grid.index(0, 0).data(Qt::TextAlignmentRole).value<Qt::Alignment>() &
                 Qt::AlignHorizontal_Mask,
             Qt::Alignment(Qt::AlignRight));
  }

  // The value viewer reads the whole value from the files, not the page's
  // placeholder: a 200k text kept off-page shows whole, in its character
  // set, as the server gave it; a 30k blob as its bytes; Save writes them.
  void valueViewerReadsTheWholeValueFromTheFiles() {
    ScriptedWindow scripted;
    CMainWindow& window = *scripted.window;
    QVERIFY(scripted.Open(SampleDataFolder()));
    QCOMPARE(window.ClickNode(window.FindNode("typezoo/Tables/blobs_dynamic")), 1);
    rowmender::RecordGridModel& grid = window.RecordPanel()->GridModel();

    // The server's text of the row: body, data (as HEX) and memo.
    QFile truthFile(QStringLiteral(ROWMENDER_SAMPLE_TRUTH "/typezoo/blobs_dynamic.rows.tsv"));
    QVERIFY(truthFile.open(QIODevice::ReadOnly));
    QStringList truth;
    for (const QByteArray& line : truthFile.readAll().split('\n')) {
      if (line.startsWith("4\t")) truth = QString::fromUtf8(line).split(QLatin1Char('\t'));
    }
    QCOMPARE(truth.size(), 5);
    const auto unescape = [](QString text) {
      QString out;
      for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('\\') || i + 1 == text.size()) {
          out += text[i];
          continue;
        }
        const QChar next = text[++i];
        out += next == QLatin1Char('n')   ? QChar(u'\n')
               : next == QLatin1Char('t') ? QChar(u'\t')
               : next == QLatin1Char('0') ? QChar(u'\0')
                                          : next;
      }
      return out;
    };

    int row = -1;
    for (std::size_t r = 0; r < grid.RowCount(); ++r) {
      if (grid.Cell(r, 1) == "200k text, 30k blob") row = static_cast<int>(r);
    }
    QVERIFY(row >= 0);
    const QString body = unescape(truth[2]);
    QVERIFY(body.size() > 150000);
    // The page shows a placeholder only.
    QVERIFY(QString::fromStdString(grid.Cell(static_cast<std::size_t>(row), 2)) != body);

    // Sorted by another column first: the viewer still reads the right row.
    window.RecordPanel()->Grid()->sortByColumn(1, Qt::DescendingOrder);
    for (std::size_t r = 0; r < grid.RowCount(); ++r) {
      if (grid.Cell(r, 1) == "200k text, 30k blob") row = static_cast<int>(r);
    }

    window.ViewValue(row, 2);
    rowmender::ValueViewerDialog* viewer = window.ValueViewer();
    QVERIFY(viewer != nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(viewer->IsDone(), 30000);
    QVERIFY2(viewer->Problem().isEmpty(), qPrintable(viewer->Problem()));
    QCOMPARE(viewer->TextView()->toPlainText(), body);
    QVERIFY(viewer->Info().isText);
    QCOMPARE(viewer->Info().characterSet, std::string("utf8mb4"));
    QVERIFY(!viewer->Info().cutShort);
    // The column's type as CREATE TABLE writes it, and its character set.
    QCOMPARE(viewer->Summary()->text(), QStringLiteral("body (longtext): 199,639 bytes, utf8mb4"));
    QVERIFY(viewer->HexView()->toPlainText().startsWith(QStringLiteral("00000000  5A 65 69 6C")));

    // The blob, as its bytes.
    window.ViewValue(row, 3);
    viewer = window.ValueViewer();
    QTRY_VERIFY_WITH_TIMEOUT(viewer->IsDone(), 30000);
    QVERIFY2(viewer->Problem().isEmpty(), qPrintable(viewer->Problem()));
    QVERIFY(viewer->Info().isBinary);
    QCOMPARE(QByteArray::fromStdString(viewer->Bytes()).toHex().toUpper(), truth[3].toLatin1());
    QVERIFY(viewer->ImageView()->pixmap().isNull());

    // Save value as... writes the same bytes.
    QTemporaryDir folder;
    const QString saved = folder.filePath(QStringLiteral("data.bin"));
    scripted.answers.saveFileAnswer = saved.toStdString();
    QTest::mouseClick(viewer->SaveButton(), Qt::LeftButton);
    QFile file(saved);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray::fromStdString(viewer->Bytes()));

    // A number is shown as its text, which has no character set of its own.
    window.ViewValue(row, 0);
    viewer = window.ValueViewer();
    QTRY_VERIFY_WITH_TIMEOUT(viewer->IsDone(), 30000);
    QCOMPARE(viewer->TextView()->toPlainText(), QStringLiteral("4"));
    QCOMPARE(viewer->Summary()->text(), QStringLiteral("id (smallint(5) unsigned): 1 byte"));

    // A latin1 text, converted from its character set.
    window.ViewValue(row, 4);
    viewer = window.ValueViewer();
    QTRY_VERIFY_WITH_TIMEOUT(viewer->IsDone(), 30000);
    QCOMPARE(viewer->Info().characterSet, std::string("latin1"));
    QCOMPARE(viewer->TextView()->toPlainText(), unescape(truth[4]));

    // NULL is said to be NULL.
    for (std::size_t r = 0; r < grid.RowCount(); ++r) {
      if (grid.Cell(r, 1) == "nulls") row = static_cast<int>(r);
    }
    window.ViewValue(row, 2);
    viewer = window.ValueViewer();
    QTRY_VERIFY_WITH_TIMEOUT(viewer->IsDone(), 30000);
    QVERIFY(viewer->Info().isNull);
    QVERIFY(viewer->Summary()->text().endsWith(QStringLiteral("NULL")));
    viewer->close();

    // The structure grid has no values in files: nothing opens.
    QCOMPARE(window.ClickNode(window.FindNode("typezoo/Tables/blobs_dynamic/Keys")), 1);
    QTRY_VERIFY(window.ValueViewer() == nullptr);
    window.ViewValue(0, 0);
    QVERIFY(window.ValueViewer() == nullptr);
  }

  // The picture kinds the viewer knows by their first bytes.
  void valueViewerKnowsPictures() {
    using rowmender::ValueViewerDialog;
    QCOMPARE(ValueViewerDialog::ImageKind(std::string("\x89PNG\r\n\x1a\n....", 12)),
             QStringLiteral("PNG"));
    QCOMPARE(ValueViewerDialog::ImageKind("\xff\xd8\xff\xe0"), QStringLiteral("JPEG"));
    QCOMPARE(ValueViewerDialog::ImageKind("GIF89a.."), QStringLiteral("GIF"));
    QCOMPARE(ValueViewerDialog::ImageKind("GIF8"), QString());
    QCOMPARE(ValueViewerDialog::ImageKind("hello"), QString());
    QCOMPARE(ValueViewerDialog::HexDump(std::string("AB\0c", 4), 16),
             QStringLiteral("00000000  41 42 00 63                                      AB.c\n"));
  }

  void viewAndTriggerShowTheirStatements() {
    ScriptedWindow scripted;
    CMainWindow& window = *scripted.window;
    QVERIFY(scripted.Open(SampleDataFolder()));
    rowmender::CTarnStatic* panel = window.RecordPanel();

    QCOMPARE(window.ClickNode(window.FindNode("shop/Views/v_order_overview")), 1);
    QVERIFY(panel->TextBox()->isVisible());
    QVERIFY(!panel->Grid()->isVisible());
    QVERIFY(panel->TextBox()->toPlainText().startsWith(
        QStringLiteral("CREATE ALGORITHM=UNDEFINED DEFINER=")));
    QVERIFY(panel->TextBox()->toPlainText().contains(QStringLiteral("`v_order_overview`")));

    QCOMPARE(window.ClickNode(window.FindNode("shop/Trigger/orders")), 1);
    QVERIFY(panel->TextBox()->isVisible());
    QVERIFY(
        panel->TextBox()->toPlainText().startsWith(QStringLiteral("DELIMITER $$\nCREATE TRIGGER")));
    QCOMPARE(Buttons(window).previousEnabled, false);
    QCOMPARE(Buttons(window).nextEnabled, false);
    // The page buttons belong to the grid: they do not cover the text.
    QVERIFY(!panel->PreviousButton()->isVisible());
    QVERIFY(!panel->NextButton()->isVisible());

    // A table after a view shows the grid again, with its own columns.
    QCOMPARE(window.ClickNode(window.FindNode("legacy/Tables/artikel")), 1);
    QVERIFY(panel->Grid()->isVisible());
    QVERIFY(!panel->TextBox()->isVisible());
    QCOMPARE(panel->GridModel().ColumnCount(), std::size_t{3});
    QCOMPARE(panel->GridModel().RowCount(), std::size_t{30});
    QVERIFY(panel->NextButton()->isVisible());
  }

  void labelClickInTheTreeLoadsOnce() {
    ScriptedWindow scripted;
    CMainWindow& window = *scripted.window;
    QVERIFY(scripted.Open(SampleDataFolder()));
    rowmender::CXHtmlTree* tree = window.Tree();
    const TreeNode artikel = window.FindNode("legacy/Tables/artikel");
    tree->SelectItem(artikel);  // scrolls it into view
    const int linesBefore = window.OutputList()->LineCount();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->LabelRect(artikel).center());
    QCoreApplication::processEvents();
    QCOMPARE(window.OutputList()->LineCount(), linesBefore + 2);
    QCOMPARE(window.OutputList()->Line(linesBefore),
             std::string("Please wait while artikel folder is scanning."));
    QCOMPARE(Caption(window), std::string("artikel"));
    QCOMPARE(window.RecordPanel()->GridModel().RowCount(), std::size_t{30});

    // A checkbox click changes the check, not the grid.
    const TreeNode kunden = window.FindNode("legacy/Tables/kunden");
    tree->SelectItem(kunden);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->CheckBoxRect(kunden).center());
    QCoreApplication::processEvents();
    QVERIFY(tree->GetCheck(kunden));
    QCOMPARE(window.OutputList()->LineCount(), linesBefore + 2);
    QCOMPARE(window.RecordPanel()->GridModel().RowCount(), std::size_t{30});
  }

  // After a click on a label, the keys act on the tree: the arrows move
  // its selection and expand, Enter shows the node, Space checks it. The
  // selection's work must not leave the focus in another pane.
  void treeKeepsTheKeyboardAfterAClick() {
    ScriptedWindow scripted;
    CMainWindow& window = *scripted.window;
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QVERIFY(scripted.Open(SampleDataFolder()));
    rowmender::CXHtmlTree* tree = window.Tree();
    const TreeNode artikel = window.FindNode("legacy/Tables/artikel");
    tree->SelectItem(artikel);
    // The table below it (artikel is not expanded).
    const TreeNode eventLog =
        tree->ItemModel().NodeOf(tree->indexBelow(tree->ItemModel().IndexOf(artikel)));
    QVERIFY(eventLog != rowmender::kNoNode);
    const std::string eventLogLabel = tree->GetItemText(eventLog);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->LabelRect(artikel).center());
    QTRY_COMPARE(Caption(window), std::string("artikel"));
    QTRY_VERIFY(tree->hasFocus());
    const int outputRow = window.OutputList()->currentRow();

    // Keys go where the focus is, as a keyboard's do.
    const auto press = [](Qt::Key key) {
      QWidget* focus = QApplication::focusWidget();
      QVERIFY(focus != nullptr);
      QTest::keyClick(focus, key);
      QCoreApplication::processEvents();
    };
    press(Qt::Key_Down);
    QCOMPARE(tree->Selection(), eventLog);
    QCOMPARE(Caption(window), std::string("artikel"));  // moving reads nothing
    press(Qt::Key_Return);
    QTRY_COMPARE(Caption(window), eventLogLabel);
    QVERIFY(tree->hasFocus());
    press(Qt::Key_Space);
    QVERIFY(tree->GetCheck(eventLog));
    press(Qt::Key_Space);
    QVERIFY(!tree->GetCheck(eventLog));
    press(Qt::Key_Right);
    QVERIFY(tree->isExpanded(tree->ItemModel().IndexOf(eventLog)));
    press(Qt::Key_Left);
    QVERIFY(!tree->isExpanded(tree->ItemModel().IndexOf(eventLog)));
    press(Qt::Key_Up);
    QCOMPARE(tree->Selection(), artikel);
    QCOMPARE(window.OutputList()->currentRow(), outputRow);
  }

  void clicksAreRefusedWhileWorkRuns() {
    ScriptedWindow scripted;
    CMainWindow& window = *scripted.window;
    QVERIFY(scripted.Open(SampleDataFolder()));
    const TreeNode stores = window.FindNode("shop/Tables/stores");
    QCOMPARE(window.ClickNode(stores), 1);
    scripted.answers.messages.clear();

    scripted.application.processRunning = 1;
    window.RunningStateChanged(true);
    QVERIFY(window.StopAction()->isEnabled());
    QCOMPARE(window.ClickNode(window.FindNode("legacy/Tables/kunden")), 0);
    QCOMPARE(window.Tree()->Selection(), stores);
    window.OpenAction()->trigger();
    window.CsvAction()->trigger();
    window.close();
    QVERIFY(window.isVisible());
    const std::vector<std::string> expected = {
        kWaitMessage, kWaitMessage, kWaitMessage,
        "Please stop the running process to close the application."};
    QCOMPARE(scripted.answers.messages, expected);

    // Stop asks, then clears the guard.
    scripted.answers.questionAnswer = true;
    window.StopAction()->trigger();
    QVERIFY(!window.StopAction()->isEnabled());
    QCOMPARE(scripted.application.processRunning.load(), 0);
  }

  void csvExportWritesThePageOnScreen() {
    ScriptedWindow scripted;
    CMainWindow& window = *scripted.window;
    QVERIFY(scripted.Open(SampleDataFolder()));
    QCOMPARE(window.ClickNode(window.FindNode("legacy/Tables/artikel")), 1);
    QTemporaryDir folder;
    const QString target = folder.filePath(QStringLiteral("artikel_.csv"));
    scripted.answers.saveFileAnswer = target.toStdString();
    QTest::keyClick(&window, Qt::Key_E, Qt::ControlModifier);
    QCOMPARE(scripted.answers.messages.back(), std::string("File saved successfully."));
    QFile written(target);
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    // UTF-16LE without byte-order mark: the captions, then one line per row.
    const QString text =
        QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
    QVERIFY(text.startsWith(QStringLiteral("id,titel,text\r\n1,")));
    QVERIFY(text.count(QStringLiteral("\r\n")) >= 31);
    QVERIFY(text.endsWith(QStringLiteral("\r\n")));
  }

  void exportTableWritesTheWholeTableOffTheWindowsThread() {
    ScriptedWindow scripted;
    CMainWindow& window = *scripted.window;
    QVERIFY(scripted.Open(SampleDataFolder()));
    QCOMPARE(window.ClickNode(window.FindNode("shop/Tables/order_items")), 1);
    QTemporaryDir folder;
    scripted.answers.exportAnswer =
        rowmender::ExportChoice{rowmender::ExportFormat::kTsv, folder.path().toStdString()};
    window.ExportTableAction()->trigger();
    QCOMPARE(scripted.answers.exportShown->format, rowmender::ExportFormat::kSql);
    // The window's timer follows the export to its end.
    QTRY_VERIFY_WITH_TIMEOUT(!window.Frame().ExportRunning(), 60000);
    QCOMPARE(scripted.answers.messages.back(), std::string(rowmender::kExportCompleteMessage));
    QVERIFY(!window.StopAction()->isEnabled());
    QFile written(folder.filePath(QStringLiteral("shop/order_items.tsv")));
    QVERIFY(written.open(QIODevice::ReadOnly));
    // The whole table, not the page on screen: 5,190 live rows, and the
    // delete-marked ones in a file of their own.
    QCOMPARE(written.readAll().count('\n'), 5190);
    QVERIFY(QFile::exists(folder.filePath(QStringLiteral("shop/order_items__deleted.tsv"))));
    QVERIFY(OutputHas(window, "`shop`.`order_items`: 5190 rows, 11 deleted rows"));

    // The dialog opens on the last export's form and folder.
    window.ExportCheckedAction()->trigger();
    QCOMPARE(scripted.answers.messages.back(),
             std::string(rowmender::kNothingCheckedToExportMessage));
    window.Tree()->ItemModel().Tree().SetCheck(window.FindNode("legacy"), true);
    scripted.answers.exportAnswer.reset();
    window.ExportCheckedAction()->trigger();
    QCOMPARE(scripted.answers.exportShown->format, rowmender::ExportFormat::kTsv);
    QCOMPARE(scripted.answers.exportShown->folder, folder.path().toStdString());
  }

  void exportDialogTakesTheFormAndTheFolder() {
    rowmender::HeadlessUi ui;
    ui.folderAnswer = "/srv/out";
    const rowmender::ExportChoice last{rowmender::ExportFormat::kCsv, "/srv/last"};
    rowmender::ExportDialog dialog("Export table orders", last, ui);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Export table orders"));
    // It opens on the last export's choice.
    QVERIFY(dialog.FormatButton(rowmender::ExportFormat::kCsv)->isChecked());
    QCOMPARE(dialog.FolderEdit()->text(), QStringLiteral("/srv/last"));
    QVERIFY(dialog.ExportButton()->isDefault());
    dialog.FormatButton(rowmender::ExportFormat::kTsv)->click();
    dialog.BrowseButton()->click();
    const rowmender::ExportChoice chosen = dialog.Choice();
    QCOMPARE(chosen.format, rowmender::ExportFormat::kTsv);
    QCOMPARE(chosen.folder, std::string("/srv/out"));
    QVERIFY(!dialog.FormatButton(rowmender::ExportFormat::kCsv)->isChecked());
  }

  void rememberedFolders() {
    const std::string data = SampleDataFolder() + "/";
    std::map<std::string, std::string> remembered;
    {
      // The first run opens a folder.
      ScriptedWindow first;
      QVERIFY(first.window->StartPageWidget()->RecentFolders().empty());
      QVERIFY(first.Open(data));
      QVERIFY(first.window->MiddleWidget() == first.window->RecordPanel());
      remembered = first.answers.remembered;
    }
    // The next run lists it on its start page; a click opens it.
    ScriptedWindow next(remembered);
    CMainWindow& window = *next.window;
    QVERIFY(window.MiddleWidget() == window.StartPageWidget());
    QCOMPARE(window.StartPageWidget()->RecentFolders(), std::vector<std::string>{data});
    auto* button =
        window.StartPageWidget()->findChild<QPushButton*>(QStringLiteral("recentFolder"));
    QVERIFY(button != nullptr);
    QCOMPARE(button->text(), QString::fromStdString(data));
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(window.WaitForScanEnd(120000));
    QVERIFY(window.MiddleWidget() == window.RecordPanel());
    QVERIFY(window.FindNode("shop/Tables/orders") != rowmender::kNoNode);
  }

  void closeAsksThenEnds() {
    ScriptedWindow scripted;
    CMainWindow& window = *scripted.window;
    scripted.answers.questionAnswer = false;
    window.close();
    QVERIFY(window.isVisible());
    QVERIFY(!scripted.answers.endedWithCode.has_value());
    QCOMPARE(scripted.answers.messages.back(),
             std::string("Do you want to close the application?"));

    scripted.answers.questionAnswer = true;
    window.CloseAction()->trigger();
    QCOMPARE(scripted.answers.endedWithCode, std::optional<int>(-1));
    // Before any Open there is no log file, so no path is shown.
    QCOMPARE(scripted.answers.messages.back(),
             std::string("Do you want to close the application?"));
    // The closing page of the manual that ships with the program.
    QCOMPARE(scripted.answers.openedAddresses.size(), std::size_t{1});
    QVERIFY(QString::fromStdString(scripted.answers.openedAddresses[0])
                .endsWith(QStringLiteral("manual.html#after-recovery")));
  }

  void helpAndAbout() {
    ScriptedWindow scripted;
    CMainWindow& window = *scripted.window;
    QTest::keyClick(&window, Qt::Key_F1);
    QCOMPARE(scripted.answers.openedAddresses.size(), std::size_t{1});
    QVERIFY(QString::fromStdString(scripted.answers.openedAddresses[0])
                .startsWith(QStringLiteral("file://")));
    QVERIFY(QString::fromStdString(scripted.answers.openedAddresses[0])
                .endsWith(QStringLiteral("/manual.html")));
    window.AboutAction()->trigger();
    QCOMPARE(scripted.answers.aboutShown, 1);
  }

  void saveRefusesToOverwriteAnEarlierSave() {
    ScriptedWindow scripted;
    CMainWindow& window = *scripted.window;
    QVERIFY(scripted.Open(SampleDataFolder()));
    window.Tree()->ItemModel().Tree().SetCheck(window.FindNode("legacy/Tables/artikel"), true);
    QTemporaryDir folder;
    scripted.answers.folderAnswer = folder.path().toStdString();
    // The save dialog, as a user fills it in: scripts into the folder.
    const auto saveIntoFolder = [&] {
      QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<rowmender::savedlgoption*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        dialog->ScriptModeButton()->click();
        dialog->BrowseButton()->click();
        dialog->OkButton()->click();
      });
      window.SaveAction()->trigger();
    };
    saveIntoFolder();
    QCOMPARE(scripted.answers.messages.back(), std::string(rowmender::kSaveCompleteMessage));
    const QString restore = folder.filePath(QStringLiteral("restore.sql"));
    QFile::resize(restore, 0);

    // No to the question: nothing is written.
    scripted.answers.questionAnswer = false;
    saveIntoFolder();
    QVERIFY(QString::fromStdString(scripted.answers.messages.back())
                .startsWith(QStringLiteral("The saving folder ")));
    QVERIFY(QString::fromStdString(scripted.answers.messages.back())
                .contains(QStringLiteral("holds an earlier save")));
    QCOMPARE(QFileInfo(restore).size(), 0);

    // Yes: the earlier save is replaced.
    scripted.answers.questionAnswer = true;
    saveIntoFolder();
    QCOMPARE(scripted.answers.messages.back(), std::string(rowmender::kSaveCompleteMessage));
    QVERIFY(QFileInfo(restore).size() > 0);
  }

  void saveWithNothingCheckedSaysSo() {
    ScriptedWindow scripted;
    CMainWindow& window = *scripted.window;
    QVERIFY(scripted.Open(SampleDataFolder()));
    window.SaveAction()->trigger();
    QCOMPARE(scripted.answers.messages.back(), std::string(rowmender::kNothingCheckedMessage));
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
