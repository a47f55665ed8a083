#include "tables/system_tablespace.h"

namespace rowmender {

Status SystemTablespace::Open(const std::string& path, const CollationTable* collations,
                              std::unique_ptr<SystemTablespace>& out) {
  std::unique_ptr<SystemTablespace> system(new SystemTablespace());
  if (!system->file_.Open(path)) {
    return Status::NotFound("the system tablespace cannot be opened: " + path);
  }
  std::string geometryNote;
  const TablespaceGeometry geometry = GeometryOfFile(system->file_, &geometryNote);
  if (PageCountOf(system->file_.Size(), geometry) == 0)
    return Status::Corruption("the system tablespace holds no whole page: " + path);
  system->pages_ = std::make_unique<FilePageSource>(system->file_, geometry);
  const CollationTable none;
  ReadSystemDictionary(*system->pages_, collations != nullptr ? *collations : none, system->rows_,
                       &system->dictionaryReport_);
  if (!geometryNote.empty()) system->dictionaryReport_.Note(path + ": " + geometryNote);
  out = std::move(system);
  return Status::Ok();
}

}  // namespace rowmender
