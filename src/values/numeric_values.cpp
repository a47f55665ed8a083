#include "values/numeric_values.h"

#include <algorithm>
#include <charconv>
#include <iterator>

namespace rowmender {

namespace {

// Large enough for "%f" of the largest double (309 digits and six decimals).
constexpr std::size_t kRealTextSize = 400;
constexpr int kPreviewDecimals = 6;

template <typename Number>
void AppendChars(std::string& out, Number value) {
  char digits[24];
  const auto result = std::to_chars(std::begin(digits), std::end(digits), value);
  out.append(digits, result.ptr);
}

}  // namespace

void AppendSigned(std::string& out, std::int64_t value) {
  AppendChars(out, value);
}

void AppendUnsigned(std::string& out, std::uint64_t value) {
  AppendChars(out, value);
}

void AppendPadded(std::string& out, std::int64_t value, int width) {
  if (value < 0) out.push_back('-');
  const std::uint64_t magnitude =
      value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  char digits[24];
  const auto result = std::to_chars(std::begin(digits), std::end(digits), magnitude);
  const auto count = static_cast<int>(result.ptr - digits);
  if (count < width) out.append(static_cast<std::size_t>(width - count), '0');
  out.append(digits, result.ptr);
}

std::uint64_t LowBytes(std::uint64_t bits, std::size_t width) {
  width = std::clamp<std::size_t>(width, 1, 8);
  const unsigned shift = static_cast<unsigned>(64 - 8 * width);
  return (bits << shift) >> shift;
}

std::int64_t SignExtend(std::uint64_t bits, std::size_t width) {
  width = std::clamp<std::size_t>(width, 1, 8);
  const unsigned shift = static_cast<unsigned>(64 - 8 * width);
  return static_cast<std::int64_t>(bits << shift) >> shift;
}

void AppendFixedSixDecimals(std::string& out, double value) {
  char text[kRealTextSize];
  const auto result = std::to_chars(std::begin(text), std::end(text), value,
                                    std::chars_format::fixed, kPreviewDecimals);
  if (result.ec == std::errc{}) out.append(text, result.ptr);
}

void AppendShortest(std::string& out, float value) {
  char text[kRealTextSize];
  const auto result = std::to_chars(std::begin(text), std::end(text), value);
  if (result.ec == std::errc{}) out.append(text, result.ptr);
}

void AppendShortest(std::string& out, double value) {
  char text[kRealTextSize];
  const auto result = std::to_chars(std::begin(text), std::end(text), value);
  if (result.ec == std::errc{}) out.append(text, result.ptr);
}

std::string FormatIntegerValue(std::uint64_t bits, std::size_t width, bool isSigned) {
  std::string out;
  if (isSigned) {
    AppendSigned(out, SignExtend(bits, width));
  } else {
    AppendUnsigned(out, LowBytes(bits, width));
  }
  return out;
}

}  // namespace rowmender
