#include "definitions/record_layout.h"

#include <algorithm>

#include "definitions/column_types.h"
#include "values/image_values.h"

namespace rowmender {

void MarkKeyMembership(TableDefinition& table) {
  for (const KeyDefinition& key : table.keys) {
    const bool primary = key.IsPrimary();
    if (!primary && !key.unique) continue;
    for (const KeyPart& part : key.parts) {
      if (part.columnNumber == 0 || part.columnNumber > table.columns.size()) continue;
      ColumnDefinition& column = table.columns[part.columnNumber - 1];
      (primary ? column.inPrimaryKey : column.inUniqueKey) = true;
    }
  }
}

std::uint32_t NamedTypeSize(const ColumnDefinition& column) {
  if (column.typeName == "uuid" || column.typeName == "inet6") return 16;
  if (column.typeName == "inet4") return 4;
  return 0;
}

void LayOutRecordImage(TableDefinition& table) {
  const bool varying =
      std::any_of(table.columns.begin(), table.columns.end(), [&](const ColumnDefinition& column) {
        return IsBlobOrGeometryType(column.typeCode) ||
               (column.typeCode == kTypeVarchar && table.rowType != kRowTypeFixed);
      });
  if (varying || table.rowType == kRowTypeDynamic) table.tableOptions |= kOptionPackRecord;
  const bool bitsInNullBytes =
      table.storageEngine == kEngineMyIsam || table.storageEngine == kEngineAria;

  table.nullFlagsFirst = true;
  std::uint32_t bits = table.PackedRecords() ? 0 : 1;
  for (const ColumnDefinition& column : table.columns) {
    if (column.nullable) ++bits;
    if (column.typeCode == kTypeBit && bitsInNullBytes) bits += column.length & 7;
  }
  table.nullFlagBytes = (bits + 7) / 8;
  std::uint32_t offset = table.nullFlagBytes + 1;
  for (ColumnDefinition& column : table.columns) {
    column.recordOffset = offset;
    if (column.isVirtual) continue;
    std::size_t size = NamedTypeSize(column) != 0 ? NamedTypeSize(column) : FixedValueSize(column);
    if (IsBlobOrGeometryType(column.typeCode)) {
      const std::uint32_t lengthBytes = column.typeCode == kTypeTinyBlob     ? 1
                                        : column.typeCode == kTypeBlob       ? 2
                                        : column.typeCode == kTypeMediumBlob ? 3
                                                                             : 4;
      size = lengthBytes + kBlobPointerSize;
    }
    offset += static_cast<std::uint32_t>(size);
  }
  table.recordLength = offset - 1;
  // A key part keeps where its column starts in the record.
  for (KeyDefinition& key : table.keys) {
    for (KeyPart& part : key.parts) {
      if (part.columnNumber == 0 || part.columnNumber > table.columns.size()) continue;
      part.offset = static_cast<std::uint16_t>(
          std::min<std::uint32_t>(table.columns[part.columnNumber - 1].recordOffset, 0xFFFF));
    }
  }
}

}  // namespace rowmender
