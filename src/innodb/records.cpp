#include "innodb/records.h"

#include "innodb/page.h"

namespace rowmender {

namespace {

constexpr std::uint8_t kTwoByteLengthFlag = 0x80;
constexpr std::uint8_t kExternalLengthFlag = 0x40;
constexpr std::uint8_t kHighLengthMask = 0x3F;
constexpr std::uint16_t kHeapStatusMask = 0x07;
constexpr unsigned kHeapNumberShift = 3;

// Redundant end-offset entries: the top bit marks SQL NULL; in two-byte
// entries the next bit marks a field stored outside the record.
constexpr std::uint8_t kShortEndNull = 0x80;
constexpr std::uint8_t kShortEndMask = 0x7F;
constexpr std::uint16_t kLongEndNull = 0x8000;
constexpr std::uint16_t kLongEndExternal = 0x4000;
constexpr std::uint16_t kLongEndMask = 0x3FFF;

std::uint8_t ByteBelow(ByteView page, std::size_t origin, std::size_t distance) {
  return distance <= origin ? ByteAt(page, origin - distance) : 0;
}

}  // namespace

CompactRecordHeader CompactRecordHeader::DecodeFrom(ByteView page, std::size_t origin) {
  CompactRecordHeader header;
  const std::uint8_t flagsAndOwned = ByteBelow(page, origin, kFlagsBelowOrigin);
  header.flags = static_cast<std::uint8_t>(flagsAndOwned & ~kRecordOwnedMask);
  header.ownedCount = flagsAndOwned & kRecordOwnedMask;
  const auto heapWord = static_cast<std::uint16_t>(
      (ByteBelow(page, origin, kHeapBelowOrigin) << 8) | ByteBelow(page, origin, 3));
  header.heapNumber = static_cast<std::uint16_t>(heapWord >> kHeapNumberShift);
  header.status = static_cast<std::uint8_t>(heapWord & kHeapStatusMask);
  header.nextLink = static_cast<std::uint16_t>((ByteBelow(page, origin, kLinkBelowOrigin) << 8) |
                                               ByteBelow(page, origin, 1));
  return header;
}

RedundantRecordHeader RedundantRecordHeader::DecodeFrom(ByteView page, std::size_t origin) {
  RedundantRecordHeader header;
  const std::uint8_t flagsAndOwned = ByteBelow(page, origin, kFlagsBelowOrigin);
  header.flags = static_cast<std::uint8_t>(flagsAndOwned & ~kRecordOwnedMask);
  header.ownedCount = flagsAndOwned & kRecordOwnedMask;
  const std::uint8_t heapHigh = ByteBelow(page, origin, kHeapBelowOrigin);
  const std::uint8_t countHigh = ByteBelow(page, origin, kFieldCountBelowOrigin);
  const std::uint8_t countLow = ByteBelow(page, origin, kShortFlagBelowOrigin);
  header.heapNumber = static_cast<std::uint16_t>(((heapHigh << 8) | countHigh) >> kHeapNumberShift);
  header.fieldCount = ((static_cast<std::uint32_t>(countHigh) << 7) & kMaxFieldCount) |
                      static_cast<std::uint32_t>(countLow >> 1);
  header.oneByteOffsets = (countLow & 1) != 0;
  header.nextRecord = static_cast<std::uint16_t>((ByteBelow(page, origin, kLinkBelowOrigin) << 8) |
                                                 ByteBelow(page, origin, 1));
  return header;
}

std::size_t NullBitmapSize(const std::vector<InnoColumn>& fields) {
  std::size_t nullable = 0;
  for (const auto& field : fields) {
    if (field.IsNullable()) ++nullable;
  }
  return (nullable + 7) / 8;
}

void CompactFieldExtents(ByteView page, std::size_t origin, std::size_t span,
                         const std::vector<InnoColumn>& fields, std::size_t nullBitmapSize,
                         std::vector<FieldExtent>& out) {
  RecordShape shape;
  shape.nullBitmapSize = nullBitmapSize;
  CompactFieldExtents(page, origin, span, fields, shape, out);
}

void CompactFieldExtents(ByteView page, std::size_t origin, std::size_t span,
                         const std::vector<InnoColumn>& fields, const RecordShape& shape,
                         std::vector<FieldExtent>& out) {
  out.assign(fields.size(), FieldExtent{});
  const std::size_t nullBitmapSize = shape.nullBitmapSize;
  const auto originAt = static_cast<std::ptrdiff_t>(origin);
  // The null bitmap ends just below the five header bytes (and the count
  // of fields or row version some records keep there); the length bytes
  // follow below it, the first field's nearest.
  const auto nullsEnd =
      originAt - static_cast<std::ptrdiff_t>(CompactRecordHeader::kSize + shape.headerExtra);
  PageCursor nulls(page, nullsEnd);
  PageCursor lengths(page, nullsEnd - static_cast<std::ptrdiff_t>(nullBitmapSize));
  std::uint8_t nullByte = 0;
  unsigned nullBit = 8;  // a fresh bitmap byte is read before the first test
  std::size_t consumed = 0;
  std::size_t data = origin;

  for (std::size_t i = 0; i < fields.size(); ++i) {
    const InnoColumn& field = fields[i];
    FieldExtent& extent = out[i];
    if (!shape.Holds(i)) {
      extent.absent = true;
      continue;
    }
    if (field.IsNullable() && nullBitmapSize > 0) {
      if (nullBit == 8) {
        nullByte = nulls.ReadByteBackward();
        nullBit = 0;
      }
      const bool isNull = ((nullByte >> nullBit) & 1) != 0;
      ++nullBit;
      if (nulls.Overrun()) {
        extent.missing = true;
        continue;
      }
      if (isNull) {
        extent.isNull = true;
        continue;
      }
    }
    std::size_t length = field.fixedLength;
    if (length == 0) {
      const std::uint8_t first = lengths.ReadByteBackward();
      if (field.HasTwoByteLength() && (first & kTwoByteLengthFlag) != 0) {
        const std::uint8_t second = lengths.ReadByteBackward();
        length = (static_cast<std::size_t>(first & kHighLengthMask) << 8) | second;
        extent.external = (first & kExternalLengthFlag) != 0;
      } else {
        length = first;
      }
      if (lengths.Overrun()) {
        // The header runs off the start of the page: nothing after this
        // field can be placed either.
        for (std::size_t j = i; j < fields.size(); ++j)
          (shape.Holds(j) ? out[j].missing : out[j].absent) = true;
        return;
      }
    }
    // A field that starts where the record's bytes end holds nothing (it
    // is empty) or lies outside the record.
    if (consumed >= span && length > 0) {
      extent.missing = true;
      extent.external = false;
      continue;
    }
    extent.start = data;
    extent.length = length;
    if (data > page.size() || page.size() - data < length) {
      extent.missing = true;
      extent.external = false;
    }
    data += length;
    consumed += length;
  }
}

void RedundantFieldExtents(ByteView page, std::size_t origin, std::vector<FieldExtent>& out,
                           std::size_t headerExtra) {
  const RedundantRecordHeader header = RedundantRecordHeader::DecodeFrom(page, origin);
  out.assign(header.fieldCount, FieldExtent{});
  const std::size_t entrySize = header.oneByteOffsets ? 1 : 2;
  std::size_t previousEnd = 0;
  for (std::size_t i = 0; i < header.fieldCount; ++i) {
    FieldExtent& extent = out[i];
    // Entry i lies below the six header bytes (and a row version some
    // records keep there), the first one nearest.
    const std::size_t below = RedundantRecordHeader::kSize + headerExtra + (i + 1) * entrySize;
    if (below > origin) {
      for (std::size_t j = i; j < out.size(); ++j)
        out[j].missing = true;
      return;
    }
    std::size_t end = 0;
    if (header.oneByteOffsets) {
      const std::uint8_t entry = ByteAt(page, origin - below);
      extent.isNull = (entry & kShortEndNull) != 0;
      end = entry & kShortEndMask;
    } else {
      const std::uint16_t entry = Be16(page, origin - below);
      extent.isNull = (entry & kLongEndNull) != 0;
      extent.external = (entry & kLongEndExternal) != 0;
      end = entry & kLongEndMask;
    }
    extent.start = origin + previousEnd;
    extent.length = end >= previousEnd ? end - previousEnd : 0;
    if (end < previousEnd || origin + end > page.size()) {
      extent.missing = true;
      extent.external = false;
    }
    if (end > previousEnd) previousEnd = end;
  }
}

}  // namespace rowmender
