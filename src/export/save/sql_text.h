// Text that goes into SQL statements: quoted identifiers, string literals
// and hexadecimal literals.
//
// Everything a save writes, to a script or to a server, passes through
// these helpers, so a name or value holding quotes, backticks, backslashes,
// zero bytes, line breaks or any non-ASCII character arrives unchanged.
// String literals use the server's backslash escapes; a save therefore
// always runs with NO_BACKSLASH_ESCAPES off (it sets its own sql_mode).
#pragma once

#include <string>
#include <string_view>

#include "base/bytes.h"

namespace rowmender {

// `name` between backticks, every backtick inside doubled. A zero character
// (which no server name can hold) becomes U+FFFD, so the text never carries
// a zero byte.
std::string QuoteIdentifier(std::string_view name);
void AppendQuotedIdentifier(std::string& out, std::string_view name);

// `text` between single quotes with the escapes \0, \', \\, \n, \r and \Z
// (byte 26); every other byte is copied as it is.
std::string QuoteString(std::string_view text);
void AppendQuotedString(std::string& out, std::string_view text);

// X'...' with two upper-case hexadecimal digits a byte; X'' for no bytes.
void AppendHexLiteral(std::string& out, ByteView bytes);
std::string HexLiteral(ByteView bytes);

// The bytes a hex text "0x4142..." stands for; false when `text` is not
// "0x" followed by an even number of hexadecimal digits.
bool ParseHexText(std::string_view text, std::string& bytes);

}  // namespace rowmender
