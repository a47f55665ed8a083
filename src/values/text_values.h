// Strings, BLOB and TEXT: character sets to UTF-8, and hex text for binary
// values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/bytes.h"
#include "definitions/table_definition.h"
#include "values/value_options.h"

namespace rowmender {

// In the preview, binary CHAR/VARCHAR values of at least this many bytes
// show kBinaryPlaceholder, BLOB and TEXT values kLargeBlobPlaceholder.
inline constexpr std::size_t kPreviewBinaryLimit = 100;
inline constexpr std::size_t kPreviewBlobLimit = 1000;

inline constexpr std::string_view kBinaryPlaceholder = "0x<Binarydata>";
inline constexpr std::string_view kLargeBlobPlaceholder = "Large Blob Data";
inline constexpr std::string_view kLargeExternalBlobPlaceholder = "Large Size Blob Data";

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
TextEncoding ColumnEncoding(const ColumnDefinition& column, const CollationTable* collations);
inline TextEncoding ColumnEncoding(const ColumnDefinition& column, const ValueOptions& options) {
  return ColumnEncoding(column, options.collations);
}

// Stored text in `encoding` to UTF-8, appended to `out`. With `stopAtZero`
// the text ends at the first zero character (byte, or code unit for the
// wide encodings); without it a zero character is kept. Malformed UTF-8
// falls back to Windows-1252 for the whole value; a malformed wide code
// unit becomes U+FFFD. kBinary is decoded like kUnknown here (callers show
// hex instead).
void AppendDecodedText(std::string& out, ByteView bytes, TextEncoding encoding, bool stopAtZero);
std::string DecodeText(ByteView bytes, TextEncoding encoding, bool stopAtZero = true);

// "0x" and two upper-case hexadecimal digits per byte; no bytes give "".
void AppendHexText(std::string& out, ByteView bytes);
std::string HexText(ByteView bytes);
// Two upper-case hexadecimal digits per byte, nothing in front.
void AppendHexDigits(std::string& out, ByteView bytes);

// The bytes without the pad spaces at their end (CHAR values as the
// server's own reads give them).
ByteView WithoutTrailingSpaces(ByteView bytes);

}  // namespace rowmender
