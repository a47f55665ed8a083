#include "catalogue/table_locator.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "base/paths.h"

namespace rowmender {

namespace fs = std::filesystem;

namespace {

bool IsDirectory(const std::string& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

}  // namespace

TableLookup LocateDatabase(const std::string& dataFolder, const std::string& database) {
  TableLookup lookup;
  if (!IsDirectory(dataFolder)) {
    lookup.error = "data folder not found: " + dataFolder;
    return lookup;
  }
  TableLocation location;
  location.dataFolder = WithTrailingSeparator(dataFolder);
  for (const auto& name : {database, EncodeTableFileName(database)}) {
    const std::string folder = JoinPath(location.dataFolder, name);
    if (!name.empty() && IsDirectory(folder)) {
      location.databaseFolder = WithoutTrailingSeparator(folder);
      lookup.location = location;
      return lookup;
    }
  }
  lookup.error = "database not found: " + database;
  return lookup;
}

TableLookup LocateTable(const std::string& dataFolder, const std::string& database,
                        const std::string& table) {
  TableLookup lookup = LocateDatabase(dataFolder, database);
  if (!lookup.location) return lookup;
  for (const auto& stem : {table, EncodeTableFileName(table)}) {
    if (stem.empty()) continue;
    const std::string path = FindFileWithExtension(lookup.location->databaseFolder, stem, "frm");
    if (!path.empty()) {
      lookup.location->tableName = stem;
      lookup.location->definitionPath = path;
      return lookup;
    }
  }
  lookup.location.reset();
  lookup.error = "table not found: " + database + "." + table;
  return lookup;
}

}  // namespace rowmender
