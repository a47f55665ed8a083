// SQL literals for INSERT statements.
#include <array>
#include <cstring>

#include "base/utf8.h"
#include "base/word_scan.h"
#include "definitions/column_types.h"
#include "values/enum_set_bit_values.h"
#include "values/export_formats.h"
#include "values/export_value.h"
#include "values/text_values.h"

namespace rowmender {

namespace {

// True when one of the eight bytes of `word` needs an escape in a literal.
[[gnu::always_inline]] inline bool NeedsEscape(std::uint64_t word) {
  return (ZeroByteIn(word) | ByteIn(word, '\'') | ByteIn(word, '"') | ByteIn(word, '\\') |
          ByteIn(word, '\n') | ByteIn(word, '\r') | ByteIn(word, 0x1A)) != 0;
}

// A string literal in single quotes, with the escapes the server reads
// under its default SQL mode. With `checkUtf8`, the text must be
// well-formed UTF-8: false, with `out` as it was, when it is not.
template <bool checkUtf8>
bool AppendQuoted(std::string& out, std::string_view text) {
  // The escape letter of each byte that needs one, 0 for the others.
  static constexpr auto kEscapes = [] {
    std::array<char, 256> table{};
    table[0] = '0';
    table['\''] = '\'';
    table['"'] = '"';
    table['\\'] = '\\';
    table['\n'] = 'n';
    table['\r'] = 'r';
    table[0x1A] = 'Z';
    return table;
  }();
  const std::size_t mark = out.size();
  out.push_back('\'');
  std::size_t plain = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    // Eight bytes at a time while none of them needs an escape (or, when
    // checking, lies outside ASCII).
    if (text.size() - i >= sizeof(std::uint64_t)) {
      std::uint64_t word = 0;
      std::memcpy(&word, text.data() + i, sizeof word);
      if (!NeedsEscape(word)) {
        if (!checkUtf8 || NonAsciiIn(word) == 0) {
          i += sizeof word;
          continue;
        }
        // No escapes: only the characters outside ASCII need a look.
        const std::size_t end = i + sizeof word;
        while (i < end) {
          if (static_cast<std::uint8_t>(text[i]) < 0x80) {
            ++i;
          } else if (DecodeUtf8At(text, i) == kInvalidCodePoint) {
            out.resize(mark);
            return false;
          }
        }
        continue;
      }
    }
    const auto byte = static_cast<std::uint8_t>(text[i]);
    if (checkUtf8 && byte >= 0x80) {
      if (DecodeUtf8At(text, i) == kInvalidCodePoint) {
        out.resize(mark);
        return false;
      }
      continue;
    }
    const char escaped = kEscapes[byte];
    if (escaped != 0) {
      out.append(text.data() + plain, i - plain);
      const char pair[2] = {'\\', escaped};
      out.append(pair, 2);
      plain = i + 1;
    }
    ++i;
  }
  out.append(text.data() + plain, text.size() - plain);
  out.push_back('\'');
  return true;
}

// A text stored in UTF-8 written as it is, when it is well-formed; a CHAR
// without its pad spaces.
bool AppendStoredUtf8(std::string& out, ByteView bytes, bool padded) {
  std::string_view text = AsChars(bytes);
  if (padded) {
    while (!text.empty() && text.back() == ' ')
      text.remove_suffix(1);
  }
  return AppendQuoted<true>(out, text);
}

// A text column's value as its stored bytes: _charset X'...'.
void AppendIntroducedHex(std::string& out, std::string_view characterSet, ByteView bytes) {
  out.push_back('_');
  out += characterSet;
  out += " X'";
  AppendHexDigits(out, bytes);
  out.push_back('\'');
}

}  // namespace

void AppendSqlLiteral(std::string& out, const Cell& cell, const ColumnFormat& format,
                      const LongValueReader* longValues, FormatScratch& scratch) {
  // Most values are written straight into `out`; the others, and damaged
  // values, are resolved first.
  switch (PlainTextOf(cell.kind)) {
    case PlainText::kNumber:
      if (AppendPlainText(out, cell, format)) return;
      break;
    case PlainText::kTemporal: {
      const std::size_t mark = out.size();
      out.push_back('\'');
      if (AppendPlainText(out, cell, format)) {
        out.push_back('\'');
        return;
      }
      out.resize(mark);
      break;
    }
    case PlainText::kNone:
      if (cell.kind == CellKind::kText && format.storedAsUtf8 && !format.textAsOwnBytes &&
          AppendStoredUtf8(out, cell.bytes, format.padded)) {
        return;
      }
      break;
  }
  const ResolvedValue value =
      ResolveCell(cell, format, longValues, scratch,
                  format.textAsOwnBytes ? TextOutput::kStoredBytes : TextOutput::kUtf8);
  switch (value.kind) {
    case ResolvedKind::kNull:
      // A value that could not be read takes the column's default where
      // NULL is not allowed.
      out += value.missing && !format.Column().nullable ? "DEFAULT" : "NULL";
      return;
    case ResolvedKind::kNumber:
      out += value.text;
      return;
    case ResolvedKind::kText:
      AppendQuoted<false>(out, value.text);
      return;
    case ResolvedKind::kBytes:
      if (value.bytes.empty()) {
        out += "''";
      } else {
        out += "X'";
        AppendHexDigits(out, value.bytes);
        out.push_back('\'');
      }
      return;
    case ResolvedKind::kStoredText:
    case ResolvedKind::kUnconvertedText:
      AppendIntroducedHex(out, format.characterSet.empty() ? "binary" : format.characterSet,
                          value.bytes);
      return;
    case ResolvedKind::kBits:
      out += "b'";
      AppendBits(out, value.bits, value.bitCount);
      out.push_back('\'');
      return;
  }
}

}  // namespace rowmender
