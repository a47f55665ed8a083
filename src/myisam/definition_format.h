// The record format of a MyISAM table worked out from its definition file
// alone: the row format, base information and field descriptors that the
// server writes into the index file when it creates the table, derived the
// way the server derives them. Read instead of an index file that is
// missing or damaged, and held against an index file to tell whether it
// belongs to the definition.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "definitions/table_definition.h"
#include "myisam/index_header.h"

namespace rowmender {

class ByteSource;

// How a packed record keeps a TIMESTAMP of the 4-byte kind (the one before
// MySQL 5.6): MariaDB from 5.3 on keeps it whole, MySQL (and MariaDB before
// 5.3) leaves out its leading spaces.
enum class TimestampPacking : std::uint8_t { kWhole, kSkipPrespace };

// What the index file says of the records.
struct MyisamFormat {
  std::int32_t rowFormat = kRowFormatFixed;
  MyisamBaseInfo base;
  std::vector<MyisamColumn> columns;
};

// The server's zero_pack(): numbers, dates and times, BIT and SET leave out
// a value that is all zero bytes from a packed record; DECIMAL, CHAR,
// BINARY and ENUM do not.
bool LeavesOutZeros(const ColumnDefinition& column);

// The format the server gives `table` when it creates it, with a record
// pointer of `pointerLength` bytes (0: the length the server picks by
// itself from MAX_ROWS and AVG_ROW_LENGTH, with its default of 6 bytes).
MyisamFormat DeriveMyisamFormat(const TableDefinition& table,
                                TimestampPacking timestamps = TimestampPacking::kWhole,
                                std::uint8_t pointerLength = 0);

// The ways the server that wrote `table` may have packed its TIMESTAMP
// columns, the likelier first; one way where the server is known or no
// packed TIMESTAMP of the old kind is there.
std::vector<TimestampPacking> TimestampPackings(const TableDefinition& table);

// Why the index-file header `header` cannot have been written for `table`
// by the server, as a phrase ("its field descriptors do not add up to its
// record length"); empty when it can. `compressedData`: the data file
// begins as myisampack begins the files it packs.
std::string IndexHeaderProblem(const MyisamIndexHeader& header, const TableDefinition& table,
                               bool compressedData);

// True when `firstBytes` (the first bytes of a data file) are the header
// that myisampack writes at the start of a compressed data file.
bool IsCompressedDataFile(ByteView firstBytes);
inline constexpr std::size_t kCompressedMagicLength = 3;

// How well a format fits the records of a dynamic data file.
struct RecordProbe {
  std::size_t tried = 0;     // records found from the start, whole in one block
  std::size_t unpacked = 0;  // of them, those that unpack exactly
};

// Tries the first `limit` records of a dynamic data file (those whole in
// one block, found block by block from the start of the file up to the
// first damage) with `format`.
RecordProbe ProbeDynamicRecords(const ByteSource& source, const TableDefinition& table,
                                const MyisamFormat& format, std::size_t limit);

}  // namespace rowmender
