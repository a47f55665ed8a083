// The data dictionary of the sample's ibdata1 (written by MariaDB 10.11, in
// the redundant record format, SYS_COLUMNS two levels deep) and its
// lookups; SYS_FIELDS, found where the dictionary header says.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/logic/recovery_engine.h"
#include "base/crc32c.h"
#include "innodb/dictionary.h"
#include "innodb/page.h"
#include "support/table_reads.h"
#include "support/test_paths.h"
#include "tables/system_tablespace.h"

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

// ---- SYS_FIELDS ----

std::unique_ptr<SystemTablespace> OpenSystem(const std::string& path) {
  std::unique_ptr<SystemTablespace> system;
  const Status status = SystemTablespace::Open(path, &testing::ServerCollations(), system);
  EXPECT_TRUE(status.ok()) << status.message();
  return system;
}

std::uint64_t IndexId(const SystemTablespace& system, const char* table, const char* index) {
  const std::uint64_t tableId = system.FindTableId(table);
  for (const DictIndexRow& row : system.Indexes()) {
    if (row.tableId == tableId && row.name == index) return row.indexId;
  }
  return 0;
}

std::string FieldsText(const std::vector<DictIndexField>& fields) {
  std::string text;
  for (const DictIndexField& field : fields) {
    if (!text.empty()) text += ",";
    text += field.columnName;
    if (field.prefixLength != 0) text += "(" + std::to_string(field.prefixLength) + ")";
  }
  return text;
}

TEST(DictionarySysFields, TheSampleIndexesHaveTheirFields) {
  const auto system = OpenSystem(testing::SampleDataFolder() + "/ibdata1");
  EXPECT_EQ(SysFieldsRoot(system->Pages()), kSysFieldsRoot);
  EXPECT_TRUE(system->DictionaryReport().notes.empty());
  struct Case {
    const char* table;
    const char* index;
    const char* fields;
  };
  for (const Case& c :
       {Case{"shop/products", "PRIMARY", "id"}, Case{"shop/products", "sku", "sku"},
        Case{"shop/products", "name_prefix", "name(80)"},
        Case{"shop/order_items", "PRIMARY", "order_id,line_no"},
        Case{"shop/customers", "country_city", "country,city"},
        Case{"shop/settings", "name", "name"}, Case{"shop/order_history", "GEN_CLUST_INDEX", ""},
        Case{"mysql/innodb_index_stats", "PRIMARY",
             "database_name,table_name,index_name,stat_name"}}) {
    const std::uint64_t index = IndexId(*system, c.table, c.index);
    ASSERT_NE(index, 0u) << c.table << " " << c.index;
    EXPECT_EQ(FieldsText(FieldsOfIndexIn(system->Fields(), index)), c.fields)
        << c.table << " " << c.index;
  }
  // As stored: a one-field index with a prefix keeps the prefix as POS.
  const std::uint64_t prefixed = IndexId(*system, "shop/products", "name_prefix");
  const auto row = std::find_if(system->Fields().begin(), system->Fields().end(),
                                [&](const DictFieldRow& f) { return f.indexId == prefixed; });
  ASSERT_NE(row, system->Fields().end());
  EXPECT_EQ(row->position, 80u);
  EXPECT_EQ(row->columnName, "name");
  EXPECT_FALSE(row->deleted);
}

// SYS_FIELDS read where the dictionary header (page 7) names its root: a
// root moved to the end of the file (the header and its checksum made to
// say so) is followed; a damaged header falls back to page 12; a lost
// root is made up for by reading every page.
TEST(DictionarySysFields, TheRootIsWhereTheDictionaryHeaderSays) {
  namespace fs = std::filesystem;
  const std::string original = testing::SampleDataFolder() + "/ibdata1";
  const auto clean = OpenSystem(original);
  ASSERT_GT(clean->Fields().size(), 50u);
  const std::size_t headerRoot =
      PageOffset(kDictionaryHeaderPage) + FilHeader::kSize + kDictionaryHeaderFieldsRoot;
  enum class Damage { kMovedRoot, kZeroedHeader, kZeroedRoot };
  struct Case {
    const char* what;
    Damage damage;
    bool noted;  // the dictionary's report says SYS_FIELDS is damaged
  };
  for (const Case& c : {Case{"root moved", Damage::kMovedRoot, false},
                        Case{"header zeroed", Damage::kZeroedHeader, false},
                        Case{"root zeroed", Damage::kZeroedRoot, true}}) {
    SCOPED_TRACE(c.what);
    std::string bytes = testing::ReadText(original);
    const std::size_t pages = bytes.size() / kInnoPageSize;
    const auto zero = [&](std::uint32_t page) {
      std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(PageOffset(page)), kInnoPageSize,
                  '\0');
    };
    switch (c.damage) {
      case Damage::kMovedRoot: {
        bytes.append(bytes, PageOffset(kSysFieldsRoot), kInnoPageSize);
        zero(kSysFieldsRoot);
        for (int i = 0; i < 4; ++i)
          bytes[headerRoot + static_cast<std::size_t>(i)] =
              static_cast<char>((pages >> (8 * (3 - i))) & 0xFF);
        // The header's full_crc32 checksum, in its last four bytes.
        const std::size_t end = PageOffset(kDictionaryHeaderPage) + kInnoPageSize;
        const std::uint32_t crc = Crc32c(
            ByteView(reinterpret_cast<const std::uint8_t*>(bytes.data()) + end - kInnoPageSize,
                     kInnoPageSize - 4));
        for (int i = 0; i < 4; ++i)
          bytes[end - 4 + static_cast<std::size_t>(i)] =
              static_cast<char>((crc >> (8 * (3 - i))) & 0xFF);
        break;
      }
      case Damage::kZeroedHeader:
        zero(kDictionaryHeaderPage);
        break;
      case Damage::kZeroedRoot:
        zero(kSysFieldsRoot);
        break;
    }
    testing::ScratchFolder scratch;
    const auto system = OpenSystem(scratch.Write("ibdata1", bytes));
    if (c.damage == Damage::kMovedRoot) {
      EXPECT_EQ(SysFieldsRoot(system->Pages()), pages);
    } else {
      EXPECT_EQ(SysFieldsRoot(system->Pages()), kSysFieldsRoot);
    }
    const auto& notes = system->DictionaryReport().notes;
    EXPECT_EQ(std::any_of(notes.begin(), notes.end(),
                          [](const std::string& note) {
                            return note.find("SYS_FIELDS") != std::string::npos;
                          }),
              c.noted);
    if (c.damage == Damage::kZeroedRoot) {
      // Its only leaf was the root: nothing is left.
      EXPECT_TRUE(system->Fields().empty());
      continue;
    }
    ASSERT_EQ(system->Fields().size(), clean->Fields().size());
    for (std::size_t i = 0; i < clean->Fields().size(); ++i) {
      EXPECT_EQ(system->Fields()[i].indexId, clean->Fields()[i].indexId);
      EXPECT_EQ(system->Fields()[i].position, clean->Fields()[i].position);
      EXPECT_EQ(system->Fields()[i].columnName, clean->Fields()[i].columnName);
    }
  }
}

// POS keeps the field number, and where any field of the index is a
// column prefix, the number in its high half and the prefix length in
// the low one (bit 15: descending).
TEST(DictionarySysFields, PositionsWithAndWithoutPrefixes) {
  const std::vector<DictFieldRow> rows = {
      {1, 1, "b", false},  {1, 0, "a", false},          {1, 2, "c", false},
      {2, 0, "a", false},  {2, 0x00010000, "b", false}, {2, 0x00020014, "c", false},
      {3, 0, "a", false},  {4, 80, "a", false},         {5, 0x0000800A, "a", false},
      {6, 0, "old", true}, {6, 0, "new", false},        {7, 0, "gone", true},
  };
  struct Case {
    std::uint64_t index;
    const char* fields;
  };
  for (const Case& c : {Case{1, "a,b,c"}, Case{2, "a,b,c(20)"}, Case{3, "a"}, Case{4, "a(80)"},
                        Case{5, "a(10)"}, Case{6, "new"}, Case{7, "gone"}, Case{8, ""}}) {
    EXPECT_EQ(FieldsText(FieldsOfIndexIn(rows, c.index)), c.fields) << c.index;
  }
  EXPECT_TRUE(FieldsOfIndexIn(rows, 5).at(0).descending);
  EXPECT_FALSE(FieldsOfIndexIn(rows, 4).at(0).descending);
}

}  // namespace
}  // namespace rowmender
