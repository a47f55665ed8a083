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

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

}  // namespace

std::string FindFileWithExtension(const std::string& folder, const std::string& stem,
                                  const std::string& extension) {
  const std::string wanted = Lower(extension);
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.size() != stem.size() + 1 + extension.size()) continue;
    if (name.compare(0, stem.size(), stem) != 0 || name[stem.size()] != '.') continue;
    if (Lower(name.substr(stem.size() + 1)) != wanted) continue;
    std::error_code typeError;
    if (it->is_regular_file(typeError)) return it->path().string();
  }
  return {};
}

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
