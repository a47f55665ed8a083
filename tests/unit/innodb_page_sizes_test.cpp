// Tables of real MariaDB servers of every InnoDB page size other than the
// default (4, 8, 32 and 64 KiB) and page-compressed tables of every
// compression algorithm, in both tablespace forms:
// testdata/page-sizes-datadir.tar.gz, with the rows the servers hold in
// testdata/page-sizes/. Every table reads exactly as the server answered,
// by the walk from the root and by the page scan; the data dictionary of
// an 8 KiB system tablespace gives the tables; a damaged page 0, a damaged
// compressed page and an unknown algorithm are said.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "innodb/geometry.h"
#include "innodb/page.h"
#include "innodb/page_compression.h"
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

fs::path Folder(const std::string& server) {
  return fs::path(ROWMENDER_BINARY_DIR) / "page-sizes-datadir" / server;
}
std::string DatabaseOf(const std::string& server) {
  return server.find('k') != std::string::npos ? "sizes" : "pc";
}
// The server's rows; the binary column of `docs` (the client prints its
// bytes) as the save form writes binary values, 0x and hex digits.
Rows Truth(const std::string& server, const std::string& table) {
  Rows rows = testing::ReadBatchTsv(testing::SourceFolder() + "/testdata/page-sizes/" + server +
                                    "/" + table + ".rows.tsv")
                  .rows;
  constexpr std::size_t kDocsData = 3;
  if (table == "docs") testing::WriteColumnAsHex(rows, kDocsData);
  return rows;
}

using Read = testing::TextsRead;
using testing::ScanTexts;
using testing::WalkTexts;

struct Opened {
  std::unique_ptr<TableSource> source;
  Status status;
  std::unique_ptr<SystemTablespace> system;
};

Opened Open(const fs::path& folder, const std::string& database, const std::string& table,
            bool dictionary = false, bool frm = true) {
  Opened out;
  ReadOptions options;
  options.collations = &testing::ServerCollations();
  if (dictionary) {
    const Status status = SystemTablespace::Open((folder / "ibdata1").string(),
                                                 &testing::ServerCollations(), out.system);
    EXPECT_TRUE(status.ok()) << status.message();
    options.systemTablespace = out.system.get();
  }
  TableFiles files{(folder / database / (table + ".frm")).string(), (folder / database).string(),
                   table};
  if (!frm) {
    files.definitionPath = (folder / "ibdata1").string();
    files.origin = DefinitionOrigin::kDictionary;
  }
  out.status = TableSource::Open(files, options, out.source);
  return out;
}

struct Case {
  std::string server;  // the data folder: a page size or a checksum form
  std::string table;
  bool dictionary = false;  // column types by the data dictionary of ibdata1
  bool frm = true;          // false: the definition from the dictionary alone
};

[[maybe_unused]] void PrintTo(const Case& c, std::ostream* out) {
  *out << c.server << "/" << c.table << (c.dictionary ? " with the dictionary" : "")
       << (c.frm ? "" : " without the .frm");
}

class PageSizeTable : public ::testing::TestWithParam<Case> {};

// Every row is the server's, by both reads, and nothing is reported lost.
TEST_P(PageSizeTable, ReadsAsTheServerAnswered) {
  const Case& c = GetParam();
  const Opened opened = Open(Folder(c.server), DatabaseOf(c.server), c.table, c.dictionary, c.frm);
  ASSERT_TRUE(opened.status.ok()) << opened.status.message();
  EXPECT_TRUE(opened.source->Notes().empty()) << opened.source->Notes().front();
  if (opened.system != nullptr) {
    EXPECT_TRUE(opened.system->DictionaryReport().Complete());
    EXPECT_TRUE(opened.system->DictionaryReport().notes.empty());
  }
  const Rows truth = Truth(c.server, c.table);
  ASSERT_FALSE(truth.empty());
  for (const Read& read : {WalkTexts(*opened.source), ScanTexts(*opened.source)}) {
    EXPECT_TRUE(read.report.Complete());
    EXPECT_TRUE(read.report.notes.empty()) << read.report.notes.front();
    EXPECT_EQ(read.live, truth);
  }
}

std::vector<Case> AllCases() {
  std::vector<Case> cases;
  for (const char* size : {"4k", "8k", "32k", "64k"}) {
    for (const char* table : {"items", "docs", "older"})
      cases.push_back({size, table});
  }
  // 8k keeps its system tablespace: the dictionary types the columns, or
  // gives the whole definition (not a DECIMAL's precision, which `items`
  // has).
  for (const char* table : {"items", "docs", "older"}) {
    cases.push_back({"8k", table, true});
    if (std::string(table) != "items") cases.push_back({"8k", table, true, false});
  }
  for (const char* form : {"full_crc32", "crc32"}) {
    for (const char* algorithm : {"zlib", "lz4", "lzo", "lzma", "bzip2", "snappy"})
      cases.push_back({form, std::string("t_") + algorithm});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(AllTables, PageSizeTable, ::testing::ValuesIn(AllCases()),
                         [](const ::testing::TestParamInfo<Case>& param) {
                           return param.param.server + "_" + param.param.table +
                                  (param.param.dictionary ? "_dictionary" : "") +
                                  (param.param.frm ? "" : "_nofrm");
                         });

std::vector<std::uint8_t> FileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The flags of page 0 give each server's page size, and the compression
// of a page-compressed tablespace in the form it was written in.
TEST(TablespaceGeometry, FlagsOfEveryServerGiveItsShape) {
  struct Expected {
    std::string server;
    std::string file;
    std::uint32_t pageSize;
    bool fullCrc32;
    bool pageCompressed;
    unsigned algorithm;
  };
  for (const Expected& e : {Expected{"4k", "sizes/items.ibd", 4096, true, false, 0},
                            Expected{"8k", "ibdata1", 8192, true, false, 0},
                            Expected{"32k", "sizes/docs.ibd", 32768, true, false, 0},
                            Expected{"64k", "sizes/older.ibd", 65536, true, false, 0},
                            Expected{"full_crc32", "pc/t_lzma.ibd", 16384, true, true, 4},
                            Expected{"full_crc32", "pc/t_snappy.ibd", 16384, true, true, 6},
                            Expected{"crc32", "pc/t_lz4.ibd", 16384, false, true, 0}}) {
    SCOPED_TRACE(e.server + "/" + e.file);
    const std::vector<std::uint8_t> bytes = FileBytes(Folder(e.server) / e.file);
    std::string note;
    const TablespaceGeometry geometry = GeometryOfBytes(bytes, &note);
    EXPECT_EQ(note, "");
    EXPECT_FALSE(geometry.probed);
    EXPECT_EQ(geometry.pageSize, e.pageSize);
    EXPECT_EQ(geometry.physicalPageSize, e.pageSize);
    EXPECT_EQ(geometry.fullCrc32, e.fullCrc32);
    EXPECT_EQ(geometry.pageCompressed, e.pageCompressed);
    EXPECT_EQ(geometry.compressionAlgorithm, e.algorithm);
    EXPECT_EQ(bytes.size() % e.pageSize, 0u);
  }
}

TEST(TablespaceEncryption, MySqlKeyringEncryptionIsToldByItsFlagAndKeyMagic) {
  // No server here writes MySQL's ENCRYPTION='Y': a real MySQL 8.4 page 0
  // is given its flag and the tablespace key's magic behind the extent
  // descriptors, where the server keeps them.
  const std::vector<std::uint8_t> real =
      FileBytes(std::filesystem::path(testing::Sakila84Folder()) / "sakila" / "actor.ibd");
  ASSERT_GE(real.size(), kInnoPageSize);
  const std::vector<std::uint8_t> page0(real.begin(), real.begin() + kInnoPageSize);
  constexpr std::size_t kKeyAt = 10390;  // past 256 extent descriptors of 40 bytes
  const auto withFlag = [](std::vector<std::uint8_t> page) {
    page[TablespaceGeometry::kFlagsOffset + 2] |= 0x20;  // bit 13 of the big-endian flags
    return page;
  };
  const auto withMagic = [](std::vector<std::uint8_t> page, char version) {
    page[kKeyAt] = 'l';
    page[kKeyAt + 1] = 'C';
    page[kKeyAt + 2] = static_cast<std::uint8_t>(version);
    return page;
  };
  const struct {
    const char* what;
    std::vector<std::uint8_t> page;
    bool encrypted;
  } cases[] = {
      {"as the server wrote it", page0, false},
      {"the flag alone", withFlag(page0), false},
      {"the magic alone", withMagic(page0, 'C'), false},
      {"flag and key, version 3", withMagic(withFlag(page0), 'C'), true},
      {"flag and key, version 1", withMagic(withFlag(page0), 'A'), true},
      {"flag and an unknown version", withMagic(withFlag(page0), 'Z'), false},
  };
  for (const auto& c : cases) {
    TablespaceEncryption encryption;
    const bool found = TablespaceEncryption::DecodeFrom(c.page, encryption);
    EXPECT_EQ(found && encryption.Encrypted(), c.encrypted) << c.what;
    if (c.encrypted) {
      EXPECT_TRUE(encryption.keyring) << c.what;
    }
  }
}

TEST(TablespaceGeometry, FlagsOfEachFormDecode) {
  TablespaceGeometry g;
  // MySQL 5.7 and MariaDB: 8 KiB pages, ROW_FORMAT=COMPRESSED of 4 KiB.
  ASSERT_TRUE(TablespaceGeometry::FromFlags(0x1 | (3u << 1) | 0x20 | (4u << 6), g));
  EXPECT_EQ(g.pageSize, 8192u);
  EXPECT_EQ(g.physicalPageSize, 4096u);
  EXPECT_TRUE(g.RowCompressed());
  EXPECT_EQ(PageOffset(3, g), 3u * 4096u);
  EXPECT_EQ(PageCountOf(5 * 4096 + 10, g), 5u);
  // A compressed page larger than the page is no page size.
  EXPECT_FALSE(TablespaceGeometry::FromFlags(0x1 | (5u << 1) | 0x20 | (4u << 6), g));
  // MariaDB's page compression, 16 KiB (PAGE_SSIZE 0), MySQL's DATA DIRECTORY.
  ASSERT_TRUE(TablespaceGeometry::FromFlags((1u << 16) | (1u << 10) | 0x21, g));
  EXPECT_EQ(g.pageSize, 16384u);
  EXPECT_TRUE(g.pageCompressed);
  EXPECT_TRUE(g.dataDirectory);
  // full_crc32, 64 KiB, bzip2.
  ASSERT_TRUE(TablespaceGeometry::FromFlags(7u | 0x10 | (5u << 5), g));
  EXPECT_EQ(g.pageSize, 65536u);
  EXPECT_EQ(g.ExtentPages(), 64u);
  EXPECT_EQ(g.compressionAlgorithm, 5u);
  // Sizes no server writes.
  EXPECT_FALSE(TablespaceGeometry::FromFlags(8u | 0x10, g));
  EXPECT_FALSE(TablespaceGeometry::FromFlags(2u << 6, g));
  EXPECT_FALSE(TablespaceGeometry::FromFlags(1u << 20, g));
  // 4 KiB pages: 256 pages to an extent, descriptors of 88 bytes.
  ASSERT_TRUE(TablespaceGeometry::FromFlags(3u << 6, g));
  EXPECT_EQ(g.ExtentPages(), 256u);
  EXPECT_EQ(g.DescriptorSize(), 88u);
}

// A copy of a server's data folder whose file `file` is changed by `edit`.
class EditedCopy {
 public:
  EditedCopy(const std::string& server, const std::string& database, const std::string& table)
      : database_(database), table_(table) {
    const fs::path from = Folder(server) / database;
    fs::create_directories(scratch_.Path() / database);
    for (const char* extension : {".frm", ".ibd"})
      fs::copy_file(from / (table + extension), scratch_.Path() / database / (table + extension));
    bytes_ = FileBytes(IbdPath());
  }
  fs::path IbdPath() const { return scratch_.Path() / database_ / (table_ + ".ibd"); }
  std::vector<std::uint8_t>& Bytes() { return bytes_; }
  Opened Save() {
    std::ofstream out(IbdPath(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes_.data()),
              static_cast<std::streamsize>(bytes_.size()));
    out.close();
    return Open(scratch_.Path(), database_, table_);
  }

 private:
  testing::ScratchFolder scratch_;
  std::string database_;
  std::string table_;
  std::vector<std::uint8_t> bytes_;
};

bool AnyNoteHas(const std::vector<std::string>& notes, const std::string& text) {
  return std::any_of(notes.begin(), notes.end(),
                     [&](const std::string& note) { return note.find(text) != std::string::npos; });
}

// Page 0 destroyed: the page size is found by the pages after it, and said.
TEST(PageSizeDamage, PageZeroLostFindsThePageSizeByProbing) {
  for (const auto& [server, size] :
       {std::pair<std::string, std::size_t>{"4k", 4096}, {"8k", 8192}, {"64k", 65536}}) {
    SCOPED_TRACE(server);
    EditedCopy copy(server, "sizes", "items");
    std::fill_n(copy.Bytes().begin(), size, std::uint8_t{0});
    const Opened opened = copy.Save();
    ASSERT_TRUE(opened.status.ok()) << opened.status.message();
    EXPECT_TRUE(AnyNoteHas(opened.source->Notes(),
                           "page 0, which names the page size, is damaged: the page size, " +
                               std::to_string(size / 1024) + " KiB, was found"));
    for (const Read& read : {WalkTexts(*opened.source), ScanTexts(*opened.source)})
      EXPECT_EQ(read.live, Truth(server, "items"));
  }
}

// The system tablespace of 8 KiB pages without its page 0: its dictionary
// is read at the size its other pages show, and the report says how.
TEST(PageSizeDamage, SystemTablespaceWithoutPageZeroKeepsItsDictionary) {
  testing::ScratchFolder scratch;
  std::vector<std::uint8_t> bytes = FileBytes(Folder("8k") / "ibdata1");
  std::fill_n(bytes.begin(), 8192, std::uint8_t{0});
  const std::string path = scratch.Write("ibdata1", bytes);
  std::unique_ptr<SystemTablespace> system;
  const Status status = SystemTablespace::Open(path, &testing::ServerCollations(), system);
  ASSERT_TRUE(status.ok()) << status.message();
  EXPECT_EQ(system->Pages().PageSize(), 8192u);
  EXPECT_TRUE(AnyNoteHas(system->DictionaryReport().notes, "the page size, 8 KiB, was found"));
  for (const char* table : {"sizes/items", "sizes/docs", "sizes/older"})
    EXPECT_NE(system->FindTableId(table), 0u) << table;
}

// A leaf page whose record list is broken (the infimum's link cleared):
// its records are found one by one at every page size, and are the rows.
TEST(PageSizeDamage, BrokenRecordListIsSalvagedAtEveryPageSize) {
  for (const auto& [server, pageSize] : {std::pair<std::string, std::size_t>{"4k", 4096},
                                         {"8k", 8192},
                                         {"32k", 32768},
                                         {"64k", 65536}}) {
    SCOPED_TRACE(server);
    // clang before 16 cannot capture a structured binding in a lambda.
    const std::size_t size = pageSize;
    EditedCopy copy(server, "sizes", "items");
    std::vector<std::uint8_t>& bytes = copy.Bytes();
    const auto pageAt = [&](std::size_t n) { return ByteView(bytes).subspan(n * size, size); };
    const std::uint64_t indexId = IndexPage(pageAt(3)).Header().indexId;
    std::size_t leaf = 0;
    for (std::size_t n = 3; (n + 1) * size <= bytes.size() && leaf == 0; ++n) {
      const IndexPage page(pageAt(n));
      if (page.IsIndexPage() && page.Level() == 0 && page.Header().indexId == indexId) leaf = n;
    }
    ASSERT_NE(leaf, 0u);
    bytes[leaf * size + kCompactFirstLinkOffset] = 0;
    bytes[leaf * size + kCompactFirstLinkOffset + 1] = 0;
    const Opened opened = copy.Save();
    ASSERT_TRUE(opened.status.ok()) << opened.status.message();
    const Read read = WalkTexts(*opened.source);
    EXPECT_EQ(read.report.pagesSalvaged, 1u);
    EXPECT_EQ(read.live, Truth(server, "items"));
  }
}

// The pages of a table stored compressed, in page order (the FIL header's
// type says so).
std::vector<std::uint32_t> CompressedPages(const std::vector<std::uint8_t>& bytes) {
  std::vector<std::uint32_t> pages;
  for (std::uint32_t n = 1; std::size_t{n + 1} * kInnoPageSize <= bytes.size(); ++n) {
    if (Be16(ByteView(bytes).subspan(std::size_t{n} * kInnoPageSize), FilHeader::kPageTypeOffset) ==
        kPageCompressedType)
      pages.push_back(n);
  }
  return pages;
}

// A compressed leaf page whose payload is damaged, or whose algorithm no
// server knows: the page is skipped and named, the rest is read.
TEST(PageSizeDamage, UnreadableCompressedPageIsSkippedAndNamed) {
  struct Damage {
    std::string what;
    std::size_t offset;  // in the page
    std::uint8_t value;
    std::string note;
  };
  for (const Damage& d :
       {Damage{"payload", 60, 0x5A, "its zlib-compressed contents are damaged"},
        Damage{"algorithm", 33, 9, "it is compressed with an unknown algorithm (number 9)"}}) {
    SCOPED_TRACE(d.what);
    EditedCopy copy("crc32", "pc", "t_zlib");
    // A leaf page with rows: the last compressed page (page 3, the root,
    // holds node pointers).
    const std::vector<std::uint32_t> pages = CompressedPages(copy.Bytes());
    ASSERT_GE(pages.size(), 2u);
    const std::uint32_t damaged = pages.back();
    std::uint8_t& byte = copy.Bytes()[std::size_t{damaged} * kInnoPageSize + d.offset];
    byte = d.offset == 33 ? d.value : static_cast<std::uint8_t>(byte ^ d.value);
    const Opened opened = copy.Save();
    ASSERT_TRUE(opened.status.ok()) << opened.status.message();
    const Rows truth = Truth("crc32", "t_zlib");
    const Read read = WalkTexts(*opened.source);
    EXPECT_EQ(read.report.pagesSkipped, 1u);
    EXPECT_TRUE(AnyNoteHas(read.report.notes,
                           "page " + std::to_string(damaged) + " cannot be read: " + d.note));
    EXPECT_LT(read.live.size(), truth.size());
    EXPECT_GT(read.live.size(), 0u);
    for (const std::vector<std::string>& row : read.live)
      EXPECT_NE(std::find(truth.begin(), truth.end(), row), truth.end());
  }
}

// A full_crc32 page whose stored form fails its checksum is named too.
TEST(PageSizeDamage, CompressedPageFailingItsChecksumIsNamed) {
  const std::vector<std::uint8_t> bytes = FileBytes(Folder("full_crc32") / "pc" / "t_lz4.ibd");
  std::string note;
  const TablespaceGeometry geometry = GeometryOfBytes(bytes, &note);
  std::vector<std::uint8_t> page(bytes.begin() + 3 * kInnoPageSize,
                                 bytes.begin() + 4 * kInnoPageSize);
  ASSERT_TRUE(IsStoredCompressed(page, geometry));
  std::vector<std::uint8_t> out(kInnoPageSize, 0);
  EXPECT_EQ(InflatePage(page, geometry, out), "");
  EXPECT_EQ(Be32(out, FilHeader::kPageNumberOffset), 3u);
  page[40] ^= 0x01;
  EXPECT_EQ(InflatePage(page, geometry, out), "it fails its checksum");
  EXPECT_EQ(Be32(out, FilHeader::kPageNumberOffset), 3u);  // the header is kept
  EXPECT_EQ(out[200], 0);
}

// A stored page cut off inside its compression header (a file that ends
// early) is damage, told as such: its length field cannot be believed.
TEST(PageSizeDamage, ACompressedPageCutOffInItsHeaderIsNamedNotRead) {
  TablespaceGeometry geometry;
  // A 16 KiB tablespace of the older format, page-compressed.
  ASSERT_TRUE(TablespaceGeometry::FromFlags((1u << 16) | 0x21, geometry));
  for (const std::size_t cut : {std::size_t{38}, std::size_t{39}}) {
    std::vector<std::uint8_t> page(cut, 0);
    const std::uint8_t header[] = {0xDE, 0xAD, 0xBE, 0xEF};
    std::copy(std::begin(header), std::end(header), page.begin());
    page[24] = kPageCompressedType >> 8;
    page[25] = kPageCompressedType & 0xFF;
    page[33] = 4;  // LZMA
    if (cut > 38) page[38] = 0x40;
    std::vector<std::uint8_t> out(geometry.pageSize, 0);
    const std::string problem = InflatePage(page, geometry, out);
    EXPECT_EQ(problem.rfind("its compressed length (", 0), 0u) << cut << ": " << problem;
  }
}

}  // namespace
}  // namespace rowmender
