#include "app/logic/export_run.h"

#include <utility>

#include "export/save/table_saver.h"

namespace rowmender {

std::vector<std::string> ExportedTableLines(const TableExportResult& result) {
  const std::string name = result.table->QualifiedName();
  std::string line;
  if (result.stopped) {
    line = name + ": stopped; no file of it was kept";
  } else if (result.failed) {
    line = name + ": not exported";
  } else {
    line = name + ": " + CountOf(result.rows, "row", "rows");
    if (result.deletedRows > 0)
      line += ", " + CountOf(result.deletedRows, "deleted row", "deleted rows");
    if (result.historyRows > 0)
      line += ", " + CountOf(result.historyRows, "history row", "history rows");
    if (!result.files.empty()) line += " -> " + result.files.front();
  }
  std::vector<std::string> lines{line};
  for (const std::string& message : result.messages)
    lines.push_back("  " + message);
  return lines;
}

ExportRun::ExportRun(const std::string& dataFolder, const std::string& ibdataPath,
                     const CollationTable* collations, ExportRequest request)
    : reads_(OpenDataFolderReads(dataFolder, ibdataPath, true, collations)),
      request_(std::move(request)) {
  request_.read = reads_.Options();
  request_.control = &control_;
  thread_ = std::thread([this] {
    TableExporter exporter;
    exporter.tableDone = [this](const TableExportResult& result) {
      std::vector<std::string> told = ExportedTableLines(result);
      const std::lock_guard<std::mutex> lock(linesMutex_);
      lines_.insert(lines_.end(), told.begin(), told.end());
    };
    summary_ = exporter.Run(request_);
    finished_ = true;
  });
}

ExportRun::~ExportRun() {
  Stop();
  if (thread_.joinable()) thread_.join();
}

void ExportRun::Join() {
  if (thread_.joinable()) thread_.join();
}

std::vector<std::string> ExportRun::TakeLines() {
  const std::lock_guard<std::mutex> lock(linesMutex_);
  return std::exchange(lines_, {});
}

}  // namespace rowmender
