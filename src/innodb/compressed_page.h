// Pages of ROW_FORMAT=COMPRESSED tablespaces.
//
// Such a tablespace stores every page in a physical size smaller than the
// server's page size (KEY_BLOCK_SIZE: 1, 2, 4, 8 or 16 KiB, named by the
// ZIP_SSIZE bits of the FSP flags on page 0). An index page keeps its FIL
// header and index page header as they are, then a zlib stream of the
// record area (without the five fixed header bytes of each record), a
// modification log of the records written since the page was last
// compressed, and at its end a dense directory of all records with the
// columns kept uncompressed (transaction ids and roll pointers of clustered
// leaf records, BLOB references, child page numbers of node pointers).
// InflateCompressedPage rebuilds the full page the server works on, which
// the readers of page.h and records.h then read like any other page.
//
// A long value of such a table is one zlib stream spread over a chain of
// compressed BLOB pages; ReadCompressedLongValue reads it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "base/bytes.h"
#include "base/data_file.h"
#include "base/status.h"
#include "innodb/page.h"

namespace rowmender {

// Page types of the compressed BLOB chains: the first page and the others.
inline constexpr std::uint16_t kCompressedBlobPageType = 11;
inline constexpr std::uint16_t kCompressedBlobNextPageType = 12;

// The FSP flags of page 0 (after the FIL header, at the flags field of the
// space header).
inline constexpr std::size_t kSpaceFlagsOffset = 38 + 16;
// The physical page size the flags name: 512 << ZIP_SSIZE (bits 1 to 4);
// 0 when the tablespace is not compressed.
std::size_t CompressedPageSizeOfFlags(std::uint32_t spaceFlags);
// The same from the bytes of page 0 (its first bytes suffice).
std::size_t CompressedPageSizeOf(ByteView firstPage);

// What an inflation found, for notes and tests.
struct CompressedPageNotes {
  bool leaf = false;
  bool clustered = false;       // a leaf page of a clustered index
  std::size_t records = 0;      // user records (the page header's count)
  std::size_t freeRecords = 0;  // records on the free list
  std::size_t deleteMarked = 0;
  // Records written or cleared by the modification log.
  std::size_t logEntries = 0;
  std::size_t externalReferences = 0;
};

// Rebuilds the index page `zipPage` (its whole physical size) as a page of
// `logicalPageSize` bytes in `page` (resized to that). A page that is not
// an index page of compact records is not supported; a damaged stream,
// directory or log is a corruption status and `page` is then undefined.
Status InflateCompressedPage(ByteView zipPage, std::size_t logicalPageSize,
                             std::vector<std::uint8_t>& page, CompressedPageNotes* notes = nullptr);

// Reads page `page` at its physical size into `out`; false when the page
// cannot be read (beyond the file end).
using PhysicalPageReader = std::function<bool(std::uint32_t page, std::vector<std::uint8_t>& out)>;

// The long value whose BLOB reference names `firstPage` and `partOffset`
// (the offset of the next-page field on the first page) and `length`
// bytes: inflates the chain of compressed BLOB pages, handing `sink` at
// most `length` bytes in order, and puts their number in `delivered`. A
// chain that loops, leaves the file, holds a page of another type, or ends
// before the value does is a corruption status (what came before it was
// handed over).
Status ReadCompressedLongValue(std::uint32_t firstPage, std::uint32_t partOffset,
                               std::uint64_t length, std::size_t physicalPageSize,
                               const PhysicalPageReader& read,
                               const std::function<void(ByteView)>& sink, std::uint64_t& delivered);

// The pages of a compressed tablespace file at the full page size, for the
// walks and scans that read pages through a PageSource: index pages
// inflated, the others as stored (their physical bytes, then zeros; the
// long-value reader finds compressed BLOB chains in them). An index page
// that does not inflate reads as its FIL and index page headers alone,
// without records and without a valid checksum, so that whatever reads it
// reports it as damaged.
class CompressedPageSource final : public PageSource {
 public:
  // `file` must outlive the source; `geometry` names the page size in
  // memory and the smaller one in the file.
  CompressedPageSource(const DataFile& file, const TablespaceGeometry& geometry)
      : file_(file),
        geometry_(geometry),
        physical_(geometry.physicalPageSize),
        pageCount_(PageCountOf(file.Size(), geometry)) {}
  std::uint64_t PageCount() const override { return pageCount_; }
  void Read(std::uint32_t page, std::span<std::uint8_t> out) const override;
  const TablespaceGeometry& Geometry() const override { return geometry_; }

 private:
  const DataFile& file_;
  TablespaceGeometry geometry_;
  std::size_t physical_;
  std::uint64_t pageCount_;
};

}  // namespace rowmender
