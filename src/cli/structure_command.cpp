#include "app/logic/recovery_engine.h"
#include "catalogue/table_locator.h"
#include "cli/commands.h"
#include "cli/table_output.h"
#include "preview/structure_grid.h"

namespace rowmender::cli {

int RunStructure(CTarnSalvorProjApp& app, const Arguments& args, std::ostream& out,
                 std::ostream& err) {
  if (args.size() != 3) {
    err << "usage: rowmender-cli structure DATADIR DB TABLE\n";
    return kExitUsage;
  }
  const TableLookup lookup = LocateTable(args[0], args[1], args[2]);
  if (!lookup.location) {
    return ReportLookupFailure(lookup, err);
  }
  RecoveryEngine engine(app);
  const bool read = engine.ReadTableDefinition(lookup.location->definitionPath);
  if (!read || engine.lastDefinitionStatus != DefinitionStatus::kRead) {
    err << "rowmender-cli: " << lookup.location->definitionPath
        << (engine.lastDefinitionStatus == DefinitionStatus::kCorrupt ? ": damaged table definition"
                                                                      : ": not a table definition")
        << "\n";
    return kExitFailure;
  }
  WriteTsvLine(out, {kStructureHeaders.begin(), kStructureHeaders.end()});
  for (const auto& row : BuildStructureRows(engine.table, app.collations)) {
    WriteTsvLine(out, {row.begin(), row.end()});
  }
  return kExitOk;
}

}  // namespace rowmender::cli
