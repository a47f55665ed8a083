#include "myisam/record_scan.h"

#include <algorithm>
#include <unordered_set>

namespace rowmender {

namespace {

// While looking for a record after damage, only records of at most this
// length are tried, so that garbage costs little to pass.
constexpr std::uint64_t kLongestSearchedRecord = 64 * 1024;

// Every block of a dynamic data file starts at a multiple of this.
constexpr std::uint64_t kBlockAlignment = 4;
// The shortest block MyISAM writes (a deleted block's header).
constexpr std::uint32_t kMinimumBlockLength = 20;

// A deleted block's link to no block.
constexpr std::uint64_t kNoLink = UINT64_MAX;

// Block types.
constexpr std::uint8_t kDeletedBlock = 0;
constexpr std::uint8_t kLastFirstBlockType = 6;
constexpr std::uint8_t kLongFirstBlockType = 13;

std::uint64_t AlignUp(std::uint64_t position) {
  return (position + kBlockAlignment - 1) / kBlockAlignment * kBlockAlignment;
}

// What a scan of dynamic records does at the block whose header it read
// at `position`.
enum class BlockStep : std::uint8_t {
  kDamage,    // no block can start here: look for the next record
  kPassOver,  // a deleted or continuation block: go on at `next`
  kRecord,    // a record's first block: read the record, then go on at `next`
};

// A file position a block header links to: none (every bit set, which
// only a deleted block may keep), or the start of a block within the file.
bool PlausibleLink(std::uint64_t link, std::uint64_t length) {
  return link == kNoLink || (link < length && link % kBlockAlignment == 0);
}

// From the block header alone. Every block the server writes starts and
// ends on the alignment, is at least kMinimumBlockLength long and lies
// within the file; a deleted block links only to block starts, and a
// continuation block holds no more than a record and links to a block
// start. A header that breaks any of these is damage. While `searching`
// after damage only deleted blocks are passed over whole: a continuation
// block is too easily made by chance from a few bytes of garbage.
BlockStep StepAt(int flags, const BlockInfo& block, std::uint64_t position, std::uint64_t length,
                 std::uint64_t longest, bool searching, std::uint64_t& next) {
  if ((flags & kBlockError) != 0) return BlockStep::kDamage;
  const std::uint64_t end = block.filePosition + block.blockLength;
  if (position % kBlockAlignment != 0 || end > length || end % kBlockAlignment != 0 ||
      end < position + kMinimumBlockLength) {
    return BlockStep::kDamage;
  }
  next = end;
  if ((flags & kBlockDeleted) != 0) {
    return PlausibleLink(block.nextFilePosition, length) &&
                   PlausibleLink(block.previousFilePosition, length)
               ? BlockStep::kPassOver
               : BlockStep::kDamage;
  }
  if ((flags & kBlockFirst) == 0 || (flags & kBlockSyncError) != 0) {
    const bool links = (flags & kBlockLast) == 0;
    if (searching || block.dataLength > longest ||
        (links &&
         (block.nextFilePosition == position || !PlausibleLink(block.nextFilePosition, length) ||
          block.nextFilePosition == kNoLink))) {
      return BlockStep::kDamage;
    }
    return BlockStep::kPassOver;
  }
  if (block.totalLength > longest) return BlockStep::kDamage;
  return BlockStep::kRecord;
}

// No record is longer than the index file says (or than the file).
std::uint64_t LongestRecord(const MyisamBaseInfo& base, std::uint64_t length) {
  return base.maxPackedLength > 0 ? std::min<std::uint64_t>(base.maxPackedLength, length) : length;
}

// An 8-byte file position: two big-endian 32-bit halves, high half first.
std::uint64_t Position(ByteView header, std::size_t offset) {
  return (static_cast<std::uint64_t>(Be32(header, offset)) << 32) | Be32(header, offset + 4);
}

}  // namespace

// ---- Reading the data file ----

void MemorySource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
  std::fill(out.begin(), out.end(), std::uint8_t{0});
  if (offset >= bytes_.size()) return;
  const ByteView part = SubView(bytes_, static_cast<std::size_t>(offset), out.size());
  std::copy(part.begin(), part.end(), out.begin());
}

BufferedReader::BufferedReader(const ByteSource& source, std::size_t windowSize)
    : source_(source), size_(source.Size()), window_(std::max<std::size_t>(windowSize, 1)) {}

ByteView BufferedReader::Read(std::uint64_t offset, std::size_t count) {
  const std::uint64_t windowEnd = windowStart_ + window_.size();
  if (windowFilled_ && offset >= windowStart_ && offset <= windowEnd &&
      count <= windowEnd - offset) {
    return ByteView(window_).subspan(static_cast<std::size_t>(offset - windowStart_), count);
  }
  if (count > window_.size()) {
    large_.assign(count, 0);
    source_.ReadAt(offset, large_);
    return large_;
  }
  source_.ReadAt(offset, window_);
  windowStart_ = offset;
  windowFilled_ = true;
  return ByteView(window_).first(count);
}

// ---- Dynamic record blocks ----

int GetBlockInfo(BlockInfo& info, ByteView header, std::uint64_t position) {
  for (std::size_t i = 0; i < BlockInfo::kHeaderSize; ++i)
    info.header[i] = ByteAt(header, i);
  const ByteView h(info.header);
  const std::uint8_t type = h[0];

  int result = 0;
  const bool firstBlockType = type <= kLastFirstBlockType || type == kLongFirstBlockType;
  if (info.secondRead == firstBlockType) result = kBlockSyncError;

  switch (type) {
    case kDeletedBlock:
      info.blockLength = Be24(h, 1);
      if (info.blockLength < kMinimumBlockLength || info.blockLength % kBlockAlignment != 0) {
        return result | kBlockError;
      }
      info.filePosition = position;
      info.nextFilePosition = Position(h, 4);
      info.previousFilePosition = Position(h, 12);
      return result | kBlockDeleted;
    case 1:
      info.totalLength = info.dataLength = info.blockLength = Be16(h, 1);
      info.filePosition = position + 3;
      return result | kBlockFirst | kBlockLast;
    case 2:
      info.totalLength = info.dataLength = info.blockLength = Be24(h, 1);
      info.filePosition = position + 4;
      return result | kBlockFirst | kBlockLast;
    case 3:
      info.totalLength = info.dataLength = Be16(h, 1);
      info.blockLength = info.dataLength + h[3];
      info.filePosition = position + 4;
      return result | kBlockFirst | kBlockLast;
    case 4:
      info.totalLength = info.dataLength = Be24(h, 1);
      info.blockLength = info.dataLength + h[4];
      info.filePosition = position + 5;
      return result | kBlockFirst | kBlockLast;
    case 5:
      info.totalLength = Be16(h, 1);
      info.dataLength = info.blockLength = Be16(h, 3);
      info.nextFilePosition = Position(h, 5);
      info.secondRead = true;
      info.filePosition = position + 13;
      return result | kBlockFirst;
    case 6:
      info.totalLength = Be24(h, 1);
      info.dataLength = info.blockLength = Be24(h, 4);
      info.nextFilePosition = Position(h, 7);
      info.secondRead = true;
      info.filePosition = position + 15;
      return result | kBlockFirst;
    case 7:
      info.dataLength = info.blockLength = Be16(h, 1);
      info.filePosition = position + 3;
      return result | kBlockLast;
    case 8:
      info.dataLength = info.blockLength = Be24(h, 1);
      info.filePosition = position + 4;
      return result | kBlockLast;
    case 9:
      info.dataLength = Be16(h, 1);
      info.blockLength = info.dataLength + h[3];
      info.filePosition = position + 4;
      return result | kBlockLast;
    case 10:
      info.dataLength = Be24(h, 1);
      info.blockLength = info.dataLength + h[4];
      info.filePosition = position + 5;
      return result | kBlockLast;
    case 11:
      info.dataLength = info.blockLength = Be16(h, 1);
      info.nextFilePosition = Position(h, 3);
      info.secondRead = true;
      info.filePosition = position + 11;
      return result;
    case 12:
      info.dataLength = info.blockLength = Be24(h, 1);
      info.nextFilePosition = Position(h, 4);
      info.secondRead = true;
      info.filePosition = position + 12;
      return result;
    case kLongFirstBlockType:
      info.totalLength = Be32(h, 1);
      info.dataLength = info.blockLength = Be24(h, 5);
      info.nextFilePosition = Position(h, 8);
      info.secondRead = true;
      info.filePosition = position + 16;
      return result | kBlockFirst;
    default:
      return result | kBlockError;
  }
}

// ---- The scan ----

std::uint64_t FixedRecordStride(const TableDefinition& table, const MyisamBaseInfo& base) {
  return base.packedRecordLength != 0 ? base.packedRecordLength : table.recordLength;
}

MyisamCursor::MyisamCursor(const TableDefinition& table, std::int32_t rowFormat,
                           const MyisamBaseInfo& base, std::span<const MyisamColumn> descriptors,
                           const ByteSource& source, const CollationTable* collations,
                           std::size_t windowSize)
    : table_(table),
      rowFormat_(rowFormat),
      base_(base),
      descriptors_(descriptors),
      layout_(MyisamRecordLayout::Build(table, descriptors)),
      formats_(table, collations),
      reader_(source, windowSize),
      stride_(FixedRecordStride(table, base)) {
  if (rowFormat_ != kRowFormatFixed && rowFormat_ != kRowFormatDynamic) {
    report_.formatUnsupported = true;
    report_.Note("compressed MyISAM tables (myisampack) are not read");
  } else if (rowFormat_ == kRowFormatFixed && stride_ == 0 && reader_.Size() > 0) {
    report_.formatUnsupported = true;
    report_.Note("neither the definition nor the index file gives the record length");
  }
}

void MyisamCursor::Seek(const PageStart& position) {
  position_ = position.offset;
  searching_ = false;
}

bool MyisamCursor::Next(RowBuffer& row) {
  switch (rowFormat_) {
    case kRowFormatFixed:
      return NextFixed(row);
    case kRowFormatDynamic:
      return NextDynamic(row);
    default:
      return false;
  }
}

void MyisamCursor::DecodeFixedRecord(ByteView record, RowBuffer& row) const {
  DecodeRecordImage(table_, layout_, record, {}, FixedRecordDeleted(layout_, record), formats_,
                    row);
}

bool MyisamCursor::DecodeDynamicRecord(ByteView record, RowBuffer& row, bool strict) {
  const PackingInfo packing{base_.minPackedLength, base_.packBits};
  if (!UnpackDynamicRecord(layout_, descriptors_, packing, record, unpacked_, strict)) {
    return false;
  }
  DecodeRecordImage(table_, layout_, unpacked_.image, unpacked_.separateData, false, formats_, row);
  return true;
}

bool MyisamCursor::NextFixed(RowBuffer& row) {
  const std::uint64_t length = reader_.Size();
  if (stride_ == 0 || position_ >= length || position_ >= end_) return false;
  // Records are read whether or not they carry the delete mark.
  DecodeFixedRecord(reader_.Read(position_, static_cast<std::size_t>(stride_)), row);
  if (length - position_ < stride_) {
    report_.Note("the data file ends inside its last record; its missing bytes read as zero");
    ++report_.bytesSkipped;
  }
  position_ += stride_;
  ++report_.rowsRead;
  if (row.deleted) ++report_.deletedRows;
  return true;
}

// Dynamic records: each record starts with a first block (types 1 to 6 and
// 13), whose header gives the record's length; split records continue in
// blocks of types 7 to 12 elsewhere in the file. Deleted blocks (type 0)
// lost their first 20 bytes, and with them the record's pack and null flags,
// to the deleted-block header, so their fields cannot be found again: they
// are passed over, as are continuation blocks met in file order.
//
// Damage is met by skipping ahead, never by reading a position twice: a
// record whose chain is broken (a block of the wrong kind, a loop, more
// data than the record wants, a position past the end) is left out and the
// scan goes on after its first block; a header no block the server writes
// can have (see StepAt) makes the scan look for the next record at the
// following aligned positions. A record found that way must have a whole
// chain and unpack exactly; the bytes passed over until then are counted.
bool MyisamCursor::NextDynamic(RowBuffer& row) {
  const std::uint64_t length = reader_.Size();
  const std::uint64_t longest = LongestRecord(base_, length);
  std::uint64_t searchStart = 0;
  const auto startSearch = [&](std::uint64_t at) {
    if (!searching_) {
      searching_ = true;
      searchStart = at;
    }
  };
  const auto endSearch = [&](std::uint64_t at) {
    if (searching_ && at > searchStart) {
      report_.bytesSkipped += at - searchStart;
      report_.Note("damaged data file: " + std::to_string(at - searchStart) +
                   " bytes passed over from offset " + std::to_string(searchStart));
    }
    searching_ = false;
  };
  if (searching_) searchStart = position_;

  while (position_ < length && position_ < end_) {
    const std::uint64_t position = position_;
    BlockInfo first;
    const int flags = GetBlockInfo(first, reader_.Read(position, BlockInfo::kHeaderSize), position);
    const std::uint64_t searchNext = AlignUp(position + 1);
    std::uint64_t next = searchNext;
    const BlockStep step = StepAt(flags, first, position, length, longest, searching_, next);
    if (step == BlockStep::kPassOver) {
      if ((flags & kBlockDeleted) != 0 && !searching_) ++report_.deletedRecordsUnreadable;
      position_ = next;
      continue;
    }
    if (step == BlockStep::kDamage || (searching_ && first.totalLength > kLongestSearchedRecord)) {
      startSearch(position);
      position_ = searchNext;
      continue;
    }
    const bool wholeInFirstBlock =
        (flags & kBlockLast) != 0 && first.dataLength == first.totalLength;

    bool complete = true;
    ByteView recordBytes;
    if (wholeInFirstBlock) {
      // Most records: one block, decoded where the reader holds it.
      recordBytes = reader_.Read(first.filePosition, first.dataLength);
    } else {
      // Gather the record's bytes along its chain.
      record_.clear();
      visited_.clear();
      std::uint64_t wanted = first.totalLength;
      BlockInfo block = first;
      int blockFlags = flags;
      while (true) {
        if (block.dataLength > wanted || block.filePosition + block.dataLength > length) {
          complete = false;
          break;
        }
        const ByteView data = reader_.Read(block.filePosition, block.dataLength);
        record_.insert(record_.end(), data.begin(), data.end());
        wanted -= block.dataLength;
        if (wanted == 0) break;
        const std::uint64_t chained = block.nextFilePosition;
        if ((blockFlags & kBlockLast) != 0 || block.dataLength == 0 || chained >= length ||
            chained % kBlockAlignment != 0 || !visited_.insert(chained).second ||
            chained == position) {
          complete = false;
          break;
        }
        blockFlags = GetBlockInfo(block, reader_.Read(chained, BlockInfo::kHeaderSize), chained);
        if ((blockFlags & (kBlockError | kBlockSyncError | kBlockDeleted | kBlockFirst)) != 0) {
          complete = false;
          break;
        }
      }
      recordBytes = record_;
    }

    const bool strict = searching_;
    if (complete && DecodeDynamicRecord(recordBytes, row, strict)) {
      endSearch(position);
      position_ = next;
      ++report_.rowsRead;
      return true;
    }
    if (searching_) {
      position_ = searchNext;
      continue;
    }
    ++report_.recordsDropped;
    report_.Note(complete ? "a record at offset " + std::to_string(position) + " does not unpack"
                          : "a record at offset " + std::to_string(position) +
                                " has a broken block chain");
    position_ = next;
  }
  if (position_ >= length) endSearch(length);
  return false;
}

// ---- Cutting a scan of dynamic records into parts ----

DynamicBlockWalk::DynamicBlockWalk(const ByteSource& source, const MyisamBaseInfo& base)
    : reader_(source), longest_(LongestRecord(base, source.Size())) {}

bool DynamicBlockWalk::NextBlock(std::uint64_t& at) {
  const std::uint64_t length = reader_.Size();
  if (stopped_ || position_ >= length) return false;
  BlockInfo block;
  const int flags = GetBlockInfo(block, reader_.Read(position_, BlockInfo::kHeaderSize), position_);
  std::uint64_t next = 0;
  if (StepAt(flags, block, position_, length, longest_, false, next) == BlockStep::kDamage) {
    // What a scan finds from here depends on the records it unpacks.
    stopped_ = true;
    return false;
  }
  at = position_;
  position_ = next;
  return true;
}

bool DynamicBlockWalk::NextCut(std::uint64_t atLeast, std::uint64_t& cut) {
  const std::uint64_t target = position_ + std::max<std::uint64_t>(atLeast, 1);
  std::uint64_t block = 0;
  while (position_ < target) {
    if (!NextBlock(block)) return false;
  }
  if (position_ >= reader_.Size()) return false;
  cut = position_;
  return true;
}

}  // namespace rowmender
