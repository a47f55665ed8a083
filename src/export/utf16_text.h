// UTF-16 little-endian bytes for the files the program writes (the log file
// and CSV exports). Text in memory is UTF-8; it is converted only here, on
// its way into such a file.
#pragma once

#include <string>
#include <string_view>

namespace rowmender {

// The two bytes that open a UTF-16 little-endian file.
inline constexpr std::string_view kUtf16LeByteOrderMark = "\xFF\xFE";

// `text` as UTF-16LE code units, two bytes each, without terminator. A
// malformed UTF-8 sequence becomes U+FFFD; characters beyond U+FFFF become
// surrogate pairs.
std::string Utf8ToUtf16Le(std::string_view text);

// Appends the UTF-16LE form of `text` to `out`.
void AppendUtf16Le(std::string& out, std::string_view text);

}  // namespace rowmender
