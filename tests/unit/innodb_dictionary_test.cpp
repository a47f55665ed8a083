// The data dictionary of the sample's ibdata1 (written by MariaDB 10.11, in
// the redundant record format, SYS_COLUMNS two levels deep) and its
// lookups.
#include <gtest/gtest.h>

#include "app/logic/recovery_engine.h"
#include "innodb/dictionary.h"
#include "support/test_paths.h"

namespace rowmender {
namespace {

class SampleDictionary : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(engine.LoadSystemDictionary(testing::SampleDataFolder() + "/ibdata1"));
  }
  const DictColumnRow* Column(std::uint64_t table, std::uint32_t position) const {
    for (const auto& row : engine.dictColumns) {
      if (row.tableId == table && row.position == position) return &row;
    }
    return nullptr;
  }

  CTarnSalvorProjApp app;
  RecoveryEngine engine{app};
};

TEST_F(SampleDictionary, EveryInnoDbTableIsListedByItsFileName) {
  EXPECT_GT(engine.systemPageCount, 11u);
  for (const char* name : {"shop/orders", "shop/settings", "shop/gift@002dcards",
                           "b@1ocherei/ausleihe", "legacy/appointments", "typezoo/blobs_compact"}) {
    EXPECT_NE(engine.FindTableId(name), 0u) << name;
  }
  // A database and table name joined by a backslash match; the comparison
  // is exact.
  EXPECT_EQ(engine.FindTableId("shop\\orders"), engine.FindTableId("shop/orders"));
  EXPECT_EQ(engine.FindTableId("Shop/Orders"), 0u);
  EXPECT_EQ(engine.FindTableId("shop/no_such_table"), 0u);
}

TEST_F(SampleDictionary, ClusteredRootsOfOwnAndSystemTablespaces) {
  // Tables with their own .ibd are rooted at page 3 of it.
  EXPECT_EQ(engine.FindClusteredIndexRoot(engine.FindTableId("shop/orders")), 3u);
  // In ibdata1: a table keyed on a unique key only, and one without keys.
  const std::uint64_t settings = engine.FindTableId("shop/settings");
  const std::uint64_t history = engine.FindTableId("shop/order_history");
  const std::uint32_t settingsRoot = engine.FindClusteredIndexRoot(settings);
  const std::uint32_t historyRoot = engine.FindClusteredIndexRoot(history);
  EXPECT_GT(settingsRoot, 11u);
  EXPECT_GT(historyRoot, 11u);
  EXPECT_LT(settingsRoot, engine.systemPageCount);
  for (const auto& index : engine.dictIndexes) {
    if (index.tableId == settings) {
      EXPECT_EQ(index.indexType, 3u) << index.name;
    }
    if (index.tableId == history) {
      EXPECT_EQ(index.name, "GEN_CLUST_INDEX");
    }
  }
}

TEST_F(SampleDictionary, ColumnTypesWithCollationsAndBytesPerCharacter) {
  const std::uint64_t accounts = engine.FindTableId("legacy/accounts");
  const DictColumnRow* login = Column(accounts, 0);  // VARCHAR latin1
  ASSERT_NE(login, nullptr);
  EXPECT_EQ(login->name, "login");
  EXPECT_EQ(login->mtype, 1u);
  EXPECT_EQ(CollationOfPrtype(login->prtype), 8u);
  EXPECT_EQ(login->mbMinMaxLen, 1u + 5u * 1u);
  const DictColumnRow* kdnr = Column(accounts, 2);  // INT UNSIGNED
  ASSERT_NE(kdnr, nullptr);
  EXPECT_EQ(kdnr->mtype, 6u);
  EXPECT_NE(kdnr->prtype & kPrtypeUnsigned, 0u);
  EXPECT_EQ(kdnr->mbMinMaxLen, 0u);

  const std::uint64_t strings = engine.FindTableId("typezoo/strings_compact");
  const DictColumnRow* utf8mb4 = Column(strings, 3);  // CHAR(10) utf8mb4
  ASSERT_NE(utf8mb4, nullptr);
  EXPECT_EQ(utf8mb4->mtype, 13u);
  EXPECT_EQ(utf8mb4->mbMinMaxLen, 1u + 5u * 4u);
}

TEST(InnoDbDictionaryLookups, TheClusteredIndexHasTypeBitZero) {
  std::vector<DictIndexRow> indexes(3);
  indexes[0] = {7, 100, "sku", 1, kIndexTypeUnique, 5, 4, false};
  indexes[1] = {7, 101, "PRIMARY", 1, kIndexTypeClustered | kIndexTypeUnique, 5, 3, false};
  indexes[2] = {8, 102, "GEN_CLUST_INDEX", 0, kIndexTypeClustered, 0, 99, false};
  EXPECT_EQ(FindClusteredIndexRootIn(indexes, 7), 3u);
  EXPECT_EQ(FindClusteredIndexRootIn(indexes, 8), 99u);
  EXPECT_EQ(FindClusteredIndexRootIn(indexes, 9), 0u);
}

TEST(InnoDbDictionaryLookups, LiveEntriesWinOverDeleteMarkedOnes) {
  // A table dropped (its entry delete-marked, not yet purged) and made anew.
  std::vector<DictTableRow> tables(3);
  tables[0] = {"shop/orders", 11, 0, 0, 0, true};
  tables[1] = {"shop/orders", 42, 0, 0, 0, false};
  tables[2] = {"shop/old", 12, 0, 0, 0, true};
  EXPECT_EQ(FindTableIdIn(tables, "shop/orders"), 42u);
  // Only a delete-marked entry: still found, to read what the pages keep.
  EXPECT_EQ(FindTableIdIn(tables, "shop/old"), 12u);
}

TEST(InnoDbDictionaryLookups, ColumnsMatchTheDefinitionByPosition) {
  std::vector<DictColumnRow> rows(4);
  rows[0] = {5, 1, "b", 6, kPrtypeNotNull | 3, 4, 0, 0, 0, 0, false};
  rows[1] = {5, 0, "a", 6, kPrtypeNotNull | kPrtypeUnsigned | 3, 4, 0, 0, 0, 0, false};
  rows[2] = {6, 0, "x", 6, 3, 4, 0, 0, 0, 0, false};
  rows[3] = {5, 2, "v", 6, kPrtypeVirtual | 3, 4, 0, 0, 0, 0, false};
  std::vector<ColumnDefinition> columns(4);
  for (int i = 0; i < 4; ++i) {
    columns[static_cast<std::size_t>(i)].ordinal = i;
    columns[static_cast<std::size_t>(i)].typeCode = kTypeLong;
  }
  const auto fields = ColumnsFromDictionary(rows, 5, columns);
  ASSERT_EQ(fields.size(), 2u);  // position 2 is virtual, 3 is not listed
  EXPECT_EQ(fields[0].column.ordinal, 0);
  EXPECT_TRUE(fields[0].IsUnsigned());
  EXPECT_FALSE(fields[0].column.IsSigned());
  EXPECT_EQ(fields[1].column.ordinal, 1);
  EXPECT_TRUE(fields[1].column.IsSigned());
}

}  // namespace
}  // namespace rowmender
