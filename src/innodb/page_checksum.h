// The checksum of an InnoDB page, in every form the servers write:
//  - MariaDB's full_crc32 (10.5 on): CRC-32C of all but the last four bytes,
//    stored in them; the four bytes before hold the low half of the LSN;
//  - crc32 (MySQL 5.6 on, MariaDB before full_crc32): CRC-32C of the header
//    after its checksum field and of the body, XORed, stored at the start
//    and in the trailer;
//  - the old InnoDB checksums: two folds of the page's bytes, one in the
//    header and one in the trailer;
//  - no checksum at all (the magic value 0xDEADBEEF).
// The forms other than full_crc32 also keep the LSN's low half in the
// trailer, which must match the header's.
#pragma once

#include <cstdint>

#include "base/bytes.h"

namespace rowmender {

enum class PageCheck : std::uint8_t {
  kAllZero,    // a page never written
  kFullCrc32,  // matches in this form ...
  kCrc32,
  kInnodb,
  kNoChecksum,
  kFailed,  // matches none: the page is damaged
};

// Checks a whole page of any page size (4 to 64 KiB; a page of any other
// length fails).
PageCheck CheckPage(ByteView page);

inline bool PageIsSound(ByteView page) {
  return CheckPage(page) != PageCheck::kFailed;
}

}  // namespace rowmender
