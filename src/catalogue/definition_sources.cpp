#include "catalogue/definition_sources.h"

#include "base/data_file.h"
#include "base/file_check.h"
#include "tables/system_tablespace.h"
#include "tables/table_source.h"

namespace rowmender {

std::optional<FoundDefinition> DefinitionSources::Find(const std::string& databaseFolderName,
                                                       const std::string& stem) const {
  for (const StatementTableName& table : statementTables) {
    if (StatementNamesTable(table.database, table.name, databaseFolderName, stem)) {
      return FoundDefinition{DefinitionOrigin::kStatement, table.file};
    }
  }
  if (system != nullptr && system->FindTableId(databaseFolderName + "/" + stem) != 0) {
    return FoundDefinition{DefinitionOrigin::kDictionary, system->Path()};
  }
  return std::nullopt;
}

Status LoadStatementFiles(const std::vector<std::string>& paths, const CollationTable& collations,
                          DefinitionSources& out) {
  for (const std::string& path : paths) {
    std::vector<StatementTable> tables;
    const Status status = ReadStatementFile(path, collations, tables);
    if (!status.ok()) return status;
    for (const StatementTable& table : tables)
      out.statementTables.push_back(StatementTableName{table.database, table.name, path});
  }
  return Status::Ok();
}

}  // namespace rowmender
