#include <algorithm>
#include <functional>
#include <unordered_set>

#include "base/data_file.h"
#include "base/paths.h"
#include "innodb/btree.h"
#include "innodb/compressed_page.h"
#include "innodb/dictionary.h"
#include "innodb/inno_column.h"
#include "innodb/page.h"
#include "innodb/page_checksum.h"
#include "innodb/page_scan.h"
#include "innodb/record_columns.h"
#include "innodb/record_layout.h"
#include "innodb/record_salvage.h"
#include "innodb/records.h"
#include "innodb/table_scan.h"
#include "tables/engine_sources.h"
#include "tables/system_tablespace.h"
#include "tables/table_refusals.h"

namespace rowmender {

namespace {

// Root page of the clustered index in a table's own tablespace.
constexpr std::uint32_t kOwnTablespaceRoot = 3;

// Leaf pages found beforehand, in runs of pages.
class ListedPageParts final : public ScanParts {
 public:
  using MakeCursor = std::function<std::unique_ptr<TableCursor>(std::vector<std::uint32_t>)>;
  ListedPageParts(std::vector<std::uint32_t> pages, std::size_t pagesPerPart, MakeCursor make,
                  ReadReport report)
      : pages_(std::move(pages)),
        pagesPerPart_(std::max<std::size_t>(pagesPerPart, 1)),
        make_(std::move(make)),
        report_(std::move(report)) {}

  std::unique_ptr<TableCursor> NextPart() override {
    if (next_ >= pages_.size()) return nullptr;
    const std::size_t end = std::min(pages_.size(), next_ + pagesPerPart_);
    std::vector<std::uint32_t> part(pages_.begin() + static_cast<std::ptrdiff_t>(next_),
                                    pages_.begin() + static_cast<std::ptrdiff_t>(end));
    next_ = end;
    return make_(std::move(part));
  }
  const ReadReport& Report() const override { return report_; }

 private:
  std::vector<std::uint32_t> pages_;
  std::size_t pagesPerPart_;
  MakeCursor make_;
  ReadReport report_;
  std::size_t next_ = 0;
};

class InnoSource final : public TableSource {
 public:
  InnoSource(TableDefinition table, const ReadOptions& options)
      : table_(std::move(table)), options_(options) {}

  Status Open(const TableFiles& files) {
    tableName_ = files.tableName;
    const SystemTablespace* system = options_.systemTablespace;
    const std::string dictionaryName =
        LastComponent(WithoutTrailingSeparator(files.databaseFolder)) + "/" + files.tableName;
    std::uint64_t tableId = system != nullptr ? system->FindTableId(dictionaryName) : 0;
    // A dictionary that lost pages may have lost the table's entry and kept
    // its columns: the table is then found by their names.
    const bool dictionaryDamaged = system != nullptr && (!system->DictionaryReport().Complete() ||
                                                         !system->DictionaryReport().notes.empty());
    if (tableId == 0 && dictionaryDamaged) {
      std::vector<std::string> names;
      for (const ColumnDefinition& column : table_.columns)
        names.push_back(column.name);
      tableId = system->FindTableIdByColumns(dictionaryName, names);
      if (tableId != 0) {
        notes_.push_back("the damaged data dictionary has no entry named " + dictionaryName +
                         ": the table was found by its column names (table id " +
                         std::to_string(tableId) + ")");
      }
    }
    const DictIndexRow* clustered = tableId != 0 ? system->FindClusteredIndex(tableId) : nullptr;
    if (clustered != nullptr) indexId_ = clustered->indexId;
    if (system != nullptr) {
      for (const DictIndexRow& index : system->Indexes()) {
        if (index.tableId != tableId) otherIndexIds_.insert(index.indexId);
      }
    }

    // A definition read from a tablespace is that of the rows it holds.
    const std::string ibd =
        files.origin == DefinitionOrigin::kTablespaceSdi
            ? files.definitionPath
            : FindFileWithExtension(files.databaseFolder, files.tableName, "ibd");
    const std::string missing = "the tablespace (.ibd) of " + files.tableName + " is missing (" +
                                JoinPath(files.databaseFolder, files.tableName + ".ibd") + ")";
    if (!ibd.empty()) {
      if (!own_.Open(ibd)) return Status::IoError("cannot open " + ibd);
      dataPath_ = ibd;
      std::string geometryNote;
      const TablespaceGeometry geometry = GeometryOfFile(own_, &geometryNote);
      if (!geometryNote.empty()) notes_.push_back(ibd + ": " + geometryNote);
      const Status encrypted =
          CheckTablespaceNotEncrypted(ibd, own_.ReadBlock(0, geometry.physicalPageSize));
      if (!encrypted.ok()) return encrypted;
      if (geometry.RowCompressed()) {
        // ROW_FORMAT=COMPRESSED: index pages are inflated on reading.
        ownPages_ = std::make_unique<CompressedPageSource>(own_, geometry);
        notes_.push_back("the tablespace is compressed (ROW_FORMAT=COMPRESSED, " +
                         geometry.Describe() + "): its pages are inflated");
      } else {
        ownPages_ = std::make_unique<FilePageSource>(own_, geometry);
      }
      pages_ = ownPages_.get();
      form_ = WalkForm::kOwnTablespace;
      if (clustered != nullptr) {
        BuildColumns(*system, tableId);
        root_ = clustered->rootPage;
      } else {
        BuildColumnsFromDefinition();
        // A definition kept in the tablespace itself names the clustered
        // index; one from elsewhere leaves the server's usual root page.
        root_ = table_.clusteredRootPage != 0 ? table_.clusteredRootPage : kOwnTablespaceRoot;
        indexId_ = table_.clusteredIndexId;
        if (system != nullptr && table_.origin != DefinitionOrigin::kTablespaceSdi) {
          notes_.push_back("the data dictionary does not list " + dictionaryName +
                           ": its columns are typed by the definition file");
        }
      }
      Status status = LayOut();
      if (status.ok()) status = CheckTablespaceBelongs(clustered, dictionaryName);
      if (status.ok()) status = FindStart();
      if (status.ok() && clustered == nullptr) status = CheckRecordsFit(dictionaryName);
      return status;
    }
    if (clustered == nullptr) {
      if (system == nullptr) {
        return Status::NotFound(missing +
                                ", and the system tablespace that may keep the table was not read");
      }
      if (!dictionaryDamaged) {
        return Status::NotFound(missing + ", and the data dictionary does not list the table");
      }
      // The damaged dictionary lost the table's index: its pages are looked
      // for in the system tablespace by the records that fit its columns.
      dataPath_ = system->Path();
      pages_ = &system->Pages();
      form_ = WalkForm::kSystemTablespace;
      if (tableId != 0) {
        BuildColumns(*system, tableId);
      } else {
        BuildColumnsFromDefinition();
      }
      root_ = 0;
      Status status = LayOut();
      if (status.ok()) status = FindStart();
      if (!status.ok()) {
        return Status::NotFound(missing +
                                ", and the damaged data dictionary does not list the table; no "
                                "pages of " +
                                dataPath_ + " hold records that fit its columns");
      }
      return status;
    }
    if (clustered->space != 0) {
      return Status::NotFound(
          missing + ": the data dictionary places the table in a file of its own (space " +
          std::to_string(clustered->space) + "), not in " + system->Path());
    }
    dataPath_ = system->Path();
    pages_ = &system->Pages();
    form_ = WalkForm::kSystemTablespace;
    BuildColumns(*system, tableId);
    root_ = clustered->rootPage;
    const Status status = LayOut();
    return status.ok() ? FindStart() : status;
  }

  const TableDefinition& Definition() const override { return table_; }

  std::unique_ptr<TableCursor> NewCursor() const override {
    return std::make_unique<InnoTableCursor>(*pages_, form_, table_, layout_, options_.collations,
                                             firstLeaf_);
  }

  // The leaf pages found by reading every page's headers, not by the tree.
  std::unique_ptr<ScanParts> SplitScan(const ScanSplit& split) const override {
    ReadReport report;
    if (!treeProblem_.empty()) {
      ++report.pagesSkipped;
      report.Note(treeProblem_);
    }
    std::vector<std::uint32_t> pages = ScanLeafPages(report);
    return std::make_unique<ListedPageParts>(
        std::move(pages), split.pagesPerPart,
        [this](std::vector<std::uint32_t> part) {
          return std::make_unique<InnoTableCursor>(*pages_, form_, table_, layout_,
                                                   options_.collations, std::move(part));
        },
        std::move(report));
  }

 private:
  void BuildColumnsFromDefinition() {
    const CollationTable none;
    const CollationTable& collations = options_.collations != nullptr ? *options_.collations : none;
    std::vector<InnoColumn> pending;
    for (std::size_t i = 0; i < table_.columns.size(); ++i) {
      // No record stores a virtual column.
      if (table_.columns[i].isVirtual) continue;
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

  // A tablespace put in place of the table's own (another table's .ibd
  // copied over it) is told by the space id and index id the dictionary
  // gives, or, without the dictionary, by records that do not fit the
  // table's columns (below). It is read only when the options ask for it.
  Status CheckTablespaceBelongs(const DictIndexRow* clustered, const std::string& name) {
    if (clustered == nullptr || pages_->PageCount() == 0) return Status::Ok();
    PageBuffer page = NewPageBuffer(*pages_);
    pages_->Read(0, page);
    const PageCheck check = CheckPage(page);
    const std::uint32_t spaceId = FilHeader::DecodeFrom(page).spaceId;
    std::string reason;
    if (check != PageCheck::kFailed && check != PageCheck::kAllZero && clustered->space != 0 &&
        spaceId != clustered->space) {
      reason = "its space id is " + std::to_string(spaceId) + ", the data dictionary gives " +
               std::to_string(clustered->space);
    }
    if (pages_->Holds(root_)) pages_->Read(root_, page);
    const IndexPage root(page);
    const std::uint64_t rootIndexId = root.IsIndexPage() ? root.Header().indexId : 0;
    if (reason.empty() && rootIndexId != 0 && rootIndexId != clustered->indexId) {
      reason = "its clustered index has the id " + std::to_string(rootIndexId) +
               ", the data dictionary gives " + std::to_string(clustered->indexId);
    }
    if (reason.empty()) return Status::Ok();
    Status status = Mismatch(name, reason);
    // Read as asked: the file's own clustered index, as its root names it.
    if (status.ok() && rootIndexId != 0) indexId_ = rootIndexId;
    return status;
  }

  // Without the dictionary: the records of the first leaf must fit the
  // table's columns (told apart only where the character sets are known).
  Status CheckRecordsFit(const std::string& name) {
    if (options_.collations == nullptr || firstLeaf_ == kNoPage) return Status::Ok();
    PageBuffer page = NewPageBuffer(*pages_);
    pages_->Read(firstLeaf_, page);
    if (RecordsFitPage(page)) return Status::Ok();
    return Mismatch(name, "the records of its first leaf page (" + std::to_string(firstLeaf_) +
                              ") do not fit the table's columns");
  }

  Status Mismatch(const std::string& name, const std::string& reason) {
    const std::string problem = dataPath_ + " does not seem to belong to " + name + ": " + reason;
    if (!options_.readMismatchedFiles) return Status::Corruption(problem);
    notes_.push_back(problem + "; it is read as asked");
    return Status::Ok();
  }

  // The records of a leaf page fit the table's columns: its records as
  // found one by one are at least as many as its header counts. An empty
  // page fits anything.
  bool RecordsFitPage(ByteView page) const {
    const IndexPage index(page);
    std::uint32_t counted = index.Header().userRecords;
    // The metadata record of a table altered in place is counted, and is
    // no row.
    if (counted > 0 && layout_.Kind() == LayoutKind::kMariaDb && StartsWithMetadata(index))
      --counted;
    if (counted == 0) return true;
    const RecordFormat format = index.Format();
    return format != RecordFormat::kNone && SalvageRecords(page, format, layout_).size() >= counted;
  }

  // The first record of the leaf page is a metadata record: the one leaf
  // record with the minimum-record mark.
  static bool StartsWithMetadata(const IndexPage& index) {
    if (index.Level() != 0) return false;
    const RecordFormat format = index.Format();
    if (format == RecordFormat::kCompact) {
      return CompactRecordHeader::DecodeFrom(index.Bytes(), index.FirstCompactRecord())
          .MinimumRecord();
    }
    return format == RecordFormat::kRedundant &&
           RedundantRecordHeader::DecodeFrom(index.Bytes(), index.FirstRedundantRecord())
               .MinimumRecord();
  }

  // The first leaf, by descending from the root. Where the tree is
  // damaged, the pages are found by the scan; the grid's walk starts at
  // the first leaf the scan finds.
  Status FindStart() {
    if (pages_->PageCount() == 0) {
      return Status::Corruption("the tablespace " + dataPath_ + " holds no whole page (" +
                                std::to_string(own_.IsOpen() ? own_.Size() : 0) + " bytes)");
    }
    PageBuffer page = NewPageBuffer(*pages_);
    if (pages_->Holds(root_)) pages_->Read(root_, page);
    const IndexPage rootPage(page);
    const InstantRoot instant = ReadInstantRoot(page);
    if (instant.altered) layout_ = RootLayout(recordColumns_, instant);
    if (rootPage.IsIndexPage() && indexId_ == 0) indexId_ = rootPage.Header().indexId;
    const std::uint32_t first = FindFirstLeafPage(*pages_, root_, layout_);
    if (first != 0) {
      firstLeaf_ = first;
      return ReadInstantLayout(instant);
    }
    treeProblem_ = root_ == 0 ? "the data dictionary does not give the root page of the table: "
                                "its leaf pages were looked for among every page of " +
                                    dataPath_
                   : rootPage.IsIndexPage()
                       ? "no leaf page can be reached from the root page " + std::to_string(root_) +
                             " of " + dataPath_ +
                             ": the leaf pages were found by reading every page"
                       : "the root page " + std::to_string(root_) + " of " + dataPath_ +
                             " is not an index page: the leaf pages were found by reading "
                             "every page";
    ReadReport scanned;
    if (indexId_ == 0) {
      indexId_ = GuessIndexId(scanned);
      notes_.insert(notes_.end(), scanned.notes.begin(), scanned.notes.end());
      scanned = ReadReport{};
    }
    const std::vector<std::uint32_t> pages = ScanLeafPages(scanned);
    if (pages.empty()) {
      return Status::Corruption("no leaf page of the table is found in " + dataPath_ +
                                " (its root page " + std::to_string(root_) +
                                " cannot be read, and no page holds its records)");
    }
    firstLeaf_ = pages.front();
    notes_.push_back(treeProblem_);
    return ReadInstantLayout(instant);
  }

  // The layout of the records, from the definition: MySQL 8's keeps the
  // columns added and dropped in place. A layout that cannot be made is a
  // table that cannot be read, said so.
  Status LayOut() {
    const CollationTable none;
    const CollationTable& collations = options_.collations != nullptr ? *options_.collations : none;
    const Status status = LayoutFromDefinition(recordColumns_, table_, collations, layout_);
    if (status.ok()) return status;
    return Status::NotSupported(dataPath_ + ": the columns of " + tableName_ +
                                " were added or dropped in place (ALGORITHM=INSTANT), and its "
                                "definition does not tell how its older records hold them: " +
                                status.message());
  }

  // A table MariaDB altered in place: the layout the metadata record at
  // the start of the first leaf gives (where the root is lost, the record
  // alone tells that the table was altered).
  Status ReadInstantLayout(const InstantRoot& instant) {
    // MySQL 8's definition has told the layout already.
    if (layout_.Kind() == LayoutKind::kMySql) return Status::Ok();
    const Status status =
        ReadMariaDbLayout(*pages_, instant, firstLeaf_, recordColumns_, table_, layout_);
    if (status.ok()) {
      if (!instant.altered && layout_.Kind() == LayoutKind::kMariaDb) {
        notes_.push_back(
            "the clustered index root, which counts the fields of the records "
            "written before the table's columns were changed in place, is lost: "
            "the metadata record on leaf page " +
            std::to_string(firstLeaf_) + " tells them");
      }
      return status;
    }
    return Status::Corruption(dataPath_ + ": the columns of " + tableName_ +
                              " were added, dropped or moved in place (ALGORITHM=INSTANT), and " +
                              status.message());
  }

  // The clustered index's leaf pages in reading order, by the headers of
  // every page of the tablespace.
  std::vector<std::uint32_t> ScanLeafPages(ReadReport& report) const {
    if (indexId_ == 0) {
      report.Note("the clustered index of the table is not known: no rows can be found");
      return {};
    }
    const std::vector<LeafPageEntry> leaves = FindLeafPages(*pages_, indexId_);
    const ExtentMap extents = ExtentMap::Read(*pages_);
    LeafPageOrder order = OrderLeafPages(leaves, extents, firstLeaf_, report);
    return std::move(order.pages);
  }

  // With neither the dictionary nor the root page to name the clustered
  // index: the index id with the most leaf pages whose records fit the
  // table's columns.
  std::uint64_t GuessIndexId(ReadReport& report) const {
    const auto tallies = TallyLeafPages(*pages_);
    std::vector<std::pair<std::uint64_t, const LeafPageTally*>> ranked;
    for (const auto& [id, tally] : tallies) {
      // Not the dictionary's own indexes, nor those it gives other tables.
      if (id >= kFirstUserId && !otherIndexIds_.contains(id)) ranked.emplace_back(id, &tally);
    }
    std::sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) {
      return a.second->count != b.second->count ? a.second->count > b.second->count
                                                : a.first < b.first;
    });
    // The largest few are tried: a file of damage could name an index per page.
    constexpr std::size_t kIndexesTried = 16;
    if (ranked.size() > kIndexesTried) ranked.resize(kIndexesTried);
    PageBuffer page = NewPageBuffer(*pages_);
    for (const auto& [id, tally] : ranked) {
      std::size_t fitting = 0;
      for (const std::uint32_t sample : tally->samples) {
        pages_->Read(sample, page);
        if (IndexPage(page).Header().userRecords > 0 && RecordsFitPage(page)) ++fitting;
      }
      if (fitting * 2 > tally->samples.size()) {
        report.Note("the clustered index was taken to be index " + std::to_string(id) + ", whose " +
                    std::to_string(tally->count) +
                    " leaf pages hold records that fit the table's columns");
        return id;
      }
    }
    report.Note("no index of " + dataPath_ + " holds records that fit the table's columns");
    return 0;
  }

  TableDefinition table_;
  std::string tableName_;
  ReadOptions options_;
  DataFile own_;
  std::unique_ptr<PageSource> ownPages_;
  const PageSource* pages_ = nullptr;
  WalkForm form_ = WalkForm::kOwnTablespace;
  std::vector<InnoColumn> recordColumns_;
  // How the records hold those fields (a table altered in place holds
  // records of different shapes).
  RecordLayout layout_;
  std::uint32_t root_ = kOwnTablespaceRoot;
  // The clustered index's id (0: not known yet).
  std::uint64_t indexId_ = 0;
  // The ids the dictionary gives other tables' indexes.
  std::unordered_set<std::uint64_t> otherIndexIds_;
  std::uint32_t firstLeaf_ = kNoPage;
  // Why the tree could not be walked from its root (empty: it could).
  std::string treeProblem_;
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
