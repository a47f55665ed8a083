// Pages of rows over a leaf chain, with hand-made tablespaces for the
// damage a server never writes: record lists and leaf chains that loop,
// BLOB chains that loop or run past their page, records near the page ends.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "innodb/btree.h"
#include "innodb/external_value.h"
#include "innodb/record_columns.h"
#include "innodb/table_scan.h"
#include "innodb_page_builder.h"
#include "preview/long_value_files.h"
#include "preview/record_pages.h"
#include "support/test_paths.h"

namespace rowmender {
namespace {

using testing::Bytes;
using testing::CompactPageBuilder;
using testing::PutBe;

constexpr std::uint32_t kRoot = 3;

// A table (id INT PRIMARY KEY, v INT NOT NULL).
TableDefinition IdValueTable() {
  TableDefinition table;
  for (int i = 0; i < 2; ++i) {
    ColumnDefinition column;
    column.name = i == 0 ? "id" : "v";
    column.ordinal = i;
    column.typeCode = kTypeLong;
    column.length = 11;
    column.packFlags = kPackSigned;
    table.columns.push_back(column);
  }
  KeyDefinition primary;
  primary.name = "PRIMARY";
  primary.unique = true;
  primary.parts.push_back(KeyPart{1, 0, 4});
  table.keys.push_back(primary);
  table.storageEngine = kEngineInnoDb;
  return table;
}

// The record of (id, v): key, transaction id, roll pointer, value.
Bytes IdValueRecord(std::int32_t id, std::int32_t v) {
  Bytes data(4 + 6 + 7 + 4, 0);
  PutBe(data, 0, static_cast<std::uint32_t>(id) ^ 0x80000000u, 4);
  PutBe(data, 17, static_cast<std::uint32_t>(v) ^ 0x80000000u, 4);
  return data;
}

// Leaf pages 3, 4, ... chained in order, `perPage` records each, ids from 1.
std::vector<Bytes> LeafChain(int pages, int perPage, std::uint8_t flagsOfEvery7th = 0) {
  std::vector<Bytes> image = {testing::BlankPage(0, 8), testing::BlankPage(1, 5),
                              testing::BlankPage(2, 3)};
  int id = 1;
  for (int p = 0; p < pages; ++p) {
    const auto number = static_cast<std::uint32_t>(kRoot + p);
    CompactPageBuilder leaf(number, 0, p == 0 ? kNoPage : number - 1,
                            p + 1 == pages ? kNoPage : number + 1);
    for (int r = 0; r < perPage; ++r, ++id) {
      leaf.Add({}, IdValueRecord(id, id * 10), id % 7 == 0 ? flagsOfEvery7th : 0);
    }
    image.push_back(leaf.Finish().Page());
  }
  return image;
}

// The record columns of `table` typed by its definition.
std::vector<InnoColumn> ColumnsOf(const TableDefinition& table) {
  const CollationTable collations;
  std::vector<InnoColumn> pending;
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    pending.push_back(
        InnoColumnFromDefinition(table.columns[i], static_cast<std::uint32_t>(i), collations));
  }
  return ArrangeRecordColumns(pending, table);
}

// A hand-made .ibd paged through as the record grid pages through a table:
// one cursor, pages of 1000 rows, the queue of page starts.
class HandMadeTable {
 public:
  explicit HandMadeTable(const std::vector<Bytes>& pages, TableDefinition table = IdValueTable())
      : image_(testing::Tablespace(pages)), source_(image_), table_(std::move(table)) {
    const std::vector<InnoColumn> columns = ColumnsOf(table_);
    leaf_ = FindFirstLeafPage(source_, kRoot, columns);
    cursor_ = std::make_unique<InnoTableCursor>(source_, WalkForm::kOwnTablespace, table_, columns,
                                                nullptr, leaf_);
  }

  // The first page as the selection loads it.
  void LoadFirst() {
    ASSERT_NE(leaf_, 0u);
    pageStarts.push_back(cursor_->Position());
    Load(pageStarts.back(), true);
  }
  // "Next Records" from the last page start.
  void LoadNext() { Load(pageStarts.back(), true); }
  // The page at `start` read again, as "Previous Records" does: no page
  // start is added.
  void LoadBackward(const PageStart& start) { Load(start, false); }

  std::vector<DecodedRow> rows;
  std::vector<PageStart> pageStarts;
  bool moreRows = false;

 private:
  void Load(const PageStart& start, bool forward) {
    rows.clear();
    const PageOfRows page = ReadPageOfRows(*cursor_, start, ValueOptions{}, rows);
    moreRows = page.full;
    if (page.full && forward) pageStarts.push_back(page.next);
  }

  Bytes image_;
  MemoryPageSource source_;
  TableDefinition table_;
  std::uint32_t leaf_ = 0;
  std::unique_ptr<InnoTableCursor> cursor_;
};

std::string Ids(const std::vector<DecodedRow>& rows) {
  if (rows.empty()) return "";
  return rows.front().values[0] + ".." + rows.back().values[0];
}

TEST(InnoDbScan, WindowsOf1000RowsAndThreePageStartsAfterTwoWindows) {
  HandMadeTable t(LeafChain(5, 500));
  t.LoadFirst();
  EXPECT_EQ(t.rows.size(), 1000u);
  EXPECT_EQ(Ids(t.rows), "1..1000");
  EXPECT_EQ(t.rows[41].values[1], "420");
  EXPECT_TRUE(t.moreRows);
  ASSERT_EQ(t.pageStarts.size(), 2u);
  // The 1000th row is the last record of page 4: the next window starts at
  // that page's supremum and so with the first record of page 5.
  EXPECT_EQ(t.pageStarts[0], (PageStart{3, 0}));
  EXPECT_EQ(t.pageStarts[1], (PageStart{4, 112}));

  t.LoadNext();
  EXPECT_EQ(Ids(t.rows), "1001..2000");
  EXPECT_TRUE(t.moreRows);
  ASSERT_EQ(t.pageStarts.size(), 3u);

  t.LoadNext();
  EXPECT_EQ(Ids(t.rows), "2001..2500");
  EXPECT_FALSE(t.moreRows);
  EXPECT_EQ(t.pageStarts.size(), 3u);
}

TEST(InnoDbScan, AWindowStartsInsideAPageAtItsStoredRecord) {
  HandMadeTable t(LeafChain(3, 600));
  t.LoadFirst();
  EXPECT_EQ(Ids(t.rows), "1..1000");
  ASSERT_EQ(t.pageStarts.size(), 2u);
  EXPECT_EQ(t.pageStarts[1].pageNumber, 4u);
  EXPECT_GT(t.pageStarts[1].offset, 112u);
  t.LoadNext();
  EXPECT_EQ(Ids(t.rows), "1001..1800");
  EXPECT_FALSE(t.moreRows);
  // Sent back to the stored start inside page 4, the cursor reads the same.
  t.LoadBackward(t.pageStarts[1]);
  EXPECT_EQ(Ids(t.rows), "1001..1800");
}

TEST(InnoDbScan, ReadingBackwardAppendsNoPageStart) {
  HandMadeTable t(LeafChain(3, 600));
  t.LoadFirst();
  t.LoadBackward(t.pageStarts.front());
  EXPECT_EQ(Ids(t.rows), "1..1000");
  EXPECT_TRUE(t.moreRows);
  EXPECT_EQ(t.pageStarts.size(), 2u);
}

TEST(InnoDbScan, DeleteMarkedRecordsAppearWithTheirMark) {
  HandMadeTable t(LeafChain(1, 20, kRecordDeleteMark));
  t.LoadFirst();
  ASSERT_EQ(t.rows.size(), 20u);
  for (const auto& row : t.rows) {
    EXPECT_EQ(row.deleted, std::stoi(row.values[0]) % 7 == 0) << row.values[0];
  }
}

TEST(InnoDbScan, AnEmptyLeafGivesNoRows) {
  HandMadeTable t(LeafChain(1, 0));
  t.LoadFirst();
  EXPECT_TRUE(t.rows.empty());
  EXPECT_FALSE(t.moreRows);
}

// A page source that counts the whole-page reads of every page (the walk
// of the chain reads headers alone besides).
class CountingSource : public MemoryPageSource {
 public:
  using MemoryPageSource::MemoryPageSource;
  void Read(std::uint32_t page, std::span<std::uint8_t> out) const override {
    if (out.size() == kInnoPageSize) ++reads[page];
    MemoryPageSource::Read(page, out);
  }
  mutable std::map<std::uint32_t, int> reads;
};

struct WalkResult {
  std::vector<DecodedRow> rows;
  PageOfRows page;
  std::map<std::uint32_t, int> reads;
};

WalkResult Walk(const std::vector<Bytes>& pages, WalkForm form, std::uint32_t start = kRoot) {
  const Bytes image = testing::Tablespace(pages);
  const CountingSource source(image);
  const TableDefinition table = IdValueTable();
  InnoTableCursor cursor(source, form, table, ColumnsOf(table), nullptr, start);
  WalkResult result;
  result.page = ReadPageOfRows(cursor, cursor.Position(), ValueOptions{}, result.rows);
  result.reads = source.reads;
  return result;
}

TEST(InnoDbScan, ALeafChainThatLoopsIsReadOncePerWindow) {
  std::vector<Bytes> pages = LeafChain(2, 10);
  PutBe(pages[4], FilHeader::kNextPageOffset, kRoot, 4);  // page 4 leads back to 3
  const WalkResult result = Walk(pages, WalkForm::kOwnTablespace);
  EXPECT_EQ(result.rows.size(), 20u);
  EXPECT_FALSE(result.page.full);
  for (const auto& [page, count] : result.reads)
    EXPECT_EQ(count, 1) << "page " << page;
}

TEST(InnoDbScan, TheChainEndsAsEachFormSays) {
  // A next page equal to the previous page ends the walk of an .ibd file.
  std::vector<Bytes> pages = LeafChain(2, 5);
  PutBe(pages[3], FilHeader::kPreviousPageOffset, 4, 4);
  EXPECT_EQ(Walk(pages, WalkForm::kOwnTablespace).rows.size(), 5u);
  EXPECT_EQ(Walk(pages, WalkForm::kSystemTablespace).rows.size(), 10u);
  // Page 0 ends the walk in ibdata1 only.
  std::vector<Bytes> toZero = LeafChain(1, 5);
  CompactPageBuilder first(0);
  first.Add({}, IdValueRecord(99, 0));
  toZero[0] = first.Finish().Page();
  PutBe(toZero[3], FilHeader::kNextPageOffset, 0, 4);
  EXPECT_EQ(Walk(toZero, WalkForm::kSystemTablespace).rows.size(), 5u);
  EXPECT_EQ(Walk(toZero, WalkForm::kOwnTablespace).rows.size(), 6u);
}

TEST(InnoDbScan, ARecordListThatComesBackToARecordIsReadRecordByRecordAndSaysSo) {
  std::vector<Bytes> pages = LeafChain(1, 3);
  CompactPageBuilder leaf(kRoot);
  const std::size_t origin = leaf.Add({}, IdValueRecord(1, 1));
  leaf.Finish();
  leaf.Link(origin, origin);  // the record links to itself
  pages[kRoot] = leaf.Page();
  const WalkResult result = Walk(pages, WalkForm::kOwnTablespace);
  EXPECT_EQ(result.rows.size(), 1u);
  EXPECT_FALSE(result.page.full);

  const Bytes image = testing::Tablespace(pages);
  const MemoryPageSource source(image);
  const TableDefinition table = IdValueTable();
  CollationTable collations;
  std::vector<InnoColumn> pending = {InnoColumnFromDefinition(table.columns[0], 0, collations),
                                     InnoColumnFromDefinition(table.columns[1], 1, collations)};
  InnoTableCursor cursor(source, WalkForm::kOwnTablespace, table,
                         ArrangeRecordColumns(pending, table), &collations, kRoot);
  RowBuffer row;
  std::size_t rows = 0;
  while (cursor.Next(row))
    ++rows;
  EXPECT_EQ(rows, 1u);
  EXPECT_EQ(cursor.Report().pagesSalvaged, 1u);
  EXPECT_EQ(cursor.Report().rowsFromDamagedPages, 1u);
  EXPECT_FALSE(cursor.Report().Complete());
}

// A link out of the heap breaks the record list: the page's records are
// then found one by one, and the bytes near the page end are not one.
TEST(InnoDbScan, ALinkBeyondTheHeapTopIsABrokenRecordList) {
  std::vector<Bytes> pages = LeafChain(1, 2);
  CompactPageBuilder leaf(kRoot);
  const std::size_t first = leaf.Add({}, IdValueRecord(1, 5));
  leaf.Finish();
  // The record links to one whose fields would cross the page end.
  const std::size_t nearEnd = kInnoPageSize - 10;
  leaf.Link(first, nearEnd);
  PutBe(leaf.Page(), nearEnd, 0x80000007u, 4);
  leaf.SetLink(nearEnd, static_cast<std::uint16_t>((112 - nearEnd) & 0xFFFF));
  pages[kRoot] = leaf.Page();
  const WalkResult result = Walk(pages, WalkForm::kOwnTablespace);
  ASSERT_EQ(result.rows.size(), 1u);
  EXPECT_EQ(result.rows[0].values, (std::vector<std::string>{"1", "5"}));
}

// Tables of the old (redundant) record format: fields found by the end
// offsets of each record, delete marks in the header as well.
TEST(InnoDbScan, RecordsOfTheRedundantFormat) {
  std::vector<Bytes> pages = LeafChain(1, 0);
  Bytes leaf = testing::BlankPage(kRoot, kIndexPageType);
  testing::PutText(leaf, kRedundantInfimumOrigin, std::string("infimum\0", 8));
  testing::PutText(leaf, kRedundantSupremumOrigin, "supremum");
  const std::size_t origins[] = {200, 300};
  PutBe(leaf, kRedundantFirstLinkOffset, origins[0], 2);
  for (std::size_t i = 0; i < 2; ++i) {
    const std::size_t origin = origins[i];
    leaf[origin - 3] = static_cast<std::uint8_t>((4 << 1) | 1);  // 4 fields, 1-byte ends
    leaf[origin - 4] = static_cast<std::uint8_t>((i + 2) << 3);  // heap numbers 2 and 3
    leaf[origin - 6] = i == 1 ? kRecordDeleteMark : 0;
    const std::uint8_t ends[] = {4, 10, 17, 21};
    for (std::size_t f = 0; f < 4; ++f)
      leaf[origin - 7 - f] = ends[f];
    PutBe(leaf, origin - 2, i == 0 ? origins[1] : kRedundantSupremumOrigin, 2);
    const Bytes data = IdValueRecord(static_cast<std::int32_t>(i + 1), -5);
    std::copy(data.begin(), data.end(), leaf.begin() + static_cast<std::ptrdiff_t>(origin));
  }
  // The page header: two directory slots, the heap top, four records in
  // the heap, two in the list.
  PutBe(leaf, IndexPageHeader::kOffset, 2, 2);
  PutBe(leaf, IndexPageHeader::kOffset + 2, 400, 2);
  PutBe(leaf, IndexPageHeader::kOffset + 4, 4, 2);
  PutBe(leaf, IndexPageHeader::kOffset + 16, 2, 2);
  pages[kRoot] = leaf;
  const WalkResult result = Walk(pages, WalkForm::kOwnTablespace);
  ASSERT_EQ(result.rows.size(), 2u);
  EXPECT_EQ(result.rows[0].values, (std::vector<std::string>{"1", "-5"}));
  EXPECT_FALSE(result.rows[0].deleted);
  EXPECT_EQ(result.rows[1].values, (std::vector<std::string>{"2", "-5"}));
  EXPECT_TRUE(result.rows[1].deleted);
}

// ---- Values stored outside the record ----

class ExternalValues : public ::testing::Test {
 protected:
  // A value of `total` bytes: a 768-byte local prefix and the rest on a
  // chain of BLOB pages 1, 2, ... holding `perPage` bytes each.
  void MakeChain(std::size_t total, std::size_t perPage) {
    for (std::size_t i = 0; i < total; ++i)
      value.push_back(static_cast<std::uint8_t>(i * 7 + i / 251));
    local.assign(value.begin(), value.begin() + 768);
    const std::size_t rest = total - 768;
    const auto reference =
        testing::ExternalReferenceBytes(0, 1, 38, static_cast<std::uint32_t>(rest));
    local.insert(local.end(), reference.begin(), reference.end());
    pages.push_back(testing::BlankPage(0, 8));
    std::size_t at = 768;
    for (std::uint32_t page = 1; at < total; ++page) {
      const std::size_t count = std::min(perPage, total - at);
      const Bytes part(value.begin() + static_cast<std::ptrdiff_t>(at),
                       value.begin() + static_cast<std::ptrdiff_t>(at + count));
      at += count;
      pages.push_back(testing::BlobPageWith(page, 38, part, at < total ? page + 1 : kNoPage,
                                            static_cast<std::uint32_t>(count)));
    }
  }

  std::string Whole() {
    image = testing::Tablespace(pages);
    return ExternalValueBytes(MemoryPageSource(image), local);
  }

  Bytes value;
  Bytes local;
  std::vector<Bytes> pages;
  Bytes image;
};

TEST_F(ExternalValues, TheLocalPrefixAndEveryPartInChainOrder) {
  MakeChain(20000, 16000);
  const std::string whole = Whole();
  ASSERT_EQ(whole.size(), 20000u);
  EXPECT_EQ(Bytes(whole.begin(), whole.end()), value);
}

TEST_F(ExternalValues, AChainThatLoopsOrRunsOffItsPageEnds) {
  MakeChain(60000, 16000);
  PutBe(pages[2], 38 + 4, 1, 4);  // page 2 leads back to page 1
  EXPECT_EQ(Whole().size(), 768u + 2 * 16000u);
  pages.clear();
  value.clear();
  MakeChain(40000, 16000);
  PutBe(pages[1], 38, 60000, 4);  // a part longer than its page
  EXPECT_EQ(Whole().size(), 768u + (kInnoPageSize - 38 - 8));
  // A local part too short to hold a reference is all there is.
  local = {1, 2, 3};
  EXPECT_EQ(Whole(), std::string("\x01\x02\x03", 3));
}

TEST_F(ExternalValues, FilesAreNumberedAndAFolderThatCannotBeMadeGivesAnEmptyText) {
  MakeChain(3000, 16000);
  image = testing::Tablespace(pages);
  const MemoryPageSource source(image);
  testing::ScratchFolder scratch;
  // A file where the blobdata folder would go.
  const std::string blocked = (scratch.Path() / "blocked").string();
  scratch.Write("blocked/blobdata", "x");
  std::uint64_t counter = 5;
  const ExternalValueReader reader(source);
  EXPECT_EQ(WriteLongValueFile(blocked, counter, local, reader), "");
  EXPECT_EQ(counter, 6u);
  // The first value written makes the save folder and its blobdata folder.
  const std::string folder = (scratch.Path() / "save").string();
  const std::string first = WriteLongValueFile(folder, counter, local, reader);
  const std::string second = WriteLongValueFile(folder, counter, local, reader);
  EXPECT_EQ(first, folder + "/blobdata/6");
  EXPECT_EQ(second, folder + "/blobdata/7");
  const std::string bytes = testing::ReadText(first);
  EXPECT_EQ(Bytes(bytes.begin(), bytes.end()), value);
}

}  // namespace
}  // namespace rowmender
