// Reading a table whole or in parts into comparable texts, for tests that
// check reads against each other.
#pragma once

#include <string>
#include <vector>

#include "base/collation_table.h"
#include "tables/table_source.h"
#include "values/read_report.h"
#include "values/table_cursor.h"

namespace rowmender::testing {

struct ReadOut {
  std::vector<std::string> rows;  // SQL tuples, "D" before delete-marked ones
  ReadReport report;
};

// Appends every row of `cursor` and its account to `out`.
void Collect(TableCursor& cursor, ReadOut& out);
// One cursor over the whole table.
ReadOut ReadWhole(const TableSource& source);
// The scan in parts, read one after the other.
ReadOut ReadInParts(const TableSource& source, const ScanSplit& split);

// The collations of the bundled collation file (character sets and their
// bytes per character), loaded once.
const CollationTable& ServerCollations();

}  // namespace rowmender::testing
