#include "innodb/record_columns.h"

#include <algorithm>

#include "definitions/column_types.h"
#include "innodb/page.h"
#include "innodb/records.h"

namespace rowmender {

namespace {

constexpr std::uint8_t kTwoByteLengthFlag = 0x80;
constexpr std::uint16_t kTwoByteLengthMask = 0x3FFF;

// A key part covers only the start of its column: always for BLOB and TEXT,
// and for strings whose part is shorter than the column.
bool IsPrefixPart(const KeyPart& part, const ColumnDefinition& column) {
  if (IsBlobOrGeometryType(column.typeCode)) return true;
  return IsCharOrVarcharType(column.typeCode) && part.length < column.length;
}

// The parts of `key`, or nothing when a part names no column.
bool PartsOf(const KeyDefinition& key, const TableDefinition& table,
             std::vector<ClusteredKeyPart>& parts) {
  parts.clear();
  for (const auto& part : key.parts) {
    if (part.columnNumber == 0 || part.columnNumber > table.columns.size()) return false;
    const std::size_t index = part.columnNumber - 1;
    const ColumnDefinition& column = table.columns[index];
    ClusteredKeyPart clustered;
    clustered.columnIndex = index;
    clustered.prefix = IsPrefixPart(part, column);
    clustered.prefixLength = part.length;
    parts.push_back(clustered);
  }
  return !parts.empty();
}

}  // namespace

std::vector<ClusteredKeyPart> ChooseClusteredKey(const TableDefinition& table) {
  std::vector<ClusteredKeyPart> parts;
  for (const auto& key : table.keys) {
    if (key.IsPrimary() && PartsOf(key, table, parts)) return parts;
  }
  for (const auto& key : table.keys) {
    if (!key.unique || key.IsPrimary() || !PartsOf(key, table, parts)) continue;
    const bool usable = std::all_of(parts.begin(), parts.end(), [&](const ClusteredKeyPart& part) {
      return !part.prefix && !table.columns[part.columnIndex].nullable;
    });
    if (usable) return parts;
  }
  return {};
}

std::vector<InnoColumn> ArrangeRecordColumns(std::vector<InnoColumn>& pending,
                                             const TableDefinition& table) {
  std::vector<InnoColumn> record;
  record.reserve(pending.size() + 3);
  const auto findPending = [&](std::size_t columnIndex) -> InnoColumn* {
    for (auto& entry : pending) {
      if (entry.column.ordinal == static_cast<std::int32_t>(columnIndex)) return &entry;
    }
    return nullptr;
  };

  const std::vector<ClusteredKeyPart> key = ChooseClusteredKey(table);
  bool keyPlaced = false;
  for (const auto& part : key) {
    InnoColumn* entry = findPending(part.columnIndex);
    if (entry == nullptr) continue;  // the source does not know this column
    InnoColumn field = *entry;
    field.keyField = true;
    field.placed = false;
    if (part.prefix) {
      // The key holds the column's first bytes; the whole value follows
      // among the other columns.
      field.role = InnoFieldRole::kKeyPrefix;
      if (field.fixedLength != 0) {
        field.fixedLength = std::min(field.fixedLength, part.prefixLength);
      }
    } else {
      entry->placed = true;
    }
    record.push_back(std::move(field));
    keyPlaced = true;
  }
  if (!keyPlaced) {
    record.insert(record.begin(), SystemColumn("DB_ROW_ID", kRowIdLength));
    record.front().keyField = true;
  }
  record.push_back(SystemColumn("DB_TRX_ID", kTransactionIdLength));
  record.push_back(SystemColumn("DB_ROLL_PTR", kRollPointerLength));
  for (auto& entry : pending) {
    if (entry.placed) continue;
    InnoColumn field = std::move(entry);
    field.placed = false;
    record.push_back(std::move(field));
  }
  pending.clear();
  return record;
}

std::uint32_t ClusterKeyLength(ByteView page, std::size_t origin,
                               const std::vector<InnoColumn>& recordColumns) {
  return ClusterKeyLength(page, origin, recordColumns, NullBitmapSize(recordColumns));
}

std::uint32_t ClusterKeyLength(ByteView page, std::size_t origin,
                               const std::vector<InnoColumn>& recordColumns,
                               std::size_t nullBitmap) {
  PageCursor lengths(page,
                     static_cast<std::ptrdiff_t>(origin) -
                         static_cast<std::ptrdiff_t>(CompactRecordHeader::kSize + nullBitmap));
  std::uint32_t total = 0;
  for (const auto& field : recordColumns) {
    if (!field.keyField) continue;
    if (field.fixedLength != 0) {
      total += field.fixedLength;
      continue;
    }
    const std::uint8_t first = lengths.ReadByteBackward();
    if (field.HasTwoByteLength() && (first & kTwoByteLengthFlag) != 0) {
      const std::uint8_t second = lengths.ReadByteBackward();
      total += static_cast<std::uint32_t>(((first << 8) | second) & kTwoByteLengthMask);
    } else {
      total += first;
    }
    if (lengths.Overrun()) return 0;
  }
  return total;
}

}  // namespace rowmender
