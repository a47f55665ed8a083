// TSV in the server's SELECT ... INTO OUTFILE default format.
#include <array>

#include "values/enum_set_bit_values.h"
#include "values/export_formats.h"
#include "values/export_value.h"

namespace rowmender {

void AppendTsvBytes(std::string& out, ByteView bytes) {
  std::size_t plain = 0;
  const char* data = reinterpret_cast<const char*>(bytes.data());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const std::uint8_t b = bytes[i];
    if (b != '\\' && b != '\t' && b != '\n' && b != 0) continue;
    out.append(data + plain, i - plain);
    out.push_back('\\');
    out.push_back(b == 0 ? '0' : static_cast<char>(b));
    plain = i + 1;
  }
  out.append(data + plain, bytes.size() - plain);
}

void AppendTsvField(std::string& out, const Cell& cell, const ColumnFormat& format,
                    const LongValueReader* longValues, FormatScratch& scratch) {
  const ResolvedValue value =
      ResolveCell(cell, format, longValues, scratch, TextOutput::kStoredBytes);
  switch (value.kind) {
    case ResolvedKind::kNull:
      out += "\\N";
      return;
    case ResolvedKind::kNumber:
      out += value.text;
      return;
    case ResolvedKind::kText:
      AppendTsvBytes(out, ByteView(reinterpret_cast<const std::uint8_t*>(value.text.data()),
                                   value.text.size()));
      return;
    case ResolvedKind::kBytes:
    case ResolvedKind::kStoredText:
    case ResolvedKind::kUnconvertedText:
      AppendTsvBytes(out, value.bytes);
      return;
    case ResolvedKind::kBits: {
      // The server writes a BIT value as its bytes, most significant first.
      const std::size_t count = BitByteCount(value.bitCount);
      std::array<std::uint8_t, 8> bytes{};
      for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<std::uint8_t>(value.bits >> (8 * (count - 1 - i)));
      }
      AppendTsvBytes(out, ByteView(bytes.data(), count));
      return;
    }
  }
}

}  // namespace rowmender
