#include "app/logic/recovery_engine.h"

#include <utility>

namespace rowmender {

namespace {

// Definition files are small; anything past this is not a definition the
// server would write and is read only up to here.
constexpr std::uint64_t kLargestDefinitionFile = 16u << 20;

}  // namespace

bool RecoveryEngine::ReadTableDefinition(const std::string& path) {
  frmFile.Close();
  if (!frmFile.Open(path)) {
    lastDefinitionStatus = DefinitionStatus::kMissing;
    return true;
  }
  std::vector<std::uint8_t> bytes(
      static_cast<std::size_t>(std::min(frmFile.Size(), kLargestDefinitionFile)));
  bytes.resize(frmFile.ReadAt(0, bytes));

  TableDefinition parsed;
  DefinitionProgress progress;
  lastDefinitionStatus = ParseTableDefinition(bytes, parsed, progress);
  if (progress.headerAccepted) table.storageEngine = progress.storageEngine;
  if (progress.formInfoRead) app.newTemporalFormat = progress.newTemporalFormat;

  switch (lastDefinitionStatus) {
    case DefinitionStatus::kMissing:
    case DefinitionStatus::kNotADefinition:
      frmFile.Close();
      return true;
    case DefinitionStatus::kCorrupt:
    case DefinitionStatus::kUnsupported:
      return false;  // the file stays open until the next read
    case DefinitionStatus::kRead:
      break;
  }
  for (auto& column : parsed.columns)
    table.columns.push_back(std::move(column));
  for (auto& value : parsed.intervalValues)
    table.intervalValues.push_back(std::move(value));
  for (auto& key : parsed.keys)
    table.keys.push_back(std::move(key));
  table.recordLength = parsed.recordLength;
  table.nullFlagBytes = parsed.nullFlagBytes;
  table.tableCharsetId = parsed.tableCharsetId;
  table.formatVersion = parsed.formatVersion;
  table.mysqlVersionId = parsed.mysqlVersionId;
  table.tableOptions = parsed.tableOptions;
  table.nullFlagsFirst = parsed.nullFlagsFirst;
  table.checks = std::move(parsed.checks);
  table.systemTime = parsed.systemTime;
  table.applicationTime = parsed.applicationTime;
  table.partitionEngine = std::move(parsed.partitionEngine);
  table.engineOptions = std::move(parsed.engineOptions);
  frmFile.Close();
  return true;
}

const SystemTablespace* RecoveryEngine::SystemTablespaceAt(const std::string& path) {
  if (path != systemTablespaceTried) {
    systemTablespace.reset();
    systemTablespaceTried = path;
    systemTablespaceProblem.clear();
    const Status status = SystemTablespace::Open(path, &app.collations, systemTablespace);
    if (!status.ok()) {
      systemTablespace.reset();
      systemTablespaceProblem = status.message();
    }
  }
  return systemTablespace.get();
}

void RecoveryEngine::CloseSystemTablespace() {
  systemTablespace.reset();
  systemTablespaceTried.clear();
  systemTablespaceProblem.clear();
}

void RecoveryEngine::TakeDefinition(TableDefinition definition) {
  table = std::move(definition);
  lastDefinitionStatus = DefinitionStatus::kRead;
  // Servers that write definitions anywhere but in .frm files write the
  // temporal types in their 5.6 forms.
  app.newTemporalFormat = true;
}

void RecoveryEngine::ClearTableLists() {
  table.columns.clear();
  table.intervalValues.clear();
  table.keys.clear();
  rows.clear();
}

}  // namespace rowmender
