// MySQL's binary JSON: the form in which MySQL 5.7 and later keep the values
// of a JSON column (MariaDB's JSON is plain text and never this). A value is
// a type byte and its body: objects and arrays in a small (16-bit offsets)
// or large (32-bit offsets) form with key and value entries, small scalars
// inlined in their entry, literals, integers of 16, 32 and 64 bits, doubles,
// utf8mb4 strings with a variable-length length, and opaque values (a MySQL
// type byte and raw bytes: DATE, TIME, DATETIME, TIMESTAMP and DECIMAL among
// them).
#pragma once

#include <string>

#include "base/bytes.h"

namespace rowmender {

// Objects and arrays nested deeper than this are refused (the server itself
// neither stores nor prints deeper documents).
inline constexpr int kMaxJsonDepth = 100;

// Appends the JSON text of one stored value as the server prints the column
// (`SELECT col`): ", " between elements and members, ": " after a key, keys
// in their stored order, strings quoted with JSON escapes, doubles as the
// server writes them ("0.1", "1e300", "-0.0", "2.0"), DECIMALs as bare
// numbers, dates and times quoted with six fraction digits, other opaque
// values quoted as "base64:typeNN:...". An empty value is the JSON null, as
// the server reads it.
//
// False, with `out` as it was, when the bytes are not one whole, well-formed
// value: anything cut short, an offset or length pointing outside its
// container, a count whose entries do not fit, an unknown type, a string
// that is not UTF-8, nesting beyond kMaxJsonDepth, bytes left over after the
// value, or parts of the value shared between entries (no server writes
// that, and following them could make the text grow without bound). Every
// read is checked against `binary`; the work done and the text written grow
// only linearly with its size.
bool AppendJsonText(std::string& out, ByteView binary);

}  // namespace rowmender
