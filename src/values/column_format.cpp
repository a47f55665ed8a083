#include "values/column_format.h"

#include <cstring>
#include <string_view>

#include "base/utf8.h"
#include "definitions/column_types.h"
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
  if ((IsCharOrVarcharType(column.typeCode) || IsBlobType(column.typeCode)) &&
      !IsBinaryColumn(column)) {
    format.charset =
        std::make_shared<const CharsetDecoder>(CharsetDecoder::ForName(format.characterSet));
    format.storedAsUtf8 = format.characterSet == "utf8mb4" || format.characterSet == "ascii";
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
  // Most text is ASCII: eight bytes at a time until the first that is not.
  std::size_t i = 0;
  constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
  while (i + 8 <= bytes.size()) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes.data() + i, sizeof word);
    if ((word & kHighBits) != 0) break;
    i += 8;
  }
  while (i < bytes.size() && bytes[i] < 0x80)
    ++i;
  return i == bytes.size() || IsValidUtf8(AsChars(bytes.subspan(i)));
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
