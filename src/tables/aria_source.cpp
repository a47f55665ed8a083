#include <algorithm>
#include <functional>
#include <memory>

#include "aria/aria_format.h"
#include "aria/page_file.h"
#include "aria/page_scan.h"
#include "base/data_file.h"
#include "base/paths.h"
#include "myisam/record_scan.h"
#include "tables/engine_sources.h"
#include "tables/table_refusals.h"

namespace rowmender {

namespace {

// PAGE rows, part by part: runs of pages read apart.
class AriaPageParts final : public ScanParts {
 public:
  using MakeCursor = std::function<std::unique_ptr<AriaPageCursor>()>;
  AriaPageParts(MakeCursor make, std::uint64_t pageCount, std::uint64_t pagesPerPart)
      : make_(std::move(make)),
        pageCount_(pageCount),
        pagesPerPart_(std::max<std::uint64_t>(pagesPerPart, 1)) {}

  std::unique_ptr<TableCursor> NextPart() override {
    // The first part is made even for a file without pages.
    if (started_ && next_ >= pageCount_) return nullptr;
    started_ = true;
    std::unique_ptr<AriaPageCursor> cursor = make_();
    const std::uint64_t end = next_ + pagesPerPart_;
    cursor->Seek(PageStart{next_, 0});
    cursor->EndBefore(end);
    next_ = end;
    return cursor;
  }
  const ReadReport& Report() const override { return report_; }

 private:
  MakeCursor make_;
  std::uint64_t pageCount_;
  std::uint64_t pagesPerPart_;
  std::uint64_t next_ = 0;
  bool started_ = false;
  ReadReport report_;
};

class AriaSource final : public TableSource {
 public:
  AriaSource(TableDefinition table, const CollationTable* collations)
      : table_(std::move(table)), collations_(collations), source_(data_) {}

  Status Open(const TableFiles& files) {
    dataPath_ = FindFileWithExtension(files.databaseFolder, files.tableName, "MAD");
    if (dataPath_.empty()) {
      return Status::NotFound("the data file (.MAD) of " + files.tableName + " is missing");
    }
    if (!data_.Open(dataPath_)) return Status::IoError("cannot open " + dataPath_);

    const std::string indexPath =
        FindFileWithExtension(files.databaseFolder, files.tableName, "MAI");
    std::string why;
    if (indexPath.empty()) {
      why = "the index file (.MAI) is missing";
    } else {
      const std::string problem = ReadIndex(indexPath);
      if (problem.empty()) return Usable();
      why = "the index file " + indexPath + " " + problem;
    }
    FormatFromDefinition(why);
    return Usable();
  }

  const TableDefinition& Definition() const override { return table_; }

  std::unique_ptr<TableCursor> NewCursor() const override {
    if (format_.recordType == AriaRecordType::kPage) return NewPageCursor();
    const std::int32_t rowFormat =
        format_.recordType == AriaRecordType::kFixed ? kRowFormatFixed : kRowFormatDynamic;
    return std::make_unique<MyisamCursor>(table_, rowFormat, base_, descriptors_, source_,
                                          collations_);
  }

  std::unique_ptr<ScanParts> SplitScan(const ScanSplit& split) const override {
    if (format_.recordType != AriaRecordType::kPage) return SinglePart(NewCursor());
    const AriaPageFile pages(source_, format_.blockSize);
    return std::make_unique<AriaPageParts>([this] { return NewPageCursor(); }, pages.PageCount(),
                                           split.pagesPerPart);
  }

 private:
  std::unique_ptr<AriaPageCursor> NewPageCursor() const {
    return std::make_unique<AriaPageCursor>(table_, format_, source_, collations_);
  }

  // Takes the format from the index file at `path`; otherwise says what is
  // wrong with it.
  std::string ReadIndex(const std::string& path) {
    DataFile file;
    if (!file.Open(path)) return "cannot be read";
    const std::uint64_t length = file.Size();
    const std::vector<std::uint8_t> bytes = file.ReadBlock(0, AriaHeaderReadSize(length));
    AriaIndexHeader header;
    if (DecodeAriaIndexHeader(bytes, length, header) != AriaHeaderStatus::kAccepted) {
      return "is damaged (" + std::to_string(length) + " bytes, shorter than its header)";
    }
    const std::string problem = AriaHeaderProblem(header, table_);
    if (!problem.empty()) return "is damaged (" + problem + ")";
    format_ = std::move(header.format);
    if (header.state.MarkedCrashed()) {
      notes_.push_back(
          "the index file says the server marked the table crashed; its rows are "
          "read as the data file holds them");
    } else if (header.state.openCount != 0) {
      notes_.push_back(
          "the index file says the table was open when the server stopped; changes "
          "the server had not yet written to the data file are not there");
    }
    return {};
  }

  // The format as the server derives it from the definition, for a table
  // whose index file cannot be used (`why` says why).
  void FormatFromDefinition(const std::string& why) {
    AriaRecordType type = DefinedRecordType(table_);
    std::string how;
    std::uint32_t blockSize = kAriaDefaultBlockSize;
    if (type == AriaRecordType::kPage) {
      blockSize = GuessBlockSize(source_);
      if (blockSize != kAriaDefaultBlockSize) {
        how =
            "pages of " + std::to_string(blockSize) + " bytes, as the data file's first page says";
      }
    } else if (LooksLikePages()) {
      // TRANSACTIONAL=1 makes the server keep the rows in pages whatever
      // the row format; the definition does not say.
      type = AriaRecordType::kPage;
      blockSize = GuessBlockSize(source_);
      how = "rows kept in pages, as the data file begins with a bitmap page";
    }
    format_ = DeriveAriaFormat(table_, type, blockSize);
    if (type == AriaRecordType::kPage) {
      // Rows stored shorter than a transactional table's shortest are those
      // of a table without transactions.
      constexpr std::uint64_t kPagesLookedAt = 64;
      const AriaPageFile pages(source_, blockSize);
      const std::uint32_t shortest = ShortestStoredRow(pages, kPagesLookedAt);
      if (shortest != 0 && shortest < format_.minBlockLength) {
        format_ = DeriveAriaFormat(table_, type, blockSize, false);
        how +=
            std::string(how.empty() ? "" : "; ") +
            "a table without transactions, as its rows are stored shorter than those of one with";
      }
    }
    notes_.push_back(why + ": the record format (" + AriaRecordTypeName(type) +
                     ") and layout are taken from the definition (.frm)" +
                     (how.empty() ? "" : "; " + how));
  }

  // The data file begins as a file of pages does: a bitmap page with its
  // checksum or the mark of a bitmap page without one.
  bool LooksLikePages() const {
    const std::uint64_t size = source_.Size();
    if (size == 0 || size % kAriaDefaultBlockSize != 0) return false;
    std::vector<std::uint8_t> first(kAriaDefaultBlockSize);
    source_.ReadAt(0, first);
    if (aria::CheckPageChecksum(first, 0) == aria::PageChecksum::kValid) return true;
    constexpr std::uint32_t kNoBitmapChecksum = 0xFFFFFFFE;
    return Le32(first, kAriaDefaultBlockSize - aria::kPageSuffixSize) == kNoBitmapChecksum;
  }

  // A status for a format no reader here reads; Ok otherwise.
  Status Usable() {
    Status readable = CheckAriaFormatReadable(format_, dataPath_);
    if (!readable.ok()) return readable;
    if (format_.recordType == AriaRecordType::kFixed ||
        format_.recordType == AriaRecordType::kDynamic) {
      descriptors_ = MyisamDescriptorsOf(format_);
      base_ = MyisamBaseOf(format_);
    }
    return Status::Ok();
  }

  TableDefinition table_;
  const CollationTable* collations_;
  AriaFormat format_;
  MyisamBaseInfo base_;
  std::vector<MyisamColumn> descriptors_;
  DataFile data_;
  DataFileSource source_;
};

}  // namespace

Status OpenAriaSource(TableDefinition table, const TableFiles& files, const ReadOptions& options,
                      std::unique_ptr<TableSource>& out) {
  auto source = std::make_unique<AriaSource>(std::move(table), options.collations);
  Status status = source->Open(files);
  out = std::move(source);
  return status;
}

}  // namespace rowmender
