#include "values/text_values.h"

#include <algorithm>

#include "base/text_codec.h"
#include "base/utf8.h"

namespace rowmender {

namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) {
      return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

constexpr std::uint32_t kReplacementCharacter = 0xFFFD;
constexpr std::uint32_t kHighSurrogateFirst = 0xD800;
constexpr std::uint32_t kLowSurrogateFirst = 0xDC00;
constexpr std::uint32_t kSurrogateEnd = 0xE000;

void AppendWide(std::string& out, ByteView bytes, TextEncoding encoding, bool stopAtZero) {
  const std::size_t unit = encoding == TextEncoding::kUtf32 ? 4 : 2;
  const bool littleEndian = encoding == TextEncoding::kUtf16Le;
  const bool surrogates = encoding != TextEncoding::kUcs2 && encoding != TextEncoding::kUtf32;
  std::size_t pos = 0;
  const auto read = [&](std::size_t at) {
    return static_cast<std::uint32_t>(littleEndian ? LittleEndian(bytes, at, unit)
                                                   : BigEndian(bytes, at, unit));
  };
  while (pos < bytes.size()) {
    if (bytes.size() - pos < unit) {
      AppendUtf8(out, kReplacementCharacter);  // a cut-short last unit
      break;
    }
    std::uint32_t code = read(pos);
    pos += unit;
    if (code == 0 && stopAtZero) break;
    if (surrogates && code >= kHighSurrogateFirst && code < kLowSurrogateFirst) {
      const std::uint32_t low = bytes.size() - pos >= unit ? read(pos) : 0;
      if (low >= kLowSurrogateFirst && low < kSurrogateEnd) {
        pos += unit;
        code = 0x10000 + ((code - kHighSurrogateFirst) << 10) + (low - kLowSurrogateFirst);
      } else {
        code = kReplacementCharacter;
      }
    } else if (code >= kHighSurrogateFirst && code < kSurrogateEnd) {
      code = kReplacementCharacter;
    }
    AppendUtf8(out, code);
  }
}

ByteView UpToZeroByte(ByteView bytes) {
  const auto zero = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
  return bytes.first(static_cast<std::size_t>(zero - bytes.begin()));
}

void AppendUtf8OrCp1252(std::string& out, ByteView text) {
  if (IsValidUtf8(AsChars(text))) {
    out.append(AsChars(text));
  } else {
    out += Cp1252ToUtf8(text);
  }
}

}  // namespace

TextEncoding EncodingOfCharacterSet(std::string_view name) {
  if (EqualsIgnoringCase(name, "utf8") || EqualsIgnoringCase(name, "utf8mb3") ||
      EqualsIgnoringCase(name, "utf8mb4")) {
    return TextEncoding::kUtf8;
  }
  if (EqualsIgnoringCase(name, "ucs2")) return TextEncoding::kUcs2;
  if (EqualsIgnoringCase(name, "utf16")) return TextEncoding::kUtf16;
  if (EqualsIgnoringCase(name, "utf16le")) return TextEncoding::kUtf16Le;
  if (EqualsIgnoringCase(name, "utf32")) return TextEncoding::kUtf32;
  if (EqualsIgnoringCase(name, "binary")) return TextEncoding::kBinary;
  if (name.empty()) return TextEncoding::kUnknown;
  return TextEncoding::kSingleByte;
}

TextEncoding ColumnEncoding(const ColumnDefinition& column, const CollationTable* collations) {
  if (column.charsetId == kBinaryCharset) return TextEncoding::kBinary;
  if (collations == nullptr) return TextEncoding::kUnknown;
  const CollationEntry* entry = collations->Lookup(column.charsetId);
  if (entry == nullptr) return TextEncoding::kUnknown;
  return EncodingOfCharacterSet(entry->characterSetName);
}

void AppendDecodedText(std::string& out, ByteView bytes, TextEncoding encoding, bool stopAtZero) {
  switch (encoding) {
    case TextEncoding::kUcs2:
    case TextEncoding::kUtf16:
    case TextEncoding::kUtf16Le:
    case TextEncoding::kUtf32:
      AppendWide(out, bytes, encoding, stopAtZero);
      return;
    case TextEncoding::kSingleByte:
      out += Cp1252ToUtf8(stopAtZero ? UpToZeroByte(bytes) : bytes);
      return;
    case TextEncoding::kUtf8:
      AppendUtf8OrCp1252(out, stopAtZero ? UpToZeroByte(bytes) : bytes);
      return;
    case TextEncoding::kUnknown:
    case TextEncoding::kBinary:
      break;
  }
  if (!stopAtZero) {
    AppendUtf8OrCp1252(out, bytes);
  } else {
    out += TextFromUtf8OrAnsi(bytes);
  }
}

std::string DecodeText(ByteView bytes, TextEncoding encoding, bool stopAtZero) {
  std::string out;
  AppendDecodedText(out, bytes, encoding, stopAtZero);
  return out;
}

void AppendHexDigits(std::string& out, ByteView bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  const std::size_t start = out.size();
  out.resize(start + 2 * bytes.size());
  char* write = out.data() + start;
  for (std::uint8_t b : bytes) {
    *write++ = kDigits[b >> 4];
    *write++ = kDigits[b & 0x0F];
  }
}

void AppendHexText(std::string& out, ByteView bytes) {
  if (bytes.empty()) return;
  out += "0x";
  AppendHexDigits(out, bytes);
}

std::string HexText(ByteView bytes) {
  std::string out;
  AppendHexText(out, bytes);
  return out;
}

ByteView WithoutTrailingSpaces(ByteView bytes) {
  std::size_t end = bytes.size();
  while (end > 0 && bytes[end - 1] == ' ')
    --end;
  return bytes.first(end);
}

}  // namespace rowmender
