#include "export/table_export.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <thread>

#include "base/paths.h"
#include "export/formatted_rows.h"
#include "export/save/save_target.h"
#include "export/save/table_saver.h"
#include "values/export_formats.h"

namespace rowmender {

namespace {

// Output is handed to the file in pieces of about this size.
constexpr std::size_t kFlushBytes = 1u << 20;

std::string DeletedSuffix() {
  return "__deleted";
}
std::string HistorySuffix() {
  return "__history";
}

// A file written through a large buffer of our own.
class OutputFile {
 public:
  bool Open(const std::string& path) {
    path_ = path;
    file_.open(path, std::ios::binary | std::ios::trunc);
    return static_cast<bool>(file_);
  }
  std::string& Buffer() { return buffer_; }
  bool FlushIfFull() { return buffer_.size() < kFlushBytes || Flush(); }
  bool Flush() {
    file_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    buffer_.clear();
    return static_cast<bool>(file_);
  }
  bool Close() {
    const bool flushed = Flush();
    file_.close();
    return flushed && !file_.fail();
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::ofstream file_;
  std::string buffer_;
};

// Rows of one table in TSV or CSV, live and delete-marked apart.
class DelimitedWriter {
 public:
  DelimitedWriter(ExportFormat format, const TableDefinition& table)
      : format_(format), table_(table) {}

  void Header(std::string& out) const {
    if (format_ != ExportFormat::kCsv) return;
    for (std::size_t i = 0; i < table_.columns.size(); ++i) {
      if (i > 0) out.push_back(',');
      AppendCsvText(out, table_.columns[i].name);
    }
    out += "\r\n";
  }

  void Row(std::string& out, const RowBuffer& row, const TableFormat& formats,
           FormatScratch& scratch) const {
    const char separator = format_ == ExportFormat::kCsv ? ',' : '\t';
    for (std::size_t i = 0; i < formats.Size(); ++i) {
      if (i > 0) out.push_back(separator);
      if (i >= row.cells.size()) {
        if (format_ == ExportFormat::kTsv) out += "\\N";
        continue;
      }
      if (format_ == ExportFormat::kCsv) {
        AppendCsvField(out, row.cells[i], formats[i], row.longValues, scratch);
      } else {
        AppendTsvField(out, row.cells[i], formats[i], row.longValues, scratch);
      }
    }
    out += format_ == ExportFormat::kCsv ? "\r\n" : "\n";
  }

 private:
  ExportFormat format_;
  const TableDefinition& table_;
};

}  // namespace

const char* ExportExtension(ExportFormat format) {
  switch (format) {
    case ExportFormat::kSql:
      return "sql";
    case ExportFormat::kTsv:
      return "tsv";
    case ExportFormat::kCsv:
      return "csv";
  }
  return "sql";
}

ExportFiles ExportFilesOf(const std::string& folder, const SaveObject& table, ExportFormat format) {
  ExportFiles files;
  files.folder =
      JoinPath(folder, LastComponent(WithoutTrailingSeparator(table.location.databaseFolder)));
  const std::string stem = JoinPath(files.folder, table.location.tableName);
  const std::string extension = std::string(".") + ExportExtension(format);
  files.live = stem + extension;
  files.deleted = stem + DeletedSuffix() + extension;
  files.history = stem + HistorySuffix() + extension;
  return files;
}

TableExportResult TableExporter::ExportTable(const ExportRequest& request, const SaveObject& table,
                                             unsigned threads) {
  TableExportResult result;
  result.table = &table;
  const std::string extension = ExportExtension(request.format);
  const ExportFiles files = ExportFilesOf(request.folder, table, request.format);
  if (request.stream == nullptr) {
    std::error_code error;
    std::filesystem::create_directories(files.folder, error);
    if (error) {
      result.failed = true;
      result.messages.push_back("cannot create " + files.folder + ": " + error.message());
      return result;
    }
  }
  const std::string stem = table.location.tableName;
  const std::string livePath = request.stream != nullptr ? "standard output" : files.live;

  if (request.format == ExportFormat::kSql) {
    std::ofstream file;
    std::ostream* out = request.stream;
    std::unique_ptr<char[]> buffer;
    if (out == nullptr) {
      buffer = std::make_unique<char[]>(kFlushBytes);
      file.rdbuf()->pubsetbuf(buffer.get(), kFlushBytes);
      file.open(livePath, std::ios::binary | std::ios::trunc);
      if (!file) {
        result.failed = true;
        result.messages.push_back("cannot create " + livePath);
        return result;
      }
      out = &file;
    }
    StreamTarget target(*out, livePath);
    CursorRowSource source(request.read);
    SaveOptions options;
    options.literals.collations = request.read.collations;
    options.formatThreads = threads;
    TableSaver saver(target, source, options);
    std::vector<std::string> lines;
    saver.report = [&lines](const std::string& line) { lines.push_back(line); };
    // The table's rows already added to the shared count (the saver tells
    // the table's rows so far).
    std::uint64_t counted = 0;
    if (ExportControl* control = request.control) {
      saver.keepGoing = [control] { return !control->stop.load(std::memory_order_relaxed); };
      saver.progress = [control, &counted](const SaveProgress& progress) {
        if (progress.rows > counted) {
          control->rows.fetch_add(progress.rows - counted, std::memory_order_relaxed);
          counted = progress.rows;
        }
      };
    }
    const SaveSummary summary = saver.Run({table});
    if (file.is_open()) {
      file.close();
      if (file.fail() && !summary.aborted) {
        result.failed = true;
        result.messages.push_back("cannot write " + livePath);
      }
    }
    result.rows = summary.rows;
    result.deletedRows = summary.deletedRows;
    if (summary.stopped) {
      // Half a script would pass for the table.
      result.stopped = true;
      if (request.stream == nullptr) {
        std::error_code ignored;
        std::filesystem::remove(livePath, ignored);
      }
      return result;
    }
    result.failed = result.failed || summary.failedObjects > 0 || summary.aborted;
    result.losses = summary.tablesWithLosses > 0 || summary.failedRows > 0;
    if (result.failed && request.stream == nullptr) {
      // No file for a table that could not be read (or written): an empty
      // or broken-off script would pass for the table.
      std::error_code ignored;
      std::filesystem::remove(livePath, ignored);
    } else {
      result.files.push_back(livePath);
    }
    // The saver's line for the table says what it wrote and lost.
    if (result.failed || result.losses) {
      for (const std::string& line : lines)
        result.messages.push_back(line);
    }
    return result;
  }

  std::unique_ptr<TableSource> source;
  const Status status =
      TableSource::Open(TableFiles{table.location.definitionPath, table.location.databaseFolder,
                                   stem, table.location.origin},
                        request.read, source);
  if (!status.ok()) {
    result.failed = true;
    result.messages.push_back(status.message());
    return result;
  }
  const DelimitedWriter writer(request.format, source->Definition());

  OutputFile live;
  std::unique_ptr<OutputFile> deleted;
  std::string streamBuffer;
  std::string* liveBuffer = &streamBuffer;
  const auto flushStream = [&] {
    request.stream->write(streamBuffer.data(), static_cast<std::streamsize>(streamBuffer.size()));
    streamBuffer.clear();
    return static_cast<bool>(*request.stream);
  };
  if (request.stream == nullptr) {
    if (!live.Open(livePath)) {
      result.failed = true;
      result.messages.push_back("cannot create " + livePath);
      return result;
    }
    liveBuffer = &live.Buffer();
  }
  writer.Header(*liveBuffer);

  bool writable = true;
  const std::unique_ptr<FormattedRows> lines = NewFormattedRows(
      source->SplitScan(),
      [&writer](std::string& out, const RowBuffer& row, const TableFormat& formats,
                FormatScratch& scratch) { writer.Row(out, row, formats, scratch); },
      threads);
  std::string_view line;
  RowMark mark = RowMark::kLive;
  std::unique_ptr<OutputFile> history;
  // A delete-marked or history row goes into a file of its own beside the
  // table's.
  const auto writeAside = [&](std::unique_ptr<OutputFile>& file, const std::string& path) {
    if (!file) {
      file = std::make_unique<OutputFile>();
      if (!file->Open(path)) {
        result.failed = true;
        result.messages.push_back("cannot create " + path);
        return false;
      }
      writer.Header(file->Buffer());
    }
    file->Buffer() += line;
    return file->FlushIfFull();
  };
  // Rows are added to the shared count in batches, and the stop flag is
  // looked at as often.
  constexpr std::uint64_t kRowsPerControlCheck = 256;
  std::uint64_t uncounted = 0;
  const auto keepGoing = [&] {
    if (request.control == nullptr || ++uncounted < kRowsPerControlCheck) return true;
    request.control->rows.fetch_add(uncounted, std::memory_order_relaxed);
    uncounted = 0;
    return !request.control->stop.load(std::memory_order_relaxed);
  };
  while (writable && lines->Next(line, mark)) {
    if (!keepGoing()) {
      result.stopped = true;
      break;
    }
    if (mark == RowMark::kLive) {
      *liveBuffer += line;
      ++result.rows;
      writable = request.stream == nullptr ? live.FlushIfFull()
                                           : (streamBuffer.size() < kFlushBytes || flushStream());
      continue;
    }
    const bool isDeleted = mark == RowMark::kDeleted;
    ++(isDeleted ? result.deletedRows : result.historyRows);
    if (request.stream != nullptr) {
      ++(isDeleted ? result.deletedRowsLeftOut : result.historyRowsLeftOut);
      continue;
    }
    writable = writeAside(isDeleted ? deleted : history, isDeleted ? files.deleted : files.history);
    if (result.failed) return result;
  }
  if (request.control != nullptr) request.control->rows.fetch_add(uncounted);
  if (result.stopped) {
    // Files cut off in the middle would pass for the table's rows.
    if (request.stream == nullptr) {
      std::vector<std::string> paths{live.Path()};
      live.Close();
      for (std::unique_ptr<OutputFile>* aside : {&deleted, &history}) {
        if (!*aside) continue;
        (*aside)->Close();
        paths.push_back((*aside)->Path());
      }
      std::error_code ignored;
      for (const std::string& path : paths)
        std::filesystem::remove(path, ignored);
    } else {
      flushStream();
      request.stream->flush();
    }
    return result;
  }
  if (request.stream != nullptr) {
    writable = flushStream() && writable;
    request.stream->flush();
    writable = writable && static_cast<bool>(*request.stream);
  } else {
    writable = live.Close() && writable;
    result.files.push_back(livePath);
    for (std::unique_ptr<OutputFile>* aside : {&deleted, &history}) {
      if (*aside) {
        writable = (*aside)->Close() && writable;
        result.files.push_back((*aside)->Path());
      }
    }
  }
  if (request.stream != nullptr && result.historyRowsLeftOut > 0) {
    result.historyRows -= result.historyRowsLeftOut;
    result.messages.push_back(std::to_string(result.historyRowsLeftOut) +
                              " history rows are not in this stream; export to a folder "
                              "to get them in " +
                              stem + HistorySuffix() + "." + extension + ".");
  }
  if (!writable) {
    result.failed = true;
    result.messages.push_back("cannot write " + livePath);
  }
  if (request.stream != nullptr && result.deletedRowsLeftOut > 0) {
    result.deletedRows -= result.deletedRowsLeftOut;
    result.messages.push_back(std::to_string(result.deletedRowsLeftOut) +
                              " delete-marked rows are not in this stream; export to a folder "
                              "to get them in " +
                              stem + DeletedSuffix() + "." + extension + ".");
  }
  const ReadReport report = lines->Report();
  const FormatScratch scratch = lines->Scratch();
  // A text that does not convert is written as its own bytes: nothing is
  // lost, but the user is told.
  result.losses = !report.Complete() || scratch.Lost();
  std::vector<std::string> notes = source->Notes();
  for (const std::string& note : notes)
    result.messages.push_back(note);
  const std::string losses = LossSentences(&report, scratch);
  if (!losses.empty()) result.messages.push_back(losses.substr(1));
  return result;
}

std::string ExportSummaryLine(const ExportSummary& summary, std::size_t asked) {
  return "Exported " + std::to_string(summary.tables) + " of " + CountOf(asked, "table", "tables") +
         " (" + CountOf(summary.rows, "row", "rows") + ", " +
         CountOf(summary.deletedRows, "deleted row", "deleted rows") + ")";
}

ExportSummary TableExporter::Run(const ExportRequest& request) {
  const std::size_t count = request.tables.size();
  std::vector<TableExportResult> results(count);
  std::atomic<std::size_t> next{0};
  std::mutex doneMutex;
  // One worker per table while there are more tables than jobs; the jobs
  // left over format the rows of the tables being read.
  const unsigned workers =
      static_cast<unsigned>(std::max<std::size_t>(1, std::min<std::size_t>(request.jobs, count)));
  const unsigned threadsPerTable = std::max(1u, request.jobs / workers);
  const auto work = [&] {
    while (true) {
      const std::size_t i = next.fetch_add(1);
      if (i >= count) return;
      if (request.control != nullptr && request.control->stop.load()) {
        // Not begun: left out without a word of its own.
        results[i].table = &request.tables[i];
        results[i].stopped = true;
        continue;
      }
      results[i] = ExportTable(request, request.tables[i], threadsPerTable);
      if (request.control != nullptr) request.control->tablesDone.fetch_add(1);
      if (tableDone) {
        const std::lock_guard<std::mutex> lock(doneMutex);
        tableDone(results[i]);
      }
    }
  };
  std::vector<std::thread> threads;
  for (unsigned w = 1; w < workers; ++w)
    threads.emplace_back(work);
  work();
  for (std::thread& thread : threads)
    thread.join();

  ExportSummary summary;
  for (const TableExportResult& result : results) {
    if (result.stopped) {
      ++summary.stopped;
      continue;
    }
    if (result.failed) {
      ++summary.failed;
      continue;
    }
    ++summary.tables;
    if (result.losses) ++summary.withLosses;
    summary.rows += result.rows;
    summary.deletedRows += result.deletedRows;
  }
  return summary;
}

}  // namespace rowmender
