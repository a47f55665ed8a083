#include "tables/table_source.h"

#include <algorithm>
#include <functional>

#include "base/data_file.h"
#include "base/paths.h"
#include "definitions/frm_reader.h"
#include "innodb/btree.h"
#include "innodb/dictionary.h"
#include "innodb/inno_column.h"
#include "innodb/page.h"
#include "innodb/record_columns.h"
#include "innodb/table_scan.h"
#include "myisam/index_header.h"
#include "myisam/record_scan.h"
#include "tables/system_tablespace.h"

namespace rowmender {

namespace {

// Definition files are small; anything beyond this is not one.
constexpr std::uint64_t kLargestDefinitionFile = 64u << 20;
// Root page of the clustered index in a table's own tablespace.
constexpr std::uint32_t kOwnTablespaceRoot = 3;

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

// The leaf chain, walked page header by page header, in runs of pages.
class LeafPageParts final : public ScanParts {
 public:
  using MakeCursor = std::function<std::unique_ptr<TableCursor>(std::vector<std::uint32_t>)>;
  LeafPageParts(const PageSource& pages, WalkForm form, std::uint32_t firstLeaf,
                std::size_t pagesPerPart, MakeCursor make)
      : chain_(pages, form, firstLeaf, report_),
        pagesPerPart_(std::max<std::size_t>(pagesPerPart, 1)),
        make_(std::move(make)) {}

  std::unique_ptr<TableCursor> NextPart() override {
    std::vector<std::uint32_t> pages;
    std::uint32_t page = 0;
    while (pages.size() < pagesPerPart_ && chain_.Next(page))
      pages.push_back(page);
    if (pages.empty()) return nullptr;
    return make_(std::move(pages));
  }
  const ReadReport& Report() const override { return report_; }

 private:
  ReadReport report_;
  LeafChain chain_;
  std::size_t pagesPerPart_;
  MakeCursor make_;
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

class InnoSource final : public TableSource {
 public:
  InnoSource(TableDefinition table, const ReadOptions& options)
      : table_(std::move(table)), options_(options) {}

  Status Open(const TableFiles& files) {
    const SystemTablespace* system = options_.systemTablespace;
    const std::string dictionaryName =
        LastComponent(WithoutTrailingSeparator(files.databaseFolder)) + "/" + files.tableName;
    const std::uint64_t tableId = system != nullptr ? system->FindTableId(dictionaryName) : 0;
    const std::uint32_t dictionaryRoot = tableId != 0 ? system->FindClusteredIndexRoot(tableId) : 0;

    const std::string ibd = FindFileWithExtension(files.databaseFolder, files.tableName, "ibd");
    if (!ibd.empty() && own_.Open(ibd)) {
      dataPath_ = ibd;
      ownPages_ = std::make_unique<FilePageSource>(own_, PageCountOf(own_.Size()));
      pages_ = ownPages_.get();
      form_ = WalkForm::kOwnTablespace;
      std::uint32_t root = dictionaryRoot;
      if (root != 0) {
        BuildColumns(*system, tableId);
      } else {
        BuildColumnsFromDefinition();
        root = kOwnTablespaceRoot;
        if (system != nullptr) {
          notes_.push_back("the data dictionary does not list " + dictionaryName +
                           ": its columns are typed by the definition file");
        }
      }
      return FindStart(root);
    }
    if (dictionaryRoot == 0) {
      if (!ibd.empty()) return Status::IoError("cannot open " + ibd);
      if (system == nullptr) {
        return Status::NotFound("the tablespace (.ibd) of " + files.tableName +
                                " is missing, and no system tablespace was read");
      }
      return Status::NotFound("the tablespace (.ibd) of " + files.tableName +
                              " is missing, and the data dictionary does not list the table");
    }
    dataPath_ = system->Path();
    pages_ = &system->Pages();
    form_ = WalkForm::kSystemTablespace;
    BuildColumns(*system, tableId);
    return FindStart(dictionaryRoot);
  }

  const TableDefinition& Definition() const override { return table_; }

  std::unique_ptr<TableCursor> NewCursor() const override {
    return std::make_unique<InnoTableCursor>(*pages_, form_, table_, recordColumns_,
                                             options_.collations, firstLeaf_);
  }

  std::unique_ptr<ScanParts> SplitScan(const ScanSplit& split) const override {
    return std::make_unique<LeafPageParts>(
        *pages_, form_, firstLeaf_, split.pagesPerPart, [this](std::vector<std::uint32_t> pages) {
          return std::make_unique<InnoTableCursor>(*pages_, form_, table_, recordColumns_,
                                                   options_.collations, std::move(pages));
        });
  }

 private:
  void BuildColumnsFromDefinition() {
    const CollationTable none;
    const CollationTable& collations = options_.collations != nullptr ? *options_.collations : none;
    std::vector<InnoColumn> pending;
    for (std::size_t i = 0; i < table_.columns.size(); ++i) {
      pending.push_back(
          InnoColumnFromDefinition(table_.columns[i], static_cast<std::uint32_t>(i), collations));
    }
    recordColumns_ = ArrangeRecordColumns(pending, table_);
  }

  // From the dictionary; from the definition when the dictionary lists none
  // of the table's columns (their rows are lost).
  void BuildColumns(const SystemTablespace& system, std::uint64_t tableId) {
    std::vector<InnoColumn> pending =
        ColumnsFromDictionary(system.Columns(), tableId, table_.columns);
    recordColumns_ = ArrangeRecordColumns(pending, table_);
    const bool any =
        std::any_of(recordColumns_.begin(), recordColumns_.end(),
                    [](const InnoColumn& f) { return f.role == InnoFieldRole::kValue; });
    if (!any && !table_.columns.empty()) {
      notes_.push_back(
          "the data dictionary lists no columns of the table: they are typed by "
          "the definition file");
      BuildColumnsFromDefinition();
    }
  }

  Status FindStart(std::uint32_t root) {
    firstLeaf_ = FindFirstLeafPage(*pages_, root, recordColumns_);
    if (firstLeaf_ == 0) {
      firstLeaf_ = kNoPage;
      return Status::Corruption("no leaf page can be reached from the root page " +
                                std::to_string(root) + " of " + dataPath_);
    }
    return Status::Ok();
  }

  TableDefinition table_;
  ReadOptions options_;
  DataFile own_;
  std::unique_ptr<FilePageSource> ownPages_;
  const PageSource* pages_ = nullptr;
  WalkForm form_ = WalkForm::kOwnTablespace;
  std::vector<InnoColumn> recordColumns_;
  std::uint32_t firstLeaf_ = kNoPage;
};

// The server's names of the legacy engine codes a definition file keeps.
std::string EngineName(std::uint8_t code) {
  switch (code) {
    case 6:
      return "MEMORY";
    case 10:
      return "MERGE";
    case 16:
      return "ARCHIVE";
    case 17:
      return "CSV";
    case 18:
      return "FEDERATED";
    case 19:
      return "BLACKHOLE";
    case 20:
      return "partitioned";
    case 42:
      return "Aria";
    default:
      return "number " + std::to_string(code);
  }
}

}  // namespace

Status ReadDefinitionFile(const std::string& path, TableDefinition& out) {
  DataFile file;
  if (!file.Open(path)) return Status::NotFound("the table definition cannot be opened: " + path);
  std::vector<std::uint8_t> bytes(
      static_cast<std::size_t>(std::min(file.Size(), kLargestDefinitionFile)));
  bytes.resize(file.ReadAt(0, bytes));
  DefinitionProgress progress;
  switch (ParseTableDefinition(bytes, out, progress)) {
    case DefinitionStatus::kRead:
      if (out.columns.empty())
        return Status::Corruption(path + ": the definition holds no columns");
      return Status::Ok();
    case DefinitionStatus::kMissing:
      return Status::NotFound("the table definition cannot be opened: " + path);
    case DefinitionStatus::kNotADefinition:
      return Status::Corruption(path + ": not a table definition");
    case DefinitionStatus::kCorrupt:
      return Status::Corruption(path + ": damaged table definition");
  }
  return Status::Corruption(path + ": damaged table definition");
}

Status TableSource::Open(const TableFiles& files, const ReadOptions& options,
                         std::unique_ptr<TableSource>& out) {
  TableDefinition table;
  Status status = ReadDefinitionFile(files.definitionPath, table);
  if (!status.ok()) return status;
  switch (table.storageEngine) {
    case kEngineMyIsam: {
      auto source = std::make_unique<MyisamSource>(std::move(table), options.collations);
      status = source->Open(files);
      out = std::move(source);
      return status;
    }
    case kEngineInnoDb: {
      auto source = std::make_unique<InnoSource>(std::move(table), options);
      status = source->Open(files);
      out = std::move(source);
      return status;
    }
    default:
      return Status::NotSupported("tables of the storage engine " +
                                  EngineName(table.storageEngine) + " are not read");
  }
}

}  // namespace rowmender
