#include "app/product_version.h"

#ifndef ROWMENDER_VERSION
#error "the build gives ROWMENDER_VERSION, the project's version"
#endif

namespace rowmender {

const char* ProductVersion() {
  return ROWMENDER_VERSION;
}

}  // namespace rowmender
