#include "values/field_value.h"

namespace rowmender {

ValueOptions ValueOptionsFor(const CTarnSalvorProjApp& app) {
  ValueOptions options;
  options.form = app.SaveMode() ? ValueForm::kSave : ValueForm::kPreview;
  options.collations = &app.collations;
  return options;
}

TextEncoding EncodingOfCharacterSet(std::string_view) {
  return TextEncoding::kUnknown;
}
TextEncoding ColumnEncoding(const ColumnDefinition&, const ValueOptions&) {
  return TextEncoding::kUnknown;
}
std::string DecodeText(ByteView bytes, TextEncoding) {
  return TextFromUtf8OrAnsi(bytes);
}
std::string HexText(ByteView) {
  return {};
}
std::string FormatIntegerValue(std::uint64_t, std::size_t, bool) {
  return {};
}
std::string FormatFloatValue(float, ValueForm) {
  return {};
}
std::string FormatDoubleValue(double, ValueForm) {
  return {};
}
std::size_t DecimalStorageSize(int, int) {
  return 0;
}
std::string FormatDecimalValue(ByteView, int, int) {
  return {};
}
std::string FormatYearValue(std::uint8_t) {
  return {};
}
std::string FormatDateValue(std::uint32_t, ValueForm) {
  return {};
}
std::string FormatLegacyTime(std::int32_t) {
  return {};
}
std::string FormatLegacyDatetime(std::uint64_t) {
  return {};
}
std::string FormatDateTimeParts(int, int, int, int, int, int) {
  return {};
}
int TemporalDecimals(const ColumnDefinition&) {
  return 0;
}
std::string FormatTimestampValue(std::uint32_t, std::uint32_t, int, ValueForm) {
  return {};
}
std::size_t Temporal56StorageSize(std::uint32_t, int) {
  return 0;
}
std::string FormatTime2Value(ByteView, int, ValueForm) {
  return {};
}
std::string FormatDatetime2Value(ByteView, int, ValueForm) {
  return {};
}
std::string FormatTimestamp2Value(ByteView, int, ValueForm) {
  return {};
}
std::size_t HiresStorageSize(std::uint32_t, int) {
  return 0;
}
std::string FormatHiresTimeValue(ByteView, int, ValueForm) {
  return {};
}
std::string FormatHiresDatetimeValue(ByteView, int, ValueForm) {
  return {};
}
std::string FormatHiresTimestampValue(ByteView, int, ValueForm) {
  return {};
}
std::string FormatBitValue(ByteView, std::uint32_t) {
  return {};
}
std::size_t EnumStorageSize(const ColumnDefinition&) {
  return 1;
}
std::size_t SetStorageSize(const ColumnDefinition&) {
  return 1;
}
std::string FormatEnumValue(const ColumnDefinition&, std::uint64_t) {
  return {};
}
std::string FormatSetValue(const ColumnDefinition&, std::uint64_t) {
  return {};
}
std::string FormatStringValue(const ColumnDefinition&, ByteView, const ValueOptions&) {
  return {};
}
std::string FormatBlobValue(const ColumnDefinition&, ByteView, const ValueOptions&) {
  return {};
}
std::string FormatGeometryValue(ByteView, const ValueOptions&) {
  return {};
}
std::size_t FixedValueSize(const ColumnDefinition&) {
  return 0;
}
std::size_t VarcharPrefixSize(const ColumnDefinition&) {
  return 1;
}
std::string FormatColumnValue(const ColumnDefinition&, ByteView, const ValueOptions&) {
  return {};
}
bool IsNullFlagSet(ByteView, std::uint32_t, std::uint8_t) {
  return false;
}
std::string ApplyNullFlag(const ColumnDefinition&, std::string text, ByteView, std::uint32_t,
                          std::uint8_t) {
  return text;
}

}  // namespace rowmender
