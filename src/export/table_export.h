// The bulk export: every table asked for, written losslessly into a file of
// its own (SQL scripts as a save writes them, or TSV, or CSV), by several
// workers at once. Each table's file depends on that table alone, so the
// output is the same for any number of workers.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "base/collation_table.h"
#include "export/save/save_objects.h"
#include "tables/table_source.h"

namespace rowmender {

enum class ExportFormat { kSql, kTsv, kCsv };

// "sql", "tsv", "csv".
const char* ExportExtension(ExportFormat format);

// Shared between an export and a front end that shows how far it has come
// and may stop it; any thread may read and write it while the export runs.
struct ExportControl {
  // Set: the export ends soon; the tables not finished are left out, their
  // unfinished files removed, and counted as stopped.
  std::atomic<bool> stop{false};
  // Rows written so far (live, deleted and history rows of every table).
  std::atomic<std::uint64_t> rows{0};
  // Tables finished so far, whether exported or not.
  std::atomic<std::size_t> tablesDone{0};
};

struct ExportRequest {
  std::vector<SaveObject> tables;
  ExportFormat format = ExportFormat::kSql;
  // Into DIR/<database folder>/<table file name>.<ext> (names as on disk),
  // with the delete-marked rows of a TSV or CSV export in
  // <table file name>__deleted.<ext>; or, with `stream` set, one table
  // into it (TSV and CSV: its live rows).
  std::string folder;
  std::ostream* stream = nullptr;
  // Threads at work: one table each while there are more tables than
  // threads, else several formatting one table's rows.
  unsigned jobs = 1;
  // Collations and the system tablespace; must outlive the export.
  ReadOptions read;
  // Optional; must outlive the export.
  ExportControl* control = nullptr;
};

struct TableExportResult {
  const SaveObject* table = nullptr;
  // The table could not be exported (its definition or data file cannot
  // be read, its file cannot be written).
  bool failed = false;
  // It was, but with losses (damage, values cut short, rows refused).
  bool losses = false;
  // The export was stopped before the table was finished; no file of it
  // is left (on a stream, what was written stays).
  bool stopped = false;
  std::uint64_t rows = 0;
  std::uint64_t deletedRows = 0;
  // Delete-marked rows found but not written (a TSV or CSV stream).
  std::uint64_t deletedRowsLeftOut = 0;
  // History rows of a system-versioned table (a file of their own), and
  // those not written (a TSV or CSV stream).
  std::uint64_t historyRows = 0;
  std::uint64_t historyRowsLeftOut = 0;
  std::vector<std::string> files;
  // What to tell the user: errors and losses, one sentence each.
  std::vector<std::string> messages;
};

struct ExportSummary {
  std::size_t tables = 0;
  std::size_t failed = 0;
  std::size_t withLosses = 0;
  // Tables left out because the export was stopped.
  std::size_t stopped = 0;
  std::uint64_t rows = 0;
  std::uint64_t deletedRows = 0;

  bool Complete() const { return failed == 0 && withLosses == 0 && stopped == 0; }
};

// Where an export into `folder` writes a table: the folder of its database
// and the files of its live, delete-marked and history rows (the last two
// only when a TSV or CSV export meets such rows).
struct ExportFiles {
  std::string folder;
  std::string live;
  std::string deleted;
  std::string history;
};
ExportFiles ExportFilesOf(const std::string& folder, const SaveObject& table, ExportFormat format);

// "Exported 3 of 4 tables (120 rows, 2 deleted rows)": how many of the
// `asked` tables were exported, with their rows.
std::string ExportSummaryLine(const ExportSummary& summary, std::size_t asked);

class TableExporter {
 public:
  // Told of every table as it is done, from the worker that did it (one
  // call at a time).
  std::function<void(const TableExportResult&)> tableDone;

  ExportSummary Run(const ExportRequest& request);

 private:
  // `threads` format the table's rows.
  TableExportResult ExportTable(const ExportRequest& request, const SaveObject& table,
                                unsigned threads);
};

}  // namespace rowmender
