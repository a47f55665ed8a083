#include "myisam/index_header.h"

#include <algorithm>
#include <iterator>

#include "base/data_file.h"

namespace rowmender {

namespace {

// Header (24 bytes at offset 0).
constexpr std::size_t kOptionsOffset = 4;
constexpr std::size_t kHeaderLengthOffset = 6;
constexpr std::size_t kBasePositionOffset = 12;
constexpr std::size_t kUniqueCountOffset = 19;

// Every index file begins with these bytes (then its version, 1).
constexpr std::uint8_t kMagic[] = {0xFE, 0xFE, 0x07};

// Option bits.
constexpr std::uint16_t kOptionPackedRecords = 0x0001;
constexpr std::uint16_t kOptionCompressedRecords = 0x0004;

// Key definition (12 bytes) and key segment (18 bytes); the first byte of a
// key definition is its segment count.
constexpr std::size_t kKeyDefinitionSize = 12;
constexpr std::size_t kKeySegmentSize = 18;
// Unique constraint (4 bytes): segment count (2), key number, flag.
constexpr std::size_t kUniqueDefinitionSize = 4;

// Everything the decoder reads lies in the header area of the file, whose
// length is a 16-bit number: it always fits in this many bytes.
constexpr std::size_t kHeaderAreaLimit = 64 * 1024;

}  // namespace

MyisamColumn MyisamColumn::DecodeFrom(ByteView bytes) {
  MyisamColumn column;
  column.fieldType = static_cast<std::int16_t>(Be16(bytes, 0));
  column.fieldLength = Be16(bytes, 2);
  column.nullBit = ByteAt(bytes, 4);
  column.nullPosition = Be16(bytes, 5);
  return column;
}

MyisamBaseInfo MyisamBaseInfo::DecodeFrom(ByteView bytes) {
  MyisamBaseInfo base;
  base.keyFileStart = Be64(bytes, 0);
  base.maxDataFileLength = Be64(bytes, 8);
  base.maxKeyFileLength = Be64(bytes, 16);
  base.maxRows = Be64(bytes, 24);
  base.reservedRows = Be64(bytes, 32);
  base.meanRowLength = Be32(bytes, 40);
  base.baseRecordLength = Be32(bytes, 44);
  base.packedRecordLength = Be32(bytes, 48);
  base.minPackedLength = Be32(bytes, 52);
  base.maxPackedLength = Be32(bytes, 56);
  base.minBlockLength = Be32(bytes, 60);
  base.fieldCount = Be32(bytes, 64);
  base.packedFieldCount = Be32(bytes, 68);
  base.recordPointerLength = ByteAt(bytes, 72);
  base.keyPointerLength = ByteAt(bytes, 73);
  base.keyCount = ByteAt(bytes, 74);
  base.autoIncrementKey = ByteAt(bytes, 75);
  base.packBits = Be16(bytes, 76);
  base.blobCount = Be16(bytes, 78);
  base.maxKeyBlockLength = Be16(bytes, 80);
  base.maxKeyLength = Be16(bytes, 82);
  base.extraAllocBytes = Be16(bytes, 84);
  base.raidInfo = Le32(bytes, 86);
  base.raidChunkSize = Le32(bytes, 90);
  return base;
}

IndexHeaderStatus DecodeIndexHeader(ByteView bytes, std::uint64_t fileLength,
                                    MyisamIndexHeader& out) {
  if (fileLength <= MyisamIndexHeader::kHeaderSize ||
      bytes.size() < MyisamIndexHeader::kHeaderSize) {
    return IndexHeaderStatus::kRejected;
  }
  // The walk below never goes past the end of the file or of the bytes read.
  const ByteView file =
      bytes.first(static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size(), fileLength)));

  out.knownMagic = std::equal(std::begin(kMagic), std::end(kMagic), file.begin());
  out.options = Be16(file, kOptionsOffset);
  out.headerLength = Be16(file, kHeaderLengthOffset);
  out.basePosition = Be16(file, kBasePositionOffset);
  out.uniqueCount = ByteAt(file, kUniqueCountOffset);
  if (out.options & kOptionCompressedRecords) {
    out.rowFormat = kRowFormatCompressed;
  } else if (out.options & kOptionPackedRecords) {
    out.rowFormat = kRowFormatDynamic;
  } else {
    out.rowFormat = kRowFormatFixed;
  }
  if (out.basePosition >= fileLength) return IndexHeaderStatus::kAccepted;

  // A base information block cut short by the end reads as zeros there.
  out.base = MyisamBaseInfo::DecodeFrom(SubView(file, out.basePosition, MyisamBaseInfo::kSize));
  out.baseInfoRead = true;
  std::size_t pos = out.basePosition + MyisamBaseInfo::kSize;

  // Key definitions and their segments, then the unique constraints: only
  // walked over to reach the field descriptors.
  for (unsigned key = 0; key < out.base.keyCount && pos < file.size(); ++key) {
    const std::size_t segments = ByteAt(file, pos);
    pos += kKeyDefinitionSize + segments * kKeySegmentSize;
  }
  for (unsigned unique = 0; unique < out.uniqueCount && pos < file.size(); ++unique) {
    const std::size_t segments = Be16(file, pos);
    pos += kUniqueDefinitionSize + segments * kKeySegmentSize;
  }

  out.columns.clear();
  for (std::uint32_t field = 0; field < out.base.fieldCount; ++field) {
    if (pos > file.size() || file.size() - pos < MyisamColumn::kSize) break;
    out.columns.push_back(MyisamColumn::DecodeFrom(file.subspan(pos, MyisamColumn::kSize)));
    pos += MyisamColumn::kSize;
  }
  return IndexHeaderStatus::kAccepted;
}

std::size_t IndexHeaderReadSize(std::uint64_t fileLength) {
  return static_cast<std::size_t>(std::min<std::uint64_t>(kHeaderAreaLimit, fileLength));
}

bool ReadIndexFile(const std::string& path, MyisamIndexHeader& header) {
  DataFile file;
  if (!file.Open(path)) return false;
  const std::uint64_t length = file.Size();
  if (length <= MyisamIndexHeader::kHeaderSize) return false;
  const std::vector<std::uint8_t> bytes = file.ReadBlock(0, IndexHeaderReadSize(length));
  return DecodeIndexHeader(bytes, length, header) == IndexHeaderStatus::kAccepted;
}

}  // namespace rowmender
