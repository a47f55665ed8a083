// The bulk export stopped from outside: what it had finished stays whole,
// what it had not begun is counted, and no file of an unfinished table is
// left behind.
#include "export/table_export.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "catalogue/data_folder_reads.h"
#include "export/save/save_objects.h"
#include "support/table_reads.h"
#include "support/test_paths.h"

namespace rowmender {
namespace {

namespace fs = std::filesystem;

std::vector<SaveObject> ShopTables() {
  std::vector<SaveObject> tables;
  for (SaveObject& object : DataFolderObjects(testing::SampleDataFolder(), nullptr)) {
    if (object.kind == SaveObjectKind::kTable && object.databaseName == "shop") {
      tables.push_back(std::move(object));
    }
  }
  return tables;
}

TEST(TableExportStop, TablesNotBegunAreLeftOutAndCounted) {
  const DataFolderReads reads =
      OpenDataFolderReads(testing::SampleDataFolder(), "", true, &testing::ServerCollations());
  for (const ExportFormat format : {ExportFormat::kSql, ExportFormat::kTsv}) {
    testing::ScratchFolder scratch;
    ExportControl control;
    ExportRequest request;
    request.tables = ShopTables();
    ASSERT_GT(request.tables.size(), 2u);
    request.format = format;
    request.folder = scratch.Path().string();
    request.read = reads.Options();
    request.control = &control;
    TableExporter exporter;
    std::vector<std::string> done;
    // Stop is asked for once the first table is written.
    exporter.tableDone = [&](const TableExportResult& result) {
      done.push_back(result.table->name);
      control.stop = true;
    };
    const ExportSummary summary = exporter.Run(request);
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(summary.tables, 1u);
    EXPECT_EQ(summary.stopped, request.tables.size() - 1);
    EXPECT_FALSE(summary.Complete());
    EXPECT_EQ(control.tablesDone.load(), 1u);
    EXPECT_EQ(control.rows.load(), summary.rows + summary.deletedRows);
    // Only the finished table's files are there.
    for (const auto& [path, text] : testing::FilesBelow(scratch.Path())) {
      EXPECT_EQ(fs::path(path).stem().string().rfind(done.front(), 0), 0u) << path;
    }
  }
}

TEST(TableExportStop, AStopBeforeTheStartWritesNothing) {
  const DataFolderReads reads =
      OpenDataFolderReads(testing::SampleDataFolder(), "", true, &testing::ServerCollations());
  testing::ScratchFolder scratch;
  ExportControl control;
  control.stop = true;
  ExportRequest request;
  request.tables = ShopTables();
  request.folder = (scratch.Path() / "out").string();
  request.read = reads.Options();
  request.control = &control;
  const ExportSummary summary = TableExporter().Run(request);
  EXPECT_EQ(summary.tables, 0u);
  EXPECT_EQ(summary.stopped, request.tables.size());
  EXPECT_FALSE(fs::exists(request.folder));
}

}  // namespace
}  // namespace rowmender
