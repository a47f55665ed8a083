// The shape of an InnoDB tablespace: how large its pages are, in memory and
// on disk, which checksum form its pages carry, and whether its pages are
// compressed one by one (MariaDB's PAGE_COMPRESSED).
//
// Everything is told by the tablespace flags in the space header of page 0
// (FSP_SPACE_FLAGS), which come in two forms:
//  - MySQL 5.6 on and MariaDB without full_crc32: bit 0 post-Antelope,
//    bits 1-4 the compressed page size of ROW_FORMAT=COMPRESSED (ZIP_SSIZE),
//    bit 5 atomic BLOBs, bits 6-9 the page size (PAGE_SSIZE, 0: 16 KiB),
//    bit 10 DATA DIRECTORY (MySQL), bit 16 MariaDB's page compression;
//  - MariaDB's full_crc32 (10.5 on): bits 0-3 the page size, bit 4 the
//    marker of the form, bits 5-7 the page compression algorithm.
// A size field `s` stands for 512 << s bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "base/bytes.h"

namespace rowmender {

inline constexpr std::uint32_t kInnoPageSize = 16384;  // the server's default
inline constexpr std::uint32_t kMinInnoPageSize = 4096;
inline constexpr std::uint32_t kMaxInnoPageSize = 65536;

// MariaDB's page compression algorithms, as numbered in the page header and
// in full_crc32 flags.
enum class PageCompression : std::uint8_t {
  kNone = 0,
  kZlib = 1,
  kLz4 = 2,
  kLzo = 3,
  kLzma = 4,
  kBzip2 = 5,
  kSnappy = 6,
};
// The algorithm's name ("lz4"), or "algorithm N" for a number no server uses.
std::string PageCompressionName(unsigned algorithm);

struct TablespaceGeometry {
  // The space header's offset of the flags.
  static constexpr std::size_t kFlagsOffset = 38 + 16;

  // Bytes of a page as the server reads it in memory.
  std::uint32_t pageSize = kInnoPageSize;
  // Bytes of a page in the file: smaller than pageSize for
  // ROW_FORMAT=COMPRESSED (KEY_BLOCK_SIZE).
  std::uint32_t physicalPageSize = kInnoPageSize;
  std::uint32_t flags = 0;
  // ROW_FORMAT=COMPRESSED: the flags name a compressed page size, which
  // may equal pageSize (KEY_BLOCK_SIZE=16 on 16 KiB pages).
  bool zipCompressed = false;
  bool fullCrc32 = false;
  // PAGE_COMPRESSED=1: pages may be stored compressed one by one.
  bool pageCompressed = false;
  // The algorithm of every compressed page (full_crc32 only; the older
  // form names it in each page).
  unsigned compressionAlgorithm = 0;
  bool atomicBlobs = false;
  bool dataDirectory = false;
  // Page 0 could not be trusted: the page size was found by probing.
  bool probed = false;

  // The geometry `flags` describe; false when they name no page size a
  // server writes.
  static bool FromFlags(std::uint32_t flags, TablespaceGeometry& out);
  // The geometry the space header of `page0` (its first bytes) names;
  // false where the flags are not valid.
  static bool DecodeFrom(ByteView page0, TablespaceGeometry& out);

  bool RowCompressed() const { return zipCompressed || physicalPageSize != pageSize; }
  // Pages in one extent: 1 MiB of pages up to 16 KiB, 64 pages above.
  std::uint32_t ExtentPages() const;
  // Bytes of one extent descriptor (its list node, id, state and two bits
  // a page).
  std::uint32_t DescriptorSize() const;
  // An extent descriptor page comes every this many pages.
  std::uint32_t PagesPerDescriptorPage() const { return physicalPageSize; }
  // How the geometry reads in a note ("8 KiB pages", "16 KiB pages stored
  // in 4 KiB").
  std::string Describe() const;
};

// Pages a file of `fileLength` bytes holds; a partial last page is not one.
constexpr std::uint64_t PageCountOf(std::uint64_t fileLength,
                                    const TablespaceGeometry& geometry = {}) {
  return geometry.physicalPageSize == 0 ? 0 : fileLength / geometry.physicalPageSize;
}

// Byte offset of page `page` in its file.
constexpr std::uint64_t PageOffset(std::uint32_t page, const TablespaceGeometry& geometry = {}) {
  return static_cast<std::uint64_t>(page) * geometry.physicalPageSize;
}

// Reads `out.size()` bytes at a byte offset of a file (zero beyond its end).
using TablespaceBytes = std::function<void(std::uint64_t offset, std::span<std::uint8_t> out)>;

// The geometry of a tablespace of `fileLength` bytes: from the flags of
// page 0 where page 0 is sound and they name a page size its checksum
// agrees with; otherwise each page size is tried on the pages after page 0
// (the size whose pages carry their own page numbers and sound checksums
// wins; 16 KiB when none does), and `note` says so.
TablespaceGeometry DetectGeometry(std::uint64_t fileLength, const TablespaceBytes& read,
                                  std::string* note);

// MariaDB's data-at-rest encryption of a tablespace, as page 0 keeps it
// after its extent descriptors: a magic, the scheme (0: not encrypted, 1:
// its pages are), the initialisation vector, the oldest key version, the
// key id and the mode the table was created with.
//
// MySQL 5.7's and 8.0's ENCRYPTION='Y' is told by a flag of the space
// header and the tablespace key, itself encrypted with the server's
// keyring, kept at the same place behind a magic of its own ("lCA", "lCB"
// or "lCC").
struct TablespaceEncryption {
  static constexpr std::uint8_t kMagic[] = {'s', 0x0E, 0x0C, 'R', 'E', 't'};
  static constexpr std::uint8_t kEncryptedScheme = 1;
  static constexpr std::uint32_t kKeyringFlag = 1u << 13;

  std::uint8_t scheme = 0;
  std::uint32_t keyId = 0;
  // MySQL's encryption with a keyring.
  bool keyring = false;

  // The settings found in `page0`; false when it keeps none.
  static bool DecodeFrom(ByteView page0, TablespaceEncryption& out);
  bool Encrypted() const { return keyring || scheme == kEncryptedScheme; }
};

}  // namespace rowmender
