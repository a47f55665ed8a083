#include "export/save/column_defaults.h"

#include <algorithm>

#include "base/data_file.h"
#include "values/field_value.h"

namespace rowmender {

namespace {

// File header fields.
constexpr std::size_t kHeaderSize = 64;
constexpr std::size_t kHeaderVersion = 2;
constexpr std::size_t kHeaderFormNamesLength = 4;
constexpr std::size_t kHeaderKeySectionOffset = 6;
constexpr std::size_t kHeaderFormNameCount = 8;
constexpr std::size_t kHeaderKeyBlockLength = 14;
constexpr std::size_t kHeaderRecordLength = 16;
constexpr std::size_t kHeaderLongKeyBlockLength = 47;
constexpr std::size_t kFormNamesStart = 64;
constexpr std::uint16_t kLongKeyBlockMarker = 0xFFFF;
// Format versions whose column records are 17 bytes long.
constexpr std::uint8_t kFirstFullRecordVersion = 8;

// Form information fields.
constexpr std::size_t kFormInfoSize = 288;
constexpr std::size_t kFormColumnCount = 258;
constexpr std::size_t kFormScreensLength = 260;

// Column record fields (17-byte records).
constexpr std::size_t kColumnRecordSize = 17;
constexpr std::size_t kColumnSpecialMark = 10;

// What the special mark of a column record says.
constexpr std::uint8_t kMarkNextNumber = 15;              // AUTO_INCREMENT
constexpr std::uint8_t kMarkTimestampDefault = 21;        // DEFAULT CURRENT_TIMESTAMP
constexpr std::uint8_t kMarkTimestampUpdate = 22;         // ON UPDATE CURRENT_TIMESTAMP
constexpr std::uint8_t kMarkTimestampDefaultUpdate = 23;  // both

// Pack flag of a column without a default value.
constexpr std::uint16_t kPackNoDefault = 0x4000;
constexpr std::uint32_t kBitsPerByte = 8;

bool HasNoStoredDefault(const ColumnDefinition& column) {
  switch (column.typeCode) {
    case kTypeTinyBlob:
    case kTypeMediumBlob:
    case kTypeLongBlob:
    case kTypeBlob:
    case kTypeGeometry:
      return true;
    default:
      return false;
  }
}

bool IsTemporalWithNow(const ColumnDefinition& column) {
  switch (column.typeCode) {
    case kTypeTimestamp:
    case kTypeTimestamp2:
    case kTypeDatetime:
    case kTypeDatetime2:
      return true;
    default:
      return false;
  }
}

// `count` bits at bit `offset` of the byte at `at` (spilling into the next
// byte), as the server keeps the high bits of a BIT column among the null
// flags.
std::uint32_t RecordBits(ByteView record, std::size_t at, std::uint32_t offset,
                         std::uint32_t count) {
  std::uint32_t value = ByteAt(record, at);
  if (offset + count > kBitsPerByte)
    value |= static_cast<std::uint32_t>(ByteAt(record, at + 1)) << 8;
  return (value >> offset) & ((1u << count) - 1);
}

}  // namespace

std::vector<ColumnDefault> ParseColumnDefaults(ByteView file, const TableDefinition& table,
                                               const CollationTable& collations) {
  if (file.size() < kHeaderSize || ByteAt(file, kHeaderVersion) < kFirstFullRecordVersion) {
    return {};
  }
  const std::size_t formNameCount = Le16(file, kHeaderFormNameCount);
  const std::size_t namesLength = Le16(file, kHeaderFormNamesLength);
  const ByteView names = SubView(file, kFormNamesStart, namesLength + 4 * formNameCount);
  if (formNameCount == 0 || names.size() < namesLength + 4) return {};
  const std::uint64_t formPosition = Le32(names, namesLength);
  if (formPosition >= file.size()) return {};
  const ByteView formInfo = SubView(file, static_cast<std::size_t>(formPosition), kFormInfoSize);
  const std::size_t columnCount = Le16(formInfo, kFormColumnCount);
  if (columnCount != table.columns.size()) return {};
  const std::uint64_t recordsStart =
      formPosition + kFormInfoSize + Le16(formInfo, kFormScreensLength);

  // The default record: after the key block, which follows the key section
  // offset; a block of 64 KiB or more gives its length in a wider field.
  const std::uint16_t keyBlock = Le16(file, kHeaderKeyBlockLength);
  const std::uint64_t recordStart =
      static_cast<std::uint64_t>(Le16(file, kHeaderKeySectionOffset)) +
      (keyBlock == kLongKeyBlockMarker ? Le32(file, kHeaderLongKeyBlockLength) : keyBlock);
  const std::size_t recordLength = Le16(file, kHeaderRecordLength);
  const ByteView record = recordStart < file.size()
                              ? SubView(file, static_cast<std::size_t>(recordStart), recordLength)
                              : ByteView{};

  ValueOptions options;
  options.form = ValueForm::kSave;
  options.collations = &collations;

  std::vector<ColumnDefault> defaults(columnCount);
  // Null flags and the high bits of BIT columns, in column order.
  std::uint32_t nullBit = (table.nullFlagsFirst && !table.PackedRecords()) ? 1 : 0;
  for (std::size_t c = 0; c < columnCount; ++c) {
    const ColumnDefinition& column = table.columns[c];
    ColumnDefault& result = defaults[c];
    const std::uint64_t at = recordsStart + c * kColumnRecordSize + kColumnSpecialMark;
    const std::uint8_t mark = at < file.size() ? file[static_cast<std::size_t>(at)] : 0;

    bool isNull = false;
    if (column.nullable) {
      isNull = RecordBits(record, nullBit / kBitsPerByte, nullBit % kBitsPerByte, 1) != 0;
      ++nullBit;
    }
    std::vector<std::uint8_t> highBits;
    if (column.typeCode == kTypeBit && !column.BitStoredAsChars()) {
      const std::uint32_t count = column.length % kBitsPerByte;
      if (count > 0) {
        highBits.push_back(static_cast<std::uint8_t>(
            RecordBits(record, nullBit / kBitsPerByte, nullBit % kBitsPerByte, count)));
        nullBit += count;
      }
    }

    result.autoIncrement = mark == kMarkNextNumber;
    if (IsTemporalWithNow(column)) {
      result.onUpdateCurrentTimestamp =
          mark == kMarkTimestampUpdate || mark == kMarkTimestampDefaultUpdate;
      if (mark == kMarkTimestampDefault || mark == kMarkTimestampDefaultUpdate) {
        result.kind = ColumnDefault::Kind::kCurrentTimestamp;
        continue;
      }
    }
    if (result.autoIncrement || (column.packFlags & kPackNoDefault) != 0 ||
        HasNoStoredDefault(column) || record.empty()) {
      continue;
    }
    if (isNull) {
      result.kind = ColumnDefault::Kind::kNull;
      continue;
    }
    const std::size_t offset = column.recordOffset > 0 ? column.recordOffset - 1 : 0;
    ByteView bytes = SubView(record, offset, FixedValueSize(column));
    std::vector<std::uint8_t> value;
    if (column.typeCode == kTypeVarchar) {
      const std::size_t prefix = VarcharPrefixSize(column);
      const std::size_t used = static_cast<std::size_t>(LittleEndian(bytes, 0, prefix));
      bytes = SubView(bytes, prefix, std::min<std::size_t>(used, column.length));
    } else if (!highBits.empty()) {
      value = highBits;
      value.insert(value.end(), bytes.begin(), bytes.end());
      bytes = ByteView(value.data(), value.size());
    }
    result.kind = ColumnDefault::Kind::kValue;
    result.text = FormatColumnValue(column, bytes, options);
  }
  return defaults;
}

std::vector<ColumnDefault> ReadColumnDefaults(const std::string& path, const TableDefinition& table,
                                              const CollationTable& collations) {
  std::vector<std::uint8_t> file;
  if (!ReadWholeFile(path, file)) return {};
  return ParseColumnDefaults(ByteView(file.data(), file.size()), table, collations);
}

}  // namespace rowmender
