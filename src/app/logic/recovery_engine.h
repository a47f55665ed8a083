// The one reader object: it owns the open files of the current table, the
// table's definition and the page of rows decoded from it. Every reader of
// the data folder works through it, one call at a time.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "app/application_state.h"
#include "base/data_file.h"
#include "definitions/frm_reader.h"
#include "definitions/table_definition.h"
#include "innodb/dictionary.h"
#include "tables/system_tablespace.h"

namespace rowmender {

class RecoveryEngine {
 public:
  explicit RecoveryEngine(CTarnSalvorProjApp& application) : app(application) {}
  RecoveryEngine(const RecoveryEngine&) = delete;
  RecoveryEngine& operator=(const RecoveryEngine&) = delete;

  // The application object whose flags and collation table the readers use.
  CTarnSalvorProjApp& app;

  DataFile frmFile;
  DataFile systemTablespaceFile;

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

  // Takes a definition read from elsewhere than a definition file (a
  // tablespace's SDI, ...) as the current table's.
  void TakeDefinition(TableDefinition definition);
  // Empties the per-table lists before another table is read.
  void ClearTableLists();

  // ---- The tables of the record grid ----

  // The system tablespace (and its dictionary) the record grid reads InnoDB
  // tables with, kept from table to table; see SystemTablespaceAt.
  std::unique_ptr<SystemTablespace> systemTablespace;
  std::string systemTablespaceTried;
  // Why the system tablespace last tried could not be opened (empty when
  // it could, or none was tried).
  std::string systemTablespaceProblem;

  // The system tablespace at `path`, opened on first use and kept; null
  // when it cannot be opened (not tried again until the path changes).
  const SystemTablespace* SystemTablespaceAt(const std::string& path);
  // Forgets it (the folder is closed).
  void CloseSystemTablespace();

  // ---- Page state ----

  std::vector<DecodedRow> rows;
  std::deque<PageStart> pageStarts;
  bool moreRows = false;
  bool scanBackward = false;
  std::int32_t lastPageStartCount = 0;

  // ---- The data dictionary of the catalogue ----

  // Pages of ibdata1 (its length over its page size).
  std::uint64_t systemPageCount = 0;
  // The data dictionary read from ibdata1.
  std::vector<DictTableRow> dictTables;
  std::vector<DictColumnRow> dictColumns;
  std::vector<DictIndexRow> dictIndexes;
  // What reading the dictionary lost.
  ReadReport dictionaryReport;

  // Opens ibdata1 and reads its dictionary, replacing what an earlier load
  // read. False when the file cannot be opened.
  bool LoadSystemDictionary(const std::string& path);
  // Closes ibdata1 and forgets its dictionary.
  void CloseSystemDictionary();
  std::uint64_t FindTableId(std::string_view name) const;
  std::uint32_t FindClusteredIndexRoot(std::uint64_t tableId) const;
};

}  // namespace rowmender
