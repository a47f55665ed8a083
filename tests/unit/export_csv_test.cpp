#include <gtest/gtest.h>

#include "export/csv_export.h"
#include "export/utf16_text.h"
#include "support/test_paths.h"

namespace rowmender {
namespace {

// The UTF-16LE bytes of an ASCII text, written out by hand.
std::string Wide(std::string_view ascii) {
  std::string bytes;
  for (char c : ascii) {
    bytes.push_back(c);
    bytes.push_back('\0');
  }
  return bytes;
}

TEST(CsvExport, QuotesOnlyCellsHoldingCommaQuoteOrLineBreak) {
  const struct {
    const char* cell;
    const char* field;
  } cases[] = {
      {"plain", "plain"},
      {"", ""},
      {"a,b", "\"a,b\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"two\nlines", "\"two\nlines\""},
      {"cr\rhere", "\"cr\rhere\""},
      {"semi;colon 'single'", "semi;colon 'single'"},
      {"NULL", "NULL"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CsvField(c.cell), c.field) << c.cell;
}

TEST(CsvExport, FileBytesAreUtf16WithoutMarkAndCrLfAfterEveryLine) {
  // Columns id and note, rows (1, a,b) and (2, empty): the comma cell is
  // quoted so the second line keeps two fields.
  const std::string bytes = BuildCsvBytes({"id", "note"}, {{"1", "a,b"}, {"2", ""}});
  EXPECT_EQ(bytes, Wide("id,note\r\n1,\"a,b\"\r\n2,\r\n"));
  EXPECT_NE(bytes.substr(0, 2), std::string(kUtf16LeByteOrderMark));
}

TEST(CsvExport, HeaderAloneForAGridWithoutRowsAndShortRowsGetEmptyFields) {
  EXPECT_EQ(BuildCsvBytes({"a", "b", "c"}, {}), Wide("a,b,c\r\n"));
  EXPECT_EQ(BuildCsvBytes({"a", "b", "c"}, {{"1"}}), Wide("a,b,c\r\n1,,\r\n"));
}

TEST(CsvExport, NonAsciiTextBecomesUtf16CodeUnits) {
  // "ü" is U+00FC; the emoji U+1F600 is the surrogate pair D83D DE00.
  const std::string bytes = BuildCsvBytes({"\xC3\xBC"}, {{"\xF0\x9F\x98\x80"}});
  EXPECT_EQ(bytes, std::string("\xFC\x00\r\x00\n\x00\x3D\xD8\x00\xDE\r\x00\n\x00", 14));
  // A malformed byte becomes U+FFFD.
  EXPECT_EQ(Utf8ToUtf16Le("\xFF"), std::string("\xFD\xFF", 2));
}

TEST(CsvExport, CaptionsAreCutTo127CodeUnitsWithoutSplittingACharacter) {
  EXPECT_EQ(CsvCaption(std::string(200, 'x')), std::string(127, 'x'));
  // 126 units, then a character of two units that would pass the limit.
  const std::string caption = std::string(126, 'x') + "\xF0\x9F\x98\x80" + "y";
  EXPECT_EQ(CsvCaption(caption), std::string(126, 'x'));
  EXPECT_EQ(CsvCaption("short"), "short");
}

TEST(CsvExport, WritesTruncatesAndReportsAFileThatCannotBeCreated) {
  testing::ScratchFolder scratch;
  const std::string path = (scratch.Path() / "out.csv").string();
  ASSERT_EQ(WriteCsvFile(path, "0123456789"), CsvWriteResult::kWritten);
  ASSERT_EQ(WriteCsvFile(path, "ab"), CsvWriteResult::kWritten);
  EXPECT_EQ(testing::ReadText(path), "ab");
  EXPECT_EQ(WriteCsvFile((scratch.Path() / "missing" / "x.csv").string(), "ab"),
            CsvWriteResult::kCannotCreate);
}

}  // namespace
}  // namespace rowmender
