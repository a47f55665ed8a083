// Finds a database folder and a table's definition file in a data folder
// from the names a user types, for the command line.
#pragma once

#include <optional>
#include <string>

#include "base/paths.h"
#include "catalogue/definition_sources.h"
#include "tables/table_source.h"

namespace rowmender {

struct TableLocation {
  std::string dataFolder;      // with a trailing separator
  std::string databaseFolder;  // full path, no trailing separator
  std::string tableName;       // the stem of the table's files
  // Full path of where the definition is read: the .frm, or the .ibd that
  // carries it (MySQL 8), ...
  std::string definitionPath;
  DefinitionOrigin origin = DefinitionOrigin::kDefinitionFile;

  TableFiles Files() const { return TableFiles{definitionPath, databaseFolder, tableName, origin}; }
};

// Either a location or a one-line message saying what is missing or
// cannot be read.
struct TableLookup {
  std::optional<TableLocation> location;
  std::string error;
  // The name given is no name of a database or table at all (it holds a
  // separator, or is "." or ".."): a mistake of the caller, not of the folder.
  bool nameRefused = false;
  // Nothing of that name is there (as opposed to there but unreadable).
  bool notFound = false;
};

// A table is found by its definition file (.frm); without one, by a
// tablespace (.ibd) that carries its definition (MySQL 8).
//
// Database and table names may be given as the server writes them on disk
// ("my@002dtable") or as SQL names ("my-table"); the definition file's
// extension is matched without regard to case. A name is only ever looked
// up inside its folder: one with '/', '\\' or a zero byte, "." or ".." is
// refused, so no name reaches outside the data folder (a database folder
// that is a link to another disk is followed as usual). A database folder
// or definition file that is there but cannot be read is an error that
// says why.
// Without a definition file or a tablespace that carries the definition,
// `sources` (statements the user gave, the dictionary) may know the table
// by its data file (.ibd, .MYD or .MAD).
TableLookup LocateTable(const std::string& dataFolder, const std::string& database,
                        const std::string& table, const DefinitionSources* sources = nullptr);

// The database folder alone (for commands that name no table).
TableLookup LocateDatabase(const std::string& dataFolder, const std::string& database);

}  // namespace rowmender
