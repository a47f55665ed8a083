#include "values/value_texts.h"

#include "definitions/column_types.h"
#include "values/decimal_values.h"
#include "values/enum_set_bit_values.h"
#include "values/json_binary.h"
#include "values/numeric_values.h"
#include "values/plugin_type_values.h"
#include "values/spatial_values.h"
#include "values/temporal_values.h"
#include "values/text_values.h"

namespace rowmender {

namespace {

void TrimTrailingSpacesFrom(std::string& out, std::size_t start) {
  std::size_t end = out.size();
  while (end > start && out[end - 1] == ' ')
    --end;
  out.resize(end);
}

// CHAR and VARCHAR values.
void AppendStringText(std::string& out, const Cell& cell, const ColumnFormat& format, bool save) {
  const ColumnDefinition& column = format.Column();
  if (cell.kind == CellKind::kBinary) {
    if (!save && cell.bytes.size() >= kPreviewBinaryLimit) {
      out += kBinaryPlaceholder;
    } else {
      AppendHexText(out, cell.bytes);
    }
    return;
  }
  const std::size_t start = out.size();
  if (!AppendColumnText(out, cell.bytes, format, !save)) {
    AppendUnconvertedText(out, cell.bytes, format);
    return;
  }
  if (column.typeCode == kTypeString || column.typeCode == kTypeVarString) {
    TrimTrailingSpacesFrom(out, start);
  }
}

// A JSON column's value: its JSON text, or its bytes in hex where they are
// not MySQL's binary JSON.
void AppendJsonOrHex(std::string& out, ByteView bytes) {
  if (!AppendJsonText(out, bytes)) AppendHexText(out, bytes);
}

// Hands on a JSON column's off-page value as its JSON text (as its stored
// bytes where the chain ended early or they do not decode).
class JsonTextReader final : public LongValueReader {
 public:
  explicit JsonTextReader(const LongValueReader& stored) : stored_(stored) {}

  Result Read(ByteView local, const std::function<void(ByteView)>& sink) const override {
    std::string whole;
    Result result = stored_.Read(local, [&whole](ByteView part) { whole.append(AsChars(part)); });
    const ByteView bytes(reinterpret_cast<const std::uint8_t*>(whole.data()), whole.size());
    std::string text;
    if (result.complete && AppendJsonText(text, bytes)) {
      sink(ByteView(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
      result.bytes = text.size();
      result.expected = text.size();
      return result;
    }
    sink(bytes);
    return result;
  }

 private:
  const LongValueReader& stored_;
};

// BLOB, TEXT and JSON values kept in the record.
void AppendBlobText(std::string& out, const Cell& cell, const ColumnFormat& format, bool save) {
  if (!save && format.largeBlobPlaceholder && cell.bytes.size() >= kPreviewBlobLimit) {
    out += kLargeBlobPlaceholder;
    return;
  }
  if (format.Column().typeCode == kTypeJson) {
    AppendJsonOrHex(out, cell.bytes);
  } else if (cell.kind == CellKind::kBinary) {
    AppendHexText(out, cell.bytes);
  } else if (!AppendColumnText(out, cell.bytes, format, !save)) {
    AppendUnconvertedText(out, cell.bytes, format);
  }
}

void AppendExternalText(std::string& out, const Cell& cell, const ColumnFormat& format,
                        const ValueOptions& options, const LongValueReader* longValues) {
  const bool geometry = format.Column().typeCode == kTypeGeometry;
  const bool json = format.Column().typeCode == kTypeJson;
  if (!options.SaveForms()) {
    out += geometry ? kSpatialPlaceholder : kLargeExternalBlobPlaceholder;
    return;
  }
  if (longValues == nullptr) return;
  if (!geometry && options.longValueSink) {
    if (json) {
      out += options.longValueSink(cell.bytes, JsonTextReader(*longValues));
    } else {
      out += options.longValueSink(cell.bytes, *longValues);
    }
    return;
  }
  std::string whole;
  longValues->Read(cell.bytes, [&whole](ByteView part) { whole.append(AsChars(part)); });
  const ByteView bytes(reinterpret_cast<const std::uint8_t*>(whole.data()), whole.size());
  if (geometry) {
    AppendSpatialSaveText(out, bytes);
  } else if (json) {
    AppendJsonOrHex(out, bytes);
  } else if (IsBinaryColumn(format.Column())) {
    AppendHexText(out, bytes);
  } else if (!AppendColumnText(out, bytes, format, false)) {
    AppendUnconvertedText(out, bytes, format);
  }
}

}  // namespace

void AppendValueText(std::string& out, const Cell& cell, const ColumnFormat& format,
                     const ValueOptions& options, const LongValueReader* longValues) {
  const ColumnDefinition& column = format.Column();
  const bool save = options.SaveForms();
  const int fraction = save ? format.decimals : 0;
  switch (cell.kind) {
    case CellKind::kMissing:
      return;
    case CellKind::kNull:
      out += kNullText;
      return;
    case CellKind::kSigned:
      AppendSigned(out, cell.integer);
      return;
    case CellKind::kUnsigned:
      AppendUnsigned(out, cell.unsignedInteger);
      return;
    case CellKind::kFloat:
      if (save) {
        AppendShortest(out, cell.real32);
      } else {
        AppendFixedSixDecimals(out, static_cast<double>(cell.real32));
      }
      return;
    case CellKind::kDouble:
      if (save) {
        AppendShortest(out, cell.real64);
      } else {
        AppendFixedSixDecimals(out, cell.real64);
      }
      return;
    case CellKind::kDecimal:
      AppendDecimal(out, cell.bytes, column.precision, column.scale);
      return;
    case CellKind::kOldDecimal: {
      std::size_t first = 0;
      while (first < cell.bytes.size() && cell.bytes[first] == ' ')
        ++first;
      AppendDecodedText(out, cell.bytes.subspan(first), TextEncoding::kSingleByte, true);
      return;
    }
    case CellKind::kYear:
      if (column.length == 2) {
        AppendPadded(out, static_cast<std::int64_t>(cell.unsignedInteger % 100), 2);
      } else {
        AppendPadded(out, static_cast<std::int64_t>(cell.unsignedInteger), kFullYearWidth);
      }
      return;
    case CellKind::kDate:
      AppendDate(out, cell.time, save ? kFullYearWidth : cell.time.previewYearWidth);
      return;
    case CellKind::kTime:
      AppendTime(out, cell.time, fraction);
      return;
    case CellKind::kDateTime:
      AppendDateTime(out, cell.time, save ? kFullYearWidth : cell.time.previewYearWidth, fraction);
      return;
    case CellKind::kTimestamp:
      AppendLocalTimestamp(out, cell.unsignedInteger, cell.time.microsecond, format.decimals,
                           options.form);
      return;
    case CellKind::kBit:
      AppendBits(out, cell.unsignedInteger, column.length);
      return;
    case CellKind::kEnum:
      AppendEnumMember(out, column, cell.unsignedInteger);
      return;
    case CellKind::kSet:
      AppendSetMembers(out, column, cell.unsignedInteger);
      return;
    case CellKind::kText:
    case CellKind::kBinary:
      if (IsPluginTypeColumn(column)) {
        // A value of the wrong size (damage) is shown as its bytes.
        if (AppendPluginTypeText(out, column, cell.bytes)) return;
        static constexpr char kHex[] = "0123456789ABCDEF";
        out += "0x";
        for (const std::uint8_t b : cell.bytes) {
          out += kHex[b >> 4];
          out += kHex[b & 0x0F];
        }
        return;
      }
      if (IsBlobType(column.typeCode) || column.typeCode == kTypeJson) {
        AppendBlobText(out, cell, format, save);
      } else {
        AppendStringText(out, cell, format, save);
      }
      return;
    case CellKind::kGeometry:
      if (save) {
        AppendSpatialSaveText(out, cell.bytes);
      } else {
        out += kSpatialPlaceholder;
      }
      return;
    case CellKind::kExternal:
      AppendExternalText(out, cell, format, options, longValues);
      return;
  }
}

std::string ValueText(const Cell& cell, const ColumnFormat& format, const ValueOptions& options,
                      const LongValueReader* longValues) {
  std::string out;
  AppendValueText(out, cell, format, options, longValues);
  return out;
}

void AppendRowTexts(const RowBuffer& row, const TableFormat& formats, const ValueOptions& options,
                    DecodedRow& out) {
  out.deleted = row.deleted;
  out.history = IsHistoryRow(row, formats);
  out.values.resize(row.cells.size());
  out.kinds.resize(row.cells.size());
  for (std::size_t i = 0; i < row.cells.size(); ++i) {
    std::string& text = out.values[i];
    text.clear();
    out.kinds[i] = row.cells[i].kind;
    if (i < formats.Size()) {
      AppendValueText(text, row.cells[i], formats[i], options, row.longValues);
    }
  }
}

DecodedRow RowTexts(const RowBuffer& row, const TableFormat& formats, const ValueOptions& options) {
  DecodedRow out;
  AppendRowTexts(row, formats, options, out);
  return out;
}

bool IsHistoryRow(const RowBuffer& row, const TableFormat& formats) {
  // The largest TIMESTAMP (2038-01-19 03:14:07 UTC) with all six
  // fractional digits, and the largest transaction id.
  constexpr std::uint64_t kLastTimestampSecond = 0x7FFFFFFF;
  constexpr std::uint32_t kLastMicrosecond = 999999;
  constexpr std::uint64_t kLastTransaction = ~std::uint64_t{0};
  for (std::size_t i = 0; i < formats.Size() && i < row.cells.size(); ++i) {
    if (formats[i].Column().periodEdge != RowPeriodEdge::kRowEnd) continue;
    const Cell& cell = row.cells[i];
    if (cell.kind == CellKind::kTimestamp) {
      return cell.unsignedInteger != kLastTimestampSecond ||
             cell.time.microsecond != kLastMicrosecond;
    }
    if (cell.kind == CellKind::kUnsigned) return cell.unsignedInteger != kLastTransaction;
    return false;
  }
  return false;
}

}  // namespace rowmender
