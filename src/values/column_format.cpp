#include "values/column_format.h"

#include <cstring>
#include <string_view>

#include "base/utf8.h"
#include "definitions/column_types.h"
#include "values/plugin_type_values.h"
#include "values/temporal_values.h"

namespace rowmender {

ColumnFormat FormatOfColumn(const ColumnDefinition& column, const CollationTable* collations,
                            bool largeBlobPlaceholder) {
  ColumnFormat format;
  format.column = &column;
  format.encoding = ColumnEncoding(column, collations);
  if (collations != nullptr) {
    if (const CollationEntry* entry = collations->Lookup(column.charsetId)) {
      format.characterSet = entry->characterSetName;
    }
  }
  format.decimals = TemporalDecimals(column);
  // UUID, INET6 and INET4 keep binary bytes in a string column: their text
  // is made by the value formatting, never taken from the bytes.
  if ((IsCharOrVarcharType(column.typeCode) || IsBlobType(column.typeCode)) &&
      !IsBinaryColumn(column) && !IsPluginTypeColumn(column)) {
    format.charset =
        std::make_shared<const CharsetDecoder>(CharsetDecoder::ForName(format.characterSet));
    format.storedAsUtf8 = format.characterSet == "utf8mb4" || format.characterSet == "ascii";
    format.asciiAsItself = format.charset->AsciiAsItself();
    format.padded = column.typeCode == kTypeString || column.typeCode == kTypeVarString;
    static constexpr std::string_view kOwnBytesSets[] = {"sjis",    "cp932", "ujis",
                                                         "eucjpms", "big5",  "armscii8"};
    for (std::string_view set : kOwnBytesSets) {
      if (format.characterSet == set) format.textAsOwnBytes = true;
    }
  }
  format.largeBlobPlaceholder = largeBlobPlaceholder;
  return format;
}

TableFormat::TableFormat(const TableDefinition& table, const CollationTable* collations,
                         bool largeBlobPlaceholder) {
  columns_.reserve(table.columns.size());
  for (const ColumnDefinition& column : table.columns) {
    columns_.push_back(FormatOfColumn(column, collations, largeBlobPlaceholder));
  }
}

bool IsUtf8Text(ByteView bytes) {
  return IsValidUtf8(AsChars(bytes));
}

bool AppendColumnText(std::string& out, ByteView bytes, const ColumnFormat& format,
                      bool stopAtZero) {
  if (!format.charset) {
    AppendDecodedText(out, bytes, format.encoding, stopAtZero);
    return true;
  }
  const CharsetDecoder& decoder = *format.charset;
  return decoder.AppendUtf8(stopAtZero ? decoder.UpToZeroCharacter(bytes) : bytes, out);
}

void AppendUnconvertedText(std::string& out, ByteView bytes, const ColumnFormat& format) {
  AppendHexText(out, bytes);
  out += " (not ";
  out += format.characterSet.empty() ? std::string("text") : format.characterSet;
  out += ")";
}

}  // namespace rowmender
