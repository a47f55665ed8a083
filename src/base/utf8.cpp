#include "base/utf8.h"

#include <cstring>

#include "base/word_scan.h"

namespace rowmender {

std::uint32_t DecodeUtf8At(std::string_view text, std::size_t& i) {
  const auto lead = static_cast<std::uint8_t>(text[i]);
  if (lead < 0x80) {
    ++i;
    return lead;
  }
  std::size_t extra = 0;
  std::uint32_t cp = 0;
  std::uint32_t minimum = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1, cp = lead & 0x1F, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    extra = 2, cp = lead & 0x0F, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3, cp = lead & 0x07, minimum = 0x10000;
  } else {
    ++i;
    return kInvalidCodePoint;
  }
  if (text.size() - i <= extra) {
    ++i;
    return kInvalidCodePoint;
  }
  for (std::size_t k = 1; k <= extra; ++k) {
    const auto next = static_cast<std::uint8_t>(text[i + k]);
    if ((next & 0xC0) != 0x80) {
      ++i;
      return kInvalidCodePoint;
    }
    cp = (cp << 6) | (next & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return kInvalidCodePoint;
  }
  i += extra + 1;
  return cp;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::size_t LeadingAscii(std::string_view text) {
  // Eight bytes at a time until a word holds a byte that is not.
  std::size_t i = 0;
  while (text.size() - i >= sizeof(std::uint64_t)) {
    std::uint64_t word = 0;
    std::memcpy(&word, text.data() + i, sizeof word);
    if (NonAsciiIn(word) != 0) break;
    i += sizeof word;
  }
  while (i < text.size() && static_cast<std::uint8_t>(text[i]) < 0x80)
    ++i;
  return i;
}

bool IsValidUtf8(std::string_view text) {
  for (std::size_t i = LeadingAscii(text); i < text.size();) {
    if (DecodeUtf8At(text, i) == kInvalidCodePoint) return false;
  }
  return true;
}

}  // namespace rowmender
