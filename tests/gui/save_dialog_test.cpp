// The "Save Database" dialog: its texts and start values, the two modes
// and what they enable, the connection test with its messages, the folder
// browser, the OK rules; and the Save command on a window with checked
// tables, through the dialog to the scripts.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/gui/savedlgoption.h"
#include "controls/gui/xhtml_tree.h"
#include "gui/support/gui_test_support.h"

using rowmender::ConnectionTestResult;
using rowmender::SaveDialogHost;
using rowmender::SaveDialogModel;
using rowmender::savedlgoption;
using rowmender::ServerConnection;
using rowmender::ServerConnector;

namespace {

// A radio button reacts to clicks on its circle and its text.
void ClickRadio(QRadioButton* button) {
  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

struct RecordingHost : SaveDialogHost {
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  std::string ChooseFolder(const std::string& title) override {
    titles.push_back(title);
    return folder;
  }
  std::vector<std::string> messages;
  std::vector<std::string> titles;
  std::string folder;
};

class NullConnection : public ServerConnection {
 public:
  bool Execute(const std::string&, std::string&) override { return true; }
};

struct FakeConnector : ServerConnector {
  std::unique_ptr<ServerConnection> Open(const std::string& connectionString,
                                         const std::string& user, const std::string& password,
                                         std::string& error) override {
    calls.push_back(connectionString + "|" + user + "|" + password);
    if (accept) return std::make_unique<NullConnection>();
    error = "[ma-3.1.15]Can't connect to server on 'db1' (111)";
    return nullptr;
  }
  std::vector<std::string> calls;
  bool accept = true;
};

}  // namespace

class SaveDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { rowmender::guitest::PrepareGuiTests(); }

  void init() {
    app_ = std::make_unique<rowmender::CTarnSalvorProjApp>(rowmender::CollationTable{});
    host_ = std::make_unique<RecordingHost>();
    connector_ = std::make_unique<FakeConnector>();
    model_ = std::make_unique<SaveDialogModel>(*app_, *host_, *connector_);
    dialog_ = std::make_unique<savedlgoption>(*model_);
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
  }
  void cleanup() {
    dialog_.reset();
    model_.reset();
    connector_.reset();
    host_.reset();
    app_.reset();
  }

  void opensInDatabaseModeWithTheStartValues() {
    QCOMPARE(dialog_->windowTitle(), QStringLiteral("Save Database"));
    QStringList labels;
    for (const QLabel* label : dialog_->findChildren<QLabel*>())
      labels << label->text();
    QCOMPARE(labels, (QStringList{QStringLiteral("Server:"), QStringLiteral("Port:"),
                                  QStringLiteral("User:"), QStringLiteral("Password:"),
                                  QStringLiteral("Saving Folder:"),
                                  QStringLiteral("Choose the saving mode and click OK button to "
                                                 "continue the process")}));
    QCOMPARE(dialog_->DatabaseModeButton()->text(), QStringLiteral("Save in database"));
    QCOMPARE(dialog_->ScriptModeButton()->text(), QStringLiteral("Save as Script"));
    QVERIFY(dialog_->DatabaseModeButton()->isChecked());
    QVERIFY(!dialog_->ScriptModeButton()->isChecked());
    QCOMPARE(dialog_->ServerEdit()->text(), QStringLiteral("localhost"));
    QCOMPARE(dialog_->PortEdit()->text(), QStringLiteral("3306"));
    QCOMPARE(dialog_->UserEdit()->text(), QStringLiteral("root"));
    QCOMPARE(dialog_->PasswordEdit()->text(), QString());
    QCOMPARE(dialog_->PasswordEdit()->echoMode(), QLineEdit::Password);
    QVERIFY(dialog_->FolderEdit()->isReadOnly());
    QCOMPARE(dialog_->TestButton()->text(), QStringLiteral("Test Connection"));
    QCOMPARE(dialog_->TestButton()->toolTip(), QStringLiteral("Test connection"));
    QVERIFY(!dialog_->TestButton()->icon().isNull());
    QCOMPARE(dialog_->BrowseButton()->text(), QStringLiteral("..."));
    QCOMPARE(dialog_->OkButton()->text(), QStringLiteral("OK"));
    QCOMPARE(dialog_->OkButton()->toolTip(), QStringLiteral("OK"));
    QVERIFY(dialog_->OkButton()->isDefault());
    QVERIFY(!dialog_->OkButton()->icon().isNull());
    QCOMPARE(dialog_->CancelButton()->text(), QStringLiteral("Cancel"));
    QCOMPARE(dialog_->CancelButton()->toolTip(), QStringLiteral("Cancel"));
    ExpectDatabaseFieldsEnabled(true);
  }

  void theModesEnableTheirFieldsAndKeepTheTexts() {
    dialog_->ServerEdit()->setText(QStringLiteral("db9"));
    ClickRadio(dialog_->ScriptModeButton());
    QVERIFY(dialog_->ScriptModeButton()->isChecked());
    QVERIFY(!dialog_->DatabaseModeButton()->isChecked());
    ExpectDatabaseFieldsEnabled(false);
    // A click on the checked button keeps it checked.
    ClickRadio(dialog_->ScriptModeButton());
    QVERIFY(dialog_->ScriptModeButton()->isChecked());
    ClickRadio(dialog_->DatabaseModeButton());
    ExpectDatabaseFieldsEnabled(true);
    QCOMPARE(dialog_->ServerEdit()->text(), QStringLiteral("db9"));
  }

  void theTestReportsTheFirstEmptyFieldThenConnects() {
    dialog_->ServerEdit()->clear();
    dialog_->UserEdit()->clear();
    dialog_->PortEdit()->clear();
    QTest::mouseClick(dialog_->TestButton(), Qt::LeftButton);
    QCOMPARE(host_->messages, std::vector<std::string>{"Please enter Server name."});
    dialog_->ServerEdit()->setText(QStringLiteral("db1"));
    QTest::mouseClick(dialog_->TestButton(), Qt::LeftButton);
    QCOMPARE(host_->messages.back(), std::string("Please enter user name."));
    dialog_->UserEdit()->setText(QStringLiteral("dba"));
    QTest::mouseClick(dialog_->TestButton(), Qt::LeftButton);
    QCOMPARE(host_->messages.back(), std::string("Please enter port number."));
    dialog_->PortEdit()->setText(QStringLiteral("3307"));
    QTest::mouseClick(dialog_->TestButton(), Qt::LeftButton);
    QCOMPARE(host_->messages.back(), std::string("Please enter password."));
    QVERIFY(connector_->calls.empty());
    QTest::keyClicks(dialog_->PasswordEdit(), QStringLiteral("s;e}cret"));
    QTest::mouseClick(dialog_->TestButton(), Qt::LeftButton);
    QCOMPARE(host_->messages.back(), std::string("Connection is successful"));
    QCOMPARE(connector_->calls,
             std::vector<std::string>{
                 "Driver={MySql ODBC 5.1 Driver};Server=db1;Option=16834;Port=3307;|dba|s;e}cret"});
    QVERIFY(model_->ConnectionTested());
    // Tested: OK closes at once and writes the settings.
    QTest::mouseClick(dialog_->OkButton(), Qt::LeftButton);
    QCOMPARE(dialog_->result(), int(QDialog::Accepted));
    QVERIFY(app_->saveToDatabaseMode);
    QCOMPARE(app_->saveServer, std::string("db1"));
    QCOMPARE(app_->savePassword, std::string("s;e}cret"));
  }

  void okWithoutAWorkingConnectionStaysOpen() {
    connector_->accept = false;
    dialog_->PasswordEdit()->setText(QStringLiteral("pw"));
    QTest::mouseClick(dialog_->OkButton(), Qt::LeftButton);
    QVERIFY(dialog_->isVisible());
    QCOMPARE(host_->messages,
             (std::vector<std::string>{
                 "[ma-3.1.15]Can't connect to server on 'db1' (111)\n",
                 "Test connection is unsuccessful.Saving in database cannot be done."}));
    QVERIFY(!app_->saveToDatabaseMode);
    // A working connection: the first OK tests, the second closes.
    connector_->accept = true;
    QTest::mouseClick(dialog_->OkButton(), Qt::LeftButton);
    QVERIFY(dialog_->isVisible());
    QCOMPARE(host_->messages.back(), std::string("Connection is successful"));
    QTest::mouseClick(dialog_->OkButton(), Qt::LeftButton);
    QVERIFY(!dialog_->isVisible());
    QCOMPARE(dialog_->result(), int(QDialog::Accepted));
  }

  void scriptModeTakesTheFolderFromTheBrowser() {
    ClickRadio(dialog_->ScriptModeButton());
    QTest::mouseClick(dialog_->OkButton(), Qt::LeftButton);
    QCOMPARE(host_->messages,
             std::vector<std::string>{"Please select valid destination folder path."});
    QVERIFY(dialog_->isVisible());
    host_->folder = "/srv/rescue";
    QTest::mouseClick(dialog_->BrowseButton(), Qt::LeftButton);
    QCOMPARE(host_->titles, std::vector<std::string>{"Please choose a folder."});
    QCOMPARE(dialog_->FolderEdit()->text(), QStringLiteral("/srv/rescue"));
    // Cancelling the browser empties the field.
    host_->folder.clear();
    QTest::mouseClick(dialog_->BrowseButton(), Qt::LeftButton);
    QCOMPARE(dialog_->FolderEdit()->text(), QString());
    host_->folder = "/srv/rescue";
    QTest::mouseClick(dialog_->BrowseButton(), Qt::LeftButton);
    QTest::mouseClick(dialog_->OkButton(), Qt::LeftButton);
    QCOMPARE(dialog_->result(), int(QDialog::Accepted));
    QVERIFY(app_->saveAsScriptMode);
    QVERIFY(!app_->saveToDatabaseMode);
    QCOMPARE(app_->saveFolder, std::string("/srv/rescue/"));
  }

  void escapeChangesNoSetting() {
    ClickRadio(dialog_->ScriptModeButton());
    QTest::keyClick(dialog_.get(), Qt::Key_Escape);
    QVERIFY(!dialog_->isVisible());
    QCOMPARE(dialog_->result(), int(QDialog::Rejected));
    QVERIFY(!app_->saveAsScriptMode);
    QVERIFY(app_->saveFolder.empty());
  }

  void theSaveCommandSavesTheCheckedTablesThroughTheDialog() {
    QTemporaryDir out;
    rowmender::guitest::ScriptedWindow scripted;
    rowmender::CMainWindow& window = *scripted.window;
    QVERIFY(scripted.Open(rowmender::guitest::SampleDataFolder()));
    const rowmender::TreeNode table = window.FindNode("typezoo/Tables/enums_bits_myisam");
    QVERIFY(table != rowmender::kNoNode);
    window.Tree()->SetCheck(table, true);
    scripted.answers.folderAnswer = out.path().toStdString();
    bool sawDialog = false;
    // Answers the dialog once it is up.
    QTimer answer;
    connect(&answer, &QTimer::timeout, [&] {
      auto* dialog = window.findChild<savedlgoption*>();
      if (dialog == nullptr || !dialog->isVisible() || sawDialog) return;
      sawDialog = true;
      answer.stop();
      ClickRadio(dialog->ScriptModeButton());
      QTest::mouseClick(dialog->BrowseButton(), Qt::LeftButton);
      QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
    });
    answer.start(10);
    window.SaveAction()->trigger();
    QVERIFY(sawDialog);
    QCOMPARE(scripted.answers.messages.back(), std::string("The recovered data has been saved."));
    QVERIFY(QFile::exists(out.filePath(QStringLiteral("typezoo/enums_bits_myisam.sql"))));
    QVERIFY(QFile::exists(out.filePath(QStringLiteral("restore.sql"))));
    QVERIFY(!window.StopAction()->isEnabled());
    QVERIFY(!scripted.application.saveAsScriptMode);
  }

 private:
  void ExpectDatabaseFieldsEnabled(bool database) {
    for (QWidget* field :
         {static_cast<QWidget*>(dialog_->ServerEdit()), static_cast<QWidget*>(dialog_->PortEdit()),
          static_cast<QWidget*>(dialog_->UserEdit()),
          static_cast<QWidget*>(dialog_->PasswordEdit()),
          static_cast<QWidget*>(dialog_->TestButton())}) {
      QCOMPARE(field->isEnabled(), database);
    }
    QCOMPARE(dialog_->FolderEdit()->isEnabled(), !database);
    QCOMPARE(dialog_->BrowseButton()->isEnabled(), !database);
  }

  std::unique_ptr<rowmender::CTarnSalvorProjApp> app_;
  std::unique_ptr<RecordingHost> host_;
  std::unique_ptr<FakeConnector> connector_;
  std::unique_ptr<SaveDialogModel> model_;
  std::unique_ptr<savedlgoption> dialog_;
};

QTEST_MAIN(SaveDialogTest)
#include "save_dialog_test.moc"
