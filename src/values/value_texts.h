// The texts the record grid shows (preview forms) and the save forms of the
// same values, from cells.
#pragma once

#include <string>
#include <string_view>

#include "definitions/table_definition.h"
#include "values/cell.h"
#include "values/column_format.h"
#include "values/value_options.h"

namespace rowmender {

inline constexpr std::string_view kNullText = "NULL";

// Appends the text of `cell` in the form `options` ask for. An off-page
// value shows a placeholder in the preview; in save forms it goes to the
// options' long-value sink, or without one is read through `longValues`
// and written out whole.
void AppendValueText(std::string& out, const Cell& cell, const ColumnFormat& format,
                     const ValueOptions& options, const LongValueReader* longValues);

// The text of one cell as a new string.
std::string ValueText(const Cell& cell, const ColumnFormat& format, const ValueOptions& options,
                      const LongValueReader* longValues = nullptr);

// The texts of a row, one per cell, in the forms `options` ask for.
void AppendRowTexts(const RowBuffer& row, const TableFormat& formats, const ValueOptions& options,
                    DecodedRow& out);
DecodedRow RowTexts(const RowBuffer& row, const TableFormat& formats, const ValueOptions& options);

// A history row of a system-versioned table: its row end is not the
// largest value the column takes (TIMESTAMP '2038-01-19 03:14:07.999999',
// or the largest transaction id). False where the table is not versioned
// or the row end is NULL or could not be read.
bool IsHistoryRow(const RowBuffer& row, const TableFormat& formats);

}  // namespace rowmender
