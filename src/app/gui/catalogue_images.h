// The pictures of the catalogue tree's nodes. The scan gives every node an
// image index (0 for most nodes, 2 for "Keys", 15 for "Views", 21 for
// "Trigger"); for index 0 the node's kind decides the picture: the root, the
// data folder, a database, the "Tables" group, a table, a view or a
// trigger.
#pragma once

#include <QIcon>
#include <QString>

#include "controls/check_tree_model.h"

namespace rowmender {

enum class CatalogueImage {
  kRoot,
  kDataFolder,
  kDatabase,
  kTablesGroup,
  kTable,
  kKeys,
  kViewsGroup,
  kView,
  kTriggerGroup,
  kTrigger,
  kFolder,
};

CatalogueImage CatalogueImageOf(const CheckTreeModel& tree, TreeNodeId node);
// The resource path of a picture.
QString CatalogueImagePath(CatalogueImage image);
QIcon CatalogueIcon(const CheckTreeModel& tree, TreeNodeId node);

}  // namespace rowmender
