#include "definitions/frm_reader.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "base/text_codec.h"
#include "definitions/record_layout.h"

namespace rowmender {

namespace {

// File header fields.
constexpr std::size_t kHeaderFormNamesLength = 4;
constexpr std::size_t kHeaderKeySectionOffset = 6;
constexpr std::size_t kHeaderFormNameCount = 8;
constexpr std::size_t kHeaderMaxRows = 18;
constexpr std::size_t kHeaderKeySectionLength = 28;
constexpr std::size_t kHeaderTableOptions = 30;
constexpr std::size_t kHeaderNullFlagsLast = 32;
constexpr std::size_t kHeaderAverageRowLength = 34;
constexpr std::size_t kHeaderCharsetLow = 38;
constexpr std::size_t kHeaderRowType = 40;
constexpr std::size_t kHeaderCharsetHigh = 41;
constexpr std::size_t kHeaderVersionId = 51;
constexpr std::size_t kFormNamesStart = 64;
constexpr std::size_t kSmallestFileWithFormNames = 68;

// Form information fields.
constexpr std::size_t kFormColumnCount = 258;
constexpr std::size_t kFormScreensLength = 260;
constexpr std::size_t kFormRecordLength = 266;
constexpr std::size_t kFormNamesLength = 268;
constexpr std::size_t kFormIntervalCount = 270;
constexpr std::size_t kFormIntervalNamesLength = 274;
constexpr std::size_t kFormCommentsLength = 284;

// MariaDB's extra segment (where older servers keep the form names): typed
// entries, each a type byte, a length and that many bytes. A length byte of
// 0 is followed by a 2-byte length of at least 256. Entries of a type from
// kFirstRequiredExtra on must be understood to read the table; others may
// be passed over.
constexpr std::uint8_t kExtraTableVersion = 0;
constexpr std::uint8_t kExtraPartitionEngine = 1;
constexpr std::uint8_t kExtraGeometry = 2;
constexpr std::uint8_t kExtraApplicationPeriod = 3;
constexpr std::uint8_t kExtraSystemPeriod = 4;
constexpr std::uint8_t kExtraIndexFlags = 5;
constexpr std::uint8_t kFirstRequiredExtra = 128;
constexpr std::uint8_t kExtraEngineOptions = 128;
constexpr std::uint8_t kExtraFieldFlags = 129;
constexpr std::uint8_t kExtraFieldDataTypes = 130;
constexpr std::uint8_t kExtraPeriodWithoutOverlaps = 131;
// Older servers keep the form names where the extra segment is; their
// list starts with this separator.
constexpr std::uint8_t kFormNamesSeparator = '/';
constexpr std::uint32_t kFirstMariadbVersionId = 100000;
constexpr std::size_t kLongExtraLength = 256;
// A column number in a period entry.
constexpr std::size_t kPeriodColumnSize = 2;
// Field flags: the visibility in the low bits, then the column left out of
// system versioning.
constexpr std::uint8_t kFieldVisibilityMask = 0x03;
constexpr std::uint8_t kVisibleField = 0;
constexpr std::uint8_t kFieldAddedByServer = 2;
constexpr std::uint8_t kFieldWithoutVersioning = 0x08;
// Index flags.
constexpr std::uint8_t kIndexIgnored = 0x01;

// Later-format definitions (version 11) keep generated columns, DEFAULT
// expressions and CHECK constraints after the comments: a header, then
// entries of a type byte, a 2-byte column number, a 2-byte expression
// length, a name length byte, the name and the expression.
constexpr std::uint8_t kVersionWithExpressions = 11;
constexpr std::size_t kFormExpressionsLength = 286;
constexpr std::size_t kExpressionsHeaderSize = 16;
constexpr std::size_t kExpressionEntryHeaderSize = 6;
constexpr std::uint16_t kNoColumn = 0xFFFF;
enum ExpressionKind : std::uint8_t {
  kExpressionVirtual = 0,
  kExpressionStored = 1,
  kExpressionDefault = 2,
  kExpressionColumnCheck = 3,
  kExpressionTableCheck = 4,
};

// A region of the file that reads as zero beyond the file's end.
class ZeroPadded {
 public:
  ZeroPadded(ByteView file, std::size_t offset, std::size_t length)
      : view_(SubView(file, offset, length)), length_(length) {}
  std::size_t Length() const { return length_; }
  std::uint8_t At(std::size_t i) const { return i < length_ ? ByteAt(view_, i) : 0; }
  std::uint16_t Le16At(std::size_t i) const { return i + 2 <= length_ ? Le16(view_, i) : 0; }
  ByteView Slice(std::size_t from, std::size_t count) const {
    if (from >= length_) return {};
    count = std::min(count, length_ - from);
    return SubView(view_, from, count);
  }
  // Bytes of the region from `from` to `to`, the part past the file as zeros.
  std::vector<std::uint8_t> Copy(std::size_t from, std::size_t to) const {
    std::vector<std::uint8_t> out;
    for (std::size_t i = from; i < to && i < length_; ++i)
      out.push_back(At(i));
    return out;
  }

 private:
  ByteView view_;
  std::size_t length_;
};

// Splits a name list starting at `pos` within `region[0, end)`: a separator
// byte, each name up to the next separator, then a zero byte. A list whose
// first byte is zero is empty. `pos` moves past the list.
std::vector<std::string> SplitNameList(const ZeroPadded& region, std::size_t& pos,
                                       std::size_t end) {
  std::vector<std::string> names;
  if (pos >= end) return names;
  const std::uint8_t separator = region.At(pos++);
  if (separator == 0) return names;
  while (pos < end) {
    if (region.At(pos) == 0) {
      ++pos;
      break;
    }
    std::size_t stop = pos;
    while (stop < end && region.At(stop) != separator)
      ++stop;
    const auto bytes = region.Copy(pos, stop);
    names.push_back(DecodeStoredName(bytes));
    pos = stop + 1;
  }
  return names;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

struct KeySectionLayout {
  std::size_t keyHeaderSize;
  std::size_t keyPartSize;
};

KeySectionLayout KeyLayoutFor(int layoutLevel) {
  if (layoutLevel >= 3) return {8, 9};
  if (layoutLevel == 1) return {4, 9};
  return {4, 7};
}

// Reads the key section into `keys`. Parts beyond the declared total part
// count are not stored: such a key is cut short.
void ParseKeySection(const ZeroPadded& section, int layoutLevel, std::vector<KeyDefinition>& keys) {
  const std::size_t limit = section.Length();
  if (limit == 0) return;
  std::size_t keyCount = 0;
  std::size_t totalParts = 0;
  if (section.At(0) & 0x80) {
    keyCount = (static_cast<std::size_t>(section.At(1)) << 7) | (section.At(0) & 0x7F);
    totalParts = section.Le16At(2);
  } else {
    keyCount = section.At(0);
    totalParts = section.At(1);
  }
  const auto layout = KeyLayoutFor(layoutLevel);
  std::size_t pos = 6;
  std::size_t partsStored = 0;
  while (keys.size() < keyCount && pos < limit) {
    KeyDefinition key;
    std::size_t partCount = 0;
    if (layoutLevel >= 3) {
      key.flags = section.Le16At(pos);
      partCount = section.At(pos + 4);
    } else {
      key.flags = section.At(pos);
      partCount = section.At(pos + 3);
    }
    key.unique = (key.flags & kKeyFlagNotUnique) == 0;
    pos += layout.keyHeaderSize;
    for (std::size_t p = 0; p < partCount && pos < limit; ++p) {
      KeyPart part;
      part.columnNumber = section.Le16At(pos) & 0x3FFF;
      part.offset = section.Le16At(pos + 2);
      part.length = layoutLevel == 0 ? section.At(pos + 4) : section.Le16At(pos + 7);
      pos += layout.keyPartSize;
      if (partsStored < totalParts) {
        key.parts.push_back(part);
        ++partsStored;
      }
    }
    keys.push_back(std::move(key));
  }
  // The key-name list follows the last key part.
  auto names = SplitNameList(section, pos, limit);
  for (std::size_t i = 0; i < keys.size() && i < names.size(); ++i) {
    keys[i].name = std::move(names[i]);
  }
}

std::string QuotedValueList(const std::vector<std::string>& values) {
  std::string list;
  for (const auto& value : values) {
    if (value.empty()) continue;
    if (!list.empty()) list += ',';
    list += '\'' + value + '\'';
  }
  return list;
}

void DeriveNumericFields(ColumnDefinition& column) {
  const int decimals = (column.packFlags >> 8) & 0x1F;
  switch (column.typeCode) {
    case kTypeDecimalOld:
    case kTypeNewDecimal: {
      column.scale = decimals;
      long precision = static_cast<long>(column.length) - (column.scale > 0 ? 1 : 0) -
                       (column.IsSigned() && column.length != 0 ? 1 : 0);
      if (precision > 65 || precision < 0) precision = 65;
      column.precision = static_cast<std::int32_t>(precision);
      break;
    }
    case kTypeFloat:
    case kTypeDouble:
      if (decimals < 31) {
        column.precision = static_cast<std::int32_t>(column.length);
        column.scale = decimals;
      }
      break;
    default:
      break;
  }
}

// A length as the server's net_store_length writes it: one byte below
// 251, else a marker byte and 2, 3 or 8 bytes. False when it runs past `end`.
bool ReadPackedLength(ByteView bytes, std::size_t& pos, std::size_t end, std::uint64_t& out) {
  constexpr std::uint8_t kOneByteLimit = 251;
  constexpr std::uint8_t kTwoBytesFollow = 252;
  constexpr std::uint8_t kThreeBytesFollow = 253;
  constexpr std::uint8_t kEightBytesFollow = 254;
  if (pos >= end) return false;
  const std::uint8_t first = bytes[pos++];
  std::size_t width = 0;
  if (first < kOneByteLimit) {
    out = first;
    return true;
  }
  if (first == kTwoBytesFollow) width = 2;
  if (first == kThreeBytesFollow) width = 3;
  if (first == kEightBytesFollow) width = 8;
  if (width == 0 || end - pos < width) return false;
  out = LittleEndian(bytes, pos, width);
  pos += width;
  return true;
}

// The data type names of MariaDB's extra segment (uuid, inet6, ...): pairs
// of a column number and a name, both with packed lengths.
void ReadFieldTypeNames(ByteView entry, std::vector<ColumnDefinition>& columns) {
  std::size_t pos = 0;
  while (pos < entry.size()) {
    std::uint64_t column = 0;
    std::uint64_t length = 0;
    if (!ReadPackedLength(entry, pos, entry.size(), column) ||
        !ReadPackedLength(entry, pos, entry.size(), length) || length > entry.size() - pos) {
      return;
    }
    if (column < columns.size()) {
      const ByteView name = entry.subspan(pos, static_cast<std::size_t>(length));
      columns[static_cast<std::size_t>(column)].typeName.assign(name.begin(), name.end());
    }
    pos += static_cast<std::size_t>(length);
  }
}

// A length as the extra segment writes it: one byte of 1 to 255, or a
// zero byte and a 2-byte length of at least 256. 0 when it does not fit in
// `bytes` from `pos`.
std::size_t ReadExtraLength(ByteView bytes, std::size_t& pos) {
  if (pos >= bytes.size()) return 0;
  std::size_t length = bytes[pos++];
  if (length != 0) return length <= bytes.size() - pos ? length : 0;
  if (bytes.size() - pos < 2) return 0;
  length = Le16(bytes, pos);
  pos += 2;
  if (length < kLongExtraLength || length > bytes.size() - pos) return 0;
  return length;
}

// A period entry: the start and end columns (0-based); false when they
// do not name columns of the table.
bool ReadPeriodColumns(ByteView bytes, std::size_t pos, std::size_t columnCount,
                       TablePeriod& period) {
  if (bytes.size() < pos || bytes.size() - pos != 2 * kPeriodColumnSize) return false;
  const std::size_t start = Le16(bytes, pos);
  const std::size_t end = Le16(bytes, pos + kPeriodColumnSize);
  if (start >= columnCount || end >= columnCount || start == end) return false;
  period.startColumn = static_cast<std::int32_t>(start);
  period.endColumn = static_cast<std::int32_t>(end);
  return true;
}

// An application-time period: its name, its constraint's name, then the
// two columns.
bool ReadApplicationPeriod(ByteView entry, std::size_t columnCount, TablePeriod& period) {
  std::size_t pos = 0;
  const std::size_t nameLength = ReadExtraLength(entry, pos);
  if (nameLength == 0) return false;
  period.name.assign(entry.begin() + static_cast<std::ptrdiff_t>(pos),
                     entry.begin() + static_cast<std::ptrdiff_t>(pos + nameLength));
  pos += nameLength;
  const std::size_t constraintLength = ReadExtraLength(entry, pos);
  if (constraintLength == 0) return false;
  pos += constraintLength;
  return ReadPeriodColumns(entry, pos, columnCount, period);
}

// Walks MariaDB's extra segment (`length` bytes from the end of the file
// header). Returns a sentence on what keeps the table from being read, or
// empty; `unknown` tells an entry this reader does not know from damage.
std::string ReadExtraSegment(ByteView file, std::size_t length, TableDefinition& table,
                             bool& unknown) {
  unknown = false;
  const ByteView segment = SubView(file, kFrmHeaderSize, length);
  if (segment.empty() || segment[0] == kFormNamesSeparator) return {};
  const std::size_t columnCount = table.columns.size();
  std::size_t pos = 0;
  while (segment.size() - pos >= 3) {
    const std::uint8_t type = segment[pos++];
    const std::size_t entryLength = ReadExtraLength(segment, pos);
    if (entryLength == 0) return "an entry of its extra segment runs past the segment";
    const ByteView entry = segment.subspan(pos, entryLength);
    pos += entryLength;
    switch (type) {
      case kExtraFieldDataTypes:
        ReadFieldTypeNames(entry, table.columns);
        break;
      case kExtraFieldFlags:
        if (entry.size() != columnCount) return "its column flags do not match its columns";
        for (std::size_t c = 0; c < columnCount; ++c) {
          const std::uint8_t visibility = entry[c] & kFieldVisibilityMask;
          table.columns[c].invisible = visibility != kVisibleField;
          table.columns[c].addedByServer = visibility >= kFieldAddedByServer;
          table.columns[c].withoutVersioning = (entry[c] & kFieldWithoutVersioning) != 0;
        }
        break;
      case kExtraSystemPeriod:
        if (!ReadPeriodColumns(entry, 0, columnCount, table.systemTime))
          return "its system versioning names no columns of the table";
        table.systemTime.name = "SYSTEM_TIME";
        table.columns[static_cast<std::size_t>(table.systemTime.startColumn)].periodEdge =
            RowPeriodEdge::kRowStart;
        table.columns[static_cast<std::size_t>(table.systemTime.endColumn)].periodEdge =
            RowPeriodEdge::kRowEnd;
        break;
      case kExtraApplicationPeriod:
        if (!ReadApplicationPeriod(entry, columnCount, table.applicationTime))
          return "its application-time period names no columns of the table";
        break;
      case kExtraIndexFlags:
        if (entry.size() != table.keys.size()) return "its index flags do not match its keys";
        for (std::size_t k = 0; k < table.keys.size(); ++k)
          table.keys[k].ignored = (entry[k] & kIndexIgnored) != 0;
        break;
      case kExtraPartitionEngine:
        table.partitionEngine.assign(entry.begin(), entry.end());
        break;
      case kExtraEngineOptions:
        table.engineOptions.assign(entry.begin(), entry.end());
        break;
      case kExtraTableVersion:
      case kExtraGeometry:
      case kExtraPeriodWithoutOverlaps:
        break;
      default:
        if (type >= kFirstRequiredExtra) {
          unknown = true;
          return "its extra segment has an entry of type " + std::to_string(type) +
                 " that the table cannot be read without and this reader does not know";
        }
        break;  // may be passed over
    }
  }
  return {};
}

// The generated columns, DEFAULT expressions and CHECK constraints of a
// later-format definition. Returns a sentence on what does not fit, or
// empty.
std::string ReadExpressions(const ZeroPadded& region, std::size_t from, std::size_t length,
                            TableDefinition& table) {
  if (length == 0) return {};
  if (length < kExpressionsHeaderSize) return "its expressions are cut short";
  const std::size_t end = from + length;
  std::size_t pos = from + kExpressionsHeaderSize;
  while (pos < end) {
    if (end - pos < kExpressionEntryHeaderSize) return "its expressions are cut short";
    const std::uint8_t kind = region.At(pos);
    const std::uint16_t columnNumber = region.Le16At(pos + 1);
    const std::size_t expressionLength = region.Le16At(pos + 3);
    const std::size_t nameLength = region.At(pos + 5);
    pos += kExpressionEntryHeaderSize;
    if (end - pos < nameLength + expressionLength) return "its expressions are cut short";
    const auto name = region.Copy(pos, pos + nameLength);
    pos += nameLength;
    const auto text = region.Copy(pos, pos + expressionLength);
    pos += expressionLength;
    std::string expression(text.begin(), text.end());
    if (kind == kExpressionTableCheck || columnNumber == kNoColumn) {
      table.checks.push_back({std::string(name.begin(), name.end()), std::move(expression)});
      continue;
    }
    if (columnNumber >= table.columns.size())
      return "an expression names column " + std::to_string(columnNumber) + ", which it lacks";
    ColumnDefinition& column = table.columns[columnNumber];
    switch (kind) {
      case kExpressionVirtual:
      case kExpressionStored:
        column.generationExpression = std::move(expression);
        column.isVirtual = kind == kExpressionVirtual;
        break;
      case kExpressionDefault:
        column.defaultExpression = std::move(expression);
        break;
      case kExpressionColumnCheck:
        column.checkExpression = std::move(expression);
        break;
      default:
        break;  // the hash of a long UNIQUE key: nothing a row holds
    }
  }
  return {};
}

}  // namespace

bool KeyDefinition::IsPrimary() const {
  return EqualsIgnoringCase(name, "PRIMARY");
}

std::size_t ColumnRecordSize(int layoutLevel) {
  return layoutLevel >= 2 ? 17 : 11;
}

DefinitionStatus ParseTableDefinition(ByteView file, TableDefinition& out,
                                      DefinitionProgress& progress) {
  out.Clear();
  progress = DefinitionProgress{};
  if (file.size() < kFrmHeaderSize) return DefinitionStatus::kNotADefinition;
  const std::uint8_t version = file[2];
  if (file[0] != 0xFE || file[1] != 0x01 ||
      (version != 6 && version != 7 && version != 9 && version != 10 &&
       version != kVersionWithExpressions)) {
    return DefinitionStatus::kNotADefinition;
  }
  progress.headerAccepted = true;
  progress.storageEngine = file[3];
  out.storageEngine = file[3];
  out.formatVersion = version;
  const int layoutLevel = version - 6;

  // Form position.
  std::uint64_t formPosition = 0;
  if (file.size() >= kSmallestFileWithFormNames) {
    const std::size_t formNameCount = Le16(file, kHeaderFormNameCount);
    if (formNameCount == 0) return DefinitionStatus::kCorrupt;
    const std::size_t namesLength = Le16(file, kHeaderFormNamesLength);
    const ByteView block = SubView(file, kFormNamesStart, namesLength + 4 * formNameCount);
    if (block.empty()) return DefinitionStatus::kCorrupt;
    formPosition = Le32(block, namesLength);
  }

  // Form information.
  if (formPosition >= file.size()) return DefinitionStatus::kCorrupt;
  const ZeroPadded formInfo(file, static_cast<std::size_t>(formPosition), kFormInfoSize);
  out.mysqlVersionId = Le32(file, kHeaderVersionId);
  progress.formInfoRead = true;
  progress.newTemporalFormat = out.mysqlVersionId > kLastPre56VersionId;
  out.nullFlagsFirst = file[kHeaderNullFlagsLast] == 0;
  if (out.nullFlagsFirst) {
    out.tableCharsetId = file[kHeaderCharsetHigh] * 256u + file[kHeaderCharsetLow];
  }
  out.tableOptions = Le16(file, kHeaderTableOptions);
  out.rowType = file[kHeaderRowType];
  out.maxRows = Le32(file, kHeaderMaxRows);
  out.avgRowLength = Le32(file, kHeaderAverageRowLength);

  // Key section.
  const ZeroPadded keySection(file, Le16(file, kHeaderKeySectionOffset),
                              Le16(file, kHeaderKeySectionLength));
  ParseKeySection(keySection, layoutLevel, out.keys);

  // Column block: screens, column records, names, value lists, comments.
  const std::size_t columnCount = formInfo.Le16At(kFormColumnCount);
  const std::size_t screensLength = formInfo.Le16At(kFormScreensLength);
  const std::size_t namesLength = formInfo.Le16At(kFormNamesLength);
  const std::size_t intervalCount = formInfo.Le16At(kFormIntervalCount);
  const std::size_t intervalNamesLength = formInfo.Le16At(kFormIntervalNamesLength);
  const std::size_t commentsLength = formInfo.Le16At(kFormCommentsLength);
  const std::size_t expressionsLength =
      version >= kVersionWithExpressions ? formInfo.Le16At(kFormExpressionsLength) : 0;
  const std::size_t recordSize = ColumnRecordSize(layoutLevel);
  const std::size_t recordsStart = screensLength;
  const std::size_t namesStart = recordsStart + columnCount * recordSize;
  const std::size_t intervalsStart = namesStart + namesLength;
  const std::size_t expressionsStart = intervalsStart + intervalNamesLength + commentsLength;
  const std::size_t blockLength = expressionsStart + expressionsLength;
  const std::uint64_t blockOffset = formPosition + kFormInfoSize;
  const ZeroPadded block(
      file, blockOffset < file.size() ? static_cast<std::size_t>(blockOffset) : file.size(),
      blockLength);

  // Names.
  std::size_t pos = namesStart;
  auto names = SplitNameList(block, pos, intervalsStart);
  if (names.size() != columnCount) return DefinitionStatus::kCorrupt;
  std::vector<std::vector<std::string>> valueLists;
  pos = intervalsStart;
  const std::size_t intervalsEnd = intervalsStart + intervalNamesLength;
  for (std::size_t i = 0; i < intervalCount; ++i) {
    valueLists.push_back(SplitNameList(block, pos, intervalsEnd));
    for (const auto& value : valueLists.back())
      out.intervalValues.push_back(value);
  }

  // Columns.
  std::size_t enumSetSeen = 0;
  for (std::size_t c = 0; c < columnCount; ++c) {
    const std::size_t at = recordsStart + c * recordSize;
    ColumnDefinition column;
    column.name = std::move(names[c]);
    column.ordinal = static_cast<std::int32_t>(c);
    if (layoutLevel >= 2) {
      column.length = block.Le16At(at + 3);
      column.recordOffset = block.At(at + 5) | (block.At(at + 6) << 8) |
                            (static_cast<std::uint32_t>(block.At(at + 7)) << 16);
      column.packFlags = block.Le16At(at + 8);
      column.typeCode = block.At(at + 13);
      column.nullable = (column.packFlags & kPackNullable) != 0;
      if (column.typeCode == kTypeGeometry) {
        column.geometryType = block.At(at + 14);
        column.charsetId = kBinaryCharset;
      } else {
        column.charsetId = block.At(at + 11) * 256u + block.At(at + 14);
      }
      DeriveNumericFields(column);
      if (column.typeCode == kTypeEnum || column.typeCode == kTypeSet) {
        const std::size_t listNumber = block.At(at + 12);
        const std::size_t chosen = listNumber != 0 ? listNumber : enumSetSeen + 1;
        ++enumSetSeen;
        if (chosen >= 1 && chosen <= valueLists.size()) {
          column.values = valueLists[chosen - 1];
          column.valueList = QuotedValueList(column.values);
        }
      }
    } else {
      column.length = block.At(at + 3);
      column.recordOffset = block.Le16At(at + 4);
      column.packFlags = static_cast<std::uint16_t>(block.Le16At(at + 6) & ~0x4000);
      column.typeCode = (column.packFlags >> 3) & 15;
      column.nullable = (column.packFlags & kPackNullable) != 0;
    }
    out.columns.push_back(std::move(column));
  }

  MarkKeyMembership(out);
  if (out.mysqlVersionId >= kFirstMariadbVersionId && file.size() >= kSmallestFileWithFormNames) {
    bool unknown = false;
    progress.problem = ReadExtraSegment(file, Le16(file, kHeaderFormNamesLength), out, unknown);
    if (!progress.problem.empty())
      return unknown ? DefinitionStatus::kUnsupported : DefinitionStatus::kCorrupt;
  }
  progress.problem = ReadExpressions(block, expressionsStart, expressionsLength, out);
  if (!progress.problem.empty()) return DefinitionStatus::kCorrupt;

  // Null-flag bytes.
  std::uint64_t bits = (out.nullFlagsFirst && !out.PackedRecords()) ? 1 : 0;
  for (const auto& column : out.columns) {
    if (column.nullable) ++bits;
    if (column.typeCode == kTypeBit && !column.BitStoredAsChars()) bits += column.length & 7;
  }
  out.nullFlagBytes = static_cast<std::uint32_t>((bits + 7) / 8);
  out.recordLength = formInfo.Le16At(kFormRecordLength);
  return DefinitionStatus::kRead;
}

}  // namespace rowmender
