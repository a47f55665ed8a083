#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/test_paths.h"

namespace rowmender {
namespace {

using testing::ReadText;
using testing::RunCli;

namespace fs = std::filesystem;

TEST(CliSave, WritesOneScriptPerTableAndARestoreScriptInLoadingOrder) {
  testing::ScratchFolder scratch;
  const std::string out = scratch.Path().string() + "/rescue";
  const auto result = RunCli({"save", testing::SampleDataFolder(), "--script", out, "--tables",
                              "typezoo.enums_bits_myisam,legacy.price-list,shop.v_order_overview"});
  EXPECT_EQ(result.status, 0) << result.err;
  // Everything the save says goes to standard error; the data goes into
  // the scripts.
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err,
            "`legacy`.`price-list`: 297 rows saved, 3 deleted rows saved in "
            "`price-list__deleted`.\n"
            "`typezoo`.`enums_bits_myisam`: 8 rows saved.\n"
            "View `shop`.`v_order_overview` saved.\n"
            "Saved 2 tables (305 rows, 3 deleted rows), 1 view and 0 trigger files to " +
                out + ".\n");
  EXPECT_EQ(ReadText(out + "/restore.sql"),
            "-- Rowmender v21.0 recovery script\n"
            "-- Loads every script of this save: tables, then views, then triggers.\n"
            "-- Run it from this folder, for example:\n"
            "--   mariadb --user=root --password --comments < restore.sql\n"
            "-- (--comments keeps the comments inside trigger bodies).\n"
            "SOURCE legacy/price-list.sql\n"
            "SOURCE typezoo/enums_bits_myisam.sql\n"
            "SOURCE shop/v_order_overview.view.sql\n");
  EXPECT_EQ(ReadText(out + "/typezoo/enums_bits_myisam.sql"),
            R"sql(-- Rowmender v21.0 recovery script
-- table `typezoo`.`enums_bits_myisam`
SET NAMES utf8mb4;
SET @ROWMENDER_SQL_MODE = @@SESSION.sql_mode, @ROWMENDER_TIME_ZONE = @@SESSION.time_zone, @ROWMENDER_FOREIGN_KEY_CHECKS = @@SESSION.foreign_key_checks;
SET SESSION sql_mode = 'NO_AUTO_VALUE_ON_ZERO', SESSION time_zone = '+00:00', SESSION foreign_key_checks = 0;
CREATE DATABASE IF NOT EXISTS `typezoo` CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci;
USE `typezoo`;
CREATE TABLE IF NOT EXISTS `enums_bits_myisam` (
  `id` tinyint(3) unsigned NOT NULL,
  `label` varchar(20) NOT NULL,
  `size` enum('XS','S','M','L','XL') NULL,
  `color` enum('rot','grün','blau','schwarz/weiß') NULL,
  `flags` set('a','b','c','d') NULL,
  `days` set('mon','tue','wed','thu','fri','sat','sun','holiday','half-day','remote','night','on-call') NULL,
  `bit1` bit(1) NULL,
  `bit3` bit(3) NULL,
  `bit12` bit(12) NULL,
  `bit64` bit(64) NULL,
  PRIMARY KEY (`id`)
) ENGINE=MyISAM DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;
START TRANSACTION;
INSERT INTO `enums_bits_myisam` (`id`,`label`,`size`,`color`,`flags`,`days`,`bit1`,`bit3`,`bit12`,`bit64`) VALUES (1,'first','XS','rot','a','mon',b'0',b'000',b'000000000000',b'0000000000000000000000000000000000000000000000000000000000000000'),(2,'last','XL','schwarz/weiß','a,b,c,d','mon,tue,wed,thu,fri,sat,sun,holiday,half-day,remote,night,on-call',b'1',b'111',b'111111111111',b'1111111111111111111111111111111111111111111111111111111111111111'),(3,'mixed','M','grün','b,d','sat,sun,on-call',b'1',b'101',b'100000000001',b'0000000100100011010001010110011110001001101010111100110111101111'),(4,'empty sets','S','blau','','',b'0',b'010',b'011111111110',b'0000000000000000000000000000000000000000000000000000000000000001'),(5,'nulls',NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL),(6,'top bit','L','grün','c','holiday',b'1',b'100',b'100000000000',b'1000000000000000000000000000000000000000000000000000000000000000'),(7,'by number','M','schwarz/weiß','a,b,c,d','mon,tue,wed,thu,fri,sat,sun,holiday,half-day,remote,night,on-call',b'1',b'110',b'100000000000',b'0111111111111111111111111111111111111111111111111111111111111111'),(8,'invalid enum','','','a','mon',b'1',b'001',b'000000000001',b'0000000000000000000000000000000000000000000000000000000000000001');
COMMIT;
SET SESSION sql_mode = @ROWMENDER_SQL_MODE, SESSION time_zone = @ROWMENDER_TIME_ZONE, SESSION foreign_key_checks = @ROWMENDER_FOREIGN_KEY_CHECKS;
)sql");
  const std::string prices = ReadText(out + "/legacy/price-list.sql");
  EXPECT_NE(prices.find("CREATE DATABASE IF NOT EXISTS `legacy` CHARACTER SET latin1 COLLATE "
                        "latin1_swedish_ci;\nUSE `legacy`;\nCREATE TABLE IF NOT EXISTS "
                        "`price-list` ("),
            std::string::npos);
  // The deleted rows follow the committed live rows, in a table without keys.
  const auto commit = prices.find("COMMIT;\nCREATE TABLE IF NOT EXISTS `price-list__deleted`");
  ASSERT_NE(commit, std::string::npos);
  EXPECT_EQ(prices.find("PRIMARY KEY", commit), std::string::npos);
}

TEST(CliSave, TriggersComeInTheirScriptFormAfterTheTable) {
  testing::ScratchFolder scratch;
  const std::string out = scratch.Path().string();
  const auto result =
      RunCli({"save", testing::SampleDataFolder(), "--script", out, "--tables", "shop.orders"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.err.find("Triggers of `shop`.`orders` saved.\n"), std::string::npos);
  EXPECT_EQ(ReadText(out + "/shop/orders.trigger.sql"), R"sql(-- Rowmender v21.0 recovery script
-- triggers of table `shop`.`orders`
SET NAMES utf8mb4;
USE `shop`;
DELIMITER $$
CREATE TRIGGER orders_currency_upper BEFORE INSERT ON orders FOR EACH ROW SET NEW.currency = UPPER(NEW.currency)
$$
DELIMITER ;
DELIMITER $$
CREATE TRIGGER orders_status_history AFTER UPDATE ON orders FOR EACH ROW
BEGIN
  -- keep a trail of every status change
  IF NOT (OLD.status <=> NEW.status) THEN
    INSERT INTO order_history (order_id, old_status, new_status, note)
    VALUES (NEW.id, OLD.status, NEW.status,
            CONCAT('status changed from ''', OLD.status, ''' to ''', NEW.status, ''''));
  END IF;
END
$$
DELIMITER ;
)sql");
}

TEST(CliSave, ReportsProgressOfLongTablesOnStandardError) {
  testing::ScratchFolder scratch;
  const auto result = RunCli({"save", testing::SampleDataFolder(), "--script",
                              scratch.Path().string(), "--tables", "legacy.kunden"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err.rfind("rowmender-cli: saving `legacy`.`kunden`: 2000 rows read (1 of 1)\n"
                             "rowmender-cli: saving `legacy`.`kunden`: 2593 rows read (1 of 1)\n"
                             "`legacy`.`kunden`: ",
                             0),
            0u)
      << result.err;
}

TEST(CliSave, RefusesWhatItMustNotDo) {
  testing::ScratchFolder scratch;
  const std::string data = testing::SampleDataFolder();
  const std::string out = scratch.Path().string();
  const struct {
    std::vector<std::string> args;
    int status;
    const char* message;
  } cases[] = {
      {{"save", data}, 2, "give either --script OUTDIR or --server HOST"},
      {{"save", data, "--script", out, "--server", "h", "--port", "1", "--user", "u"},
       2,
       "give either --script OUTDIR or --server HOST"},
      {{"save", data, "--server", "h", "--user", "u"}, 2, "--server needs --port and --user"},
      {{"save", data, "--script", out, "--user", "u"}, 2, "--port and --user belong to --server"},
      {{"save", data, "--server", "h", "--port", "1", "--user", "u", "--password", "pw"},
       2,
       "the password is read from ROWMENDER_PASSWORD, never from the command line"},
      {{"save", data, "--script", out, "--password=pw"},
       2,
       "the password is read from ROWMENDER_PASSWORD, never from the command line"},
      {{"save", data, "--script", data + "/rescue"},
       1,
       "the script folder lies in the data folder, which is never written"},
      {{"save", data, "--script", out, "--tables", "shop.nothere"},
       1,
       "no such table or view: shop.nothere"},
      {{"save", out + "/nowhere", "--script", out}, 1, "data folder not found"},
      {{"save", data, "--server", "h", "--port", "1", "--user", "u", "--overwrite"},
       2,
       "--overwrite belongs to --script"},
  };
  for (const auto& c : cases) {
    const auto result = RunCli(c.args);
    EXPECT_EQ(result.status, c.status) << c.message;
    EXPECT_EQ(result.out, "") << c.message;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("pw"), std::string::npos) << result.err;
  }
  EXPECT_FALSE(fs::exists(data + "/rescue"));
}

// A folder with an earlier save is refused without --overwrite; with it,
// the earlier save's scripts that the new one does not write are removed,
// and nothing else in the folder.
TEST(CliSave, AnEarlierSaveIsReplacedOnlyWithOverwrite) {
  testing::ScratchFolder scratch;
  const std::string data = testing::SampleDataFolder();
  const std::string out = scratch.Path().string() + "/rescue";
  const auto first = RunCli({"save", data, "--script", out, "--tables",
                             "legacy.price-list,typezoo.enums_bits_myisam,shop.orders"});
  ASSERT_EQ(first.status, 0) << first.err;
  ASSERT_TRUE(fs::exists(out + "/shop/orders.trigger.sql"));
  // What the user keeps in the folder, and a restore.sql line that leads
  // out of it: none of it is the save's to remove.
  testing::ScratchFolder other;
  const std::string outside = other.Write("outside.sql", "-- Rowmender v21.0 recovery script\n");
  const std::string mine = "-- my own notes\n";
  scratch.Write("rescue/notes.txt", mine);
  scratch.Write("rescue/legacy/mine.sql", mine);
  // A database folder that is a link to another place.
  const std::string linked = other.Write("linked/x.sql", "-- Rowmender v21.0 recovery script\n");
  fs::create_directory_symlink(other.Path() / "linked", out + "/linked");
  std::string restore = ReadText(out + "/restore.sql");
  restore += "SOURCE legacy/mine.sql\nSOURCE linked/x.sql\nSOURCE ../../" +
             fs::path(other.Path()).filename().string() + "/outside.sql\nSOURCE " + outside + "\n";
  scratch.Write("rescue/restore.sql", restore);

  // The same save again: refused, nothing written.
  const auto refused = RunCli({"save", data, "--script", out, "--tables", "legacy.price-list"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.out, "");
  EXPECT_EQ(refused.err, "rowmender-cli: " + out +
                             " holds an earlier save (restore.sql, recovery-report.txt and "
                             "legacy/price-list.sql); give --overwrite to replace it, or choose "
                             "another folder\n");
  EXPECT_EQ(ReadText(out + "/restore.sql"), restore);

  const auto replaced =
      RunCli({"save", data, "--script", out, "--tables", "legacy.price-list", "--overwrite"});
  EXPECT_EQ(replaced.status, 0) << replaced.err;
  EXPECT_NE(replaced.err.find("rowmender-cli: removed typezoo/enums_bits_myisam.sql of the "
                              "earlier save (this save does not write it)\n"),
            std::string::npos)
      << replaced.err;
  EXPECT_EQ(ReadText(out + "/restore.sql").substr(ReadText(out + "/restore.sql").find("SOURCE")),
            "SOURCE legacy/price-list.sql\n");
  for (const char* gone :
       {"typezoo/enums_bits_myisam.sql", "shop/orders.sql", "shop/orders.trigger.sql"}) {
    EXPECT_FALSE(fs::exists(out + "/" + gone)) << gone;
  }
  EXPECT_TRUE(fs::exists(out + "/legacy/price-list.sql"));
  EXPECT_EQ(ReadText(out + "/notes.txt"), mine);
  EXPECT_EQ(ReadText(out + "/legacy/mine.sql"), mine);
  EXPECT_TRUE(fs::exists(outside));
  EXPECT_TRUE(fs::exists(linked));
  // A save reads long values itself: it leaves no blobdata folder.
  EXPECT_FALSE(fs::exists(out + "/blobdata"));
}

}  // namespace
}  // namespace rowmender
