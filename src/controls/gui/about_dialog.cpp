#include "controls/gui/about_dialog.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QVBoxLayout>
#include <QWindow>

namespace rowmender {

CTarnAboutDlg::CTarnAboutDlg(const AboutTexts& texts, QWidget* parent)
    : QDialog(parent), font_(QStringLiteral("Arial")) {
  setObjectName(QStringLiteral("aboutBox"));
  setWindowTitle(texts.caption);
  font_.setStyleHint(QFont::SansSerif);
  font_.setPixelSize(kFontPixels);
  font_.setWeight(static_cast<QFont::Weight>(kFontWeight));

  auto* banner = new QLabel(this);
  banner->setPixmap(QPixmap(QStringLiteral(":/rowmender/images/about-banner.png")));
  banner->setScaledContents(false);
  banner->setAlignment(Qt::AlignCenter);

  caption_ = new QLabel(texts.caption, this);
  caption_->setObjectName(QStringLiteral("productCaption"));
  caption_->setFont(font_);
  description_ = new QLabel(texts.description, this);
  description_->setObjectName(QStringLiteral("productDescription"));
  description_->setFont(font_);
  description_->setWordWrap(true);

  manual_ = MakeLink(texts.manual, QStringLiteral("User manual"),
                     QStringLiteral("The user manual that comes with the program"));
  manual_->setVisible(!texts.manual.isEmpty());

  auto* separator = new QFrame(this);
  separator->setFrameShape(QFrame::HLine);
  separator->setFrameShadow(QFrame::Sunken);

  ok_ = new QPushButton(QStringLiteral("OK"), this);
  ok_->setObjectName(QStringLiteral("aboutOk"));
  ok_->setIcon(QIcon(QStringLiteral(":/rowmender/images/ok.png")));
  // Enter must not press it: only a click closes the box.
  ok_->setAutoDefault(false);
  ok_->setDefault(false);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

  auto* text = new QVBoxLayout;
  text->setContentsMargins(18, 12, 18, 6);
  text->setSpacing(6);
  text->addWidget(caption_);
  text->addWidget(description_);
  text->addSpacing(6);
  text->addWidget(manual_);
  text->addWidget(separator);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  text->addLayout(buttons);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 8);
  layout->setSpacing(0);
  layout->addWidget(banner);
  layout->addLayout(text);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

QLabel* CTarnAboutDlg::MakeLink(const QString& target, const QString& caption, const QString& tip) {
  auto* link = new QLabel(this);
  link->setText(
      QStringLiteral("<a href=\"%1\">%2</a>").arg(target.toHtmlEscaped(), caption.toHtmlEscaped()));
  link->setTextFormat(Qt::RichText);
  link->setTextInteractionFlags(Qt::TextBrowserInteraction);
  link->setOpenExternalLinks(true);
  link->setToolTip(tip);
  link->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  return link;
}

void CTarnAboutDlg::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      event->accept();
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

void CTarnAboutDlg::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QDialog::mousePressEvent(event);
    return;
  }
  // A press anywhere in the box moves it, as on its title bar.
  if (windowHandle() != nullptr && windowHandle()->startSystemMove()) return;
  dragging_ = true;
  dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void CTarnAboutDlg::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_ && (event->buttons() & Qt::LeftButton) != 0) {
    move(event->globalPosition().toPoint() - dragOffset_);
    return;
  }
  dragging_ = false;
  QDialog::mouseMoveEvent(event);
}

}  // namespace rowmender
