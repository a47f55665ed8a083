// The record format of an Aria table: what its index file (.MAI) says of the
// rows in its data file (.MAD), or, where the index file is lost or
// damaged, what the server derives from the table's definition when it
// creates the table.
//
// The index file begins with a 24-byte header, the state (row counts, the
// data file's length, whether the table was closed cleanly), the base
// information (record lengths, field count, block size, the null and
// empty-field bytes), the key definitions, and last one column definition
// per stored field with a map from column number to stored order. Its
// numbers are big-endian, apart from that map.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "definitions/table_definition.h"
#include "myisam/index_header.h"

namespace rowmender {

// How the rows of an Aria table are kept in its data file.
enum class AriaRecordType : std::uint8_t {
  kFixed = 0,       // ROW_FORMAT=FIXED: records of one length, as MyISAM's
  kDynamic = 1,     // ROW_FORMAT=DYNAMIC: chains of blocks, as MyISAM's
  kCompressed = 2,  // packed by aria_pack
  kPage = 3,        // ROW_FORMAT=PAGE: pages of rows with a directory each
  kNoRecord = 4,    // a table that keeps no rows
};

// The name CREATE TABLE gives the record type ("PAGE", "FIXED", ...).
const char* AriaRecordTypeName(AriaRecordType type);

// The data file's page size when no index file says otherwise.
inline constexpr std::uint32_t kAriaDefaultBlockSize = 8192;

// One stored field, in stored order. Field types are MyISAM's
// (MyisamFieldType).
struct AriaColumn {
  static constexpr std::size_t kSize = 20;

  // The field's place among the fields in record-image order.
  std::uint16_t columnNumber = 0;
  // Where the field lies in the record image (the null flags first).
  std::uint32_t offset = 0;
  std::int16_t type = kFieldNormal;
  // Bytes in the record image.
  std::uint16_t length = 0;
  // VARCHAR: bytes of its length prefix; other fields: `length`.
  std::uint16_t fillLength = 0;
  // 0: the field cannot be NULL.
  std::uint8_t nullBit = 0;
  std::uint16_t nullPosition = 0;
  // The field's bit among the empty-field bits (0: it has none): set when
  // the value is zero or empty and so not stored.
  std::uint8_t emptyBit = 0;
  std::uint16_t emptyPosition = 0;

  static AriaColumn DecodeFrom(ByteView bytes);
};

// What a reader needs to know of the records.
struct AriaFormat {
  AriaRecordType recordType = AriaRecordType::kPage;
  // Table options of the index file header (kAriaOption*).
  std::uint16_t options = 0;
  std::uint32_t blockSize = kAriaDefaultBlockSize;
  // Bytes of the record image.
  std::uint32_t recordLength = 0;
  // FIXED: the distance between records. DYNAMIC: the longest record.
  std::uint32_t packedRecordLength = 0;
  std::uint32_t minPackedLength = 0;
  std::uint32_t maxPackedLength = 0;
  // PAGE: rows shorter than this were stored this long.
  std::uint32_t minBlockLength = 0;
  // Fixed-length fields that cannot be NULL, stored first in a row.
  std::uint16_t fixedNotNullFields = 0;
  // The most bytes a row's field-length array can take.
  std::uint16_t maxFieldLengths = 0;
  std::uint16_t packFields = 0;
  std::uint16_t extraOptions = 0;
  std::uint16_t nullBytes = 0;
  // Null bytes of rows written before columns were added in place.
  std::uint16_t originalNullBytes = 0;
  std::uint16_t fieldOffsets = 0;
  std::uint16_t packBytes = 0;
  std::uint16_t blobs = 0;
  std::uint8_t recordPointerLength = 0;
  bool transactional = false;
  // The fields in stored order.
  std::vector<AriaColumn> columns;

  // Each row carries a checksum byte (CHECKSUM=1).
  bool RowChecksum() const;
  // Pages carry a CRC32 in their last 4 bytes (PAGE_CHECKSUM=1).
  bool PageChecksum() const;
  // The data file's pages are encrypted.
  bool Encrypted() const;
};

// What the state block says about the table as the server last closed it.
struct AriaState {
  std::uint16_t openCount = 0;
  std::uint16_t changed = 0;
  std::uint64_t records = 0;
  std::uint64_t deleted = 0;
  std::uint64_t dataFileLength = 0;

  // The server marked the table crashed.
  bool MarkedCrashed() const;
};

struct AriaIndexHeader {
  static constexpr std::size_t kHeaderSize = 24;

  bool knownMagic = false;
  std::uint16_t headerLength = 0;
  std::uint16_t basePosition = 0;
  std::uint8_t keys = 0;
  std::uint8_t uniques = 0;
  // The record type a packed table had before aria_pack.
  std::uint8_t originalRecordType = 0;
  // False when the file ends before the state block.
  bool stateRead = false;
  AriaState state;
  // False when the base information lies beyond the end of the file.
  bool baseInfoRead = false;
  std::uint16_t fieldCount = 0;
  AriaFormat format;
  // Per column number, its place among the stored fields.
  std::vector<std::uint16_t> storedOrder;
};

enum class AriaHeaderStatus {
  kRejected,  // shorter than the 24-byte header
  kAccepted,  // the fields as far as the file holds them
};

// Decodes the header from the first bytes of an index file of `fileLength`
// bytes (`bytes` may hold only its beginning). Nothing is read from beyond
// either end.
AriaHeaderStatus DecodeAriaIndexHeader(ByteView bytes, std::uint64_t fileLength,
                                       AriaIndexHeader& out);

// How many leading bytes of an index file of `fileLength` bytes hold
// everything DecodeAriaIndexHeader reads.
std::size_t AriaHeaderReadSize(std::uint64_t fileLength);

// Why the index-file header `header` cannot have been written for `table`
// by the server, as a phrase ("its fields do not add up to its record
// length"); empty when it can.
std::string AriaHeaderProblem(const AriaIndexHeader& header, const TableDefinition& table);

// The record type the server gives `table` when it creates it: FIXED and
// DYNAMIC as the definition asks (FIXED becomes PAGE for a table with BLOB
// columns), PAGE otherwise.
AriaRecordType DefinedRecordType(const TableDefinition& table);

// The format the server gives `table` when it creates it with rows of
// `type` in pages of `blockSize` bytes, `transactional` or not (which
// decides how long the shortest PAGE row is stored). What else the
// definition does not tell (whether pages carry checksums) is taken as the
// server's defaults would make it; the readers do not depend on it.
AriaFormat DeriveAriaFormat(const TableDefinition& table, AriaRecordType type,
                            std::uint32_t blockSize = kAriaDefaultBlockSize,
                            bool transactional = true);

// FIXED and DYNAMIC records as MyISAM's readers read them: the field
// descriptors (the null flags as a plain field first, as a MyISAM index
// file has them) and the base information they need.
std::vector<MyisamColumn> MyisamDescriptorsOf(const AriaFormat& format);
MyisamBaseInfo MyisamBaseOf(const AriaFormat& format);

}  // namespace rowmender
