#include "innodb/table_scan.h"

#include <unordered_set>

#include "innodb/dictionary.h"
#include "innodb/records.h"

namespace rowmender {

namespace {

constexpr std::uint32_t kLinkModulus = 0x10000;
constexpr std::uint32_t kForwardLinkLimit = kInnoPageSize;
constexpr std::uint32_t kBackwardLinkMask = 0x3FFF;

}  // namespace

RecordWindowReader::RecordWindowReader(const PageSource& source, WalkForm form,
                                       const std::vector<InnoColumn>& recordColumns,
                                       std::size_t columnCount, const InnoValueContext& context)
    : source_(source),
      form_(form),
      recordColumns_(recordColumns),
      columnCount_(columnCount),
      context_(context),
      nullBitmapSize_(NullBitmapSize(recordColumns)),
      buffer_(NewPageBuffer()) {}

RecordWindow RecordWindowReader::Read(std::uint32_t startPage, std::uint16_t startOffset,
                                      bool& resumeFromOffset, std::vector<DecodedRow>& rows,
                                      std::size_t limit) {
  RecordWindow window;
  if (startPage == kNoPage || rows.size() >= limit) return window;
  std::unordered_set<std::uint32_t> seen;
  std::uint32_t page = startPage;
  while (source_.Holds(page)) {
    if (form_ == WalkForm::kSystemTablespace && page == 0) break;
    if (!seen.insert(page).second) break;  // the chain came round to a page of this window
    source_.Read(page, buffer_);
    ++window.pagesRead;
    const IndexPage index(buffer_);
    const FilHeader fil = index.Fil();
    if (fil.IsIndexPage()) {
      const std::uint32_t resumeAt = resumeFromOffset ? startOffset : 0;
      bool filled = false;
      switch (index.Format()) {
        case RecordFormat::kCompact:
          filled = WalkCompactPage(page, resumeAt != 0 ? resumeAt : index.FirstCompactRecord(),
                                   rows, limit, window);
          break;
        case RecordFormat::kRedundant:
          filled = WalkRedundantPage(page, resumeAt != 0 ? resumeAt : index.FirstRedundantRecord(),
                                     rows, limit, window);
          break;
        case RecordFormat::kNone:
          break;
      }
      if (filled) {
        window.moreRows = true;
        return window;
      }
    }
    resumeFromOffset = false;
    const std::uint32_t next = fil.nextPage;
    if (next == kNoPage) break;
    if (form_ == WalkForm::kOwnTablespace && next == fil.previousPage) break;
    page = next;
  }
  return window;
}

bool RecordWindowReader::WalkCompactPage(std::uint32_t page, std::uint32_t first,
                                         std::vector<DecodedRow>& rows, std::size_t limit,
                                         RecordWindow& window) {
  const IndexPage index(buffer_);
  if (first >= kLastRecordStart || index.IsSupremumAt(first)) return false;
  std::uint32_t origin = first;
  bool backward = false;
  for (int count = 0;; ++count) {
    if (origin <= kLowestUserRecordOrigin || count >= kMaxRecordsPerPage + 1) return false;
    const CompactRecordHeader header = CompactRecordHeader::DecodeFrom(buffer_, origin);
    const std::uint32_t link = header.nextLink;
    std::uint32_t next = 0;
    std::uint32_t end = 0;
    if (link <= kForwardLinkLimit) {
      next = (origin + link) % kLinkModulus;
      end = (backward && form_ == WalkForm::kOwnTablespace)
                ? static_cast<std::uint32_t>(kInnoPageSize)
                : next;
    } else {
      // A link back to a lower offset (taken modulo 65536).
      backward = true;
      const std::uint32_t target = origin + (link & kBackwardLinkMask);
      next = target > kInnoPageSize ? target - static_cast<std::uint32_t>(kInnoPageSize) : target;
      end = static_cast<std::uint32_t>(kInnoPageSize);
    }
    const std::size_t span = (end - origin) % kLinkModulus;

    // The metadata record of a table altered in place describes columns;
    // it is not a row.
    const bool metadata = header.MinimumRecord() && index.Level() == 0;
    if (!metadata) {
      CompactFieldExtents(buffer_, origin, span, recordColumns_, nullBitmapSize_, extents_);
      rows.push_back(MakeRow(header.Deleted()));
      if (rows.size() >= limit) {
        window.next = PageStart{page, next};
        return true;
      }
    }
    if (next >= kInnoPageSize) return false;
    origin = next;
  }
}

bool RecordWindowReader::WalkRedundantPage(std::uint32_t page, std::uint32_t first,
                                           std::vector<DecodedRow>& rows, std::size_t limit,
                                           RecordWindow& window) {
  const IndexPage index(buffer_);
  std::uint32_t origin = first;
  for (int count = 0; count <= kMaxRecordsPerPage; ++count) {
    if (origin <= kRedundantSupremumOrigin || origin >= kLastRecordStart ||
        index.IsSupremumAt(origin)) {
      return false;
    }
    const RedundantRecordHeader header = RedundantRecordHeader::DecodeFrom(buffer_, origin);
    const std::uint32_t next = header.nextRecord;
    if (!(header.MinimumRecord() && index.Level() == 0)) {
      RedundantFieldExtents(buffer_, origin, extents_);
      if (extents_.size() < recordColumns_.size()) {
        FieldExtent absent;
        absent.missing = true;
        extents_.resize(recordColumns_.size(), absent);
      }
      rows.push_back(MakeRow(header.Deleted()));
      if (rows.size() >= limit) {
        window.next = PageStart{page, next};
        return true;
      }
    }
    origin = next;
  }
  return false;
}

DecodedRow RecordWindowReader::MakeRow(bool deleted) const {
  DecodedRow row;
  row.deleted = deleted;
  row.values.resize(columnCount_);
  for (std::size_t i = 0; i < recordColumns_.size() && i < extents_.size(); ++i) {
    const InnoColumn& field = recordColumns_[i];
    if (field.role != InnoFieldRole::kValue) continue;
    const auto slot = static_cast<std::size_t>(field.column.ordinal);
    if (field.column.ordinal < 0 || slot >= columnCount_) continue;
    const FieldExtent& extent = extents_[i];
    if (extent.missing) {
      row.values[slot].clear();
    } else if (extent.isNull) {
      row.values[slot] = std::string(kNullText);
    } else {
      row.values[slot] = DecodeInnoValue(field, extent.BytesIn(buffer_), extent.external, context_);
    }
  }
  return row;
}

}  // namespace rowmender
