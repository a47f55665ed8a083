// GEOMETRY and the other spatial types: the server's own bytes (a 4-byte
// SRID, then the well-known binary form).
#pragma once

#include <string>
#include <string_view>

#include "base/bytes.h"

namespace rowmender {

inline constexpr std::string_view kSpatialPlaceholder = "Spatial Data";

// The save form kept for old scripts: "NULL" for no bytes or only zero
// bytes, else the bytes with every zero byte written as backslash and "0",
// as Windows-1252 characters.
void AppendSpatialSaveText(std::string& out, ByteView bytes);

}  // namespace rowmender
