// MyISAM tables read without a usable index file: the record format and
// layout worked out from the definition must be the server's own (held
// against every index file a real server wrote here), and a table whose
// .MYI is missing, cut short or zeroed must give exactly the rows it gives
// with its .MYI, whole and in parts. Then damaged stretches of dynamic data
// files: only the records they hold are lost, and the loss is told.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "myisam/definition_format.h"
#include "myisam/index_header.h"
#include "myisam/record_scan.h"
#include "support/table_reads.h"
#include "support/test_paths.h"
#include "support/truth_files.h"
#include "tables/table_source.h"
#include "values/export_formats.h"

namespace rowmender {
namespace {

namespace fs = std::filesystem;

// One MyISAM table of a fixture folder, with what its truth says.
struct FixtureTable {
  std::string folder;     // the data folder
  std::string database;   // its database folder
  std::string name;       // the table's file name
  std::string rowFormat;  // Fixed, Dynamic or Compressed
  long liveRows = 0;
  long deletedRows = -1;  // -1: not known
};

void PrintTo(const FixtureTable& table, std::ostream* out) {
  *out << table.database << "/" << table.name;
}

std::string FormatsFolder() {
  return std::string(ROWMENDER_SHARED_FIXTURES) + "/myisam-formats";
}

std::vector<FixtureTable> SampleMyisamTables() {
  std::vector<FixtureTable> out;
  for (const testing::SampleTable& t : testing::SampleTables()) {
    if (t.engine != "MyISAM") continue;
    out.push_back({testing::SampleDataFolder(), t.databaseFolder, t.fileName, t.rowFormat,
                   t.liveRows, t.deletedRows});
  }
  return out;
}

std::vector<FixtureTable> FormatsTables() {
  const testing::TsvTable list = testing::ReadBatchTsv(FormatsFolder() + "/tables.tsv");
  std::vector<FixtureTable> out;
  for (std::size_t i = 0; i < list.rows.size(); ++i) {
    out.push_back({FormatsFolder(), "formats", list.Cell(i, "TABLE_NAME"),
                   list.Cell(i, "ROW_FORMAT"), std::stol(list.Cell(i, "LIVE_ROWS"))});
  }
  return out;
}

FixtureTable FormatsTable(const std::string& name) {
  for (const FixtureTable& t : FormatsTables()) {
    if (t.name == name) return t;
  }
  ADD_FAILURE() << "no table " << name;
  return {};
}

std::vector<FixtureTable> AllTables() {
  std::vector<FixtureTable> out = SampleMyisamTables();
  for (FixtureTable& t : FormatsTables())
    out.push_back(std::move(t));
  return out;
}

std::string FilePath(const FixtureTable& t, const char* extension) {
  return t.folder + "/" + t.database + "/" + t.name + "." + extension;
}

TableDefinition ReadDefinition(const FixtureTable& t) {
  TableDefinition table;
  const Status status = ReadDefinitionFile(FilePath(t, "frm"), table);
  EXPECT_TRUE(status.ok()) << status.message();
  return table;
}

std::string Describe(const MyisamColumn& c) {
  return "type " + std::to_string(c.fieldType) + " length " + std::to_string(c.fieldLength) +
         " null bit " + std::to_string(c.nullBit) + " at " + std::to_string(c.nullPosition);
}

// ---- The format worked out from the definition ----

class DefinitionFormatTest : public ::testing::TestWithParam<FixtureTable> {};

TEST_P(DefinitionFormatTest, IsTheFormatTheServerWroteIntoTheIndexFile) {
  const FixtureTable& t = GetParam();
  const TableDefinition table = ReadDefinition(t);
  MyisamIndexHeader header;
  ASSERT_TRUE(ReadIndexFile(FilePath(t, "MYI"), header));
  const bool compressed = t.rowFormat == "Compressed";
  std::vector<std::uint8_t> first(kCompressedMagicLength);
  std::ifstream(FilePath(t, "MYD"), std::ios::binary)
      .read(reinterpret_cast<char*>(first.data()), kCompressedMagicLength);
  EXPECT_EQ(IsCompressedDataFile(first), compressed);
  // The server's own index file is plausible for its definition.
  EXPECT_EQ(IndexHeaderProblem(header, table, compressed), "");

  // myisampack rewrites the base information for its own records.
  if (compressed) return;
  // The first way is the server's (every table here is MariaDB's).
  const MyisamFormat derived = DeriveMyisamFormat(table, TimestampPackings(table).front());
  EXPECT_EQ(derived.rowFormat, header.rowFormat);
  ASSERT_EQ(derived.columns.size(), header.columns.size());
  for (std::size_t i = 0; i < derived.columns.size(); ++i) {
    EXPECT_EQ(Describe(derived.columns[i]), Describe(header.columns[i])) << "field " << i;
  }
  const MyisamBaseInfo& a = derived.base;
  const MyisamBaseInfo& b = header.base;
  EXPECT_EQ(a.baseRecordLength, b.baseRecordLength);
  EXPECT_EQ(a.packedRecordLength, b.packedRecordLength);
  EXPECT_EQ(a.minPackedLength, b.minPackedLength);
  EXPECT_EQ(a.maxPackedLength, b.maxPackedLength);
  EXPECT_EQ(a.minBlockLength, b.minBlockLength);
  EXPECT_EQ(a.fieldCount, b.fieldCount);
  EXPECT_EQ(a.packedFieldCount, b.packedFieldCount);
  EXPECT_EQ(a.packBits, b.packBits);
  EXPECT_EQ(a.blobCount, b.blobCount);
  EXPECT_EQ(a.recordPointerLength, b.recordPointerLength);
}

std::string TestName(const ::testing::TestParamInfo<FixtureTable>& info) {
  std::string name = info.param.database + "_" + info.param.name;
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(EveryMyisamTable, DefinitionFormatTest, ::testing::ValuesIn(AllTables()),
                         TestName);

TEST(DefinitionFormat, TheDefinitionGivesWhatTheFormatIsWorkedOutFrom) {
  // ROW_FORMAT, MAX_ROWS, AVG_ROW_LENGTH, CHECKSUM=1 and MariaDB's named
  // data types, as CREATE TABLE gave them (see make-myisam-formats.sh).
  const auto definition = [](const std::string& name) {
    return ReadDefinition(FormatsTable(name));
  };
  const TableDefinition everyType = definition("every_type");
  EXPECT_EQ(everyType.rowType, kRowTypeDynamic);
  std::map<std::string, std::string> named;
  for (const ColumnDefinition& column : everyType.columns) {
    if (!column.typeName.empty()) named[column.name] = column.typeName;
  }
  EXPECT_EQ(named,
            (std::map<std::string, std::string>{{"u", "uuid"}, {"i6", "inet6"}, {"i4", "inet4"}}));
  EXPECT_EQ(definition("checksum_fixed").rowType, kRowTypeFixed);
  EXPECT_TRUE(definition("checksum_fixed").RowChecksum());
  EXPECT_FALSE(definition("tiny_fixed").RowChecksum());
  EXPECT_EQ(definition("tiny_fixed").rowType, kRowTypeDefault);
  EXPECT_EQ(definition("tiny_fixed").maxRows, 0u);
  EXPECT_EQ(definition("tiny_fixed_max_rows").maxRows, 100u);
  const TableDefinition maxRows = definition("max_rows_dynamic");
  EXPECT_EQ(maxRows.maxRows, 1000u);
  EXPECT_EQ(maxRows.avgRowLength, 20u);
}

// ---- Reading ----

using testing::ReadInParts;
using testing::ReadOut;
using testing::ReadWhole;

// The same rows in the same order, with the same account of them.
void ExpectSameRead(const ReadOut& expected, const ReadOut& got, const std::string& what) {
  EXPECT_EQ(got.rows, expected.rows) << what;
  const ReadReport& a = expected.report;
  const ReadReport& b = got.report;
  EXPECT_EQ(b.rowsRead, a.rowsRead) << what;
  EXPECT_EQ(b.deletedRows, a.deletedRows) << what;
  EXPECT_EQ(b.recordsDropped, a.recordsDropped) << what;
  EXPECT_EQ(b.bytesSkipped, a.bytesSkipped) << what;
  EXPECT_EQ(b.deletedRecordsUnreadable, a.deletedRecordsUnreadable) << what;
  EXPECT_EQ(b.formatUnsupported, a.formatUnsupported) << what;
  EXPECT_EQ(b.Complete(), a.Complete()) << what;
}

// The read whole, then in parts of several sizes, which must agree.
ReadOut ReadWholeAndInParts(const TableSource& source, const std::string& what) {
  const ReadOut whole = ReadWhole(source);
  for (const ScanSplit split : {ScanSplit{1, 1}, ScanSplit{1, 700}, ScanSplit{1, 64u << 10}}) {
    ExpectSameRead(whole, ReadInParts(source, split),
                   what + ", in parts of " + std::to_string(split.bytesPerPart) + " bytes");
  }
  return whole;
}

const CollationTable& Collations() {
  return testing::ServerCollations();
}

std::unique_ptr<TableSource> OpenTable(const std::string& folder, const std::string& database,
                                       const std::string& name) {
  const std::string databaseFolder = folder + "/" + database;
  const TableFiles files{databaseFolder + "/" + name + ".frm", databaseFolder, name};
  ReadOptions options;
  options.collations = &Collations();
  std::unique_ptr<TableSource> source;
  const Status status = TableSource::Open(files, options, source);
  EXPECT_TRUE(status.ok()) << name << ": " << status.message();
  return status.ok() ? std::move(source) : nullptr;
}

std::vector<std::uint8_t> ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

// How the copy of a table's index file is spoilt.
enum class IndexCopy {
  kIntact,
  kMissing,
  kHeaderZeroed,        // every byte of its header area zero
  kCutTo24Bytes,        // nothing after the first 24 bytes
  kCutInDescriptors,    // its last field descriptors cut off
  kBaseInfoZeroed,      // the base information zero
  kDescriptorLengthOff  // one field descriptor one byte longer
};

const char* Name(IndexCopy how) {
  switch (how) {
    case IndexCopy::kIntact:
      return "intact .MYI";
    case IndexCopy::kMissing:
      return "no .MYI";
    case IndexCopy::kHeaderZeroed:
      return ".MYI header zeroed";
    case IndexCopy::kCutTo24Bytes:
      return ".MYI cut to 24 bytes";
    case IndexCopy::kCutInDescriptors:
      return ".MYI cut in its field descriptors";
    case IndexCopy::kBaseInfoZeroed:
      return ".MYI base information zeroed";
    case IndexCopy::kDescriptorLengthOff:
      return ".MYI with a field descriptor's length off by one";
  }
  return "";
}

// Copies the table's .frm and .MYD into `to`/<database>/, and its .MYI as
// `how` says; returns the copy's database folder.
fs::path CopyTable(const FixtureTable& t, const fs::path& to, IndexCopy how) {
  const fs::path folder = to / t.database;
  fs::create_directories(folder);
  for (const char* extension : {"frm", "MYD"}) {
    WriteBytes(folder / (t.name + "." + extension), ReadBytes(FilePath(t, extension)));
  }
  if (how == IndexCopy::kMissing) return folder;
  std::vector<std::uint8_t> index = ReadBytes(FilePath(t, "MYI"));
  const std::size_t headerLength = Be16(index, 6);
  const std::size_t basePosition = Be16(index, 12);
  switch (how) {
    case IndexCopy::kHeaderZeroed:
      std::fill_n(index.begin(), std::min(headerLength, index.size()), std::uint8_t{0});
      break;
    case IndexCopy::kCutTo24Bytes:
      index.resize(24);
      break;
    case IndexCopy::kCutInDescriptors:
      index.resize(headerLength - 10);
      break;
    case IndexCopy::kBaseInfoZeroed:
      std::fill_n(index.begin() + static_cast<std::ptrdiff_t>(basePosition), 100, std::uint8_t{0});
      break;
    case IndexCopy::kDescriptorLengthOff:
      // The last descriptor's length (bytes 2-3 of its 7).
      ++index[headerLength - 7 + 3];
      break;
    default:
      break;
  }
  WriteBytes(folder / (t.name + ".MYI"), index);
  return folder;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class MissingIndexTest : public ::testing::TestWithParam<FixtureTable> {};

TEST_P(MissingIndexTest, GivesTheRowsTheTableGivesWithItsIndexFile) {
  const FixtureTable& t = GetParam();
  const std::unique_ptr<TableSource> original = OpenTable(t.folder, t.database, t.name);
  ASSERT_TRUE(original);
  EXPECT_TRUE(original->Notes().empty());
  const ReadOut expected = ReadWholeAndInParts(*original, "with its .MYI");

  // The read with the index file against the server's counts.
  const bool compressed = t.rowFormat == "Compressed";
  long live = 0;
  long deleted = 0;
  for (const std::string& row : expected.rows)
    ++(row.front() == 'D' ? deleted : live);
  if (compressed) {
    EXPECT_TRUE(expected.report.formatUnsupported);
    EXPECT_TRUE(expected.rows.empty());
  } else {
    EXPECT_TRUE(expected.report.Complete());
    EXPECT_EQ(live, t.liveRows);
    if (t.rowFormat == "Fixed" && t.deletedRows >= 0) {
      EXPECT_EQ(deleted, t.deletedRows);
    }
  }

  const std::string format = compressed               ? "(compressed)"
                             : t.rowFormat == "Fixed" ? "(fixed-length)"
                                                      : "(dynamic)";
  for (const IndexCopy how : {IndexCopy::kMissing, IndexCopy::kHeaderZeroed,
                              IndexCopy::kCutTo24Bytes, IndexCopy::kCutInDescriptors,
                              IndexCopy::kBaseInfoZeroed, IndexCopy::kDescriptorLengthOff}) {
    SCOPED_TRACE(Name(how));
    testing::ScratchFolder scratch;
    CopyTable(t, scratch.Path(), how);
    const std::unique_ptr<TableSource> copy =
        OpenTable(scratch.Path().string(), t.database, t.name);
    ASSERT_TRUE(copy);
    ExpectSameRead(expected, ReadWholeAndInParts(*copy, Name(how)), Name(how));

    // One note says what became of the index file and where the format came
    // from; the records fit it, so it says nothing more.
    ASSERT_EQ(copy->Notes().size(), 1u);
    const std::string& note = copy->Notes().front();
    EXPECT_TRUE(Contains(note, how == IndexCopy::kMissing ? "is missing" : "is damaged")) << note;
    EXPECT_TRUE(compressed ? Contains(note, "records compressed by myisampack, which are not read")
                           : Contains(note, format + " and layout are taken from the definition"))
        << note;
    EXPECT_FALSE(Contains(note, "only ")) << note;
  }
}

INSTANTIATE_TEST_SUITE_P(EveryMyisamTable, MissingIndexTest, ::testing::ValuesIn(AllTables()),
                         TestName);

// Overwrites `bytes` at `offset` of the file.
void Overwrite(const fs::path& path, std::uint64_t offset, const std::vector<std::uint8_t>& bytes) {
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  file.seekp(static_cast<std::streamoff>(offset));
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

TEST(MissingIndex, FixedRecordsShorterThanAPointerOfAnotherLengthFollowTheDataFilesLength) {
  // tiny_fixed_max_rows: 2-byte records stored in 3 bytes, as MAX_ROWS=100
  // gives it a 2-byte record pointer. Without MAX_ROWS in the definition the
  // server's default pointer (6 bytes) would make them 7 bytes long, which
  // the data file's length (a multiple of 3, not of 7) rules out: as on a
  // server whose myisam_data_pointer_size was 2.
  const FixtureTable t = FormatsTable("tiny_fixed_max_rows");
  const std::unique_ptr<TableSource> original = OpenTable(t.folder, t.database, t.name);
  ASSERT_TRUE(original);
  const ReadOut expected = ReadWhole(*original);
  ASSERT_EQ(expected.rows.size() * 3, fs::file_size(FilePath(t, "MYD")));

  for (const bool maxRowsKept : {true, false}) {
    SCOPED_TRACE(maxRowsKept ? "MAX_ROWS kept" : "MAX_ROWS cleared");
    testing::ScratchFolder scratch;
    const fs::path folder = CopyTable(t, scratch.Path(), IndexCopy::kMissing);
    if (!maxRowsKept) Overwrite(folder / (t.name + ".frm"), 18, {0, 0, 0, 0});
    const std::unique_ptr<TableSource> copy =
        OpenTable(scratch.Path().string(), t.database, t.name);
    ASSERT_TRUE(copy);
    ExpectSameRead(expected, ReadWholeAndInParts(*copy, "no .MYI"), "no .MYI");
    ASSERT_EQ(copy->Notes().size(), 1u);
    EXPECT_EQ(Contains(copy->Notes().front(), "records of 3 bytes (with a 2-byte record pointer)"),
              !maxRowsKept)
        << copy->Notes().front();
  }
}

TEST(MissingIndex, OldTimestampsOfAnUnknownServerArePackedTheWayTheRecordsFit) {
  // The definition of old_temporals made to look written by MySQL 5.5
  // (version id 50535): its 4-byte TIMESTAMPs may then have been packed
  // without their leading spaces (MySQL) or whole (MariaDB 5.3 to 5.5).
  // These records were packed whole, and only that way do they unpack.
  const FixtureTable t = FormatsTable("old_temporals");
  const std::uint32_t mysql55 = 50535;
  const std::vector<std::uint8_t> versionId{static_cast<std::uint8_t>(mysql55),
                                            static_cast<std::uint8_t>(mysql55 >> 8), 0, 0};
  testing::ScratchFolder withIndex;
  Overwrite(CopyTable(t, withIndex.Path(), IndexCopy::kIntact) / (t.name + ".frm"), 51, versionId);
  const std::unique_ptr<TableSource> original =
      OpenTable(withIndex.Path().string(), t.database, t.name);
  ASSERT_TRUE(original);
  const TableDefinition& table = original->Definition();
  ASSERT_EQ(table.mysqlVersionId, mysql55);
  ASSERT_EQ(
      TimestampPackings(table),
      (std::vector<TimestampPacking>{TimestampPacking::kSkipPrespace, TimestampPacking::kWhole}));
  const ReadOut expected = ReadWhole(*original);
  ASSERT_TRUE(expected.report.Complete());

  // The two ways differ, and the records tell them apart.
  const MyisamFormat mysql = DeriveMyisamFormat(table, TimestampPacking::kSkipPrespace);
  const MyisamFormat mariadb = DeriveMyisamFormat(table, TimestampPacking::kWhole);
  DataFile data;
  ASSERT_TRUE(data.Open(FilePath(t, "MYD")));
  const DataFileSource source(data);
  const RecordProbe wrong = ProbeDynamicRecords(source, table, mysql, 64);
  const RecordProbe right = ProbeDynamicRecords(source, table, mariadb, 64);
  EXPECT_GT(right.tried, 20u);
  EXPECT_EQ(right.unpacked, right.tried);
  EXPECT_LT(wrong.unpacked, wrong.tried);

  testing::ScratchFolder withoutIndex;
  Overwrite(CopyTable(t, withoutIndex.Path(), IndexCopy::kMissing) / (t.name + ".frm"), 51,
            versionId);
  const std::unique_ptr<TableSource> copy =
      OpenTable(withoutIndex.Path().string(), t.database, t.name);
  ASSERT_TRUE(copy);
  ExpectSameRead(expected, ReadWholeAndInParts(*copy, "no .MYI"), "no .MYI");
  ASSERT_EQ(copy->Notes().size(), 1u);
  EXPECT_TRUE(Contains(copy->Notes().front(), "TIMESTAMP columns are read whole"))
      << copy->Notes().front();
}

// ---- Damaged stretches of dynamic data files ----

// The blocks of one live record of an intact dynamic data file.
struct LiveRecord {
  std::uint64_t header = 0;                                      // where its first block starts
  std::vector<std::pair<std::uint64_t, std::uint64_t>> extents;  // [from, to) of each block
};

// The live records of an intact dynamic data file, in file order.
std::vector<LiveRecord> LiveRecords(const std::vector<std::uint8_t>& file) {
  std::vector<LiveRecord> records;
  const ByteView bytes(file);
  std::uint64_t position = 0;
  while (position < file.size()) {
    BlockInfo block;
    const auto header = [&bytes](std::uint64_t at) {
      return SubView(bytes, static_cast<std::size_t>(at), BlockInfo::kHeaderSize);
    };
    const int flags = GetBlockInfo(block, header(position), position);
    if ((flags & kBlockError) != 0) {
      ADD_FAILURE() << "no block at " << position;
      break;
    }
    const std::uint64_t end = block.filePosition + block.blockLength;
    if ((flags & kBlockFirst) != 0 && (flags & kBlockSyncError) == 0) {
      LiveRecord record;
      record.header = position;
      record.extents.push_back({position, end});
      int chainFlags = flags;
      while ((chainFlags & kBlockLast) == 0) {
        const std::uint64_t next = block.nextFilePosition;
        chainFlags = GetBlockInfo(block, header(next), next);
        record.extents.push_back({next, block.filePosition + block.blockLength});
      }
      records.push_back(std::move(record));
    }
    position = end;
  }
  return records;
}

bool Overlaps(const std::pair<std::uint64_t, std::uint64_t>& extent, std::uint64_t from,
              std::uint64_t to) {
  return extent.first < to && from < extent.second;
}

enum class Fill { kZeros, kSameByte, kNoise };

std::vector<std::uint8_t> Stretch(Fill fill, std::size_t length) {
  std::vector<std::uint8_t> bytes(length, fill == Fill::kSameByte ? 0xEE : 0x00);
  if (fill == Fill::kNoise) {
    std::mt19937 random(7);
    for (std::uint8_t& b : bytes)
      b = static_cast<std::uint8_t>(random());
  }
  return bytes;
}

TEST(DamagedDataFile, AStretchLosesOnlyTheRecordsItHoldsAndTheLossIsTold) {
  const struct {
    const char* folder;
    const char* database;
    const char* name;
  } tables[] = {{"sample", "legacy", "kunden"},
                {"sample", "legacy", "event_log"},
                {"sample", "shop", "search_log"},
                {"formats", "formats", "every_type"},
                {"formats", "formats", "checksum_dynamic"}};
  for (const auto& which : tables) {
    FixtureTable t;
    t.folder =
        std::string(which.folder) == "sample" ? testing::SampleDataFolder() : FormatsFolder();
    t.database = which.database;
    t.name = which.name;
    const std::unique_ptr<TableSource> original = OpenTable(t.folder, t.database, t.name);
    ASSERT_TRUE(original);
    const ReadOut intact = ReadWhole(*original);
    const std::vector<std::uint8_t> file = ReadBytes(FilePath(t, "MYD"));
    const std::vector<LiveRecord> records = LiveRecords(file);
    // Each live record gives one row, in file order.
    ASSERT_EQ(records.size(), intact.rows.size()) << t.name;

    // A stretch a tenth of the file long (at least 300 bytes) from 40 % on,
    // starting inside a block.
    const std::uint64_t from = file.size() * 2 / 5 + 1;
    const std::uint64_t to =
        std::min<std::uint64_t>(file.size(), from + std::max<std::uint64_t>(300, file.size() / 10));
    std::map<std::string, int> survivors;  // rows of records wholly outside
    std::map<std::string, int> known;      // every row of the intact file
    std::size_t readable = 0;              // records hit, but with their header outside
    for (std::size_t i = 0; i < records.size(); ++i) {
      ++known[intact.rows[i]];
      const bool hit = std::any_of(records[i].extents.begin(), records[i].extents.end(),
                                   [&](const auto& e) { return Overlaps(e, from, to); });
      if (!hit) {
        ++survivors[intact.rows[i]];
      } else if (records[i].header < from || records[i].header >= to) {
        ++readable;
      }
    }
    ASSERT_LT(survivors.size(), records.size()) << t.name << ": the stretch holds records";

    for (const Fill fill : {Fill::kZeros, Fill::kSameByte, Fill::kNoise}) {
      ReadOut withIndex;
      for (const IndexCopy how : {IndexCopy::kIntact, IndexCopy::kMissing}) {
        const std::string what =
            t.name + ", fill " + std::to_string(static_cast<int>(fill)) + ", " + Name(how);
        testing::ScratchFolder scratch;
        const fs::path folder = CopyTable(t, scratch.Path(), how);
        Overwrite(folder / (t.name + ".MYD"), from,
                  Stretch(fill, static_cast<std::size_t>(to - from)));
        const std::unique_ptr<TableSource> copy =
            OpenTable(scratch.Path().string(), t.database, t.name);
        ASSERT_TRUE(copy) << what;
        const ReadOut damaged = ReadWholeAndInParts(*copy, what);

        // Every record outside the stretch is read; no row comes from the
        // stretch's bytes (only records whose header lies before it may be
        // read with damaged values).
        std::map<std::string, int> got;
        for (const std::string& row : damaged.rows)
          ++got[row];
        for (const auto& [row, count] : survivors) {
          EXPECT_GE(got[row], count) << what << ": lost " << row;
        }
        std::size_t unknown = 0;
        for (const auto& [row, count] : got) {
          const auto it = known.find(row);
          const int allowed = it == known.end() ? 0 : it->second;
          if (count > allowed) unknown += static_cast<std::size_t>(count - allowed);
        }
        EXPECT_LE(unknown, readable) << what;

        // The loss is told: bytes passed over, with a note where.
        EXPECT_FALSE(damaged.report.Complete()) << what;
        EXPECT_GT(damaged.report.bytesSkipped, 0u) << what;
        EXPECT_TRUE(std::any_of(
            damaged.report.notes.begin(), damaged.report.notes.end(),
            [](const std::string& note) { return Contains(note, "damaged data file"); }))
            << what;
        // Without its index file the table reads as it does with it.
        if (how == IndexCopy::kIntact) {
          withIndex = damaged;
        } else {
          ExpectSameRead(withIndex, damaged, what + " against the read with the .MYI");
        }
      }
    }
  }
}

TEST(DamagedDataFile, AnyDamageEndsTheScanAndPartsReadAsOneCursor) {
  // Seeded damage of every kind over a dynamic data file with deleted and
  // split records, read without its index file: each scan ends, and the
  // scan in parts gives what one cursor gives.
  FixtureTable t;
  t.folder = testing::SampleDataFolder();
  t.database = "legacy";
  t.name = "kunden";
  const std::vector<std::uint8_t> file = ReadBytes(FilePath(t, "MYD"));
  std::mt19937 random(2024);
  for (int round = 0; round < 24; ++round) {
    std::vector<std::uint8_t> damaged = file;
    const auto at = [&](std::size_t span) {
      return static_cast<std::size_t>(random() % (damaged.size() - span));
    };
    switch (round % 4) {
      case 0:  // bytes here and there
        for (int i = 0; i < 40; ++i)
          damaged[at(1)] = static_cast<std::uint8_t>(random());
        break;
      case 1: {  // a stretch of noise
        const std::size_t start = at(2000);
        for (std::size_t i = 0; i < 1 + random() % 2000; ++i)
          damaged[start + i] = static_cast<std::uint8_t>(random());
        break;
      }
      case 2:  // block headers: type bytes and lengths
        for (int i = 0; i < 30; ++i) {
          const std::size_t p = at(4) & ~std::size_t{3};
          damaged[p + random() % 4] = static_cast<std::uint8_t>(random() % 14);
        }
        break;
      default:  // cut short
        damaged.resize(at(1));
        break;
    }
    testing::ScratchFolder scratch;
    const fs::path folder = CopyTable(t, scratch.Path(), IndexCopy::kMissing);
    WriteBytes(folder / (t.name + ".MYD"), damaged);
    const std::unique_ptr<TableSource> copy =
        OpenTable(scratch.Path().string(), t.database, t.name);
    ASSERT_TRUE(copy);
    ReadWholeAndInParts(*copy, "round " + std::to_string(round));
  }
}

}  // namespace
}  // namespace rowmender
