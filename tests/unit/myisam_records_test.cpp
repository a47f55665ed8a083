// MyISAM records: block headers, dynamic record chains (whole, split and
// damaged), fixed-length records with their delete mark, and paging.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "myisam/record_scan.h"
#include "preview/record_pages.h"
#include "support/test_paths.h"
#include "unit/myisam_builder.h"
#include "values/value_texts.h"

namespace rowmender {
namespace {

using testing::Append;
using testing::Bytes;
using Row = std::vector<std::string>;

constexpr std::uint32_t kLatin1 = 8;

ColumnDefinition MakeColumn(const char* name, std::uint32_t type, std::uint32_t length,
                            std::uint32_t recordOffset, bool nullable = false,
                            bool isSigned = false) {
  ColumnDefinition column;
  column.name = name;
  column.typeCode = type;
  column.length = length;
  column.recordOffset = recordOffset;
  column.nullable = nullable;
  column.charsetId = kLatin1;
  column.packFlags =
      static_cast<std::uint16_t>((nullable ? kPackNullable : 0) | (isSigned ? kPackSigned : 0));
  return column;
}

// A dynamic-format table: a INT, name VARCHAR(10) NULL, c CHAR(5) whose
// trailing spaces are packed away. Image: null flags (1), a (4), name (11),
// c (5).
struct DynamicTable {
  TableDefinition table;
  std::vector<MyisamColumn> descriptors;
  MyisamBaseInfo base;

  DynamicTable() {
    table.tableOptions = 1;  // packed records: no delete mark, null flags from bit 0
    table.recordLength = 21;
    table.storageEngine = kEngineMyIsam;
    table.columns = {MakeColumn("a", kTypeLong, 11, 2, false, true),
                     MakeColumn("name", kTypeVarchar, 10, 6, true),
                     MakeColumn("c", kTypeString, 5, 17)};
    descriptors = {{kFieldNormal, 1, 0, 0},
                   {kFieldNormal, 4, 0, 0},
                   {kFieldVarchar, 11, 1, 0},
                   {kFieldSkipEndSpace, 5, 0, 0}};
    base.minPackedLength = 8;
    base.packBits = 1;
  }
};

// The packed bytes of one record of DynamicTable.
Bytes Record(std::int32_t a, const char* name, const std::string& c) {
  Bytes out;
  out.push_back(c.size() < 5 ? 0x01 : 0x00);  // pack bit of c: spaces packed away
  out.push_back(name == nullptr ? 0x01 : 0x00);
  for (int i = 0; i < 4; ++i)
    out.push_back(static_cast<std::uint8_t>(a >> (8 * i)));
  const std::string text = name == nullptr ? "" : name;
  out.push_back(static_cast<std::uint8_t>(text.size()));
  out.insert(out.end(), text.begin(), text.end());
  if (c.size() < 5) out.push_back(static_cast<std::uint8_t>(c.size()));
  out.insert(out.end(), c.begin(), c.end());
  return out;
}

std::vector<Row> Values(const std::vector<DecodedRow>& rows) {
  std::vector<Row> out;
  for (const auto& row : rows)
    out.push_back(row.values);
  return out;
}

struct ScanResult {
  std::uint64_t nextStart = 0;
  bool stoppedAtLimit = false;
  ReadReport report;
};

// Reads up to `limit` rows from `start` as preview texts.
template <typename Table>
ScanResult Scan(const Table& t, const Bytes& file, std::vector<DecodedRow>& rows,
                std::uint64_t start = 0, std::size_t limit = kRowsPerPage,
                std::int32_t rowFormat = kRowFormatDynamic) {
  const MemorySource source(file);
  // A small window: records cross its edges.
  MyisamCursor cursor(t.table, rowFormat, t.base, t.descriptors, source, nullptr, 64);
  cursor.Seek(PageStart{0, start});
  RowBuffer row;
  std::size_t added = 0;
  while (added < limit && cursor.Next(row)) {
    rows.push_back(RowTexts(row, cursor.Formats(), ValueOptions{}));
    ++added;
  }
  ScanResult result;
  result.stoppedAtLimit = added == limit;
  result.nextStart = cursor.Position().offset;
  result.report = cursor.Report();
  return result;
}

TEST(MyisamBlocks, HeadersOfEveryBlockType) {
  struct Case {
    Bytes header;
    bool secondRead;
    int flags;
    std::uint32_t total, data, block;
    std::uint64_t filePosition, next;
  };
  const std::uint64_t p = 1000;
  const Bytes next8 = {0, 0, 0, 0, 0, 0, 0x12, 0x34};
  const auto with = [](Bytes head, const Bytes& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
  };
  const Case cases[] = {
      {with({0, 0, 0, 24}, next8), false, kBlockDeleted, 0, 0, 24, p, 0x1234},
      {{0, 0, 0, 10}, false, kBlockError, 0, 0, 10, 0, 0},  // shorter than a deleted header
      {{1, 0x01, 0x02}, false, kBlockFirst | kBlockLast, 0x102, 0x102, 0x102, p + 3, 0},
      {{2, 0x01, 0x02, 0x03}, false, kBlockFirst | kBlockLast, 0x10203, 0x10203, 0x10203, p + 4, 0},
      {{3, 0, 10, 2}, false, kBlockFirst | kBlockLast, 10, 10, 12, p + 4, 0},
      {{4, 0, 0, 10, 3}, false, kBlockFirst | kBlockLast, 10, 10, 13, p + 5, 0},
      {with({5, 0, 50, 0, 20}, next8), false, kBlockFirst, 50, 20, 20, p + 13, 0x1234},
      {with({6, 0, 0, 50, 0, 0, 20}, next8), false, kBlockFirst, 50, 20, 20, p + 15, 0x1234},
      {{7, 0, 9}, true, kBlockLast, 0, 9, 9, p + 3, 0},
      {{8, 0, 0, 9}, true, kBlockLast, 0, 9, 9, p + 4, 0},
      {{9, 0, 9, 3}, true, kBlockLast, 0, 9, 12, p + 4, 0},
      {{10, 0, 0, 9, 3}, true, kBlockLast, 0, 9, 12, p + 5, 0},
      {with({11, 0, 9}, next8), true, 0, 0, 9, 9, p + 11, 0x1234},
      {with({12, 0, 0, 9}, next8), true, 0, 0, 9, 9, p + 12, 0x1234},
      {with({13, 0, 1, 0, 0, 0, 0, 40}, next8), false, kBlockFirst, 0x10000, 40, 40, p + 16,
       0x1234},
      // A continuation where a record should start, and the other way round.
      {{7, 0, 9}, false, kBlockSyncError | kBlockLast, 0, 9, 9, p + 3, 0},
      {{1, 0, 9}, true, kBlockSyncError | kBlockFirst | kBlockLast, 9, 9, 9, p + 3, 0},
      {{14}, false, kBlockSyncError | kBlockError, 0, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    BlockInfo info;
    info.secondRead = c.secondRead;
    const int flags = GetBlockInfo(info, c.header, p);
    SCOPED_TRACE(::testing::Message() << "type " << int{c.header[0]});
    EXPECT_EQ(flags, c.flags);
    if ((c.flags & kBlockError) != 0) continue;
    EXPECT_EQ(info.totalLength, c.total);
    EXPECT_EQ(info.dataLength, c.data);
    EXPECT_EQ(info.blockLength, c.block);
    EXPECT_EQ(info.filePosition, c.filePosition);
    EXPECT_EQ(info.nextFilePosition, c.next);
  }
}

TEST(MyisamDynamicScan, ReadsRecordsAndPassesOverDeletedBlocks) {
  const DynamicTable t;
  Bytes file;
  Append(file, testing::DeletedBlock(24));
  Append(file, testing::WholeBlock(Record(1, "alpha", "ab")));
  Append(file, testing::DeletedBlock(40));
  Append(file, testing::WholeBlock(Record(2, "beta", "cdefg")));
  Append(file, testing::WholeBlock(Record(-3, nullptr, "")));
  std::vector<DecodedRow> rows;
  const ScanResult result = Scan(t, file, rows);
  EXPECT_EQ(Values(rows),
            (std::vector<Row>{{"1", "alpha", "ab"}, {"2", "beta", "cdefg"}, {"-3", "NULL", ""}}));
  for (const auto& row : rows)
    EXPECT_FALSE(row.deleted);
  EXPECT_FALSE(result.stoppedAtLimit);
  // The deleted blocks are counted; they are no loss of live rows.
  EXPECT_EQ(result.report.deletedRecordsUnreadable, 2u);
  EXPECT_TRUE(result.report.Complete());
}

// A file with record A split into three blocks (first, middle, last) and
// record B after A's first block; `damage` may change A's chain.
Bytes SplitFile(
    const std::function<void(Bytes& first, Bytes& middle, Bytes& last, std::uint64_t& middleAt,
                             std::uint64_t& lastAt)>& damage = nullptr) {
  const Bytes a = Record(7, "splitvalue", "xyz");  // 21 bytes
  const Bytes part1(a.begin(), a.begin() + 7);
  const Bytes part2(a.begin() + 7, a.begin() + 16);
  const Bytes part3(a.begin() + 16, a.end());
  const Bytes b = testing::WholeBlock(Record(8, "after", "b"));
  const std::uint64_t firstSize = testing::FirstOfChain(a.size(), part1, 0).size();
  std::uint64_t middleAt = firstSize + b.size();
  std::uint64_t lastAt = middleAt + testing::MiddleOfChain(part2, 0).size();
  Bytes first = testing::FirstOfChain(a.size(), part1, middleAt);
  Bytes middle = testing::MiddleOfChain(part2, lastAt);
  Bytes last = testing::LastOfChain(part3);
  if (damage) {
    damage(first, middle, last, middleAt, lastAt);
    testing::StoreBe(first, 5, middleAt, 8);
    testing::StoreBe(middle, 3, lastAt, 8);
  }
  Bytes file;
  Append(file, first);
  Append(file, b);
  Append(file, middle);
  Append(file, last);
  return file;
}

TEST(MyisamDynamicScan, RebuildsARecordSplitIntoThreeBlocks) {
  const DynamicTable t;
  std::vector<DecodedRow> rows;
  Scan(t, SplitFile(), rows);
  // The continuation blocks met in file order are not records of their own.
  EXPECT_EQ(Values(rows), (std::vector<Row>{{"7", "splitvalue", "xyz"}, {"8", "after", "b"}}));
}

TEST(MyisamDynamicScan, ABrokenChainLosesOnlyItsOwnRecord) {
  using Damage = std::function<void(Bytes&, Bytes&, Bytes&, std::uint64_t&, std::uint64_t&)>;
  const struct {
    const char* what;
    Damage damage;
  } cases[] = {
      {"middle block points to itself", [](Bytes&, Bytes&, Bytes&, std::uint64_t& middleAt,
                                           std::uint64_t& lastAt) { lastAt = middleAt; }},
      {"middle block points back to the first block",
       [](Bytes&, Bytes&, Bytes&, std::uint64_t&, std::uint64_t& lastAt) { lastAt = 0; }},
      {"next block past the end of the file", [](Bytes&, Bytes&, Bytes&, std::uint64_t& middleAt,
                                                 std::uint64_t&) { middleAt = 1u << 30; }},
      {"middle block claims more than the record wants",
       [](Bytes&, Bytes& middle, Bytes&, std::uint64_t&, std::uint64_t&) {
         testing::StoreBe(middle, 1, 200, 2);
       }},
      {"last block replaced by a deleted block",
       [](Bytes&, Bytes&, Bytes& last, std::uint64_t&, std::uint64_t&) {
         last = testing::DeletedBlock(last.size() < 20 ? 20 : last.size());
       }},
      {"last block replaced by a first block",
       [](Bytes&, Bytes&, Bytes& last, std::uint64_t&, std::uint64_t&) { last[0] = 1; }},
  };
  const DynamicTable t;
  for (const auto& c : cases) {
    std::vector<DecodedRow> rows;
    const ScanResult result = Scan(t, SplitFile(c.damage), rows);
    EXPECT_EQ(Values(rows), (std::vector<Row>{{"8", "after", "b"}})) << c.what;
    EXPECT_GE(result.report.recordsDropped, 1u) << c.what;
    EXPECT_FALSE(result.report.notes.empty()) << c.what;
  }
}

TEST(MyisamDynamicScan, SkipsDamageAndRecordsThatDoNotUnpack) {
  const DynamicTable t;
  Bytes file;
  Append(file, testing::WholeBlock(Record(1, "one", "a")));
  Append(file, Bytes(8, 0xEE));                     // no block has this type
  Append(file, testing::WholeBlock({0x00, 0x00}));  // shorter than the shortest record
  Bytes tooLong = Record(3, "abcdefghij", "c");
  tooLong[6] = 11;  // a VARCHAR(10) length of 11
  Append(file, testing::WholeBlock(tooLong));
  Append(file, testing::WholeBlock(Record(4, "four", "d")));
  std::vector<DecodedRow> rows;
  const ScanResult result = Scan(t, file, rows);
  EXPECT_EQ(Values(rows), (std::vector<Row>{{"1", "one", "a"}, {"4", "four", "d"}}));
  EXPECT_FALSE(result.report.Complete());
  EXPECT_GT(result.report.bytesSkipped + result.report.recordsDropped, 0u);
}

TEST(MyisamDynamicScan, ARecordLongerThanTheIndexFileAllowsIsDamage) {
  DynamicTable t;
  t.base.maxPackedLength = 40;
  Bytes file;
  Append(file, testing::WholeBlock(Record(1, "one", "a")));
  Bytes huge = testing::WholeBlock(Record(2, "two", "b"));
  testing::StoreBe(huge, 1, 0x3000, 2);  // claims 12 KiB, more than any record
  Append(file, huge);
  Append(file, Bytes(0x3000, 0x00));
  Append(file, testing::WholeBlock(Record(3, "three", "c")));
  std::vector<DecodedRow> rows;
  Scan(t, file, rows);
  EXPECT_EQ(Values(rows), (std::vector<Row>{{"1", "one", "a"}, {"3", "three", "c"}}));
}

TEST(MyisamDynamicScan, PagesStopAtTheLimitAndTheNextPageStartsWhereTheyStopped) {
  const DynamicTable t;
  Bytes file;
  std::vector<std::uint64_t> starts;
  for (int i = 0; i < 2500; ++i) {
    starts.push_back(file.size());
    if (i % 7 == 0) Append(file, testing::DeletedBlock(20));
    Append(file, testing::WholeBlock(Record(i, "r", std::to_string(i % 100))));
  }
  std::vector<DecodedRow> page;
  std::uint64_t start = 0;
  std::vector<std::size_t> sizes;
  int expected = 0;
  for (int n = 0; n < 4; ++n) {
    page.clear();
    const ScanResult result = Scan(t, file, page, start, kRowsPerPage);
    sizes.push_back(page.size());
    for (const auto& row : page)
      EXPECT_EQ(row.values[0], std::to_string(expected++));
    if (!result.stoppedAtLimit) break;
    start = result.nextStart;
    // Right after the last record read (before a deleted block that follows).
    EXPECT_EQ(start, starts[static_cast<std::size_t>(expected)]);
  }
  EXPECT_EQ(sizes, (std::vector<std::size_t>{1000, 1000, 500}));
}

// A fixed-format table: id INT, flag TINYINT NULL. Image: null flags (bit 0
// the delete mark, bit 1 flag's null flag), id (4), flag (1).
struct FixedTable {
  TableDefinition table;
  std::vector<MyisamColumn> descriptors{
      {kFieldNormal, 1, 0, 0}, {kFieldNormal, 4, 0, 0}, {kFieldNormal, 1, 2, 0}};
  MyisamBaseInfo base;

  FixedTable() {
    table.recordLength = 6;
    table.storageEngine = kEngineMyIsam;
    table.columns = {MakeColumn("id", kTypeLong, 11, 2),
                     MakeColumn("flag", kTypeTiny, 4, 6, true, true)};
    base.packedRecordLength = 6;
  }
};

Bytes FixedRecord(std::uint32_t id, int flag, bool deleted) {
  Bytes record{static_cast<std::uint8_t>(deleted ? 0x00 : (flag < 0 ? 0x03 : 0x01))};
  for (int i = 0; i < 4; ++i)
    record.push_back(static_cast<std::uint8_t>(id >> (8 * i)));
  record.push_back(static_cast<std::uint8_t>(flag < 0 ? 0 : flag));
  return record;
}

TEST(MyisamFixedScan, PagesOfAThousandRecordsGoOnAndGoBack) {
  const FixedTable t;
  Bytes file;
  for (std::uint32_t i = 1; i <= 2500; ++i) {
    Append(file, FixedRecord(i, i % 10 == 0 ? -1 : static_cast<int>(i % 100), i % 500 == 7));
  }
  const MemorySource source(file);
  MyisamCursor cursor(t.table, kRowFormatFixed, t.base, t.descriptors, source, nullptr);
  std::vector<DecodedRow> rows;

  const PageOfRows first = ReadPageOfRows(cursor, PageStart{0, 0}, ValueOptions{}, rows);
  ASSERT_EQ(rows.size(), 1000u);
  EXPECT_TRUE(first.full);
  EXPECT_EQ(first.next, (PageStart{0, 6000}));
  EXPECT_EQ(rows[9].values, (Row{"10", "NULL"}));
  EXPECT_EQ(rows[6].values, (Row{"7", "7"}));  // read like a live record
  EXPECT_TRUE(rows[6].deleted);
  EXPECT_FALSE(rows[5].deleted);

  // On from where the page ended, then back to it, then to the last page.
  for (int pass = 0; pass < 2; ++pass) {
    rows.clear();
    const PageOfRows second = ReadPageOfRows(cursor, first.next, ValueOptions{}, rows);
    EXPECT_EQ(rows.front().values[0], "1001") << pass;
    EXPECT_EQ(second.next, (PageStart{0, 12000})) << pass;
  }
  rows.clear();
  const PageOfRows last = ReadPageOfRows(cursor, PageStart{0, 12000}, ValueOptions{}, rows);
  EXPECT_EQ(rows.size(), 500u);
  EXPECT_FALSE(last.full);
  EXPECT_EQ(rows.back().values[0], "2500");

  // One record by itself.
  RowBuffer row;
  cursor.DecodeFixedRecord(ByteView(file).subspan(6 * 6, 6), row);
  EXPECT_EQ(RowTexts(row, cursor.Formats(), ValueOptions{}).values, (Row{"7", "7"}));
  EXPECT_TRUE(row.deleted);
}

TEST(MyisamFixedScan, AShortLastRecordReadsItsMissingBytesAsZero) {
  const FixedTable t;
  Bytes file = FixedRecord(1, 5, false);
  Append(file, Bytes{0x01, 0x02});
  std::vector<DecodedRow> rows;
  const ScanResult result = Scan(t, file, rows, 0, kRowsPerPage, kRowFormatFixed);
  EXPECT_EQ(Values(rows), (std::vector<Row>{{"1", "5"}, {"2", "0"}}));
  EXPECT_FALSE(result.report.Complete());  // the cut-short record is told
}

TEST(MyisamScan, CompressedTablesAndMissingStridesGiveNoRows) {
  const FixedTable t;
  const Bytes file = FixedRecord(1, 5, false);
  std::vector<DecodedRow> rows;
  const ScanResult compressed = Scan(t, file, rows, 0, kRowsPerPage, kRowFormatCompressed);
  FixedTable noLength = t;
  noLength.table.recordLength = 0;
  noLength.base = MyisamBaseInfo{};
  const ScanResult noStride = Scan(noLength, file, rows, 0, kRowsPerPage, kRowFormatFixed);
  EXPECT_TRUE(rows.empty());
  // No rows, and the user is told why: never an empty table without a word.
  EXPECT_TRUE(compressed.report.formatUnsupported);
  EXPECT_TRUE(noStride.report.formatUnsupported);
  EXPECT_FALSE(compressed.report.notes.empty());
}

TEST(MyisamDynamicScan, UnpacksOneRecordByItselfAndReadsBlockHeaders) {
  const DynamicTable t;
  const Bytes record = Record(5, "five", "e");
  Bytes file;
  Append(file, testing::DeletedBlock(24));
  Append(file, testing::WholeBlock(record));
  const MemorySource source(file);
  MyisamCursor cursor(t.table, kRowFormatDynamic, t.base, t.descriptors, source, nullptr);
  RowBuffer row;
  EXPECT_FALSE(cursor.DecodeDynamicRecord(ByteView(record).first(4), row));
  ASSERT_TRUE(cursor.DecodeDynamicRecord(record, row));
  EXPECT_EQ(RowTexts(row, cursor.Formats(), ValueOptions{}).values, (Row{"5", "five", "e"}));

  BlockInfo info;
  EXPECT_EQ(GetBlockInfo(info, ByteView(file).first(BlockInfo::kHeaderSize), 0), kBlockDeleted);
  EXPECT_EQ(info.blockLength, 24u);
  BlockInfo second;
  EXPECT_EQ(GetBlockInfo(second, ByteView(file).subspan(24, BlockInfo::kHeaderSize), 24),
            kBlockFirst | kBlockLast);
  EXPECT_EQ(second.dataLength, record.size());
}

}  // namespace
}  // namespace rowmender
