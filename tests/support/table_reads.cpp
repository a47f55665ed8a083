#include "support/table_reads.h"

#include <gtest/gtest.h>

#include "support/test_paths.h"
#include "values/export_formats.h"
#include "values/value_texts.h"

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

void CollectTexts(TableCursor& cursor, TextsRead& out) {
  const ValueOptions options(ValueForm::kSave, &ServerCollations());
  RowBuffer row;
  while (cursor.Next(row)) {
    (row.deleted ? out.deleted : out.live)
        .push_back(RowTexts(row, cursor.Formats(), options).values);
  }
  out.report.Add(cursor.Report());
}

TextsRead WalkTexts(const TableSource& source) {
  TextsRead out;
  CollectTexts(*source.NewCursor(), out);
  return out;
}

TextsRead ScanTexts(const TableSource& source) {
  TextsRead out;
  const std::unique_ptr<ScanParts> parts = source.SplitScan(ScanSplit{1, 1});
  while (const std::unique_ptr<TableCursor> part = parts->NextPart())
    CollectTexts(*part, out);
  out.report.Add(parts->Report());
  return out;
}

void WriteColumnAsHex(TextRows& rows, std::size_t column) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (std::vector<std::string>& row : rows) {
    std::string& value = row.at(column);
    if (value == "NULL") continue;
    std::string hex = "0x";
    for (const char c : value) {
      const auto byte = static_cast<unsigned char>(c);
      hex += kDigits[byte >> 4];
      hex += kDigits[byte & 0xF];
    }
    value = std::move(hex);
  }
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
