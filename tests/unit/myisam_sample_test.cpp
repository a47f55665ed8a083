// Every MyISAM table of the sample data folder, read page by page, against
// the server's own text of its rows (the truth files).
//
// The preview forms differ from the server's text in known ways, which the
// comparison allows for: FLOAT and DOUBLE with six decimals, binary values
// as "0x" hex text or a placeholder, spatial values as a placeholder, BIT
// with all its digits, temporal values without fractions and with the
// year as the preview writes it, text up to a zero character. The save forms
// must match exactly, apart from the number forms and BIT digits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "app/logic/recovery_engine.h"
#include "base/text_codec.h"
#include "catalogue/table_locator.h"
#include "myisam/index_header.h"
#include "myisam/record_image.h"
#include "preview/record_pages.h"
#include "support/test_paths.h"
#include "support/truth_files.h"

namespace rowmender {
namespace testing {
// Test names and messages show the table, not its bytes.
[[maybe_unused]] static void PrintTo(const SampleTable& table, std::ostream* out) {
  *out << table.database << "." << table.table;
}
}  // namespace testing

namespace {

using testing::SampleTable;
using testing::TsvTable;

struct TruthColumn {
  std::string name;
  std::string dataType;
  std::string columnType;
};

std::vector<TruthColumn> TruthColumns(const SampleTable& table) {
  const TsvTable columns = testing::ReadBatchTsv(table.TruthFile("columns"));
  std::vector<TruthColumn> out;
  for (std::size_t i = 0; i < columns.rows.size(); ++i) {
    out.push_back({columns.Cell(i, "COLUMN_NAME"), columns.Cell(i, "DATA_TYPE"),
                   columns.Cell(i, "COLUMN_TYPE")});
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

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::vector<std::uint8_t> FromHex(const std::string& hex) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

// `year-rest` with the year written with four digits.
std::string FourDigitYear(const std::string& text) {
  const auto dash = text.find('-');
  if (dash == std::string::npos || dash == 0) return text;
  return Format("%04.0f", std::stod(text.substr(0, dash))) + text.substr(dash);
}

std::string WithoutFraction(const std::string& text) {
  const auto dot = text.rfind('.');
  return dot == std::string::npos ? text : text.substr(0, dot);
}

// One cell brought to a form in which our text and the server's agree.
std::string Canonical(const TruthColumn& column, const std::string& text, bool save,
                      bool fromTruth) {
  const std::string& type = column.dataType;
  if (text == "NULL") return "\x01NULL";
  if (type == "float" || type == "double") {
    const double value =
        type == "float" ? std::strtof(text.c_str(), nullptr) : std::strtod(text.c_str(), nullptr);
    // FLOAT(M,D) and DOUBLE(M,D): the server writes exactly D decimals.
    const auto comma = column.columnType.find(',');
    if (comma != std::string::npos) {
      char format[16];
      std::snprintf(format, sizeof format, "%%.%df",
                    std::atoi(column.columnType.c_str() + comma + 1));
      return Format(format, value);
    }
    if (save && type == "double") return Format("%.17g", value);
    if (!save && std::fabs(value) < 5e-7) return "0";  // below the six decimals
    return Format("%.5g", value);
  }
  if (type == "bit" || column.columnType.find("zerofill") != std::string::npos) {
    const auto first = text.find_first_not_of('0');
    return first == std::string::npos ? "0" : text.substr(first);
  }
  if (!fromTruth) return text;

  // The server's text of the value, turned into ours.
  const bool binaryString = IsOneOf(type, {"binary", "varbinary"});
  const bool binaryBlob = IsOneOf(type, {"tinyblob", "blob", "mediumblob", "longblob"});
  if (binaryString || binaryBlob) {
    const std::size_t bytes = text.size() / 2;
    if (!save && binaryString && bytes >= 100) return "0x<Binarydata>";
    if (!save && binaryBlob && bytes >= 1000) return "Large Blob Data";
    return bytes == 0 ? "" : "0x" + text;
  }
  if (IsSpatial(type)) {
    if (!save) return "Spatial Data";
    const auto bytes = FromHex(text);
    std::vector<std::uint8_t> escaped;
    for (std::uint8_t b : bytes) {
      if (b == 0) {
        escaped.push_back('\\');
        escaped.push_back('0');
      } else {
        escaped.push_back(b);
      }
    }
    return Cp1252ToUtf8(escaped);
  }
  if (IsOneOf(type, {"tinytext", "text", "mediumtext", "longtext"}) && !save &&
      text.size() >= 1000) {
    return "Large Blob Data";
  }
  if (IsOneOf(type, {"char", "varchar", "tinytext", "text", "mediumtext", "longtext"}) && !save) {
    return text.substr(0, text.find('\0'));
  }
  if (IsOneOf(type, {"time", "datetime", "timestamp"}) && !save) return WithoutFraction(text);
  return text;
}

std::string RowKey(const std::vector<TruthColumn>& columns, const std::vector<std::string>& row,
                   bool save, bool fromTruth) {
  std::string key;
  for (std::size_t i = 0; i < row.size() && i < columns.size(); ++i) {
    std::string cell = Canonical(columns[i], row[i], save, fromTruth);
    // The preview writes short years with fewer digits; compare four.
    if (!save && IsOneOf(columns[i].dataType, {"date", "datetime", "timestamp"})) {
      cell = FourDigitYear(cell);
    }
    key += cell;
    key += '\x1F';
  }
  return key;
}

struct PagedRead {
  std::vector<DecodedRow> rows;
  std::vector<std::size_t> pageSizes;
  std::vector<PageStart> firstPageStarts;
};

PagedRead ReadAllPages(CTarnSalvorProjApp& app, const SampleTable& table, bool save,
                       TableDefinition& definition, std::vector<MyisamColumn>& descriptors) {
  PagedRead read;
  const TableLookup lookup =
      LocateTable(testing::SampleDataFolder(), table.databaseFolder, table.fileName);
  EXPECT_TRUE(lookup.location) << lookup.error;
  if (!lookup.location) return read;
  app.saveAsScriptMode = save;
  RecoveryEngine engine(app);
  RecordPager pager(engine, RecordPagerOptions{});
  std::string error;
  EXPECT_TRUE(pager.Open(*lookup.location, error)) << error;
  pager.LoadFirstPage();
  read.firstPageStarts.assign(engine.pageStarts.begin(), engine.pageStarts.end());
  do {
    read.pageSizes.push_back(engine.rows.size());
    read.rows.insert(read.rows.end(), engine.rows.begin(), engine.rows.end());
  } while (pager.LoadNextPage());
  definition = engine.table;
  MyisamIndexHeader header;
  EXPECT_TRUE(
      ReadIndexFile(lookup.location->databaseFolder + "/" + table.fileName + ".MYI", header));
  descriptors = header.columns;
  return read;
}

class MyisamSampleTest : public ::testing::TestWithParam<SampleTable> {
 protected:
  static void SetUpTestSuite() {
    setenv("TZ", "UTC", 1);  // the truth files show TIMESTAMP in UTC
    tzset();
  }
};

TEST_P(MyisamSampleTest, EveryLiveRowEqualsTheServersTextInBothForms) {
  const SampleTable& table = GetParam();
  CollationTable collations;
  ASSERT_TRUE(collations.LoadFromFile(testing::SourceFolder() + "/data/collation (2)"));
  CTarnSalvorProjApp app(std::move(collations));
  const std::vector<TruthColumn> columns = TruthColumns(table);
  const TsvTable live = testing::ReadBatchTsv(table.TruthFile("rows"));
  ASSERT_EQ(live.rows.size(), static_cast<std::size_t>(table.liveRows));

  for (const bool save : {false, true}) {
    SCOPED_TRACE(save ? "save forms" : "preview forms");
    TableDefinition definition;
    std::vector<MyisamColumn> descriptors;
    const PagedRead read = ReadAllPages(app, table, save, definition, descriptors);
    ASSERT_EQ(live.header.size(), definition.columns.size());
    for (std::size_t i = 0; i < live.header.size(); ++i) {
      EXPECT_EQ(definition.columns[i].name, live.header[i]);
    }

    // Pages of 1000 rows; the queue after the first page holds the start of
    // the table and, when the table goes on, where the second page begins.
    for (std::size_t p = 0; p + 1 < read.pageSizes.size(); ++p) {
      EXPECT_EQ(read.pageSizes[p], kRowsPerPage) << "page " << p + 1;
    }
    ASSERT_FALSE(read.firstPageStarts.empty());
    EXPECT_EQ(read.firstPageStarts.front(), (PageStart{0, 0}));
    EXPECT_EQ(read.firstPageStarts.size(), read.pageSizes.front() == kRowsPerPage ? 2u : 1u);

    std::map<std::string, int> expected;
    for (const auto& row : live.rows)
      ++expected[RowKey(columns, row, save, true)];
    std::map<std::string, int> found;
    std::vector<const DecodedRow*> deleted;
    for (const DecodedRow& row : read.rows) {
      ASSERT_EQ(row.values.size(), columns.size());
      if (row.deleted) {
        deleted.push_back(&row);
      } else {
        ++found[RowKey(columns, row.values, save, false)];
      }
    }
    for (const auto& [key, count] : expected) {
      const auto it = found.find(key);
      EXPECT_EQ(it == found.end() ? 0 : it->second, count) << "missing row: " << key;
    }
    for (const auto& [key, count] : found) {
      EXPECT_TRUE(expected.count(key) != 0) << "row the server does not have: " << key;
    }

    // Deleted records: fixed-length ones are read like live ones and
    // flagged; their first bytes hold MyISAM's chain of free records, the
    // rest keeps the old values. Deleted blocks of dynamic records lost
    // their flags and first fields and give no row.
    if (table.rowFormat != "Fixed") {
      EXPECT_TRUE(deleted.empty());
      continue;
    }
    EXPECT_EQ(deleted.size(), static_cast<std::size_t>(table.deletedRows));
    const TsvTable gone = testing::ReadBatchTsv(table.TruthFile("deleted"));
    const MyisamRecordLayout layout = MyisamRecordLayout::Build(definition, descriptors);
    const std::size_t overwritten = 1 + 6;  // the mark and a 6-byte record pointer
    std::vector<bool> used(gone.rows.size(), false);
    for (const DecodedRow* row : deleted) {
      bool matched = false;
      for (std::size_t g = 0; g < gone.rows.size() && !matched; ++g) {
        if (used[g]) continue;
        bool same = true;
        for (std::size_t c = 0; c < columns.size() && same; ++c) {
          const ColumnPlacement& place = layout.Columns()[c];
          const bool survives = place.offset >= overwritten &&
                                (place.nullBit == 0 || place.nullPosition >= overwritten);
          if (!survives) continue;
          same = Canonical(columns[c], row->values[c], save, false) ==
                 Canonical(columns[c], gone.rows[g][c], save, true);
        }
        if (same) used[g] = matched = true;
      }
      EXPECT_TRUE(matched) << "a deleted record the server did not have";
    }
  }
}

std::vector<SampleTable> MyisamTables() {
  std::vector<SampleTable> out;
  for (const SampleTable& table : testing::SampleTables()) {
    if (table.engine == "MyISAM") out.push_back(table);
  }
  return out;
}

std::string TestName(const ::testing::TestParamInfo<SampleTable>& info) {
  std::string name = info.param.databaseFolder + "_" + info.param.fileName;
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(AllMyisamTables, MyisamSampleTest, ::testing::ValuesIn(MyisamTables()),
                         TestName);

TEST(MyisamSample, TheSampleHoldsTheMyisamTablesItsReadmeLists) {
  EXPECT_EQ(MyisamTables().size(), 18u);
}

TEST(MyisamSample, PageTwoStartsWhereThePreviousPageEnded) {
  const TableLookup lookup = LocateTable(testing::SampleDataFolder(), "legacy", "kunden");
  ASSERT_TRUE(lookup.location);
  CTarnSalvorProjApp app{CollationTable{}};
  RecoveryEngine engine(app);
  RecordPager pager(engine, RecordPagerOptions{});
  std::string error;
  ASSERT_TRUE(pager.Open(*lookup.location, error));
  pager.LoadFirstPage();
  ASSERT_EQ(engine.rows.size(), 1000u);
  const std::string lastOfPageOne = engine.rows.back().values[0];
  ASSERT_EQ(engine.pageStarts.size(), 2u);
  const PageStart second = engine.pageStarts[1];
  EXPECT_GT(second.offset, 0u);

  // Reading from the kept position continues the file where page 1 stopped:
  // the pages hold no row twice.
  std::vector<std::string> ids;
  do {
    for (const auto& row : engine.rows)
      ids.push_back(row.values[0]);
  } while (pager.LoadNextPage());
  EXPECT_EQ(ids.size(), 2593u);
  EXPECT_EQ(ids[999], lastOfPageOne);
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
  EXPECT_EQ(engine.pageStarts.size(), 4u);  // P1, P2, P3 and the end
  EXPECT_TRUE(engine.pageStarts.back().IsEnd());
}

TEST(MyisamSample, ExactlyOneThousandRowsLeaveAnEmptySecondPage) {
  CTarnSalvorProjApp app{CollationTable{}};
  RecoveryEngine engine(app);
  RecordPager pager(engine, RecordPagerOptions{});
  std::string error;
  for (const auto& [table, pages] : std::vector<std::pair<std::string, std::vector<std::size_t>>>{
           {"old_payments", {1000, 0}}, {"old_invoices", {999}}}) {
    const TableLookup lookup = LocateTable(testing::SampleDataFolder(), "legacy", table);
    ASSERT_TRUE(lookup.location);
    ASSERT_TRUE(pager.Open(*lookup.location, error));
    pager.LoadFirstPage();
    std::vector<std::size_t> sizes{engine.rows.size()};
    while (pager.LoadNextPage())
      sizes.push_back(engine.rows.size());
    EXPECT_EQ(sizes, pages) << table;
    EXPECT_FALSE(pager.LoadNextPage()) << table;
  }
}

}  // namespace
}  // namespace rowmender
