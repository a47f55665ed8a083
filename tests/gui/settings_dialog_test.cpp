// The settings dialog "Select Database File": its defaults, the checks of
// OK in their order with their messages, Enter and Escape, the three "..."
// buttons with their browser titles, and the real folder browser's title.
#include "app/logic/settings_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/gui/file_setting_dialog.h"
#include "app/logic/headless_ui.h"
#include "gui/support/gui_test_support.h"

using rowmender::CTarnFileSettingDlg;
using rowmender::SettingsDialog;

namespace {

// Records the titles the folder browser was opened with.
class RecordingUi : public rowmender::HeadlessUi {
 public:
  std::string ChooseFolder(const std::string& title) override {
    browserTitles.push_back(title);
    return HeadlessUi::ChooseFolder(title);
  }
  std::vector<std::string> browserTitles;
};

}  // namespace

class SettingsDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { rowmender::guitest::PrepareGuiTests(); }

  void init() {
    model_ = std::make_unique<SettingsDialog>();
    ui_ = std::make_unique<RecordingUi>();
    dialog_ = std::make_unique<CTarnFileSettingDlg>(*model_, *ui_);
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
  }
  void cleanup() {
    dialog_.reset();
    ui_.reset();
    model_.reset();
  }

  void opensWithTheDefaults() {
    QCOMPARE(dialog_->windowTitle(), QStringLiteral("Select Database File"));
    QCOMPARE(dialog_->DataFolderEdit()->text(), QString());
    QCOMPARE(dialog_->TemporaryFolderEdit()->text(),
             QString::fromStdString(SettingsDialog::DefaultTemporaryFolder()));
    QCOMPARE(dialog_->LogFolderEdit()->text(),
             QString::fromStdString(SettingsDialog::DefaultLogFolder()));
    QStringList groups;
    for (const QGroupBox* group : dialog_->findChildren<QGroupBox*>())
      groups << group->title();
    QCOMPARE(groups, (QStringList{QStringLiteral("Select MySQL Database File:"),
                                  QStringLiteral("Select Temporary Path:"),
                                  QStringLiteral("Select Log File Path:"),
                                  QString::fromUtf8(rowmender::kDefinitionFilesGroup)}));
    QCOMPARE(dialog_->DefinitionFilesEdit()->text(), QString());
    QCOMPARE(dialog_->OkButton()->text(), QStringLiteral("OK"));
    QCOMPARE(dialog_->OkButton()->toolTip(), QStringLiteral("OK"));
    QVERIFY(dialog_->OkButton()->isDefault());
    QVERIFY(!dialog_->OkButton()->icon().isNull());
    QCOMPARE(dialog_->CancelButton()->text(), QStringLiteral("Cancel"));
    QCOMPARE(dialog_->CancelButton()->toolTip(), QStringLiteral("Cancel"));
    QVERIFY(!dialog_->CancelButton()->icon().isNull());
    for (const QPushButton* browse :
         {dialog_->BrowseDataFolderButton(), dialog_->BrowseTemporaryFolderButton(),
          dialog_->BrowseLogFolderButton()}) {
      QCOMPARE(browse->text(), QStringLiteral("..."));
    }
  }

  void okChecksEachFolderInTurn_data() {
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("temporary");
    QTest::addColumn<QString>("log");
    QTest::addColumn<QString>("message");
    const QString folder = scratch_.path();
    const QString file = scratch_.filePath(QStringLiteral("a-file"));
    const QString missing = scratch_.filePath(QStringLiteral("missing"));
    QTest::newRow("empty data folder")
        << QString() << folder << folder
        << "Please select valid database file path to continue the recovery process.";
    QTest::newRow("data folder is a file")
        << file << folder << folder
        << "Please select valid database file path to continue the recovery process.";
    QTest::newRow("missing temporary folder")
        << folder << missing << missing
        << "Please select valid temporary file path to continue the recovery process.";
    QTest::newRow("missing log folder")
        << folder << file << missing
        << "Please select valid Log file path to continue the recovery process.";
  }

  void okChecksEachFolderInTurn() {
    QFETCH(QString, data);
    QFETCH(QString, temporary);
    QFETCH(QString, log);
    QFETCH(QString, message);
    WriteScratchFile();
    dialog_->DataFolderEdit()->setText(data);
    dialog_->TemporaryFolderEdit()->setText(temporary);
    dialog_->LogFolderEdit()->setText(log);

    QTest::mouseClick(dialog_->OkButton(), Qt::LeftButton);

    QCOMPARE(ui_->messages, std::vector<std::string>{message.toStdString()});
    QVERIFY(dialog_->isVisible());
    QCOMPARE(dialog_->result(), 0);
    // The edits keep what the user typed.
    QCOMPARE(dialog_->DataFolderEdit()->text(), data);
    QCOMPARE(dialog_->TemporaryFolderEdit()->text(), temporary);
    QCOMPARE(dialog_->LogFolderEdit()->text(), log);
  }

  void okWithValidFoldersConfirms() {
    WriteScratchFile();
    const QString folder = scratch_.path();
    dialog_->DataFolderEdit()->setText(folder);
    // An existing file passes for the temporary and the log folder.
    dialog_->TemporaryFolderEdit()->setText(scratch_.filePath(QStringLiteral("a-file")));
    dialog_->LogFolderEdit()->setText(folder + QStringLiteral("/"));
    QTest::keyClick(dialog_->DataFolderEdit(), Qt::Key_Return);  // Enter presses OK
    QVERIFY(ui_->messages.empty());
    QCOMPARE(dialog_->result(), static_cast<int>(QDialog::Accepted));
    QVERIFY(!dialog_->isVisible());
    QCOMPARE(model_->Chosen().databasePath, folder.toStdString() + "/");
    QCOMPARE(model_->Chosen().temporaryPath,
             scratch_.filePath(QStringLiteral("a-file")).toStdString() + "/");
    QCOMPARE(model_->Chosen().logFolder, folder.toStdString() + "/");
  }

  void escapeCancels() {
    QTest::keyClick(dialog_.get(), Qt::Key_Escape);
    QCOMPARE(dialog_->result(), static_cast<int>(QDialog::Rejected));
    QVERIFY(!dialog_->isVisible());
    QVERIFY(ui_->messages.empty());
  }

  void browseButtonsUseTheirTitles() {
    const QString folder = scratch_.path();
    ui_->folderAnswer = folder.toStdString();
    QTest::mouseClick(dialog_->BrowseDataFolderButton(), Qt::LeftButton);
    QCOMPARE(dialog_->DataFolderEdit()->text(), folder + QStringLiteral("/"));
    QTest::mouseClick(dialog_->BrowseTemporaryFolderButton(), Qt::LeftButton);
    QCOMPARE(dialog_->TemporaryFolderEdit()->text(), folder + QStringLiteral("/"));
    QTest::mouseClick(dialog_->BrowseLogFolderButton(), Qt::LeftButton);
    QCOMPARE(dialog_->LogFolderEdit()->text(), folder);
    const std::vector<std::string> titles = {"Select location to choose database file.",
                                             "Select location for temporary path.",
                                             "Select location to save Log file."};
    QCOMPARE(ui_->browserTitles, titles);

    // A cancelled browser, or a log folder that is no folder, keeps the edit.
    ui_->folderAnswer.clear();
    QTest::mouseClick(dialog_->BrowseDataFolderButton(), Qt::LeftButton);
    QCOMPARE(dialog_->DataFolderEdit()->text(), folder + QStringLiteral("/"));
    ui_->folderAnswer = scratch_.filePath(QStringLiteral("missing")).toStdString();
    QTest::mouseClick(dialog_->BrowseLogFolderButton(), Qt::LeftButton);
    QCOMPARE(dialog_->LogFolderEdit()->text(), folder);
    QVERIFY(dialog_->isVisible());
  }

  // The "..." of the statement files adds the chosen file to the list, and
  // OK takes each file of the list.
  void statementFilesAreAddedAndTaken() {
    WriteScratchFile();
    const QString file = scratch_.filePath(QStringLiteral("a-file"));
    ui_->openFileAnswer = file.toStdString();
    QTest::mouseClick(dialog_->BrowseDefinitionFileButton(), Qt::LeftButton);
    QTest::mouseClick(dialog_->BrowseDefinitionFileButton(), Qt::LeftButton);
    QCOMPARE(dialog_->DefinitionFilesEdit()->text(), file + QStringLiteral("; ") + file);
    dialog_->DataFolderEdit()->setText(scratch_.path());
    QTest::mouseClick(dialog_->OkButton(), Qt::LeftButton);
    QCOMPARE(dialog_->result(), static_cast<int>(QDialog::Accepted));
    QCOMPARE(model_->ChosenDefinitionFiles(),
             (std::vector<std::string>{file.toStdString(), file.toStdString()}));
  }

  void recentFoldersFillTheDataFolder() {
    // A fresh dialog lists none.
    QVERIFY(dialog_->RecentFoldersBox()->isHidden());
    SettingsDialog model;
    model.recentDataFolders = {"/srv/copy-a/", "/srv/copy-b/"};
    model.dataFolder = model.recentDataFolders.front();
    CTarnFileSettingDlg dialog(model, *ui_);
    dialog.show();
    QComboBox* recent = dialog.RecentFoldersBox();
    QVERIFY(recent->isVisible());
    QCOMPARE(recent->count(), 2);
    QCOMPARE(recent->itemText(1), QStringLiteral("/srv/copy-b/"));
    QCOMPARE(dialog.DataFolderEdit()->text(), QStringLiteral("/srv/copy-a/"));
    recent->setFocus();
    // The keyboard chooses the second entry.
    QTest::keyClick(recent, Qt::Key_Down);
    QCOMPARE(dialog.DataFolderEdit()->text(), QStringLiteral("/srv/copy-b/"));
  }

  void theWindowsFolderBrowserShowsTheTitle() {
    rowmender::guitest::ScriptedWindow scripted;
    scripted.window->SetScriptedAnswers(nullptr);
    QString shownTitle;
    QTimer::singleShot(0, [&shownTitle] {
      auto* browser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (browser == nullptr) return;
      shownTitle = browser->windowTitle();
      browser->reject();
    });
    const std::string chosen =
        scripted.window->ChooseFolder("Select location to choose database file.");
    QCOMPARE(chosen, std::string());
    QCOMPARE(shownTitle, QStringLiteral("Select location to choose database file."));
    scripted.window->SetScriptedAnswers(&scripted.answers);
  }

 private:
  void WriteScratchFile() {
    QFile file(scratch_.filePath(QStringLiteral("a-file")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
  }

  QTemporaryDir scratch_;
  std::unique_ptr<SettingsDialog> model_;
  std::unique_ptr<RecordingUi> ui_;
  std::unique_ptr<CTarnFileSettingDlg> dialog_;
};

QTEST_MAIN(SettingsDialogTest)
#include "settings_dialog_test.moc"
