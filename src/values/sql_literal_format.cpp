// SQL literals for INSERT statements.
#include <array>
#include <cstring>

#include "base/utf8.h"
#include "base/word_scan.h"
#include "definitions/column_types.h"
#include "values/enum_set_bit_values.h"
#include "values/export_formats.h"
#include "values/export_value.h"
#include "values/row_text_buffer.h"
#include "values/text_values.h"

namespace rowmender {

namespace {

// True when one of the eight bytes of `word` needs an escape in a literal.
[[gnu::always_inline]] inline bool NeedsEscape(std::uint64_t word) {
  return (ZeroByteIn(word) | ByteIn(word, '\'') | ByteIn(word, '"') | ByteIn(word, '\\') |
          ByteIn(word, '\n') | ByteIn(word, '\r') | ByteIn(word, 0x1A)) != 0;
}

// A string literal in single quotes, with the escapes the server reads
// under its default SQL mode, written at `p`, which has room for
// QuotedRoom(text.size()) characters. With `checkUtf8`, the text must be
// well-formed UTF-8: null when it is not.
constexpr std::size_t QuotedRoom(std::size_t length) {
  return 2 * length + 2;
}

template <bool checkUtf8>
char* PutQuoted(char* p, std::string_view text) {
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
  *p++ = '\'';
  std::size_t plain = 0;
  std::size_t i = 0;
  const auto copyPlain = [&](std::size_t upTo) {
    if (upTo == plain) return;  // (an empty text may have no bytes at all)
    std::memcpy(p, text.data() + plain, upTo - plain);
    p += upTo - plain;
  };
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
            return nullptr;
          }
        }
        continue;
      }
    }
    const auto byte = static_cast<std::uint8_t>(text[i]);
    if (checkUtf8 && byte >= 0x80) {
      if (DecodeUtf8At(text, i) == kInvalidCodePoint) return nullptr;
      continue;
    }
    const char escaped = kEscapes[byte];
    if (escaped != 0) {
      copyPlain(i);
      *p++ = '\\';
      *p++ = escaped;
      plain = i + 1;
    }
    ++i;
  }
  copyPlain(text.size());
  *p++ = '\'';
  return p;
}

// The same appended to `out`; false, with `out` as it was, where PutQuoted
// gives null.
template <bool checkUtf8>
bool AppendQuoted(std::string& out, std::string_view text) {
  const std::size_t mark = out.size();
  out.resize(mark + QuotedRoom(text.size()));
  const char* end = PutQuoted<checkUtf8>(out.data() + mark, text);
  out.resize(end != nullptr ? static_cast<std::size_t>(end - out.data()) : mark);
  return end != nullptr;
}

// The text of a column stored in UTF-8, or in a set that codes ASCII alike
// (a CHAR without its pad spaces).
std::string_view StoredUtf8Text(ByteView bytes, bool padded) {
  std::string_view text = AsChars(bytes);
  if (padded) {
    while (!text.empty() && text.back() == ' ')
      text.remove_suffix(1);
  }
  return text;
}

bool StoredUtf8(const Cell& cell, const ColumnFormat& format) {
  return cell.kind == CellKind::kText && format.storedAsUtf8 && !format.textAsOwnBytes;
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
      if (StoredUtf8(cell, format) &&
          AppendQuoted<true>(out, StoredUtf8Text(cell.bytes, format.padded))) {
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
    case ResolvedKind::kUnconvertedText:
      // Bytes that are not text in their character set (a damaged value,
      // often the overwritten start of a deleted record): with the
      // character set's introducer the server would refuse the whole
      // statement, so they go as plain bytes, which it stores with what it
      // cannot read as '?' (and a warning).
      out += "X'";
      AppendHexDigits(out, value.bytes);
      out.push_back('\'');
      return;
    case ResolvedKind::kStoredText:
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

void AppendSqlTuple(std::string& out, const RowBuffer& row, const TableFormat& formats,
                    FormatScratch& scratch) {
  RowTextBuffer text(out);
  text.Put('(');
  bool first = true;
  for (std::size_t i = 0; i < formats.Size(); ++i) {
    const ColumnFormat& format = formats[i];
    if (ServerComputesValues(format.Column())) continue;
    if (!first) text.Put(',');
    first = false;
    if (i >= row.cells.size()) {
      text.Put(format.Column().nullable ? "NULL" : "DEFAULT");
      continue;
    }
    const Cell& cell = row.cells[i];
    // Numbers, dates and times, NULL and texts stored in UTF-8 go into the
    // row's buffer; the others, and damaged values, are resolved.
    switch (PlainTextOf(cell.kind)) {
      case PlainText::kNumber:
        if (char* end = PutPlainText(text.Room(kLongestPlainText), cell, format)) {
          text.Advance(end);
          continue;
        }
        break;
      case PlainText::kTemporal: {
        char* room = text.Room(kLongestPlainText + 2);
        *room = '\'';
        if (char* end = PutPlainText(room + 1, cell, format)) {
          *end++ = '\'';
          text.Advance(end);
          continue;
        }
        break;
      }
      case PlainText::kNone:
        if (cell.kind == CellKind::kNull) {
          text.Put("NULL");
          continue;
        }
        if (cell.kind == CellKind::kText && !format.textAsOwnBytes && format.asciiAsItself) {
          // UTF-8 that checks out, or ASCII in any set that codes it alike.
          const std::string_view stored = StoredUtf8Text(cell.bytes, format.padded);
          if (char* room = text.Room(QuotedRoom(stored.size()))) {
            char* end = nullptr;
            if (format.storedAsUtf8) {
              end = PutQuoted<true>(room, stored);
            } else if (LeadingAscii(stored) == stored.size()) {
              end = PutQuoted<false>(room, stored);
            }
            if (end != nullptr) {
              text.Advance(end);
              continue;
            }
          }
        }
        break;
    }
    AppendSqlLiteral(text.Out(), cell, format, row.longValues, scratch);
  }
  text.Put(')');
}

}  // namespace rowmender
