// Partitioned tables written by a real MariaDB server
// (testdata/partitions/): InnoDB by RANGE, by RANGE with HASH
// subpartitions, by LIST and by KEY, MyISAM and Aria by RANGE. Each reads
// as one table whose rows are those of its partitions in the order of its
// .par, exactly as the server printed them partition by partition; each
// partition reads alone by the name of its files; the catalogue lists the
// table once; a partition whose file is gone is a loss the read reports
// while the others are read.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "base/paths.h"
#include "catalogue/data_folder_scan.h"
#include "catalogue/table_locator.h"
#include "definitions/partition_file.h"
#include "support/table_reads.h"
#include "base/table_file_names.h"
#include "support/test_paths.h"
#include "support/truth_files.h"
#include "tables/table_source.h"
#include "values/value_texts.h"

namespace rowmender {
namespace {

namespace fs = std::filesystem;

using Rows = std::vector<std::vector<std::string>>;

constexpr const char* kDatabase = "parts";

std::string DataFolder() {
  return std::string(ROWMENDER_BINARY_DIR) + "/partitions-datadir";
}
std::string TruthFile(const std::string& table, const char* kind) {
  return testing::SourceFolder() + "/testdata/partitions/" + table + "." + kind + ".tsv";
}

struct PartitionedTable {
  const char* name;
  std::uint8_t engine;
};

const PartitionedTable kTables[] = {
    {"ranged", kEngineInnoDb}, {"subparted", kEngineInnoDb},     {"listed", kEngineInnoDb},
    {"keyed", kEngineInnoDb},  {"myisam_ranged", kEngineMyIsam}, {"aria_ranged", kEngineAria},
};

TableFiles FilesOf(const std::string& dataFolder, const std::string& table,
                   const std::string& stem) {
  const std::string folder = dataFolder + "/" + kDatabase;
  return {folder + "/" + table + ".frm", folder, stem};
}

struct Read {
  Status status;
  Rows live;
  Rows deleted;
  ReadReport report;
  std::uint8_t engine = 0;
};

void Collect(TableCursor& cursor, Read& out) {
  const ValueOptions options(ValueForm::kSave, &testing::ServerCollations());
  RowBuffer row;
  while (cursor.Next(row)) {
    (row.deleted ? out.deleted : out.live)
        .push_back(RowTexts(row, cursor.Formats(), options).values);
  }
  out.report.Add(cursor.Report());
}

std::unique_ptr<TableSource> Open(const TableFiles& files, Status& status) {
  ReadOptions options;
  options.collations = &testing::ServerCollations();
  std::unique_ptr<TableSource> source;
  status = TableSource::Open(files, options, source);
  return source;
}

// The rows by one cursor, or by the split scan bulk work reads with.
Read ReadTable(const TableFiles& files, bool split = false) {
  Read out;
  const std::unique_ptr<TableSource> source = Open(files, out.status);
  if (!out.status.ok()) return out;
  out.engine = source->Definition().storageEngine;
  if (!split) {
    Collect(*source->NewCursor(), out);
    return out;
  }
  const std::unique_ptr<ScanParts> parts = source->SplitScan(ScanSplit{1, 1});
  while (const std::unique_ptr<TableCursor> part = parts->NextPart())
    Collect(*part, out);
  out.report.Add(parts->Report());
  return out;
}

Rows Truth(const std::string& table, const char* kind) {
  return testing::ReadBatchTsv(TruthFile(table, kind)).rows;
}

// The partitions of a table as the server numbers them: the name part of
// their files and their live rows.
std::vector<std::pair<std::string, std::size_t>> Partitions(const std::string& table) {
  std::vector<std::pair<std::string, std::size_t>> parts;
  for (const auto& row : Truth(table, "partitions")) {
    const std::size_t sub = row[0].find("#SP#");
    const std::string name = sub == std::string::npos
                                 ? EncodeTableFileName(row[0])
                                 : EncodeTableFileName(row[0].substr(0, sub)) + "#SP#" +
                                       EncodeTableFileName(row[0].substr(sub + 4));
    parts.emplace_back(name, std::stoul(row[1]));
  }
  return parts;
}

class PartitionedTables : public ::testing::TestWithParam<PartitionedTable> {};

TEST_P(PartitionedTables, ReadAsOneTableInTheOrderOfTheirPartitions) {
  const PartitionedTable& t = GetParam();
  const Rows truth = Truth(t.name, "rows");
  ASSERT_FALSE(truth.empty());
  for (const bool split : {false, true}) {
    SCOPED_TRACE(split ? "split scan" : "one cursor");
    const Read read = ReadTable(FilesOf(DataFolder(), t.name, t.name), split);
    ASSERT_TRUE(read.status.ok()) << read.status.message();
    EXPECT_EQ(read.engine, t.engine);
    EXPECT_EQ(read.live, truth);
    EXPECT_TRUE(read.report.Complete());
    EXPECT_EQ(read.report.partitionsUnread, 0u);
    // The deleted rows are there, flagged; InnoDB's keep all their values.
    if (t.engine == kEngineInnoDb) {
      EXPECT_EQ(read.deleted, Truth(t.name, "deleted"));
    } else {
      EXPECT_EQ(read.deleted.size(), Truth(t.name, "deleted").size());
    }
  }
}

TEST_P(PartitionedTables, EachPartitionReadsAloneByTheNameOfItsFiles) {
  const PartitionedTable& t = GetParam();
  Rows joined;
  for (const auto& [name, rows] : Partitions(t.name)) {
    SCOPED_TRACE(name);
    const Read read = ReadTable(FilesOf(DataFolder(), t.name, std::string(t.name) + "#P#" + name));
    ASSERT_TRUE(read.status.ok()) << read.status.message();
    EXPECT_EQ(read.live.size(), rows);
    EXPECT_EQ(read.engine, t.engine);
    joined.insert(joined.end(), read.live.begin(), read.live.end());
  }
  EXPECT_EQ(joined, Truth(t.name, "rows"));
}

TEST(PartitionedTable, PartitionWithSubpartitionsReadsThemAll) {
  const Read read = ReadTable(FilesOf(DataFolder(), "subparted", "subparted#P#p1"));
  ASSERT_TRUE(read.status.ok()) << read.status.message();
  EXPECT_EQ(read.live.size(), 35u + 34u);
  const Read missing = ReadTable(FilesOf(DataFolder(), "subparted", "subparted#P#p7"));
  EXPECT_EQ(missing.status.code(), Status::Code::kNotFound);
  EXPECT_NE(missing.status.message().find("no partition p7"), std::string::npos)
      << missing.status.message();
}

// A position taken anywhere, partition boundaries included, reads on from
// there in a cursor of its own: the window's pages turn by these.
TEST(PartitionedTable, PositionsCarryOverPartitionBoundaries) {
  for (const char* table : {"ranged", "myisam_ranged", "aria_ranged"}) {
    SCOPED_TRACE(table);
    Status status;
    const std::unique_ptr<TableSource> source = Open(FilesOf(DataFolder(), table, table), status);
    ASSERT_TRUE(status.ok()) << status.message();
    Rows all;
    {
      Read read;
      Collect(*source->NewCursor(), read);
      all = read.live;
      all.insert(all.end(), read.deleted.begin(), read.deleted.end());
    }
    const ValueOptions options(ValueForm::kSave, &testing::ServerCollations());
    for (std::size_t skip : {std::size_t{0}, std::size_t{1}, std::size_t{98}, std::size_t{99},
                             std::size_t{100}, std::size_t{150}, std::size_t{230}}) {
      SCOPED_TRACE(skip);
      const std::unique_ptr<TableCursor> first = source->NewCursor();
      RowBuffer row;
      for (std::size_t i = 0; i < skip && first->Next(row); ++i) {
      }
      const PageStart at = first->Position();
      Rows rest;
      while (first->Next(row))
        rest.push_back(RowTexts(row, first->Formats(), options).values);
      const std::unique_ptr<TableCursor> second = source->NewCursor();
      second->Seek(at);
      Rows resumed;
      while (second->Next(row))
        resumed.push_back(RowTexts(row, second->Formats(), options).values);
      EXPECT_EQ(resumed, rest);
    }
    const std::unique_ptr<TableCursor> ended = source->NewCursor();
    ended->Seek(PageStart::End());
    RowBuffer row;
    EXPECT_FALSE(ended->Next(row));
  }
}

TEST(PartitionedTable, TheCatalogueListsEachTableOnce) {
  std::vector<std::string> problems;
  const std::vector<CatalogueFile> files =
      ListCatalogueFiles(DataFolder() + "/" + kDatabase, problems);
  std::vector<std::string> names;
  for (const CatalogueFile& file : files) {
    EXPECT_EQ(file.kind, CatalogueFileKind::kTable);
    EXPECT_EQ(file.problem, "") << file.fileName;
    names.push_back(file.fileName);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"aria_ranged.frm", "keyed.frm", "listed.frm",
                                             "myisam_ranged.frm", "ranged.frm", "subparted.frm"}));
  EXPECT_TRUE(problems.empty());
}

TEST(PartitionedTable, APartitionIsLocatedByItsFileNameOrItsSqlName) {
  for (const char* asked : {"listed#P#zero@002dpart", "listed#P#zero-part"}) {
    const TableLookup lookup = LocateTable(DataFolder(), kDatabase, asked);
    ASSERT_TRUE(lookup.location) << lookup.error;
    EXPECT_EQ(lookup.location->tableName, "listed#P#zero@002dpart");
    EXPECT_EQ(LastComponent(lookup.location->definitionPath), "listed.frm");
  }
  const TableLookup sub = LocateTable(DataFolder(), kDatabase, "subparted#P#p0#SP#p0sp1");
  ASSERT_TRUE(sub.location) << sub.error;
  const Read read = ReadTable(sub.location->Files());
  ASSERT_TRUE(read.status.ok()) << read.status.message();
  EXPECT_EQ(read.live.size(), 24u);
}

// A copy of the data folder whose `remove` file is gone.
class DamagedCopy {
 public:
  explicit DamagedCopy(const std::vector<std::string>& remove) {
    fs::copy(DataFolder() + "/" + kDatabase, scratch_.Path() / kDatabase,
             fs::copy_options::recursive);
    for (const std::string& name : remove)
      fs::remove(scratch_.Path() / kDatabase / name);
  }
  std::string Folder() const { return scratch_.Path().string(); }

 private:
  testing::ScratchFolder scratch_;
};

TEST(PartitionedTable, AMissingPartitionIsALossTheOthersRead) {
  const struct {
    const char* table;
    const char* removed;
    const char* partition;
  } cases[] = {
      {"ranged", "ranged#P#p1.ibd", "p1"},
      {"myisam_ranged", "myisam_ranged#P#p0.MYD", "p0"},
      {"subparted", "subparted#P#p1#SP#p1sp0.ibd", "p1#SP#p1sp0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.table);
    const DamagedCopy copy({c.removed});
    std::size_t lost = 0;
    std::size_t before = 0;
    bool found = false;
    for (const auto& [name, rows] : Partitions(c.table)) {
      if (name == c.partition) {
        lost = rows;
        found = true;
      } else if (!found) {
        before += rows;
      }
    }
    const Rows truth = Truth(c.table, "rows");
    Rows expected(truth.begin(), truth.begin() + static_cast<std::ptrdiff_t>(before));
    expected.insert(expected.end(), truth.begin() + static_cast<std::ptrdiff_t>(before + lost),
                    truth.end());
    for (const bool split : {false, true}) {
      const Read read = ReadTable(FilesOf(copy.Folder(), c.table, c.table), split);
      ASSERT_TRUE(read.status.ok()) << read.status.message();
      EXPECT_EQ(read.live, expected);
      EXPECT_EQ(read.report.partitionsUnread, 1u);
      EXPECT_FALSE(read.report.Complete());
      ASSERT_FALSE(read.report.notes.empty());
      EXPECT_NE(read.report.notes.front().find(std::string("partition ") + c.partition),
                std::string::npos)
          << read.report.notes.front();
      EXPECT_NE(read.report.notes.front().find(c.removed), std::string::npos)
          << read.report.notes.front();
    }
    // The catalogue still lists the table, and says what is missing.
    std::vector<std::string> problems;
    const std::vector<CatalogueFile> files =
        ListCatalogueFiles(copy.Folder() + "/" + kDatabase, problems);
    const auto listed = std::find_if(files.begin(), files.end(), [&](const CatalogueFile& f) {
      return f.fileName == std::string(c.table) + ".frm";
    });
    ASSERT_NE(listed, files.end());
    EXPECT_NE(listed->problem.find(c.removed), std::string::npos) << listed->problem;
  }
}

TEST(PartitionedTable, EveryPartitionMissingIsAnError) {
  const DamagedCopy copy({"keyed#P#p0.ibd", "keyed#P#p1.ibd", "keyed#P#p2.ibd"});
  const Read none = ReadTable(FilesOf(copy.Folder(), "keyed", "keyed"));
  EXPECT_FALSE(none.status.ok());
  EXPECT_NE(none.status.message().find("none of the 3 partitions"), std::string::npos)
      << none.status.message();
}

// Without its .par (gone, or never written: MySQL 5.7's InnoDB partitions)
// a table reads by the PARTITION BY clause of its definition file: listed
// names, encoded ones, subpartitions, and names the server makes up from
// counts alone (KEY ... PARTITIONS 3).
TEST_P(PartitionedTables, WithoutItsPartitionFileTheDefinitionsClauseNamesThePartitions) {
  const PartitionedTable& t = GetParam();
  const DamagedCopy copy({std::string(t.name) + ".par"});
  const Read read = ReadTable(FilesOf(copy.Folder(), t.name, t.name));
  ASSERT_TRUE(read.status.ok()) << read.status.message();
  EXPECT_EQ(read.engine, t.engine);
  EXPECT_EQ(read.live, Truth(t.name, "rows"));
  Status status;
  const std::unique_ptr<TableSource> source = Open(FilesOf(copy.Folder(), t.name, t.name), status);
  ASSERT_TRUE(source);
  ASSERT_FALSE(source->Notes().empty());
  EXPECT_NE(source->Notes().front().find(".par) of " + std::string(t.name) + " is missing"),
            std::string::npos)
      << source->Notes().front();
  // The partitions are those of the .par, in its order.
  PartitionFile par;
  ASSERT_TRUE(ReadPartitionFile(DataFolder() + "/" + kDatabase, t.name, par).ok());
  PartitionFile fromClause;
  ASSERT_TRUE(ReadPartitionFile(copy.Folder() + "/" + kDatabase, t.name, fromClause).ok());
  EXPECT_EQ(fromClause.names, par.names);
  EXPECT_EQ(fromClause.engines, par.engines);
}

TEST(PartitionedTable, NeitherPartitionFileNorClauseIsAnError) {
  testing::ScratchFolder scratch;
  const std::string frm = DataFolder() + "/" + kDatabase + "/ranged.frm";
  std::vector<std::uint8_t> bytes;
  {
    std::ifstream in(frm, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  // The engine name "partition" of the extra segment made unrecognisable.
  const std::string engine = "partition";
  const auto found = std::search(bytes.begin(), bytes.end(), engine.begin(), engine.end());
  ASSERT_NE(found, bytes.end());
  *found = 'X';
  scratch.Write("parts/ranged.frm", bytes);
  const Read read = ReadTable(FilesOf(scratch.Path().string(), "ranged", "ranged"));
  EXPECT_EQ(read.status.code(), Status::Code::kNotFound);
  EXPECT_NE(read.status.message().find("ranged.par"), std::string::npos) << read.status.message();
  EXPECT_NE(read.status.message().find("no partition clause"), std::string::npos)
      << read.status.message();
}

TEST(PartitionedTable, CliReadsTheTableAndAPartitionAloneAndSaysWhatIsLost) {
  const auto all = testing::RunCli({"rows", DataFolder(), kDatabase, "ranged", "--all"});
  EXPECT_EQ(all.status, 0) << all.err;
  const auto alone =
      testing::RunCli({"rows", DataFolder(), kDatabase, "ranged#P#p3", "--all", "--format", "csv"});
  EXPECT_EQ(alone.status, 0) << alone.err;
  // A header line and the 101 rows of p3 (300 to 400).
  EXPECT_EQ(std::count(alone.out.begin(), alone.out.end(), '\n'), 102) << alone.out;
  EXPECT_NE(alone.out.find("\n300,"), std::string::npos);
  EXPECT_EQ(alone.out.find("\n299,"), std::string::npos);

  const DamagedCopy copy({"ranged#P#p1.ibd"});
  const auto damaged = testing::RunCli({"rows", copy.Folder(), kDatabase, "ranged", "--all"});
  EXPECT_EQ(damaged.status, 3) << damaged.err;
  EXPECT_NE(damaged.err.find("partition p1"), std::string::npos) << damaged.err;
  EXPECT_NE(damaged.err.find("ranged#P#p1.ibd"), std::string::npos) << damaged.err;

  // The export writes the table once, all its rows, without partitioning.
  const auto sql =
      testing::RunCli({"export", DataFolder(), std::string(kDatabase) + ".ranged", "--to", "-"});
  EXPECT_EQ(sql.status, 0) << sql.err;
  EXPECT_NE(sql.out.find("ENGINE=InnoDB"), std::string::npos);
  EXPECT_EQ(sql.out.find("PARTITION"), std::string::npos);
  EXPECT_NE(sql.out.find("(400,"), std::string::npos);
}

TEST(PartitionFile, DamageIsRefusedNotReadPast) {
  // A sound file of two partitions: words of its length (7), the checksum,
  // the count, the engines, the names' length and the names.
  const auto make = [](std::uint32_t words, std::uint32_t parts, std::uint32_t namesLength,
                       std::string names) {
    std::vector<std::uint8_t> file;
    const auto word = [&file](std::uint32_t value) {
      for (int i = 0; i < 4; ++i)
        file.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    };
    word(words);
    word(0);
    word(parts);
    word(0x00000C0C);
    word(namesLength);
    names.resize(8, '\0');
    file.insert(file.end(), names.begin(), names.end());
    std::uint32_t sum = 0;
    for (std::size_t at = 0; at + 4 <= file.size(); at += 4)
      sum ^= Le32(file, at);
    for (int i = 0; i < 4; ++i)
      file[4 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(sum >> (8 * i));
    return file;
  };
  PartitionFile par;
  ASSERT_TRUE(ParsePartitionFile(make(7, 2, 6, std::string("p0\0p1\0", 6)), par).ok());
  EXPECT_EQ(par.names, (std::vector<std::string>{"p0", "p1"}));
  EXPECT_EQ(par.engines, (std::vector<std::uint8_t>{kEngineInnoDb, kEngineInnoDb}));
  EXPECT_FALSE(par.checksumMismatch);

  const struct {
    std::vector<std::uint8_t> file;
    const char* problem;
  } cases[] = {
      {{}, "too short"},
      {make(70, 2, 6, std::string("p0\0p1\0", 6)), "does not fit"},
      {make(7, 0, 6, std::string("p0\0p1\0", 6)), "0 partitions"},
      {make(7, 100000, 6, std::string("p0\0p1\0", 6)), "100000 partitions"},
      {make(7, 2, 60, std::string("p0\0p1\0", 6)), "run past"},
      {make(7, 3, 6, std::string("p0\0p1\0", 6)), "2 names for 3"},
      {make(7, 2, 6, std::string("..\0p1\0", 6)), "no file name"},
      {make(7, 2, 6, std::string("a/\0p1\0", 6)), "no file name"},
  };
  for (const auto& c : cases) {
    const Status status = ParsePartitionFile(c.file, par);
    EXPECT_EQ(status.code(), Status::Code::kCorruption) << c.problem;
    EXPECT_NE(status.message().find(c.problem), std::string::npos) << status.message();
  }
  std::vector<std::uint8_t> flipped = make(7, 2, 6, std::string("p0\0p1\0", 6));
  flipped[4] ^= 1;
  ASSERT_TRUE(ParsePartitionFile(flipped, par).ok());
  EXPECT_TRUE(par.checksumMismatch);
}

TEST(PartitionFile, MarkersAreFoundInEitherCase) {
  EXPECT_EQ(PartitionMarkerAt("t#P#p0"), 1u);
  EXPECT_EQ(PartitionMarkerAt("t#p#p0#sp#p0sp0"), 1u);
  EXPECT_EQ(PartitionMarkerAt("#sql-1#P#p0"), 6u);
  EXPECT_EQ(PartitionMarkerAt("plain"), std::string::npos);
  EXPECT_EQ(PartitionMarkerAt("t#Q#p0"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(RealServer, PartitionedTables, ::testing::ValuesIn(kTables),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace rowmender
