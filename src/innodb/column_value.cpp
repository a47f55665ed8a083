#include "innodb/column_value.h"

#include <algorithm>
#include <array>

#include "definitions/column_types.h"

namespace rowmender {

namespace {

constexpr std::uint8_t kSignBit = 0x80;
// The widest integer-like value (BIGINT, pre-5.6 DATETIME, a SET of 64).
constexpr std::size_t kWidestInteger = 8;

bool KeepsBytes(CellKind kind) {
  switch (kind) {
    case CellKind::kDecimal:
    case CellKind::kOldDecimal:
    case CellKind::kText:
    case CellKind::kBinary:
    case CellKind::kGeometry:
    case CellKind::kExternal:
      return true;
    default:
      return false;
  }
}

// The whole value of an off-page field through the context's callbacks.
class ContextLongValues final : public LongValueReader {
 public:
  explicit ContextLongValues(const InnoValueContext& context) : context_(context) {}
  Result Read(ByteView local, const std::function<void(ByteView)>& sink) const override {
    Result result;
    if (!context_.readExternal) return result;
    const std::string whole = context_.readExternal(local);
    sink(ByteView(reinterpret_cast<const std::uint8_t*>(whole.data()), whole.size()));
    result.bytes = result.expected = whole.size();
    result.complete = true;
    return result;
  }

 private:
  const InnoValueContext& context_;
};

}  // namespace

void NormalizeStoredInteger(std::uint32_t mtype, std::uint32_t prtype,
                            std::span<std::uint8_t> bytes) {
  if (mtype != kMtypeInt || bytes.empty()) return;
  std::reverse(bytes.begin(), bytes.end());
  if ((prtype & kPrtypeUnsigned) == 0) bytes.back() ^= kSignBit;
}

void DecodeInnoCell(const InnoColumn& field, const ColumnFormat& format, ByteView data,
                    bool external, Cell& cell) {
  const ColumnDefinition& column = field.column;
  if (external) {
    cell.SetBytes(CellKind::kExternal, data);
    return;
  }
  if (field.mtype == kMtypeInt) {
    if (data.size() > kWidestInteger) {
      cell.SetMissing();
      return;
    }
    std::array<std::uint8_t, kWidestInteger> bytes{};
    std::copy(data.begin(), data.end(), bytes.begin());
    const std::span<std::uint8_t> stored(bytes.data(), data.size());
    NormalizeStoredInteger(field.mtype, field.prtype, stored);
    DecodeImageValue(format, stored, cell);
    // A column typed as a string over an integer field: its bytes as stored.
    if (KeepsBytes(cell.kind)) cell.bytes = data;
    return;
  }
  if (column.typeCode == kTypeDecimalOld && field.mtype == kMtypeDecimal) {
    cell.SetBytes(CellKind::kOldDecimal, data);
    return;
  }
  DecodeImageValue(format, data, cell);
}

std::string DecodeInnoValue(const InnoColumn& field, ByteView data, bool external,
                            const InnoValueContext& context) {
  const ColumnFormat format =
      FormatOfColumn(field.column, context.options.collations, /*largeBlobPlaceholder=*/false);
  Cell cell;
  DecodeInnoCell(field, format, data, external, cell);
  ValueOptions options = context.options;
  if (context.exportExternal) {
    options.longValueSink = [&context](ByteView local, const LongValueReader&) {
      return context.exportExternal(local);
    };
  }
  const ContextLongValues longValues(context);
  return ValueText(cell, format, options, &longValues);
}

}  // namespace rowmender
