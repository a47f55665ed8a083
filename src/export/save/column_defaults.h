// What a table definition file says about its columns beyond what the
// definition reader keeps: each column's default value (from the file's
// default record), DEFAULT and ON UPDATE CURRENT_TIMESTAMP, and
// AUTO_INCREMENT. A restored table needs them for its triggers and its
// users: a trigger that inserts a row without naming every column fails on
// a table whose columns lost their defaults.
#pragma once

#include <string>
#include <vector>

#include "app/application_state.h"
#include "base/bytes.h"
#include "definitions/table_definition.h"

namespace rowmender {

struct ColumnDefault {
  enum class Kind {
    kNone,              // no DEFAULT clause (NOT NULL without default, BLOB, TEXT, ...)
    kNull,              // DEFAULT NULL
    kValue,             // DEFAULT `text` (a save-form value text)
    kCurrentTimestamp,  // DEFAULT CURRENT_TIMESTAMP
  };
  Kind kind = Kind::kNone;
  std::string text;
  bool onUpdateCurrentTimestamp = false;
  bool autoIncrement = false;
};

// The defaults of `table`'s columns from the bytes of its definition file,
// one per column; empty when the file's layout carries none (definition
// files of MySQL 4 and older) or does not match `table`. Never reads outside
// `file`.
std::vector<ColumnDefault> ParseColumnDefaults(ByteView file, const TableDefinition& table,
                                               const CollationTable& collations);

// The same from the definition file at `path` (empty when unreadable).
std::vector<ColumnDefault> ReadColumnDefaults(const std::string& path, const TableDefinition& table,
                                              const CollationTable& collations);

}  // namespace rowmender
