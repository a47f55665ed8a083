#include <gtest/gtest.h>

#include <string>

#include "base/table_file_names.h"
#include "export/save/sql_text.h"
#include "support/truth_files.h"

namespace rowmender {
namespace {

using namespace std::string_literals;

ByteView Bytes(const std::string& text) {
  return ByteView(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

TEST(SaveSqlText, IdentifiersAreQuotedWithBackticksDoubled) {
  EXPECT_EQ(QuoteIdentifier("orders"), "`orders`");
  EXPECT_EQ(QuoteIdentifier("it's a `table`"), "`it's a ``table```");
  EXPECT_EQ(QuoteIdentifier("line\nbreak \\ ü"), "`line\nbreak \\ ü`");
  EXPECT_EQ(QuoteIdentifier(""), "``");
  // No server name holds a zero character; none reaches a statement.
  EXPECT_EQ(QuoteIdentifier("a\0b"s),
            "`a\xEF\xBF\xBD"
            "b`");
}

TEST(SaveSqlText, StringsEscapeEverythingTheServerWouldReadDifferently) {
  const struct {
    std::string text;
    std::string literal;
  } cases[] = {
      {"", "''"},
      {"plain", "'plain'"},
      {"it's", "'it\\'s'"},
      {"back\\slash", "'back\\\\slash'"},
      {"nul\0byte"s, "'nul\\0byte'"},
      {"line1\nline2\r\n", "'line1\\nline2\\r\\n'"},
      {"ctrl-z\x1A", "'ctrl-z\\Z'"},
      {"tab\tand \"double\" and `tick`", "'tab\tand \"double\" and `tick`'"},
      {"grüße 😀", "'grüße 😀'"},
      {"\\0 is not a NUL", "'\\\\0 is not a NUL'"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(QuoteString(c.text), c.literal) << c.text;
}

TEST(SaveSqlText, HexLiteralsAndHexTexts) {
  EXPECT_EQ(HexLiteral(Bytes("")), "X''");
  EXPECT_EQ(HexLiteral(Bytes("\x00\x27\x5C\xFF"s)), "X'00275CFF'");

  std::string bytes;
  ASSERT_TRUE(ParseHexText("0x00275cFF", bytes));
  EXPECT_EQ(bytes, "\x00\x27\x5C\xFF"s);
  ASSERT_TRUE(ParseHexText("0x", bytes));
  EXPECT_EQ(bytes, "");
  for (const char* bad : {"", "0", "00", "0x0", "0xZZ", "x00", "0x<Binarydata>", "1x00"}) {
    EXPECT_FALSE(ParseHexText(bad, bytes)) << bad;
  }
}

TEST(SaveFileNames, EverySampleNameDecodesToTheServersName) {
  for (const auto& table : testing::SampleTables()) {
    EXPECT_EQ(DecodeTableFileName(table.databaseFolder), table.database);
    EXPECT_EQ(DecodeTableFileName(table.fileName), table.table);
  }
}

}  // namespace
}  // namespace rowmender
