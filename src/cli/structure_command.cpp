#include "app/logic/recovery_engine.h"
#include "base/table_file_names.h"
#include "catalogue/data_folder_reads.h"
#include "catalogue/table_locator.h"
#include "cli/command_table.h"
#include "cli/commands.h"
#include "cli/table_output.h"
#include "export/save/table_ddl.h"
#include "preview/record_pages.h"
#include "preview/structure_grid.h"

namespace rowmender::cli {

int RunStructure(CTarnSalvorProjApp& app, const Arguments& args, std::ostream& out,
                 std::ostream& err) {
  std::vector<std::string> operands;
  bool create = false;
  for (const std::string& arg : args) {
    if (arg == "--create") {
      create = true;
    } else if (arg.starts_with("--")) {
      return UsageError("structure", "unknown option " + arg, err);
    } else {
      operands.push_back(arg);
    }
  }
  if (operands.size() != 3) {
    return UsageError("structure", "structure needs DATADIR DB TABLE", err);
  }
  // A table without a .frm may be defined by the data dictionary.
  const DataFolderReads dictionary = OpenDataFolderReads(operands[0], {}, true, &app.collations);
  DefinitionSources sources;
  sources.system = dictionary.system.get();
  const TableLookup lookup = LocateTable(operands[0], operands[1], operands[2], &sources);
  if (!lookup.location) {
    return ReportLookupFailure(lookup, err);
  }
  RecoveryEngine engine(app);
  ReadOptions options;
  options.collations = &app.collations;
  options.systemTablespace = dictionary.system.get();
  std::string error;
  if (!LoadTableDefinition(engine, *lookup.location, options, error)) {
    err << "rowmender-cli: " << error << "\n";
    return kExitFailure;
  }
  // Where a definition not kept in a .frm came from, and what it lacks.
  for (const std::string& note : DefinitionNotes(engine.table, lookup.location->Files()))
    err << "rowmender-cli: " << note << "\n";
  if (create) {
    out << SavedTableStatement(DecodeTableFileName(lookup.location->tableName), engine.table,
                               lookup.location->definitionPath, app.collations);
    return kExitOk;
  }
  WriteTsvLine(out, {kStructureHeaders.begin(), kStructureHeaders.end()});
  for (const auto& row : BuildStructureRows(engine.table, app.collations)) {
    WriteTsvLine(out, {row.begin(), row.end()});
  }
  return kExitOk;
}

}  // namespace rowmender::cli
