#include "export/save/table_saver.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <utility>

#include "definitions/column_types.h"
#include "export/formatted_rows.h"
#include "export/save/column_defaults.h"
#include "export/save/sql_text.h"
#include "export/save/table_ddl.h"
#include "export/statements.h"

namespace rowmender {

namespace {

// The session a table's rows are written in: no AUTO_INCREMENT value made
// up for a stored 0, zero dates and values out of range taken as the
// original server took them, TIMESTAMP texts in UTC, and no foreign key of
// an existing target table in the way. The session's own values are kept
// in user variables and put back after the table.
constexpr const char* kKeepSession =
    "SET @ROWMENDER_SQL_MODE = @@SESSION.sql_mode, @ROWMENDER_TIME_ZONE = @@SESSION.time_zone, "
    "@ROWMENDER_FOREIGN_KEY_CHECKS = @@SESSION.foreign_key_checks";
constexpr const char* kRestoreSession =
    "SET SESSION sql_mode = 'NO_AUTO_VALUE_ON_ZERO', SESSION time_zone = '+00:00', "
    "SESSION foreign_key_checks = 0";
constexpr const char* kPutSessionBack =
    "SET SESSION sql_mode = @ROWMENDER_SQL_MODE, SESSION time_zone = @ROWMENDER_TIME_ZONE, "
    "SESSION foreign_key_checks = @ROWMENDER_FOREIGN_KEY_CHECKS";
constexpr const char* kStartTransaction = "START TRANSACTION";
constexpr const char* kCommit = "COMMIT";
constexpr const char* kViewStatementEnd = ";";
constexpr const char* kNoColumnsText = "the table definition holds no columns";

// Deleted rows kept in memory up to this many bytes; beyond, in a
// temporary file.
constexpr std::size_t kDeletedRowsInMemory = 32u << 20;

std::string UseStatement(const std::string& database) {
  return "USE " + QuoteIdentifier(database);
}

// The tuples of the delete-marked rows of one table, kept until the live
// rows are committed (creating the companion table would end their
// transaction). Large amounts go to a temporary file.
class DeletedRowStore {
 public:
  DeletedRowStore() = default;
  ~DeletedRowStore() {
    if (spill_ != nullptr) std::fclose(spill_);
  }
  DeletedRowStore(const DeletedRowStore&) = delete;
  DeletedRowStore& operator=(const DeletedRowStore&) = delete;

  void Add(std::string tuple) {
    memoryBytes_ += tuple.size();
    memory_.push_back(std::move(tuple));
    ++count_;
    if (memoryBytes_ > kDeletedRowsInMemory) Spill();
  }

  std::uint64_t Count() const { return count_; }

  // Hands the tuples over in order, at most `batch` at a time.
  template <typename Take>
  bool Replay(std::size_t batch, Take take) {
    std::vector<std::string> tuples;
    if (spill_ != nullptr) {
      std::rewind(spill_);
      for (std::uint64_t i = 0; i < spilled_; ++i) {
        std::uint64_t size = 0;
        if (std::fread(&size, sizeof size, 1, spill_) != 1) return false;
        std::string tuple(size, '\0');
        if (size > 0 && std::fread(tuple.data(), 1, size, spill_) != size) return false;
        tuples.push_back(std::move(tuple));
        if (tuples.size() == batch) {
          if (!take(tuples)) return false;
          tuples.clear();
        }
      }
    }
    for (std::string& tuple : memory_) {
      tuples.push_back(std::move(tuple));
      if (tuples.size() == batch) {
        if (!take(tuples)) return false;
        tuples.clear();
      }
    }
    memory_.clear();
    return tuples.empty() || take(tuples);
  }

 private:
  void Spill() {
    if (spill_ == nullptr) spill_ = std::tmpfile();
    if (spill_ == nullptr) return;  // no temporary file: keep them in memory
    for (const std::string& tuple : memory_) {
      const std::uint64_t size = tuple.size();
      std::fwrite(&size, sizeof size, 1, spill_);
      std::fwrite(tuple.data(), 1, tuple.size(), spill_);
      ++spilled_;
    }
    memory_.clear();
    memoryBytes_ = 0;
  }

  std::vector<std::string> memory_;
  std::size_t memoryBytes_ = 0;
  std::FILE* spill_ = nullptr;
  std::uint64_t spilled_ = 0;
  std::uint64_t count_ = 0;
};

}  // namespace

struct TableSaver::TableCounts {
  std::string name;  // `db`.`table` (or the companion) for messages
  std::uint64_t written = 0;
  std::uint64_t failed = 0;
  std::size_t reportedErrors = 0;
};

bool CursorRowSource::Open(const SaveObject& table, std::string& error) {
  table_.reset();
  const Status status = TableSource::Open(table.location.Files(), options_, table_);
  if (!status.ok()) {
    table_.reset();
    error = status.message();
    return false;
  }
  return true;
}

std::string CountOf(std::uint64_t count, std::string_view one, std::string_view many) {
  return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

std::string SaveSummaryLine(const SaveSummary& summary, const std::string& where) {
  return "Saved " + CountOf(summary.tables, "table", "tables") + " (" +
         CountOf(summary.rows, "row", "rows") + ", " +
         CountOf(summary.deletedRows, "deleted row", "deleted rows") + "), " +
         CountOf(summary.views, "view", "views") + " and " +
         CountOf(summary.triggerFiles, "trigger file", "trigger files") + " " + where + ".";
}

std::string LossSentences(const ReadReport* report, const FormatScratch& scratch) {
  std::string text;
  // Each count with its sentence, in the singular for one.
  const auto add = [&text](std::uint64_t count, const char* one, const char* many) {
    if (count > 0) text += " " + std::to_string(count) + " " + (count == 1 ? one : many);
  };
  if (report != nullptr) {
    add(report->recordsDropped, "damaged record was left out.", "damaged records were left out.");
    add(report->pagesSkipped, "page of the table could not be read.",
        "pages of the table could not be read.");
    add(report->pagesFailingChecksum,
        "page failed its checksum; its records were read as they stand.",
        "pages failed their checksum; their records were read as they stand.");
    add(report->pagesSalvaged, "page had a broken record list; its records were found one by one.",
        "pages had a broken record list; their records were found one by one.");
    add(report->rowsFromDamagedPages, "row comes from a damaged page and may be damaged.",
        "rows come from damaged pages and may be damaged.");
    add(report->loopsBroken, "loop in the table's page or record chains was broken.",
        "loops in the table's page or record chains were broken.");
    add(report->bytesSkipped, "damaged byte of the data file was passed over.",
        "damaged bytes of the data file were passed over.");
    add(report->partitionsUnread, "partition could not be read: its rows are lost.",
        "partitions could not be read: their rows are lost.");
  }
  add(scratch.valuesCutShort, "long value was cut short: its pages are lost.",
      "long values were cut short: their pages are lost.");
  add(scratch.valuesNotRepresentable, "damaged value was written as NULL or the column default.",
      "damaged values were written as NULL or the column default.");
  add(scratch.textsNotConverted,
      "text did not convert from its character set and was written as its bytes.",
      "texts did not convert from their character set and were written as their bytes.");
  if (report != nullptr) {
    if (report->formatUnsupported) text += " Its format is not read.";
    for (const std::string& note : report->notes)
      text += " (" + note + ")";
  }
  return text;
}

std::string InsertPrefix(std::string_view tableName, const TableDefinition& table) {
  std::string prefix = "INSERT INTO ";
  AppendQuotedIdentifier(prefix, tableName);
  prefix += " (";
  bool first = true;
  for (const ColumnDefinition& column : table.columns) {
    if (ServerComputesValues(column)) continue;
    if (!first) prefix += ',';
    first = false;
    AppendQuotedIdentifier(prefix, column.name);
  }
  prefix += ") VALUES ";
  return prefix;
}

TableSaver::TableSaver(SaveTarget& target, SaveRowSource& rows, SaveOptions options)
    : target_(target), source_(rows), options_(std::move(options)) {
  if (options_.batchRows == 0) options_.batchRows = 1;
}

void TableSaver::Report(const std::string& line) {
  if (report) report(line);
}

bool TableSaver::KeepGoing() {
  if (summary_.aborted) return false;
  if (keepGoing && !keepGoing()) {
    summary_.stopped = true;
    return false;
  }
  return true;
}

void TableSaver::Abort(const std::string& error) {
  if (summary_.aborted) return;
  summary_.aborted = true;
  Report("The save was ended: " + error);
}

bool TableSaver::Run(const std::string& statement, const std::string& what, bool reportFailure) {
  if (summary_.aborted) return false;
  std::string error;
  if (target_.Execute(statement, error)) return true;
  if (!target_.RetriesRows() || !target_.Alive()) {
    Abort(error);
    return false;
  }
  if (reportFailure) Report(what + ": " + error);
  return false;
}

SaveSummary TableSaver::Run(std::vector<SaveObject> objects) {
  summary_ = SaveSummary{};
  OrderForRestore(objects);
  progress_ = SaveProgress{};
  progress_.objectCount = objects.size();

  const auto announce = [&](std::size_t index) {
    progress_.object = &objects[index];
    progress_.objectIndex = index;
    progress_.rows = 0;
    if (progress) progress(progress_);
  };
  std::vector<std::size_t> views;
  std::vector<std::size_t> triggers;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    if (objects[i].kind == SaveObjectKind::kView) {
      views.push_back(i);
    } else if (objects[i].kind == SaveObjectKind::kTriggers) {
      triggers.push_back(i);
    } else if (KeepGoing()) {
      announce(i);
      SaveTable(objects[i]);
    }
  }
  // A view may select from another view: those refused are tried again
  // after the others, for as long as that brings one more view in.
  bool lastRound = false;
  while (!views.empty() && KeepGoing()) {
    std::vector<std::size_t> refused;
    for (std::size_t index : views) {
      if (!KeepGoing()) break;
      announce(index);
      if (!SaveView(objects[index], lastRound)) refused.push_back(index);
    }
    if (lastRound) break;
    lastRound = refused.size() == views.size();
    views = std::move(refused);
  }
  for (std::size_t index : triggers) {
    if (!KeepGoing()) break;
    announce(index);
    SaveTriggers(objects[index]);
  }
  if (summary_.stopped) Report("The save was stopped before its end.");
  std::string error;
  if (!summary_.aborted && !target_.Finish(error)) Abort(error);
  return summary_;
}

// The INSERT statement being built: the prefix, then tuples separated by
// commas; `ends` holds where each tuple ends.
struct TableSaver::Batch {
  std::string prefix;
  std::string statement;
  std::vector<std::size_t> ends;

  explicit Batch(std::string insertPrefix) : prefix(std::move(insertPrefix)) { Clear(); }
  void Clear() {
    statement = prefix;
    ends.clear();
  }
  std::size_t Begin(std::size_t i) const { return i == 0 ? prefix.size() : ends[i - 1] + 1; }
  std::string_view Tuple(std::size_t i) const {
    return std::string_view(statement).substr(Begin(i), ends[i] - Begin(i));
  }
  // Appends the separator before a new tuple.
  void StartTuple() {
    if (!ends.empty()) statement.push_back(',');
  }
};

bool TableSaver::InsertTuples(const Batch& batch, std::size_t begin, std::size_t end,
                              TableCounts& counts) {
  if (begin >= end || summary_.aborted) return !summary_.aborted;
  std::string error;
  const bool whole = begin == 0 && end == batch.ends.size();
  bool done = false;
  if (whole) {
    done = target_.Execute(batch.statement, error);
  } else {
    std::string statement = batch.prefix;
    for (std::size_t i = begin; i < end; ++i) {
      if (i > begin) statement.push_back(',');
      statement += batch.Tuple(i);
    }
    done = target_.Execute(statement, error);
  }
  if (done) {
    counts.written += end - begin;
    return true;
  }
  if (!target_.RetriesRows() || !target_.Alive()) {
    Abort(error);
    counts.failed += end - begin;
    return false;
  }
  if (end - begin > 1) {
    // One row may have been refused: try them one by one.
    for (std::size_t i = begin; i < end; ++i) {
      if (!InsertTuples(batch, i, i + 1, counts)) {
        counts.failed += end - i - 1;
        return false;
      }
    }
    return true;
  }
  ++counts.failed;
  if (counts.reportedErrors < options_.reportedRowErrors) {
    ++counts.reportedErrors;
    Report(counts.name + ": a row could not be saved: " + error);
  }
  return true;
}

void TableSaver::FlushBatch(Batch& batch, std::size_t count, TableCounts& counts) {
  if (count == 0) return;
  if (count == batch.ends.size()) {
    InsertTuples(batch, 0, count, counts);
    batch.Clear();
    return;
  }
  // Send the first `count` tuples; the rest start the next statement.
  const std::string rest = batch.statement.substr(batch.Begin(count));
  std::vector<std::size_t> restEnds;
  for (std::size_t i = count; i < batch.ends.size(); ++i) {
    restEnds.push_back(batch.ends[i] - batch.Begin(count) + batch.prefix.size());
  }
  batch.statement.resize(batch.ends[count - 1]);
  batch.ends.resize(count);
  InsertTuples(batch, 0, count, counts);
  batch.statement = batch.prefix + rest;
  batch.ends = std::move(restEnds);
}

void TableSaver::AddToBatch(Batch& batch, TableCounts& counts) {
  batch.ends.push_back(batch.statement.size());
  // A batch ends at batchRows rows or once it would pass batchBytes bytes
  // (unless one row alone is larger).
  if (batch.statement.size() > options_.batchBytes && batch.ends.size() > 1) {
    FlushBatch(batch, batch.ends.size() - 1, counts);
  }
  if (batch.ends.size() >= options_.batchRows || batch.statement.size() >= options_.batchBytes) {
    FlushBatch(batch, batch.ends.size(), counts);
  }
}

void TableSaver::SaveTable(const SaveObject& object) {
  const std::string name = object.QualifiedName();
  std::string error;
  if (!source_.Open(object, error)) {
    ++summary_.failedObjects;
    summary_.readAccounts.push_back({name, TableReadAccount::Outcome::kNotRead, error});
    Report(name + ": the table could not be read: " + error);
    return;
  }
  const TableDefinition& table = source_.Definition();
  progress_.rows = 0;
  if (table.columns.empty()) {
    ++summary_.failedObjects;
    summary_.readAccounts.push_back({name, TableReadAccount::Outcome::kNotRead, kNoColumnsText});
    Report(name + ": " + kNoColumnsText);
    return;
  }
  if (!target_.BeginObject(object, error)) {
    Abort(error);
    return;
  }
  const CollationTable empty;
  const CollationTable& collations =
      options_.literals.collations != nullptr ? *options_.literals.collations : empty;

  Run(kKeepSession, name);
  Run(kRestoreSession, name);
  Run(CreateDatabaseStatement(object.databaseName,
                              ReadDatabaseOptions(object.location.databaseFolder)),
      name + ": the database could not be created");
  Run(UseStatement(object.databaseName), name);
  const std::vector<ColumnDefault> defaults =
      ReadColumnDefaults(object.location.definitionPath, table, collations);
  if (!Run(CreateTableStatement(object.name, table, collations, TableKeys::kPrimaryAndUnique,
                                &defaults),
           name + ": the table could not be created")) {
    // The plainest form still takes the rows: no keys, no defaults.
    if (summary_.aborted ||
        !Run(CreateTableStatement(object.name, table, collations, TableKeys::kNone),
             name + ": the table could not be created without its keys either")) {
      ++summary_.failedObjects;
      Run(kPutSessionBack, name);
      target_.EndObject(error);
      return;
    }
    Report(name + ": created without its keys and defaults.");
  }

  TableCounts live;
  live.name = name;
  Batch batch(InsertPrefix(object.name, table));
  DeletedRowStore deleted;
  const std::unique_ptr<FormattedRows> tuples =
      NewFormattedRows(source_.Parts(), AppendSqlTuple, options_.formatThreads);
  const std::size_t progressRows = std::max<std::size_t>(options_.progressRows, 1);

  Run(kStartTransaction, name);
  bool stopped = false;
  std::string_view tuple;
  RowMark mark = RowMark::kLive;
  std::size_t sinceProgress = 0;
  // A system-versioned table is saved with its current rows: the server
  // stamps them anew, and keeps no history rows given to it by INSERT.
  std::uint64_t historyRows = 0;
  while (!summary_.aborted && tuples->Next(tuple, mark)) {
    if (mark == RowMark::kDeleted) {
      deleted.Add(std::string(tuple));
    } else if (mark == RowMark::kHistory) {
      ++historyRows;
    } else {
      batch.StartTuple();
      batch.statement += tuple;
      AddToBatch(batch, live);
    }
    ++progress_.rows;
    if (++sinceProgress == progressRows) {
      sinceProgress = 0;
      if (progress) progress(progress_);
      if (!KeepGoing()) {
        stopped = true;
        break;
      }
    }
  }
  if (sinceProgress > 0 && progress) progress(progress_);
  FlushBatch(batch, batch.ends.size(), live);
  Run(kCommit, name);

  TableCounts old;
  const std::string companion = DeletedTableName(object.name);
  old.name = QuoteIdentifier(object.databaseName) + "." + QuoteIdentifier(companion);
  if (deleted.Count() > 0 && !summary_.aborted) {
    if (Run(CreateTableStatement(companion, table, collations, TableKeys::kNone),
            old.name + ": the table could not be created")) {
      Batch oldBatch(InsertPrefix(companion, table));
      Run(kStartTransaction, old.name);
      const bool replayed =
          deleted.Replay(options_.batchRows, [&](std::vector<std::string>& stored) {
            for (const std::string& storedTuple : stored) {
              oldBatch.StartTuple();
              oldBatch.statement += storedTuple;
              AddToBatch(oldBatch, old);
            }
            FlushBatch(oldBatch, oldBatch.ends.size(), old);
            return !summary_.aborted;
          });
      Run(kCommit, old.name);
      if (!replayed && !summary_.aborted) {
        // The temporary file of deleted rows could not be read back.
        old.failed = deleted.Count() - old.written;
        Report(old.name + ": deleted rows were lost on their way through a temporary file");
      }
    } else {
      old.failed = deleted.Count();
    }
  }
  Run(kPutSessionBack, name);
  if (!summary_.aborted && !target_.EndObject(error)) Abort(error);

  ++summary_.tables;
  summary_.rows += live.written;
  summary_.deletedRows += old.written;
  summary_.failedRows += live.failed + old.failed;

  std::string line = name + ": " + std::to_string(live.written) + " rows saved";
  if (deleted.Count() > 0) {
    line +=
        ", " + std::to_string(old.written) + " deleted rows saved in " + QuoteIdentifier(companion);
  }
  line += '.';
  if (historyRows > 0) {
    line += " " + std::to_string(historyRows) +
            " history rows of the system-versioned table were left out: its current rows are "
            "saved.";
  }
  if (live.failed + old.failed > 0) {
    line += " " + std::to_string(live.failed + old.failed) + " rows could not be saved.";
  }
  ReadReport readReport = tuples->Report();
  for (const std::string& note : source_.Notes()) {
    // A note the scan made as well is told once.
    if (std::find(readReport.notes.begin(), readReport.notes.end(), note) == readReport.notes.end())
      readReport.Note(note);
  }
  const FormatScratch formatted = tuples->Scratch();
  const bool lost = !readReport.Complete() || formatted.Lost();
  if (lost) ++summary_.tablesWithLosses;
  const std::string losses = LossSentences(&readReport, formatted);
  line += losses;
  if (!losses.empty()) {
    summary_.readAccounts.push_back(
        {name, lost ? TableReadAccount::Outcome::kLosses : TableReadAccount::Outcome::kNotes,
         std::to_string(readReport.rowsRead) + " rows read." + losses});
  }
  if (stopped) line += " Stopped before the end of the table.";
  Report(line);
}

bool TableSaver::SaveView(const SaveObject& object, bool reportFailure) {
  const std::string name = object.QualifiedName();
  std::string statement = BuildViewStatement(object.path);
  if (statement.ends_with(kViewStatementEnd)) statement.pop_back();
  if (statement.empty()) {
    // Nothing a later round could change.
    ++summary_.failedObjects;
    Report("View " + name + ": the view definition could not be read");
    return true;
  }
  std::string error;
  if (!target_.BeginObject(object, error)) {
    Abort(error);
    return true;
  }
  Run(CreateDatabaseStatement(object.databaseName,
                              ReadDatabaseOptions(object.location.databaseFolder)),
      "View " + name + ": the database could not be created");
  Run(UseStatement(object.databaseName), "View " + name);
  const bool created = Run(statement, "View " + name + ": not created", reportFailure);
  if (!summary_.aborted && !target_.EndObject(error)) Abort(error);
  if (created) {
    ++summary_.views;
    Report("View " + name + " saved.");
  } else if (reportFailure) {
    ++summary_.failedObjects;
  }
  return created;
}

void TableSaver::SaveTriggers(const SaveObject& object) {
  const std::string name = object.QualifiedName();
  std::string error;
  if (!target_.BeginObject(object, error)) {
    Abort(error);
    return;
  }
  Run(UseStatement(object.databaseName), "Triggers of " + name);
  bool failed = false;
  const bool written = target_.WriteTriggers(
      object.path,
      [&](const std::string& line) {
        if (line == kTriggerFailedLine) failed = true;
        Report(line);
      },
      error);
  if (!summary_.aborted && !target_.EndObject(error)) Abort(error);
  if (!written) {
    ++summary_.failedObjects;
    Report("Triggers of " + name + ": " + error);
  } else if (failed) {
    ++summary_.failedObjects;
  } else {
    ++summary_.triggerFiles;
    if (!target_.RetriesRows()) Report("Triggers of " + name + " saved.");
  }
}

}  // namespace rowmender
