#include "myisam/record_scan.h"

#include <algorithm>
#include <unordered_set>

namespace rowmender {

namespace {

// While looking for a record after damage, only whole records in one block
// of at most this length are tried, so that garbage costs little to pass.
constexpr std::uint64_t kLongestSearchedRecord = 64 * 1024;

// Every block of a dynamic data file starts at a multiple of this.
constexpr std::uint64_t kBlockAlignment = 4;
// The shortest block MyISAM writes (a deleted block's header).
constexpr std::uint32_t kMinimumBlockLength = 20;

// Block types.
constexpr std::uint8_t kDeletedBlock = 0;
constexpr std::uint8_t kLastFirstBlockType = 6;
constexpr std::uint8_t kLongFirstBlockType = 13;

std::uint64_t AlignUp(std::uint64_t position) {
  return (position + kBlockAlignment - 1) / kBlockAlignment * kBlockAlignment;
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

// ---- Page scans ----

MyisamTableScan::MyisamTableScan(const TableDefinition& table, std::int32_t rowFormat,
                                 const MyisamBaseInfo& base,
                                 std::span<const MyisamColumn> descriptors,
                                 const ValueOptions& options)
    : table_(table),
      rowFormat_(rowFormat),
      base_(base),
      descriptors_(descriptors),
      options_(options),
      layout_(MyisamRecordLayout::Build(table, descriptors)),
      encodings_(ColumnEncodings(table, options)) {}

std::uint64_t MyisamTableScan::FixedStride(std::uint64_t fileLength) const {
  const std::uint64_t defined = table_.recordLength;
  const std::uint64_t packed = base_.packedRecordLength;
  const std::uint64_t stride = (defined == packed || fileLength <= packed) ? defined : packed;
  return stride != 0 ? stride : std::max(defined, packed);
}

PageScanResult MyisamTableScan::ReadPage(BufferedReader& reader, std::uint64_t start,
                                         std::size_t rowLimit,
                                         std::vector<DecodedRow>& rows) const {
  switch (rowFormat_) {
    case kRowFormatFixed:
      return ReadFixedPage(reader, start, rowLimit, rows);
    case kRowFormatDynamic:
      return ReadDynamicPage(reader, start, rowLimit, rows);
    default:
      return PageScanResult{start, false};  // compressed tables are not read
  }
}

DecodedRow MyisamTableScan::DecodeFixedRecord(ByteView record) const {
  return DecodeRecordImage(table_, layout_, record, {}, FixedRecordDeleted(layout_, record),
                           options_, encodings_);
}

bool MyisamTableScan::DecodeDynamicRecord(ByteView record, DecodedRow& row, bool strict) const {
  UnpackedRecord unpacked;
  return DecodeDynamicRecord(record, row, strict, unpacked);
}

bool MyisamTableScan::DecodeDynamicRecord(ByteView record, DecodedRow& row, bool strict,
                                          UnpackedRecord& unpacked) const {
  const PackingInfo packing{base_.minPackedLength, base_.packBits};
  if (!UnpackDynamicRecord(layout_, descriptors_, packing, record, unpacked, strict)) {
    return false;
  }
  row = DecodeRecordImage(table_, layout_, unpacked.image, unpacked.separateData, false, options_,
                          encodings_);
  return true;
}

PageScanResult MyisamTableScan::ReadFixedPage(BufferedReader& reader, std::uint64_t start,
                                              std::size_t rowLimit,
                                              std::vector<DecodedRow>& rows) const {
  const std::uint64_t length = reader.Size();
  const std::uint64_t stride = FixedStride(length);
  PageScanResult result{start, false};
  if (stride == 0 || rowLimit == 0) return result;
  std::size_t added = 0;
  for (std::uint64_t position = start; position < length; position += stride) {
    // Records are read whether or not they carry the delete mark.
    rows.push_back(DecodeFixedRecord(reader.Read(position, static_cast<std::size_t>(stride))));
    result.nextStart = position + stride;
    if (++added == rowLimit) {
      result.stoppedAtLimit = true;
      break;
    }
  }
  return result;
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
// scan goes on after its first block; a header no block has makes the scan
// look for the next record at the following aligned positions, and a record
// found that way must be whole in one block and unpack exactly.
PageScanResult MyisamTableScan::ReadDynamicPage(BufferedReader& reader, std::uint64_t start,
                                                std::size_t rowLimit,
                                                std::vector<DecodedRow>& rows) const {
  const std::uint64_t length = reader.Size();
  PageScanResult result{start, false};
  if (rowLimit == 0) return result;
  std::size_t added = 0;
  bool searching = false;  // looking for a record after damage
  std::vector<std::uint8_t> record;
  std::unordered_set<std::uint64_t> visited;
  UnpackedRecord unpacked;
  // No record is longer than the index file says (or than the file).
  const std::uint64_t longest =
      base_.maxPackedLength > 0 ? std::min<std::uint64_t>(base_.maxPackedLength, length) : length;

  std::uint64_t position = start;
  while (position < length) {
    BlockInfo first;
    const int flags = GetBlockInfo(first, reader.Read(position, BlockInfo::kHeaderSize), position);
    const std::uint64_t searchNext = AlignUp(position + 1);

    if ((flags & kBlockError) != 0) {
      searching = true;
      position = searchNext;
      continue;
    }
    if ((flags & kBlockFirst) == 0 || (flags & kBlockSyncError) != 0) {
      // A deleted block or a continuation block: pass over it.
      const std::uint64_t after = first.filePosition + first.blockLength;
      position = after > position && after <= length ? after : searchNext;
      continue;
    }
    const std::uint64_t firstEnd = first.filePosition + first.blockLength;
    const bool wholeInFirstBlock =
        (flags & kBlockLast) != 0 && first.dataLength == first.totalLength;
    if (firstEnd > length || first.totalLength > longest ||
        (searching && (!wholeInFirstBlock || first.totalLength > kLongestSearchedRecord))) {
      searching = true;
      position = searchNext;
      continue;
    }

    bool complete = true;
    ByteView recordBytes;
    if (wholeInFirstBlock) {
      // Most records: one block, decoded where the reader holds it.
      recordBytes = reader.Read(first.filePosition, first.dataLength);
    } else {
      // Gather the record's bytes along its chain.
      record.clear();
      visited.clear();
      std::uint64_t wanted = first.totalLength;
      BlockInfo block = first;
      int blockFlags = flags;
      while (true) {
        if (block.dataLength > wanted || block.filePosition + block.dataLength > length) {
          complete = false;
          break;
        }
        const ByteView data = reader.Read(block.filePosition, block.dataLength);
        record.insert(record.end(), data.begin(), data.end());
        wanted -= block.dataLength;
        if (wanted == 0) break;
        const std::uint64_t next = block.nextFilePosition;
        if ((blockFlags & kBlockLast) != 0 || block.dataLength == 0 || next >= length ||
            !visited.insert(next).second || next == position) {
          complete = false;
          break;
        }
        blockFlags = GetBlockInfo(block, reader.Read(next, BlockInfo::kHeaderSize), next);
        if ((blockFlags & (kBlockError | kBlockSyncError | kBlockDeleted | kBlockFirst)) != 0) {
          complete = false;
          break;
        }
      }
      recordBytes = record;
    }

    DecodedRow row;
    if (complete && DecodeDynamicRecord(recordBytes, row, searching, unpacked)) {
      rows.push_back(std::move(row));
      searching = false;
      ++added;
    } else if (searching) {
      position = searchNext;
      continue;
    }
    position = firstEnd > position ? firstEnd : searchNext;
    result.nextStart = position;
    if (added == rowLimit) {
      result.stoppedAtLimit = true;
      return result;
    }
  }
  result.nextStart = std::max(position, result.nextStart);
  return result;
}

}  // namespace rowmender
