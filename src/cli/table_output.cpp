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

namespace {

// The length of the valid UTF-8 sequence at the start of `text`; 0 when
// it does not start with one.
std::size_t Utf8SequenceLength(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing past U+10FFFF
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  if (byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

}  // namespace

std::string JsonString(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  constexpr unsigned char kFirstPrintable = 0x20;
  std::string out = "\"";
  out.reserve(text.size() + 2);
  while (!text.empty()) {
    const auto c = static_cast<unsigned char>(text[0]);
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(static_cast<char>(c));
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c < kFirstPrintable) {
      out += "\\u00";
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 0xF]);
    } else {
      const std::size_t length = Utf8SequenceLength(text);
      if (length == 0) {
        out += "\\ufffd";
        text.remove_prefix(1);
        continue;
      }
      out.append(text.substr(0, length));
      text.remove_prefix(length);
      continue;
    }
    text.remove_prefix(1);
  }
  out.push_back('"');
  return out;
}

}  // namespace rowmender::cli
