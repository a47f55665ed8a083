// Feeds arbitrary bytes to the table definition parser.
#include <cstddef>
#include <cstdint>

#include "definitions/column_type_name.h"
#include "definitions/frm_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  rowmender::TableDefinition definition;
  rowmender::DefinitionProgress progress;
  rowmender::ParseTableDefinition({data, size}, definition, progress);
  rowmender::CollationTable collations;
  for (const auto& column : definition.columns) {
    (void)rowmender::ColumnTypeName(column, definition.tableCharsetId, collations);
  }
  return 0;
}
