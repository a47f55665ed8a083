#include "export/save/sql_text.h"

namespace rowmender {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr char kCtrlZ = 26;
// U+FFFD in UTF-8, written for a zero character in a name.
constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

void AppendQuotedIdentifier(std::string& out, std::string_view name) {
  out.reserve(out.size() + name.size() + 2);
  out.push_back('`');
  for (char c : name) {
    if (c == '`') {
      out += "``";
    } else if (c == '\0') {
      out += kReplacementCharacter;
    } else {
      out.push_back(c);
    }
  }
  out.push_back('`');
}

std::string QuoteIdentifier(std::string_view name) {
  std::string out;
  AppendQuotedIdentifier(out, name);
  return out;
}

void AppendQuotedString(std::string& out, std::string_view text) {
  out.reserve(out.size() + text.size() + 2);
  out.push_back('\'');
  for (char c : text) {
    switch (c) {
      case '\0':
        out += "\\0";
        break;
      case '\'':
        out += "\\'";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case kCtrlZ:
        out += "\\Z";
        break;
      default:
        out.push_back(c);
    }
  }
  out.push_back('\'');
}

std::string QuoteString(std::string_view text) {
  std::string out;
  AppendQuotedString(out, text);
  return out;
}

void AppendHexLiteral(std::string& out, ByteView bytes) {
  out.reserve(out.size() + bytes.size() * 2 + 3);
  out += "X'";
  for (std::uint8_t b : bytes) {
    out.push_back(kHexDigits[b >> 4]);
    out.push_back(kHexDigits[b & 0x0F]);
  }
  out.push_back('\'');
}

std::string HexLiteral(ByteView bytes) {
  std::string out;
  AppendHexLiteral(out, bytes);
  return out;
}

bool ParseHexText(std::string_view text, std::string& bytes) {
  if (text.size() < 2 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) return false;
  text.remove_prefix(2);
  if (text.size() % 2 != 0) return false;
  bytes.clear();
  bytes.reserve(text.size() / 2);
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int high = HexValue(text[i]);
    const int low = HexValue(text[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes.push_back(static_cast<char>((high << 4) | low));
  }
  return true;
}

}  // namespace rowmender
