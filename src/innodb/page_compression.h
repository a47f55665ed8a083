// MariaDB's page compression (PAGE_COMPRESSED=1): a page is stored
// compressed, whole, behind an uncompressed part of its FIL header, and
// the rest of its place in the file is left unused (the file is sparse
// there; the bytes read as zero or as anything).
//  - In the older tablespace form the page type is 34354 and the header
//    names the algorithm (the eight bytes at 26) and the payload's length
//    (two bytes at 38); the payload follows at 40, the checksum field holds
//    0xDEADBEEF. Type 37401 is the same, encrypted.
//  - In a full_crc32 tablespace the top bit of the page type marks a
//    compressed page, the rest of it the bytes the page takes in 256-byte
//    units (its CRC-32C in the last four); the payload starts at 26 and the
//    algorithm is the tablespace's. For lz4, lzo and snappy, which need the
//    payload's exact length, the byte before the checksum holds its low
//    eight bits.
// Every algorithm compresses the whole page the server had in memory.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "base/bytes.h"
#include "innodb/geometry.h"

namespace rowmender {

inline constexpr std::uint16_t kPageCompressedType = 34354;
inline constexpr std::uint16_t kPageCompressedEncryptedType = 37401;

// The page (its first 26 bytes at least) is stored compressed.
bool IsStoredCompressed(ByteView page, const TablespaceGeometry& geometry);

// True when this build can decompress pages of `algorithm`.
bool CanDecompress(unsigned algorithm);

// Makes the stored page `stored` (a whole page of the file) into the page
// the server had in memory, `out` (geometry.pageSize bytes). An empty
// result: done. Otherwise a sentence saying why the page cannot be read
// ("compressed with lz4, which this build cannot decompress"); `out` then
// keeps the stored page's first 24 bytes (its number and neighbour links)
// and zeros. A page of a full_crc32 tablespace, whose checksum is that of
// its stored form (checked here), is given the checksum of its contents.
std::string InflatePage(ByteView stored, const TablespaceGeometry& geometry,
                        std::span<std::uint8_t> out);

}  // namespace rowmender
