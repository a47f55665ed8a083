// Feeds an arbitrary system tablespace to the data dictionary load: the
// input holds pages 8 on (the system tables' roots), the pages before them
// are empty. The lookups and the column mapping then run over what it gave.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_innodb_shapes.h"
#include "innodb/dictionary.h"
#include "innodb/page.h"
#include "innodb/record_columns.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace rowmender;
  static const CollationTable collations = fuzzing::FuzzCollations();
  constexpr std::size_t kFirstInputPage = kSysTablesRoot;
  std::vector<std::uint8_t> image(kFirstInputPage * kInnoPageSize, 0);
  image.insert(image.end(), data, data + size);
  image.resize(((image.size() + kInnoPageSize - 1) / kInnoPageSize + 1) * kInnoPageSize, 0);
  const MemoryPageSource source(image);

  std::vector<DictTableRow> tables;
  std::vector<DictColumnRow> columns;
  std::vector<DictIndexRow> indexes;
  ReadSystemDictionary(source, collations, tables, columns, indexes);

  const TableDefinition table = fuzzing::FuzzTable(size > 0 ? data[0] : 0);
  for (const auto& row : tables) {
    const std::uint64_t id = FindTableIdIn(tables, row.name);
    (void)FindClusteredIndexRootIn(indexes, id);
    std::vector<InnoColumn> pending = ColumnsFromDictionary(columns, id, table.columns);
    (void)ArrangeRecordColumns(pending, table);
  }
  return 0;
}
