// The screenshot mode: its arguments, and the program drawing its window
// into a PNG file without a display.
#include "app/gui/screenshot_mode.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include "app/logic/settings_dialog.h"
#include "gui/support/gui_test_support.h"

using rowmender::ParseScreenshotArguments;
using rowmender::guitest::GuiProgram;
using rowmender::guitest::SampleDataFolder;

namespace {

struct Run {
  int status = -1;
  QString err;
};

// Runs the program without a display: no DISPLAY, no platform chosen.
Run RunProgram(const QStringList& arguments) {
  QProcess program;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.remove(QStringLiteral("DISPLAY"));
  environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
  environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                     QStringLiteral(ROWMENDER_BINARY_DIR "/gui-test-config"));
  program.setProcessEnvironment(environment);
  program.start(GuiProgram(), arguments);
  if (!program.waitForFinished(120000)) return {};
  return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
          QString::fromUtf8(program.readAllStandardError())};
}

}  // namespace

class ScreenshotModeTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { rowmender::guitest::PrepareGuiTests(); }

  void arguments_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("wanted");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("select");
    QTest::addColumn<int>("next");
    const QString p = QStringLiteral("rowmender");
    QTest::newRow("plain start") << QStringList{p} << false << QString() << QString() << 0;
    QTest::newRow("all steps") << QStringList{p,          "--open",       "d",
                                              "--select", "db/Tables/t",  "--next",
                                              "2",        "--screenshot", "f.png"}
                               << true << QString() << "db/Tables/t" << 2;
    QTest::newRow("no open") << QStringList{p, "--screenshot", "f.png"} << false
                             << "--screenshot needs --open DATADIR" << QString() << 0;
    QTest::newRow("bad count") << QStringList{p, "--open", "d", "--next", "x", "--screenshot", "f"}
                               << false << "--next needs a count of 0 or more" << QString() << 0;
    QTest::newRow("missing value")
        << QStringList{p, "--open"} << false << "--open needs a value" << QString() << 0;
    QTest::newRow("bad size") << QStringList{p, "--open", "d", "--size", "12x", "--screenshot", "f"}
                              << false << "--size needs WIDTHxHEIGHT, each from 320 to 8000 pixels"
                              << QString() << 0;
    QTest::newRow("bad cell") << QStringList{p,   "--open",       "d", "--view-value",
                                             "3", "--screenshot", "f"}
                              << false << "--view-value needs ROW,COLUMN, each 0 or more"
                              << QString() << 0;
    QTest::newRow("unknown") << QStringList{p, "--frobnicate"} << false
                             << "unknown argument: --frobnicate" << QString() << 0;
  }

  void arguments() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, wanted);
    QFETCH(QString, error);
    QFETCH(QString, select);
    QFETCH(int, next);
    std::string message;
    const auto request = ParseScreenshotArguments(arguments, &message);
    QCOMPARE(request.has_value(), wanted);
    QCOMPARE(QString::fromStdString(message), error);
    if (request) {
      QCOMPARE(QString::fromStdString(request->selectPath), select);
      QCOMPARE(request->nextCount, next);
      QCOMPARE(request->dataFolder, std::string("d"));
      QCOMPARE(request->outputFile, std::string("f.png"));
      QCOMPARE(QSize(request->width, request->height), QSize(1280, 800));
    }
  }

  void createTableAsksForTheStatementView() {
    std::string message;
    const QString p = QStringLiteral("rowmender");
    const auto plain = ParseScreenshotArguments(
        {p, "--open", "d", "--select", "db/Tables/t", "--screenshot", "f.png"}, &message);
    QVERIFY(plain.has_value());
    QVERIFY(!plain->createTable);
    const auto create = ParseScreenshotArguments(
        {p, "--open", "d", "--select", "db/Tables/t", "--create-table", "--screenshot", "f.png"},
        &message);
    QVERIFY(create.has_value());
    QVERIFY(create->createTable);
    QCOMPARE(create->valueRow, -1);
    const auto value = ParseScreenshotArguments({p, "--open", "d", "--select", "db/Tables/t",
                                                 "--view-value", "4,2", "--screenshot", "f.png"},
                                                &message);
    QVERIFY(value.has_value());
    QCOMPARE(value->valueRow, 4);
    QCOMPARE(value->valueColumn, 2);
  }

  void drawsTheWindowWithoutADisplay() {
    QTemporaryDir folder;
    const QString picture = folder.filePath(QStringLiteral("records.png"));
    const Run run = RunProgram({"--open", QString::fromStdString(SampleDataFolder()), "--select",
                                "legacy/Tables/kunden", "--next", "1", "--size", "1000x700",
                                "--screenshot", picture});
    QCOMPARE(run.status, 0);
    QImage image(picture);
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), QSize(1000, 700));
    // A real picture, not an empty surface.
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 7) {
      for (int x = 0; x < image.width(); x += 7)
        colours.insert(image.pixel(x, y));
    }
    QVERIFY(colours.size() > 50);
    QVERIFY(run.err.contains(QStringLiteral("Scanning completed for selected database file(s)")));
  }

  void aFileOrMissingFolderIsAnError() {
    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("afile.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
    file.close();
    for (const QString& open : {file.fileName(), folder.filePath(QStringLiteral("gone"))}) {
      const Run run = RunProgram(
          {"--open", open, "--screenshot", folder.filePath(QStringLiteral("x.png"))});
      QCOMPARE(run.status, 1);
      QVERIFY2(run.err.contains(QStringLiteral("cannot open ") + open), qPrintable(run.err));
      QVERIFY(run.err.contains(QString::fromUtf8(rowmender::kInvalidDataFolderMessage)));
    }
  }

  void unknownNodeFails() {
    QTemporaryDir folder;
    const QString picture = folder.filePath(QStringLiteral("none.png"));
    const Run run = RunProgram({"--open", QString::fromStdString(SampleDataFolder()), "--select",
                                "legacy/Tables/no_such_table", "--screenshot", picture});
    QCOMPARE(run.status, 2);
    QVERIFY(run.err.contains(QStringLiteral("no node legacy/Tables/no_such_table")));
  }

  void badArgumentsFail() {
    const Run run = RunProgram({"--screenshot"});
    QCOMPARE(run.status, 2);
    QVERIFY(run.err.contains(QStringLiteral("usage: rowmender")));
  }
};

QTEST_MAIN(ScreenshotModeTest)
#include "screenshot_mode_test.moc"
