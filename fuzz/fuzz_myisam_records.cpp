// Feeds arbitrary bytes to the MyISAM record scans: the first bytes choose
// the row format and the field descriptors of a table with columns of many
// types, the rest is the data file. Every page must start after the one
// before it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "app/application_state.h"
#include "fuzz_formats.h"
#include "myisam/record_scan.h"

namespace {

using namespace rowmender;

ColumnDefinition Column(std::uint32_t type, std::uint32_t length, std::uint32_t offset,
                        std::uint16_t flags = kPackNullable, std::uint32_t charset = 8) {
  ColumnDefinition column;
  column.typeCode = type;
  column.length = length;
  column.recordOffset = offset;
  column.packFlags = flags;
  column.nullable = (flags & kPackNullable) != 0;
  column.charsetId = charset;
  return column;
}

TableDefinition MakeTable(bool packed) {
  TableDefinition table;
  table.tableOptions = packed ? 1 : 0;
  table.storageEngine = kEngineMyIsam;
  std::uint32_t offset = 4;  // after the null flags
  const auto add = [&](ColumnDefinition column) {
    column.recordOffset = offset;
    offset += static_cast<std::uint32_t>(FixedValueSize(column));
    if (column.typeCode == kTypeBlob || column.typeCode == kTypeGeometry) offset += 10;
    table.columns.push_back(std::move(column));
  };
  add(Column(kTypeLong, 11, 0, kPackSigned));
  add(Column(kTypeVarchar, 20, 0));
  add(Column(kTypeVarchar, 300, 0, kPackNullable, 45));
  add(Column(kTypeString, 5, 0, kPackNullable, 33));
  add(Column(kTypeBit, 12, 0));
  add(Column(kTypeBit, 3, 0));
  ColumnDefinition decimal = Column(kTypeNewDecimal, 12, 0);
  decimal.precision = 10;
  decimal.scale = 2;
  add(decimal);
  add(Column(kTypeDatetime2, 26, 0));
  add(Column(kTypeTime, 14, 0));
  add(Column(kTypeTimestamp, 22, 0));
  ColumnDefinition choice = Column(kTypeEnum, 1, 0);
  choice.values = {"a", "b"};
  add(choice);
  ColumnDefinition set = Column(kTypeSet, 1, 0);
  set.values = {"x", "y", "z"};
  add(set);
  add(Column(kTypeDouble, 22, 0));
  add(Column(kTypeBlob, 65535, 0, kPackNullable, 63));
  add(Column(kTypeGeometry, 0, 0));
  table.recordLength = offset;
  return table;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ByteView input(data, size);
  if (size < 10) return 0;
  const std::int32_t rowFormat = input[0] % 3;
  const std::size_t descriptorCount = input[1] % 24;
  MyisamBaseInfo base;
  base.minPackedLength = input[2];
  base.packBits = input[3] % 4;
  base.packedRecordLength = Be16(input, 4);
  base.maxPackedLength = Be16(input, 6);
  std::size_t pos = 8;
  std::vector<MyisamColumn> descriptors;
  for (std::size_t i = 0; i < descriptorCount && size - pos >= MyisamColumn::kSize; ++i) {
    descriptors.push_back(MyisamColumn::DecodeFrom(input.subspan(pos, MyisamColumn::kSize)));
    pos += MyisamColumn::kSize;
  }
  const ByteView file = input.subspan(pos);

  const TableDefinition table = MakeTable(rowFormat == kRowFormatDynamic);
  const MemorySource source(file);
  MyisamCursor cursor(table, rowFormat, base, descriptors, source, nullptr, 256);
  RowBuffer row;
  std::uint64_t last = 0;
  std::size_t rows = 0;
  while (cursor.Next(row)) {
    fuzzing::FormatRowEveryWay(row, cursor.Formats());
    const std::uint64_t position = cursor.Position().offset;
    if (position <= last) std::abort();  // a scan never goes back
    last = position;
    if (++rows > file.size() + 1) std::abort();
  }
  // Going back to a position read before gives the same row again.
  cursor.Seek(PageStart{0, 0});
  (void)cursor.Next(row);
  (void)cursor.DecodeDynamicRecord(file, row, true);
  cursor.DecodeFixedRecord(file, row);
  fuzzing::FormatRowEveryWay(row, cursor.Formats());
  return 0;
}
