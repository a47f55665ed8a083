#include "aria/page_scan.h"

#include <algorithm>

namespace rowmender {

namespace {

bool AllZero(ByteView bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

}  // namespace

AriaPageCursor::AriaPageCursor(const TableDefinition& table, const AriaFormat& format,
                               const ByteSource& source, const CollationTable* collations)
    : table_(table),
      format_(format),
      pages_(source, format.blockSize),
      decoder_(table, format, pages_),
      formats_(table, collations) {}

void AriaPageCursor::Seek(const PageStart& position) {
  page_ = position.pageNumber;
  slot_ = position.offset;
  loaded_ = false;
  finished_ = false;
}

std::string AriaPageCursor::Where(std::size_t entry) const {
  return "page " + std::to_string(loadedNumber_) + ", row " + std::to_string(entry);
}

bool AriaPageCursor::LoadPage(std::uint64_t number) {
  loaded_ = true;
  loadedNumber_ = number;
  finished_ = false;
  entries_ = 0;
  freeEntries_ = 0;
  gaps_.clear();
  damaged_ = false;
  type_ = aria::PageType::kUnallocated;
  if (pages_.IsBitmapPage(number) || !pages_.ReadPage(number, bytes_)) return false;
  if (pages_.LastPageCutShort() && number + 1 == pages_.PageCount()) {
    ++report_.pagesSkipped;
    report_.Note("the data file ends inside page " + std::to_string(number) +
                 "; its rows are not read");
    return false;
  }
  if (AllZero(bytes_)) {
    // A page never written is all zeros; one the bitmap counts as a page
    // of rows lost its rows.
    const std::uint8_t pattern = pages_.BitmapPattern(number);
    if (pattern > aria::kEmptyPagePattern && pattern <= aria::kFullHeadPagePattern) {
      ++report_.pagesSkipped;
      report_.Note("page " + std::to_string(number) +
                   " is all zeros, but the bitmap counts it as a page of rows: they are lost");
    }
    return false;
  }
  type_ = aria::TypeOfPage(bytes_);
  if (type_ == aria::PageType::kTail || type_ == aria::PageType::kBlob) return false;
  if (type_ == aria::PageType::kUnknown) {
    ++report_.pagesSkipped;
    report_.Note("page " + std::to_string(number) + " is of no type rows are kept in (" +
                 std::to_string(bytes_[aria::kPageTypeOffset]) + "); it is not read");
    return false;
  }
  if (aria::CheckPageChecksum(bytes_, number) == aria::PageChecksum::kMismatch) {
    damaged_ = true;
    ++report_.pagesFailingChecksum;
    report_.Note("page " + std::to_string(number) +
                 " fails its checksum; its rows are read as they stand");
  }
  ++report_.pagesRead;

  // The stretches no live row takes, in page order.
  const std::size_t count = aria::DirectoryCount(bytes_);
  const std::size_t directory = aria::DirectoryStart(bytes_.size(), count);
  std::vector<std::pair<std::size_t, std::size_t>> used;
  if (type_ == aria::PageType::kHead) {
    entries_ = count;
    for (std::size_t i = 0; i < count; ++i) {
      const aria::DirectoryEntry entry = aria::EntryAt(bytes_, i);
      if (entry.offset == 0) {
        ++freeEntries_;
        continue;
      }
      ByteView row;
      if (aria::RowOfEntry(bytes_, i, row)) {
        used.emplace_back(entry.offset, std::size_t{entry.offset} + entry.length);
      }
    }
  }
  std::sort(used.begin(), used.end());
  std::size_t from = aria::kPageHeaderSize;
  for (const auto& [start, end] : used) {
    if (start > from) gaps_.emplace_back(from, start);
    from = std::max(from, end);
  }
  if (directory > from) gaps_.emplace_back(from, directory);
  return true;
}

void AriaPageCursor::Emit(const AriaRowRead& read, bool deleted, RowBuffer& row) {
  DecodeRecordImage(table_, decoder_.Layout(), decoder_.Image(), decoder_.SeparateData(), deleted,
                    formats_, row);
  for (const std::size_t column : decoder_.LostColumns()) {
    if (column < row.cells.size()) row.cells[column].SetMissing();
  }
  row.fromDamagedPage = damaged_;
  ++report_.rowsRead;
  if (deleted) ++report_.deletedRows;
  if (damaged_) ++report_.rowsFromDamagedPages;
  if (read.valuesCutShort > 0) {
    report_.valuesCutShort += read.valuesCutShort;
    report_.Note(std::string(deleted ? "a deleted row on page " : "a row on page ") +
                 std::to_string(loadedNumber_) + " is cut short: " + read.lost);
  }
}

bool AriaPageCursor::NextLive(RowBuffer& row) {
  while (slot_ < entries_) {
    const std::size_t index = static_cast<std::size_t>(slot_++);
    const aria::DirectoryEntry entry = aria::EntryAt(bytes_, index);
    if (entry.offset == 0) continue;
    ByteView head;
    if (!aria::RowOfEntry(bytes_, index, head)) {
      ++report_.recordsDropped;
      report_.Note(Where(index) + ": its directory entry points outside the page (offset " +
                   std::to_string(entry.offset) + ", " + std::to_string(entry.length) + " bytes)");
      continue;
    }
    const AriaRowRead read = decoder_.Decode(head, false);
    if (!read.read) {
      ++report_.recordsDropped;
      report_.Note(Where(index) + " cannot be read: " + read.problem);
      continue;
    }
    Emit(read, false, row);
    return true;
  }
  return false;
}

bool AriaPageCursor::NextDeleted(RowBuffer& row) {
  // Nothing shorter than a flag byte with the null and empty-field bits is
  // a row.
  const std::size_t shortest = 1 + std::size_t{format_.nullBytes} + format_.packBytes;
  while (gap_ < gaps_.size()) {
    const auto [start, end] = gaps_[gap_];
    const std::size_t at = start + gapOffset_;
    AriaRowRead read;
    const bool room = at < end && end - at >= shortest;
    if (room) read = decoder_.Decode(ByteView(bytes_).subspan(at, end - at), true);
    if (!room || !read.read || read.headUsed == 0 || read.headUsed > end - at) {
      if (!alternatives_.empty()) {
        gapOffset_ = alternatives_.back();
        alternatives_.pop_back();
        continue;
      }
      ++gap_;
      gapOffset_ = 0;
      continue;
    }
    // The next row follows this one where its stored length ends: a row
    // shorter than the table's shortest was stored that long. Should no row
    // begin there, it may where the bytes read end, or where the shortest
    // row of a table with (or without) transactions ends.
    constexpr std::size_t kTransactionFields = 6 + 7 + 6;
    const std::size_t used = read.headUsed;
    const std::size_t otherShortest =
        format_.transactional
            ? format_.minBlockLength -
                  std::min<std::size_t>(format_.minBlockLength, kTransactionFields)
            : format_.minBlockLength + kTransactionFields;
    alternatives_.clear();
    for (const std::size_t length : {used, std::max(used, otherShortest)}) {
      const std::size_t next = gapOffset_ + length;
      if (length != std::max<std::size_t>(used, format_.minBlockLength) &&
          std::find(alternatives_.begin(), alternatives_.end(), next) == alternatives_.end()) {
        alternatives_.insert(alternatives_.begin(), next);
      }
    }
    gapOffset_ += std::max<std::size_t>(used, format_.minBlockLength);
    ++deletedFound_;
    slot_ = kDeletedSlots + deletedFound_;
    if (deletedToSkip_ > 0) {
      --deletedToSkip_;
      continue;
    }
    Emit(read, true, row);
    return true;
  }
  return false;
}

void AriaPageCursor::FinishPage() {
  if (finished_) return;
  finished_ = true;
  if (freeEntries_ > deletedFound_) {
    const std::uint64_t lost = freeEntries_ - deletedFound_;
    report_.deletedRecordsUnreadable += lost;
    report_.Note("page " + std::to_string(loadedNumber_) + ": " + std::to_string(lost) +
                 " deleted row" + (lost == 1 ? "" : "s") +
                 " whose bytes were used again or cannot be found");
  }
}

bool AriaPageCursor::Next(RowBuffer& row) {
  while (page_ < pages_.PageCount() && page_ < end_) {
    if (!loaded_ || loadedNumber_ != page_) {
      if (!LoadPage(page_)) {
        ++page_;
        slot_ = 0;
        continue;
      }
      if (slot_ >= kDeletedSlots) {
        deletedToSkip_ = slot_ - kDeletedSlots;
        slot_ = kDeletedSlots;
      }
      deletedFound_ = 0;
      gap_ = 0;
      gapOffset_ = 0;
      alternatives_.clear();
    }
    if (slot_ < kDeletedSlots) {
      if (NextLive(row)) return true;
      slot_ = kDeletedSlots;
      deletedFound_ = 0;
      gap_ = 0;
      gapOffset_ = 0;
      alternatives_.clear();
    }
    if (NextDeleted(row)) return true;
    if (deletedToSkip_ == 0) FinishPage();
    deletedToSkip_ = 0;
    ++page_;
    slot_ = 0;
  }
  return false;
}

}  // namespace rowmender
