// The data-type text the structure grid shows for a column.
#pragma once

#include <cstdint>
#include <string>

#include "base/collation_table.h"
#include "definitions/table_definition.h"

namespace rowmender {

// For example VARCHAR(30) or DECIMAL(10,2). Character column lengths, stored
// in bytes, are shown in characters when the table names a default character
// set and the collation table knows the column's collation.
std::string ColumnTypeName(const ColumnDefinition& column, std::uint32_t tableCharsetId,
                           const CollationTable& collations);

}  // namespace rowmender
