#include "innodb/column_value.h"

#include <algorithm>
#include <array>

namespace rowmender {

namespace {

constexpr std::uint8_t kSignBit = 0x80;
// The widest integer-like value (BIGINT, pre-5.6 DATETIME, a SET of 64).
constexpr std::size_t kWidestInteger = 8;

bool IsBlobType(std::uint32_t typeCode) {
  switch (typeCode) {
    case kTypeTinyBlob:
    case kTypeMediumBlob:
    case kTypeLongBlob:
    case kTypeBlob:
      return true;
    default:
      return false;
  }
}

// BLOB and TEXT kept within the record: every byte, whatever its length.
std::string InRecordBlobText(const ColumnDefinition& column, ByteView data,
                             const ValueOptions& options) {
  const TextEncoding encoding = ColumnEncoding(column, options);
  if (encoding == TextEncoding::kBinary) return HexText(data);
  // Save forms keep text past a zero byte; the preview stops there.
  return DecodeText(data, encoding, !options.SaveForms());
}

// The pre-5.0 DECIMAL: its digits as text, right-aligned with spaces.
std::string OldDecimalText(ByteView data) {
  std::string text = TextFromAnsi(data);
  const auto first = text.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : text.substr(first);
}

std::string ExternalText(const InnoColumn& field, ByteView data, const InnoValueContext& context) {
  const bool save = context.options.SaveForms();
  if (field.column.typeCode == kTypeGeometry) {
    if (!save) return std::string(kSpatialPlaceholder);
    if (!context.readExternal) return {};
    const std::string whole = context.readExternal(data);
    return FormatGeometryValue(
        ByteView(reinterpret_cast<const std::uint8_t*>(whole.data()), whole.size()),
        context.options);
  }
  if (!save) return std::string(kLargeExternalBlobPlaceholder);
  return context.exportExternal ? context.exportExternal(data) : std::string();
}

}  // namespace

void NormalizeStoredInteger(std::uint32_t mtype, std::uint32_t prtype,
                            std::span<std::uint8_t> bytes) {
  if (mtype != kMtypeInt || bytes.empty()) return;
  std::reverse(bytes.begin(), bytes.end());
  if ((prtype & kPrtypeUnsigned) == 0) bytes.back() ^= kSignBit;
}

std::string DecodeInnoValue(const InnoColumn& field, ByteView data, bool external,
                            const InnoValueContext& context) {
  const ColumnDefinition& column = field.column;
  if (external) return ExternalText(field, data, context);

  if (field.mtype == kMtypeInt) {
    if (data.size() > kWidestInteger) return {};
    std::array<std::uint8_t, kWidestInteger> bytes{};
    std::copy(data.begin(), data.end(), bytes.begin());
    const std::span<std::uint8_t> stored(bytes.data(), data.size());
    NormalizeStoredInteger(field.mtype, field.prtype, stored);
    return FormatColumnValue(column, stored, context.options);
  }
  if (IsBlobType(column.typeCode)) return InRecordBlobText(column, data, context.options);
  if (column.typeCode == kTypeDecimalOld && field.mtype == kMtypeDecimal) {
    return OldDecimalText(data);
  }
  return FormatColumnValue(column, data, context.options);
}

}  // namespace rowmender
