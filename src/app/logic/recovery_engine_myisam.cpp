// The MyISAM operations of the reader object, over its open files.
#include <algorithm>

#include "app/logic/recovery_engine.h"
#include "values/value_texts.h"

namespace rowmender {

bool RecoveryEngine::ReadIndexHeader(const std::string& path) {
  indexFile.Close();
  MyisamIndexHeader header;
  if (!ReadIndexFile(path, header)) return false;
  rowFormat = header.rowFormat;
  if (header.baseInfoRead) {
    myisamBase = header.base;
    myisamColumns = std::move(header.columns);
  }
  return true;
}

void RecoveryEngine::ReadFixedRecord(std::uint64_t position) {
  const DataFileSource source(dataFile);
  const MyisamCursor cursor(table, rowFormat, myisamBase, myisamColumns, source, &app.collations);
  const std::uint64_t stride = cursor.FixedStride();
  RowBuffer row;
  cursor.DecodeFixedRecord(dataFile.ReadBlock(position, static_cast<std::size_t>(stride)), row);
  rows.push_back(RowTexts(row, cursor.Formats(), ValueOptionsFor(app)));
}

int RecoveryEngine::GetBlockInfo(BlockInfo& info, std::uint64_t position) {
  std::array<std::uint8_t, BlockInfo::kHeaderSize> header{};
  dataFile.ReadAt(position, header);
  return rowmender::GetBlockInfo(info, header, position);
}

std::size_t RecoveryEngine::UnpackDynamicRecord(ByteView record) {
  const DataFileSource source(dataFile);
  MyisamCursor cursor(table, rowFormat, myisamBase, myisamColumns, source, &app.collations);
  RowBuffer row;
  if (!cursor.DecodeDynamicRecord(record, row)) return 0;
  rows.push_back(RowTexts(row, cursor.Formats(), ValueOptionsFor(app)));
  return record.size();
}

void RecoveryEngine::ReadMyIsamPage(std::uint64_t startOffset) {
  if (rows.size() >= kRowsPerPage || !dataFile.IsOpen()) return;
  const DataFileSource source(dataFile);
  MyisamCursor cursor(table, rowFormat, myisamBase, myisamColumns, source, &app.collations);
  cursor.Seek(PageStart{0, startOffset});
  const ValueOptions options = ValueOptionsFor(app);
  RowBuffer row;
  while (rows.size() < kRowsPerPage && cursor.Next(row)) {
    rows.push_back(RowTexts(row, cursor.Formats(), options));
  }
  if (rows.size() >= kRowsPerPage) {
    moreRows = true;
    if (!scanBackward) pageStarts.push_back(cursor.Position());
  }
}

}  // namespace rowmender
