#include "values/uuid_values.h"

#include <array>

namespace rowmender {

namespace {

// A segment of the UUID: where it is in the usual order, where a record
// whose segments are swapped keeps it, its length.
struct UuidSegment {
  std::size_t usualAt;
  std::size_t recordAt;
  std::size_t length;
};
constexpr std::array<UuidSegment, 5> kSegments{{
    {0, 12, 4},  // time low
    {4, 10, 2},  // time mid
    {6, 8, 2},   // version and time high
    {8, 6, 2},   // variant and clock sequence
    {10, 0, 6},  // node
}};
// In a swapped record the variant byte comes at byte 6 and the version
// byte at byte 8.
constexpr std::size_t kRecordVariantByte = 6;
constexpr std::size_t kRecordVersionByte = 8;
constexpr std::uint8_t kHighBit = 0x80;
// Hyphens follow these bytes of the usual order.
constexpr std::array<std::size_t, 4> kHyphenAfter{3, 5, 7, 9};

// The server's test for a swapped record: a variant with its high bit and
// a version byte of 0x01 to 0x80 (as a signed byte, 1 to 127 or -128).
bool RecordIsSwapped(ByteView stored) {
  const std::uint8_t variant = stored[kRecordVariantByte];
  const std::uint8_t version = stored[kRecordVersionByte];
  return (variant & kHighBit) != 0 && version != 0 && version <= kHighBit;
}

}  // namespace

bool AppendUuidText(std::string& out, ByteView stored) {
  if (stored.size() != kUuidBytes) return false;
  std::array<std::uint8_t, kUuidBytes> usual{};
  if (RecordIsSwapped(stored)) {
    for (const UuidSegment& segment : kSegments) {
      for (std::size_t i = 0; i < segment.length; ++i)
        usual[segment.usualAt + i] = stored[segment.recordAt + i];
    }
  } else {
    for (std::size_t i = 0; i < kUuidBytes; ++i)
      usual[i] = stored[i];
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::size_t hyphen = 0;
  for (std::size_t i = 0; i < kUuidBytes; ++i) {
    out += kHex[usual[i] >> 4];
    out += kHex[usual[i] & 0x0F];
    if (hyphen < kHyphenAfter.size() && kHyphenAfter[hyphen] == i) {
      out += '-';
      ++hyphen;
    }
  }
  return true;
}

}  // namespace rowmender
