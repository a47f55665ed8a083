#include "innodb/btree.h"

#include "innodb/record_columns.h"
#include "innodb/records.h"

namespace rowmender {

namespace {

constexpr std::size_t kChildPageBytes = 4;

}  // namespace

namespace {

std::uint32_t DescendToFirstLeaf(const PageSource& source, std::uint32_t root,
                                 const std::vector<InnoColumn>& recordColumns,
                                 std::size_t nullBitmapSize) {
  PageBuffer buffer = NewPageBuffer(source);
  std::uint32_t page = root;
  for (int depth = 0; depth < kMaxTreeDepth; ++depth) {
    if (!source.Holds(page)) return 0;
    source.Read(page, buffer);
    const IndexPage index(buffer);
    if (!index.IsIndexPage()) return 0;
    if (index.Level() == 0) return page;
    // A table of the redundant format: its node pointers say how long
    // each of their fields is.
    const RecordFormat format = index.Format();
    if (format == RecordFormat::kRedundant) return FindFirstLeafPageRedundant(source, page);
    if (format != RecordFormat::kCompact) return 0;
    const std::uint32_t first = index.FirstCompactRecord();
    if (first >= buffer.size() || first <= kCompactSupremumOrigin) return 0;
    if (index.IsSupremumAt(first)) return 0;  // an empty node-pointer page
    const std::uint32_t keyLength = ClusterKeyLength(buffer, first, recordColumns, nullBitmapSize);
    if (keyLength == 0) return 0;
    page = Be32(buffer, first + keyLength);
  }
  return 0;
}

}  // namespace

std::uint32_t FindFirstLeafPage(const PageSource& source, std::uint32_t root,
                                const std::vector<InnoColumn>& recordColumns) {
  return DescendToFirstLeaf(source, root, recordColumns, NullBitmapSize(recordColumns));
}

std::uint32_t FindFirstLeafPage(const PageSource& source, std::uint32_t root,
                                const RecordLayout& layout) {
  return DescendToFirstLeaf(source, root, layout.Fields(), layout.NodePointerNullBytes());
}

std::uint32_t FindFirstLeafPageRedundant(const PageSource& source, std::uint32_t root) {
  PageBuffer buffer = NewPageBuffer(source);
  std::vector<FieldExtent> fields;
  std::uint32_t page = root;
  for (int depth = 0; depth < kMaxTreeDepth; ++depth) {
    if (!source.Holds(page)) return 0;
    source.Read(page, buffer);
    const IndexPage index(buffer);
    if (!index.IsIndexPage()) return 0;
    if (index.Level() == 0) return page;
    if (index.Format() != RecordFormat::kRedundant) return 0;
    const std::uint32_t first = index.FirstRedundantRecord();
    if (first >= buffer.size() || first == 0) return 0;
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
