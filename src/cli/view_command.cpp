// rowmender-cli view DATADIR DB VIEW
//
// Prints the CREATE VIEW statement that selecting the view's node shows,
// followed by a line feed. DB and VIEW may be given as SQL names or as the
// server writes them on disk.
#include "catalogue/data_folder_scan.h"
#include "catalogue/table_locator.h"
#include "cli/command_table.h"
#include "cli/commands.h"
#include "export/statements.h"

namespace rowmender::cli {

int RunView(CTarnSalvorProjApp&, const Arguments& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 3) {
    return UsageError("view", "view needs DATADIR DB VIEW", err);
  }
  const TableLookup lookup = LocateTable(args[0], args[1], args[2]);
  if (!lookup.location && !lookup.notFound) return ReportLookupFailure(lookup, err);
  if (!lookup.location) {
    err << "rowmender-cli: view not found: " << args[1] << "." << args[2] << "\n";
    return kExitFailure;
  }
  const std::string& path = lookup.location->definitionPath;
  if (ReadDefinitionFileKind(path) != DefinitionFileKind::kView) {
    err << "rowmender-cli: " << path << ": not a view definition\n";
    return kExitFailure;
  }
  const std::string statement = BuildViewStatement(path);
  if (statement.empty()) {
    err << "rowmender-cli: the view definition " << path << " holds no view statement\n";
    return kExitFailure;
  }
  out << statement << '\n';
  return kExitOk;
}

}  // namespace rowmender::cli
