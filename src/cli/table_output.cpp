#include "cli/table_output.h"

namespace rowmender::cli {

std::string TsvEscape(std::string_view cell) {
  std::string out;
  out.reserve(cell.size());
  for (char c : cell) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

void WriteTsvLine(std::ostream& out, const std::vector<std::string>& cells) {
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (i != 0) out << '\t';
    out << TsvEscape(cells[i]);
  }
  out << '\n';
}

}  // namespace rowmender::cli
