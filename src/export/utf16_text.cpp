#include "export/utf16_text.h"

#include <cstdint>

#include "base/utf8.h"

namespace rowmender {

namespace {

constexpr std::uint32_t kReplacementCharacter = 0xFFFD;
constexpr std::uint32_t kFirstSupplementary = 0x10000;
constexpr std::uint32_t kHighSurrogateBase = 0xD800;
constexpr std::uint32_t kLowSurrogateBase = 0xDC00;
constexpr std::uint32_t kSurrogateMask = 0x3FF;

void AppendUnit(std::string& out, std::uint32_t unit) {
  out.push_back(static_cast<char>(unit & 0xFF));
  out.push_back(static_cast<char>((unit >> 8) & 0xFF));
}

}  // namespace

void AppendUtf16Le(std::string& out, std::string_view text) {
  out.reserve(out.size() + text.size() * 2);
  for (std::size_t i = 0; i < text.size();) {
    std::uint32_t codePoint = DecodeUtf8At(text, i);
    if (codePoint == kInvalidCodePoint) codePoint = kReplacementCharacter;
    if (codePoint < kFirstSupplementary) {
      AppendUnit(out, codePoint);
    } else {
      const std::uint32_t offset = codePoint - kFirstSupplementary;
      AppendUnit(out, kHighSurrogateBase + (offset >> 10));
      AppendUnit(out, kLowSurrogateBase + (offset & kSurrogateMask));
    }
  }
}

std::string Utf8ToUtf16Le(std::string_view text) {
  std::string out;
  AppendUtf16Le(out, text);
  return out;
}

}  // namespace rowmender
