// CRC-32C (Castagnoli), the checksum of InnoDB pages since MySQL 5.6 and of
// MariaDB's full_crc32 page format.
#pragma once

#include <cstdint>

#include "base/bytes.h"

namespace rowmender {

// The CRC-32C of `bytes` (initial value and final XOR as the servers use
// them: Crc32c of no bytes is 0).
std::uint32_t Crc32c(ByteView bytes);

}  // namespace rowmender
