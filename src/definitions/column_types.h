// What kind of value a column type code holds: the one place the readers,
// the formatters and the statements ask.
#pragma once

#include <cstdint>

#include "definitions/table_definition.h"

namespace rowmender {

// TINYINT, SMALLINT, MEDIUMINT, INT and BIGINT.
constexpr bool IsIntegerType(std::uint32_t typeCode) {
  switch (typeCode) {
    case kTypeTiny:
    case kTypeShort:
    case kTypeInt24:
    case kTypeLong:
    case kTypeLongLong:
      return true;
    default:
      return false;
  }
}

// Numbers, written without quotes: integers, FLOAT, DOUBLE, both DECIMALs
// and YEAR.
constexpr bool IsNumericType(std::uint32_t typeCode) {
  switch (typeCode) {
    case kTypeDecimalOld:
    case kTypeNewDecimal:
    case kTypeFloat:
    case kTypeDouble:
    case kTypeYear:
      return true;
    default:
      return IsIntegerType(typeCode);
  }
}

// CHAR, VARCHAR and the old VAR_STRING: strings kept in the record.
constexpr bool IsCharOrVarcharType(std::uint32_t typeCode) {
  return typeCode == kTypeVarchar || typeCode == kTypeVarString || typeCode == kTypeString;
}

// The four BLOB and TEXT types.
constexpr bool IsBlobType(std::uint32_t typeCode) {
  return typeCode == kTypeTinyBlob || typeCode == kTypeMediumBlob || typeCode == kTypeLongBlob ||
         typeCode == kTypeBlob;
}

// BLOB, TEXT, GEOMETRY and MySQL's binary JSON: a length and a pointer in a
// MyISAM record image, possibly stored off-page in InnoDB.
constexpr bool IsBlobOrGeometryType(std::uint32_t typeCode) {
  return IsBlobType(typeCode) || typeCode == kTypeGeometry || typeCode == kTypeJson;
}

// Types whose values carry a character set: strings, BLOB and TEXT, ENUM and
// SET.
constexpr bool IsCharacterType(std::uint32_t typeCode) {
  return IsCharOrVarcharType(typeCode) || IsBlobType(typeCode) || typeCode == kTypeEnum ||
         typeCode == kTypeSet;
}

// Strings of the binary character set (BINARY, VARBINARY, BLOB).
inline bool IsBinaryColumn(const ColumnDefinition& column) {
  return column.charsetId == kBinaryCharset;
}

// The server computes the column's values: a generated column (VIRTUAL or
// STORED) or the row start or row end of a system-versioned table. A
// statement that adds rows leaves them out.
inline bool ServerComputesValues(const ColumnDefinition& column) {
  return !column.generationExpression.empty() || column.periodEdge != RowPeriodEdge::kNone;
}

}  // namespace rowmender
