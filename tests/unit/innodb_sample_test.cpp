// Every InnoDB table of the sample data folder (own .ibd files and tables
// inside ibdata1; COMPACT and DYNAMIC; primary key, unique key only, no
// key; values stored outside the record) read window by window and compared
// with the server's own text of its rows.
//
// The preview forms differ from the server's text in known ways, which the
// comparison allows for: FLOAT and DOUBLE with six decimals, BIT with all
// its digits, ZEROFILL without its zeros, binary values as "0x" hex text or
// "0x<Binarydata>", spatial values as "Spatial Data", values stored outside
// the record as "Large Size Blob Data" (their save forms are files, checked
// byte for byte against the server's value), temporal values without
// fractions and with the year as the preview writes it, text up to a zero
// character.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "app/logic/recovery_engine.h"
#include "base/text_codec.h"
#include "catalogue/table_locator.h"
#include "innodb/page.h"
#include "preview/record_pages.h"
#include "support/test_paths.h"
#include "support/truth_files.h"
#include "values/field_value.h"

namespace rowmender {
namespace testing {
[[maybe_unused]] static void PrintTo(const SampleTable& table, std::ostream* out) {
  *out << table.database << "." << table.table;
}
}  // namespace testing

namespace {

using testing::SampleTable;
using testing::TsvTable;

// Values shorter than this are always kept within the record.
constexpr std::size_t kShortestExternalValue = 20;

struct TruthColumn {
  std::string name;
  std::string dataType;
  std::string columnType;
  std::string characterSet;
};

std::vector<TruthColumn> TruthColumns(const SampleTable& table) {
  const TsvTable columns = testing::ReadBatchTsv(table.TruthFile("columns"));
  std::vector<TruthColumn> out;
  for (std::size_t i = 0; i < columns.rows.size(); ++i) {
    out.push_back({columns.Cell(i, "COLUMN_NAME"), columns.Cell(i, "DATA_TYPE"),
                   columns.Cell(i, "COLUMN_TYPE"), columns.Cell(i, "CHARACTER_SET_NAME")});
  }
  return out;
}

bool IsOneOf(const std::string& text, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    if (text == name) return true;
  }
  return false;
}

bool IsSpatial(const std::string& type) {
  return IsOneOf(type, {"point", "geometry", "linestring", "polygon", "multipoint",
                        "multilinestring", "multipolygon", "geometrycollection"});
}
bool IsBinaryBlob(const std::string& type) {
  return IsOneOf(type, {"tinyblob", "blob", "mediumblob", "longblob"});
}
bool IsTextBlob(const std::string& type) {
  return IsOneOf(type, {"tinytext", "text", "mediumtext", "longtext"});
}
bool IsBinaryString(const std::string& type) {
  return IsOneOf(type, {"binary", "varbinary"});
}
// Types whose long values InnoDB may keep outside the record.
bool MayBeExternal(const std::string& type) {
  return IsBinaryBlob(type) || IsTextBlob(type) || IsBinaryString(type) ||
         IsOneOf(type, {"char", "varchar"});
}

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// A file's bytes in the form the server's text of the value takes: binary
// values as upper-case hex, latin1 text converted, UTF-8 text as it is.
std::string FileAsTruth(const TruthColumn& column, const std::string& bytes) {
  if (IsBinaryBlob(column.dataType) || IsBinaryString(column.dataType)) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned char b : bytes) {
      hex.push_back(kDigits[b >> 4]);
      hex.push_back(kDigits[b & 0x0F]);
    }
    return hex;
  }
  if (column.characterSet == "latin1") {
    return Cp1252ToUtf8(
        ByteView(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  }
  return bytes;
}

// Bytes of the value whose server text is `truth`, as far as it tells.
std::size_t StoredSize(const TruthColumn& column, const std::string& truth) {
  if (IsBinaryBlob(column.dataType) || IsBinaryString(column.dataType)) return truth.size() / 2;
  return truth.size();
}

std::string FourDigitYear(const std::string& text) {
  const auto dash = text.find('-');
  if (dash == std::string::npos || dash == 0) return text;
  return Format("%04.0f", std::stod(text.substr(0, dash))) + text.substr(dash);
}

std::string WithoutFraction(const std::string& text) {
  const auto dot = text.rfind('.');
  return dot == std::string::npos ? text : text.substr(0, dot);
}

// A cell in the form in which the preview's text and the server's agree.
std::string Canonical(const TruthColumn& column, const std::string& text, bool fromTruth) {
  const std::string& type = column.dataType;
  if (text == "NULL") return "\x01NULL";
  if (type == "float" || type == "double") {
    const double value =
        type == "float" ? std::strtof(text.c_str(), nullptr) : std::strtod(text.c_str(), nullptr);
    const auto comma = column.columnType.find(',');
    if (comma != std::string::npos) {
      char format[16];
      std::snprintf(format, sizeof format, "%%.%df",
                    std::atoi(column.columnType.c_str() + comma + 1));
      return Format(format, value);
    }
    if (std::fabs(value) < 5e-7) return "0";
    return Format("%.5g", value);
  }
  if (type == "bit" || column.columnType.find("zerofill") != std::string::npos) {
    const auto first = text.find_first_not_of('0');
    return first == std::string::npos ? "0" : text.substr(first);
  }
  if (IsOneOf(type, {"date", "datetime", "timestamp"})) {
    return FourDigitYear(fromTruth ? WithoutFraction(text) : text);
  }
  if (!fromTruth) return text;
  if (IsBinaryString(type)) {
    const std::size_t bytes = text.size() / 2;
    if (bytes >= kPreviewBinaryLimit) return std::string(kBinaryPlaceholder);
    return bytes == 0 ? "" : "0x" + text;
  }
  if (IsBinaryBlob(type)) return text.empty() ? "" : "0x" + text;
  if (IsSpatial(type)) return std::string(kSpatialPlaceholder);
  if (IsTextBlob(type) || IsOneOf(type, {"char", "varchar"})) {
    return text.substr(0, text.find('\0'));
  }
  if (type == "time") return WithoutFraction(text);
  return text;
}

// A cell of ours agrees with the server's when the canonical forms are
// equal, or when ours is the placeholder of a long value kept outside the
// record.
bool CellAgrees(const TruthColumn& column, const std::string& ours, const std::string& truth) {
  if (ours == kLargeExternalBlobPlaceholder && MayBeExternal(column.dataType)) {
    return StoredSize(column, truth) >= kShortestExternalValue;
  }
  return Canonical(column, ours, false) == Canonical(column, truth, true);
}

struct WindowedRead {
  std::vector<DecodedRow> rows;
  std::vector<std::size_t> windowSizes;
  std::vector<PageStart> firstPageStarts;
};

WindowedRead ReadAllWindows(CTarnSalvorProjApp& app, const SampleTable& table,
                            const RecordPagerOptions& options) {
  WindowedRead read;
  const TableLookup lookup =
      LocateTable(testing::SampleDataFolder(), table.databaseFolder, table.fileName);
  EXPECT_TRUE(lookup.location) << lookup.error;
  if (!lookup.location) return read;
  RecoveryEngine engine(app);
  RecordPager pager(engine, options);
  std::string error;
  EXPECT_TRUE(pager.Open(*lookup.location, error)) << error;
  pager.LoadFirstPage();
  read.firstPageStarts.assign(engine.pageStarts.begin(), engine.pageStarts.end());
  do {
    read.windowSizes.push_back(engine.rows.size());
    read.rows.insert(read.rows.end(), engine.rows.begin(), engine.rows.end());
  } while (pager.LoadNextPage());
  return read;
}

std::vector<SampleTable> InnoDbTables() {
  std::vector<SampleTable> tables;
  for (auto& table : testing::SampleTables()) {
    if (table.engine == "InnoDB") tables.push_back(table);
  }
  return tables;
}

std::vector<std::vector<std::string>> TruthRows(const SampleTable& table, const char* kind) {
  const std::string path = table.TruthFile(kind);
  if (!std::filesystem::exists(path)) return {};
  return testing::ReadBatchTsv(path).rows;
}

// Rows of ours with the given delete mark, in reading order.
std::vector<const DecodedRow*> RowsMarked(const WindowedRead& read, bool deleted) {
  std::vector<const DecodedRow*> rows;
  for (const auto& row : read.rows) {
    if (row.deleted == deleted) rows.push_back(&row);
  }
  return rows;
}

void ExpectRowsAgree(const std::vector<TruthColumn>& columns,
                     const std::vector<const DecodedRow*>& ours,
                     const std::vector<std::vector<std::string>>& truth, const char* what) {
  ASSERT_EQ(ours.size(), truth.size()) << what;
  int mismatches = 0;
  for (std::size_t r = 0; r < truth.size() && mismatches < 5; ++r) {
    ASSERT_EQ(ours[r]->values.size(), columns.size());
    for (std::size_t c = 0; c < columns.size(); ++c) {
      const std::string& cell = ours[r]->values[c];
      if (!CellAgrees(columns[c], cell, truth[r][c])) {
        ADD_FAILURE() << what << " row " << r << " column " << columns[c].name << ": ours \""
                      << cell << "\", server \"" << truth[r][c] << "\"";
        ++mismatches;
      }
    }
  }
}

class InnoDbSampleTest : public ::testing::TestWithParam<SampleTable> {
 protected:
  static void SetUpTestSuite() {
    // The truth was written with the session time zone at UTC.
    setenv("TZ", "UTC", 1);
    tzset();
  }
};

TEST_P(InnoDbSampleTest, EveryRowEqualsTheServersTextAndDeletedRowsAreMarked) {
  const SampleTable& table = GetParam();
  CTarnSalvorProjApp app;
  const WindowedRead read = ReadAllWindows(app, table, RecordPagerOptions{});
  const auto columns = TruthColumns(table);
  ExpectRowsAgree(columns, RowsMarked(read, false), TruthRows(table, "rows"), "live");
  ExpectRowsAgree(columns, RowsMarked(read, true), TruthRows(table, "deleted"), "deleted");

  // Windows of 1000 rows; only the last one may hold fewer.
  for (std::size_t i = 0; i + 1 < read.windowSizes.size(); ++i) {
    EXPECT_EQ(read.windowSizes[i], kRowsPerPage) << "window " << i;
  }
  EXPECT_LE(read.windowSizes.back(), kRowsPerPage);
}

// Without ibdata1, tables in their own .ibd read from the definition alone,
// with the same rows; tables inside ibdata1 give no rows.
TEST_P(InnoDbSampleTest, WithoutTheDictionaryOwnTablespacesReadFromTheDefinition) {
  const SampleTable& table = GetParam();
  CTarnSalvorProjApp withApp;
  const WindowedRead withDictionary = ReadAllWindows(withApp, table, RecordPagerOptions{});
  CTarnSalvorProjApp withoutApp;
  RecordPagerOptions options;
  options.useDictionary = false;
  const WindowedRead without = ReadAllWindows(withoutApp, table, options);
  if (table.inSystemTablespace) {
    EXPECT_TRUE(without.rows.empty());
    return;
  }
  ASSERT_EQ(without.rows.size(), withDictionary.rows.size());
  for (std::size_t r = 0; r < without.rows.size(); ++r) {
    EXPECT_EQ(without.rows[r].values, withDictionary.rows[r].values) << "row " << r;
    EXPECT_EQ(without.rows[r].deleted, withDictionary.rows[r].deleted) << "row " << r;
  }
}

// In save forms every value kept outside the record goes whole into a file
// of the save folder's blobdata folder, and the cell holds the file's path.
TEST_P(InnoDbSampleTest, SaveFormsWriteEveryLongValueToAFileWithItsBytes) {
  const SampleTable& table = GetParam();
  CTarnSalvorProjApp previewApp;
  const WindowedRead preview = ReadAllWindows(previewApp, table, RecordPagerOptions{});

  testing::ScratchFolder scratch;
  CTarnSalvorProjApp saveApp;
  saveApp.saveAsScriptMode = true;
  saveApp.saveFolder = scratch.Path().string();
  std::filesystem::create_directories(scratch.Path() / "blobdata");
  const WindowedRead save = ReadAllWindows(saveApp, table, RecordPagerOptions{});
  ASSERT_EQ(save.rows.size(), preview.rows.size());

  const auto columns = TruthColumns(table);
  std::vector<std::vector<std::string>> truth = TruthRows(table, "rows");
  const auto deletedTruth = TruthRows(table, "deleted");
  std::size_t live = 0;
  std::size_t deleted = 0;
  std::size_t files = 0;
  for (std::size_t r = 0; r < preview.rows.size(); ++r) {
    const bool isDeleted = preview.rows[r].deleted;
    const auto& truthRow = isDeleted ? deletedTruth.at(deleted++) : truth.at(live++);
    for (std::size_t c = 0; c < columns.size(); ++c) {
      if (preview.rows[r].values[c] != kLargeExternalBlobPlaceholder) continue;
      const std::string& path = save.rows[r].values[c];
      ASSERT_EQ(path.rfind(saveApp.saveFolder, 0), 0u) << "row " << r << " " << columns[c].name;
      EXPECT_EQ(FileAsTruth(columns[c], testing::ReadText(path)), truthRow[c])
          << "row " << r << " " << columns[c].name;
      ++files;
    }
  }
  EXPECT_EQ(saveApp.blobFileCounter, files);
}

INSTANTIATE_TEST_SUITE_P(SampleFolder, InnoDbSampleTest, ::testing::ValuesIn(InnoDbTables()),
                         [](const ::testing::TestParamInfo<SampleTable>& param) {
                           std::string name =
                               param.param.databaseFolder + "_" + param.param.fileName;
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

// The page starts of a 2600-row table after two full windows: the table's
// first leaf and the starts of the second and third windows, each window
// going on exactly where the one before it stopped.
TEST(InnoDbSample, PageStartsAfterTwoFullWindows) {
  const TableLookup lookup = LocateTable(testing::SampleDataFolder(), "shop", "orders");
  ASSERT_TRUE(lookup.location);
  CTarnSalvorProjApp app;
  RecoveryEngine engine(app);
  RecordPager pager(engine, RecordPagerOptions{});
  std::string error;
  ASSERT_TRUE(pager.Open(*lookup.location, error)) << error;
  pager.LoadFirstPage();
  ASSERT_EQ(engine.pageStarts.size(), 2u);
  EXPECT_EQ(engine.pageStarts[0].offset, 0u);
  EXPECT_NE(engine.pageStarts[0].pageNumber, 0u);
  const std::string lastOfFirst = engine.rows.back().values[0];
  ASSERT_TRUE(pager.LoadNextPage());
  EXPECT_EQ(engine.rows.size(), kRowsPerPage);
  ASSERT_EQ(engine.pageStarts.size(), 3u);
  EXPECT_EQ(std::stol(engine.rows.front().values[0]), std::stol(lastOfFirst) + 1);
  for (std::size_t i = 1; i < 3; ++i) {
    EXPECT_GT(engine.pageStarts[i].offset, 112u) << i;
    EXPECT_LT(engine.pageStarts[i].offset, kInnoPageSize) << i;
  }
  ASSERT_TRUE(pager.LoadNextPage());
  EXPECT_EQ(engine.rows.size(), 2600u - 2 * kRowsPerPage);
  EXPECT_FALSE(engine.moreRows);
}

// The tables whose long values the sample keeps outside the record do show
// the placeholder (so the save test above checks files for them).
TEST(InnoDbSample, LongValuesOfEveryStringTypeAreStoredOutsideTheRecord) {
  struct Case {
    const char* database;
    const char* table;
    const char* column;
  };
  const Case cases[] = {
      {"typezoo", "blobs_dynamic", "body"}, {"typezoo", "blobs_dynamic", "data"},
      {"typezoo", "blobs_dynamic", "memo"}, {"typezoo", "blobs_compact", "body"},
      {"typezoo", "blobs_compact", "memo"}, {"shop", "products", "description"},
  };
  for (const auto& want : cases) {
    SampleTable table;
    table.databaseFolder = want.database;
    table.fileName = want.table;
    CTarnSalvorProjApp app;
    const WindowedRead read = ReadAllWindows(app, table, RecordPagerOptions{});
    RecoveryEngine engine(app);
    engine.ReadTableDefinition(testing::SampleDataFolder() + "/" + want.database + "/" +
                               want.table + ".frm");
    int column = -1;
    for (const auto& definition : engine.table.columns) {
      if (definition.name == want.column) column = definition.ordinal;
    }
    ASSERT_GE(column, 0) << want.table << "." << want.column;
    bool placeholder = false;
    for (const auto& row : read.rows) {
      placeholder |= row.values[static_cast<std::size_t>(column)] == kLargeExternalBlobPlaceholder;
    }
    EXPECT_TRUE(placeholder) << want.table << "." << want.column;
  }
}

}  // namespace
}  // namespace rowmender
