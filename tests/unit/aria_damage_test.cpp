// Damaged Aria files: a copy of a real table (testdata/aria) with bytes
// changed the way a disk or a crash changes them. Only what the damage
// touches is lost, and every loss is told; an index file that does not
// belong to the table is not used; formats that are not read say so; and
// no bytes make a scan run away.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "aria/aria_format.h"
#include "aria/page_file.h"
#include "aria/page_scan.h"
#include "support/table_reads.h"
#include "support/test_paths.h"
#include "tables/table_source.h"
#include "values/export_formats.h"

namespace rowmender {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A copy of one table of testdata/aria in a scratch folder, to damage.
class TableCopy {
 public:
  explicit TableCopy(const std::string& name, const std::string& database = "aria")
      : database_(database), name_(name) {
    fs::create_directories(Folder());
    for (const char* extension : {"frm", "MAD", "MAI"}) {
      fs::copy_file(Original(extension), Path(extension));
    }
  }

  std::string Original(const std::string& extension) const {
    return testing::AriaFolder() + "/" + database_ + "/" + name_ + "." + extension;
  }
  std::string Folder() const { return scratch_.Path().string() + "/" + database_; }
  std::string Path(const std::string& extension) const {
    return Folder() + "/" + name_ + "." + extension;
  }
  std::vector<std::uint8_t> Bytes(const std::string& extension) const {
    return ReadBytes(Path(extension));
  }
  void Write(const std::string& extension, const std::vector<std::uint8_t>& bytes) const {
    std::ofstream out(Path(extension), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  }
  TableFiles Files() const {
    TableFiles files;
    files.databaseFolder = Folder();
    files.tableName = name_;
    files.definitionPath = Path("frm");
    return files;
  }

 private:
  testing::ScratchFolder scratch_;
  std::string database_;
  std::string name_;
};

struct Read {
  Status status;
  std::vector<std::string> notes;
  std::vector<std::string> live;
  std::vector<std::string> deleted;
  ReadReport report;
};

Read ReadTable(const TableFiles& files) {
  Read read;
  ReadOptions options;
  options.collations = &testing::ServerCollations();
  std::unique_ptr<TableSource> source;
  read.status = TableSource::Open(files, options, source);
  if (!read.status.ok()) return read;
  read.notes = source->Notes();
  const std::unique_ptr<TableCursor> cursor = source->NewCursor();
  RowBuffer row;
  FormatScratch scratch;
  while (cursor->Next(row)) {
    std::string line;
    AppendSqlTuple(line, row, cursor->Formats(), scratch);
    (row.deleted ? read.deleted : read.live).push_back(std::move(line));
  }
  read.report = cursor->Report();
  return read;
}

std::vector<std::string> Sorted(std::vector<std::string> lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

// Lines of `a` that `b` lacks.
std::vector<std::string> Missing(const std::vector<std::string>& a,
                                 const std::vector<std::string>& b) {
  std::vector<std::string> out;
  const std::vector<std::string> sa = Sorted(a);
  const std::vector<std::string> sb = Sorted(b);
  std::set_difference(sa.begin(), sa.end(), sb.begin(), sb.end(), std::back_inserter(out));
  return out;
}

bool AnyNoteHas(const std::vector<std::string>& notes, const std::string& text) {
  return std::any_of(notes.begin(), notes.end(),
                     [&](const std::string& note) { return note.find(text) != std::string::npos; });
}

constexpr std::size_t kBlockSize = 8192;

// A test case's name: its `name`.
template <typename Case>
std::string CaseName(const ::testing::TestParamInfo<Case>& param) {
  return param.param.name;
}

std::size_t PageOffset(std::size_t page) {
  return page * kBlockSize;
}

// Where row `index` of page `page` lies in the data file.
aria::DirectoryEntry EntryOf(const std::vector<std::uint8_t>& file, std::size_t page,
                             std::size_t index) {
  return aria::EntryAt(ByteView(file).subspan(PageOffset(page), kBlockSize), index);
}

// ---- Pages ----

struct ChecksumCase {
  const char* name;  // the table
  bool pagesKeepChecksums;
};

class AriaChangedPage : public ::testing::TestWithParam<ChecksumCase> {};

TEST_P(AriaChangedPage, IsReadAsItStandsAndToldWhereItsChecksumSaysSo) {
  const ChecksumCase& c = GetParam();
  TableCopy copy(c.name);
  const Read intact = ReadTable(copy.Files());
  ASSERT_TRUE(intact.status.ok()) << intact.status.message();

  // One byte inside the first row of page 1 (past its header), as a bad
  // sector would change it.
  std::vector<std::uint8_t> file = copy.Bytes("MAD");
  const aria::DirectoryEntry first = EntryOf(file, 1, 0);
  ASSERT_GT(first.length, 40u);
  file[PageOffset(1) + first.offset + first.length - 3] ^= 0x20;
  copy.Write("MAD", file);

  const Read damaged = ReadTable(copy.Files());
  ASSERT_TRUE(damaged.status.ok());
  ASSERT_EQ(damaged.live.size(), intact.live.size());
  EXPECT_EQ(Missing(damaged.live, intact.live).size(), 1u);
  if (c.pagesKeepChecksums) {
    EXPECT_EQ(damaged.report.pagesFailingChecksum, 1u);
    EXPECT_GT(damaged.report.rowsFromDamagedPages, 1u);
    EXPECT_TRUE(AnyNoteHas(damaged.report.notes, "page 1 fails its checksum"));
    EXPECT_FALSE(damaged.report.Complete());
  } else {
    // Nothing on the page can tell.
    EXPECT_EQ(damaged.report.pagesFailingChecksum, 0u);
    EXPECT_TRUE(damaged.report.Complete());
  }
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutPageChecksums, AriaChangedPage,
                         ::testing::Values(ChecksumCase{"page_trans", true},
                                           ChecksumCase{"page_plain", false}),
                         CaseName<ChecksumCase>);

TEST(AriaDamage, ALostPageOfALongValueCutsOnlyThatRowShort) {
  TableCopy copy("page_trans");
  const Read intact = ReadTable(copy.Files());
  // The first full page of a live row's long value (the bitmap says it is
  // in use) is overwritten with zeros.
  std::vector<std::uint8_t> file = copy.Bytes("MAD");
  const MemorySource bytes(file);
  AriaPageFile pages(bytes, kBlockSize);
  std::size_t lost = 0;
  for (std::uint64_t page = 1; page < pages.PageCount() && lost == 0; ++page) {
    const ByteView view = ByteView(file).subspan(PageOffset(page), kBlockSize);
    if (aria::TypeOfPage(view) == aria::PageType::kBlob &&
        pages.BitmapPattern(page) != aria::kEmptyPagePattern) {
      lost = page;
    }
  }
  ASSERT_NE(lost, 0u);
  std::fill_n(file.begin() + static_cast<std::ptrdiff_t>(PageOffset(lost)), kBlockSize, 0);
  copy.Write("MAD", file);

  const Read damaged = ReadTable(copy.Files());
  ASSERT_TRUE(damaged.status.ok());
  EXPECT_EQ(damaged.live.size(), intact.live.size());
  EXPECT_EQ(Missing(damaged.live, intact.live).size(), 1u);
  EXPECT_EQ(damaged.report.valuesCutShort, 1u);
  EXPECT_TRUE(AnyNoteHas(damaged.report.notes,
                         "page " + std::to_string(lost) + ", which should hold its long values"));
  EXPECT_FALSE(damaged.report.Complete());
}

TEST(AriaDamage, ARowWhoseEntryPointsOffThePageIsLeftOutAndItsBytesFoundAgain) {
  TableCopy copy("page_plain");
  const Read intact = ReadTable(copy.Files());
  std::vector<std::uint8_t> file = copy.Bytes("MAD");
  // Entry 0 of page 1 (stored last before the checksum) points past the
  // directory.
  const std::size_t entry = PageOffset(2) - aria::kPageSuffixSize - aria::kDirectoryEntrySize;
  file[entry] = 0xF0;
  file[entry + 1] = 0xFF;  // offset 65520
  copy.Write("MAD", file);

  const Read damaged = ReadTable(copy.Files());
  ASSERT_TRUE(damaged.status.ok());
  EXPECT_EQ(damaged.report.recordsDropped, 1u);
  EXPECT_TRUE(AnyNoteHas(damaged.report.notes,
                         "page 1, row 0: its directory entry points outside the page"));
  EXPECT_EQ(damaged.live.size() + 1, intact.live.size());
  // Its bytes are still where the row was: they are read as a row no
  // directory entry keeps.
  const std::vector<std::string> gone = Missing(intact.live, damaged.live);
  ASSERT_EQ(gone.size(), 1u);
  EXPECT_NE(std::find(damaged.deleted.begin(), damaged.deleted.end(), gone[0]),
            damaged.deleted.end());
  EXPECT_FALSE(damaged.report.Complete());
}

TEST(AriaDamage, GarbageInTheFreeSpaceOfAPageIsNoRow) {
  // The free space after the last row of a page gets random bytes: they
  // must not hold together as a row.
  TableCopy copy("page_plain");
  const Read intact = ReadTable(copy.Files());
  std::mt19937 random(20240301);
  for (int round = 0; round < 20; ++round) {
    std::vector<std::uint8_t> file = ReadBytes(copy.Original("MAD"));
    const ByteView page = ByteView(file).subspan(PageOffset(1), kBlockSize);
    const std::size_t count = aria::DirectoryCount(page);
    std::size_t end = aria::kPageHeaderSize;
    for (std::size_t i = 0; i < count; ++i) {
      const aria::DirectoryEntry entry = aria::EntryAt(page, i);
      if (entry.offset != 0) end = std::max<std::size_t>(end, entry.offset + entry.length);
    }
    const std::size_t directory = aria::DirectoryStart(kBlockSize, count);
    ASSERT_GT(directory, end + 100);
    for (std::size_t i = end; i < directory; ++i) {
      file[PageOffset(1) + i] = static_cast<std::uint8_t>(random());
    }
    copy.Write("MAD", file);
    const Read read = ReadTable(copy.Files());
    EXPECT_EQ(read.live, intact.live) << "round " << round;
    EXPECT_EQ(read.deleted, intact.deleted) << "round " << round;
  }
}

TEST(AriaDamage, APageOfRowsZeroedIsToldByTheBitmap) {
  TableCopy copy("many_rows");
  const Read intact = ReadTable(copy.Files());
  std::vector<std::uint8_t> file = copy.Bytes("MAD");
  std::fill_n(file.begin() + static_cast<std::ptrdiff_t>(PageOffset(3)), kBlockSize, 0);
  copy.Write("MAD", file);
  const Read damaged = ReadTable(copy.Files());
  ASSERT_TRUE(damaged.status.ok());
  EXPECT_LT(damaged.live.size(), intact.live.size());
  EXPECT_EQ(Missing(damaged.live, intact.live), std::vector<std::string>{});
  EXPECT_EQ(damaged.report.pagesSkipped, 1u);
  EXPECT_TRUE(AnyNoteHas(damaged.report.notes,
                         "page 3 is all zeros, but the bitmap counts it as a page of rows"));
  EXPECT_FALSE(damaged.report.Complete());
}

TEST(AriaDamage, ADataFileCutShortLosesTheRowsOfItsLastPageAndSaysSo) {
  TableCopy copy("many_rows");
  const Read intact = ReadTable(copy.Files());
  std::vector<std::uint8_t> file = copy.Bytes("MAD");
  file.resize(file.size() - kBlockSize / 2);
  copy.Write("MAD", file);
  const Read damaged = ReadTable(copy.Files());
  ASSERT_TRUE(damaged.status.ok());
  EXPECT_LT(damaged.live.size(), intact.live.size());
  EXPECT_EQ(damaged.report.pagesSkipped, 1u);
  EXPECT_TRUE(AnyNoteHas(damaged.report.notes, "the data file ends inside page"));
  EXPECT_FALSE(damaged.report.Complete());
}

TEST(AriaDamage, AnEmptiedDataFileIsNoEmptyTable) {
  TableCopy copy("page_trans");
  copy.Write("MAD", {});
  const Read read = ReadTable(copy.Files());
  EXPECT_FALSE(read.status.ok());
  EXPECT_NE(read.status.message().find("its index file counts 74 rows"), std::string::npos)
      << read.status.message();
}

// ---- The index file ----

struct IndexCase {
  const char* name;
  // Changes the table's index file.
  void (*damage)(TableCopy& copy);
  const char* why;
};

const IndexCase kIndexCases[] = {
    {"zeroed", [](TableCopy& copy) { copy.Write("MAI", std::vector<std::uint8_t>(16384, 0)); },
     "does not begin as an Aria index file does"},
    {"cut_short",
     [](TableCopy& copy) {
       std::vector<std::uint8_t> bytes = copy.Bytes("MAI");
       bytes.resize(300);
       copy.Write("MAI", bytes);
     },
     "ends before its base information"},
    {"of_a_table_with_other_columns",
     [](TableCopy& copy) {
       copy.Write("MAI", ReadBytes(testing::AriaFolder() + "/aria/many_rows.MAI"));
     },
     "are not the definition's"},
    {"with_row_checksums_the_table_has_not",
     [](TableCopy& copy) {
       copy.Write("MAI", ReadBytes(testing::AriaFolder() + "/aria/page_plain.MAI"));
     },
     "it keeps a checksum in each row, the definition does not"},
};

class AriaUnusableIndex : public ::testing::TestWithParam<IndexCase> {};

TEST_P(AriaUnusableIndex, IsToldAndTheDefinitionGivesTheFormat) {
  TableCopy copy("page_trans");
  const Read intact = ReadTable(copy.Files());
  GetParam().damage(copy);
  const Read read = ReadTable(copy.Files());
  ASSERT_TRUE(read.status.ok()) << read.status.message();
  ASSERT_EQ(read.notes.size(), 1u);
  EXPECT_NE(read.notes[0].find("is damaged ("), std::string::npos) << read.notes[0];
  EXPECT_NE(read.notes[0].find(GetParam().why), std::string::npos) << read.notes[0];
  EXPECT_NE(read.notes[0].find("the record format (PAGE) and layout are taken from the definition"),
            std::string::npos);
  EXPECT_EQ(read.live, intact.live);
  EXPECT_EQ(read.deleted, intact.deleted);
}

INSTANTIATE_TEST_SUITE_P(Cases, AriaUnusableIndex, ::testing::ValuesIn(kIndexCases),
                         CaseName<IndexCase>);

struct UnreadCase {
  const char* name;
  std::size_t offset;  // in the index file
  std::uint8_t value;
  const char* message;
};

// The record type (byte 22 of the header) and the encryption bit among the
// extra options of the base information (at 239 + 90).
const UnreadCase kUnreadCases[] = {
    {"packed", 22, 2, "the table was packed by aria_pack; such tables are not read"},
    {"without_rows", 22, 4, "the table keeps no rows in its data file"},
    {"encrypted", 239 + 91, 1, "the table's pages are encrypted; they are not read"},
};

class AriaUnreadFormat : public ::testing::TestWithParam<UnreadCase> {};

TEST_P(AriaUnreadFormat, IsRefusedByNameOnTheCommandLine) {
  const UnreadCase& c = GetParam();
  TableCopy copy("page_trans");
  std::vector<std::uint8_t> index = copy.Bytes("MAI");
  index[c.offset] = c.value;
  copy.Write("MAI", index);
  const Read read = ReadTable(copy.Files());
  EXPECT_FALSE(read.status.ok());
  EXPECT_NE(read.status.message().find(c.message), std::string::npos) << read.status.message();

  const fs::path folder = fs::path(copy.Folder()).parent_path();
  const auto cli = testing::RunCli({"rows", folder.string(), "aria", "page_trans"});
  EXPECT_EQ(cli.status, 1);
  EXPECT_NE(cli.err.find(c.message), std::string::npos) << cli.err;
  EXPECT_EQ(cli.out, "");
}

INSTANTIATE_TEST_SUITE_P(Cases, AriaUnreadFormat, ::testing::ValuesIn(kUnreadCases),
                         CaseName<UnreadCase>);

// ---- Hostile pages ----

TEST(AriaHostilePages, NoBytesMakeTheScanRunAway) {
  // Pages made of one byte value, of random bytes, and head pages whose
  // rows claim extents to every page and lengths beyond the file.
  const TableCopy copy("page_trans");
  const std::vector<std::uint8_t> real = copy.Bytes("MAD");
  ReadOptions options;
  options.collations = &testing::ServerCollations();
  std::unique_ptr<TableSource> source;
  ASSERT_TRUE(TableSource::Open(copy.Files(), options, source).ok());
  const TableDefinition& table = source->Definition();
  const AriaFormat format = DeriveAriaFormat(table, AriaRecordType::kPage);

  std::mt19937 random(7);
  std::vector<std::vector<std::uint8_t>> files;
  files.push_back(std::vector<std::uint8_t>(4 * kBlockSize, 0xFF));
  std::vector<std::uint8_t> noise(6 * kBlockSize);
  for (auto& b : noise)
    b = static_cast<std::uint8_t>(random());
  files.push_back(noise);
  // The real pages with their rows' headers scrambled: every byte of the
  // first 40 of each row.
  std::vector<std::uint8_t> scrambled = real;
  for (std::size_t page = 1; page * kBlockSize < scrambled.size(); ++page) {
    const ByteView view = ByteView(real).subspan(PageOffset(page), kBlockSize);
    if (aria::TypeOfPage(view) != aria::PageType::kHead) continue;
    for (std::size_t i = 0; i < aria::DirectoryCount(view); ++i) {
      const aria::DirectoryEntry entry = aria::EntryAt(view, i);
      for (std::size_t b = 0; b < 40 && b < entry.length; ++b) {
        scrambled[PageOffset(page) + entry.offset + b] = static_cast<std::uint8_t>(random());
      }
    }
  }
  files.push_back(scrambled);

  for (std::size_t f = 0; f < files.size(); ++f) {
    const MemorySource bytes(files[f]);
    AriaPageCursor cursor(table, format, bytes, &testing::ServerCollations());
    RowBuffer row;
    std::size_t rows = 0;
    PageStart last{0, 0};
    while (cursor.Next(row)) {
      // Positions only ever move on.
      const PageStart now = cursor.Position();
      EXPECT_TRUE(now.pageNumber > last.pageNumber ||
                  (now.pageNumber == last.pageNumber && now.offset > last.offset))
          << "file " << f;
      last = now;
      ++rows;
      ASSERT_LT(rows, 10000u) << "file " << f;
    }
    EXPECT_FALSE(cursor.Report().Complete() && rows == 0) << "file " << f;
  }
}

}  // namespace
}  // namespace rowmender
