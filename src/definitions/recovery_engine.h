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
#include "myisam/record_scan.h"

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

  // What the table's index file says: the row format (kRowFormat*), the
  // base information and the field descriptors in record order.
  std::int32_t rowFormat = kRowFormatFixed;
  MyisamBaseInfo myisamBase;
  std::vector<MyisamColumn> myisamColumns;

  // Reads the header of the index file at `path`. False when the file cannot
  // be opened or is 24 bytes long or shorter; true otherwise, also when its
  // base information lies beyond its end (the row format is then all it
  // gives). The descriptors are replaced only when the base was read.
  bool ReadIndexHeader(const std::string& path);

  // Appends the row of the fixed-length record at `position` of `dataFile`,
  // read with one read.
  void ReadFixedRecord(std::uint64_t position);

  // Reads the block header at `position` of `dataFile` into `info` and
  // returns its kBlock* flags.
  int GetBlockInfo(BlockInfo& info, std::uint64_t position);

  // Unpacks the bytes of one dynamic record (its blocks' data in order) and
  // appends its row. Returns the number of bytes, or 0 when they do not
  // unpack (nothing appended).
  std::size_t UnpackDynamicRecord(ByteView record);

  // Appends the rows of the records of `dataFile` from `startOffset` on
  // until `rows` holds kRowsPerPage rows or the file ends. Stopping at the
  // limit sets `moreRows` and, unless `scanBackward` is set, pushes the
  // next page's start onto `pageStarts`.
  void ReadMyIsamPage(std::uint64_t startOffset);

  // ---- end of the MyISAM reader ----

  // ---- InnoDB reader: pages, records, dictionary, scan, values ----
  // ---- end of the InnoDB reader ----
};

}  // namespace rowmender
