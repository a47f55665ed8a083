// The window's look, chosen by the number kept as "ApplicationLook" in the
// program's settings (215 unless another value is stored). The numbers are
// those of the classic looks: 205 the plain classic look, 206 to 210 the
// flat looks of their time, 215 to 218 the blue, black, silver and aqua
// ribbon looks, 219 the look of the desktop. Each maps to a Qt style and a
// palette; unknown numbers give the blue look.
#pragma once

#include <QColor>
#include <QPalette>
#include <QString>
#include <cstdint>

namespace rowmender {

inline constexpr std::uint32_t kLookClassic = 205;
inline constexpr std::uint32_t kLookFirstFlat = 206;
inline constexpr std::uint32_t kLookLastFlat = 210;
inline constexpr std::uint32_t kLookBlue = 215;
inline constexpr std::uint32_t kLookBlack = 216;
inline constexpr std::uint32_t kLookSilver = 217;
inline constexpr std::uint32_t kLookAqua = 218;
inline constexpr std::uint32_t kLookDesktop = 219;
inline constexpr std::uint32_t kDefaultLook = kLookBlue;

struct ApplicationLook {
  std::uint32_t number = kDefaultLook;
  QString styleName;
  QPalette palette;
  // The ribbon's background, top to bottom, and its panel captions.
  QColor ribbonTop;
  QColor ribbonBottom;
  QColor ribbonText;
  // The caption bar's background and text.
  QColor captionBar;
  QColor captionText;
};

// The look for `number` (the blue look for numbers it does not know).
ApplicationLook LookFor(std::uint32_t number);
bool IsKnownLook(std::uint32_t number);

// The stored number, or kDefaultLook.
std::uint32_t ReadApplicationLook();
void WriteApplicationLook(std::uint32_t number);

// Sets the application's style and palette.
void ApplyApplicationLook(const ApplicationLook& look);

}  // namespace rowmender
