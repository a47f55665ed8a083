// Where a table without a definition file of its own (.frm) may find one,
// besides the SDI a MySQL 8 tablespace carries: CREATE TABLE statements
// the user gave, and the InnoDB data dictionary of the system tablespace.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/collation_table.h"
#include "base/status.h"
#include "definitions/table_definition.h"

namespace rowmender {

class SystemTablespace;

// A table one of the statement files defines.
struct StatementTableName {
  std::string database;  // as the statement or a USE before it names it; may be empty
  std::string name;      // the table's SQL name
  std::string file;      // the file of statements
};

// A definition found for a table: where it is read from, and how.
struct FoundDefinition {
  DefinitionOrigin origin = DefinitionOrigin::kStatement;
  std::string path;
};

struct DefinitionSources {
  std::vector<StatementTableName> statementTables;
  // Null: the dictionary is not read.
  const SystemTablespace* system = nullptr;

  // A definition of the table whose files are named `stem` in the database
  // folder named `databaseFolderName`: a statement first (the user gave
  // it for that), then the dictionary. Nothing when neither knows it.
  std::optional<FoundDefinition> Find(const std::string& databaseFolderName,
                                      const std::string& stem) const;
  bool Empty() const { return statementTables.empty() && system == nullptr; }
};

// Reads the CREATE TABLE statements of each file into `out`. A file that
// cannot be read or parsed is an error naming it (with the line and column
// of what could not be parsed).
Status LoadStatementFiles(const std::vector<std::string>& paths, const CollationTable& collations,
                          DefinitionSources& out);

}  // namespace rowmender
