// One field of an InnoDB clustered-index record, with the InnoDB type that
// tells how it is stored, and the mapping from a table definition's column
// (or the data dictionary's column row) to it.
#pragma once

#include <cstdint>
#include <string>

#include "base/collation_table.h"
#include "definitions/table_definition.h"

namespace rowmender {

// InnoDB main types (`mtype`).
inline constexpr std::uint32_t kMtypeVarchar = 1;    // latin1 VARCHAR
inline constexpr std::uint32_t kMtypeChar = 2;       // latin1 CHAR
inline constexpr std::uint32_t kMtypeFixBinary = 3;  // BINARY, DECIMAL, BIT, 5.6 temporals
inline constexpr std::uint32_t kMtypeBinary = 4;     // VARBINARY
inline constexpr std::uint32_t kMtypeBlob = 5;       // BLOB, TEXT, GEOMETRY
inline constexpr std::uint32_t kMtypeInt = 6;        // integers, DATE, YEAR, ENUM, SET, ...
inline constexpr std::uint32_t kMtypeSysChild = 7;   // child page number of a node pointer
inline constexpr std::uint32_t kMtypeSys = 8;        // DB_ROW_ID, DB_TRX_ID, DB_ROLL_PTR
inline constexpr std::uint32_t kMtypeFloat = 9;      // FLOAT, little-endian as MySQL keeps it
inline constexpr std::uint32_t kMtypeDouble = 10;    // DOUBLE, likewise
inline constexpr std::uint32_t kMtypeDecimal = 11;   // pre-5.0 DECIMAL, digits as text
inline constexpr std::uint32_t kMtypeVarMysql = 12;  // VARCHAR in another character set
inline constexpr std::uint32_t kMtypeMysql = 13;     // CHAR in another character set
inline constexpr std::uint32_t kMtypeGeometry = 14;  // GEOMETRY (servers that have it)

// Precise type bits (`prtype`).
inline constexpr std::uint32_t kPrtypeNotNull = 0x100;
inline constexpr std::uint32_t kPrtypeUnsigned = 0x200;
inline constexpr std::uint32_t kPrtypeBinary = 0x400;
inline constexpr std::uint32_t kPrtypeLongTrueVarchar = 0x1000;
inline constexpr std::uint32_t kPrtypeMysqlTypeMask = 0xFF;
inline constexpr unsigned kPrtypeCollationShift = 16;
inline constexpr std::uint32_t kPrtypeCollationMask = 0x7FFF;

// Fixed-length columns longer than this are kept like variable-length ones
// in a compact record.
inline constexpr std::uint32_t kMaxFixedFieldLength = 768;
// A field length above this takes two length bytes (when the high bit of
// the first says so).
inline constexpr std::uint32_t kOneByteLengthLimit = 255;
// mbMinMaxLen = least bytes per character + this times the most.
inline constexpr std::uint32_t kMbMaxFactor = 5;

inline constexpr std::uint32_t CollationOfPrtype(std::uint32_t prtype) {
  return (prtype >> kPrtypeCollationShift) & kPrtypeCollationMask;
}

// What a field of the record is for.
enum class InnoFieldRole : std::uint8_t {
  kValue,      // a column of the table: its text goes into the row
  kSystem,     // a hidden system column: skipped
  kKeyPrefix,  // the clustered key's copy of a column prefix; the whole
               // column follows among the other fields
  kDropped,    // a column dropped in place, which older records still
               // hold: skipped
};

struct InnoColumn {
  std::uint32_t mtype = 0;
  std::uint32_t prtype = 0;
  // Stored length in bytes; for a variable-length field the most it takes.
  std::uint32_t len = 0;
  std::uint32_t prec = 0;
  // Position of the column in the table (0-based).
  std::uint32_t pos = 0;
  // Bytes the field always takes in a compact record; 0 = variable length.
  std::uint32_t fixedLength = 0;
  std::uint32_t mbMinMaxLen = 0;
  // The column this field shows (a copy, with its signedness and character
  // set taken from the InnoDB type); for a system column a blank
  // definition carrying its name.
  ColumnDefinition column;
  // Pending entries only: already taken into the clustered key.
  bool placed = false;
  InnoFieldRole role = InnoFieldRole::kValue;
  // The field is a part of the clustered key.
  bool keyField = false;

  bool IsNullable() const { return (prtype & kPrtypeNotNull) == 0; }
  bool IsUnsigned() const { return (prtype & kPrtypeUnsigned) != 0; }
  // Its length may take two bytes in a compact record header.
  bool HasTwoByteLength() const {
    return len > kOneByteLengthLimit || mtype == kMtypeBlob || mtype == kMtypeGeometry;
  }
  std::uint32_t MbMinLen() const { return mbMinMaxLen % kMbMaxFactor; }
  std::uint32_t MbMaxLen() const { return mbMinMaxLen / kMbMaxFactor; }
};

// Bytes a field of this type always takes in a compact record (0 when its
// length is stored in the record header): the fixed-size types up to 768
// bytes, and CHAR in a character set whose characters all take the same
// number of bytes.
std::uint32_t CompactFixedLength(std::uint32_t mtype, std::uint32_t prtype, std::uint32_t len,
                                 std::uint32_t mbMinMaxLen);

// The field of `column` as the server stores it, from the table definition
// alone: main type, unsigned, binary and NOT NULL bits, collation, stored
// length and the compact fixed length. `collations` gives the bytes per
// character of string columns.
InnoColumn InnoColumnFromDefinition(const ColumnDefinition& column, std::uint32_t position,
                                    const CollationTable& collations);

// The InnoDB type of a column as the data dictionary records it.
struct DictColumnType {
  std::uint32_t mtype = 0;
  std::uint32_t prtype = 0;
  std::uint32_t len = 0;
  std::uint32_t prec = 0;
  std::uint32_t position = 0;
  std::uint32_t mbMinMaxLen = 0;
};

// The field of `column` with the dictionary's type: where the dictionary is
// loaded its unsigned bit decides the signedness of integer columns.
InnoColumn InnoColumnFromDictionary(const ColumnDefinition& column, const DictColumnType& type);

// A hidden system column ("DB_ROW_ID", "DB_TRX_ID", "DB_ROLL_PTR").
InnoColumn SystemColumn(const char* name, std::uint32_t length);

inline constexpr std::uint32_t kRowIdLength = 6;
inline constexpr std::uint32_t kTransactionIdLength = 6;
inline constexpr std::uint32_t kRollPointerLength = 7;

}  // namespace rowmender
