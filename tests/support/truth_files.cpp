#include "support/truth_files.h"

#include <fstream>

#include "support/test_paths.h"

namespace rowmender::testing {

namespace {

std::string Unescape(const std::string& cell) {
  std::string out;
  out.reserve(cell.size());
  for (std::size_t i = 0; i < cell.size(); ++i) {
    if (cell[i] != '\\' || i + 1 == cell.size()) {
      out.push_back(cell[i]);
      continue;
    }
    const char next = cell[++i];
    switch (next) {
      case 't':
        out.push_back('\t');
        break;
      case 'n':
        out.push_back('\n');
        break;
      case 'r':
        out.push_back('\r');
        break;
      case '0':
        out.push_back('\0');
        break;
      case '\\':
        out.push_back('\\');
        break;
      default:
        out.push_back('\\');
        out.push_back(next);
    }
  }
  return out;
}

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> cells;
  std::size_t start = 0;
  while (true) {
    const auto tab = line.find('\t', start);
    cells.push_back(Unescape(line.substr(start, tab - start)));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  return cells;
}

}  // namespace

int TsvTable::Column(const std::string& name) const {
  for (std::size_t i = 0; i < header.size(); ++i) {
    if (header[i] == name) return static_cast<int>(i);
  }
  return -1;
}

const std::string& TsvTable::Cell(std::size_t row, const std::string& name) const {
  static const std::string kEmpty;
  const int column = Column(name);
  if (column < 0 || row >= rows.size() || static_cast<std::size_t>(column) >= rows[row].size()) {
    return kEmpty;
  }
  return rows[row][static_cast<std::size_t>(column)];
}

TsvTable ReadBatchTsv(const std::string& path) {
  TsvTable table;
  std::ifstream in(path, std::ios::binary);
  std::string line;
  bool first = true;
  while (std::getline(in, line)) {
    if (first) {
      table.header = SplitTabs(line);
      first = false;
    } else {
      table.rows.push_back(SplitTabs(line));
    }
  }
  return table;
}

std::string SampleTable::TruthFile(const std::string& kind) const {
  return SampleTruthFolder() + "/" + database + "/" + table + "." + kind + ".tsv";
}

std::vector<SampleTable> SampleTables() {
  const TsvTable list = ReadBatchTsv(SampleTruthFolder() + "/tables.tsv");
  std::vector<SampleTable> tables;
  for (std::size_t i = 0; i < list.rows.size(); ++i) {
    SampleTable t;
    t.database = list.Cell(i, "DATABASE");
    t.table = list.Cell(i, "TABLE_NAME");
    t.engine = list.Cell(i, "ENGINE");
    t.rowFormat = list.Cell(i, "ROW_FORMAT");
    t.inSystemTablespace = list.Cell(i, "IN_IBDATA1") == "yes";
    t.databaseFolder = list.Cell(i, "DB_DIR");
    t.fileName = list.Cell(i, "FILE_NAME");
    t.liveRows = std::stol("0" + list.Cell(i, "LIVE_ROWS"));
    t.deletedRows = std::stol("0" + list.Cell(i, "DELETED_ROWS"));
    tables.push_back(std::move(t));
  }
  return tables;
}

}  // namespace rowmender::testing
