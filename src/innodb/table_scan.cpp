#include "innodb/table_scan.h"

#include <array>

#include "innodb/dictionary.h"
#include "innodb/page_checksum.h"
#include "innodb/records.h"

namespace rowmender {

namespace {

constexpr std::uint32_t kLinkModulus = 0x10000;

}  // namespace

LeafChain::LeafChain(const PageSource& source, WalkForm form, std::uint32_t firstPage,
                     ReadReport& report)
    : source_(source), form_(form), report_(report), next_(firstPage) {}

void LeafChain::Restart(std::uint32_t page) {
  next_ = page;
  pagesSeen_.clear();
}

bool LeafChain::Next(std::uint32_t& page) {
  const std::uint32_t candidate = next_;
  next_ = kNoPage;
  if (candidate == kNoPage) return false;
  if (!source_.Holds(candidate)) {
    ++report_.pagesSkipped;
    report_.Note("the leaf chain leads to page " + std::to_string(candidate) +
                 ", which lies beyond the end of the file");
    return false;
  }
  if (form_ == WalkForm::kSystemTablespace && candidate == 0) return false;
  if (!pagesSeen_.insert(candidate).second) {
    ++report_.loopsBroken;
    report_.Note("the leaf chain comes back to page " + std::to_string(candidate) +
                 "; the scan ends there");
    return false;
  }
  std::array<std::uint8_t, FilHeader::kSize> header{};
  source_.Read(candidate, header);
  const FilHeader fil = FilHeader::DecodeFrom(header);
  // In a table's own tablespace a page whose neighbours are the same page
  // ends the chain (the last page points nowhere both ways).
  if (!(form_ == WalkForm::kOwnTablespace && fil.nextPage == fil.previousPage)) {
    next_ = fil.nextPage;
  }
  page = candidate;
  return true;
}

InnoTableCursor::InnoTableCursor(const PageSource& source, WalkForm form,
                                 const TableDefinition& table, RecordLayout layout,
                                 const CollationTable* collations, std::uint32_t startPage)
    : source_(source),
      form_(form),
      table_(table),
      layout_(std::move(layout)),
      recordColumns_(layout_.Fields()),
      nullBitmapSize_(NullBitmapSize(recordColumns_)),
      longValues_(source),
      buffer_(NewPageBuffer(source)),
      chain_(source, form, startPage, report_),
      page_(startPage),
      position_{startPage, 0} {
  std::vector<ColumnFormat> cellFormats;
  cellFormats.reserve(table.columns.size());
  for (const ColumnDefinition& column : table.columns) {
    cellFormats.push_back(FormatOfColumn(column, collations, /*largeBlobPlaceholder=*/false));
  }
  fieldFormats_.reserve(recordColumns_.size());
  for (const InnoColumn& field : recordColumns_) {
    fieldFormats_.push_back(
        FormatOfColumn(field.column, collations, /*largeBlobPlaceholder=*/false));
    const auto slot = static_cast<std::size_t>(field.column.ordinal);
    if (field.role == InnoFieldRole::kValue && field.column.ordinal >= 0 &&
        slot < cellFormats.size()) {
      cellFormats[slot] = fieldFormats_.back();
    }
  }
  formats_ = TableFormat(std::move(cellFormats));
}

InnoTableCursor::InnoTableCursor(const PageSource& source, WalkForm form,
                                 const TableDefinition& table, RecordLayout layout,
                                 const CollationTable* collations, std::vector<std::uint32_t> pages)
    : InnoTableCursor(source, form, table, std::move(layout), collations,
                      pages.empty() ? kNoPage : pages.front()) {
  listed_ = true;
  pages_ = std::move(pages);
}

void InnoTableCursor::Seek(const PageStart& position) {
  constexpr std::uint64_t kLow32 = 0xFFFFFFFF;
  constexpr std::uint64_t kLow16 = 0xFFFF;
  page_ = static_cast<std::uint32_t>(position.pageNumber & kLow32);
  startOffset_ = static_cast<std::uint32_t>(position.offset & kLow16);
  onPage_ = false;
  chain_.Restart(page_);
  position_ = position;
}

bool InnoTableCursor::LoadPage() {
  if (listed_) {
    if (nextListed_ >= pages_.size()) return false;
    page_ = pages_[nextListed_++];
  } else if (!chain_.Next(page_)) {
    return false;
  }
  const std::string unreadable = source_.ReadChecked(page_, buffer_);
  ++report_.pagesRead;
  if (!unreadable.empty()) {
    // A page stored compressed that cannot be decompressed: skipped.
    ++report_.pagesSkipped;
    report_.Note(unreadable);
    fil_ = FilHeader::DecodeFrom(buffer_);
    format_ = RecordFormat::kNone;
    salvaging_ = false;
    startOffset_ = 0;
    origin_ = 0;
    onPage_ = true;
    return true;
  }
  damagedPage_ = !PageIsSound(buffer_);
  if (damagedPage_) {
    ++report_.pagesFailingChecksum;
    report_.Note("page " + std::to_string(page_) +
                 " fails its checksum: its records are read as they stand");
  }
  const IndexPage index(buffer_);
  fil_ = index.Fil();
  format_ = fil_.IsIndexPage() ? index.Format() : RecordFormat::kNone;
  if (format_ == RecordFormat::kNone) {
    ++report_.pagesSkipped;
    report_.Note("page " + std::to_string(page_) + " of the leaf chain is not an index page");
  }
  const std::uint32_t first = format_ == RecordFormat::kCompact     ? index.FirstCompactRecord()
                              : format_ == RecordFormat::kRedundant ? index.FirstRedundantRecord()
                                                                    : 0;
  origin_ = startOffset_ != 0 ? startOffset_ : first;
  salvaging_ =
      format_ != RecordFormat::kNone && index.Level() == 0 && !RecordListSound(buffer_, format_);
  if (salvaging_) {
    damagedPage_ = true;
    salvaged_ = SalvageRecords(buffer_, format_, layout_);
    ++report_.pagesSalvaged;
    report_.Note("the record list of page " + std::to_string(page_) + " is broken: " +
                 std::to_string(salvaged_.size()) + " records were found one by one");
    // A position on the page names the next record to read (the supremum:
    // none).
    nextSalvaged_ = 0;
    if (startOffset_ == SupremumOrigin()) {
      nextSalvaged_ = salvaged_.size();
    } else if (startOffset_ != 0) {
      while (nextSalvaged_ < salvaged_.size() && salvaged_[nextSalvaged_].origin < startOffset_)
        ++nextSalvaged_;
    }
  }
  startOffset_ = 0;
  firstOnPage_ = true;
  backward_ = false;
  recordsOnPage_ = 0;
  originsSeen_.reset();
  onPage_ = true;
  return true;
}

bool InnoTableCursor::Next(RowBuffer& row) {
  while (true) {
    if (!onPage_ && !LoadPage()) {
      page_ = kNoPage;
      return false;
    }
    const bool read = salvaging_                            ? NextSalvaged(row)
                      : format_ == RecordFormat::kCompact   ? NextCompact(row)
                      : format_ == RecordFormat::kRedundant ? NextRedundant(row)
                                                            : false;
    if (read) {
      ++report_.rowsRead;
      if (row.deleted) ++report_.deletedRows;
      if (damagedPage_) ++report_.rowsFromDamagedPages;
      return true;
    }
    // The page is done: on to the next one.
    onPage_ = false;
  }
}

bool InnoTableCursor::FirstVisit(std::uint32_t origin) {
  if (originsSeen_.test(origin)) {
    ++report_.loopsBroken;
    report_.Note("the record list of page " + std::to_string(page_) +
                 " comes back to a record it has read; the rest of the page is passed over");
    return false;
  }
  originsSeen_.set(origin);
  ++recordsOnPage_;
  return true;
}

bool InnoTableCursor::NextCompact(RowBuffer& row) {
  const IndexPage index(buffer_);
  const auto pageSize = static_cast<std::uint32_t>(buffer_.size());
  if (firstOnPage_) {
    firstOnPage_ = false;
    if (origin_ >= pageSize - kLastRecordRoom || index.IsSupremumAt(origin_)) return false;
  }
  while (true) {
    if (origin_ <= kLowestUserRecordOrigin || origin_ >= pageSize ||
        recordsOnPage_ > kMaxRecordsPerPage) {
      return false;
    }
    if (!FirstVisit(origin_)) return false;
    const std::uint32_t origin = origin_;
    const CompactRecordHeader header = CompactRecordHeader::DecodeFrom(buffer_, origin);
    const std::uint32_t link = header.nextLink;
    std::uint32_t next = 0;
    std::uint32_t end = 0;
    // A link is taken modulo the page size; on pages below 64 KiB one that
    // reaches past the page size leads back to a lower offset, on 64 KiB
    // pages one that wraps past 65536 does.
    const bool forward = pageSize < kLinkModulus ? link <= pageSize : origin + link < kLinkModulus;
    if (forward) {
      next = (origin + link) % kLinkModulus;
      end = (backward_ && form_ == WalkForm::kOwnTablespace) ? pageSize : next;
    } else {
      backward_ = true;
      const std::uint32_t target = origin + (link & (pageSize - 1));
      next = target > pageSize ? target - pageSize : target;
      end = pageSize;
    }
    const std::size_t span = (end - origin) % kLinkModulus;
    origin_ = next;

    // The metadata record of a table altered in place describes columns;
    // it is not a row.
    const bool metadata = header.MinimumRecord() && index.Level() == 0;
    if (!metadata && PlaceCompact(origin, span)) {
      MakeRow(header.Deleted(), row);
      position_ = PageStart{page_, next};
      return true;
    }
  }
}

bool InnoTableCursor::PlaceCompact(std::uint32_t origin, std::size_t span) {
  const CompactRecordHeader header = CompactRecordHeader::DecodeFrom(buffer_, origin);
  if (layout_.Kind() == LayoutKind::kPlain) {
    // A record written after the table's columns were changed in place,
    // where nothing says how: its fields cannot be told.
    if (header.status == static_cast<std::uint8_t>(RecordStatus::kInstant) ||
        (header.flags & (kRecordCountsFieldsMark | kRecordVersionMark)) != 0) {
      LeaveOut(origin,
               "it was written after the table's columns were changed in place "
               "(ALGORITHM=INSTANT), and neither the definition nor the tablespace tells how "
               "its fields lie");
      return false;
    }
    CompactFieldExtents(buffer_, origin, span, recordColumns_, nullBitmapSize_, extents_);
    return true;
  }
  std::string why;
  if (!layout_.CompactShape(buffer_, origin, header, shape_, why)) {
    LeaveOut(origin, why);
    return false;
  }
  CompactFieldExtents(buffer_, origin, span, recordColumns_, shape_, extents_);
  return true;
}

bool InnoTableCursor::PlaceRedundant(std::uint32_t origin) {
  if (layout_.Kind() == LayoutKind::kPlain) {
    RedundantFieldExtents(buffer_, origin, extents_);
    if (extents_.size() < recordColumns_.size()) {
      FieldExtent absent;
      absent.missing = true;
      extents_.resize(recordColumns_.size(), absent);
    }
    return true;
  }
  std::string why;
  const RedundantRecordHeader header = RedundantRecordHeader::DecodeFrom(buffer_, origin);
  if (!layout_.RedundantShape(buffer_, origin, header, shape_, why)) {
    LeaveOut(origin, why);
    return false;
  }
  // The record's own fields, in order, are the ones its shape holds.
  RedundantFieldExtents(buffer_, origin, stored_, shape_.headerExtra);
  extents_.assign(recordColumns_.size(), FieldExtent{});
  std::size_t next = 0;
  for (std::size_t i = 0; i < recordColumns_.size(); ++i) {
    if (!shape_.Holds(i)) {
      extents_[i].absent = true;
    } else if (next < stored_.size()) {
      extents_[i] = stored_[next++];
    } else {
      extents_[i].missing = true;
    }
  }
  return true;
}

void InnoTableCursor::LeaveOut(std::uint32_t origin, const std::string& why) {
  ++report_.recordsDropped;
  report_.Note("the record at offset " + std::to_string(origin) + " of page " +
               std::to_string(page_) + " is left out: " + why);
}

bool InnoTableCursor::NextRedundant(RowBuffer& row) {
  const IndexPage index(buffer_);
  firstOnPage_ = false;
  while (recordsOnPage_ <= kMaxRecordsPerPage) {
    const std::uint32_t origin = origin_;
    if (origin <= kRedundantSupremumOrigin || origin >= buffer_.size() - kLastRecordRoom ||
        index.IsSupremumAt(origin)) {
      return false;
    }
    if (!FirstVisit(origin)) return false;
    const RedundantRecordHeader header = RedundantRecordHeader::DecodeFrom(buffer_, origin);
    origin_ = header.nextRecord;
    if (!(header.MinimumRecord() && index.Level() == 0) && PlaceRedundant(origin)) {
      MakeRow(header.Deleted(), row);
      position_ = PageStart{page_, header.nextRecord};
      return true;
    }
  }
  return false;
}

bool InnoTableCursor::NextSalvaged(RowBuffer& row) {
  while (nextSalvaged_ < salvaged_.size()) {
    const RecordSpan& span = salvaged_[nextSalvaged_++];
    // A record found one by one fits the table's records (as many fields
    // as they have, in the redundant format).
    const bool placed = format_ == RecordFormat::kRedundant
                            ? PlaceRedundant(span.origin)
                            : PlaceCompact(span.origin, span.dataEnd - span.origin);
    if (!placed) continue;
    MakeRow(format_ == RecordFormat::kRedundant
                ? RedundantRecordHeader::DecodeFrom(buffer_, span.origin).Deleted()
                : CompactRecordHeader::DecodeFrom(buffer_, span.origin).Deleted(),
            row);
    const std::uint32_t next =
        nextSalvaged_ < salvaged_.size() ? salvaged_[nextSalvaged_].origin : SupremumOrigin();
    position_ = PageStart{page_, next};
    return true;
  }
  return false;
}

void InnoTableCursor::MakeRow(bool deleted, RowBuffer& row) {
  const std::size_t columnCount = table_.columns.size();
  row.Reset(columnCount);
  row.deleted = deleted;
  row.fromDamagedPage = damagedPage_;
  row.longValues = &longValues_;
  for (std::size_t i = 0; i < recordColumns_.size() && i < extents_.size(); ++i) {
    const InnoColumn& field = recordColumns_[i];
    if (field.role != InnoFieldRole::kValue) continue;
    const auto slot = static_cast<std::size_t>(field.column.ordinal);
    if (field.column.ordinal < 0 || slot >= columnCount) continue;
    const FieldExtent& extent = extents_[i];
    Cell& cell = row.cells[slot];
    if (extent.absent) {
      // Written before the column was added: the value the table keeps
      // for such records.
      const ColumnDefinition& column = field.column;
      if (column.instantDefault == InstantDefault::kValue) {
        const ByteView value(
            reinterpret_cast<const std::uint8_t*>(column.instantDefaultBytes.data()),
            column.instantDefaultBytes.size());
        DecodeInnoCell(field, fieldFormats_[i], value, false, cell);
      } else if (column.instantDefault == InstantDefault::kNull) {
        cell.SetNull();
      } else {
        cell.SetMissing();
      }
    } else if (extent.missing) {
      cell.SetMissing();
    } else if (extent.isNull) {
      cell.SetNull();
    } else {
      DecodeInnoCell(field, fieldFormats_[i], extent.BytesIn(buffer_), extent.external, cell);
    }
  }
}

}  // namespace rowmender
