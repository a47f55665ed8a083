#include "cli/folder_reads.h"

namespace rowmender::cli {

bool OpenFolderReads(const CollationTable& collations, const std::string& dataFolder,
                     const std::string& ibdataPath, bool useDictionary,
                     const std::vector<std::string>& definitionFiles, std::ostream& err,
                     FolderReads& out) {
  const std::string systemProblem =
      SystemTablespaceFileProblem(dataFolder, ibdataPath, useDictionary);
  if (!systemProblem.empty()) {
    err << "rowmender-cli: " << systemProblem << "\n";
    return false;
  }
  out.reads = OpenDataFolderReads(dataFolder, ibdataPath, useDictionary, &collations);
  if (!out.reads.systemProblem.empty()) {
    err << "rowmender-cli: " << out.reads.systemProblem << "\n";
    return false;
  }
  out.sources = DefinitionSources{};
  out.sources.system = out.reads.system.get();
  const Status statements = LoadStatementFiles(definitionFiles, collations, out.sources);
  if (!statements.ok()) {
    err << "rowmender-cli: " << statements.message() << "\n";
    return false;
  }
  return true;
}

}  // namespace rowmender::cli
