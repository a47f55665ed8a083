// The fields of a clustered-index record in the order InnoDB stores them:
// the clustered key's fields in the key's own part order, the hidden
// transaction id and roll pointer, then every other column in definition
// order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/bytes.h"
#include "definitions/table_definition.h"
#include "innodb/inno_column.h"

namespace rowmender {

// One part of the clustered key: a column, whole or as a prefix.
struct ClusteredKeyPart {
  std::size_t columnIndex = 0;  // 0-based, in definition order
  bool prefix = false;
  std::uint32_t prefixLength = 0;  // bytes, when `prefix`
};

// The key InnoDB clusters the table on, as the server picks it: the
// PRIMARY key; without one, the first unique key whose columns are all NOT
// NULL and taken whole; without either, none (the hidden DB_ROW_ID).
std::vector<ClusteredKeyPart> ChooseClusteredKey(const TableDefinition& table);

// Builds the record order from `pending` (one entry per column the source
// knows, in definition order) and empties `pending`.
std::vector<InnoColumn> ArrangeRecordColumns(std::vector<InnoColumn>& pending,
                                             const TableDefinition& table);

// Byte length of the clustered key at the start of the compact node-pointer
// record at `origin`: fixed-length key fields by their length, the others
// by the length bytes below the record's null bitmap (whose size is that of
// a leaf record). 6 (the row id) when the table has no clustered key.
std::uint32_t ClusterKeyLength(ByteView page, std::size_t origin,
                               const std::vector<InnoColumn>& recordColumns);
// The same where the null bitmap has `nullBitmapSize` bytes (the size of a
// table's records before columns were added or dropped in place).
std::uint32_t ClusterKeyLength(ByteView page, std::size_t origin,
                               const std::vector<InnoColumn>& recordColumns,
                               std::size_t nullBitmapSize);

}  // namespace rowmender
