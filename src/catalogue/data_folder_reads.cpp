#include "catalogue/data_folder_reads.h"

#include <filesystem>

#include "base/paths.h"

namespace rowmender {

DataFolderReads OpenDataFolderReads(const std::string& dataFolder, const std::string& ibdataPath,
                                    bool useDictionary, const CollationTable* collations) {
  DataFolderReads reads;
  reads.collations = collations;
  if (!useDictionary) return reads;
  const std::string path = ibdataPath.empty() ? JoinPath(dataFolder, "ibdata1") : ibdataPath;
  std::error_code error;
  if (ibdataPath.empty() && !std::filesystem::exists(path, error)) return reads;
  const Status status = SystemTablespace::Open(path, collations, reads.system);
  if (!status.ok()) reads.systemProblem = status.message();
  return reads;
}

}  // namespace rowmender
