// The InnoDB data dictionary kept in the system tablespace (ibdata1): the
// system tables SYS_TABLES, SYS_COLUMNS, SYS_INDEXES and SYS_FIELDS, read
// from their clustered indexes in the redundant record format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/collation_table.h"
#include "definitions/table_definition.h"
#include "innodb/inno_column.h"
#include "innodb/page.h"
#include "values/read_report.h"

namespace rowmender {

// Root pages of the system tables' clustered indexes. The server has
// always made them at these pages; the dictionary header (page 7) names
// them too, and SYS_FIELDS's root is taken from there where the page is
// sound.
inline constexpr std::uint32_t kSysTablesRoot = 8;
inline constexpr std::uint32_t kSysColumnsRoot = 10;
inline constexpr std::uint32_t kSysIndexesRoot = 11;
inline constexpr std::uint32_t kSysFieldsRoot = 12;
// Their index ids (fixed; the dictionary header does not keep them).
inline constexpr std::uint64_t kSysTablesIndexId = 1;
inline constexpr std::uint64_t kSysColumnsIndexId = 2;
inline constexpr std::uint64_t kSysIndexesIndexId = 3;
inline constexpr std::uint64_t kSysFieldsIndexId = 4;
// The dictionary header page, and where its body (after the FIL header)
// keeps the root page of SYS_FIELDS.
inline constexpr std::uint32_t kDictionaryHeaderPage = 7;
inline constexpr std::size_t kDictionaryHeaderFieldsRoot = 48;
// Ids below this are the system tables' own; user tables' ids start here.
inline constexpr std::uint64_t kFirstUserId = 10;

// SYS_INDEXES.TYPE bits: the clustered index has bit 0 set.
inline constexpr std::uint32_t kIndexTypeClustered = 1;
inline constexpr std::uint32_t kIndexTypeUnique = 2;
inline constexpr std::uint32_t kIndexTypeFullText = 32;
inline constexpr std::uint32_t kIndexTypeSpatial = 64;

// SYS_COLUMNS.PRTYPE bit of a virtual column, which no record stores.
inline constexpr std::uint32_t kPrtypeVirtual = 0x2000;
// SYS_COLUMNS.POS of a virtual column: its position in the table in the low
// 16 bits, its number among the virtual columns (plus one) above. The
// other columns' POS is their number among the stored columns.
inline constexpr std::uint32_t kVirtualPositionMask = 0xFFFF;

// SYS_TABLES.N_COLS: the stored columns in the low 16 bits, the virtual
// ones in the next 15 (servers that have them), bit 31 set for the compact
// record formats (COMPACT, DYNAMIC, COMPRESSED) and clear for REDUNDANT.
inline constexpr std::uint32_t kTableColumnCountMask = 0xFFFF;
inline constexpr unsigned kTableVirtualCountShift = 16;
inline constexpr std::uint32_t kTableVirtualCountMask = 0x7FFF;
inline constexpr std::uint32_t kTableCompactFlag = 0x80000000u;
// SYS_TABLES.TYPE: bit 0 compact, bits 1-4 the compressed page size,
// bit 5 long values kept off the page whole (DYNAMIC and COMPRESSED).
inline constexpr std::uint32_t kTableTypeZipSizeMask = 0x1E;
inline constexpr std::uint32_t kTableTypeAtomicBlobs = 0x20;

// At most this many records are read from one page, in the dictionary and
// in the table scan: a record list that runs in a circle ends here.
inline constexpr int kMaxRecordsPerPage = 1500;

struct DictTableRow {
  std::string name;  // "database/table", as the server names the files
  std::uint64_t tableId = 0;
  std::uint32_t columnCount = 0;  // N_COLS as stored (bit 31: compact format)
  std::uint32_t type = 0;
  std::uint32_t space = 0;
  // The record carries the delete mark (a dropped or renamed table whose
  // entry has not been purged yet).
  bool deleted = false;
};

struct DictColumnRow {
  std::uint64_t tableId = 0;
  std::uint32_t position = 0;
  std::string name;
  std::uint32_t mtype = 0;
  std::uint32_t prtype = 0;
  std::uint32_t len = 0;
  std::uint32_t prec = 0;
  std::uint32_t mbMinLen = 0;
  std::uint32_t mbMaxLen = 0;
  std::uint32_t mbMinMaxLen = 0;
  bool deleted = false;

  DictColumnType Type() const { return {mtype, prtype, len, prec, position, mbMinMaxLen}; }
};

// One field of an index (SYS_FIELDS), as stored.
struct DictFieldRow {
  std::uint64_t indexId = 0;
  // POS as stored: the field's number in the index in the low 16 bits;
  // where any field of the index is a column prefix, the number in the
  // high 16 bits and the prefix length (bit 15: descending, in servers
  // that have that) in the low ones.
  std::uint32_t position = 0;
  std::string columnName;
  bool deleted = false;
};

// One field of an index, decoded.
struct DictIndexField {
  std::string columnName;
  // Bytes of the column the index holds; 0: the whole column.
  std::uint32_t prefixLength = 0;
  bool descending = false;
};

struct DictIndexRow {
  std::uint64_t tableId = 0;
  std::uint64_t indexId = 0;
  std::string name;
  std::uint32_t fieldCount = 0;
  std::uint32_t indexType = 0;
  std::uint32_t space = 0;
  std::uint32_t rootPage = 0;
  bool deleted = false;

  bool IsClustered() const { return (indexType & kIndexTypeClustered) != 0; }
};

// The rows of the four system tables.
struct DictionaryRows {
  std::vector<DictTableRow> tables;
  std::vector<DictColumnRow> columns;
  std::vector<DictIndexRow> indexes;
  std::vector<DictFieldRow> fields;
};

// Appends the rows of the four system tables of `system` to `rows`, in the
// order their leaf records are walked. Where a system table's root, leaf
// chain or a leaf page is damaged, its leaf pages are found by their index
// id among all pages (what is left of them is read); `report`, when given,
// counts what was read and lost. Every walk is bounded by the source's
// page count and by kMaxRecordsPerPage.
void ReadSystemDictionary(const PageSource& system, const CollationTable& collations,
                          DictionaryRows& rows, ReadReport* report = nullptr);

// The same, SYS_FIELDS read (and accounted for) but its rows not kept.
void ReadSystemDictionary(const PageSource& system, const CollationTable& collations,
                          std::vector<DictTableRow>& tables, std::vector<DictColumnRow>& columns,
                          std::vector<DictIndexRow>& indexes, ReadReport* report = nullptr);

// The root page of SYS_FIELDS: as the dictionary header page gives it when
// that page is sound and names a page of `system`; kSysFieldsRoot
// otherwise.
std::uint32_t SysFieldsRoot(const PageSource& system);

// The fields of index `indexId`, in index order: its live SYS_FIELDS rows,
// or its delete-marked ones where it has no live row (a dropped index).
std::vector<DictIndexField> FieldsOfIndexIn(const std::vector<DictFieldRow>& fields,
                                            std::uint64_t indexId);

// The table id of `name` ("database/table"; a backslash between the two
// names counts as a slash), compared exactly. A live entry wins over a
// delete-marked one. 0 when none matches.
std::uint64_t FindTableIdIn(const std::vector<DictTableRow>& tables, std::string_view name);

// The table whose live SYS_COLUMNS rows name exactly `names`, in position
// order, and whose SYS_TABLES entry (if any is left) is not another
// table's name than `name`: how a table is found when its own SYS_TABLES
// entry is lost. 0 when no table or more than one matches.
std::uint64_t FindTableIdByColumnsIn(const std::vector<DictTableRow>& tables,
                                     const std::vector<DictColumnRow>& columns,
                                     std::string_view name, const std::vector<std::string>& names);

// The clustered index of table `tableId` (the index whose type has bit 0
// set); a live entry wins over a delete-marked one. Null when none.
const DictIndexRow* FindClusteredIndexIn(const std::vector<DictIndexRow>& indexes,
                                         std::uint64_t tableId);

// Its root page; 0 when none.
std::uint32_t FindClusteredIndexRootIn(const std::vector<DictIndexRow>& indexes,
                                       std::uint64_t tableId);

// One pending field per stored column of `columns` that the dictionary
// lists for `tableId`, in definition order. A column is matched by its
// number among the stored columns: the virtual ones (marked in the
// definition, or at the positions the dictionary's virtual columns give)
// are left out. A column the dictionary does not list gets no field.
std::vector<InnoColumn> ColumnsFromDictionary(const std::vector<DictColumnRow>& rows,
                                              std::uint64_t tableId,
                                              const std::vector<ColumnDefinition>& columns);

}  // namespace rowmender
