#include "values/export_value.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

#include "definitions/column_types.h"
#include "values/decimal_values.h"
#include "values/enum_set_bit_values.h"
#include "values/json_binary.h"
#include "values/numeric_values.h"
#include "values/plugin_type_values.h"
#include "values/temporal_values.h"
#include "values/text_values.h"

namespace rowmender {

namespace {

ResolvedValue Null(bool missing) {
  ResolvedValue value;
  value.missing = missing;
  return value;
}

ResolvedValue Text(ResolvedKind kind, std::string_view text) {
  ResolvedValue value;
  value.kind = kind;
  value.text = text;
  return value;
}

ResolvedValue Bytes(ByteView bytes) {
  ResolvedValue value;
  value.kind = ResolvedKind::kBytes;
  value.bytes = bytes;
  return value;
}

// A JSON column's value: its JSON text (UTF-8), or its stored bytes where
// they are not MySQL's binary JSON (counted: nothing is lost, but the value
// is not the text it stands for).
ResolvedValue JsonValue(ByteView bytes, FormatScratch& scratch) {
  if (AppendJsonText(scratch.text, bytes)) return Text(ResolvedKind::kText, scratch.text);
  ++scratch.textsNotConverted;
  return Bytes(bytes);
}

// Text of a string column in UTF-8; a CHAR without its pad spaces, as the
// server's own reads give it.
ResolvedValue StringText(ByteView bytes, const ColumnFormat& format, FormatScratch& scratch) {
  if (format.storedAsUtf8 && IsUtf8Text(bytes)) {
    // Already UTF-8: the value is its own text.
    std::size_t end = bytes.size();
    if (format.padded) {
      while (end > 0 && bytes[end - 1] == ' ')
        --end;
    }
    return Text(ResolvedKind::kText, AsChars(bytes.first(end)));
  }
  if (!AppendColumnText(scratch.text, bytes, format, false)) {
    ++scratch.textsNotConverted;
    ResolvedValue value = Bytes(bytes);
    value.kind = ResolvedKind::kUnconvertedText;
    return value;
  }
  if (format.padded) {
    std::size_t end = scratch.text.size();
    while (end > 0 && scratch.text[end - 1] == ' ')
      --end;
    scratch.text.resize(end);
  }
  return Text(ResolvedKind::kText, scratch.text);
}

// A string column's stored bytes; a CHAR without its pad spaces (whole
// code units of a wide character set), as the server's own reads give it.
ResolvedValue StoredText(ByteView bytes, const ColumnFormat& format) {
  if (format.padded) {
    const std::size_t unit = format.charset ? format.charset->UnitWidth() : 1;
    const bool littleEndian = format.characterSet == "utf16le";
    std::size_t end = bytes.size() - bytes.size() % unit;
    while (end >= unit) {
      bool space = true;
      for (std::size_t i = 0; i < unit; ++i) {
        const std::size_t spacePosition = littleEndian ? 0 : unit - 1;
        const std::uint8_t want = i == spacePosition ? ' ' : 0;
        if (bytes[end - unit + i] != want) space = false;
      }
      if (!space) break;
      end -= unit;
    }
    if (end < bytes.size() && bytes.size() % unit == 0) bytes = bytes.first(end);
  }
  ResolvedValue value = Bytes(bytes);
  value.kind = ResolvedKind::kStoredText;
  return value;
}

}  // namespace

char* PutPlainText(char* p, const Cell& cell, const ColumnFormat& format) {
  static_assert(kLongestPlainText >= kLongestDecimalText &&
                kLongestPlainText >= kLongestTemporalText);
  char* const end = p + kLongestPlainText;
  switch (cell.kind) {
    case CellKind::kSigned:
      return std::to_chars(p, end, cell.integer).ptr;
    case CellKind::kUnsigned:
      return std::to_chars(p, end, cell.unsignedInteger).ptr;
    case CellKind::kYear:
      // Four digits: a text "0" loads as the year 2000, "0000" as the zero year.
      return PutPadded(p, static_cast<std::int64_t>(cell.unsignedInteger), kFullYearWidth);
    case CellKind::kFloat: {
      if (!std::isfinite(cell.real32)) return nullptr;
      if (cell.real32 == 0.0f && std::signbit(cell.real32)) {
        // The server keeps a negative zero FLOAT only when a tiny negative
        // number rounds to it; "-0" itself is read as 0.
        constexpr std::string_view kTinyNegative = "-1e-50";
        return std::copy(kTinyNegative.begin(), kTinyNegative.end(), p);
      }
      // The shortest text of the same value as a double: the server reads a
      // number into a FLOAT column by way of a double, so this text comes
      // back bit for bit where the float's own shortest text may round twice.
      const auto result = std::to_chars(p, end, static_cast<double>(cell.real32));
      return result.ec == std::errc{} ? result.ptr : nullptr;
    }
    case CellKind::kDouble: {
      if (!std::isfinite(cell.real64)) return nullptr;
      const auto result = std::to_chars(p, end, cell.real64);
      return result.ec == std::errc{} ? result.ptr : nullptr;
    }
    case CellKind::kDecimal: {
      const ColumnDefinition& column = format.Column();
      return PutDecimal(p, cell.bytes, column.precision, column.scale);
    }
    case CellKind::kDate:
      return PutDate(p, cell.time, kFullYearWidth);
    case CellKind::kTime:
      return PutTime(p, cell.time, format.decimals);
    case CellKind::kDateTime:
      return PutDateTime(p, cell.time, kFullYearWidth, format.decimals);
    case CellKind::kTimestamp:
      return PutDateTime(p, UtcParts(cell.unsignedInteger, cell.time.microsecond), kFullYearWidth,
                         format.decimals);
    default:
      return nullptr;
  }
}

bool AppendPlainText(std::string& out, const Cell& cell, const ColumnFormat& format) {
  char text[kLongestPlainText];
  const char* end = PutPlainText(text, cell, format);
  if (end == nullptr) return false;
  out.append(text, static_cast<std::size_t>(end - text));
  return true;
}

ResolvedValue ResolveCell(const Cell& cell, const ColumnFormat& format,
                          const LongValueReader* longValues, FormatScratch& scratch,
                          TextOutput textOutput) {
  const ColumnDefinition& column = format.Column();
  std::string& text = scratch.text;
  text.clear();
  const PlainText plain = PlainTextOf(cell.kind);
  if (plain != PlainText::kNone) {
    if (!AppendPlainText(text, cell, format)) {
      ++scratch.valuesNotRepresentable;
      return Null(true);
    }
    return Text(plain == PlainText::kNumber ? ResolvedKind::kNumber : ResolvedKind::kText, text);
  }
  switch (cell.kind) {
    case CellKind::kMissing:
      return Null(true);
    case CellKind::kNull:
      return Null(false);
    case CellKind::kOldDecimal: {
      std::size_t first = 0;
      while (first < cell.bytes.size() && cell.bytes[first] == ' ')
        ++first;
      AppendDecodedText(text, cell.bytes.subspan(first), TextEncoding::kSingleByte, true);
      return Text(ResolvedKind::kNumber, text);
    }
    case CellKind::kBit: {
      ResolvedValue value;
      value.kind = ResolvedKind::kBits;
      value.bits = cell.unsignedInteger;
      value.bitCount = std::max<std::uint32_t>(column.length, 1);
      return value;
    }
    case CellKind::kEnum:
      AppendEnumMember(text, column, cell.unsignedInteger);
      return Text(ResolvedKind::kText, text);
    case CellKind::kSet:
      AppendSetMembers(text, column, cell.unsignedInteger);
      return Text(ResolvedKind::kText, text);
    case CellKind::kText:
    case CellKind::kBinary:
      if (IsPluginTypeColumn(column)) {
        if (AppendPluginTypeText(text, column, cell.bytes)) return Text(ResolvedKind::kText, text);
        ++scratch.valuesNotRepresentable;
        return Null(true);
      }
      if (cell.kind == CellKind::kBinary) {
        if (column.typeCode == kTypeJson) return JsonValue(cell.bytes, scratch);
        return Bytes(cell.bytes);
      }
      if (column.typeCode == kTypeJson) return JsonValue(cell.bytes, scratch);
      if (textOutput == TextOutput::kStoredBytes) return StoredText(cell.bytes, format);
      return StringText(cell.bytes, format, scratch);
    case CellKind::kGeometry:
      if (cell.bytes.empty()) return Null(true);
      return Bytes(cell.bytes);
    case CellKind::kExternal: {
      std::string& whole = scratch.longValue;
      whole.clear();
      LongValueReader::Result result;
      if (longValues != nullptr) {
        result =
            longValues->Read(cell.bytes, [&whole](ByteView part) { whole.append(AsChars(part)); });
      }
      if (!result.complete) ++scratch.valuesCutShort;
      const ByteView bytes(reinterpret_cast<const std::uint8_t*>(whole.data()), whole.size());
      if (column.typeCode == kTypeJson) return JsonValue(bytes, scratch);
      if (column.typeCode == kTypeGeometry || IsBinaryColumn(column)) return Bytes(bytes);
      if (textOutput == TextOutput::kStoredBytes) return StoredText(bytes, format);
      return StringText(bytes, format, scratch);
    }
    default:
      break;  // numbers, dates and times: written above
  }
  return Null(true);
}

}  // namespace rowmender
