// What the reads of the tables of one data folder share: the collation
// table and the system tablespace with its data dictionary, opened once.
#pragma once

#include <memory>
#include <string>

#include "base/collation_table.h"
#include "tables/system_tablespace.h"
#include "tables/table_source.h"

namespace rowmender {

struct DataFolderReads {
  const CollationTable* collations = nullptr;
  std::unique_ptr<SystemTablespace> system;
  // Why the system tablespace was not read (empty when it was, or when it
  // was not asked for).
  std::string systemProblem;
  // Read data files that do not seem to belong to their tables rather
  // than refuse them.
  bool readMismatchedFiles = false;

  ReadOptions Options() const {
    ReadOptions options;
    options.collations = collations;
    options.systemTablespace = system.get();
    options.readMismatchedFiles = readMismatchedFiles;
    return options;
  }
};

// Why the system tablespace file cannot be read, checked before anything of
// the data folder is read (empty when it can, or need not be): a path given
// with `ibdataPath` must name a readable file that is not empty; ibdata1 of
// `dataFolder` must be, where there is an entry of that name at all.
std::string SystemTablespaceFileProblem(const std::string& dataFolder,
                                        const std::string& ibdataPath, bool useDictionary);

// Opens the system tablespace `ibdataPath` (empty: ibdata1 in
// `dataFolder`) unless `useDictionary` is false. A data folder without
// ibdata1 is no problem when the path was not given explicitly.
DataFolderReads OpenDataFolderReads(const std::string& dataFolder, const std::string& ibdataPath,
                                    bool useDictionary, const CollationTable* collations);

}  // namespace rowmender
