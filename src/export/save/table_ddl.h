// The statements that recreate a recovered table on a server: CREATE
// DATABASE and CREATE TABLE rebuilt from the table's definition file.
//
// The rebuilt table has the original columns with their types, lengths,
// signedness, character sets and NULL or NOT NULL, the primary key and the
// unique keys (prefix lengths kept), and the original storage engine.
// Ordinary and full-text indexes, defaults, AUTO_INCREMENT and foreign keys
// are not part of a definition file's column records as read here; they are
// left to the DBA. Both statements use IF NOT EXISTS: a save never drops or
// replaces anything on the target server.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/application_state.h"
#include "definitions/table_definition.h"
#include "export/save/column_defaults.h"

namespace rowmender {

// The companion table of a table's delete-marked rows is named after it
// with this suffix; the whole name is cut to the server's 64 characters.
inline constexpr std::string_view kDeletedTableSuffix = "__deleted";
inline constexpr std::size_t kMaxIdentifierCharacters = 64;

std::string DeletedTableName(std::string_view tableName);

// A database's default character set and collation as its folder's db.opt
// file gives them (both empty when unknown).
struct DatabaseOptions {
  std::string characterSet;
  std::string collation;
};

// Reads `databaseFolder`/db.opt; names that are not plain words are
// ignored, so nothing from the file reaches a statement unchecked.
DatabaseOptions ReadDatabaseOptions(const std::string& databaseFolder);

// CREATE DATABASE IF NOT EXISTS `name` with its character set and
// collation when known (no trailing semicolon).
std::string CreateDatabaseStatement(std::string_view database, const DatabaseOptions& options);

// Bytes one character of the column's character set may take: 1 for a
// binary column, and where the collation table does not know the set.
std::uint32_t MaxBytesPerCharacter(const ColumnDefinition& column,
                                   const CollationTable& collations);
// A character column's length in characters (a binary one's in bytes).
std::uint32_t CharacterLength(const ColumnDefinition& column, const CollationTable& collations);

// The column's type as CREATE TABLE writes it, for example
// "int(10) unsigned zerofill", "varchar(20)", "decimal(10,2)",
// "enum('a','b')", "datetime(6)" or "point". Character lengths, stored in
// bytes, are turned into characters by the collation table.
std::string SqlColumnType(const ColumnDefinition& column, const CollationTable& collations);

enum class TableKeys {
  kPrimaryAndUnique,  // the table itself
  kNone,              // the companion table of delete-marked rows
};

// CREATE TABLE IF NOT EXISTS `name` (...) ENGINE=... DEFAULT CHARSET=...
// COLLATE=... (no trailing semicolon). With `defaults` (one per column)
// the columns get their DEFAULT and ON UPDATE clauses, and AUTO_INCREMENT
// where the column leads a key the statement creates.
std::string CreateTableStatement(std::string_view tableName, const TableDefinition& table,
                                 const CollationTable& collations, TableKeys keys,
                                 const std::vector<ColumnDefault>* defaults = nullptr);

// "CHARACTER SET x COLLATE y" where a character column's differs from the
// table's, as CREATE TABLE writes it; empty otherwise.
std::string ColumnCharacterSetText(const ColumnDefinition& column, const TableDefinition& table,
                                   const CollationTable& collations);

// The clauses of the keys CreateTableStatement leaves out (plain, full-text
// and spatial keys), for example "KEY `idx_name` (`last_name`)".
std::vector<std::string> KeysNotCreated(const TableDefinition& table,
                                        const CollationTable& collations);

// The CREATE TABLE a save writes for the table (its defaults read from the
// definition file at `definitionPath`), with a semicolon and a line feed,
// then the keys it leaves out as comment lines.
std::string SavedTableStatement(std::string_view tableName, const TableDefinition& table,
                                const std::string& definitionPath,
                                const CollationTable& collations);

// The engine name of a definition file's engine code ("MyISAM", "InnoDB"),
// empty for engines whose rows are not read.
std::string_view EngineName(std::uint8_t storageEngine);

}  // namespace rowmender
