// The files that hold a table's rows, checked before the rows are read:
// there, readable and not empty, or a status that names the file and says
// what is wrong. Table sources check them on open; the catalogue scan
// checks them to show which tables cannot be read.
#pragma once

#include <string>

#include "base/status.h"

namespace rowmender {

struct TableDataFiles {
  // The folder of the table's database, and the file name stem of its files.
  std::string databaseFolder;
  std::string tableName;
  // The entries found for the table (any kind: a file, a folder, a link
  // whose target is gone); empty where there is none.
  std::string dataPath;   // the .MYD, .MAD or .ibd
  std::string indexPath;  // the .MYI or .MAI
};

// A MyISAM table's data file. An empty one is an empty table where the
// index file says the table holds no rows, and the loss of its rows
// otherwise.
Status CheckMyisamDataFile(const TableDataFiles& files);

// An Aria table's data file. An empty one is an empty table where the
// index file says the table holds no rows in no bytes (a table of PAGE
// rows keeps at least its first bitmap page), and the loss of its rows
// otherwise.
Status CheckAriaDataFile(const TableDataFiles& files);

// An InnoDB table's tablespace, where the table has one. Without one the
// table lives in the system tablespace: fine when `systemTablespaceRead`,
// or when ibdata1 is beside the database folder (its dictionary decides);
// an error naming both files when ibdata1 is missing as well.
Status CheckInnoTablespaceFile(const TableDataFiles& files, bool systemTablespaceRead);

}  // namespace rowmender
