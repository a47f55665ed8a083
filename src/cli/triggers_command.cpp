// rowmender-cli triggers DATADIR DB TABLE
//
// Prints the CREATE TRIGGER statements of the table's trigger file exactly
// as selecting its trigger node shows them: one "DELIMITER $$" block per
// trigger, in file order.
#include "catalogue/table_locator.h"
#include "cli/commands.h"
#include "export/statements.h"

namespace rowmender::cli {

int RunTriggers(CTarnSalvorProjApp&, const Arguments& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 3) {
    err << "usage: rowmender-cli triggers DATADIR DB TABLE\n";
    return kExitUsage;
  }
  const TableLookup lookup = LocateTable(args[0], args[1], args[2]);
  if (!lookup.location) {
    err << "rowmender-cli: " << lookup.error << "\n";
    return kExitFailure;
  }
  const std::string path =
      FindFileWithExtension(lookup.location->databaseFolder, lookup.location->tableName, "TRG");
  if (path.empty()) {
    err << "rowmender-cli: no trigger file for " << args[1] << "." << args[2] << "\n";
    return kExitFailure;
  }
  out << BuildTriggerStatements(path, StatementMode::kPreview);
  return kExitOk;
}

}  // namespace rowmender::cli
