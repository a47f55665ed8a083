// Aria tables written by a real server (testdata/aria): every row read
// equals what the server wrote for it, deleted rows included where the
// format keeps them; the format worked out from the definition is the one
// the server wrote into the index file; a table reads the same whole, in
// parts, and from any position it handed out; and the command line reads
// them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "aria/aria_format.h"
#include "base/data_file.h"
#include "support/table_reads.h"
#include "support/test_paths.h"
#include "tables/table_source.h"
#include "values/export_formats.h"

namespace rowmender {
namespace {

namespace fs = std::filesystem;

struct AriaTable {
  std::string database;
  std::string name;
  AriaRecordType type = AriaRecordType::kPage;
  // A CREATE TABLE statement beside the data file stands in for the .frm.
  bool fromStatement = false;
};

void PrintTo(const AriaTable& table, std::ostream* out) {
  *out << table.database << "." << table.name;
}

std::string TestName(const ::testing::TestParamInfo<AriaTable>& info) {
  return info.param.database + "_" + info.param.name;
}

const std::vector<AriaTable>& AllTables() {
  static const std::vector<AriaTable> tables = {
      {"aria", "page_trans", AriaRecordType::kPage},
      {"aria", "page_plain", AriaRecordType::kPage},
      {"aria", "page_wide", AriaRecordType::kPage},
      {"aria", "many_rows", AriaRecordType::kPage},
      {"aria", "short_rows", AriaRecordType::kPage},
      {"aria", "fixed_rows", AriaRecordType::kFixed},
      {"aria", "dynamic_rows", AriaRecordType::kDynamic},
      {"mysql", "help_category", AriaRecordType::kPage},
      {"mysql", "global_priv", AriaRecordType::kPage, true},
  };
  return tables;
}

std::string FilePath(const std::string& folder, const AriaTable& t, const std::string& extension) {
  return folder + "/" + t.database + "/" + t.name + "." + extension;
}

TableFiles FilesOf(const std::string& folder, const AriaTable& t) {
  TableFiles files;
  files.databaseFolder = folder + "/" + t.database;
  files.tableName = t.name;
  if (t.fromStatement) {
    files.definitionPath = FilePath(testing::AriaFolder(), t, "sql");
    files.origin = DefinitionOrigin::kStatement;
  } else {
    files.definitionPath = FilePath(folder, t, "frm");
  }
  return files;
}

std::unique_ptr<TableSource> Open(const std::string& folder, const AriaTable& t,
                                  Status* status = nullptr) {
  ReadOptions options;
  options.collations = &testing::ServerCollations();
  std::unique_ptr<TableSource> source;
  const Status opened = TableSource::Open(FilesOf(folder, t), options, source);
  if (status != nullptr) {
    *status = opened;
  } else {
    EXPECT_TRUE(opened.ok()) << opened.message();
  }
  return opened.ok() ? std::move(source) : nullptr;
}

// A table's rows as SELECT ... INTO OUTFILE writes them, one line each.
struct TsvRead {
  std::vector<std::string> live;
  std::vector<std::string> deleted;
  std::vector<PageStart> positions;  // where each row began
  ReadReport report;
};

void CollectTsv(TableCursor& cursor, TsvRead& out, bool positions = false) {
  RowBuffer row;
  FormatScratch scratch;
  PageStart position = cursor.Position();
  while (cursor.Next(row)) {
    std::string line;
    for (std::size_t i = 0; i < row.cells.size(); ++i) {
      if (i > 0) line += '\t';
      AppendTsvField(line, row.cells[i], cursor.Formats()[i], row.longValues, scratch);
    }
    (row.deleted ? out.deleted : out.live).push_back(std::move(line));
    if (positions) out.positions.push_back(position);
    position = cursor.Position();
  }
  out.report.Add(cursor.Report());
}

TsvRead ReadTsv(const TableSource& source) {
  TsvRead read;
  CollectTsv(*source.NewCursor(), read, true);
  return read;
}

// The lines of a file INTO OUTFILE wrote: a line feed ends a line unless a
// backslash escapes it.
std::vector<std::string> OutfileLines(const std::string& path) {
  const std::string text = testing::ReadText(path);
  std::vector<std::string> lines;
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      line += text[i];
      line += text[++i];
    } else if (text[i] == '\n') {
      lines.push_back(std::move(line));
      line.clear();
    } else {
      line += text[i];
    }
  }
  return lines;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields(1);
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\\' && i + 1 < line.size()) {
      fields.back() += line.substr(i, 2);
      ++i;
    } else if (line[i] == '\t') {
      fields.emplace_back();
    } else {
      fields.back() += line[i];
    }
  }
  return fields;
}

std::vector<std::string> Sorted(std::vector<std::string> lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

// ---- Every row against the server's text ----

class AriaTruthTest : public ::testing::TestWithParam<AriaTable> {};

TEST_P(AriaTruthTest, EveryLiveRowIsTheServers) {
  const AriaTable& t = GetParam();
  const auto source = Open(testing::AriaFolder(), t);
  ASSERT_TRUE(source);
  EXPECT_EQ(source->Notes(), std::vector<std::string>{});
  const TsvRead read = ReadTsv(*source);
  const std::vector<std::string> truth = OutfileLines(FilePath(testing::AriaFolder(), t, "tsv"));
  ASSERT_FALSE(truth.empty());
  EXPECT_EQ(Sorted(read.live), Sorted(truth));
  EXPECT_TRUE(read.report.Complete()) << (read.report.notes.empty() ? "" : read.report.notes[0]);
  EXPECT_EQ(read.report.recordsDropped, 0u);
  EXPECT_EQ(read.report.valuesCutShort, 0u);
}

INSTANTIATE_TEST_SUITE_P(EveryTable, AriaTruthTest, ::testing::ValuesIn(AllTables()), TestName);

// The tables rows were deleted from.
std::vector<AriaTable> TablesWithDeletedRows() {
  std::vector<AriaTable> tables;
  for (const AriaTable& t : AllTables()) {
    if (t.database == "aria") tables.push_back(t);
  }
  return tables;
}

class AriaDeletedRowsTest : public ::testing::TestWithParam<AriaTable> {};

TEST_P(AriaDeletedRowsTest, AreWhatTheFormatKeepsOfThem) {
  const AriaTable& t = GetParam();
  const std::string truthPath = FilePath(testing::AriaFolder(), t, "deleted.tsv");
  const auto source = Open(testing::AriaFolder(), t);
  ASSERT_TRUE(source);
  const TsvRead read = ReadTsv(*source);
  const std::vector<std::string> truth = OutfileLines(truthPath);
  ASSERT_FALSE(truth.empty());
  switch (t.type) {
    case AriaRecordType::kPage:
      // The bytes of a deleted row stay on its page, its long values on
      // theirs: each comes back whole.
      EXPECT_EQ(Sorted(read.deleted), Sorted(truth));
      EXPECT_EQ(read.report.deletedRows, truth.size());
      EXPECT_EQ(read.report.deletedRecordsUnreadable, 0u);
      break;
    case AriaRecordType::kDynamic:
      // A deleted block loses its first bytes to the free-block chain: the
      // rows are counted, not read.
      EXPECT_EQ(read.deleted, std::vector<std::string>{});
      EXPECT_GT(read.report.deletedRecordsUnreadable, 0u);
      EXPECT_LE(read.report.deletedRecordsUnreadable, truth.size());
      break;
    case AriaRecordType::kFixed: {
      // A deleted record keeps its bytes but its first ones, which become
      // the delete mark and the free-list link (with the null flags among
      // them): its later fields are the row's where both say not NULL.
      ASSERT_EQ(read.deleted.size(), truth.size());
      const TableDefinition& table = source->Definition();
      const std::size_t overwritten = 1 + 6;
      std::size_t compared = 0;
      for (std::size_t r = 0; r < truth.size(); ++r) {
        const std::vector<std::string> ours = Fields(read.deleted[r]);
        const std::vector<std::string> theirs = Fields(truth[r]);
        ASSERT_EQ(ours.size(), theirs.size());
        for (std::size_t c = 0; c < ours.size(); ++c) {
          if (table.columns[c].recordOffset - 1 < overwritten) continue;
          if (ours[c] == "\\N" || theirs[c] == "\\N") continue;
          EXPECT_EQ(ours[c], theirs[c]) << "deleted row " << r << ", column " << c;
          ++compared;
        }
      }
      EXPECT_GT(compared, truth.size() * 3);
      break;
    }
    default:
      FAIL();
  }
}

INSTANTIATE_TEST_SUITE_P(EveryTableWithDeletedRows, AriaDeletedRowsTest,
                         ::testing::ValuesIn(TablesWithDeletedRows()), TestName);

// ---- The format worked out from the definition ----

class AriaDerivedFormatTest : public ::testing::TestWithParam<AriaTable> {};

std::string Describe(const AriaColumn& c) {
  return "offset " + std::to_string(c.offset) + " type " + std::to_string(c.type) + " length " +
         std::to_string(c.length) + " fill " + std::to_string(c.fillLength) + " null " +
         std::to_string(c.nullBit) + "@" + std::to_string(c.nullPosition) + " empty " +
         std::to_string(c.emptyBit) + "@" + std::to_string(c.emptyPosition);
}

TEST_P(AriaDerivedFormatTest, IsTheFormatTheServerWroteIntoTheIndexFile) {
  const AriaTable& t = GetParam();
  const auto source = Open(testing::AriaFolder(), t);
  ASSERT_TRUE(source);
  const TableDefinition& table = source->Definition();
  DataFile file;
  ASSERT_TRUE(file.Open(FilePath(testing::AriaFolder(), t, "MAI")));
  const std::vector<std::uint8_t> bytes = file.ReadBlock(0, AriaHeaderReadSize(file.Size()));
  AriaIndexHeader header;
  ASSERT_EQ(DecodeAriaIndexHeader(bytes, file.Size(), header), AriaHeaderStatus::kAccepted);
  EXPECT_EQ(AriaHeaderProblem(header, table), "");
  const AriaFormat& real = header.format;
  EXPECT_EQ(real.recordType, t.type);
  EXPECT_EQ(DefinedRecordType(table), t.type);

  const AriaFormat derived = DeriveAriaFormat(table, t.type, real.blockSize);
  ASSERT_EQ(derived.columns.size(), real.columns.size());
  for (std::size_t i = 0; i < real.columns.size(); ++i) {
    EXPECT_EQ(Describe(derived.columns[i]), Describe(real.columns[i])) << "field " << i;
  }
  EXPECT_EQ(derived.recordLength, real.recordLength);
  EXPECT_EQ(derived.nullBytes, real.nullBytes);
  EXPECT_EQ(derived.fixedNotNullFields, real.fixedNotNullFields);
  EXPECT_EQ(derived.blobs, real.blobs);
  switch (t.type) {
    case AriaRecordType::kPage:
      EXPECT_EQ(derived.packBytes, real.packBytes);
      EXPECT_EQ(derived.packFields, real.packFields);
      EXPECT_EQ(derived.maxFieldLengths, real.maxFieldLengths);
      EXPECT_EQ(derived.RowChecksum(), real.RowChecksum());
      break;
    case AriaRecordType::kFixed:
      EXPECT_EQ(derived.packedRecordLength, real.packedRecordLength);
      break;
    case AriaRecordType::kDynamic:
      EXPECT_EQ(derived.packBytes, real.packBytes);
      EXPECT_EQ(derived.minPackedLength, real.minPackedLength);
      EXPECT_EQ(derived.maxPackedLength, real.maxPackedLength);
      break;
    default:
      FAIL();
  }
}

TEST_P(AriaDerivedFormatTest, WithoutItsIndexFileATableReadsTheSame) {
  const AriaTable& t = GetParam();
  testing::ScratchFolder scratch;
  const std::string folder = scratch.Path().string();
  fs::create_directories(folder + "/" + t.database);
  const std::vector<std::string> kept =
      t.fromStatement ? std::vector<std::string>{"MAD"} : std::vector<std::string>{"frm", "MAD"};
  for (const std::string& extension : kept) {
    fs::copy_file(FilePath(testing::AriaFolder(), t, extension), FilePath(folder, t, extension));
  }
  const auto withIndex = Open(testing::AriaFolder(), t);
  const auto withoutIndex = Open(folder, t);
  ASSERT_TRUE(withIndex && withoutIndex);
  ASSERT_EQ(withoutIndex->Notes().size(), 1u);
  EXPECT_NE(withoutIndex->Notes()[0].find("the index file (.MAI) is missing: the record format"),
            std::string::npos)
      << withoutIndex->Notes()[0];
  const TsvRead expected = ReadTsv(*withIndex);
  const TsvRead got = ReadTsv(*withoutIndex);
  EXPECT_EQ(got.live, expected.live);
  EXPECT_EQ(got.deleted, expected.deleted);
  EXPECT_EQ(got.report.Complete(), expected.report.Complete());
}

INSTANTIATE_TEST_SUITE_P(EveryTable, AriaDerivedFormatTest, ::testing::ValuesIn(AllTables()),
                         TestName);

// ---- Parts and positions ----

TEST(AriaPageScan, ReadsTheSameRowsInPartsOfAnySize) {
  const AriaTable t{"aria", "page_trans", AriaRecordType::kPage};
  const auto source = Open(testing::AriaFolder(), t);
  ASSERT_TRUE(source);
  const testing::ReadOut whole = testing::ReadWhole(*source);
  for (const std::size_t pages : {std::size_t{1}, std::size_t{2}, std::size_t{5}}) {
    ScanSplit split;
    split.pagesPerPart = pages;
    const testing::ReadOut parts = testing::ReadInParts(*source, split);
    EXPECT_EQ(parts.rows, whole.rows) << pages << " pages a part";
    EXPECT_EQ(parts.report.deletedRows, whole.report.deletedRows);
    EXPECT_EQ(parts.report.pagesRead, whole.report.pagesRead);
  }
}

TEST(AriaPageScan, EveryPositionHandedOutReadsTheRowThatFollowedIt) {
  // The record grid pages through a table by the positions the cursor
  // hands out, also between the deleted rows of a page.
  for (const char* name : {"page_trans", "many_rows"}) {
    const AriaTable t{"aria", name, AriaRecordType::kPage};
    const auto source = Open(testing::AriaFolder(), t);
    ASSERT_TRUE(source);
    TsvRead all;
    CollectTsv(*source->NewCursor(), all, true);
    std::vector<std::string> inOrder;
    {
      const std::unique_ptr<TableCursor> cursor = source->NewCursor();
      RowBuffer row;
      FormatScratch scratch;
      while (cursor->Next(row)) {
        std::string line = row.deleted ? "D" : "";
        AppendSqlTuple(line, row, cursor->Formats(), scratch);
        inOrder.push_back(line);
      }
    }
    ASSERT_EQ(all.positions.size(), inOrder.size());
    const std::unique_ptr<TableCursor> cursor = source->NewCursor();
    for (std::size_t i = 0; i < all.positions.size(); i += 7) {
      cursor->Seek(all.positions[i]);
      RowBuffer row;
      ASSERT_TRUE(cursor->Next(row)) << name << " row " << i;
      std::string line = row.deleted ? "D" : "";
      FormatScratch scratch;
      AppendSqlTuple(line, row, cursor->Formats(), scratch);
      EXPECT_EQ(line, inOrder[i]) << name << " row " << i;
    }
  }
}

// ---- The command line ----

TEST(AriaCli, RowsPrintsAnAriaTableWithItsDeletedRowsFlagged) {
  const auto result = testing::RunCli(
      {"rows", testing::AriaFolder(), "aria", "page_wide", "--all", "--deleted-flag"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  const std::string& out = result.out;
  EXPECT_EQ(out.substr(0, out.find('\n')), "deleted\tid\tn\tw1\tw2\tc");
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1 + 10 + 2);
  // Row 1: short values in the row itself; row 2: two VARCHARs of 5000
  // characters on pages of their own; deleted row 6 as well.
  EXPECT_NE(out.find("0\t1\t3\t" + std::string(37, 'B') + "\t" + std::string(11, 'b') + "\t" +
                     std::string(5, 'c') + "\n"),
            std::string::npos);
  EXPECT_NE(out.find("0\t2\t6\t" + std::string(5000, 'C') + "\t" + std::string(22, 'c') + "\t" +
                     std::string(10, 'c') + "\n"),
            std::string::npos);
  EXPECT_NE(out.find("1\t6\t18\t" + std::string(5000, 'G') + "\t" + std::string(5000, 'g') + "\t" +
                     std::string(30, 'c') + "\n"),
            std::string::npos);
}

TEST(AriaCli, ASystemTableWhoseDefinitionFileIsNotReadIsReadWithItsStatement) {
  const std::string folder = testing::AriaFolder();
  const auto result = testing::RunCli({"rows", folder, "mysql", "global_priv", "--all",
                                       "--definition", folder + "/mysql/global_priv.sql"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.out.find("localhost\troot\t{\"access\":"), std::string::npos) << result.out;
}

TEST(AriaCli, TheCatalogueListsAriaTablesAndTellsADataFileWithoutDefinition) {
  const auto result = testing::RunCli({"catalogue", testing::AriaFolder()});
  for (const char* name : {"page_trans", "page_plain", "page_wide", "many_rows", "fixed_rows",
                           "dynamic_rows", "help_category", "global_priv"}) {
    EXPECT_NE(result.out.find("\t" + std::string(name) + "\t"), std::string::npos) << name;
  }
  // Only global_priv, whose .frm is left out, has a problem.
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err,
            "rowmender-cli: the table global_priv has no definition file (.frm) and no CREATE "
            "TABLE statement given defines it (--definition FILE)\n");
}

}  // namespace
}  // namespace rowmender
