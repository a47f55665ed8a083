// Feeds an arbitrary tablespace image to the InnoDB page walk: the descent
// to the first leaf, pages of the record grid in both walk forms (the save
// forms read whole external values from the image), the scan in parts, and
// a whole scan formatted for every output, and the page scan that finds
// the leaf pages by their headers, records found one by one included. The
// records are laid out as the table's definition says, or as those of a
// table whose columns were changed in place: by the metadata record the
// image holds (MariaDB), or by row versions the definition gives (MySQL 8).
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
#include "innodb/page_scan.h"
#include "innodb/record_columns.h"
#include "innodb/record_layout.h"
#include "innodb/record_salvage.h"
#include "innodb/table_scan.h"
#include "values/value_texts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace rowmender;
  if (size < 2) return 0;
  static const CollationTable collations = fuzzing::FuzzCollations();
  // The input is the image (so that real tablespaces seed the corpus); its
  // last two bytes also pick the table shape and the options.
  const std::uint8_t shape = data[size - 2];
  const std::uint8_t options = data[size - 1];
  TableDefinition table = fuzzing::FuzzTable(shape);
  const bool save = (options & 1) != 0;
  const bool mariaDbInstant = (options & 2) != 0;
  const bool mySqlInstant = (options & 4) != 0;
  if (mySqlInstant) {
    // The last column added in row version 1, a column dropped in row
    // version 2 stored before it.
    ColumnDefinition& added = table.columns.back();
    added.versionAdded = 1;
    added.instantDefault = (options & 8) != 0 ? InstantDefault::kNull : InstantDefault::kValue;
    added.instantDefaultBytes = std::string(options % 13, '\x7f');
    ColumnDefinition dropped = fuzzing::FuzzColumn(-1, kTypeVarchar, 40, (options & 16) != 0);
    dropped.versionDropped = 2;
    table.droppedColumns.push_back(dropped);
    std::int32_t position = 0;
    for (ColumnDefinition& column : table.columns)
      column.physicalPosition = position++;
    added.physicalPosition = position + 1;
    table.droppedColumns.back().physicalPosition = position;
  }

  // The page size (and page compression) as the image's page 0 names it,
  // or as probing its pages finds it.
  std::vector<std::uint8_t> image(data, data + size);
  const TablespaceGeometry geometry = GeometryOfBytes(image, nullptr);
  const std::size_t pageSize = geometry.physicalPageSize;
  image.resize(((image.size() + pageSize - 1) / pageSize + 1) * pageSize, 0);
  const MemoryPageSource source(image, geometry);

  std::vector<InnoColumn> pending;
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    pending.push_back(
        InnoColumnFromDefinition(table.columns[i], static_cast<std::uint32_t>(i), collations));
  }
  const std::vector<InnoColumn> fields = ArrangeRecordColumns(pending, table);
  const std::uint32_t root = source.PageCount() > 3 ? 3 : 0;
  PageBuffer rootPage = NewPageBuffer(source);
  source.Read(root, rootPage);
  RecordLayout layout(fields);
  if (mySqlInstant) {
    if (!LayoutFromDefinition(fields, table, collations, layout).ok()) std::abort();
  } else if (mariaDbInstant) {
    // The root's counts, or counts the last bytes make up.
    InstantRoot instant = ReadInstantRoot(rootPage);
    if (!instant.altered) {
      instant.altered = true;
      instant.coreFields = static_cast<std::uint32_t>(fields.size() - (options >> 5) % 3);
      instant.fieldsMapped = (options & 8) != 0;
      instant.coreNullBytes = options % 3;
    }
    const std::uint32_t firstLeaf = FindFirstLeafPage(source, root, RootLayout(fields, instant));
    if (!ReadMariaDbLayout(source, instant, firstLeaf == 0 ? root : firstLeaf, fields, table,
                           layout)
             .ok()) {
      layout = RootLayout(fields, instant);
    }
  }

  ValueOptions texts;
  texts.form = save ? ValueForm::kSave : ValueForm::kPreview;
  texts.collations = &collations;
  texts.longValueSink = [](ByteView local, const LongValueReader& reader) {
    std::uint64_t bytes = 0;
    reader.Read(local, [&bytes](ByteView part) { bytes += part.size(); });
    return std::to_string(bytes);
  };

  std::uint32_t start = FindFirstLeafPage(source, root, layout);
  if (start == 0) start = root;
  for (const WalkForm form : {WalkForm::kOwnTablespace, WalkForm::kSystemTablespace}) {
    // A page of the record grid, then one from a position inside a page,
    // as texts in the form asked for.
    InnoTableCursor window(source, form, table, layout, &collations, start);
    RowBuffer row;
    for (const std::uint32_t offset : {0u, static_cast<std::uint32_t>(options) << 6}) {
      window.Seek(PageStart{start, offset});
      for (int i = 0; i < 1000 && window.Next(row); ++i)
        (void)RowTexts(row, window.Formats(), texts);
    }
    // The scan in parts of two pages, as several threads read it.
    ReadReport walked;
    LeafChain chain(source, form, start, walked);
    std::vector<std::uint32_t> pages;
    std::uint32_t page = 0;
    std::uint64_t partPages = 0;
    while (chain.Next(page)) {
      pages.push_back(page);
      if (pages.size() < 2) continue;
      InnoTableCursor part(source, form, table, layout, &collations, pages);
      while (part.Next(row)) {
      }
      partPages += pages.size();
      pages.clear();
    }
    if (partPages > source.PageCount()) std::abort();
  }
  // The whole scan, every row in every output form: it ends within the
  // pages of the image, whatever the chains say.
  InnoTableCursor cursor(source, WalkForm::kOwnTablespace, table, layout, &collations, start);
  RowBuffer row;
  std::size_t rows = 0;
  const std::size_t mostRows = (source.PageCount() + 1) * (kMaxRecordsPerPage + 1);
  while (cursor.Next(row)) {
    fuzzing::FormatRowEveryWay(row, cursor.Formats());
    if (++rows > mostRows) std::abort();
  }
  if (cursor.Report().pagesRead > source.PageCount()) std::abort();

  // The page scan bulk work reads by: every page's headers, the leaf pages
  // of the index the root names (else the index with the most leaves), in
  // the order of their links, each once; a page whose record list is
  // broken is read record by record.
  std::uint64_t indexId =
      IndexPage(rootPage).IsIndexPage() ? IndexPage(rootPage).Header().indexId : 0;
  if (indexId == 0) {
    std::uint64_t most = 0;
    for (const auto& [id, tally] : TallyLeafPages(source)) {
      if (tally.count > most) {
        most = tally.count;
        indexId = id;
      }
    }
  }
  ReadReport scanned;
  const LeafPageOrder order =
      OrderLeafPages(FindLeafPages(source, indexId), ExtentMap::Read(source), start, scanned);
  if (order.pages.size() > source.PageCount()) std::abort();
  InnoTableCursor scan(source, WalkForm::kOwnTablespace, table, layout, &collations, order.pages);
  rows = 0;
  while (scan.Next(row)) {
    fuzzing::FormatRowEveryWay(row, scan.Formats());
    if (++rows > mostRows) std::abort();
  }
  if (scan.Report().pagesRead != order.pages.size()) std::abort();
  // Records found one by one on every leaf page, by the layout.
  PageBuffer leaf = NewPageBuffer(source);
  for (const std::uint32_t page : order.pages) {
    source.Read(page, leaf);
    (void)SalvageRecords(leaf, IndexPage(leaf).Format(), layout);
  }
  (void)FindFirstLeafPageRedundant(source, root);
  return 0;
}
