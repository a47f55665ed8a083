// The tables of a real MySQL 5.5 data folder (sakila, COMPACT rows, no
// ibdata1, pre-5.6 temporal encodings), read from their definitions and
// .ibd files alone.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "app/logic/recovery_engine.h"
#include "catalogue/table_locator.h"
#include "preview/record_pages.h"
#include "support/test_paths.h"

namespace rowmender {
namespace {

struct SakilaRead {
  std::vector<std::string> columns;
  std::vector<DecodedRow> rows;
};

SakilaRead ReadSakila(const std::string& table,
                      const std::string& folder = testing::SakilaFolder()) {
  SakilaRead read;
  const TableLookup lookup = LocateTable(folder, "sakila", table);
  EXPECT_TRUE(lookup.location) << lookup.error;
  if (!lookup.location) return read;
  CTarnSalvorProjApp app;
  RecoveryEngine engine(app);
  RecordPager pager(engine, RecordPagerOptions{});
  std::string error;
  EXPECT_TRUE(pager.Open(*lookup.location, error)) << error;
  for (const auto& column : engine.table.columns)
    read.columns.push_back(column.name);
  pager.LoadFirstPage();
  do {
    read.rows.insert(read.rows.end(), engine.rows.begin(), engine.rows.end());
  } while (pager.LoadNextPage());
  return read;
}

// The row whose first cell is `key`.
const DecodedRow* RowWithKey(const SakilaRead& read, const std::string& key) {
  for (const auto& row : read.rows) {
    if (!row.values.empty() && row.values[0] == key) return &row;
  }
  return nullptr;
}

std::string Cell(const SakilaRead& read, const DecodedRow& row, const std::string& column) {
  for (std::size_t i = 0; i < read.columns.size(); ++i) {
    if (read.columns[i] == column) return row.values.at(i);
  }
  return "<no column " + column + ">";
}

class Sakila : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const char* zone = std::getenv("TZ");
    savedZone_ = zone == nullptr ? nullptr : new std::string(zone);
    // The server that loaded these rows kept its clock three hours ahead of
    // UTC, so its TIMESTAMP texts are those of that zone.
    setenv("TZ", "UTC-3", 1);
    tzset();
  }
  static void TearDownTestSuite() {
    if (savedZone_ != nullptr) {
      setenv("TZ", savedZone_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    delete savedZone_;
    savedZone_ = nullptr;
    tzset();
  }
  static inline std::string* savedZone_ = nullptr;
};

TEST_F(Sakila, EveryTableReadsWithItsPublishedRowCount) {
  const struct {
    const char* table;
    std::size_t rows;
  } cases[] = {{"actor", 200},      {"address", 603},     {"category", 16},
               {"city", 600},       {"country", 109},     {"customer", 599},
               {"film", 1000},      {"film_actor", 5462}, {"film_category", 1000},
               {"inventory", 4581}, {"language", 6},      {"staff", 2},
               {"store", 2}};
  for (const auto& c : cases) {
    const SakilaRead read = ReadSakila(c.table);
    EXPECT_EQ(read.rows.size(), c.rows) << c.table;
    for (const auto& row : read.rows) {
      EXPECT_FALSE(row.deleted) << c.table;
      EXPECT_EQ(row.values.size(), read.columns.size()) << c.table;
    }
  }
}

// The same rows written by a MySQL 5.6 server in ROW_FORMAT=REDUNDANT, most
// tables over many pages: every row and value as the COMPACT files give them.
TEST_F(Sakila, RedundantFilesOfMysql56GiveTheSameRows) {
  for (const char* table :
       {"actor", "address", "category", "city", "country", "customer", "film", "film_actor",
        "film_category", "inventory", "language", "staff", "store"}) {
    const SakilaRead compact = ReadSakila(table);
    const SakilaRead redundant = ReadSakila(table, testing::SakilaRedundantFolder());
    EXPECT_EQ(redundant.columns, compact.columns) << table;
    ASSERT_EQ(redundant.rows.size(), compact.rows.size()) << table;
    for (std::size_t i = 0; i < compact.rows.size(); ++i) {
      EXPECT_EQ(redundant.rows[i].values, compact.rows[i].values) << table << " row " << i;
      EXPECT_EQ(redundant.rows[i].deleted, compact.rows[i].deleted) << table << " row " << i;
    }
  }
}

TEST_F(Sakila, PublishedValues) {
  const SakilaRead actors = ReadSakila("actor");
  const DecodedRow* actor = RowWithKey(actors, "1");
  ASSERT_NE(actor, nullptr);
  EXPECT_EQ(Cell(actors, *actor, "first_name"), "PENELOPE");
  EXPECT_EQ(Cell(actors, *actor, "last_name"), "GUINESS");
  EXPECT_EQ(Cell(actors, *actor, "last_update"), "2006-02-15 04:34:33");

  const SakilaRead films = ReadSakila("film");
  const DecodedRow* film = RowWithKey(films, "1");
  ASSERT_NE(film, nullptr);
  EXPECT_EQ(Cell(films, *film, "title"), "ACADEMY DINOSAUR");
  EXPECT_EQ(Cell(films, *film, "release_year"), "2006");
  EXPECT_EQ(Cell(films, *film, "rental_rate"), "0.99");
  EXPECT_EQ(Cell(films, *film, "length"), "86");
  EXPECT_EQ(Cell(films, *film, "replacement_cost"), "20.99");
  EXPECT_EQ(Cell(films, *film, "rating"), "PG");
  EXPECT_EQ(Cell(films, *film, "special_features"), "Deleted Scenes,Behind the Scenes");
  EXPECT_EQ(Cell(films, *film, "original_language_id"), "NULL");

  // A pre-5.6 DATETIME, and CHAR in a UTF-8 table (stored with its length).
  const SakilaRead customers = ReadSakila("customer");
  const DecodedRow* customer = RowWithKey(customers, "1");
  ASSERT_NE(customer, nullptr);
  EXPECT_EQ(Cell(customers, *customer, "create_date"), "2006-02-14 22:04:36");
  const SakilaRead languages = ReadSakila("language");
  ASSERT_EQ(languages.rows.size(), 6u);
  EXPECT_EQ(languages.rows[5].values[1], "German");
}

TEST_F(Sakila, TablesWithoutTheirIbdFileShowTheirColumnsAndNoRows) {
  for (const char* table : {"payment", "rental"}) {
    const SakilaRead read = ReadSakila(table);
    EXPECT_FALSE(read.columns.empty()) << table;
    EXPECT_TRUE(read.rows.empty()) << table;
  }
}

TEST_F(Sakila, ALongBlobOutsideTheRecordShowsThePlaceholder) {
  const SakilaRead staff = ReadSakila("staff");
  const DecodedRow* mike = RowWithKey(staff, "1");
  ASSERT_NE(mike, nullptr);
  EXPECT_EQ(Cell(staff, *mike, "picture"), "Large Size Blob Data");
  EXPECT_EQ(Cell(staff, *mike, "username"), "Mike");
}

}  // namespace
}  // namespace rowmender
