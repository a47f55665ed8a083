// Values in the byte order of a MyISAM record image (integers
// little-endian; BIT, binary DECIMAL and the 5.6 temporal encodings
// big-endian, as the server stores them everywhere), decoded into cells.
// InnoDB turns its own integer order into this one and decodes the rest
// here too.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/bytes.h"
#include "definitions/table_definition.h"
#include "values/cell.h"
#include "values/column_format.h"

namespace rowmender {

// Bytes a value of the column takes in a fixed-length MyISAM record image
// (for VARCHAR the length prefix and the `length` bytes; for a BIT kept
// partly among the null flags only its whole bytes). 0 for BLOB, TEXT and
// GEOMETRY, whose record part is a length and a pointer.
std::size_t FixedValueSize(const ColumnDefinition& column);

// Bytes of the length prefix of a VARCHAR in a record image (1 or 2).
std::size_t VarcharPrefixSize(const ColumnDefinition& column);

// Decodes one value into `cell`. `bytes` are the value's own bytes: for
// VARCHAR without the length prefix, for BLOB, TEXT and GEOMETRY the data,
// for BIT the whole value big-endian. Missing bytes read as zero; a type
// without a rule gives a missing cell. Text and binary cells view `bytes`.
void DecodeImageValue(const ColumnFormat& format, ByteView bytes, Cell& cell);

// True when `nullBit` is not 0 and set in the null-flag byte at
// `nullPosition` (a position outside `nullFlags` is never set).
bool IsNullFlagSet(ByteView nullFlags, std::uint32_t nullPosition, std::uint8_t nullBit);

}  // namespace rowmender
