#include "preview/innodb_windows.h"

#include <filesystem>

#include "base/paths.h"
#include "innodb/external_value.h"

namespace rowmender {

namespace {

constexpr const char* kSystemTablespaceName = "ibdata1";
constexpr const char* kTablespaceExtension = ".ibd";
// Root page of the clustered index in a table's own tablespace.
constexpr std::uint32_t kOwnTablespaceRoot = 3;

// Reads the first window from `leaf` of `file`, recording its start.
void ReadFirstWindow(RecoveryEngine& engine, const DataFile& file, std::uint32_t leaf) {
  engine.pageStarts.push_back(PageStart{leaf, 0});
  engine.readingTablespace = &file == &engine.tablespaceFile;
  engine.ReadRecordWindow(file, leaf, 0);
  engine.readingTablespace = false;
}

// The table's fields from the dictionary; from the definition when the
// dictionary lists none of its columns (its column rows are lost). True
// when the dictionary gave them.
bool BuildColumns(RecoveryEngine& engine, std::uint64_t tableId) {
  engine.BuildColumnsFromDictionary(tableId);
  for (const auto& field : engine.recordColumns) {
    if (field.role == InnoFieldRole::kValue) return true;
  }
  if (engine.table.columns.empty()) return true;
  engine.recordColumns.clear();
  engine.BuildColumnsFromDefinition();
  return false;
}

}  // namespace

std::string SystemTablespacePath(const std::string& dataFolder, const InnoDbReadOptions& options) {
  return options.ibdataPath.empty() ? JoinPath(dataFolder, kSystemTablespaceName)
                                    : options.ibdataPath;
}

InnoDbFirstWindow LoadInnoDbFirstWindow(RecoveryEngine& engine, const std::string& dataFolder,
                                        const std::string& databaseFolder,
                                        const std::string& tableName,
                                        const InnoDbReadOptions& options) {
  InnoDbFirstWindow result;
  engine.recordColumns.clear();
  engine.pendingColumns.clear();
  engine.moreRows = false;

  bool dictionary = false;
  if (options.useDictionary) {
    const std::string ibdata = SystemTablespacePath(dataFolder, options);
    if (!engine.systemTablespaceFile.IsOpen() || engine.systemTablespaceFile.Path() != ibdata) {
      engine.LoadSystemDictionary(ibdata);
    }
    dictionary = engine.systemTablespaceFile.IsOpen();
    result.dictionaryUnavailable = !dictionary;
  }
  const std::string dictionaryName =
      LastComponent(WithoutTrailingSeparator(databaseFolder)) + "/" + tableName;
  const std::uint64_t tableId = dictionary ? engine.FindTableId(dictionaryName) : 0;
  const std::uint32_t dictionaryRoot = tableId != 0 ? engine.FindClusteredIndexRoot(tableId) : 0;

  if (engine.OpenTablespace(JoinPath(databaseFolder, tableName + kTablespaceExtension))) {
    std::uint32_t root = dictionaryRoot;
    if (root != 0) {
      result.fromDictionary = BuildColumns(engine, tableId);
    } else {
      engine.BuildColumnsFromDefinition();
      root = kOwnTablespaceRoot;
    }
    result.source = InnoDbRowSource::kOwnTablespace;
    const std::uint32_t leaf = engine.FindFirstLeafPage(engine.tablespaceFile, root);
    if (leaf != 0) ReadFirstWindow(engine, engine.tablespaceFile, leaf);
    return result;
  }
  if (dictionaryRoot == 0) return result;
  result.fromDictionary = BuildColumns(engine, tableId);
  result.source = InnoDbRowSource::kSystemTablespace;
  const std::uint32_t leaf = engine.FindFirstLeafPage(engine.systemTablespaceFile, dictionaryRoot);
  if (leaf != 0) ReadFirstWindow(engine, engine.systemTablespaceFile, leaf);
  return result;
}

void LoadInnoDbWindow(RecoveryEngine& engine, const PageStart& start) {
  constexpr std::uint64_t kLow32 = 0xFFFFFFFF;
  constexpr std::uint64_t kLow16 = 0xFFFF;
  const auto page = static_cast<std::uint32_t>(start.pageNumber & kLow32);
  const auto offset = static_cast<std::uint16_t>(start.offset & kLow16);
  engine.app.resumeFromOffset = true;
  if (engine.tablespaceFile.IsOpen()) {
    engine.readingTablespace = true;
    engine.ReadRecordWindow(engine.tablespaceFile, page, offset);
    engine.readingTablespace = false;
  } else if (engine.systemTablespaceFile.IsOpen()) {
    engine.ReadRecordWindow(engine.systemTablespaceFile, page, offset);
  }
}

}  // namespace rowmender
