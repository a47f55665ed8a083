#include "preview/structure_grid.h"

#include <algorithm>

#include "definitions/column_types.h"
#include "export/save/table_ddl.h"
#include "values/temporal_values.h"

namespace rowmender {

namespace {

std::string SizeOf(const ColumnDefinition& column, const CollationTable& collations) {
  switch (column.typeCode) {
    case kTypeVarchar:
    case kTypeVarString:
    case kTypeString:
      return std::to_string(CharacterLength(column, collations));
    case kTypeTinyBlob:
      return "255";
    case kTypeBlob:
      return "65535";
    case kTypeMediumBlob:
      return "16777215";
    case kTypeLongBlob:
    case kTypeJson:
      return "4294967295";
    case kTypeDecimalOld:
    case kTypeNewDecimal:
      return std::to_string(std::max(1, column.precision));
    case kTypeTiny:
    case kTypeShort:
    case kTypeInt24:
    case kTypeLong:
    case kTypeLongLong:
    case kTypeYear:
    case kTypeBit:
      return column.length > 0 ? std::to_string(column.length) : std::string();
    case kTypeTime:
    case kTypeTime2:
    case kTypeDatetime:
    case kTypeDatetime2:
    case kTypeTimestamp:
    case kTypeTimestamp2: {
      const int decimals = TemporalDecimals(column);
      return decimals > 0 ? std::to_string(decimals) : std::string();
    }
    default:
      return {};
  }
}

std::string KeyKind(const KeyDefinition& key) {
  if (key.IsPrimary()) return "Primary Key";
  if ((key.flags & kKeyFlagFullText) != 0) return "Full-text Key " + key.name;
  if ((key.flags & kKeyFlagSpatial) != 0) return "Spatial Key " + key.name;
  return (key.unique ? "Unique Key " : "Key ") + key.name;
}

// The keys column number `number` (1-based) is part of.
std::string KeysOf(const TableDefinition& table, std::uint32_t number,
                   const CollationTable& collations) {
  std::string text;
  for (const KeyDefinition& key : table.keys) {
    for (std::size_t i = 0; i < key.parts.size(); ++i) {
      const KeyPart& part = key.parts[i];
      if (part.columnNumber != number) continue;
      const ColumnDefinition& column = table.columns[number - 1];
      std::string details;
      if (key.parts.size() > 1) {
        details = "part " + std::to_string(i + 1) + " of " + std::to_string(key.parts.size());
      }
      const bool character = IsCharOrVarcharType(column.typeCode);
      // Full-text and spatial keys take whole columns.
      const bool whole = (key.flags & (kKeyFlagFullText | kKeyFlagSpatial)) != 0;
      const bool prefix =
          !whole &&
          ((character && part.length < column.length) ||
           ((IsBlobType(column.typeCode) || column.typeCode == kTypeGeometry) && part.length != 0));
      if (prefix) {
        const bool binary = IsBinaryColumn(column);
        // A binary column's prefix is in bytes, which its "characters" are.
        const std::uint32_t length =
            std::max<std::uint32_t>(1, part.length / MaxBytesPerCharacter(column, collations));
        details += (details.empty() ? "" : ", ") + std::string("first ") + std::to_string(length) +
                   (binary ? " bytes" : " characters");
      }
      text +=
          (text.empty() ? "" : "; ") + KeyKind(key) + (details.empty() ? "" : " (" + details + ")");
      break;
    }
  }
  return text;
}

}  // namespace

std::vector<StructureRow> BuildStructureRows(const TableDefinition& definition,
                                             const CollationTable& collations) {
  std::vector<StructureRow> rows;
  rows.reserve(definition.columns.size());
  for (std::size_t i = 0; i < definition.columns.size(); ++i) {
    const ColumnDefinition& column = definition.columns[i];
    StructureRow row;
    row[0] = column.name;
    row[1] = SqlColumnType(column, collations);
    const std::string characterSet = ColumnCharacterSetText(column, definition, collations);
    if (!characterSet.empty()) row[1] += " " + characterSet;
    row[2] = SizeOf(column, collations);
    row[3] = column.nullable ? "True" : "False";
    row[4] = KeysOf(definition, static_cast<std::uint32_t>(i + 1), collations);
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace rowmender
