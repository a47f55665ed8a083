// SQL literals for recovered values.
//
// A recovered row is one text per column in its save form (the text the
// value formatting writes while a save mode is set). This turns each text
// into the literal that stores the same value again: numbers as they are,
// binary strings and spatial values as X'...', BIT as b'...', everything
// else as an escaped string, and the text "NULL" of a nullable column as
// NULL. A long InnoDB value that the reader wrote to a file under the
// saving folder's "blobdata" folder is read back from that file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/application_state.h"
#include "definitions/table_definition.h"

namespace rowmender {

struct LiteralContext {
  const CollationTable* collations = nullptr;
  // The folder the reader writes long values into, with a trailing
  // separator; a BLOB or TEXT text that names a file in it is that file's
  // content. Empty: no text is taken for a file.
  std::string blobFolder;
  // Remove each such file once its content is in the literal (a save into
  // a server keeps them only in a temporary folder).
  bool removeBlobFiles = false;
  // TIMESTAMP texts are in the machine's local time (as the value
  // formatting writes them) and are written in UTC: the save sets the
  // session's time zone to UTC, which every server knows.
  bool timestampsInLocalTime = true;
};

// What became of one row's values.
struct LiteralProblems {
  // Long values whose file could not be read (written as NULL, or as an
  // empty value in a NOT NULL column).
  std::size_t unreadableBlobFiles = 0;
};

// True when `text` is a decimal number the server reads as a numeric
// literal: an optional sign, digits with an optional fraction, and an
// optional exponent.
bool IsNumericLiteral(std::string_view text);

// Appends the literal for `text`, the save form of a value of `column`.
void AppendValueLiteral(std::string& out, const ColumnDefinition& column, std::string_view text,
                        const LiteralContext& context, LiteralProblems& problems);

// "(v1,v2,...)": the literals of one row, a value for every column of the
// definition (a row with too few texts gets NULL, or '' where NULL is not
// allowed, for the missing ones).
std::string RowTuple(const TableDefinition& table, const std::vector<std::string>& values,
                     const LiteralContext& context, LiteralProblems& problems);

// A TIMESTAMP text in the machine's local time ("YYYY-MM-DD hh:mm:ss" with
// an optional fraction) as the same moment in UTC; the zero timestamp and
// texts of another shape come back unchanged.
std::string LocalTimestampToUtc(std::string_view text);

// The bytes a spatial value's save text stands for: "0x..." hex text, or the
// older form that writes the bytes as Windows-1252 characters with every
// zero byte as backslash and "0". False when the text is neither.
bool SpatialBytesFromText(std::string_view text, std::string& bytes);

}  // namespace rowmender
