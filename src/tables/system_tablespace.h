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

  const std::vector<DictTableRow>& Tables() const { return tables_; }
  const std::vector<DictColumnRow>& Columns() const { return columns_; }
  const std::vector<DictIndexRow>& Indexes() const { return indexes_; }

  // The table id of "database/table" (0: not listed).
  std::uint64_t FindTableId(std::string_view name) const { return FindTableIdIn(tables_, name); }
  // The table with the columns `names` whose own entry is lost (0: none,
  // or more than one).
  std::uint64_t FindTableIdByColumns(std::string_view name,
                                     const std::vector<std::string>& names) const {
    return FindTableIdByColumnsIn(tables_, columns_, name, names);
  }
  // What reading the dictionary lost.
  const ReadReport& DictionaryReport() const { return dictionaryReport_; }
  // The entry of a table's clustered index (null: not listed).
  const DictIndexRow* FindClusteredIndex(std::uint64_t tableId) const {
    return FindClusteredIndexIn(indexes_, tableId);
  }
  // The root page of a table's clustered index (0: not listed).
  std::uint32_t FindClusteredIndexRoot(std::uint64_t tableId) const {
    return FindClusteredIndexRootIn(indexes_, tableId);
  }

 private:
  SystemTablespace() = default;

  DataFile file_;
  std::unique_ptr<FilePageSource> pages_;
  std::vector<DictTableRow> tables_;
  std::vector<DictColumnRow> columns_;
  std::vector<DictIndexRow> indexes_;
  ReadReport dictionaryReport_;
};

}  // namespace rowmender
