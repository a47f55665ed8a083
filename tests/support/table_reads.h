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

// Rows as texts in save forms (whole values, as the server prints them),
// live and delete-marked apart, for comparing with a server's text of them.
using TextRows = std::vector<std::vector<std::string>>;
struct TextsRead {
  TextRows live;
  TextRows deleted;
  ReadReport report;
};

// Appends every row of `cursor` and its account to `out`.
void CollectTexts(TableCursor& cursor, TextsRead& out);
// By the walk from the root: one cursor over the whole table.
TextsRead WalkTexts(const TableSource& source);
// By the page scan bulk work reads by: one page to a part.
TextsRead ScanTexts(const TableSource& source);

// The values of `column` of a server's text of rows (the client prints a
// binary value as its bytes) as the save form writes binary values: 0x and
// hex digits. NULL stays NULL.
void WriteColumnAsHex(TextRows& rows, std::size_t column);

// The collations of the bundled collation file (character sets and their
// bytes per character), loaded once.
const CollationTable& ServerCollations();

}  // namespace rowmender::testing
