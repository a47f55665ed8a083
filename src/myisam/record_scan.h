// Scans over a MyISAM data file (.MYD): pages of rows from fixed-length
// records, read at a constant stride, and from dynamic records, chains of
// blocks with a header each. The scans read the file through a window of
// large blocks, never one read per column or per block header.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "base/bytes.h"
#include "base/data_file.h"
#include "definitions/table_definition.h"
#include "myisam/index_header.h"
#include "myisam/record_image.h"
#include "values/field_value.h"

namespace rowmender {

// ---- Reading the data file ----

// Positioned reads of a file's bytes: a data file, or bytes in memory.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t Size() const = 0;
  // Reads up to out.size() bytes at `offset`; the rest of `out` is zeroed.
  virtual void ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const = 0;
};

class DataFileSource final : public ByteSource {
 public:
  explicit DataFileSource(const DataFile& file) : file_(file) {}
  std::uint64_t Size() const override { return file_.Size(); }
  void ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const override {
    file_.ReadAt(offset, out);
  }

 private:
  const DataFile& file_;
};

class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(ByteView bytes) : bytes_(bytes) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  void ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const override;

 private:
  ByteView bytes_;
};

// Reads a source through a window of `windowSize` bytes, so that records
// lying one after the other cost one read per window.
class BufferedReader {
 public:
  static constexpr std::size_t kDefaultWindow = 1u << 20;

  explicit BufferedReader(const ByteSource& source, std::size_t windowSize = kDefaultWindow);

  std::uint64_t Size() const { return size_; }

  // `count` bytes at `offset`, bytes past the end of the file reading as
  // zero. The view stays valid until the next call.
  ByteView Read(std::uint64_t offset, std::size_t count);

 private:
  const ByteSource& source_;
  std::uint64_t size_ = 0;
  std::vector<std::uint8_t> window_;
  std::uint64_t windowStart_ = 0;
  bool windowFilled_ = false;
  std::vector<std::uint8_t> large_;
};

// ---- Dynamic record blocks ----

// Result flags of GetBlockInfo.
inline constexpr int kBlockFirst = 1;
inline constexpr int kBlockLast = 2;
inline constexpr int kBlockDeleted = 4;
// A type byte no block has, or a deleted block of impossible length.
inline constexpr int kBlockError = 8;
// A first block where a continuation was expected, or the other way round.
inline constexpr int kBlockSyncError = 16;

// The decoded header of one block.
struct BlockInfo {
  static constexpr std::size_t kHeaderSize = 20;

  std::array<std::uint8_t, kHeaderSize> header{};
  // Length of the whole record (given in its first block).
  std::uint32_t totalLength = 0;
  // Record bytes in this block.
  std::uint32_t dataLength = 0;
  // The block's data area including unused space (for a deleted block, the
  // whole block).
  std::uint32_t blockLength = 0;
  // Where the block's data starts; for a deleted block, the block itself.
  std::uint64_t filePosition = 0;
  // The record's next block (or the next deleted block).
  std::uint64_t nextFilePosition = 0;
  std::uint64_t previousFilePosition = 0;
  // Set once a block with a continuation has been read: the next block must
  // be a continuation block.
  bool secondRead = false;
};

// Decodes the block header `header` (20 bytes, missing bytes read as zero)
// of the block at `position` into `info`; returns the kBlock* flags.
int GetBlockInfo(BlockInfo& info, ByteView header, std::uint64_t position);

// ---- Page scans ----

struct PageScanResult {
  // Where the record after the last one read begins.
  std::uint64_t nextStart = 0;
  // The scan stopped because it reached its row limit.
  bool stoppedAtLimit = false;
};

// Everything a scan needs to know about one table.
class MyisamTableScan {
 public:
  MyisamTableScan(const TableDefinition& table, std::int32_t rowFormat, const MyisamBaseInfo& base,
                  std::span<const MyisamColumn> descriptors, const ValueOptions& options);

  const MyisamRecordLayout& Layout() const { return layout_; }

  // The distance between fixed-length records in a file of `fileLength`
  // bytes; 0 when neither the definition nor the index file gives one.
  std::uint64_t FixedStride(std::uint64_t fileLength) const;

  // Appends the rows of the records from `start` on to `rows`, until
  // `rowLimit` rows were appended by this call or the file ends.
  PageScanResult ReadPage(BufferedReader& reader, std::uint64_t start, std::size_t rowLimit,
                          std::vector<DecodedRow>& rows) const;

  // The row of one fixed-length record's bytes.
  DecodedRow DecodeFixedRecord(ByteView record) const;

  // The row of one dynamic record's bytes; false (nothing in `row`) when
  // they do not unpack.
  bool DecodeDynamicRecord(ByteView record, DecodedRow& row, bool strict = false) const;

  // The same, unpacking into `scratch`, whose buffers a scan reuses.
  bool DecodeDynamicRecord(ByteView record, DecodedRow& row, bool strict,
                           UnpackedRecord& scratch) const;

 private:
  PageScanResult ReadFixedPage(BufferedReader& reader, std::uint64_t start, std::size_t rowLimit,
                               std::vector<DecodedRow>& rows) const;
  PageScanResult ReadDynamicPage(BufferedReader& reader, std::uint64_t start, std::size_t rowLimit,
                                 std::vector<DecodedRow>& rows) const;

  const TableDefinition& table_;
  std::int32_t rowFormat_;
  MyisamBaseInfo base_;
  std::span<const MyisamColumn> descriptors_;
  ValueOptions options_;
  MyisamRecordLayout layout_;
  std::vector<TextEncoding> encodings_;
};

}  // namespace rowmender
