// ROW_FORMAT=COMPRESSED tables a real MariaDB server wrote with every
// KEY_BLOCK_SIZE (testdata/compressed-datadir.tar.gz, the rows the server
// holds beside the files). Every index page of each tablespace inflates;
// the inflated leaves read, by the ordinary record readers, exactly the
// server's rows, deleted ones flagged, long values from the compressed
// BLOB chains included; damaged pages and chains are reported, never read
// past.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/data_file.h"
#include "definitions/frm_reader.h"
#include "innodb/btree.h"
#include "innodb/compressed_page.h"
#include "innodb/external_value.h"
#include "innodb/page.h"
#include "innodb/page_checksum.h"
#include "innodb/record_columns.h"
#include "innodb/table_scan.h"
#include "support/table_reads.h"
#include "support/truth_files.h"
#include "tables/table_source.h"
#include "values/value_texts.h"

namespace rowmender {
namespace {

using Rows = std::vector<std::vector<std::string>>;

std::string DataFolder() {
  return std::string(ROWMENDER_BINARY_DIR) + "/compressed-datadir";
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  EXPECT_TRUE(ReadWholeFile(path, bytes)) << path;
  return bytes;
}

// A tablespace with its index pages inflated: every page at the full page
// size (the others as stored, padded with zeros), and what the inflation
// met.
struct Inflated {
  std::size_t physical = 0;
  std::vector<std::uint8_t> image;
  std::size_t indexPages = 0;
  std::size_t nodePages = 0;
  std::size_t blobPages = 0;
  std::size_t logEntries = 0;
  std::size_t deleteMarked = 0;
  std::size_t references = 0;
};

Inflated InflateTablespace(const std::vector<std::uint8_t>& file) {
  Inflated out;
  out.physical = CompressedPageSizeOf(file);
  EXPECT_NE(out.physical, 0u);
  if (out.physical == 0) return out;
  const std::size_t pages = file.size() / out.physical;
  out.image.assign(pages * kInnoPageSize, 0);
  std::vector<std::uint8_t> page;
  for (std::size_t n = 0; n < pages; ++n) {
    const ByteView zip(file.data() + n * out.physical, out.physical);
    std::uint8_t* slot = out.image.data() + n * kInnoPageSize;
    const std::uint16_t type = Be16(zip, FilHeader::kPageTypeOffset);
    if (type != kIndexPageType) {
      std::copy(zip.begin(), zip.end(), slot);
      if (type == kCompressedBlobPageType || type == kCompressedBlobNextPageType) ++out.blobPages;
      continue;
    }
    CompressedPageNotes notes;
    const Status status = InflateCompressedPage(zip, kInnoPageSize, page, &notes);
    EXPECT_TRUE(status.ok()) << "page " << n << ": " << status.message();
    if (!status.ok()) continue;
    EXPECT_TRUE(PageIsSound(page)) << "page " << n;
    std::copy(page.begin(), page.end(), slot);
    ++out.indexPages;
    if (!notes.leaf) ++out.nodePages;
    out.logEntries += notes.logEntries;
    out.deleteMarked += notes.deleteMarked;
    out.references += notes.externalReferences;
  }
  return out;
}

// The server's text of a table's rows; binary values, which the client
// prints as their bytes, as the save form writes them (hex).
Rows Truth(const std::string& table, const char* kind) {
  const testing::TsvTable tsv =
      testing::ReadBatchTsv(DataFolder() + "/" + table + "." + kind + ".tsv");
  Rows rows = tsv.rows;
  const int binary = tsv.Column("blob_part");
  if (binary >= 0) testing::WriteColumnAsHex(rows, static_cast<std::size_t>(binary));
  return rows;
}

struct Case {
  std::string table;
  std::size_t keyBlockSize;
  bool sortTruth;  // no key orders the server's text as the leaves do
};

[[maybe_unused]] void PrintTo(const Case& c, std::ostream* out) {
  *out << c.table;
}

class CompressedTable : public ::testing::TestWithParam<Case> {};

TEST_P(CompressedTable, InflatedLeavesReadAsTheServerAnswered) {
  const Case& c = GetParam();
  const std::string base = DataFolder() + "/zip/" + c.table;
  const std::vector<std::uint8_t> file = ReadFile(base + ".ibd");
  const Inflated inflated = InflateTablespace(file);
  ASSERT_EQ(inflated.physical, c.keyBlockSize);
  // Trees of several levels, changes since the last compression in the
  // modification logs, delete-marked records.
  EXPECT_GT(inflated.nodePages, 0u);
  EXPECT_GT(inflated.logEntries, 0u);
  EXPECT_GT(inflated.deleteMarked, 0u);

  TableDefinition table;
  DefinitionProgress progress;
  const std::vector<std::uint8_t> frm = ReadFile(base + ".frm");
  ASSERT_EQ(ParseTableDefinition(frm, table, progress), DefinitionStatus::kRead);
  std::vector<InnoColumn> pending;
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    pending.push_back(InnoColumnFromDefinition(table.columns[i], static_cast<std::uint32_t>(i),
                                               testing::ServerCollations()));
  }
  std::vector<InnoColumn> recordColumns = ArrangeRecordColumns(pending, table);

  const MemoryPageSource source(inflated.image);
  const std::uint32_t first = FindFirstLeafPage(source, 3, recordColumns);
  ASSERT_NE(first, 0u);
  InnoTableCursor cursor(source, WalkForm::kOwnTablespace, table, recordColumns,
                         &testing::ServerCollations(), first);
  const ValueOptions options(ValueForm::kSave, &testing::ServerCollations());
  Rows live;
  Rows deleted;
  RowBuffer row;
  while (cursor.Next(row))
    (row.deleted ? deleted : live).push_back(RowTexts(row, cursor.Formats(), options).values);
  EXPECT_TRUE(cursor.Report().Complete());
  EXPECT_EQ(cursor.Report().pagesFailingChecksum, 0u);
  EXPECT_TRUE(cursor.Report().notes.empty()) << cursor.Report().notes.front();

  Rows liveTruth = Truth(c.table, "rows");
  Rows deletedTruth = Truth(c.table, "deleted");
  ASSERT_FALSE(deletedTruth.empty());
  if (c.sortTruth) {
    for (Rows* rows : {&live, &deleted, &liveTruth, &deletedTruth})
      std::sort(rows->begin(), rows->end());
  }
  EXPECT_EQ(live.size(), liveTruth.size());
  EXPECT_EQ(live, liveTruth);
  EXPECT_EQ(deleted, deletedTruth);
}

// A table read opens a compressed tablespace through the inflation: the
// walk from the root and the page scan of bulk work give the server's rows.
TEST_P(CompressedTable, TableReadsInflateThePages) {
  const Case& c = GetParam();
  const TableFiles files{DataFolder() + "/zip/" + c.table + ".frm", DataFolder() + "/zip", c.table};
  ReadOptions options;
  options.collations = &testing::ServerCollations();
  std::unique_ptr<TableSource> source;
  const Status status = TableSource::Open(files, options, source);
  ASSERT_TRUE(status.ok()) << status.message();
  Rows liveTruth = Truth(c.table, "rows");
  Rows deletedTruth = Truth(c.table, "deleted");
  testing::TextsRead walk = testing::WalkTexts(*source);
  testing::TextsRead scan = testing::ScanTexts(*source);
  if (c.sortTruth) {
    for (Rows* rows :
         {&walk.live, &walk.deleted, &scan.live, &scan.deleted, &liveTruth, &deletedTruth})
      std::sort(rows->begin(), rows->end());
  }
  for (const testing::TextsRead* read : {&walk, &scan}) {
    EXPECT_TRUE(read->report.Complete());
    EXPECT_TRUE(read->report.notes.empty()) << read->report.notes.front();
    EXPECT_EQ(read->live, liveTruth);
    EXPECT_EQ(read->deleted, deletedTruth);
  }
}

INSTANTIATE_TEST_SUITE_P(EveryKeyBlockSize, CompressedTable,
                         ::testing::Values(Case{"k1", 1024, false}, Case{"k2", 2048, false},
                                           Case{"k4", 4096, false}, Case{"k8", 8192, false},
                                           Case{"k16", 16384, true}),
                         [](const ::testing::TestParamInfo<Case>& param) {
                           return param.param.table;
                         });

// The long values of k4 stand on chains of compressed BLOB pages, whose
// references the clustered leaves keep uncompressed.
TEST(CompressedLongValues, ChainsOfSeveralPagesAreRead) {
  const Inflated inflated = InflateTablespace(ReadFile(DataFolder() + "/zip/k4.ibd"));
  EXPECT_GT(inflated.blobPages, 3u);
  EXPECT_GT(inflated.references, 0u);
}

// ---- Damage ----

struct DamageFixture {
  std::vector<std::uint8_t> file;
  std::size_t physical = 0;
  // A clustered leaf page whose modification log holds records.
  std::size_t leafWithLog = 0;
};

const DamageFixture& K8() {
  static const DamageFixture fixture = [] {
    DamageFixture f;
    f.file = ReadFile(DataFolder() + "/zip/k8.ibd");
    f.physical = CompressedPageSizeOf(f.file);
    std::vector<std::uint8_t> page;
    for (std::size_t n = 3; n * f.physical < f.file.size(); ++n) {
      CompressedPageNotes notes;
      const ByteView zip(f.file.data() + n * f.physical, f.physical);
      if (InflateCompressedPage(zip, kInnoPageSize, page, &notes).ok() && notes.clustered &&
          notes.logEntries > 0) {
        f.leafWithLog = n;
        break;
      }
    }
    return f;
  }();
  return fixture;
}

std::vector<std::uint8_t> PageOf(const DamageFixture& f, std::size_t n) {
  return {f.file.begin() + static_cast<std::ptrdiff_t>(n * f.physical),
          f.file.begin() + static_cast<std::ptrdiff_t>((n + 1) * f.physical)};
}

struct Damage {
  const char* name;
  void (*apply)(std::vector<std::uint8_t>& zip);
};

std::size_t DenseEntry(const std::vector<std::uint8_t>& zip, std::size_t slot) {
  return zip.size() - 2 * (slot + 1);
}

TEST(CompressedDamage, DamagedPagesAreCorruptionNotCrashes) {
  const DamageFixture& f = K8();
  ASSERT_NE(f.leafWithLog, 0u);
  const std::vector<Damage> damages{
      {"stream header", [](std::vector<std::uint8_t>& z) { z[94] ^= 0xFF; }},
      {"stream body",
       [](std::vector<std::uint8_t>& z) {
         for (std::size_t i = 200; i < 260; ++i)
           z[i] = 0xA5;
       }},
      {"directory entry outside the records",
       [](std::vector<std::uint8_t>& z) {
         z[DenseEntry(z, 0)] = 0x3F;
         z[DenseEntry(z, 0) + 1] = 0xFF;
       }},
      {"directory entries swapped into overlap",
       [](std::vector<std::uint8_t>& z) {
         z[DenseEntry(z, 1)] = z[DenseEntry(z, 0)];
         z[DenseEntry(z, 1) + 1] = static_cast<std::uint8_t>(z[DenseEntry(z, 0) + 1] + 1);
       }},
      {"heap count beyond the page",
       [](std::vector<std::uint8_t>& z) {
         z[38 + 4] = 0xBF;
         z[38 + 5] = 0xFF;
       }},
      {"record count above the heap", [](std::vector<std::uint8_t>& z) { z[38 + 16] = 0x7F; }},
      {"directory slot count", [](std::vector<std::uint8_t>& z) { z[38 + 1] ^= 0x01; }},
      {"no compact records", [](std::vector<std::uint8_t>& z) { z[38 + 4] &= 0x7F; }},
  };
  std::vector<std::uint8_t> page;
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.name);
    std::vector<std::uint8_t> zip = PageOf(f, f.leafWithLog);
    damage.apply(zip);
    const Status status = InflateCompressedPage(zip, kInnoPageSize, page);
    EXPECT_FALSE(status.ok());
    EXPECT_EQ(status.code(), Status::Code::kCorruption) << status.message();
  }
}

// The modification log is where damage reaches the page unchecked by zlib:
// any change to its bytes either still inflates or is corruption.
TEST(CompressedDamage, EveryModificationLogByteFlippedIsSurvived) {
  const DamageFixture& f = K8();
  ASSERT_NE(f.leafWithLog, 0u);
  const std::vector<std::uint8_t> good = PageOf(f, f.leafWithLog);
  std::vector<std::uint8_t> page;
  std::size_t failures = 0;
  for (std::size_t at = 94; at < good.size(); at += 3) {
    for (const int mask : {0x01, 0x80, 0xFF}) {
      std::vector<std::uint8_t> zip = good;
      zip[at] ^= static_cast<std::uint8_t>(mask);
      const Status status = InflateCompressedPage(zip, kInnoPageSize, page);
      if (!status.ok()) {
        ++failures;
        EXPECT_EQ(status.code(), Status::Code::kCorruption) << at << ": " << status.message();
      } else {
        EXPECT_EQ(page.size(), kInnoPageSize);
      }
    }
  }
  EXPECT_GT(failures, 0u);
}

TEST(CompressedDamage, PagesOfOtherKindsAndSizesAreNotSupported) {
  const DamageFixture& f = K8();
  std::vector<std::uint8_t> page;
  // Page 0 holds the space header, no records.
  EXPECT_EQ(InflateCompressedPage(PageOf(f, 0), kInnoPageSize, page).code(),
            Status::Code::kNotSupported);
  std::vector<std::uint8_t> odd(3000, 0);
  EXPECT_EQ(InflateCompressedPage(odd, kInnoPageSize, page).code(), Status::Code::kNotSupported);
  EXPECT_EQ(InflateCompressedPage(PageOf(f, f.leafWithLog), 4096, page).code(),
            Status::Code::kNotSupported);
}

TEST(CompressedSpaceFlags, PhysicalPageSizes) {
  struct FlagCase {
    std::uint32_t flags;
    std::size_t size;
  };
  for (const FlagCase& c : {FlagCase{0, 0}, FlagCase{0x21, 0}, FlagCase{35, 1024},
                            FlagCase{37, 2048}, FlagCase{39, 4096}, FlagCase{41, 8192},
                            FlagCase{43, 16384}, FlagCase{0x15, 0}, FlagCase{0x0D, 0}}) {
    EXPECT_EQ(CompressedPageSizeOfFlags(c.flags), c.size) << c.flags;
  }
}

// A chain of compressed BLOB pages that loops, leaves the file or holds a
// page of another type ends the value with corruption.
TEST(CompressedLongValues, DamagedChainsAreCorruption) {
  std::vector<std::uint8_t> file = ReadFile(DataFolder() + "/zip/k4.ibd");
  const std::size_t physical = CompressedPageSizeOf(file);
  ASSERT_EQ(physical, 4096u);
  // The first page of a chain of at least two pages.
  std::uint32_t first = 0;
  for (std::size_t n = 3; (n + 1) * physical <= file.size(); ++n) {
    const ByteView p(file.data() + n * physical, physical);
    if (Be16(p, FilHeader::kPageTypeOffset) == kCompressedBlobPageType &&
        Be32(p, FilHeader::kNextPageOffset) != kNoPage) {
      first = static_cast<std::uint32_t>(n);
      break;
    }
  }
  ASSERT_NE(first, 0u);
  auto reader = [&](std::uint32_t n, std::vector<std::uint8_t>& out) {
    if ((std::size_t{n} + 1) * physical > file.size()) return false;
    out.assign(file.begin() + static_cast<std::ptrdiff_t>(n * physical),
               file.begin() + static_cast<std::ptrdiff_t>((n + 1) * physical));
    return true;
  };
  std::uint64_t length = 0;
  std::string whole;
  std::uint64_t delivered = 0;
  // Longer than the stream: the stream's end is reported with what it held.
  Status status = ReadCompressedLongValue(
      first, FilHeader::kNextPageOffset, 1u << 30, physical, reader,
      [&](ByteView part) { whole.append(AsChars(part)); }, delivered);
  EXPECT_EQ(status.code(), Status::Code::kCorruption);
  length = delivered;
  ASSERT_GT(length, physical);
  EXPECT_EQ(whole.size(), length);

  std::string again;
  status = ReadCompressedLongValue(
      first, FilHeader::kNextPageOffset, length, physical, reader,
      [&](ByteView part) { again.append(AsChars(part)); }, delivered);
  EXPECT_TRUE(status.ok()) << status.message();
  EXPECT_EQ(again, whole);

  const std::uint32_t second = Be32(ByteView(file).subspan(first * physical), 12);
  const auto next = [&](std::uint32_t to) {
    for (int i = 0; i < 4; ++i)
      file[first * physical + 12 + static_cast<std::size_t>(i)] =
          static_cast<std::uint8_t>(to >> (24 - 8 * i));
  };
  for (const std::uint32_t to : {first, static_cast<std::uint32_t>(1u << 30), std::uint32_t{0}}) {
    next(to);
    std::uint64_t got = 0;
    status = ReadCompressedLongValue(
        first, FilHeader::kNextPageOffset, length, physical, reader, [](ByteView) {}, got);
    EXPECT_EQ(status.code(), Status::Code::kCorruption) << to;
    EXPECT_LT(got, length);
  }
  next(second);
}

}  // namespace
}  // namespace rowmender
