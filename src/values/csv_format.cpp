// RFC 4180 CSV in UTF-8.
#include "values/enum_set_bit_values.h"
#include "values/export_formats.h"
#include "values/export_value.h"
#include "values/text_values.h"

namespace rowmender {

void AppendCsvText(std::string& out, std::string_view text) {
  if (!text.empty() && text.find_first_of(",\"\r\n") == std::string_view::npos) {
    out += text;
    return;
  }
  out.push_back('"');
  std::size_t plain = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '"') continue;
    out.append(text.data() + plain, i + 1 - plain);
    out.push_back('"');
    plain = i + 1;
  }
  out.append(text.data() + plain, text.size() - plain);
  out.push_back('"');
}

void AppendCsvField(std::string& out, const Cell& cell, const ColumnFormat& format,
                    const LongValueReader* longValues, FormatScratch& scratch) {
  // Numbers, dates and times never need quotes.
  if (PlainTextOf(cell.kind) != PlainText::kNone && AppendPlainText(out, cell, format)) return;
  const ResolvedValue value = ResolveCell(cell, format, longValues, scratch);
  switch (value.kind) {
    case ResolvedKind::kNull:
      return;
    case ResolvedKind::kNumber:
      out += value.text;
      return;
    case ResolvedKind::kText:
      AppendCsvText(out, value.text);
      return;
    case ResolvedKind::kStoredText:
    case ResolvedKind::kUnconvertedText:
      AppendUnconvertedText(out, value.bytes, format);
      return;
    case ResolvedKind::kBytes:
      if (value.bytes.empty()) {
        out += "\"\"";
      } else {
        AppendHexText(out, value.bytes);
      }
      return;
    case ResolvedKind::kBits:
      AppendBits(out, value.bits, value.bitCount);
      return;
  }
}

}  // namespace rowmender
