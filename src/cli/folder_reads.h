// What a command that reads the tables of a data folder opens first: the
// system tablespace with its data dictionary, and the definitions of tables
// without a .frm (the dictionary's and the statement files given).
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "base/collation_table.h"
#include "catalogue/data_folder_reads.h"
#include "catalogue/definition_sources.h"

namespace rowmender::cli {

struct FolderReads {
  DataFolderReads reads;
  // Its `system` is `reads.system`.
  DefinitionSources sources;
};

// Opens them into `out`. A system tablespace that cannot be read (checked
// before anything else is read) or a statement file that cannot be read or
// parsed is printed on `err`, and false returned.
bool OpenFolderReads(const CollationTable& collations, const std::string& dataFolder,
                     const std::string& ibdataPath, bool useDictionary,
                     const std::vector<std::string>& definitionFiles, std::ostream& err,
                     FolderReads& out);

}  // namespace rowmender::cli
