// TSV in the server's SELECT ... INTO OUTFILE default format.
#include <array>
#include <cstring>

#include "base/word_scan.h"
#include "values/enum_set_bit_values.h"
#include "values/export_formats.h"
#include "values/export_value.h"

namespace rowmender {

void AppendTsvBytes(std::string& out, ByteView bytes) {
  std::size_t plain = 0;
  const char* data = reinterpret_cast<const char*>(bytes.data());
  std::size_t i = 0;
  while (i < bytes.size()) {
    // Eight bytes at a time while none of them needs an escape.
    if (bytes.size() - i >= sizeof(std::uint64_t)) {
      std::uint64_t word = 0;
      std::memcpy(&word, data + i, sizeof word);
      if ((ZeroByteIn(word) | ByteIn(word, '\\') | ByteIn(word, '\t') | ByteIn(word, '\n')) == 0) {
        i += sizeof word;
        continue;
      }
    }
    const std::uint8_t b = bytes[i++];
    if (b != '\\' && b != '\t' && b != '\n' && b != 0) continue;
    out.append(data + plain, i - 1 - plain);
    out.push_back('\\');
    out.push_back(b == 0 ? '0' : static_cast<char>(b));
    plain = i;
  }
  out.append(data + plain, bytes.size() - plain);
}

void AppendTsvField(std::string& out, const Cell& cell, const ColumnFormat& format,
                    const LongValueReader* longValues, FormatScratch& scratch) {
  if (PlainTextOf(cell.kind) != PlainText::kNone && AppendPlainText(out, cell, format)) return;
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
