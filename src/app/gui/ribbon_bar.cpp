#include "app/gui/ribbon_bar.h"

#include <QIcon>
#include <QLinearGradient>
#include <QPainter>
#include <QVBoxLayout>

namespace rowmender {

namespace {

constexpr int kApplicationButtonSize = 42;
constexpr int kLargeButtonWidth = 72;
constexpr int kLargeButtonHeight = 64;

}  // namespace

// ---------------------------------------------------------------------------
// RibbonPanel

RibbonPanel::RibbonPanel(const QString& title, QWidget* parent)
    : QFrame(parent), title_(title), buttons_(new QHBoxLayout) {
  setObjectName(QStringLiteral("ribbonPanel"));
  setFrameShape(QFrame::NoFrame);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 2, 4, 2);
  layout->setSpacing(0);
  buttons_->setSpacing(2);
  buttons_->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(buttons_);
  layout->addStretch();
  auto* caption = new QLabel(title, this);
  caption->setObjectName(QStringLiteral("ribbonPanelTitle"));
  caption->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
  QFont small = caption->font();
  small.setPointSizeF(small.pointSizeF() * 0.9);
  caption->setFont(small);
  caption->setEnabled(false);
  // A panel without a title keeps the room for one, so all buttons align.
  caption->setMinimumHeight(caption->fontMetrics().height());
  layout->addWidget(caption);
}

QToolButton* RibbonPanel::AddLargeButton(QAction* action) {
  auto* button = new QToolButton(this);
  button->setDefaultAction(action);
  button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  button->setIconSize(QSize(CRibbonBar::kLargeImage, CRibbonBar::kLargeImage));
  button->setAutoRaise(true);
  button->setMinimumSize(kLargeButtonWidth, kLargeButtonHeight);
  button->setFocusPolicy(Qt::NoFocus);
  buttons_->addWidget(button);
  return button;
}

// ---------------------------------------------------------------------------
// CRibbonBar

CRibbonBar::CRibbonBar(QWidget* parent)
    : QWidget(parent),
      applicationButton_(new QToolButton(this)),
      applicationMenu_(new QMenu(this)),
      tabs_(new QTabBar(this)),
      panelRow_(new QHBoxLayout) {
  setObjectName(QStringLiteral("ribbon"));
  applicationButton_->setObjectName(QStringLiteral("applicationButton"));
  applicationButton_->setIcon(QIcon(QStringLiteral(":/rowmender/images/app-32.png")));
  applicationButton_->setIconSize(QSize(28, 28));
  applicationButton_->setFixedSize(kApplicationButtonSize, kApplicationButtonSize);
  applicationButton_->setPopupMode(QToolButton::InstantPopup);
  applicationButton_->setMenu(applicationMenu_);
  applicationButton_->setAutoRaise(true);
  applicationButton_->setToolTip(QStringLiteral("Rowmender"));
  applicationButton_->setStyleSheet(
      QStringLiteral("QToolButton::menu-indicator { image: none; width: 0px; }"));

  tabs_->setObjectName(QStringLiteral("ribbonTabs"));
  tabs_->addTab(QStringLiteral("Rowmender"));
  tabs_->setDrawBase(false);
  tabs_->setExpanding(false);
  tabs_->setFocusPolicy(Qt::NoFocus);

  auto* top = new QHBoxLayout;
  top->setContentsMargins(0, 0, 0, 0);
  top->setSpacing(6);
  top->addWidget(applicationButton_);
  top->addWidget(tabs_, 0, Qt::AlignBottom);
  top->addStretch();

  panelRow_->setContentsMargins(6, 2, 6, 2);
  panelRow_->setSpacing(0);
  panelRow_->addStretch();

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 0);
  layout->setSpacing(0);
  layout->addLayout(top);
  layout->addLayout(panelRow_);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

RibbonPanel* CRibbonBar::AddPanel(const QString& title) {
  auto* panel = new RibbonPanel(title, this);
  if (!panels_.empty()) {
    auto* separator = new QFrame(this);
    separator->setFrameShape(QFrame::VLine);
    separator->setFrameShadow(QFrame::Sunken);
    panelRow_->insertWidget(panelRow_->count() - 1, separator);
  }
  panelRow_->insertWidget(panelRow_->count() - 1, panel);
  panels_.push_back(panel);
  return panel;
}

QToolButton* CRibbonBar::ButtonFor(const QAction* action) const {
  for (RibbonPanel* panel : panels_) {
    for (QToolButton* button : panel->findChildren<QToolButton*>()) {
      if (button->defaultAction() == action) return button;
    }
  }
  return nullptr;
}

void CRibbonBar::SetColours(const QColor& top, const QColor& bottom) {
  top_ = top;
  bottom_ = bottom;
  update();
}

void CRibbonBar::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  const int tabBottom = tabs_->geometry().bottom() + 1;
  painter.fillRect(QRect(0, 0, width(), tabBottom), palette().color(QPalette::Window));
  QLinearGradient gradient(0, tabBottom, 0, height());
  gradient.setColorAt(0, top_.isValid() ? top_ : palette().color(QPalette::Light));
  gradient.setColorAt(1, bottom_.isValid() ? bottom_ : palette().color(QPalette::Window));
  const QRect body(0, tabBottom, width(), height() - tabBottom);
  painter.fillRect(body, gradient);
  painter.setPen(palette().color(QPalette::Mid));
  painter.drawLine(body.topLeft(), body.topRight());
  painter.drawLine(body.bottomLeft(), body.bottomRight());
}

}  // namespace rowmender
