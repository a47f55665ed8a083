// Integers and reals: their texts, appended to the caller's buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace rowmender {

// Decimal digits of an integer, without padding.
void AppendSigned(std::string& out, std::int64_t value);
void AppendUnsigned(std::string& out, std::uint64_t value);

// `value` in decimal with at least `width` digits (zeros in front), the sign
// before the zeros.
void AppendPadded(std::string& out, std::int64_t value, int width);

// An integer of `width` bytes (1 to 8) held in the low bits of `bits`,
// sign-extended from its top bit when `isSigned`.
std::int64_t SignExtend(std::uint64_t bits, std::size_t width);
std::uint64_t LowBytes(std::uint64_t bits, std::size_t width);

// The preview of FLOAT and DOUBLE: six decimals ("%f").
void AppendFixedSixDecimals(std::string& out, double value);
// The shortest text that reads back to the same value.
void AppendShortest(std::string& out, float value);
void AppendShortest(std::string& out, double value);

// ---- The text of one value, each in its own call ----

// "%lld" or "%llu" of a `width`-byte integer held in the low bits of `bits`.
std::string FormatIntegerValue(std::uint64_t bits, std::size_t width, bool isSigned);

}  // namespace rowmender
