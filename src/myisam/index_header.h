// The header of a MyISAM index file (.MYI): the row format, the base
// information (record lengths, field count, packing) and one descriptor per
// stored field. The index trees themselves are never read.
//
// All numbers in the index file are big-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/bytes.h"

namespace rowmender {

// Row formats of a MyISAM table.
inline constexpr std::int32_t kRowFormatFixed = 0;
inline constexpr std::int32_t kRowFormatDynamic = 1;
inline constexpr std::int32_t kRowFormatCompressed = 2;

// Field types of a descriptor: how a field is packed in a dynamic record.
enum MyisamFieldType : std::int16_t {
  kFieldNormal = 0,
  kFieldSkipEndSpace = 1,
  kFieldSkipPreSpace = 2,
  kFieldSkipZero = 3,
  kFieldBlob = 4,
  kFieldConstant = 5,
  kFieldInterval = 6,
  kFieldZero = 7,
  kFieldVarchar = 8,
  kFieldCheck = 9,
};

// One stored field, in record order.
struct MyisamColumn {
  static constexpr std::size_t kSize = 7;

  std::int16_t fieldType = kFieldNormal;
  // Bytes the field takes in the fixed record image.
  std::uint16_t fieldLength = 0;
  // 0: the field cannot be NULL.
  std::uint8_t nullBit = 0;
  // Index of the null-flag byte that holds nullBit.
  std::uint16_t nullPosition = 0;

  static MyisamColumn DecodeFrom(ByteView bytes);
};

// The base information block.
struct MyisamBaseInfo {
  static constexpr std::size_t kSize = 100;

  std::uint64_t keyFileStart = 0;
  std::uint64_t maxDataFileLength = 0;
  std::uint64_t maxKeyFileLength = 0;
  std::uint64_t maxRows = 0;
  std::uint64_t reservedRows = 0;
  std::uint32_t meanRowLength = 0;
  std::uint32_t baseRecordLength = 0;
  std::uint32_t packedRecordLength = 0;
  std::uint32_t minPackedLength = 0;
  std::uint32_t maxPackedLength = 0;
  std::uint32_t minBlockLength = 0;
  std::uint32_t fieldCount = 0;
  std::uint32_t packedFieldCount = 0;
  std::uint8_t recordPointerLength = 0;
  std::uint8_t keyPointerLength = 0;
  std::uint8_t keyCount = 0;
  std::uint8_t autoIncrementKey = 0;
  std::uint16_t packBits = 0;
  std::uint16_t blobCount = 0;
  std::uint16_t maxKeyBlockLength = 0;
  std::uint16_t maxKeyLength = 0;
  std::uint16_t extraAllocBytes = 0;
  // Kept as stored.
  std::uint32_t raidInfo = 0;
  std::uint32_t raidChunkSize = 0;

  static MyisamBaseInfo DecodeFrom(ByteView bytes);
};

struct MyisamIndexHeader {
  static constexpr std::size_t kHeaderSize = 24;

  // The file begins with the bytes every MyISAM index file begins with.
  bool knownMagic = false;
  std::uint16_t options = 0;
  std::uint16_t headerLength = 0;
  std::uint16_t basePosition = 0;
  std::uint8_t uniqueCount = 0;
  std::int32_t rowFormat = kRowFormatFixed;
  // False when the base information lies beyond the end of the file.
  bool baseInfoRead = false;
  MyisamBaseInfo base;
  std::vector<MyisamColumn> columns;
};

enum class IndexHeaderStatus {
  kRejected,  // 24 bytes or fewer
  kAccepted,  // row format known; base information and descriptors as far as present
};

// Decodes the header from the first bytes of an index file. `fileLength` is
// the length of the whole file (`bytes` may hold only its beginning); the
// walk over keys, unique constraints and descriptors stops quietly at the
// end of either, and no descriptor is built from bytes that are not there.
IndexHeaderStatus DecodeIndexHeader(ByteView bytes, std::uint64_t fileLength,
                                    MyisamIndexHeader& out);

// How many leading bytes of an index file of `fileLength` bytes hold
// everything DecodeIndexHeader reads.
std::size_t IndexHeaderReadSize(std::uint64_t fileLength);

// Opens the index file at `path` and decodes its header into `header`.
// False when the file cannot be opened, is 24 bytes long or shorter, or its
// header is not accepted.
bool ReadIndexFile(const std::string& path, MyisamIndexHeader& header);

}  // namespace rowmender
