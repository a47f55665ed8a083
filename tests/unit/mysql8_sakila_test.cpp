// The tables of a real MySQL 8.0 data folder (sakila, DYNAMIC rows, no
// .frm files and no ibdata1): each table's definition is read from the SDI
// its own tablespace carries.
#include <gtest/gtest.h>

#include <string>

#include "definitions/column_type_name.h"
#include "support/table_reads.h"
#include "support/test_paths.h"
#include "tables/table_source.h"

namespace rowmender {
namespace {

TableFiles SakilaTable(const std::string& name,
                       const std::string& folder = testing::Sakila8Folder()) {
  TableFiles files;
  files.databaseFolder = folder + "/sakila";
  files.tableName = name;
  files.definitionPath = files.databaseFolder + "/" + name + ".ibd";
  files.origin = DefinitionOrigin::kTablespaceSdi;
  return files;
}

std::unique_ptr<TableSource> OpenSakila(const std::string& name,
                                        const std::string& folder = testing::Sakila8Folder()) {
  ReadOptions options;
  options.collations = &testing::ServerCollations();
  std::unique_ptr<TableSource> source;
  const Status status = TableSource::Open(SakilaTable(name, folder), options, source);
  EXPECT_TRUE(status.ok()) << name << ": " << status.message();
  return status.ok() ? std::move(source) : nullptr;
}

// The published row counts (see the fixture's README), from the files of a
// MySQL 8.0 and of a MySQL 8.4 server.
TEST(Mysql8Sakila, EveryTableGivesThePublishedRowCount) {
  const std::pair<const char*, std::size_t> kTables[] = {
      {"actor", 200},      {"address", 603},     {"category", 16},
      {"city", 600},       {"country", 109},     {"customer", 599},
      {"film", 1000},      {"film_actor", 5462}, {"film_category", 1000},
      {"film_text", 1000}, {"inventory", 4581},  {"language", 6},
      {"staff", 2},        {"store", 2}};
  for (const std::string& folder : {testing::Sakila8Folder(), testing::Sakila84Folder()}) {
    for (const auto& [name, count] : kTables) {
      SCOPED_TRACE(folder);
      const auto source = OpenSakila(name, folder);
      if (!source) continue;
      const testing::ReadOut read = testing::ReadWhole(*source);
      std::size_t live = 0;
      for (const std::string& row : read.rows)
        live += row.starts_with("D") ? 0 : 1;
      EXPECT_EQ(live, count) << name;
      EXPECT_TRUE(read.report.Complete()) << name;
      EXPECT_EQ(source->Definition().origin, DefinitionOrigin::kTablespaceSdi);
    }
  }
}

// The two servers hold the same data: every table reads the same, values
// and definitions, from either's files.
TEST(Mysql8Sakila, TheFilesOfMysql84ReadAsThoseOf80) {
  for (const char* name :
       {"actor", "address", "customer", "film", "film_text", "inventory", "staff", "store"}) {
    const auto older = OpenSakila(name);
    const auto newer = OpenSakila(name, testing::Sakila84Folder());
    if (!older || !newer) continue;
    const testing::ReadOut a = testing::ReadWhole(*older);
    const testing::ReadOut b = testing::ReadWhole(*newer);
    EXPECT_EQ(a.rows, b.rows) << name;
    ASSERT_EQ(older->Definition().columns.size(), newer->Definition().columns.size()) << name;
    for (std::size_t i = 0; i < older->Definition().columns.size(); ++i) {
      EXPECT_EQ(ColumnTypeName(older->Definition().columns[i], 255, testing::ServerCollations()),
                ColumnTypeName(newer->Definition().columns[i], 255, testing::ServerCollations()))
          << name << " " << older->Definition().columns[i].name;
    }
  }
}

TEST(Mysql8Sakila, PublishedValuesAreReadExactly) {
  const std::pair<const char*, const char*> kFirstRows[] = {
      {"actor", "(1,'PENELOPE','GUINESS','2006-02-15 04:34:33')"},
      {"film_text", "(1,'ACADEMY DINOSAUR',"},
      {"film",
       "(1,'ACADEMY DINOSAUR','A Epic Drama of a Feminist And a Mad Scientist who must Battle a "
       "Teacher in The Canadian Rockies',2006,1,NULL,6,0.99,86,20.99,'PG','Deleted Scenes,Behind "
       "the Scenes',"},
  };
  for (const auto& [name, start] : kFirstRows) {
    const auto source = OpenSakila(name);
    if (!source) continue;
    const testing::ReadOut read = testing::ReadWhole(*source);
    ASSERT_FALSE(read.rows.empty()) << name;
    EXPECT_TRUE(read.rows.front().starts_with(start)) << name << ": " << read.rows.front();
  }
}

// staff 1's picture is a PNG of 36,365 bytes kept in MySQL 8's large-object
// pages: a first page and two data pages.
TEST(Mysql8Sakila, LongValuesInLargeObjectPagesAreReadWhole) {
  const auto source = OpenSakila("staff");
  ASSERT_TRUE(source);
  const testing::ReadOut read = testing::ReadWhole(*source);
  ASSERT_EQ(read.rows.size(), 2u);
  EXPECT_TRUE(read.report.Complete());
  const std::string& row = read.rows.front();
  const std::size_t start = row.find("X'");
  ASSERT_NE(start, std::string::npos) << row.substr(0, 200);
  const std::size_t end = row.find('\'', start + 2);
  const std::string hex = row.substr(start + 2, end - start - 2);
  EXPECT_EQ(hex.size(), 2u * 36365);
  EXPECT_TRUE(hex.starts_with("89504E470D0A1A0A"));  // the PNG signature
  EXPECT_TRUE(hex.ends_with("49454E44AE426082"));    // its IEND chunk, last
}

}  // namespace
}  // namespace rowmender
