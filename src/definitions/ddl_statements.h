// CREATE TABLE statements as SHOW CREATE TABLE or a dump writes them, read
// into the same table definitions a definition file gives, for tables whose
// definition file is lost. A small reader of that part of the servers' SQL:
// other statements of a dump are passed over; anything inside a CREATE
// TABLE it does not know is an error naming its line and column.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/collation_table.h"
#include "base/status.h"
#include "definitions/table_definition.h"

namespace rowmender {

// One table a CREATE TABLE statement defines.
struct StatementTable {
  // The database the statement or a USE before it names; empty if none.
  std::string database;
  std::string name;
  // The line the statement starts on (1-based).
  std::uint32_t line = 0;
  TableDefinition definition;
};

// Reads every CREATE TABLE statement of `text` into `out`. A statement
// that cannot be read is an error ("line L, column C: ..."), and so is a
// text without any CREATE TABLE.
Status ParseCreateTableStatements(std::string_view text, const CollationTable& collations,
                                  std::vector<StatementTable>& out);

}  // namespace rowmender
