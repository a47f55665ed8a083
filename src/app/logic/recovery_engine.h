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
#include "myisam/record_scan.h"
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

  // ---- The tables of the record grid ----

  // The system tablespace (and its dictionary) the record grid reads InnoDB
  // tables with, kept from table to table; see SystemTablespaceAt.
  std::unique_ptr<SystemTablespace> systemTablespace;
  std::string systemTablespaceTried;

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

  // Pages of ibdata1 and of the current table's .ibd file (length / 16 KiB).
  std::uint64_t systemPageCount = 0;
  std::uint64_t tablespacePageCount = 0;
  // Fields of the current table: `pendingColumns` in definition order while
  // they are built, `recordColumns` in the order of a clustered-index record.
  std::vector<InnoColumn> pendingColumns;
  std::vector<InnoColumn> recordColumns;
  // The data dictionary read from ibdata1.
  std::vector<DictTableRow> dictTables;
  std::vector<DictColumnRow> dictColumns;
  std::vector<DictIndexRow> dictIndexes;

  // Both headers of page `page` of `file` (ibdata1 or the .ibd file).
  PageHeaders ReadPageHeaders(const DataFile& file, std::uint32_t page) const;
  // The whole page; what lies beyond the end of the file reads as zero.
  PageBuffer ReadPage(const DataFile& file, std::uint32_t page) const;

  // Opens the table's .ibd file (closing the one before) and sets
  // tablespacePageCount.
  bool OpenTablespace(const std::string& path);

  // The fields of the current table from its definition alone, or from
  // the dictionary's columns of table `tableId`; both end by arranging
  // them in record order.
  bool BuildColumnsFromDefinition();
  bool BuildColumnsFromDictionary(std::uint64_t tableId);
  void ArrangeRecordColumns();
  // Length of the clustered key at the start of a compact node pointer.
  std::uint32_t ClusterKeyLength(ByteView page, std::uint16_t origin) const;
  // The leftmost leaf below `root` (0 when there is none).
  std::uint32_t FindFirstLeafPage(const DataFile& file, std::uint32_t root) const;
  std::uint32_t FindFirstLeafPageRedundant(std::uint32_t root) const;

  // Opens ibdata1 and reads its dictionary, replacing what an earlier load
  // read. False when the file cannot be opened.
  bool LoadSystemDictionary(const std::string& path);
  // Closes ibdata1 and forgets its dictionary.
  void CloseSystemDictionary();
  std::uint64_t FindTableId(std::string_view name) const;
  std::uint32_t FindClusteredIndexRoot(std::uint64_t tableId) const;

  // One window of rows from `source` (tablespaceFile or
  // systemTablespaceFile), from page `startPage` and record `startOffset`.
  bool ReadRecordWindow(const DataFile& source, std::uint32_t startPage, std::uint16_t startOffset);
  // Writes an externally stored value to the next file of the save folder's
  // blobdata folder; its path, or "" when the file cannot be created.
  std::string ExportExternalColumn(ByteView local);
  // The text of one field of the current table.
  std::string DecodeColumnValue(const InnoColumn& field, ByteView data, bool external);

  // ---- end of the InnoDB reader ----
};

}  // namespace rowmender
