#include "innodb/page.h"

#include <algorithm>
#include <array>

#include "innodb/page_compression.h"

namespace rowmender {

// ---- PageCursor ----

std::uint8_t PageCursor::ByteAtChecked(std::ptrdiff_t at) {
  if (at < 0 || static_cast<std::size_t>(at) >= page_.size()) {
    overrun_ = true;
    return 0;
  }
  return page_[static_cast<std::size_t>(at)];
}

std::uint64_t PageCursor::ReadBigEndian(std::size_t width) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < width; ++i) {
    value = (value << 8) | ByteAtChecked(position_);
    ++position_;
  }
  return value;
}

std::uint8_t PageCursor::ReadByteBackward() {
  --position_;
  return ByteAtChecked(position_);
}

// ---- Headers ----

FilHeader FilHeader::DecodeFrom(ByteView page) {
  FilHeader header;
  header.checksum = Be32(page, kChecksumOffset);
  header.pageNumber = Be32(page, kPageNumberOffset);
  header.previousPage = Be32(page, kPreviousPageOffset);
  header.nextPage = Be32(page, kNextPageOffset);
  header.lsn = Be64(page, kLsnOffset);
  header.pageType = Be16(page, kPageTypeOffset);
  header.flushLsn = Be64(page, kFlushLsnOffset);
  header.spaceId = Be32(page, kSpaceIdOffset);
  return header;
}

IndexPageHeader IndexPageHeader::DecodeFrom(ByteView page) {
  PageCursor cursor(page, static_cast<std::ptrdiff_t>(kOffset));
  IndexPageHeader header;
  header.directorySlots = cursor.ReadBe16();
  header.heapTop = cursor.ReadBe16();
  header.heapRecords = cursor.ReadBe16();
  header.freeListStart = cursor.ReadBe16();
  header.garbageBytes = cursor.ReadBe16();
  header.lastInsert = cursor.ReadBe16();
  header.direction = cursor.ReadBe16();
  header.sameDirectionInserts = cursor.ReadBe16();
  header.userRecords = cursor.ReadBe16();
  header.maxTransactionId = cursor.ReadBe64();
  header.level = cursor.ReadBe16();
  header.indexId = cursor.ReadBe64();
  header.leafSegmentSpace = cursor.ReadBe32();
  header.leafSegmentPage = cursor.ReadBe32();
  header.leafSegmentOffset = cursor.ReadBe16();
  header.nonLeafSegmentSpace = cursor.ReadBe32();
  header.nonLeafSegmentPage = cursor.ReadBe32();
  header.nonLeafSegmentOffset = cursor.ReadBe16();
  return header;
}

PageHeaders PageHeaders::DecodeFrom(ByteView page) {
  PageHeaders headers;
  headers.fil = FilHeader::DecodeFrom(page);
  if (headers.fil.IsIndexPage()) headers.index = IndexPageHeader::DecodeFrom(page);
  return headers;
}

// ---- IndexPage ----

RecordFormat IndexPage::Format() const {
  if (HasCompactInfimum()) return RecordFormat::kCompact;
  if (HasRedundantInfimum()) return RecordFormat::kRedundant;
  if (Fil().pageType != kInstantIndexPageType) return RecordFormat::kNone;
  // The infimum's text is all zero, the supremum's too but for its last
  // byte (which MariaDB uses for the null bitmap size of older records).
  const bool compact =
      (Be16(page_, IndexPageHeader::kHeapCountOffset) & IndexPageHeader::kCompactHeapFlag) != 0;
  const std::size_t infimum = compact ? kCompactInfimumOrigin : kRedundantInfimumOrigin;
  const std::size_t supremum = compact ? kCompactSupremumOrigin : kRedundantSupremumOrigin;
  const auto zero = [this](std::size_t from, std::size_t count) {
    for (std::size_t i = from; i < from + count; ++i) {
      if (i >= page_.size() || page_[i] != 0) return false;
    }
    return true;
  };
  if (!zero(infimum, kInfimumText.size()) || !zero(supremum, kSupremumText.size() - 1))
    return RecordFormat::kNone;
  return compact ? RecordFormat::kCompact : RecordFormat::kRedundant;
}

std::uint32_t IndexPage::FirstCompactRecord() const {
  constexpr std::uint32_t kLinkModulus = 0x10000;
  return (static_cast<std::uint32_t>(kCompactInfimumOrigin) +
          Be16(page_, kCompactFirstLinkOffset)) %
         kLinkModulus;
}

std::uint32_t IndexPage::FirstRedundantRecord() const {
  return Be16(page_, kRedundantFirstLinkOffset);
}

// ---- BlobPage ----

BlobPart BlobPage::PartAt(std::size_t offset) const {
  BlobPart part;
  if (offset > page_.size() || page_.size() - offset < BlobPart::kHeaderSize) {
    part.cut = true;
    part.nextPage = kNoPage;
    return part;
  }
  part.length = Be32(page_, offset);
  part.nextPage = Be32(page_, offset + 4);
  const std::size_t dataStart = offset + BlobPart::kHeaderSize;
  const std::size_t room = page_.size() - dataStart;
  part.cut = part.length > room;
  part.data = page_.subspan(dataStart, std::min<std::size_t>(part.length, room));
  return part;
}

// ---- Page sources ----

namespace {

const TablespaceGeometry kDefaultGeometry{};
constexpr std::size_t kTypeEnd = FilHeader::kPageTypeOffset + 2;

// Reads page `page` through `read` (bytes at an offset, zero beyond the
// end), decompressing a page stored compressed.
std::string ReadPage(const TablespaceGeometry& geometry, const TablespaceBytes& read,
                     std::uint32_t page, std::span<std::uint8_t> out) {
  const std::uint64_t at = PageOffset(page, geometry);
  if (geometry.RowCompressed()) {
    // ROW_FORMAT=COMPRESSED pages are read as they are stored.
    std::fill(out.begin(), out.end(), std::uint8_t{0});
    read(at, out.first(std::min<std::size_t>(out.size(), geometry.physicalPageSize)));
    return {};
  }
  std::array<std::uint8_t, kTypeEnd> head{};
  if (out.size() >= kTypeEnd) {
    read(at, out);
  } else {
    read(at, head);
    std::copy_n(head.begin(), out.size(), out.begin());
  }
  const ByteView start = out.size() >= kTypeEnd ? ByteView(out) : ByteView(head);
  if (!IsStoredCompressed(start, geometry)) return {};
  std::vector<std::uint8_t> stored(geometry.pageSize, 0);
  read(at, stored);
  std::vector<std::uint8_t> whole(geometry.pageSize, 0);
  std::string problem = InflatePage(stored, geometry, whole);
  std::copy_n(whole.begin(), std::min(out.size(), whole.size()), out.begin());
  if (out.size() > whole.size())
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(whole.size()), out.end(), 0);
  if (!problem.empty()) problem = "page " + std::to_string(page) + " cannot be read: " + problem;
  return problem;
}

}  // namespace

const TablespaceGeometry& PageSource::Geometry() const {
  return kDefaultGeometry;
}

std::string FilePageSource::ReadChecked(std::uint32_t page, std::span<std::uint8_t> out) const {
  if (!file_.IsOpen()) {
    std::fill(out.begin(), out.end(), std::uint8_t{0});
    return {};
  }
  return ReadPage(
      geometry_,
      [this](std::uint64_t at, std::span<std::uint8_t> bytes) {
        file_.ReadAt(at, bytes);  // zero-fills what the file lacks
      },
      page, out);
}

namespace {

void ReadFromMemory(ByteView image, std::uint64_t at, std::span<std::uint8_t> out) {
  std::fill(out.begin(), out.end(), std::uint8_t{0});
  if (at >= image.size()) return;
  const ByteView bytes = SubView(image, static_cast<std::size_t>(at), out.size());
  std::copy(bytes.begin(), bytes.end(), out.begin());
}

}  // namespace

std::string MemoryPageSource::ReadChecked(std::uint32_t page, std::span<std::uint8_t> out) const {
  return ReadPage(
      geometry_,
      [this](std::uint64_t at, std::span<std::uint8_t> bytes) {
        ReadFromMemory(bytes_, at, bytes);
      },
      page, out);
}

TablespaceGeometry GeometryOfFile(const DataFile& file, std::string* note) {
  if (!file.IsOpen()) return TablespaceGeometry{};
  return DetectGeometry(
      file.Size(),
      [&file](std::uint64_t at, std::span<std::uint8_t> bytes) { file.ReadAt(at, bytes); }, note);
}

TablespaceGeometry GeometryOfBytes(ByteView bytes, std::string* note) {
  return DetectGeometry(
      bytes.size(),
      [bytes](std::uint64_t at, std::span<std::uint8_t> out) { ReadFromMemory(bytes, at, out); },
      note);
}

}  // namespace rowmender
