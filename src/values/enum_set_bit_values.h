// ENUM, SET and BIT.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/bytes.h"
#include "definitions/table_definition.h"

namespace rowmender {

// Storage sizes by the number of members.
std::size_t EnumStorageSize(const ColumnDefinition& column);
std::size_t SetStorageSize(const ColumnDefinition& column);

// ENUM: the 1-based `index` into the column's own `values` (nothing when 0
// or outside). SET: the members whose bits are set in `mask`, in list
// order, joined by commas.
void AppendEnumMember(std::string& out, const ColumnDefinition& column, std::uint64_t index);
void AppendSetMembers(std::string& out, const ColumnDefinition& column, std::uint64_t mask);
std::string FormatEnumValue(const ColumnDefinition& column, std::uint64_t index);
std::string FormatSetValue(const ColumnDefinition& column, std::uint64_t mask);

// BIT: the value of the last eight of the big-endian bytes.
std::uint64_t BitValueOf(ByteView bigEndianBytes);
// The low `bitCount` bits (at most 64) as "0" and "1", most significant first.
void AppendBits(std::string& out, std::uint64_t value, std::uint32_t bitCount);
std::string FormatBitValue(ByteView bigEndianBytes, std::uint32_t bitCount);
// Bytes a BIT(bitCount) value takes as a binary string.
std::size_t BitByteCount(std::uint32_t bitCount);

}  // namespace rowmender
