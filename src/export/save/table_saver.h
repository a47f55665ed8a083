// The save itself: every table, view and trigger file it is given, every
// row of every page, written through a SaveTarget.
//
// For each table: CREATE DATABASE and CREATE TABLE when missing, the live
// rows in batched INSERT statements inside one transaction, then the rows
// whose record carries the delete mark into the companion table
// `<table>__deleted` (same columns, no keys), so an old version of a row
// never collides with the live one. Views and triggers follow all tables.
// A failed statement is reported and the save goes on; on a server a failed
// batch is retried row by row, so one bad row costs only itself.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/application_state.h"
#include "export/save/save_objects.h"
#include "export/save/save_target.h"
#include "export/save/value_literals.h"
#include "tables/table_source.h"
#include "values/export_formats.h"
#include "values/read_report.h"

namespace rowmender {

// The rows of one table, as cells.
class SaveRowSource {
 public:
  virtual ~SaveRowSource() = default;
  // Reads the table's definition and prepares to read its rows. False,
  // with a one-line `error`, when the table cannot be read.
  virtual bool Open(const SaveObject& table, std::string& error) = 0;
  virtual const TableDefinition& Definition() const = 0;
  // The rows (after Open): cursors over the parts of the table's scan, in
  // order, which may be read on several threads at once.
  virtual std::unique_ptr<ScanParts> Parts() = 0;
  // How the table was opened, where that matters to the user.
  virtual std::vector<std::string> Notes() const { return {}; }
};

// The rows of tables in a data folder, read by their cursors.
class CursorRowSource : public SaveRowSource {
 public:
  // `options` (collations, system tablespace) must outlive the source.
  explicit CursorRowSource(ReadOptions options) : options_(options) {}

  bool Open(const SaveObject& table, std::string& error) override;
  const TableDefinition& Definition() const override { return table_->Definition(); }
  std::unique_ptr<ScanParts> Parts() override { return table_->SplitScan(); }
  std::vector<std::string> Notes() const override { return table_->Notes(); }

 private:
  ReadOptions options_;
  std::unique_ptr<TableSource> table_;
};

struct SaveOptions {
  // For the column types and defaults of CREATE TABLE.
  LiteralContext literals;
  // Progress is told, and Stop asked for, after this many rows.
  std::size_t progressRows = kRowsPerPage;
  // A batch ends at this many rows or once its statement reaches this
  // many bytes (servers of old take packets of 1 MiB).
  std::size_t batchRows = kRowsPerPage;
  std::size_t batchBytes = 1u << 20;
  // At most this many failed rows are reported one by one per table.
  std::size_t reportedRowErrors = 5;
  // Threads that format a table's rows, the calling one included; the
  // statements are the same for any number.
  unsigned formatThreads = 1;
};

struct SaveProgress {
  const SaveObject* object = nullptr;
  std::size_t objectIndex = 0;  // 0-based
  std::size_t objectCount = 0;
  std::uint64_t rows = 0;  // rows of the object read so far
};

// A table whose read the user must hear of: one that could not be read at
// all, one read with losses, or one read whole whose read has notes.
struct TableReadAccount {
  enum class Outcome { kNotRead, kLosses, kNotes };
  std::string name;  // `db`.`table`
  Outcome outcome = Outcome::kNotRead;
  // Why it was not read; or the rows read and the loss sentences of the
  // table's line.
  std::string text;
};

struct SaveSummary {
  std::size_t tables = 0;  // tables whose rows were written
  std::size_t views = 0;
  std::size_t triggerFiles = 0;
  std::uint64_t rows = 0;
  std::uint64_t deletedRows = 0;
  std::uint64_t failedRows = 0;
  // Tables read with losses (damage, values cut short).
  std::size_t tablesWithLosses = 0;
  // Objects that could not be saved (definition unreadable, statement
  // refused).
  std::size_t failedObjects = 0;
  // Stop was asked for.
  bool stopped = false;
  // The target stopped taking statements (disk full, connection lost).
  bool aborted = false;
  // The tables not read whole, or read with notes, in the order saved.
  std::vector<TableReadAccount> readAccounts;

  bool Complete() const {
    return !stopped && !aborted && failedRows == 0 && failedObjects == 0 && tablesWithLosses == 0;
  }
};

class TableSaver {
 public:
  TableSaver(SaveTarget& target, SaveRowSource& rows, SaveOptions options);

  // Log lines: one per table with its row counts, one per view and
  // trigger file, and one per problem.
  std::function<void(const std::string&)> report;
  // After every page.
  std::function<void(const SaveProgress&)> progress;
  // Asked between pages and objects; false ends the save early.
  std::function<bool()> keepGoing;

  SaveSummary Run(std::vector<SaveObject> objects);

 private:
  struct TableCounts;

  void SaveTable(const SaveObject& object);
  // True when the view was created (or can never be).
  bool SaveView(const SaveObject& object, bool reportFailure);
  void SaveTriggers(const SaveObject& object);

  // Runs a statement; a failure is reported with `what` and counted.
  bool Run(const std::string& statement, const std::string& what, bool reportFailure = true);
  struct Batch;
  // Runs the INSERT statement of the batch's first `count` tuples (on a
  // server, a refused statement row by row) and keeps the rest.
  void FlushBatch(Batch& batch, std::size_t count, TableCounts& counts);
  bool InsertTuples(const Batch& batch, std::size_t begin, std::size_t end, TableCounts& counts);
  // Adds one tuple (already appended to the batch's statement).
  void AddToBatch(Batch& batch, TableCounts& counts);
  void Report(const std::string& line);
  bool KeepGoing();
  void Abort(const std::string& error);

  SaveTarget& target_;
  SaveRowSource& source_;
  SaveOptions options_;
  SaveSummary summary_;
  SaveProgress progress_;
};

// `count` with the word that fits it: "1 table", "2 tables".
std::string CountOf(std::uint64_t count, std::string_view one, std::string_view many);

// The closing line of a save: "Saved 2 tables (305 rows, 3 deleted rows),
// 1 view and 0 trigger files " + `where` + ".".
std::string SaveSummaryLine(const SaveSummary& summary, const std::string& where);

// What a table's read and the formatting of its values lost, as
// sentences, each after a space ("" when nothing was lost).
std::string LossSentences(const ReadReport* report, const FormatScratch& scratch);

// The INSERT statement's start for `table` named `tableName`: INSERT INTO
// `name` (`col`,...) VALUES
std::string InsertPrefix(std::string_view tableName, const TableDefinition& table);

}  // namespace rowmender
