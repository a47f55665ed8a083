#include "values/column_format.h"

#include "values/temporal_values.h"

namespace rowmender {

ColumnFormat FormatOfColumn(const ColumnDefinition& column, const CollationTable* collations,
                            bool largeBlobPlaceholder) {
  ColumnFormat format;
  format.column = &column;
  format.encoding = ColumnEncoding(column, collations);
  format.decimals = TemporalDecimals(column);
  format.largeBlobPlaceholder = largeBlobPlaceholder;
  return format;
}

TableFormat::TableFormat(const TableDefinition& table, const CollationTable* collations,
                         bool largeBlobPlaceholder) {
  columns_.reserve(table.columns.size());
  for (const ColumnDefinition& column : table.columns) {
    columns_.push_back(FormatOfColumn(column, collations, largeBlobPlaceholder));
  }
}

}  // namespace rowmender
