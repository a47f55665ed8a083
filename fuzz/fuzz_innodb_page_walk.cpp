// Feeds an arbitrary tablespace image to the InnoDB page walk: the descent
// to the first leaf, windows of records in both walk forms, the values of
// every field (the save forms read whole external values from the image),
// and a whole scan formatted for every output.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_formats.h"
#include "fuzz_innodb_shapes.h"
#include "innodb/btree.h"
#include "innodb/dictionary.h"
#include "innodb/external_value.h"
#include "innodb/inno_column.h"
#include "innodb/page.h"
#include "innodb/record_columns.h"
#include "innodb/table_scan.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace rowmender;
  if (size < 2) return 0;
  static const CollationTable collations = fuzzing::FuzzCollations();
  // The input is the image (so that real tablespaces seed the corpus); its
  // last two bytes also pick the table shape and the options.
  const std::uint8_t shape = data[size - 2];
  const std::uint8_t options = data[size - 1];
  const TableDefinition table = fuzzing::FuzzTable(shape);
  const bool save = (options & 1) != 0;

  std::vector<std::uint8_t> image(data, data + size);
  image.resize(((image.size() + kInnoPageSize - 1) / kInnoPageSize + 1) * kInnoPageSize, 0);
  const MemoryPageSource source(image);

  std::vector<InnoColumn> pending;
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    pending.push_back(
        InnoColumnFromDefinition(table.columns[i], static_cast<std::uint32_t>(i), collations));
  }
  const std::vector<InnoColumn> fields = ArrangeRecordColumns(pending, table);

  InnoValueContext context;
  context.options.form = save ? ValueForm::kSave : ValueForm::kPreview;
  context.options.collations = &collations;
  context.exportExternal = [&](ByteView local) {
    return std::to_string(ExternalValueBytes(source, local).size());
  };
  context.readExternal = [&](ByteView local) { return ExternalValueBytes(source, local); };

  const std::uint32_t root = source.PageCount() > 3 ? 3 : 0;
  std::uint32_t start = FindFirstLeafPage(source, root, fields);
  if (start == 0) start = root;
  for (const WalkForm form : {WalkForm::kOwnTablespace, WalkForm::kSystemTablespace}) {
    RecordWindowReader reader(source, form, fields, table.columns.size(), context);
    std::vector<DecodedRow> rows;
    bool resume = (options & 2) != 0;
    const RecordWindow window =
        reader.Read(start, static_cast<std::uint16_t>(options << 6), resume, rows);
    if (window.next) {
      rows.clear();
      resume = true;
      reader.Read(static_cast<std::uint32_t>(window.next->pageNumber),
                  static_cast<std::uint16_t>(window.next->offset), resume, rows);
    }
  }
  // The whole scan, every row in every output form: it ends within the
  // pages of the image, whatever the chains say.
  InnoTableCursor cursor(source, WalkForm::kOwnTablespace, table, fields, &collations, start);
  RowBuffer row;
  std::size_t rows = 0;
  const std::size_t mostRows = (source.PageCount() + 1) * (kMaxRecordsPerPage + 1);
  while (cursor.Next(row)) {
    fuzzing::FormatRowEveryWay(row, cursor.Formats());
    if (++rows > mostRows) std::abort();
  }
  if (cursor.Report().pagesRead > source.PageCount()) std::abort();
  (void)FindFirstLeafPageRedundant(source, root);
  return 0;
}
