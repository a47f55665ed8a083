#include "catalogue/table_locator.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "base/file_check.h"
#include "base/paths.h"
#include "base/table_file_names.h"
#include "definitions/partition_file.h"

namespace rowmender {

namespace fs = std::filesystem;

namespace {

constexpr const char* kNameRule = "names hold no '/' or '\\' and are not '.' or '..'";

bool IsDirectory(const std::string& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

// True when the folder has an entry at `path`, be it a file, a folder or a
// link whose target is gone.
bool HasEntry(const std::string& path) {
  std::error_code error;
  return fs::exists(fs::symlink_status(path, error));
}

TableLookup Refused(const std::string& kind, const std::string& folder, const std::string& name) {
  TableLookup lookup;
  lookup.nameRefused = true;
  // The name is shown as given, but a zero byte would end the line early.
  std::string shown;
  for (char c : name)
    shown += c == '\0' ? std::string("\\0") : std::string(1, c);
  lookup.error = "not a " + kind + " name of " + folder + ": \"" + shown + "\" (" + kNameRule + ")";
  return lookup;
}

// The tablespace at the top of `dataFolder` whose definitions (SDI) name
// the table `table` of the database folder `folderName`; empty: none.
// Those of the system, undo and temporary tablespaces are not looked at.
std::string FindSharedTablespace(const std::string& dataFolder, const std::string& folderName,
                                 const std::string& table) {
  std::error_code error;
  std::vector<std::string> paths;
  for (fs::directory_iterator it(dataFolder, error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.size() < 5 || !name.ends_with(".ibd") || name.starts_with("undo") ||
        name.starts_with("ibtmp")) {
      continue;
    }
    paths.push_back(it->path().string());
  }
  std::sort(paths.begin(), paths.end());
  const std::string decodedFolder = DecodeTableFileName(folderName);
  for (const std::string& path : paths) {
    for (const std::string& name : TablespaceTableNames(path)) {
      const std::size_t slash = name.find('/');
      const std::string database = name.substr(0, slash);
      const std::string tableName = name.substr(slash + 1);
      if ((database == folderName || database == decodedFolder) &&
          (tableName == table || EncodeTableFileName(tableName) == table)) {
        return path;
      }
    }
  }
  return {};
}

}  // namespace

TableLookup LocateDatabase(const std::string& dataFolder, const std::string& database) {
  TableLookup lookup;
  if (!IsDirectory(dataFolder)) {
    lookup.error = "data folder not found: " + dataFolder;
    return lookup;
  }
  if (!IsFolderEntryName(database)) return Refused("database", dataFolder, database);
  TableLocation location;
  location.dataFolder = WithTrailingSeparator(dataFolder);
  for (const auto& name : {database, EncodeTableFileName(database)}) {
    const std::string folder = JoinPath(location.dataFolder, name);
    if (!HasEntry(folder)) continue;
    const Status readable = CheckDataFolder(folder, "the database folder");
    if (!readable.ok()) {
      lookup.error = readable.message();
      return lookup;
    }
    location.databaseFolder = WithoutTrailingSeparator(folder);
    lookup.location = location;
    return lookup;
  }
  lookup.error = "database not found: " + database;
  lookup.notFound = true;
  return lookup;
}

TableLookup LocateTable(const std::string& dataFolder, const std::string& database,
                        const std::string& table, const DefinitionSources* sources) {
  TableLookup lookup = LocateDatabase(dataFolder, database);
  if (!lookup.location) return lookup;
  if (!IsFolderEntryName(table)) return Refused("table", lookup.location->databaseFolder, table);
  for (const auto& stem : {table, EncodeTableFileName(table)}) {
    const std::string path = FindEntryWithExtension(lookup.location->databaseFolder, stem, "frm");
    if (path.empty()) continue;
    const Status readable = CheckDataFile(path, "the definition file");
    if (!readable.ok()) {
      lookup.location.reset();
      lookup.error = readable.message();
      return lookup;
    }
    lookup.location->tableName = stem;
    lookup.location->definitionPath = path;
    return lookup;
  }
  // A partition of a partitioned table, by the stem of its files
  // ("t#P#p0"): read with the table's definition file.
  // The names on either side of the marker may be SQL names.
  const std::size_t asked = PartitionMarkerAt(table);
  std::string encodedParts;
  if (asked != std::string::npos) {
    const std::string rest = table.substr(asked + kPartitionMarker.size());
    std::size_t sub = rest.find(kSubpartitionMarker);
    if (sub == std::string::npos) sub = rest.find("#sp#");
    encodedParts = EncodeTableFileName(table.substr(0, asked)) +
                   table.substr(asked, kPartitionMarker.size()) +
                   (sub == std::string::npos
                        ? EncodeTableFileName(rest)
                        : EncodeTableFileName(rest.substr(0, sub)) +
                              rest.substr(sub, kSubpartitionMarker.size()) +
                              EncodeTableFileName(rest.substr(sub + kSubpartitionMarker.size())));
  }
  const auto hasDataFile = [&](const std::string& stem) {
    for (const char* extension : {"ibd", "MYD", "MAD"}) {
      if (!FindEntryWithExtension(lookup.location->databaseFolder, stem, extension).empty())
        return true;
    }
    return false;
  };
  const bool encodedFound =
      !encodedParts.empty() && !hasDataFile(table) && hasDataFile(encodedParts);
  for (const auto& stem : {encodedFound ? encodedParts : table}) {
    const std::size_t marker = PartitionMarkerAt(stem);
    if (marker == std::string::npos) continue;
    const std::string path =
        FindEntryWithExtension(lookup.location->databaseFolder, stem.substr(0, marker), "frm");
    if (path.empty()) continue;
    const Status readable = CheckDataFile(path, "the definition file");
    if (!readable.ok()) {
      lookup.location.reset();
      lookup.error = readable.message();
      return lookup;
    }
    lookup.location->tableName = stem;
    lookup.location->definitionPath = path;
    return lookup;
  }
  // MySQL 8 writes no .frm: the tablespace carries the definition.
  for (const auto& stem : {table, EncodeTableFileName(table)}) {
    const std::string path = FindEntryWithExtension(lookup.location->databaseFolder, stem, "ibd");
    if (path.empty()) continue;
    const Status readable = CheckDataFile(path, "the tablespace");
    if (!readable.ok()) {
      lookup.location.reset();
      lookup.error = readable.message();
      return lookup;
    }
    if (!TablespaceCarriesDefinition(path)) continue;
    lookup.location->tableName = stem;
    lookup.location->definitionPath = path;
    lookup.location->origin = DefinitionOrigin::kTablespaceSdi;
    return lookup;
  }
  // A MySQL 8 partitioned table: no file of its own name, but one
  // tablespace a partition ("t#p#p0.ibd"), each carrying its definition.
  for (const auto& stem : {table, EncodeTableFileName(table)}) {
    const std::string path =
        PartitionedTableDefinitionSource(lookup.location->databaseFolder, stem);
    if (path.empty()) continue;
    lookup.location->tableName = stem;
    lookup.location->definitionPath = path;
    lookup.location->origin = DefinitionOrigin::kTablespaceSdi;
    return lookup;
  }
  // Or one partition of it, by a name its file may have in another case
  // ("t#P#p1" for "t#p#p1.ibd") or with SQL names on either side of the
  // marker.
  for (const std::string& stem : {table, encodedParts}) {
    const std::size_t marker = PartitionMarkerAt(stem);
    if (marker == std::string::npos) continue;
    const std::string path =
        PartitionedTableDefinitionSource(lookup.location->databaseFolder, stem.substr(0, marker));
    if (path.empty()) continue;
    lookup.location->tableName = stem;
    lookup.location->definitionPath = path;
    lookup.location->origin = DefinitionOrigin::kTablespaceSdi;
    return lookup;
  }
  // A data file whose definition a statement given, MySQL 8's .sdi file
  // beside it, or the dictionary, knows.
  const std::string folderName = LastComponent(lookup.location->databaseFolder);
  for (const auto& stem : {table, EncodeTableFileName(table)}) {
    std::string dataPath;
    for (const char* extension : {"ibd", "MYD", "MAD", "CSV"}) {
      if (dataPath.empty())
        dataPath = FindEntryWithExtension(lookup.location->databaseFolder, stem, extension);
    }
    std::optional<FoundDefinition> found =
        sources != nullptr ? sources->Find(folderName, stem) : std::nullopt;
    if (!found || found->origin != DefinitionOrigin::kStatement) {
      const std::string sdiFile = FindSdiFile(lookup.location->databaseFolder, stem);
      if (!sdiFile.empty()) found = FoundDefinition{DefinitionOrigin::kSdiFile, sdiFile};
    }
    if (found) {
      lookup.location->tableName = stem;
      lookup.location->definitionPath = found->path;
      lookup.location->origin = found->origin;
      return lookup;
    }
    if (!dataPath.empty()) {
      lookup.location.reset();
      lookup.error = "table " + database + "." + table + " has no definition file (.frm)" +
                     (dataPath.ends_with(".ibd") || dataPath.ends_with(".IBD")
                          ? ", " + dataPath + " carries no definition of its own,"
                          : "") +
                     " and no CREATE TABLE statement given defines it (--definition FILE)";
      return lookup;
    }
  }
  // A table of a tablespace shared by several, such as MySQL 8's mysql.ibd
  // or one made by CREATE TABLESPACE, at the top of the data folder.
  const std::string shared = FindSharedTablespace(lookup.location->dataFolder, folderName, table);
  if (!shared.empty()) {
    lookup.location->tableName = EncodeTableFileName(table);
    lookup.location->definitionPath = shared;
    lookup.location->origin = DefinitionOrigin::kTablespaceSdi;
    return lookup;
  }
  lookup.location.reset();
  lookup.error = "table not found: " + database + "." + table;
  lookup.notFound = true;
  return lookup;
}

}  // namespace rowmender
