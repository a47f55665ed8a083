// Scans over a MyISAM data file (.MYD): pages of rows from fixed-length
// records, read at a constant stride, and from dynamic records, chains of
// blocks with a header each. The scans read the file through a window of
// large blocks, never one read per column or per block header.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <unordered_set>
#include <vector>

#include "base/bytes.h"
#include "base/data_file.h"
#include "definitions/table_definition.h"
#include "myisam/index_header.h"
#include "myisam/record_image.h"
#include "values/column_format.h"
#include "values/table_cursor.h"

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

// ---- The scan ----

// The rows of a MyISAM data file, record by record: fixed-length records
// at a constant stride, dynamic records block by block. Delete-marked
// fixed records are read with their mark; deleted dynamic blocks lost
// their record's first bytes and are counted, not read. Damage is met by
// skipping ahead, never by reading a position twice, so a scan always
// ends. Positions are byte offsets in the data file (page 0).
class MyisamCursor final : public TableCursor {
 public:
  // `table`, `base`, `descriptors` and `source` must outlive the cursor.
  MyisamCursor(const TableDefinition& table, std::int32_t rowFormat, const MyisamBaseInfo& base,
               std::span<const MyisamColumn> descriptors, const ByteSource& source,
               const CollationTable* collations,
               std::size_t windowSize = BufferedReader::kDefaultWindow);

  bool Next(RowBuffer& row) override;
  PageStart Position() const override { return PageStart{0, position_}; }
  void Seek(const PageStart& position) override;
  const TableFormat& Formats() const override { return formats_; }
  const ReadReport& Report() const override { return report_; }

  const MyisamRecordLayout& Layout() const { return layout_; }

  // The scan ends before the record at `end`, or, for dynamic records,
  // once it reaches a block at `end` or after (one part of a scan read
  // apart from the others).
  void EndBefore(std::uint64_t end) { end_ = end; }

  // The distance between fixed-length records; 0 when neither the
  // definition nor the index file gives one.
  std::uint64_t FixedStride() const { return stride_; }

  // One fixed-length record's bytes into `row`.
  void DecodeFixedRecord(ByteView record, RowBuffer& row) const;

  // One dynamic record's bytes (its blocks' data in order) into `row`;
  // false (row undefined) when they do not unpack. The row views
  // `record` and the cursor's own buffers until the next call.
  bool DecodeDynamicRecord(ByteView record, RowBuffer& row, bool strict = false);

 private:
  bool NextFixed(RowBuffer& row);
  bool NextDynamic(RowBuffer& row);

  const TableDefinition& table_;
  std::int32_t rowFormat_;
  MyisamBaseInfo base_;
  std::span<const MyisamColumn> descriptors_;
  MyisamRecordLayout layout_;
  TableFormat formats_;
  BufferedReader reader_;
  std::uint64_t stride_ = 0;
  std::uint64_t position_ = 0;
  std::uint64_t end_ = UINT64_MAX;
  // Looking for a record after damage.
  bool searching_ = false;
  std::vector<std::uint8_t> record_;
  std::unordered_set<std::uint64_t> visited_;
  UnpackedRecord unpacked_;
  ReadReport report_;
};

// Where a scan of dynamic records may be cut into parts read apart: block
// starts that the scan reaches one after the other, found from the block
// headers alone. Only up to the first damage: from there on, where the
// scan goes depends on which records unpack, so one cursor must read the
// rest of the file.
class DynamicBlockWalk {
 public:
  // `source` must outlive the walk.
  DynamicBlockWalk(const ByteSource& source, const MyisamBaseInfo& base);

  // The first block start at least `atLeast` bytes after the last cut (or
  // the start of the file); false at the end of the file or at damage.
  bool NextCut(std::uint64_t atLeast, std::uint64_t& cut);
  // The next block start (from the start of the file on), block by block;
  // false at the end of the file or at damage.
  bool NextBlock(std::uint64_t& at);

 private:
  BufferedReader reader_;
  std::uint64_t longest_;
  std::uint64_t position_ = 0;
  bool stopped_ = false;
};

// The stride of fixed-length records: the stored record length of the base
// information (a record is at least one byte longer than a record pointer,
// and a table with CHECKSUM=1 keeps one more byte), else the definition's
// record length.
std::uint64_t FixedRecordStride(const TableDefinition& table, const MyisamBaseInfo& base);

}  // namespace rowmender
