// rowmender-cli catalogue, view, triggers and csv.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "app/logic/headless_session.h"
#include "export/statements.h"
#include "support/test_paths.h"

namespace rowmender::testing {
namespace {

namespace fs = std::filesystem;

// A data folder of real files: a MyISAM and an InnoDB table of the sample
// (the InnoDB one with its triggers), a view whose name needs escaping, and
// a database without anything in it.
struct SmallFolder {
  SmallFolder() {
    const fs::path sample = SampleDataFolder();
    fs::create_directories(data / "db0");
    fs::create_directories(data / "db1");
    for (const char* file : {"kunden.frm", "kunden.MYD", "kunden.MYI"})
      fs::copy_file(sample / "legacy" / file, data / "db1" / file);
    for (const char* file : {"orders.frm", "orders.ibd", "orders.TRG"})
      fs::copy_file(sample / "shop" / file, data / "db1" / file);
    scratch.Write("data/db1/v\"\tx.frm", "TYPE=VIEW\nquery=select 1\n");
  }
  ScratchFolder scratch;
  const fs::path data = scratch.Path() / "data";
};

TEST(CliCatalogue, ListsEveryEntryWithNamedColumnsAsTsvAndAsJson) {
  const SmallFolder folder;
  const std::string db1 = (folder.data / "db1").string();
  const CliResult tsv = RunCli({"catalogue", folder.data.string()});
  EXPECT_EQ(tsv.status, 0) << tsv.err;
  EXPECT_EQ(tsv.err, "");
  EXPECT_EQ(tsv.out,
            "kind\tdatabase\tname\tengine\tdefinition\tfile\n"
            "database\tdb0\t\t\t\t\n"
            "database\tdb1\t\t\t\t\n"
            "table\tdb1\tkunden\tMyISAM\tfrm\t" +
                db1 + "/kunden.frm\n" + "table\tdb1\torders\tInnoDB\tfrm\t" + db1 +
                "/orders.frm\n" + "triggers\tdb1\torders\t\ttriggers\t" + db1 + "/orders.TRG\n" +
                "view\tdb1\tv\"\\tx\t\tview\t" + db1 + "/v\"\\tx.frm\n");

  const CliResult json = RunCli({"catalogue", "--format", "json", folder.data.string()});
  EXPECT_EQ(json.status, 0) << json.err;
  const auto object = [](const std::string& kind, const std::string& database,
                         const std::string& name, const std::string& engine,
                         const std::string& definition, const std::string& file) {
    return "  {\"kind\": \"" + kind + "\", \"database\": \"" + database + "\", \"name\": \"" +
           name + "\", \"engine\": \"" + engine + "\", \"definition\": \"" + definition +
           "\", \"file\": \"" + file + "\"}";
  };
  EXPECT_EQ(json.out,
            "[\n" + object("database", "db0", "", "", "", "") + ",\n" +
                object("database", "db1", "", "", "", "") + ",\n" +
                object("table", "db1", "kunden", "MyISAM", "frm", db1 + "/kunden.frm") + ",\n" +
                object("table", "db1", "orders", "InnoDB", "frm", db1 + "/orders.frm") + ",\n" +
                object("triggers", "db1", "orders", "", "triggers", db1 + "/orders.TRG") + ",\n" +
                object("view", "db1", "v\\\"\\tx", "", "view", db1 + "/v\\\"\\tx.frm") + "\n]\n");
}

TEST(CliCatalogue, JsonStaysValidForNamesThatAreNotText) {
  // A byte that is no UTF-8 becomes U+FFFD; a control character an escape.
  ScratchFolder scratch;
  fs::create_directories(scratch.Path() / "bad\xFFname");
  fs::create_directories(scratch.Path() / "ctl\x01x");
  const CliResult json = RunCli({"catalogue", "--format", "json", scratch.Path().string()});
  EXPECT_EQ(json.status, 0) << json.err;
  EXPECT_EQ(json.out,
            "[\n"
            "  {\"kind\": \"database\", \"database\": \"bad\\ufffdname\", \"name\": \"\", "
            "\"engine\": \"\", \"definition\": \"\", \"file\": \"\"},\n"
            "  {\"kind\": \"database\", \"database\": \"ctl\\u0001x\", \"name\": \"\", "
            "\"engine\": \"\", \"definition\": \"\", \"file\": \"\"}\n"
            "]\n");
}

TEST(CliCatalogue, NamesTheEnginesAndWhereEveryDefinitionCameFrom) {
  // The MySQL 5.5 sakila files: two tables have lost their tablespaces,
  // and there is no ibdata1. They are listed, and standard error says
  // what is missing.
  const CliResult result = RunCli({"catalogue", SakilaFolder()});
  EXPECT_EQ(result.status, 1);
  for (const char* lost : {"payment", "rental"}) {
    EXPECT_NE(result.err.find("the tablespace (.ibd) of " + std::string(lost) + " is missing (" +
                              SakilaFolder() + "/sakila/" + lost +
                              ".ibd), and so is the system "
                              "tablespace that keeps the tables without a file of their own (" +
                              SakilaFolder() + "/ibdata1)\n"),
              std::string::npos)
        << result.err;
  }
  EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 2) << result.err;
  std::string expected =
      "kind\tdatabase\tname\tengine\tdefinition\tfile\ndatabase\tsakila\t\t\t\t\n";
  for (const char* table :
       {"actor", "address", "category", "city", "country", "customer", "film", "film_actor",
        "film_category", "inventory", "language", "payment", "rental", "staff", "store"}) {
    expected += "table\tsakila\t" + std::string(table) + "\tInnoDB\tfrm\t" + SakilaFolder() +
                "/sakila/" + table + ".frm\n";
  }
  EXPECT_EQ(result.out, expected);

  // MySQL 8's tables: the definition from each tablespace; the partitions'
  // engine of a partitioned table.
  const CliResult mysql8 = RunCli({"catalogue", Sakila8Folder()});
  EXPECT_NE(mysql8.out.find("table\tsakila\tfilm_text\tInnoDB\tsdi-tablespace\t" + Sakila8Folder() +
                            "/sakila/film_text.ibd\n"),
            std::string::npos)
      << mysql8.out;
  const CliResult parts =
      RunCli({"catalogue", std::string(ROWMENDER_BINARY_DIR) + "/partitions-datadir"});
  EXPECT_NE(parts.out.find("\tparts\tmyisam_ranged\tpartition MyISAM\tfrm\t"), std::string::npos)
      << parts.out;
}

TEST(CliCatalogue, ReportsARefusedFolderAndWrongUse) {
  const CliResult missing = RunCli({"catalogue", "/nonexistent/folder"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "");
  EXPECT_EQ(missing.err,
            "rowmender-cli: Please select valid database file path to continue the recovery "
            "process.\n");
  EXPECT_EQ(RunCli({"catalogue"}).status, 2);
}

TEST(CliStatements, ViewAndTriggersPrintThePreviewTexts) {
  const CliResult view = RunCli({"view", SampleDataFolder(), "shop", "v_order_overview"});
  ASSERT_EQ(view.status, 0) << view.err;
  EXPECT_EQ(view.out, BuildViewStatement(SampleDataFolder() + "/shop/v_order_overview.frm") + "\n");

  const CliResult triggers = RunCli({"triggers", SampleDataFolder(), "shop", "orders"});
  ASSERT_EQ(triggers.status, 0) << triggers.err;
  EXPECT_EQ(triggers.out, BuildTriggerStatements(SampleDataFolder() + "/shop/orders.TRG",
                                                 StatementMode::kPreview));
  EXPECT_EQ(triggers.out.substr(0, 73),
            "DELIMITER $$\nCREATE TRIGGER orders_currency_upper BEFORE INSERT ON orders");

  const CliResult notAView = RunCli({"view", SampleDataFolder(), "shop", "orders"});
  EXPECT_EQ(notAView.status, 1);
  EXPECT_NE(notAView.err.find("not a view definition"), std::string::npos);
  const CliResult noTriggers = RunCli({"triggers", SampleDataFolder(), "shop", "customers"});
  EXPECT_EQ(noTriggers.status, 1);
  EXPECT_EQ(noTriggers.err, "rowmender-cli: no trigger file for shop.customers\n");
  EXPECT_EQ(RunCli({"view", SampleDataFolder(), "shop"}).status, 2);
}

// What the window's CSV command writes for page `page` of a table.
std::string WindowCsv(const std::string& database, const std::string& table, int page,
                      const std::string& path) {
  CTarnSalvorProjApp app;
  HeadlessSession session(app);
  std::string error;
  EXPECT_TRUE(session.Open(SampleDataFolder(), error)) << error;
  session.Select(session.FindBelowDataFolder({database, "Tables", table}));
  for (int p = 1; p < page; ++p)
    session.frame.OnNextRecords();
  session.ui.saveFileAnswer = path;
  session.frame.OnExportCsv();
  return ReadText(path);
}

TEST(CliCsv, WritesExactlyTheFileOfTheCsvCommandForThePage) {
  ScratchFolder scratch;
  for (int page : {1, 3}) {
    const std::string cliPath = (scratch.Path() / ("cli" + std::to_string(page) + ".csv")).string();
    std::vector<std::string> args = {"csv", SampleDataFolder(), "legacy", "kunden"};
    if (page != 1) args.insert(args.end(), {"--page", std::to_string(page)});
    args.push_back(cliPath);
    const CliResult result = RunCli(args);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "");
    const std::string expected =
        WindowCsv("legacy", "kunden", page,
                  (scratch.Path() / ("gui" + std::to_string(page) + ".csv")).string());
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(ReadText(cliPath), expected) << page;
  }
  // "-" is standard output: the same bytes, and no file named "-".
  const CliResult piped =
      RunCli({"csv", SampleDataFolder(), "legacy", "kunden", "--page", "3", "-"});
  ASSERT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(piped.err, "");
  EXPECT_EQ(piped.out, ReadText((scratch.Path() / "cli3.csv").string()));
  EXPECT_FALSE(fs::exists("-"));
  // SQL names work as well as the names on disk.
  const std::string named = (scratch.Path() / "named.csv").string();
  EXPECT_EQ(RunCli({"csv", SampleDataFolder(), "legacy", "price-list", named}).status, 0);
  EXPECT_EQ(ReadText(named).substr(0, 8), std::string("a\0r\0t\0n\0", 8));
}

TEST(CliCsv, RefusesPagesPastTheEndMissingTablesAndWrongUse) {
  ScratchFolder scratch;
  const std::string out = (scratch.Path() / "x.csv").string();
  const CliResult past =
      RunCli({"csv", SampleDataFolder(), "legacy", "kunden", "--page", "4", out});
  EXPECT_EQ(past.status, 2);
  EXPECT_EQ(past.err.rfind("rowmender-cli: there is no page 4: legacy.kunden has 3 pages (2593 "
                           "rows, 1000 a page)\nusage: rowmender-cli csv ",
                           0),
            0u)
      << past.err;
  EXPECT_FALSE(fs::exists(out));
  const CliResult missing = RunCli({"csv", SampleDataFolder(), "legacy", "nope", out});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "rowmender-cli: table not found: legacy.nope\n");
  const CliResult unwritable = RunCli(
      {"csv", SampleDataFolder(), "legacy", "artikel", (scratch.Path() / "no" / "x.csv").string()});
  EXPECT_EQ(unwritable.status, 1);
  EXPECT_NE(unwritable.err.find("File cannot be created."), std::string::npos);
  EXPECT_EQ(RunCli({"csv", SampleDataFolder(), "legacy", "kunden", "--page", "0", out}).status, 2);
  EXPECT_EQ(RunCli({"csv", SampleDataFolder(), "legacy", "kunden"}).status, 2);
}

}  // namespace
}  // namespace rowmender::testing
