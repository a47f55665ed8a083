// The MyISAM operations of the reader object, over its open files.
#include <algorithm>

#include "definitions/recovery_engine.h"

namespace rowmender {

bool RecoveryEngine::ReadIndexHeader(const std::string& path) {
  indexFile.Close();
  if (!indexFile.Open(path)) return false;
  const std::uint64_t fileLength = indexFile.Size();
  if (fileLength <= MyisamIndexHeader::kHeaderSize) {
    indexFile.Close();
    return false;
  }
  const std::vector<std::uint8_t> bytes = indexFile.ReadBlock(0, IndexHeaderReadSize(fileLength));
  indexFile.Close();

  MyisamIndexHeader header;
  if (DecodeIndexHeader(bytes, fileLength, header) != IndexHeaderStatus::kAccepted) return false;
  rowFormat = header.rowFormat;
  if (header.baseInfoRead) {
    myisamBase = header.base;
    myisamColumns = std::move(header.columns);
  }
  return true;
}

void RecoveryEngine::ReadFixedRecord(std::uint64_t position) {
  const MyisamTableScan scan(table, rowFormat, myisamBase, myisamColumns, ValueOptionsFor(app));
  const std::uint64_t stride = scan.FixedStride(dataFile.Size());
  rows.push_back(
      scan.DecodeFixedRecord(dataFile.ReadBlock(position, static_cast<std::size_t>(stride))));
}

int RecoveryEngine::GetBlockInfo(BlockInfo& info, std::uint64_t position) {
  std::array<std::uint8_t, BlockInfo::kHeaderSize> header{};
  dataFile.ReadAt(position, header);
  return rowmender::GetBlockInfo(info, header, position);
}

std::size_t RecoveryEngine::UnpackDynamicRecord(ByteView record) {
  const MyisamTableScan scan(table, rowFormat, myisamBase, myisamColumns, ValueOptionsFor(app));
  DecodedRow row;
  if (!scan.DecodeDynamicRecord(record, row)) return 0;
  rows.push_back(std::move(row));
  return record.size();
}

void RecoveryEngine::ReadMyIsamPage(std::uint64_t startOffset) {
  if (rows.size() >= kRowsPerPage || !dataFile.IsOpen()) return;
  const MyisamTableScan scan(table, rowFormat, myisamBase, myisamColumns, ValueOptionsFor(app));
  const DataFileSource source(dataFile);
  BufferedReader reader(source);
  const PageScanResult result =
      scan.ReadPage(reader, startOffset, kRowsPerPage - rows.size(), rows);
  if (result.stoppedAtLimit) {
    moreRows = true;
    if (!scanBackward) pageStarts.push_back(PageStart{0, result.nextStart});
  }
}

}  // namespace rowmender
