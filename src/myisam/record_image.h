// MyISAM record images: where each column's value lives in the fixed-length
// image of a record, how a dynamic record unpacks into that image, and how an
// image becomes a row of value texts.
//
// A fixed-format record is its image as stored. A dynamic record packs the
// image field by field (by the index file's descriptors); unpacking it gives
// back the same image, with BLOB and TEXT data kept beside it. Both formats
// then decode alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "base/bytes.h"
#include "definitions/table_definition.h"
#include "myisam/index_header.h"
#include "values/cell.h"
#include "values/column_format.h"

namespace rowmender {

// Where one column's value lives in the image.
struct ColumnPlacement {
  // 0-based position and size of the value's bytes in the image (for
  // VARCHAR the length prefix and the bytes; for BLOB, TEXT and GEOMETRY
  // the length and the pointer that the image holds instead of the data).
  std::size_t offset = 0;
  std::size_t size = 0;
  // BLOB, TEXT and GEOMETRY: the data is kept beside the image.
  bool separateData = false;
  // Null flag: bit `nullBit` of null-flag byte `nullPosition`; 0 = none.
  std::uint32_t nullPosition = 0;
  std::uint8_t nullBit = 0;
  // BIT: the high `oddBits` bits of the value, kept among the null flags
  // from bit `oddBitOffset` of byte `oddBitPosition` on.
  std::uint8_t oddBits = 0;
  std::uint32_t oddBitPosition = 0;
  std::uint8_t oddBitOffset = 0;
};

class MyisamRecordLayout {
 public:
  // Null flags and BIT high bits are placed as the server places them: from
  // bit 1 of the first byte on (bit 0 is the delete mark) unless the table
  // packs its records, then from bit 0; in column order, a nullable
  // column's flag first, then its BIT bits.
  static MyisamRecordLayout Build(const TableDefinition& table,
                                  std::span<const MyisamColumn> descriptors);

  const std::vector<ColumnPlacement>& Columns() const { return columns_; }
  std::size_t NullFlagBytes() const { return nullFlagBytes_; }
  // Bit 0 of the first byte of a stored record is its delete mark.
  bool HasDeleteMark() const { return hasDeleteMark_; }
  // Bytes of a record image: the larger of the definition's record length
  // and the descriptors' total.
  std::size_t ImageLength() const { return imageLength_; }
  // The column that descriptor i belongs to (found by its position in the
  // image), or -1 (the null flags, or a field no column claims).
  int ColumnOfDescriptor(std::size_t descriptor) const {
    return descriptor < columnOfDescriptor_.size() ? columnOfDescriptor_[descriptor] : -1;
  }

 private:
  std::vector<ColumnPlacement> columns_;
  std::vector<int> columnOfDescriptor_;
  std::size_t nullFlagBytes_ = 0;
  std::size_t imageLength_ = 0;
  bool hasDeleteMark_ = false;
};

// One dynamic record unpacked: its image and, per column, the data of a
// BLOB, TEXT or GEOMETRY value (views into the packed record's bytes).
struct UnpackedRecord {
  std::vector<std::uint8_t> image;
  std::vector<ByteView> separateData;
};

// What the base information says about packed records.
struct PackingInfo {
  std::uint32_t minPackedLength = 0;
  std::uint16_t packBits = 0;
};

// Unpacks the bytes of one dynamic record (all its blocks' data in order).
// False when the record is shorter than minPackedLength or its fields do not
// fit its bytes. With `strict`, also false unless the fields use up exactly
// the record's bytes and no pack bit beyond the last field is set (the test
// for bytes whose origin is uncertain).
bool UnpackDynamicRecord(const MyisamRecordLayout& layout,
                         std::span<const MyisamColumn> descriptors, PackingInfo packing,
                         ByteView record, UnpackedRecord& out, bool strict = false);

// Decodes an image into `row`: one cell per column of `table`, by the
// column formats `formats` (TableFormat of the same table). `separateData`
// holds, per column, the data of BLOB, TEXT and GEOMETRY values (may be
// empty). The cells view `image` and `separateData`.
void DecodeRecordImage(const TableDefinition& table, const MyisamRecordLayout& layout,
                       ByteView image, std::span<const ByteView> separateData, bool deleted,
                       const TableFormat& formats, RowBuffer& row);

// True when a stored fixed-format record carries MyISAM's delete mark.
bool FixedRecordDeleted(const MyisamRecordLayout& layout, ByteView record);

}  // namespace rowmender
