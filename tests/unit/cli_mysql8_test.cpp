// The command line over a real MySQL 8.0 data folder, which has no .frm
// files: every table is found by the definition its tablespace carries.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/test_paths.h"

namespace rowmender {
namespace {

using testing::RunCli;

TEST(CliMysql8, TheCatalogueListsEveryTableAndNoFullTextTablespace) {
  const auto result = RunCli({"catalogue", testing::Sakila8Folder()});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  for (const char* table : {"actor", "address", "film", "film_text", "inventory", "store"}) {
    EXPECT_NE(
        result.out.find(std::string("table\tsakila\t") + table + "\tInnoDB\tsdi-tablespace\t" +
                        testing::Sakila8Folder() + "/sakila/" + table + ".ibd\n"),
        std::string::npos)
        << table;
  }
  EXPECT_EQ(result.out.find("fts_"), std::string::npos);
}

TEST(CliMysql8, StructureSaysWhereTheDefinitionCameFrom) {
  const auto result = RunCli({"structure", testing::Sakila8Folder(), "sakila", "store"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out,
            "Column Name\tData Type\tsize\tAllow Nulls\tKey Name\n"
            "store_id\ttinyint(3) unsigned\t3\tFalse\tPrimary Key\n"
            "manager_staff_id\ttinyint(3) unsigned\t3\tFalse\tUnique Key idx_unique_manager\n"
            "address_id\tsmallint(5) unsigned\t5\tFalse\tKey idx_fk_address_id\n"
            "last_update\ttimestamp\t\tFalse\t\n");
  EXPECT_EQ(result.err,
            "rowmender-cli: the definition of store was read from its tablespace (SDI): " +
                testing::Sakila8Folder() + "/sakila/store.ibd\n");
}

TEST(CliMysql8, RowsOfEveryPageAndOfTheWholeTable) {
  // CHAR(20) values come without their padding, as the server gives them.
  const auto page = RunCli({"rows", testing::Sakila8Folder(), "sakila", "language"});
  EXPECT_EQ(page.status, 0) << page.err;
  EXPECT_EQ(page.out,
            "language_id\tname\tlast_update\n"
            "1\tEnglish\t2006-02-15 05:02:19\n"
            "2\tItalian\t2006-02-15 05:02:19\n"
            "3\tJapanese\t2006-02-15 05:02:19\n"
            "4\tMandarin\t2006-02-15 05:02:19\n"
            "5\tFrench\t2006-02-15 05:02:19\n"
            "6\tGerman\t2006-02-15 05:02:19\n");
  const auto all = RunCli({"rows", testing::Sakila8Folder(), "sakila", "film_actor", "--all"});
  EXPECT_EQ(all.status, 0) << all.err;
  EXPECT_EQ(std::count(all.out.begin(), all.out.end(), '\n'), 5462 + 1);
}

}  // namespace
}  // namespace rowmender
