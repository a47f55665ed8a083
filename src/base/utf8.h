// UTF-8 helpers shared by the name decoders and the value formatters.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace rowmender {

inline constexpr std::uint32_t kInvalidCodePoint = 0xFFFFFFFF;

// Decodes the UTF-8 sequence at `i` and moves `i` past it. A malformed,
// overlong or cut-short sequence gives kInvalidCodePoint and moves one byte.
std::uint32_t DecodeUtf8At(std::string_view text, std::size_t& i);

// Appends `codePoint` in UTF-8 (U+FFFD for values that are not characters).
void AppendUtf8(std::string& out, std::uint32_t codePoint);

// How many bytes at the start of `text` are ASCII (below 0x80).
std::size_t LeadingAscii(std::string_view text);

// True when all of `text` is well-formed UTF-8.
bool IsValidUtf8(std::string_view text);

}  // namespace rowmender
