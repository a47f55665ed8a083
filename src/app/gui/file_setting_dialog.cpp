#include "app/gui/file_setting_dialog.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

namespace rowmender {

namespace {

constexpr int kEditMinimumWidth = 560;
constexpr int kBrowseButtonWidth = 36;
constexpr int kBottomButtonWidth = 96;

QGroupBox* FolderGroup(QWidget* parent, const char* title, QLineEdit* edit, QPushButton* browse) {
  auto* group = new QGroupBox(QString::fromUtf8(title), parent);
  auto* column = new QVBoxLayout(group);
  auto* row = new QHBoxLayout;
  row->addWidget(edit, 1);
  row->addWidget(browse);
  column->addLayout(row);
  return group;
}

QPushButton* BrowseButton(QWidget* parent, const char* name) {
  auto* button = new QPushButton(QStringLiteral("..."), parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  button->setFixedWidth(kBrowseButtonWidth);
  return button;
}

QLineEdit* FolderEdit(QWidget* parent, const char* name) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setMinimumWidth(kEditMinimumWidth);
  return edit;
}

}  // namespace

CTarnFileSettingDlg::CTarnFileSettingDlg(SettingsDialog& model, UserInterface& ui, QWidget* parent)
    : QDialog(parent),
      model_(model),
      ui_(ui),
      dataFolder_(FolderEdit(this, "dataFolder")),
      temporaryFolder_(FolderEdit(this, "temporaryFolder")),
      logFolder_(FolderEdit(this, "logFolder")),
      definitionFiles_(FolderEdit(this, "definitionFiles")),
      browseData_(BrowseButton(this, "browseDataFolder")),
      browseTemporary_(BrowseButton(this, "browseTemporaryFolder")),
      browseLog_(BrowseButton(this, "browseLogFolder")),
      browseDefinition_(BrowseButton(this, "browseDefinitionFile")),
      ok_(new QPushButton(QStringLiteral("OK"), this)),
      cancel_(new QPushButton(QStringLiteral("Cancel"), this)),
      recentFolders_(new QComboBox(this)) {
  setObjectName(QStringLiteral("settingsDialog"));
  setWindowTitle(QString::fromUtf8(kSettingsDialogTitle));
  setModal(true);

  ok_->setObjectName(QStringLiteral("settingsOk"));
  ok_->setIcon(QIcon(QStringLiteral(":/rowmender/images/ok.png")));
  ok_->setToolTip(QStringLiteral("OK"));
  ok_->setDefault(true);
  ok_->setMinimumWidth(kBottomButtonWidth);
  cancel_->setObjectName(QStringLiteral("settingsCancel"));
  cancel_->setIcon(QIcon(QStringLiteral(":/rowmender/images/cancel.png")));
  cancel_->setToolTip(QStringLiteral("Cancel"));
  cancel_->setAutoDefault(false);
  cancel_->setMinimumWidth(kBottomButtonWidth);

  // The data folders opened last: choosing one puts it into the edit.
  recentFolders_->setObjectName(QStringLiteral("recentDataFolders"));
  for (const std::string& folder : model_.recentDataFolders)
    recentFolders_->addItem(QString::fromStdString(folder));
  recentFolders_->setToolTip(QStringLiteral("The data folders opened last"));
  QGroupBox* dataGroup = FolderGroup(this, kDataFolderGroup, dataFolder_, browseData_);
  if (!model_.recentDataFolders.empty()) {
    auto* recentRow = new QHBoxLayout;
    recentRow->addWidget(new QLabel(QString::fromUtf8(kRecentDataFoldersLabel), this));
    recentRow->addWidget(recentFolders_, 1);
    static_cast<QVBoxLayout*>(dataGroup->layout())->addLayout(recentRow);
  } else {
    recentFolders_->hide();
  }
  connect(recentFolders_, &QComboBox::activated, this,
          [this](int index) { dataFolder_->setText(recentFolders_->itemText(index)); });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(dataGroup);
  layout->addWidget(FolderGroup(this, kTemporaryFolderGroup, temporaryFolder_, browseTemporary_));
  layout->addWidget(FolderGroup(this, kLogFolderGroup, logFolder_, browseLog_));
  layout->addWidget(FolderGroup(this, kDefinitionFilesGroup, definitionFiles_, browseDefinition_));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  buttons->addStretch();
  layout->addLayout(buttons);

  connect(browseData_, &QPushButton::clicked, this,
          [this] { Browse(&SettingsDialog::BrowseDataFolder); });
  connect(browseTemporary_, &QPushButton::clicked, this,
          [this] { Browse(&SettingsDialog::BrowseTemporaryFolder); });
  connect(browseLog_, &QPushButton::clicked, this,
          [this] { Browse(&SettingsDialog::BrowseLogFolder); });
  connect(browseDefinition_, &QPushButton::clicked, this,
          [this] { Browse(&SettingsDialog::BrowseDefinitionFile); });
  connect(ok_, &QPushButton::clicked, this, &CTarnFileSettingDlg::TryAccept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

  FromModel();
  dataFolder_->setFocus();
}

void CTarnFileSettingDlg::ToModel() {
  model_.dataFolder = dataFolder_->text().toStdString();
  model_.temporaryFolder = temporaryFolder_->text().toStdString();
  model_.logFolder = logFolder_->text().toStdString();
  model_.definitionFiles = definitionFiles_->text().toStdString();
}

void CTarnFileSettingDlg::FromModel() {
  dataFolder_->setText(QString::fromStdString(model_.dataFolder));
  temporaryFolder_->setText(QString::fromStdString(model_.temporaryFolder));
  logFolder_->setText(QString::fromStdString(model_.logFolder));
  definitionFiles_->setText(QString::fromStdString(model_.definitionFiles));
}

void CTarnFileSettingDlg::Browse(void (SettingsDialog::*browse)(UserInterface&)) {
  ToModel();
  (model_.*browse)(ui_);
  FromModel();
}

void CTarnFileSettingDlg::TryAccept() {
  ToModel();
  if (model_.Accept(ui_)) accept();
}

}  // namespace rowmender
