#include "export/save/table_ddl.h"

#include <cstdint>
#include <vector>

#include "base/data_file.h"
#include "base/paths.h"
#include "base/utf8.h"
#include "definitions/column_types.h"
#include "export/save/sql_text.h"
#include "export/save/value_literals.h"
#include "values/field_value.h"
#include "values/plugin_type_values.h"

namespace rowmender {

namespace {

constexpr const char* kDatabaseOptionsFile = "db.opt";
constexpr std::string_view kCharsetOption = "default-character-set=";
constexpr std::string_view kCollationOption = "default-collation=";
constexpr std::uint64_t kDatabaseOptionsLimit = 64 * 1024;

bool IsPlainWord(std::string_view text) {
  if (text.empty() || text.size() > kMaxIdentifierCharacters) return false;
  for (char c : text) {
    const bool word =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    if (!word) return false;
  }
  return true;
}

std::string Sized(std::string_view name, std::uint64_t size) {
  std::string text(name);
  text += '(';
  text += std::to_string(size);
  text += ')';
  return text;
}

std::string WithDecimals(std::string_view name, std::uint64_t digits, std::uint64_t decimals) {
  std::string text(name);
  text += '(';
  text += std::to_string(digits);
  text += ',';
  text += std::to_string(decimals);
  text += ')';
  return text;
}

std::string Numeric(std::string text, const ColumnDefinition& column) {
  if (!column.IsSigned()) text += " unsigned";
  if ((column.packFlags & kPackZerofill) != 0) text += " zerofill";
  return text;
}

std::string Integer(std::string_view name, const ColumnDefinition& column) {
  return Numeric(column.length > 0 ? Sized(name, column.length) : std::string(name), column);
}

std::string Real(std::string_view name, const ColumnDefinition& column) {
  const auto decimals =
      static_cast<std::uint16_t>((column.packFlags >> kPackDecimalsShift) & kPackDecimalsMask);
  if (decimals == kNoDecimals || column.length == 0) return Numeric(std::string(name), column);
  return Numeric(WithDecimals(name, column.length, decimals), column);
}

std::string Temporal(std::string_view name, const ColumnDefinition& column) {
  const int decimals = TemporalDecimals(column);
  return decimals > 0 ? Sized(name, static_cast<std::uint64_t>(decimals)) : std::string(name);
}

std::string Members(std::string_view name, const ColumnDefinition& column) {
  std::string text(name);
  text += '(';
  for (std::size_t i = 0; i < column.values.size(); ++i) {
    if (i > 0) text += ',';
    AppendQuotedString(text, column.values[i]);
  }
  // A list the definition lost still needs one member to be valid.
  if (column.values.empty()) text += "''";
  text += ')';
  return text;
}

const char* GeometryTypeName(std::uint32_t geometryType) {
  switch (geometryType) {
    case 1:
      return "point";
    case 2:
      return "linestring";
    case 3:
      return "polygon";
    case 4:
      return "multipoint";
    case 5:
      return "multilinestring";
    case 6:
      return "multipolygon";
    case 7:
      return "geometrycollection";
    default:
      return "geometry";
  }
}

// " CHARACTER SET x COLLATE y" for a character column whose collation
// differs from the table's; empty otherwise.
std::string CharacterSetClause(const ColumnDefinition& column, const TableDefinition& table,
                               const CollationTable& collations) {
  if (!IsCharacterType(column.typeCode) || IsBinaryColumn(column)) return {};
  if (column.charsetId == 0 || column.charsetId == table.tableCharsetId) return {};
  const CollationEntry* entry = collations.Lookup(column.charsetId);
  if (entry == nullptr || !IsPlainWord(entry->characterSetName) ||
      !IsPlainWord(entry->collationName)) {
    return {};
  }
  return " CHARACTER SET " + entry->characterSetName + " COLLATE " + entry->collationName;
}

// `name`(prefix) of one key part, the prefix in characters when the key
// covers only the start of a character or BLOB column.
void AppendKeyPart(std::string& out, const ColumnDefinition& column, const KeyPart& part,
                   const CollationTable& collations) {
  AppendQuotedIdentifier(out, column.name);
  const bool character = column.typeCode == kTypeVarchar || column.typeCode == kTypeVarString ||
                         column.typeCode == kTypeString;
  const bool blob = IsBlobType(column.typeCode) || column.typeCode == kTypeGeometry;
  if (!character && !blob) return;
  if (character && part.length >= column.length) return;
  if (blob && part.length == 0) return;
  const std::uint32_t characters =
      std::max<std::uint32_t>(1, part.length / MaxBytesPerCharacter(column, collations));
  out += '(';
  out += std::to_string(characters);
  out += ')';
}

bool IsCreatedKey(const KeyDefinition& key) {
  return key.IsPrimary() || (key.unique && (key.flags & (kKeyFlagFullText | kKeyFlagSpatial)) == 0);
}

// The column (0-based) leads a key the statement creates.
bool LeadsCreatedKey(const TableDefinition& table, std::size_t column) {
  for (const KeyDefinition& key : table.keys) {
    if (IsCreatedKey(key) && !key.parts.empty() && key.parts[0].columnNumber == column + 1) {
      return true;
    }
  }
  return false;
}

std::string CurrentTimestamp(const ColumnDefinition& column) {
  const int decimals = TemporalDecimals(column);
  return decimals > 0 ? "current_timestamp(" + std::to_string(decimals) + ")"
                      : std::string("current_timestamp()");
}

void AppendDefault(std::string& out, const TableDefinition& table, std::size_t index,
                   const ColumnDefault& value, const CollationTable& collations, TableKeys keys) {
  const ColumnDefinition& column = table.columns[index];
  switch (value.kind) {
    case ColumnDefault::Kind::kValue: {
      LiteralContext context;
      context.collations = &collations;
      LiteralProblems ignored;
      out += " DEFAULT ";
      AppendValueLiteral(out, column, value.text, context, ignored);
      break;
    }
    case ColumnDefault::Kind::kCurrentTimestamp:
      out += " DEFAULT " + CurrentTimestamp(column);
      break;
    case ColumnDefault::Kind::kNull:
    case ColumnDefault::Kind::kNone:
      break;
  }
  if (value.onUpdateCurrentTimestamp) out += " ON UPDATE " + CurrentTimestamp(column);
  if (value.autoIncrement && keys == TableKeys::kPrimaryAndUnique &&
      LeadsCreatedKey(table, index)) {
    out += " AUTO_INCREMENT";
  }
}

// The key's clause, for example "UNIQUE KEY `sku` (`sku`(10))"; empty when
// none of its parts names a column the statement writes.
std::string KeyClause(const TableDefinition& table, const KeyDefinition& key,
                      const CollationTable& collations) {
  std::string parts;
  for (const KeyPart& part : key.parts) {
    if (part.columnNumber == 0 || part.columnNumber > table.columns.size()) continue;
    // The server puts the row end of a versioned table in its keys.
    if (table.columns[part.columnNumber - 1].addedByServer) continue;
    if (!parts.empty()) parts += ',';
    // Full-text and spatial keys take whole columns.
    if ((key.flags & (kKeyFlagFullText | kKeyFlagSpatial)) != 0) {
      AppendQuotedIdentifier(parts, table.columns[part.columnNumber - 1].name);
    } else {
      AppendKeyPart(parts, table.columns[part.columnNumber - 1], part, collations);
    }
  }
  if (parts.empty()) return {};
  std::string clause;
  if (key.IsPrimary()) {
    clause = "PRIMARY KEY";
  } else {
    clause = (key.flags & kKeyFlagFullText) != 0  ? "FULLTEXT KEY "
             : (key.flags & kKeyFlagSpatial) != 0 ? "SPATIAL KEY "
             : key.unique                         ? "UNIQUE KEY "
                                                  : "KEY ";
    AppendQuotedIdentifier(clause, key.name);
  }
  clause += " (" + parts + ")";
  return clause;
}

void AppendKeys(std::string& out, const TableDefinition& table, const CollationTable& collations) {
  for (const KeyDefinition& key : table.keys) {
    if (!IsCreatedKey(key)) continue;
    const std::string clause = KeyClause(table, key, collations);
    if (!clause.empty()) out += ",\n  " + clause;
  }
}

}  // namespace

std::uint32_t MaxBytesPerCharacter(const ColumnDefinition& column,
                                   const CollationTable& collations) {
  if (IsBinaryColumn(column)) return 1;
  const CollationEntry* entry = collations.Lookup(column.charsetId);
  if (entry == nullptr || entry->maxBytesPerChar <= 0) return 1;
  return static_cast<std::uint32_t>(entry->maxBytesPerChar);
}

std::uint32_t CharacterLength(const ColumnDefinition& column, const CollationTable& collations) {
  return column.length / MaxBytesPerCharacter(column, collations);
}

std::string DeletedTableName(std::string_view tableName) {
  const std::size_t room = kMaxIdentifierCharacters - kDeletedTableSuffix.size();
  // Cut after `room` characters, never inside a UTF-8 sequence.
  std::size_t end = 0;
  std::size_t characters = 0;
  while (end < tableName.size() && characters < room) {
    DecodeUtf8At(tableName, end);
    ++characters;
  }
  std::string name(tableName.substr(0, end));
  name += kDeletedTableSuffix;
  return name;
}

DatabaseOptions ReadDatabaseOptions(const std::string& databaseFolder) {
  DatabaseOptions options;
  std::vector<std::uint8_t> file;
  if (!ReadWholeFile(JoinPath(databaseFolder, kDatabaseOptionsFile), file, kDatabaseOptionsLimit)) {
    return options;
  }
  const std::string_view text(reinterpret_cast<const char*>(file.data()), file.size());
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.starts_with(kCharsetOption)) {
      line.remove_prefix(kCharsetOption.size());
      if (IsPlainWord(line)) options.characterSet = line;
    } else if (line.starts_with(kCollationOption)) {
      line.remove_prefix(kCollationOption.size());
      if (IsPlainWord(line)) options.collation = line;
    }
    start = end + 1;
  }
  return options;
}

std::string CreateDatabaseStatement(std::string_view database, const DatabaseOptions& options) {
  std::string statement = "CREATE DATABASE IF NOT EXISTS ";
  AppendQuotedIdentifier(statement, database);
  if (IsPlainWord(options.characterSet)) statement += " CHARACTER SET " + options.characterSet;
  if (IsPlainWord(options.collation)) statement += " COLLATE " + options.collation;
  return statement;
}

std::string SqlColumnType(const ColumnDefinition& column, const CollationTable& collations) {
  if (IsPluginTypeColumn(column)) return column.typeName;
  const bool binary = IsBinaryColumn(column);
  switch (column.typeCode) {
    case kTypeTiny:
      return Integer("tinyint", column);
    case kTypeShort:
      return Integer("smallint", column);
    case kTypeInt24:
      return Integer("mediumint", column);
    case kTypeLong:
      return Integer("int", column);
    case kTypeLongLong:
      return Integer("bigint", column);
    case kTypeFloat:
      return Real("float", column);
    case kTypeDouble:
      return Real("double", column);
    case kTypeDecimalOld:
    case kTypeNewDecimal:
      return Numeric(
          WithDecimals("decimal", static_cast<std::uint64_t>(std::max(1, column.precision)),
                       static_cast<std::uint64_t>(std::max(0, column.scale))),
          column);
    case kTypeYear:
      return column.length == 2 || column.length == 4 ? Sized("year", column.length) : "year";
    case kTypeDate:
    case kTypeNewDate:
      return "date";
    case kTypeTime:
    case kTypeTime2:
      return Temporal("time", column);
    case kTypeDatetime:
    case kTypeDatetime2:
      return Temporal("datetime", column);
    case kTypeTimestamp:
    case kTypeTimestamp2:
      return Temporal("timestamp", column);
    case kTypeBit:
      return Sized("bit", std::max<std::uint32_t>(1, column.length));
    case kTypeVarchar:
      return binary ? Sized("varbinary", column.length)
                    : Sized("varchar", CharacterLength(column, collations));
    case kTypeVarString:
    case kTypeString:
      return binary ? Sized("binary", column.length)
                    : Sized("char", CharacterLength(column, collations));
    case kTypeTinyBlob:
      return binary ? "tinyblob" : "tinytext";
    case kTypeBlob:
      return binary ? "blob" : "text";
    case kTypeMediumBlob:
      return binary ? "mediumblob" : "mediumtext";
    case kTypeLongBlob:
      return binary ? "longblob" : "longtext";
    case kTypeEnum:
      return Members("enum", column);
    case kTypeSet:
      return Members("set", column);
    case kTypeGeometry:
      return GeometryTypeName(column.geometryType);
    default:
      // A type no reader decodes: a container that takes any bytes.
      return "longblob";
  }
}

std::string_view EngineName(std::uint8_t storageEngine) {
  switch (storageEngine) {
    case kEngineMyIsam:
      return "MyISAM";
    case kEngineInnoDb:
      return "InnoDB";
    default:
      return {};
  }
}

std::string ColumnCharacterSetText(const ColumnDefinition& column, const TableDefinition& table,
                                   const CollationTable& collations) {
  if (IsPluginTypeColumn(column)) return {};
  const std::string clause = CharacterSetClause(column, table, collations);
  return clause.empty() ? clause : clause.substr(1);
}

std::vector<std::string> KeysNotCreated(const TableDefinition& table,
                                        const CollationTable& collations) {
  std::vector<std::string> clauses;
  for (const KeyDefinition& key : table.keys) {
    if (IsCreatedKey(key)) continue;
    std::string clause = KeyClause(table, key, collations);
    if (!clause.empty()) clauses.push_back(std::move(clause));
  }
  return clauses;
}

std::string SavedTableStatement(std::string_view tableName, const TableDefinition& table,
                                const std::string& definitionPath,
                                const CollationTable& collations) {
  const std::vector<ColumnDefault> defaults = ReadColumnDefaults(definitionPath, table, collations);
  std::string text =
      CreateTableStatement(tableName, table, collations, TableKeys::kPrimaryAndUnique, &defaults) +
      ";\n";
  const std::vector<std::string> others = KeysNotCreated(table, collations);
  if (!others.empty()) {
    text += "-- The other keys of the table, which a save leaves to the DBA:\n";
    for (const std::string& clause : others)
      text += "--   " + clause + "\n";
  }
  return text;
}

std::string CreateTableStatement(std::string_view tableName, const TableDefinition& table,
                                 const CollationTable& collations, TableKeys keys,
                                 const std::vector<ColumnDefault>* defaults) {
  if (defaults != nullptr && defaults->size() != table.columns.size()) defaults = nullptr;
  std::string statement = "CREATE TABLE IF NOT EXISTS ";
  AppendQuotedIdentifier(statement, tableName);
  statement += " (";
  bool first = true;
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    const ColumnDefinition& column = table.columns[i];
    // The server adds these again itself.
    if (column.addedByServer) continue;
    statement += first ? "\n  " : ",\n  ";
    first = false;
    AppendQuotedIdentifier(statement, column.name);
    statement += ' ';
    statement += SqlColumnType(column, collations);
    if (!IsPluginTypeColumn(column)) statement += CharacterSetClause(column, table, collations);
    if (column.periodEdge != RowPeriodEdge::kNone) {
      statement += column.periodEdge == RowPeriodEdge::kRowStart ? " GENERATED ALWAYS AS ROW START"
                                                                 : " GENERATED ALWAYS AS ROW END";
    } else if (!column.generationExpression.empty()) {
      statement += " GENERATED ALWAYS AS (" + column.generationExpression + ")";
      statement += column.isVirtual ? " VIRTUAL" : " STORED";
    } else {
      statement += column.nullable ? " NULL" : " NOT NULL";
      if (!column.defaultExpression.empty()) {
        statement += " DEFAULT (" + column.defaultExpression + ")";
      } else if (defaults != nullptr) {
        AppendDefault(statement, table, i, (*defaults)[i], collations, keys);
      }
    }
    if (column.invisible) statement += " INVISIBLE";
    if (column.withoutVersioning) statement += " WITHOUT SYSTEM VERSIONING";
    if (!column.checkExpression.empty()) statement += " CHECK (" + column.checkExpression + ")";
  }
  if (keys == TableKeys::kPrimaryAndUnique) AppendKeys(statement, table, collations);
  if (table.SystemVersioned() &&
      !table.columns[static_cast<std::size_t>(table.systemTime.startColumn)].addedByServer) {
    statement += ",\n  PERIOD FOR SYSTEM_TIME (";
    AppendQuotedIdentifier(
        statement, table.columns[static_cast<std::size_t>(table.systemTime.startColumn)].name);
    statement += ", ";
    AppendQuotedIdentifier(
        statement, table.columns[static_cast<std::size_t>(table.systemTime.endColumn)].name);
    statement += ')';
  }
  for (const CheckConstraint& check : table.checks) {
    statement += ",\n  ";
    if (!check.name.empty()) {
      statement += "CONSTRAINT ";
      AppendQuotedIdentifier(statement, check.name);
      statement += ' ';
    }
    statement += "CHECK (" + check.expression + ")";
  }
  statement += "\n)";
  const std::string_view engine = EngineName(table.storageEngine);
  if (!engine.empty()) {
    statement += " ENGINE=";
    statement += engine;
  } else if (table.storageEngine == kEngineAria) {
    // MariaDB's own engine, in a comment only MariaDB servers execute: a
    // MySQL server makes the table with its default engine.
    statement += " /*M! ENGINE=Aria */";
  }
  if (table.tableCharsetId != 0 && table.tableCharsetId != kBinaryCharset) {
    const CollationEntry* entry = collations.Lookup(table.tableCharsetId);
    if (entry != nullptr && IsPlainWord(entry->characterSetName) &&
        IsPlainWord(entry->collationName)) {
      statement +=
          " DEFAULT CHARSET=" + entry->characterSetName + " COLLATE=" + entry->collationName;
    }
  }
  if (table.SystemVersioned()) statement += " WITH SYSTEM VERSIONING";
  return statement;
}

}  // namespace rowmender
