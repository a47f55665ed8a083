#include "app/gui/export_dialog.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace rowmender {

namespace {

constexpr int kFolderEditWidth = 360;

}  // namespace

ExportDialog::ExportDialog(const std::string& title, const ExportChoice& choice, UserInterface& ui,
                           QWidget* parent)
    : QDialog(parent),
      ui_(ui),
      sql_(new QRadioButton(QStringLiteral("SQL script: CREATE TABLE and INSERT (.sql)"), this)),
      tsv_(new QRadioButton(QStringLiteral("Tab-separated values, NULL as \\N (.tsv)"), this)),
      csv_(new QRadioButton(QStringLiteral("Comma-separated values with a header line (.csv)"),
                            this)),
      folder_(new QLineEdit(QString::fromStdString(choice.folder), this)),
      browse_(new QPushButton(QStringLiteral("..."), this)),
      export_(new QPushButton(QStringLiteral("Export"), this)),
      cancel_(new QPushButton(QStringLiteral("Cancel"), this)) {
  setObjectName(QStringLiteral("exportDialog"));
  setWindowTitle(QString::fromStdString(title));
  setModal(true);
  sql_->setObjectName(QStringLiteral("exportSql"));
  tsv_->setObjectName(QStringLiteral("exportTsv"));
  csv_->setObjectName(QStringLiteral("exportCsv"));
  folder_->setObjectName(QStringLiteral("exportFolder"));
  folder_->setMinimumWidth(kFolderEditWidth);
  browse_->setObjectName(QStringLiteral("browseExportFolder"));
  browse_->setAutoDefault(false);
  export_->setObjectName(QStringLiteral("exportOk"));
  export_->setDefault(true);
  cancel_->setObjectName(QStringLiteral("exportCancel"));
  cancel_->setAutoDefault(false);

  auto* formats = new QButtonGroup(this);
  auto* formatBox = new QGroupBox(QStringLiteral("Write each table as"), this);
  auto* formatLayout = new QVBoxLayout(formatBox);
  for (QRadioButton* button : {sql_, tsv_, csv_}) {
    formats->addButton(button);
    formatLayout->addWidget(button);
  }
  FormatButton(choice.format)->setChecked(true);
  auto* note = new QLabel(
      QStringLiteral("One file per table in a folder per database; delete-marked rows of a TSV "
                     "or CSV export go into a file of their own (name__deleted)."),
      this);
  note->setWordWrap(true);

  auto* folderBox = new QGroupBox(QStringLiteral("Export into the folder"), this);
  auto* folderRow = new QHBoxLayout(folderBox);
  folderRow->addWidget(folder_, 1);
  folderRow->addWidget(browse_);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(export_);
  buttons->addWidget(cancel_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(formatBox);
  layout->addWidget(note);
  layout->addWidget(folderBox);
  layout->addLayout(buttons);

  connect(browse_, &QPushButton::clicked, this, [this] {
    const std::string chosen = ui_.ChooseFolder("Select the folder to export into.");
    if (!chosen.empty()) folder_->setText(QString::fromStdString(chosen));
  });
  connect(export_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

QRadioButton* ExportDialog::FormatButton(ExportFormat format) const {
  switch (format) {
    case ExportFormat::kSql:
      return sql_;
    case ExportFormat::kTsv:
      return tsv_;
    case ExportFormat::kCsv:
      return csv_;
  }
  return sql_;
}

ExportChoice ExportDialog::Choice() const {
  ExportChoice choice;
  choice.format = tsv_->isChecked()   ? ExportFormat::kTsv
                  : csv_->isChecked() ? ExportFormat::kCsv
                                      : ExportFormat::kSql;
  choice.folder = folder_->text().trimmed().toStdString();
  return choice;
}

}  // namespace rowmender
