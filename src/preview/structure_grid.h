// The structure grid: one row per column of a table's definition.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "app/application_state.h"
#include "definitions/table_definition.h"

namespace rowmender {

inline constexpr std::array<const char*, 5> kStructureHeaders = {"Column Name", "Data Type", "size",
                                                                 "Allow Nulls", "Key Name"};

using StructureRow = std::array<std::string, 5>;

// Name, data type, stored length, "True"/"False" for NULL allowed, and
// "Primary Key", "Unique Key" or nothing.
std::vector<StructureRow> BuildStructureRows(const TableDefinition& definition,
                                             const CollationTable& collations);

}  // namespace rowmender
