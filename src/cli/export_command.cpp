// rowmender-cli export: every table (or those named) written losslessly,
// one file per table.
#include <charconv>
#include <filesystem>
#include <optional>

#include "base/paths.h"
#include "catalogue/data_folder_reads.h"
#include "cli/command_table.h"
#include "cli/commands.h"
#include "cli/folder_reads.h"
#include "cli/read_account.h"
#include "export/save/save_objects.h"
#include "export/save/table_saver.h"
#include "export/table_export.h"

namespace rowmender::cli {

namespace {

constexpr unsigned kMostJobs = 256;

struct ExportArguments {
  std::string dataFolder;
  std::vector<std::string> names;
  std::string to;
  bool toGiven = false;
  ExportFormat format = ExportFormat::kSql;
  unsigned jobs = 1;
  DictionaryChoice dictionary;
  bool readMismatched = false;
  std::vector<std::string> definitionFiles;
};

std::optional<ExportArguments> ParseExportArguments(const Arguments& args, std::string& problem) {
  ExportArguments request;
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
    if (arg == "--to") {
      const std::string* text = value();
      if (text == nullptr) return std::nullopt;
      request.to = *text;
      request.toGiven = true;
    } else if (arg == "--format") {
      const std::string* text = value();
      if (text == nullptr) return std::nullopt;
      if (*text == "sql") {
        request.format = ExportFormat::kSql;
      } else if (*text == "tsv") {
        request.format = ExportFormat::kTsv;
      } else if (*text == "csv") {
        request.format = ExportFormat::kCsv;
      } else {
        problem = "unknown format: " + *text;
        return std::nullopt;
      }
    } else if (arg == "--jobs") {
      const std::string* text = value();
      if (text == nullptr) return std::nullopt;
      unsigned jobs = 0;
      const char* end = text->data() + text->size();
      const auto parsed = std::from_chars(text->data(), end, jobs);
      if (parsed.ec != std::errc{} || parsed.ptr != end || jobs == 0 || jobs > kMostJobs) {
        problem = "--jobs needs a number from 1 to " + std::to_string(kMostJobs) + ": " + *text;
        return std::nullopt;
      }
      request.jobs = jobs;
    } else if (arg == "--ibdata") {
      const std::string* text = value();
      if (text == nullptr) return std::nullopt;
      request.dictionary.ibdataPath = *text;
    } else if (arg == "--no-dictionary") {
      request.dictionary.useDictionary = false;
    } else if (arg == kReadMismatchedOption) {
      request.readMismatched = true;
    } else if (arg == kDefinitionOption) {
      const std::string* text = value();
      if (text == nullptr) return std::nullopt;
      request.definitionFiles.push_back(*text);
    } else if (arg.size() > 1 && arg[0] == '-') {
      problem = "unknown option: " + arg;
      return std::nullopt;
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.empty()) {
    problem = "export needs DATADIR";
    return std::nullopt;
  }
  if (!request.toGiven || request.to.empty()) {
    problem = "export needs --to DIR (or --to - for standard output)";
    return std::nullopt;
  }
  request.dataFolder = positional[0];
  request.names.assign(positional.begin() + 1, positional.end());
  return request;
}

// The tables `names` pick: "DB" all tables of a database, "DB.TABLE" one
// table (SQL or on-disk names); none names every table.
std::vector<SaveObject> ChooseTables(const std::vector<SaveObject>& all,
                                     const std::vector<std::string>& names,
                                     std::vector<std::string>& unmatched) {
  std::vector<SaveObject> tables;
  for (const SaveObject& object : all) {
    if (object.kind == SaveObjectKind::kTable) tables.push_back(object);
  }
  if (names.empty()) return tables;
  std::vector<bool> chosen(tables.size(), false);
  for (const std::string& name : names) {
    bool found = false;
    for (std::size_t i = 0; i < tables.size(); ++i) {
      const SaveObject& table = tables[i];
      const std::string diskDatabase =
          LastComponent(WithoutTrailingSeparator(table.location.databaseFolder));
      const bool match = name == table.databaseName || name == diskDatabase ||
                         name == table.databaseName + "." + table.name ||
                         name == diskDatabase + "." + table.location.tableName;
      if (match) {
        chosen[i] = true;
        found = true;
      }
    }
    if (!found) unmatched.push_back(name);
  }
  std::vector<SaveObject> picked;
  for (std::size_t i = 0; i < tables.size(); ++i) {
    if (chosen[i]) picked.push_back(tables[i]);
  }
  return picked;
}

}  // namespace

int RunExport(CTarnSalvorProjApp& app, const Arguments& args, std::ostream& out,
              std::ostream& err) {
  std::string problem;
  const std::optional<ExportArguments> request = ParseExportArguments(args, problem);
  if (!request) {
    return UsageError("export", problem, err);
  }
  std::error_code error;
  if (!std::filesystem::is_directory(request->dataFolder, error)) {
    err << "rowmender-cli: data folder not found: " << request->dataFolder << "\n";
    return kExitFailure;
  }
  // The system tablespace, checked before anything is read or written,
  // and the definitions of tables without a .frm.
  FolderReads opened;
  if (!OpenFolderReads(app.collations, request->dataFolder, request->dictionary.ibdataPath,
                       request->dictionary.useDictionary, request->definitionFiles, err, opened)) {
    return kExitFailure;
  }
  DataFolderReads& reads = opened.reads;
  const DefinitionSources& sources = opened.sources;
  std::vector<std::string> folderProblems;
  const std::vector<SaveObject> objects = DataFolderObjects(
      request->dataFolder, request->names.empty() ? &folderProblems : nullptr, &sources);
  std::vector<std::string> unmatched;
  const std::vector<SaveObject> tables = ChooseTables(objects, request->names, unmatched);
  bool refused = false;
  for (const std::string& name : unmatched) {
    bool nameRefused = false;
    const std::string why = UnmatchedNameProblem(request->dataFolder, name, nameRefused);
    refused = refused || nameRefused;
    if (why.empty()) {
      err << "rowmender-cli: no table or database " << name << " in " << request->dataFolder
          << "\n";
    } else {
      err << "rowmender-cli: " << why << "\n";
    }
  }
  if (!unmatched.empty()) return refused ? kExitUsage : kExitFailure;
  // What cannot be read of the folder is told first; the rest is exported.
  for (const std::string& folderProblem : folderProblems)
    err << "rowmender-cli: " << folderProblem << "\n";
  const bool toStream = request->to == kStandardOutputName;
  if (toStream && tables.size() != 1) {
    // Many files cannot go to one standard output.
    return UsageError("export",
                      "--to - writes one table to standard output; these names give " +
                          std::to_string(tables.size()) + " tables (use --to DIR for them)",
                      err);
  }
  if (!toStream && IsFolderInside(request->to, request->dataFolder)) {
    err << "rowmender-cli: the export folder lies in the data folder, which is never written: "
        << request->to << "\n";
    return kExitFailure;
  }

  reads.readMismatchedFiles = request->readMismatched;
  const bool dictionaryDamaged =
      reads.system != nullptr && PrintDictionaryDamage(err, reads.system->DictionaryReport());

  ExportRequest exportRequest;
  exportRequest.tables = tables;
  exportRequest.format = request->format;
  exportRequest.folder = toStream ? std::string() : request->to;
  exportRequest.stream = toStream ? &out : nullptr;
  exportRequest.jobs = request->jobs;
  exportRequest.read = reads.Options();

  TableExporter exporter;
  exporter.tableDone = [&err, toStream](const TableExportResult& result) {
    const SaveObject& table = *result.table;
    if (result.failed) {
      err << table.QualifiedName() << ": not exported";
    } else {
      err << table.QualifiedName() << ": " << result.rows << " rows";
      if (result.deletedRows > 0) err << ", " << result.deletedRows << " deleted rows";
      if (result.historyRows > 0) err << ", " << result.historyRows << " history rows";
      if (!toStream && !result.files.empty()) err << " -> " << result.files.front();
    }
    err << "\n";
    for (const std::string& message : result.messages)
      err << "  " << WithMismatchHint(message) << "\n";
    err.flush();
  };
  const ExportSummary summary = exporter.Run(exportRequest);
  err << ExportSummaryLine(summary, tables.size())
      << (toStream ? std::string() : " to " + request->to) << ".";
  if (summary.failed > 0)
    err << " " << CountOf(summary.failed, "table", "tables") << " could not be exported.";
  if (summary.withLosses > 0) {
    err << " " << CountOf(summary.withLosses, "table was", "tables were") << " read with losses.";
  }
  if (dictionaryDamaged) err << " The data dictionary is damaged.";
  if (!folderProblems.empty()) {
    err << " " << folderProblems.size()
        << " folders or files of the data folder could not be read.";
  }
  err << "\n";
  out.flush();
  if (summary.failed > 0 || !folderProblems.empty()) return kExitFailure;
  return summary.Complete() && !dictionaryDamaged ? kExitOk : kExitLosses;
}

}  // namespace rowmender::cli
