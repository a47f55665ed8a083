#include "base/text_codec.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "base/utf8.h"

namespace rowmender {

namespace {

// Code points of bytes 0x80..0x9F in Windows-1252; undefined bytes keep
// their C1 control code point.
constexpr std::array<std::uint16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

ByteView UpToZero(ByteView bytes) {
  const auto zero = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
  return bytes.first(static_cast<std::size_t>(zero - bytes.begin()));
}

bool HasMultiByteUtf8(ByteView bytes) {
  const std::string_view text = AsChars(bytes);
  if (std::none_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b >= 0x80; })) {
    return false;
  }
  return IsValidUtf8(text);
}

}  // namespace

std::string Cp1252ToUtf8(ByteView bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::uint8_t b : bytes) {
    if (b < 0x80) {
      out.push_back(static_cast<char>(b));
    } else if (b < 0xA0) {
      AppendUtf8(out, kCp1252High[b - 0x80]);
    } else {
      AppendUtf8(out, b);
    }
  }
  return out;
}

std::string TextFromAnsi(ByteView bytes) {
  return Cp1252ToUtf8(UpToZero(bytes));
}

std::string TextFromUtf8OrAnsi(ByteView bytes) {
  const ByteView text = UpToZero(bytes);
  if (HasMultiByteUtf8(text)) return std::string(AsChars(text));
  return Cp1252ToUtf8(text);
}

std::string DecodeStoredName(ByteView bytes) {
  if (HasMultiByteUtf8(bytes)) return std::string(AsChars(bytes));
  return Cp1252ToUtf8(bytes);
}

}  // namespace rowmender
