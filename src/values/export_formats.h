// Lossless texts of cells for the bulk outputs, appended to the caller's
// buffer:
//  - SQL literals for INSERT statements (the session writes TIMESTAMPs in
//    UTC and reads the statements as utf8mb4);
//  - TSV in the server's SELECT ... INTO OUTFILE / LOAD DATA default format:
//    tab between fields, NULL as \N, a backslash before tab, newline and
//    backslash and \0 for a zero byte; every string as its stored bytes
//    (text in its column's character set, as INTO OUTFILE writes it without
//    a CHARACTER SET clause; LOAD DATA ... CHARACTER SET binary reads it
//    back exactly), BIT and spatial values as their bytes, TIMESTAMPs in
//    UTC;
//  - CSV (RFC 4180) in UTF-8: NULL as an empty field, the empty string as
//    "", a field quoted when it holds a comma, a quote or a line break;
//    binary and spatial values as 0x-hex text, BIT as its bits, TIMESTAMPs
//    in UTC.
// FLOAT and DOUBLE are written so that they read back bit for bit.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "values/cell.h"
#include "values/column_format.h"

namespace rowmender {

// What one formatting thread keeps between values, and what it met.
struct FormatScratch {
  // The whole of an off-page value while it is formatted.
  std::string longValue;
  // The text of the value being formatted.
  std::string text;
  // Off-page values whose chain ended before the value did (what was read
  // is written).
  std::uint64_t valuesCutShort = 0;
  // Values no output can hold as they are (a FLOAT that is not a number,
  // a DECIMAL whose digits are damaged): written as NULL or the column's
  // default.
  std::uint64_t valuesNotRepresentable = 0;
  // Texts that do not convert from their character set (written as their
  // own bytes where the output can hold them, else in hex).
  std::uint64_t textsNotConverted = 0;

  // Values were lost or changed (a text written as its bytes is not lost).
  bool Lost() const { return valuesCutShort > 0 || valuesNotRepresentable > 0; }
};

void AppendSqlLiteral(std::string& out, const Cell& cell, const ColumnFormat& format,
                      const LongValueReader* longValues, FormatScratch& scratch);
void AppendTsvField(std::string& out, const Cell& cell, const ColumnFormat& format,
                    const LongValueReader* longValues, FormatScratch& scratch);
void AppendCsvField(std::string& out, const Cell& cell, const ColumnFormat& format,
                    const LongValueReader* longValues, FormatScratch& scratch);

// "(v1,v2,...)": a row's literals as one tuple of an INSERT statement; a
// column the row has no cell for is NULL, or DEFAULT where NULL is not
// allowed.
void AppendSqlTuple(std::string& out, const RowBuffer& row, const TableFormat& formats,
                    FormatScratch& scratch);

// A text as one CSV field (quoted when it must be; "" for the empty text).
void AppendCsvText(std::string& out, std::string_view text);
// Bytes as TSV field content, escaped.
void AppendTsvBytes(std::string& out, ByteView bytes);

}  // namespace rowmender
