#include "app/gui/message_boxes.h"

#include "app/gui/product_info.h"

namespace rowmender {

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const QString& text,
                                            QMessageBox::Icon icon, bool yesNo) {
  auto box = std::make_unique<QMessageBox>(parent);
  box->setWindowTitle(QString::fromLatin1(kWindowTitle));
  box->setIcon(icon);
  box->setText(text);
  box->setTextFormat(Qt::PlainText);
  box->setWindowModality(Qt::ApplicationModal);
  if (yesNo) {
    box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box->setDefaultButton(QMessageBox::No);
    box->setEscapeButton(QMessageBox::No);
  } else {
    box->setStandardButtons(QMessageBox::Ok);
    box->setDefaultButton(QMessageBox::Ok);
  }
  return box;
}

void ShowInformation(QWidget* parent, const QString& text) {
  MakeMessageBox(parent, text, QMessageBox::Information, false)->exec();
}

bool AskYesNo(QWidget* parent, const QString& text, MessageIcon icon) {
  const auto qtIcon =
      icon == MessageIcon::kQuestion ? QMessageBox::Question : QMessageBox::Information;
  return MakeMessageBox(parent, text, qtIcon, true)->exec() == QMessageBox::Yes;
}

}  // namespace rowmender
