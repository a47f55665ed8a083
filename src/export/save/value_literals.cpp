#include "export/save/value_literals.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <optional>

#include "base/data_file.h"
#include "base/text_codec.h"
#include "base/utf8.h"
#include "definitions/column_types.h"
#include "export/save/sql_text.h"
#include "values/field_value.h"

namespace rowmender {

namespace {

constexpr std::string_view kNullLiteral = "NULL";
// Long values beyond this size are not read back (no server takes a
// statement this large).
constexpr std::uint64_t kMaxBlobFileBytes = 1ull << 30;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Windows-1252 byte of a code point, as Cp1252ToUtf8 maps the bytes.
std::optional<std::uint8_t> Cp1252Byte(std::uint32_t codePoint) {
  constexpr std::uint32_t kAsciiEnd = 0x80;
  constexpr std::uint32_t kUpperHalfStart = 0xA0;
  constexpr std::uint32_t kByteEnd = 0x100;
  if (codePoint < kAsciiEnd) return static_cast<std::uint8_t>(codePoint);
  if (codePoint >= kUpperHalfStart && codePoint < kByteEnd) {
    return static_cast<std::uint8_t>(codePoint);
  }
  // 0x80..0x9F: the page's own characters, and C1 controls for the five
  // bytes it leaves undefined.
  static const std::array<std::uint32_t, kUpperHalfStart - kAsciiEnd> kMiddle = [] {
    std::array<std::uint32_t, kUpperHalfStart - kAsciiEnd> table{};
    for (std::uint32_t b = kAsciiEnd; b < kUpperHalfStart; ++b) {
      const std::uint8_t byte = static_cast<std::uint8_t>(b);
      const std::string utf8 = Cp1252ToUtf8(ByteView(&byte, 1));
      std::size_t at = 0;
      table[b - kAsciiEnd] = DecodeUtf8At(utf8, at);
    }
    return table;
  }();
  for (std::uint32_t b = kAsciiEnd; b < kUpperHalfStart; ++b) {
    if (kMiddle[b - kAsciiEnd] == codePoint) return static_cast<std::uint8_t>(b);
  }
  return std::nullopt;
}

ByteView AsBytes(std::string_view text) {
  return ByteView(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

// The missing value of a column: NULL where allowed, else the type's
// empty value.
void AppendMissing(std::string& out, const ColumnDefinition& column) {
  if (column.nullable) {
    out += kNullLiteral;
  } else if (IsNumericType(column.typeCode)) {
    out += '0';
  } else {
    out += "''";
  }
}

// The content of a long value's file, when `text` names one in the
// context's folder. Sets `unreadable` when it names one that cannot be read.
// True when `text` names a file of the context's folder of long values:
// a number as the file name, in that folder (the same folder however the
// path was written).
bool NamesBlobFile(std::string_view text, const LiteralContext& context) {
  if (context.blobFolder.empty()) return false;
  const std::size_t slash = text.rfind('/');
  if (slash == std::string_view::npos || slash + 1 == text.size()) return false;
  for (char c : text.substr(slash + 1)) {
    if (!IsDigit(c)) return false;
  }
  const std::string_view folder = text.substr(0, slash + 1);
  if (folder == context.blobFolder) return true;
  if (text.find("blobdata/") == std::string_view::npos) return false;
  std::error_code error;
  return std::filesystem::equivalent(std::string(folder), context.blobFolder, error);
}

// The content of a long value's file, when `text` names one in the
// context's folder. Sets `unreadable` when it names one that cannot be read.
bool ReadBlobFile(std::string_view text, const LiteralContext& context, std::string& bytes,
                  bool& unreadable) {
  unreadable = false;
  if (!NamesBlobFile(text, context)) return false;
  const std::string path(text);
  DataFile file;
  if (!file.Open(path) || file.Size() > kMaxBlobFileBytes) {
    unreadable = true;
    return true;
  }
  const std::vector<std::uint8_t> content =
      file.ReadBlock(0, static_cast<std::size_t>(file.Size()));
  bytes.assign(content.begin(), content.end());
  file.Close();
  if (context.removeBlobFiles) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
  }
  return true;
}

bool IsPlainCharsetName(std::string_view name) {
  if (name.empty()) return false;
  for (char c : name) {
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')) return false;
  }
  return true;
}

void AppendBlobFileLiteral(std::string& out, const ColumnDefinition& column,
                           const std::string& bytes, const LiteralContext& context) {
  // The file holds the stored bytes in the column's own character set; an
  // introducer says so, and the server takes them without conversion.
  if (!IsBinaryColumn(column) && context.collations != nullptr) {
    const CollationEntry* entry = context.collations->Lookup(column.charsetId);
    if (entry != nullptr && IsPlainCharsetName(entry->characterSetName)) {
      out += '_';
      out += entry->characterSetName;
      out += ' ';
    }
  }
  AppendHexLiteral(out, AsBytes(bytes));
}

void AppendBitLiteral(std::string& out, std::string_view text) {
  out += "b'";
  out += text.empty() ? "0" : text;
  out += '\'';
}

bool IsBitText(std::string_view text) {
  for (char c : text) {
    if (c != '0' && c != '1') return false;
  }
  return true;
}

int Digits(std::string_view text, std::size_t at, std::size_t count) {
  int value = 0;
  for (std::size_t i = at; i < at + count; ++i)
    value = value * 10 + (text[i] - '0');
  return value;
}

}  // namespace

std::string LocalTimestampToUtc(std::string_view text) {
  // YYYY-MM-DD hh:mm:ss, then optionally '.' and digits.
  constexpr std::string_view kShape = "0000-00-00 00:00:00";
  if (text.size() < kShape.size()) return std::string(text);
  for (std::size_t i = 0; i < kShape.size(); ++i) {
    if ((kShape[i] == '0') != IsDigit(text[i]) || (kShape[i] != '0' && kShape[i] != text[i])) {
      return std::string(text);
    }
  }
  const std::string_view fraction = text.substr(kShape.size());
  if (!fraction.empty()) {
    if (fraction[0] != '.') return std::string(text);
    for (std::size_t i = 1; i < fraction.size(); ++i) {
      if (!IsDigit(fraction[i])) return std::string(text);
    }
  }
  std::tm local{};
  local.tm_year = Digits(text, 0, 4) - 1900;
  local.tm_mon = Digits(text, 5, 2) - 1;
  local.tm_mday = Digits(text, 8, 2);
  local.tm_hour = Digits(text, 11, 2);
  local.tm_min = Digits(text, 14, 2);
  local.tm_sec = Digits(text, 17, 2);
  local.tm_isdst = -1;
  // The zero timestamp, and zero parts no moment has, stay as they are.
  if (local.tm_year + 1900 == 0 || local.tm_mon < 0 || local.tm_mday == 0) return std::string(text);
  const std::time_t moment = std::mktime(&local);
  std::tm utc{};
  if (moment == static_cast<std::time_t>(-1) || gmtime_r(&moment, &utc) == nullptr) {
    return std::string(text);
  }
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", utc.tm_year + 1900,
                utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
  std::string out(buffer);
  out += fraction;
  return out;
}

bool IsNumericLiteral(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) {
    ++i;
    ++digits;
  }
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) {
      ++i;
      ++digits;
    }
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    std::size_t exponentDigits = 0;
    while (i < text.size() && IsDigit(text[i])) {
      ++i;
      ++exponentDigits;
    }
    if (exponentDigits == 0) return false;
  }
  return i == text.size();
}

bool SpatialBytesFromText(std::string_view text, std::string& bytes) {
  if (ParseHexText(text, bytes)) return true;
  bytes.clear();
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '0') {
      bytes.push_back('\0');
      i += 2;
      continue;
    }
    const std::uint32_t codePoint = DecodeUtf8At(text, i);
    const std::optional<std::uint8_t> byte = Cp1252Byte(codePoint);
    if (!byte) return false;
    bytes.push_back(static_cast<char>(*byte));
  }
  return true;
}

void AppendValueLiteral(std::string& out, const ColumnDefinition& column, std::string_view text,
                        const LiteralContext& context, LiteralProblems& problems) {
  if (text == kNullText && column.nullable) {
    out += kNullLiteral;
    return;
  }
  const std::uint32_t type = column.typeCode;
  if ((type == kTypeTimestamp || type == kTypeTimestamp2) && context.timestampsInLocalTime) {
    AppendQuotedString(out, LocalTimestampToUtc(text));
    return;
  }
  if (IsNumericType(type)) {
    if (IsNumericLiteral(text)) {
      out += text;
    } else {
      AppendQuotedString(out, text);
    }
    return;
  }
  if (type == kTypeBit) {
    if (IsBitText(text)) {
      AppendBitLiteral(out, text);
    } else {
      AppendQuotedString(out, text);
    }
    return;
  }
  std::string bytes;
  // A long value of any string type may have been written to a file.
  if (IsBlobType(type) || IsCharOrVarcharType(type)) {
    bool unreadable = false;
    if (ReadBlobFile(text, context, bytes, unreadable)) {
      if (unreadable) {
        ++problems.unreadableBlobFiles;
        AppendMissing(out, column);
      } else {
        AppendBlobFileLiteral(out, column, bytes, context);
      }
      return;
    }
  }
  if ((IsBlobType(type) || IsCharOrVarcharType(type)) && IsBinaryColumn(column)) {
    if (ParseHexText(text, bytes)) {
      AppendHexLiteral(out, AsBytes(bytes));
    } else {
      AppendQuotedString(out, text);
    }
    return;
  }
  if (type == kTypeGeometry) {
    if (text == kNullText) {
      AppendMissing(out, column);
    } else if (SpatialBytesFromText(text, bytes)) {
      AppendHexLiteral(out, AsBytes(bytes));
    } else {
      AppendQuotedString(out, text);
    }
    return;
  }
  AppendQuotedString(out, text);
}

std::string RowTuple(const TableDefinition& table, const std::vector<std::string>& values,
                     const LiteralContext& context, LiteralProblems& problems) {
  std::string out = "(";
  bool first = true;
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    if (ServerComputesValues(table.columns[i])) continue;
    if (!first) out += ',';
    first = false;
    if (i < values.size()) {
      AppendValueLiteral(out, table.columns[i], values[i], context, problems);
    } else {
      AppendMissing(out, table.columns[i]);
    }
  }
  out += ')';
  return out;
}

}  // namespace rowmender
