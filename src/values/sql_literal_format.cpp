// SQL literals for INSERT statements.
#include <array>

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
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char escaped = kEscapes[static_cast<std::uint8_t>(text[i])];
    if (escaped == 0) continue;
    out.append(text.data() + plain, i - plain);
    const char pair[2] = {'\\', escaped};
    out.append(pair, 2);
    plain = i + 1;
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
  if (cell.kind == CellKind::kText && format.textAsOwnBytes) {
    AppendIntroducedHex(out, format.characterSet, cell.bytes);
    return;
  }
  if (cell.kind == CellKind::kExternal && format.textAsOwnBytes) {
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
