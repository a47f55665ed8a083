#include "innodb/btree.h"

#include "innodb/record_columns.h"
#include "innodb/records.h"

namespace rowmender {

namespace {

constexpr std::size_t kChildPageBytes = 4;

}  // namespace

std::uint32_t FindFirstLeafPage(const PageSource& source, std::uint32_t root,
                                const std::vector<InnoColumn>& recordColumns) {
  PageBuffer buffer = NewPageBuffer();
  std::uint32_t page = root;
  for (int depth = 0; depth < kMaxTreeDepth; ++depth) {
    if (!source.Holds(page)) return 0;
    source.Read(page, buffer);
    const IndexPage index(buffer);
    if (!index.IsIndexPage()) return 0;
    if (index.Level() == 0) return page;
    // A table of the redundant format: its node pointers say how long
    // each of their fields is.
    if (index.HasRedundantInfimum()) return FindFirstLeafPageRedundant(source, page);
    if (!index.HasCompactInfimum()) return 0;
    const std::uint32_t first = index.FirstCompactRecord();
    if (first >= kInnoPageSize) return 0;
    if (index.IsSupremumAt(first)) return 0;  // an empty node-pointer page
    const std::uint32_t keyLength = ClusterKeyLength(buffer, first, recordColumns);
    if (keyLength == 0) return 0;
    page = Be32(buffer, first + keyLength);
  }
  return 0;
}

std::uint32_t FindFirstLeafPageRedundant(const PageSource& source, std::uint32_t root) {
  PageBuffer buffer = NewPageBuffer();
  std::vector<FieldExtent> fields;
  std::uint32_t page = root;
  for (int depth = 0; depth < kMaxTreeDepth; ++depth) {
    if (!source.Holds(page)) return 0;
    source.Read(page, buffer);
    const IndexPage index(buffer);
    if (!index.IsIndexPage()) return 0;
    if (index.Level() == 0) return page;
    if (!index.HasRedundantInfimum()) return 0;
    const std::uint32_t first = index.FirstRedundantRecord();
    if (first >= kInnoPageSize || first == 0) return 0;
    if (index.IsSupremumAt(first)) return 0;
    RedundantFieldExtents(buffer, first, fields);
    if (fields.empty()) return 0;
    const FieldExtent& child = fields.back();
    if (child.missing || child.isNull || child.length != kChildPageBytes) return 0;
    page = Be32(buffer, child.start);
    if (page == 0) return 0;
  }
  return 0;
}

}  // namespace rowmender
