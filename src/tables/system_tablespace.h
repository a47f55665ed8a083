// The system tablespace (ibdata1) and the data dictionary it keeps,
// opened once and shared, read-only, by every table read from a data
// folder (also from several threads).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/collation_table.h"
#include "base/data_file.h"
#include "base/status.h"
#include "innodb/dictionary.h"
#include "innodb/page.h"

namespace rowmender {

class SystemTablespace {
 public:
  // Opens `path` and reads its dictionary.
  static Status Open(const std::string& path, const CollationTable* collations,
                     std::unique_ptr<SystemTablespace>& out);

  SystemTablespace(const SystemTablespace&) = delete;
  SystemTablespace& operator=(const SystemTablespace&) = delete;

  const std::string& Path() const { return file_.Path(); }
  const PageSource& Pages() const { return *pages_; }

  // The rows of the dictionary's system tables.
  const DictionaryRows& Rows() const { return rows_; }
  const std::vector<DictTableRow>& Tables() const { return rows_.tables; }
  const std::vector<DictColumnRow>& Columns() const { return rows_.columns; }
  const std::vector<DictIndexRow>& Indexes() const { return rows_.indexes; }
  const std::vector<DictFieldRow>& Fields() const { return rows_.fields; }

  // The table id of "database/table" (0: not listed).
  std::uint64_t FindTableId(std::string_view name) const {
    return FindTableIdIn(rows_.tables, name);
  }
  // The table with the columns `names` whose own entry is lost (0: none,
  // or more than one).
  std::uint64_t FindTableIdByColumns(std::string_view name,
                                     const std::vector<std::string>& names) const {
    return FindTableIdByColumnsIn(rows_.tables, rows_.columns, name, names);
  }
  // What reading the dictionary lost.
  const ReadReport& DictionaryReport() const { return dictionaryReport_; }
  // The entry of a table's clustered index (null: not listed).
  const DictIndexRow* FindClusteredIndex(std::uint64_t tableId) const {
    return FindClusteredIndexIn(rows_.indexes, tableId);
  }
  // The root page of a table's clustered index (0: not listed).
  std::uint32_t FindClusteredIndexRoot(std::uint64_t tableId) const {
    return FindClusteredIndexRootIn(rows_.indexes, tableId);
  }

 private:
  SystemTablespace() = default;

  DataFile file_;
  std::unique_ptr<FilePageSource> pages_;
  DictionaryRows rows_;
  ReadReport dictionaryReport_;
};

}  // namespace rowmender
