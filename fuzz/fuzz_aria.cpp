// Feeds arbitrary bytes to the Aria readers: as an index file (.MAI) whose
// header is decoded and held against a table; as a data file of PAGE rows
// scanned page by page; and as FIXED and DYNAMIC records read with the
// format the server gives the table. The last byte chooses the block size
// and what the format says of transactions and row checksums, so that real
// data files keep their pages where they are. Every scan ends, never goes
// back, and a position it handed out reads again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "aria/aria_format.h"
#include "aria/page_scan.h"
#include "definitions/column_types.h"
#include "fuzz_formats.h"
#include "myisam/record_scan.h"
#include "values/image_values.h"

namespace {

using namespace rowmender;

ColumnDefinition Column(std::uint32_t type, std::uint32_t length, bool nullable,
                        std::uint32_t charset = 8) {
  ColumnDefinition column;
  column.typeCode = type;
  column.length = length;
  column.nullable = nullable;
  column.packFlags = nullable ? kPackNullable : 0;
  column.charsetId = charset;
  return column;
}

// A table with a column of each kind the PAGE format stores apart.
TableDefinition MakeTable() {
  TableDefinition table;
  table.storageEngine = kEngineAria;
  table.tableOptions = 1;  // packed records: null flags from bit 0
  std::uint32_t nullable = 0;
  std::vector<ColumnDefinition> columns;
  columns.push_back(Column(kTypeLong, 11, false));
  columns.push_back(Column(kTypeVarchar, 20, true));
  columns.push_back(Column(kTypeVarchar, 300, true));
  columns.push_back(Column(kTypeString, 5, true));
  ColumnDefinition decimal = Column(kTypeNewDecimal, 12, true);
  decimal.precision = 10;
  decimal.scale = 2;
  columns.push_back(decimal);
  columns.push_back(Column(kTypeDatetime2, 19, false));
  columns.push_back(Column(kTypeLongLong, 20, true));
  columns.push_back(Column(kTypeBlob, 65535, true, 63));
  columns.push_back(Column(kTypeMediumBlob, 16777215, false, 63));
  for (const ColumnDefinition& column : columns)
    nullable += column.nullable ? 1 : 0;
  table.nullFlagBytes = (nullable + 7) / 8;
  std::uint32_t offset = table.nullFlagBytes + 1;  // 1-based
  for (ColumnDefinition& column : columns) {
    column.recordOffset = offset;
    const std::size_t size = IsBlobOrGeometryType(column.typeCode)
                                 ? (column.typeCode == kTypeBlob ? 2 : 3) + 8
                                 : FixedValueSize(column);
    offset += static_cast<std::uint32_t>(size);
    table.columns.push_back(column);
  }
  table.recordLength = offset - 1;
  KeyDefinition primary;
  primary.name = "PRIMARY";
  primary.unique = true;
  primary.parts.push_back(KeyPart{1, 0, 4});
  table.keys.push_back(primary);
  return table;
}

void Scan(TableCursor& cursor, std::size_t limit) {
  RowBuffer row;
  std::vector<PageStart> positions;
  PageStart last = cursor.Position();
  std::size_t rows = 0;
  while (cursor.Next(row)) {
    fuzzing::FormatRowEveryWay(row, cursor.Formats());
    if (positions.size() < 8) positions.push_back(last);
    const PageStart now = cursor.Position();
    if (now.pageNumber < last.pageNumber ||
        (now.pageNumber == last.pageNumber && now.offset <= last.offset)) {
      std::abort();  // a scan never goes back
    }
    last = now;
    if (++rows > limit) std::abort();
  }
  for (const PageStart& position : positions) {
    cursor.Seek(position);
    if (!cursor.Next(row)) std::abort();  // the row that followed it is there
    fuzzing::FormatRowEveryWay(row, cursor.Formats());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  static const TableDefinition table = MakeTable();
  const std::uint8_t choice = data[size - 1];
  const ByteView file(data, size - 1);

  AriaIndexHeader header;
  if (DecodeAriaIndexHeader(file, file.size(), header) == AriaHeaderStatus::kAccepted) {
    (void)AriaHeaderProblem(header, table);
  }

  AriaFormat page = DeriveAriaFormat(table, AriaRecordType::kPage, choice & 1 ? 1024 : 8192);
  page.transactional = (choice & 2) != 0;
  if (choice & 4) page.options ^= 0x0020;  // a checksum byte in each row
  const MemorySource source(file);
  {
    AriaPageCursor cursor(table, page, source, nullptr);
    // At most a row per directory entry and per byte of free space.
    Scan(cursor, file.size() + 1);
  }
  for (const AriaRecordType type : {AriaRecordType::kFixed, AriaRecordType::kDynamic}) {
    const AriaFormat format = DeriveAriaFormat(table, type);
    const std::vector<MyisamColumn> descriptors = MyisamDescriptorsOf(format);
    MyisamCursor cursor(table, type == AriaRecordType::kFixed ? kRowFormatFixed : kRowFormatDynamic,
                        MyisamBaseOf(format), descriptors, source, nullptr, 4096);
    RowBuffer row;
    std::size_t rows = 0;
    while (cursor.Next(row)) {
      fuzzing::FormatRowEveryWay(row, cursor.Formats());
      if (++rows > file.size() + 1) std::abort();
    }
  }
  return 0;
}
