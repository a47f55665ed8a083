#include "app/gui/savedlgoption.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QStyle>
#include <QVBoxLayout>
#include <memory>

#include "app/gui/save_command_hook.h"
#include "export/save/checked_save.h"
#ifdef ROWMENDER_HAVE_ODBC
#include "export/odbc/odbc_connection.h"
#endif

namespace rowmender {

namespace {

constexpr int kServerEditWidth = 200;
constexpr int kPortEditWidth = 140;
constexpr int kFolderEditWidth = 440;
constexpr int kBrowseButtonWidth = 36;
constexpr int kButtonWidth = 96;
constexpr int kTestButtonWidth = 150;

QString Text(const char* text) {
  return QString::fromUtf8(text);
}

QLineEdit* Edit(QWidget* parent, const char* name, int width) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setMinimumWidth(width);
  return edit;
}

QLabel* Label(QWidget* parent, const char* text, QWidget* buddy) {
  auto* label = new QLabel(Text(text), parent);
  label->setBuddy(buddy);
  return label;
}

// A build without the ODBC library can still save scripts; a connection
// test says why it cannot connect.
class NoConnector : public ServerConnector {
 public:
  std::unique_ptr<ServerConnection> Open(const std::string&, const std::string&, const std::string&,
                                         std::string& error) override {
    error = "This build of Rowmender cannot connect to a server (it was built without unixODBC).";
    return nullptr;
  }
};

std::unique_ptr<ServerConnector> MakeConnector() {
#ifdef ROWMENDER_HAVE_ODBC
  return std::make_unique<OdbcConnector>();
#else
  return std::make_unique<NoConnector>();
#endif
}

// The save joins the window through the hook the Save command calls.
const bool kSaveCommandRegistered = [] {
  RegisterSaveCommand([](CMainFrame& frame, QWidget* window) { RunSaveCommand(frame, window); });
  return true;
}();

}  // namespace

savedlgoption::savedlgoption(SaveDialogModel& model, QWidget* parent)
    : QDialog(parent),
      model_(model),
      databaseMode_(new QRadioButton(Text(kSaveInDatabaseLabel), this)),
      scriptMode_(new QRadioButton(Text(kSaveAsScriptLabel), this)),
      server_(Edit(this, "saveServer", kServerEditWidth)),
      port_(Edit(this, "savePort", kPortEditWidth)),
      user_(Edit(this, "saveUser", kServerEditWidth)),
      password_(Edit(this, "savePassword", kPortEditWidth)),
      folder_(Edit(this, "saveFolder", kFolderEditWidth)),
      test_(new QPushButton(Text(kTestConnectionLabel), this)),
      browse_(new QPushButton(Text(kBrowseLabel), this)),
      ok_(new QPushButton(Text(kOkLabel), this)),
      cancel_(new QPushButton(Text(kCancelLabel), this)) {
  setObjectName(QStringLiteral("saveDialog"));
  setWindowTitle(Text(kSaveDialogTitle));
  setModal(true);

  databaseMode_->setObjectName(QStringLiteral("saveInDatabase"));
  scriptMode_->setObjectName(QStringLiteral("saveAsScript"));
  password_->setEchoMode(QLineEdit::Password);
  folder_->setReadOnly(true);
  test_->setObjectName(QStringLiteral("testConnection"));
  test_->setIcon(style()->standardIcon(QStyle::SP_DriveNetIcon));
  test_->setToolTip(Text(kTestConnectionTooltip));
  test_->setAutoDefault(false);
  test_->setMinimumWidth(kTestButtonWidth);
  browse_->setObjectName(QStringLiteral("browseSaveFolder"));
  browse_->setAutoDefault(false);
  browse_->setFixedWidth(kBrowseButtonWidth);
  ok_->setObjectName(QStringLiteral("saveOk"));
  ok_->setIcon(QIcon(QStringLiteral(":/rowmender/images/ok.png")));
  ok_->setToolTip(Text(kOkTooltip));
  ok_->setDefault(true);
  ok_->setMinimumWidth(kButtonWidth);
  cancel_->setObjectName(QStringLiteral("saveCancel"));
  cancel_->setIcon(QIcon(QStringLiteral(":/rowmender/images/cancel.png")));
  cancel_->setToolTip(Text(kCancelTooltip));
  cancel_->setAutoDefault(false);
  cancel_->setMinimumWidth(kButtonWidth);

  // Each radio button starts a group of its own; they exclude each other
  // through the handlers.
  databaseMode_->setAutoExclusive(false);
  scriptMode_->setAutoExclusive(false);

  auto* serverGroup = new QGroupBox(this);
  auto* serverGrid = new QGridLayout(serverGroup);
  serverGrid->addWidget(Label(this, kServerLabel, server_), 0, 0);
  serverGrid->addWidget(server_, 0, 1);
  serverGrid->addWidget(Label(this, kPortLabel, port_), 0, 2);
  serverGrid->addWidget(port_, 0, 3);
  serverGrid->addWidget(Label(this, kUserLabel, user_), 1, 0);
  serverGrid->addWidget(user_, 1, 1);
  serverGrid->addWidget(Label(this, kPasswordLabel, password_), 1, 2);
  serverGrid->addWidget(password_, 1, 3);
  serverGrid->addWidget(test_, 2, 0, 1, 4, Qt::AlignHCenter);

  auto* folderGroup = new QGroupBox(this);
  auto* folderRow = new QHBoxLayout(folderGroup);
  folderRow->addWidget(Label(this, kSavingFolderLabel, folder_));
  folderRow->addWidget(folder_, 1);
  folderRow->addWidget(browse_);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  buttons->addStretch();

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(Text(kSaveDialogPrompt), this));
  layout->addWidget(databaseMode_);
  layout->addWidget(serverGroup);
  layout->addWidget(scriptMode_);
  layout->addWidget(folderGroup);
  layout->addLayout(buttons);

  connect(databaseMode_, &QRadioButton::clicked, this, [this] {
    ToModel();
    model_.SelectDatabaseMode();
    FromModel();
  });
  connect(scriptMode_, &QRadioButton::clicked, this, [this] {
    ToModel();
    model_.SelectScriptMode();
    FromModel();
  });
  connect(test_, &QPushButton::clicked, this, [this] {
    ToModel();
    model_.TestConnection();
    FromModel();
  });
  connect(browse_, &QPushButton::clicked, this, [this] {
    ToModel();
    model_.Browse();
    FromModel();
  });
  connect(ok_, &QPushButton::clicked, this, &savedlgoption::TryAccept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

  FromModel();
  server_->setFocus();
}

void savedlgoption::ToModel() {
  model_.server = server_->text().toStdString();
  model_.port = port_->text().toStdString();
  model_.user = user_->text().toStdString();
  model_.password = password_->text().toStdString();
}

void savedlgoption::FromModel() {
  server_->setText(QString::fromStdString(model_.server));
  port_->setText(QString::fromStdString(model_.port));
  user_->setText(QString::fromStdString(model_.user));
  password_->setText(QString::fromStdString(model_.password));
  folder_->setText(QString::fromStdString(model_.folder));
  const bool database = model_.Mode() == SaveDialogMode::kDatabase;
  databaseMode_->setChecked(database);
  scriptMode_->setChecked(!database);
  for (QWidget* field :
       {static_cast<QWidget*>(server_), static_cast<QWidget*>(port_), static_cast<QWidget*>(user_),
        static_cast<QWidget*>(password_), static_cast<QWidget*>(test_)}) {
    field->setEnabled(model_.ServerFieldsEnabled());
  }
  folder_->setEnabled(model_.FolderFieldsEnabled());
  browse_->setEnabled(model_.FolderFieldsEnabled());
}

void savedlgoption::TryAccept() {
  ToModel();
  const bool close = model_.Ok();
  FromModel();
  if (close) accept();
}

void RunSaveCommand(CMainFrame& frame, QWidget* window) {
  const std::unique_ptr<ServerConnector> connector = MakeConnector();
  UiSaveDialogHost host(frame.ui);
  SaveDialogModel model(frame.app, host, *connector);
  savedlgoption dialog(model, window);
  if (dialog.exec() != QDialog::Accepted) return;
  CheckedSaveOptions options;
  options.betweenPages = [] { QCoreApplication::processEvents(); };
  SaveCheckedObjects(frame, *connector, options);
}

}  // namespace rowmender
