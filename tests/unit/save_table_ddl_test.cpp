#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/application_state.h"
#include "base/data_file.h"
#include "base/paths.h"
#include "definitions/frm_reader.h"
#include "export/save/column_defaults.h"
#include "export/save/table_ddl.h"
#include "support/test_paths.h"

namespace rowmender {
namespace {

const CollationTable& Collations() {
  static const CollationTable table = [] {
    CollationTable loaded;
    loaded.LoadFromFile(JoinPath(testing::SourceFolder(), "data/collation (2)"));
    return loaded;
  }();
  return table;
}

std::vector<std::uint8_t> DefinitionFile(const std::string& database, const std::string& table) {
  std::vector<std::uint8_t> bytes;
  ReadWholeFile(JoinPath(JoinPath(testing::SampleDataFolder(), database), table + ".frm"), bytes);
  return bytes;
}

TableDefinition Definition(const std::vector<std::uint8_t>& bytes) {
  TableDefinition table;
  DefinitionProgress progress;
  EXPECT_EQ(ParseTableDefinition(ByteView(bytes.data(), bytes.size()), table, progress),
            DefinitionStatus::kRead);
  return table;
}

std::string Create(const std::string& database, const std::string& table, TableKeys keys) {
  const auto bytes = DefinitionFile(database, table);
  const TableDefinition definition = Definition(bytes);
  const auto defaults =
      ParseColumnDefaults(ByteView(bytes.data(), bytes.size()), definition, Collations());
  return CreateTableStatement(table, definition, Collations(), keys, &defaults);
}

// The server's SHOW CREATE TABLE of these tables is in the truth files; the
// rebuilt statements carry the same columns, defaults and keys (ordinary
// indexes aside), as the round trip against a server confirms for all.
TEST(SaveTableDdl, RebuildsAMyIsamTableWithEveryNumericType) {
  EXPECT_EQ(Create("typezoo", "numbers_myisam", TableKeys::kPrimaryAndUnique),
            "CREATE TABLE IF NOT EXISTS `numbers_myisam` (\n"
            "  `id` tinyint(3) unsigned NOT NULL,\n"
            "  `label` varchar(20) NOT NULL,\n"
            "  `t_s` tinyint(4) NULL,\n"
            "  `t_u` tinyint(3) unsigned NULL,\n"
            "  `s_s` smallint(6) NULL,\n"
            "  `s_u` smallint(5) unsigned NULL,\n"
            "  `m_s` mediumint(9) NULL,\n"
            "  `m_u` mediumint(8) unsigned NULL,\n"
            "  `i_s` int(11) NULL,\n"
            "  `i_u` int(10) unsigned NULL,\n"
            "  `b_s` bigint(20) NULL,\n"
            "  `b_u` bigint(20) unsigned NULL,\n"
            "  `flag` tinyint(1) NULL,\n"
            "  `zf` int(6) unsigned zerofill NULL,\n"
            "  `f` float NULL,\n"
            "  `f_7_3` float(7,3) NULL,\n"
            "  `d` double NULL,\n"
            "  `d_12_4` double(12,4) NULL,\n"
            "  `dec_5_2` decimal(5,2) NULL,\n"
            "  `dec_10_0` decimal(10,0) NULL,\n"
            "  `dec_18_9` decimal(18,9) NULL,\n"
            "  `dec_4_4` decimal(4,4) NULL,\n"
            "  `dec_30_10` decimal(30,10) NULL,\n"
            "  `dec_65_30` decimal(65,30) NULL,\n"
            "  `dec_u` decimal(8,3) unsigned NULL,\n"
            "  PRIMARY KEY (`id`)\n"
            ") ENGINE=MyISAM DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci");
}

TEST(SaveTableDdl, KeepsDefaultsAutoIncrementUniqueKeysAndForeignCharacterSets) {
  EXPECT_EQ(Create("shop", "products", TableKeys::kPrimaryAndUnique),
            "CREATE TABLE IF NOT EXISTS `products` (\n"
            "  `id` smallint(5) unsigned NOT NULL AUTO_INCREMENT,\n"
            "  `sku` char(12) CHARACTER SET ascii COLLATE ascii_general_ci NOT NULL,\n"
            "  `name` varchar(200) NOT NULL,\n"
            "  `price` decimal(10,2) NOT NULL,\n"
            "  `weight_kg` float NULL,\n"
            "  `stock_status` enum('in_stock','low','sold_out','discontinued') NOT NULL "
            "DEFAULT 'in_stock',\n"
            "  `tags` set('kitchen','bath','garden','sale','new','eco','bestseller','gift','bulky',"
            "'fragile') NULL,\n"
            "  `description` text NULL,\n"
            "  `image` mediumblob NULL,\n"
            "  PRIMARY KEY (`id`),\n"
            "  UNIQUE KEY `sku` (`sku`)\n"
            ") ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci");
  // The companion of deleted rows: the same columns, no keys, nothing that
  // would change a stored row.
  const std::string companion = Create("shop", "products", TableKeys::kNone);
  EXPECT_EQ(companion.find("KEY"), std::string::npos);
  EXPECT_EQ(companion.find("AUTO_INCREMENT"), std::string::npos);
}

TEST(SaveTableDdl, AriaIsNamedForMariaDbServersOnly) {
  // MySQL servers have no Aria: the clause is in a comment only MariaDB
  // servers execute, so a MySQL server makes the table with its default
  // engine.
  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(
      ReadWholeFile(JoinPath(JoinPath(testing::AriaFolder(), "aria"), "page_trans.frm"), bytes));
  const std::string statement =
      CreateTableStatement("page_trans", Definition(bytes), Collations(), TableKeys::kNone);
  EXPECT_NE(statement.find("\n) /*M! ENGINE=Aria */ DEFAULT CHARSET="), std::string::npos)
      << statement;
}

TEST(SaveTableDdl, TemporalDefaultsAndBitsComeFromTheDefaultRecord) {
  const std::string orders = Create("shop", "orders", TableKeys::kPrimaryAndUnique);
  EXPECT_NE(orders.find("`status` enum('new','paid','shipped','cancelled','returned') NOT NULL "
                        "DEFAULT 'new'"),
            std::string::npos)
      << orders;
  EXPECT_NE(orders.find("`total` decimal(12,2) NOT NULL DEFAULT 0.00"), std::string::npos);
  EXPECT_NE(orders.find("`currency` char(3) CHARACTER SET ascii COLLATE ascii_general_ci NOT "
                        "NULL DEFAULT 'EUR'"),
            std::string::npos);
  const std::string history = Create("shop", "order_history", TableKeys::kPrimaryAndUnique);
  EXPECT_NE(history.find("`changed_at` timestamp NOT NULL DEFAULT current_timestamp()"),
            std::string::npos)
      << history;
  const std::string customers = Create("shop", "customers", TableKeys::kPrimaryAndUnique);
  EXPECT_NE(customers.find("DEFAULT current_timestamp() ON UPDATE current_timestamp()"),
            std::string::npos)
      << customers;
}

TEST(SaveTableDdl, ColumnTypesByCode) {
  const auto column = [](std::uint32_t type, std::uint32_t length, std::uint32_t charset,
                         std::uint16_t packFlags = 0) {
    ColumnDefinition c;
    c.typeCode = type;
    c.length = length;
    c.charsetId = charset;
    c.packFlags = packFlags;
    return c;
  };
  ColumnDefinition point = column(kTypeGeometry, 8, kBinaryCharset);
  point.geometryType = 1;
  ColumnDefinition members = column(kTypeEnum, 1, 45);
  members.values = {"a'b", "c\\d"};
  const struct {
    ColumnDefinition column;
    const char* type;
  } cases[] = {
      {column(kTypeVarchar, 120, 45), "varchar(30)"},
      {column(kTypeVarchar, 16, kBinaryCharset), "varbinary(16)"},
      {column(kTypeString, 8, kBinaryCharset), "binary(8)"},
      {column(kTypeString, 30, 33), "char(10)"},
      {column(kTypeTinyBlob, 8, kBinaryCharset), "tinyblob"},
      {column(kTypeLongBlob, 8, 8), "longtext"},
      {column(kTypeBit, 12, 8), "bit(12)"},
      {column(kTypeYear, 4, 8), "year(4)"},
      {column(kTypeDatetime2, 26, 8), "datetime(6)"},
      {column(kTypeTime2, 10, 8), "time"},
      {column(kTypeTimestamp, 22, 8), "timestamp(2)"},
      {point, "point"},
      {members, "enum('a\\'b','c\\\\d')"},
      {column(kTypeNull, 0, 8), "longblob"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SqlColumnType(c.column, Collations()), c.type) << c.type;
}

TEST(SaveTableDdl, CompanionNamesStayWithinTheServersLimit) {
  EXPECT_EQ(DeletedTableName("orders"), "orders__deleted");
  const std::string longName(70, 'x');
  EXPECT_EQ(DeletedTableName(longName), std::string(55, 'x') + "__deleted");
  // Cut by characters, never inside one.
  std::string umlauts;
  for (int i = 0; i < 60; ++i)
    umlauts += "ü";
  const std::string cut = DeletedTableName(umlauts);
  EXPECT_EQ(cut.size(), 55 * 2 + 9);
}

TEST(SaveTableDdl, DatabaseOptionsComeOnlyAsPlainWords) {
  testing::ScratchFolder scratch;
  scratch.Write("good/db.opt",
                std::string("default-character-set=latin1\ndefault-collation=latin1_german2_ci\n"));
  scratch.Write("evil/db.opt", std::string("default-character-set=utf8; DROP DATABASE x\n"
                                           "default-collation=a`b\n"));
  const std::string root = scratch.Path().string();
  const DatabaseOptions good = ReadDatabaseOptions(root + "/good");
  EXPECT_EQ(CreateDatabaseStatement("büch`erei", good),
            "CREATE DATABASE IF NOT EXISTS `büch``erei` CHARACTER SET latin1 COLLATE "
            "latin1_german2_ci");
  const DatabaseOptions evil = ReadDatabaseOptions(root + "/evil");
  EXPECT_EQ(CreateDatabaseStatement("x", evil), "CREATE DATABASE IF NOT EXISTS `x`");
  EXPECT_EQ(CreateDatabaseStatement("x", ReadDatabaseOptions(root + "/missing")),
            "CREATE DATABASE IF NOT EXISTS `x`");
}

TEST(SaveTableDdl, DefaultsOfDamagedFilesNeverReadOutside) {
  auto bytes = DefinitionFile("shop", "orders");
  const TableDefinition definition = Definition(bytes);
  // Cut anywhere: no crash, and either no defaults or one per column.
  for (std::size_t size = 0; size < bytes.size(); size += 97) {
    const auto defaults =
        ParseColumnDefaults(ByteView(bytes.data(), size), definition, Collations());
    EXPECT_TRUE(defaults.empty() || defaults.size() == definition.columns.size());
  }
  // Nonsense offsets of the default record and the key block.
  for (std::size_t at : {6u, 14u, 16u, 47u}) {
    auto damaged = bytes;
    damaged[at] = 0xFF;
    damaged[at + 1] = 0xFF;
    const auto defaults =
        ParseColumnDefaults(ByteView(damaged.data(), damaged.size()), definition, Collations());
    EXPECT_TRUE(defaults.empty() || defaults.size() == definition.columns.size());
  }
}

}  // namespace
}  // namespace rowmender
