#include <algorithm>
#include <functional>

#include "base/data_file.h"
#include "base/paths.h"
#include "myisam/definition_format.h"
#include "myisam/index_header.h"
#include "myisam/record_scan.h"
#include "tables/engine_sources.h"

namespace rowmender {

namespace {

// Fixed-length records, part by part.
class FixedRecordParts final : public ScanParts {
 public:
  using MakeCursor = std::function<std::unique_ptr<MyisamCursor>()>;
  FixedRecordParts(MakeCursor make, std::uint64_t stride, std::uint64_t length,
                   std::uint64_t bytesPerPart)
      : make_(std::move(make)),
        recordsPerPart_(
            std::max<std::uint64_t>(1, bytesPerPart / std::max<std::uint64_t>(stride, 1))),
        stride_(stride),
        length_(length) {}

  std::unique_ptr<TableCursor> NextPart() override {
    // The first part is made even for an empty file: its cursor says what
    // it could not read.
    if (started_ && (stride_ == 0 || next_ >= length_)) return nullptr;
    started_ = true;
    std::unique_ptr<MyisamCursor> cursor = make_();
    if (stride_ == 0) return cursor;
    const std::uint64_t end = next_ + recordsPerPart_ * stride_;
    cursor->Seek(PageStart{0, next_});
    cursor->EndBefore(end);
    next_ = end;
    return cursor;
  }
  const ReadReport& Report() const override { return report_; }

 private:
  MakeCursor make_;
  std::uint64_t recordsPerPart_;
  std::uint64_t stride_;
  std::uint64_t length_;
  std::uint64_t next_ = 0;
  bool started_ = false;
  ReadReport report_;
};

// Dynamic records, part by part, cut where their block headers say a
// block starts; the rest of the file is one part from the first damage on.
class DynamicRecordParts final : public ScanParts {
 public:
  using MakeCursor = std::function<std::unique_ptr<MyisamCursor>()>;
  DynamicRecordParts(MakeCursor make, const ByteSource& source, const MyisamBaseInfo& base,
                     std::uint64_t bytesPerPart)
      : make_(std::move(make)), walk_(source, base), bytesPerPart_(bytesPerPart) {}

  std::unique_ptr<TableCursor> NextPart() override {
    if (done_) return nullptr;
    std::unique_ptr<MyisamCursor> cursor = make_();
    cursor->Seek(PageStart{0, start_});
    std::uint64_t cut = 0;
    if (walk_.NextCut(bytesPerPart_, cut)) {
      cursor->EndBefore(cut);
      start_ = cut;
    } else {
      done_ = true;
    }
    return cursor;
  }
  const ReadReport& Report() const override { return report_; }

 private:
  MakeCursor make_;
  DynamicBlockWalk walk_;
  std::uint64_t bytesPerPart_;
  std::uint64_t start_ = 0;
  bool done_ = false;
  ReadReport report_;
};

// Records tried to choose between ways the definition allows, and to tell
// how well the chosen one fits.
constexpr std::size_t kProbedRecords = 64;

const char* FormatName(std::int32_t rowFormat) {
  return rowFormat == kRowFormatDynamic ? "dynamic" : "fixed-length";
}

class MyisamSource final : public TableSource {
 public:
  MyisamSource(TableDefinition table, const CollationTable* collations)
      : table_(std::move(table)), collations_(collations), source_(data_) {}

  Status Open(const TableFiles& files) {
    dataPath_ = FindFileWithExtension(files.databaseFolder, files.tableName, "MYD");
    if (dataPath_.empty()) {
      return Status::NotFound("the data file (.MYD) of " + files.tableName + " is missing");
    }
    if (!data_.Open(dataPath_)) return Status::IoError("cannot open " + dataPath_);
    const bool compressed = IsCompressedDataFile(data_.ReadBlock(0, kCompressedMagicLength));

    const std::string indexPath =
        FindFileWithExtension(files.databaseFolder, files.tableName, "MYI");
    std::string why;
    if (indexPath.empty()) {
      why = "the index file (.MYI) is missing";
    } else {
      const std::string problem = ReadIndex(indexPath, compressed);
      if (problem.empty()) return Status::Ok();
      why = "the index file " + indexPath + " " + problem;
    }
    FormatFromDefinition(why, compressed);
    return Status::Ok();
  }

  const TableDefinition& Definition() const override { return table_; }

  std::unique_ptr<TableCursor> NewCursor() const override { return NewMyisamCursor(); }

  std::unique_ptr<ScanParts> SplitScan(const ScanSplit& split) const override {
    const std::uint64_t bytes = std::max<std::uint64_t>(split.bytesPerPart, 1);
    if (rowFormat_ == kRowFormatDynamic) {
      return std::make_unique<DynamicRecordParts>([this] { return NewMyisamCursor(); }, source_,
                                                  base_, bytes);
    }
    if (rowFormat_ != kRowFormatFixed) return SinglePart(NewCursor());
    const std::uint64_t stride = FixedRecordStride(table_, base_);
    return std::make_unique<FixedRecordParts>([this] { return NewMyisamCursor(); }, stride,
                                              source_.Size(), bytes);
  }

 private:
  std::unique_ptr<MyisamCursor> NewMyisamCursor() const {
    return std::make_unique<MyisamCursor>(table_, rowFormat_, base_, descriptors_, source_,
                                          collations_);
  }

  // Takes the format from the index file at `path`; otherwise says what is
  // wrong with it ("cannot be read", "is damaged (...)").
  std::string ReadIndex(const std::string& path, bool compressedData) {
    DataFile file;
    if (!file.Open(path)) return "cannot be read";
    const std::uint64_t length = file.Size();
    const std::vector<std::uint8_t> bytes = file.ReadBlock(0, IndexHeaderReadSize(length));
    MyisamIndexHeader header;
    if (DecodeIndexHeader(bytes, length, header) != IndexHeaderStatus::kAccepted) {
      return "is damaged (" + std::to_string(length) + " bytes, shorter than its header)";
    }
    const std::string problem = IndexHeaderProblem(header, table_, compressedData);
    if (!problem.empty()) return "is damaged (" + problem + ")";
    rowFormat_ = header.rowFormat;
    base_ = header.base;
    descriptors_ = std::move(header.columns);
    return {};
  }

  // The format as the server derives it from the definition, for a table
  // whose index file cannot be used (`why` says why).
  void FormatFromDefinition(const std::string& why, bool compressed) {
    const std::vector<TimestampPacking> packings = TimestampPackings(table_);
    MyisamFormat format = DeriveMyisamFormat(table_, packings.front());
    if (compressed) {
      // The decode trees are in the data file, but the field descriptors
      // they belong to would come from the definition.
      format.rowFormat = kRowFormatCompressed;
      notes_.push_back(why +
                       ": the data file holds records compressed by myisampack, which are "
                       "not read");
    } else {
      const std::string how = format.rowFormat == kRowFormatDynamic
                                  ? ChooseDynamicFormat(packings, format)
                                  : ChooseFixedStride(format);
      notes_.push_back(why + ": the record format (" + FormatName(format.rowFormat) +
                       ") and layout are taken from the definition" +
                       (table_.origin == DefinitionOrigin::kDefinitionFile ? " (.frm)" : "") +
                       (how.empty() ? "" : "; " + how));
    }
    rowFormat_ = format.rowFormat;
    base_ = format.base;
    descriptors_ = std::move(format.columns);
  }

  // Of the ways the definition allows for a dynamic table's records, the
  // one under which the most of the first records unpack exactly.
  std::string ChooseDynamicFormat(const std::vector<TimestampPacking>& packings,
                                  MyisamFormat& format) const {
    RecordProbe best = ProbeDynamicRecords(source_, table_, format, kProbedRecords);
    std::string how;
    for (std::size_t i = 1; i < packings.size(); ++i) {
      MyisamFormat other = DeriveMyisamFormat(table_, packings[i]);
      const RecordProbe probe = ProbeDynamicRecords(source_, table_, other, kProbedRecords);
      if (probe.unpacked > best.unpacked) {
        best = probe;
        format = std::move(other);
        how = packings[i] == TimestampPacking::kWhole
                  ? "TIMESTAMP columns are read whole, as MariaDB stores them"
                  : "TIMESTAMP columns are read without leading spaces, as MySQL stores them";
      }
    }
    if (best.unpacked < best.tried) {
      if (!how.empty()) how += "; ";
      how += "only " + std::to_string(best.unpacked) + " of the first " +
             std::to_string(best.tried) + " records fit that layout exactly";
    }
    return how;
  }

  // The stride of fixed-length records: a record shorter than the server's
  // record pointer is stored one byte longer than the pointer, and the
  // pointer's length depends on a server setting; where the default one
  // does not fit the data file's length and another does, that one.
  std::string ChooseFixedStride(MyisamFormat& format) const {
    const std::uint64_t length = source_.Size();
    const auto fits = [length](const MyisamFormat& f) {
      return f.base.packedRecordLength != 0 && length % f.base.packedRecordLength == 0;
    };
    constexpr std::uint8_t kPointerLengths[] = {2, 3, 4, 5, 6, 7};
    constexpr std::uint32_t kLongestRecordAPointerLengthens = 7;
    if (length == 0 || fits(format) ||
        format.base.baseRecordLength > kLongestRecordAPointerLengthens) {
      return {};
    }
    for (const std::uint8_t pointer : kPointerLengths) {
      MyisamFormat other = DeriveMyisamFormat(table_, TimestampPacking::kWhole, pointer);
      if (!fits(other)) continue;
      format = std::move(other);
      return "records of " + std::to_string(format.base.packedRecordLength) + " bytes (with a " +
             std::to_string(pointer) + "-byte record pointer), as the data file's length fits";
    }
    return {};
  }

  TableDefinition table_;
  const CollationTable* collations_;
  std::int32_t rowFormat_ = kRowFormatFixed;
  MyisamBaseInfo base_;
  std::vector<MyisamColumn> descriptors_;
  DataFile data_;
  DataFileSource source_;
};

}  // namespace

Status OpenMyisamSource(TableDefinition table, const TableFiles& files, const ReadOptions& options,
                        std::unique_ptr<TableSource>& out) {
  auto source = std::make_unique<MyisamSource>(std::move(table), options.collations);
  Status status = source->Open(files);
  out = std::move(source);
  return status;
}

}  // namespace rowmender
