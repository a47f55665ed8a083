// rowmender-cli rows: a table's records as the record grid shows them.
#include <algorithm>
#include <charconv>
#include <filesystem>
#include <memory>
#include <optional>

#include "app/logic/recovery_engine.h"
#include "catalogue/data_folder_reads.h"
#include "catalogue/table_locator.h"
#include "cli/command_table.h"
#include "cli/commands.h"
#include "cli/read_account.h"
#include "cli/table_output.h"
#include "preview/long_value_files.h"
#include "preview/record_pages.h"
#include "values/value_texts.h"

namespace rowmender::cli {

namespace {

constexpr const char* kDeletedColumn = "deleted";
constexpr const char* kHistoryColumn = "history";

enum class OutputFormat { kTsv, kCsv };

struct RowsRequest {
  std::string dataFolder;
  std::string database;
  std::string table;
  std::size_t page = 1;
  bool all = false;
  OutputFormat format = OutputFormat::kTsv;
  bool saveForms = false;
  bool deletedFlag = false;
  RecordPagerOptions pager;
  std::vector<std::string> definitionFiles;
};

std::optional<std::size_t> ParsePageNumber(const std::string& text) {
  std::size_t value = 0;
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value);
  if (result.ec != std::errc{} || result.ptr != end || value == 0) return std::nullopt;
  return value;
}

// Parses the arguments; on a usage error returns nullopt with `problem` set.
std::optional<RowsRequest> ParseRowsArguments(const Arguments& args, std::string& problem) {
  RowsRequest request;
  std::vector<std::string> positional;
  bool pageGiven = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const auto value = [&]() -> const std::string* {
      if (i + 1 >= args.size()) {
        problem = arg + " needs a value";
        return nullptr;
      }
      return &args[++i];
    };
    if (arg == "--page") {
      const std::string* text = value();
      if (text == nullptr) return std::nullopt;
      const auto page = ParsePageNumber(*text);
      if (!page) {
        problem = "--page needs a page number from 1 on: " + *text;
        return std::nullopt;
      }
      request.page = *page;
      pageGiven = true;
    } else if (arg == "--all") {
      request.all = true;
    } else if (arg == "--format") {
      const std::string* text = value();
      if (text == nullptr) return std::nullopt;
      if (*text == "tsv") {
        request.format = OutputFormat::kTsv;
      } else if (*text == "csv") {
        request.format = OutputFormat::kCsv;
      } else {
        problem = "unknown format: " + *text;
        return std::nullopt;
      }
    } else if (arg == "--save-forms") {
      request.saveForms = true;
    } else if (arg == "--deleted-flag") {
      request.deletedFlag = true;
    } else if (arg == "--ibdata") {
      const std::string* text = value();
      if (text == nullptr) return std::nullopt;
      request.pager.ibdataPath = *text;
    } else if (arg == "--no-dictionary") {
      request.pager.useDictionary = false;
    } else if (arg == kReadMismatchedOption) {
      request.pager.readMismatchedFiles = true;
    } else if (arg == kDefinitionOption) {
      const std::string* text = value();
      if (text == nullptr) return std::nullopt;
      request.definitionFiles.push_back(*text);
    } else if (arg == "--save-folder") {
      const std::string* text = value();
      if (text == nullptr) return std::nullopt;
      request.pager.saveFolder = *text;
    } else if (arg.size() > 1 && arg[0] == '-') {
      problem = "unknown option: " + arg;
      return std::nullopt;
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 3) {
    problem = "rows needs DATADIR DB TABLE";
    return std::nullopt;
  }
  if (request.pager.saveFolder == kStandardOutputName) {
    problem = "--save-folder takes a folder: each long value goes into a file of its own";
    return std::nullopt;
  }
  if (pageGiven && request.all) {
    problem = "--page and --all exclude each other";
    return std::nullopt;
  }
  request.dataFolder = positional[0];
  request.database = positional[1];
  request.table = positional[2];
  return request;
}

class RowWriter {
 public:
  RowWriter(std::ostream& out, OutputFormat format, bool deletedFlag)
      : out_(out), format_(format), deletedFlag_(deletedFlag) {}

  void WriteHeader(const TableDefinition& table) {
    cells_.clear();
    historyFlag_ = deletedFlag_ && table.SystemVersioned();
    if (deletedFlag_) cells_.emplace_back(kDeletedColumn);
    if (historyFlag_) cells_.emplace_back(kHistoryColumn);
    for (const auto& column : table.columns)
      cells_.push_back(column.name);
    WriteCells();
  }

  void WriteRows(const std::vector<DecodedRow>& rows) {
    for (const DecodedRow& row : rows) {
      cells_.clear();
      if (deletedFlag_) cells_.emplace_back(row.deleted ? "1" : "0");
      if (historyFlag_) cells_.emplace_back(row.history ? "1" : "0");
      cells_.insert(cells_.end(), row.values.begin(), row.values.end());
      WriteCells();
    }
  }

 private:
  void WriteCells() {
    if (format_ == OutputFormat::kCsv) {
      WriteCsvLine(out_, cells_);
    } else {
      WriteTsvLine(out_, cells_);
    }
  }

  std::ostream& out_;
  OutputFormat format_;
  bool deletedFlag_;
  // A system-versioned table: the flag of its history rows beside that of
  // the deleted ones.
  bool historyFlag_ = false;
  std::vector<std::string> cells_;
};

// Every row of the table, read by one cursor from the first row to the
// last: one visited set for the whole scan, so a chain that loops ends it.
// `reads`: the system tablespace the table was located with.
int WriteAllRows(CTarnSalvorProjApp& app, const RowsRequest& request, const TableLocation& location,
                 DataFolderReads& reads, std::ostream& out, std::ostream& err) {
  if (!reads.systemProblem.empty()) {
    err << "rowmender-cli: " << reads.systemProblem << "\n";
    return kExitFailure;
  }
  reads.readMismatchedFiles = request.pager.readMismatchedFiles;
  std::unique_ptr<TableSource> source;
  const Status status = TableSource::Open(location.Files(), reads.Options(), source);
  // The dictionary counts where it types the table's columns, or may be
  // why the table cannot be opened.
  const bool dictionaryDamaged = reads.system != nullptr &&
                                 (!source || source->Definition().storageEngine == kEngineInnoDb) &&
                                 PrintDictionaryDamage(err, reads.system->DictionaryReport());
  if (!status.ok()) {
    if (source) {
      for (const std::string& note : source->Notes())
        err << "rowmender-cli: " << note << "\n";
    }
    err << "rowmender-cli: " << WithMismatchHint(status.message()) << "\n";
    return kExitFailure;
  }
  // All rows: found as bulk work finds them, not by walking the tree.
  const std::unique_ptr<TableCursor> cursor = ReadPartsInTurn(source->SplitScan());

  ValueOptions options(request.saveForms ? ValueForm::kSave : ValueForm::kPreview, &app.collations);
  std::uint64_t longValueFiles = 0;
  const std::string saveFolder = request.pager.saveFolder;
  if (request.saveForms && !saveFolder.empty()) {
    // Long values go into files of the save folder, as a save wrote them.
    options.longValueSink = [&](ByteView local, const LongValueReader& reader) {
      return WriteLongValueFile(saveFolder, longValueFiles, local, reader);
    };
  }

  RowWriter writer(out, request.format, request.deletedFlag);
  writer.WriteHeader(source->Definition());
  RowBuffer row;
  std::vector<DecodedRow> one(1);
  while (cursor->Next(row)) {
    AppendRowTexts(row, cursor->Formats(), options, one[0]);
    writer.WriteRows(one);
  }
  out.flush();
  if (!out) {
    err << "rowmender-cli: cannot write the rows\n";
    return kExitFailure;
  }
  const ReadReport& report = cursor->Report();
  const bool lost =
      PrintReadAccount(err, source->Notes(), report, std::to_string(report.rowsRead) + " rows");
  return lost || dictionaryDamaged ? kExitLosses : kExitOk;
}

}  // namespace

int RunRows(CTarnSalvorProjApp& app, const Arguments& args, std::ostream& out, std::ostream& err) {
  std::string problem;
  const std::optional<RowsRequest> request = ParseRowsArguments(args, problem);
  if (!request) {
    return UsageError("rows", problem, err);
  }
  // A table without a .frm: a statement given, or the dictionary, may
  // define it.
  DataFolderReads dictionary = OpenDataFolderReads(request->dataFolder, request->pager.ibdataPath,
                                                   request->pager.useDictionary, &app.collations);
  DefinitionSources sources;
  sources.system = dictionary.system.get();
  const Status statements = LoadStatementFiles(request->definitionFiles, app.collations, sources);
  if (!statements.ok()) {
    err << "rowmender-cli: " << statements.message() << "\n";
    return kExitFailure;
  }
  const TableLookup lookup =
      LocateTable(request->dataFolder, request->database, request->table, &sources);
  if (!lookup.location) {
    return ReportLookupFailure(lookup, err);
  }
  // A system tablespace that cannot be read is an error before any table is.
  const std::string systemProblem = SystemTablespaceFileProblem(
      request->dataFolder, request->pager.ibdataPath, request->pager.useDictionary);
  if (!systemProblem.empty()) {
    err << "rowmender-cli: " << systemProblem << "\n";
    return kExitFailure;
  }

  if (request->all) return WriteAllRows(app, *request, *lookup.location, dictionary, out, err);

  app.saveAsScriptMode = request->saveForms;
  app.saveToDatabaseMode = false;
  if (!request->pager.saveFolder.empty()) app.saveFolder = request->pager.saveFolder;

  RecoveryEngine engine(app);
  RecordPager pager(engine, request->pager);
  std::string error;
  if (!pager.Open(*lookup.location, error)) {
    err << "rowmender-cli: " << error << "\n";
    return kExitFailure;
  }

  pager.LoadFirstPage();
  const bool dictionaryDamaged =
      engine.systemTablespace != nullptr &&
      PrintDictionaryDamage(err, engine.systemTablespace->DictionaryReport());
  if (!pager.Problem().empty()) {
    // No rows can be read: an error, never an empty table.
    std::error_code fsError;
    if (!engine.systemTablespaceProblem.empty() &&
        std::filesystem::exists(engine.systemTablespaceTried, fsError)) {
      err << "rowmender-cli: " << engine.systemTablespaceProblem << "\n";
    }
    err << "rowmender-cli: " << WithMismatchHint(pager.Problem()) << "\n";
    return kExitFailure;
  }
  std::size_t pagesLoaded = 1;
  std::uint64_t rowsLoaded = engine.rows.size();
  while (pagesLoaded < request->page && pager.LoadNextPage()) {
    ++pagesLoaded;
    rowsLoaded += engine.rows.size();
  }
  if (pagesLoaded < request->page) {
    // The same usage error as csv's: the page asked for is not there.
    return UsageError("rows",
                      PastLastPageProblem(request->page, request->database + "." + request->table,
                                          pagesLoaded, rowsLoaded),
                      err);
  }
  RowWriter writer(out, request->format, request->deletedFlag);
  writer.WriteHeader(engine.table);
  writer.WriteRows(engine.rows);
  out.flush();
  if (!out) {
    err << "rowmender-cli: cannot write the rows\n";
    return kExitFailure;
  }
  // How the table was opened, and what reading the page printed lost.
  const bool lost = PrintReadAccount(err, pager.Notes(), pager.PageReport(),
                                     "page " + std::to_string(request->page));
  return lost || dictionaryDamaged ? kExitLosses : kExitOk;
}

}  // namespace rowmender::cli
