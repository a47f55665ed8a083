// The structure grid of every table of the sample data folder against the
// server's own description of its columns and keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <regex>
#include <set>

#include "support/test_paths.h"
#include "support/truth_files.h"

namespace rowmender {
namespace {

using testing::ReadBatchTsv;
using testing::SampleTables;

// The server's COLUMN_TYPE without its storage-format comment
// ("/* mariadb-5.3 */"), and the column's character set and collation
// where they are not the table's.
std::string FullColumnType(const testing::TsvTable& columns, std::size_t i,
                           const std::string& tableCollation) {
  std::string type =
      std::regex_replace(columns.Cell(i, "COLUMN_TYPE"), std::regex(R"( /\*.*\*/)"), "");
  const std::string collation = columns.Cell(i, "COLLATION_NAME");
  if (collation != "NULL" && collation != tableCollation) {
    type += " CHARACTER SET " + columns.Cell(i, "CHARACTER_SET_NAME") + " COLLATE " + collation;
  }
  return type;
}

// The size the grid gives: the length a text or binary type declares (the
// most a TEXT or BLOB holds), a decimal's precision, an integer's display
// width, a time's fractional digits.
std::string ExpectedSize(const testing::TsvTable& columns, std::size_t i) {
  const std::string dataType = columns.Cell(i, "DATA_TYPE");
  const std::string characters = columns.Cell(i, "CHARACTER_MAXIMUM_LENGTH");
  if (characters != "NULL" && dataType != "enum" && dataType != "set") return characters;
  if (dataType == "decimal") return columns.Cell(i, "NUMERIC_PRECISION");
  const std::string precision = columns.Cell(i, "DATETIME_PRECISION");
  if (precision != "NULL") return precision == "0" ? "" : precision;
  static const std::regex kWidth(R"(^(tinyint|smallint|mediumint|int|bigint|year|bit)\((\d+)\))");
  std::smatch width;
  const std::string type = columns.Cell(i, "COLUMN_TYPE");
  if (std::regex_search(type, width, kWidth)) return width[2];
  return "";
}

TEST(SampleStructure, EveryTableAgreesWithTheServersColumnsAndKeys) {
  const auto tables = SampleTables();
  ASSERT_GE(tables.size(), 40u);
  for (const auto& t : tables) {
    SCOPED_TRACE(t.database + "." + t.table);
    const auto result =
        testing::RunCli({"structure", testing::SampleDataFolder(), t.databaseFolder, t.fileName});
    ASSERT_EQ(result.status, 0) << result.err;
    std::vector<std::vector<std::string>> grid;
    std::size_t start = 0;
    while (start < result.out.size()) {
      const auto end = result.out.find('\n', start);
      std::vector<std::string> cells;
      std::string line = result.out.substr(start, end - start);
      std::size_t from = 0;
      while (true) {
        const auto tab = line.find('\t', from);
        cells.push_back(line.substr(from, tab - from));
        if (tab == std::string::npos) break;
        from = tab + 1;
      }
      grid.push_back(cells);
      start = end + 1;
    }
    const auto columns = ReadBatchTsv(t.TruthFile("columns"));
    const auto keys = ReadBatchTsv(t.TruthFile("keys"));
    const auto meta = ReadBatchTsv(t.TruthFile("meta"));
    const std::string tableCollation = meta.Cell(0, "TABLE_COLLATION");
    // Every key a column is part of, as the grid names it.
    std::map<std::string, std::size_t> partsOf;
    for (std::size_t k = 0; k < keys.rows.size(); ++k)
      ++partsOf[keys.Cell(k, "INDEX_NAME")];
    std::map<std::string, std::multiset<std::string>> keysOf;
    for (std::size_t k = 0; k < keys.rows.size(); ++k) {
      const std::string index = keys.Cell(k, "INDEX_NAME");
      const std::string type = keys.Cell(k, "INDEX_TYPE");
      std::string entry = index == "PRIMARY"                  ? "Primary Key"
                          : type == "FULLTEXT"                ? "Full-text Key " + index
                          : type == "SPATIAL"                 ? "Spatial Key " + index
                          : keys.Cell(k, "NON_UNIQUE") == "0" ? "Unique Key " + index
                                                              : "Key " + index;
      std::string details;
      if (partsOf[index] > 1) {
        details = "part " + keys.Cell(k, "SEQ_IN_INDEX") + " of " + std::to_string(partsOf[index]);
      }
      const std::string prefix = keys.Cell(k, "SUB_PART");
      if (prefix != "NULL" && type != "SPATIAL") {
        details += (details.empty() ? "" : ", ") + std::string("first ") + prefix;
      }
      if (!details.empty()) entry += " (" + details;
      keysOf[keys.Cell(k, "COLUMN_NAME")].insert(entry);
    }
    ASSERT_EQ(grid.size(), columns.rows.size() + 1);
    for (std::size_t i = 0; i < columns.rows.size(); ++i) {
      const auto& cells = grid[i + 1];
      ASSERT_EQ(cells.size(), 5u);
      const std::string name = columns.Cell(i, "COLUMN_NAME");
      EXPECT_EQ(cells[0], name);
      EXPECT_EQ(cells[1], FullColumnType(columns, i, tableCollation)) << name;
      EXPECT_EQ(cells[2], ExpectedSize(columns, i)) << name;
      EXPECT_EQ(cells[3], columns.Cell(i, "IS_NULLABLE") == "YES" ? "True" : "False") << name;
      // The grid's entries, cut where the truth's end (the prefix's unit,
      // characters or bytes, is the grid's own).
      std::multiset<std::string> shown;
      std::size_t from = 0;
      while (!cells[4].empty() && from <= cells[4].size()) {
        const std::size_t end = std::min(cells[4].find("; ", from), cells[4].size());
        std::string entry = cells[4].substr(from, end - from);
        const std::size_t unit = entry.rfind(' ');
        if (entry.ends_with(" characters)") || entry.ends_with(" bytes)")) entry.resize(unit);
        if (entry.ends_with(")")) entry.pop_back();
        shown.insert(entry);
        from = end + 2;
      }
      EXPECT_EQ(shown, keysOf[name]) << name << ": " << cells[4];
    }
  }
}

}  // namespace
}  // namespace rowmender
