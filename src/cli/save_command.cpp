// rowmender-cli save: every table, view and trigger of a data folder (or
// the ones named) saved as scripts or into a live server.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>

#include "base/paths.h"
#include "catalogue/data_folder_reads.h"
#include "cli/command_table.h"
#include "cli/commands.h"
#include "cli/folder_reads.h"
#include "cli/read_account.h"
#include "export/save/recovery_report.h"
#include "export/save/save_objects.h"
#include "export/save/save_target.h"
#include "export/save/server_connector.h"
#include "export/save/table_saver.h"
#ifdef ROWMENDER_HAVE_ODBC
#include "export/odbc/odbc_connection.h"
#endif

namespace rowmender::cli {

namespace {

namespace fs = std::filesystem;

constexpr const char* kPasswordVariable = "ROWMENDER_PASSWORD";

struct SaveRequest {
  std::string dataFolder;
  std::string scriptFolder;
  std::string server;
  std::string port;
  std::string user;
  bool portGiven = false;
  bool userGiven = false;
  std::vector<std::string> tables;
  DictionaryChoice pager;
  bool readMismatched = false;
  // An earlier save in the script folder may be replaced.
  bool overwrite = false;
  std::vector<std::string> definitionFiles;
  bool ToServer() const { return !server.empty(); }
};

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> items;
  std::string item;
  std::istringstream stream(text);
  while (std::getline(stream, item, ',')) {
    if (!item.empty()) items.push_back(item);
  }
  return items;
}

std::optional<SaveRequest> ParseSaveArguments(const Arguments& args, std::string& problem) {
  SaveRequest request;
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const auto value = [&]() -> const std::string* {
      if (i + 1 >= args.size()) {
        problem = arg + " needs a value";
        return nullptr;
      }
      return &args[++i];
    };
    const std::string* text = nullptr;
    if (arg == "--password" || arg.starts_with("--password=")) {
      problem = std::string("the password is read from ") + kPasswordVariable +
                ", never from the command line";
      return std::nullopt;
    } else if (arg == "--script") {
      if ((text = value()) == nullptr) return std::nullopt;
      request.scriptFolder = *text;
    } else if (arg == "--server") {
      if ((text = value()) == nullptr) return std::nullopt;
      request.server = *text;
    } else if (arg == "--port") {
      if ((text = value()) == nullptr) return std::nullopt;
      request.port = *text;
      request.portGiven = true;
    } else if (arg == "--user") {
      if ((text = value()) == nullptr) return std::nullopt;
      request.user = *text;
      request.userGiven = true;
    } else if (arg == "--tables") {
      if ((text = value()) == nullptr) return std::nullopt;
      const auto items = SplitList(*text);
      request.tables.insert(request.tables.end(), items.begin(), items.end());
    } else if (arg == "--ibdata") {
      if ((text = value()) == nullptr) return std::nullopt;
      request.pager.ibdataPath = *text;
    } else if (arg == "--no-dictionary") {
      request.pager.useDictionary = false;
    } else if (arg == kDefinitionOption) {
      if ((text = value()) == nullptr) return std::nullopt;
      request.definitionFiles.push_back(*text);
    } else if (arg == kReadMismatchedOption) {
      request.readMismatched = true;
    } else if (arg == "--overwrite") {
      request.overwrite = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      problem = "unknown option: " + arg;
      return std::nullopt;
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 1) {
    problem = "save needs one DATADIR";
    return std::nullopt;
  }
  request.dataFolder = positional[0];
  const bool script = !request.scriptFolder.empty();
  if (script == request.ToServer()) {
    problem = "give either --script OUTDIR or --server HOST";
    return std::nullopt;
  }
  if (request.ToServer() && (!request.portGiven || !request.userGiven)) {
    problem = "--server needs --port and --user";
    return std::nullopt;
  }
  if (request.scriptFolder == kStandardOutputName) {
    problem =
        "--script takes a folder: a save writes a script per table and restore.sql, "
        "which cannot go to standard output (export --to - writes one table there)";
    return std::nullopt;
  }
  if (request.overwrite && !script) {
    problem = "--overwrite belongs to --script";
    return std::nullopt;
  }
  if (script && (request.portGiven || request.userGiven)) {
    problem = "--port and --user belong to --server";
    return std::nullopt;
  }
  return request;
}

// A progress line on standard error for tables longer than one page:
// rewritten in place on a terminal, one line per page otherwise.
class ProgressLine {
 public:
  explicit ProgressLine(std::ostream& err) : err_(err), terminal_(isatty(STDERR_FILENO) != 0) {}
  ~ProgressLine() { End(); }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  void Show(const SaveProgress& progress) {
    if (progress.object != current_) {
      End();
      current_ = progress.object;
    }
    if (progress.object == nullptr || progress.rows <= kRowsPerPage) return;
    const std::string text = "rowmender-cli: saving " + progress.object->QualifiedName() + ": " +
                             std::to_string(progress.rows) + " rows read (" +
                             std::to_string(progress.objectIndex + 1) + " of " +
                             std::to_string(progress.objectCount) + ")";
    if (terminal_) {
      err_ << '\r' << text << std::flush;
      open_ = true;
    } else {
      err_ << text << '\n';
    }
  }

  void End() {
    if (open_) err_ << '\n' << std::flush;
    open_ = false;
  }

 private:
  std::ostream& err_;
  bool terminal_;
  bool open_ = false;
  const SaveObject* current_ = nullptr;
};

}  // namespace

// Everything a save says goes to standard error: its data goes into the
// scripts or the server.
int RunSave(CTarnSalvorProjApp& app, const Arguments& args, std::ostream&, std::ostream& err) {
  std::string problem;
  const std::optional<SaveRequest> request = ParseSaveArguments(args, problem);
  if (!request) {
    return UsageError("save", problem, err);
  }
  std::error_code fsError;
  if (!fs::is_directory(request->dataFolder, fsError)) {
    err << "rowmender-cli: data folder not found: " << request->dataFolder << "\n";
    return kExitFailure;
  }

  // The system tablespace, checked before anything is read or written,
  // and the definitions of tables without a .frm.
  FolderReads opened;
  if (!OpenFolderReads(app.collations, request->dataFolder, request->pager.ibdataPath,
                       request->pager.useDictionary, request->definitionFiles, err, opened)) {
    return kExitFailure;
  }
  DataFolderReads& reads = opened.reads;
  const DefinitionSources& sources = opened.sources;
  std::vector<std::string> folderProblems;
  std::vector<SaveObject> objects = DataFolderObjects(
      request->dataFolder, request->tables.empty() ? &folderProblems : nullptr, &sources);
  if (!request->tables.empty()) {
    std::vector<std::string> unmatched;
    objects = SelectObjects(objects, request->tables, unmatched);
    if (!unmatched.empty()) {
      bool refused = false;
      const std::string why = UnmatchedNameProblem(request->dataFolder, unmatched.front(), refused);
      err << "rowmender-cli: "
          << (why.empty() ? "no such table or view: " + unmatched.front() : why) << "\n";
      return refused ? kExitUsage : kExitFailure;
    }
  }
  // What cannot be read of the folder is told first; the rest is saved.
  for (const std::string& folderProblem : folderProblems)
    err << "rowmender-cli: " << folderProblem << "\n";
  if (objects.empty()) {
    err << "rowmender-cli: nothing to save in " << request->dataFolder << "\n";
    return kExitFailure;
  }

  std::unique_ptr<ServerConnection> connection;
  std::unique_ptr<SaveTarget> target;
  const ScriptTarget* scriptTarget = nullptr;
  std::string saveFolder;
  std::string temporaryFolder;
  if (request->ToServer()) {
    const char* password = std::getenv(kPasswordVariable);
    if (password == nullptr) {
      err << "rowmender-cli: set " << kPasswordVariable << " to the password of " << request->user
          << " (it may be empty)\n";
      return kExitUsage;
    }
#ifdef ROWMENDER_HAVE_ODBC
    OdbcConnector connector;
    std::string error;
    connection = connector.Open(BuildConnectionString(request->server, request->port),
                                request->user, password, error);
    if (connection == nullptr) {
      err << "rowmender-cli: " << error << "\n";
      return kExitFailure;
    }
#else
    err << "rowmender-cli: this build cannot connect to a server (built without unixODBC)\n";
    return kExitFailure;
#endif
    // Long values pass through files; on their way into a server they live
    // in a temporary folder of their own.
    std::string pattern = (fs::temp_directory_path(fsError) / "rowmender-save.XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      err << "rowmender-cli: cannot create a temporary folder\n";
      return kExitFailure;
    }
    temporaryFolder = pattern;
    saveFolder = temporaryFolder;
    target = std::make_unique<ServerTarget>(*connection);
    app.saveAsScriptMode = false;
    app.saveToDatabaseMode = true;
  } else {
    if (IsFolderInside(request->scriptFolder, request->dataFolder)) {
      err << "rowmender-cli: the script folder lies in the data folder, which is never written: "
          << request->scriptFolder << "\n";
      return kExitFailure;
    }
    saveFolder = request->scriptFolder;
    // An earlier save is replaced only when asked to: its restore.sql
    // would be written over, and scripts it lists that this save does not
    // write would stay.
    const std::vector<std::string> earlier = EarlierSaveFiles(saveFolder, objects);
    if (!earlier.empty() && !request->overwrite) {
      err << "rowmender-cli: " << saveFolder << " holds an earlier save ("
          << DescribeEarlierSave(earlier)
          << "); give --overwrite to replace it, or choose another folder\n";
      return kExitFailure;
    }
    auto script = std::make_unique<ScriptTarget>(saveFolder, request->overwrite);
    scriptTarget = script.get();
    target = std::move(script);
    app.saveAsScriptMode = true;
    app.saveToDatabaseMode = false;
  }
  app.saveFolder = WithTrailingSeparator(saveFolder);

  reads.readMismatchedFiles = request->readMismatched;
  const ReadReport* dictionary = reads.system ? &reads.system->DictionaryReport() : nullptr;
  if (dictionary != nullptr) PrintDictionaryDamage(err, *dictionary);
  CursorRowSource source(reads.Options());
  SaveOptions options;
  options.literals.collations = &app.collations;

  ProgressLine progress(err);
  TableSaver saver(*target, source, options);
  saver.report = [&](const std::string& line) {
    progress.End();
    err << WithMismatchHint(line) << "\n" << std::flush;
  };
  saver.progress = [&](const SaveProgress& step) { progress.Show(step); };
  const SaveSummary summary = saver.Run(std::move(objects));
  progress.End();

  if (scriptTarget != nullptr) {
    for (const std::string& removed : scriptTarget->RemovedScripts()) {
      err << "rowmender-cli: removed " << removed
          << " of the earlier save (this save does not write it)\n";
    }
    for (const std::string& removalProblem : scriptTarget->RemovalProblems())
      err << "rowmender-cli: " << removalProblem << "\n";
  }
  err << SaveSummaryLine(summary,
                         request->ToServer() ? "into " + request->server : "to " + saveFolder)
      << "\n";
  if (!temporaryFolder.empty()) fs::remove_all(temporaryFolder, fsError);

  // What was read and lost: beside the scripts, or after the summary of a
  // save into a server.
  ReadAccount account;
  account.summary = &summary;
  account.dictionary = dictionary;
  const std::vector<std::string> reportLines = RecoveryReportLines(account);
  bool reportKept = true;
  if (request->ToServer()) {
    for (const std::string& line : reportLines)
      err << line << "\n";
  } else {
    std::string reportPath;
    std::string error;
    reportKept = WriteRecoveryReport(saveFolder, reportLines, reportPath, error);
    if (!reportKept) {
      err << "rowmender-cli: " << error << "\n";
    } else if (!account.EverythingRead()) {
      err << "rowmender-cli: what was lost is listed in " << reportPath << "\n";
    }
  }
  err.flush();
  const bool failed = summary.stopped || summary.aborted || summary.failedRows > 0 ||
                      summary.failedObjects > 0 || !folderProblems.empty() || !reportKept;
  if (failed) {
    err << "rowmender-cli: the save is not complete (see the lines above)\n";
    return kExitFailure;
  }
  if (!account.EverythingRead() || summary.tablesWithLosses > 0) {
    err << "rowmender-cli: the save is complete, but some of the data was lost to damage (see "
           "the lines above)\n";
    return kExitLosses;
  }
  return kExitOk;
}

}  // namespace rowmender::cli
