// Records of a damaged index page found one by one, without the record
// list: every offset of the page's heap is tried as a record origin, and
// taken when the record header there is consistent with the table's fields
// (its flags, status and heap number, a next link that points into the
// heap, the null bitmap and field lengths, each field within its type's
// size and the whole record within the heap).
#pragma once

#include <cstdint>
#include <vector>

#include "base/bytes.h"
#include "innodb/inno_column.h"
#include "innodb/page.h"
#include "innodb/record_layout.h"

namespace rowmender {

// Where user records of a compact page may lie.
struct RecordHeap {
  // First byte after the fixed records, where the first header may start.
  std::uint32_t low = 0;
  // The heap top: no record reaches past it.
  std::uint32_t high = 0;
  // Records the heap holds, the fixed two included (0: not known).
  std::uint32_t records = 0;

  // From the page's header, with the page's own bounds where the header
  // is damaged.
  static RecordHeap OfPage(ByteView page, RecordFormat format);
};

// Where a record that fits lies: its header's first byte and the byte
// after its data.
struct RecordSpan {
  std::uint32_t origin = 0;
  std::uint32_t headerStart = 0;
  std::uint32_t dataEnd = 0;
};

// True when a compact leaf record of `fields` (the clustered index's fields
// in record order) fits at `origin`; `span` then says where it lies. The
// link to the next record is checked when `linkMustFit`; a record found
// right where the one before it ends needs no sound link (the damage that
// broke the list may be in that very link).
bool FitCompactRecord(ByteView page, std::uint32_t origin, const std::vector<InnoColumn>& fields,
                      std::size_t nullBitmapSize, const RecordHeap& heap, RecordSpan& span,
                      bool linkMustFit = true);

// The same for a record of a table whose records `layout` lays out: one
// that holds only some of its fields fits as far as its header says it
// holds them (`scratch` is work space).
bool FitCompactRecord(ByteView page, std::uint32_t origin, const RecordLayout& layout,
                      const RecordHeap& heap, RecordSpan& span, RecordShape& scratch,
                      bool linkMustFit = true);

// The same for a record of the redundant format, whose header counts its
// fields (as many as `fields`, or as many as `layout` allows) and ends each
// one.
bool FitRedundantRecord(ByteView page, std::uint32_t origin, const std::vector<InnoColumn>& fields,
                        const RecordHeap& heap, RecordSpan& span, bool linkMustFit = true);
bool FitRedundantRecord(ByteView page, std::uint32_t origin, const RecordLayout& layout,
                        const RecordHeap& heap, RecordSpan& span, RecordShape& scratch,
                        bool linkMustFit = true);

// True when the record list of a page runs from the infimum to the
// supremum through origins inside the heap, each once, and holds as many
// records as the page header counts.
bool RecordListSound(ByteView page, RecordFormat format);
inline bool CompactRecordListSound(ByteView page) {
  return RecordListSound(page, RecordFormat::kCompact);
}

// The records of a leaf page that fit `fields`, found by trying every
// origin, in page order and not overlapping. Records on the page's list of
// freed records (moved to another page, or purged) are left out.
std::vector<RecordSpan> SalvageRecords(ByteView page, RecordFormat format,
                                       const std::vector<InnoColumn>& fields,
                                       std::size_t nullBitmapSize);
std::vector<RecordSpan> SalvageRecords(ByteView page, RecordFormat format,
                                       const RecordLayout& layout);
inline std::vector<RecordSpan> SalvageCompactRecords(ByteView page,
                                                     const std::vector<InnoColumn>& fields,
                                                     std::size_t nullBitmapSize) {
  return SalvageRecords(page, RecordFormat::kCompact, fields, nullBitmapSize);
}

}  // namespace rowmender
