#include "base/table_file_names.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "app/logic/headless_session.h"
#include "base/utf8.h"
#include "export/statements.h"
#include "support/test_paths.h"

namespace rowmender::testing {
namespace {

TEST(TableFileNames, DecodesBothEscapesOfTheServersFileNames) {
  const struct {
    const char* onDisk;
    const char* sqlName;
  } cases[] = {
      {"orders", "orders"},
      {"b@1ocherei", "bücherei"},
      {"price@002dlist", "price-list"},
      {"a@0020b@002ec", "a b.c"},
      {"@0G@0g", "Àà"},
      {"@65e5@672C", "日本"},  // upper-case hex digits are read too
      {"rm@0020@0060hostile", "rm `hostile"},
      {"x@002", "x@002"},  // cut short: kept
      {"a@", "a@"},
      {"a@0", "a@0"},
      {"@zz@00g1@@", "@zz@00g1@@"},
      {"@0000", "@0000"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(DecodeTableFileName(c.onDisk), c.sqlName) << c.onDisk;
}

TEST(TableFileNames, EncodeWritesWhatTheServerWrites) {
  const struct {
    const char* sqlName;
    const char* onDisk;
  } cases[] = {
      {"orders", "orders"},
      {"Order_2", "Order_2"},
      {"bäckerei", "b@0kckerei"},
      {"straße", "stra@1je"},
      {"my-table", "my@002dtable"},
      {"data.base", "data@002ebase"},
      {"日本", "@65e5@672c"},
      {"Ωmega", "@7Pmega"},
      {"brot übersicht", "brot@0020@1obersicht"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeTableFileName(c.sqlName), c.onDisk) << c.sqlName;
    EXPECT_EQ(DecodeTableFileName(c.onDisk), c.sqlName) << c.onDisk;
  }
}

// file-name-codes.tsv is the server's own list: every character with a
// two-character code, as CONVERT(... USING filename) gave it.
TEST(TableFileNames, EveryTwoCharacterCodeOfTheServerGoesBothWays) {
  std::ifstream list(NamesTruthFolder() + "/file-name-codes.tsv");
  ASSERT_TRUE(list) << "file-name-codes.tsv";
  std::string line;
  std::size_t checked = 0;
  while (std::getline(list, line)) {
    const auto tab = line.find('\t');
    ASSERT_NE(tab, std::string::npos) << line;
    std::string character;
    AppendUtf8(character, static_cast<std::uint32_t>(std::stoul(line.substr(0, tab), nullptr, 16)));
    const std::string onDisk = "@" + line.substr(tab + 1);
    EXPECT_EQ(EncodeTableFileName(character), onDisk) << line;
    EXPECT_EQ(DecodeTableFileName(onDisk), character) << line;
    ++checked;
  }
  EXPECT_GT(checked, 1000u);
}

// testdata/names: a real server's folders "b@0kckerei" (bäckerei) and
// "data@002ebase" (data.base).
TEST(EncodedNames, TheCatalogueShowsTheSqlNames) {
  const CliResult result = RunCli({"catalogue", NamesFolder()});
  EXPECT_EQ(result.status, 0) << result.err;
  // The names as SQL names; the file as it is on disk.
  const std::string bakery = NamesFolder() + "/b@0kckerei/";
  EXPECT_EQ(result.out,
            "kind\tdatabase\tname\tengine\tdefinition\tfile\n"
            "database\tbäckerei\t\t\t\t\n"
            "table\tbäckerei\t日本\tInnoDB\tfrm\t" +
                bakery + "@65e5@672c.frm\n" + "table\tbäckerei\tΩmega\tAria\tfrm\t" + bakery +
                "@7Pmega.frm\n" + "table\tbäckerei\tpreis-liste\tMyISAM\tfrm\t" + bakery +
                "preis@002dliste.frm\n" + "table\tbäckerei\tstraße\tInnoDB\tfrm\t" + bakery +
                "stra@1je.frm\n" + "view\tbäckerei\tbrot übersicht\t\tview\t" + bakery +
                "brot@0020@1obersicht.frm\n" +
                "database\tdata.base\t\t\t\t\n"
                "table\tdata.base\tt\tInnoDB\tfrm\t" +
                NamesFolder() + "/data@002ebase/t.frm\n");
}

TEST(EncodedNames, TheWindowsTreeGivesTheOnDiskFormInTheTooltip) {
  CTarnSalvorProjApp app;
  HeadlessSession session(app);
  std::string error;
  ASSERT_TRUE(session.Open(NamesFolder(), error)) << error;
  const struct {
    std::vector<std::string> labels;
    const char* note;
  } cases[] = {
      {{"bäckerei"}, "On disk: b@0kckerei"},
      {{"bäckerei", "Tables", "straße"}, "On disk: stra@1je"},
      {{"bäckerei", "Tables", "日本"}, "On disk: @65e5@672c"},
      {{"bäckerei", "Views", "brot übersicht"}, "On disk: brot@0020@1obersicht"},
      {{"data.base", "Tables", "t"}, ""},
  };
  for (const auto& c : cases) {
    const TreeNode node = session.FindBelowDataFolder(c.labels);
    ASSERT_NE(node, kNoNode) << c.labels.back();
    EXPECT_EQ(session.ui.tree.GetItemToolTip(node), c.note) << c.labels.back();
  }
  session.Select(session.FindBelowDataFolder({"bäckerei", "Tables", "straße"}));
  EXPECT_EQ(session.ui.gridRows.size(), 2u);
}

TEST(EncodedNames, TheCommandLineTakesEitherForm) {
  const struct {
    const char* database;
    const char* table;
    const char* out;
  } cases[] = {
      {"bäckerei", "straße", "id\tname\n1\tHauptstraße\n2\tGasse\n"},
      {"b@0kckerei", "stra@1je", "id\tname\n1\tHauptstraße\n2\tGasse\n"},
      {"bäckerei", "preis-liste", "id\tpreis\n1\t2.50\n2\t3.10\n3\t0.99\n"},
      {"bäckerei", "日本", "id\tnote\n7\tseven\n"},
      {"b@0kckerei", "@7Pmega", "id\n1\n2\n"},
      {"data.base", "t", "id\n42\n"},
  };
  for (const auto& c : cases) {
    const CliResult rows = RunCli({"rows", NamesFolder(), c.database, c.table});
    EXPECT_EQ(rows.status, 0) << c.table << ": " << rows.err;
    EXPECT_EQ(rows.out, c.out) << c.table;
  }
  ScratchFolder scratch;
  const std::string csv = (scratch.Path() / "out.csv").string();
  const CliResult page = RunCli({"csv", NamesFolder(), "bäckerei", "straße", csv});
  EXPECT_EQ(page.status, 0) << page.err;
}

TEST(EncodedNames, AViewIsCreatedUnderItsSqlName) {
  const std::string statement =
      BuildViewStatement(NamesFolder() + "/b@0kckerei/brot@0020@1obersicht.frm");
  EXPECT_NE(statement.find("VIEW `brot übersicht` AS select"), std::string::npos) << statement;
}

}  // namespace
}  // namespace rowmender::testing
