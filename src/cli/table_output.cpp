#include "cli/table_output.h"

namespace rowmender::cli {

namespace {

// The characters a TSV cell writes as escapes.
constexpr std::string_view kTsvSpecial = "\\\t\n\r";

}  // namespace

std::string TsvEscape(std::string_view cell) {
  if (cell.find_first_of(kTsvSpecial) == std::string_view::npos) return std::string(cell);
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
  std::string line;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (i != 0) line.push_back('\t');
    const std::string& cell = cells[i];
    if (cell.find_first_of(kTsvSpecial) == std::string::npos) {
      line += cell;
    } else {
      line += TsvEscape(cell);
    }
  }
  line.push_back('\n');
  out.write(line.data(), static_cast<std::streamsize>(line.size()));
}

std::string CsvEscape(std::string_view cell) {
  if (cell.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(cell);
  std::string out;
  out.reserve(cell.size() + 2);
  out.push_back('"');
  for (char c : cell) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

void WriteCsvLine(std::ostream& out, const std::vector<std::string>& cells) {
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (i != 0) out << ',';
    out << CsvEscape(cells[i]);
  }
  out << "\r\n";
}

}  // namespace rowmender::cli
