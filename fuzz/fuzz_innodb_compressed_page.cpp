// Feeds an arbitrary image of a ROW_FORMAT=COMPRESSED tablespace to the
// inflation of its index pages and to the reading of long values from its
// compressed BLOB chains. The physical page size is the one page 0 names
// (or, where it names none, one the last byte picks); every index page is
// inflated and the record list of each inflated page followed, and every
// first page of a BLOB chain read as a long value.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "innodb/compressed_page.h"
#include "innodb/page.h"
#include "innodb/records.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace rowmender;
  if (size < 2) return 0;
  const ByteView image(data, size);
  std::size_t physical = CompressedPageSizeOf(image);
  if (physical == 0) physical = std::size_t{1024} << (data[size - 1] % 5);
  const std::size_t pages = size / physical;
  std::vector<std::uint8_t> page;
  const auto read = [&](std::uint32_t n, std::vector<std::uint8_t>& out) {
    if (n >= pages) return false;
    out.assign(data + n * physical, data + (n + 1) * physical);
    return true;
  };
  for (std::size_t n = 0; n < pages; ++n) {
    const ByteView zip = image.subspan(n * physical, physical);
    const std::uint16_t type = Be16(zip, FilHeader::kPageTypeOffset);
    if (type == kCompressedBlobPageType) {
      std::uint64_t delivered = 0;
      ReadCompressedLongValue(
          static_cast<std::uint32_t>(n), FilHeader::kNextPageOffset,
          Be32(zip, FilHeader::kPageNumberOffset) % (1u << 20), physical, read, [](ByteView) {},
          delivered);
      continue;
    }
    if (!InflateCompressedPage(zip, kInnoPageSize, page).ok()) continue;
    // The rebuilt record list ends at the supremum within the records the
    // page holds.
    const ByteView full(page);
    std::size_t origin = IndexPage(full).FirstCompactRecord();
    for (int steps = 0;
         steps < 2000 && origin >= kCompactSupremumOrigin + 8 && origin < kInnoPageSize; ++steps) {
      const CompactRecordHeader header = CompactRecordHeader::DecodeFrom(full, origin);
      origin = (origin + header.nextLink) & 0xFFFF;
    }
  }
  return 0;
}
