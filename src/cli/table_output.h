// Writing grids of text cells on the command line.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace rowmender::cli {

// A cell for tab-separated output: backslash, tab, line feed and carriage
// return written as \\, \t, \n and \r.
std::string TsvEscape(std::string_view cell);

// One line of tab-separated cells, ended by a line feed.
void WriteTsvLine(std::ostream& out, const std::vector<std::string>& cells);

// A cell for comma-separated output (RFC 4180): enclosed in double quotes,
// with every double quote doubled, when it holds a comma, a double quote, a
// carriage return or a line feed; as it is otherwise.
std::string CsvEscape(std::string_view cell);

// One line of comma-separated cells, ended by CR LF (RFC 4180).
void WriteCsvLine(std::ostream& out, const std::vector<std::string>& cells);

// `text` as a JSON string, in double quotes: quotation mark, backslash and
// control characters escaped, and each byte that is not part of a valid
// UTF-8 sequence written as U+FFFD, so the output is always valid JSON.
std::string JsonString(std::string_view text);

}  // namespace rowmender::cli
