// The one reader object: it owns the open files of the current table, the
// table's definition and the page of rows decoded from it. Every reader of
// the data folder works through it, one call at a time.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "app/application_state.h"
#include "base/data_file.h"
#include "definitions/frm_reader.h"
#include "definitions/table_definition.h"

namespace rowmender {

class RecoveryEngine {
 public:
  explicit RecoveryEngine(CTarnSalvorProjApp& application) : app(application) {}
  RecoveryEngine(const RecoveryEngine&) = delete;
  RecoveryEngine& operator=(const RecoveryEngine&) = delete;

  // The application object whose flags and collation table the readers use.
  CTarnSalvorProjApp& app;

  DataFile frmFile;
  DataFile dataFile;
  DataFile indexFile;
  DataFile systemTablespaceFile;
  DataFile tablespaceFile;

  // ---- Table definitions ----

  // The current table's definition.
  TableDefinition table;
  // What the last ReadTableDefinition found.
  DefinitionStatus lastDefinitionStatus = DefinitionStatus::kMissing;

  // Reads the definition file at `path` and appends its columns, value lists
  // and keys to the current definition. Returns false when the file has a
  // binary definition header but a later part cannot be read (nothing is
  // appended then); true otherwise, also when the file is missing or is not
  // a table definition (nothing appended). Callers decide by the columns.
  bool ReadTableDefinition(const std::string& path);

  // Empties the per-table lists before another table is read.
  void ClearTableLists();

  // ---- Page state ----

  std::vector<DecodedRow> rows;
  std::deque<PageStart> pageStarts;
  bool moreRows = false;
  bool scanBackward = false;
  bool readingTablespace = false;
  std::int32_t lastPageStartCount = 0;

  // ---- MyISAM reader: index header and records ----
  // ---- end of the MyISAM reader ----

  // ---- InnoDB reader: pages, records, dictionary, scan, values ----
  // ---- end of the InnoDB reader ----
};

}  // namespace rowmender
