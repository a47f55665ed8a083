#include <algorithm>
#include <functional>

#include "base/data_file.h"
#include "base/paths.h"
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

class MyisamSource final : public TableSource {
 public:
  MyisamSource(TableDefinition table, const CollationTable* collations)
      : table_(std::move(table)), collations_(collations), source_(data_) {}

  Status Open(const TableFiles& files) {
    const std::string indexPath =
        FindFileWithExtension(files.databaseFolder, files.tableName, "MYI");
    if (indexPath.empty()) {
      notes_.push_back("the index file (.MYI) is missing: the records are taken as fixed-length");
    } else if (!ReadIndex(indexPath)) {
      notes_.push_back("the index file " + indexPath +
                       " cannot be read: the records are taken as fixed-length");
    }
    dataPath_ = FindFileWithExtension(files.databaseFolder, files.tableName, "MYD");
    if (dataPath_.empty()) {
      return Status::NotFound("the data file (.MYD) of " + files.tableName + " is missing");
    }
    if (!data_.Open(dataPath_)) return Status::IoError("cannot open " + dataPath_);
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
    const std::uint64_t stride = FixedRecordStride(table_, base_, source_.Size());
    return std::make_unique<FixedRecordParts>([this] { return NewMyisamCursor(); }, stride,
                                              source_.Size(), bytes);
  }

 private:
  std::unique_ptr<MyisamCursor> NewMyisamCursor() const {
    return std::make_unique<MyisamCursor>(table_, rowFormat_, base_, descriptors_, source_,
                                          collations_);
  }

  bool ReadIndex(const std::string& path) {
    MyisamIndexHeader header;
    if (!ReadIndexFile(path, header)) return false;
    rowFormat_ = header.rowFormat;
    if (header.baseInfoRead) {
      base_ = header.base;
      descriptors_ = std::move(header.columns);
    }
    return true;
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
