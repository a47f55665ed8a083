#include "controls/gui/splash_window.h"

#include <QApplication>
#include <QBitmap>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace rowmender {

CSplashScreenEx::CSplashScreenEx(QWidget* parent, const QPixmap& picture, const QString& text,
                                 unsigned style, int timeoutMilliseconds)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus),
      picture_(picture),
      text_(text),
      style_(style),
      font_(QFontDatabase::systemFont(QFontDatabase::GeneralFont)) {
  setObjectName(QStringLiteral("splash"));
  setAttribute(Qt::WA_DeleteOnClose);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_TranslucentBackground);
  font_.setPixelSize(kTextPixels);
  setFixedSize(picture_.size());
  // The shape: every pixel of the picture that is not transparent.
  if (picture_.hasAlphaChannel()) setMask(picture_.mask());
  timer_.setSingleShot(true);
  timer_.setInterval(timeoutMilliseconds);
  connect(&timer_, &QTimer::timeout, this, &CSplashScreenEx::Finish);
}

bool CSplashScreenEx::Fades() const {
  // Window opacity needs a real window system.
  const QString platform = QGuiApplication::platformName();
  return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

void CSplashScreenEx::Place() {
  QRect area;
  if ((style_ & kCenterOnParent) != 0 && parentWidget() != nullptr) {
    area = parentWidget()->frameGeometry();
  } else {
    const QScreen* screen =
        parentWidget() != nullptr ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen != nullptr) area = screen->availableGeometry();
  }
  if (area.isValid()) {
    move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
  }
}

void CSplashScreenEx::Start() {
  Place();
  if ((style_ & kFadeIn) != 0 && Fades()) {
    setWindowOpacity(0.0);
    show();
    auto* fade = new QPropertyAnimation(this, "windowOpacity", this);
    fade->setDuration(kFadeInMilliseconds);
    fade->setStartValue(0.0);
    fade->setEndValue(1.0);
    fade_ = fade;
    fade->start(QAbstractAnimation::DeleteWhenStopped);
  } else {
    show();
  }
  raise();
  timer_.start();
}

void CSplashScreenEx::Finish() {
  if (finishing_) return;
  finishing_ = true;
  timer_.stop();
  if (fade_ != nullptr) fade_->stop();
  if ((style_ & kFadeOut) != 0 && Fades() && isVisible()) {
    auto* fade = new QPropertyAnimation(this, "windowOpacity", this);
    fade->setDuration(kFadeOutMilliseconds);
    fade->setStartValue(windowOpacity());
    fade->setEndValue(0.0);
    connect(fade, &QPropertyAnimation::finished, this, &CSplashScreenEx::CloseNow);
    fade_ = fade;
    fade->start(QAbstractAnimation::DeleteWhenStopped);
  } else {
    CloseNow();
  }
}

void CSplashScreenEx::CloseNow() {
  close();
}

void CSplashScreenEx::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.drawPixmap(0, 0, picture_);
  painter.setFont(font_);
  painter.setPen(Qt::black);
  painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text_);
}

void CSplashScreenEx::mousePressEvent(QMouseEvent* event) {
  if ((style_ & kCloseOnInput) != 0) {
    Finish();
    return;
  }
  QWidget::mousePressEvent(event);
}

void CSplashScreenEx::keyPressEvent(QKeyEvent* event) {
  if ((style_ & kCloseOnInput) != 0) {
    Finish();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace rowmender
