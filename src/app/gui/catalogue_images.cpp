#include "app/gui/catalogue_images.h"

#include <array>
#include <optional>

#include "catalogue/catalogue_lists.h"

namespace rowmender {

namespace {

int DepthOf(const CheckTreeModel& tree, TreeNodeId node) {
  int depth = 0;
  for (TreeNodeId parent = tree.GetParentItem(node); parent != kNoTreeNode;
       parent = tree.GetParentItem(parent)) {
    ++depth;
  }
  return depth;
}

// Depths of the container nodes below the root: the data folder, a
// database, its "Tables" group.
constexpr int kDataFolderDepth = 1;
constexpr int kDatabaseDepth = 2;
constexpr int kTablesGroupDepth = 3;

}  // namespace

CatalogueImage CatalogueImageOf(const CheckTreeModel& tree, TreeNodeId node) {
  switch (tree.GetItemImage(node)) {
    case kImageKeys:
      return CatalogueImage::kKeys;
    case kImageViews:
      return CatalogueImage::kViewsGroup;
    case kImageTriggers:
      return CatalogueImage::kTriggerGroup;
    case kImageFolder:
      break;
    default:
      return CatalogueImage::kFolder;
  }
  const TreeNodeId parent = tree.GetParentItem(node);
  const std::optional<std::int32_t> parentData =
      parent == kNoTreeNode ? std::nullopt : std::optional<std::int32_t>(tree.GetItemData(parent));
  const std::int32_t itemData = tree.GetItemData(node);
  switch (ClassifyNode(itemData, parentData)) {
    case NodeKind::kKeys:
      return CatalogueImage::kKeys;
    case NodeKind::kTable:
      return CatalogueImage::kTable;
    case NodeKind::kView:
      return CatalogueImage::kView;
    case NodeKind::kTrigger:
      return CatalogueImage::kTrigger;
    case NodeKind::kContainer:
      break;
  }
  if (itemData == kItemViewsGroup) return CatalogueImage::kViewsGroup;
  if (itemData == kItemTriggerGroup) return CatalogueImage::kTriggerGroup;
  switch (DepthOf(tree, node)) {
    case 0:
      return CatalogueImage::kRoot;
    case kDataFolderDepth:
      return CatalogueImage::kDataFolder;
    case kDatabaseDepth:
      return CatalogueImage::kDatabase;
    case kTablesGroupDepth:
      return CatalogueImage::kTablesGroup;
    default:
      return CatalogueImage::kFolder;
  }
}

QString CatalogueImagePath(CatalogueImage image) {
  switch (image) {
    case CatalogueImage::kRoot:
      return QStringLiteral(":/rowmender/images/node-root.png");
    case CatalogueImage::kDataFolder:
    case CatalogueImage::kFolder:
      return QStringLiteral(":/rowmender/images/node-folder.png");
    case CatalogueImage::kDatabase:
      return QStringLiteral(":/rowmender/images/node-database.png");
    case CatalogueImage::kTablesGroup:
      return QStringLiteral(":/rowmender/images/node-tables.png");
    case CatalogueImage::kTable:
      return QStringLiteral(":/rowmender/images/node-table.png");
    case CatalogueImage::kKeys:
      return QStringLiteral(":/rowmender/images/node-keys.png");
    case CatalogueImage::kViewsGroup:
      return QStringLiteral(":/rowmender/images/node-views.png");
    case CatalogueImage::kView:
      return QStringLiteral(":/rowmender/images/node-view.png");
    case CatalogueImage::kTriggerGroup:
      return QStringLiteral(":/rowmender/images/node-triggers.png");
    case CatalogueImage::kTrigger:
      return QStringLiteral(":/rowmender/images/node-trigger.png");
  }
  return {};
}

QIcon CatalogueIcon(const CheckTreeModel& tree, TreeNodeId node) {
  // One icon per picture, made once.
  static std::array<QIcon, static_cast<std::size_t>(CatalogueImage::kFolder) + 1> icons;
  const auto image = CatalogueImageOf(tree, node);
  QIcon& icon = icons[static_cast<std::size_t>(image)];
  if (icon.isNull()) icon = QIcon(CatalogueImagePath(image));
  return icon;
}

}  // namespace rowmender
