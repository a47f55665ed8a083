// Where the record grid finds an InnoDB table's rows: the dictionary and
// the table's own .ibd, ibdata1 alone, or the definition and the .ibd when
// the dictionary does not list the table or cannot be read.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/logic/recovery_engine.h"
#include "preview/record_pages.h"
#include "support/test_paths.h"

namespace rowmender {
namespace {

namespace fs = std::filesystem;

struct FirstPage {
  std::size_t rows = 0;
  std::size_t pageStarts = 0;
  std::string notes;
  std::string problem;
};

FirstPage Load(const std::string& dataFolder, const std::string& database, const std::string& table,
               const RecordPagerOptions& options) {
  CTarnSalvorProjApp app;
  RecoveryEngine engine(app);
  TableLocation location;
  location.dataFolder = dataFolder + "/";
  location.databaseFolder = dataFolder + "/" + database;
  location.tableName = table;
  location.definitionPath = location.databaseFolder + "/" + table + ".frm";
  RecordPager pager(engine, options);
  std::string error;
  EXPECT_TRUE(pager.Open(location, error)) << error;
  pager.LoadFirstPage();
  FirstPage page;
  page.rows = engine.rows.size();
  page.pageStarts = engine.pageStarts.size();
  for (const std::string& note : pager.Notes())
    page.notes += note + "\n";
  page.problem = pager.Problem();
  return page;
}

TEST(InnoDbTableReader, FirstPagesBySource) {
  const std::string sample = testing::SampleDataFolder();
  // Its own .ibd, typed by the dictionary.
  const FirstPage orders = Load(sample, "shop", "orders", {});
  EXPECT_EQ(orders.rows, 1000u);
  EXPECT_EQ(orders.pageStarts, 2u);
  EXPECT_EQ(orders.notes, "");
  // Inside ibdata1.
  const FirstPage settings = Load(sample, "shop", "settings", {});
  EXPECT_EQ(settings.rows, 14u);
  EXPECT_EQ(settings.pageStarts, 1u);

  // Without the dictionary: the .ibd alone; a table inside ibdata1 has no
  // rows and says why.
  RecordPagerOptions noDictionary;
  noDictionary.useDictionary = false;
  EXPECT_EQ(Load(sample, "shop", "orders", noDictionary).rows, 1000u);
  const FirstPage inside = Load(sample, "shop", "settings", noDictionary);
  EXPECT_EQ(inside.rows, 0u);
  EXPECT_EQ(inside.pageStarts, 0u);
  EXPECT_NE(inside.problem.find(
                "settings.ibd), and the system tablespace that may keep the table was not read"),
            std::string::npos)
      << inside.problem;

  // A system tablespace that cannot be opened: the .ibd alone.
  RecordPagerOptions missing;
  missing.ibdataPath = sample + "/no-such-ibdata1";
  EXPECT_EQ(Load(sample, "shop", "coupons", missing).rows, 1000u);
}

TEST(InnoDbTableReader, ATableTheDictionaryDoesNotListReadsFromItsDefinition) {
  // The files of shop.order_items under another database name: the
  // dictionary of the sample's ibdata1 does not know "copy/order_items".
  testing::ScratchFolder scratch;
  const fs::path folder = scratch.Path() / "copy";
  fs::create_directories(folder);
  const fs::path source = fs::path(testing::SampleDataFolder()) / "shop";
  for (const char* extension : {".frm", ".ibd"}) {
    fs::copy_file(source / (std::string("order_items") + extension),
                  folder / (std::string("order_items") + extension));
  }
  RecordPagerOptions options;
  options.ibdataPath = testing::SampleDataFolder() + "/ibdata1";
  const FirstPage copy = Load(scratch.Path().string(), "copy", "order_items", options);
  EXPECT_EQ(copy.rows, 1000u);
  EXPECT_NE(copy.notes.find("does not list copy/order_items"), std::string::npos) << copy.notes;
}

TEST(InnoDbTableReader, NoTablespaceNoRows) {
  testing::ScratchFolder scratch;
  fs::create_directories(scratch.Path() / "db");
  fs::copy_file(fs::path(testing::SampleDataFolder()) / "shop" / "orders.frm",
                scratch.Path() / "db" / "orders.frm");
  const FirstPage none = Load(scratch.Path().string(), "db", "orders", {});
  EXPECT_EQ(none.rows, 0u);
  EXPECT_EQ(none.pageStarts, 0u);
  EXPECT_NE(none.problem.find("the tablespace (.ibd) of orders is missing"), std::string::npos)
      << none.problem;
}

}  // namespace
}  // namespace rowmender
