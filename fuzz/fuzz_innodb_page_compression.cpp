// Feeds arbitrary stored pages to the decompression of MariaDB's
// page-compressed tablespaces: the input is the tablespace image (so that
// real tablespaces seed the corpus), and its last byte also picks the
// tablespace form (full_crc32 or the older one), its algorithm and the page
// size; each of its first pages is read as the walks read them (whole, and
// as far as the headers the page scan reads).
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "innodb/geometry.h"
#include "innodb/page.h"
#include "innodb/page_compression.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace rowmender;
  if (size < 1) return 0;
  const std::uint8_t pick = data[size - 1];
  // full_crc32 flags: the page size in bits 0-3 (3..7: 4 KiB to 64 KiB),
  // the marker, the algorithm in bits 5-7; the older form: page
  // compression and a page size in bits 6-9.
  const std::uint32_t sizeBits = 3 + (pick & 0x3) + ((pick >> 2) & 1);
  const std::uint32_t flags = (pick & 0x80) != 0 ? sizeBits | 0x10 | (((pick >> 3) & 0x7u) << 5)
                                                 : (1u << 16) | 0x21 | (sizeBits << 6);
  TablespaceGeometry geometry;
  if (!TablespaceGeometry::FromFlags(flags, geometry)) return 0;
  const std::vector<std::uint8_t> image(data, data + size);
  const MemoryPageSource source(image, geometry);
  PageBuffer page = NewPageBuffer(source);
  std::array<std::uint8_t, FilHeader::kSize + IndexPageHeader::kSize> header{};
  const std::uint64_t pages = std::min<std::uint64_t>(source.PageCount() + 1, 8);
  for (std::uint32_t n = 0; n < pages; ++n) {
    (void)source.ReadChecked(n, page);
    (void)source.ReadChecked(n, header);
  }
  // A short stored page, as a damaged file could end.
  std::vector<std::uint8_t> out(geometry.pageSize, 0);
  (void)InflatePage(ByteView(image).first(std::min(image.size(), std::size_t{geometry.pageSize})),
                    geometry, out);
  return 0;
}
