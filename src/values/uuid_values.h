// MariaDB's UUID data type: 16 bytes, shown as the server prints them.
#pragma once

#include <cstddef>
#include <string>

#include "base/bytes.h"

namespace rowmender {

inline constexpr std::size_t kUuidBytes = 16;

// Appends the text of a UUID as a record stores it: for an RFC 4122 UUID
// of versions 1 to 5 (and 0 with a variant) the record keeps its segments
// in reverse order so that time-based values sort by time; the text is
// always the usual 8-4-4-4-12 lower-case hex. False, with `out`
// unchanged, when `stored` is not 16 bytes.
bool AppendUuidText(std::string& out, ByteView stored);

}  // namespace rowmender
