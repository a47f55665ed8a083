// rowmender-cli triggers DATADIR DB TABLE
//
// Prints the CREATE TRIGGER statements of the table's trigger file exactly
// as selecting its trigger node shows them: one "DELIMITER $$" block per
// trigger, in file order. A trigger file that cannot be read, or is empty,
// is an error that names it; so is a missing one that the folder's trigger
// name files (.TRN) call for.
#include <algorithm>

#include "base/file_check.h"
#include "base/paths.h"
#include "catalogue/data_folder_scan.h"
#include "catalogue/table_locator.h"
#include "cli/command_table.h"
#include "cli/commands.h"
#include "export/statements.h"

namespace rowmender::cli {

namespace {

constexpr const char* kTriggerExtension = "TRG";

}  // namespace

int RunTriggers(CTarnSalvorProjApp&, const Arguments& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 3) {
    return UsageError("triggers", "triggers needs DATADIR DB TABLE", err);
  }
  const TableLookup lookup = LocateTable(args[0], args[1], args[2]);
  if (!lookup.location) return ReportLookupFailure(lookup, err);
  const TableLocation& location = *lookup.location;
  std::string path =
      FindEntryWithExtension(location.databaseFolder, location.tableName, kTriggerExtension);
  if (path.empty()) {
    // The scan of the folder knows the trigger files its .TRN files call for.
    std::vector<std::string> problems;
    const std::vector<CatalogueFile> files = ListCatalogueFiles(location.databaseFolder, problems);
    const std::string wanted = location.tableName + "." + kTriggerExtension;
    const auto lost = std::find_if(files.begin(), files.end(), [&](const CatalogueFile& file) {
      return file.kind == CatalogueFileKind::kTriggers && file.fileName == wanted &&
             !file.problem.empty();
    });
    if (lost != files.end()) {
      err << "rowmender-cli: " << lost->problem << "\n";
      return kExitFailure;
    }
    err << "rowmender-cli: no trigger file for " << args[1] << "." << args[2] << "\n";
    return kExitFailure;
  }
  const Status readable = CheckDataFile(path, "the trigger file");
  if (!readable.ok()) {
    err << "rowmender-cli: " << readable.message() << "\n";
    return kExitFailure;
  }
  const std::string statements = BuildTriggerStatements(path, StatementMode::kPreview);
  if (statements.empty()) {
    err << "rowmender-cli: the trigger file " << path << " holds no trigger statements\n";
    return kExitFailure;
  }
  out << statements;
  return kExitOk;
}

}  // namespace rowmender::cli
