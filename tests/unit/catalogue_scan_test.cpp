#include <gtest/gtest.h>

#include <filesystem>

#include "app/logic/headless_ui.h"
#include "base/paths.h"
#include "catalogue/catalogue_lists.h"
#include "catalogue/data_folder_scan.h"
#include "catalogue/table_locator.h"
#include "support/test_paths.h"

namespace rowmender {
namespace {

using testing::ScratchFolder;

const std::vector<std::uint8_t> kTableHeader = {0xFE, 0x01, 0x0A, 0x09, 0, 0, 0, 0, 0, 0};
const std::string kViewText = "TYPE=VIEW\nquery=select 1\n";

TEST(CatalogueScan, ClassifiesDefinitionFilesByTheirFirstBytes) {
  const struct {
    std::vector<std::uint8_t> bytes;
    DefinitionFileKind kind;
  } cases[] = {
      {kTableHeader, DefinitionFileKind::kTable},
      {{0xFE, 0x01}, DefinitionFileKind::kTable},
      {{0xFE, 0x02, 0x0A}, DefinitionFileKind::kOther},
      {{0xFE}, DefinitionFileKind::kOther},
      {{'T', 'Y', 'P', 'E', '=', 'V', 'I', 'E', 'W'}, DefinitionFileKind::kView},
      {{'T', 'Y', 'P', 'E', '=', 'V', 'I', 'E'}, DefinitionFileKind::kOther},
      {{'T', 'Y', 'P', 'E', '=', 'T', 'R', 'I', 'G'}, DefinitionFileKind::kOther},
      {{}, DefinitionFileKind::kOther},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ClassifyDefinitionFile(c.bytes), c.kind);
}

TEST(CatalogueScan, ExtensionsAreComparedWithoutCase) {
  EXPECT_EQ(LowerCaseExtension("T1.FRM"), "frm");
  EXPECT_EQ(LowerCaseExtension("orders.TRG"), "trg");
  EXPECT_EQ(LowerCaseExtension("a.b.Frm"), "frm");
  EXPECT_EQ(LowerCaseExtension("noext"), "");
}

TEST(CatalogueScan, DatabaseFoldersInNameOrderFilesOfTheDataFolderIgnored) {
  ScratchFolder scratch;
  for (const char* db : {"c", "a", "b"}) {
    std::filesystem::create_directories(scratch.Path() / db);
  }
  scratch.Write("loose.frm", kTableHeader);
  const std::string data = scratch.Path().string() + "/";
  EXPECT_EQ(FindDatabaseFolders(data),
            (std::vector<std::string>{data + "a", data + "b", data + "c"}));
  EXPECT_TRUE(FindDatabaseFolders(data + "missing/").empty());
}

TEST(CatalogueScan, DatabaseFolderGivesTablesViewsAndTriggersInFileOrder) {
  ScratchFolder scratch;
  // In name order: a trigger file first, then tables, then a view.
  scratch.Write("db/a_first.TRG", "TYPE=TRIGGERS\n");
  scratch.Write("db/b_table.frm", kTableHeader);
  scratch.Write("db/T1.FRM", kTableHeader);
  scratch.Write("db/c_table.frm", kTableHeader);
  for (const char* table : {"b_table", "T1", "c_table"})
    scratch.Write("db/" + std::string(table) + ".MYD", "rows");
  scratch.Write("db/d_text.frm", "not a definition");
  scratch.Write("db/e_old.frm", std::vector<std::uint8_t>{0xFE, 0x02});
  scratch.Write("db/v.frm", kViewText);
  scratch.Write("db/x.MYD", "data");
  std::filesystem::create_directories(scratch.Path() / "db" / "sub.frm");
  const std::string folder = (scratch.Path() / "db").string();

  HeadlessUi ui;
  CatalogueLists lists;
  lists.databaseFolders = {folder};
  const TreeNode database = ui.TreeInsert("db", kImageFolder, kItemContainer, kNoNode);
  const TreeNode tables = ui.TreeInsert(kTablesLabel, kImageFolder, kItemContainer, database);
  ScanDatabaseFolder(ui, lists, database, folder, tables, 0);

  // "T1.FRM" sorts before lower-case names; the name keeps its case. Files
  // that are no definitions are left out; a folder in the place of a
  // definition file is a table whose definition cannot be read, and so is
  // a data file without a definition.
  ASSERT_EQ(lists.tables.size(), 5u);
  EXPECT_EQ(lists.tables[0].name, "T1");
  EXPECT_EQ(lists.tables[1].name, "b_table");
  EXPECT_EQ(lists.tables[2].name, "c_table");
  EXPECT_EQ(lists.tables[3].name, "sub");
  EXPECT_EQ(lists.tables[4].name, "x");
  EXPECT_EQ(lists.problems,
            (std::vector<std::string>{
                "the definition file " + folder + "/sub.frm is a folder, not a file",
                "the table x has no definition file (.frm) and no CREATE TABLE statement given "
                "defines it (--definition FILE)"}));
  EXPECT_EQ(lists.views, (std::vector<std::string>{folder + "/v.frm"}));
  ASSERT_EQ(lists.triggers.size(), 1u);
  EXPECT_EQ(lists.triggers[0].fileName, "a_first.TRG");
  EXPECT_EQ(lists.triggers[0].folderPath, folder);
  EXPECT_EQ(lists.TriggerPath(0), folder + "/a_first.TRG");
  EXPECT_EQ(lists.TableBasePath(2), folder + "/c_table");
  EXPECT_EQ(lists.TableBasePath(5), "");

  const auto& children = ui.tree.Children(database);
  ASSERT_EQ(children.size(), 3u);
  EXPECT_EQ(ui.tree.GetItemText(children[0]), "Tables");
  EXPECT_EQ(ui.tree.GetItemText(children[1]), "Trigger");
  EXPECT_EQ(ui.tree.GetItemData(children[1]), kItemTriggerGroup);
  EXPECT_EQ(ui.tree.GetItemImage(children[1]), kImageTriggers);
  EXPECT_EQ(ui.tree.GetItemText(children[2]), "Views");
  EXPECT_EQ(ui.tree.GetItemData(children[2]), kItemViewsGroup);
  EXPECT_EQ(ui.tree.GetItemImage(children[2]), kImageViews);

  const auto& tableNodes = ui.tree.Children(tables);
  ASSERT_EQ(tableNodes.size(), 5u);
  // The third table has item data 3; its "Keys" node -2 and image 2.
  EXPECT_EQ(ui.tree.GetItemText(tableNodes[2]), "c_table");
  EXPECT_EQ(ui.tree.GetItemData(tableNodes[2]), 3);
  const TreeNode keys = ui.tree.Children(tableNodes[2]).at(0);
  EXPECT_EQ(ui.tree.GetItemText(keys), "Keys");
  EXPECT_EQ(ui.tree.GetItemData(keys), kItemKeys);
  EXPECT_EQ(ui.tree.GetItemImage(keys), kImageKeys);

  const TreeNode trigger = ui.tree.Children(children[1]).at(0);
  EXPECT_EQ(ui.tree.GetItemText(trigger), "a_first");
  EXPECT_EQ(ui.tree.GetItemData(trigger), 1);
  const TreeNode view = ui.tree.Children(children[2]).at(0);
  EXPECT_EQ(ui.tree.GetItemText(view), "v");
  EXPECT_EQ(ui.tree.GetItemData(view), 1);
}

TEST(CatalogueScan, WhatCannotBeReadIsListedWithItsProblem) {
  ScratchFolder scratch;
  const std::string folder = (scratch.Path() / "db").string();
  // Trigger name files: one for a table with its trigger file, two for a
  // table whose trigger file is gone, one naming a path instead of a table.
  scratch.Write("db/kept.TRG", "TYPE=TRIGGERS\ntriggers='CREATE TRIGGER k'\n");
  scratch.Write("db/k.TRN", "TYPE=TRIGGERNAME\ntrigger_table=kept\n");
  scratch.Write("db/one.TRN", "TYPE=TRIGGERNAME\ntrigger_table=lost\n");
  scratch.Write("db/two.TRN", "TYPE=TRIGGERNAME\ntrigger_table=lost\n");
  scratch.Write("db/far.TRN", "TYPE=TRIGGERNAME\ntrigger_table=../../etc/passwd\n");
  scratch.Write("db/empty.TRG", "");
  scratch.Write("db/blank.frm", "");
  std::filesystem::create_symlink(scratch.Path() / "nowhere.frm", scratch.Path() / "db/gone.frm");

  std::vector<std::string> problems;
  const std::vector<CatalogueFile> files = ListCatalogueFiles(folder, problems);
  const auto problemOf = [&](const std::string& name) -> std::string {
    for (const CatalogueFile& file : files) {
      if (file.fileName == name) return file.problem;
    }
    return "not listed";
  };
  EXPECT_EQ(problemOf("kept.TRG"), "");
  EXPECT_EQ(problemOf("lost.TRG"), "the trigger file " + folder +
                                       "/lost.TRG is missing: the triggers one, two of table lost "
                                       "are named by their .TRN files but cannot be read");
  EXPECT_EQ(problemOf("empty.TRG"), "the trigger file " + folder + "/empty.TRG is empty");
  EXPECT_EQ(problemOf("blank.frm"), "the definition file " + folder + "/blank.frm is empty");
  EXPECT_EQ(problemOf("gone.frm"), "the definition file " + folder + "/gone.frm is a link to " +
                                       (scratch.Path() / "nowhere.frm").string() +
                                       ", which is missing");
  // The name read from the file is never made into a path as it stands:
  // its encoded form stays inside the folder.
  EXPECT_EQ(problemOf("@002e@002e@002f@002e@002e@002fetc@002fpasswd.TRG"),
            "the trigger file " + folder +
                "/@002e@002e@002f@002e@002e@002fetc@002fpasswd.TRG is missing: the triggers far of "
                "table ../../etc/passwd are named by their .TRN files but cannot be read");
  EXPECT_TRUE(problems.empty());
  // In name order, the lost trigger file among the others.
  std::vector<std::string> names;
  for (const CatalogueFile& file : files)
    names.push_back(file.fileName);
  EXPECT_EQ(names, (std::vector<std::string>{"@002e@002e@002f@002e@002e@002fetc@002fpasswd.TRG",
                                             "blank.frm", "empty.TRG", "gone.frm", "kept.TRG",
                                             "lost.TRG"}));

  // A folder that cannot be listed, and a link in the data folder whose
  // folder is gone.
  std::vector<std::string> missing;
  EXPECT_TRUE(ListCatalogueFiles(folder + "/none", missing).empty());
  EXPECT_EQ(missing,
            (std::vector<std::string>{"the database folder " + folder + "/none is missing"}));
  std::filesystem::create_symlink(scratch.Path() / "disk2", scratch.Path() / "linked");
  std::vector<std::string> links;
  EXPECT_EQ(FindDatabaseFolders(scratch.Path().string(), &links),
            (std::vector<std::string>{scratch.Path().string() + "/db"}));
  EXPECT_EQ(links,
            (std::vector<std::string>{scratch.Path().string() + "/linked is a link to " +
                                      (scratch.Path() / "disk2").string() + ", which is missing"}));
}

TEST(CatalogueScan, NamesThatAreNoFolderEntriesAreRefused) {
  for (const std::string& name :
       std::vector<std::string>{"shop", "my@002dtable", "a.b", "...", "-x", " "})
    EXPECT_TRUE(IsFolderEntryName(name)) << name;
  for (const std::string& name : std::vector<std::string>{"", ".", "..", "../shop", "a/b", "/etc",
                                                          "a\\b", std::string("a\0b", 3)})
    EXPECT_FALSE(IsFolderEntryName(name)) << name;
  // The lookups refuse them before any path is made.
  ScratchFolder scratch;
  std::filesystem::create_directories(scratch.Path() / "data" / "db");
  scratch.Write("outside/t.frm", kTableHeader);
  const std::string data = (scratch.Path() / "data").string();
  EXPECT_TRUE(LocateDatabase(data, "db").location);
  for (const TableLookup& lookup :
       {LocateDatabase(data, "../outside"), LocateTable(data, "db", "../../outside/t"),
        LocateTable(data, "..", "outside")}) {
    EXPECT_FALSE(lookup.location);
    EXPECT_TRUE(lookup.nameRefused) << lookup.error;
  }
  EXPECT_EQ(FindFileWithExtension(data + "/db", "../../outside/t", "frm"), "");
}

TEST(CatalogueScan, NodeKindsFollowItemDataAndTheParentsItemData) {
  EXPECT_EQ(ClassifyNode(kItemKeys, kItemContainer), NodeKind::kKeys);
  EXPECT_EQ(ClassifyNode(kItemContainer, std::nullopt), NodeKind::kContainer);
  EXPECT_EQ(ClassifyNode(kItemViewsGroup, kItemContainer), NodeKind::kContainer);
  EXPECT_EQ(ClassifyNode(0, kItemContainer), NodeKind::kContainer);
  EXPECT_EQ(ClassifyNode(3, kItemContainer), NodeKind::kTable);
  EXPECT_EQ(ClassifyNode(3, std::nullopt), NodeKind::kTable);
  EXPECT_EQ(ClassifyNode(2, kItemViewsGroup), NodeKind::kView);
  EXPECT_EQ(ClassifyNode(1, kItemTriggerGroup), NodeKind::kTrigger);
}

}  // namespace
}  // namespace rowmender
