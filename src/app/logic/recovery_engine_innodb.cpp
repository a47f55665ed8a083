// The InnoDB operations of the reader object: thin members over the page,
// record, dictionary, scan and value classes of the InnoDB reader, working on the
// engine's files, page counts and column lists.
#include "app/application_state.h"
#include "app/logic/recovery_engine.h"
#include "innodb/btree.h"
#include "innodb/column_value.h"
#include "innodb/external_value.h"
#include "innodb/record_columns.h"
#include "innodb/table_scan.h"

namespace rowmender {

namespace {

// The page count the engine keeps for `file`.
std::uint64_t PageCountFor(const RecoveryEngine& engine, const DataFile& file) {
  return &file == &engine.systemTablespaceFile ? engine.systemPageCount
                                               : engine.tablespacePageCount;
}

InnoValueContext ValueContextFor(RecoveryEngine& engine, const PageSource& source) {
  InnoValueContext context;
  context.options = ValueOptionsFor(engine.app);
  context.options.longValueSink = nullptr;
  CTarnSalvorProjApp& app = engine.app;
  context.exportExternal = [&app, &source](ByteView local) {
    return ExportExternalValue(source, local, app.saveFolder, app.blobFileCounter);
  };
  context.readExternal = [&source](ByteView local) { return ExternalValueBytes(source, local); };
  return context;
}

}  // namespace

PageHeaders RecoveryEngine::ReadPageHeaders(const DataFile& file, std::uint32_t page) const {
  std::vector<std::uint8_t> bytes(FilHeader::kSize + IndexPageHeader::kSize, 0);
  if (file.IsOpen()) file.ReadAt(PageOffset(page), bytes);
  return PageHeaders::DecodeFrom(bytes);
}

PageBuffer RecoveryEngine::ReadPage(const DataFile& file, std::uint32_t page) const {
  PageBuffer buffer = NewPageBuffer();
  FilePageSource(file, PageCountFor(*this, file)).Read(page, buffer);
  return buffer;
}

bool RecoveryEngine::OpenTablespace(const std::string& path) {
  tablespaceFile.Close();
  tablespacePageCount = 0;
  if (!tablespaceFile.Open(path)) return false;
  tablespacePageCount = PageCountOf(tablespaceFile.Size());
  return true;
}

bool RecoveryEngine::BuildColumnsFromDefinition() {
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    pendingColumns.push_back(
        InnoColumnFromDefinition(table.columns[i], static_cast<std::uint32_t>(i), app.collations));
  }
  ArrangeRecordColumns();
  return true;
}

bool RecoveryEngine::BuildColumnsFromDictionary(std::uint64_t tableId) {
  for (auto& field : ColumnsFromDictionary(dictColumns, tableId, table.columns)) {
    pendingColumns.push_back(std::move(field));
  }
  ArrangeRecordColumns();
  return true;
}

void RecoveryEngine::ArrangeRecordColumns() {
  recordColumns = rowmender::ArrangeRecordColumns(pendingColumns, table);
}

std::uint32_t RecoveryEngine::ClusterKeyLength(ByteView page, std::uint16_t origin) const {
  return rowmender::ClusterKeyLength(page, origin, recordColumns);
}

std::uint32_t RecoveryEngine::FindFirstLeafPage(const DataFile& file, std::uint32_t root) const {
  return rowmender::FindFirstLeafPage(FilePageSource(file, PageCountFor(*this, file)), root,
                                      recordColumns);
}

std::uint32_t RecoveryEngine::FindFirstLeafPageRedundant(std::uint32_t root) const {
  return rowmender::FindFirstLeafPageRedundant(
      FilePageSource(systemTablespaceFile, systemPageCount), root);
}

bool RecoveryEngine::LoadSystemDictionary(const std::string& path) {
  CloseSystemDictionary();
  if (!systemTablespaceFile.Open(path)) return false;
  systemPageCount = PageCountOf(systemTablespaceFile.Size());
  ReadSystemDictionary(FilePageSource(systemTablespaceFile, systemPageCount), app.collations,
                       dictTables, dictColumns, dictIndexes);
  return true;
}

void RecoveryEngine::CloseSystemDictionary() {
  systemTablespaceFile.Close();
  systemPageCount = 0;
  dictTables.clear();
  dictColumns.clear();
  dictIndexes.clear();
}

std::uint64_t RecoveryEngine::FindTableId(std::string_view name) const {
  return FindTableIdIn(dictTables, name);
}

std::uint32_t RecoveryEngine::FindClusteredIndexRoot(std::uint64_t tableId) const {
  return FindClusteredIndexRootIn(dictIndexes, tableId);
}

bool RecoveryEngine::ReadRecordWindow(const DataFile& source, std::uint32_t startPage,
                                      std::uint16_t startOffset) {
  moreRows = false;
  const FilePageSource pages(source, PageCountFor(*this, source));
  const WalkForm form =
      &source == &systemTablespaceFile ? WalkForm::kSystemTablespace : WalkForm::kOwnTablespace;
  const InnoValueContext context = ValueContextFor(*this, pages);
  RecordWindowReader reader(pages, form, recordColumns, table.columns.size(), context);
  const RecordWindow window =
      reader.Read(startPage, startOffset, app.resumeFromOffset, rows, kRowsPerPage);
  if (window.moreRows) {
    moreRows = true;
    if (!scanBackward && window.next) pageStarts.push_back(*window.next);
  }
  return true;
}

std::string RecoveryEngine::ExportExternalColumn(ByteView local) {
  const DataFile& source = readingTablespace ? tablespaceFile : systemTablespaceFile;
  return ExportExternalValue(FilePageSource(source, PageCountFor(*this, source)), local,
                             app.saveFolder, app.blobFileCounter);
}

std::string RecoveryEngine::DecodeColumnValue(const InnoColumn& field, ByteView data,
                                              bool external) {
  const DataFile& source = readingTablespace ? tablespaceFile : systemTablespaceFile;
  const FilePageSource pages(source, PageCountFor(*this, source));
  return DecodeInnoValue(field, data, external, ValueContextFor(*this, pages));
}

}  // namespace rowmender
