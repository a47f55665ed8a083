// The value texts of every column type, in their preview and save forms.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "app/application_state.h"
#include "values/export_formats.h"
#include "values/field_value.h"

namespace rowmender {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kLatin1 = 8;
constexpr std::uint32_t kUtf8mb4 = 45;
constexpr std::uint32_t kUcs2 = 35;
constexpr std::uint32_t kUtf16 = 54;
constexpr std::uint32_t kUtf16Le = 56;
constexpr std::uint32_t kUtf32 = 60;
constexpr std::uint32_t kUnlisted = 999;

// A collation table holding the character sets the tests name.
CollationTable TestCollations() {
  Bytes bytes;
  const auto put32 = [&bytes](std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
      bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  const auto putText = [&](const std::string& text) {
    put32(static_cast<std::uint32_t>(text.size()));
    bytes.insert(bytes.end(), text.begin(), text.end());
  };
  const struct {
    std::uint32_t number;
    int maxBytes;
    const char* collation;
    const char* charset;
  } entries[] = {
      {kLatin1, 1, "latin1_swedish_ci", "latin1"}, {kUtf8mb4, 4, "utf8mb4_general_ci", "utf8mb4"},
      {33, 3, "utf8mb3_general_ci", "utf8mb3"},    {kUcs2, 2, "ucs2_general_ci", "ucs2"},
      {kUtf16, 4, "utf16_general_ci", "utf16"},    {kUtf16Le, 4, "utf16le_general_ci", "utf16le"},
      {kUtf32, 4, "utf32_general_ci", "utf32"},    {kBinaryCharset, 1, "binary", "binary"}};
  for (const auto& e : entries) {
    put32(e.number);
    put32(1);
    put32(static_cast<std::uint32_t>(e.maxBytes));
    putText(e.collation);
    putText(e.charset);
  }
  CollationTable table;
  table.LoadFromBytes(bytes);
  return table;
}

class FieldValueTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // TIMESTAMP texts are in local time; the expectations are in UTC.
    setenv("TZ", "UTC", 1);
    tzset();
  }

  ValueOptions Preview() const { return {ValueForm::kPreview, &collations_}; }
  ValueOptions Save() const { return {ValueForm::kSave, &collations_}; }

  CollationTable collations_ = TestCollations();
};

ColumnDefinition Column(std::uint32_t type, std::uint32_t length = 0, bool isSigned = false) {
  ColumnDefinition column;
  column.typeCode = type;
  column.length = length;
  column.packFlags = isSigned ? kPackSigned : 0;
  return column;
}

ColumnDefinition Text(std::uint32_t type, std::uint32_t charset, std::uint32_t length = 10) {
  ColumnDefinition column = Column(type, length);
  column.charsetId = charset;
  return column;
}

ColumnDefinition Decimal(int precision, int scale) {
  ColumnDefinition column = Column(kTypeNewDecimal);
  column.precision = precision;
  column.scale = scale;
  return column;
}

struct Case {
  const char* what;
  ColumnDefinition column;
  Bytes bytes;
  std::string preview;
  std::string save;
};

void ExpectCases(const std::vector<Case>& cases, const ValueOptions& preview,
                 const ValueOptions& save) {
  for (const Case& c : cases) {
    EXPECT_EQ(FormatColumnValue(c.column, c.bytes, preview), c.preview) << c.what;
    EXPECT_EQ(FormatColumnValue(c.column, c.bytes, save), c.save) << c.what;
  }
}

TEST_F(FieldValueTest, IntegersFollowTheColumnsSignedness) {
  ExpectCases(
      {
          {"signed TINYINT -1", Column(kTypeTiny, 4, true), {0xFF}, "-1", "-1"},
          {"unsigned TINYINT 255", Column(kTypeTiny, 3), {0xFF}, "255", "255"},
          {"signed SMALLINT -32768", Column(kTypeShort, 6, true), {0x00, 0x80}, "-32768", "-32768"},
          {"unsigned SMALLINT", Column(kTypeShort, 5), {0x00, 0x80}, "32768", "32768"},
          {"signed MEDIUMINT -1", Column(kTypeInt24, 9, true), {0xFF, 0xFF, 0xFF}, "-1", "-1"},
          {"unsigned MEDIUMINT", Column(kTypeInt24, 8), {0xFF, 0xFF, 0xFF}, "16777215", "16777215"},
          {"signed INT -1", Column(kTypeLong, 11, true), {0xFF, 0xFF, 0xFF, 0xFF}, "-1", "-1"},
          {"unsigned INT",
           Column(kTypeLong, 10),
           {0xFF, 0xFF, 0xFF, 0xFF},
           "4294967295",
           "4294967295"},
          {"signed BIGINT minimum",
           Column(kTypeLongLong, 20, true),
           {0, 0, 0, 0, 0, 0, 0, 0x80},
           "-9223372036854775808",
           "-9223372036854775808"},
          {"unsigned BIGINT maximum", Column(kTypeLongLong, 20), Bytes(8, 0xFF),
           "18446744073709551615", "18446744073709551615"},
          {"short value reads missing bytes as zero",
           Column(kTypeLong, 11, true),
           {0x2A},
           "42",
           "42"},
      },
      Preview(), Save());
  EXPECT_EQ(FormatIntegerValue(0x7F, 1, true), "127");
  EXPECT_EQ(FormatIntegerValue(0x80, 1, true), "-128");
  EXPECT_EQ(FormatIntegerValue(0xFFFFFF80, 1, false), "128");  // only the low byte counts
}

TEST_F(FieldValueTest, FloatingPointIsSixDecimalsInThePreviewAndShortestWhenSaved) {
  const auto floatBytes = [](float value) {
    Bytes bytes(4);
    std::memcpy(bytes.data(), &value, 4);
    return bytes;
  };
  const auto doubleBytes = [](double value) {
    Bytes bytes(8);
    std::memcpy(bytes.data(), &value, 8);
    return bytes;
  };
  ExpectCases(
      {
          {"FLOAT 1.5", Column(kTypeFloat), floatBytes(1.5f), "1.500000", "1.5"},
          {"FLOAT 0.1", Column(kTypeFloat), floatBytes(0.1f), "0.100000", "0.1"},
          {"FLOAT -3.4e38", Column(kTypeFloat), floatBytes(-3.4e38f),
           "-339999995214436424907732413799364296704.000000", "-3.4e+38"},
          {"FLOAT tiny", Column(kTypeFloat), floatBytes(1.17549435e-38f), "0.000000",
           "1.1754944e-38"},
          {"DOUBLE 0.1", Column(kTypeDouble), doubleBytes(0.1), "0.100000", "0.1"},
          {"DOUBLE pi", Column(kTypeDouble), doubleBytes(3.141592653589793), "3.141593",
           "3.141592653589793"},
          {"DOUBLE -0", Column(kTypeDouble), doubleBytes(-0.0), "-0.000000", "-0"},
          {"DOUBLE 5e-324", Column(kTypeDouble), doubleBytes(5e-324), "0.000000", "5e-324"},
      },
      Preview(), Save());
}

TEST_F(FieldValueTest, DecimalsDecodeTheServersBinaryFormat) {
  ExpectCases(
      {
          {"DECIMAL(5,2) -1.50", Decimal(5, 2), {0x7F, 0xFE, 0xCD}, "-1.50", "-1.50"},
          {"DECIMAL(5,2) 0.05", Decimal(5, 2), {0x80, 0x00, 0x05}, "0.05", "0.05"},
          {"DECIMAL(5,2) 12", Decimal(5, 2), {0x80, 0x0C, 0x00}, "12.00", "12.00"},
          {"DECIMAL(5,2) zero", Decimal(5, 2), {0x80, 0x00, 0x00}, "0.00", "0.00"},
          {"DECIMAL(10,0) 1234567890",
           Decimal(10, 0),
           {0x81, 0x0D, 0xFB, 0x38, 0xD2},
           "1234567890",
           "1234567890"},
          {"DECIMAL(20,6) -18.999999",
           Decimal(20, 6),
           {0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xED, 0xF0, 0xBD, 0xC0},
           "-18.999999",
           "-18.999999"},
          {"a 9-digit group above 999999999 is invalid",
           Decimal(9, 0),
           {0xBB, 0x9A, 0xCA, 0x00},
           "0",
           "0"},
          {"a leftover group beyond its digits is invalid", Decimal(2, 0), {0xE4}, "0", "0"},
      },
      Preview(), Save());
  EXPECT_EQ(DecimalStorageSize(5, 2), 3u);
  EXPECT_EQ(DecimalStorageSize(20, 6), 10u);
  EXPECT_EQ(DecimalStorageSize(65, 30), 30u);
}

TEST_F(FieldValueTest, DatesAndYears) {
  const auto date = [](int y, int m, int d) {
    const std::uint32_t v = static_cast<std::uint32_t>(y * 512 + m * 32 + d);
    return Bytes{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                 static_cast<std::uint8_t>(v >> 16)};
  };
  ExpectCases(
      {
          {"DATE", Column(kTypeNewDate), date(2021, 3, 5), "2021-03-05", "2021-03-05"},
          {"zero DATE", Column(kTypeNewDate), date(0, 0, 0), "00-00-00", "0000-00-00"},
          {"DATE 9999-12-31", Column(kTypeNewDate), date(9999, 12, 31), "9999-12-31", "9999-12-31"},
          {"DATE year 1", Column(kTypeNewDate), date(1, 1, 1), "01-01-01", "0001-01-01"},
          {"zero-in-date", Column(kTypeNewDate), date(2024, 0, 0), "2024-00-00", "2024-00-00"},
          {"zero YEAR", Column(kTypeYear, 4), {0}, "0000", "0000"},
          {"YEAR 1901", Column(kTypeYear, 4), {1}, "1901", "1901"},
          {"YEAR 2155", Column(kTypeYear, 4), {255}, "2155", "2155"},
          {"YEAR(2)", Column(kTypeYear, 2), {105}, "05", "05"},
      },
      Preview(), Save());
}

TEST_F(FieldValueTest, OldTemporalEncodings) {
  const auto le = [](std::uint64_t v, int width) {
    Bytes bytes;
    for (int i = 0; i < width; ++i)
      bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    return bytes;
  };
  ExpectCases(
      {
          {"TIME 01:02:03", Column(kTypeTime, 10), le(10203, 3), "01:02:03", "01:02:03"},
          {"negative TIME", Column(kTypeTime, 10), le(static_cast<std::uint32_t>(-10203), 3),
           "-01:02:03", "-01:02:03"},
          {"TIME 838:59:59", Column(kTypeTime, 10), le(8385959, 3), "838:59:59", "838:59:59"},
          {"DATETIME", Column(kTypeDatetime, 19), le(20210305010203ull, 8), "2021-03-05 01:02:03",
           "2021-03-05 01:02:03"},
          {"zero DATETIME", Column(kTypeDatetime, 19), le(0, 8), "0000-00-00 00:00:00",
           "0000-00-00 00:00:00"},
          {"TIMESTAMP", Column(kTypeTimestamp, 19), le(1234567890, 4), "2009-02-13 23:31:30",
           "2009-02-13 23:31:30"},
          {"zero TIMESTAMP", Column(kTypeTimestamp, 19), le(0, 4), "0000-00-00 00:00:00",
           "0000-00-00 00:00:00"},
      },
      Preview(), Save());
  EXPECT_EQ(FormatLegacyDatetime(20210305010203ull), "2021-03-05 01:02:03");
  EXPECT_EQ(FormatDateTimeParts(2021, 3, 5, 1, 2, 3), "2021-03-05 01:02:03");
}

TEST_F(FieldValueTest, MariaDbFractionalEncodingsUnderTheOldTypeCodes) {
  // TIME(3): the time in milliseconds plus 838:59:60, big-endian, 5 bytes.
  // DATETIME(6): ((((y*13+m)*32+d)*24+h)*60+mi)*60+s in microseconds, 8 bytes.
  // TIMESTAMP(2): seconds (4 bytes), then hundredths (1 byte).
  ExpectCases(
      {
          {"TIME(3) -838:59:59.999",
           Column(kTypeTime, 14),
           {0, 0, 0, 0, 0x01},
           "-838:59:59",
           "-838:59:59.999"},
          {"TIME(3) zero",
           Column(kTypeTime, 14),
           {0x00, 0xB4, 0x07, 0xA5, 0x80},
           "00:00:00",
           "00:00:00.000"},
          {"TIME(3) 100:00:00.5",
           Column(kTypeTime, 14),
           {0x00, 0xC9, 0x7C, 0xD1, 0x74},
           "100:00:00",
           "100:00:00.500"},
          {"DATETIME(6) 2008-02-29 12:00:00.5",
           Column(kTypeDatetime, 26),
           {0x01, 0x00, 0x6F, 0xB5, 0x16, 0xD1, 0x31, 0x20},
           "2008-02-29 12:00:00",
           "2008-02-29 12:00:00.500000"},
          {"TIMESTAMP(2)",
           Column(kTypeTimestamp, 22),
           {0x47, 0xC7, 0xF3, 0xC0, 0x32},
           "2008-02-29 12:00:00",
           "2008-02-29 12:00:00.50"},
      },
      Preview(), Save());
  EXPECT_EQ(HiresStorageSize(kTypeTime, 3), 5u);
  EXPECT_EQ(HiresStorageSize(kTypeDatetime, 6), 8u);
  EXPECT_EQ(HiresStorageSize(kTypeTimestamp, 2), 5u);
}

TEST_F(FieldValueTest, TheFiveSixEncodingsAreBigEndianWithTheirFractions) {
  ExpectCases(
      {
          {"TIME2 11:03:02", Column(kTypeTime2, 10), {0x80, 0xB0, 0xC2}, "11:03:02", "11:03:02"},
          {"TIME2(1) -00:00:00.1",
           Column(kTypeTime2, 12),
           {0x7F, 0xFF, 0xFF, 0xF6},
           "-00:00:00",
           "-00:00:00.1"},
          {"TIME2(3) -01:02:03.456",
           Column(kTypeTime2, 14),
           {0x7F, 0xEF, 0x7C, 0xEE, 0x30},
           "-01:02:03",
           "-01:02:03.456"},
          {"TIME2(6) -00:00:00.000001",
           Column(kTypeTime2, 17),
           {0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
           "-00:00:00",
           "-00:00:00.000001"},
          {"DATETIME2",
           Column(kTypeDatetime2, 19),
           {0x99, 0xA5, 0x64, 0x9C, 0x4B},
           "2020-01-18 09:49:11",
           "2020-01-18 09:49:11"},
          {"zero DATETIME2",
           Column(kTypeDatetime2, 19),
           {0x80, 0, 0, 0, 0},
           "0-00-00 00:00:00",
           "0000-00-00 00:00:00"},
          {"DATETIME2(6)",
           Column(kTypeDatetime2, 26),
           {0x99, 0xA5, 0x64, 0x9C, 0x4B, 0x0F, 0x42, 0x3F},
           "2020-01-18 09:49:11",
           "2020-01-18 09:49:11.999999"},
          {"TIMESTAMP2(2)",
           Column(kTypeTimestamp2, 22),
           {0x49, 0x96, 0x02, 0xD2, 0x07},
           "2009-02-13 23:31:30",
           "2009-02-13 23:31:30.07"},
          {"zero TIMESTAMP2",
           Column(kTypeTimestamp2, 19),
           {0, 0, 0, 0},
           "0000-00-00 00:00:00",
           "0000-00-00 00:00:00"},
      },
      Preview(), Save());
  EXPECT_EQ(Temporal56StorageSize(kTypeTime2, 3), 5u);
  EXPECT_EQ(Temporal56StorageSize(kTypeDatetime2, 6), 8u);
  EXPECT_EQ(Temporal56StorageSize(kTypeTimestamp2, 0), 4u);
}

TEST_F(FieldValueTest, FractionDigitsComeFromTheColumnLength) {
  EXPECT_EQ(TemporalDecimals(Column(kTypeTime, 10)), 0);
  EXPECT_EQ(TemporalDecimals(Column(kTypeTime2, 14)), 3);
  EXPECT_EQ(TemporalDecimals(Column(kTypeDatetime2, 19)), 0);
  EXPECT_EQ(TemporalDecimals(Column(kTypeDatetime2, 26)), 6);
  EXPECT_EQ(TemporalDecimals(Column(kTypeTimestamp, 22)), 2);
  EXPECT_EQ(TemporalDecimals(Column(kTypeTimestamp2, 90)), 6);  // damaged: at most 6
}

TEST_F(FieldValueTest, BitShowsEveryBitMostSignificantFirst) {
  ExpectCases(
      {
          {"BIT(3) 5", Column(kTypeBit, 3), {0x05}, "101", "101"},
          {"BIT(12)", Column(kTypeBit, 12), {0x0A, 0xAA}, "101010101010", "101010101010"},
          {"BIT(64)", Column(kTypeBit, 64), Bytes(8, 0xFF), std::string(64, '1'),
           std::string(64, '1')},
          {"BIT(1) 0", Column(kTypeBit, 1), {0x00}, "0", "0"},
      },
      Preview(), Save());
}

TEST_F(FieldValueTest, EnumAndSetUseTheirOwnColumnsMembers) {
  ColumnDefinition size = Column(kTypeEnum);
  size.values = {"S", "M", "L"};
  ColumnDefinition colour = Column(kTypeEnum);
  colour.values = {"rot", "grün"};
  ColumnDefinition days = Column(kTypeSet);
  days.values = {"mon", "tue", "wed", "thu"};
  ColumnDefinition many = Column(kTypeSet);
  for (int i = 0; i < 12; ++i)
    many.values.push_back("m" + std::to_string(i));
  ColumnDefinition wide = Column(kTypeEnum);
  for (int i = 0; i < 300; ++i)
    wide.values.push_back("v" + std::to_string(i));
  ExpectCases(
      {
          {"second ENUM column", colour, {2}, "grün", "grün"},
          {"first ENUM column", size, {2}, "M", "M"},
          {"ENUM index 0", size, {0}, "", ""},
          {"ENUM index past the list", size, {4}, "", ""},
          {"SET mask", days, {0b1010}, "tue,thu", "tue,thu"},
          {"empty SET", days, {0}, "", ""},
          {"SET of 12 in two bytes", many, {0x01, 0x08}, "m0,m11", "m0,m11"},
          {"ENUM of 300 in two bytes", wide, {0x2C, 0x01}, "v299", "v299"},
      },
      Preview(), Save());
  EXPECT_EQ(EnumStorageSize(size), 1u);
  EXPECT_EQ(EnumStorageSize(wide), 2u);
  EXPECT_EQ(SetStorageSize(days), 1u);
  EXPECT_EQ(SetStorageSize(many), 2u);
  ColumnDefinition set = Column(kTypeSet);
  const std::pair<int, std::size_t> sizes[] = {{17, 3}, {32, 4}, {33, 8}, {64, 8}};
  for (const auto& [members, bytes] : sizes) {
    set.values.assign(static_cast<std::size_t>(members), "x");
    EXPECT_EQ(SetStorageSize(set), bytes) << members;
  }
}

TEST_F(FieldValueTest, TextIsDecodedByTheColumnsCharacterSet) {
  ExpectCases(
      {
          {"latin1", Text(kTypeVarchar, kLatin1), {'K', 0xF6, 'l', 'n'}, "Köln", "Köln"},
          {"latin1 is Windows-1252", Text(kTypeVarchar, kLatin1), {0x80}, "€", "€"},
          {"utf8mb4",
           Text(kTypeVarchar, kUtf8mb4),
           {0xE2, 0x82, 0xAC, 0xF0, 0x9F, 0x98, 0x80},
           "€😀",
           "€😀"},
          {"utf8mb4 holding bytes that are no UTF-8: shown as bytes, marked",
           Text(kTypeVarchar, kUtf8mb4),
           {0xE9},
           "0xE9 (not utf8mb4)",
           "0xE9 (not utf8mb4)"},
          {"ucs2", Text(kTypeVarchar, kUcs2), {0x00, 0xE9, 0x20, 0xAC}, "é€", "é€"},
          {"utf16 surrogates", Text(kTypeVarchar, kUtf16), {0xD8, 0x3D, 0xDE, 0x00}, "😀", "😀"},
          {"utf16le",
           Text(kTypeVarchar, kUtf16Le),
           {0xE9, 0x00, 0x3D, 0xD8, 0x00, 0xDE},
           "é😀",
           "é😀"},
          {"utf32", Text(kTypeVarchar, kUtf32), {0x00, 0x01, 0xF6, 0x00}, "😀", "😀"},
          {"unlisted collation, UTF-8 bytes",
           Text(kTypeVarchar, kUnlisted),
           {0xC3, 0xA9},
           "é",
           "é"},
          {"unlisted collation, single-byte", Text(kTypeVarchar, kUnlisted), {0xE9}, "é", "é"},
          {"CHAR loses its pad spaces",
           Text(kTypeString, kLatin1),
           {'a', 'b', ' ', ' '},
           "ab",
           "ab"},
          {"utf8 CHAR pad", Text(kTypeString, kUtf8mb4), {0xC3, 0xBC, ' ', ' '}, "ü", "ü"},
          {"VARCHAR keeps trailing spaces", Text(kTypeVarchar, kLatin1), {'a', ' '}, "a ", "a "},
          {"zero byte ends the preview, save keeps it",
           Text(kTypeVarchar, kLatin1),
           {'a', 0, 'b'},
           "a",
           std::string("a\0b", 3)},
      },
      Preview(), Save());
}

TEST_F(FieldValueTest, SqlTextsThatAreNoTextInTheirCharacterSetGoAsPlainBytes) {
  // The server refuses a whole statement over an introduced string that is
  // not text in its character set (_utf8mb4 X'61FF62'); plain bytes it
  // stores, with what it cannot read as '?'.
  TableDefinition table;
  table.columns = {Text(kTypeVarchar, kUtf8mb4), Text(kTypeVarchar, kLatin1)};
  const TableFormat formats(table, &collations_);
  const struct {
    std::size_t column;
    Bytes bytes;
    const char* literal;
    std::uint64_t notConverted;
  } cases[] = {
      {0, {'a', 0xFF, 'b'}, "X'61FF62'", 1},
      {0, {0xC3, 0xA9, '\''}, "'\xC3\xA9\\''", 0},
      {1, {0xE9}, "'\xC3\xA9'", 0},
  };
  for (const auto& c : cases) {
    Cell cell;
    cell.SetBytes(CellKind::kText, ByteView(c.bytes.data(), c.bytes.size()));
    FormatScratch scratch;
    std::string out;
    AppendSqlLiteral(out, cell, formats[c.column], nullptr, scratch);
    EXPECT_EQ(out, c.literal);
    EXPECT_EQ(scratch.textsNotConverted, c.notConverted) << c.literal;
  }
}

TEST_F(FieldValueTest, BinaryValuesAreHexWithPlaceholdersForLongOnesInThePreview) {
  const ColumnDefinition varbinary = Text(kTypeVarchar, kBinaryCharset, 200);
  const ColumnDefinition blob = Text(kTypeBlob, kBinaryCharset);
  const ColumnDefinition text = Text(kTypeBlob, kLatin1);
  const Bytes b99(99, 0xAB);
  const Bytes b100(100, 0xAB);
  const Bytes b999(999, 0x80);
  const Bytes b1000(1000, 'x');
  const auto hex = [](const Bytes& bytes) { return HexText(bytes); };
  EXPECT_EQ(hex({0x00, 0x80, 0xFF}), "0x0080FF");
  EXPECT_EQ(hex({}), "");
  ExpectCases(
      {
          {"99 binary bytes", varbinary, b99, hex(b99), hex(b99)},
          {"100 binary bytes", varbinary, b100, "0x<Binarydata>", hex(b100)},
          {"empty binary value", varbinary, {}, "", ""},
          {"BINARY keeps its zero padding",
           Text(kTypeString, kBinaryCharset, 4),
           {'a', 0, 0, 0},
           "0x61000000",
           "0x61000000"},
          {"BLOB of 999 bytes", blob, b999, hex(b999), hex(b999)},
          {"BLOB of 1000 bytes", blob, b1000, "Large Blob Data", hex(b1000)},
          {"TEXT of 1000 bytes", text, b1000, "Large Blob Data", std::string(1000, 'x')},
          {"TEXT", text, {'h', 0xE9}, "hé", "hé"},
      },
      Preview(), Save());
}

TEST_F(FieldValueTest, GeometryIsAPlaceholderInThePreview) {
  const ColumnDefinition point = Column(kTypeGeometry);
  ExpectCases(
      {
          {"point",
           point,
           {0x00, 0x00, 0x00, 0x00, 0x01, 'A'},
           "Spatial Data",
           "\\0\\0\\0\\0\x01"
           "A"},
          {"all zero", point, {0, 0}, "Spatial Data", "NULL"},
          {"empty", point, {}, "Spatial Data", "NULL"},
      },
      Preview(), Save());
}

TEST_F(FieldValueTest, ASetNullFlagReadsNullWhateverTheStoredBytes) {
  const ColumnDefinition date = Column(kTypeNewDate);
  const Bytes flags = {0b0000'0100, 0b1000'0000};
  struct NullCase {
    std::uint32_t position;
    std::uint8_t bit;
    const char* expected;
  } cases[] = {
      {0, 0x04, "NULL"},       {1, 0x80, "NULL"},
      {0, 0x02, "2024-00-00"}, {2, 0x01, "2024-00-00"},  // a position past the flags is never set
      {0, 0x00, "2024-00-00"},                           // a column without a null bit
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ApplyNullFlag(date, "2024-00-00", flags, c.position, c.bit), c.expected)
        << c.position << "/" << int{c.bit};
  }
  EXPECT_EQ(ApplyNullFlag(date, "00-00-00", flags, 0, 0x04), "NULL");
  EXPECT_EQ(ApplyNullFlag(date, "00-00-00", flags, 0, 0x08), "00-00-00");
}

TEST_F(FieldValueTest, OptionsFollowTheApplicationsSaveModes) {
  CTarnSalvorProjApp app{CollationTable{}};
  EXPECT_EQ(ValueOptionsFor(app).form, ValueForm::kPreview);
  app.saveToDatabaseMode = true;
  EXPECT_EQ(ValueOptionsFor(app).form, ValueForm::kSave);
  EXPECT_EQ(ValueOptionsFor(app).collations, &app.collations);
}

TEST_F(FieldValueTest, CharacterSetNames) {
  EXPECT_EQ(EncodingOfCharacterSet("utf8mb3"), TextEncoding::kUtf8);
  EXPECT_EQ(EncodingOfCharacterSet("UTF8MB4"), TextEncoding::kUtf8);
  EXPECT_EQ(EncodingOfCharacterSet("utf8"), TextEncoding::kUtf8);
  EXPECT_EQ(EncodingOfCharacterSet("latin1"), TextEncoding::kSingleByte);
  EXPECT_EQ(EncodingOfCharacterSet("cp1250"), TextEncoding::kSingleByte);
  EXPECT_EQ(EncodingOfCharacterSet("ucs2"), TextEncoding::kUcs2);
  EXPECT_EQ(EncodingOfCharacterSet("utf16le"), TextEncoding::kUtf16Le);
  EXPECT_EQ(EncodingOfCharacterSet("binary"), TextEncoding::kBinary);
  EXPECT_EQ(EncodingOfCharacterSet(""), TextEncoding::kUnknown);
  EXPECT_EQ(DecodeText(Bytes{0x00, 0x41, 0x00, 0x00, 0x00, 0x42}, TextEncoding::kUcs2), "A");
  EXPECT_EQ(DecodeText(Bytes{0xD8, 0x3D}, TextEncoding::kUtf16), "\xEF\xBF\xBD");
  EXPECT_EQ(DecodeText(Bytes{0x00, 0x41, 0x42}, TextEncoding::kUcs2), "A\xEF\xBF\xBD");
}

}  // namespace
}  // namespace rowmender
