#include "innodb/lob_pages.h"

#include <algorithm>
#include <set>
#include <utility>

namespace rowmender {

namespace {

// The first page: after the FIL header a version, flags, the LOB version,
// the last transaction and undo number, the length of the data on this
// page, the creating transaction, then the base nodes of the index list and
// of the free list, then the index entries, then the data.
constexpr std::size_t kFirstDataLengthOffset = 54;
constexpr std::size_t kIndexListOffset = 64;
constexpr std::size_t kFirstEntriesOffset = 96;
constexpr std::size_t kEntriesOnFirstPage = 10;
// A list base node: its length, then the addresses (page, offset) of its
// first and last node.
constexpr std::size_t kBaseFirstOffset = 4;
// An index entry: the previous and next entry, the base node of older
// versions, transaction ids and undo numbers, then the page of its part,
// the part's length and the LOB version.
constexpr std::size_t kEntrySize = 60;
constexpr std::size_t kEntryNextOffset = 6;
constexpr std::size_t kEntryPageOffset = 48;
constexpr std::size_t kEntryLengthOffset = 52;
constexpr std::size_t kFirstDataOffset = kFirstEntriesOffset + kEntriesOnFirstPage * kEntrySize;
// A data page: version, the length of its data, the transaction; then data.
constexpr std::size_t kDataPageDataOffset = 49;
// A file address: page number and byte offset.
constexpr std::uint16_t kNoOffset = 0;
// The page trailer.
constexpr std::size_t kTrailerSize = 8;

struct FileAddress {
  std::uint32_t page = kNoPage;
  std::uint16_t offset = kNoOffset;

  static FileAddress DecodeFrom(ByteView bytes, std::size_t at) {
    return FileAddress{Be32(bytes, at), Be16(bytes, at + 4)};
  }
  bool IsNull() const { return page == kNoPage; }
  auto Key() const { return std::pair(page, offset); }
};

}  // namespace

std::uint64_t ReadLobValue(const PageSource& source, std::uint32_t firstPage, std::uint64_t limit,
                           const std::function<void(ByteView)>& sink) {
  if (!source.Holds(firstPage)) return 0;
  PageBuffer first = NewPageBuffer(source);
  source.Read(firstPage, first);
  if (FilHeader::DecodeFrom(first).pageType != kLobFirstPageType) return 0;

  PageBuffer entryPage = NewPageBuffer(source);
  PageBuffer dataPage = NewPageBuffer(source);
  const std::size_t pageSize = source.PageSize();
  std::uint32_t entryPageNumber = kNoPage;
  std::uint64_t written = 0;
  std::set<std::pair<std::uint32_t, std::uint16_t>> seen;
  const auto hand = [&](ByteView data) {
    const auto room =
        static_cast<std::size_t>(std::min<std::uint64_t>(data.size(), limit - written));
    if (room == 0) return;
    sink(data.first(room));
    written += room;
  };

  FileAddress entry = FileAddress::DecodeFrom(first, kIndexListOffset + kBaseFirstOffset);
  while (!entry.IsNull() && written < limit) {
    if (!seen.insert(entry.Key()).second || entry.offset + kEntrySize > pageSize) break;
    // The entry's page: the first page, or an index page.
    ByteView entries = first;
    if (entry.page != firstPage) {
      if (entry.page != entryPageNumber) {
        if (!source.Holds(entry.page)) break;
        source.Read(entry.page, entryPage);
        if (FilHeader::DecodeFrom(entryPage).pageType != kLobIndexPageType) break;
        entryPageNumber = entry.page;
      }
      entries = entryPage;
    }
    const std::uint32_t partPage = Be32(entries, entry.offset + kEntryPageOffset);
    const std::uint32_t partLength = Be32(entries, entry.offset + kEntryLengthOffset);
    if (partPage == firstPage) {
      const std::size_t length =
          std::min<std::size_t>({partLength, Be32(first, kFirstDataLengthOffset),
                                 pageSize - kTrailerSize - kFirstDataOffset});
      hand(SubView(first, kFirstDataOffset, length));
    } else {
      if (!source.Holds(partPage)) break;
      source.Read(partPage, dataPage);
      if (FilHeader::DecodeFrom(dataPage).pageType != kLobDataPageType) break;
      const std::size_t length =
          std::min<std::size_t>(partLength, pageSize - kTrailerSize - kDataPageDataOffset);
      hand(SubView(dataPage, kDataPageDataOffset, length));
    }
    entry = FileAddress::DecodeFrom(entries, entry.offset + kEntryNextOffset);
  }
  return written;
}

}  // namespace rowmender
