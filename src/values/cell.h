// Rows as typed cells.
//
// A reader decodes a record into a RowBuffer: one Cell per column of the
// table definition, holding the value itself (a number, the parts of a
// date, the UTC seconds of a TIMESTAMP, the bytes of a string with the
// column telling their character set), never its text. The formatters turn
// cells into the texts each output needs. NULL is a state of the cell.
//
// Bytes in a cell are a view into the reader's buffers: valid until the
// reader's next call. A RowBuffer is reused from row to row, so reading a
// table allocates nothing per value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "base/bytes.h"

namespace rowmender {

enum class CellKind : std::uint8_t {
  // No value could be read for the column (its bytes lie outside the
  // record or the page): shown empty, saved as NULL or the column default.
  kMissing,
  kNull,
  kSigned,      // integers of signed columns: `integer`
  kUnsigned,    // integers of unsigned columns: `unsignedInteger`
  kFloat,       // `real32`
  kDouble,      // `real64`
  kDecimal,     // binary DECIMAL, its stored bytes
  kOldDecimal,  // the pre-5.0 DECIMAL: its digits as stored text
  kYear,        // `unsignedInteger`: the year, 0 for the zero year
  kDate,        // `time`: year, month, day
  kTime,        // `time`: sign, hours (beyond 24), minutes, seconds, microseconds
  kDateTime,    // `time`: all parts
  kTimestamp,   // `unsignedInteger` seconds since 1970-01-01 UTC, `time.microsecond`;
                // 0 and 0 is the zero timestamp
  kBit,         // `unsignedInteger`
  kEnum,        // `unsignedInteger`: the 1-based member, 0 for the empty value
  kSet,         // `unsignedInteger`: one bit per member
  kText,        // `bytes` in the column's character set
  kBinary,      // `bytes` of a binary string, or of a JSON column: MySQL's binary JSON
  kGeometry,    // `bytes`: SRID and WKB, as the server stores them
  // Stored off-page: `bytes` is the local part, ending with the reference
  // to the rest; the row's LongValueReader reads the whole value.
  kExternal,
};

struct TemporalParts {
  std::int32_t year = 0;
  std::uint8_t month = 0;
  std::uint8_t day = 0;
  bool negative = false;  // TIME only
  std::uint32_t hour = 0;
  std::uint8_t minute = 0;
  std::uint8_t second = 0;
  std::uint32_t microsecond = 0;
  // Digits the preview writes the year with at least (each encoding has
  // always been shown its own way).
  std::uint8_t previewYearWidth = 4;
};

struct Cell {
  CellKind kind = CellKind::kMissing;
  std::int64_t integer = 0;
  std::uint64_t unsignedInteger = 0;
  float real32 = 0;
  double real64 = 0;
  TemporalParts time;
  ByteView bytes;

  bool IsNull() const { return kind == CellKind::kNull; }
  void SetNull() { kind = CellKind::kNull; }
  void SetMissing() { kind = CellKind::kMissing; }
  void SetSigned(std::int64_t value) {
    kind = CellKind::kSigned;
    integer = value;
  }
  void SetUnsigned(CellKind unsignedKind, std::uint64_t value) {
    kind = unsignedKind;
    unsignedInteger = value;
  }
  void SetBytes(CellKind bytesKind, ByteView value) {
    kind = bytesKind;
    bytes = value;
  }
  void SetTemporal(CellKind temporalKind, const TemporalParts& parts) {
    kind = temporalKind;
    time = parts;
  }
};

// Reads the whole of a value stored off-page, given its local part.
class LongValueReader {
 public:
  struct Result {
    std::uint64_t bytes = 0;     // handed to the sink, local prefix included
    std::uint64_t expected = 0;  // what the reference promised, local prefix included
    bool complete = false;       // the chain held all of it
  };

  virtual ~LongValueReader() = default;
  // Hands the value to `sink` part by part, in order.
  virtual Result Read(ByteView local, const std::function<void(ByteView)>& sink) const = 0;
};

// One decoded row.
struct RowBuffer {
  std::vector<Cell> cells;
  // The record carries the storage engine's delete mark.
  bool deleted = false;
  // The record was read from a damaged page (one that failed its checksum,
  // or whose records were found one by one): its values may be damaged.
  bool fromDamagedPage = false;
  // Reads the row's kExternal cells; set by readers that have them.
  const LongValueReader* longValues = nullptr;

  // Makes `count` cells, each missing until the reader fills it.
  void Reset(std::size_t count) {
    cells.resize(count);
    for (Cell& cell : cells)
      cell.kind = CellKind::kMissing;
    deleted = false;
    fromDamagedPage = false;
  }
};

}  // namespace rowmender
