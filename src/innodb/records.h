// Records of an InnoDB index page in the two record formats.
//
// A record is addressed by its origin, the page offset where its first field
// begins; its header lies below the origin and grows downward (in the
// compact format: link, status and flags, then the null bitmap and the field
// lengths; in the redundant format: link, flags, then an array of field end
// offsets). These structs decode the headers and tell where each field's
// bytes lie, never reading outside the page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/bytes.h"
#include "innodb/inno_column.h"

namespace rowmender {

// Flags in the high half of the byte that also holds the owned count.
inline constexpr std::uint8_t kRecordDeleteMark = 0x20;
inline constexpr std::uint8_t kRecordMinimumMark = 0x10;
inline constexpr std::uint8_t kRecordOwnedMask = 0x0F;
// MySQL 8, tables whose columns were added or dropped in place: a record
// that counts its own fields (written after an instant ADD COLUMN of
// 8.0.12 to 8.0.28), and one that carries the row version it was written
// in (8.0.29 and later).
inline constexpr std::uint8_t kRecordCountsFieldsMark = 0x80;
inline constexpr std::uint8_t kRecordVersionMark = 0x40;

// Record status of a compact record (low three bits of its heap word).
enum class RecordStatus : std::uint8_t {
  kOrdinary = 0,
  kNodePointer = 1,
  kInfimum = 2,
  kSupremum = 3,
  // MariaDB: a leaf record written after columns were added, dropped or
  // moved in place, which counts the fields it holds beyond the table's
  // first ones.
  kInstant = 4,
};

struct CompactRecordHeader {
  static constexpr std::size_t kSize = 5;
  static constexpr std::size_t kFlagsBelowOrigin = 5;
  static constexpr std::size_t kHeapBelowOrigin = 4;
  static constexpr std::size_t kLinkBelowOrigin = 2;

  std::uint8_t flags = 0;  // delete mark and minimum-record mark
  std::uint8_t ownedCount = 0;
  std::uint16_t heapNumber = 0;
  std::uint8_t status = 0;
  // Next record, relative to this origin (modulo 65536).
  std::uint16_t nextLink = 0;

  bool Deleted() const { return (flags & kRecordDeleteMark) != 0; }
  bool MinimumRecord() const { return (flags & kRecordMinimumMark) != 0; }

  static CompactRecordHeader DecodeFrom(ByteView page, std::size_t origin);
};

struct RedundantRecordHeader {
  static constexpr std::size_t kSize = 6;
  static constexpr std::size_t kFlagsBelowOrigin = 6;
  static constexpr std::size_t kHeapBelowOrigin = 5;
  static constexpr std::size_t kFieldCountBelowOrigin = 4;
  static constexpr std::size_t kShortFlagBelowOrigin = 3;
  static constexpr std::size_t kLinkBelowOrigin = 2;
  static constexpr std::uint32_t kMaxFieldCount = 0x3FF;

  std::uint8_t flags = 0;
  std::uint8_t ownedCount = 0;
  std::uint16_t heapNumber = 0;
  std::uint32_t fieldCount = 0;
  // One byte per end-offset entry (else two).
  bool oneByteOffsets = false;
  // Next record: an absolute page offset.
  std::uint16_t nextRecord = 0;

  bool Deleted() const { return (flags & kRecordDeleteMark) != 0; }
  bool MinimumRecord() const { return (flags & kRecordMinimumMark) != 0; }

  static RedundantRecordHeader DecodeFrom(ByteView page, std::size_t origin);
};

// Where one field's bytes lie in the page.
struct FieldExtent {
  std::size_t start = 0;  // page offset of the first byte
  std::size_t length = 0;
  bool isNull = false;
  // Stored outside the record: the bytes are a local part that ends with
  // the 20-byte reference to the BLOB pages.
  bool external = false;
  // The field lies outside its record or outside the page (damage): it
  // gets the empty text.
  bool missing = false;
  // The record does not hold the field: it was written before the field's
  // column was added in place (the column's value for such records
  // applies), or after the column was dropped.
  bool absent = false;

  ByteView BytesIn(ByteView page) const { return SubView(page, start, length); }
};

// Which of a table's fields one record holds, and where its header puts
// them. A table whose columns were added, dropped or moved in place keeps
// records written at different times, which hold different fields.
struct RecordShape {
  // Header bytes between the fixed header and the null bitmap (compact)
  // or the end-offset array (redundant): a count of fields or a row
  // version.
  std::size_t headerExtra = 0;
  // Compact records: bytes of the null bitmap.
  std::size_t nullBitmapSize = 0;
  // One entry per field of the table's records, nonzero where the record
  // holds it; empty: the record holds every field.
  std::vector<std::uint8_t> held;

  bool Holds(std::size_t field) const { return held.empty() || held[field] != 0; }
};

// The fields of the compact record at `origin`, one per entry of `fields`
// (the record order). A field of some bytes that starts at or after `span`
// bytes into the record (a NULL or empty one there is read as such), or
// whose bytes or header bytes would lie outside the page, is marked
// missing. `nullBitmapSize` is NullBitmapSize(fields).
void CompactFieldExtents(ByteView page, std::size_t origin, std::size_t span,
                         const std::vector<InnoColumn>& fields, std::size_t nullBitmapSize,
                         std::vector<FieldExtent>& out);
// The same for a record of `shape`: the fields it does not hold are marked
// absent.
void CompactFieldExtents(ByteView page, std::size_t origin, std::size_t span,
                         const std::vector<InnoColumn>& fields, const RecordShape& shape,
                         std::vector<FieldExtent>& out);

// The fields of the redundant record at `origin`, as its end-offset array
// gives them (as many as its header counts). `headerExtra` bytes lie
// between the fixed header and the array (a row version).
void RedundantFieldExtents(ByteView page, std::size_t origin, std::vector<FieldExtent>& out,
                           std::size_t headerExtra = 0);

// Bytes of a compact record's null bitmap: one bit per nullable field.
std::size_t NullBitmapSize(const std::vector<InnoColumn>& fields);

}  // namespace rowmender
