// The texts of InnoDB field values: the stored bytes of one field (as the
// server writes them into a clustered-index record) to the preview and save
// forms.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "innodb/column_value.h"
#include "innodb/inno_column.h"

namespace rowmender {
namespace {

using Bytes = std::vector<std::uint8_t>;

CollationTable TestCollations() {
  // number, least and most bytes per character, collation and charset names
  std::vector<std::uint8_t> bytes;
  const auto add32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
      bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  const auto addText = [&](const std::string& text) {
    add32(static_cast<std::uint32_t>(text.size()));
    bytes.insert(bytes.end(), text.begin(), text.end());
  };
  const auto add = [&](std::uint32_t id, std::uint32_t min, std::uint32_t max, const char* name,
                       const char* set) {
    add32(id);
    add32(min);
    add32(max);
    addText(name);
    addText(set);
  };
  add(8, 1, 1, "latin1_swedish_ci", "latin1");
  add(45, 1, 4, "utf8mb4_general_ci", "utf8mb4");
  add(63, 1, 1, "binary", "binary");
  CollationTable table;
  table.LoadFromBytes(bytes);
  return table;
}

ColumnDefinition Column(std::uint32_t type, std::uint32_t length, bool isSigned = true,
                        std::uint32_t charset = 45) {
  ColumnDefinition column;
  column.name = "c";
  column.typeCode = type;
  column.length = length;
  column.charsetId = charset;
  column.packFlags = isSigned ? kPackSigned : 0;
  return column;
}

class InnoDbValues : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("TZ", "UTC", 1);
    tzset();
  }

  // The text of `stored` for `column` typed from its definition.
  std::string Text(const ColumnDefinition& column, const Bytes& stored, bool save = false,
                   bool external = false) {
    return Text(InnoColumnFromDefinition(column, 0, collations_), stored, save, external);
  }
  std::string Text(const InnoColumn& field, const Bytes& stored, bool save = false,
                   bool external = false) {
    InnoValueContext context;
    context.options.form = save ? ValueForm::kSave : ValueForm::kPreview;
    context.options.collations = &collations_;
    context.exportExternal = [this](ByteView local) {
      exported_.assign(local.begin(), local.end());
      return std::string("/save/blobdata/0");
    };
    context.readExternal = [](ByteView) { return std::string("\x01\x02", 2); };
    return DecodeInnoValue(field, stored, external, context);
  }

  CollationTable collations_ = TestCollations();
  Bytes exported_;
};

TEST_F(InnoDbValues, IntegersAreBigEndianWithTheSignBitInverted) {
  struct Case {
    std::uint32_t type;
    bool isSigned;
    Bytes stored;
    const char* text;
  };
  const std::vector<Case> cases = {
      {kTypeLong, true, {0x7F, 0xFF, 0xFF, 0xFF}, "-1"},
      {kTypeLong, false, {0x7F, 0xFF, 0xFF, 0xFF}, "2147483647"},
      {kTypeLong, false, {0xFF, 0xFF, 0xFF, 0xFF}, "4294967295"},
      {kTypeLong, true, {0x80, 0x00, 0x00, 0x2A}, "42"},
      {kTypeTiny, true, {0x7F}, "-1"},  // signed TINYINT stored as 7F
      {kTypeTiny, false, {0xFF}, "255"},
      {kTypeTiny, true, {0x00}, "-128"},
      {kTypeShort, true, {0x7F, 0xFE}, "-2"},
      {kTypeInt24, true, {0x00, 0x00, 0x00}, "-8388608"},
      {kTypeInt24, false, {0xFF, 0xFF, 0xFF}, "16777215"},
      {kTypeLongLong, true, {0x00, 0, 0, 0, 0, 0, 0, 0}, "-9223372036854775808"},
      {kTypeLongLong,
       false,
       {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
       "18446744073709551615"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Text(Column(c.type, 11, c.isSigned), c.stored), c.text) << c.text;
  }
}

TEST_F(InnoDbValues, TheDictionarysUnsignedBitDecidesWhereItIsLoaded) {
  // The definition says signed, the dictionary's type says unsigned.
  DictColumnType type{kMtypeInt, kPrtypeNotNull | kPrtypeUnsigned | kTypeLong, 4, 0, 0, 0};
  const InnoColumn field = InnoColumnFromDictionary(Column(kTypeLong, 11, true), type);
  EXPECT_EQ(Text(field, {0xFF, 0xFF, 0xFF, 0xFF}), "4294967295");
  type.prtype = kPrtypeNotNull | kTypeLong;
  EXPECT_EQ(
      Text(InnoColumnFromDictionary(Column(kTypeLong, 11, false), type), {0x7F, 0xFF, 0xFF, 0xFF}),
      "-1");
}

TEST_F(InnoDbValues, TemporalValuesByTypeCode) {
  struct Case {
    std::uint32_t type;
    std::uint32_t length;
    Bytes stored;
    const char* text;
  };
  const std::vector<Case> cases = {
      // DATE: a signed 3-byte integer; 2020-01-01 is 0x0FC821.
      {kTypeNewDate, 10, {0x8F, 0xC8, 0x21}, "2020-01-01"},
      // TIME2, DATETIME2, TIMESTAMP2: as MySQL writes them.
      {kTypeTime2, 10, {0x80, 0xB0, 0xC2}, "11:03:02"},
      {kTypeDatetime2, 19, {0x99, 0xA5, 0x64, 0x9C, 0x4B}, "2020-01-18 09:49:11"},
      {kTypeTimestamp2, 19, {0x5E, 0x22, 0xD4, 0x97}, "2020-01-18 09:49:11"},
      // The pre-5.6 encodings: TIME hhmmss and DATETIME YYYYMMDDhhmmss as
      // signed integers, TIMESTAMP as unsigned seconds.
      {kTypeTime, 10, {0x80, 0x29, 0x6E}, "01:06:06"},
      {kTypeTime, 10, {0x7F, 0xD6, 0x92}, "-01:06:06"},
      {kTypeDatetime, 19, {0x80, 0x00, 0x12, 0x5F, 0x34, 0xDD, 0x0C, 0x3F}, "2020-01-18 09:49:11"},
      {kTypeTimestamp, 19, {0x5E, 0x22, 0xD4, 0x97}, "2020-01-18 09:49:11"},
      {kTypeTimestamp, 19, {0, 0, 0, 0}, "0000-00-00 00:00:00"},
      {kTypeYear, 4, {0}, "0000"},
      {kTypeYear, 4, {124}, "2024"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Text(Column(c.type, c.length, false), c.stored), c.text) << c.text;
  }
}

TEST_F(InnoDbValues, EnumSetAndBitUseTheColumnsOwnValues) {
  ColumnDefinition size = Column(kTypeEnum, 1, false);
  size.values = {"S", "M", "L"};
  EXPECT_EQ(Text(size, {0x02}), "M");
  EXPECT_EQ(Text(size, {0x00}), "");
  EXPECT_EQ(Text(size, {0x04}), "");
  ColumnDefinition days = Column(kTypeSet, 1, false);
  days.values = {"mo", "tu", "we", "th", "fr", "sa", "su", "x8", "x9"};
  EXPECT_EQ(Text(days, {0x01, 0x05}), "mo,we,x9");  // 2 bytes, big-endian
  EXPECT_EQ(Text(Column(kTypeBit, 3, false, 63), {0x05}), "101");
  EXPECT_EQ(Text(Column(kTypeBit, 12, false, 63), {0x0A, 0xBC}), "101010111100");
}

TEST_F(InnoDbValues, StringsAreDecodedByCharacterSet) {
  EXPECT_EQ(Text(Column(kTypeVarchar, 40), {0x46, 0xC3, 0xBC, 0xC3, 0x9F}), "Fü\xC3\x9F");
  // latin1 bytes are single-byte text even when they look like UTF-8.
  EXPECT_EQ(Text(Column(kTypeVarchar, 40, true, 8), {0xC3, 0xBC}), "\xC3\x83\xC2\xBC");
  EXPECT_EQ(Text(Column(kTypeString, 10, true, 8), {'a', 'b', ' ', ' '}), "ab");
  EXPECT_EQ(Text(Column(kTypeBlob, 65535), {'h', 'i'}), "hi");
  // In-record BLOB and TEXT values show every byte in the preview too.
  EXPECT_EQ(Text(Column(kTypeBlob, 65535, true, 63), Bytes(1200, 0xAB)).size(), 2u + 2400u);
}

TEST_F(InnoDbValues, BinaryStringsAreHexOrThePlaceholderInThePreview) {
  const ColumnDefinition varbinary = Column(kTypeVarchar, 200, true, 63);
  EXPECT_EQ(Text(varbinary, {0x80, 0xFF}), "0x80FF");
  EXPECT_EQ(Text(varbinary, Bytes(120, 0x11)), "0x<Binarydata>");
  EXPECT_EQ(Text(varbinary, Bytes(120, 0x11), true), "0x" + std::string(240, '1'));
  EXPECT_EQ(Text(varbinary, {}), "");
}

TEST_F(InnoDbValues, ExternallyStoredValuesOfAnyStringType) {
  const Bytes local(20, 0);
  for (const std::uint32_t type : {kTypeBlob, kTypeLongBlob, kTypeVarchar, kTypeString}) {
    EXPECT_EQ(Text(Column(type, 20000), local, false, true), "Large Size Blob Data") << type;
    exported_.clear();
    EXPECT_EQ(Text(Column(type, 20000), local, true, true), "/save/blobdata/0") << type;
    EXPECT_EQ(exported_.size(), 20u) << type;
  }
}

TEST_F(InnoDbValues, SpatialValues) {
  const ColumnDefinition point = Column(kTypeGeometry, 4294967295u, true, 63);
  EXPECT_EQ(Text(point, {0, 0, 0, 0, 1, 1}), "Spatial Data");
  EXPECT_EQ(Text(point, {0, 0, 0, 0, 1, 1}, true), "\\0\\0\\0\\0\x01\x01");
  EXPECT_EQ(Text(point, Bytes(20, 0), false, true), "Spatial Data");
  EXPECT_EQ(Text(point, Bytes(20, 0), true, true), "\x01\x02");
}

TEST_F(InnoDbValues, NumbersKeptAsMySqlWritesThem) {
  ColumnDefinition decimal = Column(kTypeNewDecimal, 7);
  decimal.precision = 5;
  decimal.scale = 2;
  EXPECT_EQ(Text(decimal, {0x7F, 0xFE, 0xCD}), "-1.50");
  EXPECT_EQ(Text(Column(kTypeFloat, 12), {0x00, 0x00, 0xC0, 0x3F}), "1.500000");
  EXPECT_EQ(Text(Column(kTypeDouble, 22), {0, 0, 0, 0, 0, 0, 0xF8, 0x3F}), "1.500000");
}

TEST_F(InnoDbValues, ABrokenFieldNeverReadsBeyondItsBytes) {
  EXPECT_EQ(Text(Column(kTypeLong, 11), Bytes(12, 0xFF)), "");  // no integer is that wide
  EXPECT_EQ(Text(Column(kTypeLong, 11), {}), "0");
  EXPECT_EQ(Text(Column(kTypeDatetime2, 19), {0x99}), "1969-03-00 00:00:00");
}

}  // namespace
}  // namespace rowmender
