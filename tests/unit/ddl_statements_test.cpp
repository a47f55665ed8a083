// CREATE TABLE statements as definitions: what real servers printed for
// SHOW CREATE TABLE gives the same definition as the table's .frm, and the
// same rows; dumps and MySQL 8's forms are read; what cannot be read is
// told by line and column.
#include "definitions/ddl_statements.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/data_file.h"
#include "definitions/column_types.h"
#include "definitions/sdi_definition.h"
#include "innodb/page.h"
#include "innodb/sdi.h"
#include "support/table_reads.h"
#include "support/test_paths.h"
#include "tables/table_source.h"

namespace rowmender {
namespace {

namespace fs = std::filesystem;

std::string TextOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

struct RealTable {
  std::string dataFolder;
  std::string database;
  std::string table;
  fs::path statement;
};

// Every table of the real data folders with the statement the server
// printed for it.
std::vector<RealTable> RealTables() {
  std::vector<RealTable> tables;
  const std::pair<std::string, std::string> kFolders[] = {
      {ROWMENDER_LOSSLESS_DATADIR, ROWMENDER_LOSSLESS_TRUTH},
      {testing::SampleDataFolder(), testing::SampleTruthFolder()}};
  for (const auto& [data, truth] : kFolders) {
    for (const auto& database : fs::directory_iterator(truth)) {
      if (!database.is_directory()) continue;
      for (const auto& file : fs::directory_iterator(database.path())) {
        const std::string name = file.path().filename().string();
        if (!name.ends_with(".create.sql")) continue;
        const std::string table = name.substr(0, name.size() - 11);
        const std::string dbName = database.path().filename().string();
        if (!fs::exists(fs::path(data) / dbName / (table + ".frm"))) continue;
        tables.push_back({data, dbName, table, file.path()});
      }
    }
  }
  std::sort(tables.begin(), tables.end(),
            [](const RealTable& a, const RealTable& b) { return a.statement < b.statement; });
  return tables;
}

TableFiles FilesOf(const RealTable& real, DefinitionOrigin origin, const std::string& path) {
  return TableFiles{path, real.dataFolder + "/" + real.database, real.table, origin};
}

TEST(DdlStatements, RealStatementsGiveTheDefinitionFileDefinition) {
  const std::vector<RealTable> tables = RealTables();
  ASSERT_GT(tables.size(), 40u);
  for (const RealTable& real : tables) {
    SCOPED_TRACE(real.statement.string());
    std::vector<StatementTable> parsed;
    const Status status =
        ParseCreateTableStatements(TextOf(real.statement), testing::ServerCollations(), parsed);
    ASSERT_TRUE(status.ok()) << status.message();
    ASSERT_EQ(parsed.size(), 1u);
    const TableDefinition& statement = parsed[0].definition;
    TableDefinition frm;
    ASSERT_TRUE(
        ReadDefinitionFile(real.dataFolder + "/" + real.database + "/" + real.table + ".frm", frm)
            .ok());
    EXPECT_EQ(statement.storageEngine, frm.storageEngine);
    EXPECT_EQ(statement.tableCharsetId, frm.tableCharsetId);
    ASSERT_EQ(statement.columns.size(), frm.columns.size());
    for (std::size_t i = 0; i < frm.columns.size(); ++i) {
      const ColumnDefinition& a = statement.columns[i];
      const ColumnDefinition& b = frm.columns[i];
      SCOPED_TRACE(b.name);
      EXPECT_EQ(a.name, b.name);
      EXPECT_EQ(a.typeCode, b.typeCode);
      EXPECT_EQ(a.length, b.length);
      EXPECT_EQ(a.precision, b.precision);
      EXPECT_EQ(a.scale, b.scale);
      // (A definition file keeps no character set that means anything
      // for other types.)
      if (IsCharacterType(b.typeCode)) {
        EXPECT_EQ(a.charsetId, b.charsetId);
      }
      EXPECT_EQ(a.nullable, b.nullable);
      EXPECT_EQ(a.IsSigned(), b.IsSigned());
      EXPECT_EQ(a.Zerofill(), b.Zerofill());
      EXPECT_EQ(a.BitStoredAsChars(), b.BitStoredAsChars());
      EXPECT_EQ(a.values, b.values);
      EXPECT_EQ(a.geometryType, b.geometryType);
      EXPECT_EQ(a.inPrimaryKey, b.inPrimaryKey);
      EXPECT_EQ(a.inUniqueKey, b.inUniqueKey);
      if (frm.storageEngine == kEngineMyIsam) {
        EXPECT_EQ(a.recordOffset, b.recordOffset);
      }
    }
    if (frm.storageEngine == kEngineMyIsam) {
      EXPECT_EQ(statement.recordLength, frm.recordLength);
      EXPECT_EQ(statement.nullFlagBytes, frm.nullFlagBytes);
    }
  }
}

TEST(DdlStatements, RealStatementsReadTheSameRowsAsTheDefinitionFile) {
  ReadOptions options;
  options.collations = &testing::ServerCollations();
  for (const RealTable& real : RealTables()) {
    SCOPED_TRACE(real.statement.string());
    std::unique_ptr<TableSource> byStatement;
    std::unique_ptr<TableSource> byFrm;
    const Status statementStatus = TableSource::Open(
        FilesOf(real, DefinitionOrigin::kStatement, real.statement.string()), options, byStatement);
    const Status frmStatus = TableSource::Open(
        FilesOf(real, DefinitionOrigin::kDefinitionFile,
                real.dataFolder + "/" + real.database + "/" + real.table + ".frm"),
        options, byFrm);
    ASSERT_EQ(statementStatus.ok(), frmStatus.ok()) << statementStatus.message();
    if (!frmStatus.ok()) continue;
    EXPECT_EQ(byStatement->Definition().origin, DefinitionOrigin::kStatement);
    const testing::ReadOut a = testing::ReadWhole(*byStatement);
    const testing::ReadOut b = testing::ReadWhole(*byFrm);
    EXPECT_EQ(a.rows, b.rows);
  }
}

// A dump as mysqldump writes it for MySQL 8: its other statements are
// passed over, and its film table is the one the server's own definition
// (the SDI in film.ibd) gives.
TEST(DdlStatements, AMysql8DumpGivesTheServersOwnDefinition) {
  const std::string dump = R"(-- MySQL dump 10.13  Distrib 8.0.40, for Linux (x86_64)
/*!40101 SET @OLD_CHARACTER_SET_CLIENT=@@CHARACTER_SET_CLIENT */;
/*!50503 SET NAMES utf8mb4 */;
USE `sakila`;
DROP TABLE IF EXISTS `film`;
/*!40101 SET @saved_cs_client     = @@character_set_client */;
CREATE TABLE `film` (
  `film_id` smallint unsigned NOT NULL AUTO_INCREMENT,
  `title` varchar(128) NOT NULL,
  `description` text,
  `release_year` year DEFAULT NULL,
  `language_id` tinyint unsigned NOT NULL,
  `original_language_id` tinyint unsigned DEFAULT NULL,
  `rental_duration` tinyint unsigned NOT NULL DEFAULT '3',
  `rental_rate` decimal(4,2) NOT NULL DEFAULT '4.99',
  `length` smallint unsigned DEFAULT NULL,
  `replacement_cost` decimal(5,2) NOT NULL DEFAULT '19.99',
  `rating` enum('G','PG','PG-13','R','NC-17') DEFAULT 'G',
  `special_features` set('Trailers','Commentaries','Deleted Scenes','Behind the Scenes') DEFAULT NULL,
  `last_update` timestamp NOT NULL DEFAULT CURRENT_TIMESTAMP ON UPDATE CURRENT_TIMESTAMP,
  PRIMARY KEY (`film_id`),
  KEY `idx_title` (`title`),
  KEY `idx_fk_language_id` (`language_id`),
  KEY `idx_fk_original_language_id` (`original_language_id`),
  CONSTRAINT `fk_film_language` FOREIGN KEY (`language_id`) REFERENCES `language` (`language_id`) ON DELETE RESTRICT ON UPDATE CASCADE,
  CONSTRAINT `fk_film_language_original` FOREIGN KEY (`original_language_id`) REFERENCES `language` (`language_id`) ON DELETE RESTRICT ON UPDATE CASCADE
) ENGINE=InnoDB AUTO_INCREMENT=1001 DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_0900_ai_ci;
/*!40101 SET character_set_client = @saved_cs_client */;
LOCK TABLES `film` WRITE;
INSERT INTO `film` VALUES (1,'ACADEMY DINOSAUR','A Epic; Drama',2006,1,NULL,6,0.99,86,20.99,'PG','Deleted Scenes','2006-02-15 05:03:42');
UNLOCK TABLES;
CREATE TABLE IF NOT EXISTS other.`t;x` (a INT, b CHAR(3) CHARACTER SET latin1) ENGINE=MyISAM;
)";
  std::vector<StatementTable> tables;
  const Status status = ParseCreateTableStatements(dump, testing::ServerCollations(), tables);
  ASSERT_TRUE(status.ok()) << status.message();
  ASSERT_EQ(tables.size(), 2u);
  EXPECT_EQ(tables[0].database, "sakila");
  EXPECT_EQ(tables[0].name, "film");
  EXPECT_EQ(tables[0].line, 7u);
  EXPECT_EQ(tables[1].database, "other");
  EXPECT_EQ(tables[1].name, "t;x");
  EXPECT_EQ(tables[1].definition.storageEngine, kEngineMyIsam);
  EXPECT_EQ(tables[1].definition.columns[1].charsetId, 8u);

  const std::vector<std::uint8_t> film = [] {
    std::vector<std::uint8_t> bytes;
    ReadWholeFile(testing::Sakila8Folder() + "/sakila/film.ibd", bytes, 1u << 20);
    return bytes;
  }();
  SdiTable sdi;
  for (const SdiObject& object : ReadSdi(MemoryPageSource(film)).objects) {
    if (object.type == kSdiTypeTable) {
      ASSERT_TRUE(ParseSdiTable(object.json, sdi).ok());
    }
  }
  const TableDefinition& server = sdi.definition;
  const TableDefinition& given = tables[0].definition;
  EXPECT_EQ(given.tableCharsetId, server.tableCharsetId);
  ASSERT_EQ(given.columns.size(), server.columns.size());
  for (std::size_t i = 0; i < server.columns.size(); ++i) {
    const ColumnDefinition& a = given.columns[i];
    const ColumnDefinition& b = server.columns[i];
    SCOPED_TRACE(b.name);
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.typeCode, b.typeCode);
    // (The SDI gives TEXT its largest size, a definition file its pointer's.)
    if (!IsBlobType(b.typeCode)) {
      EXPECT_EQ(a.length, b.length);
    }
    EXPECT_EQ(a.precision, b.precision);
    EXPECT_EQ(a.scale, b.scale);
    EXPECT_EQ(a.nullable, b.nullable);
    EXPECT_EQ(a.IsSigned(), b.IsSigned());
    EXPECT_EQ(a.values, b.values);
    if (IsCharacterType(b.typeCode)) {
      EXPECT_EQ(a.charsetId, b.charsetId);
    }
  }
  ASSERT_FALSE(given.keys.empty());
  EXPECT_TRUE(given.keys[0].IsPrimary());
  EXPECT_EQ(given.keys.size(), server.keys.size());
}

// What cannot be read is told with its line and column.
TEST(DdlStatements, WhatCannotBeReadIsToldByLineAndColumn) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case kCases[] = {
      {"CREATE TABLE t (a INT,\n  b WIBBLE(3)) ENGINE=InnoDB;",
       "line 2, column 5: unknown data type WIBBLE, near 'WIBBLE ( 3"},
      {"CREATE TABLE t (a VARCHAR(10) DEFAULT 'x);",
       "line 1, column 39: a quoted text is not closed"},
      {"CREATE TABLE t (a INT, KEY (zz));", "line 1, column 29: the key names a column"},
      {"CREATE TABLE t (a INT) ENGINE=ROCKSDB;", "line 1, column 31: tables of the engine ROCKSDB"},
      {"CREATE TABLE t (a VARCHAR(3) COLLATE nosuch_ci);", "unknown collation nosuch_ci"},
      {"CREATE TABLE t (a INT", "line 1, column 22: expected ')', at the end of the statement"},
      {"CREATE TABLE t LIKE u;", "line 1, column 21: CREATE TABLE ... LIKE names a table"},
      {"CREATE TABLE t (a INT CHECK (((((((((((((((((((((((((((((((((((((((((((((((((((((((((("
       "((((((((((((((((1)))))))))))))))))))))))))))))))))))))))))))))))))))))))))))))))))))))))))"
       ";",
       "parentheses nest too deep"},
      {"INSERT INTO t VALUES (1);", "no CREATE TABLE statement found"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.text);
    std::vector<StatementTable> tables;
    const Status status = ParseCreateTableStatements(c.text, testing::ServerCollations(), tables);
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.message().find(c.message), std::string::npos) << status.message();
  }
}

}  // namespace
}  // namespace rowmender
