#include "app/gui/window_bars.h"

#include <QHBoxLayout>
#include <QPixmap>
#include <algorithm>

namespace rowmender {

namespace {

constexpr int kCaptionBarHeight = 28;
constexpr int kCaptionIconSize = 16;

}  // namespace

// ---------------------------------------------------------------------------
// CMyCaptionBar

CMyCaptionBar::CMyCaptionBar(QWidget* parent)
    : QFrame(parent), icon_(new QLabel(this)), label_(new QLabel(this)) {
  setObjectName(QStringLiteral("captionBar"));
  setFrameShape(QFrame::StyledPanel);
  setFixedHeight(kCaptionBarHeight);
  setAutoFillBackground(true);
  icon_->setPixmap(QPixmap(QStringLiteral(":/rowmender/images/app-16.png")));
  icon_->setFixedSize(kCaptionIconSize, kCaptionIconSize);
  label_->setObjectName(QStringLiteral("captionText"));
  label_->setTextFormat(Qt::PlainText);
  label_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  label_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  QFont bold = label_->font();
  bold.setBold(true);
  label_->setFont(bold);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(8, 0, 8, 0);
  layout->setSpacing(8);
  layout->addWidget(icon_);
  layout->addWidget(label_, 1);
}

void CMyCaptionBar::SetText(const std::string& text) {
  text_ = text;
  QString shown = QString::fromStdString(text);
  while (shown.endsWith(QLatin1Char('\n')) || shown.endsWith(QLatin1Char('\r')))
    shown.chop(1);
  shown.replace(QLatin1String("\r\n"), QLatin1String(" "));
  shown.replace(QLatin1Char('\n'), QLatin1Char(' '));
  label_->setText(shown);
  if (isVisible()) repaint();
}

void CMyCaptionBar::SetColours(const QColor& background, const QColor& text) {
  QPalette colours = palette();
  colours.setColor(QPalette::Window, background);
  colours.setColor(QPalette::WindowText, text);
  setPalette(colours);
}

// ---------------------------------------------------------------------------
// CRibbonStatusBarCls

CRibbonStatusBarCls::CRibbonStatusBarCls(const QString& linkAddress, const QString& linkText,
                                         QWidget* parent)
    : QStatusBar(parent),
      progress_(new QProgressBar(this)),
      link_(new QLabel(this)),
      pane_(new QLabel(QStringLiteral("Rowmender"), this)),
      rows_(new QLabel(this)) {
  setObjectName(QStringLiteral("statusBar"));
  setSizeGripEnabled(true);
  link_->setObjectName(QStringLiteral("manualLink"));
  link_->setTextFormat(Qt::RichText);
  link_->setText(QStringLiteral("<a href=\"%1\">%2</a>")
                     .arg(linkAddress.toHtmlEscaped(), linkText.toHtmlEscaped()));
  link_->setOpenExternalLinks(true);
  link_->setTextInteractionFlags(Qt::TextBrowserInteraction);
  link_->setToolTip(linkAddress);
  // Without an address there is nothing to link to.
  link_->setVisible(!linkAddress.isEmpty());
  addWidget(link_);
  rows_->setObjectName(QStringLiteral("rowStatus"));
  rows_->setContentsMargins(8, 0, 8, 0);
  addPermanentWidget(rows_);
  pane_->setObjectName(QStringLiteral("productPane"));
  pane_->setContentsMargins(8, 0, 8, 0);
  addPermanentWidget(pane_);
  // The busy indicator is a plain child placed by hand, over the free
  // middle of the bar; it moves between busy states without a range.
  progress_->setObjectName(QStringLiteral("busyIndicator"));
  progress_->setRange(0, 0);
  progress_->setValue(0);
  progress_->setTextVisible(false);
  progress_->hide();
}

void CRibbonStatusBarCls::resizeEvent(QResizeEvent* event) {
  QStatusBar::resizeEvent(event);
  progress_->setGeometry(kProgressLeft, kProgressTop, std::max(0, width() - kProgressRightRoom),
                         kProgressHeight);
  progress_->raise();
}

}  // namespace rowmender
