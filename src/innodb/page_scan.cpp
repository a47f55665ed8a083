#include "innodb/page_scan.h"

#include <algorithm>
#include <array>
#include <string>
#include <unordered_set>

#include "innodb/page_checksum.h"

namespace rowmender {

namespace {

// The space header on page 0: the first page not yet initialised.
constexpr std::size_t kSpaceHeaderOffset = FilHeader::kSize;
constexpr std::size_t kFreeLimitOffset = kSpaceHeaderOffset + 12;
constexpr std::size_t kSpaceHeaderSize = 112;
// Extent descriptors: one for each extent, the descriptor page's own among
// them (an extent is 1 MiB of pages up to 16 KiB pages, 64 pages above).
constexpr std::size_t kDescriptorsOffset = kSpaceHeaderOffset + kSpaceHeaderSize;
constexpr std::size_t kDescriptorStateOffset = 20;
constexpr std::size_t kDescriptorBitmapOffset = 24;
// Descriptor states: the whole extent free, or pages of it used one by one
// (fragment extents) or by a segment.
constexpr std::uint32_t kExtentFree = 1;
constexpr std::uint32_t kExtentFreeFragment = 2;
constexpr std::uint32_t kExtentFullFragment = 3;
constexpr std::uint32_t kExtentOfSegment = 4;
constexpr unsigned kBitsPerPage = 2;
constexpr std::uint16_t kDescriptorPageType = 9;
constexpr std::uint16_t kSpaceHeaderPageType = 8;

// The bytes of the headers the scan needs: FIL header and index header up
// to the index id.
constexpr std::size_t kScanHeaderBytes = IndexPageHeader::kOffset + 36;

// The space id page 0 names, or kNoPage when page 0 cannot be trusted.
std::uint32_t SpaceIdOf(const PageSource& source) {
  PageBuffer page = NewPageBuffer(source);
  source.Read(0, page);
  const PageCheck check = CheckPage(page);
  if (check == PageCheck::kFailed || check == PageCheck::kAllZero) return kNoPage;
  return FilHeader::DecodeFrom(page).spaceId;
}

// A page stands where it belongs: its header names its own page number and
// the tablespace's space id. Copies of other pages (the doublewrite buffer
// of the system tablespace holds some) do not.
bool StandsInPlace(const FilHeader& fil, std::uint64_t page, std::uint32_t spaceId) {
  return fil.pageNumber == page && (spaceId == kNoPage || fil.spaceId == spaceId);
}

bool IsLinkToPage(std::uint32_t link) {
  // Page 0 holds the space header, never a leaf: a link to it is no link.
  return link != kNoPage && link != 0;
}

}  // namespace

ExtentMap ExtentMap::Read(const PageSource& source) {
  ExtentMap map;
  const std::uint64_t pageCount = source.PageCount();
  map.free_.assign(static_cast<std::size_t>(pageCount), false);
  PageBuffer page = NewPageBuffer(source);
  std::uint64_t freeLimit = pageCount;
  const TablespaceGeometry& geometry = source.Geometry();
  const std::uint32_t pagesPerDescriptorPage = geometry.PagesPerDescriptorPage();
  const std::uint32_t pagesPerExtent = geometry.ExtentPages();
  const std::uint32_t descriptorSize = geometry.DescriptorSize();
  for (std::uint64_t first = 0; first < pageCount; first += pagesPerDescriptorPage) {
    source.Read(static_cast<std::uint32_t>(first), page);
    const FilHeader fil = FilHeader::DecodeFrom(page);
    const std::uint16_t expected = first == 0 ? kSpaceHeaderPageType : kDescriptorPageType;
    // A descriptor page that is damaged tells nothing: its pages count as used.
    const PageCheck check = CheckPage(page);
    if (fil.pageType != expected || check == PageCheck::kFailed || check == PageCheck::kAllZero)
      continue;
    if (first == 0) freeLimit = std::min<std::uint64_t>(Be32(page, kFreeLimitOffset), pageCount);
    for (std::uint32_t extent = 0; extent < pagesPerDescriptorPage / pagesPerExtent; ++extent) {
      const std::size_t at = kDescriptorsOffset + std::size_t{extent} * descriptorSize;
      const std::uint32_t state = Be32(page, at + kDescriptorStateOffset);
      const std::uint64_t base = first + std::uint64_t{extent} * pagesPerExtent;
      for (std::uint32_t i = 0; i < pagesPerExtent && base + i < pageCount; ++i) {
        bool isFree = false;
        if (state == kExtentFree) {
          isFree = true;
        } else if (state == kExtentFreeFragment || state == kExtentFullFragment ||
                   state == kExtentOfSegment) {
          const unsigned bit = i * kBitsPerPage;
          isFree = ((ByteAt(page, at + kDescriptorBitmapOffset + bit / 8) >> (bit % 8)) & 1) != 0;
        }
        map.free_[static_cast<std::size_t>(base + i)] = isFree;
      }
    }
  }
  for (std::uint64_t later = freeLimit; later < pageCount; ++later)
    map.free_[static_cast<std::size_t>(later)] = true;
  return map;
}

bool ExtentMap::InUse(std::uint32_t page) const {
  return page >= free_.size() || !free_[page];
}

namespace {

// Calls `visit(page, fil, index)` for every leaf page of an index that
// stands in its place, by its headers alone.
template <typename Visit>
void ForEachLeafPage(const PageSource& source, Visit visit) {
  std::array<std::uint8_t, kScanHeaderBytes> header{};
  const std::uint64_t pageCount = source.PageCount();
  const std::uint32_t spaceId = SpaceIdOf(source);
  for (std::uint64_t page = 0; page < pageCount; ++page) {
    source.Read(static_cast<std::uint32_t>(page), header);
    const FilHeader fil = FilHeader::DecodeFrom(header);
    if (!fil.IsIndexPage() || !StandsInPlace(fil, page, spaceId)) continue;
    const IndexPageHeader index = IndexPageHeader::DecodeFrom(header);
    if (index.level == 0) visit(static_cast<std::uint32_t>(page), fil, index);
  }
}

}  // namespace

std::vector<LeafPageEntry> FindLeafPages(const PageSource& source, std::uint64_t indexId) {
  std::vector<LeafPageEntry> leaves;
  ForEachLeafPage(source,
                  [&](std::uint32_t page, const FilHeader& fil, const IndexPageHeader& index) {
                    if (index.indexId == indexId)
                      leaves.push_back({page, fil.previousPage, fil.nextPage});
                  });
  return leaves;
}

std::unordered_map<std::uint64_t, LeafPageTally> TallyLeafPages(const PageSource& source) {
  std::unordered_map<std::uint64_t, LeafPageTally> counts;
  ForEachLeafPage(source, [&](std::uint32_t page, const FilHeader&, const IndexPageHeader& index) {
    LeafPageTally& tally = counts[index.indexId];
    ++tally.count;
    if (tally.samples.size() < LeafPageTally::kSamples) tally.samples.push_back(page);
  });
  return counts;
}

LeafPageOrder OrderLeafPages(const std::vector<LeafPageEntry>& leaves, const ExtentMap& extents,
                             std::uint32_t firstLeaf, ReadReport& report) {
  // The pages in use, and those in free extents that a page in use links
  // to (the extent descriptors then are the ones in doubt).
  std::unordered_set<std::uint32_t> linked;
  for (const LeafPageEntry& leaf : leaves) {
    if (!extents.InUse(leaf.page)) continue;
    linked.insert(leaf.previousPage);
    linked.insert(leaf.nextPage);
  }
  LeafPageOrder order;
  std::vector<const LeafPageEntry*> kept;
  std::unordered_map<std::uint32_t, const LeafPageEntry*> keptByPage;
  for (const LeafPageEntry& leaf : leaves) {
    if (!extents.InUse(leaf.page) && !linked.contains(leaf.page)) {
      ++order.freePagesLeftOut;
      continue;
    }
    kept.push_back(&leaf);
    keptByPage.emplace(leaf.page, &leaf);
  }

  // Pages the links name that are not leaf pages of the index: lost.
  std::vector<std::uint32_t> missing;
  {
    std::unordered_set<std::uint32_t> named;
    for (const LeafPageEntry* leaf : kept) {
      for (const std::uint32_t link : {leaf->previousPage, leaf->nextPage}) {
        if (IsLinkToPage(link) && !keptByPage.contains(link) && named.insert(link).second)
          missing.push_back(link);
      }
    }
    std::sort(missing.begin(), missing.end());
  }
  for (const std::uint32_t page : missing) {
    ++report.pagesSkipped;
    report.Note("leaf page " + std::to_string(page) +
                ", which its neighbours name, is not a leaf page of the table (zeroed, "
                "overwritten or beyond the file): its records are lost");
  }

  // Each page read is marked with the stretch it was read in.
  std::unordered_map<std::uint32_t, std::size_t> stretchOf;
  std::size_t stretches = 0;
  const auto walk = [&](std::uint32_t start) {
    const std::size_t stretch = ++stretches;
    std::uint32_t page = start;
    while (true) {
      stretchOf.emplace(page, stretch);
      order.pages.push_back(page);
      const std::uint32_t next = keptByPage.at(page)->nextPage;
      if (!keptByPage.contains(next)) return;
      const auto seen = stretchOf.find(next);
      if (seen != stretchOf.end()) {
        // A link back into this stretch is a loop; into an earlier one, two
        // stretches that disagree about where they meet.
        if (seen->second == stretch) {
          ++report.loopsBroken;
          report.Note("the leaf chain comes back to page " + std::to_string(next) +
                      "; the stretch ends there");
        }
        return;
      }
      page = next;
    }
  };
  const auto visited = [&](std::uint32_t page) { return stretchOf.contains(page); };

  // The first stretch: from the given first leaf, else from a leaf that
  // has no previous page, else from the lowest page no leaf links to.
  std::uint32_t first = kNoPage;
  if (keptByPage.contains(firstLeaf)) {
    first = firstLeaf;
  } else {
    for (const LeafPageEntry* leaf : kept) {
      if (!IsLinkToPage(leaf->previousPage)) {
        first = leaf->page;
        break;
      }
    }
  }
  if (first != kNoPage) {
    walk(first);
    order.chainPages = order.pages.size();
  }
  // Then each stretch the first does not reach, from the page where it
  // starts: one whose previous page does not link forward to it.
  for (const LeafPageEntry* leaf : kept) {
    if (visited(leaf->page)) continue;
    const auto previous = keptByPage.find(leaf->previousPage);
    const bool startsStretch = previous == keptByPage.end() || visited(leaf->previousPage) ||
                               previous->second->nextPage != leaf->page;
    if (startsStretch) walk(leaf->page);
  }
  // What is left are circles of pages: each read from its lowest page.
  for (const LeafPageEntry* leaf : kept) {
    if (!visited(leaf->page)) walk(leaf->page);
  }
  const std::uint64_t unreached = order.pages.size() - order.chainPages;
  if (unreached > 0) {
    report.Note(std::to_string(unreached) +
                " leaf pages the chain from the first leaf does not reach were read after it");
  }
  return order;
}

}  // namespace rowmender
