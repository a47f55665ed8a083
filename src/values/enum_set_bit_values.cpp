#include "values/enum_set_bit_values.h"

#include <algorithm>

namespace rowmender {

std::size_t EnumStorageSize(const ColumnDefinition& column) {
  constexpr std::size_t kOneByteMembers = 255;
  return column.values.size() > kOneByteMembers ? 2 : 1;
}

std::size_t SetStorageSize(const ColumnDefinition& column) {
  const std::size_t bytes = (column.values.size() + 7) / 8;
  if (bytes == 0) return 1;
  return bytes > 4 ? 8 : bytes;
}

void AppendEnumMember(std::string& out, const ColumnDefinition& column, std::uint64_t index) {
  if (index == 0 || index > column.values.size()) return;
  out += column.values[static_cast<std::size_t>(index - 1)];
}

void AppendSetMembers(std::string& out, const ColumnDefinition& column, std::uint64_t mask) {
  const std::size_t members = std::min<std::size_t>(column.values.size(), 64);
  bool first = true;
  for (std::size_t i = 0; i < members; ++i) {
    if (((mask >> i) & 1) == 0) continue;
    if (!first) out.push_back(',');
    first = false;
    out += column.values[i];
  }
}

std::string FormatEnumValue(const ColumnDefinition& column, std::uint64_t index) {
  std::string out;
  AppendEnumMember(out, column, index);
  return out;
}

std::string FormatSetValue(const ColumnDefinition& column, std::uint64_t mask) {
  std::string out;
  AppendSetMembers(out, column, mask);
  return out;
}

std::uint64_t BitValueOf(ByteView bigEndianBytes) {
  const std::size_t used = std::min<std::size_t>(bigEndianBytes.size(), 8);
  return BigEndian(bigEndianBytes, bigEndianBytes.size() - used, used);
}

void AppendBits(std::string& out, std::uint64_t value, std::uint32_t bitCount) {
  constexpr std::uint32_t kMaxBits = 64;
  bitCount = std::min(bitCount, kMaxBits);
  for (std::uint32_t i = bitCount; i-- > 0;) {
    out.push_back(((value >> i) & 1) != 0 ? '1' : '0');
  }
}

std::string FormatBitValue(ByteView bigEndianBytes, std::uint32_t bitCount) {
  std::string out;
  AppendBits(out, BitValueOf(bigEndianBytes), bitCount);
  return out;
}

std::size_t BitByteCount(std::uint32_t bitCount) {
  constexpr std::uint32_t kMaxBits = 64;
  return (std::min(bitCount, kMaxBits) + 7) / 8;
}

}  // namespace rowmender
