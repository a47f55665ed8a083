// Reading the truth files: the server's own text of every table of the
// sample data folder, written by `mariadb --batch` (tab-separated, a header
// line, tab/newline/backslash/NUL escaped, NULL written as NULL).
#pragma once

#include <map>
#include <string>
#include <vector>

namespace rowmender::testing {

struct TsvTable {
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;

  // Index of a header name; -1 when absent.
  int Column(const std::string& name) const;
  // The cell of `row` under header `name` ("" when absent).
  const std::string& Cell(std::size_t row, const std::string& name) const;
};

// Parses a file in the client's batch format, undoing its escapes.
TsvTable ReadBatchTsv(const std::string& path);

// One table of the sample data folder, from truth/tables.tsv.
struct SampleTable {
  std::string database;   // SQL name
  std::string table;      // SQL name
  std::string engine;     // "InnoDB" or "MyISAM"
  std::string rowFormat;  // "Dynamic", "Compact", "Fixed"
  bool inSystemTablespace = false;
  std::string databaseFolder;  // on-disk name
  std::string fileName;        // on-disk name, without extension
  long liveRows = 0;
  long deletedRows = 0;

  // Path of a truth file of this table, e.g. TruthFile("rows").
  std::string TruthFile(const std::string& kind) const;
};

std::vector<SampleTable> SampleTables();

}  // namespace rowmender::testing
