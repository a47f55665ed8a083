// Hand-made InnoDB pages for the tests of damage that a server never
// writes: index pages in the compact and redundant formats, BLOB pages, and
// tablespace images built from them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "innodb/page.h"

namespace rowmender::testing {

using Bytes = std::vector<std::uint8_t>;

inline void PutBe(Bytes& bytes, std::size_t offset, std::uint64_t value, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i) {
    bytes.at(offset + width - 1 - i) = static_cast<std::uint8_t>(value >> (8 * i));
  }
}

inline void PutText(Bytes& bytes, std::size_t offset, const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i)
    bytes.at(offset + i) = static_cast<std::uint8_t>(text[i]);
}

// A page with its FIL header filled in.
inline Bytes BlankPage(std::uint32_t number, std::uint16_t type, std::uint32_t previous = kNoPage,
                       std::uint32_t next = kNoPage) {
  Bytes page(kInnoPageSize, 0);
  PutBe(page, FilHeader::kPageNumberOffset, number, 4);
  PutBe(page, FilHeader::kPreviousPageOffset, previous, 4);
  PutBe(page, FilHeader::kNextPageOffset, next, 4);
  PutBe(page, FilHeader::kPageTypeOffset, type, 2);
  return page;
}

// An index page of compact records. Records are laid out one after the
// other from the end of the supremum; Finish links them in the order they
// were added (infimum first, supremum last).
class CompactPageBuilder {
 public:
  static constexpr std::size_t kFirstFree = 120;

  explicit CompactPageBuilder(std::uint32_t number, std::uint16_t level = 0,
                              std::uint32_t previous = kNoPage, std::uint32_t next = kNoPage)
      : page_(BlankPage(number, kIndexPageType, previous, next)) {
    PutBe(page_, IndexPageHeader::kLevelOffset, level, 2);
    PutText(page_, kCompactInfimumOrigin, std::string("infimum\0", 8));
    PutText(page_, kCompactSupremumOrigin, "supremum");
    page_[kCompactInfimumOrigin - 3] = 0x02;  // status: infimum
    page_[kCompactSupremumOrigin - 3] = 0x03;
  }

  // Adds a record; `below` are the bytes under its five header bytes, the
  // nearest first (null bitmap, then field lengths); `flags` go into the
  // high half of the byte at origin - 5 (0x20 = delete mark). Returns the
  // record's origin.
  std::size_t Add(const Bytes& below, const Bytes& data, std::uint8_t flags = 0) {
    const std::size_t origin = free_ + below.size() + 5;
    for (std::size_t i = 0; i < below.size(); ++i)
      page_.at(origin - 6 - i) = below[i];
    page_.at(origin - 5) = flags;
    // Heap numbers 0 and 1 are the infimum's and the supremum's.
    PutBe(page_, origin - 4, (origins_.size() + 2) << 3, 2);
    for (std::size_t i = 0; i < data.size(); ++i)
      page_.at(origin + i) = data[i];
    free_ = origin + data.size();
    origins_.push_back(origin);
    return origin;
  }

  // Links infimum -> records -> supremum with relative links.
  CompactPageBuilder& Finish() {
    std::size_t previous = kCompactInfimumOrigin;
    for (std::size_t origin : origins_) {
      Link(previous, origin);
      previous = origin;
    }
    Link(previous, kCompactSupremumOrigin);
    // The page header as the server keeps it: two directory slots, the
    // heap top, the records of the heap (with the compact flag) and of the list.
    const std::size_t records = origins_.size();
    PutBe(page_, IndexPageHeader::kOffset, 2, 2);
    PutBe(page_, IndexPageHeader::kOffset + 2, free_, 2);
    PutBe(page_, IndexPageHeader::kOffset + 4, 0x8000 | (records + 2), 2);
    PutBe(page_, IndexPageHeader::kOffset + 16, records, 2);
    return *this;
  }

  // Sets the raw link stored at `origin` - 2.
  void SetLink(std::size_t origin, std::uint16_t link) { PutBe(page_, origin - 2, link, 2); }
  void Link(std::size_t from, std::size_t to) {
    SetLink(from, static_cast<std::uint16_t>((to - from) & 0xFFFF));
  }

  Bytes& Page() { return page_; }
  const std::vector<std::size_t>& Origins() const { return origins_; }

 private:
  Bytes page_;
  std::size_t free_ = kFirstFree;
  std::vector<std::size_t> origins_;
};

// A tablespace image from pages in page-number order.
inline Bytes Tablespace(const std::vector<Bytes>& pages) {
  Bytes image;
  for (const auto& page : pages)
    image.insert(image.end(), page.begin(), page.end());
  return image;
}

// A BLOB page holding one part at `offset`.
inline Bytes BlobPageWith(std::uint32_t number, std::size_t offset, const Bytes& data,
                          std::uint32_t next, std::uint32_t storedLength) {
  Bytes page = BlankPage(number, kBlobPageType);
  PutBe(page, offset, storedLength, 4);
  PutBe(page, offset + 4, next, 4);
  for (std::size_t i = 0; i < data.size() && offset + 8 + i < page.size(); ++i)
    page[offset + 8 + i] = data[i];
  return page;
}

// The 20-byte reference to a chain of BLOB pages.
inline Bytes ExternalReferenceBytes(std::uint32_t space, std::uint32_t page, std::uint32_t offset,
                                    std::uint32_t length) {
  Bytes reference(20, 0);
  PutBe(reference, 0, space, 4);
  PutBe(reference, 4, page, 4);
  PutBe(reference, 8, offset, 4);
  PutBe(reference, 16, length, 4);
  return reference;
}

}  // namespace rowmender::testing
