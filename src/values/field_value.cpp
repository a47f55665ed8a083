#include "values/field_value.h"

namespace rowmender {

std::string FormatFloatValue(float value, ValueForm form) {
  std::string out;
  if (form == ValueForm::kSave) {
    AppendShortest(out, value);
  } else {
    AppendFixedSixDecimals(out, static_cast<double>(value));
  }
  return out;
}

std::string FormatDoubleValue(double value, ValueForm form) {
  std::string out;
  if (form == ValueForm::kSave) {
    AppendShortest(out, value);
  } else {
    AppendFixedSixDecimals(out, value);
  }
  return out;
}

std::string FormatColumnValue(const ColumnDefinition& column, ByteView bytes,
                              const ValueOptions& options) {
  const ColumnFormat format = FormatOfColumn(column, options.collations);
  Cell cell;
  DecodeImageValue(format, bytes, cell);
  return ValueText(cell, format, options);
}

std::string FormatStringValue(const ColumnDefinition& column, ByteView bytes,
                              const ValueOptions& options) {
  ColumnDefinition asString = column;
  if (asString.typeCode != kTypeString && asString.typeCode != kTypeVarString) {
    asString.typeCode = kTypeVarchar;
  }
  const ColumnFormat format = FormatOfColumn(asString, options.collations);
  Cell cell;
  cell.SetBytes(format.encoding == TextEncoding::kBinary ? CellKind::kBinary : CellKind::kText,
                bytes);
  return ValueText(cell, format, options);
}

std::string FormatBlobValue(const ColumnDefinition& column, ByteView bytes,
                            const ValueOptions& options) {
  ColumnDefinition asBlob = column;
  asBlob.typeCode = kTypeBlob;
  const ColumnFormat format = FormatOfColumn(asBlob, options.collations);
  Cell cell;
  cell.SetBytes(format.encoding == TextEncoding::kBinary ? CellKind::kBinary : CellKind::kText,
                bytes);
  return ValueText(cell, format, options);
}

std::string FormatGeometryValue(ByteView bytes, const ValueOptions& options) {
  if (!options.SaveForms()) return std::string(kSpatialPlaceholder);
  std::string out;
  AppendSpatialSaveText(out, bytes);
  return out;
}

std::string ApplyNullFlag(const ColumnDefinition& /*column*/, std::string text, ByteView nullFlags,
                          std::uint32_t nullPosition, std::uint8_t nullBit) {
  if (IsNullFlagSet(nullFlags, nullPosition, nullBit)) return std::string(kNullText);
  return text;
}

}  // namespace rowmender
