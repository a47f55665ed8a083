#include "aria/aria_format.h"

#include <algorithm>
#include <iterator>
#include <map>

#include "definitions/column_types.h"
#include "myisam/definition_format.h"
#include "myisam/record_image.h"
#include "values/image_values.h"

namespace rowmender {

namespace {

// Every index file begins with these bytes.
constexpr std::uint8_t kMagic[] = {0xFE, 0xFE, 0x09};

// The 24-byte header.
constexpr std::size_t kOptionsOffset = 4;
constexpr std::size_t kHeaderLengthOffset = 6;
constexpr std::size_t kBasePositionOffset = 12;
constexpr std::size_t kKeysOffset = 18;
constexpr std::size_t kUniquesOffset = 19;
constexpr std::size_t kRecordTypeOffset = 22;
constexpr std::size_t kOriginalRecordTypeOffset = 23;

// The state block that follows the header.
constexpr std::size_t kOpenCountOffset = 24;
constexpr std::size_t kChangedOffset = 26;
constexpr std::size_t kRecordsOffset = 49;
constexpr std::size_t kDeletedOffset = 57;
constexpr std::size_t kDataFileLengthOffset = 97;
constexpr std::size_t kStateEnd = 155;

// The base information (135 bytes, after a 16-byte uuid).
constexpr std::size_t kBaseInfoSize = 135;
constexpr std::size_t kBaseRecordLength = 60;
constexpr std::size_t kBasePackedRecordLength = 64;
constexpr std::size_t kBaseMinPackedLength = 68;
constexpr std::size_t kBaseMaxPackedLength = 72;
constexpr std::size_t kBaseMinBlockLength = 76;
constexpr std::size_t kBaseFields = 80;
constexpr std::size_t kBaseFixedNotNullFields = 82;
constexpr std::size_t kBaseMaxFieldLengths = 86;
constexpr std::size_t kBasePackFields = 88;
constexpr std::size_t kBaseExtraOptions = 90;
constexpr std::size_t kBaseNullBytes = 92;
constexpr std::size_t kBaseOriginalNullBytes = 94;
constexpr std::size_t kBaseFieldOffsets = 96;
constexpr std::size_t kBaseBlockSize = 100;
constexpr std::size_t kBaseRecordPointerLength = 102;
constexpr std::size_t kBaseTransactional = 106;
constexpr std::size_t kBasePackBytes = 108;
constexpr std::size_t kBaseBlobs = 110;

// Key definition (12 bytes, its first byte the segment count), key segment
// (18 bytes), unique constraint (4 bytes, a 2-byte segment count first).
constexpr std::size_t kKeyDefinitionSize = 12;
constexpr std::size_t kKeySegmentSize = 18;
constexpr std::size_t kUniqueDefinitionSize = 4;
// After each column definition's 20 bytes, the column-number map keeps 2.
constexpr std::size_t kColumnNumberSize = 2;

// Table options, besides kOptionPackRecord and kOptionChecksum, which the
// index file keeps as the definition does.
constexpr std::uint16_t kOptionNullFields = 0x0400;
constexpr std::uint16_t kOptionPageChecksum = 0x0800;
constexpr std::uint16_t kExtraOptionEncrypted = 0x0001;

// State bits of a table the server marked crashed.
constexpr std::uint16_t kStateCrashed = 0x0002;
constexpr std::uint16_t kStateCrashedOnRepair = 0x0004;

// A BLOB's field holds its length (1 to 4 bytes) and a pointer of 8 bytes.
constexpr std::uint32_t kBlobPointerSize = 8;
constexpr std::uint32_t kLongestBlobField = 4 + kBlobPointerSize;
// A VARCHAR of this many bytes (length prefix included) or more keeps its
// length in two bytes.
constexpr std::uint32_t kLongVarcharField = 257;
constexpr std::uint32_t kOneByteLength = 255;
// PAGE rows: the longest row header without its null and empty-field
// bytes, for tables with and without transactions.
constexpr std::uint32_t kRowHeaderMost = 1 + 3 + 7 + 3;
constexpr std::uint32_t kTransactionalRowHeaderMost = kRowHeaderMost + 6 + 7 + 6;
// A page's LSN, type byte and checksum: a field longer than the rest of a
// page cannot be kept whole and is stored as CHAR.
constexpr std::uint32_t kPageOverhead = 7 + 1 + 4;
// Block sizes the server takes.
constexpr std::uint32_t kSmallestBlock = 1024;
constexpr std::uint32_t kLargestBlock = 32768;
// The most fields a table can have.
constexpr std::uint32_t kMostFields = 4096;
// DYNAMIC records: the shortest block.
constexpr std::uint32_t kDynamicMinBlock = 20;
// The server's default record pointer for FIXED and DYNAMIC records.
constexpr std::uint8_t kDefaultPointerLength = 6;
constexpr std::uint8_t kPagePointerLength = 6;
constexpr std::uint32_t kIntMax32 = 0x7FFFFFFF;

bool IsPowerOfTwo(std::uint32_t value) {
  return value != 0 && (value & (value - 1)) == 0;
}

// The key the server treats as the table's primary key: the one named
// PRIMARY, else the first unique key over whole NOT NULL columns.
const KeyDefinition* ServerPrimaryKey(const TableDefinition& table) {
  for (const KeyDefinition& key : table.keys) {
    if (key.IsPrimary()) return &key;
  }
  for (const KeyDefinition& key : table.keys) {
    if (!key.unique || key.parts.empty()) continue;
    const bool whole = std::all_of(key.parts.begin(), key.parts.end(), [&](const KeyPart& part) {
      if (part.columnNumber == 0 || part.columnNumber > table.columns.size()) return false;
      const ColumnDefinition& column = table.columns[part.columnNumber - 1];
      if (column.nullable || IsBlobOrGeometryType(column.typeCode)) return false;
      const std::size_t length =
          column.typeCode == kTypeVarchar ? column.length : FixedValueSize(column);
      return part.length == length;
    });
    if (whole) return &key;
  }
  return nullptr;
}

// The field type the server gives a column of the table.
std::int16_t AriaFieldType(const ColumnDefinition& column, std::size_t length, bool packRecord,
                           bool inPrimaryKey) {
  if (IsBlobOrGeometryType(column.typeCode)) return kFieldBlob;
  if (column.typeCode == kTypeTimestamp || column.typeCode == kTypeTimestamp2) return kFieldNormal;
  if (column.typeCode == kTypeVarchar) return kFieldVarchar;
  const bool zeros = LeavesOutZeros(column);
  if (!packRecord || (zeros && inPrimaryKey)) return kFieldNormal;
  if (zeros) return kFieldSkipZero;
  if (length <= 3 || column.Zerofill()) return kFieldNormal;
  return column.typeCode == kTypeString || column.typeCode == kTypeVarString ? kFieldSkipEndSpace
                                                                             : kFieldSkipPreSpace;
}

// The server's order of stored fields in a PAGE row: fixed-length fields
// that cannot be NULL, then the other fixed-length ones, the fields that
// leave out zeros, CHAR and VARCHAR by length, BLOBs; in record order
// within each kind.
bool StoredBefore(const AriaColumn& a, const AriaColumn& b) {
  const auto kind = [](const AriaColumn& c) {
    return c.type == kFieldCheck ? std::int16_t{kFieldNormal} : c.type;
  };
  const std::int16_t aType = kind(a);
  const std::int16_t bType = kind(b);
  const bool aFixed = aType == kFieldNormal && a.nullBit == 0;
  const bool bFixed = bType == kFieldNormal && b.nullBit == 0;
  if (aFixed != bFixed) return aFixed;
  if (aFixed || aType == bType) return a.offset < b.offset;
  if (aType == kFieldNormal || bType == kFieldNormal) return aType == kFieldNormal;
  if (aType == kFieldSkipZero || bType == kFieldSkipZero) return aType == kFieldSkipZero;
  if (aType != kFieldBlob && bType != kFieldBlob && a.length != b.length) {
    return a.length < b.length;
  }
  if (aType == kFieldBlob || bType == kFieldBlob) return bType == kFieldBlob;
  return a.offset < b.offset;
}

std::uint8_t PointerLengthFor(std::uint64_t length, std::uint8_t fallback) {
  if (length == 0) return fallback;
  std::uint8_t bytes = 2;
  while (bytes < 7 && length >= (std::uint64_t{1} << (8 * bytes))) {
    ++bytes;
  }
  return bytes;
}

}  // namespace

const char* AriaRecordTypeName(AriaRecordType type) {
  switch (type) {
    case AriaRecordType::kFixed:
      return "FIXED";
    case AriaRecordType::kDynamic:
      return "DYNAMIC";
    case AriaRecordType::kCompressed:
      return "compressed (aria_pack)";
    case AriaRecordType::kPage:
      return "PAGE";
    case AriaRecordType::kNoRecord:
      return "without rows";
  }
  return "unknown";
}

bool AriaFormat::RowChecksum() const {
  return (options & kOptionChecksum) != 0;
}

bool AriaFormat::PageChecksum() const {
  return (options & kOptionPageChecksum) != 0;
}

bool AriaFormat::Encrypted() const {
  return (extraOptions & kExtraOptionEncrypted) != 0;
}

bool AriaState::MarkedCrashed() const {
  return (changed & (kStateCrashed | kStateCrashedOnRepair)) != 0;
}

AriaColumn AriaColumn::DecodeFrom(ByteView bytes) {
  AriaColumn column;
  column.columnNumber = Be16(bytes, 0);
  column.offset = Be16(bytes, 2) | (static_cast<std::uint32_t>(Be16(bytes, 16)) << 16);
  column.type = static_cast<std::int16_t>(Be16(bytes, 4));
  column.length = Be16(bytes, 6);
  column.fillLength = Be16(bytes, 8);
  column.nullPosition = Be16(bytes, 10);
  column.emptyPosition = Be16(bytes, 12);
  column.nullBit = ByteAt(bytes, 14);
  column.emptyBit = ByteAt(bytes, 15);
  return column;
}

AriaHeaderStatus DecodeAriaIndexHeader(ByteView bytes, std::uint64_t fileLength,
                                       AriaIndexHeader& out) {
  out = AriaIndexHeader{};
  if (fileLength < AriaIndexHeader::kHeaderSize || bytes.size() < AriaIndexHeader::kHeaderSize) {
    return AriaHeaderStatus::kRejected;
  }
  const ByteView file =
      bytes.first(static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size(), fileLength)));
  out.knownMagic = std::equal(std::begin(kMagic), std::end(kMagic), file.begin());
  AriaFormat& format = out.format;
  format.options = Be16(file, kOptionsOffset);
  out.headerLength = Be16(file, kHeaderLengthOffset);
  out.basePosition = Be16(file, kBasePositionOffset);
  out.keys = ByteAt(file, kKeysOffset);
  out.uniques = ByteAt(file, kUniquesOffset);
  format.recordType = static_cast<AriaRecordType>(ByteAt(file, kRecordTypeOffset));
  out.originalRecordType = ByteAt(file, kOriginalRecordTypeOffset);

  if (file.size() >= kStateEnd) {
    out.stateRead = true;
    AriaState& state = out.state;
    state.openCount = Be16(file, kOpenCountOffset);
    state.changed = Be16(file, kChangedOffset);
    state.records = Be64(file, kRecordsOffset);
    state.deleted = Be64(file, kDeletedOffset);
    state.dataFileLength = Be64(file, kDataFileLengthOffset);
  }
  if (out.basePosition < kStateEnd || file.size() < out.basePosition ||
      file.size() - out.basePosition < kBaseInfoSize) {
    return AriaHeaderStatus::kAccepted;
  }
  const ByteView base = file.subspan(out.basePosition, kBaseInfoSize);
  out.baseInfoRead = true;
  format.recordLength = Be32(base, kBaseRecordLength);
  format.packedRecordLength = Be32(base, kBasePackedRecordLength);
  format.minPackedLength = Be32(base, kBaseMinPackedLength);
  format.maxPackedLength = Be32(base, kBaseMaxPackedLength);
  format.minBlockLength = Be32(base, kBaseMinBlockLength);
  out.fieldCount = Be16(base, kBaseFields);
  format.fixedNotNullFields = Be16(base, kBaseFixedNotNullFields);
  format.maxFieldLengths = Be16(base, kBaseMaxFieldLengths);
  format.packFields = Be16(base, kBasePackFields);
  format.extraOptions = Be16(base, kBaseExtraOptions);
  format.nullBytes = Be16(base, kBaseNullBytes);
  format.originalNullBytes = Be16(base, kBaseOriginalNullBytes);
  format.fieldOffsets = Be16(base, kBaseFieldOffsets);
  format.blockSize = Be16(base, kBaseBlockSize);
  // A block of 64 KiB does not fit the field; none is that large.
  format.recordPointerLength = ByteAt(base, kBaseRecordPointerLength);
  format.transactional = ByteAt(base, kBaseTransactional) != 0;
  format.packBytes = Be16(base, kBasePackBytes);
  format.blobs = Be16(base, kBaseBlobs);

  // The key definitions and their segments, then the unique constraints:
  // only walked over to reach the column definitions.
  std::size_t pos = out.basePosition + kBaseInfoSize;
  for (unsigned key = 0; key < out.keys && pos < file.size(); ++key) {
    pos += kKeyDefinitionSize + ByteAt(file, pos) * kKeySegmentSize;
  }
  for (unsigned unique = 0; unique < out.uniques && pos < file.size(); ++unique) {
    pos += kUniqueDefinitionSize + Be16(file, pos) * kKeySegmentSize;
  }
  const std::size_t count = out.fieldCount;
  for (std::size_t field = 0; field < count; ++field) {
    if (pos > file.size() || file.size() - pos < AriaColumn::kSize) break;
    format.columns.push_back(AriaColumn::DecodeFrom(file.subspan(pos, AriaColumn::kSize)));
    pos += AriaColumn::kSize;
  }
  if (format.columns.size() == count && pos <= file.size() &&
      file.size() - pos >= count * kColumnNumberSize) {
    for (std::size_t field = 0; field < count; ++field) {
      out.storedOrder.push_back(Le16(file, pos + field * kColumnNumberSize));
    }
  }
  return AriaHeaderStatus::kAccepted;
}

std::size_t AriaHeaderReadSize(std::uint64_t fileLength) {
  // The header's length is a 16-bit number.
  constexpr std::uint64_t kHeaderAreaLimit = 64 * 1024;
  return static_cast<std::size_t>(std::min(kHeaderAreaLimit, fileLength));
}

std::string AriaHeaderProblem(const AriaIndexHeader& header, const TableDefinition& table) {
  if (!header.knownMagic) return "it does not begin as an Aria index file does";
  if (!header.stateRead) return "it ends inside its state block";
  if (!header.baseInfoRead) return "it ends before its base information";
  const AriaFormat& format = header.format;
  if (static_cast<std::uint8_t>(format.recordType) >
      static_cast<std::uint8_t>(AriaRecordType::kNoRecord)) {
    return "it gives the unknown record type " +
           std::to_string(static_cast<unsigned>(format.recordType));
  }
  if (header.fieldCount == 0 || header.fieldCount > kMostFields) {
    return "it counts " + std::to_string(header.fieldCount) + " fields";
  }
  if (format.columns.size() != header.fieldCount) {
    return "it ends after " + std::to_string(format.columns.size()) + " of its " +
           std::to_string(header.fieldCount) + " column definitions";
  }
  if (format.recordType == AriaRecordType::kPage &&
      (format.blockSize < kSmallestBlock || format.blockSize > kLargestBlock ||
       !IsPowerOfTwo(format.blockSize))) {
    return "it gives a block size of " + std::to_string(format.blockSize) + " bytes";
  }
  if (format.nullBytes != table.nullFlagBytes) {
    return "its null bytes (" + std::to_string(format.nullBytes) + ") are not the definition's (" +
           std::to_string(table.nullFlagBytes) + ")";
  }
  if (format.recordLength > table.recordLength) {
    return "its record length (" + std::to_string(format.recordLength) +
           " bytes) exceeds the definition's (" + std::to_string(table.recordLength) + " bytes)";
  }
  // Each field must lie where a column of the definition lies, with its
  // length, null flag and kind; the fields that may be empty must have an
  // empty-field bit among the empty-field bytes.
  const MyisamRecordLayout layout = MyisamRecordLayout::Build(table, {});
  std::map<std::uint32_t, std::size_t> columnAt;
  for (std::size_t i = 0; i < layout.Columns().size(); ++i) {
    const ColumnPlacement& placement = layout.Columns()[i];
    if (placement.size > 0) columnAt.emplace(static_cast<std::uint32_t>(placement.offset), i);
  }
  std::uint32_t blobs = 0;
  std::uint32_t fixedNotNull = 0;
  for (std::size_t f = 0; f < format.columns.size(); ++f) {
    const AriaColumn& field = format.columns[f];
    if (field.type < kFieldNormal || field.type > kFieldCheck) {
      return "a column definition has the unknown type " + std::to_string(field.type);
    }
    const auto found = columnAt.find(field.offset);
    if (found == columnAt.end()) {
      return "a field at offset " + std::to_string(field.offset) +
             " lines up with no column of the definition";
    }
    const ColumnDefinition& column = table.columns[found->second];
    const ColumnPlacement& placement = layout.Columns()[found->second];
    const bool blob = IsBlobOrGeometryType(column.typeCode);
    if (field.length != placement.size && !blob) {
      return "its field for column " + column.name + " is " + std::to_string(field.length) +
             " bytes long, the definition's " + std::to_string(placement.size);
    }
    if ((field.type == kFieldBlob) != blob) {
      return "the definition's column " + column.name + " is " + (blob ? "" : "no ") +
             "BLOB, its field " + (blob ? "is not" : "is");
    }
    if (blob && (field.length <= kBlobPointerSize || field.length > kLongestBlobField)) {
      return "its BLOB field for column " + column.name + " is " + std::to_string(field.length) +
             " bytes long";
    }
    if ((field.type == kFieldVarchar) != (column.typeCode == kTypeVarchar)) {
      return "the definition's column " + column.name + " is " +
             (column.typeCode == kTypeVarchar ? "" : "no ") + "VARCHAR, its field " +
             (field.type == kFieldVarchar ? "is" : "is not");
    }
    if (field.nullBit != placement.nullBit ||
        (field.nullBit != 0 && field.nullPosition != placement.nullPosition)) {
      return "its null flag of column " + column.name + " is not the definition's";
    }
    // FIXED records keep no empty-field bits, whatever the fields say.
    if (format.recordType != AriaRecordType::kFixed && field.emptyBit != 0 &&
        field.emptyPosition >= format.packBytes) {
      return "the empty-field bit of column " + column.name + " lies beyond its " +
             std::to_string(format.packBytes) + " empty-field bytes";
    }
    if (field.type == kFieldBlob) ++blobs;
    if (field.type == kFieldNormal && field.nullBit == 0 && f == fixedNotNull) ++fixedNotNull;
  }
  if (blobs != format.blobs) return "its count of BLOB fields does not match its fields";
  if (format.recordType != AriaRecordType::kFixed && format.RowChecksum() != table.RowChecksum()) {
    return format.RowChecksum() ? "it keeps a checksum in each row, the definition does not"
                                : "the definition keeps a checksum in each row, it does not";
  }
  if (format.recordType == AriaRecordType::kPage && format.fixedNotNullFields != fixedNotNull) {
    return "it counts " + std::to_string(format.fixedNotNullFields) +
           " fixed-length fields first, its fields " + std::to_string(fixedNotNull);
  }
  if (format.originalNullBytes > format.nullBytes) {
    return "it gives more null bytes to old rows than to new ones";
  }
  return {};
}

AriaRecordType DefinedRecordType(const TableDefinition& table) {
  const bool blobs = std::any_of(
      table.columns.begin(), table.columns.end(),
      [](const ColumnDefinition& column) { return IsBlobOrGeometryType(column.typeCode); });
  switch (table.rowType) {
    case kRowTypeFixed:
      return blobs ? AriaRecordType::kPage : AriaRecordType::kFixed;
    case kRowTypeDynamic:
      return AriaRecordType::kDynamic;
    default:
      return AriaRecordType::kPage;
  }
}

AriaFormat DeriveAriaFormat(const TableDefinition& table, AriaRecordType type,
                            std::uint32_t blockSize, bool transactional) {
  AriaFormat format;
  format.recordType = type;
  format.blockSize = blockSize;
  const bool page = type == AriaRecordType::kPage;
  // Only PAGE tables can be transactional; pages carry checksums by default.
  format.transactional = page && transactional;
  format.options = kOptionNullFields | (page ? kOptionPageChecksum : 0);
  if (table.RowChecksum() && type != AriaRecordType::kFixed) format.options |= kOptionChecksum;
  if (type == AriaRecordType::kDynamic) format.options |= kOptionPackRecord;
  // The fields of PAGE rows are packed whatever the definition says.
  const bool packRecord = page || type == AriaRecordType::kDynamic || table.PackedRecords();

  // The fields in record order, as the server hands them over: each column
  // that takes bytes in the record, the shorter first at one offset.
  const MyisamRecordLayout layout = MyisamRecordLayout::Build(table, {});
  std::vector<std::size_t> order;
  for (std::size_t i = 0; i < layout.Columns().size(); ++i) {
    if (layout.Columns()[i].size > 0) order.push_back(i);
  }
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const ColumnPlacement& pa = layout.Columns()[a];
    const ColumnPlacement& pb = layout.Columns()[b];
    return pa.offset != pb.offset ? pa.offset < pb.offset : pa.size < pb.size;
  });
  const KeyDefinition* primary = ServerPrimaryKey(table);
  const auto inPrimaryKey = [&](std::size_t column) {
    if (primary == nullptr) return false;
    return std::any_of(primary->parts.begin(), primary->parts.end(),
                       [&](const KeyPart& part) { return part.columnNumber == column + 1; });
  };

  format.nullBytes = static_cast<std::uint16_t>(table.nullFlagBytes);
  format.originalNullBytes = format.nullBytes;
  std::uint32_t recordLength = table.nullFlagBytes;
  std::uint32_t minPacked = table.nullFlagBytes;
  std::uint32_t notBlockExtra = 0;
  std::uint32_t packed = 0;
  std::uint32_t longVarchars = 0;
  std::uint64_t longest = 0;
  std::uint32_t fieldLengths = 0;
  std::uint32_t position = table.nullFlagBytes;
  std::uint16_t number = 0;
  for (const std::size_t i : order) {
    const ColumnPlacement& placement = layout.Columns()[i];
    if (placement.offset < position) continue;  // overlaps the field before
    AriaColumn field;
    field.columnNumber = number++;
    field.offset = recordLength;
    field.length = static_cast<std::uint16_t>(placement.size);
    field.fillLength = field.length;
    field.type = AriaFieldType(table.columns[i], placement.size, packRecord, inPrimaryKey(i));
    if (placement.nullBit != 0) {
      field.nullBit = placement.nullBit;
      field.nullPosition = static_cast<std::uint16_t>(placement.nullPosition);
    }
    recordLength += field.length;
    position = static_cast<std::uint32_t>(placement.offset + placement.size);
    if (page) {
      if (field.type == kFieldSkipPreSpace) field.type = kFieldNormal;
      if (field.type == kFieldNormal && field.length > blockSize - kPageOverhead) {
        field.type = kFieldSkipEndSpace;
      }
    }
    const std::int16_t fieldType = field.type;
    if (fieldType == kFieldNormal || fieldType == kFieldCheck) {
      if (field.nullBit == 0) {
        minPacked += field.length;
        ++format.fixedNotNullFields;
      } else {
        notBlockExtra += field.length;
      }
      format.columns.push_back(field);
      continue;
    }
    field.emptyPosition = static_cast<std::uint16_t>(packed / 8);
    field.emptyBit = static_cast<std::uint8_t>(1u << (packed & 7));
    if (fieldType == kFieldBlob) {
      ++packed;
      ++format.blobs;
      if (longest != kIntMax32) {
        longest = field.length == kLongestBlobField
                      ? kIntMax32
                      : longest + (std::uint64_t{1} << ((field.length - kBlobPointerSize) * 8));
      }
      fieldLengths += field.length - kBlobPointerSize;
    } else if (fieldType == kFieldSkipPreSpace || fieldType == kFieldSkipEndSpace) {
      fieldLengths += field.length > kOneByteLength ? 2 : 1;
      ++notBlockExtra;
      ++packed;
    } else if (fieldType == kFieldVarchar) {
      ++longest;
      ++notBlockExtra;
      ++fieldLengths;
      if (type != AriaRecordType::kDynamic) ++packed;
      field.fillLength = 1;
      if (field.length >= kLongVarcharField) {
        ++longVarchars;
        ++fieldLengths;
        field.fillLength = 2;
      }
    } else if (fieldType == kFieldSkipZero) {
      ++packed;
    } else {
      if (field.nullBit == 0) {
        minPacked += field.length;
      } else {
        notBlockExtra += field.length;
      }
      field.emptyPosition = 0;
      field.emptyBit = 0;
    }
    format.columns.push_back(field);
  }

  format.packFields = static_cast<std::uint16_t>(packed);
  format.packBytes = static_cast<std::uint16_t>((packed + 7) / 8);
  format.maxFieldLengths = static_cast<std::uint16_t>(fieldLengths);
  format.recordLength = recordLength;
  if (type == AriaRecordType::kFixed) {
    format.options &= static_cast<std::uint16_t>(~kOptionChecksum);
    minPacked = recordLength;
    format.packBytes = 0;
    format.packFields = 0;
  } else if (!page) {
    minPacked += notBlockExtra;
  } else {
    minPacked += 5;
  }
  const bool checksum = format.RowChecksum();
  if (checksum) {
    ++minPacked;
    if (longest != kIntMax32) ++longest;
  }
  if (longest != kIntMax32) longest += format.maxFieldLengths + longVarchars;
  if (longest != kIntMax32) {
    longest += recordLength + format.packBytes +
               (checksum && (format.options & kOptionPackRecord) != 0 ? 1u : 0u);
  }
  minPacked += format.packBytes;
  format.minPackedLength = minPacked;
  format.maxPackedLength = static_cast<std::uint32_t>(std::min<std::uint64_t>(longest, kIntMax32));

  if (page) {
    format.recordPointerLength = kPagePointerLength;
    format.minBlockLength = (format.transactional ? kTransactionalRowHeaderMost : kRowHeaderMost) +
                            format.nullBytes + format.packBytes;
    format.packedRecordLength = recordLength + (checksum ? 1u : 0u);
    // The server stores PAGE fields in an order of its own.
    std::stable_sort(format.columns.begin(), format.columns.end(), StoredBefore);
  } else if (type == AriaRecordType::kFixed) {
    // MAX_ROWS sets the record pointer; without it the server's default.
    format.recordPointerLength = PointerLengthFor(table.maxRows, kDefaultPointerLength);
    const std::uint32_t stored =
        recordLength <= format.recordPointerLength ? format.recordPointerLength + 1u : recordLength;
    format.packedRecordLength = stored;
    format.minBlockLength = stored;
  } else {
    format.recordPointerLength = kDefaultPointerLength;
    format.packedRecordLength = recordLength + longVarchars + (checksum ? 1u : 0u);
    format.minBlockLength = kDynamicMinBlock;
  }
  return format;
}

std::vector<MyisamColumn> MyisamDescriptorsOf(const AriaFormat& format) {
  std::vector<MyisamColumn> descriptors;
  if (format.nullBytes > 0) {
    MyisamColumn nulls;
    nulls.fieldType = kFieldNormal;
    nulls.fieldLength = format.nullBytes;
    descriptors.push_back(nulls);
  }
  // FIXED and DYNAMIC tables keep their fields in record order.
  std::vector<AriaColumn> fields = format.columns;
  std::stable_sort(fields.begin(), fields.end(),
                   [](const AriaColumn& a, const AriaColumn& b) { return a.offset < b.offset; });
  for (const AriaColumn& field : fields) {
    MyisamColumn descriptor;
    descriptor.fieldType = field.type;
    descriptor.fieldLength = field.length;
    descriptor.nullBit = field.nullBit;
    descriptor.nullPosition = field.nullPosition;
    descriptors.push_back(descriptor);
  }
  return descriptors;
}

MyisamBaseInfo MyisamBaseOf(const AriaFormat& format) {
  MyisamBaseInfo base;
  base.baseRecordLength = format.recordLength;
  base.packedRecordLength = format.packedRecordLength;
  base.minPackedLength = format.minPackedLength;
  base.maxPackedLength = format.maxPackedLength;
  base.minBlockLength = format.minBlockLength;
  base.fieldCount = static_cast<std::uint32_t>(format.columns.size()) + (format.nullBytes > 0);
  base.packedFieldCount = format.packFields;
  base.recordPointerLength = format.recordPointerLength;
  base.packBits = format.packBytes;
  base.blobCount = format.blobs;
  return base;
}

}  // namespace rowmender
