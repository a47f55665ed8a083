// Tests on the eight bytes of a 64-bit word at once, for scans that pass
// over plain text a word at a time.
#pragma once

#include <cstdint>

namespace rowmender {

inline constexpr std::uint64_t kEachByteOne = 0x0101010101010101ull;
inline constexpr std::uint64_t kEachByteHighBit = 0x8080808080808080ull;

// Non-zero when one of the bytes of `word` is zero (the classic test).
constexpr std::uint64_t ZeroByteIn(std::uint64_t word) {
  return (word - kEachByteOne) & ~word & kEachByteHighBit;
}

// Non-zero when one of the bytes of `word` is `byte`.
constexpr std::uint64_t ByteIn(std::uint64_t word, std::uint8_t byte) {
  return ZeroByteIn(word ^ (kEachByteOne * byte));
}

// Non-zero when one of the bytes of `word` is 0x80 or above.
constexpr std::uint64_t NonAsciiIn(std::uint64_t word) {
  return word & kEachByteHighBit;
}

}  // namespace rowmender
