// Conversions of stored text to the program's UTF-8 text.
#pragma once

#include <string>
#include <string_view>

#include "base/bytes.h"

namespace rowmender {

// Single-byte text in the Windows-1252 code page (the usual "ANSI" page) to
// UTF-8. The five bytes that page leaves undefined map to U+0080..U+009F.
std::string Cp1252ToUtf8(ByteView bytes);

// Single-byte text up to its first zero byte, converted from Windows-1252.
std::string TextFromAnsi(ByteView bytes);

// Text decoded as UTF-8 when all of it is well-formed UTF-8 holding at least
// one multi-byte sequence; otherwise converted from Windows-1252. Stops at
// the first zero byte.
std::string TextFromUtf8OrAnsi(ByteView bytes);

// Names stored in definition files (columns, keys, value lists) are written
// by the server in UTF-8; files of old servers hold single-byte names. Same
// rule as TextFromUtf8OrAnsi, but a zero byte does not end the name.
std::string DecodeStoredName(ByteView bytes);

}  // namespace rowmender
