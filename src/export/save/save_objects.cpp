#include "export/save/save_objects.h"

#include <algorithm>
#include <filesystem>

#include "base/paths.h"
#include "base/table_file_names.h"
#include "catalogue/data_folder_scan.h"
#include "export/save/sql_text.h"

namespace rowmender {

namespace {

std::string Stem(const std::string& fileName) {
  const std::size_t dot = fileName.rfind('.');
  return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

int RestoreRank(SaveObjectKind kind) {
  switch (kind) {
    case SaveObjectKind::kTable:
      return 0;
    case SaveObjectKind::kView:
      return 1;
    case SaveObjectKind::kTriggers:
      return 2;
  }
  return 3;
}

}  // namespace

std::string SaveObject::QualifiedName() const {
  return QuoteIdentifier(databaseName) + "." + QuoteIdentifier(name);
}

SaveObject MakeSaveObject(SaveObjectKind kind, const std::string& dataFolder,
                          const std::string& databaseFolder, const std::string& fileName,
                          DefinitionOrigin origin, const std::string& definitionPath) {
  SaveObject object;
  object.kind = kind;
  object.location.dataFolder = WithTrailingSeparator(dataFolder);
  object.location.databaseFolder = WithoutTrailingSeparator(databaseFolder);
  object.databaseName = DecodeTableFileName(LastComponent(object.location.databaseFolder));
  object.location.tableName = Stem(fileName);
  object.name = DecodeTableFileName(object.location.tableName);
  const std::string path = JoinPath(object.location.databaseFolder, fileName);
  if (kind == SaveObjectKind::kTable) {
    object.location.definitionPath = definitionPath.empty() ? path : definitionPath;
    object.location.origin = origin;
  } else {
    object.path = path;
  }
  return object;
}

std::vector<SaveObject> DataFolderObjects(const std::string& dataFolder,
                                          std::vector<std::string>* problems,
                                          const DefinitionSources* sources) {
  std::vector<SaveObject> objects;
  std::vector<std::string> found;
  for (const std::string& folder : FindDatabaseFolders(dataFolder, &found)) {
    for (const CatalogueFile& file : ListCatalogueFiles(folder, found, sources)) {
      SaveObjectKind kind = SaveObjectKind::kTable;
      switch (file.kind) {
        case CatalogueFileKind::kTable:
          kind = SaveObjectKind::kTable;
          break;
        case CatalogueFileKind::kView:
          kind = SaveObjectKind::kView;
          break;
        case CatalogueFileKind::kTriggers:
          kind = SaveObjectKind::kTriggers;
          break;
      }
      objects.push_back(MakeSaveObject(kind, dataFolder, folder, file.fileName, file.origin,
                                       file.definitionPath));
    }
  }
  if (problems != nullptr) problems->insert(problems->end(), found.begin(), found.end());
  return objects;
}

std::vector<SaveObject> SelectObjects(const std::vector<SaveObject>& all,
                                      const std::vector<std::string>& names,
                                      std::vector<std::string>& unmatched) {
  std::vector<bool> chosen(all.size(), false);
  for (const std::string& wanted : names) {
    bool found = false;
    for (std::size_t i = 0; i < all.size(); ++i) {
      const SaveObject& object = all[i];
      const std::string sqlName = object.databaseName + "." + object.name;
      const std::string diskName =
          LastComponent(object.location.databaseFolder) + "." + object.location.tableName;
      if (wanted != sqlName && wanted != diskName) continue;
      // A name picks a table or view; a table's trigger file comes with it.
      if (object.kind == SaveObjectKind::kTriggers) {
        chosen[i] = true;
        continue;
      }
      chosen[i] = true;
      found = true;
    }
    if (!found) unmatched.push_back(wanted);
  }
  std::vector<SaveObject> selected;
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (chosen[i]) selected.push_back(all[i]);
  }
  return selected;
}

bool IsFolderInside(const std::string& inner, const std::string& outer) {
  if (inner.empty() || outer.empty()) return false;
  std::error_code error;
  const std::filesystem::path a = std::filesystem::weakly_canonical(inner, error);
  const std::filesystem::path b = std::filesystem::weakly_canonical(outer, error);
  auto ia = a.begin();
  for (auto ib = b.begin(); ib != b.end(); ++ib) {
    if (ib->empty()) continue;  // a trailing separator
    if (ia == a.end() || *ia != *ib) return false;
    ++ia;
  }
  return true;
}

void OrderForRestore(std::vector<SaveObject>& objects) {
  std::stable_sort(objects.begin(), objects.end(), [](const SaveObject& a, const SaveObject& b) {
    return RestoreRank(a.kind) < RestoreRank(b.kind);
  });
}

}  // namespace rowmender
