#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "export/save/value_literals.h"
#include "support/test_paths.h"

namespace rowmender {
namespace {

using namespace std::string_literals;

ColumnDefinition Column(std::uint32_t type, std::uint32_t charset = 45, bool nullable = true) {
  ColumnDefinition column;
  column.typeCode = type;
  column.charsetId = charset;
  column.nullable = nullable;
  column.length = 10;
  return column;
}

std::string Literal(const ColumnDefinition& column, const std::string& text,
                    const LiteralContext& context = {}) {
  std::string out;
  LiteralProblems problems;
  AppendValueLiteral(out, column, text, context, problems);
  return out;
}

// Keeps the machine's time zone as it was.
class TimeZone {
 public:
  explicit TimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) saved_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~TimeZone() {
    if (saved_) {
      setenv("TZ", saved_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::optional<std::string> saved_;
};

TEST(SaveValueLiterals, EachTypeGetsTheLiteralThatStoresTheSameValue) {
  ColumnDefinition notNullText = Column(kTypeVarchar, 45, false);
  const struct {
    ColumnDefinition column;
    std::string text;
    std::string literal;
  } cases[] = {
      {Column(kTypeLong), "-2147483648", "-2147483648"},
      {Column(kTypeLongLong), "18446744073709551615", "18446744073709551615"},
      {Column(kTypeNewDecimal), "-12.50", "-12.50"},
      {Column(kTypeFloat), "3.4028235e+38", "3.4028235e+38"},
      {Column(kTypeDouble), "1e-45", "1e-45"},
      {Column(kTypeDouble), "inf", "'inf'"},
      {Column(kTypeYear), "0000", "0000"},
      {Column(kTypeBit), "101", "b'101'"},
      {Column(kTypeBit), "", "b'0'"},
      {Column(kTypeVarchar), "it's \\ NUL\0"s, "'it\\'s \\\\ NUL\\0'"},
      {Column(kTypeVarchar), "NULL", "NULL"},
      {notNullText, "NULL", "'NULL'"},
      {Column(kTypeVarchar, kBinaryCharset), "0x00275C", "X'00275C'"},
      {Column(kTypeString, kBinaryCharset), "", "''"},
      {Column(kTypeBlob, kBinaryCharset), "0xFF", "X'FF'"},
      {Column(kTypeBlob), "text\nblob", "'text\\nblob'"},
      {Column(kTypeEnum), "grün", "'grün'"},
      {Column(kTypeSet), "a,c", "'a,c'"},
      {Column(kTypeDatetime2), "2024-02-29 13:14:15.123456", "'2024-02-29 13:14:15.123456'"},
      {Column(kTypeTime2), "-838:59:59", "'-838:59:59'"},
      {Column(kTypeDate), "0000-00-00", "'0000-00-00'"},
      {Column(kTypeGeometry, kBinaryCharset), "0x0000000001", "X'0000000001'"},
      {Column(kTypeGeometry, kBinaryCharset), "\\0\\0\\0\\0\x01\x01", "X'000000000101'"},
      {Column(kTypeGeometry, kBinaryCharset), "NULL", "NULL"},
  };
  TimeZone utc("UTC");
  for (const auto& c : cases)
    EXPECT_EQ(Literal(c.column, c.text), c.literal) << c.text;
}

TEST(SaveValueLiterals, NumericLiterals) {
  for (const char* yes : {"0", "-1", "+1", "1.", ".5", "1.5e10", "1E-3", "007"}) {
    EXPECT_TRUE(IsNumericLiteral(yes)) << yes;
  }
  for (const char* no : {"", "-", ".", "e5", "1e", "1e+", "0x10", "1 2", "1;DROP", "nan"}) {
    EXPECT_FALSE(IsNumericLiteral(no)) << no;
  }
}

TEST(SaveValueLiterals, TimestampsGoOutInUtc) {
  const ColumnDefinition timestamp = Column(kTypeTimestamp2);
  {
    TimeZone berlin("Europe/Berlin");
    EXPECT_EQ(Literal(timestamp, "2024-07-01 12:00:00.25"), "'2024-07-01 10:00:00.25'");
    EXPECT_EQ(Literal(timestamp, "2024-01-01 00:30:00"), "'2023-12-31 23:30:00'");
    EXPECT_EQ(Literal(timestamp, "0000-00-00 00:00:00"), "'0000-00-00 00:00:00'");
    EXPECT_EQ(Literal(timestamp, "not a time"), "'not a time'");
    // DATETIME holds no zone.
    EXPECT_EQ(Literal(Column(kTypeDatetime2), "2024-07-01 12:00:00"), "'2024-07-01 12:00:00'");
  }
  TimeZone utc("UTC");
  EXPECT_EQ(Literal(timestamp, "2038-01-19 03:14:07"), "'2038-01-19 03:14:07'");
}

TEST(SaveValueLiterals, LongValuesComeBackFromTheirFiles) {
  testing::ScratchFolder scratch;
  const std::string folder = scratch.Path().string() + "/blobdata/";
  const std::string binaryFile = scratch.Write("blobdata/0", "\x00\x27"s);
  const std::string textFile = scratch.Write("blobdata/1", std::string("Gr\xFC\xDF"
                                                                       "e"));
  CollationTable collations;
  LiteralContext context;
  context.blobFolder = folder;
  context.removeBlobFiles = true;

  std::string out;
  LiteralProblems problems;
  AppendValueLiteral(out, Column(kTypeLongBlob, kBinaryCharset), binaryFile, context, problems);
  EXPECT_EQ(out, "X'0027'");
  EXPECT_FALSE(std::filesystem::exists(binaryFile));
  out.clear();
  AppendValueLiteral(out, Column(kTypeBlob, 8), textFile, context, problems);
  EXPECT_EQ(out, "X'4772FCDF65'");
  out.clear();
  // A file that is gone: the value is missing, and counted.
  AppendValueLiteral(out, Column(kTypeBlob, 8), folder + "7", context, problems);
  EXPECT_EQ(out, "NULL");
  EXPECT_EQ(problems.unreadableBlobFiles, 1u);
  out.clear();
  // The same folder written another way.
  scratch.Write("blobdata/2", std::string("x"));
  AppendValueLiteral(out, Column(kTypeBlob, kBinaryCharset),
                     scratch.Path().string() + "/./blobdata/2", context, problems);
  EXPECT_EQ(out, "X'78'");
  out.clear();
  // Text that merely looks like a path elsewhere is text.
  AppendValueLiteral(out, Column(kTypeBlob, 8), "/etc/passwd", context, problems);
  EXPECT_EQ(out, "'/etc/passwd'");
  out.clear();
  AppendValueLiteral(out, Column(kTypeBlob, 8), "/var/blobdata/12", context, problems);
  EXPECT_EQ(out, "'/var/blobdata/12'");
}

TEST(SaveValueLiterals, RowsGetAValueForEveryColumn) {
  TableDefinition table;
  table.columns = {Column(kTypeLong, 8, false), Column(kTypeVarchar, 45, false),
                   Column(kTypeVarchar)};
  LiteralProblems problems;
  EXPECT_EQ(RowTuple(table, {"1", "a'b", "NULL"}, {}, problems), "(1,'a\\'b',NULL)");
  EXPECT_EQ(RowTuple(table, {"2"}, {}, problems), "(2,'',NULL)");
  EXPECT_EQ(RowTuple(table, {}, {}, problems), "(0,'',NULL)");
}

}  // namespace
}  // namespace rowmender
