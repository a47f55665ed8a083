#include "definitions/column_type_name.h"

#include <gtest/gtest.h>

namespace rowmender {
namespace {

CollationTable ThreeBytesForUtf8AndFourForBinary() {
  // Collation 33 (utf8) takes up to 3 bytes, 8 (latin1) one; 63 (binary) is
  // given 4 to show that BINARY lengths are never divided.
  std::vector<std::uint8_t> bytes;
  auto put = [&bytes](std::uint32_t number, std::uint32_t most) {
    for (std::uint32_t v : {number, 1u, most, 0u, 0u}) {
      for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
  };
  put(33, 3);
  put(8, 1);
  put(63, 4);
  CollationTable table;
  table.LoadFromBytes(bytes);
  return table;
}

ColumnDefinition Column(std::uint32_t type, std::uint32_t length, std::uint32_t charset = 8) {
  ColumnDefinition c;
  c.typeCode = type;
  c.length = length;
  c.charsetId = charset;
  return c;
}

TEST(ColumnTypeName, TextsOfEveryTypeCode) {
  const auto collations = ThreeBytesForUtf8AndFourForBinary();
  auto decimal = Column(246, 12);
  decimal.precision = 10;
  decimal.scale = 2;
  auto floatWithScale = Column(4, 7);
  floatWithScale.precision = 7;
  floatWithScale.scale = 3;
  auto doubleNoScale = Column(5, 22);
  doubleNoScale.precision = 22;
  auto enumValues = Column(247, 1);
  enumValues.valueList = "'a','b'";
  auto point = Column(255, 4, 63);
  point.geometryType = 1;
  auto other = Column(255, 4, 63);
  other.geometryType = 9;

  struct Case {
    ColumnDefinition column;
    std::uint32_t tableCharset;
    const char* text;
  };
  const Case cases[] = {
      {decimal, 8, "DECIMAL(10,2)"},
      {Column(0, 6), 8, "DECIMAL(0,0)"},
      {Column(1, 4), 8, "TINYINT"},
      {Column(2, 6), 8, "SMALLINT"},
      {Column(3, 11), 8, "INT"},
      {Column(9, 8), 8, "MEDIUMINT"},
      {Column(8, 20), 8, "BIGINT"},
      {Column(4, 12), 8, "FLOAT"},
      {floatWithScale, 8, "FLOAT(7,3)"},
      {doubleNoScale, 8, "DOUBLE"},
      {Column(7, 19), 8, "TIMESTAMP"},
      {Column(17, 19), 8, "TIMESTAMP"},
      {Column(10, 10), 8, "DATE"},
      {Column(14, 10), 8, "DATE"},
      {Column(11, 10), 8, "TIME"},
      {Column(19, 10), 8, "TIME"},
      {Column(12, 19), 8, "DATETIME"},
      {Column(18, 19), 8, "DATETIME"},
      {Column(13, 4), 8, "YEAR"},
      {Column(15, 90, 33), 33, "VARCHAR(30)"},
      {Column(15, 90, 33), 0, "VARCHAR(90)"},   // old file: no table character set
      {Column(15, 90, 99), 33, "VARCHAR(90)"},  // collation unknown: bytes
      {Column(15, 16, 63), 33, "VARBINARY(4)"},
      {Column(16, 12), 8, "BIT(12)"},
      {Column(247, 1), 8, "ENUM"},
      {enumValues, 8, "ENUM('a','b')"},
      {Column(248, 1), 8, "SET"},
      {Column(249, 9), 8, "TINYTEXT"},
      {Column(249, 9, 63), 8, "TINYBLOB"},
      {Column(250, 11), 8, "MEDIUMTEXT"},
      {Column(250, 11, 63), 8, "MEDIUMBLOB"},
      {Column(251, 12), 8, "LONGTEXT"},
      {Column(251, 12, 63), 8, "LONGBLOB"},
      {Column(252, 10), 8, "TEXT"},
      {Column(252, 10, 63), 8, "BLOB"},
      {Column(253, 30, 33), 33, "CHAR(10)"},
      {Column(253, 16, 63), 33, "BINARY(4)"},
      {Column(254, 12, 33), 33, "CHAR(4)"},
      {Column(254, 16, 63), 33, "BINARY(16)"},
      {point, 8, "POINT"},
      {other, 8, "GEOMETRY"},
      {Column(6, 1), 8, "UNKNOWN DATATYPE"},
      {Column(20, 1), 8, "UNKNOWN DATATYPE"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ColumnTypeName(c.column, c.tableCharset, collations), c.text)
        << "type " << c.column.typeCode << " length " << c.column.length;
  }
}

TEST(ColumnTypeName, GeometrySubtypes) {
  const char* names[] = {"GEOMETRY",   "POINT",           "LINESTRING",   "POLYGON",
                         "MULTIPOINT", "MULTILINESTRING", "MULTIPOLYGON", "GEOMETRYCOLLECTION"};
  for (std::uint32_t subtype = 0; subtype < 8; ++subtype) {
    auto column = Column(255, 4, 63);
    column.geometryType = subtype;
    EXPECT_EQ(ColumnTypeName(column, 8, CollationTable{}), names[subtype]);
  }
}

}  // namespace
}  // namespace rowmender
