#include "base/crc32c.h"

#include <array>
#include <cstring>

namespace rowmender {

namespace {

// The reflected Castagnoli polynomial.
constexpr std::uint32_t kPolynomial = 0x82F63B78u;

constexpr std::array<std::uint32_t, 256> MakeTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t crc = i;
    for (int bit = 0; bit < 8; ++bit)
      crc = (crc >> 1) ^ ((crc & 1u) != 0 ? kPolynomial : 0u);
    table[i] = crc;
  }
  return table;
}

constexpr std::array<std::uint32_t, 256> kTable = MakeTable();

std::uint32_t Crc32cByTable(std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i)
    crc = (crc >> 8) ^ kTable[(crc ^ data[i]) & 0xFFu];
  return crc;
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
// The processor's own instruction, eight bytes at a time.
__attribute__((target("sse4.2"))) std::uint32_t Crc32cByInstruction(std::uint32_t crc,
                                                                    const std::uint8_t* data,
                                                                    std::size_t size) {
  std::uint64_t wide = crc;
  std::size_t i = 0;
  for (; i + sizeof(std::uint64_t) <= size; i += sizeof(std::uint64_t)) {
    std::uint64_t word = 0;
    std::memcpy(&word, data + i, sizeof word);
    wide = __builtin_ia32_crc32di(wide, word);
  }
  crc = static_cast<std::uint32_t>(wide);
  for (; i < size; ++i)
    crc = __builtin_ia32_crc32qi(crc, data[i]);
  return crc;
}

bool HasInstruction() {
  static const bool has = __builtin_cpu_supports("sse4.2") != 0;
  return has;
}
#endif

}  // namespace

std::uint32_t Crc32c(ByteView bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
  if (HasInstruction()) return ~Crc32cByInstruction(crc, bytes.data(), bytes.size());
#endif
  return ~Crc32cByTable(crc, bytes.data(), bytes.size());
}

}  // namespace rowmender
