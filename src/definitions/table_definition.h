// A table's definition as read from its definition file, and the shapes of
// decoded rows and page positions that every record reader shares.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "values/cell.h"

namespace rowmender {

// Storage engine codes of the definition file header.
inline constexpr std::uint8_t kEngineMyIsam = 9;
inline constexpr std::uint8_t kEngineInnoDb = 12;
inline constexpr std::uint8_t kEngineAria = 42;
inline constexpr std::uint8_t kEngineCsv = 17;

// MySQL column type codes.
enum ColumnType : std::uint32_t {
  kTypeDecimalOld = 0,
  kTypeTiny = 1,
  kTypeShort = 2,
  kTypeLong = 3,
  kTypeFloat = 4,
  kTypeDouble = 5,
  kTypeNull = 6,
  kTypeTimestamp = 7,
  kTypeLongLong = 8,
  kTypeInt24 = 9,
  kTypeDate = 10,
  kTypeTime = 11,
  kTypeDatetime = 12,
  kTypeYear = 13,
  kTypeNewDate = 14,
  kTypeVarchar = 15,
  kTypeBit = 16,
  kTypeTimestamp2 = 17,
  kTypeDatetime2 = 18,
  kTypeTime2 = 19,
  kTypeJson = 245,
  kTypeNewDecimal = 246,
  kTypeEnum = 247,
  kTypeSet = 248,
  kTypeTinyBlob = 249,
  kTypeMediumBlob = 250,
  kTypeLongBlob = 251,
  kTypeBlob = 252,
  kTypeVarString = 253,
  kTypeString = 254,
  kTypeGeometry = 255,
};

// ROW_FORMAT values of the definition file header.
inline constexpr std::uint8_t kRowTypeDefault = 0;
inline constexpr std::uint8_t kRowTypeFixed = 1;
inline constexpr std::uint8_t kRowTypeDynamic = 2;
inline constexpr std::uint8_t kRowTypeCompressed = 3;
inline constexpr std::uint8_t kRowTypeRedundant = 4;
inline constexpr std::uint8_t kRowTypeCompact = 5;

// Table option bits of the definition file header.
inline constexpr std::uint16_t kOptionPackRecord = 0x0001;
inline constexpr std::uint16_t kOptionChecksum = 0x0020;

// What a record written before a column was added in place
// (ALGORITHM=INSTANT) holds for that column.
enum class InstantDefault : std::uint8_t {
  kNone,   // not known (or the column was not added in place)
  kNull,   // NULL
  kValue,  // the bytes of `instantDefaultBytes`
};

// Character set number of binary strings.
inline constexpr std::uint32_t kBinaryCharset = 63;

// Pack-flag bits of a column record.
inline constexpr std::uint16_t kPackSigned = 0x0001;
inline constexpr std::uint16_t kPackZerofill = 0x0004;
inline constexpr std::uint16_t kPackBitAsChars = 0x1000;
inline constexpr std::uint16_t kPackNullable = 0x8000;
// The decimals count of a column record (DECIMAL's scale, the fractional
// digits of FLOAT and DOUBLE).
inline constexpr int kPackDecimalsShift = 8;
inline constexpr std::uint16_t kPackDecimalsMask = 0x1F;
// FLOAT and DOUBLE declared without a decimals count store this many.
inline constexpr std::uint16_t kNoDecimals = 31;

// The columns that hold when a row of a system-versioned table began and
// ended to be the current one.
enum class RowPeriodEdge : std::uint8_t { kNone, kRowStart, kRowEnd };

struct ColumnDefinition {
  std::string name;
  std::int32_t ordinal = 0;
  // 1-based byte position of the column in the record image.
  std::uint32_t recordOffset = 0;
  std::uint32_t typeCode = 0;
  std::uint32_t geometryType = 0;
  // Bytes for strings, display width for numbers, bit count for BIT.
  std::uint32_t length = 0;
  bool nullable = false;
  bool inPrimaryKey = false;
  bool inUniqueKey = false;
  std::int32_t precision = 0;
  std::int32_t scale = 0;
  std::uint32_t charsetId = 0;
  // ENUM and SET: the members, each in single quotes, joined by commas.
  std::string valueList;
  // In a decoded row: the text of this column's value.
  std::string valueText;

  // The pack flags as stored in the column record.
  std::uint16_t packFlags = 0;
  // ENUM and SET: this column's own members, in list order.
  std::vector<std::string> values;
  // The name of a data type that MariaDB adds to the classic ones
  // ("uuid", "inet6", "inet4"), kept in the definition's extra segment;
  // empty for every other column.
  std::string typeName;
  // A generated column: the expression that computes it (as the server
  // prints it); empty for other columns.
  std::string generationExpression;
  // A generated column whose values no record stores (VIRTUAL).
  bool isVirtual = false;
  // INVISIBLE: left out of SELECT *.
  bool invisible = false;
  // Added by the server, not by CREATE TABLE (the row start and row end of
  // a table declared just WITH SYSTEM VERSIONING); invisible too.
  bool addedByServer = false;
  // A DEFAULT given as an expression (as the server prints it, without its
  // parentheses); empty when the default is a plain value or none.
  std::string defaultExpression;
  // The column's own CHECK constraint (the expression); empty when none.
  std::string checkExpression;
  // MariaDB's WITHOUT SYSTEM VERSIONING column of a versioned table.
  bool withoutVersioning = false;
  // The row start or row end column of a system-versioned table.
  RowPeriodEdge periodEdge = RowPeriodEdge::kNone;

  // Columns added, dropped or moved in place (ALGORITHM=INSTANT), as the
  // server keeps them: a record holds the fields of the columns the table
  // had when it was written. MySQL 8.0.29 and later: the field's place
  // among a clustered-index record's fields when every column is counted,
  // dropped ones too (-1: not given, the definition's order), and the row
  // versions that added and dropped the column (0: none).
  std::int32_t physicalPosition = -1;
  std::uint32_t versionAdded = 0;
  std::uint32_t versionDropped = 0;
  // The value of the column in records written before it was added, as
  // the storage engine stores it (integers big-endian, strings without
  // their length).
  InstantDefault instantDefault = InstantDefault::kNone;
  std::string instantDefaultBytes;

  // Numeric columns: the definition marks the column signed.
  bool IsSigned() const { return (packFlags & kPackSigned) != 0; }
  // Numeric columns: ZEROFILL.
  bool Zerofill() const { return (packFlags & kPackZerofill) != 0; }
  // BIT columns: whole value kept in the record rather than partly among
  // the null-flag bits.
  bool BitStoredAsChars() const { return (packFlags & kPackBitAsChars) != 0; }
};

struct KeyPart {
  // 1-based column number; 0 means no column.
  std::uint32_t columnNumber = 0;
  std::uint16_t offset = 0;
  std::uint16_t length = 0;
};

// Key flags as a definition file keeps them: the unique bit inverted (set
// on keys that allow duplicates), full-text and spatial keys marked.
inline constexpr std::uint16_t kKeyFlagNotUnique = 0x0001;
inline constexpr std::uint16_t kKeyFlagFullText = 0x0080;
inline constexpr std::uint16_t kKeyFlagSpatial = 0x0400;

struct KeyDefinition {
  std::string name;
  bool unique = false;
  std::uint16_t flags = 0;
  std::vector<KeyPart> parts;
  // IGNORED: kept up to date but not used by the optimizer (MariaDB).
  bool ignored = false;

  bool IsPrimary() const;
};

// Where a table's definition was read from.
enum class DefinitionOrigin : std::uint8_t {
  kDefinitionFile,  // the table's .frm
  kTablespaceSdi,   // the SDI a MySQL 8 tablespace carries
  kSdiFile,         // the .sdi file MySQL 8 keeps beside a MyISAM or CSV table
  kDictionary,      // the InnoDB data dictionary in the system tablespace
  kStatement,       // a CREATE TABLE statement the user gave
};

// A table's CHECK constraint.
struct CheckConstraint {
  std::string name;
  std::string expression;
};

// A PERIOD of a table: the columns (0-based) that start and end it.
struct TablePeriod {
  std::string name;
  std::int32_t startColumn = -1;
  std::int32_t endColumn = -1;
  bool Defined() const { return startColumn >= 0 && endColumn >= 0; }
};

// A partition of a MySQL 8 partitioned table as its SDI names it: the
// name of its tablespace after the table's and the partition marker ("p0",
// a subpartition's "p0#SP#p0sp0", each name as the server writes it in file
// names), and the root page and index id of its clustered index (0: not
// known).
struct TablespacePartition {
  std::string fileName;
  std::uint32_t clusteredRootPage = 0;
  std::uint64_t clusteredIndexId = 0;
};

struct TableDefinition {
  std::vector<ColumnDefinition> columns;
  // Every ENUM/SET member of the table, all value lists in file order.
  std::vector<std::string> intervalValues;
  // Keys in file order, their parts in key order.
  std::vector<KeyDefinition> keys;
  std::uint32_t recordLength = 0;
  std::uint32_t nullFlagBytes = 0;
  std::uint8_t storageEngine = 0;
  std::uint32_t tableCharsetId = 0;

  std::uint8_t formatVersion = 0;
  std::uint32_t mysqlVersionId = 0;
  std::uint16_t tableOptions = 0;
  bool nullFlagsFirst = false;
  // ROW_FORMAT as CREATE TABLE named it (kRowType*); the storage engine
  // may have chosen otherwise (MyISAM keeps COMPRESSED tables dynamic or
  // fixed until myisampack packs them).
  std::uint8_t rowType = 0;
  // MAX_ROWS and AVG_ROW_LENGTH as CREATE TABLE gave them (0: not given).
  std::uint32_t maxRows = 0;
  std::uint32_t avgRowLength = 0;

  DefinitionOrigin origin = DefinitionOrigin::kDefinitionFile;
  // InnoDB, where the definition's source knows them (a tablespace's SDI
  // does): the root page and index id of the clustered index; 0 when not
  // known.
  std::uint32_t clusteredRootPage = 0;
  std::uint64_t clusteredIndexId = 0;
  // What the source of the definition does not know and was guessed, one
  // sentence each (a dictionary keeps no ENUM member names, say).
  std::vector<std::string> gaps;

  // Columns added or dropped in place (ALGORITHM=INSTANT), as MySQL 8
  // keeps them. `instantColumns`: the columns the table had before its
  // first instant ADD COLUMN of MySQL 8.0.12 to 8.0.28 (0: none), which is
  // what records written before it hold. `droppedColumns`: columns
  // dropped in place, which records written before the drop still hold
  // (with their physical position and versions; ordinal -1).
  std::uint32_t instantColumns = 0;
  std::vector<ColumnDefinition> droppedColumns;

  // CHECK constraints of the table (not those of a single column).
  std::vector<CheckConstraint> checks;
  // WITH SYSTEM VERSIONING (MariaDB): the row start and row end columns;
  // a row whose row end is not the largest value is a history row.
  TablePeriod systemTime;
  // A PERIOD FOR an application-time period (MariaDB).
  TablePeriod applicationTime;
  // The storage engine of a partitioned table's partitions, as the
  // definition names it (empty: none given).
  std::string partitionEngine;
  // The partitions of a MySQL 8 partitioned table in the server's order,
  // as the SDI its tablespaces carry describes them (empty: the table is
  // not partitioned, or its partitions are named elsewhere, by a .par).
  std::vector<TablespacePartition> tablespacePartitions;
  // Engine-defined table options, as the definition keeps them (not read).
  std::vector<std::uint8_t> engineOptions;

  bool SystemVersioned() const { return systemTime.Defined(); }

  // Packed-record option of the table (bit 0 of the table options).
  bool PackedRecords() const { return (tableOptions & kOptionPackRecord) != 0; }
  // CHECKSUM=1: MyISAM keeps a checksum byte after each packed record.
  bool RowChecksum() const { return (tableOptions & kOptionChecksum) != 0; }
  void Clear() { *this = TableDefinition{}; }
};

// One decoded row: one text per column, in definition order.
struct DecodedRow {
  std::vector<std::string> values;
  // The record carries the storage engine's delete mark.
  bool deleted = false;
  // A system-versioned table's history row (its row end is in the past).
  bool history = false;
  // What each value is, where the row was made from cells (empty for rows
  // made of texts alone, such as the structure grid's): the record grid
  // draws NULL from this, never from the text.
  std::vector<CellKind> kinds = {};
};

// Where a page of decoded rows begins. For InnoDB the page that holds the
// first record and that record's offset (0: the first record after the
// infimum); for MyISAM page number 0 and the byte offset in the data file.
struct PageStart {
  static constexpr std::uint64_t kEndPage = 0xFFFFFFFFull;

  std::uint64_t pageNumber = 0;
  std::uint64_t offset = 0;

  static PageStart End() { return PageStart{kEndPage, 0}; }
  bool IsEnd() const { return pageNumber == kEndPage; }
  friend bool operator==(const PageStart&, const PageStart&) = default;
};

// A page of decoded rows holds at most this many rows.
inline constexpr std::size_t kRowsPerPage = 1000;

}  // namespace rowmender
