#include "catalogue/data_folder_reads.h"

#include <filesystem>

#include "base/file_check.h"
#include "base/paths.h"

namespace rowmender {

namespace {

constexpr const char* kSystemTablespaceName = "ibdata1";
constexpr const char* kSystemTablespaceWhat = "the system tablespace";

std::string SystemTablespacePath(const std::string& dataFolder, const std::string& ibdataPath) {
  return ibdataPath.empty() ? JoinPath(dataFolder, kSystemTablespaceName) : ibdataPath;
}

}  // namespace

std::string SystemTablespaceFileProblem(const std::string& dataFolder,
                                        const std::string& ibdataPath, bool useDictionary) {
  if (!useDictionary) return {};
  const std::string path = SystemTablespacePath(dataFolder, ibdataPath);
  std::error_code error;
  // No entry of that name (not even a link) in the data folder: its tables
  // all have files of their own, or the read says which ones are lost.
  if (ibdataPath.empty() && !std::filesystem::exists(std::filesystem::symlink_status(path, error)))
    return {};
  const Status status = CheckDataFile(path, kSystemTablespaceWhat);
  return status.ok() ? std::string() : status.message();
}

DataFolderReads OpenDataFolderReads(const std::string& dataFolder, const std::string& ibdataPath,
                                    bool useDictionary, const CollationTable* collations) {
  DataFolderReads reads;
  reads.collations = collations;
  if (!useDictionary) return reads;
  reads.systemProblem = SystemTablespaceFileProblem(dataFolder, ibdataPath, useDictionary);
  if (!reads.systemProblem.empty()) return reads;
  const std::string path = SystemTablespacePath(dataFolder, ibdataPath);
  std::error_code error;
  if (ibdataPath.empty() && !std::filesystem::exists(path, error)) return reads;
  const Status status = SystemTablespace::Open(path, collations, reads.system);
  if (!status.ok()) reads.systemProblem = status.message();
  return reads;
}

}  // namespace rowmender
