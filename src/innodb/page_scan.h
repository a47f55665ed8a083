// Finding a clustered index's leaf pages without trusting its tree: every
// page of the tablespace is classified by its headers, and the leaf pages
// of the index are put in order by their own neighbour links.
//
// The tree's root and internal pages, and the leaf chain between two leaf
// pages, are each a single point of failure for a walk from the root: one
// zeroed page loses every row behind it. The scan reads the 94 bytes of
// headers of every page instead (sequentially, a whole-file read at most),
// keeps the index pages of level 0 with the index's id, leaves out pages
// in extents the tablespace marks free (old copies of moved records), and
// orders the rest: the chain from the first leaf, in key order, then each
// stretch of chain the first does not reach.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "innodb/page.h"
#include "values/read_report.h"

namespace rowmender {

// Which pages of a tablespace are in use, as the extent descriptors (on
// page 0 and every Nth page, N the page size in bytes) say. Pages whose descriptor page cannot
// be trusted count as in use.
class ExtentMap {
 public:
  static ExtentMap Read(const PageSource& source);

  // False when the descriptor of `page` marks it free or it lies beyond
  // the tablespace's initialised part.
  bool InUse(std::uint32_t page) const;

 private:
  // One bit per page: free.
  std::vector<bool> free_;
};

// The headers of one leaf page, as the scan keeps them.
struct LeafPageEntry {
  std::uint32_t page = 0;
  std::uint32_t previousPage = kNoPage;
  std::uint32_t nextPage = kNoPage;
};

// The leaf pages of index `indexId` in `source`, in page order, found by
// the headers of every page. Pages whose header names another page number
// or another tablespace are copies, not leaves of the index.
std::vector<LeafPageEntry> FindLeafPages(const PageSource& source, std::uint64_t indexId);

// The leaf pages of one index id: how many, and the first few of them.
struct LeafPageTally {
  static constexpr std::size_t kSamples = 8;
  std::uint64_t count = 0;
  std::vector<std::uint32_t> samples;
};

// The leaf pages of every index id of `source`.
std::unordered_map<std::uint64_t, LeafPageTally> TallyLeafPages(const PageSource& source);

// The leaf pages of one index in reading order.
struct LeafPageOrder {
  std::vector<std::uint32_t> pages;
  // Of `pages`, those the chain from the first leaf reaches.
  std::uint64_t chainPages = 0;
  // Leaf pages of the index left out because their extent is free.
  std::uint64_t freePagesLeftOut = 0;
};

// Orders `leaves` (FindLeafPages) by their links: the chain from
// `firstLeaf` (kNoPage: from the leaf with no previous page, else the
// lowest page that none of the others points to), then each further
// stretch of chain, starting from the lowest page, each page once. A page
// the links name that is not a leaf page of the index (zeroed, overwritten,
// beyond the file) is counted in `report` as skipped, once, with a note;
// so is a loop.
LeafPageOrder OrderLeafPages(const std::vector<LeafPageEntry>& leaves, const ExtentMap& extents,
                             std::uint32_t firstLeaf, ReadReport& report);

}  // namespace rowmender
