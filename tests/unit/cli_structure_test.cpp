#include <gtest/gtest.h>

#include "support/frm_builder.h"
#include "support/test_paths.h"

namespace rowmender {
namespace {

using testing::RunCli;

TEST(CliStructure, PrintsTheStructureGridOfARealTable) {
  const auto result = RunCli({"structure", testing::SakilaFolder(), "sakila", "store"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out,
            "Column Name\tData Type\tsize\tAllow Nulls\tKey Name\n"
            "store_id\ttinyint(3) unsigned\t3\tFalse\tPrimary Key\n"
            "manager_staff_id\ttinyint(3) unsigned\t3\tFalse\tUnique Key idx_unique_manager\n"
            "address_id\tsmallint(5) unsigned\t5\tFalse\tKey idx_fk_address_id\n"
            "last_update\ttimestamp\t\tFalse\t\n");
}

TEST(CliStructure, CreatePrintsTheStatementASaveWrites) {
  const auto result = RunCli({"structure", testing::SakilaFolder(), "sakila", "store", "--create"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out,
            "CREATE TABLE IF NOT EXISTS `store` (\n"
            "  `store_id` tinyint(3) unsigned NOT NULL AUTO_INCREMENT,\n"
            "  `manager_staff_id` tinyint(3) unsigned NOT NULL,\n"
            "  `address_id` smallint(5) unsigned NOT NULL,\n"
            "  `last_update` timestamp NOT NULL DEFAULT current_timestamp() ON UPDATE "
            "current_timestamp(),\n"
            "  PRIMARY KEY (`store_id`),\n"
            "  UNIQUE KEY `idx_unique_manager` (`manager_staff_id`)\n"
            ") ENGINE=InnoDB DEFAULT CHARSET=utf8mb3 COLLATE=utf8mb3_general_ci;\n"
            "-- The other keys of the table, which a save leaves to the DBA:\n"
            "--   KEY `idx_fk_address_id` (`address_id`)\n");
  const auto unknown = RunCli({"structure", testing::SakilaFolder(), "sakila", "store", "--creat"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_EQ(unknown.out, "");
}

TEST(CliStructure, ReportsWhatIsMissingOnOneLine) {
  testing::ScratchFolder scratch;
  scratch.Write("db/view.frm", std::string("TYPE=VIEW\nquery=select 1\n"));
  scratch.Write("db/short.frm", std::string("\xFE\x01\x0A"));
  testing::FrmSpec damaged;
  damaged.columns = {{.name = "a"}};
  damaged.declaredColumnCount = 3;
  scratch.Write("db/damaged.frm", testing::BuildFrm(damaged));
  const std::string data = scratch.Path().string();
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* message;
  };
  const Case cases[] = {
      {{"structure", data + "/nowhere", "db", "t"}, 1, "rowmender-cli: data folder not found: "},
      {{"structure", data, "nodb", "t"}, 1, "rowmender-cli: database not found: nodb\n"},
      {{"structure", data, "db", "nothere"}, 1, "rowmender-cli: table not found: db.nothere\n"},
      {{"structure", data, "db", "view"}, 1, "not a table definition\n"},
      {{"structure", data, "db", "short"}, 1, "not a table definition\n"},
      {{"structure", data, "db", "damaged"}, 1, "damaged table definition\n"},
      {{"structure", data, "db"}, 2, "usage: rowmender-cli structure [OPTIONS] DATADIR DB TABLE\n"},
      {{"nonsense"}, 2, "usage: rowmender-cli COMMAND"},
  };
  for (const auto& c : cases) {
    const auto result = RunCli(c.args);
    EXPECT_EQ(result.status, c.status) << c.args.back();
    EXPECT_EQ(result.out, "") << c.args.back();
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    // An error is one line; a usage error adds the usage.
    if (c.status == 1) {
      EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    }
  }
}

}  // namespace
}  // namespace rowmender
