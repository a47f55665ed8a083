#include "innodb/dictionary_definition.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <unordered_set>

#include "definitions/column_types.h"
#include "innodb/inno_column.h"
#include "values/temporal_values.h"

namespace rowmender {

namespace {

// The collation a definition file gives numbers, dates and BIT (latin1's).
constexpr std::uint32_t kNumericCollation = 8;
// What a definition file gives BLOB, TEXT and GEOMETRY as their length:
// the size of the pointer to the value.
constexpr std::uint32_t kBlobPointerSize = 8;
// Display widths of the types that have one fixed width.
constexpr std::uint32_t kFloatWidth = 12;
constexpr std::uint32_t kDoubleWidth = 22;
constexpr std::uint32_t kDateWidth = 10;
constexpr std::uint32_t kTimeWidth = 10;
constexpr std::uint32_t kDatetimeWidth = 19;
constexpr std::uint32_t kYearWidth = 4;
constexpr std::uint32_t kMaxFractionDigits = 6;

// Stored lengths: the form before MySQL 5.6 of DATE (an InnoDB integer),
// and the MySQL 5.6 forms without a fraction (byte strings).
constexpr std::uint32_t kOldDateBytes = 4;
constexpr std::uint32_t kTime2Bytes = 3;
constexpr std::uint32_t kDatetime2Bytes = 5;
constexpr std::uint32_t kTimestamp2Bytes = 4;
// BLOB and TEXT: the bytes of the length (1 to 4) plus the pointer.
constexpr std::uint32_t kTinyBlobBytes = 9;
constexpr std::uint32_t kMediumBlobBytes = 11;
constexpr std::uint32_t kLongBlobBytes = 12;

// A SPATIAL index keeps a geometry's bounding rectangle: four doubles.
constexpr std::uint16_t kBoundingRectangleBytes = 32;
// The largest ENUM takes two bytes; a SET up to eight.
constexpr std::uint32_t kLargestEnumBytes = 2;
constexpr std::uint32_t kBitsPerByte = 8;

constexpr std::string_view kHiddenClusteredIndex = "GEN_CLUST_INDEX";
constexpr std::string_view kFtsDocIdColumn = "FTS_DOC_ID";
constexpr std::string_view kFtsDocIdIndex = "FTS_DOC_ID_INDEX";
// An index still being built (an ALTER TABLE that did not finish) has a
// name that starts with byte 0xFF, which reads as U+00FF.
constexpr std::string_view kIndexBeingBuilt = "\xC3\xBF";
constexpr char kRawIndexBeingBuilt = '\xFF';

constexpr std::uint32_t kFtsHexDigits = 16;
// InnoDB keeps at most 1023 fields in a record, three of them its own.
constexpr std::uint32_t kMostColumns = 1020;

// Integer type codes by stored length.
std::uint32_t IntegerTypeOfLength(std::uint32_t length) {
  switch (length) {
    case 1:
      return kTypeTiny;
    case 2:
      return kTypeShort;
    case 3:
      return kTypeInt24;
    case 4:
      return kTypeLong;
    case 8:
      return kTypeLongLong;
    default:
      return 0;
  }
}

// The display width the server gives an integer type without one.
std::uint32_t DefaultIntegerWidth(std::uint32_t typeCode, bool isUnsigned) {
  switch (typeCode) {
    case kTypeTiny:
      return isUnsigned ? 3 : 4;
    case kTypeShort:
      return isUnsigned ? 5 : 6;
    case kTypeInt24:
      return isUnsigned ? 8 : 9;
    case kTypeLong:
      return isUnsigned ? 10 : 11;
    default:
      return 20;
  }
}

const char* IntegerTypeName(std::uint32_t typeCode) {
  switch (typeCode) {
    case kTypeTiny:
      return "TINYINT";
    case kTypeShort:
      return "SMALLINT";
    case kTypeInt24:
      return "MEDIUMINT";
    case kTypeLong:
      return "INT";
    default:
      return "BIGINT";
  }
}

std::uint32_t BlobTypeOfLength(std::uint32_t length) {
  switch (length) {
    case kTinyBlobBytes:
      return kTypeTinyBlob;
    case kMediumBlobBytes:
      return kTypeMediumBlob;
    case kLongBlobBytes:
      return kTypeLongBlob;
    default:
      return kTypeBlob;
  }
}

std::string Quoted(std::string_view name) {
  return "`" + std::string(name) + "`";
}

// "`a`", "`a` and `b`", "`a`, `b` and `c`".
std::string NameList(const std::vector<std::string>& names) {
  std::string out;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) out += i + 1 == names.size() ? " and " : ", ";
    out += Quoted(names[i]);
  }
  return out;
}

std::string Bytes(std::uint32_t count) {
  return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

// How TIME, DATETIME and TIMESTAMP with fractional seconds are stored in
// this table: MySQL 5.6's form, or MariaDB 5.3's, which the dictionary
// keeps alike (a byte string of the same length and the same type codes).
enum class FractionForm { kMysql56, kMariadb53 };

// A table whose TIME, DATETIME or TIMESTAMP without fraction is kept in the
// form before MySQL 5.6 (an InnoDB integer), and none in MySQL 5.6's, was
// made by a server that wrote MariaDB 5.3's form for the fractional ones.
FractionForm FractionFormOf(const std::vector<const DictColumnRow*>& columns) {
  bool oldForm = false;
  bool newForm = false;
  for (const DictColumnRow* row : columns) {
    const std::uint32_t type = row->prtype & kPrtypeMysqlTypeMask;
    if (type != kTypeTime && type != kTypeDatetime && type != kTypeTimestamp) continue;
    if (row->mtype == kMtypeInt) oldForm = true;
    if (row->mtype == kMtypeFixBinary &&
        ((type == kTypeTime && row->len == kTime2Bytes) ||
         (type == kTypeDatetime && row->len == kDatetime2Bytes) ||
         (type == kTypeTimestamp && row->len == kTimestamp2Bytes))) {
      newForm = true;
    }
  }
  return oldForm && !newForm ? FractionForm::kMariadb53 : FractionForm::kMysql56;
}

// The fractional digits that give a stored length, least first.
std::vector<int> FractionDigitsFor(std::uint32_t typeCode, std::uint32_t length, bool hires) {
  std::vector<int> digits;
  // MariaDB 5.3's form has no TIME, DATETIME or TIMESTAMP without fraction.
  for (int d = hires ? 1 : 0; d <= static_cast<int>(kMaxFractionDigits); ++d) {
    const std::size_t size =
        hires ? HiresStorageSize(typeCode, d)
              : Temporal56StorageSize(typeCode == kTypeTime       ? kTypeTime2
                                      : typeCode == kTypeDatetime ? kTypeDatetime2
                                                                  : kTypeTimestamp2,
                                      d);
    if (size == length) digits.push_back(d);
  }
  return digits;
}

const char* TemporalName(std::uint32_t typeCode) {
  return typeCode == kTypeTime ? "TIME" : typeCode == kTypeDatetime ? "DATETIME" : "TIMESTAMP";
}

// Builds the definition, collecting what it guesses.
class Builder {
 public:
  Builder(const DictionaryRows& rows, std::uint64_t tableId, const CollationTable& collations,
          DictionaryDefinition& out)
      : rows_(rows), tableId_(tableId), collations_(collations), out_(out) {}

  Status Build() {
    out_ = DictionaryDefinition{};
    TableDefinition& table = out_.definition;
    table.origin = DefinitionOrigin::kDictionary;
    table.storageEngine = kEngineInnoDb;

    const DictTableRow* entry = TableEntry();
    if (entry != nullptr) {
      out_.name = entry->name;
      out_.space = entry->space;
      out_.dropped = entry->deleted;
    }
    const Status columns = CollectColumns(entry);
    if (!columns.ok()) return columns;
    fractionForm_ = FractionFormOf(stored_);
    for (std::size_t i = 0; i < ordered_.size(); ++i) {
      ColumnDefinition column;
      TypeColumn(*ordered_[i], column);
      column.ordinal = static_cast<std::int32_t>(i);
      table.columns.push_back(std::move(column));
    }
    BuildKeys();
    DescribeTable(entry);
    return Status::Ok();
  }

 private:
  // The table's SYS_TABLES entry: the live one where there is one.
  const DictTableRow* TableEntry() const {
    const DictTableRow* deleted = nullptr;
    for (const DictTableRow& row : rows_.tables) {
      if (row.tableId != tableId_) continue;
      if (!row.deleted) return &row;
      if (deleted == nullptr) deleted = &row;
    }
    return deleted;
  }

  // The table's column rows in the order of the table: the stored ones by
  // POS, the virtual ones at the positions their POS gives. Live rows only
  // where the table has any (a dropped table's are all delete-marked).
  Status CollectColumns(const DictTableRow* entry) {
    const bool anyLive = std::any_of(
        rows_.columns.begin(), rows_.columns.end(),
        [&](const DictColumnRow& row) { return row.tableId == tableId_ && !row.deleted; });
    std::map<std::uint32_t, const DictColumnRow*> storedByPosition;
    std::map<std::uint32_t, const DictColumnRow*> virtualByPosition;
    std::vector<std::string> impossible;
    for (const DictColumnRow& row : rows_.columns) {
      if (row.tableId != tableId_ || (anyLive && row.deleted)) continue;
      if ((row.prtype & kPrtypeVirtual) != 0) {
        virtualByPosition.emplace(row.position & kVirtualPositionMask, &row);
      } else if (row.position < kMostColumns) {
        storedByPosition.emplace(row.position, &row);
      } else {
        impossible.push_back(row.name);
      }
    }
    if (!impossible.empty()) {
      gaps_.push_back("the data dictionary gives " + NameList(impossible) +
                      " a position no column can have: left out");
    }
    const std::string table =
        out_.name.empty() ? "table id " + std::to_string(tableId_) : Quoted(out_.name);
    if (storedByPosition.empty() && virtualByPosition.empty()) {
      return Status::NotFound("the data dictionary lists no columns of " + table);
    }
    // The stored columns are numbered from 0 without a hole; the table's
    // entry says how many there are.
    std::uint32_t expected = storedByPosition.empty() ? 0 : storedByPosition.rbegin()->first + 1;
    if (entry != nullptr && (entry->columnCount & kTableColumnCountMask) <= kMostColumns) {
      expected = std::max(expected, entry->columnCount & kTableColumnCountMask);
    }
    std::vector<std::string> lost;
    for (std::uint32_t position = 0; position < expected; ++position) {
      if (!storedByPosition.contains(position)) lost.push_back(std::to_string(position + 1));
    }
    if (!lost.empty()) {
      std::string numbers;
      for (std::size_t i = 0; i < lost.size(); ++i)
        numbers += (i == 0 ? "" : ", ") + lost[i];
      return Status::Corruption("the data dictionary lost stored column" +
                                std::string(lost.size() == 1 ? " " : "s ") + numbers + " of " +
                                std::to_string(expected) + " of " + table +
                                ": its records cannot be split into columns without " +
                                (lost.size() == 1 ? "it" : "them"));
    }
    if (entry != nullptr) {
      const std::uint32_t virtualCount =
          (entry->columnCount >> kTableVirtualCountShift) & kTableVirtualCountMask;
      if (virtualByPosition.size() < virtualCount) {
        gaps_.push_back("the data dictionary lists " + std::to_string(virtualByPosition.size()) +
                        " of the table's " + std::to_string(virtualCount) +
                        " virtual columns: the others are lost (no record stores them)");
      }
    }
    if (entry == nullptr) {
      gaps_.push_back(
          "the table's SYS_TABLES entry is lost: its name and row format are not known, nor "
          "whether it had columns after the last one the data dictionary lists");
    }
    for (const auto& [position, row] : storedByPosition)
      stored_.push_back(row);

    // Virtual columns at their own positions, the stored ones around them.
    const std::size_t total = stored_.size() + virtualByPosition.size();
    ordered_.assign(total, nullptr);
    bool placed = true;
    for (const auto& [position, row] : virtualByPosition) {
      if (position >= total || ordered_[position] != nullptr) {
        placed = false;
        break;
      }
      ordered_[position] = row;
    }
    if (!placed) {
      // Positions that do not fit: the virtual columns go last.
      ordered_.assign(stored_.begin(), stored_.end());
      for (const auto& [position, row] : virtualByPosition)
        ordered_.push_back(row);
      gaps_.push_back(
          "the positions the data dictionary gives the virtual columns do not fit "
          "the table: they are put after the stored columns");
      return Status::Ok();
    }
    std::size_t next = 0;
    for (const DictColumnRow*& slot : ordered_) {
      if (slot == nullptr) slot = stored_[next++];
    }
    return Status::Ok();
  }

  // The column's type as the definition file would give it, from the
  // InnoDB type and the MySQL type code the dictionary keeps.
  void TypeColumn(const DictColumnRow& row, ColumnDefinition& column) {
    column.name = row.name;
    column.nullable = (row.prtype & kPrtypeNotNull) == 0;
    if (column.nullable) column.packFlags |= kPackNullable;
    column.isVirtual = (row.prtype & kPrtypeVirtual) != 0;
    if (column.isVirtual) {
      virtualColumns_.push_back(row.name);
    }
    const std::uint32_t type = row.prtype & kPrtypeMysqlTypeMask;
    const bool isUnsigned = (row.prtype & kPrtypeUnsigned) != 0;
    const std::uint32_t collation = CollationOfPrtype(row.prtype);

    if (row.name == kFtsDocIdColumn && row.mtype == kMtypeInt && type == 0 && row.len == 8) {
      // The column InnoDB adds itself for a FULLTEXT index.
      Integer(column, kTypeLongLong, true);
      column.invisible = true;
      hiddenDocId_ = true;
      return;
    }
    switch (row.mtype) {
      case kMtypeInt:
        TypeInteger(row, type, isUnsigned, column);
        return;
      case kMtypeFixBinary:
        TypeFixedBinary(row, type, collation, column);
        return;
      case kMtypeChar:
      case kMtypeMysql:
        String(column, type == kTypeVarString ? kTypeVarString : kTypeString, row.len, collation);
        if (type != kTypeString && type != kTypeVarString) NoMysqlType(row, "CHAR");
        return;
      case kMtypeVarchar:
      case kMtypeVarMysql:
      case kMtypeBinary:
        String(column, type == kTypeVarString ? kTypeVarString : kTypeVarchar, row.len, collation);
        if (type != kTypeVarchar && type != kTypeVarString) NoMysqlType(row, "VARCHAR");
        return;
      case kMtypeBlob:
        if (type == kTypeGeometry) {
          Geometry(column);
          return;
        }
        String(column, BlobTypeOfLength(row.len), kBlobPointerSize, collation);
        if (type != kTypeBlob && !IsBlobType(type)) NoMysqlType(row, "BLOB or TEXT");
        return;
      case kMtypeGeometry:
        Geometry(column);
        return;
      case kMtypeFloat:
      case kMtypeDouble: {
        const bool single = row.mtype == kMtypeFloat;
        column.typeCode = single ? kTypeFloat : kTypeDouble;
        column.length = single ? kFloatWidth : kDoubleWidth;
        column.charsetId = 0;
        if (!isUnsigned) column.packFlags |= kPackSigned;
        column.packFlags |= static_cast<std::uint16_t>(kNoDecimals << kPackDecimalsShift);
        floats_.push_back(row.name);
        return;
      }
      case kMtypeDecimal:
        // DECIMAL before MySQL 5.0: the digits as text, sign and point
        // included, which read right whatever the scale.
        column.typeCode = kTypeDecimalOld;
        column.length = row.len;
        column.precision = static_cast<std::int32_t>(row.len);
        if (!isUnsigned) column.packFlags |= kPackSigned;
        gaps_.push_back(Quoted(row.name) + " is a DECIMAL of the form before MySQL 5.0, " +
                        Bytes(row.len) +
                        " long: its digits are kept as text, but its precision and scale are "
                        "not kept in the data dictionary");
        return;
      default:
        AsBytes(
            row, column,
            "has an InnoDB type (" + std::to_string(row.mtype) + ") that holds no MySQL column");
        return;
    }
  }

  void TypeInteger(const DictColumnRow& row, std::uint32_t type, bool isUnsigned,
                   ColumnDefinition& column) {
    switch (type) {
      case kTypeTiny:
      case kTypeShort:
      case kTypeInt24:
      case kTypeLong:
      case kTypeLongLong:
        Integer(column, type, isUnsigned);
        integers_.push_back(row.name);
        return;
      case kTypeYear:
        column.typeCode = kTypeYear;
        column.length = kYearWidth;
        column.charsetId = kNumericCollation;
        column.packFlags |= kPackZerofill;
        years_.push_back(row.name);
        return;
      case kTypeDate:
      case kTypeNewDate:
        column.typeCode = row.len == kOldDateBytes ? kTypeDate : kTypeNewDate;
        column.length = kDateWidth;
        column.charsetId = kNumericCollation;
        return;
      case kTypeTime:
      case kTypeDatetime:
      case kTypeTimestamp:
        // The forms before MySQL 5.6, without fractional seconds.
        column.typeCode = type;
        column.length = type == kTypeTime ? kTimeWidth : kDatetimeWidth;
        column.charsetId = kNumericCollation;
        return;
      case kTypeString:
      case kTypeEnum:
      case kTypeSet:
        EnumOrSet(row, column);
        return;
      default: {
        const std::uint32_t integer = IntegerTypeOfLength(row.len);
        if (integer == 0) {
          AsBytes(row, column, "is an InnoDB integer of a length no MySQL type has");
          return;
        }
        Integer(column, integer, isUnsigned);
        gaps_.push_back(Quoted(row.name) +
                        ": the data dictionary keeps no MySQL type for it; it is read as the " +
                        (isUnsigned ? "unsigned " : "") + "integer of " + Bytes(row.len) +
                        " InnoDB stores, " + IntegerTypeName(integer));
        return;
      }
    }
  }

  // ENUM and SET keep the number of the member (ENUM) or the bits of the
  // members (SET) as an unsigned integer; the members themselves are only
  // in the definition file. The number is what there is to show.
  void EnumOrSet(const DictColumnRow& row, ColumnDefinition& column) {
    const std::uint32_t integer = IntegerTypeOfLength(row.len);
    if (integer == 0) {
      AsBytes(row, column, "is an ENUM or SET of a length neither has");
      return;
    }
    Integer(column, integer, true);
    const char* what = row.len > kLargestEnumBytes ? "a SET" : "an ENUM or a SET";
    gaps_.push_back(Quoted(row.name) + " is " + what + " of " + Bytes(row.len) +
                    " whose members the data dictionary does not keep: it is shown as the "
                    "stored number (an ENUM's member number, a SET's bits of its members), " +
                    IntegerTypeName(integer) + " UNSIGNED");
  }

  void TypeFixedBinary(const DictColumnRow& row, std::uint32_t type, std::uint32_t collation,
                       ColumnDefinition& column) {
    switch (type) {
      case kTypeNewDecimal:
        // The binary DECIMAL splits its bytes between the integer and the
        // fraction digits by the precision and scale; every stored length
        // fits several of them, which read the same bytes as different
        // numbers.
        String(column, kTypeString, row.len, kBinaryCharset);
        gaps_.push_back(Quoted(row.name) + " is a DECIMAL of " + Bytes(row.len) +
                        ": the data dictionary does not keep its precision and scale, without "
                        "which the bytes cannot be read as a number for sure, so it is shown as "
                        "those bytes, BINARY(" +
                        std::to_string(row.len) + ")");
        return;
      case kTypeBit: {
        column.typeCode = kTypeBit;
        column.length = row.len * kBitsPerByte;
        column.charsetId = kNumericCollation;
        column.packFlags |= kPackBitAsChars;
        const std::uint32_t least = row.len == 0 ? 0 : (row.len - 1) * kBitsPerByte + 1;
        gaps_.push_back(Quoted(row.name) + " is a BIT of " + Bytes(row.len) + " (" +
                        std::to_string(least) + " to " + std::to_string(column.length) +
                        " bits) whose width the data dictionary does not keep: it is shown as "
                        "BIT(" +
                        std::to_string(column.length) + ")");
        return;
      }
      case kTypeTime:
      case kTypeDatetime:
      case kTypeTimestamp:
        Fractional(row, type, column);
        return;
      case kTypeString:
        // BINARY, and MariaDB's types kept as fixed byte strings (UUID,
        // INET6), which the dictionary does not tell apart.
        String(column, kTypeString, row.len, collation);
        return;
      default:
        AsBytes(row, column,
                "has a MySQL type (" + std::to_string(type) +
                    ") the data dictionary does not keep as a byte string");
        return;
    }
  }

  // TIME, DATETIME and TIMESTAMP kept as byte strings: MySQL 5.6's form
  // (seconds, then 0 to 3 bytes of fraction in hundredths, ten-thousandths
  // or millionths), or MariaDB 5.3's (one number scaled by the fractional
  // digits). The length tells the digits only in part.
  void Fractional(const DictColumnRow& row, std::uint32_t type, ColumnDefinition& column) {
    const bool hires = fractionForm_ == FractionForm::kMariadb53;
    const std::vector<int> digits = FractionDigitsFor(type, row.len, hires);
    const std::string name = TemporalName(type);
    column.charsetId = kNumericCollation;
    const auto width = [&](int d) {
      return (type == kTypeTime ? kTimeWidth : kDatetimeWidth) +
             (d > 0 ? static_cast<std::uint32_t>(d) + 1 : 0);
    };
    if (digits.empty()) {
      AsBytes(row, column, "is a " + name + " of a length no form of it has");
      return;
    }
    if (!hires) {
      // The fraction bytes hold the larger count of digits exactly.
      const int d = digits.back();
      column.typeCode = type == kTypeTime       ? kTypeTime2
                        : type == kTypeDatetime ? kTypeDatetime2
                                                : kTypeTimestamp2;
      column.length = width(d);
      if (d == 0) return;
      gaps_.push_back(Quoted(row.name) + " is a " + name + " with " +
                      std::to_string(digits.front()) + " or " + std::to_string(d) +
                      " fractional digits (" + Bytes(row.len) +
                      "), which the data dictionary does not tell apart: it is shown with " +
                      std::to_string(d) +
                      ", in MySQL 5.6's form, which the data dictionary "
                      "does not tell from MariaDB 5.3's either");
      return;
    }
    const std::string why =
        " in MariaDB 5.3's form (the table's other temporal columns are in the form before "
        "MySQL 5.6; the data dictionary does not tell it from MySQL 5.6's)";
    if (digits.size() == 1) {
      column.typeCode = type;
      column.length = width(digits.front());
      gaps_.push_back(Quoted(row.name) + " is read as a " + name + "(" +
                      std::to_string(digits.front()) + ")" + why);
      return;
    }
    String(column, kTypeString, row.len, kBinaryCharset);
    gaps_.push_back(Quoted(row.name) + " is a " + name + " of " + Bytes(row.len) + why + ", with " +
                    std::to_string(digits.front()) + (digits.size() == 2 ? " or " : " to ") +
                    std::to_string(digits.back()) +
                    " fractional digits: its bytes are read right only with the exact count, "
                    "which the data dictionary does not keep, so it is shown as those bytes, "
                    "BINARY(" +
                    std::to_string(row.len) + ")");
  }

  void Integer(ColumnDefinition& column, std::uint32_t typeCode, bool isUnsigned) {
    column.typeCode = typeCode;
    column.length = DefaultIntegerWidth(typeCode, isUnsigned);
    column.charsetId = kNumericCollation;
    if (!isUnsigned) column.packFlags |= kPackSigned;
  }

  // CHAR, VARCHAR, BINARY, VARBINARY, TEXT and BLOB: `length` in bytes.
  void String(ColumnDefinition& column, std::uint32_t typeCode, std::uint32_t length,
              std::uint32_t collation) {
    column.typeCode = typeCode;
    column.length = length;
    column.charsetId = collation;
    // A definition file marks the strings that compare by their bytes.
    const CollationEntry* entry = collations_.Lookup(collation);
    if (collation == kBinaryCharset ||
        (entry != nullptr && entry->collationName.ends_with("_bin"))) {
      column.packFlags |= kPackSigned;
    }
    if (collation != kBinaryCharset && collation != 0) ++textCollations_[collation];
    if (collation != 0 && firstCollation_.count(collation) == 0) {
      firstCollation_.emplace(collation, firstCollation_.size());
    }
  }

  void Geometry(ColumnDefinition& column) {
    column.typeCode = kTypeGeometry;
    column.length = kBlobPointerSize;
    column.charsetId = kBinaryCharset;
    column.packFlags |= kPackSigned;
    geometries_.push_back(column.name);
  }

  // A column the dictionary's types do not map to a MySQL type: its stored
  // bytes, so that the columns after it stay in place.
  void AsBytes(const DictColumnRow& row, ColumnDefinition& column, const std::string& why) {
    const bool fixed = CompactFixedLength(row.mtype, row.prtype, row.len, row.mbMinMaxLen) != 0;
    if (row.mtype == kMtypeBlob) {
      String(column, BlobTypeOfLength(row.len), kBlobPointerSize, kBinaryCharset);
    } else {
      String(column, fixed ? kTypeString : kTypeVarchar, row.len, kBinaryCharset);
    }
    gaps_.push_back(Quoted(row.name) + " " + why + ": it is shown as its stored bytes");
  }

  void NoMysqlType(const DictColumnRow& row, const char* as) {
    gaps_.push_back(Quoted(row.name) +
                    ": the data dictionary keeps no MySQL type for it; it is read as the " + as +
                    " its InnoDB type holds");
  }

  // ---- Keys ----

  // Indexes of the table: live ones only where it has any.
  std::vector<const DictIndexRow*> Indexes() const {
    const bool anyLive = std::any_of(
        rows_.indexes.begin(), rows_.indexes.end(),
        [&](const DictIndexRow& row) { return row.tableId == tableId_ && !row.deleted; });
    std::vector<const DictIndexRow*> indexes;
    std::unordered_set<std::uint64_t> seen;
    for (const DictIndexRow& row : rows_.indexes) {
      if (row.tableId != tableId_ || (anyLive && row.deleted)) continue;
      if (!seen.insert(row.indexId).second) continue;
      indexes.push_back(&row);
    }
    std::stable_sort(indexes.begin(), indexes.end(), [](const auto* a, const auto* b) {
      return a->IsClustered() != b->IsClustered() ? a->IsClustered() : a->indexId < b->indexId;
    });
    return indexes;
  }

  // The column with `name` (1-based; 0: none). Names compare without
  // regard to case, as the server's do.
  std::uint32_t ColumnNumber(std::string_view name) const {
    const auto& columns = out_.definition.columns;
    for (std::size_t i = 0; i < columns.size(); ++i) {
      const std::string& candidate = columns[i].name;
      if (candidate.size() == name.size() &&
          std::equal(candidate.begin(), candidate.end(), name.begin(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) ==
                   std::tolower(static_cast<unsigned char>(b));
          })) {
        return static_cast<std::uint32_t>(i + 1);
      }
    }
    return 0;
  }

  // The bytes of a key part over the whole column, as a definition file
  // gives them: a string's length, a geometry's bounding rectangle (in a
  // SPATIAL index), the stored length of the others.
  std::uint16_t WholeColumnPartLength(std::uint32_t columnNumber) const {
    const ColumnDefinition& column = out_.definition.columns[columnNumber - 1];
    if (IsCharOrVarcharType(column.typeCode)) {
      return static_cast<std::uint16_t>(std::min<std::uint32_t>(column.length, 0xFFFF));
    }
    if (column.typeCode == kTypeGeometry) return kBoundingRectangleBytes;
    if (IsBlobOrGeometryType(column.typeCode)) return 0;
    const DictColumnRow* row = ordered_[columnNumber - 1];
    return static_cast<std::uint16_t>(std::min<std::uint32_t>(row->len, 0xFFFF));
  }

  // The parts of `index`, or false (and why) when its fields are lost or
  // name no column.
  bool PartsOf(const DictIndexRow& index, const std::vector<DictIndexField>& fields,
               std::vector<KeyPart>& parts, std::string& why) const {
    parts.clear();
    if (fields.empty()) {
      why = "its fields (SYS_FIELDS) are lost";
      return false;
    }
    if (index.fieldCount != 0 && fields.size() != index.fieldCount) {
      why = "the data dictionary lists " + std::to_string(fields.size()) + " of its " +
            std::to_string(index.fieldCount) + " fields";
      return false;
    }
    for (const DictIndexField& field : fields) {
      KeyPart part;
      part.columnNumber = ColumnNumber(field.columnName);
      if (part.columnNumber == 0) {
        why = "its field " + Quoted(field.columnName) + " names no column of the table";
        parts.clear();
        return false;
      }
      part.length =
          field.prefixLength != 0
              ? static_cast<std::uint16_t>(std::min<std::uint32_t>(field.prefixLength, 0xFFFF))
              : WholeColumnPartLength(part.columnNumber);
      parts.push_back(part);
    }
    return true;
  }

  static bool BeingBuilt(const std::string& name) {
    return (!name.empty() && name.front() == kRawIndexBeingBuilt) ||
           name.starts_with(kIndexBeingBuilt);
  }

  void BuildKeys() {
    TableDefinition& table = out_.definition;
    bool sawClustered = false;
    for (const DictIndexRow* index : Indexes()) {
      if (BeingBuilt(index->name)) continue;
      const bool clustered = index->IsClustered();
      if (clustered) {
        if (sawClustered) continue;
        sawClustered = true;
        table.clusteredIndexId = index->indexId;
        table.clusteredRootPage = index->rootPage;
        // No key of the user's: the table is clustered on the row id.
        if (index->name == kHiddenClusteredIndex) continue;
      }
      KeyDefinition key;
      key.name = index->name;
      std::string why;
      const std::vector<DictIndexField> fields = FieldsOfIndexIn(rows_.fields, index->indexId);
      if (!PartsOf(*index, fields, key.parts, why)) {
        if (clustered) {
          gaps_.push_back("the table has no primary key here: " + why + " of its clustered index " +
                          Quoted(index->name) +
                          ", without which its records cannot be split into columns right");
        } else {
          gaps_.push_back("the index " + Quoted(index->name) + " is left out: " + why);
        }
        continue;
      }
      if (hiddenDocId_ && index->name == kFtsDocIdIndex && key.parts.size() == 1 &&
          table.columns[key.parts[0].columnNumber - 1].name == kFtsDocIdColumn) {
        continue;  // InnoDB's own, with the hidden column
      }
      key.unique = clustered || (index->indexType & kIndexTypeUnique) != 0;
      key.flags = key.unique ? 0 : kKeyFlagNotUnique;
      if ((index->indexType & kIndexTypeFullText) != 0) key.flags |= kKeyFlagFullText;
      if ((index->indexType & kIndexTypeSpatial) != 0) key.flags |= kKeyFlagSpatial;
      if (std::any_of(fields.begin(), fields.end(),
                      [](const DictIndexField& field) { return field.descending; })) {
        descendingKeys_.push_back(index->name);
      }
      table.keys.push_back(std::move(key));
    }
    for (const KeyDefinition& key : table.keys) {
      if (!key.IsPrimary() && !key.unique) continue;
      for (const KeyPart& part : key.parts) {
        ColumnDefinition& column = table.columns[part.columnNumber - 1];
        (key.IsPrimary() ? column.inPrimaryKey : column.inUniqueKey) = true;
      }
    }
  }

  // ---- The table ----

  void DescribeTable(const DictTableRow* entry) {
    TableDefinition& table = out_.definition;
    std::vector<std::string> gaps;
    if (out_.dropped) {
      gaps.push_back(
          "the table's entries in the data dictionary are delete-marked: it was "
          "dropped, and what is left of it is read");
    }
    if (entry != nullptr) {
      const bool compact = (entry->columnCount & kTableCompactFlag) != 0;
      const char* format = "REDUNDANT";
      table.rowType = kRowTypeRedundant;
      if (compact && (entry->type & kTableTypeZipSizeMask) != 0) {
        table.rowType = kRowTypeCompressed;
        format = "COMPRESSED";
      } else if (compact && (entry->type & kTableTypeAtomicBlobs) != 0) {
        table.rowType = kRowTypeDynamic;
        format = "DYNAMIC";
      } else if (compact) {
        table.rowType = kRowTypeCompact;
        format = "COMPACT";
      }
      gaps.push_back(std::string("ROW_FORMAT is that of the table's pages, ") + format +
                     "; whether CREATE TABLE named it the data dictionary does not keep");
    }
    // The table's character set: that of most of its text columns.
    if (textCollations_.empty()) {
      gaps.push_back(
          "the table's default character set is not kept in the data dictionary, and "
          "no column of the table holds text to take it from: none is given");
    } else {
      std::uint32_t chosen = 0;
      std::uint32_t most = 0;
      for (const auto& [collation, count] : textCollations_) {
        if (count > most ||
            (count == most && firstCollation_.at(collation) < firstCollation_.at(chosen))) {
          chosen = collation;
          most = count;
        }
      }
      table.tableCharsetId = chosen;
      const CollationEntry* named = collations_.Lookup(chosen);
      gaps.push_back(
          "the table's default character set is not kept in the data dictionary: the collation "
          "most of its text columns have is taken, " +
          (named != nullptr ? named->collationName : "number " + std::to_string(chosen)));
    }
    gaps.push_back(
        "the data dictionary keeps no column defaults, AUTO_INCREMENT, comments, CHECK "
        "constraints, INVISIBLE columns nor the expressions of generated columns");
    if (!integers_.empty()) {
      gaps.push_back(
          "the data dictionary keeps no display width nor ZEROFILL: " + NameList(integers_) +
          (integers_.size() == 1 ? " has" : " have") + " the server's default width");
    }
    if (!years_.empty()) {
      gaps.push_back(NameList(years_) +
                     ": YEAR(4) is taken; the data dictionary does not tell "
                     "it from the old YEAR(2)");
    }
    if (!floats_.empty()) {
      gaps.push_back(NameList(floats_) +
                     ": the digits a FLOAT or DOUBLE was declared with, (M,D), are not kept in "
                     "the data dictionary: shown with all their digits");
    }
    if (!geometries_.empty()) {
      gaps.push_back(NameList(geometries_) +
                     ": the kind of geometry (POINT, POLYGON, ...) is not kept in the data "
                     "dictionary: shown as GEOMETRY");
    }
    if (!virtualColumns_.empty()) {
      gaps.push_back(
          NameList(virtualColumns_) +
          (virtualColumns_.size() == 1 ? " is a virtual column" : " are virtual columns") +
          ", computed by an expression the data dictionary does not keep: no record "
          "stores " +
          (virtualColumns_.size() == 1 ? "its values" : "their values"));
    }
    if (hiddenDocId_) {
      gaps.push_back(
          "`FTS_DOC_ID` is the column InnoDB adds for a FULLTEXT index (with its "
          "index FTS_DOC_ID_INDEX), which the table's definition did not list: it is "
          "marked invisible");
    }
    if (!descendingKeys_.empty()) {
      gaps.push_back("the indexes " + NameList(descendingKeys_) +
                     " have descending parts, which the definition does not mark");
    }
    gaps.insert(gaps.end(), gaps_.begin(), gaps_.end());
    table.gaps = std::move(gaps);
  }

  const DictionaryRows& rows_;
  std::uint64_t tableId_;
  const CollationTable& collations_;
  DictionaryDefinition& out_;

  std::vector<const DictColumnRow*> stored_;
  std::vector<const DictColumnRow*> ordered_;
  FractionForm fractionForm_ = FractionForm::kMysql56;
  bool hiddenDocId_ = false;
  // Text columns by collation, and the order each collation first appeared.
  std::map<std::uint32_t, std::uint32_t> textCollations_;
  std::map<std::uint32_t, std::size_t> firstCollation_;
  // Columns a shared sentence names.
  std::vector<std::string> integers_;
  std::vector<std::string> years_;
  std::vector<std::string> floats_;
  std::vector<std::string> geometries_;
  std::vector<std::string> virtualColumns_;
  std::vector<std::string> descendingKeys_;
  // Sentences about single columns, in column order.
  std::vector<std::string> gaps_;
};

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

bool IsUserTableName(std::string_view name) {
  const std::size_t slash = name.find('/');
  if (slash == std::string_view::npos || slash == 0 || slash + 1 >= name.size()) return false;
  const std::string_view table = name.substr(slash + 1);
  if (table.starts_with("#sql")) return false;
  if (table.starts_with("FTS_") && table.size() > 4 + kFtsHexDigits &&
      table[4 + kFtsHexDigits] == '_' &&
      std::all_of(table.begin() + 4, table.begin() + 4 + kFtsHexDigits, IsHexDigit)) {
    return false;
  }
  return true;
}

std::vector<DictTableRow> UserTablesIn(const std::vector<DictTableRow>& tables) {
  std::set<std::string> liveNames;
  std::unordered_set<std::uint64_t> liveIds;
  for (const DictTableRow& row : tables) {
    if (row.deleted) continue;
    liveNames.insert(row.name);
    liveIds.insert(row.tableId);
  }
  std::vector<DictTableRow> out;
  std::set<std::string> listed;
  for (const DictTableRow& row : tables) {
    if (!IsUserTableName(row.name) || listed.contains(row.name)) continue;
    if (row.deleted && (liveNames.contains(row.name) || liveIds.contains(row.tableId))) continue;
    listed.insert(row.name);
    out.push_back(row);
  }
  return out;
}

Status DefinitionFromDictionary(const DictionaryRows& rows, std::uint64_t tableId,
                                const CollationTable& collations, DictionaryDefinition& out) {
  return Builder(rows, tableId, collations, out).Build();
}

}  // namespace rowmender
