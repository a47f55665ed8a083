// A table's definition from the JSON a MySQL 8 server keeps for it in its
// tablespace (serialized dictionary information), in the same form the
// definition file reader gives: every reader downstream works unchanged.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/status.h"
#include "definitions/table_definition.h"

namespace rowmender {

// What one SDI document says of a table.
struct SdiTable {
  std::string schema;  // the database, as the server names it
  std::string name;    // the table
  std::string engine;  // "InnoDB", "MyISAM", ...
  // The tablespace's server version (80040 for 8.0.40).
  std::uint32_t serverVersion = 0;
  // Columns were added or dropped in place (ALGORITHM=INSTANT, MySQL
  // 8.0.12 and later): records written before and after carry different
  // sets of fields.
  bool alteredInPlace = false;
  TableDefinition definition;
};

// Reads the JSON of an SDI object of type table. A document that is not
// JSON, not a table's, or lacks what a definition needs is a corruption
// status saying what is wrong; `out` then holds what was read before.
Status ParseSdiTable(std::string_view json, SdiTable& out);

}  // namespace rowmender
