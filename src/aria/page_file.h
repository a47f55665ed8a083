// The pages of an Aria data file of PAGE rows.
//
// The file is a run of pages of one block size. Page 0 is a bitmap page,
// and so is every page a whole number of bitmap spans after it; each one
// keeps 3 bits per page for the pages that follow it (how full a head
// page is; a tail page; a full page). Every other page begins with the
// LSN of its last change (7 bytes) and its type byte; head and tail pages
// then keep their directory count, the first free directory entry and
// their empty space (12 bytes in all), their rows, and at their end, just
// before the last 4 bytes, one directory entry of 4 bytes (the row's
// offset and length, little-endian) per row, the first entry last. Blob
// pages hold the data of long values from byte 8 on. The last 4 bytes of
// every page are its CRC32 (seeded with the page number), or a mark that
// it has none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/bytes.h"
#include "myisam/record_scan.h"

namespace rowmender {

namespace aria {

inline constexpr std::size_t kPageTypeOffset = 7;
inline constexpr std::size_t kDirectoryCountOffset = 8;
inline constexpr std::size_t kFreeEntryOffset = 9;
inline constexpr std::size_t kPageHeaderSize = 12;
inline constexpr std::size_t kFullPageHeaderSize = 8;
inline constexpr std::size_t kPageSuffixSize = 4;
inline constexpr std::size_t kDirectoryEntrySize = 4;
// Only this many rows fit one page's directory.
inline constexpr std::size_t kMostRowsPerPage = 255;

enum class PageType : std::uint8_t {
  kUnallocated = 0,
  kHead = 1,
  kTail = 2,
  kBlob = 3,
  kUnknown = 8,
};

// The type of a page from its type byte (the flag that the page may be
// compacted left out).
PageType TypeOfPage(ByteView page);

// Bitmap patterns: 0 an empty page, 1 to 4 a head page, 5 to 7 tail and
// full pages.
inline constexpr std::uint8_t kEmptyPagePattern = 0;
inline constexpr std::uint8_t kFullHeadPagePattern = 4;

enum class PageChecksum : std::uint8_t {
  kNone,      // the page keeps no checksum
  kValid,     // the checksum matches the page
  kMismatch,  // the checksum does not match the page
};

// Checks the CRC32 in the last 4 bytes of `page` (page number `number`).
PageChecksum CheckPageChecksum(ByteView page, std::uint64_t number);

// One directory entry: where its row lies on the page.
struct DirectoryEntry {
  std::uint32_t offset = 0;  // 0: a free entry
  std::uint32_t length = 0;
};

// The number of directory entries of a head or tail page.
std::size_t DirectoryCount(ByteView page);

// Entry `index` of the directory of a page of page.size() bytes (zero when
// it lies outside the page).
DirectoryEntry EntryAt(ByteView page, std::size_t index);

// Where the directory of a page with `count` entries begins: rows end
// before it.
std::size_t DirectoryStart(std::size_t pageSize, std::size_t count);

// The bytes of row `index` of a head or tail page, as the server finds
// them: a used entry whose row lies between the page header and the
// directory. False otherwise.
bool RowOfEntry(ByteView page, std::size_t index, ByteView& row);

}  // namespace aria

// Reads the pages of a data file of PAGE rows.
class AriaPageFile {
 public:
  // `source` must outlive the object.
  AriaPageFile(const ByteSource& source, std::uint32_t blockSize);

  std::uint32_t BlockSize() const { return blockSize_; }
  // Whole pages in the file (a last page cut short is counted).
  std::uint64_t PageCount() const { return pageCount_; }
  // The file ends inside its last page.
  bool LastPageCutShort() const { return cutShort_; }
  std::uint64_t FileSize() const { return source_.Size(); }

  // Pages between two bitmap pages, the bitmap page included.
  std::uint64_t BitmapSpan() const { return bitmapSpan_; }
  bool IsBitmapPage(std::uint64_t page) const { return page % bitmapSpan_ == 0; }

  // Reads page `number` into `out` (blockSize bytes; missing bytes read as
  // zero). False when the page lies beyond the end of the file.
  bool ReadPage(std::uint64_t number, std::vector<std::uint8_t>& out) const;

  // The 3-bit pattern the bitmap keeps for data page `number` (the empty
  // pattern for a bitmap page or a page no bitmap covers).
  std::uint8_t BitmapPattern(std::uint64_t number);

 private:
  const ByteSource& source_;
  std::uint32_t blockSize_;
  std::uint64_t bitmapSpan_;
  std::uint64_t pageCount_ = 0;
  bool cutShort_ = false;
  // The bitmap page read last.
  std::uint64_t bitmapNumber_ = UINT64_MAX;
  std::vector<std::uint8_t> bitmap_;
};

// The shortest entry of a live row on the head pages among the first
// `pages` pages of the file (0: none there). No row is stored shorter than
// the table's shortest row, and rows shorter than that are stored that
// long.
std::uint32_t ShortestStoredRow(const AriaPageFile& file, std::uint64_t pages);

// The block size of a data file of PAGE rows whose index file is lost:
// the size whose first page ends as a bitmap page does (its checksum, or
// the mark of a bitmap page without one), the server's default otherwise.
std::uint32_t GuessBlockSize(const ByteSource& source);

}  // namespace rowmender
