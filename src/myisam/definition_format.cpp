#include "myisam/definition_format.h"

#include <algorithm>
#include <iterator>
#include <set>

#include "definitions/column_types.h"
#include "myisam/record_image.h"
#include "myisam/record_scan.h"

namespace rowmender {

namespace {

// A BLOB's field holds its length (1 to 4 bytes) and a pointer of 8 bytes.
constexpr std::uint32_t kBlobPointerSize = 8;
constexpr std::uint32_t kLongestBlobField = 4 + kBlobPointerSize;
// The longest packed record when a LONGBLOB or LONGTEXT sets no limit.
constexpr std::uint64_t kUnlimitedRecord = 0x7FFFFFFF;
// A VARCHAR field of this many bytes (length prefix included) or more may
// pack its length into 3 bytes.
constexpr std::uint32_t kLongVarcharField = 257;
// A string field longer than this packs its length into 2 bytes.
constexpr std::uint32_t kOneByteStringLength = 255;
// Fields of at most this many bytes are never space-packed.
constexpr std::uint32_t kShortestSpacePacked = 4;
// Every block of a dynamic data file is at least this long.
constexpr std::uint32_t kMinimumBlockLength = 20;
// The server's default record pointer (myisam_data_pointer_size).
constexpr std::uint8_t kDefaultPointerLength = 6;
constexpr std::uint8_t kShortestPointer = 2;
constexpr std::uint8_t kLongestPointer = 8;
// The most fields a definition can give a table.
constexpr std::uint32_t kMostFields = 4096;
// Version ids of servers that keep 4-byte TIMESTAMPs whole in packed
// records: every MariaDB from 10.0 on (5.3 to 5.5 did too, but share their
// version ids with MySQL).
constexpr std::uint32_t kFirstMariadbVersionId = 100000;
// myisampack's first bytes of a compressed data file.
constexpr std::uint8_t kCompressedMagic[kCompressedMagicLength] = {0xFE, 0xFE, 0x08};
constexpr std::uint32_t kBitsPerByte = 8;

std::int16_t FieldTypeOf(const ColumnDefinition& column, std::size_t length, bool packedRecords,
                         TimestampPacking timestamps) {
  if (IsBlobOrGeometryType(column.typeCode)) return kFieldBlob;
  if (column.typeCode == kTypeTimestamp) {
    return packedRecords && timestamps == TimestampPacking::kSkipPrespace &&
                   length >= kShortestSpacePacked
               ? kFieldSkipPreSpace
               : kFieldNormal;
  }
  if (column.typeCode == kTypeVarchar) return kFieldVarchar;
  if (!packedRecords) return kFieldNormal;
  if (column.typeCode == kTypeTimestamp2) return kFieldSkipPreSpace;
  if (LeavesOutZeros(column)) return kFieldSkipZero;
  if (length < kShortestSpacePacked || column.Zerofill()) return kFieldNormal;
  return column.typeCode == kTypeString || column.typeCode == kTypeVarString ? kFieldSkipEndSpace
                                                                             : kFieldSkipPreSpace;
}

// One field of the record image: a column's bytes there.
struct StoredField {
  std::size_t offset = 0;
  std::size_t length = 0;
  std::size_t column = 0;
};

// The field descriptors, in image order: each column that takes bytes in
// the image, and a plain field for every stretch no column claims (the
// null flags in front).
std::vector<MyisamColumn> DeriveDescriptors(const TableDefinition& table,
                                            TimestampPacking timestamps) {
  const MyisamRecordLayout layout = MyisamRecordLayout::Build(table, {});
  std::vector<StoredField> fields;
  for (std::size_t i = 0; i < layout.Columns().size(); ++i) {
    const ColumnPlacement& placement = layout.Columns()[i];
    if (placement.size > 0) fields.push_back({placement.offset, placement.size, i});
  }
  // At one offset the shorter field comes first (a column that takes no
  // bytes shares its offset with the next one).
  std::stable_sort(fields.begin(), fields.end(), [](const StoredField& a, const StoredField& b) {
    return a.offset != b.offset ? a.offset < b.offset : a.length < b.length;
  });

  std::vector<MyisamColumn> descriptors;
  const auto plain = [&descriptors](std::size_t length) {
    MyisamColumn gap;
    gap.fieldType = kFieldNormal;
    gap.fieldLength = static_cast<std::uint16_t>(length);
    descriptors.push_back(gap);
  };
  std::size_t position = 0;
  for (const StoredField& field : fields) {
    if (field.offset < position) continue;  // overlaps the field before
    if (field.offset > position) plain(field.offset - position);
    const ColumnDefinition& column = table.columns[field.column];
    const ColumnPlacement& placement = layout.Columns()[field.column];
    MyisamColumn descriptor;
    descriptor.fieldType = FieldTypeOf(column, field.length, table.PackedRecords(), timestamps);
    descriptor.fieldLength = static_cast<std::uint16_t>(field.length);
    descriptor.nullBit = placement.nullBit;
    descriptor.nullPosition = placement.nullBit != 0
                                  ? static_cast<std::uint16_t>(placement.nullPosition)
                                  : std::uint16_t{0};
    descriptors.push_back(descriptor);
    position = field.offset + field.length;
  }
  if (position < table.recordLength) plain(table.recordLength - position);
  return descriptors;
}

// The server's record pointer for a file of `length` bytes (or rows).
std::uint8_t PointerLengthFor(std::uint64_t length) {
  if (length == 0) return kDefaultPointerLength;
  std::uint8_t bytes = kShortestPointer;
  while (bytes < kLongestPointer - 1 && length >= (std::uint64_t{1} << (kBitsPerByte * bytes))) {
    ++bytes;
  }
  return bytes;
}

bool IsPackType(std::int16_t type) {
  return type == kFieldBlob || type == kFieldSkipPreSpace || type == kFieldSkipEndSpace ||
         type == kFieldSkipZero;
}

}  // namespace

bool LeavesOutZeros(const ColumnDefinition& column) {
  if (!column.typeName.empty()) return true;  // uuid, inet6, inet4
  switch (column.typeCode) {
    case kTypeDecimalOld:
    case kTypeNewDecimal:
    case kTypeString:
    case kTypeVarString:
    case kTypeEnum:
      return false;
    default:
      return true;
  }
}

MyisamFormat DeriveMyisamFormat(const TableDefinition& table, TimestampPacking timestamps,
                                std::uint8_t pointerLength) {
  MyisamFormat format;
  format.columns = DeriveDescriptors(table, timestamps);

  // What the server adds up over the fields when it creates the table.
  std::uint64_t recordLength = 0;
  std::uint64_t minPacked = 0;
  std::uint64_t longest = 0;
  std::uint64_t varcharBytes = 0;
  std::uint32_t longVarchars = 0;
  std::uint32_t packed = 0;
  std::uint16_t blobs = 0;
  for (const MyisamColumn& field : format.columns) {
    const std::uint32_t length = field.fieldLength;
    recordLength += length;
    switch (field.fieldType) {
      case kFieldBlob:
        ++packed;
        ++blobs;
        if (longest != kUnlimitedRecord) {
          longest = length == kLongestBlobField
                        ? kUnlimitedRecord
                        : longest + (std::uint64_t{1} << ((length - kBlobPointerSize) * 8));
        }
        break;
      case kFieldSkipPreSpace:
      case kFieldSkipEndSpace:
        ++packed;
        if (longest != kUnlimitedRecord) longest += length > kOneByteStringLength ? 2 : 1;
        ++minPacked;
        break;
      case kFieldVarchar:
        varcharBytes += length - 1;
        ++longest;  // also past the limit, as the server counts it
        ++minPacked;
        if (length >= kLongVarcharField) {
          ++longVarchars;
          longest += 2;
        }
        break;
      case kFieldSkipZero:
        ++packed;
        break;
      default:
        minPacked += length;
        break;
    }
  }
  // A lone pack bit in the last flag byte: the server stores the last
  // one-byte field that leaves out zeros whole instead.
  if ((packed & 7) == 1) {
    for (auto it = format.columns.rbegin(); it != format.columns.rend(); ++it) {
      if (it->fieldType == kFieldSkipZero && it->fieldLength == 1) {
        it->fieldType = kFieldNormal;
        --packed;
        ++minPacked;
        break;
      }
    }
  }

  const bool packedRecords = packed > 0 || table.PackedRecords();
  const bool checksum = table.RowChecksum();
  if (!packedRecords) minPacked += varcharBytes;
  if (checksum) ++minPacked;
  const std::uint32_t packBytes = (packed + 7) / 8;
  if (longest != kUnlimitedRecord) {
    longest += recordLength + packed + (checksum && packedRecords ? 1 : 0);
  }
  minPacked += packBytes;

  if (pointerLength == 0) {
    std::uint64_t size = table.maxRows;
    if (packedRecords) {
      size = std::uint64_t{table.maxRows} * table.avgRowLength;
      if (size == 0 && table.maxRows != 0) {
        size = longest == kUnlimitedRecord || UINT64_MAX / table.maxRows < longest
                   ? UINT64_MAX
                   : table.maxRows * longest;
      }
    }
    pointerLength = PointerLengthFor(size);
  }
  std::uint64_t stored = recordLength;
  if (!packedRecords) {
    if (stored <= pointerLength) stored = pointerLength + 1u;  // room for the free-list link
  } else {
    stored += longVarchars;
  }

  format.rowFormat = packedRecords ? kRowFormatDynamic : kRowFormatFixed;
  MyisamBaseInfo& base = format.base;
  base.baseRecordLength = static_cast<std::uint32_t>(recordLength);
  base.packedRecordLength = static_cast<std::uint32_t>(stored + (checksum ? 1 : 0));
  base.minPackedLength = static_cast<std::uint32_t>(minPacked);
  base.maxPackedLength = static_cast<std::uint32_t>(longest);
  base.minBlockLength = kMinimumBlockLength;
  base.fieldCount = static_cast<std::uint32_t>(format.columns.size());
  base.packedFieldCount = packed;
  base.recordPointerLength = pointerLength;
  base.packBits = static_cast<std::uint16_t>(packBytes);
  base.blobCount = blobs;
  return format;
}

std::vector<TimestampPacking> TimestampPackings(const TableDefinition& table) {
  const bool oldTimestamp =
      std::any_of(table.columns.begin(), table.columns.end(),
                  [](const ColumnDefinition& column) { return column.typeCode == kTypeTimestamp; });
  if (!oldTimestamp || !table.PackedRecords() || table.mysqlVersionId >= kFirstMariadbVersionId) {
    return {TimestampPacking::kWhole};
  }
  return {TimestampPacking::kSkipPrespace, TimestampPacking::kWhole};
}

std::string IndexHeaderProblem(const MyisamIndexHeader& header, const TableDefinition& table,
                               bool compressedData) {
  if (!header.knownMagic) return "it does not begin as an index file does";
  if (!header.baseInfoRead) return "it ends before its base information";
  const MyisamBaseInfo& base = header.base;
  if (base.fieldCount == 0 || base.fieldCount > kMostFields) {
    return "it counts " + std::to_string(base.fieldCount) + " fields";
  }
  if (header.columns.size() != base.fieldCount) {
    return "it ends after " + std::to_string(header.columns.size()) + " of its " +
           std::to_string(base.fieldCount) + " field descriptors";
  }
  const bool compressed = header.rowFormat == kRowFormatCompressed;
  if (compressed != compressedData) {
    return compressed ? "it says the records are compressed, the data file does not"
                      : "it does not say the records are compressed, the data file does";
  }
  std::uint64_t total = 0;
  std::uint32_t packFields = 0;
  std::uint32_t blobs = 0;
  std::set<std::uint64_t> starts;
  for (const MyisamColumn& field : header.columns) {
    if (field.fieldType < kFieldNormal || field.fieldType > kFieldCheck) {
      return "a field descriptor has the unknown type " + std::to_string(field.fieldType);
    }
    starts.insert(total);
    total += field.fieldLength;
    if (IsPackType(field.fieldType)) ++packFields;
    if (field.fieldType == kFieldBlob) ++blobs;
  }
  if (total != base.baseRecordLength) {
    return "its field descriptors (" + std::to_string(total) +
           " bytes) do not add up to its record length (" + std::to_string(base.baseRecordLength) +
           " bytes)";
  }
  if (base.recordPointerLength < kShortestPointer || base.recordPointerLength > kLongestPointer) {
    return "it gives a record pointer of " + std::to_string(base.recordPointerLength) + " bytes";
  }
  if (base.baseRecordLength > table.recordLength) {
    return "its record length (" + std::to_string(base.baseRecordLength) +
           " bytes) exceeds the definition's (" + std::to_string(table.recordLength) + " bytes)";
  }
  if (!compressed) {
    const std::int32_t defined = DeriveMyisamFormat(table).rowFormat;
    if (header.rowFormat != defined) {
      return std::string("it says the records are ") +
             (header.rowFormat == kRowFormatDynamic ? "dynamic" : "fixed-length") +
             ", the definition says they are " +
             (defined == kRowFormatDynamic ? "dynamic" : "fixed-length");
    }
    if (blobs != base.blobCount) return "its count of BLOB fields does not match its descriptors";
    if (header.rowFormat == kRowFormatDynamic &&
        (base.packBits != (packFields + 7) / 8 || base.packedFieldCount != packFields)) {
      return "its pack bits do not match its field descriptors";
    }
    const std::uint64_t slack = std::uint64_t{base.fieldCount} + kLongestPointer + 1;
    if (base.packedRecordLength < base.baseRecordLength ||
        base.packedRecordLength > base.baseRecordLength + slack) {
      return "its stored record length (" + std::to_string(base.packedRecordLength) +
             " bytes) does not fit its record length (" + std::to_string(base.baseRecordLength) +
             " bytes)";
    }
  }
  // Each column of the definition that lies within the records must start
  // where a field starts, and a BLOB column must be a BLOB field.
  const MyisamRecordLayout layout = MyisamRecordLayout::Build(table, {});
  for (std::size_t i = 0; i < layout.Columns().size(); ++i) {
    const ColumnPlacement& placement = layout.Columns()[i];
    if (placement.size == 0 || placement.offset >= base.baseRecordLength) continue;
    if (starts.count(placement.offset) == 0) {
      return "its fields do not line up with the definition's column " + table.columns[i].name;
    }
    if (!compressed && placement.separateData) {
      const auto field = std::distance(starts.begin(), starts.find(placement.offset));
      if (header.columns[static_cast<std::size_t>(field)].fieldType != kFieldBlob) {
        return "the definition's BLOB column " + table.columns[i].name +
               " is no BLOB field of the index file";
      }
    }
  }
  return {};
}

bool IsCompressedDataFile(ByteView firstBytes) {
  return firstBytes.size() >= kCompressedMagicLength &&
         std::equal(std::begin(kCompressedMagic), std::end(kCompressedMagic), firstBytes.begin());
}

RecordProbe ProbeDynamicRecords(const ByteSource& source, const TableDefinition& table,
                                const MyisamFormat& format, std::size_t limit) {
  RecordProbe probe;
  if (format.rowFormat != kRowFormatDynamic) return probe;
  BufferedReader reader(source);
  const MyisamRecordLayout layout = MyisamRecordLayout::Build(table, format.columns);
  const PackingInfo packing{format.base.minPackedLength, format.base.packBits};
  UnpackedRecord unpacked;
  DynamicBlockWalk walk(source, format.base);
  std::uint64_t position = 0;
  while (probe.tried < limit && walk.NextBlock(position)) {
    BlockInfo block;
    const int flags = GetBlockInfo(block, reader.Read(position, BlockInfo::kHeaderSize), position);
    if ((flags & kBlockFirst) == 0 || (flags & kBlockLast) == 0 ||
        block.dataLength != block.totalLength) {
      continue;
    }
    ++probe.tried;
    const ByteView record = reader.Read(block.filePosition, block.dataLength);
    if (UnpackDynamicRecord(layout, format.columns, packing, record, unpacked, true)) {
      ++probe.unpacked;
    }
  }
  return probe;
}

}  // namespace rowmender
