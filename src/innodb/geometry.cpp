#include "innodb/geometry.h"

#include <algorithm>
#include <array>
#include <vector>

#include "innodb/page_checksum.h"
#include "innodb/page_compression.h"

namespace rowmender {

namespace {

constexpr std::uint32_t kSmallestSizeShift = 9;  // a size field s: 512 << s
// The older form.
constexpr std::uint32_t kPostAntelopeBit = 1u << 0;
constexpr unsigned kZipSizeShift = 1;
constexpr std::uint32_t kZipSizeMask = 0xF;
constexpr std::uint32_t kAtomicBlobsBit = 1u << 5;
constexpr unsigned kPageSizeShift = 6;
constexpr std::uint32_t kPageSizeMask = 0xF;
constexpr std::uint32_t kDataDirectoryBit = 1u << 10;
constexpr std::uint32_t kPageCompressionBit = 1u << 16;
// Bits 11-15 are kept for MySQL 5.7's and 8.0's flags (shared, temporary,
// encryption, SDI); nothing above bit 16 is written to the file.
constexpr std::uint32_t kHighestOlderFlag = kPageCompressionBit;
// The full_crc32 form.
constexpr std::uint32_t kFullCrc32SizeMask = 0xF;
constexpr std::uint32_t kFullCrc32Marker = 1u << 4;
constexpr unsigned kFullCrc32AlgorithmShift = 5;
constexpr std::uint32_t kFullCrc32AlgorithmMask = 0x7;
constexpr std::uint32_t kHighestFullCrc32Flag = 1u << 7;
// The smallest and largest size fields of a page: 4 KiB and 64 KiB.
constexpr std::uint32_t kFewestSizeBits = 3;
constexpr std::uint32_t kMostSizeBits = 7;
// ROW_FORMAT=COMPRESSED page sizes: 1 KiB to 16 KiB.
constexpr std::uint32_t kFewestZipBits = 1;
constexpr std::uint32_t kMostZipBits = 5;

constexpr std::uint16_t kSpaceHeaderPageType = 8;
constexpr std::size_t kPageTypeOffset = 24;
constexpr std::size_t kPageNumberOffset = 4;
constexpr std::uint16_t kFullCrc32CompressedMarker = 0x8000;

// Pages after page 0 a probe looks at.
constexpr std::uint32_t kProbePages = 8;

std::uint32_t SizeOf(std::uint32_t bits) {
  return std::uint32_t{1} << (bits + kSmallestSizeShift);
}

}  // namespace

std::string PageCompressionName(unsigned algorithm) {
  switch (static_cast<PageCompression>(algorithm)) {
    case PageCompression::kNone:
      return "no compression";
    case PageCompression::kZlib:
      return "zlib";
    case PageCompression::kLz4:
      return "lz4";
    case PageCompression::kLzo:
      return "lzo";
    case PageCompression::kLzma:
      return "lzma";
    case PageCompression::kBzip2:
      return "bzip2";
    case PageCompression::kSnappy:
      return "snappy";
  }
  return "algorithm " + std::to_string(algorithm);
}

bool TablespaceGeometry::FromFlags(std::uint32_t flags, TablespaceGeometry& out) {
  TablespaceGeometry g;
  g.flags = flags;
  if ((flags & kFullCrc32Marker) != 0) {
    const std::uint32_t bits = flags & kFullCrc32SizeMask;
    if (flags >= kHighestFullCrc32Flag << 1 || bits < kFewestSizeBits || bits > kMostSizeBits)
      return false;
    g.fullCrc32 = true;
    g.pageSize = g.physicalPageSize = SizeOf(bits);
    g.compressionAlgorithm = (flags >> kFullCrc32AlgorithmShift) & kFullCrc32AlgorithmMask;
    g.pageCompressed = g.compressionAlgorithm != 0;
    g.atomicBlobs = true;
    out = g;
    return true;
  }
  if (flags >= kHighestOlderFlag << 1) return false;
  const std::uint32_t pageBits = (flags >> kPageSizeShift) & kPageSizeMask;
  const std::uint32_t zipBits = (flags >> kZipSizeShift) & kZipSizeMask;
  if (pageBits != 0 && (pageBits < kFewestSizeBits || pageBits > kMostSizeBits)) return false;
  g.pageSize = pageBits == 0 ? kInnoPageSize : SizeOf(pageBits);
  if (zipBits != 0) {
    if (zipBits < kFewestZipBits || zipBits > kMostZipBits || SizeOf(zipBits) > g.pageSize)
      return false;
    g.physicalPageSize = SizeOf(zipBits);
    g.zipCompressed = true;
  } else {
    g.physicalPageSize = g.pageSize;
  }
  g.atomicBlobs = (flags & kAtomicBlobsBit) != 0;
  if (zipBits != 0 && ((flags & kPostAntelopeBit) == 0 || !g.atomicBlobs)) return false;
  g.dataDirectory = (flags & kDataDirectoryBit) != 0;
  g.pageCompressed = (flags & kPageCompressionBit) != 0;
  out = g;
  return true;
}

bool TablespaceGeometry::DecodeFrom(ByteView page0, TablespaceGeometry& out) {
  if (page0.size() < kFlagsOffset + 4) return false;
  return FromFlags(Be32(page0, kFlagsOffset), out);
}

std::uint32_t TablespaceGeometry::ExtentPages() const {
  constexpr std::uint32_t kMegabyte = 1u << 20;
  constexpr std::uint32_t kLargePageExtent = 64;
  return pageSize <= kInnoPageSize ? kMegabyte / pageSize : kLargePageExtent;
}

std::uint32_t TablespaceGeometry::DescriptorSize() const {
  constexpr std::uint32_t kBitmapOffset = 24;
  constexpr std::uint32_t kBitsPerPage = 2;
  return kBitmapOffset + (ExtentPages() * kBitsPerPage + 7) / 8;
}

std::string TablespaceGeometry::Describe() const {
  std::string text = std::to_string(pageSize / 1024) + " KiB pages";
  if (RowCompressed())
    text +=
        " stored in " + std::to_string(physicalPageSize / 1024) + " KiB (ROW_FORMAT=COMPRESSED)";
  return text;
}

namespace {

// A page read at the place of page `number` for a page size being tried
// stands there: its header names that number, and its checksum is sound
// (or it is stored page-compressed, in either form, which hides the
// checksum).
bool PageFits(ByteView page, std::uint32_t number) {
  if (Be32(page, kPageNumberOffset) != number) return false;
  const std::uint16_t type = Be16(page, kPageTypeOffset);
  if (type == kPageCompressedType || type == kPageCompressedEncryptedType ||
      (type & kFullCrc32CompressedMarker) != 0) {
    return true;
  }
  const PageCheck check = CheckPage(page);
  return check != PageCheck::kFailed && check != PageCheck::kAllZero;
}

}  // namespace

TablespaceGeometry DetectGeometry(std::uint64_t fileLength, const TablespaceBytes& read,
                                  std::string* note) {
  TablespaceGeometry geometry;
  if (fileLength == 0) return geometry;
  std::array<std::uint8_t, TablespaceGeometry::kFlagsOffset + 4> head{};
  read(0, head);
  TablespaceGeometry named;
  if (TablespaceGeometry::DecodeFrom(head, named) && fileLength >= named.physicalPageSize) {
    std::vector<std::uint8_t> page(named.physicalPageSize, 0);
    read(0, page);
    const bool header =
        Be16(page, kPageTypeOffset) == kSpaceHeaderPageType && Be32(page, kPageNumberOffset) == 0;
    // The checksum of a ROW_FORMAT=COMPRESSED page is another matter: its
    // header alone is trusted.
    if (header && (named.RowCompressed() || PageIsSound(page))) return named;
  }

  // Page 0 is damaged: each size is tried on the pages after it.
  std::uint32_t best = 0;
  unsigned bestFits = 0;
  bool bestFullCrc32 = false;
  for (const std::uint32_t size : {kInnoPageSize, 4096u, 8192u, 32768u, kMaxInnoPageSize}) {
    std::vector<std::uint8_t> page(size, 0);
    unsigned fits = 0;
    bool fullCrc32 = false;
    for (std::uint32_t n = 1; n <= kProbePages && std::uint64_t{n + 1} * size <= fileLength; ++n) {
      read(std::uint64_t{n} * size, page);
      if (!PageFits(page, n)) continue;
      ++fits;
      fullCrc32 = fullCrc32 || CheckPage(page) == PageCheck::kFullCrc32;
    }
    if (fits > bestFits) {
      best = size;
      bestFits = fits;
      bestFullCrc32 = fullCrc32;
    }
  }
  geometry.probed = true;
  if (best == 0) {
    if (note != nullptr) {
      *note =
          "page 0, which names the page size, is damaged, and no page size fits the pages "
          "after it: the file is read as of 16 KiB pages";
    }
    return geometry;
  }
  geometry.pageSize = geometry.physicalPageSize = best;
  geometry.fullCrc32 = bestFullCrc32;
  if (note != nullptr) {
    *note = "page 0, which names the page size, is damaged: the page size, " +
            std::to_string(best / 1024) + " KiB, was found by the page numbers and checksums of " +
            std::to_string(bestFits) + " pages after it";
  }
  return geometry;
}

bool TablespaceEncryption::DecodeFrom(ByteView page0, TablespaceEncryption& out) {
  // Where the settings stand depends on the page size; the magic is
  // looked for past the space header instead, on page 0 alone.
  constexpr std::size_t kSearchFrom = 38 + 112;
  constexpr std::size_t kMagicSize = sizeof kMagic;
  constexpr std::size_t kIvLengthOffset = kMagicSize + 1;
  if (page0.size() <= kSearchFrom) return false;
  const auto found =
      std::search(page0.begin() + kSearchFrom, page0.end(), std::begin(kMagic), std::end(kMagic));
  if (found == page0.end()) {
    // MySQL's: the flag, and the key's magic behind the extent descriptors.
    constexpr std::uint8_t kKeyringMagic[] = {'l', 'C'};
    if ((Be32(page0, TablespaceGeometry::kFlagsOffset) & kKeyringFlag) == 0) return false;
    for (auto at = page0.begin() + kSearchFrom;;) {
      at = std::search(at, page0.end(), std::begin(kKeyringMagic), std::end(kKeyringMagic));
      if (at == page0.end() || page0.end() - at < 3) return false;
      const std::uint8_t version = at[2];
      if (version >= 'A' && version <= 'C') break;
      ++at;
    }
    out = TablespaceEncryption{};
    out.keyring = true;
    return true;
  }
  const ByteView settings = page0.subspan(static_cast<std::size_t>(found - page0.begin()));
  if (settings.size() <= kIvLengthOffset) return false;
  const std::size_t keyIdOffset = kIvLengthOffset + 1 + settings[kIvLengthOffset] + 4;
  if (settings.size() < keyIdOffset + 4) return false;
  out.scheme = settings[kMagicSize];
  out.keyId = static_cast<std::uint32_t>(settings[keyIdOffset]) << 24 |
              static_cast<std::uint32_t>(settings[keyIdOffset + 1]) << 16 |
              static_cast<std::uint32_t>(settings[keyIdOffset + 2]) << 8 |
              static_cast<std::uint32_t>(settings[keyIdOffset + 3]);
  return true;
}

}  // namespace rowmender
