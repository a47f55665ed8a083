// Tables whose columns a real MariaDB server added, dropped and moved in
// place (ALGORITHM=INSTANT): testdata/instant-datadir.tar.gz, with the rows
// the server holds in testdata/instant/. Every table reads exactly as the
// server answered, live and deleted rows alike, by the walk from the root,
// by the page scan bulk work uses, with and without the data dictionary;
// records found one by one on a damaged page are those of the list; and
// what cannot be read is told.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "innodb/page.h"
#include "innodb/record_columns.h"
#include "innodb/record_layout.h"
#include "innodb/record_salvage.h"
#include "support/table_reads.h"
#include "support/test_paths.h"
#include "support/truth_files.h"
#include "tables/system_tablespace.h"
#include "tables/table_source.h"
#include "values/value_texts.h"

namespace rowmender {
namespace {

namespace fs = std::filesystem;

using Rows = std::vector<std::vector<std::string>>;

std::string DataFolder() {
  return std::string(ROWMENDER_BINARY_DIR) + "/instant-datadir";
}
std::string TruthFile(const std::string& table, const char* kind) {
  return testing::SourceFolder() + "/testdata/instant/" + table + "." + kind + ".tsv";
}

const std::vector<std::string>& Tables() {
  static const std::vector<std::string> tables{"appended",  "middle",      "dropped", "reordered",
                                               "redundant", "long_values", "many",    "nokey"};
  return tables;
}

const SystemTablespace& Dictionary() {
  static const std::unique_ptr<SystemTablespace> system = [] {
    std::unique_ptr<SystemTablespace> out;
    const Status status =
        SystemTablespace::Open(DataFolder() + "/ibdata1", &testing::ServerCollations(), out);
    EXPECT_TRUE(status.ok()) << status.message();
    return out;
  }();
  return *system;
}

TableFiles FilesOf(const fs::path& folder, const std::string& table) {
  return {(folder / "instant" / (table + ".frm")).string(), (folder / "instant").string(), table};
}

using Read = testing::TextsRead;
using testing::ScanTexts;
using testing::WalkTexts;

struct Opened {
  std::unique_ptr<TableSource> source;
  Status status;
};

Opened Open(const TableFiles& files, bool dictionary) {
  ReadOptions options;
  options.collations = &testing::ServerCollations();
  options.systemTablespace = dictionary ? &Dictionary() : nullptr;
  Opened out;
  out.status = TableSource::Open(files, options, out.source);
  return out;
}

Rows Truth(const std::string& table, const char* kind) {
  return testing::ReadBatchTsv(TruthFile(table, kind)).rows;
}

// Where the table's definition and column types come from.
enum class Source : std::uint8_t {
  kFrm,            // its .frm alone
  kFrmDictionary,  // its .frm, the types by the data dictionary
  kDictionary,     // the data dictionary alone (the .frm lost)
};

struct Case {
  std::string table;
  Source source;
};

std::string SourceName(Source source) {
  switch (source) {
    case Source::kFrm:
      return "frm";
    case Source::kFrmDictionary:
      return "frm_dictionary";
    case Source::kDictionary:
      return "dictionary";
  }
  return "";
}

[[maybe_unused]] void PrintTo(const Case& c, std::ostream* out) {
  *out << c.table << " by " << SourceName(c.source);
}

class InstantTable : public ::testing::TestWithParam<Case> {};

// Every row, live or delete-marked, is the server's, by both reads; the
// hidden metadata record is no row; nothing is reported lost.
TEST_P(InstantTable, ReadsAsTheServerAnswered) {
  const Case& c = GetParam();
  TableFiles files = FilesOf(DataFolder(), c.table);
  if (c.source == Source::kDictionary) {
    files.definitionPath = DataFolder() + "/ibdata1";
    files.origin = DefinitionOrigin::kDictionary;
  }
  const Opened opened = Open(files, c.source != Source::kFrm);
  ASSERT_TRUE(opened.status.ok()) << opened.status.message();
  EXPECT_TRUE(opened.source->Notes().empty());
  const Rows live = Truth(c.table, "rows");
  const Rows deleted = Truth(c.table, "deleted");
  ASSERT_FALSE(deleted.empty());
  for (const Read& read : {WalkTexts(*opened.source), ScanTexts(*opened.source)}) {
    EXPECT_TRUE(read.report.Complete());
    EXPECT_TRUE(read.report.notes.empty()) << read.report.notes.front();
    EXPECT_EQ(read.live, live);
    EXPECT_EQ(read.deleted, deleted);
  }
}

std::vector<Case> AllCases() {
  std::vector<Case> cases;
  for (const std::string& table : Tables()) {
    cases.push_back({table, Source::kFrm});
    cases.push_back({table, Source::kFrmDictionary});
    // The dictionary does not keep a DECIMAL's precision, which `appended`
    // has.
    if (table != "appended") cases.push_back({table, Source::kDictionary});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(AllTables, InstantTable, ::testing::ValuesIn(AllCases()),
                         [](const ::testing::TestParamInfo<Case>& param) {
                           return param.param.table + "_" + SourceName(param.param.source);
                         });

// The command line prints the rows, with the mark of the deleted ones.
TEST(InstantTableCli, RowsGivesTheServersRows) {
  for (const char* table : {"appended", "middle", "redundant"}) {
    SCOPED_TRACE(table);
    const testing::CliResult result =
        testing::RunCli({"rows", DataFolder(), "instant", table, "--all", "--deleted-flag"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const testing::TsvTable live = testing::ReadBatchTsv(TruthFile(table, "rows"));
    const testing::TsvTable deleted = testing::ReadBatchTsv(TruthFile(table, "deleted"));
    std::vector<std::string> expected;
    for (const Rows* rows : {&live.rows, &deleted.rows}) {
      for (const std::vector<std::string>& values : *rows) {
        std::string line = rows == &live.rows ? "0" : "1";
        for (const std::string& value : values)
          line += "\t" + value;
        expected.push_back(line);
      }
    }
    std::vector<std::string> lines;
    std::string header;
    std::istringstream out(result.out);
    std::getline(out, header);
    for (std::string line; std::getline(out, line);)
      lines.push_back(line);
    std::string expectedHeader = "deleted";
    for (const std::string& name : live.header)
      expectedHeader += "\t" + name;
    EXPECT_EQ(header, expectedHeader);
    // The key orders the rows both ways; the deleted ones are among them.
    std::sort(lines.begin(), lines.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(lines, expected);
  }
}

// A copy of a table's files, to damage.
class TableCopy {
 public:
  explicit TableCopy(const std::string& table) : table_(table) {
    fs::create_directories(scratch_.Path() / "instant");
    for (const char* extension : {".frm", ".ibd"}) {
      const fs::path to = scratch_.Path() / "instant" / (table + extension);
      fs::copy_file(fs::path(DataFolder()) / "instant" / (table + extension), to);
      fs::permissions(to, fs::perms::owner_write, fs::perm_options::add);
    }
    std::ifstream in(Tablespace(), std::ios::binary);
    image_.assign(std::istreambuf_iterator<char>(in), {});
  }

  fs::path Tablespace() const { return scratch_.Path() / "instant" / (table_ + ".ibd"); }
  TableFiles Files() const { return FilesOf(scratch_.Path(), table_); }
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
  void Save() const {
    std::ofstream out(Tablespace(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image_.data()),
              static_cast<std::streamsize>(image_.size()));
  }

 private:
  testing::ScratchFolder scratch_;
  std::string table_;
  std::vector<std::uint8_t> image_;
};

constexpr std::uint32_t kRoot = 3;

// The leaf pages of the table's clustered index, in page order.
std::vector<std::uint32_t> LeafPages(const TableCopy& copy) {
  const std::uint64_t clustered = IndexPage(copy.Page(kRoot)).Header().indexId;
  std::vector<std::uint32_t> leaves;
  for (std::uint32_t page = 0; page < copy.PageCount(); ++page) {
    const IndexPage index(copy.Page(page));
    if (index.IsIndexPage() && index.Level() == 0 && index.Header().indexId == clustered)
      leaves.push_back(page);
  }
  return leaves;
}

// The layout of the table's records as the reader makes it, from its
// definition and the metadata record.
RecordLayout LayoutOf(const TableCopy& copy, const TableDefinition& table) {
  std::vector<InnoColumn> pending;
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    pending.push_back(InnoColumnFromDefinition(table.columns[i], static_cast<std::uint32_t>(i),
                                               testing::ServerCollations()));
  }
  const std::vector<InnoColumn> fields = ArrangeRecordColumns(pending, table);
  const MemoryPageSource pages(ByteView(copy.Page(0).data(), copy.PageCount() * kInnoPageSize));
  const InstantRoot root = ReadInstantRoot(copy.Page(kRoot));
  EXPECT_TRUE(root.altered);
  const std::uint32_t first = LeafPages(copy).front();
  RecordLayout layout;
  const Status status = ReadMariaDbLayout(pages, root, first, fields, table, layout);
  EXPECT_TRUE(status.ok()) << status.message();
  EXPECT_EQ(layout.Kind(), LayoutKind::kMariaDb);
  return layout;
}

// On every leaf page, the records found one by one (as on a page whose
// record list is broken) are those of the list, the metadata record left
// out: records of every shape fit, by the fields they hold.
TEST(InstantTableDamage, RecordsFoundOneByOneAreThoseOfTheList) {
  for (const std::string& name : Tables()) {
    SCOPED_TRACE(name);
    const TableCopy copy(name);
    const Opened opened = Open(copy.Files(), false);
    ASSERT_TRUE(opened.status.ok()) << opened.status.message();
    const RecordLayout layout = LayoutOf(copy, opened.source->Definition());
    for (const std::uint32_t page : LeafPages(copy)) {
      const ByteView bytes = copy.Page(page);
      const IndexPage index(bytes);
      // Bytes an update left behind when it shrank a record in place can
      // look like a record that links on; such pages are not this test's.
      if (index.Header().garbageBytes != 0) continue;
      const RecordFormat format = index.Format();
      const bool compact = format == RecordFormat::kCompact;
      ASSERT_TRUE(RecordListSound(bytes, format)) << page;
      std::vector<std::uint32_t> listed;
      const std::uint32_t supremum = compact ? kCompactSupremumOrigin : kRedundantSupremumOrigin;
      for (std::uint32_t origin = compact ? index.FirstCompactRecord()
                                          : index.FirstRedundantRecord();
           origin != supremum; origin = compact ? (origin + Be16(bytes, origin - 2)) % 0x10000
                                                : Be16(bytes, origin - 2)) {
        if ((ByteAt(bytes, origin - (compact ? 5 : 6)) & kRecordMinimumMark) == 0)
          listed.push_back(origin);
      }
      std::vector<std::uint32_t> found;
      for (const RecordSpan& span : SalvageRecords(bytes, format, layout))
        found.push_back(span.origin);
      std::sort(listed.begin(), listed.end());
      EXPECT_EQ(found, listed) << "page " << page;
    }
  }
}

// The walk and the scan after damage: a broken record list is read record
// by record; a lost root leaves the records' layout to the metadata
// record; a lost metadata record (the leftmost leaf) is a table that
// cannot be read, said so.
TEST(InstantTableDamage, DamageIsReadAroundOrTold) {
  {
    SCOPED_TRACE("record list cut");
    TableCopy copy("appended");
    // The first user record after the metadata record links to the supremum.
    const ByteView root = copy.Page(kRoot);
    const std::uint32_t metadata = IndexPage(root).FirstCompactRecord();
    const std::uint32_t first = (metadata + Be16(root, metadata - 2)) % 0x10000;
    const std::uint16_t toSupremum =
        static_cast<std::uint16_t>((kCompactSupremumOrigin - first) & 0xFFFF);
    copy.MutablePage(kRoot)[first - 2] = static_cast<std::uint8_t>(toSupremum >> 8);
    copy.MutablePage(kRoot)[first - 1] = static_cast<std::uint8_t>(toSupremum & 0xFF);
    copy.Save();
    const Opened opened = Open(copy.Files(), false);
    ASSERT_TRUE(opened.status.ok()) << opened.status.message();
    const Read read = WalkTexts(*opened.source);
    EXPECT_EQ(read.report.pagesSalvaged, 1u);
    EXPECT_EQ(read.live, Truth("appended", "rows"));
    EXPECT_EQ(read.deleted, Truth("appended", "deleted"));
  }
  {
    SCOPED_TRACE("root lost");
    TableCopy copy("many");
    ASSERT_GT(LeafPages(copy).size(), 3u);
    std::ranges::fill(copy.MutablePage(kRoot), std::uint8_t{0});
    copy.Save();
    const Opened opened = Open(copy.Files(), false);
    ASSERT_TRUE(opened.status.ok()) << opened.status.message();
    const std::vector<std::string>& notes = opened.source->Notes();
    EXPECT_TRUE(std::any_of(notes.begin(), notes.end(), [](const std::string& note) {
      return note.find("the metadata record on leaf page") != std::string::npos;
    }));
    const Read read = ScanTexts(*opened.source);
    EXPECT_EQ(read.live, Truth("many", "rows"));
    EXPECT_EQ(read.deleted, Truth("many", "deleted"));
  }
  {
    SCOPED_TRACE("metadata record lost");
    TableCopy copy("many");
    std::ranges::fill(copy.MutablePage(LeafPages(copy).front()), std::uint8_t{0});
    copy.Save();
    const Opened opened = Open(copy.Files(), false);
    EXPECT_FALSE(opened.status.ok());
    EXPECT_NE(opened.status.message().find("the metadata record"), std::string::npos)
        << opened.status.message();
    const testing::CliResult cli =
        testing::RunCli({"rows", copy.Files().databaseFolder + "/..", "instant", "many"});
    EXPECT_EQ(cli.status, 1);
    EXPECT_NE(cli.err.find("ALGORITHM=INSTANT"), std::string::npos) << cli.err;
    EXPECT_EQ(cli.out, "");
  }
}

// A record whose header names a shape the table's records cannot have is
// left out and told, the others read.
TEST(InstantTableDamage, ARecordOfNoShapeOfTheTableIsLeftOutAndTold) {
  TableCopy copy("many");
  // Row 2222 was written after the ALTER: it counts the fields it holds
  // beyond the core ones in the byte below its header. Make it count more
  // than the table has.
  std::uint32_t page = 0;
  std::uint32_t origin = 0;
  for (const std::uint32_t leaf : LeafPages(copy)) {
    const ByteView bytes = copy.Page(leaf);
    for (std::uint32_t at = IndexPage(bytes).FirstCompactRecord(); at != kCompactSupremumOrigin;
         at = (at + Be16(bytes, at - 2)) % 0x10000) {
      if (Be32(bytes, at) == 0x800008AEu) {  // id 2222, sign bit flipped
        page = leaf;
        origin = at;
      }
    }
  }
  ASSERT_NE(origin, 0u);
  ASSERT_NE(page, LeafPages(copy).front());
  ASSERT_EQ(copy.Page(page)[origin - 3] & 0x07, 4);  // its status: written after the ALTER
  copy.MutablePage(page)[origin - 6] = 0x40;
  copy.Save();
  const Opened opened = Open(copy.Files(), false);
  ASSERT_TRUE(opened.status.ok()) << opened.status.message();
  const Read read = WalkTexts(*opened.source);
  EXPECT_EQ(read.report.recordsDropped, 1u);
  // The changed byte fails the page's checksum too.
  EXPECT_EQ(read.report.pagesFailingChecksum, 1u);
  const std::string leftOut = "the record at offset " + std::to_string(origin) + " of page " +
                              std::to_string(page) +
                              " is left out: it counts 71 fields, and the table's records have 7";
  EXPECT_NE(std::find(read.report.notes.begin(), read.report.notes.end(), leftOut),
            read.report.notes.end());
  Rows expected = Truth("many", "rows");
  expected.erase(
      std::remove_if(expected.begin(), expected.end(),
                     [](const std::vector<std::string>& row) { return row[0] == "2222"; }),
      expected.end());
  EXPECT_EQ(read.live, expected);
}

}  // namespace
}  // namespace rowmender
