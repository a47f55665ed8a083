#include <gtest/gtest.h>

#include <filesystem>

#include "app/logic/headless_ui.h"
#include "catalogue/catalogue_lists.h"
#include "catalogue/data_folder_scan.h"
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

  // "T1.FRM" sorts before lower-case names; the name keeps its case.
  ASSERT_EQ(lists.tables.size(), 3u);
  EXPECT_EQ(lists.tables[0].name, "T1");
  EXPECT_EQ(lists.tables[1].name, "b_table");
  EXPECT_EQ(lists.tables[2].name, "c_table");
  EXPECT_EQ(lists.views, (std::vector<std::string>{folder + "/v.frm"}));
  ASSERT_EQ(lists.triggers.size(), 1u);
  EXPECT_EQ(lists.triggers[0].fileName, "a_first.TRG");
  EXPECT_EQ(lists.triggers[0].folderPath, folder);
  EXPECT_EQ(lists.TriggerPath(0), folder + "/a_first.TRG");
  EXPECT_EQ(lists.TableBasePath(2), folder + "/c_table");
  EXPECT_EQ(lists.TableBasePath(3), "");

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
  ASSERT_EQ(tableNodes.size(), 3u);
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
