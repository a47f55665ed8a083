// InnoDB pages, record headers, the mapping of columns onto record fields
// and the descent to the first leaf page.
#include <gtest/gtest.h>

#include "innodb/btree.h"
#include "innodb/inno_column.h"
#include "innodb/page.h"
#include "innodb/record_columns.h"
#include "innodb/records.h"
#include "innodb_page_builder.h"
#include "support/test_paths.h"

namespace rowmender {
namespace {

using testing::Bytes;
using testing::CompactPageBuilder;
using testing::PutBe;

// ---- Pages ----

TEST(InnoDbPages, PageCountIgnoresAPartialLastPage) {
  EXPECT_EQ(PageCountOf(16383), 0u);
  EXPECT_EQ(PageCountOf(16384), 1u);
  EXPECT_EQ(PageCountOf(16384ull * 3 + 100), 3u);
}

TEST(InnoDbPages, PageOffsetsAreComputedIn64Bits) {
  EXPECT_EQ(PageOffset(262144), 4294967296ull);
  EXPECT_EQ(PageOffset(0xFFFFFFFE), 0xFFFFFFFEull * 16384);
}

TEST(InnoDbPages, HeadersAreBigEndian) {
  Bytes page = testing::BlankPage(7, kIndexPageType, 6, 9);
  PutBe(page, FilHeader::kSpaceIdOffset, 0x01020304, 4);
  PutBe(page, FilHeader::kFlushLsnOffset, 0x0102030405060708, 8);
  PutBe(page, IndexPageHeader::kLevelOffset, 2, 2);
  PutBe(page, IndexPageHeader::kOffset + 16, 42, 2);  // user records
  const PageHeaders headers = PageHeaders::DecodeFrom(page);
  EXPECT_EQ(headers.fil.pageNumber, 7u);
  EXPECT_EQ(headers.fil.previousPage, 6u);
  EXPECT_EQ(headers.fil.nextPage, 9u);
  EXPECT_EQ(headers.fil.spaceId, 0x01020304u);
  EXPECT_EQ(headers.fil.flushLsn, 0x0102030405060708u);
  EXPECT_TRUE(headers.fil.IsIndexPage());
  EXPECT_EQ(headers.index.level, 2);
  EXPECT_EQ(headers.index.userRecords, 42);
}

TEST(InnoDbPages, OnlyBytes45BFMakeAnIndexPage) {
  Bytes page(kInnoPageSize, 0);
  page[24] = 0x45;
  page[25] = 0xBF;
  EXPECT_TRUE(IndexPage(page).IsIndexPage());
  page[24] = 0xBF;
  page[25] = 0x45;
  EXPECT_FALSE(IndexPage(page).IsIndexPage());
}

TEST(InnoDbPages, TheFormatIsToldByWhereInfimumStands) {
  CompactPageBuilder compact(3);
  Bytes& page = compact.Page();
  EXPECT_EQ(IndexPage(page).Format(), RecordFormat::kCompact);
  // A compact page whose first link (00 0D) points at the supremum.
  PutBe(page, kCompactFirstLinkOffset, 0x000D, 2);
  EXPECT_EQ(IndexPage(page).FirstCompactRecord(), 112u);
  EXPECT_TRUE(IndexPage(page).IsSupremumAt(112));

  Bytes redundant = testing::BlankPage(8, kIndexPageType);
  testing::PutText(redundant, kRedundantInfimumOrigin, std::string("infimum\0", 8));
  PutBe(redundant, kRedundantFirstLinkOffset, 0x007F, 2);
  EXPECT_EQ(IndexPage(redundant).Format(), RecordFormat::kRedundant);
  EXPECT_EQ(IndexPage(redundant).FirstRedundantRecord(), 127u);

  EXPECT_EQ(IndexPage(testing::BlankPage(1, kIndexPageType)).Format(), RecordFormat::kNone);
}

TEST(InnoDbPages, SourcesReadZerosBeyondTheirEnd) {
  Bytes image = testing::BlankPage(0, kIndexPageType);
  image.resize(kInnoPageSize + 100, 0xAB);  // a partial second page
  const MemoryPageSource source(image);
  EXPECT_EQ(source.PageCount(), 1u);
  PageBuffer buffer = NewPageBuffer(source);
  source.Read(1, buffer);
  EXPECT_EQ(buffer[99], 0xAB);
  EXPECT_EQ(buffer[100], 0);
  source.Read(5, buffer);
  EXPECT_EQ(buffer[0], 0);
}

TEST(InnoDbPages, BlobPartsAreCutAtThePageEnd) {
  const Bytes page = testing::BlobPageWith(4, 16370, {1, 2, 3, 4, 5, 6}, kNoPage, 100);
  const BlobPart part = BlobPage(page).PartAt(16370);
  EXPECT_EQ(part.length, 100u);
  EXPECT_TRUE(part.cut);
  EXPECT_EQ(part.data.size(), 6u);
  EXPECT_TRUE(BlobPage(page).PartAt(16380).cut);  // no room for the header
  EXPECT_TRUE(BlobPage(page).PartAt(40000).cut);
}

// ---- Record headers and fields ----

TEST(InnoDbRecords, CompactHeaderCarriesTheDeleteMark) {
  CompactPageBuilder builder(3);
  const std::size_t live = builder.Add({}, {1});
  const std::size_t deleted = builder.Add({}, {2}, kRecordDeleteMark);
  builder.Finish();
  EXPECT_FALSE(CompactRecordHeader::DecodeFrom(builder.Page(), live).Deleted());
  const auto header = CompactRecordHeader::DecodeFrom(builder.Page(), deleted);
  EXPECT_TRUE(header.Deleted());
  EXPECT_EQ(static_cast<std::size_t>(deleted + header.nextLink) % 65536, 112u);
}

InnoColumn Field(std::uint32_t mtype, std::uint32_t len, bool nullable,
                 std::uint32_t fixedLength = 0) {
  InnoColumn field;
  field.mtype = mtype;
  field.len = len;
  field.prtype = nullable ? 0 : kPrtypeNotNull;
  field.fixedLength = fixedLength;
  return field;
}

TEST(InnoDbRecords, NullBitsAndLengthsLieBelowTheHeader) {
  // Nine nullable fields: the ninth takes bit 0 of the byte at origin - 7.
  std::vector<InnoColumn> fields;
  for (int i = 0; i < 9; ++i)
    fields.push_back(Field(kMtypeVarchar, 10, true));
  ASSERT_EQ(NullBitmapSize(fields), 2u);
  CompactPageBuilder builder(3);
  // Null bitmap: fields 2..8 NULL, 1 and 9 not; lengths 3 (field 1), 2 (9).
  const std::size_t origin = builder.Add({0xFE, 0x00, 3, 2}, {'a', 'b', 'c', 'x', 'y'});
  std::vector<FieldExtent> extents;
  CompactFieldExtents(builder.Page(), origin, 1000, fields, 2, extents);
  ASSERT_EQ(extents.size(), 9u);
  EXPECT_FALSE(extents[0].isNull);
  EXPECT_EQ(extents[0].start, origin);
  EXPECT_EQ(extents[0].length, 3u);
  for (int i = 1; i < 8; ++i)
    EXPECT_TRUE(extents[i].isNull) << i;
  EXPECT_FALSE(extents[8].isNull);
  EXPECT_EQ(extents[8].start, origin + 3);
  EXPECT_EQ(extents[8].length, 2u);
}

TEST(InnoDbRecords, TwoLengthBytesOnlyForLongAndBlobFields) {
  // VARCHAR(300): 0x81 0x2C is 300 bytes; VARCHAR(200): 0x81 alone is 129.
  CompactPageBuilder builder(3);
  Bytes data(300 + 129, 'x');
  const std::size_t origin = builder.Add({0x81, 0x2C, 0x81}, data);
  std::vector<FieldExtent> extents;
  CompactFieldExtents(builder.Page(), origin, 1000,
                      {Field(kMtypeVarchar, 300, false), Field(kMtypeVarchar, 200, false)}, 0,
                      extents);
  EXPECT_EQ(extents[0].length, 300u);
  EXPECT_EQ(extents[1].length, 129u);

  // A BLOB field with the external bit: a 20-byte local part, stored outside.
  CompactPageBuilder blob(3);
  const std::size_t blobOrigin = blob.Add({0xC0, 20}, Bytes(20, 0));
  CompactFieldExtents(blob.Page(), blobOrigin, 1000, {Field(kMtypeBlob, 10, false)}, 0, extents);
  EXPECT_EQ(extents[0].length, 20u);
  EXPECT_TRUE(extents[0].external);
}

TEST(InnoDbRecords, FieldsOutsideTheRecordOrThePageAreMissing) {
  const std::vector<InnoColumn> fields = {Field(kMtypeInt, 4, false, 4),
                                          Field(kMtypeInt, 4, false, 4)};
  CompactPageBuilder builder(3);
  const std::size_t origin = builder.Add({}, {1, 2, 3, 4, 5, 6, 7, 8});
  std::vector<FieldExtent> extents;
  // A span of 3: the first field still shows, the second starts beyond it.
  CompactFieldExtents(builder.Page(), origin, 3, fields, 0, extents);
  EXPECT_FALSE(extents[0].missing);
  EXPECT_TRUE(extents[1].missing);
  // A record at the page end: its second field would cross it.
  CompactFieldExtents(builder.Page(), kInnoPageSize - 6, 100, fields, 0, extents);
  EXPECT_FALSE(extents[0].missing);
  EXPECT_TRUE(extents[1].missing);
  // A record so near the page start that its length bytes would lie before it.
  std::vector<InnoColumn> variable(40, Field(kMtypeVarchar, 10, false));
  CompactFieldExtents(builder.Page(), 20, 1000, variable, 0, extents);
  EXPECT_FALSE(extents[0].missing);
  EXPECT_TRUE(extents.back().missing);
}

TEST(InnoDbRecords, RedundantEndOffsetsGiveTheFields) {
  Bytes page(kInnoPageSize, 0);
  const std::size_t origin = 200;
  // Three fields, one-byte offsets: ends 4, 4 (NULL), 10.
  page[origin - 3] = static_cast<std::uint8_t>((3 << 1) | 1);
  page[origin - 7] = 4;
  page[origin - 8] = 0x80 | 4;
  page[origin - 9] = 10;
  std::vector<FieldExtent> extents;
  RedundantFieldExtents(page, origin, extents);
  ASSERT_EQ(extents.size(), 3u);
  EXPECT_EQ(extents[0].length, 4u);
  EXPECT_TRUE(extents[1].isNull);
  EXPECT_EQ(extents[2].start, origin + 4);
  EXPECT_EQ(extents[2].length, 6u);

  // Two-byte offsets: an end past the page is missing, an external bit kept.
  page[origin - 3] = static_cast<std::uint8_t>(2 << 1);
  PutBe(page, origin - 8, 0x4000 | 30, 2);
  PutBe(page, origin - 10, 0x3FFF, 2);
  RedundantFieldExtents(page, origin, extents);
  ASSERT_EQ(extents.size(), 2u);
  EXPECT_TRUE(extents[0].external);
  EXPECT_EQ(extents[0].length, 30u);
  EXPECT_TRUE(extents[1].missing);  // its end lies past the page
}

// ---- Columns in record order ----

ColumnDefinition Column(const char* name, int ordinal, std::uint32_t type, std::uint32_t length,
                        bool nullable = false, std::uint32_t charset = 8) {
  ColumnDefinition column;
  column.name = name;
  column.ordinal = ordinal;
  column.typeCode = type;
  column.length = length;
  column.nullable = nullable;
  column.charsetId = charset;
  column.packFlags = kPackSigned;
  return column;
}

KeyDefinition Key(const char* name, bool unique, std::vector<std::uint32_t> columns,
                  std::vector<std::uint16_t> lengths = {}) {
  KeyDefinition key;
  key.name = name;
  key.unique = unique;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    KeyPart part;
    part.columnNumber = columns[i];
    part.length = i < lengths.size() ? lengths[i] : 4;
    key.parts.push_back(part);
  }
  return key;
}

std::vector<std::string> RecordOrder(const TableDefinition& table) {
  CollationTable collations;
  std::vector<InnoColumn> pending;
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    pending.push_back(
        InnoColumnFromDefinition(table.columns[i], static_cast<std::uint32_t>(i), collations));
  }
  std::vector<std::string> names;
  for (const auto& field : ArrangeRecordColumns(pending, table)) {
    names.push_back(field.column.name + (field.role == InnoFieldRole::kKeyPrefix ? "*" : ""));
  }
  EXPECT_TRUE(pending.empty());
  return names;
}

TEST(InnoDbColumns, TheClusteredKeyComesFirstInTheKeysOwnOrder) {
  struct Case {
    const char* what;
    std::vector<KeyDefinition> keys;
    bool bNullable;
    std::vector<std::string> order;
  };
  const std::vector<Case> cases = {
      {"PRIMARY KEY (b, a)",
       {Key("PRIMARY", true, {2, 1})},
       false,
       {"b", "a", "DB_TRX_ID", "DB_ROLL_PTR", "c"}},
      {"unique key only, NOT NULL",
       {Key("uc", true, {3})},
       false,
       {"c", "DB_TRX_ID", "DB_ROLL_PTR", "a", "b"}},
      {"first unique key with a nullable column is passed over",
       {Key("ub", true, {2}), Key("uc", true, {3})},
       true,
       {"c", "DB_TRX_ID", "DB_ROLL_PTR", "a", "b"}},
      {"no usable key",
       {Key("ub", true, {2}), Key("ka", false, {1})},
       true,
       {"DB_ROW_ID", "DB_TRX_ID", "DB_ROLL_PTR", "a", "b", "c"}},
      {"no key at all", {}, false, {"DB_ROW_ID", "DB_TRX_ID", "DB_ROLL_PTR", "a", "b", "c"}},
  };
  for (const auto& c : cases) {
    TableDefinition table;
    table.columns = {Column("a", 0, kTypeLong, 11), Column("b", 1, kTypeLong, 11, c.bNullable),
                     Column("c", 2, kTypeLong, 11)};
    table.keys = c.keys;
    EXPECT_EQ(RecordOrder(table), c.order) << c.what;
  }
}

TEST(InnoDbColumns, AKeyPrefixIsFollowedByTheWholeColumn) {
  TableDefinition table;
  table.columns = {Column("name", 0, kTypeVarchar, 100), Column("n", 1, kTypeLong, 11)};
  table.keys = {Key("PRIMARY", true, {1}, {10})};
  EXPECT_EQ(RecordOrder(table),
            (std::vector<std::string>{"name*", "DB_TRX_ID", "DB_ROLL_PTR", "name", "n"}));
}

TEST(InnoDbColumns, FixedLengthFollowsTheServersRules) {
  // CHAR(10) in a character set of 1 to 3 bytes is kept with its length;
  // with the binary bit, or 1 byte per character, it is fixed.
  EXPECT_EQ(CompactFixedLength(kMtypeMysql, 0, 30, 1 + 5 * 3), 0u);
  EXPECT_EQ(CompactFixedLength(kMtypeMysql, kPrtypeBinary, 30, 1 + 5 * 3), 30u);
  EXPECT_EQ(CompactFixedLength(kMtypeMysql, 0, 10, 1 + 5 * 1), 10u);
  EXPECT_EQ(CompactFixedLength(kMtypeMysql, 0, 20, 2 + 5 * 2), 20u);  // ucs2
  EXPECT_EQ(CompactFixedLength(kMtypeFixBinary, 0, 768, 0), 768u);
  EXPECT_EQ(CompactFixedLength(kMtypeFixBinary, 0, 769, 0), 0u);
  EXPECT_EQ(CompactFixedLength(kMtypeVarchar, 0, 10, 6), 0u);
}

TEST(InnoDbColumns, DefinitionTypesFollowTheServersStorage) {
  CollationTable collations;
  struct Case {
    std::uint32_t type;
    std::uint32_t length;
    bool isSigned;
    std::uint32_t mtype;
    std::uint32_t len;
    bool isUnsigned;
  };
  const Case cases[] = {
      {kTypeTiny, 4, true, kMtypeInt, 1, false},
      {kTypeTiny, 3, false, kMtypeInt, 1, true},
      {kTypeInt24, 9, true, kMtypeInt, 3, false},
      {kTypeLongLong, 20, false, kMtypeInt, 8, true},
      {kTypeNewDate, 10, false, kMtypeInt, 3, false},
      {kTypeYear, 4, false, kMtypeInt, 1, true},
      {kTypeTimestamp, 19, false, kMtypeInt, 4, true},
      {kTypeDatetime, 19, false, kMtypeInt, 8, false},
      {kTypeDatetime2, 19, false, kMtypeFixBinary, 5, false},
      {kTypeBit, 12, false, kMtypeFixBinary, 2, true},
      {kTypeFloat, 12, true, kMtypeFloat, 4, false},
      {kTypeDouble, 22, true, kMtypeDouble, 8, false},
  };
  for (const auto& c : cases) {
    ColumnDefinition column = Column("x", 0, c.type, c.length);
    column.packFlags = c.isSigned ? kPackSigned : 0;
    const InnoColumn field = InnoColumnFromDefinition(column, 0, collations);
    EXPECT_EQ(field.mtype, c.mtype) << c.type;
    EXPECT_EQ(field.len, c.len) << c.type;
    EXPECT_EQ(field.fixedLength, c.len) << c.type;
    EXPECT_EQ(field.IsUnsigned(), c.isUnsigned) << c.type;
  }
}

// ---- Descent ----

// A node-pointer record of a table keyed on one INT: key, then child.
Bytes NodePointer(std::uint32_t key, std::uint32_t child) {
  Bytes data(8, 0);
  PutBe(data, 0, key ^ 0x80000000u, 4);
  PutBe(data, 4, child, 4);
  return data;
}

std::vector<InnoColumn> IntKeyedColumns() {
  TableDefinition table;
  table.columns = {Column("id", 0, kTypeLong, 11)};
  table.keys = {Key("PRIMARY", true, {1})};
  CollationTable collations;
  std::vector<InnoColumn> pending = {InnoColumnFromDefinition(table.columns[0], 0, collations)};
  return ArrangeRecordColumns(pending, table);
}

TEST(InnoDbDescent, FollowsTheFirstNodePointerOfEveryLevel) {
  const auto fields = IntKeyedColumns();
  Bytes empty = testing::BlankPage(0, 8);
  CompactPageBuilder root(1, 2);
  root.Add({}, NodePointer(1, 2));
  root.Add({}, NodePointer(500, 4));
  root.Finish();
  CompactPageBuilder middle(2, 1);
  middle.Add({}, NodePointer(1, 3));
  middle.Finish();
  CompactPageBuilder leaf(3, 0);
  leaf.Finish();
  const Bytes image = testing::Tablespace({empty, root.Page(), middle.Page(), leaf.Page()});
  const MemoryPageSource source(image);
  EXPECT_EQ(FindFirstLeafPage(source, 1, fields), 3u);
  EXPECT_EQ(FindFirstLeafPage(source, 3, fields), 3u);  // a leaf root is the first leaf
  EXPECT_EQ(FindFirstLeafPage(source, 0, fields), 0u);  // not an index page
  EXPECT_EQ(FindFirstLeafPage(source, 9, fields), 0u);  // beyond the file
}

TEST(InnoDbDescent, GivesUpOnEmptyCircularOrOutOfRangeNodes) {
  const auto fields = IntKeyedColumns();
  CompactPageBuilder emptyNode(0, 1);
  emptyNode.Finish();
  CompactPageBuilder selfLoop(1, 1);
  selfLoop.Add({}, NodePointer(1, 1));
  selfLoop.Finish();
  CompactPageBuilder outOfRange(2, 1);
  outOfRange.Add({}, NodePointer(1, 77));
  outOfRange.Finish();
  const Bytes image = testing::Tablespace({emptyNode.Page(), selfLoop.Page(), outOfRange.Page()});
  const MemoryPageSource source(image);
  EXPECT_EQ(FindFirstLeafPage(source, 0, fields), 0u);
  EXPECT_EQ(FindFirstLeafPage(source, 1, fields), 0u);
  EXPECT_EQ(FindFirstLeafPage(source, 2, fields), 0u);
}

TEST(InnoDbDescent, ClusterKeyLengthReadsVariableKeyLengths) {
  TableDefinition table;
  table.columns = {Column("code", 0, kTypeVarchar, 300), Column("n", 1, kTypeLong, 11, true)};
  table.keys = {Key("PRIMARY", true, {1}, {300})};
  CollationTable collations;
  std::vector<InnoColumn> pending;
  for (int i = 0; i < 2; ++i)
    pending.push_back(InnoColumnFromDefinition(table.columns[i], 0, collations));
  const auto fields = ArrangeRecordColumns(pending, table);
  // One nullable column: a one-byte null bitmap, then the key's two length
  // bytes 0x81 0x2C (300).
  CompactPageBuilder builder(3, 1);
  const std::size_t origin = builder.Add({0x00, 0x81, 0x2C}, Bytes(304, 'k'));
  EXPECT_EQ(ClusterKeyLength(builder.Page(), origin, fields), 300u);

  TableDefinition noKey;
  noKey.columns = {Column("a", 0, kTypeLong, 11)};
  std::vector<InnoColumn> plain = {InnoColumnFromDefinition(noKey.columns[0], 0, collations)};
  EXPECT_EQ(ClusterKeyLength(builder.Page(), origin, ArrangeRecordColumns(plain, noKey)), 6u);
}

}  // namespace
}  // namespace rowmender
