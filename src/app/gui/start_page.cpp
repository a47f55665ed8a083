#include "app/gui/start_page.h"

#include <QPushButton>

namespace rowmender {

StartPage::StartPage(QAction* open, QWidget* parent)
    : QWidget(parent),
      emptyNote_(new QLabel(QStringLiteral("No data folder has been opened yet."), this)),
      list_(new QVBoxLayout) {
  setObjectName(QStringLiteral("startPage"));
  auto* heading = new QLabel(
      QStringLiteral("Open the data folder of a MySQL or MariaDB server (or a copy of it) to "
                     "recover its tables. Nothing in it is ever written."),
      this);
  heading->setWordWrap(true);
  auto* openButton = new QPushButton(open->icon(), QStringLiteral("Open a data folder..."), this);
  openButton->setObjectName(QStringLiteral("startOpen"));
  connect(openButton, &QPushButton::clicked, open, &QAction::trigger);
  auto* recentHeading = new QLabel(QStringLiteral("<b>Recent data folders</b>"), this);

  auto* column = new QVBoxLayout;
  column->addWidget(heading);
  column->addWidget(openButton, 0, Qt::AlignLeft);
  column->addSpacing(16);
  column->addWidget(recentHeading);
  column->addWidget(emptyNote_);
  column->addLayout(list_);
  column->addStretch();
  auto* layout = new QHBoxLayout(this);
  layout->addSpacing(24);
  layout->addLayout(column, 1);
  layout->addSpacing(24);
}

void StartPage::SetRecentFolders(const std::vector<std::string>& folders) {
  folders_ = folders;
  while (QLayoutItem* item = list_->takeAt(0)) {
    delete item->widget();
    delete item;
  }
  for (const std::string& folder : folders) {
    const QString text = QString::fromStdString(folder);
    auto* button = new QPushButton(text, this);
    button->setObjectName(QStringLiteral("recentFolder"));
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setToolTip(QStringLiteral("Open ") + text);
    button->setStyleSheet(QStringLiteral("text-align: left; padding: 2px 6px;"));
    connect(button, &QPushButton::clicked, this, [this, text] { emit folderChosen(text); });
    list_->addWidget(button);
  }
  emptyNote_->setVisible(folders.empty());
}

}  // namespace rowmender
