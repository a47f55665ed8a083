// Binary DECIMAL: big-endian groups of nine digits in four bytes (a
// leftover group of 1 to 8 digits in 1 to 4 bytes), integer part first, the
// top bit inverted and every byte complemented for a negative value.
#pragma once

#include <cstddef>
#include <string>

#include "base/bytes.h"

namespace rowmender {

// Bytes a DECIMAL(precision, scale) takes.
std::size_t DecimalStorageSize(int precision, int scale);

// Appends the value's text: "-" for a negative value, the integer digits
// without leading zeros ("0" when none), and, when `scale` > 0, "." and
// exactly `scale` digits. A group beyond its digit count makes the value
// invalid: then "0" is appended and false returned. Missing bytes read as
// zero.
bool AppendDecimal(std::string& out, ByteView bytes, int precision, int scale);

// The same text written at `p`, which has room for kLongestDecimalText
// characters; the end of what was written, or null for an invalid value.
inline constexpr std::size_t kLongestDecimalText = 2 * 81 + 4;
char* PutDecimal(char* p, ByteView bytes, int precision, int scale);

// The same as a new text.
std::string FormatDecimalValue(ByteView bytes, int precision, int scale);

}  // namespace rowmender
