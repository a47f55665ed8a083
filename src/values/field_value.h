// Field values: the stored bytes of one column value to the text the record
// grid shows (preview forms) or that a save writes (save forms).
//
// `FormatColumnValue` takes a value in the byte order of a MyISAM record
// image (integers little-endian; BIT, binary DECIMAL and the 5.6 temporal
// encodings big-endian, as the server stores them everywhere). The building
// blocks below it take values that a reader has already extracted, so a
// reader with another byte order (InnoDB keeps integers big-endian with the
// sign bit inverted) can restore the plain number and format it here.
//
// Nothing here reads global state: the form and the collation table come in
// a `ValueOptions`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/application_state.h"
#include "base/bytes.h"
#include "definitions/table_definition.h"
#include "values/text_codec.h"

namespace rowmender {

// ---- Options ----

enum class ValueForm : std::uint8_t {
  // The record grid and the CSV export: placeholders for long binary values,
  // FLOAT and DOUBLE with six decimals, temporal values without fractions.
  kPreview,
  // Scripts and servers: lossless texts (all bytes, shortest round-trip
  // floating point, fractional seconds, four-digit years).
  kSave,
};

struct ValueOptions {
  ValueForm form = ValueForm::kPreview;
  // Tells the character set of a column's collation number. Without it (or
  // for a number it does not list) text is taken as UTF-8 when it is valid
  // UTF-8 holding a multi-byte sequence, else as Windows-1252.
  const CollationTable* collations = nullptr;

  bool SaveForms() const { return form == ValueForm::kSave; }
};

// The forms the application object asks for (save forms while a save mode
// is set) with its collation table.
ValueOptions ValueOptionsFor(const CTarnSalvorProjApp& app);

// ---- Placeholders and fixed texts ----

inline constexpr std::string_view kNullText = "NULL";
inline constexpr std::string_view kBinaryPlaceholder = "0x<Binarydata>";
inline constexpr std::string_view kLargeBlobPlaceholder = "Large Blob Data";
inline constexpr std::string_view kLargeExternalBlobPlaceholder = "Large Size Blob Data";
inline constexpr std::string_view kSpatialPlaceholder = "Spatial Data";

// In the preview, binary CHAR/VARCHAR values of at least this many bytes
// show kBinaryPlaceholder, BLOB and TEXT values kLargeBlobPlaceholder.
inline constexpr std::size_t kPreviewBinaryLimit = 100;
inline constexpr std::size_t kPreviewBlobLimit = 1000;

// ---- Text by character set ----

enum class TextEncoding : std::uint8_t {
  kUnknown,     // collation not listed: UTF-8 when valid, else Windows-1252
  kBinary,      // character set 63: shown as hex text
  kSingleByte,  // latin1 and every other single-byte set: Windows-1252
  kUtf8,        // utf8, utf8mb3, utf8mb4
  kUcs2,        // big-endian, 2 bytes a character
  kUtf16,       // big-endian, with surrogate pairs
  kUtf16Le,     // little-endian, with surrogate pairs
  kUtf32,       // big-endian, 4 bytes a character
};

// The encoding of a character set by its name ("utf8mb4", "latin1", ...).
TextEncoding EncodingOfCharacterSet(std::string_view characterSetName);

// The encoding of a column's text by its collation number.
TextEncoding ColumnEncoding(const ColumnDefinition& column, const ValueOptions& options);

// Stored text in `encoding` to UTF-8. With `stopAtZero` the text ends at
// the first zero character (byte, or code unit for the wide encodings);
// without it a zero character is kept. Malformed UTF-8 falls back to
// Windows-1252 for the whole value; a malformed wide code unit becomes
// U+FFFD. kBinary is decoded like kUnknown here (callers show hex instead).
std::string DecodeText(ByteView bytes, TextEncoding encoding, bool stopAtZero = true);

// ---- Building blocks ----

// "0x" and two upper-case hexadecimal digits per byte; no bytes give "".
std::string HexText(ByteView bytes);

// An integer of `width` bytes (1 to 8) held in the low bits of `bits`,
// written in decimal: sign-extended from its top bit when `isSigned`.
std::string FormatIntegerValue(std::uint64_t bits, std::size_t width, bool isSigned);

// FLOAT and DOUBLE: "%f" in the preview, the shortest text that reads back
// to the same value in save forms.
std::string FormatFloatValue(float value, ValueForm form);
std::string FormatDoubleValue(double value, ValueForm form);

// Binary DECIMAL (big-endian, top bit inverted, negative values stored
// complemented). Invalid digit groups print "0".
std::size_t DecimalStorageSize(int precision, int scale);
std::string FormatDecimalValue(ByteView bytes, int precision, int scale);

// YEAR: 0 is 0000, otherwise 1900 + the stored byte.
std::string FormatYearValue(std::uint8_t stored);

// DATE (3 bytes: day in bits 0-4, month in 5-8, year from bit 9). The
// preview writes every part with at least two digits, save forms the year
// with four.
std::string FormatDateValue(std::uint32_t packed, ValueForm form);

// Pre-5.6 TIME: the decimal number hhmmss, sign included.
std::string FormatLegacyTime(std::int32_t hhmmss);

// Pre-5.6 DATETIME: the decimal number YYYYMMDDhhmmss, always 19 characters.
std::string FormatLegacyDatetime(std::uint64_t value);

// Six parts, each with at least two digits: "Y-MM-DD hh:mm:ss".
std::string FormatDateTimeParts(int year, int month, int day, int hour, int minute, int second);

// Fractional digits of a TIME, DATETIME or TIMESTAMP column (0 to 6), from
// its length: TIME lengths beyond 10 and DATETIME/TIMESTAMP lengths beyond
// 19 hold a point and the digits.
int TemporalDecimals(const ColumnDefinition& column);

// TIMESTAMP from seconds since 1970-01-01 UTC and microseconds, in the local
// time of the machine; 0 seconds is the zero timestamp 0000-00-00 00:00:00.
// Save forms append `decimals` fractional digits.
std::string FormatTimestampValue(std::uint32_t seconds, std::uint32_t microseconds, int decimals,
                                 ValueForm form);

// The 5.6 encodings (type codes 17, 18, 19), big-endian, with their
// fractional bytes for `decimals`.
std::size_t Temporal56StorageSize(std::uint32_t typeCode, int decimals);
std::string FormatTime2Value(ByteView bytes, int decimals, ValueForm form);
std::string FormatDatetime2Value(ByteView bytes, int decimals, ValueForm form);
std::string FormatTimestamp2Value(ByteView bytes, int decimals, ValueForm form);

// MariaDB's own encodings of TIME, DATETIME and TIMESTAMP with fractional
// seconds under the old type codes 11, 12 and 7 (big-endian numbers scaled
// by 10^decimals).
std::size_t HiresStorageSize(std::uint32_t typeCode, int decimals);
std::string FormatHiresTimeValue(ByteView bytes, int decimals, ValueForm form);
std::string FormatHiresDatetimeValue(ByteView bytes, int decimals, ValueForm form);
std::string FormatHiresTimestampValue(ByteView bytes, int decimals, ValueForm form);

// BIT: the value's bytes, most significant first; the low `bitCount` bits
// are written as "0" and "1", most significant first.
std::string FormatBitValue(ByteView bigEndianBytes, std::uint32_t bitCount);

// ENUM: the 1-based `index` into the column's own `values` (empty when 0 or
// outside). SET: the members whose bits are set in `mask`, in list order,
// joined by commas. Storage sizes by the number of members.
std::size_t EnumStorageSize(const ColumnDefinition& column);
std::size_t SetStorageSize(const ColumnDefinition& column);
std::string FormatEnumValue(const ColumnDefinition& column, std::uint64_t index);
std::string FormatSetValue(const ColumnDefinition& column, std::uint64_t mask);

// CHAR, VARCHAR (type codes 15, 253, 254) from the value's bytes (no length
// prefix): binary columns as hex text (kBinaryPlaceholder in the preview
// from kPreviewBinaryLimit bytes on), others decoded by character set (the
// preview up to a zero character, save forms whole); a CHAR loses its
// trailing pad spaces as the server's own reads do.
std::string FormatStringValue(const ColumnDefinition& column, ByteView bytes,
                              const ValueOptions& options);

// BLOB and TEXT (type codes 249 to 252) from the data bytes: in the preview
// kLargeBlobPlaceholder from kPreviewBlobLimit bytes on; binary as hex text,
// others decoded by character set (the preview up to a zero character, save
// forms whole).
std::string FormatBlobValue(const ColumnDefinition& column, ByteView bytes,
                            const ValueOptions& options);

// GEOMETRY: kSpatialPlaceholder in the preview; in save forms "NULL" for no
// bytes or only zero bytes, else the bytes with every zero byte written as
// backslash and "0", decoded as Windows-1252.
std::string FormatGeometryValue(ByteView bytes, const ValueOptions& options);

// ---- Whole column values ----

// Bytes a value of the column takes in a fixed-length MyISAM record image
// (for VARCHAR the length prefix and the `length` bytes; for a BIT kept
// partly among the null flags only its whole bytes). 0 for BLOB, TEXT and
// GEOMETRY, whose record part is a length and a pointer.
std::size_t FixedValueSize(const ColumnDefinition& column);

// Bytes of the length prefix of a VARCHAR in a record image (1 or 2).
std::size_t VarcharPrefixSize(const ColumnDefinition& column);

// The text of one value, in MyISAM byte order. `bytes` are the value's own
// bytes: for VARCHAR without the length prefix, for BLOB, TEXT and GEOMETRY
// the data, for BIT the whole value big-endian (a MyISAM reader puts the
// high bits kept among the null flags in front of the record's bytes).
// Missing bytes read as zero; a type without a rule gives "".
std::string FormatColumnValue(const ColumnDefinition& column, ByteView bytes,
                              const ValueOptions& options);

// The same, with the column's text encoding already looked up (a reader
// that formats many rows of a table looks it up once per column).
std::string FormatColumnValue(const ColumnDefinition& column, ByteView bytes,
                              const ValueOptions& options, TextEncoding encoding);

// True when `nullBit` is not 0 and set in the null-flag byte at
// `nullPosition` (a position outside `nullFlags` is never set).
bool IsNullFlagSet(ByteView nullFlags, std::uint32_t nullPosition, std::uint8_t nullBit);

// "NULL" when the column's null flag is set, else `text` unchanged.
std::string ApplyNullFlag(const ColumnDefinition& column, std::string text, ByteView nullFlags,
                          std::uint32_t nullPosition, std::uint8_t nullBit);

}  // namespace rowmender
