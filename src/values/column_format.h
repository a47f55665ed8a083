// What formatting a column's cells needs, looked up once per table: the
// column, its text encoding and its fractional digits.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/charsets.h"
#include "base/collation_table.h"
#include "definitions/table_definition.h"
#include "values/text_values.h"

namespace rowmender {

struct ColumnFormat {
  const ColumnDefinition* column = nullptr;
  TextEncoding encoding = TextEncoding::kUnknown;
  // The name of the column's character set ("" when the collation table
  // does not list it).
  std::string characterSet;
  // Turns the column's text into UTF-8 (strings, BLOB and TEXT that are not
  // binary; shared by the copies of this format).
  std::shared_ptr<const CharsetDecoder> charset;
  // The column's text is stored in UTF-8 (utf8mb4, or ASCII): it needs
  // checking, not converting.
  bool storedAsUtf8 = false;
  // A text of bytes below 0x80 only is its own UTF-8 (see
  // CharsetDecoder::AsciiAsItself).
  bool asciiAsItself = false;
  // CHAR: the server's reads drop the pad spaces at the end.
  bool padded = false;
  // Statements carry the column's texts as their own bytes: some codes of
  // its character set do not come back unchanged through Unicode.
  bool textAsOwnBytes = false;
  int decimals = 0;
  // The preview shows kLargeBlobPlaceholder for a BLOB or TEXT value kept
  // in the record from kPreviewBlobLimit bytes on (MyISAM records; InnoDB
  // shows such values whole).
  bool largeBlobPlaceholder = true;

  const ColumnDefinition& Column() const { return *column; }
};

// The formats of every column of a table, in definition order. Refers to
// the definition's columns: the definition must outlive it.
class TableFormat {
 public:
  TableFormat() = default;
  TableFormat(const TableDefinition& table, const CollationTable* collations,
              bool largeBlobPlaceholder = true);
  explicit TableFormat(std::vector<ColumnFormat> columns) : columns_(std::move(columns)) {}

  std::size_t Size() const { return columns_.size(); }
  const ColumnFormat& operator[](std::size_t i) const { return columns_[i]; }
  const std::vector<ColumnFormat>& Columns() const { return columns_; }

 private:
  std::vector<ColumnFormat> columns_;
};

// The format of one column.
ColumnFormat FormatOfColumn(const ColumnDefinition& column, const CollationTable* collations,
                            bool largeBlobPlaceholder = true);

// Appends the UTF-8 form of a text value of the column (up to its first
// zero character with `stopAtZero`). False, with `out` unchanged, when the
// bytes do not convert from the column's character set.
bool AppendColumnText(std::string& out, ByteView bytes, const ColumnFormat& format,
                      bool stopAtZero);

// True when `bytes` are well-formed UTF-8.
bool IsUtf8Text(ByteView bytes);

// What the record grid and the save forms show for a text that does not
// convert: its bytes in hex, marked with the character set they are not.
void AppendUnconvertedText(std::string& out, ByteView bytes, const ColumnFormat& format);

}  // namespace rowmender
