#include <algorithm>
#include <functional>

#include "base/data_file.h"
#include "base/paths.h"
#include "innodb/btree.h"
#include "innodb/dictionary.h"
#include "innodb/inno_column.h"
#include "innodb/page.h"
#include "innodb/record_columns.h"
#include "innodb/table_scan.h"
#include "tables/engine_sources.h"
#include "tables/system_tablespace.h"

namespace rowmender {

namespace {

// Root page of the clustered index in a table's own tablespace.
constexpr std::uint32_t kOwnTablespaceRoot = 3;

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

}  // namespace

Status OpenInnoSource(TableDefinition table, const TableFiles& files, const ReadOptions& options,
                      std::unique_ptr<TableSource>& out) {
  auto source = std::make_unique<InnoSource>(std::move(table), options);
  Status status = source->Open(files);
  out = std::move(source);
  return status;
}

}  // namespace rowmender
