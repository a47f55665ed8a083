// Finds a database folder and a table's definition file in a data folder
// from the names a user types, for the command line.
#pragma once

#include <optional>
#include <string>

#include "base/paths.h"

namespace rowmender {

struct TableLocation {
  std::string dataFolder;      // with a trailing separator
  std::string databaseFolder;  // full path, no trailing separator
  std::string tableName;       // the definition file's name without ".frm"
  std::string definitionPath;  // full path of the definition file
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

// Database and table names may be given as the server writes them on disk
// ("my@002dtable") or as SQL names ("my-table"); the definition file's
// extension is matched without regard to case. A name is only ever looked
// up inside its folder: one with '/', '\\' or a zero byte, "." or ".." is
// refused, so no name reaches outside the data folder (a database folder
// that is a link to another disk is followed as usual). A database folder
// or definition file that is there but cannot be read is an error that
// says why.
TableLookup LocateTable(const std::string& dataFolder, const std::string& database,
                        const std::string& table);

// The database folder alone (for commands that name no table).
TableLookup LocateDatabase(const std::string& dataFolder, const std::string& database);

}  // namespace rowmender
