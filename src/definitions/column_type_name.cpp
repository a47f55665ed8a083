#include "definitions/column_type_name.h"

namespace rowmender {

namespace {

std::string WithLength(const char* name, std::uint64_t length) {
  return std::string(name) + "(" + std::to_string(length) + ")";
}

std::string WithPrecision(const char* name, const ColumnDefinition& column) {
  return std::string(name) + "(" + std::to_string(column.precision) + "," +
         std::to_string(column.scale) + ")";
}

std::string WithValues(const char* name, const ColumnDefinition& column) {
  return column.valueList.empty() ? std::string(name)
                                  : std::string(name) + "(" + column.valueList + ")";
}

const char* GeometryName(std::uint32_t geometryType) {
  switch (geometryType) {
    case 1:
      return "POINT";
    case 2:
      return "LINESTRING";
    case 3:
      return "POLYGON";
    case 4:
      return "MULTIPOINT";
    case 5:
      return "MULTILINESTRING";
    case 6:
      return "MULTIPOLYGON";
    case 7:
      return "GEOMETRYCOLLECTION";
    default:
      return "GEOMETRY";
  }
}

}  // namespace

std::string ColumnTypeName(const ColumnDefinition& column, std::uint32_t tableCharsetId,
                           const CollationTable& collations) {
  std::uint32_t bytesPerChar = 0;
  if (tableCharsetId != 0) {
    if (const auto* entry = collations.Lookup(column.charsetId)) {
      bytesPerChar =
          entry->maxBytesPerChar > 0 ? static_cast<std::uint32_t>(entry->maxBytesPerChar) : 0;
    }
  }
  const std::uint32_t characters =
      (bytesPerChar != 0 && column.length != 0) ? column.length / bytesPerChar : column.length;
  const bool binary = column.charsetId == kBinaryCharset;
  // MariaDB's data types of plugins, kept in fixed-length strings.
  if (column.typeName == "uuid") return "UUID";
  if (column.typeName == "inet6") return "INET6";
  if (column.typeName == "inet4") return "INET4";

  switch (column.typeCode) {
    case kTypeDecimalOld:
    case kTypeNewDecimal:
      return WithPrecision("DECIMAL", column);
    case kTypeTiny:
      return "TINYINT";
    case kTypeShort:
      return "SMALLINT";
    case kTypeLong:
      return "INT";
    case kTypeFloat:
      return column.scale == 0 ? "FLOAT" : WithPrecision("FLOAT", column);
    case kTypeDouble:
      return column.scale == 0 ? "DOUBLE" : WithPrecision("DOUBLE", column);
    case kTypeTimestamp:
    case kTypeTimestamp2:
      return "TIMESTAMP";
    case kTypeLongLong:
      return "BIGINT";
    case kTypeInt24:
      return "MEDIUMINT";
    case kTypeDate:
    case kTypeNewDate:
      return "DATE";
    case kTypeTime:
    case kTypeTime2:
      return "TIME";
    case kTypeDatetime:
    case kTypeDatetime2:
      return "DATETIME";
    case kTypeYear:
      return "YEAR";
    case kTypeVarchar:
      return WithLength(binary ? "VARBINARY" : "VARCHAR", characters);
    case kTypeBit:
      return WithLength("BIT", column.length);
    case kTypeEnum:
      return WithValues("ENUM", column);
    case kTypeSet:
      return WithValues("SET", column);
    case kTypeTinyBlob:
      return binary ? "TINYBLOB" : "TINYTEXT";
    case kTypeMediumBlob:
      return binary ? "MEDIUMBLOB" : "MEDIUMTEXT";
    case kTypeLongBlob:
      return binary ? "LONGBLOB" : "LONGTEXT";
    case kTypeBlob:
      return binary ? "BLOB" : "TEXT";
    case kTypeVarString:
      return WithLength(binary ? "BINARY" : "CHAR", characters);
    case kTypeString:
      return binary ? WithLength("BINARY", column.length) : WithLength("CHAR", characters);
    case kTypeGeometry:
      return GeometryName(column.geometryType);
    case kTypeJson:
      return "JSON";
    default:
      return "UNKNOWN DATATYPE";
  }
}

}  // namespace rowmender
