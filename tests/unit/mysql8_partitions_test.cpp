// A MySQL 8 partitioned table (testdata/mysql8-partitions/): no .frm and no
// .par, one tablespace a partition ("tag#p#p0.ibd", "tag#p#p1.ibd"), each
// carrying the whole table's definition (SDI) with its partitions. It is
// one table in the catalogue, read partition after partition in the order
// the SDI numbers them; a partition reads alone by the name of its file; a
// partition whose tablespace is gone or empty is a loss the read reports
// while the other is read; the SDI's partitions, subpartitions among them,
// come out in the server's order, and damage to them is refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "catalogue/data_folder_scan.h"
#include "catalogue/table_locator.h"
#include "definitions/partition_file.h"
#include "definitions/sdi_definition.h"
#include "support/table_reads.h"
#include "support/test_paths.h"
#include "tables/table_source.h"

namespace rowmender {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDatabase = "db";

std::string DataFolder() {
  return std::string(ROWMENDER_BINARY_DIR) + "/mysql8-partitions-datadir";
}

// The rows as `rows` prints them: p0 holds category's sixteen, p1
// language's six; language's CHAR(20) names keep the spaces the server
// padded them with, as the table's column is a VARCHAR(25).
const char* const kHeader = "category_id\tname\tlast_update\n";
const char* const kFirstPartition =
    "1\tAction\t2006-02-15 04:46:27\n"
    "2\tAnimation\t2006-02-15 04:46:27\n"
    "3\tChildren\t2006-02-15 04:46:27\n"
    "4\tClassics\t2006-02-15 04:46:27\n"
    "5\tComedy\t2006-02-15 04:46:27\n"
    "6\tDocumentary\t2006-02-15 04:46:27\n"
    "7\tDrama\t2006-02-15 04:46:27\n"
    "8\tFamily\t2006-02-15 04:46:27\n"
    "9\tForeign\t2006-02-15 04:46:27\n"
    "10\tGames\t2006-02-15 04:46:27\n"
    "11\tHorror\t2006-02-15 04:46:27\n"
    "12\tMusic\t2006-02-15 04:46:27\n"
    "13\tNew\t2006-02-15 04:46:27\n"
    "14\tSci-Fi\t2006-02-15 04:46:27\n"
    "15\tSports\t2006-02-15 04:46:27\n"
    "16\tTravel\t2006-02-15 04:46:27\n";
const char* const kSecondPartition =
    "1\tEnglish             \t2006-02-15 05:02:19\n"
    "2\tItalian             \t2006-02-15 05:02:19\n"
    "3\tJapanese            \t2006-02-15 05:02:19\n"
    "4\tMandarin            \t2006-02-15 05:02:19\n"
    "5\tFrench              \t2006-02-15 05:02:19\n"
    "6\tGerman              \t2006-02-15 05:02:19\n";

// A copy of the data folder without the files named, or with them empty.
class DamagedCopy {
 public:
  explicit DamagedCopy(const std::vector<std::string>& remove, bool empty = false) {
    fs::copy(DataFolder() + "/" + kDatabase, scratch_.Path() / kDatabase,
             fs::copy_options::recursive);
    for (const std::string& name : remove) {
      if (empty) {
        fs::resize_file(scratch_.Path() / kDatabase / name, 0);
      } else {
        fs::remove(scratch_.Path() / kDatabase / name);
      }
    }
  }
  std::string Folder() const { return scratch_.Path().string(); }

 private:
  testing::ScratchFolder scratch_;
};

TEST(Mysql8Partitions, TheCatalogueListsTheTableOnceNotEachPartition) {
  std::vector<std::string> problems;
  const std::vector<CatalogueFile> files =
      ListCatalogueFiles(DataFolder() + "/" + kDatabase, problems);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].fileName, "tag");
  EXPECT_EQ(files[0].kind, CatalogueFileKind::kTable);
  EXPECT_EQ(files[0].origin, DefinitionOrigin::kTablespaceSdi);
  EXPECT_EQ(files[0].problem, "");
  EXPECT_EQ(LastComponent(files[0].definitionPath), "tag#p#p0.ibd");
  EXPECT_TRUE(problems.empty());

  const auto catalogue = testing::RunCli({"catalogue", DataFolder()});
  EXPECT_EQ(catalogue.status, 0) << catalogue.err;
  // One table line, its definition from the first partition's tablespace.
  EXPECT_NE(catalogue.out.find("\ntable\tdb\ttag\tpartition InnoDB\tsdi-tablespace\t"),
            std::string::npos)
      << catalogue.out;
  EXPECT_EQ(catalogue.out.find("\tdb\ttag#"), std::string::npos) << catalogue.out;

  // Its definition is the table's, with its partitions in order.
  TableDefinition definition;
  ASSERT_TRUE(ReadTablespaceDefinition(files[0].definitionPath, "tag", definition).ok());
  ASSERT_EQ(definition.tablespacePartitions.size(), 2u);
  EXPECT_EQ(definition.tablespacePartitions[0].fileName, "p0");
  EXPECT_EQ(definition.tablespacePartitions[1].fileName, "p1");
  // Each names its own tablespace's clustered index: category's and
  // language's.
  EXPECT_EQ(definition.tablespacePartitions[0].clusteredIndexId, 159u);
  EXPECT_EQ(definition.tablespacePartitions[1].clusteredIndexId, 192u);
  EXPECT_EQ(definition.storageEngine, kEnginePartitioned);

  const auto structure = testing::RunCli({"structure", DataFolder(), kDatabase, "tag"});
  EXPECT_EQ(structure.status, 0) << structure.err;
  EXPECT_EQ(structure.out,
            "Column Name\tData Type\tsize\tAllow Nulls\tKey Name\n"
            "category_id\ttinyint(3) unsigned\t3\tFalse\tPrimary Key\n"
            "name\tvarchar(25)\t25\tFalse\t\n"
            "last_update\ttimestamp\t\tFalse\t\n");
}

TEST(Mysql8Partitions, RowsOfEveryPartitionInTheOrderOfTheSdi) {
  const auto all = testing::RunCli({"rows", DataFolder(), kDatabase, "tag", "--all"});
  EXPECT_EQ(all.status, 0) << all.err;
  EXPECT_EQ(all.out, std::string(kHeader) + kFirstPartition + kSecondPartition);

  // One cursor and the split scan bulk work reads with give the same rows.
  const TableLookup lookup = LocateTable(DataFolder(), kDatabase, "tag");
  ASSERT_TRUE(lookup.location) << lookup.error;
  ReadOptions options;
  options.collations = &testing::ServerCollations();
  std::unique_ptr<TableSource> source;
  ASSERT_TRUE(TableSource::Open(lookup.location->Files(), options, source).ok());
  const testing::ReadOut whole = testing::ReadWhole(*source);
  const testing::ReadOut parts = testing::ReadInParts(*source, ScanSplit{1, 1});
  EXPECT_EQ(whole.rows.size(), 22u);
  EXPECT_EQ(parts.rows, whole.rows);
  EXPECT_TRUE(whole.report.Complete());
  EXPECT_TRUE(parts.report.Complete());

  // A window that stops at the end of the first partition goes on from
  // where it stopped: with the second partition's first row.
  const std::unique_ptr<TableCursor> first = source->NewCursor();
  RowBuffer row;
  for (int i = 0; i < 16; ++i)
    ASSERT_TRUE(first->Next(row));
  const std::unique_ptr<TableCursor> again = source->NewCursor();
  again->Seek(first->Position());
  testing::ReadOut rest;
  testing::Collect(*again, rest);
  ASSERT_EQ(rest.rows.size(), 6u);
  EXPECT_EQ(rest.rows.front(), whole.rows[16]);
}

TEST(Mysql8Partitions, EachPartitionReadsAloneByTheNameOfItsFile) {
  const struct {
    const char* asked;
    std::string rows;
  } cases[] = {
      {"tag#p#p0", kFirstPartition},
      {"tag#p#p1", kSecondPartition},
      // The marker as MySQL 5.7 and MariaDB write it.
      {"tag#P#p1", kSecondPartition},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.asked);
    const auto alone = testing::RunCli({"rows", DataFolder(), kDatabase, c.asked, "--all"});
    EXPECT_EQ(alone.status, 0) << alone.err;
    EXPECT_EQ(alone.out, kHeader + c.rows);
  }
  const auto none = testing::RunCli({"rows", DataFolder(), kDatabase, "tag#p#p7"});
  EXPECT_NE(none.status, 0);
}

TEST(Mysql8Partitions, AMissingPartitionIsALossNamingItsFile) {
  // The tablespace the definition would come from first is gone: the
  // other's carries it too.
  // An empty one cannot be read.
  const struct {
    const char* removed;
    bool emptied;
    const char* partition;
    std::string rows;
    const char* definedBy;
  } cases[] = {
      {"tag#p#p0.ibd", false, "partition p0", kSecondPartition, "tag#p#p1.ibd"},
      {"tag#p#p1.ibd", false, "partition p1", kFirstPartition, "tag#p#p0.ibd"},
      {"tag#p#p0.ibd", true, "partition p0", kSecondPartition, "tag#p#p1.ibd"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.removed) + (c.emptied ? " emptied" : " removed"));
    const DamagedCopy copy({c.removed}, c.emptied);
    std::vector<std::string> problems;
    const std::vector<CatalogueFile> files =
        ListCatalogueFiles(copy.Folder() + "/" + kDatabase, problems);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].fileName, "tag");
    EXPECT_EQ(LastComponent(files[0].definitionPath), c.definedBy);
    EXPECT_NE(files[0].problem.find(c.partition), std::string::npos) << files[0].problem;
    EXPECT_NE(files[0].problem.find(c.removed), std::string::npos) << files[0].problem;

    const auto rows = testing::RunCli({"rows", copy.Folder(), kDatabase, "tag", "--all"});
    EXPECT_EQ(rows.status, 3) << rows.err;
    EXPECT_EQ(rows.out, kHeader + c.rows);
    EXPECT_NE(rows.err.find(c.partition), std::string::npos) << rows.err;
    EXPECT_NE(rows.err.find(c.removed), std::string::npos) << rows.err;
  }
  // With neither, nothing is left of the table.
  const DamagedCopy empty({"tag#p#p0.ibd", "tag#p#p1.ibd"});
  const auto gone = testing::RunCli({"rows", empty.Folder(), kDatabase, "tag"});
  EXPECT_EQ(gone.status, 1) << gone.err;
}

TEST(Mysql8Partitions, TheSaveWritesOneTableWithoutPartitioning) {
  const auto sql = testing::RunCli({"export", DataFolder(), "db.tag", "--to", "-"});
  EXPECT_EQ(sql.status, 0) << sql.err;
  EXPECT_EQ(sql.out.find("PARTITION"), std::string::npos) << sql.out;
  const std::size_t create = sql.out.find("CREATE TABLE IF NOT EXISTS `tag` (");
  ASSERT_NE(create, std::string::npos) << sql.out;
  EXPECT_EQ(sql.out.find("CREATE TABLE", create + 1), std::string::npos) << sql.out;
  EXPECT_NE(sql.out.find("ENGINE=InnoDB"), std::string::npos) << sql.out;
  EXPECT_NE(sql.out.find("(16,'Travel',"), std::string::npos) << sql.out;
  EXPECT_NE(sql.out.find("(6,'German              ',"), std::string::npos) << sql.out;
}

// The fixture's definition (testdata/sdi-json/partitioned.json), to be
// changed for the cases below.
nlohmann::json FixtureDocument() {
  const std::string text =
      testing::ReadText(testing::SourceFolder() + "/testdata/sdi-json/partitioned.json");
  EXPECT_FALSE(text.empty());
  return nlohmann::json::parse(text, nullptr, false);
}

nlohmann::json Partition(const std::string& name, std::uint64_t number, std::uint64_t id) {
  return {{"name", name},
          {"number", number},
          {"indexes",
           {{{"index_opx", 1}, {"se_private_data", "id=1;root=5;"}},
            {{"index_opx", 0},
             {"se_private_data", "id=" + std::to_string(id) + ";root=4;space_id=9;"}}}},
          {"subpartitions", nlohmann::json::array()}};
}

TEST(Mysql8Partitions, SubpartitionsComeInTheServersOrderWithTheirFileNames) {
  nlohmann::json document = FixtureDocument();
  nlohmann::json p0 = Partition("p0", 0, 0);
  p0["subpartitions"] = {Partition("p0sp1", 1, 11), Partition("p0sp0", 0, 10)};
  nlohmann::json p1 = Partition("zero-part", 1, 0);
  p1["subpartitions"] = {Partition("zsp0", 0, 20), Partition("zsp1", 1, 21)};
  // Listed out of order: the "number" gives the order.
  document["dd_object"]["partitions"] = {p1, p0};
  SdiTable table;
  ASSERT_TRUE(ParseSdiTable(document.dump(), table).ok());
  std::vector<std::string> names;
  std::vector<std::uint64_t> ids;
  for (const TablespacePartition& partition : table.definition.tablespacePartitions) {
    names.push_back(partition.fileName);
    ids.push_back(partition.clusteredIndexId);
    EXPECT_EQ(partition.clusteredRootPage, 4u);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"p0#SP#p0sp0", "p0#SP#p0sp1", "zero@002dpart#SP#zsp0",
                                             "zero@002dpart#SP#zsp1"}));
  EXPECT_EQ(ids, (std::vector<std::uint64_t>{10, 11, 20, 21}));

  // Names that could reach outside the folder stay inside it.
  // (A braced list of one element is that element to some compilers.)
  document["dd_object"]["partitions"] = nlohmann::json::array({Partition("../x", 0, 1)});
  ASSERT_TRUE(ParseSdiTable(document.dump(), table).ok());
  ASSERT_EQ(table.definition.tablespacePartitions.size(), 1u);
  EXPECT_EQ(table.definition.tablespacePartitions[0].fileName.find('/'), std::string::npos);
}

TEST(Mysql8Partitions, DamagedPartitionsAreRefusedNotReadPast) {
  const struct {
    nlohmann::json partitions;
    const char* says;
  } cases[] = {
      {nlohmann::json::array({42}), "not an object"},
      {nlohmann::json::array({{{"number", 0}, {"indexes", nlohmann::json::array()}}}), "name"},
      {nlohmann::json::array({{{"name", "p0"}, {"indexes", nlohmann::json::array()}}}), "number"},
      {nlohmann::json::array({{{"name", ""}, {"number", 0}, {"indexes", nlohmann::json::array()}}}),
       "no name"},
      {nlohmann::json::object({{"name", "p0"}}), "not a list"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.says);
    nlohmann::json document = FixtureDocument();
    document["dd_object"]["partitions"] = c.partitions;
    SdiTable table;
    const Status status = ParseSdiTable(document.dump(), table);
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.message().find(c.says), std::string::npos) << status.message();
  }
  // More partitions than a table may have.
  nlohmann::json document = FixtureDocument();
  nlohmann::json many = nlohmann::json::array();
  for (std::size_t i = 0; i <= kMaxPartitions; ++i)
    many.push_back(Partition("p" + std::to_string(i), i, i));
  document["dd_object"]["partitions"] = many;
  SdiTable table;
  const Status status = ParseSdiTable(document.dump(), table);
  EXPECT_FALSE(status.ok());
  EXPECT_NE(status.message().find("more than"), std::string::npos) << status.message();
}

}  // namespace
}  // namespace rowmender
