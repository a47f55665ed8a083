// One field of an InnoDB record as a cell.
//
// InnoDB keeps most values in the bytes MySQL writes into a record image;
// the exception is the integer-like types (main type 6: integers, DATE,
// YEAR, ENUM, SET and the pre-5.6 TIME, DATETIME and TIMESTAMP), which it
// stores big-endian with the sign bit inverted for signed types. Such bytes
// are turned back into MySQL's order and decoded like a record image's.
// Long values kept outside the record become references, read on demand.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "base/bytes.h"
#include "innodb/inno_column.h"
#include "values/cell.h"
#include "values/column_format.h"
#include "values/field_value.h"

namespace rowmender {

// Integer-like fields (main type 6): reverses the stored big-endian bytes
// into little-endian order and, unless the type is unsigned, inverts the
// sign bit back. Other main types are left alone.
void NormalizeStoredInteger(std::uint32_t mtype, std::uint32_t prtype,
                            std::span<std::uint8_t> bytes);

// Decodes a field whose bytes are `data` (for an externally stored field,
// its local part ending with the reference) into `cell`, by `format` (the
// format of field.column). Never reads outside `data`; bytes cells view
// `data`.
void DecodeInnoCell(const InnoColumn& field, const ColumnFormat& format, ByteView data,
                    bool external, Cell& cell);

// ---- The text of one field in one call ----

struct InnoValueContext {
  ValueOptions options;
  // Save forms: writes the whole value of an externally stored field (given
  // its local part) to a file and returns the file's path, or "".
  std::function<std::string(ByteView local)> exportExternal;
  // The whole value of an externally stored field.
  std::function<std::string(ByteView local)> readExternal;
};

std::string DecodeInnoValue(const InnoColumn& field, ByteView data, bool external,
                            const InnoValueContext& context);

}  // namespace rowmender
