// The data dictionary of the catalogue: ibdata1 opened by the engine and
// its dictionary tables read.
#include "app/logic/recovery_engine.h"
#include "innodb/page.h"

namespace rowmender {

bool RecoveryEngine::LoadSystemDictionary(const std::string& path) {
  CloseSystemDictionary();
  if (!systemTablespaceFile.Open(path)) return false;
  std::string geometryNote;
  const TablespaceGeometry geometry = GeometryOfFile(systemTablespaceFile, &geometryNote);
  systemPageCount = PageCountOf(systemTablespaceFile.Size(), geometry);
  // A file without a whole page holds no dictionary that could be damaged.
  if (systemPageCount == 0) return true;
  ReadSystemDictionary(FilePageSource(systemTablespaceFile, geometry), app.collations, dictTables,
                       dictColumns, dictIndexes, &dictionaryReport);
  if (!geometryNote.empty()) dictionaryReport.Note(path + ": " + geometryNote);
  return true;
}

void RecoveryEngine::CloseSystemDictionary() {
  systemTablespaceFile.Close();
  systemPageCount = 0;
  dictTables.clear();
  dictColumns.clear();
  dictIndexes.clear();
  dictionaryReport = ReadReport{};
}

std::uint64_t RecoveryEngine::FindTableId(std::string_view name) const {
  return FindTableIdIn(dictTables, name);
}

std::uint32_t RecoveryEngine::FindClusteredIndexRoot(std::uint64_t tableId) const {
  return FindClusteredIndexRootIn(dictIndexes, tableId);
}

}  // namespace rowmender
