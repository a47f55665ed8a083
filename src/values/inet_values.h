// MariaDB's INET4 and INET6 data types: 4 and 16 bytes in network order,
// shown as the server prints them.
#pragma once

#include <cstddef>
#include <string>

#include "base/bytes.h"

namespace rowmender {

inline constexpr std::size_t kInet4Bytes = 4;
inline constexpr std::size_t kInet6Bytes = 16;

// Appends the dotted quad of an INET4. False, with `out` unchanged, when
// `stored` is not 4 bytes.
bool AppendInet4Text(std::string& out, ByteView stored);

// Appends the text of an INET6 as the server prints it: groups in
// lower-case hex without leading zeros, the first longest run of zero
// groups (even a single one) as "::", and an IPv4-compatible (::a.b.c.d)
// or IPv4-mapped (::ffff:a.b.c.d) address with its last 4 bytes as a
// dotted quad. False, with `out` unchanged, when `stored` is not 16 bytes.
bool AppendInet6Text(std::string& out, ByteView stored);

}  // namespace rowmender
