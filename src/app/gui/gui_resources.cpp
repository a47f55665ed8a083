#include "app/gui/gui_resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void InitRowmenderResources() {
  Q_INIT_RESOURCE(rowmender);
}

namespace rowmender {

void InitGuiResources() {
  InitRowmenderResources();
}

}  // namespace rowmender
