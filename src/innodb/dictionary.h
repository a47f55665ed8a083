// The InnoDB data dictionary kept in the system tablespace (ibdata1): the
// system tables SYS_TABLES, SYS_COLUMNS and SYS_INDEXES, read from their
// clustered indexes at fixed root pages, in the redundant record format.
#pragma once

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

// Root pages of the system tables' clustered indexes.
inline constexpr std::uint32_t kSysTablesRoot = 8;
inline constexpr std::uint32_t kSysColumnsRoot = 10;
inline constexpr std::uint32_t kSysIndexesRoot = 11;
// Their index ids.
inline constexpr std::uint64_t kSysTablesIndexId = 1;
inline constexpr std::uint64_t kSysColumnsIndexId = 2;
inline constexpr std::uint64_t kSysIndexesIndexId = 3;
// Ids below this are the system tables' own; user tables' ids start here.
inline constexpr std::uint64_t kFirstUserId = 10;

// SYS_INDEXES.TYPE bits: the clustered index has bit 0 set.
inline constexpr std::uint32_t kIndexTypeClustered = 1;
inline constexpr std::uint32_t kIndexTypeUnique = 2;

// SYS_COLUMNS.PRTYPE bit of a virtual column, which no record stores.
inline constexpr std::uint32_t kPrtypeVirtual = 0x2000;

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

// Appends the rows of the three system tables of `system` to the lists, in
// the order their leaf records are walked. Where a system table's root,
// leaf chain or a leaf page is damaged, its leaf pages are found by their
// index id among all pages (what is left of them is read); `report`, when
// given, counts what was read and lost. Every walk is bounded by the
// source's page count and by kMaxRecordsPerPage.
void ReadSystemDictionary(const PageSource& system, const CollationTable& collations,
                          std::vector<DictTableRow>& tables, std::vector<DictColumnRow>& columns,
                          std::vector<DictIndexRow>& indexes, ReadReport* report = nullptr);

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

// One pending field per column of `columns` that the dictionary lists for
// `tableId` (matched by position), in definition order; a column the
// dictionary does not list gets no field.
std::vector<InnoColumn> ColumnsFromDictionary(const std::vector<DictColumnRow>& rows,
                                              std::uint64_t tableId,
                                              const std::vector<ColumnDefinition>& columns);

}  // namespace rowmender
