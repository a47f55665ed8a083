// An export started from the window: the tables are written on a worker
// thread of their own while the window stays responsive. What the export
// has to tell the user (a line per table) is collected here and taken by
// the user-interface thread when it looks in (its idle calls).
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "catalogue/data_folder_reads.h"
#include "export/table_export.h"

namespace rowmender {

// The line a table's export adds to the output pane and the log:
// "`db`.`t`: 12 rows, 1 deleted rows -> /x/db/t.sql", or why it was not
// exported.
std::vector<std::string> ExportedTableLines(const TableExportResult& result);

class ExportRun {
 public:
  // Opens the system tablespace `ibdataPath` (empty: ibdata1 of
  // `dataFolder`) for readers of the export's own, then starts writing
  // `request`'s tables (its `read` and `control` are set here).
  ExportRun(const std::string& dataFolder, const std::string& ibdataPath,
            const CollationTable* collations, ExportRequest request);
  // Stops the export and waits for its thread.
  ~ExportRun();
  ExportRun(const ExportRun&) = delete;
  ExportRun& operator=(const ExportRun&) = delete;

  // Why the system tablespace could not be read ("" when it could).
  const std::string& SystemProblem() const { return reads_.systemProblem; }
  // The export ends after the rows being written; what is unfinished is
  // left out.
  void Stop() { control_.stop = true; }
  bool StopAsked() const { return control_.stop.load(); }
  // The worker has ended; the summary is then final.
  bool Finished() const { return finished_.load(); }
  // Waits for the worker, once it has finished.
  void Join();
  const ExportSummary& Summary() const { return summary_; }
  std::size_t TableCount() const { return request_.tables.size(); }
  std::size_t TablesDone() const { return control_.tablesDone.load(); }
  std::uint64_t RowsWritten() const { return control_.rows.load(); }
  // The lines told since the last call, in the order told.
  std::vector<std::string> TakeLines();

 private:
  DataFolderReads reads_;
  ExportRequest request_;
  ExportControl control_;
  ExportSummary summary_;
  std::mutex linesMutex_;
  std::vector<std::string> lines_;
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

}  // namespace rowmender
