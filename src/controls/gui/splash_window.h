// The splash window: a borderless, shaped, top-most window that shows the
// product picture with the version text for two seconds while the main
// window is being built. It fades in and out where the platform can, never
// takes the focus, and deletes itself when it is gone.
#pragma once

#include <QFont>
#include <QPixmap>
#include <QPointer>
#include <QPropertyAnimation>
#include <QString>
#include <QTimer>
#include <QWidget>

namespace rowmender {

class CSplashScreenEx : public QWidget {
  Q_OBJECT

 public:
  // Style bits.
  static constexpr unsigned kFadeIn = 1;
  static constexpr unsigned kFadeOut = 2;
  static constexpr unsigned kDropShadow = 4;
  static constexpr unsigned kCenterOnScreen = 8;
  static constexpr unsigned kCenterOnParent = 16;
  static constexpr unsigned kCloseOnInput = 32;
  static constexpr unsigned kDefaultStyle = kFadeIn | kFadeOut | kDropShadow | kCenterOnScreen;

  static constexpr int kTimeoutMilliseconds = 2000;
  static constexpr int kFadeInMilliseconds = 500;
  static constexpr int kFadeOutMilliseconds = 200;
  static constexpr int kTextPixels = 25;

  // A splash owned by `parent` (may be null) showing `picture`; the
  // picture's transparent pixels are see-through.
  CSplashScreenEx(QWidget* parent, const QPixmap& picture, const QString& text,
                  unsigned style = kDefaultStyle, int timeoutMilliseconds = kTimeoutMilliseconds);

  // Places and shows the window and starts its timer.
  void Start();
  // Ends the splash now (fading out where it can).
  void Finish();

  const QString& Text() const { return text_; }
  bool Fades() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Place();
  void CloseNow();

  QPixmap picture_;
  QString text_;
  unsigned style_;
  QFont font_;
  QTimer timer_;
  QPointer<QPropertyAnimation> fade_;
  bool finishing_ = false;
};

}  // namespace rowmender
