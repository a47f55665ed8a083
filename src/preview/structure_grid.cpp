#include "preview/structure_grid.h"

#include "definitions/column_type_name.h"

namespace rowmender {

std::vector<StructureRow> BuildStructureRows(const TableDefinition& definition,
                                             const CollationTable& collations) {
  std::vector<StructureRow> rows;
  rows.reserve(definition.columns.size());
  for (const auto& column : definition.columns) {
    StructureRow row;
    row[0] = column.name;
    row[1] = ColumnTypeName(column, definition.tableCharsetId, collations);
    row[2] = std::to_string(column.length);
    row[3] = column.nullable ? "True" : "False";
    if (column.inPrimaryKey) {
      row[4] = "Primary Key";
    } else if (column.inUniqueKey) {
      row[4] = "Unique Key";
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace rowmender
