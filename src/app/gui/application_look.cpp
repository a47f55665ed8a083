#include "app/gui/application_look.h"

#include <QApplication>
#include <QSettings>
#include <QStyle>
#include <QStyleFactory>
#include <memory>

#include "app/gui/product_info.h"

namespace rowmender {

namespace {

QPalette StandardPaletteOf(const QString& styleName) {
  const std::unique_ptr<QStyle> style(QStyleFactory::create(styleName));
  return style != nullptr ? style->standardPalette() : QApplication::palette();
}

// A light palette whose selection and links take `accent`.
QPalette LightPalette(const QColor& window, const QColor& accent) {
  QPalette palette = StandardPaletteOf(QStringLiteral("Fusion"));
  palette.setColor(QPalette::Window, window);
  palette.setColor(QPalette::Button, window.lighter(104));
  palette.setColor(QPalette::Highlight, accent);
  palette.setColor(QPalette::HighlightedText, Qt::white);
  palette.setColor(QPalette::Link, accent.darker(120));
  palette.setColor(QPalette::Inactive, QPalette::Highlight, accent.lighter(135));
  palette.setColor(QPalette::Inactive, QPalette::HighlightedText, Qt::white);
  return palette;
}

QPalette DarkPalette() {
  QPalette palette;
  const QColor window(45, 45, 48);
  const QColor base(30, 30, 32);
  const QColor text(220, 220, 220);
  const QColor grey(128, 128, 128);
  palette.setColor(QPalette::Window, window);
  palette.setColor(QPalette::WindowText, text);
  palette.setColor(QPalette::Base, base);
  palette.setColor(QPalette::AlternateBase, window);
  palette.setColor(QPalette::ToolTipBase, window);
  palette.setColor(QPalette::ToolTipText, text);
  palette.setColor(QPalette::PlaceholderText, grey);
  palette.setColor(QPalette::Text, text);
  palette.setColor(QPalette::Button, window);
  palette.setColor(QPalette::ButtonText, text);
  palette.setColor(QPalette::BrightText, Qt::red);
  palette.setColor(QPalette::Link, QColor(110, 170, 240));
  palette.setColor(QPalette::Highlight, QColor(62, 110, 180));
  palette.setColor(QPalette::HighlightedText, Qt::white);
  palette.setColor(QPalette::Light, window.lighter(150));
  palette.setColor(QPalette::Midlight, window.lighter(125));
  palette.setColor(QPalette::Mid, window.darker(120));
  palette.setColor(QPalette::Dark, window.darker(150));
  palette.setColor(QPalette::Shadow, Qt::black);
  for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    palette.setColor(QPalette::Disabled, role, grey);
  }
  return palette;
}

}  // namespace

bool IsKnownLook(std::uint32_t number) {
  return number == kLookClassic || (number >= kLookFirstFlat && number <= kLookLastFlat) ||
         (number >= kLookBlue && number <= kLookDesktop);
}

ApplicationLook LookFor(std::uint32_t number) {
  if (!IsKnownLook(number)) number = kDefaultLook;
  ApplicationLook look;
  look.number = number;
  look.styleName = QStringLiteral("Fusion");
  const QColor blue(61, 128, 201);
  switch (number) {
    case kLookClassic:
      look.styleName = QStringLiteral("Windows");
      look.palette = StandardPaletteOf(look.styleName);
      look.ribbonTop = look.ribbonBottom = look.palette.color(QPalette::Window);
      look.captionBar = look.palette.color(QPalette::Dark);
      look.captionText = Qt::white;
      break;
    case kLookBlack:
      look.palette = DarkPalette();
      look.ribbonTop = QColor(72, 72, 76);
      look.ribbonBottom = QColor(52, 52, 56);
      look.captionBar = QColor(36, 36, 38);
      look.captionText = QColor(235, 235, 235);
      break;
    case kLookSilver:
      look.palette = LightPalette(QColor(233, 235, 238), QColor(96, 112, 132));
      look.ribbonTop = QColor(250, 250, 251);
      look.ribbonBottom = QColor(222, 225, 230);
      look.captionBar = QColor(206, 210, 216);
      look.captionText = QColor(30, 30, 30);
      break;
    case kLookAqua:
      look.palette = LightPalette(QColor(228, 240, 242), QColor(0, 128, 148));
      look.ribbonTop = QColor(246, 252, 253);
      look.ribbonBottom = QColor(205, 230, 235);
      look.captionBar = QColor(190, 224, 230);
      look.captionText = QColor(10, 50, 60);
      break;
    case kLookBlue:
      look.palette = LightPalette(QColor(223, 233, 245), blue);
      look.ribbonTop = QColor(245, 249, 254);
      look.ribbonBottom = QColor(210, 225, 244);
      look.captionBar = QColor(193, 214, 240);
      look.captionText = QColor(21, 66, 139);
      break;
    default:  // the flat looks and the desktop's look
      look.palette = StandardPaletteOf(look.styleName);
      look.ribbonTop = look.palette.color(QPalette::Window).lighter(106);
      look.ribbonBottom = look.palette.color(QPalette::Window);
      look.captionBar = look.palette.color(QPalette::Window).darker(110);
      look.captionText = look.palette.color(QPalette::WindowText);
      break;
  }
  look.ribbonText = look.palette.color(QPalette::WindowText);
  return look;
}

std::uint32_t ReadApplicationLook() {
  const QSettings settings(QString::fromLatin1(kSettingsName));
  bool ok = false;
  const uint stored =
      settings.value(QString::fromLatin1(kApplicationLookValue), kDefaultLook).toUInt(&ok);
  return ok ? stored : kDefaultLook;
}

void WriteApplicationLook(std::uint32_t number) {
  QSettings settings(QString::fromLatin1(kSettingsName));
  settings.setValue(QString::fromLatin1(kApplicationLookValue), number);
}

void ApplyApplicationLook(const ApplicationLook& look) {
  if (QStyle* style = QStyleFactory::create(look.styleName)) QApplication::setStyle(style);
  QApplication::setPalette(look.palette);
}

}  // namespace rowmender
