// What formatting a column's cells needs, looked up once per table: the
// column, its text encoding and its fractional digits.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "base/collation_table.h"
#include "definitions/table_definition.h"
#include "values/text_values.h"

namespace rowmender {

struct ColumnFormat {
  const ColumnDefinition* column = nullptr;
  TextEncoding encoding = TextEncoding::kUnknown;
  int decimals = 0;
  // The preview shows kLargeBlobPlaceholder for a BLOB or TEXT value kept
  // in the record from kPreviewBlobLimit bytes on (MyISAM records; InnoDB
  // shows such values whole).
  bool largeBlobPlaceholder = true;

  const ColumnDefinition& Column() const { return *column; }
};

// The formats of every column of a table, in definition order. Refers to
// the definition's columns: the definition must outlive it.
class TableFormat {
 public:
  TableFormat() = default;
  TableFormat(const TableDefinition& table, const CollationTable* collations,
              bool largeBlobPlaceholder = true);
  explicit TableFormat(std::vector<ColumnFormat> columns) : columns_(std::move(columns)) {}

  std::size_t Size() const { return columns_.size(); }
  const ColumnFormat& operator[](std::size_t i) const { return columns_[i]; }
  const std::vector<ColumnFormat>& Columns() const { return columns_; }

 private:
  std::vector<ColumnFormat> columns_;
};

// The format of one column.
ColumnFormat FormatOfColumn(const ColumnDefinition& column, const CollationTable* collations,
                            bool largeBlobPlaceholder = true);

}  // namespace rowmender
