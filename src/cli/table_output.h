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

}  // namespace rowmender::cli
