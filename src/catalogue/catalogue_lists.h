// What a scan of the data folder found, and the meaning of the catalogue
// tree's nodes.
//
// The tree refers to tables, views and triggers by a 1-based position in
// their list; entries are only ever appended, so a position stays valid
// until the next scan empties the lists.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "definitions/table_definition.h"

namespace rowmender {

struct TableEntry {
  // Position in `databaseFolders` of the folder the definition was found in.
  std::int32_t databaseIndex = 0;
  // The stem of the table's files, as it is on disk.
  std::string name;
  // Where its definition is read from: its .frm, its .ibd (MySQL 8), or
  // `definitionPath` (statements, the system tablespace).
  DefinitionOrigin origin = DefinitionOrigin::kDefinitionFile;
  std::string definitionPath;
  // Why the scan found its rows cannot be read; empty when nothing is known
  // against them.
  std::string problem;
};

struct TriggerEntry {
  // The trigger file's name with its extension.
  std::string fileName;
  // The database folder, without a trailing separator.
  std::string folderPath;
};

struct CatalogueLists {
  // The data folder of the scan, with a trailing separator.
  std::string dataFolderPath;
  // Full path of every database folder; the position is the database index.
  std::vector<std::string> databaseFolders;
  std::vector<TableEntry> tables;
  // Full path of every view definition file.
  std::vector<std::string> views;
  std::vector<TriggerEntry> triggers;
  // One line for each folder or file the scan found but cannot read
  // (the file's node is in the tree all the same).
  std::vector<std::string> problems;

  // Empties the lists (the data folder path stays).
  void Clear() {
    databaseFolders.clear();
    tables.clear();
    views.clear();
    triggers.clear();
    problems.clear();
  }

  // Full path of the table at 0-based position `index` without extension:
  // its database folder joined with its name. Empty when out of range.
  std::string TableBasePath(std::size_t index) const;
  // Full path of the trigger file at 0-based position `index`.
  std::string TriggerPath(std::size_t index) const;
};

// Item data of the nodes that hold other nodes, and of the keys nodes.
// Table, view and trigger nodes carry the 1-based position in their list.
inline constexpr std::int32_t kItemContainer = -1;
inline constexpr std::int32_t kItemKeys = -2;
inline constexpr std::int32_t kItemTriggerGroup = -3;
inline constexpr std::int32_t kItemViewsGroup = -4;

// Image indexes of the tree's image strip.
inline constexpr int kImageFolder = 0;
inline constexpr int kImageKeys = 2;
inline constexpr int kImageViews = 15;
inline constexpr int kImageTriggers = 21;

// Fixed labels.
inline constexpr const char* kRootLabel = "MYSQL database";
inline constexpr const char* kTablesLabel = "Tables";
inline constexpr const char* kKeysLabel = "Keys";
inline constexpr const char* kViewsLabel = "Views";
inline constexpr const char* kTriggerLabel = "Trigger";

enum class NodeKind {
  kContainer,  // root, path, database and group nodes
  kKeys,
  kTable,
  kView,
  kTrigger,
};

// A node's kind from its own item data and its parent's (none for a
// top-level node): -2 is a keys node; a positive value is a view under -4,
// a trigger under -3 and a table otherwise.
NodeKind ClassifyNode(std::int32_t itemData, std::optional<std::int32_t> parentItemData);

}  // namespace rowmender
