// Values stored outside their record. InnoDB keeps a long value (BLOB and
// TEXT, and in the DYNAMIC format long VARCHAR and VARBINARY too) in a chain
// of BLOB pages; the record keeps a local part (a prefix of 768 bytes in the
// COMPACT and REDUNDANT formats, nothing in DYNAMIC) followed by a 20-byte
// reference to the chain.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "base/bytes.h"
#include "innodb/page.h"
#include "values/cell.h"

namespace rowmender {

// The reference at the end of a local part. Big-endian.
struct ExternalReference {
  static constexpr std::size_t kSize = 20;
  static constexpr std::size_t kSpaceOffset = 0;
  static constexpr std::size_t kPageOffset = 4;
  static constexpr std::size_t kPartOffsetOffset = 8;
  // The first four length bytes hold flags; the length is the last four.
  static constexpr std::size_t kLengthOffset = 16;

  std::uint32_t spaceId = 0;
  std::uint32_t firstPage = kNoPage;
  std::uint32_t partOffset = 0;
  std::uint32_t totalLength = 0;  // bytes kept on the BLOB pages

  // From the last 20 bytes of `local`; a local part shorter than that holds
  // no reference (firstPage stays kNoPage).
  static ExternalReference DecodeFrom(ByteView local);
};

// The whole value: hands `sink` the local part without its reference, then
// the data of every part of the chain in order, at most the reference's
// total length. The chain ends at a page the source does not hold, at a page
// it has already been through (a chain that loops), at a part cut short by
// its page end, or once the total length is reached. Returns the number of
// bytes handed over.
std::uint64_t ReadExternalValue(const PageSource& source, ByteView local,
                                const std::function<void(ByteView)>& sink);

// The same, with what the reference promised and whether the chain held it.
LongValueReader::Result ReadWholeExternalValue(const PageSource& source, ByteView local,
                                               const std::function<void(ByteView)>& sink);

// Off-page values of one tablespace, read on demand for the cells that
// refer to them.
class ExternalValueReader final : public LongValueReader {
 public:
  explicit ExternalValueReader(const PageSource& source) : source_(source) {}
  Result Read(ByteView local, const std::function<void(ByteView)>& sink) const override {
    return ReadWholeExternalValue(source_, local, sink);
  }

 private:
  const PageSource& source_;
};

// The whole value in memory (for values that are formatted rather than
// saved to a file).
std::string ExternalValueBytes(const PageSource& source, ByteView local);

// The folder of a save folder that long values are written into, one
// file each.
std::string BlobFolderOf(const std::string& saveFolder);

}  // namespace rowmender
