// Damaged copies of real tables: pages zeroed (the root, an internal page,
// the first, a middle and scattered leaves), a leaf chain that loops, a
// record link flipped, a record list cut. The scan must bring back every
// row of every leaf page left intact, each once, no row that was not in
// the table, and say that something was lost.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "innodb/dictionary.h"
#include "innodb/page.h"
#include "innodb/page_scan.h"
#include "innodb/record_columns.h"
#include "innodb/record_salvage.h"
#include "innodb/records.h"
#include "support/table_reads.h"
#include "support/test_paths.h"
#include "tables/system_tablespace.h"
#include "tables/table_source.h"
#include "values/export_formats.h"

namespace rowmender {
namespace {

namespace fs = std::filesystem;

void PutBe32(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i)
    bytes[offset + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

std::string DeepTreeFolder() {
  return std::string(ROWMENDER_BINARY_DIR) + "/deep-tree-datadir";
}

// A table's files, copied so that they can be damaged.
class TableCopy {
 public:
  TableCopy(const std::string& folder, const std::string& database, const std::string& table)
      : database_(scratch_.Path() / database), table_(table) {
    fs::create_directories(database_);
    for (const char* extension : {".frm", ".ibd"}) {
      fs::copy_file(fs::path(folder) / database / (table + extension),
                    database_ / (table + extension));
      fs::permissions(database_ / (table + extension), fs::perms::owner_write,
                      fs::perm_options::add);
    }
    std::ifstream in(Tablespace(), std::ios::binary);
    image_.assign(std::istreambuf_iterator<char>(in), {});
  }

  fs::path Tablespace() const { return database_ / (table_ + ".ibd"); }
  std::uint32_t PageCount() const {
    return static_cast<std::uint32_t>(image_.size() / kInnoPageSize);
  }
  ByteView Page(std::uint32_t page) const {
    return ByteView(image_).subspan(std::size_t{page} * kInnoPageSize, kInnoPageSize);
  }
  std::span<std::uint8_t> MutablePage(std::uint32_t page) {
    return std::span<std::uint8_t>(image_).subspan(std::size_t{page} * kInnoPageSize,
                                                   kInnoPageSize);
  }
  void Zero(std::uint32_t page) { std::ranges::fill(MutablePage(page), std::uint8_t{0}); }
  // Writes the changed image back.
  void Save() const {
    std::ofstream out(Tablespace(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image_.data()),
              static_cast<std::streamsize>(image_.size()));
  }

  TableFiles Files() const {
    return {(database_ / (table_ + ".frm")).string(), database_.string(), table_};
  }

 private:
  testing::ScratchFolder scratch_;
  fs::path database_;
  std::string table_;
  std::vector<std::uint8_t> image_;
};

// The character sets of the server's collations tell which string columns
// take a fixed number of bytes.
const CollationTable& Collations() {
  return testing::ServerCollations();
}

struct ScanOut {
  std::vector<std::string> rows;  // SQL tuples, in scan order
  std::map<std::uint32_t, std::vector<std::string>> byPage;
  ReadReport report;
};

// The rows of the table through the scan that bulk work uses, one page to
// a part so that each row's page is known.
ScanOut Scan(const TableFiles& files, const SystemTablespace* system = nullptr) {
  ScanOut out;
  std::unique_ptr<TableSource> source;
  ReadOptions options;
  options.collations = &Collations();
  options.systemTablespace = system;
  const Status status = TableSource::Open(files, options, source);
  EXPECT_TRUE(status.ok()) << status.message();
  if (!status.ok()) return out;
  const std::unique_ptr<ScanParts> parts = source->SplitScan(ScanSplit{1, 1});
  RowBuffer row;
  FormatScratch scratch;
  while (const std::unique_ptr<TableCursor> part = parts->NextPart()) {
    while (part->Next(row)) {
      std::string text = row.deleted ? "D" : "";
      AppendSqlTuple(text, row, part->Formats(), scratch);
      out.byPage[static_cast<std::uint32_t>(part->Position().pageNumber)].push_back(text);
      out.rows.push_back(std::move(text));
    }
    out.report.Add(part->Report());
  }
  out.report.Add(parts->Report());
  return out;
}

std::vector<std::string> Sorted(std::vector<std::string> rows) {
  std::sort(rows.begin(), rows.end());
  return rows;
}

// Pages of the clustered index (whose root is page 3) by level.
std::map<int, std::vector<std::uint32_t>> PagesByLevel(const TableCopy& copy) {
  std::map<int, std::vector<std::uint32_t>> levels;
  const std::uint64_t clustered = IndexPage(copy.Page(3)).Header().indexId;
  for (std::uint32_t page = 0; page < copy.PageCount(); ++page) {
    const IndexPage index(copy.Page(page));
    if (index.IsIndexPage() && index.Header().indexId == clustered)
      levels[index.Level()].push_back(page);
  }
  return levels;
}

// Both tables of the fixture (compact and redundant records) are
// three-level trees whose rows read exactly, by the scan and by the walk
// from the root that the record grid pages with.
TEST(InnoDbDamage, TheFixtureIsAThreeLevelTreeReadExactly) {
  // Every row as the server answered (id, note, amount in key order).
  std::ifstream truth(testing::SourceFolder() + "/testdata/deep-tree/tree.tsv");
  std::vector<std::string> expected;
  for (std::string line; std::getline(truth, line);) {
    const std::size_t tab1 = line.find('\t');
    const std::size_t tab2 = line.find('\t', tab1 + 1);
    const std::string id = line.substr(0, tab1);
    const std::string note = line.substr(tab1 + 1, tab2 - tab1 - 1);
    expected.push_back("('" + std::string(8 - id.size(), '0') + id + std::string(592, 'k') + "'," +
                       id + "," + (note == "NULL" ? "NULL" : "'" + note + "'") + "," +
                       line.substr(tab2 + 1) + ")");
  }
  ASSERT_EQ(expected.size(), 1500u);
  for (const char* table : {"tree", "old_rows"}) {
    TableCopy copy(DeepTreeFolder(), "deep", table);
    const auto levels = PagesByLevel(copy);
    ASSERT_EQ(levels.size(), 3u) << table;
    EXPECT_EQ(levels.at(2), std::vector<std::uint32_t>{3});
    const ScanOut clean = Scan(copy.Files());
    EXPECT_TRUE(clean.report.Complete()) << table;
    EXPECT_EQ(clean.rows, expected) << table;

    std::unique_ptr<TableSource> source;
    ReadOptions options;
    options.collations = &Collations();
    ASSERT_TRUE(TableSource::Open(copy.Files(), options, source).ok());
    EXPECT_TRUE(source->Notes().empty()) << table;
    const std::unique_ptr<TableCursor> walk = source->NewCursor();
    RowBuffer row;
    std::size_t rows = 0;
    while (walk->Next(row))
      ++rows;
    EXPECT_EQ(rows, 1500u) << table;
  }
}

// Every leaf page of a real table passes the record list check, and the
// records found one by one are those of the list (not the records a page
// split moved away, nor purged ones).
void ExpectRecordsFoundOneByOneAreThoseOfTheList(const std::string& folder,
                                                 const std::string& database,
                                                 const std::string& name) {
  TableCopy copy(folder, database, name);
  std::unique_ptr<TableSource> source;
  ReadOptions options;
  options.collations = &Collations();
  ASSERT_TRUE(TableSource::Open(copy.Files(), options, source).ok()) << name;
  const CollationTable& collations = Collations();
  std::vector<InnoColumn> pending;
  const TableDefinition& table = source->Definition();
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    pending.push_back(
        InnoColumnFromDefinition(table.columns[i], static_cast<std::uint32_t>(i), collations));
  }
  const std::vector<InnoColumn> fields = ArrangeRecordColumns(pending, table);
  const auto levels = PagesByLevel(copy);
  ASSERT_TRUE(levels.contains(0)) << name;
  for (const std::uint32_t page : levels.at(0)) {
    const ByteView bytes = copy.Page(page);
    const IndexPage index(bytes);
    const RecordFormat format = index.Format();
    const bool compact = format == RecordFormat::kCompact;
    ASSERT_TRUE(RecordListSound(bytes, format)) << name << " page " << page;
    std::vector<std::uint32_t> listed;
    const std::uint32_t supremum = compact ? kCompactSupremumOrigin : kRedundantSupremumOrigin;
    for (std::uint32_t origin = compact ? index.FirstCompactRecord() : index.FirstRedundantRecord();
         origin != supremum; origin = compact ? (origin + Be16(bytes, origin - 2)) % 0x10000
                                              : Be16(bytes, origin - 2)) {
      const std::uint8_t flags = ByteAt(bytes, origin - (compact ? 5 : 6));
      if ((flags & kRecordMinimumMark) == 0) listed.push_back(origin);
    }
    std::vector<std::uint32_t> found;
    for (const RecordSpan& span : SalvageRecords(bytes, format, fields, NullBitmapSize(fields)))
      found.push_back(span.origin);
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(found, listed) << name << " page " << page;
  }
}

TEST(InnoDbDamage, RecordsFoundOneByOneAreThoseOfTheList) {
  ExpectRecordsFoundOneByOneAreThoseOfTheList(DeepTreeFolder(), "deep", "tree");
  ExpectRecordsFoundOneByOneAreThoseOfTheList(DeepTreeFolder(), "deep", "old_rows");
  int tables = 0;
  for (const auto& database : fs::directory_iterator(testing::SampleDataFolder())) {
    if (!database.is_directory()) continue;
    for (const auto& file : fs::directory_iterator(database.path())) {
      if (file.path().extension() != ".ibd") continue;
      ExpectRecordsFoundOneByOneAreThoseOfTheList(testing::SampleDataFolder(),
                                                  database.path().filename().string(),
                                                  file.path().stem().string());
      ++tables;
    }
  }
  EXPECT_GE(tables, 10);
}

struct DamageCase {
  const char* name;
  // Damages the copy; returns the leaf pages whose rows are lost.
  std::function<std::vector<std::uint32_t>(TableCopy&,
                                           const std::map<int, std::vector<std::uint32_t>>&)>
      damage;
  // The rows keep the order of the undamaged table.
  bool keepsOrder;
};

// Leaf `i` in chain order (the fixture's leaves lie in key order).
std::uint32_t Leaf(const std::map<int, std::vector<std::uint32_t>>& levels, std::size_t i) {
  return levels.at(0).at(i);
}

TEST(InnoDbDamage, EveryRowOfTheIntactLeafPagesComesBackOnce) {
  const std::vector<DamageCase> cases = {
      {"root zeroed",
       [](TableCopy& copy, const auto&) {
         copy.Zero(3);
         return std::vector<std::uint32_t>{};
       },
       true},
      {"leftmost internal page zeroed",
       [](TableCopy& copy, const auto& levels) {
         copy.Zero(levels.at(1).front());
         return std::vector<std::uint32_t>{};
       },
       true},
      {"first leaf zeroed",
       [](TableCopy& copy, const auto& levels) {
         copy.Zero(Leaf(levels, 0));
         return std::vector<std::uint32_t>{Leaf(levels, 0)};
       },
       true},
      {"middle leaf zeroed",
       [](TableCopy& copy, const auto& levels) {
         const std::uint32_t middle = Leaf(levels, levels.at(0).size() / 2);
         copy.Zero(middle);
         return std::vector<std::uint32_t>{middle};
       },
       true},
      {"every seventh index page zeroed",
       [](TableCopy& copy, const auto& levels) {
         std::vector<std::uint32_t> lost;
         std::size_t n = 0;
         for (const auto& [level, pages] : levels) {
           for (const std::uint32_t page : pages) {
             if (++n % 7 != 0) continue;
             copy.Zero(page);
             if (level == 0) lost.push_back(page);
           }
         }
         return lost;
       },
       false},
      {"leaf chain loops back to the first leaf",
       [](TableCopy& copy, const auto& levels) {
         PutBe32(copy.MutablePage(Leaf(levels, 10)), FilHeader::kNextPageOffset, Leaf(levels, 0));
         return std::vector<std::uint32_t>{};
       },
       false},
      {"record link flipped",
       [](TableCopy& copy, const auto& levels) {
         std::span<std::uint8_t> page = copy.MutablePage(Leaf(levels, 5));
         const IndexPage index(page);
         const std::uint32_t first = index.Format() == RecordFormat::kCompact
                                         ? index.FirstCompactRecord()
                                         : index.FirstRedundantRecord();
         page[first - 1] ^= 0x40;
         return std::vector<std::uint32_t>{};
       },
       true},
  };
  // Both record formats lose the same pages the same way.
  for (const char* table : {"tree", "old_rows"}) {
    TableCopy clean(DeepTreeFolder(), "deep", table);
    const auto levels = PagesByLevel(clean);
    const ScanOut before = Scan(clean.Files());
    ASSERT_EQ(before.rows.size(), 1500u);

    for (const DamageCase& damage : cases) {
      TableCopy copy(DeepTreeFolder(), "deep", table);
      const std::vector<std::uint32_t> lost = damage.damage(copy, levels);
      copy.Save();
      std::vector<std::string> expected;
      for (const std::string& row : before.rows) {
        bool onLostPage = false;
        for (const std::uint32_t page : lost) {
          const auto& rows = before.byPage.at(page);
          onLostPage = onLostPage || std::find(rows.begin(), rows.end(), row) != rows.end();
        }
        if (!onLostPage) expected.push_back(row);
      }
      const ScanOut after = Scan(copy.Files());
      const std::string what = std::string(table) + ": " + damage.name;
      if (damage.keepsOrder) {
        EXPECT_EQ(after.rows, expected) << what;
      } else {
        EXPECT_EQ(Sorted(after.rows), Sorted(expected)) << what;
      }
      EXPECT_FALSE(after.report.Complete()) << what;
      EXPECT_GE(after.report.pagesSkipped, lost.size()) << what;
    }
  }
}

// Another table's tablespace copied in place of the table's own is refused,
// with the reason, by the dictionary's space and index ids or, without the
// dictionary, because its records do not fit the table's columns; it is
// read when the options ask for it.
TEST(InnoDbDamage, AnotherTablesTablespaceIsToldApart) {
  testing::ScratchFolder scratch;
  const fs::path shop = scratch.Path() / "shop";
  fs::create_directories(shop);
  const fs::path sample = fs::path(testing::SampleDataFolder()) / "shop";
  fs::copy_file(sample / "coupons.frm", shop / "coupons.frm");
  fs::copy_file(sample / "customers.ibd", shop / "coupons.ibd");
  const TableFiles files{(shop / "coupons.frm").string(), shop.string(), "coupons"};
  std::unique_ptr<SystemTablespace> system;
  ASSERT_TRUE(
      SystemTablespace::Open(testing::SampleDataFolder() + "/ibdata1", &Collations(), system).ok());

  struct Case {
    const char* name;
    const SystemTablespace* system;
    const char* reason;
  };
  for (const Case& c : {Case{"with the dictionary", system.get(), "its space id is"},
                        Case{"without it", nullptr, "do not fit the table's columns"}}) {
    ReadOptions options;
    options.collations = &Collations();
    options.systemTablespace = c.system;
    std::unique_ptr<TableSource> source;
    const Status refused = TableSource::Open(files, options, source);
    EXPECT_FALSE(refused.ok()) << c.name;
    EXPECT_NE(refused.message().find("coupons.ibd does not seem to belong to shop/coupons"),
              std::string::npos)
        << refused.message();
    EXPECT_NE(refused.message().find(c.reason), std::string::npos) << refused.message();

    options.readMismatchedFiles = true;
    ASSERT_TRUE(TableSource::Open(files, options, source).ok()) << c.name;
    const auto& notes = source->Notes();
    EXPECT_TRUE(std::any_of(notes.begin(), notes.end(), [](const std::string& note) {
      return note.find("it is read as asked") != std::string::npos;
    })) << c.name;
  }
}

// The data dictionary damaged: a system table's root, its only leaf page,
// or the leaf holding a table's index entry zeroed. What is left of the
// dictionary is read, and the tables kept inside ibdata1 are still found:
// by their column names when their SYS_TABLES entry is lost, by records
// that fit their columns when their SYS_INDEXES entry is.
TEST(InnoDbDamage, TablesInsideADamagedDictionaryAreStillRead) {
  const fs::path sample = testing::SampleDataFolder();
  const TableFiles cleanFiles{(sample / "shop" / "settings.frm").string(),
                              (sample / "shop").string(), "settings"};
  std::unique_ptr<SystemTablespace> cleanSystem;
  ASSERT_TRUE(
      SystemTablespace::Open((sample / "ibdata1").string(), &Collations(), cleanSystem).ok());
  const ScanOut clean = Scan(cleanFiles, cleanSystem.get());
  ASSERT_GT(clean.rows.size(), 10u);
  ASSERT_TRUE(clean.report.Complete());
  EXPECT_TRUE(cleanSystem->DictionaryReport().notes.empty());

  struct Case {
    const char* name;
    std::uint32_t page;
    const char* sourceNote;  // what the table's source says ("": nothing)
    // Only the link of the page's first record is flipped (else the page
    // is zeroed).
    bool flipLink = false;
  };
  for (const Case& c : {Case{"SYS_TABLES", kSysTablesRoot, "found by its column names"},
                        Case{"SYS_COLUMNS", kSysColumnsRoot, ""},
                        Case{"SYS_INDEXES", kSysIndexesRoot, "does not give the root page"},
                        Case{"SYS_TABLES", kSysTablesRoot, "", true},
                        Case{"SYS_INDEXES", kSysIndexesRoot, "", true}}) {
    testing::ScratchFolder scratch;
    const fs::path ibdata = scratch.Path() / "ibdata1";
    fs::copy_file(sample / "ibdata1", ibdata);
    {
      std::fstream file(ibdata, std::ios::in | std::ios::out | std::ios::binary);
      const auto at = static_cast<std::streamoff>(std::uint64_t{c.page} * kInnoPageSize);
      std::vector<std::uint8_t> page(kInnoPageSize, 0);
      if (c.flipLink) {
        file.seekg(at);
        file.read(reinterpret_cast<char*>(page.data()), static_cast<std::streamsize>(page.size()));
        page.at(IndexPage(page).FirstRedundantRecord() - 1) ^= 0x40;
      }
      file.seekp(at);
      file.write(reinterpret_cast<const char*>(page.data()),
                 static_cast<std::streamsize>(page.size()));
    }
    std::unique_ptr<SystemTablespace> system;
    ASSERT_TRUE(SystemTablespace::Open(ibdata.string(), &Collations(), system).ok());
    const ReadReport& dictionary = system->DictionaryReport();
    ASSERT_FALSE(dictionary.notes.empty()) << c.name;
    EXPECT_NE(dictionary.notes.front().find(c.name), std::string::npos) << dictionary.notes.front();

    std::unique_ptr<TableSource> source;
    ReadOptions options;
    options.collations = &Collations();
    options.systemTablespace = system.get();
    const Status status = TableSource::Open(cleanFiles, options, source);
    ASSERT_TRUE(status.ok()) << c.name << ": " << status.message();
    const auto& notes = source->Notes();
    if (*c.sourceNote != '\0') {
      EXPECT_TRUE(std::any_of(notes.begin(), notes.end(), [&](const std::string& note) {
        return note.find(c.sourceNote) != std::string::npos;
      })) << c.name;
    }
    EXPECT_EQ(Scan(cleanFiles, system.get()).rows, clean.rows) << c.name;
  }
}

// With neither the dictionary nor the root page to name the clustered
// index, it is the index whose leaf pages hold records that fit the
// table's columns: every table of the sample whose root is not its only
// leaf reads with the root zeroed as it did whole.
TEST(InnoDbDamage, WithoutRootOrDictionaryTheClusteredIndexIsFoundByItsRecords) {
  int tables = 0;
  const fs::path sample = testing::SampleDataFolder();
  for (const auto& database : fs::directory_iterator(sample)) {
    if (!database.is_directory()) continue;
    for (const auto& file : fs::directory_iterator(database.path())) {
      if (file.path().extension() != ".ibd") continue;
      const std::string databaseName = database.path().filename().string();
      const std::string name = file.path().stem().string();
      TableCopy copy(sample.string(), databaseName, name);
      if (IndexPage(copy.Page(3)).Level() == 0) continue;
      const ScanOut clean = Scan(copy.Files());
      copy.Zero(3);
      copy.Save();
      const ScanOut damaged = Scan(copy.Files());
      EXPECT_EQ(damaged.rows, clean.rows) << databaseName << "." << name;
      EXPECT_FALSE(damaged.report.Complete()) << name;
      ++tables;
    }
  }
  EXPECT_GE(tables, 5);
}

}  // namespace
}  // namespace rowmender
