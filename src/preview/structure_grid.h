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

// Per column:
//  - its name;
//  - its full type as CREATE TABLE writes it ("int(10) unsigned zerofill",
//    "datetime(6)", "varchar(20) CHARACTER SET ascii COLLATE
//    ascii_general_ci" where the character set is not the table's);
//  - its size: the length the type declares (characters of a text column,
//    bytes of a binary one, digits of a number, bits of a BIT, fractional
//    digits of a time), or the most bytes a TEXT or BLOB holds; empty for
//    types without one;
//  - "True"/"False" for NULL allowed;
//  - every key it is part of, in the table's order, separated by "; ":
//    "Primary Key", "Unique Key name", "Key name", "Full-text Key name" or
//    "Spatial Key name", followed, where the key has several parts or takes
//    a prefix of the column, by "(part 2 of 3, first 10 characters)".
std::vector<StructureRow> BuildStructureRows(const TableDefinition& definition,
                                             const CollationTable& collations);

}  // namespace rowmender
