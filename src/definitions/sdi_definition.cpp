#include "definitions/sdi_definition.h"

#include <algorithm>
#include <array>
#include <limits>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>

#include "base/table_file_names.h"
#include "definitions/column_types.h"
#include "definitions/partition_file.h"
#include "definitions/record_layout.h"

namespace rowmender {

namespace {

using Json = nlohmann::json;

// The server's own column type numbers (its data dictionary's), which are
// the MySQL type codes plus one up to TIME2, then the rest in order.
constexpr std::uint32_t kSdiTypeTime2 = 20;
constexpr std::array<std::uint32_t, 11> kSdiTypesAfterTime2{
    kTypeNewDecimal, kTypeEnum,      kTypeSet,    kTypeTinyBlob, kTypeMediumBlob, kTypeLongBlob,
    kTypeBlob,       kTypeVarString, kTypeString, kTypeGeometry, kTypeJson};

// Column "hidden" values: a user's column, one only the storage engine
// knows (DB_TRX_ID, DB_ROLL_PTR, DB_ROW_ID, and columns dropped in place),
// one for a functional index, and an INVISIBLE one.
constexpr int kHiddenVisible = 1;
constexpr int kHiddenStorageEngine = 2;
constexpr int kHiddenUser = 4;

// Index "type" values.
constexpr int kIndexPrimary = 1;
constexpr int kIndexUnique = 2;
constexpr int kIndexFullText = 4;
constexpr int kIndexSpatial = 5;

// A key part over the whole column.
constexpr std::uint64_t kWholeColumn = 0xFFFFFFFFull;

bool MysqlTypeOf(std::uint64_t sdiType, std::uint32_t& out) {
  if (sdiType >= 1 && sdiType <= kSdiTypeTime2) {
    out = static_cast<std::uint32_t>(sdiType - 1);
    return true;
  }
  if (sdiType > kSdiTypeTime2 && sdiType <= kSdiTypeTime2 + kSdiTypesAfterTime2.size()) {
    out = kSdiTypesAfterTime2[sdiType - kSdiTypeTime2 - 1];
    return true;
  }
  return false;
}

// The geometry subtype codes of a definition, by the type's name.
std::uint32_t GeometryTypeOf(std::string_view typeName) {
  static const std::map<std::string_view, std::uint32_t> kCodes{
      {"geometry", 0},     {"point", 1},          {"linestring", 2},
      {"polygon", 3},      {"multipoint", 4},     {"multilinestring", 5},
      {"multipolygon", 6}, {"geomcollection", 7}, {"geometrycollection", 7}};
  const auto found = kCodes.find(typeName);
  return found != kCodes.end() ? found->second : 0;
}

std::string DecodeBase64(std::string_view text) {
  std::string out;
  std::uint32_t buffer = 0;
  int bits = 0;
  for (const char c : text) {
    int value = -1;
    if (c >= 'A' && c <= 'Z') value = c - 'A';
    if (c >= 'a' && c <= 'z') value = c - 'a' + 26;
    if (c >= '0' && c <= '9') value = c - '0' + 52;
    if (c == '+') value = 62;
    if (c == '/') value = 63;
    if (value < 0) continue;  // padding and line breaks
    buffer = (buffer << 6) | static_cast<std::uint32_t>(value);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(static_cast<char>((buffer >> bits) & 0xFF));
    }
  }
  return out;
}

// A value of a "key=value;key=value;" property list, telling an absent
// key apart from an empty value.
std::optional<std::string> FindProperty(std::string_view list, std::string_view key) {
  std::size_t pos = 0;
  while (pos < list.size()) {
    std::size_t end = list.find(';', pos);
    if (end == std::string_view::npos) end = list.size();
    const std::string_view entry = list.substr(pos, end - pos);
    const std::size_t equals = entry.find('=');
    if (equals != std::string_view::npos && entry.substr(0, equals) == key) {
      return std::string(entry.substr(equals + 1));
    }
    pos = end + 1;
  }
  return std::nullopt;
}

// A value of "key=value;key=value;" property lists ("" when absent).
std::string Property(std::string_view list, std::string_view key) {
  return FindProperty(list, key).value_or(std::string{});
}

// A decimal property no larger than `most`; false when absent or not a
// number in range.
bool BoundedNumberProperty(std::string_view list, std::string_view key, std::uint64_t most,
                           std::uint64_t& out) {
  const std::optional<std::string> text = FindProperty(list, key);
  if (!text || text->empty()) return false;
  std::uint64_t value = 0;
  for (const char c : *text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > most) return false;
  }
  out = value;
  return true;
}

// Bytes written as two lower- or upper-case hex digits each.
bool DecodeHex(std::string_view text, std::string& out) {
  if (text.size() % 2 != 0) return false;
  const auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  out.clear();
  out.reserve(text.size() / 2);
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int high = digit(text[i]);
    const int low = digit(text[i + 1]);
    if (high < 0 || low < 0) return false;
    out.push_back(static_cast<char>((high << 4) | low));
  }
  return true;
}

std::uint64_t NumberProperty(std::string_view list, std::string_view key) {
  const std::string text = Property(list, key);
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9' || value > std::numeric_limits<std::uint64_t>::max() / 10) return 0;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return value;
}

// Typed reads that tell a missing or mistyped member apart.
class Reader {
 public:
  explicit Reader(std::string context) : context_(std::move(context)) {}

  std::uint64_t Unsigned(const Json& object, const char* key) {
    const auto found = object.find(key);
    if (found != object.end() && found->is_number_unsigned()) return found->get<std::uint64_t>();
    if (found != object.end() && found->is_number_integer() && found->get<std::int64_t>() >= 0)
      return static_cast<std::uint64_t>(found->get<std::int64_t>());
    Fail(key, "a number");
    return 0;
  }
  bool Boolean(const Json& object, const char* key) {
    const auto found = object.find(key);
    if (found != object.end() && found->is_boolean()) return found->get<bool>();
    // Some members are written as 0 and 1.
    if (found != object.end() && found->is_number_integer()) return found->get<std::int64_t>() != 0;
    Fail(key, "true or false");
    return false;
  }
  std::string Text(const Json& object, const char* key) {
    const auto found = object.find(key);
    if (found != object.end() && found->is_string()) return found->get<std::string>();
    Fail(key, "a text");
    return {};
  }
  // Optional members: their default when absent.
  std::string TextOr(const Json& object, const char* key) {
    const auto found = object.find(key);
    return found != object.end() && found->is_string() ? found->get<std::string>() : std::string{};
  }
  const Json& Array(const Json& object, const char* key) {
    static const Json kEmpty = Json::array();
    const auto found = object.find(key);
    if (found != object.end() && found->is_array()) return *found;
    Fail(key, "a list");
    return kEmpty;
  }

  void SetContext(std::string context) { context_ = std::move(context); }
  const std::string& Error() const { return error_; }
  bool Failed() const { return !error_.empty(); }
  void FailWith(std::string message) {
    if (error_.empty()) error_ = std::move(message);
  }

 private:
  void Fail(const char* key, const char* what) {
    FailWith(context_ + ": \"" + key + "\" is missing or not " + what);
  }

  std::string context_;
  std::string error_;
};

void ReadColumn(Reader& read, const Json& json, ColumnDefinition& column) {
  column.name = read.Text(json, "name");
  read.SetContext("column " + column.name);
  const std::uint64_t sdiType = read.Unsigned(json, "type");
  if (!read.Failed() && !MysqlTypeOf(sdiType, column.typeCode)) {
    read.FailWith("column " + column.name + ": unknown type number " + std::to_string(sdiType));
    return;
  }
  const std::uint64_t length = read.Unsigned(json, "char_length");
  column.length = static_cast<std::uint32_t>(std::min<std::uint64_t>(length, 0xFFFFFFFFu));
  column.nullable = read.Boolean(json, "is_nullable");
  const bool isUnsigned = read.Boolean(json, "is_unsigned");
  const bool zerofill = read.Boolean(json, "is_zerofill");
  column.isVirtual = read.Boolean(json, "is_virtual");
  column.generationExpression = read.TextOr(json, "generation_expression_utf8");
  const std::uint64_t collation = read.Unsigned(json, "collation_id");
  const std::string typeText = read.TextOr(json, "column_type_utf8");

  if (IsNumericType(column.typeCode) && !isUnsigned) column.packFlags |= kPackSigned;
  if (zerofill) column.packFlags |= kPackZerofill;
  if (column.nullable) column.packFlags |= kPackNullable;
  // Types without a character set read as binary.
  column.charsetId = IsCharacterType(column.typeCode) || column.typeCode == kTypeJson
                         ? static_cast<std::uint32_t>(collation)
                         : kBinaryCharset;

  std::uint64_t decimals = 0;
  switch (column.typeCode) {
    case kTypeNewDecimal:
      column.precision = static_cast<std::int32_t>(read.Unsigned(json, "numeric_precision") & 0xFF);
      column.scale = static_cast<std::int32_t>(read.Unsigned(json, "numeric_scale") & 0x3F);
      decimals = static_cast<std::uint64_t>(column.scale);
      break;
    case kTypeFloat:
    case kTypeDouble:
      if (read.Boolean(json, "numeric_scale_null")) {
        decimals = kNoDecimals;
      } else {
        column.scale = static_cast<std::int32_t>(read.Unsigned(json, "numeric_scale") & 0x3F);
        column.precision = static_cast<std::int32_t>(column.length);
        decimals = static_cast<std::uint64_t>(column.scale);
      }
      break;
    case kTypeGeometry:
      column.geometryType = GeometryTypeOf(typeText);
      break;
    case kTypeEnum:
    case kTypeSet: {
      // The members in their own order, each in the column's character set.
      std::vector<std::pair<std::uint64_t, std::string>> members;
      for (const Json& element : read.Array(json, "elements")) {
        members.emplace_back(read.Unsigned(element, "index"),
                             DecodeBase64(read.Text(element, "name")));
      }
      std::stable_sort(members.begin(), members.end(),
                       [](const auto& a, const auto& b) { return a.first < b.first; });
      for (auto& member : members)
        column.values.push_back(std::move(member.second));
      for (const std::string& value : column.values) {
        if (!column.valueList.empty()) column.valueList += ',';
        column.valueList += '\'' + value + '\'';
      }
      break;
    }
    default:
      break;
  }
  column.packFlags |=
      static_cast<std::uint16_t>((decimals & kPackDecimalsMask) << kPackDecimalsShift);
}

// What the storage engine keeps of a column added, dropped or moved in
// place: its physical position, the row versions that added and dropped
// it, and its value in the records written before it was added (the bytes
// as InnoDB stores them, in hex).
void ReadInstantFacts(Reader& read, const Json& json, ColumnDefinition& column) {
  // Row versions and positions are small; anything larger is damage.
  constexpr std::uint64_t kMostPosition = 0xFFFF;
  constexpr std::uint64_t kMostVersion = 0xFF;
  const std::string data = read.TextOr(json, "se_private_data");
  std::uint64_t value = 0;
  if (BoundedNumberProperty(data, "physical_pos", kMostPosition, value))
    column.physicalPosition = static_cast<std::int32_t>(value);
  if (BoundedNumberProperty(data, "version_added", kMostVersion, value))
    column.versionAdded = static_cast<std::uint32_t>(value);
  if (BoundedNumberProperty(data, "version_dropped", kMostVersion, value))
    column.versionDropped = static_cast<std::uint32_t>(value);
  const std::optional<std::string> isNull = FindProperty(data, "default_null");
  const std::optional<std::string> bytes = FindProperty(data, "default");
  if (isNull && (*isNull == "1" || *isNull == "true")) {
    column.instantDefault = InstantDefault::kNull;
  } else if (bytes) {
    if (!DecodeHex(*bytes, column.instantDefaultBytes)) {
      read.FailWith("column " + column.name +
                    ": its value for records written before it was added is not hex bytes");
      return;
    }
    column.instantDefault = InstantDefault::kValue;
  }
}

void ReadIndex(Reader& read, const Json& json, const std::vector<int>& columnNumbers,
               const TableDefinition& table, KeyDefinition& key) {
  key.name = read.Text(json, "name");
  read.SetContext("index " + key.name);
  const std::uint64_t type = read.Unsigned(json, "type");
  key.unique = type == kIndexPrimary || type == kIndexUnique;
  key.flags = key.unique ? 0 : kKeyFlagNotUnique;
  if (type == kIndexFullText) key.flags |= kKeyFlagFullText;
  if (type == kIndexSpatial) key.flags |= kKeyFlagSpatial;
  if (type == kIndexPrimary) key.name = "PRIMARY";
  for (const Json& element : read.Array(json, "elements")) {
    if (read.Boolean(element, "hidden")) continue;
    const std::uint64_t position = read.Unsigned(element, "column_opx");
    if (read.Failed()) return;
    if (position >= columnNumbers.size() || columnNumbers[position] == 0) {
      read.FailWith("index " + key.name + " names a column (" + std::to_string(position) +
                    ") the table does not have");
      return;
    }
    KeyPart part;
    part.columnNumber = static_cast<std::uint32_t>(columnNumbers[position]);
    std::uint64_t length = read.Unsigned(element, "length");
    if (length == kWholeColumn) length = table.columns[part.columnNumber - 1].length;
    part.length = static_cast<std::uint16_t>(std::min<std::uint64_t>(length, 0xFFFF));
    key.parts.push_back(part);
  }
}

// The engine code a definition file would give the engine the SDI names
// (0 where there is none).
std::uint8_t EngineCodeOf(std::string_view engine) {
  static constexpr std::array<std::pair<std::string_view, std::uint8_t>, 8> kCodes{{
      {"InnoDB", kEngineInnoDb},
      {"MyISAM", kEngineMyIsam},
      {"MEMORY", 6},
      {"MRG_MYISAM", 10},
      {"ARCHIVE", 16},
      {"CSV", 17},
      {"FEDERATED", 18},
      {"BLACKHOLE", 19},
  }};
  for (const auto& [name, code] : kCodes) {
    if (name == engine) return code;
  }
  return 0;
}

// The entries of a list of partitions in the server's order, that of
// their "number".
std::vector<const Json*> InServerOrder(Reader& read, const Json& list) {
  std::vector<std::pair<std::uint64_t, const Json*>> numbered;
  for (const Json& entry : list) {
    if (!entry.is_object()) {
      read.FailWith("a partition of the SDI is not an object");
      break;
    }
    numbered.emplace_back(read.Unsigned(entry, "number"), &entry);
  }
  std::stable_sort(numbered.begin(), numbered.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<const Json*> ordered;
  for (const auto& [number, entry] : numbered)
    ordered.push_back(entry);
  return ordered;
}

// The clustered index of a partition: the entry of its "indexes" for the
// table's first index (the primary key, or the hidden one over DB_ROW_ID).
void ReadPartitionIndex(Reader& read, const Json& partition, TablespacePartition& out) {
  for (const Json& index : read.Array(partition, "indexes")) {
    if (!index.is_object() || read.Unsigned(index, "index_opx") != 0) continue;
    const std::string data = read.TextOr(index, "se_private_data");
    std::uint64_t root = 0;
    if (BoundedNumberProperty(data, "root", std::numeric_limits<std::uint32_t>::max(), root))
      out.clusteredRootPage = static_cast<std::uint32_t>(root);
    out.clusteredIndexId = NumberProperty(data, "id");
    return;
  }
}

// A partitioned table (MySQL 8) keeps its rows in a tablespace for each
// partition, or for each subpartition where it has them; the table's
// indexes name no pages, each partition's entry names those of its own.
void ReadPartitions(Reader& read, const Json& list, TableDefinition& definition) {
  const auto nameOf = [&](const Json& partition) {
    const std::string name = read.Text(partition, "name");
    if (name.empty() && !read.Failed()) read.FailWith("a partition of the SDI has no name");
    return EncodeTableFileName(name);
  };
  const auto add = [&](std::string fileName, const Json& partition) {
    if (definition.tablespacePartitions.size() >= kMaxPartitions) {
      read.FailWith("the SDI names more than " + std::to_string(kMaxPartitions) + " partitions");
      return;
    }
    TablespacePartition leaf;
    leaf.fileName = std::move(fileName);
    ReadPartitionIndex(read, partition, leaf);
    definition.tablespacePartitions.push_back(std::move(leaf));
  };
  for (const Json* partition : InServerOrder(read, list)) {
    if (read.Failed()) return;
    read.SetContext("a partition of the SDI");
    const std::string name = nameOf(*partition);
    const auto subpartitions = partition->find("subpartitions");
    if (subpartitions == partition->end() || !subpartitions->is_array() || subpartitions->empty()) {
      add(name, *partition);
      continue;
    }
    for (const Json* subpartition : InServerOrder(read, *subpartitions)) {
      if (read.Failed()) return;
      add(name + std::string(kSubpartitionMarker) + nameOf(*subpartition), *subpartition);
    }
  }
}

}  // namespace

Status ParseSdiTable(std::string_view json, SdiTable& out) {
  out = SdiTable{};
  const Json document = Json::parse(json.begin(), json.end(), nullptr, false);
  if (document.is_discarded() || !document.is_object()) {
    return Status::Corruption("the SDI is not a JSON document");
  }
  Reader read("the SDI");
  if (read.TextOr(document, "dd_object_type") != "Table") {
    return Status::Corruption("the SDI does not describe a table");
  }
  out.serverVersion = static_cast<std::uint32_t>(read.Unsigned(document, "mysqld_version_id"));
  const auto object = document.find("dd_object");
  if (object == document.end() || !object->is_object()) {
    return Status::Corruption("the SDI holds no table object");
  }
  const Json& table = *object;
  out.name = read.Text(table, "name");
  out.schema = read.TextOr(table, "schema_ref");
  out.engine = read.Text(table, "engine");
  read.SetContext("table " + out.name);

  TableDefinition& definition = out.definition;
  definition.origin = DefinitionOrigin::kTablespaceSdi;
  definition.mysqlVersionId = static_cast<std::uint32_t>(read.Unsigned(table, "mysql_version_id"));
  definition.tableCharsetId = static_cast<std::uint32_t>(read.Unsigned(table, "collation_id"));
  definition.rowType = static_cast<std::uint8_t>(read.Unsigned(table, "row_format") & 0xFF);
  definition.storageEngine = EngineCodeOf(out.engine);

  // The JSON lists every column, the storage engine's own among them; a
  // definition holds the user's, in their order. `numbers` maps a JSON
  // position to the 1-based column number (0: not a user's column).
  const Json& columns = read.Array(table, "columns");
  // An instant ADD COLUMN before 8.0.29 leaves the count of the columns
  // before it in the table's private data; later servers mark the columns
  // added and dropped with the row version that did it, and keep a dropped
  // column as one only the storage engine sees.
  std::uint64_t instantColumns = 0;
  if (BoundedNumberProperty(read.TextOr(table, "se_private_data"), "instant_col", 0xFFFF,
                            instantColumns)) {
    definition.instantColumns = static_cast<std::uint32_t>(instantColumns);
  }
  std::vector<int> numbers(columns.size(), 0);
  std::vector<std::pair<std::uint64_t, std::size_t>> order;
  std::vector<std::size_t> dropped;
  for (std::size_t i = 0; i < columns.size() && !read.Failed(); ++i) {
    const auto hidden = read.Unsigned(columns[i], "hidden");
    if (hidden == kHiddenVisible || hidden == kHiddenUser) {
      order.emplace_back(read.Unsigned(columns[i], "ordinal_position"), i);
    } else if (hidden == kHiddenStorageEngine &&
               FindProperty(read.TextOr(columns[i], "se_private_data"), "version_dropped")) {
      dropped.push_back(i);
    }
  }
  std::stable_sort(order.begin(), order.end());
  for (const auto& [ordinal, index] : order) {
    if (read.Failed()) break;
    ColumnDefinition column;
    ReadColumn(read, columns[index], column);
    ReadInstantFacts(read, columns[index], column);
    column.ordinal = static_cast<std::int32_t>(definition.columns.size());
    column.invisible = read.Unsigned(columns[index], "hidden") == kHiddenUser;
    definition.columns.push_back(std::move(column));
    numbers[index] = static_cast<int>(definition.columns.size());
  }
  for (const std::size_t index : dropped) {
    if (read.Failed()) break;
    ColumnDefinition column;
    ReadColumn(read, columns[index], column);
    ReadInstantFacts(read, columns[index], column);
    column.ordinal = -1;
    definition.droppedColumns.push_back(std::move(column));
  }
  if (read.Failed()) return Status::Corruption(read.Error());
  out.alteredInPlace =
      definition.instantColumns != 0 || !definition.droppedColumns.empty() ||
      std::any_of(
          definition.columns.begin(), definition.columns.end(), [](const ColumnDefinition& column) {
            return column.versionAdded != 0 || column.instantDefault != InstantDefault::kNone;
          });
  if (definition.columns.empty()) {
    return Status::Corruption("the SDI of table " + out.name + " lists no columns");
  }

  bool first = true;
  for (const Json& index : read.Array(table, "indexes")) {
    if (read.Failed()) break;
    read.SetContext("an index of " + out.name);
    const bool hidden = read.Boolean(index, "hidden");
    const std::string privateData = read.TextOr(index, "se_private_data");
    // The clustered index comes first; without a primary key it is a
    // hidden one over DB_ROW_ID.
    if (first) {
      definition.clusteredRootPage =
          static_cast<std::uint32_t>(NumberProperty(privateData, "root"));
      definition.clusteredIndexId = NumberProperty(privateData, "id");
      first = false;
    }
    if (hidden) continue;
    KeyDefinition key;
    ReadIndex(read, index, numbers, definition, key);
    if (!key.parts.empty()) definition.keys.push_back(std::move(key));
  }
  if (read.Failed()) return Status::Corruption(read.Error());

  const auto partitions = table.find("partitions");
  if (partitions != table.end() && !partitions->is_null() && !partitions->is_array()) {
    return Status::Corruption("the table's partitions in the definition (SDI) are not a list");
  }
  if (partitions != table.end() && partitions->is_array() && !partitions->empty()) {
    ReadPartitions(read, *partitions, definition);
    if (read.Failed()) return Status::Corruption(read.Error());
    definition.partitionEngine = out.engine;
    definition.storageEngine = kEnginePartitioned;
  }

  MarkKeyMembership(definition);
  if (definition.storageEngine == kEngineMyIsam) {
    // The record image the MyISAM files hold.
    LayOutRecordImage(definition);
  } else {
    std::uint32_t nullBits = 1;
    for (const ColumnDefinition& column : definition.columns) {
      if (column.nullable) ++nullBits;
      if (column.typeCode == kTypeBit) nullBits += column.length & 7;
    }
    definition.nullFlagsFirst = true;
    definition.nullFlagBytes = (nullBits + 7) / 8;
  }
  return Status::Ok();
}

}  // namespace rowmender
