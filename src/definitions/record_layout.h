// What follows from a table's columns and keys once they are known,
// whichever definition they were read from: the columns its unique keys
// cover, and where each column lies in a MyISAM or Aria record image.
#pragma once

#include <cstdint>

#include "definitions/table_definition.h"

namespace rowmender {

// The pointer a MyISAM or Aria record keeps for a BLOB's bytes, after its
// length.
inline constexpr std::uint32_t kBlobPointerSize = 8;

// Marks the columns of the primary key and of the other unique keys.
// Parts naming no column are passed over.
void MarkKeyMembership(TableDefinition& table);

// The binary size of MariaDB's UUID, INET6 and INET4 columns; 0 for every
// other column.
std::uint32_t NamedTypeSize(const ColumnDefinition& column);

// Lays the record image out as the server does for a MyISAM or Aria
// table: records are packed where a BLOB, TEXT or GEOMETRY column is, or
// a VARCHAR unless ROW_FORMAT=FIXED keeps it at its full length, or where
// ROW_FORMAT=DYNAMIC asks for it; the null flags come first (with one bit
// set aside in records of fixed length, and the odd bits of BIT columns
// among them), then the columns in order. Sets the null flag bytes, each
// column's offset, the record length and the offset of every key part.
void LayOutRecordImage(TableDefinition& table);

}  // namespace rowmender
