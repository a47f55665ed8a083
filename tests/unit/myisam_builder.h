// Hand-made MyISAM files for the reader tests: index-file headers and the
// blocks of dynamic data files, for damage that a server never writes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "myisam/index_header.h"

namespace rowmender::testing {

using Bytes = std::vector<std::uint8_t>;

inline void StoreBe(Bytes& out, std::size_t offset, std::uint64_t value, std::size_t width) {
  if (out.size() < offset + width) out.resize(offset + width, 0);
  for (std::size_t i = 0; i < width; ++i) {
    out[offset + i] = static_cast<std::uint8_t>(value >> (8 * (width - 1 - i)));
  }
}

inline void AppendBe(Bytes& out, std::uint64_t value, std::size_t width) {
  StoreBe(out, out.size(), value, width);
}

struct MyiSpec {
  std::uint16_t options = 0;  // 1: dynamic records, 4: compressed
  std::uint32_t packedRecordLength = 0;
  std::uint32_t minPackedLength = 0;
  std::uint16_t packBits = 0;
  std::uint8_t uniqueCount = 0;
  // Segment counts of the keys written before the descriptors.
  std::vector<std::uint8_t> keySegments;
  std::vector<MyisamColumn> fields;
  std::size_t fileLength = 1024;
};

// A header at offset 0, the base information right after it, then the key
// definitions, unique constraints and field descriptors.
inline Bytes BuildMyi(const MyiSpec& spec) {
  constexpr std::size_t kBase = 24;
  Bytes out(kBase, 0);
  StoreBe(out, 0, 0xFEFE0701, 4);
  StoreBe(out, 4, spec.options, 2);
  StoreBe(out, 10, 100, 2);
  StoreBe(out, 12, kBase, 2);
  out[19] = spec.uniqueCount;
  Bytes base(100, 0);
  StoreBe(base, 0, 1024, 8);
  StoreBe(base, 44, spec.packedRecordLength, 4);
  StoreBe(base, 48, spec.packedRecordLength, 4);
  StoreBe(base, 52, spec.minPackedLength, 4);
  StoreBe(base, 64, spec.fields.size(), 4);
  StoreBe(base, 72, 6, 1);
  base[74] = static_cast<std::uint8_t>(spec.keySegments.size());
  StoreBe(base, 76, spec.packBits, 2);
  out.insert(out.end(), base.begin(), base.end());
  for (std::uint8_t segments : spec.keySegments) {
    Bytes key(12 + 18u * segments, 0x5A);
    key[0] = segments;
    out.insert(out.end(), key.begin(), key.end());
  }
  for (int u = 0; u < spec.uniqueCount; ++u) {
    AppendBe(out, 1, 2);
    AppendBe(out, 0, 2);
    out.insert(out.end(), 18, 0x5A);
  }
  for (const MyisamColumn& field : spec.fields) {
    AppendBe(out, static_cast<std::uint16_t>(field.fieldType), 2);
    AppendBe(out, field.fieldLength, 2);
    AppendBe(out, field.nullBit, 1);
    AppendBe(out, field.nullPosition, 2);
  }
  StoreBe(out, 6, out.size(), 2);
  if (out.size() < spec.fileLength) out.resize(spec.fileLength, 0);
  return out;
}

// Blocks are laid out as the server lays them out: each starts and ends on
// a multiple of 4 bytes and is at least 20 bytes long.
inline constexpr std::size_t kShortestBlock = 20;

// A whole record in one block (type 3, its unused space after the data).
inline Bytes WholeBlock(const Bytes& data) {
  Bytes block{3};
  AppendBe(block, data.size(), 2);
  std::size_t size = std::max(kShortestBlock, 4 + data.size());
  size += (4 - size % 4) % 4;
  const std::size_t unused = size - 4 - data.size();
  block.push_back(static_cast<std::uint8_t>(unused));
  block.insert(block.end(), data.begin(), data.end());
  block.insert(block.end(), unused, 0);
  return block;
}

// The first block of a split record (type 5). Its block holds exactly its
// data: 13 header bytes plus data of 7, 11, 15, ... bytes.
inline Bytes FirstOfChain(std::size_t totalLength, const Bytes& data, std::uint64_t next) {
  Bytes block{5};
  AppendBe(block, totalLength, 2);
  AppendBe(block, data.size(), 2);
  AppendBe(block, next, 8);
  block.insert(block.end(), data.begin(), data.end());
  return block;
}

// A middle block of a split record (type 11): 11 header bytes plus data of
// 9, 13, 17, ... bytes.
inline Bytes MiddleOfChain(const Bytes& data, std::uint64_t next) {
  Bytes block{11};
  AppendBe(block, data.size(), 2);
  AppendBe(block, next, 8);
  block.insert(block.end(), data.begin(), data.end());
  return block;
}

// The last block of a split record (type 9, its unused space after the
// data).
inline Bytes LastOfChain(const Bytes& data) {
  Bytes block = WholeBlock(data);
  block[0] = 9;
  return block;
}

// A deleted block of `length` bytes (a multiple of 4, at least 20).
inline Bytes DeletedBlock(std::size_t length) {
  Bytes block{0};
  AppendBe(block, length, 3);
  block.resize(length, 0xFF);
  return block;
}

inline void Append(Bytes& file, const Bytes& block) {
  file.insert(file.end(), block.begin(), block.end());
}

}  // namespace rowmender::testing
