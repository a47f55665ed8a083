// SQL literals for INSERT statements.
#include "definitions/column_types.h"
#include "values/enum_set_bit_values.h"
#include "values/export_formats.h"
#include "values/export_value.h"
#include "values/text_values.h"

namespace rowmender {

namespace {

// A string literal in single quotes, with the escapes the server reads
// under its default SQL mode.
void AppendQuoted(std::string& out, std::string_view text) {
  out.push_back('\'');
  std::size_t plain = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    char escaped = 0;
    switch (c) {
      case '\0':
        escaped = '0';
        break;
      case '\'':
        escaped = '\'';
        break;
      case '"':
        escaped = '"';
        break;
      case '\\':
        escaped = '\\';
        break;
      case '\n':
        escaped = 'n';
        break;
      case '\r':
        escaped = 'r';
        break;
      case '\x1A':
        escaped = 'Z';
        break;
      default:
        continue;
    }
    out.append(text.data() + plain, i - plain);
    out.push_back('\\');
    out.push_back(escaped);
    plain = i + 1;
  }
  out.append(text.data() + plain, text.size() - plain);
  out.push_back('\'');
}

// Character sets some of whose codes do not come back unchanged through
// Unicode (the server maps several codes to one character): their texts go
// into statements as their own bytes.
bool KeepsOwnBytes(std::string_view characterSet) {
  static constexpr std::string_view kSets[] = {"sjis", "cp932", "ujis", "eucjpms", "big5",
                                               "armscii8"};
  for (std::string_view set : kSets) {
    if (characterSet == set) return true;
  }
  return false;
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
  if (cell.kind == CellKind::kText && KeepsOwnBytes(format.characterSet)) {
    AppendIntroducedHex(out, format.characterSet, cell.bytes);
    return;
  }
  if (cell.kind == CellKind::kExternal && KeepsOwnBytes(format.characterSet) &&
      !IsBinaryColumn(format.Column())) {
    std::string& whole = scratch.longValue;
    whole.clear();
    if (longValues != nullptr) {
      const LongValueReader::Result result =
          longValues->Read(cell.bytes, [&whole](ByteView part) { whole.append(AsChars(part)); });
      if (!result.complete) ++scratch.valuesCutShort;
    }
    AppendIntroducedHex(out, format.characterSet,
                        ByteView(reinterpret_cast<const std::uint8_t*>(whole.data()), whole.size()));
    return;
  }
  const ResolvedValue value = ResolveCell(cell, format, longValues, scratch);
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
