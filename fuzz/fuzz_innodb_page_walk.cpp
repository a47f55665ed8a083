// Feeds an arbitrary tablespace image to the InnoDB page walk: the descent
// to the first leaf, pages of the record grid in both walk forms (the save
// forms read whole external values from the image), the scan in parts, and
// a whole scan formatted for every output, and the page scan that finds
// the leaf pages by their headers, records found one by one included.
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

  ValueOptions texts;
  texts.form = save ? ValueForm::kSave : ValueForm::kPreview;
  texts.collations = &collations;
  texts.longValueSink = [](ByteView local, const LongValueReader& reader) {
    std::uint64_t bytes = 0;
    reader.Read(local, [&bytes](ByteView part) { bytes += part.size(); });
    return std::to_string(bytes);
  };

  const std::uint32_t root = source.PageCount() > 3 ? 3 : 0;
  std::uint32_t start = FindFirstLeafPage(source, root, fields);
  if (start == 0) start = root;
  for (const WalkForm form : {WalkForm::kOwnTablespace, WalkForm::kSystemTablespace}) {
    // A page of the record grid, then one from a position inside a page,
    // as texts in the form asked for.
    InnoTableCursor window(source, form, table, fields, &collations, start);
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
      InnoTableCursor part(source, form, table, fields, &collations, pages);
      while (part.Next(row)) {
      }
      partPages += pages.size();
      pages.clear();
    }
    if (partPages > source.PageCount()) std::abort();
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

  // The page scan bulk work reads by: every page's headers, the leaf pages
  // of the index the root names (else the index with the most leaves), in
  // the order of their links, each once; a page whose record list is
  // broken is read record by record.
  PageBuffer rootPage = NewPageBuffer();
  source.Read(root, rootPage);
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
  InnoTableCursor scan(source, WalkForm::kOwnTablespace, table, fields, &collations, order.pages);
  rows = 0;
  while (scan.Next(row)) {
    fuzzing::FormatRowEveryWay(row, scan.Formats());
    if (++rows > mostRows) std::abort();
  }
  if (scan.Report().pagesRead != order.pages.size()) std::abort();
  (void)FindFirstLeafPageRedundant(source, root);
  return 0;
}
