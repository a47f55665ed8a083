#include "innodb/record_salvage.h"

#include <algorithm>
#include <bitset>

#include "innodb/dictionary.h"
#include "innodb/page.h"
#include "innodb/records.h"

namespace rowmender {

namespace {

constexpr std::uint32_t kLinkModulus = 0x10000;
// The page trailer, and the page directory's slots above it.
constexpr std::uint32_t kTrailerSize = 8;
constexpr std::uint32_t kSlotSize = 2;
constexpr std::uint32_t kFewestSlots = 2;
constexpr std::uint16_t kHeapCountMask = 0x7FFF;
// Flags an ordinary leaf record may carry: only the delete mark.
constexpr std::uint8_t kOtherRecordFlags = 0xF0 & ~kRecordDeleteMark;
// A directory slot owns at most this many records.
constexpr std::uint8_t kMostOwned = 8;
// Where the first user record's header may start: after "supremum" (in
// the redundant format, after its closing NUL too).
constexpr std::uint32_t kFirstCompactRecord = kCompactSupremumOrigin + kSupremumText.size();
constexpr std::uint32_t kFirstRedundantRecord = kRedundantSupremumOrigin + kSupremumText.size() + 1;
constexpr std::uint32_t kLowestHeapNumber = 2;
constexpr std::uint8_t kTwoByteLengthFlag = 0x80;
constexpr std::uint8_t kExternalLengthFlag = 0x40;
constexpr std::uint8_t kHighLengthMask = 0x3F;
// The reference to an externally stored value that ends its local part.
constexpr std::uint32_t kExternalReferenceSize = 20;

bool IsLongField(const InnoColumn& field) {
  return field.mtype == kMtypeBlob || field.mtype == kMtypeGeometry;
}

}  // namespace

RecordHeap RecordHeap::OfPage(ByteView page, RecordFormat format) {
  const std::uint32_t first =
      format == RecordFormat::kRedundant ? kFirstRedundantRecord : kFirstCompactRecord;
  const IndexPageHeader header = IndexPageHeader::DecodeFrom(page);
  const auto pageSize = static_cast<std::uint32_t>(page.size());
  const std::uint32_t slots =
      std::clamp<std::uint32_t>(header.directorySlots, kFewestSlots, pageSize / 4);
  const std::uint32_t directory = pageSize - kTrailerSize - slots * kSlotSize;
  RecordHeap heap;
  heap.low = first;
  heap.high = header.heapTop >= first && header.heapTop <= directory ? header.heapTop : directory;
  const std::uint32_t records = header.heapRecords & kHeapCountMask;
  heap.records = records >= kLowestHeapNumber && records <= pageSize / 4 ? records : 0;
  return heap;
}

namespace {

// The checks of a compact leaf record against the fields of its shape.
bool FitCompactShape(ByteView page, std::uint32_t origin, const std::vector<InnoColumn>& fields,
                     const RecordShape& shape, const RecordHeap& heap, std::uint8_t allowedMarks,
                     bool instantStatus, RecordSpan& span, bool linkMustFit,
                     const RecordLayout* layout, RecordShape* scratch) {
  if (origin < heap.low + CompactRecordHeader::kSize || origin >= heap.high) return false;
  const CompactRecordHeader header = CompactRecordHeader::DecodeFrom(page, origin);
  if ((header.flags & kOtherRecordFlags & ~allowedMarks) != 0 || header.ownedCount > kMostOwned)
    return false;
  const bool ordinary = header.status == static_cast<std::uint8_t>(RecordStatus::kOrdinary);
  const bool instant =
      instantStatus && header.status == static_cast<std::uint8_t>(RecordStatus::kInstant);
  if (!ordinary && !instant) return false;
  if (header.heapNumber < kLowestHeapNumber) return false;
  if (heap.records != 0 && header.heapNumber >= heap.records) return false;
  // The next record: the supremum, a record of the heap, or none (a link
  // of 0 ends the list of freed records).
  const std::uint32_t next = (origin + header.nextLink) % kLinkModulus;
  const bool nextFits = header.nextLink == 0 || next == kCompactSupremumOrigin ||
                        (next >= heap.low + CompactRecordHeader::kSize && next < heap.high);
  if (linkMustFit && !nextFits) return false;

  // A record of a table altered in place says which fields it holds.
  const RecordShape* held = &shape;
  if (layout != nullptr) {
    std::string why;
    if (!layout->CompactShape(page, origin, header, *scratch, why)) return false;
    held = scratch;
  }
  const std::size_t nullBitmapSize = held->nullBitmapSize;
  // The null bitmap and the lengths lie below the header, read downward.
  const std::size_t fixedBelow = CompactRecordHeader::kSize + held->headerExtra;
  if (origin < heap.low + fixedBelow + nullBitmapSize) return false;
  std::uint32_t below = origin - static_cast<std::uint32_t>(fixedBelow);
  const std::uint32_t nullsEnd = below;  // the bitmap's first byte is just below
  below -= static_cast<std::uint32_t>(nullBitmapSize);
  std::size_t nullable = 0;
  std::uint32_t data = origin;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (!held->Holds(i)) continue;
    const InnoColumn& field = fields[i];
    if (field.IsNullable() && nullBitmapSize > 0) {
      const std::size_t bit = nullable++;
      if (bit / 8 >= nullBitmapSize) return false;
      const std::uint8_t byte = ByteAt(page, nullsEnd - 1 - bit / 8);
      if (((byte >> (bit % 8)) & 1) != 0) continue;
    }
    std::uint32_t length = field.fixedLength;
    if (length == 0) {
      if (below <= heap.low) return false;
      const std::uint8_t first = ByteAt(page, --below);
      if (field.HasTwoByteLength() && (first & kTwoByteLengthFlag) != 0) {
        if (below <= heap.low) return false;
        const std::uint8_t second = ByteAt(page, --below);
        length = (static_cast<std::uint32_t>(first & kHighLengthMask) << 8) | second;
        const bool external = (first & kExternalLengthFlag) != 0;
        if (external && length < kExternalReferenceSize) return false;
        if (!external && !IsLongField(field) && field.len != 0 && length > field.len) return false;
      } else {
        length = first;
        if (!IsLongField(field) && field.len != 0 && length > field.len) return false;
      }
    }
    data += length;
    if (data > heap.high) return false;
  }
  // The bitmap's bits beyond the nullable fields are always clear.
  for (std::size_t bit = nullable; bit < nullBitmapSize * 8; ++bit) {
    if (((ByteAt(page, nullsEnd - 1 - bit / 8) >> (bit % 8)) & 1) != 0) return false;
  }
  span = RecordSpan{origin, below, data};
  return true;
}

bool FitRedundantShape(ByteView page, std::uint32_t origin, const std::vector<InnoColumn>& fields,
                       const RecordHeap& heap, std::uint8_t allowedMarks, RecordSpan& span,
                       bool linkMustFit, const RecordLayout* layout, RecordShape* scratch) {
  if (origin < heap.low + RedundantRecordHeader::kSize || origin >= heap.high) return false;
  const RedundantRecordHeader header = RedundantRecordHeader::DecodeFrom(page, origin);
  if ((header.flags & kOtherRecordFlags & ~allowedMarks) != 0 || header.ownedCount > kMostOwned)
    return false;
  if (header.heapNumber < kLowestHeapNumber) return false;
  if (heap.records != 0 && header.heapNumber >= heap.records) return false;
  if (fields.empty() || header.fieldCount == 0) return false;
  std::size_t headerExtra = 0;
  if (layout != nullptr) {
    std::string why;
    if (!layout->RedundantShape(page, origin, header, *scratch, why)) return false;
    headerExtra = scratch->headerExtra;
  } else if (header.fieldCount != fields.size()) {
    return false;
  }
  // Links are page offsets here; 0 ends the list of freed records.
  const std::uint32_t next = header.nextRecord;
  const bool nextFits = next == 0 || next == kRedundantSupremumOrigin ||
                        (next >= heap.low + RedundantRecordHeader::kSize && next < heap.high);
  if (linkMustFit && !nextFits) return false;
  const std::uint32_t entrySize = header.oneByteOffsets ? 1 : 2;
  const std::uint32_t headerBytes = static_cast<std::uint32_t>(RedundantRecordHeader::kSize) +
                                    static_cast<std::uint32_t>(headerExtra) +
                                    header.fieldCount * entrySize;
  if (origin < heap.low + headerBytes) return false;
  std::vector<FieldExtent> extents;
  RedundantFieldExtents(page, origin, extents, headerExtra);
  std::uint32_t end = origin;
  std::size_t stored = 0;
  for (std::size_t i = 0; i < fields.size() && stored < extents.size(); ++i) {
    if (layout != nullptr && !scratch->Holds(i)) continue;
    const FieldExtent& extent = extents[stored++];
    const InnoColumn& field = fields[i];
    if (extent.missing) return false;
    if (extent.external && extent.length < kExternalReferenceSize) return false;
    if (!extent.external && !extent.isNull && !IsLongField(field)) {
      const std::uint32_t most = std::max(field.len, field.fixedLength);
      if (most != 0 && extent.length > most) return false;
    }
    end = static_cast<std::uint32_t>(extent.start + extent.length);
  }
  if (stored != extents.size()) return false;
  if (end > heap.high) return false;
  span = RecordSpan{origin, origin - headerBytes, end};
  return true;
}

}  // namespace

bool FitCompactRecord(ByteView page, std::uint32_t origin, const std::vector<InnoColumn>& fields,
                      std::size_t nullBitmapSize, const RecordHeap& heap, RecordSpan& span,
                      bool linkMustFit) {
  RecordShape shape;
  shape.nullBitmapSize = nullBitmapSize;
  return FitCompactShape(page, origin, fields, shape, heap, 0, false, span, linkMustFit, nullptr,
                         nullptr);
}

bool FitCompactRecord(ByteView page, std::uint32_t origin, const RecordLayout& layout,
                      const RecordHeap& heap, RecordSpan& span, RecordShape& scratch,
                      bool linkMustFit) {
  if (layout.Kind() == LayoutKind::kPlain) {
    return FitCompactRecord(page, origin, layout.Fields(), NullBitmapSize(layout.Fields()), heap,
                            span, linkMustFit);
  }
  return FitCompactShape(page, origin, layout.Fields(), scratch, heap, layout.AllowedMarks(),
                         layout.AllowsInstantStatus(), span, linkMustFit, &layout, &scratch);
}

bool FitRedundantRecord(ByteView page, std::uint32_t origin, const std::vector<InnoColumn>& fields,
                        const RecordHeap& heap, RecordSpan& span, bool linkMustFit) {
  return FitRedundantShape(page, origin, fields, heap, 0, span, linkMustFit, nullptr, nullptr);
}

bool FitRedundantRecord(ByteView page, std::uint32_t origin, const RecordLayout& layout,
                        const RecordHeap& heap, RecordSpan& span, RecordShape& scratch,
                        bool linkMustFit) {
  if (layout.Kind() == LayoutKind::kPlain)
    return FitRedundantRecord(page, origin, layout.Fields(), heap, span, linkMustFit);
  return FitRedundantShape(page, origin, layout.Fields(), heap, layout.AllowedMarks(), span,
                           linkMustFit, &layout, &scratch);
}

bool RecordListSound(ByteView page, RecordFormat format) {
  if (format == RecordFormat::kNone) return false;
  const bool compact = format == RecordFormat::kCompact;
  const IndexPage index(page);
  const RecordHeap heap = RecordHeap::OfPage(page, format);
  const std::uint32_t supremum = compact ? kCompactSupremumOrigin : kRedundantSupremumOrigin;
  const std::uint32_t headerSize = static_cast<std::uint32_t>(
      compact ? CompactRecordHeader::kSize : RedundantRecordHeader::kSize);
  std::bitset<kMaxInnoPageSize> seen;
  std::uint32_t origin = compact ? index.FirstCompactRecord() : index.FirstRedundantRecord();
  std::uint32_t count = 0;
  bool metadata = false;
  while (origin != supremum) {
    if (origin < heap.low + headerSize || origin >= heap.high) return false;
    if (seen.test(origin) || count >= static_cast<std::uint32_t>(kMaxRecordsPerPage)) return false;
    seen.set(origin);
    if (compact) {
      const CompactRecordHeader header = CompactRecordHeader::DecodeFrom(page, origin);
      if (count == 0 && header.MinimumRecord()) metadata = true;
      origin = (origin + header.nextLink) % kLinkModulus;
    } else {
      const RedundantRecordHeader header = RedundantRecordHeader::DecodeFrom(page, origin);
      if (count == 0 && header.MinimumRecord()) metadata = true;
      origin = header.nextRecord;
    }
    ++count;
  }
  const std::uint32_t counted = IndexPageHeader::DecodeFrom(page).userRecords;
  return count == counted || (metadata && count == counted + 1);
}

namespace {

std::vector<RecordSpan> SalvageRecordsOf(ByteView page, RecordFormat format,
                                         const std::vector<InnoColumn>& fields,
                                         std::size_t nullBitmapSize, const RecordLayout* layout) {
  std::vector<RecordSpan> found;
  if (format == RecordFormat::kNone) return found;
  const bool compact = format == RecordFormat::kCompact;
  const RecordHeap heap = RecordHeap::OfPage(page, format);
  const std::uint32_t headerSize = static_cast<std::uint32_t>(
      compact ? CompactRecordHeader::kSize : RedundantRecordHeader::kSize);
  // Records on the list of freed records are not rows: a page split moves
  // records to a new page and leaves them here, and purge leaves deleted
  // ones. As far as that list can be followed, its records are passed over.
  std::bitset<kMaxInnoPageSize> freed;
  std::uint32_t freedOrigin = IndexPageHeader::DecodeFrom(page).freeListStart;
  for (int count = 0; count < kMaxRecordsPerPage && freedOrigin >= heap.low + headerSize &&
                      freedOrigin < heap.high && !freed.test(freedOrigin);
       ++count) {
    freed.set(freedOrigin);
    if (compact) {
      const std::uint16_t link = CompactRecordHeader::DecodeFrom(page, freedOrigin).nextLink;
      if (link == 0) break;
      freedOrigin = (freedOrigin + link) % kLinkModulus;
    } else {
      freedOrigin = RedundantRecordHeader::DecodeFrom(page, freedOrigin).nextRecord;
    }
  }
  RecordShape scratch;
  const auto fits = [&](std::uint32_t origin, RecordSpan& fitted, bool linkMustFit) {
    if (layout != nullptr) {
      return compact
                 ? FitCompactRecord(page, origin, *layout, heap, fitted, scratch, linkMustFit)
                 : FitRedundantRecord(page, origin, *layout, heap, fitted, scratch, linkMustFit);
    }
    return compact
               ? FitCompactRecord(page, origin, fields, nullBitmapSize, heap, fitted, linkMustFit)
               : FitRedundantRecord(page, origin, fields, heap, fitted, linkMustFit);
  };
  // The record's link leads to the supremum or to a record that fits.
  const auto linkLeadsOn = [&](std::uint32_t origin) {
    const std::uint32_t next =
        compact ? (origin + CompactRecordHeader::DecodeFrom(page, origin).nextLink) % kLinkModulus
                : RedundantRecordHeader::DecodeFrom(page, origin).nextRecord;
    if (next == (compact ? kCompactSupremumOrigin : kRedundantSupremumOrigin)) return true;
    RecordSpan following;
    return next != origin && fits(next, following, false);
  };
  // The most header bytes a record of these fields can have (with a count
  // of fields or a row version, where the table was altered in place).
  std::uint32_t widestHeader = headerSize + static_cast<std::uint32_t>(nullBitmapSize);
  if (layout != nullptr) widestHeader += 2;
  for (const InnoColumn& field : fields) {
    if (!compact) {
      widestHeader += 2;
    } else if (field.fixedLength == 0) {
      widestHeader += field.HasTwoByteLength() ? 2 : 1;
    }
  }
  std::uint32_t from = heap.low;
  RecordSpan span;
  while (from + headerSize < heap.high) {
    // Records lie end to end where nothing was freed: first look for one
    // whose header starts right here (its own link may be the damage),
    // then for the nearest one further on.
    // Where several would start here (a record's header bytes read one
    // byte off can look like another record's), the one whose link leads
    // to the supremum or to a record that fits is taken.
    bool taken = false;
    const std::uint32_t nearEnd = std::min(heap.high, from + widestHeader + 1);
    RecordSpan candidate;
    for (std::uint32_t origin = from + headerSize; origin < nearEnd; ++origin) {
      if (!fits(origin, candidate, false) || candidate.headerStart != from) continue;
      if (!taken) span = candidate;
      taken = true;
      if (linkLeadsOn(origin)) {
        span = candidate;
        break;
      }
    }
    for (std::uint32_t origin = from + headerSize; !taken && origin < heap.high; ++origin)
      taken = fits(origin, span, true) && span.headerStart >= from;
    if (!taken) break;
    if (!freed.test(span.origin)) found.push_back(span);
    from = std::max(span.dataEnd, span.origin + 1);
  }
  return found;
}

}  // namespace

std::vector<RecordSpan> SalvageRecords(ByteView page, RecordFormat format,
                                       const std::vector<InnoColumn>& fields,
                                       std::size_t nullBitmapSize) {
  return SalvageRecordsOf(page, format, fields, nullBitmapSize, nullptr);
}

std::vector<RecordSpan> SalvageRecords(ByteView page, RecordFormat format,
                                       const RecordLayout& layout) {
  const bool plain = layout.Kind() == LayoutKind::kPlain;
  return SalvageRecordsOf(page, format, layout.Fields(), NullBitmapSize(layout.Fields()),
                          plain ? nullptr : &layout);
}

}  // namespace rowmender
