// The structure grid of every table of the sample data folder against the
// server's own description of its columns and keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <regex>
#include <set>

#include "support/test_paths.h"
#include "support/truth_files.h"

namespace rowmender {
namespace {

using testing::ReadBatchTsv;
using testing::SampleTables;

// The server's COLUMN_TYPE in the grid's form: the type keyword in upper
// case; no display width for integers, no fractional digits for temporal
// types, no UNSIGNED, ZEROFILL or storage-format comment; ENUM and SET
// members with the server's doubled quotes undone.
std::string GridFormOfColumnType(std::string type) {
  type = std::regex_replace(type, std::regex(R"( /\*.*\*/)"), "");
  type = std::regex_replace(type, std::regex(R"( (unsigned|zerofill))"), "");
  const auto paren = type.find('(');
  std::string keyword = type.substr(0, paren);
  std::string arguments = paren == std::string::npos ? "" : type.substr(paren);
  std::transform(keyword.begin(), keyword.end(), keyword.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  static const std::set<std::string> kNoArguments = {
      "TINYINT", "SMALLINT", "MEDIUMINT", "INT", "BIGINT", "TIME", "DATETIME", "TIMESTAMP", "YEAR"};
  if (kNoArguments.count(keyword)) arguments.clear();
  if (keyword == "ENUM" || keyword == "SET") {
    arguments = std::regex_replace(arguments, std::regex("''"), "'");
  }
  return keyword + arguments;
}

struct KeyFlags {
  bool primary = false;
  bool unique = false;
};

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
    std::map<std::string, KeyFlags> flags;
    for (std::size_t k = 0; k < keys.rows.size(); ++k) {
      auto& f = flags[keys.Cell(k, "COLUMN_NAME")];
      if (keys.Cell(k, "INDEX_NAME") == "PRIMARY") {
        f.primary = true;
      } else if (keys.Cell(k, "NON_UNIQUE") == "0") {
        f.unique = true;
      }
    }
    ASSERT_EQ(grid.size(), columns.rows.size() + 1);
    for (std::size_t i = 0; i < columns.rows.size(); ++i) {
      const auto& cells = grid[i + 1];
      ASSERT_EQ(cells.size(), 5u);
      const std::string name = columns.Cell(i, "COLUMN_NAME");
      EXPECT_EQ(cells[0], name);
      EXPECT_EQ(cells[1], GridFormOfColumnType(columns.Cell(i, "COLUMN_TYPE"))) << name;
      EXPECT_EQ(cells[3], columns.Cell(i, "IS_NULLABLE") == "YES" ? "True" : "False") << name;
      const auto& f = flags[name];
      EXPECT_EQ(cells[4], f.primary ? "Primary Key" : f.unique ? "Unique Key" : "") << name;
      // Character columns are sized in bytes, the server's octet length.
      const std::string octets = columns.Cell(i, "CHARACTER_OCTET_LENGTH");
      const std::string dataType = columns.Cell(i, "DATA_TYPE");
      if ((dataType == "varchar" || dataType == "char" || dataType == "varbinary" ||
           dataType == "binary") &&
          octets != "NULL") {
        EXPECT_EQ(cells[2], octets) << name;
      }
    }
  }
}

}  // namespace
}  // namespace rowmender
