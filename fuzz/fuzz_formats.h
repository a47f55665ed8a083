// Every text form of a row, for fuzz targets that read rows: the window's
// preview and save forms, SQL literals, TSV and CSV.
#pragma once

#include <cstdlib>
#include <string>

#include "values/export_formats.h"
#include "values/table_cursor.h"
#include "values/value_texts.h"

namespace rowmender::fuzzing {

inline void FormatRowEveryWay(const RowBuffer& row, const TableFormat& formats) {
  if (row.cells.size() != formats.Size()) std::abort();
  std::string out;
  FormatScratch scratch;
  for (const ValueForm form : {ValueForm::kPreview, ValueForm::kSave}) {
    (void)RowTexts(row, formats, ValueOptions{form, nullptr});
  }
  for (std::size_t i = 0; i < row.cells.size(); ++i) {
    out.clear();
    AppendSqlLiteral(out, row.cells[i], formats[i], row.longValues, scratch);
    if (out.empty()) std::abort();  // a statement always gets a value
    AppendTsvField(out, row.cells[i], formats[i], row.longValues, scratch);
    AppendCsvField(out, row.cells[i], formats[i], row.longValues, scratch);
  }
}

}  // namespace rowmender::fuzzing
