// A table's definition rebuilt from the InnoDB data dictionary (SYS_TABLES,
// SYS_COLUMNS, SYS_INDEXES and SYS_FIELDS of ibdata1), for a MariaDB or
// MySQL 5.x table whose .frm is lost or damaged: the same definition the
// .frm reader gives wherever the dictionary knows it, so that every reader
// downstream works unchanged.
//
// The dictionary keeps what InnoDB needs to store a row: each column's
// name, InnoDB type and stored length, the MySQL type code (the low byte of
// PRTYPE), NOT NULL, UNSIGNED, the collation of string columns, and the
// fields of every index. It keeps no defaults, comments, display widths,
// ENUM or SET members, DECIMAL precision and scale, BIT widths or the
// expressions of generated columns. Where it does not know something, the
// definition reads the stored bytes right (the stored number of an ENUM,
// the bytes of a DECIMAL) and says so: one sentence per guess in `gaps`,
// naming the columns.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/collation_table.h"
#include "base/status.h"
#include "definitions/table_definition.h"
#include "innodb/dictionary.h"

namespace rowmender {

// The name of a SYS_TABLES entry is a user's table ("database/table"):
// not one of the system tables (SYS_FOREIGN, SYS_VIRTUAL, ...: no
// database part), not a full-text index's auxiliary table
// ("FTS_" and 16 hex digits of the table id, then "_"), and not a table a
// crashed ALTER TABLE or a drop left behind ("#sql" at the start of the
// table part; the server writes a user's '#' as "@0023").
bool IsUserTableName(std::string_view name);

// The user tables the dictionary lists, in the order of `tables`: each
// name once, its live entry (the one with the table id and space the
// table has now); a delete-marked entry (a dropped table not yet purged)
// only where no live entry has its name or its table id (a renamed table
// leaves a delete-marked entry under its old name).
std::vector<DictTableRow> UserTablesIn(const std::vector<DictTableRow>& tables);

// A table's definition as the data dictionary gives it.
struct DictionaryDefinition {
  // origin kDictionary; `gaps` says what was guessed and how.
  TableDefinition definition;
  // "database/table" as the server names the files; empty where the
  // table's SYS_TABLES entry is lost.
  std::string name;
  // Its tablespace: 0 for the system tablespace.
  std::uint32_t space = 0;
  // Its dictionary entries are delete-marked: a dropped table whose
  // entries were not purged.
  bool dropped = false;
};

// The definition of table `tableId` from the dictionary's rows: its columns
// in their order with names, type codes, lengths, NOT NULL, signedness and
// collations; the clustered index's fields as the PRIMARY KEY (the unique
// key the server clustered the table on keeps its own name; none for a
// table clustered on the hidden row id); the other indexes as keys;
// storage engine InnoDB; the row format of its pages; the most common
// collation of its text columns as the table's.
// NotFound when the dictionary lists no column of the table; Corruption
// when it lost some of its stored columns (the records cannot be split
// into columns without them), naming them.
Status DefinitionFromDictionary(const DictionaryRows& rows, std::uint64_t tableId,
                                const CollationTable& collations, DictionaryDefinition& out);

}  // namespace rowmender
