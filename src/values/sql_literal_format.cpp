// SQL literals for INSERT statements.
#include <array>
#include <cstring>

#include "definitions/column_types.h"
#include "values/enum_set_bit_values.h"
#include "values/export_formats.h"
#include "values/export_value.h"
#include "values/text_values.h"

namespace rowmender {

namespace {

// True when one of the eight bytes of `word` is zero (the classic test).
constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
constexpr std::uint64_t ZeroByteIn(std::uint64_t word) {
  return (word - kOnes) & ~word & kHighBits;
}
constexpr std::uint64_t ByteIn(std::uint64_t word, std::uint8_t byte) {
  return ZeroByteIn(word ^ (kOnes * byte));
}

// True when one of the eight bytes of `word` needs an escape in a literal.
bool NeedsEscape(std::uint64_t word) {
  return (ZeroByteIn(word) | ByteIn(word, '\'') | ByteIn(word, '"') | ByteIn(word, '\\') |
          ByteIn(word, '\n') | ByteIn(word, '\r') | ByteIn(word, 0x1A)) != 0;
}

// A string literal in single quotes, with the escapes the server reads
// under its default SQL mode.
void AppendQuoted(std::string& out, std::string_view text) {
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
  out.push_back('\'');
  std::size_t plain = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    // Eight bytes at a time while none of them needs an escape.
    if (text.size() - i >= sizeof(std::uint64_t)) {
      std::uint64_t word = 0;
      std::memcpy(&word, text.data() + i, sizeof word);
      if (!NeedsEscape(word)) {
        i += sizeof word;
        continue;
      }
    }
    const char escaped = kEscapes[static_cast<std::uint8_t>(text[i])];
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
      AppendQuoted(out, value.text);
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
