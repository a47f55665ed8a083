// A scan cut into parts gives the rows of one cursor over the whole table,
// in the same order and with the same account, whatever the size of the
// parts: on every table of the sample data folder, and on damaged copies.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "catalogue/data_folder_reads.h"
#include "support/table_reads.h"
#include "support/test_paths.h"
#include "values/export_formats.h"

namespace rowmender {
namespace {

namespace fs = std::filesystem;

using testing::ReadInParts;
using testing::ReadOut;
using testing::ReadWhole;

void ExpectSameReads(const ReadOut& whole, const ReadOut& parts, const std::string& what) {
  EXPECT_EQ(parts.rows, whole.rows) << what;
  const ReadReport& a = whole.report;
  const ReadReport& b = parts.report;
  EXPECT_EQ(b.rowsRead, a.rowsRead) << what;
  EXPECT_EQ(b.deletedRows, a.deletedRows) << what;
  EXPECT_EQ(b.pagesRead, a.pagesRead) << what;
  EXPECT_EQ(b.recordsDropped, a.recordsDropped) << what;
  EXPECT_EQ(b.pagesSkipped, a.pagesSkipped) << what;
  EXPECT_EQ(b.loopsBroken, a.loopsBroken) << what;
  EXPECT_EQ(b.bytesSkipped, a.bytesSkipped) << what;
  EXPECT_EQ(b.deletedRecordsUnreadable, a.deletedRecordsUnreadable) << what;
  EXPECT_EQ(b.Complete(), a.Complete()) << what;
}

struct Compared {
  int tables = 0;
  int damaged = 0;  // tables whose whole read lost something
};

// Every table of `dataFolder` read whole and in parts of several sizes.
Compared CompareEveryTable(const std::string& dataFolder, const CollationTable& collations) {
  const DataFolderReads reads = OpenDataFolderReads(dataFolder, "", true, &collations);
  Compared compared;
  for (const auto& database : fs::directory_iterator(dataFolder)) {
    if (!database.is_directory()) continue;
    for (const auto& file : fs::directory_iterator(database.path())) {
      if (file.path().extension() != ".frm") continue;
      const TableFiles files{file.path().string(), database.path().string(),
                             file.path().stem().string()};
      std::unique_ptr<TableSource> source;
      if (!TableSource::Open(files, reads.Options(), source).ok()) continue;
      const ReadOut whole = ReadWhole(*source);
      for (const ScanSplit split : {ScanSplit{1, 1}, ScanSplit{2, 700}, ScanSplit{64, 4u << 20}}) {
        ExpectSameReads(whole, ReadInParts(*source, split),
                        file.path().string() + " in parts of " +
                            std::to_string(split.pagesPerPart) + " pages / " +
                            std::to_string(split.bytesPerPart) + " bytes");
      }
      ++compared.tables;
      if (!whole.report.Complete()) ++compared.damaged;
    }
  }
  return compared;
}

TEST(SplitScan, EveryTableOfTheSampleReadsAlikeWholeAndInParts) {
  const CollationTable& collations = testing::ServerCollations();
  const Compared compared = CompareEveryTable(testing::SampleDataFolder(), collations);
  EXPECT_GE(compared.tables, 30);
  EXPECT_EQ(compared.damaged, 0);
}

// Writes `bytes` over the file at `offset`.
void Overwrite(const fs::path& path, std::uint64_t offset, const std::string& bytes) {
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  file.seekp(static_cast<std::streamoff>(offset));
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

TEST(SplitScan, DamagedFilesReadAlikeWholeAndInParts) {
  // Copies of the sample with garbage in the middle of a dynamic MyISAM
  // data file (the cuts stop where the damage starts), of a fixed one, and
  // of an InnoDB leaf page.
  const CollationTable& collations = testing::ServerCollations();
  testing::ScratchFolder scratch;
  const fs::path data = scratch.Path() / "data";
  fs::copy(testing::SampleDataFolder(), data, fs::copy_options::recursive);
  for (const auto& entry : fs::recursive_directory_iterator(data))
    fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add);
  const std::string garbage(300, '\xEE');
  for (const char* table :
       {"legacy/event_log.MYD", "legacy/kunden.MYD", "shop/orders.ibd", "legacy/artikel.MYD"}) {
    const fs::path path = data / table;
    ASSERT_TRUE(fs::exists(path)) << path;
    Overwrite(path, fs::file_size(path) / 2, garbage);
  }
  const Compared compared = CompareEveryTable(data.string(), collations);
  EXPECT_GE(compared.tables, 30);
  EXPECT_GE(compared.damaged, 3);
}

}  // namespace
}  // namespace rowmender
