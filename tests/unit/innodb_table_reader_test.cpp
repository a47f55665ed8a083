// Where the first window of an InnoDB table comes from: the dictionary and
// the table's own .ibd, ibdata1 alone, or the definition and the .ibd when
// the dictionary does not list the table.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/logic/recovery_engine.h"
#include "preview/innodb_windows.h"
#include "support/test_paths.h"

namespace rowmender {
namespace {

namespace fs = std::filesystem;

struct FirstWindow {
  InnoDbFirstWindow result;
  std::size_t rows = 0;
  std::size_t pageStarts = 0;
};

FirstWindow Load(const std::string& dataFolder, const std::string& database,
                 const std::string& table, const InnoDbReadOptions& options) {
  CTarnSalvorProjApp app;
  RecoveryEngine engine(app);
  const std::string folder = dataFolder + "/" + database;
  engine.ReadTableDefinition(folder + "/" + table + ".frm");
  FirstWindow window;
  window.result = LoadInnoDbFirstWindow(engine, dataFolder, folder, table, options);
  window.rows = engine.rows.size();
  window.pageStarts = engine.pageStarts.size();
  return window;
}

TEST(InnoDbTableReader, FirstWindowsBySource) {
  const std::string sample = testing::SampleDataFolder();
  const FirstWindow orders = Load(sample, "shop", "orders", {});
  EXPECT_EQ(orders.result.source, InnoDbRowSource::kOwnTablespace);
  EXPECT_TRUE(orders.result.fromDictionary);
  EXPECT_EQ(orders.rows, 1000u);
  EXPECT_EQ(orders.pageStarts, 2u);

  const FirstWindow settings = Load(sample, "shop", "settings", {});
  EXPECT_EQ(settings.result.source, InnoDbRowSource::kSystemTablespace);
  EXPECT_EQ(settings.rows, 14u);
  EXPECT_EQ(settings.pageStarts, 1u);

  InnoDbReadOptions noDictionary;
  noDictionary.useDictionary = false;
  const FirstWindow alone = Load(sample, "shop", "orders", noDictionary);
  EXPECT_EQ(alone.result.source, InnoDbRowSource::kOwnTablespace);
  EXPECT_FALSE(alone.result.fromDictionary);
  EXPECT_EQ(alone.rows, 1000u);
  EXPECT_EQ(Load(sample, "shop", "settings", noDictionary).result.source, InnoDbRowSource::kNone);

  InnoDbReadOptions missing;
  missing.ibdataPath = sample + "/no-such-ibdata1";
  const FirstWindow unavailable = Load(sample, "shop", "coupons", missing);
  EXPECT_TRUE(unavailable.result.dictionaryUnavailable);
  EXPECT_EQ(unavailable.rows, 1000u);
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
  InnoDbReadOptions options;
  options.ibdataPath = testing::SampleDataFolder() + "/ibdata1";
  const FirstWindow copy = Load(scratch.Path().string(), "copy", "order_items", options);
  EXPECT_EQ(copy.result.source, InnoDbRowSource::kOwnTablespace);
  EXPECT_FALSE(copy.result.fromDictionary);
  EXPECT_FALSE(copy.result.dictionaryUnavailable);
  EXPECT_EQ(copy.rows, 1000u);
}

TEST(InnoDbTableReader, NoTablespaceNoRows) {
  testing::ScratchFolder scratch;
  fs::create_directories(scratch.Path() / "db");
  fs::copy_file(fs::path(testing::SampleDataFolder()) / "shop" / "orders.frm",
                scratch.Path() / "db" / "orders.frm");
  const FirstWindow none = Load(scratch.Path().string(), "db", "orders", {});
  EXPECT_EQ(none.result.source, InnoDbRowSource::kNone);
  EXPECT_TRUE(none.result.dictionaryUnavailable);
  EXPECT_EQ(none.rows, 0u);
  EXPECT_EQ(none.pageStarts, 0u);
}

}  // namespace
}  // namespace rowmender
