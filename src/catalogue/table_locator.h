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

// Either a location or a one-line message saying what is missing.
struct TableLookup {
  std::optional<TableLocation> location;
  std::string error;
};

// Database and table names may be given as the server writes them on disk
// ("my@002dtable") or as SQL names ("my-table"); the definition file's
// extension is matched without regard to case.
TableLookup LocateTable(const std::string& dataFolder, const std::string& database,
                        const std::string& table);

// The database folder alone (for commands that name no table).
TableLookup LocateDatabase(const std::string& dataFolder, const std::string& database);

}  // namespace rowmender
