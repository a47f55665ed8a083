#include "aria/page_file.h"

#include <zlib.h>

#include <algorithm>

#include "aria/aria_format.h"

namespace rowmender {

namespace aria {

namespace {

constexpr std::uint8_t kPageTypeMask = 7;
// A page without a checksum keeps a mark instead: 0xFFFFFFFF on data
// pages, this one on bitmap pages. A checksum that would hit either is
// stored as one below this.
constexpr std::uint32_t kNoBitmapChecksum = 0xFFFFFFFE;

}  // namespace

PageType TypeOfPage(ByteView page) {
  const std::uint8_t type = ByteAt(page, kPageTypeOffset) & kPageTypeMask;
  return type <= static_cast<std::uint8_t>(PageType::kBlob) ? static_cast<PageType>(type)
                                                            : PageType::kUnknown;
}

PageChecksum CheckPageChecksum(ByteView page, std::uint64_t number) {
  if (page.size() < kPageSuffixSize) return PageChecksum::kMismatch;
  const std::size_t length = page.size() - kPageSuffixSize;
  const std::uint32_t stored = Le32(page, length);
  if (stored >= kNoBitmapChecksum) return PageChecksum::kNone;
  std::uint32_t computed = static_cast<std::uint32_t>(
      crc32(static_cast<uLong>(number & 0xFFFFFFFFu), page.data(), static_cast<uInt>(length)));
  if (computed >= kNoBitmapChecksum) computed = kNoBitmapChecksum - 1;
  return computed == stored ? PageChecksum::kValid : PageChecksum::kMismatch;
}

std::size_t DirectoryCount(ByteView page) {
  return ByteAt(page, kDirectoryCountOffset);
}

std::size_t DirectoryStart(std::size_t pageSize, std::size_t count) {
  const std::size_t used = kPageSuffixSize + count * kDirectoryEntrySize;
  return pageSize > used ? pageSize - used : 0;
}

DirectoryEntry EntryAt(ByteView page, std::size_t index) {
  DirectoryEntry entry;
  const std::size_t fromEnd = kPageSuffixSize + (index + 1) * kDirectoryEntrySize;
  if (fromEnd > page.size()) return entry;
  const std::size_t at = page.size() - fromEnd;
  entry.offset = Le16(page, at);
  entry.length = Le16(page, at + 2);
  return entry;
}

bool RowOfEntry(ByteView page, std::size_t index, ByteView& row) {
  const std::size_t count = DirectoryCount(page);
  if (index >= count) return false;
  const DirectoryEntry entry = EntryAt(page, index);
  const std::size_t end = DirectoryStart(page.size(), count);
  if (entry.offset < kPageHeaderSize || entry.offset > end || entry.length > end - entry.offset) {
    return false;
  }
  row = page.subspan(entry.offset, entry.length);
  return true;
}

}  // namespace aria

namespace {

// Each bitmap page maps the pages after it with 16 pages per 6 bytes,
// in as many 6-byte groups as fit before its checksum.
constexpr std::uint32_t kBitmapGroupBytes = 6;
constexpr std::uint32_t kPagesPerGroup = 16;
constexpr std::uint32_t kBitsPerPage = 3;
constexpr std::uint32_t kBlockSizes[] = {8192, 16384, 32768, 4096, 2048, 1024};
constexpr std::uint32_t kNoBitmapChecksum = 0xFFFFFFFE;

}  // namespace

AriaPageFile::AriaPageFile(const ByteSource& source, std::uint32_t blockSize)
    : source_(source),
      blockSize_(std::max<std::uint32_t>(blockSize, aria::kPageHeaderSize + aria::kPageSuffixSize)),
      bitmapSpan_(std::uint64_t{(blockSize_ - aria::kPageSuffixSize) / kBitmapGroupBytes} *
                      kPagesPerGroup +
                  1) {
  const std::uint64_t size = source_.Size();
  pageCount_ = size / blockSize_;
  if (size % blockSize_ != 0) {
    ++pageCount_;
    cutShort_ = true;
  }
}

bool AriaPageFile::ReadPage(std::uint64_t number, std::vector<std::uint8_t>& out) const {
  out.resize(blockSize_);
  if (number >= pageCount_) {
    std::fill(out.begin(), out.end(), std::uint8_t{0});
    return false;
  }
  source_.ReadAt(number * blockSize_, out);
  return true;
}

std::uint8_t AriaPageFile::BitmapPattern(std::uint64_t number) {
  if (IsBitmapPage(number)) return aria::kEmptyPagePattern;
  const std::uint64_t bitmap = number - number % bitmapSpan_;
  if (bitmap != bitmapNumber_) {
    if (!ReadPage(bitmap, bitmap_)) return aria::kEmptyPagePattern;
    bitmapNumber_ = bitmap;
  }
  const std::uint64_t index = number - bitmap - 1;
  const std::size_t group = static_cast<std::size_t>(index / kPagesPerGroup) * kBitmapGroupBytes;
  const std::uint64_t bits = LittleEndian(bitmap_, group, kBitmapGroupBytes);
  return static_cast<std::uint8_t>((bits >> ((index % kPagesPerGroup) * kBitsPerPage)) & 7u);
}

std::uint32_t ShortestStoredRow(const AriaPageFile& file, std::uint64_t pages) {
  std::uint32_t shortest = 0;
  std::vector<std::uint8_t> page;
  for (std::uint64_t number = 1; number < file.PageCount() && number <= pages; ++number) {
    if (file.IsBitmapPage(number) || !file.ReadPage(number, page) ||
        aria::TypeOfPage(page) != aria::PageType::kHead) {
      continue;
    }
    for (std::size_t i = 0; i < aria::DirectoryCount(page); ++i) {
      ByteView row;
      if (!aria::RowOfEntry(page, i, row) || aria::EntryAt(page, i).offset == 0) continue;
      const auto length = static_cast<std::uint32_t>(row.size());
      if (length > 0 && (shortest == 0 || length < shortest)) shortest = length;
    }
  }
  return shortest;
}

std::uint32_t GuessBlockSize(const ByteSource& source) {
  std::vector<std::uint8_t> page;
  for (const std::uint32_t size : kBlockSizes) {
    if (source.Size() < size || source.Size() % size != 0) continue;
    page.assign(size, 0);
    source.ReadAt(0, page);
    if (aria::CheckPageChecksum(page, 0) == aria::PageChecksum::kValid ||
        Le32(page, size - aria::kPageSuffixSize) == kNoBitmapChecksum) {
      return size;
    }
  }
  return kAriaDefaultBlockSize;
}

}  // namespace rowmender
