#include "values/inet_values.h"

#include <array>
#include <cstdint>

namespace rowmender {

namespace {

constexpr std::size_t kGroups = 8;
// An IPv4-compatible address: six zero groups, then the IPv4 address; an
// IPv4-mapped one: five zero groups, ffff, then the IPv4 address.
constexpr std::size_t kIpv4Group = 6;
constexpr std::size_t kCompatibleZeros = 6;
constexpr std::size_t kMappedZeros = 5;
constexpr std::uint16_t kMappedMarker = 0xFFFF;
constexpr std::size_t kIpv4Offset = 12;

void AppendQuad(std::string& out, ByteView bytes) {
  for (std::size_t i = 0; i < kInet4Bytes; ++i) {
    if (i > 0) out += '.';
    out += std::to_string(bytes[i]);
  }
}

void AppendHexGroup(std::string& out, std::uint16_t group) {
  static constexpr char kHex[] = "0123456789abcdef";
  bool started = false;
  for (int shift = 12; shift >= 0; shift -= 4) {
    const unsigned digit = (group >> shift) & 0x0Fu;
    if (digit == 0 && !started && shift > 0) continue;
    started = true;
    out += kHex[digit];
  }
}

}  // namespace

bool AppendInet4Text(std::string& out, ByteView stored) {
  if (stored.size() != kInet4Bytes) return false;
  AppendQuad(out, stored);
  return true;
}

bool AppendInet6Text(std::string& out, ByteView stored) {
  if (stored.size() != kInet6Bytes) return false;
  std::array<std::uint16_t, kGroups> groups{};
  for (std::size_t i = 0; i < kGroups; ++i)
    groups[i] = static_cast<std::uint16_t>((stored[2 * i] << 8) | stored[2 * i + 1]);

  // The first longest run of zero groups.
  std::size_t gapAt = kGroups;
  std::size_t gapLength = 0;
  for (std::size_t i = 0; i < kGroups;) {
    if (groups[i] != 0) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < kGroups && groups[end] == 0)
      ++end;
    if (end - i > gapLength) {
      gapAt = i;
      gapLength = end - i;
    }
    i = end;
  }

  for (std::size_t i = 0; i < kGroups; ++i) {
    if (i == gapAt) {
      if (i == 0) out += ':';
      out += ':';
      i += gapLength - 1;
      continue;
    }
    if (i == kIpv4Group && gapAt == 0 &&
        (gapLength == kCompatibleZeros ||
         (gapLength == kMappedZeros && groups[kMappedZeros] == kMappedMarker))) {
      AppendQuad(out, stored.subspan(kIpv4Offset, kInet4Bytes));
      return true;
    }
    AppendHexGroup(out, groups[i]);
    if (i + 1 != kGroups) out += ':';
  }
  return true;
}

}  // namespace rowmender
