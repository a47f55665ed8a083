#include "myisam/record_image.h"

#include <algorithm>
#include <map>

#include "definitions/column_types.h"
#include "values/image_values.h"

namespace rowmender {

namespace {

// A record image is never longer than this: the server keeps a row (BLOB
// data aside) within 64 KiB, so only damaged definitions come near it.
constexpr std::size_t kLargestImage = 128u * 1024;

// In the image, a BLOB, TEXT or GEOMETRY value is its length (1 to 4 bytes)
// followed by a pointer of this size.
constexpr std::size_t kBlobPointerSize = 8;
constexpr std::size_t kLargestBlobLengthSize = 4;

constexpr std::uint8_t kDeleteMark = 0x01;
constexpr int kBitsPerByte = 8;

// Bytes of a BLOB's length in the image, by its type.
std::size_t BlobLengthSize(std::uint32_t typeCode) {
  switch (typeCode) {
    case kTypeTinyBlob:
      return 1;
    case kTypeBlob:
      return 2;
    case kTypeMediumBlob:
      return 3;
    default:
      return 4;
  }
}

// MariaDB's UUID, INET6 and INET4 columns: the definition gives the length
// of their text, the record keeps their binary value.
std::size_t NamedTypeSize(const ColumnDefinition& column) {
  constexpr std::size_t kUuidSize = 16;
  constexpr std::size_t kInet6Size = 16;
  constexpr std::size_t kInet4Size = 4;
  if (column.typeName == "uuid") return kUuidSize;
  if (column.typeName == "inet6") return kInet6Size;
  if (column.typeName == "inet4") return kInet4Size;
  return 0;
}

bool BitHasOddBits(const ColumnDefinition& column) {
  return column.typeCode == kTypeBit && !column.BitStoredAsChars() && (column.length & 7) != 0;
}

// Copies `bytes` into the image at `offset`, as far as the image reaches.
void Put(std::vector<std::uint8_t>& image, std::size_t offset, ByteView bytes) {
  if (offset >= image.size()) return;
  const std::size_t count = std::min(bytes.size(), image.size() - offset);
  std::copy_n(bytes.begin(), count, image.begin() + static_cast<std::ptrdiff_t>(offset));
}

void Fill(std::vector<std::uint8_t>& image, std::size_t offset, std::size_t count,
          std::uint8_t value) {
  if (offset >= image.size()) return;
  count = std::min(count, image.size() - offset);
  std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(offset), count, value);
}

void PutLittleEndian(std::vector<std::uint8_t>& image, std::size_t offset, std::uint64_t value,
                     std::size_t width) {
  for (std::size_t i = 0; i < width && offset + i < image.size(); ++i) {
    image[offset + i] = static_cast<std::uint8_t>(value >> (kBitsPerByte * i));
  }
}

}  // namespace

MyisamRecordLayout MyisamRecordLayout::Build(const TableDefinition& table,
                                             std::span<const MyisamColumn> descriptors) {
  MyisamRecordLayout layout;
  layout.hasDeleteMark_ = !table.PackedRecords();
  std::uint32_t nullByte = 0;
  int nullBitIndex = layout.hasDeleteMark_ ? 1 : 0;

  for (const ColumnDefinition& column : table.columns) {
    ColumnPlacement placement;
    placement.offset = column.recordOffset > 0 ? column.recordOffset - 1 : 0;
    placement.separateData = IsBlobOrGeometryType(column.typeCode);
    const std::size_t named = NamedTypeSize(column);
    placement.size = placement.separateData ? BlobLengthSize(column.typeCode) + kBlobPointerSize
                     : named != 0           ? named
                                            : FixedValueSize(column);
    if (column.isVirtual) {
      // Its null flag is among the record's; its value is nowhere.
      placement.separateData = false;
      placement.size = 0;
    }
    if (column.nullable) {
      placement.nullPosition = nullByte;
      placement.nullBit = static_cast<std::uint8_t>(1u << nullBitIndex);
    }
    if (BitHasOddBits(column)) {
      placement.oddBits = static_cast<std::uint8_t>(column.length & 7);
      // The high bits follow the column's own null flag.
      const int first = column.nullable ? nullBitIndex + 1 : nullBitIndex;
      placement.oddBitPosition = nullByte + (first >= kBitsPerByte ? 1 : 0);
      placement.oddBitOffset = static_cast<std::uint8_t>(first % kBitsPerByte);
    }
    if (column.nullable && ++nullBitIndex == kBitsPerByte) {
      nullBitIndex = 0;
      ++nullByte;
    }
    nullBitIndex += placement.oddBits;
    if (nullBitIndex >= kBitsPerByte) {
      nullBitIndex -= kBitsPerByte;
      ++nullByte;
    }
    layout.columns_.push_back(placement);
  }
  layout.nullFlagBytes_ = nullByte + (nullBitIndex > 0 ? 1 : 0);

  // Pair the descriptors with the columns by their place in the image. A
  // column that takes no bytes there (a short BIT) shares its offset with
  // the next column and is not a descriptor's.
  std::map<std::size_t, int> columnAt;
  for (std::size_t i = layout.columns_.size(); i-- > 0;) {
    const ColumnPlacement& placement = layout.columns_[i];
    if (placement.size > 0) columnAt[placement.offset] = static_cast<int>(i);
  }
  std::size_t offset = 0;
  for (const MyisamColumn& descriptor : descriptors) {
    const auto found = columnAt.find(offset);
    int column = -1;
    if (found != columnAt.end() && !(offset == 0 && layout.nullFlagBytes_ > 0)) {
      column = found->second;
      ColumnPlacement& placement = layout.columns_[static_cast<std::size_t>(column)];
      // The index file knows the size of a BLOB's length and pointer.
      if (placement.separateData) placement.size = descriptor.fieldLength;
    }
    layout.columnOfDescriptor_.push_back(column);
    offset += descriptor.fieldLength;
  }

  std::size_t length = std::max<std::size_t>({table.recordLength, offset, layout.nullFlagBytes_});
  for (const ColumnPlacement& placement : layout.columns_) {
    length = std::max(length, placement.offset + placement.size);
  }
  layout.imageLength_ = std::min(length, kLargestImage);
  return layout;
}

bool UnpackDynamicRecord(const MyisamRecordLayout& layout,
                         std::span<const MyisamColumn> descriptors, PackingInfo packing,
                         ByteView record, UnpackedRecord& out, bool strict) {
  if (record.size() < packing.minPackedLength || record.size() < packing.packBits) return false;
  out.image.assign(layout.ImageLength(), 0);
  out.separateData.assign(layout.Columns().size(), ByteView{});

  const std::size_t end = record.size();
  std::size_t from = packing.packBits;
  // Bytes the fields still to come need at least.
  std::size_t rest =
      packing.minPackedLength > packing.packBits ? packing.minPackedLength - packing.packBits : 0;
  const auto consumeRest = [&rest](std::size_t count) { rest -= std::min(rest, count); };
  std::size_t packPosition = 0;
  unsigned flag = ByteAt(record, 0);
  unsigned bit = 1;
  std::size_t offset = 0;

  for (std::size_t d = 0; d < descriptors.size(); ++d) {
    const MyisamColumn& descriptor = descriptors[d];
    const std::size_t length = descriptor.fieldLength;
    const auto type = descriptor.fieldType;
    const std::size_t left = end - from;

    if (type == kFieldNormal || type == kFieldCheck) {
      if (rest > left || length > left) return false;
      consumeRest(length);
      Put(out.image, offset, record.subspan(from, length));
      from += length;
    } else if (type == kFieldVarchar) {
      if (length < 1 || from >= end) return false;
      constexpr std::size_t kOneBytePrefixLimit = 256;
      constexpr std::uint8_t kTwoByteLengthFollows = 0xFF;
      const std::size_t prefix = length - 1 < kOneBytePrefixLimit ? 1 : 2;
      std::size_t valueLength = record[from];
      if (prefix == 1) {
        from += 1;
        if (valueLength > length - 1) return false;
      } else {
        if (valueLength == kTwoByteLengthFollows) {
          if (end - from < 3) return false;
          valueLength = Be16(record, from + 1);
          from += 3;
        } else {
          from += 1;
        }
        if (length < 2 || valueLength > length - 2) return false;
      }
      if (valueLength > end - from) return false;
      PutLittleEndian(out.image, offset, valueLength, prefix);
      Put(out.image, offset + prefix, record.subspan(from, valueLength));
      from += valueLength;
      consumeRest(1);
      offset += length;
      continue;  // the pack bit does not move
    } else if ((flag & bit) != 0) {
      // Packed away: an empty BLOB, zeros, or a string without its spaces.
      if (type == kFieldSkipEndSpace || type == kFieldSkipPreSpace) {
        constexpr std::size_t kOneByteLengthLimit = 255;
        constexpr std::uint8_t kLongLengthFlag = 0x80;
        std::size_t stored = 0;
        if (from >= end) return false;
        if (length > kOneByteLengthLimit && (record[from] & kLongLengthFlag) != 0) {
          if (end - from < 2) return false;
          stored = (record[from] & 0x7Fu) + (static_cast<std::size_t>(record[from + 1]) << 7);
          from += 2;
        } else {
          stored = record[from];
          from += 1;
        }
        consumeRest(1);
        if (stored >= length || stored > end - from || rest > end - from - stored) return false;
        if (type == kFieldSkipEndSpace) {
          Put(out.image, offset, record.subspan(from, stored));
          Fill(out.image, offset + stored, length - stored, ' ');
        } else {
          Fill(out.image, offset, length - stored, ' ');
          Put(out.image, offset + length - stored, record.subspan(from, stored));
        }
        from += stored;
      }
    } else if (type == kFieldBlob) {
      if (length <= kBlobPointerSize || length > kBlobPointerSize + kLargestBlobLengthSize) {
        return false;
      }
      const std::size_t sizeLength = length - kBlobPointerSize;
      if (left < sizeLength) return false;
      const std::uint64_t dataLength = LittleEndian(record, from, sizeLength);
      if (left - sizeLength < dataLength || left - sizeLength - dataLength < rest) return false;
      Put(out.image, offset, record.subspan(from, sizeLength));
      const int column = layout.ColumnOfDescriptor(d);
      const ByteView data = record.subspan(from + sizeLength, static_cast<std::size_t>(dataLength));
      if (column >= 0) out.separateData[static_cast<std::size_t>(column)] = data;
      from += sizeLength + static_cast<std::size_t>(dataLength);
    } else {
      if (type == kFieldSkipEndSpace || type == kFieldSkipPreSpace) consumeRest(1);
      if (length > left || rest > left - length) return false;
      Put(out.image, offset, record.subspan(from, length));
      from += length;
    }
    offset += length;
    if (type != kFieldNormal && type != kFieldCheck) {
      bit <<= 1;
      if (bit > 0xFF) {
        ++packPosition;
        flag = packPosition < packing.packBits ? record[packPosition] : 0;
        bit = 1;
      }
    }
  }
  if (strict) {
    // A table with row checksums keeps one more byte after the fields.
    if (end - from > 1) return false;
    if (bit != 1 && (flag & ~(bit - 1)) != 0) return false;
  }
  return true;
}

namespace {

// A BIT value: its high bits from among the null flags, then its bytes.
std::uint64_t BitValue(const ColumnPlacement& placement, ByteView image, ByteView nullFlags) {
  const ByteView whole = SubView(image, placement.offset, placement.size);
  std::uint64_t value = BigEndian(whole, 0, std::min<std::size_t>(whole.size(), 8));
  if (placement.oddBits > 0) {
    const unsigned pair =
        static_cast<unsigned>(ByteAt(nullFlags, placement.oddBitPosition)) |
        (static_cast<unsigned>(ByteAt(nullFlags, placement.oddBitPosition + 1)) << kBitsPerByte);
    const std::uint64_t high = (pair >> placement.oddBitOffset) & ((1u << placement.oddBits) - 1);
    const std::size_t shift = kBitsPerByte * std::min<std::size_t>(placement.size, 7);
    value |= high << shift;
  }
  return value;
}

}  // namespace

void DecodeRecordImage(const TableDefinition& table, const MyisamRecordLayout& layout,
                       ByteView image, std::span<const ByteView> separateData, bool deleted,
                       const TableFormat& formats, RowBuffer& row) {
  const std::size_t count = table.columns.size();
  row.Reset(count);
  row.deleted = deleted;
  row.longValues = nullptr;
  const ByteView nullFlags = SubView(image, 0, layout.NullFlagBytes());
  const auto& placements = layout.Columns();
  for (std::size_t i = 0; i < count && i < formats.Size() && i < placements.size(); ++i) {
    const ColumnDefinition& column = table.columns[i];
    const ColumnPlacement& placement = placements[i];
    Cell& cell = row.cells[i];
    // No record stores a VIRTUAL column's value: the server computes it.
    if (column.isVirtual) continue;
    if (IsNullFlagSet(nullFlags, placement.nullPosition, placement.nullBit)) {
      cell.SetNull();
      continue;
    }
    ByteView bytes;
    if (placement.separateData) {
      bytes = i < separateData.size() ? separateData[i] : ByteView{};
    } else if (column.typeCode == kTypeVarchar) {
      const std::size_t prefix = VarcharPrefixSize(column);
      const std::size_t length =
          std::min<std::size_t>(LittleEndian(image, placement.offset, prefix), column.length);
      bytes = SubView(image, placement.offset + prefix, length);
    } else if (column.typeCode == kTypeBit) {
      cell.SetUnsigned(CellKind::kBit, BitValue(placement, image, nullFlags));
      continue;
    } else {
      bytes = SubView(image, placement.offset, placement.size);
    }
    DecodeImageValue(formats[i], bytes, cell);
  }
}

bool FixedRecordDeleted(const MyisamRecordLayout& layout, ByteView record) {
  return layout.HasDeleteMark() && (ByteAt(record, 0) & kDeleteMark) == 0;
}

}  // namespace rowmender
