// Rows of the PAGE format, decoded into the record image the server works
// with.
//
// A row begins on a head page with a flag byte and, as the flag says, the
// ids of the transactions that last changed it, a pointer into the log and
// the count of null bytes added since the table was created; then, for a
// row split over several pages, the count of its extents (ranges of pages
// that hold the rest of it) and the first one; the total length of its
// field-length array; a checksum byte; its null bits and its empty-field
// bits. Then come the fixed-length fields that cannot be NULL, the other
// extents, the field-length array (one length per CHAR, VARCHAR and BLOB
// value stored), and the values of the other fields in the table's stored
// order. A value that does not fit the head goes on in the next extent:
// full pages of long values, or a tail kept as a row of a tail page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "aria/aria_format.h"
#include "aria/page_file.h"
#include "base/bytes.h"
#include "definitions/table_definition.h"
#include "myisam/record_image.h"

namespace rowmender {

// What became of one row.
struct AriaRowRead {
  // The row decoded: the image and the long values are the row's.
  bool read = false;
  // Why it did not, as a phrase ("its field lengths run past its end").
  std::string problem;
  // Bytes of the head the row took up.
  std::size_t headUsed = 0;
  // Long values (or the rest of a split row) whose pages could not be
  // read: what was read is kept, and `lost` says why the rest is not.
  std::uint32_t valuesCutShort = 0;
  std::string lost;
};

class AriaRowDecoder {
 public:
  // `table`, `format` and `pages` must outlive the decoder.
  AriaRowDecoder(const TableDefinition& table, const AriaFormat& format, AriaPageFile& pages);

  // Decodes the row whose head is `head`. A `deleted` row is one found in
  // the free space of a page: `head` may run on past its end, its bytes
  // must hold together more strictly, and only pages that are free now
  // may still hold its long values.
  AriaRowRead Decode(ByteView head, bool deleted);

  // The last decoded row's record image, and per column of the definition
  // the data of its BLOB, TEXT and GEOMETRY values; valid until the next
  // Decode.
  ByteView Image() const { return image_; }
  std::span<const ByteView> SeparateData() const { return separate_; }
  const MyisamRecordLayout& Layout() const { return layout_; }
  // Columns of the definition whose values the last row lost (their cells
  // are to be shown missing).
  const std::vector<std::size_t>& LostColumns() const { return lostColumns_; }

 private:
  bool Fail(std::string problem);
  bool Lose(std::string why);
  bool Broken(std::string why);
  bool DecodeRow(AriaRowRead& result);
  bool DecodeFields(std::size_t from, ByteView emptyBits, AriaRowRead& result);
  bool KeyLength(std::size_t& length);
  bool NextExtent();
  bool LocateDeletedTail(ByteView page, std::size_t index);
  // Hands `length` bytes of the row, as they lie in the head and the
  // extents after it, to `sink`.
  template <typename Sink>
  bool ReadLong(std::size_t length, Sink&& sink);
  bool ReadFixed(std::size_t length, std::size_t imageOffset);
  void Put(std::size_t offset, ByteView bytes);
  void Fill(std::size_t offset, std::size_t count, std::uint8_t value);
  bool FieldLength(std::size_t width, std::size_t& length);
  void LeaveHead();

  const TableDefinition& table_;
  const AriaFormat& format_;
  AriaPageFile& pages_;
  MyisamRecordLayout layout_;
  // Per stored field, the definition's column at its offset (-1: none).
  std::vector<int> columnOfField_;
  // Per null byte, the bits no column uses.
  std::vector<std::uint8_t> unusedNullBits_;

  std::vector<std::uint8_t> image_;
  std::vector<std::uint8_t> blobBytes_;
  std::vector<std::size_t> blobStart_;
  std::vector<std::size_t> blobLength_;
  std::vector<ByteView> separate_;
  // The definition's columns whose values were lost with the pages that
  // held them.
  std::vector<std::size_t> lostColumns_;

  // The row being read.
  bool deleted_ = false;
  std::string problem_;
  // The pages of the row's long values (or of the rest of the row) could
  // not be read: why.
  std::string lost_;
  ByteView data_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool inHead_ = true;
  std::size_t headUsed_ = 0;
  std::vector<std::uint8_t> extents_;
  std::size_t extentCount_ = 0;
  std::size_t extentIndex_ = 0;
  std::uint64_t extentPage_ = 0;
  std::uint32_t extentPages_ = 0;
  bool extentTail_ = false;
  std::uint32_t tailRow_ = 0;
  std::vector<std::uint8_t> page_;
  std::vector<std::uint8_t> fieldLengths_;
  std::size_t fieldLengthPos_ = 0;
};

}  // namespace rowmender
