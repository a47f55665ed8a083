// Feeds the SDI reader: an input starting with '{' is an SDI document
// turned into a table definition; any other is the first pages of a
// tablespace whose SDI index is walked and whose documents are read. A
// definition read is laid out as records (a table whose columns were added
// or dropped in place tells its records' shapes).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "definitions/sdi_definition.h"
#include "fuzz_innodb_shapes.h"
#include "innodb/inno_column.h"
#include "innodb/page.h"
#include "innodb/record_columns.h"
#include "innodb/record_layout.h"
#include "innodb/sdi.h"

namespace {

void LayOut(const rowmender::TableDefinition& table) {
  using namespace rowmender;
  static const CollationTable collations = fuzzing::FuzzCollations();
  std::vector<InnoColumn> pending;
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    if (table.columns[i].isVirtual) continue;
    pending.push_back(
        InnoColumnFromDefinition(table.columns[i], static_cast<std::uint32_t>(i), collations));
  }
  RecordLayout layout;
  (void)LayoutFromDefinition(ArrangeRecordColumns(pending, table), table, collations, layout);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace rowmender;
  if (size > 0 && data[0] == '{') {
    SdiTable table;
    if (ParseSdiTable(std::string_view(reinterpret_cast<const char*>(data), size), table).ok())
      LayOut(table.definition);
    return 0;
  }
  const MemoryPageSource source(ByteView(data, size),
                                GeometryOfBytes(ByteView(data, size), nullptr));
  const SdiContents sdi = ReadSdi(source);
  for (const SdiObject& object : sdi.objects) {
    SdiTable table;
    if (ParseSdiTable(object.json, table).ok()) LayOut(table.definition);
  }
  return 0;
}
