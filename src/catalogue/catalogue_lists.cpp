#include "catalogue/catalogue_lists.h"

#include "base/paths.h"

namespace rowmender {

std::string CatalogueLists::TableBasePath(std::size_t index) const {
  if (index >= tables.size()) return {};
  const TableEntry& entry = tables[index];
  if (entry.databaseIndex < 0 ||
      static_cast<std::size_t>(entry.databaseIndex) >= databaseFolders.size()) {
    return {};
  }
  return JoinPath(databaseFolders[static_cast<std::size_t>(entry.databaseIndex)], entry.name);
}

std::string CatalogueLists::TriggerPath(std::size_t index) const {
  if (index >= triggers.size()) return {};
  return JoinPath(triggers[index].folderPath, triggers[index].fileName);
}

NodeKind ClassifyNode(std::int32_t itemData, std::optional<std::int32_t> parentItemData) {
  if (itemData == kItemKeys) return NodeKind::kKeys;
  if (itemData < 1) return NodeKind::kContainer;
  if (parentItemData == kItemViewsGroup) return NodeKind::kView;
  if (parentItemData == kItemTriggerGroup) return NodeKind::kTrigger;
  return NodeKind::kTable;
}

}  // namespace rowmender
