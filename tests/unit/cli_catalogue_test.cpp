// rowmender-cli catalogue, view, triggers and csv.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/logic/headless_session.h"
#include "export/statements.h"
#include "support/test_paths.h"

namespace rowmender::testing {
namespace {

const std::vector<std::uint8_t> kTableHeader = {0xFE, 0x01, 0x0A, 0x09, 0, 0, 0, 0, 0, 0};

TEST(CliCatalogue, PrintsTheScannedTreeOneNodeALine) {
  ScratchFolder scratch;
  scratch.Write("data/db1/b.frm", kTableHeader);
  scratch.Write("data/db1/b.MYD", "x");
  scratch.Write("data/db1/a.TRG", "TYPE=TRIGGERS\n");
  scratch.Write("data/db1/a.frm", kTableHeader);
  scratch.Write("data/db1/a.MYD", "x");
  scratch.Write("data/db1/v\tx.frm", "TYPE=VIEW\nquery=select 1\n");
  scratch.Write("data/db0/readme.txt", "x");
  scratch.Write("data/ibdata1", "");
  const std::string data = (scratch.Path() / "data").string();

  const CliResult result = RunCli({"catalogue", data});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out,
            "MYSQL database\t-1\t0\n"
            "  " +
                data +
                "/\t-1\t0\n"
                "    db0\t-1\t0\n"
                "      Tables\t-1\t0\n"
                "    db1\t-1\t0\n"
                "      Tables\t-1\t0\n"
                "        a\t1\t0\n"
                "          Keys\t-2\t2\n"
                "        b\t2\t0\n"
                "          Keys\t-2\t2\n"
                "      Trigger\t-3\t21\n"
                "        a\t1\t0\n"
                "      Views\t-4\t15\n"
                "        v\\tx\t1\t0\n");
}

TEST(CliCatalogue, IsTheTreeTheWindowShowsForTheSakilaFiles) {
  const CliResult result = RunCli({"catalogue", SakilaFolder()});
  // Two tables have lost their tablespaces, and there is no ibdata1: they
  // are in the tree, and standard error says what is missing.
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
  std::string expected = "MYSQL database\t-1\t0\n  " + SakilaFolder() +
                         "/\t-1\t0\n    sakila\t-1\t0\n      Tables\t-1\t0\n";
  int position = 0;
  for (const char* table :
       {"actor", "address", "category", "city", "country", "customer", "film", "film_actor",
        "film_category", "inventory", "language", "payment", "rental", "staff", "store"}) {
    expected += "        " + std::string(table) + "\t" + std::to_string(++position) +
                "\t0\n          Keys\t-2\t2\n";
  }
  EXPECT_EQ(result.out, expected);

  // The in-process session builds the same tree.
  CTarnSalvorProjApp app;
  HeadlessSession session(app);
  std::string error;
  ASSERT_TRUE(session.Open(SakilaFolder(), error));
  EXPECT_EQ(session.ui.tree.GetCount(), 4u + 2 * 15);
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
  EXPECT_EQ(past.status, 1);
  EXPECT_EQ(past.err, "rowmender-cli: page 4 is past the end of the table\n");
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
