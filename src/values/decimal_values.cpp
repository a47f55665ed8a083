#include "values/decimal_values.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <iterator>

namespace rowmender {

namespace {

constexpr int kDigitsPerGroup = 9;
constexpr std::size_t kGroupBytes = 4;
constexpr std::array<std::size_t, 10> kLeftoverBytes = {0, 1, 1, 2, 2, 3, 3, 4, 4, 4};
// 10 to the power of a group's digit count: the first value it cannot hold.
constexpr std::array<std::uint64_t, 10> kGroupLimits = {
    1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};
// Digits that precision and scale may claim; a definition beyond this is
// damaged and is read as this.
constexpr int kMaxDecimalDigits = 81;

struct DecimalShape {
  int integerDigits = 0;
  int fractionDigits = 0;
};

DecimalShape ShapeOf(int precision, int scale) {
  DecimalShape shape;
  shape.fractionDigits = std::clamp(scale, 0, kMaxDecimalDigits);
  shape.integerDigits = std::clamp(precision - shape.fractionDigits, 0, kMaxDecimalDigits);
  return shape;
}

std::size_t DigitBytes(int digits) {
  return static_cast<std::size_t>(digits / kDigitsPerGroup) * kGroupBytes +
         kLeftoverBytes[static_cast<std::size_t>(digits % kDigitsPerGroup)];
}

// Digits of a decimal, written into a fixed buffer as they are read.
class DigitWriter {
 public:
  DigitWriter(ByteView stored, bool negative) : stored_(stored), negative_(negative) {}

  // Reads a group of `digits` digits (1 to 9) and writes it padded to that
  // many digits.
  void Group(int digits) {
    const std::size_t width = kLeftoverBytes[static_cast<std::size_t>(digits)];
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
      std::uint8_t b = ByteAt(stored_, position_ + i);
      if (position_ + i == 0) b ^= 0x80;
      if (negative_) b = static_cast<std::uint8_t>(~b);
      value = (value << 8) | b;
    }
    position_ += width;
    if (value >= kGroupLimits[static_cast<std::size_t>(digits)]) valid_ = false;
    for (int i = digits; i-- > 0;) {
      digits_[count_ + static_cast<std::size_t>(i)] = static_cast<char>('0' + value % 10);
      value /= 10;
    }
    count_ += static_cast<std::size_t>(digits);
  }

  std::size_t Count() const { return count_; }
  const char* Digits() const { return digits_.data(); }
  bool Valid() const { return valid_; }

 private:
  ByteView stored_;
  bool negative_;
  std::size_t position_ = 0;
  std::size_t count_ = 0;
  bool valid_ = true;
  std::array<char, 2 * kMaxDecimalDigits + kDigitsPerGroup> digits_{};
};

// Reads groups of digits from the stored bytes into one number.
class GroupReader {
 public:
  GroupReader(ByteView stored, bool negative) : stored_(stored), negative_(negative) {}

  // Reads `digits` digits (a leftover group first, then whole groups) and
  // adds them to `value` (`value` * 10^digits + group).
  void Read(int digits, std::uint64_t& value) {
    const int leftover = digits % kDigitsPerGroup;
    if (leftover > 0) Group(leftover, value);
    for (int i = 0; i < digits / kDigitsPerGroup; ++i)
      Group(kDigitsPerGroup, value);
  }
  // The same, but the leftover group last (the fraction's order).
  void ReadFraction(int digits, std::uint64_t& value) {
    for (int i = 0; i < digits / kDigitsPerGroup; ++i)
      Group(kDigitsPerGroup, value);
    const int leftover = digits % kDigitsPerGroup;
    if (leftover > 0) Group(leftover, value);
  }
  bool Valid() const { return valid_; }

 private:
  void Group(int digits, std::uint64_t& value) {
    const std::size_t width = kLeftoverBytes[static_cast<std::size_t>(digits)];
    std::uint64_t group = 0;
    for (std::size_t i = 0; i < width; ++i) {
      std::uint8_t b = ByteAt(stored_, position_ + i);
      if (position_ + i == 0) b ^= 0x80;
      if (negative_) b = static_cast<std::uint8_t>(~b);
      group = (group << 8) | b;
    }
    position_ += width;
    if (group >= kGroupLimits[static_cast<std::size_t>(digits)]) valid_ = false;
    value = value * kGroupLimits[static_cast<std::size_t>(digits)] + group;
  }

  ByteView stored_;
  bool negative_;
  std::size_t position_ = 0;
  bool valid_ = true;
};

// Digits that fit one 64-bit number with room to spare.
constexpr int kFastDigits = 18;

}  // namespace

std::size_t DecimalStorageSize(int precision, int scale) {
  const DecimalShape shape = ShapeOf(precision, scale);
  return DigitBytes(shape.integerDigits) + DigitBytes(shape.fractionDigits);
}

char* PutDecimal(char* p, ByteView bytes, int precision, int scale) {
  const DecimalShape shape = ShapeOf(precision, scale);
  if (DecimalStorageSize(precision, scale) == 0) {
    *p++ = '0';
    return p;
  }
  const bool negative = (ByteAt(bytes, 0) & 0x80) == 0;
  if (shape.integerDigits <= kFastDigits && shape.fractionDigits <= kFastDigits) {
    // Most columns: each part one number, written whole.
    GroupReader reader(bytes, negative);
    std::uint64_t integer = 0;
    std::uint64_t fraction = 0;
    reader.Read(shape.integerDigits, integer);
    reader.ReadFraction(shape.fractionDigits, fraction);
    if (!reader.Valid()) return nullptr;
    if (negative && (integer != 0 || fraction != 0)) *p++ = '-';
    p = std::to_chars(p, p + kLongestDecimalText, integer).ptr;
    if (shape.fractionDigits > 0) {
      *p++ = '.';
      char digits[24];
      const char* last = std::to_chars(std::begin(digits), std::end(digits), fraction).ptr;
      const auto count = static_cast<int>(last - digits);
      for (int i = count; i < shape.fractionDigits; ++i)
        *p++ = '0';
      p = std::copy(static_cast<const char*>(digits), last, p);
    }
    return p;
  }
  DigitWriter writer(bytes, negative);
  const int integerLeftover = shape.integerDigits % kDigitsPerGroup;
  if (integerLeftover > 0) writer.Group(integerLeftover);
  for (int i = 0; i < shape.integerDigits / kDigitsPerGroup; ++i)
    writer.Group(kDigitsPerGroup);
  const std::size_t integerCount = writer.Count();
  for (int i = 0; i < shape.fractionDigits / kDigitsPerGroup; ++i)
    writer.Group(kDigitsPerGroup);
  const int fractionLeftover = shape.fractionDigits % kDigitsPerGroup;
  if (fractionLeftover > 0) writer.Group(fractionLeftover);
  if (!writer.Valid()) return nullptr;

  const char* digits = writer.Digits();
  std::size_t firstInteger = 0;
  while (firstInteger < integerCount && digits[firstInteger] == '0')
    ++firstInteger;
  const bool zero =
      firstInteger == integerCount &&
      std::all_of(digits + integerCount, digits + writer.Count(), [](char c) { return c == '0'; });
  if (negative && !zero) *p++ = '-';
  if (firstInteger == integerCount) {
    *p++ = '0';
  } else {
    p = std::copy(digits + firstInteger, digits + integerCount, p);
  }
  if (shape.fractionDigits > 0) {
    *p++ = '.';
    p = std::copy(digits + integerCount, digits + writer.Count(), p);
  }
  return p;
}

bool AppendDecimal(std::string& out, ByteView bytes, int precision, int scale) {
  char text[kLongestDecimalText];
  const char* end = PutDecimal(text, bytes, precision, scale);
  if (end == nullptr) {
    out.push_back('0');
    return false;
  }
  out.append(text, static_cast<std::size_t>(end - text));
  return true;
}

std::string FormatDecimalValue(ByteView bytes, int precision, int scale) {
  std::string out;
  AppendDecimal(out, bytes, precision, scale);
  return out;
}

}  // namespace rowmender
