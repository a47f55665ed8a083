#include "values/export_value.h"

#include <cmath>

#include "definitions/column_types.h"
#include "values/decimal_values.h"
#include "values/enum_set_bit_values.h"
#include "values/numeric_values.h"
#include "values/temporal_values.h"
#include "values/text_values.h"

namespace rowmender {

namespace {

ResolvedValue Null(bool missing) {
  ResolvedValue value;
  value.missing = missing;
  return value;
}

ResolvedValue Text(ResolvedKind kind, const std::string& text) {
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

// Text of a string column in UTF-8; a CHAR without its pad spaces, as the
// server's own reads give it.
ResolvedValue StringText(ByteView bytes, const ColumnFormat& format, FormatScratch& scratch) {
  if (!AppendColumnText(scratch.text, bytes, format, false)) {
    ++scratch.textsNotConverted;
    ResolvedValue value = Bytes(bytes);
    value.kind = ResolvedKind::kUnconvertedText;
    return value;
  }
  const std::uint32_t type = format.Column().typeCode;
  if (type == kTypeString || type == kTypeVarString) {
    std::size_t end = scratch.text.size();
    while (end > 0 && scratch.text[end - 1] == ' ')
      --end;
    scratch.text.resize(end);
  }
  return Text(ResolvedKind::kText, scratch.text);
}

}  // namespace

ResolvedValue ResolveCell(const Cell& cell, const ColumnFormat& format,
                          const LongValueReader* longValues, FormatScratch& scratch) {
  const ColumnDefinition& column = format.Column();
  std::string& text = scratch.text;
  text.clear();
  switch (cell.kind) {
    case CellKind::kMissing:
      return Null(true);
    case CellKind::kNull:
      return Null(false);
    case CellKind::kSigned:
      AppendSigned(text, cell.integer);
      return Text(ResolvedKind::kNumber, text);
    case CellKind::kUnsigned:
    case CellKind::kYear:
      AppendUnsigned(text, cell.unsignedInteger);
      return Text(ResolvedKind::kNumber, text);
    case CellKind::kFloat:
      if (!std::isfinite(cell.real32)) {
        ++scratch.valuesNotRepresentable;
        return Null(true);
      }
      AppendFloatForStatement(text, cell.real32);
      return Text(ResolvedKind::kNumber, text);
    case CellKind::kDouble:
      if (!std::isfinite(cell.real64)) {
        ++scratch.valuesNotRepresentable;
        return Null(true);
      }
      AppendShortest(text, cell.real64);
      return Text(ResolvedKind::kNumber, text);
    case CellKind::kDecimal:
      if (!AppendDecimal(text, cell.bytes, column.precision, column.scale)) {
        ++scratch.valuesNotRepresentable;
        return Null(true);
      }
      return Text(ResolvedKind::kNumber, text);
    case CellKind::kOldDecimal: {
      std::size_t first = 0;
      while (first < cell.bytes.size() && cell.bytes[first] == ' ')
        ++first;
      AppendDecodedText(text, cell.bytes.subspan(first), TextEncoding::kSingleByte, true);
      return Text(ResolvedKind::kNumber, text);
    }
    case CellKind::kDate:
      AppendDate(text, cell.time, kFullYearWidth);
      return Text(ResolvedKind::kText, text);
    case CellKind::kTime:
      AppendTime(text, cell.time, format.decimals);
      return Text(ResolvedKind::kText, text);
    case CellKind::kDateTime:
      AppendDateTime(text, cell.time, kFullYearWidth, format.decimals);
      return Text(ResolvedKind::kText, text);
    case CellKind::kTimestamp:
      AppendDateTime(text, UtcParts(cell.unsignedInteger, cell.time.microsecond), kFullYearWidth,
                     format.decimals);
      return Text(ResolvedKind::kText, text);
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
      return StringText(cell.bytes, format, scratch);
    case CellKind::kBinary:
      return Bytes(cell.bytes);
    case CellKind::kGeometry:
      if (cell.bytes.empty()) return Null(true);
      return Bytes(cell.bytes);
    case CellKind::kExternal: {
      std::string& whole = scratch.longValue;
      whole.clear();
      LongValueReader::Result result;
      if (longValues != nullptr) {
        result = longValues->Read(cell.bytes, [&whole](ByteView part) { whole.append(AsChars(part)); });
      }
      if (!result.complete) ++scratch.valuesCutShort;
      const ByteView bytes(reinterpret_cast<const std::uint8_t*>(whole.data()), whole.size());
      if (column.typeCode == kTypeGeometry || IsBinaryColumn(column)) return Bytes(bytes);
      return StringText(bytes, format, scratch);
    }
  }
  return Null(true);
}

}  // namespace rowmender
