// Tables of the CSV engine. Their rows are a text file of the engine's own
// (.CSV) that is not read; an empty one, though, is a table without rows
// (the server's general_log and slow_log are kept that way while the logs
// go to files), and is read as one.
#include <memory>
#include <string>
#include <utility>

#include "base/paths.h"
#include "tables/engine_sources.h"
#include "tables/table_refusals.h"

namespace rowmender {

namespace {

// A cursor over no rows.
class NoRowsCursor final : public TableCursor {
 public:
  explicit NoRowsCursor(TableFormat formats) : formats_(std::move(formats)) {}
  bool Next(RowBuffer&) override { return false; }
  PageStart Position() const override { return PageStart::End(); }
  void Seek(const PageStart&) override {}
  const TableFormat& Formats() const override { return formats_; }
  const ReadReport& Report() const override { return report_; }

 private:
  TableFormat formats_;
  ReadReport report_;
};

class EmptyCsvSource final : public TableSource {
 public:
  EmptyCsvSource(TableDefinition table, const CollationTable* collations, std::string dataPath)
      : table_(std::move(table)), collations_(collations) {
    dataPath_ = std::move(dataPath);
  }
  const TableDefinition& Definition() const override { return table_; }
  std::unique_ptr<TableCursor> NewCursor() const override {
    return std::make_unique<NoRowsCursor>(TableFormat(table_, collations_));
  }

 private:
  TableDefinition table_;
  const CollationTable* collations_;
};

}  // namespace

Status OpenCsvSource(TableDefinition table, const TableFiles& files, const ReadOptions& options,
                     std::unique_ptr<TableSource>& out) {
  const std::string data = FindEntryWithExtension(files.databaseFolder, files.tableName, "CSV");
  const Status readable = CheckCsvDataFile(data, files.tableName, files.databaseFolder);
  if (!readable.ok()) return readable;
  out = std::make_unique<EmptyCsvSource>(std::move(table), options.collations, data);
  return Status::Ok();
}

}  // namespace rowmender
