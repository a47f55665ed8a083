// InnoDB tablespace pages: the lowest layer of the InnoDB reader.
//
// A tablespace (the system tablespace ibdata1 or a table's own .ibd file) is
// a sequence of pages of one size, 4 to 64 KiB (16 KiB unless the server
// was set up otherwise; geometry.h). This file knows where a page lies in its file,
// how to decode the FIL header every page starts with and the header of an
// index page, where the record list of an index page begins in each record
// format, and how a BLOB page holds one part of a long value. Every class
// here is a non-owning view over one page's bytes; reads outside the page
// read as zero.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"
#include "base/data_file.h"
#include "innodb/geometry.h"

namespace rowmender {

// ---- Page geometry ----

// The page size and the rest of a tablespace's shape are in geometry.h;
// PageOffset and PageCountOf take it.
// A page number with all bits set means "no page".
inline constexpr std::uint32_t kNoPage = 0xFFFFFFFF;
inline constexpr std::uint16_t kIndexPageType = 17855;  // 0x45BF
// The clustered index root of a table whose columns MariaDB added,
// dropped or moved in place (instant ALTER TABLE). MySQL 8 gives the same
// number to the BLOB pages of its SDI, which are no index pages: they hold
// no fixed records where an index page keeps them (IndexPage::Format).
inline constexpr std::uint16_t kInstantIndexPageType = 18;
inline constexpr std::uint16_t kBlobPageType = 10;

// ---- A cursor with checked big-endian reads ----

// Reads numbers from a page forward or backward from a position. A read
// that would touch a byte outside the page reads zero for that byte and
// marks the cursor as overrun, so a caller can tell damaged data apart.
class PageCursor {
 public:
  PageCursor(ByteView page, std::ptrdiff_t position) : page_(page), position_(position) {}

  std::ptrdiff_t Position() const { return position_; }
  void Seek(std::ptrdiff_t position) { position_ = position; }
  void Skip(std::ptrdiff_t count) { position_ += count; }
  bool Overrun() const { return overrun_; }

  // The `width` bytes (at most 8) from the position, big-endian; moves past them.
  std::uint64_t ReadBigEndian(std::size_t width);
  std::uint8_t ReadByte() { return static_cast<std::uint8_t>(ReadBigEndian(1)); }
  std::uint16_t ReadBe16() { return static_cast<std::uint16_t>(ReadBigEndian(2)); }
  std::uint32_t ReadBe32() { return static_cast<std::uint32_t>(ReadBigEndian(4)); }
  std::uint64_t ReadBe64() { return ReadBigEndian(8); }

  // Moves one byte down and reads the byte there (record headers grow
  // downward from a record's origin).
  std::uint8_t ReadByteBackward();

 private:
  std::uint8_t ByteAtChecked(std::ptrdiff_t at);

  ByteView page_;
  std::ptrdiff_t position_ = 0;
  bool overrun_ = false;
};

// ---- FIL header: the first 38 bytes of every page ----

struct FilHeader {
  static constexpr std::size_t kSize = 38;
  static constexpr std::size_t kChecksumOffset = 0;
  static constexpr std::size_t kPageNumberOffset = 4;
  static constexpr std::size_t kPreviousPageOffset = 8;
  static constexpr std::size_t kNextPageOffset = 12;
  static constexpr std::size_t kLsnOffset = 16;
  static constexpr std::size_t kPageTypeOffset = 24;
  static constexpr std::size_t kFlushLsnOffset = 26;
  static constexpr std::size_t kSpaceIdOffset = 34;

  std::uint32_t checksum = 0;
  std::uint32_t pageNumber = 0;
  std::uint32_t previousPage = 0;
  std::uint32_t nextPage = 0;
  std::uint64_t lsn = 0;
  std::uint16_t pageType = 0;
  std::uint64_t flushLsn = 0;
  std::uint32_t spaceId = 0;

  static FilHeader DecodeFrom(ByteView page);
  bool IsIndexPage() const {
    return pageType == kIndexPageType || pageType == kInstantIndexPageType;
  }
};

// ---- Index page header: 56 bytes after the FIL header ----

struct IndexPageHeader {
  static constexpr std::size_t kOffset = FilHeader::kSize;
  static constexpr std::size_t kSize = 56;
  static constexpr std::size_t kLevelOffset = kOffset + 26;
  static constexpr std::size_t kHeapCountOffset = kOffset + 4;
  // The top bit of the heap count: the page holds compact records.
  static constexpr std::uint16_t kCompactHeapFlag = 0x8000;

  std::uint16_t directorySlots = 0;
  std::uint16_t heapTop = 0;
  std::uint16_t heapRecords = 0;
  std::uint16_t freeListStart = 0;
  std::uint16_t garbageBytes = 0;
  std::uint16_t lastInsert = 0;
  std::uint16_t direction = 0;
  std::uint16_t sameDirectionInserts = 0;
  std::uint16_t userRecords = 0;
  std::uint64_t maxTransactionId = 0;
  std::uint16_t level = 0;
  std::uint64_t indexId = 0;
  // Segment headers: space, page, offset.
  std::uint32_t leafSegmentSpace = 0;
  std::uint32_t leafSegmentPage = 0;
  std::uint16_t leafSegmentOffset = 0;
  std::uint32_t nonLeafSegmentSpace = 0;
  std::uint32_t nonLeafSegmentPage = 0;
  std::uint16_t nonLeafSegmentOffset = 0;

  static IndexPageHeader DecodeFrom(ByteView page);
  bool IsLeaf() const { return level == 0; }
};

// Both headers of a page; `index` is meaningful only for index pages.
struct PageHeaders {
  FilHeader fil;
  IndexPageHeader index;

  static PageHeaders DecodeFrom(ByteView page);
};

// ---- Index pages and their record lists ----

enum class RecordFormat : std::uint8_t {
  kNone,       // no "infimum" where either format keeps it
  kCompact,    // COMPACT and DYNAMIC user tables
  kRedundant,  // the data dictionary and pre-5.0 tables
};

// Where the fixed records and the first-record link stand in each format.
inline constexpr std::size_t kCompactInfimumOrigin = 99;
inline constexpr std::size_t kCompactFirstLinkOffset = 97;
inline constexpr std::size_t kCompactSupremumOrigin = 112;
inline constexpr std::size_t kRedundantInfimumOrigin = 101;
inline constexpr std::size_t kRedundantFirstLinkOffset = 99;
inline constexpr std::size_t kRedundantSupremumOrigin = 116;
inline constexpr std::string_view kInfimumText{"infimum\0", 8};
inline constexpr std::string_view kSupremumText{"supremum", 8};

class IndexPage {
 public:
  explicit IndexPage(ByteView page) : page_(page) {}

  ByteView Bytes() const { return page_; }
  FilHeader Fil() const { return FilHeader::DecodeFrom(page_); }
  IndexPageHeader Header() const { return IndexPageHeader::DecodeFrom(page_); }
  bool IsIndexPage() const { return Fil().IsIndexPage(); }
  std::uint16_t Level() const { return Be16(page_, IndexPageHeader::kLevelOffset); }

  // The format, told by where the text "infimum" stands; on the root of a
  // table whose columns MariaDB dropped or moved in place, where the texts
  // of the fixed records are cleared, by the page header.
  RecordFormat Format() const;
  bool HasCompactInfimum() const { return BytesEqual(page_, kCompactInfimumOrigin, kInfimumText); }
  bool HasRedundantInfimum() const {
    return BytesEqual(page_, kRedundantInfimumOrigin, kInfimumText);
  }

  // Origin of the first record after the infimum: compact pages keep a
  // link relative to the infimum (taken modulo 65536), redundant pages an
  // absolute offset.
  std::uint32_t FirstCompactRecord() const;
  std::uint32_t FirstRedundantRecord() const;

  // The bytes at `origin` read "supremum".
  bool IsSupremumAt(std::size_t origin) const { return BytesEqual(page_, origin, kSupremumText); }

 private:
  ByteView page_;
};

// ---- BLOB pages ----

// One part of an externally stored value: its header (length and the next
// BLOB page) at a given offset of a BLOB page, then its data.
struct BlobPart {
  static constexpr std::size_t kHeaderSize = 8;
  // Offset of the part header on every BLOB page after the first.
  static constexpr std::size_t kFollowingPartOffset = FilHeader::kSize;

  std::uint32_t length = 0;
  std::uint32_t nextPage = kNoPage;
  // The part's data, cut at the page end.
  ByteView data;
  // The stored length reaches past the page end (or the header itself does).
  bool cut = false;
};

class BlobPage {
 public:
  explicit BlobPage(ByteView page) : page_(page) {}
  FilHeader Fil() const { return FilHeader::DecodeFrom(page_); }
  BlobPart PartAt(std::size_t offset) const;

 private:
  ByteView page_;
};

// ---- Where pages come from ----

// A tablespace as a source of whole pages. The walks read every page they
// need exactly once through Read; the file-backed source reads one page per
// call and no more.
class PageSource {
 public:
  virtual ~PageSource() = default;
  // Pages the source holds (its length over its physical page size).
  virtual std::uint64_t PageCount() const = 0;
  // Reads page `page` into `out` (PageSize() bytes, or fewer for the
  // page's first bytes), as the server had it in memory (a page stored
  // compressed is decompressed); whatever lies beyond the end of the
  // source reads as zero.
  virtual void Read(std::uint32_t page, std::span<std::uint8_t> out) const = 0;
  // As Read; a page that cannot be made into its in-memory form (stored
  // compressed with damage, or with an algorithm this build lacks) reads as
  // its first header bytes and zeros, and the result says why in a
  // sentence. Empty: the page was read.
  virtual std::string ReadChecked(std::uint32_t page, std::span<std::uint8_t> out) const {
    Read(page, out);
    return {};
  }
  // The shape of the tablespace: its page size among others.
  virtual const TablespaceGeometry& Geometry() const;
  std::size_t PageSize() const { return Geometry().pageSize; }

  // True when `page` is a page the source holds.
  bool Holds(std::uint64_t page) const { return page < PageCount(); }
};

// Pages of an open read-only file of the given geometry.
class FilePageSource : public PageSource {
 public:
  FilePageSource(const DataFile& file, const TablespaceGeometry& geometry)
      : file_(file), geometry_(geometry), pageCount_(PageCountOf(file.Size(), geometry)) {}
  std::uint64_t PageCount() const override { return pageCount_; }
  void Read(std::uint32_t page, std::span<std::uint8_t> out) const override {
    ReadChecked(page, out);
  }
  std::string ReadChecked(std::uint32_t page, std::span<std::uint8_t> out) const override;
  const TablespaceGeometry& Geometry() const override { return geometry_; }

 private:
  const DataFile& file_;
  TablespaceGeometry geometry_;
  std::uint64_t pageCount_;
};

// Pages of a tablespace image held in memory (tests and fuzzing).
class MemoryPageSource : public PageSource {
 public:
  explicit MemoryPageSource(ByteView bytes, const TablespaceGeometry& geometry = {})
      : bytes_(bytes), geometry_(geometry) {}
  std::uint64_t PageCount() const override { return PageCountOf(bytes_.size(), geometry_); }
  void Read(std::uint32_t page, std::span<std::uint8_t> out) const override {
    ReadChecked(page, out);
  }
  std::string ReadChecked(std::uint32_t page, std::span<std::uint8_t> out) const override;
  const TablespaceGeometry& Geometry() const override { return geometry_; }

 private:
  ByteView bytes_;
  TablespaceGeometry geometry_;
};

// The geometry of the tablespace in `file` (DetectGeometry; `note` says
// where page 0 could not tell it).
TablespaceGeometry GeometryOfFile(const DataFile& file, std::string* note);
// The same for an image in memory.
TablespaceGeometry GeometryOfBytes(ByteView bytes, std::string* note);

// A page-sized buffer that the walks reuse from page to page.
using PageBuffer = std::vector<std::uint8_t>;
inline PageBuffer NewPageBuffer(const PageSource& source) {
  return PageBuffer(source.PageSize(), 0);
}

}  // namespace rowmender
