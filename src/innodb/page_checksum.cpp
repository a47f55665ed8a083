#include "innodb/page_checksum.h"

#include <algorithm>

#include "base/crc32c.h"
#include "innodb/page.h"

namespace rowmender {

namespace {

// The page header's fields, and the trailer's size.
constexpr std::size_t kChecksumField = FilHeader::kChecksumOffset;
constexpr std::size_t kPageNumberField = FilHeader::kPageNumberOffset;
constexpr std::size_t kLsnField = FilHeader::kLsnOffset;
constexpr std::size_t kFlushLsnField = FilHeader::kFlushLsnOffset;
constexpr std::size_t kHeaderEnd = FilHeader::kSize;
constexpr std::size_t kTrailerSize = 8;
constexpr std::uint32_t kNoChecksumMagic = 0xDEADBEEFu;

// The fold InnoDB's old checksums are made of: each byte mixed into a
// 64-bit value, cut to 32 bits at the end.
std::uint64_t Fold(ByteView bytes) {
  constexpr std::uint64_t kMask = 1463735687u;
  constexpr std::uint64_t kMask2 = 1653893711u;
  std::uint64_t fold = 0;
  for (const std::uint8_t b : bytes)
    fold = ((((fold ^ b ^ kMask2) << 8) + fold) ^ kMask) + b;
  return fold;
}

bool LsnTrailerMatches(ByteView page) {
  return Be32(page, kLsnField + 4) == Be32(page, page.size() - kTrailerSize + 4);
}

bool AllZero(ByteView page) {
  return std::all_of(page.begin(), page.end(), [](std::uint8_t b) { return b == 0; });
}

}  // namespace

PageCheck CheckPage(ByteView page) {
  const std::size_t pageSize = page.size();
  if (pageSize < kMinInnoPageSize || pageSize > kMaxInnoPageSize ||
      (pageSize & (pageSize - 1)) != 0) {
    return PageCheck::kFailed;
  }
  const std::size_t size = page.size();

  // full_crc32: the last four bytes.
  const std::uint32_t stored = Be32(page, size - 4);
  if (stored == Crc32c(page.first(size - 4))) {
    // An encrypted page (a key version at the start) keeps no plain LSN.
    const bool encrypted = Be32(page, kChecksumField) != 0;
    if (encrypted || Be32(page, kLsnField + 4) == Be32(page, size - kTrailerSize)) {
      return PageCheck::kFullCrc32;
    }
  }

  const std::uint32_t field1 = Be32(page, kChecksumField);
  const std::uint32_t field2 = Be32(page, size - kTrailerSize);
  if (field1 == 0 && field2 == 0 && AllZero(page)) return PageCheck::kAllZero;
  if (!LsnTrailerMatches(page)) return PageCheck::kFailed;

  if (field1 == field2) {
    const std::uint32_t crc =
        Crc32c(page.subspan(kPageNumberField, kFlushLsnField - kPageNumberField)) ^
        Crc32c(page.subspan(kHeaderEnd, size - kHeaderEnd - kTrailerSize));
    if (field1 == crc) return PageCheck::kCrc32;
  }
  if (field1 == kNoChecksumMagic && field2 == kNoChecksumMagic) return PageCheck::kNoChecksum;

  // The old checksums: the trailer's over the header (or, from before
  // they existed, the LSN's high half); the header's over the rest.
  const auto old = static_cast<std::uint32_t>(Fold(page.first(kFlushLsnField)));
  if (field2 != old && field2 != Be32(page, kLsnField)) return PageCheck::kFailed;
  if (field1 != 0) {
    const auto fresh = static_cast<std::uint32_t>(
        Fold(page.subspan(kPageNumberField, kFlushLsnField - kPageNumberField)) +
        Fold(page.subspan(kHeaderEnd, size - kHeaderEnd - kTrailerSize)));
    if (field1 != fresh) return PageCheck::kFailed;
  }
  return PageCheck::kInnodb;
}

}  // namespace rowmender
