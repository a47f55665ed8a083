#include "aria/page_rows.h"

#include <algorithm>
#include <map>

namespace rowmender {

namespace {

// Bits of a row's flag byte, and what each one adds to the row header.
constexpr std::uint8_t kFlagTransactionId = 1;
constexpr std::uint8_t kFlagVersionPointer = 2;
constexpr std::uint8_t kFlagDeleteTransactionId = 4;
constexpr std::uint8_t kFlagNullsExtended = 8;
constexpr std::uint8_t kFlagExtents = 128;
constexpr std::uint8_t kAllFlags = kFlagTransactionId | kFlagVersionPointer |
                                   kFlagDeleteTransactionId | kFlagNullsExtended | kFlagExtents;
constexpr std::size_t kTransactionIdSize = 6;
constexpr std::size_t kVersionPointerSize = 7;

// An extent: its first page (5 bytes) and its page count (2 bytes), whose
// top bit marks a tail (the count then is the tail's directory entry) and
// whose next bit marks the start of a long value.
constexpr std::size_t kExtentSize = 7;
constexpr std::size_t kExtentPageSize = 5;
constexpr std::uint16_t kTailBit = 0x8000;
constexpr std::uint16_t kStartExtentBit = 0x4000;

// A BLOB's field in the image: its length, then a pointer of 8 bytes.
constexpr std::size_t kBlobPointerSize = 8;
// A one-byte length of this value says two more bytes hold it.
constexpr std::uint8_t kLongLengthMark = 255;
// VARCHAR fields of at most this many bytes (length prefix included) keep
// a one-byte length, CHAR fields of at most 255 bytes.
constexpr std::size_t kOneByteVarchar = 256;
constexpr std::size_t kOneByteChar = 255;

bool AllZero(ByteView bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

std::string PageName(std::uint64_t page) {
  return "page " + std::to_string(page);
}

}  // namespace

AriaRowDecoder::AriaRowDecoder(const TableDefinition& table, const AriaFormat& format,
                               AriaPageFile& pages)
    : table_(table), format_(format), pages_(pages), layout_(MyisamRecordLayout::Build(table, {})) {
  std::map<std::size_t, int> columnAt;
  for (std::size_t i = layout_.Columns().size(); i-- > 0;) {
    const ColumnPlacement& placement = layout_.Columns()[i];
    if (placement.size > 0) columnAt[placement.offset] = static_cast<int>(i);
  }
  for (const AriaColumn& field : format_.columns) {
    const auto found = columnAt.find(field.offset);
    columnOfField_.push_back(found == columnAt.end() ? -1 : found->second);
  }
  image_.assign(layout_.ImageLength(), 0);
  // The bits of the null bytes no column uses: the server keeps them set
  // (the first one too where it marks MyISAM's deleted records).
  unusedNullBits_.assign(format_.nullBytes, 0xFF);
  const auto clear = [this](std::size_t byte, unsigned bit) {
    if (byte < unusedNullBits_.size()) {
      unusedNullBits_[byte] = static_cast<std::uint8_t>(unusedNullBits_[byte] & ~(1u << bit));
    }
  };
  for (const ColumnPlacement& placement : layout_.Columns()) {
    for (unsigned bit = 0; bit < 8; ++bit) {
      if (placement.nullBit & (1u << bit)) clear(placement.nullPosition, bit);
    }
    for (unsigned i = 0; i < placement.oddBits; ++i) {
      const unsigned at = placement.oddBitOffset + i;
      clear(placement.oddBitPosition + at / 8, at % 8);
    }
  }
  separate_.assign(table_.columns.size(), ByteView{});
  blobStart_.assign(table_.columns.size(), 0);
  blobLength_.assign(table_.columns.size(), 0);
}

bool AriaRowDecoder::Fail(std::string problem) {
  if (problem_.empty()) problem_ = std::move(problem);
  return false;
}

bool AriaRowDecoder::Lose(std::string why) {
  if (lost_.empty()) lost_ = std::move(why);
  return false;
}

bool AriaRowDecoder::Broken(std::string why) {
  // A live row keeps what its head holds; a row found in free space that
  // does not hold together is no row.
  return deleted_ ? Fail(std::move(why)) : Lose(std::move(why));
}

void AriaRowDecoder::Put(std::size_t offset, ByteView bytes) {
  if (offset >= image_.size()) return;
  const std::size_t count = std::min(bytes.size(), image_.size() - offset);
  std::copy_n(bytes.begin(), count, image_.begin() + static_cast<std::ptrdiff_t>(offset));
}

void AriaRowDecoder::Fill(std::size_t offset, std::size_t count, std::uint8_t value) {
  if (offset >= image_.size()) return;
  count = std::min(count, image_.size() - offset);
  std::fill_n(image_.begin() + static_cast<std::ptrdiff_t>(offset), count, value);
}

void AriaRowDecoder::LeaveHead() {
  if (inHead_) {
    headUsed_ = pos_;
    inHead_ = false;
  }
}

bool AriaRowDecoder::KeyLength(std::size_t& length) {
  if (pos_ >= end_) return Fail("it ends inside its header");
  if (data_[pos_] != kLongLengthMark) {
    length = data_[pos_++];
    return true;
  }
  if (end_ - pos_ < 3) return Fail("it ends inside its header");
  length = Be16(data_, pos_ + 1);
  pos_ += 3;
  return true;
}

bool AriaRowDecoder::FieldLength(std::size_t width, std::size_t& length) {
  if (fieldLengths_.size() - fieldLengthPos_ < width) {
    return Fail("its field-length array is shorter than its fields need");
  }
  length = static_cast<std::size_t>(LittleEndian(fieldLengths_, fieldLengthPos_, width));
  fieldLengthPos_ += width;
  return true;
}

bool AriaRowDecoder::LocateDeletedTail(ByteView page, std::size_t index) {
  // A deleted row's tail lost its directory entry, but not its bytes: the
  // server keeps rows in the order of their entries, so it begins where the
  // entry before it ends.
  const std::size_t count = aria::DirectoryCount(page);
  if (index < count && aria::EntryAt(page, index).offset != 0) {
    // A page whose rows were all deleted keeps its last entry as it was.
    ByteView row;
    if (aria::TypeOfPage(page) != aria::PageType::kUnallocated ||
        !aria::RowOfEntry(page, index, row)) {
      return Lose("its tail on " + PageName(extentPage_) + " was given to another row");
    }
    data_ = page;
    pos_ = static_cast<std::size_t>(row.data() - page.data());
    end_ = pos_ + row.size();
    return true;
  }
  std::size_t start = aria::kPageHeaderSize;
  if (index > 0) {
    const aria::DirectoryEntry before =
        index - 1 < count ? aria::EntryAt(page, index - 1) : aria::DirectoryEntry{};
    if (before.offset == 0) {
      return Lose("its tail on " + PageName(extentPage_) + " cannot be found again");
    }
    start = std::size_t{before.offset} + before.length;
  }
  std::size_t end = aria::DirectoryStart(page.size(), count);
  for (std::size_t next = index + 1; next < count; ++next) {
    const aria::DirectoryEntry entry = aria::EntryAt(page, next);
    if (entry.offset != 0) {
      end = std::min<std::size_t>(end, entry.offset);
      break;
    }
  }
  if (start < aria::kPageHeaderSize || start > end) {
    return Lose("its tail on " + PageName(extentPage_) + " cannot be found again");
  }
  data_ = page;
  pos_ = start;
  end_ = end;
  return true;
}

bool AriaRowDecoder::NextExtent() {
  if (extentPages_ == 0) {
    if (extentIndex_ + 1 >= extentCount_) return Broken("its extents end before its data does");
    ++extentIndex_;
    const ByteView extent = SubView(extents_, extentIndex_ * kExtentSize, kExtentSize);
    extentPage_ = LittleEndian(extent, 0, kExtentPageSize);
    const std::uint16_t count =
        static_cast<std::uint16_t>(Le16(extent, kExtentPageSize) & ~kStartExtentBit);
    if (count == 0) return Broken("an extent of its holds no pages");
    extentTail_ = (count & kTailBit) != 0;
    tailRow_ = count & static_cast<std::uint16_t>(~kTailBit);
    extentPages_ = extentTail_ ? 1 : count;
  }
  LeaveHead();
  if (pages_.IsBitmapPage(extentPage_)) {
    return Broken("an extent of its points to " + PageName(extentPage_) + ", a bitmap page");
  }
  if (!pages_.ReadPage(extentPage_, page_)) {
    return Lose("an extent of its points to " + PageName(extentPage_) +
                ", beyond the end of the data file");
  }
  const aria::PageType type = aria::TypeOfPage(page_);
  if (!extentTail_) {
    if (type != aria::PageType::kBlob) {
      return Lose(PageName(extentPage_) + ", which should hold its long values, does not");
    }
    if (deleted_ && pages_.BitmapPattern(extentPage_) != aria::kEmptyPagePattern) {
      return Lose(PageName(extentPage_) + ", which held its long values, was used again");
    }
    data_ = page_;
    pos_ = aria::kFullPageHeaderSize;
    end_ = page_.size() - aria::kPageSuffixSize;
    ++extentPage_;
    --extentPages_;
    return true;
  }
  extentPages_ = 0;
  // A tail page whose tails were all deleted becomes a page of no type,
  // its bytes kept.
  if (type != aria::PageType::kTail && !(deleted_ && type == aria::PageType::kUnallocated)) {
    return Lose(PageName(extentPage_) + ", which should hold its tail, is no tail page");
  }
  if (deleted_) return LocateDeletedTail(page_, tailRow_);
  ByteView row;
  if (!aria::RowOfEntry(page_, tailRow_, row)) {
    return Lose("its tail, entry " + std::to_string(tailRow_) + " of " + PageName(extentPage_) +
                ", is not there");
  }
  data_ = page_;
  pos_ = static_cast<std::size_t>(row.data() - data_.data());
  end_ = pos_ + row.size();
  return true;
}

template <typename Sink>
bool AriaRowDecoder::ReadLong(std::size_t length, Sink&& sink) {
  // A value that does not fit the rest of the head is in the extents.
  if (inHead_ && length > end_ - pos_) {
    LeaveHead();
    end_ = pos_;
  }
  while (true) {
    const std::size_t left = end_ - pos_;
    if (left >= length) {
      sink(data_.subspan(pos_, length));
      pos_ += length;
      return true;
    }
    sink(data_.subspan(pos_, left));
    length -= left;
    pos_ += left;
    if (!NextExtent()) return false;
  }
}

bool AriaRowDecoder::ReadFixed(std::size_t length, std::size_t imageOffset) {
  if (end_ - pos_ < length) {
    if (!NextExtent()) return false;
    if (end_ - pos_ < length) return Fail("a fixed-length field of it does not fit its page");
  }
  Put(imageOffset, data_.subspan(pos_, length));
  pos_ += length;
  return true;
}

AriaRowRead AriaRowDecoder::Decode(ByteView head, bool deleted) {
  deleted_ = deleted;
  problem_.clear();
  lost_.clear();
  lostColumns_.clear();
  std::fill(image_.begin(), image_.end(), std::uint8_t{0});
  blobBytes_.clear();
  std::fill(blobStart_.begin(), blobStart_.end(), std::size_t{0});
  std::fill(blobLength_.begin(), blobLength_.end(), std::size_t{0});
  data_ = head;
  pos_ = 0;
  end_ = head.size();
  inHead_ = true;
  headUsed_ = 0;
  extents_.clear();
  extentCount_ = 0;
  extentIndex_ = 0;
  extentPages_ = 0;
  extentTail_ = false;
  fieldLengths_.clear();
  fieldLengthPos_ = 0;

  AriaRowRead result;
  result.read = DecodeRow(result);
  if (!result.read) {
    result.problem = problem_.empty() ? "it does not decode" : problem_;
    return result;
  }
  if (inHead_) headUsed_ = pos_;
  result.headUsed = headUsed_;
  result.lost = lost_;
  for (std::size_t i = 0; i < separate_.size(); ++i) {
    separate_[i] = SubView(blobBytes_, blobStart_[i], blobLength_[i]);
  }
  return result;
}

bool AriaRowDecoder::DecodeRow(AriaRowRead& result) {
  if (data_.empty()) return Fail("it is empty");
  const std::uint8_t flag = data_[0];
  if (deleted_ && (flag & ~kAllFlags) != 0) return Fail("its flag byte has unknown bits");
  std::size_t header = 1;
  if (flag & kFlagTransactionId) header += kTransactionIdSize;
  if (flag & kFlagVersionPointer) header += kVersionPointerSize;
  if (flag & kFlagDeleteTransactionId) header += kTransactionIdSize;
  if (flag & kFlagNullsExtended) ++header;
  if (end_ < header) return Fail("it ends inside its header");
  std::size_t nullBytes = format_.originalNullBytes;
  if (flag & kFlagNullsExtended) nullBytes += data_[header - 1];
  if (nullBytes > format_.nullBytes) {
    if (deleted_) return Fail("it has more null bytes than the table");
    nullBytes = format_.nullBytes;
  }
  pos_ = header;

  std::size_t rowExtents = 0;
  if (flag & kFlagExtents) {
    if (!KeyLength(rowExtents)) return false;
    if (rowExtents == 0) return Fail("it is split into no extents");
    if (rowExtents * kExtentSize > pages_.FileSize()) {
      return Fail("it is split into more extents than the data file holds");
    }
    if (end_ - pos_ < kExtentSize) return Fail("it ends inside its first extent");
    extents_.assign(data_.begin() + static_cast<std::ptrdiff_t>(pos_),
                    data_.begin() + static_cast<std::ptrdiff_t>(pos_ + kExtentSize));
    pos_ += kExtentSize;
    extentCount_ = rowExtents;
    extentIndex_ = 0;
    extentPage_ = LittleEndian(extents_, 0, kExtentPageSize);
    const std::uint16_t count =
        static_cast<std::uint16_t>(Le16(extents_, kExtentPageSize) & ~kStartExtentBit);
    extentTail_ = (count & kTailBit) != 0;
    tailRow_ = count & static_cast<std::uint16_t>(~kTailBit);
    extentPages_ = extentTail_ ? 1 : count;
    if (extentPages_ == 0) return Fail("its first extent holds no pages");
  }
  std::size_t fieldLengthTotal = 0;
  if (format_.maxFieldLengths != 0) {
    if (!KeyLength(fieldLengthTotal)) return false;
    if (fieldLengthTotal > format_.maxFieldLengths) {
      return Fail("its field-length array (" + std::to_string(fieldLengthTotal) +
                  " bytes) is longer than any row's (" + std::to_string(format_.maxFieldLengths) +
                  " bytes)");
    }
  }
  if (format_.RowChecksum()) ++pos_;
  const std::size_t bits =
      std::size_t{format_.nullBytes} + format_.packBytes + std::size_t{format_.fieldOffsets} * 2;
  if (pos_ > end_ || end_ - pos_ < bits) return Fail("it ends inside its null bits");
  Put(0, data_.subspan(pos_, nullBytes));
  pos_ += format_.nullBytes;
  const ByteView emptyBits = data_.subspan(pos_, format_.packBytes);
  pos_ += format_.packBytes;
  pos_ += std::size_t{format_.fieldOffsets} * 2;
  if (deleted_ && nullBytes == format_.nullBytes) {
    for (std::size_t i = 0; i < unusedNullBits_.size(); ++i) {
      if ((ByteAt(image_, i) & unusedNullBits_[i]) != unusedNullBits_[i]) {
        return Fail("its unused null bits are not set");
      }
    }
  }
  if (deleted_ && format_.packFields % 8 != 0 && !emptyBits.empty() &&
      (emptyBits.back() >> (format_.packFields % 8)) != 0) {
    return Fail("it has empty-field bits the table does not");
  }

  // The other extents.
  if (rowExtents > 1) {
    extents_.reserve(rowExtents * kExtentSize);
    const bool read = ReadLong((rowExtents - 1) * kExtentSize, [this](ByteView part) {
      extents_.insert(extents_.end(), part.begin(), part.end());
    });
    if (!read) return Fail(lost_.empty() ? "its extents cannot be read" : lost_);
  }

  // The fixed-length fields that cannot be NULL.
  const std::size_t fixed =
      std::min<std::size_t>(format_.fixedNotNullFields, format_.columns.size());
  std::size_t field = 0;
  bool intact = true;
  for (; field < fixed; ++field) {
    const AriaColumn& column = format_.columns[field];
    if (!ReadFixed(column.length, column.offset)) {
      intact = false;
      break;
    }
  }
  // The field-length array.
  if (intact && fieldLengthTotal > 0) {
    fieldLengths_.reserve(fieldLengthTotal);
    intact = ReadLong(fieldLengthTotal, [this](ByteView part) {
      fieldLengths_.insert(fieldLengths_.end(), part.begin(), part.end());
    });
  }
  if (intact) {
    if (!DecodeFields(field, emptyBits, result)) return false;
  } else {
    if (!problem_.empty()) return false;
    // Bytes in free space whose lengths cannot even be read are no row.
    if (deleted_) return Fail(lost_);
    // The pages that held the rest of the row are lost.
    for (std::size_t f = field; f < format_.columns.size(); ++f) {
      if (columnOfField_[f] >= 0)
        lostColumns_.push_back(static_cast<std::size_t>(columnOfField_[f]));
    }
    ++result.valuesCutShort;
    return true;
  }

  if (deleted_) {
    if (fieldLengthPos_ != fieldLengths_.size()) {
      return Fail("its field-length array is longer than its fields need");
    }
    if (lost_.empty() && rowExtents > 0) {
      if (extentPages_ != 0) return Fail("it does not use all the pages of its extents");
      const std::size_t used = (extentIndex_ + 1) * kExtentSize;
      if (used < extents_.size() && !AllZero(ByteView(extents_).subspan(used))) {
        return Fail("it has extents it does not use");
      }
    }
    const std::size_t head = inHead_ ? pos_ : headUsed_;
    if (AllZero(data_.first(std::min(head, data_.size())))) return Fail("its bytes are all zero");
  }
  return true;
}

bool AriaRowDecoder::DecodeFields(std::size_t from, ByteView emptyBits, AriaRowRead& result) {
  const ByteView nullFlags =
      ByteView(image_).first(std::min<std::size_t>(format_.nullBytes, image_.size()));
  for (std::size_t f = from; f < format_.columns.size(); ++f) {
    const AriaColumn& column = format_.columns[f];
    const int definitionColumn = columnOfField_[f];
    const bool isNull =
        column.nullBit != 0 && (ByteAt(nullFlags, column.nullPosition) & column.nullBit) != 0;
    const bool isEmpty =
        column.emptyBit != 0 && (ByteAt(emptyBits, column.emptyPosition) & column.emptyBit) != 0;
    if (isNull || isEmpty) {
      Fill(column.offset, column.fillLength, column.type == kFieldSkipEndSpace ? ' ' : 0);
      continue;
    }
    bool read = true;
    switch (column.type) {
      case kFieldNormal:
      case kFieldSkipPreSpace:
      case kFieldSkipZero:
      case kFieldCheck:
        read = ReadFixed(column.length, column.offset);
        break;
      case kFieldSkipEndSpace: {
        std::size_t length = 0;
        if (!FieldLength(column.length <= kOneByteChar ? 1 : 2, length)) return false;
        if (length > column.length) return Fail("a CHAR value of it is longer than its column");
        std::size_t at = column.offset;
        read = ReadLong(length, [&](ByteView part) {
          Put(at, part);
          at += part.size();
        });
        Fill(column.offset + length, column.length - length, ' ');
        break;
      }
      case kFieldVarchar: {
        const std::size_t width = column.length <= kOneByteVarchar ? 1 : 2;
        std::size_t length = 0;
        if (!FieldLength(width, length)) return false;
        if (length + width > column.length) {
          return Fail("a VARCHAR value of it is longer than its column");
        }
        const std::uint8_t prefix[2] = {static_cast<std::uint8_t>(length),
                                        static_cast<std::uint8_t>(length >> 8)};
        Put(column.offset, ByteView(prefix, std::min<std::size_t>(column.fillLength, 2)));
        std::size_t at = column.offset + column.fillLength;
        read = ReadLong(length, [&](ByteView part) {
          Put(at, part);
          at += part.size();
        });
        break;
      }
      case kFieldBlob: {
        if (column.length <= kBlobPointerSize) return Fail("a BLOB field of it has no length");
        const std::size_t width = column.length - kBlobPointerSize;
        std::size_t length = 0;
        if (!FieldLength(width, length)) return false;
        if (length >
            pages_.FileSize() - std::min<std::uint64_t>(pages_.FileSize(), blobBytes_.size())) {
          return Fail("a BLOB value of it is longer than the data file");
        }
        Put(column.offset, SubView(fieldLengths_, fieldLengthPos_ - width, width));
        // Once the row has left its head, each long value starts in an
        // extent of its own.
        if (!inHead_ || end_ - pos_ < length) {
          LeaveHead();
          end_ = pos_;
        }
        const std::size_t start = blobBytes_.size();
        read = ReadLong(length, [this](ByteView part) {
          blobBytes_.insert(blobBytes_.end(), part.begin(), part.end());
        });
        if (definitionColumn >= 0) {
          blobStart_[static_cast<std::size_t>(definitionColumn)] = start;
          blobLength_[static_cast<std::size_t>(definitionColumn)] = blobBytes_.size() - start;
        }
        if (!read && problem_.empty()) {
          // What was read of the value is kept; the fields after it are lost.
          ++result.valuesCutShort;
          for (std::size_t later = f + 1; later < format_.columns.size(); ++later) {
            if (columnOfField_[later] >= 0) {
              lostColumns_.push_back(static_cast<std::size_t>(columnOfField_[later]));
            }
          }
          return true;
        }
        break;
      }
      default:
        return Fail("a field of it has the type " + std::to_string(column.type) +
                    ", which rows of pages do not have");
    }
    if (!read) {
      if (!problem_.empty()) return false;
      ++result.valuesCutShort;
      for (std::size_t later = f; later < format_.columns.size(); ++later) {
        if (columnOfField_[later] >= 0) {
          lostColumns_.push_back(static_cast<std::size_t>(columnOfField_[later]));
        }
      }
      return true;
    }
  }
  return true;
}

}  // namespace rowmender
