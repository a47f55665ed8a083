#include "support/table_reads.h"

#include <gtest/gtest.h>

#include "support/test_paths.h"
#include "values/export_formats.h"

namespace rowmender::testing {

void Collect(TableCursor& cursor, ReadOut& out) {
  RowBuffer row;
  FormatScratch scratch;
  while (cursor.Next(row)) {
    std::string text = row.deleted ? "D" : "";
    AppendSqlTuple(text, row, cursor.Formats(), scratch);
    out.rows.push_back(std::move(text));
  }
  out.report.Add(cursor.Report());
}

ReadOut ReadWhole(const TableSource& source) {
  ReadOut out;
  Collect(*source.NewCursor(), out);
  return out;
}

ReadOut ReadInParts(const TableSource& source, const ScanSplit& split) {
  ReadOut out;
  const std::unique_ptr<ScanParts> parts = source.SplitScan(split);
  while (std::unique_ptr<TableCursor> part = parts->NextPart())
    Collect(*part, out);
  out.report.Add(parts->Report());
  return out;
}

const CollationTable& ServerCollations() {
  static const CollationTable collations = [] {
    CollationTable table;
    EXPECT_TRUE(table.LoadFromFile(SourceFolder() + "/data/collation (2)"));
    return table;
  }();
  return collations;
}

}  // namespace rowmender::testing
