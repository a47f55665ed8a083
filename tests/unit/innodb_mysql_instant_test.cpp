// MySQL 8 tables whose columns were added or dropped in place
// (ALGORITHM=INSTANT). No MySQL server runs here, so the records are made
// by hand after the format MySQL 8.0.29 and later write, and the
// definitions are hand-made SDI documents in the shape of the server's
// (testdata/sdi-json/instant-*.json):
//  - `versions` (row versions, 8.0.29 on): id, then c added in row version
//    1 after id, then a; b dropped in row version 2. Records carry their
//    row version; fields lie in the order their columns were added.
//  - `added` (the 8.0.12 form): id and a, then c and d appended; records
//    written after the first ADD count their fields.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "catalogue/table_locator.h"
#include "definitions/sdi_definition.h"
#include "innodb/page.h"
#include "innodb/record_columns.h"
#include "innodb/record_layout.h"
#include "innodb/record_salvage.h"
#include "innodb/sdi.h"
#include "innodb/table_scan.h"
#include "support/table_reads.h"
#include "support/test_paths.h"
#include "tables/table_source.h"
#include "unit/innodb_page_builder.h"
#include "values/value_texts.h"

namespace rowmender {
namespace {

using testing::Bytes;
using testing::CompactPageBuilder;
using testing::PutBe;

constexpr std::uint8_t kVersioned = 0x40;
constexpr std::uint8_t kCountsFields = 0x80;
constexpr std::uint8_t kDeleted = 0x20;
constexpr std::uint32_t kLeaf = 4;

std::string Document(const std::string& name) {
  return testing::ReadText(testing::SourceFolder() + "/testdata/sdi-json/" + name + ".json");
}

SdiTable Parsed(const std::string& name) {
  SdiTable table;
  const Status status = ParseSdiTable(Document(name), table);
  EXPECT_TRUE(status.ok()) << status.message();
  return table;
}

// A clustered record: the key (a signed INT, its sign bit flipped), the
// transaction id and roll pointer, then `rest`.
Bytes Record(std::uint32_t id, const Bytes& rest) {
  Bytes data(17, 0);
  PutBe(data, 0, 0x80000000u | id, 4);
  PutBe(data, 4, 0x500 + id, 6);
  data[10] = 0x80;  // an insert's roll pointer
  data.insert(data.end(), rest.begin(), rest.end());
  return data;
}
Bytes Int(std::int32_t value) {
  Bytes bytes(4, 0);
  PutBe(bytes, 0, static_cast<std::uint32_t>(value) ^ 0x80000000u, 4);
  return bytes;
}
Bytes Text(const std::string& text) {
  return Bytes(text.begin(), text.end());
}
Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts)
    out.insert(out.end(), part.begin(), part.end());
  return out;
}

// A tablespace whose page 4 is `leaf`.
Bytes WithLeaf(const Bytes& leaf) {
  return testing::Tablespace({testing::BlankPage(0, 0), testing::BlankPage(1, 0),
                              testing::BlankPage(2, 0), testing::BlankPage(3, 0), leaf});
}

struct Read {
  std::vector<std::vector<std::string>> rows;  // "D" first for a deleted row
  ReadReport report;
};

// The rows of the leaf by the layout the definition gives.
Read ReadLeaf(const SdiTable& sdi, const Bytes& image) {
  const TableDefinition& table = sdi.definition;
  std::vector<InnoColumn> pending;
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    pending.push_back(InnoColumnFromDefinition(table.columns[i], static_cast<std::uint32_t>(i),
                                               testing::ServerCollations()));
  }
  RecordLayout layout;
  const Status status = LayoutFromDefinition(ArrangeRecordColumns(pending, table), table,
                                             testing::ServerCollations(), layout);
  EXPECT_TRUE(status.ok()) << status.message();
  const MemoryPageSource source(image);
  InnoTableCursor cursor(source, WalkForm::kOwnTablespace, table, layout,
                         &testing::ServerCollations(), kLeaf);
  Read out;
  RowBuffer row;
  const ValueOptions options(ValueForm::kSave, &testing::ServerCollations());
  while (cursor.Next(row)) {
    std::vector<std::string> values = RowTexts(row, cursor.Formats(), options).values;
    if (row.deleted) values.insert(values.begin(), "D");
    out.rows.push_back(std::move(values));
  }
  out.report = cursor.Report();
  return out;
}

// What the definitions say of the columns changed in place.
TEST(MysqlInstant, TheDefinitionKeepsWhatTheRecordsNeed) {
  const SdiTable versions = Parsed("instant-versions");
  EXPECT_TRUE(versions.alteredInPlace);
  const std::vector<ColumnDefinition>& columns = versions.definition.columns;
  ASSERT_EQ(columns.size(), 3u);
  struct Expected {
    const char* name;
    std::int32_t physicalPosition;
    std::uint32_t added;
    InstantDefault kind;
    const char* bytes;
  };
  const Expected expected[] = {{"id", 0, 0, InstantDefault::kNone, ""},
                               {"c", 5, 1, InstantDefault::kValue, "ccc"},
                               {"a", 3, 0, InstantDefault::kNone, ""}};
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(expected[i].name);
    EXPECT_EQ(columns[i].name, expected[i].name);
    EXPECT_EQ(columns[i].physicalPosition, expected[i].physicalPosition);
    EXPECT_EQ(columns[i].versionAdded, expected[i].added);
    EXPECT_EQ(columns[i].versionDropped, 0u);
    EXPECT_EQ(columns[i].instantDefault, expected[i].kind);
    EXPECT_EQ(columns[i].instantDefaultBytes, expected[i].bytes);
  }
  ASSERT_EQ(versions.definition.droppedColumns.size(), 1u);
  const ColumnDefinition& dropped = versions.definition.droppedColumns[0];
  EXPECT_EQ(dropped.name, "!hidden!_dropped_v2_p4_b");
  EXPECT_EQ(dropped.ordinal, -1);
  EXPECT_EQ(dropped.physicalPosition, 4);
  EXPECT_EQ(dropped.versionDropped, 2u);
  EXPECT_FALSE(dropped.nullable);

  const SdiTable added = Parsed("instant-columns");
  EXPECT_TRUE(added.alteredInPlace);
  EXPECT_EQ(added.definition.instantColumns, 2u);
  EXPECT_TRUE(added.definition.droppedColumns.empty());
  EXPECT_EQ(added.definition.columns[2].instantDefault, InstantDefault::kValue);
  EXPECT_EQ(added.definition.columns[2].instantDefaultBytes, "ccc");
  EXPECT_EQ(added.definition.columns[3].instantDefault, InstantDefault::kNull);

  // A value for older records that is not hex is refused, by column.
  std::string bad = Document("instant-versions");
  bad.replace(bad.find("default=636363"), 14, "default=63636");
  SdiTable table;
  const Status status = ParseSdiTable(bad, table);
  EXPECT_FALSE(status.ok());
  EXPECT_NE(status.message().find("column c: its value for records written before it was added"),
            std::string::npos)
      << status.message();
}

// Records of every row version read as the table's current columns; the
// dropped column's field is passed over; a record whose version the table
// never had is left out and told.
TEST(MysqlInstant, RecordsOfEveryRowVersionReadAsTheCurrentColumns) {
  CompactPageBuilder leaf(kLeaf);
  // Version 0, no mark: id, a, b. Nullable: a.
  leaf.Add({0x00}, Record(1, Join({Int(10), Int(100)})));
  // Version 1: id, a, b, c. a NULL, c two bytes.
  leaf.Add({0x01, 0x01, 0x02}, Record(2, Join({Int(200), Text("x2")})), kVersioned);
  // Version 2: id, a, c (b dropped). c NULL.
  leaf.Add({0x02, 0x02}, Record(3, Int(30)), kVersioned);
  // Version 2, delete-marked.
  leaf.Add({0x02, 0x00, 0x02}, Record(4, Join({Int(40), Text("d4")})), kVersioned | kDeleted);
  // A row version the table never had.
  leaf.Add({0x07, 0x00}, Record(5, Int(50)), kVersioned);
  // Version 1 again, c empty: an empty value, not the one for older records.
  leaf.Add({0x01, 0x00, 0x00}, Record(6, Join({Int(60), Int(600)})), kVersioned);
  const Read read = ReadLeaf(Parsed("instant-versions"), WithLeaf(leaf.Finish().Page()));
  const std::vector<std::vector<std::string>> expected{{"1", "ccc", "10"},
                                                       {"2", "x2", "NULL"},
                                                       {"3", "NULL", "30"},
                                                       {"D", "4", "d4", "40"},
                                                       {"6", "", "60"}};
  EXPECT_EQ(read.rows, expected);
  EXPECT_EQ(read.report.recordsDropped, 1u);
  ASSERT_EQ(read.report.notes.size(), 1u);
  EXPECT_NE(
      read.report.notes[0].find("is left out: its row version 7 is newer than the table's (2)"),
      std::string::npos)
      << read.report.notes[0];
}

// Records of the 8.0.12 form: those written before the first instant ADD
// hold the columns the table had then, later ones count their fields.
TEST(MysqlInstant, RecordsThatCountTheirFieldsReadAsTheCurrentColumns) {
  CompactPageBuilder leaf(kLeaf);
  // Before the first ADD: id, a.
  leaf.Add({0x00}, Record(1, Int(10)));
  // All six fields: id, trx, roll, a, c, d.
  leaf.Add({0x06, 0x00, 0x02}, Record(2, Join({Int(20), Text("x2"), Int(7)})), kCountsFields);
  // Five: written after c was added, before d was. a NULL.
  leaf.Add({0x05, 0x01, 0x02}, Record(3, Text("y3")), kCountsFields);
  // More fields than the table has.
  leaf.Add({0x09, 0x00}, Record(4, Int(40)), kCountsFields);
  // A row version in a table that has none.
  leaf.Add({0x01, 0x00}, Record(5, Int(50)), kVersioned);
  const Read read = ReadLeaf(Parsed("instant-columns"), WithLeaf(leaf.Finish().Page()));
  const std::vector<std::vector<std::string>> expected{
      {"1", "10", "ccc", "NULL"}, {"2", "20", "x2", "7"}, {"3", "NULL", "y3", "NULL"}};
  EXPECT_EQ(read.rows, expected);
  EXPECT_EQ(read.report.recordsDropped, 2u);
  ASSERT_EQ(read.report.notes.size(), 2u);
  EXPECT_NE(read.report.notes[0].find("it counts 9 fields, and the table's records have 6"),
            std::string::npos)
      << read.report.notes[0];
  EXPECT_NE(read.report.notes[1].find("its row version 1 is newer than the table's (0)"),
            std::string::npos)
      << read.report.notes[1];
}

// The redundant format keeps a record's row version between its header and
// its field ends; a record of every version reads as the current columns.
TEST(MysqlInstant, RedundantRecordsOfEveryRowVersion) {
  Bytes leaf = testing::BlankPage(kLeaf, kIndexPageType);
  testing::PutText(leaf, kRedundantInfimumOrigin, std::string("infimum\0", 8));
  testing::PutText(leaf, kRedundantSupremumOrigin, "supremum");
  struct Stored {
    std::uint8_t flags;
    int version;  // -1: none kept
    std::vector<std::uint8_t> ends;
    Bytes data;
  };
  const Stored records[] = {
      // Version 0: id, trx, roll, a, b.
      {0, -1, {4, 10, 17, 21, 25}, Record(1, Join({Int(10), Int(100)}))},
      // Version 1: id, trx, roll, a (NULL), b, c.
      {kVersioned, 1, {4, 10, 17, 0x80 | 17, 21, 23}, Record(2, Join({Int(200), Text("x2")}))},
      // Version 2: id, trx, roll, a, c (NULL).
      {kVersioned, 2, {4, 10, 17, 21, 0x80 | 21}, Record(3, Int(30))},
  };
  const std::size_t origins[] = {200, 300, 400};
  PutBe(leaf, kRedundantFirstLinkOffset, origins[0], 2);
  for (std::size_t i = 0; i < 3; ++i) {
    const Stored& record = records[i];
    const std::size_t origin = origins[i];
    const auto fields = static_cast<std::uint8_t>(record.ends.size());
    leaf[origin - 3] = static_cast<std::uint8_t>((fields << 1) | 1);  // 1-byte ends
    leaf[origin - 4] = static_cast<std::uint8_t>((i + 2) << 3);       // heap number
    leaf[origin - 6] = record.flags;
    std::size_t below = origin - 7;
    if (record.version >= 0) leaf[below--] = static_cast<std::uint8_t>(record.version);
    for (const std::uint8_t end : record.ends)
      leaf[below--] = end;
    PutBe(leaf, origin - 2, i < 2 ? origins[i + 1] : kRedundantSupremumOrigin, 2);
    std::copy(record.data.begin(), record.data.end(),
              leaf.begin() + static_cast<std::ptrdiff_t>(origin));
  }
  PutBe(leaf, IndexPageHeader::kOffset, 2, 2);
  PutBe(leaf, IndexPageHeader::kOffset + 2, 450, 2);
  PutBe(leaf, IndexPageHeader::kOffset + 4, 5, 2);
  PutBe(leaf, IndexPageHeader::kOffset + 16, 3, 2);
  const Read read = ReadLeaf(Parsed("instant-versions"), WithLeaf(leaf));
  const std::vector<std::vector<std::string>> expected{
      {"1", "ccc", "10"}, {"2", "x2", "NULL"}, {"3", "NULL", "30"}};
  EXPECT_EQ(read.rows, expected);
  EXPECT_TRUE(read.report.Complete());
}

// Records found one by one on a page whose record list is broken fit by
// the fields their own header says they hold.
TEST(MysqlInstant, RecordsFoundOneByOneFitTheirShapes) {
  CompactPageBuilder leaf(kLeaf);
  leaf.Add({0x00}, Record(1, Join({Int(10), Int(100)})));
  leaf.Add({0x01, 0x01, 0x02}, Record(2, Join({Int(200), Text("x2")})), kVersioned);
  leaf.Add({0x02, 0x02}, Record(3, Int(30)), kVersioned);
  leaf.Add({0x02, 0x00, 0x02}, Record(4, Join({Int(40), Text("d4")})), kVersioned);
  Bytes page = leaf.Finish().Page();
  // The second record's link points into the middle of a record.
  leaf.SetLink(leaf.Origins()[1], 3);
  page = leaf.Page();
  const Read read = ReadLeaf(Parsed("instant-versions"), WithLeaf(page));
  const std::vector<std::vector<std::string>> expected{
      {"1", "ccc", "10"}, {"2", "x2", "NULL"}, {"3", "NULL", "30"}, {"4", "d4", "40"}};
  EXPECT_EQ(read.rows, expected);
  EXPECT_EQ(read.report.pagesSalvaged, 1u);
  EXPECT_EQ(read.report.recordsDropped, 0u);
}

// A definition whose facts do not fit together is refused with what is
// wrong, never read as garbage.
TEST(MysqlInstant, ADefinitionThatCannotTellTheRecordsIsRefused) {
  const struct {
    const char* what;
    const char* document;
    const char* from;
    const char* to;
    const char* message;
  } cases[] = {
      {"no value for older records", "instant-versions", "default=636363;", "",
       "column c was added in place (row version 1) and the definition gives no value"},
      {"dropped before added", "instant-versions", "version_dropped=2;",
       "version_added=3;version_dropped=2;", "is dropped in row version 2, not after"},
      {"more columns before than now", "instant-columns", "instant_col=2;", "instant_col=9;",
       "counts 9 columns before the first one added in place"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string document = Document(c.document);
    document.replace(document.find(c.from), std::string(c.from).size(), c.to);
    SdiTable sdi;
    ASSERT_TRUE(ParseSdiTable(document, sdi).ok());
    std::vector<InnoColumn> pending;
    for (std::size_t i = 0; i < sdi.definition.columns.size(); ++i) {
      pending.push_back(InnoColumnFromDefinition(
          sdi.definition.columns[i], static_cast<std::uint32_t>(i), testing::ServerCollations()));
    }
    RecordLayout layout;
    const Status status = LayoutFromDefinition(ArrangeRecordColumns(pending, sdi.definition),
                                               sdi.definition, testing::ServerCollations(), layout);
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.message().find(c.message), std::string::npos) << status.message();
  }
}

// Records that carry a row version or a count of fields, read by a
// definition that says nothing of columns changed in place (a CREATE
// TABLE given for a tablespace whose own definition is lost): their fields
// cannot be told, so they are left out and told, not read as garbage.
TEST(MysqlInstant, MarkedRecordsReadWithoutTheirLayoutAreLeftOutAndTold) {
  SdiTable sdi = Parsed("instant-versions");
  for (ColumnDefinition& column : sdi.definition.columns) {
    column.physicalPosition = -1;
    column.versionAdded = 0;
    column.instantDefault = InstantDefault::kNone;
  }
  sdi.definition.droppedColumns.clear();
  CompactPageBuilder leaf(kLeaf);
  leaf.Add({0x01, 0x01, 0x02}, Record(2, Join({Int(200), Text("x2")})), kVersioned);
  leaf.Add({0x06, 0x00, 0x02}, Record(3, Join({Int(20), Text("x3"), Int(7)})), kCountsFields);
  const Read read = ReadLeaf(sdi, WithLeaf(leaf.Finish().Page()));
  EXPECT_TRUE(read.rows.empty());
  EXPECT_EQ(read.report.recordsDropped, 2u);
  ASSERT_EQ(read.report.notes.size(), 2u);
  EXPECT_NE(read.report.notes[0].find("written after the table's columns were changed in place"),
            std::string::npos)
      << read.report.notes[0];
}

// A whole MySQL 8 tablespace, made by hand: page 0 says it carries SDI,
// page 3 holds the table's definition (compressed JSON), page 4 is the
// clustered index. The table is listed, opened and read through every
// front end; before, a table altered in place was refused.
Bytes SdiTablespace(const std::string& json, const Bytes& leaf) {
  constexpr std::uint32_t kSdiRoot = 3;
  Bytes first = testing::BlankPage(0, 0);
  PutBe(first, FilHeader::kSize + 16, kFspFlagSdi, 4);
  // The SDI version and root stand after the extent descriptors and the
  // encryption information.
  const std::size_t sdiVersion = FilHeader::kSize + 112 + 40 * (kInnoPageSize / 64) + 115;
  PutBe(first, sdiVersion, 1, 4);
  PutBe(first, sdiVersion + 4, kSdiRoot, 4);

  uLongf compressedLength = compressBound(static_cast<uLong>(json.size()));
  Bytes compressed(compressedLength);
  EXPECT_EQ(compress(compressed.data(), &compressedLength,
                     reinterpret_cast<const Bytef*>(json.data()), static_cast<uLong>(json.size())),
            Z_OK);
  compressed.resize(compressedLength);
  EXPECT_LT(compressed.size(), 0x3FFFu);
  CompactPageBuilder sdi(kSdiRoot);
  PutBe(sdi.Page(), FilHeader::kPageTypeOffset, kSdiPageType, 2);
  Bytes record(33, 0);
  PutBe(record, 0, kSdiTypeTable, 4);
  PutBe(record, 4, 1101, 8);
  PutBe(record, 25, json.size(), 4);
  PutBe(record, 29, compressed.size(), 4);
  record.insert(record.end(), compressed.begin(), compressed.end());
  sdi.Add({static_cast<std::uint8_t>(0x80 | (compressed.size() >> 8)),
           static_cast<std::uint8_t>(compressed.size() & 0xFF)},
          record);
  return testing::Tablespace(
      {first, testing::BlankPage(1, 0), testing::BlankPage(2, 0), sdi.Finish().Page(), leaf});
}

TEST(MysqlInstant, ATablespaceOfATableAlteredInPlaceIsRead) {
  CompactPageBuilder leaf(kLeaf);
  PutBe(leaf.Page(), IndexPageHeader::kOffset + 28, 150, 8);  // the index id the SDI names
  leaf.Add({0x00}, Record(1, Join({Int(10), Int(100)})));
  leaf.Add({0x01, 0x01, 0x02}, Record(2, Join({Int(200), Text("x2")})), kVersioned);
  leaf.Add({0x02, 0x02}, Record(3, Int(30)), kVersioned | kDeleted);
  testing::ScratchFolder scratch;
  scratch.Write("shop/versions.ibd",
                SdiTablespace(Document("instant-versions"), leaf.Finish().Page()));

  const TableLookup lookup = LocateTable(scratch.Path().string(), "shop", "versions");
  ASSERT_TRUE(lookup.location) << lookup.error;
  ReadOptions options;
  options.collations = &testing::ServerCollations();
  std::unique_ptr<TableSource> source;
  const Status status = TableSource::Open(lookup.location->Files(), options, source);
  ASSERT_TRUE(status.ok()) << status.message();
  const testing::ReadOut read = testing::ReadWhole(*source);
  EXPECT_TRUE(read.report.Complete());
  EXPECT_EQ(read.rows, (std::vector<std::string>{"(1,'ccc',10)", "(2,'x2',NULL)", "D(3,NULL,30)"}));
  EXPECT_EQ(testing::ReadInParts(*source, ScanSplit{1, 1}).rows, read.rows);

  const testing::CliResult cli = testing::RunCli(
      {"rows", scratch.Path().string(), "shop", "versions", "--all", "--deleted-flag"});
  EXPECT_EQ(cli.status, 0) << cli.err;
  EXPECT_EQ(cli.out, "deleted\tid\tc\ta\n0\t1\tccc\t10\n0\t2\tx2\tNULL\n1\t3\tNULL\t30\n");
}

}  // namespace
}  // namespace rowmender
