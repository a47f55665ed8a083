// The catalogue tree's selection handler: structure grid, statements of
// views and triggers, container nodes, and the first page of a table.
#include "app_scenario_support.h"
#include "export/statements.h"
#include "preview/structure_grid.h"
#include "support/frm_builder.h"

namespace rowmender::testing {
namespace {

std::string SampleFolder() {
  return SampleDataFolder() + "/";
}

// The header line of a truth rows file, split at tabs.
std::vector<std::string> TruthHeader(const std::string& database, const std::string& table) {
  const std::string rows =
      ReadText(SampleTruthFolder() + "/" + database + "/" + table + ".rows.tsv");
  std::vector<std::string> names;
  std::string name;
  for (char c : rows.substr(0, rows.find('\n'))) {
    if (c == '\t') {
      names.push_back(name);
      name.clear();
    } else {
      name.push_back(c);
    }
  }
  names.push_back(name);
  return names;
}

using AppSelection = AppScenario;

TEST_F(AppSelection, CreateTableShowsTheSavedStatementAndTheOtherKeys) {
  OpenAndScan(SampleFolder());
  // Nothing selected but a folder: said, nothing shown.
  ui.ClickLabel(frame, Node({"legacy", "Tables"}));
  EXPECT_EQ(frame.OnShowCreateTable(), 0);
  EXPECT_EQ(ui.messages.back(), kNoTableForStatementMessage);

  // From the table's keys node as from the table itself: the statement the
  // server printed, as a save writes it, and the full-text key it leaves
  // to the DBA as a comment.
  const std::string expected =
      "CREATE TABLE IF NOT EXISTS `artikel` (\n"
      "  `id` smallint(5) unsigned NOT NULL AUTO_INCREMENT,\n"
      "  `titel` varchar(200) NOT NULL,\n"
      "  `text` text NOT NULL,\n"
      "  PRIMARY KEY (`id`)\n"
      ") ENGINE=MyISAM DEFAULT CHARSET=latin1 COLLATE=latin1_swedish_ci;\n"
      "-- The other keys of the table, which a save leaves to the DBA:\n"
      "--   FULLTEXT KEY `volltext` (`titel`,`text`)\n";
  for (const std::vector<std::string>& path :
       {std::vector<std::string>{"legacy", "Tables", "artikel", "Keys"},
        std::vector<std::string>{"legacy", "Tables", "artikel"}}) {
    ui.ClickLabel(frame, Node(path));
    ui.textBox.clear();
    ASSERT_EQ(frame.OnShowCreateTable(), 1);
    EXPECT_EQ(ui.textBox, expected);
    EXPECT_TRUE(ui.textBoxVisible);
    EXPECT_FALSE(ui.gridVisible);
    EXPECT_EQ(ui.caption, "artikel - CREATE TABLE");
    // The rows are gone from view, and so are their range and paging.
    EXPECT_EQ(ui.rowStatus, "");
    EXPECT_FALSE(ui.nextButton.enabled);
    EXPECT_FALSE(ui.previousButton.enabled);
  }
}

TEST_F(AppSelection, AKeysNodeShowsTheStructureGridWithItsCaption) {
  OpenAndScan(SampleFolder());
  const TreeNode keys = Node({"legacy", "Tables", "artikel", "Keys"});
  const std::size_t calls = ui.CallCount();
  EXPECT_EQ(ui.ClickLabel(frame, keys), 1);

  EXPECT_EQ(ui.caption, "Keys[3]");
  EXPECT_EQ(ui.gridColumns, (std::vector<std::string>{"Column Name", "Data Type", "size",
                                                      "Allow Nulls", "Key Name"}));
  ASSERT_EQ(ui.gridRows.size(), 3u);
  EXPECT_EQ(ui.gridRows[0].values,
            (std::vector<std::string>{"id", "smallint(5) unsigned", "5", "False", "Primary Key"}));
  EXPECT_EQ(ui.gridRows[1].values,
            (std::vector<std::string>{"titel", "varchar(200)", "200", "False",
                                      "Full-text Key volltext (part 1 of 2)"}));
  EXPECT_EQ(ui.gridRows[2].values[0], "text");
  EXPECT_TRUE(ui.gridVisible);
  EXPECT_FALSE(ui.textBoxVisible);
  EXPECT_TRUE(ui.nextButton.visible && ui.nextButton.enabled);
  EXPECT_TRUE(ui.previousButton.visible && !ui.previousButton.enabled);
  EXPECT_TRUE(ui.treeEnabled);
  EXPECT_EQ(frame.selectedNode, keys);
  EXPECT_EQ(std::vector<std::string>(ui.outputLines.end() - 2, ui.outputLines.end()),
            (std::vector<std::string>{"Please wait while Keys folder is scanning.",
                                      "Scanning process completed."}));

  // The handler's course: guard, caption, the line, the panel, the dimmed
  // tree, the paging reset, then the branch and the finish.
  const auto course = ui.CallsSince(calls);
  EXPECT_EQ(
      std::vector<std::string>(course.begin(), course.begin() + 16),
      (std::vector<std::string>{
          "ClickLabel(Keys)", "RunningStateChanged(true)", "TextBoxSet()", "SetCaption(Keys)",
          "OutputInsertLine(3, Please wait while Keys folder is scanning.)", "ShowProgress(true)",
          "GridShow(true)", "TextBoxShow(false)", "TreeSetEnabled(false)",
          "PageButtonShow(Previous, true)", "PageButtonShow(Next, true)",
          "PageButtonEnable(Next, true)", "PageButtonEnable(Previous, false)", "GridClear",
          "TextBoxSet()", "GridSetColumns(5)"}));
  EXPECT_EQ(
      std::vector<std::string>(course.end() - 6, course.end()),
      (std::vector<std::string>{"GridAppendRows(3)", "SetCaption(Keys[3])", "ShowProgress(false)",
                                "RunningStateChanged(false)", "TreeSetEnabled(true)",
                                "OutputInsertLine(4, Scanning process completed.)"}));

  // "Next Records" after a structure only disables itself.
  const std::size_t before = ui.CallCount();
  EXPECT_EQ(frame.OnNextRecords(), 1);
  const auto next = ui.CallsSince(before);
  EXPECT_NE(std::find(next.begin(), next.end(), "PageButtonEnable(Next, false)"), next.end());
  EXPECT_EQ(ui.caption, "Keys[3]");
  EXPECT_EQ(ui.gridRows.size(), 3u);
}

TEST_F(AppSelection, StructureSizesCaptionsAndKeyCellsOfHandMadeTables) {
  // id INT NOT NULL PRIMARY KEY, name VARCHAR(30) NULL in a three-byte
  // character set, code CHAR(4) NOT NULL UNIQUE; and a one-column table.
  FrmSpec three;
  three.engine = 9;
  three.columns = {{.name = "id", .type = 3, .length = 11, .recordOffset = 2, .packFlags = 0x0001},
                   {.name = "name",
                    .type = 15,
                    .length = 90,
                    .recordOffset = 6,
                    .packFlags = 0x8000,
                    .charset = 33},
                   {.name = "code", .type = 254, .length = 4, .recordOffset = 97}};
  three.keys = {{.name = "PRIMARY", .unique = true, .columns = {1}},
                {.name = "code", .unique = true, .columns = {3}},
                {.name = "both", .unique = true, .columns = {1, 3}}};
  FrmSpec one;
  one.engine = 9;
  one.columns = {{.name = "only", .type = 3, .length = 11, .recordOffset = 2}};
  scratch.Write("data/db/three.frm", BuildFrm(three));
  scratch.Write("data/db/one.frm", BuildFrm(one));
  OpenAndScan((scratch.Path() / "data").string());

  ui.ClickLabel(frame, Node({"db", "Tables", "three", "Keys"}));
  EXPECT_EQ(ui.caption, "Keys[3]");
  ASSERT_EQ(ui.gridRows.size(), 3u);
  EXPECT_EQ(ui.gridRows[0].values,
            (std::vector<std::string>{"id", "int(11)", "11", "False",
                                      "Primary Key; Unique Key both (part 1 of 2)"}));
  // 90 bytes of a character set of three bytes a character.
  EXPECT_EQ(ui.gridRows[1].values[2], "30");
  EXPECT_EQ(ui.gridRows[1].values[3], "True");
  EXPECT_EQ(ui.gridRows[1].values[4], "");
  EXPECT_EQ(ui.gridRows[2].values[4], "Unique Key code; Unique Key both (part 2 of 2)");

  ui.ClickLabel(frame, Node({"db", "Tables", "one", "Keys"}));
  EXPECT_EQ(ui.gridRows.size(), 1u);
  EXPECT_EQ(ui.caption, "");

  // After the structure, the table node shows the table's own columns only.
  ui.ClickLabel(frame, Node({"db", "Tables", "three"}));
  EXPECT_EQ(ui.gridColumns, (std::vector<std::string>{"id", "name", "code"}));
  EXPECT_EQ(ui.caption, "three");
  EXPECT_EQ(ui.rowStatus, "No rows");
  EXPECT_FALSE(ui.nextButton.enabled);
  EXPECT_FALSE(ui.previousButton.enabled);
}

TEST_F(AppSelection, ViewAndTriggerNodesShowTheirStatementsInTheTextBox) {
  OpenAndScan(SampleFolder());
  ui.ClickLabel(frame, Node({"shop", "Views", "v_order_overview"}));
  EXPECT_EQ(ui.textBox, BuildViewStatement(SampleFolder() + "shop/v_order_overview.frm"));
  EXPECT_NE(ui.textBox.find("'C:\\\\exports\\\\customer\\'s orders'"), std::string::npos);
  EXPECT_TRUE(ui.textBoxVisible);
  EXPECT_FALSE(ui.gridVisible);
  EXPECT_FALSE(ui.nextButton.enabled);
  EXPECT_FALSE(ui.previousButton.enabled);
  EXPECT_EQ(ui.caption, "v_order_overview");

  ui.ClickLabel(frame, Node({"shop", "Trigger", "orders"}));
  EXPECT_EQ(ui.textBox,
            BuildTriggerStatements(SampleFolder() + "shop/orders.TRG", StatementMode::kPreview));
  EXPECT_EQ(ui.textBox.substr(0, 21), "DELIMITER $$\nCREATE T");
  EXPECT_TRUE(ui.textBoxVisible);
  EXPECT_FALSE(ui.gridVisible);
  EXPECT_FALSE(ui.nextButton.enabled);

  // A selection always gets the preview forms: it clears the save flags.
  app.saveAsScriptMode = true;
  app.saveToDatabaseMode = true;
  ui.ClickLabel(frame, Node({"shop", "Trigger", "orders"}));
  EXPECT_FALSE(app.saveAsScriptMode || app.saveToDatabaseMode);
  EXPECT_EQ(ui.textBox.substr(0, 12), "DELIMITER $$");

  // Back to a table: the grid again, with the table's own columns.
  ui.ClickLabel(frame, Node({"legacy", "Tables", "artikel"}));
  EXPECT_TRUE(ui.gridVisible);
  EXPECT_FALSE(ui.textBoxVisible);
  EXPECT_EQ(ui.gridColumns, TruthHeader("legacy", "artikel"));
}

TEST_F(AppSelection, ContainerNodesEmptyTheGridAndDisableBothButtons) {
  OpenAndScan(SampleFolder());
  ui.ClickLabel(frame, Node({"legacy", "Tables", "artikel"}));
  ASSERT_FALSE(ui.gridRows.empty());
  for (const auto& labels : std::vector<std::vector<std::string>>{
           {}, {"shop"}, {"shop", "Tables"}, {"shop", "Views"}, {"shop", "Trigger"}}) {
    const TreeNode node = Node(labels);
    ASSERT_NE(node, kNoNode);
    const std::size_t lines = ui.outputLines.size();
    EXPECT_EQ(ui.ClickLabel(frame, node), 1);
    EXPECT_TRUE(ui.gridColumns.empty());
    EXPECT_TRUE(ui.gridRows.empty());
    EXPECT_FALSE(ui.nextButton.enabled);
    EXPECT_FALSE(ui.previousButton.enabled);
    EXPECT_EQ(ui.outputLines.size(), lines + 2);
    EXPECT_EQ(ui.outputLines[lines],
              "Please wait while " + ui.tree.GetItemText(node) + " folder is scanning.");
  }
  ui.ClickLabel(frame, ui.FindNode({"MYSQL database"}));
  EXPECT_EQ(ui.caption, "MYSQL database");
}

TEST_F(AppSelection, ATableShowsItsColumnsAndFirstThousandRows) {
  OpenAndScan(SampleFolder());
  ui.ClickLabel(frame, Node({"legacy", "Tables", "kunden"}));
  EXPECT_EQ(ui.caption, "kunden");
  EXPECT_EQ(ui.gridColumns, TruthHeader("legacy", "kunden"));
  EXPECT_EQ(ui.gridRows.size(), 1000u);
  EXPECT_EQ(ui.gridRows[0].values[0], "1");
  EXPECT_EQ(ui.gridRows[0].values[1], "Schmidt");
  EXPECT_TRUE(ui.nextButton.visible && ui.nextButton.enabled);
  EXPECT_TRUE(ui.previousButton.visible && !ui.previousButton.enabled);
  EXPECT_EQ(frame.rowsLoaded, 1000);
  EXPECT_EQ(frame.firstRowShown, 0);
  EXPECT_EQ(frame.lastRowShown, 1000);
}

TEST_F(AppSelection, ATableWithoutItsDataFileShowsColumnsAndNoRows) {
  OpenAndScan(SakilaFolder() + "/");
  ui.ClickLabel(frame, Node({"sakila", "Tables", "payment"}));
  EXPECT_EQ(ui.caption, "payment");
  EXPECT_EQ(ui.rowStatus, "No rows");
  EXPECT_EQ(ui.gridColumns.size(), 7u);
  EXPECT_EQ(ui.gridColumns[0], "payment_id");
  EXPECT_TRUE(ui.gridRows.empty());
  EXPECT_FALSE(ui.nextButton.enabled);
  EXPECT_FALSE(ui.previousButton.enabled);
}

}  // namespace
}  // namespace rowmender::testing
