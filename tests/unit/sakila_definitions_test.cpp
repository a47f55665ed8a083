// The definition files of a real MySQL 5.5 server (format versions 9 and 10).
#include <gtest/gtest.h>

#include "app/logic/recovery_engine.h"
#include "definitions/column_type_name.h"
#include "support/test_paths.h"

namespace rowmender {
namespace {

std::string SakilaFile(const std::string& table) {
  return testing::SakilaFolder() + "/sakila/" + table + ".frm";
}

struct ExpectedColumn {
  const char* name;
  const char* type;
  bool nullable;
  const char* key;  // "P", "U" or ""
};

void ExpectTable(const std::string& table, const std::vector<ExpectedColumn>& expected) {
  CTarnSalvorProjApp app;
  RecoveryEngine engine(app);
  ASSERT_TRUE(engine.ReadTableDefinition(SakilaFile(table)));
  ASSERT_EQ(engine.lastDefinitionStatus, DefinitionStatus::kRead) << table;
  EXPECT_EQ(engine.table.storageEngine, kEngineInnoDb) << table;
  EXPECT_FALSE(app.newTemporalFormat) << table;
  ASSERT_EQ(engine.table.columns.size(), expected.size()) << table;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const auto& column = engine.table.columns[i];
    const auto& want = expected[i];
    EXPECT_EQ(column.name, want.name) << table;
    EXPECT_EQ(ColumnTypeName(column, engine.table.tableCharsetId, app.collations), want.type)
        << table << "." << want.name;
    EXPECT_EQ(column.nullable, want.nullable) << table << "." << want.name;
    const std::string key = column.inPrimaryKey ? "P" : column.inUniqueKey ? "U" : "";
    EXPECT_EQ(key, want.key) << table << "." << want.name;
  }
}

TEST(SakilaDefinitions, Actor) {
  ExpectTable("actor", {{"actor_id", "SMALLINT", false, "P"},
                        {"first_name", "VARCHAR(45)", false, ""},
                        {"last_name", "VARCHAR(45)", false, ""},
                        {"last_update", "TIMESTAMP", false, ""}});
}

TEST(SakilaDefinitions, FilmWithEnumSetDecimalAndYear) {
  ExpectTable("film",
              {{"film_id", "SMALLINT", false, "P"},
               {"title", "VARCHAR(255)", false, ""},
               {"description", "TEXT", true, ""},
               {"release_year", "YEAR", true, ""},
               {"language_id", "TINYINT", false, ""},
               {"original_language_id", "TINYINT", true, ""},
               {"rental_duration", "TINYINT", false, ""},
               {"rental_rate", "DECIMAL(4,2)", false, ""},
               {"length", "SMALLINT", true, ""},
               {"replacement_cost", "DECIMAL(5,2)", false, ""},
               {"rating", "ENUM('G','PG','PG-13','R','NC-17')", true, ""},
               {"special_features",
                "SET('Trailers','Commentaries','Deleted Scenes','Behind the Scenes')", true, ""},
               {"last_update", "TIMESTAMP", false, ""}});
}

TEST(SakilaDefinitions, CompositePrimaryKeyAndUniqueKeys) {
  ExpectTable("film_actor", {{"actor_id", "SMALLINT", false, "P"},
                             {"film_id", "SMALLINT", false, "P"},
                             {"last_update", "TIMESTAMP", false, ""}});
  ExpectTable("rental", {{"rental_id", "INT", false, "P"},
                         {"rental_date", "DATETIME", false, "U"},
                         {"inventory_id", "MEDIUMINT", false, "U"},
                         {"customer_id", "SMALLINT", false, "U"},
                         {"return_date", "DATETIME", true, ""},
                         {"staff_id", "TINYINT", false, ""},
                         {"last_update", "TIMESTAMP", false, ""}});
}

TEST(SakilaDefinitions, EveryDefinitionReadsWithItsPrimaryKey) {
  const char* tables[] = {"actor",    "address", "category",   "city",          "country",
                          "customer", "film",    "film_actor", "film_category", "inventory",
                          "language", "payment", "rental",     "staff",         "store"};
  for (const char* table : tables) {
    CTarnSalvorProjApp app;
    RecoveryEngine engine(app);
    ASSERT_TRUE(engine.ReadTableDefinition(SakilaFile(table))) << table;
    ASSERT_EQ(engine.lastDefinitionStatus, DefinitionStatus::kRead) << table;
    EXPECT_TRUE(engine.table.formatVersion == 9 || engine.table.formatVersion == 10) << table;
    EXPECT_EQ(engine.table.mysqlVersionId, 50535u) << table;
    EXPECT_EQ(engine.table.tableCharsetId, 33u) << table;
    ASSERT_FALSE(engine.table.keys.empty()) << table;
    EXPECT_TRUE(engine.table.keys[0].IsPrimary()) << table;
    EXPECT_TRUE(engine.table.columns.front().inPrimaryKey) << table;
  }
}

}  // namespace
}  // namespace rowmender
