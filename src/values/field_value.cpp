#include "values/field_value.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <ctime>

#include "base/utf8.h"

namespace rowmender {

namespace {

// ---- Small text helpers ----

// `value` in decimal with at least `width` digits (zeros in front), the
// sign before the zeros.
void AppendPadded(std::string& out, std::int64_t value, int width) {
  if (value < 0) out.push_back('-');
  const std::uint64_t magnitude =
      value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  char digits[24];
  const auto result = std::to_chars(std::begin(digits), std::end(digits), magnitude);
  const auto count = static_cast<int>(result.ptr - digits);
  for (int i = count; i < width; ++i)
    out.push_back('0');
  out.append(digits, result.ptr);
}

std::string Padded(std::int64_t value, int width) {
  std::string out;
  AppendPadded(out, value, width);
  return out;
}

constexpr int kPadTwo = 2;
constexpr int kYearDigits = 4;
constexpr int kMaxFractionDigits = 6;
constexpr std::uint64_t kMicrosecondsPerSecond = 1000000;

constexpr std::array<std::uint64_t, 7> kPowersOfTen = {1, 10, 100, 1000, 10000, 100000, 1000000};

int ClampDecimals(int decimals) {
  return std::clamp(decimals, 0, kMaxFractionDigits);
}

// "." and the first `decimals` digits of a microsecond count, in save forms.
void AppendFraction(std::string& out, std::uint64_t microseconds, int decimals, ValueForm form) {
  decimals = ClampDecimals(decimals);
  if (form != ValueForm::kSave || decimals == 0) return;
  out.push_back('.');
  AppendPadded(out,
               static_cast<std::int64_t>((microseconds % kMicrosecondsPerSecond) /
                                         kPowersOfTen[kMaxFractionDigits - decimals]),
               decimals);
}

// The broken-down parts of a temporal value.
struct TemporalParts {
  bool negative = false;
  std::int64_t year = 0;
  std::int64_t month = 0;
  std::int64_t day = 0;
  std::int64_t hour = 0;
  std::int64_t minute = 0;
  std::int64_t second = 0;
  std::uint64_t microseconds = 0;
};

// "Y-MM-DD hh:mm:ss" with the year at `yearWidth` digits at least, then the
// fraction in save forms.
std::string DateTimeText(const TemporalParts& parts, int yearWidth, int decimals, ValueForm form) {
  std::string out;
  AppendPadded(out, parts.year, yearWidth);
  out.push_back('-');
  AppendPadded(out, parts.month, kPadTwo);
  out.push_back('-');
  AppendPadded(out, parts.day, kPadTwo);
  out.push_back(' ');
  AppendPadded(out, parts.hour, kPadTwo);
  out.push_back(':');
  AppendPadded(out, parts.minute, kPadTwo);
  out.push_back(':');
  AppendPadded(out, parts.second, kPadTwo);
  AppendFraction(out, parts.microseconds, decimals, form);
  return out;
}

// "[-]hh:mm:ss" (hours may take more digits), then the fraction in save forms.
std::string TimeText(const TemporalParts& parts, int decimals, ValueForm form) {
  std::string out;
  if (parts.negative) out.push_back('-');
  AppendPadded(out, parts.hour, kPadTwo);
  out.push_back(':');
  AppendPadded(out, parts.minute, kPadTwo);
  out.push_back(':');
  AppendPadded(out, parts.second, kPadTwo);
  AppendFraction(out, parts.microseconds, decimals, form);
  return out;
}

// Year width of the texts that a save writes: four digits read back as the
// same year, where one or two digits would be taken for 20xx.
int YearWidth(ValueForm form, int previewWidth) {
  return form == ValueForm::kSave ? kYearDigits : previewWidth;
}

// Fractional bytes of the 5.6 encodings, by decimals.
std::size_t FractionBytes56(int decimals) {
  return static_cast<std::size_t>((ClampDecimals(decimals) + 1) / 2);
}

// Microseconds from the fractional bytes of a 5.6 TIME/DATETIME/TIMESTAMP,
// big-endian, scaled by the decimals they hold.
std::uint64_t Fraction56(ByteView bytes, std::size_t offset, int decimals) {
  const std::size_t width = FractionBytes56(decimals);
  if (width == 0) return 0;
  const std::uint64_t stored = BigEndian(bytes, offset, width);
  // 1 byte: hundredths, 2 bytes: ten-thousandths, 3 bytes: microseconds.
  return stored * kPowersOfTen[kMaxFractionDigits - 2 * width];
}

// ---- Character sets ----

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) {
      return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

constexpr std::uint32_t kReplacementCharacter = 0xFFFD;
constexpr std::uint32_t kHighSurrogateFirst = 0xD800;
constexpr std::uint32_t kLowSurrogateFirst = 0xDC00;
constexpr std::uint32_t kSurrogateEnd = 0xE000;

std::string DecodeWide(ByteView bytes, TextEncoding encoding, bool stopAtZero) {
  const std::size_t unit = encoding == TextEncoding::kUtf32 ? 4 : 2;
  const bool littleEndian = encoding == TextEncoding::kUtf16Le;
  const bool surrogates = encoding != TextEncoding::kUcs2 && encoding != TextEncoding::kUtf32;
  std::string out;
  out.reserve(bytes.size());
  std::size_t pos = 0;
  const auto read = [&](std::size_t at) {
    return static_cast<std::uint32_t>(littleEndian ? LittleEndian(bytes, at, unit)
                                                   : BigEndian(bytes, at, unit));
  };
  while (pos < bytes.size()) {
    if (bytes.size() - pos < unit) {
      AppendUtf8(out, kReplacementCharacter);  // a cut-short last unit
      break;
    }
    std::uint32_t code = read(pos);
    pos += unit;
    if (code == 0 && stopAtZero) break;
    if (surrogates && code >= kHighSurrogateFirst && code < kLowSurrogateFirst) {
      const std::uint32_t low = bytes.size() - pos >= unit ? read(pos) : 0;
      if (low >= kLowSurrogateFirst && low < kSurrogateEnd) {
        pos += unit;
        code = 0x10000 + ((code - kHighSurrogateFirst) << 10) + (low - kLowSurrogateFirst);
      } else {
        code = kReplacementCharacter;
      }
    } else if (code >= kHighSurrogateFirst && code < kSurrogateEnd) {
      code = kReplacementCharacter;
    }
    AppendUtf8(out, code);
  }
  return out;
}

ByteView UpToZeroByte(ByteView bytes) {
  const auto zero = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
  return bytes.first(static_cast<std::size_t>(zero - bytes.begin()));
}

void TrimTrailingSpaces(std::string& text) {
  const auto end = text.find_last_not_of(' ');
  text.erase(end == std::string::npos ? 0 : end + 1);
}

bool IsTextType(std::uint32_t typeCode) {
  return typeCode == kTypeVarchar || typeCode == kTypeVarString || typeCode == kTypeString;
}

bool IsBlobType(std::uint32_t typeCode) {
  return typeCode == kTypeTinyBlob || typeCode == kTypeMediumBlob || typeCode == kTypeLongBlob ||
         typeCode == kTypeBlob;
}

// ---- DECIMAL ----

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

// ---- Column helpers ----

int FractionDigitsFromLength(std::uint32_t length, std::uint32_t plainWidth) {
  if (length <= plainWidth + 1) return 0;
  return ClampDecimals(static_cast<int>(length - plainWidth - 1));
}

constexpr std::uint32_t kTimeWidth = 10;      // "-838:59:59"
constexpr std::uint32_t kDatetimeWidth = 19;  // "YYYY-MM-DD hh:mm:ss"

bool IsHires(const ColumnDefinition& column) {
  switch (column.typeCode) {
    case kTypeTime:
    case kTypeDatetime:
    case kTypeTimestamp:
      return TemporalDecimals(column) > 0;
    default:
      return false;
  }
}

}  // namespace

// ---- Options ----

ValueOptions ValueOptionsFor(const CTarnSalvorProjApp& app) {
  ValueOptions options;
  options.form = app.SaveMode() ? ValueForm::kSave : ValueForm::kPreview;
  options.collations = &app.collations;
  return options;
}

// ---- Text by character set ----

TextEncoding EncodingOfCharacterSet(std::string_view name) {
  if (EqualsIgnoringCase(name, "utf8") || EqualsIgnoringCase(name, "utf8mb3") ||
      EqualsIgnoringCase(name, "utf8mb4")) {
    return TextEncoding::kUtf8;
  }
  if (EqualsIgnoringCase(name, "ucs2")) return TextEncoding::kUcs2;
  if (EqualsIgnoringCase(name, "utf16")) return TextEncoding::kUtf16;
  if (EqualsIgnoringCase(name, "utf16le")) return TextEncoding::kUtf16Le;
  if (EqualsIgnoringCase(name, "utf32")) return TextEncoding::kUtf32;
  if (EqualsIgnoringCase(name, "binary")) return TextEncoding::kBinary;
  if (name.empty()) return TextEncoding::kUnknown;
  return TextEncoding::kSingleByte;
}

TextEncoding ColumnEncoding(const ColumnDefinition& column, const ValueOptions& options) {
  if (column.charsetId == kBinaryCharset) return TextEncoding::kBinary;
  if (options.collations == nullptr) return TextEncoding::kUnknown;
  const CollationEntry* entry = options.collations->Lookup(column.charsetId);
  if (entry == nullptr) return TextEncoding::kUnknown;
  return EncodingOfCharacterSet(entry->characterSetName);
}

std::string DecodeText(ByteView bytes, TextEncoding encoding, bool stopAtZero) {
  switch (encoding) {
    case TextEncoding::kUcs2:
    case TextEncoding::kUtf16:
    case TextEncoding::kUtf16Le:
    case TextEncoding::kUtf32:
      return DecodeWide(bytes, encoding, stopAtZero);
    case TextEncoding::kSingleByte:
      return Cp1252ToUtf8(stopAtZero ? UpToZeroByte(bytes) : bytes);
    case TextEncoding::kUtf8: {
      const ByteView text = stopAtZero ? UpToZeroByte(bytes) : bytes;
      if (IsValidUtf8(AsChars(text))) return std::string(AsChars(text));
      return Cp1252ToUtf8(text);
    }
    case TextEncoding::kUnknown:
    case TextEncoding::kBinary:
      break;
  }
  if (!stopAtZero) {
    if (IsValidUtf8(AsChars(bytes))) return std::string(AsChars(bytes));
    return Cp1252ToUtf8(bytes);
  }
  return TextFromUtf8OrAnsi(bytes);
}

// ---- Building blocks ----

std::string HexText(ByteView bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  if (bytes.empty()) return {};
  std::string out;
  out.reserve(2 + 2 * bytes.size());
  out += "0x";
  for (std::uint8_t b : bytes) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 0x0F]);
  }
  return out;
}

std::string FormatIntegerValue(std::uint64_t bits, std::size_t width, bool isSigned) {
  width = std::clamp<std::size_t>(width, 1, 8);
  const unsigned shift = static_cast<unsigned>(64 - 8 * width);
  const std::uint64_t value = (bits << shift) >> shift;  // the low `width` bytes
  char digits[24];
  std::to_chars_result result{};
  if (isSigned) {
    // Sign-extend from the top bit of the value's width.
    const auto extended = static_cast<std::int64_t>(value << shift) >> shift;
    result = std::to_chars(std::begin(digits), std::end(digits), extended);
  } else {
    result = std::to_chars(std::begin(digits), std::end(digits), value);
  }
  return std::string(digits, result.ptr);
}

namespace {

template <typename Real>
std::string FormatReal(Real value, ValueForm form) {
  // Large enough for "%f" of the largest double (309 digits and six decimals).
  char text[400];
  std::to_chars_result result{};
  if (form == ValueForm::kSave) {
    result = std::to_chars(std::begin(text), std::end(text), value);
  } else {
    constexpr int kPreviewDecimals = 6;
    result = std::to_chars(std::begin(text), std::end(text), static_cast<double>(value),
                           std::chars_format::fixed, kPreviewDecimals);
  }
  if (result.ec != std::errc{}) return {};
  return std::string(text, result.ptr);
}

}  // namespace

std::string FormatFloatValue(float value, ValueForm form) {
  return FormatReal(value, form);
}

std::string FormatDoubleValue(double value, ValueForm form) {
  return FormatReal(value, form);
}

std::size_t DecimalStorageSize(int precision, int scale) {
  const DecimalShape shape = ShapeOf(precision, scale);
  return DigitBytes(shape.integerDigits) + DigitBytes(shape.fractionDigits);
}

std::string FormatDecimalValue(ByteView bytes, int precision, int scale) {
  const DecimalShape shape = ShapeOf(precision, scale);
  const std::size_t size = DecimalStorageSize(precision, scale);
  if (size == 0) return "0";

  // Restore the plain big-endian groups: top bit back, negative complemented.
  std::vector<std::uint8_t> plain(size, 0);
  for (std::size_t i = 0; i < size; ++i)
    plain[i] = ByteAt(bytes, i);
  const bool negative = (plain[0] & 0x80) == 0;
  plain[0] ^= 0x80;
  if (negative) {
    for (auto& b : plain)
      b = static_cast<std::uint8_t>(~b);
  }

  std::size_t pos = 0;
  bool valid = true;
  // Reads a group of `digits` digits (1 to 9) and appends it padded to that
  // many digits; a group beyond its digit count makes the value invalid.
  const auto readGroup = [&](int digits, std::string& out) {
    const std::size_t width = kLeftoverBytes[static_cast<std::size_t>(digits)];
    const std::uint64_t value = BigEndian(plain, pos, width);
    pos += width;
    if (value >= kGroupLimits[static_cast<std::size_t>(digits)]) valid = false;
    AppendPadded(out, static_cast<std::int64_t>(value), digits);
  };

  std::string integerDigits;
  const int integerLeftover = shape.integerDigits % kDigitsPerGroup;
  if (integerLeftover > 0) readGroup(integerLeftover, integerDigits);
  for (int i = 0; i < shape.integerDigits / kDigitsPerGroup; ++i) {
    readGroup(kDigitsPerGroup, integerDigits);
  }
  std::string fractionDigits;
  for (int i = 0; i < shape.fractionDigits / kDigitsPerGroup; ++i) {
    readGroup(kDigitsPerGroup, fractionDigits);
  }
  const int fractionLeftover = shape.fractionDigits % kDigitsPerGroup;
  if (fractionLeftover > 0) readGroup(fractionLeftover, fractionDigits);

  const auto firstDigit = integerDigits.find_first_not_of('0');
  integerDigits.erase(0, firstDigit == std::string::npos ? integerDigits.size() : firstDigit);
  const bool zero =
      integerDigits.empty() && fractionDigits.find_first_not_of('0') == std::string::npos;

  if (!valid) return "0";
  std::string out;
  if (negative && !zero) out.push_back('-');
  out += integerDigits.empty() ? "0" : integerDigits;
  if (shape.fractionDigits > 0) {
    out.push_back('.');
    out += fractionDigits;
  }
  return out;
}

std::string FormatYearValue(std::uint8_t stored) {
  constexpr int kYearBase = 1900;
  return Padded(stored == 0 ? 0 : kYearBase + stored, kYearDigits);
}

std::string FormatDateValue(std::uint32_t packed, ValueForm form) {
  TemporalParts parts;
  parts.day = packed & 0x1F;
  parts.month = (packed >> 5) & 0x0F;
  parts.year = packed >> 9;
  std::string out;
  AppendPadded(out, parts.year, YearWidth(form, kPadTwo));
  out.push_back('-');
  AppendPadded(out, parts.month, kPadTwo);
  out.push_back('-');
  AppendPadded(out, parts.day, kPadTwo);
  return out;
}

std::string FormatLegacyTime(std::int32_t hhmmss) {
  TemporalParts parts;
  std::int64_t value = hhmmss;
  parts.negative = value < 0;
  if (parts.negative) value = -value;
  parts.hour = value / 10000;
  parts.minute = (value / 100) % 100;
  parts.second = value % 100;
  return TimeText(parts, 0, ValueForm::kPreview);
}

std::string FormatLegacyDatetime(std::uint64_t value) {
  constexpr std::uint64_t kTimeFactor = 1000000;
  const std::uint64_t date = value / kTimeFactor;
  const std::uint64_t time = value - date * kTimeFactor;
  TemporalParts parts;
  parts.year = static_cast<std::int64_t>((date / 10000) % 10000);
  parts.month = static_cast<std::int64_t>((date / 100) % 100);
  parts.day = static_cast<std::int64_t>(date % 100);
  parts.hour = static_cast<std::int64_t>(time / 10000);
  parts.minute = static_cast<std::int64_t>((time / 100) % 100);
  parts.second = static_cast<std::int64_t>(time % 100);
  return DateTimeText(parts, kYearDigits, 0, ValueForm::kPreview);
}

std::string FormatDateTimeParts(int year, int month, int day, int hour, int minute, int second) {
  TemporalParts parts;
  parts.year = year;
  parts.month = month;
  parts.day = day;
  parts.hour = hour;
  parts.minute = minute;
  parts.second = second;
  return DateTimeText(parts, kPadTwo, 0, ValueForm::kPreview);
}

int TemporalDecimals(const ColumnDefinition& column) {
  switch (column.typeCode) {
    case kTypeTime:
    case kTypeTime2:
      return FractionDigitsFromLength(column.length, kTimeWidth);
    case kTypeDatetime:
    case kTypeDatetime2:
    case kTypeTimestamp:
    case kTypeTimestamp2:
      return FractionDigitsFromLength(column.length, kDatetimeWidth);
    default:
      return 0;
  }
}

std::string FormatTimestampValue(std::uint32_t seconds, std::uint32_t microseconds, int decimals,
                                 ValueForm form) {
  TemporalParts parts;
  parts.microseconds = microseconds;
  if (seconds == 0 && microseconds == 0) {
    return DateTimeText(parts, kYearDigits, decimals, form);  // the zero timestamp
  }
  const auto when = static_cast<std::time_t>(seconds);
  std::tm local{};
  if (localtime_r(&when, &local) != nullptr) {
    constexpr int kTmYearBase = 1900;
    parts.year = local.tm_year + kTmYearBase;
    parts.month = local.tm_mon + 1;
    parts.day = local.tm_mday;
    parts.hour = local.tm_hour;
    parts.minute = local.tm_min;
    parts.second = local.tm_sec;
  }
  return DateTimeText(parts, YearWidth(form, kPadTwo), decimals, form);
}

std::size_t Temporal56StorageSize(std::uint32_t typeCode, int decimals) {
  constexpr std::size_t kTime2Bytes = 3;
  constexpr std::size_t kDatetime2Bytes = 5;
  constexpr std::size_t kTimestamp2Bytes = 4;
  switch (typeCode) {
    case kTypeTime2:
      return kTime2Bytes + FractionBytes56(decimals);
    case kTypeDatetime2:
      return kDatetime2Bytes + FractionBytes56(decimals);
    case kTypeTimestamp2:
      return kTimestamp2Bytes + FractionBytes56(decimals);
    default:
      return 0;
  }
}

std::string FormatTime2Value(ByteView bytes, int decimals, ValueForm form) {
  // Integer part: 24 bits offset by 0x800000 (1 sign bit, 1 unused, 10 bits
  // hour, 6 minute, 6 second); then the fraction, both as one fixed-point
  // number so that a negative time borrows from the integer part.
  constexpr std::int64_t kIntegerOffset = 0x800000;
  constexpr int kFractionShift = 24;
  const std::size_t fractionBytes = FractionBytes56(decimals);
  std::int64_t integerPart = static_cast<std::int64_t>(Be24(bytes, 0)) - kIntegerOffset;
  std::int64_t fraction = static_cast<std::int64_t>(BigEndian(bytes, 3, fractionBytes));
  // Hundredths and ten-thousandths count up from the integer part below a
  // negative time: borrow one second from it.
  constexpr std::size_t kMicrosecondFractionBytes = 3;
  if (fractionBytes < kMicrosecondFractionBytes && integerPart < 0 && fraction != 0) {
    integerPart += 1;
    fraction -= std::int64_t{1} << (8 * fractionBytes);
  }
  std::int64_t packed =
      integerPart * (std::int64_t{1} << kFractionShift) +
      fraction * static_cast<std::int64_t>(kPowersOfTen[kMaxFractionDigits - 2 * fractionBytes]);
  TemporalParts parts;
  parts.negative = packed < 0;
  if (parts.negative) packed = -packed;
  const std::int64_t hms = packed >> kFractionShift;
  parts.hour = (hms >> 12) & 0x3FF;
  parts.minute = (hms >> 6) & 0x3F;
  parts.second = hms & 0x3F;
  parts.microseconds = static_cast<std::uint64_t>(packed % (std::int64_t{1} << kFractionShift));
  return TimeText(parts, decimals, form);
}

std::string FormatDatetime2Value(ByteView bytes, int decimals, ValueForm form) {
  // 40 bits: 1 sign bit, 17 bits year * 13 + month, 5 day, 5 hour,
  // 6 minute, 6 second; then the fraction.
  const std::uint64_t value = BigEndian(bytes, 0, 5);
  TemporalParts parts;
  const std::uint64_t yearMonth = (value >> 22) & 0x1FFFF;
  parts.year = static_cast<std::int64_t>(yearMonth / 13);
  parts.month = static_cast<std::int64_t>(yearMonth % 13);
  parts.day = static_cast<std::int64_t>((value >> 17) & 0x1F);
  parts.hour = static_cast<std::int64_t>((value >> 12) & 0x1F);
  parts.minute = static_cast<std::int64_t>((value >> 6) & 0x3F);
  parts.second = static_cast<std::int64_t>(value & 0x3F);
  parts.microseconds = Fraction56(bytes, 5, decimals);
  return DateTimeText(parts, YearWidth(form, 1), decimals, form);
}

std::string FormatTimestamp2Value(ByteView bytes, int decimals, ValueForm form) {
  return FormatTimestampValue(
      Be32(bytes, 0), static_cast<std::uint32_t>(Fraction56(bytes, 4, decimals)), decimals, form);
}

namespace {

constexpr std::array<std::size_t, 7> kHiresTimeBytes = {3, 4, 4, 5, 5, 5, 6};
constexpr std::array<std::size_t, 7> kHiresDatetimeBytes = {5, 6, 6, 7, 7, 7, 8};
constexpr std::array<std::size_t, 7> kHiresFractionBytes = {0, 1, 1, 2, 2, 3, 3};

// A stored hires number back to microseconds.
std::uint64_t Unshift(std::uint64_t stored, int decimals) {
  return stored * kPowersOfTen[static_cast<std::size_t>(kMaxFractionDigits - decimals)];
}

}  // namespace

std::size_t HiresStorageSize(std::uint32_t typeCode, int decimals) {
  const auto d = static_cast<std::size_t>(ClampDecimals(decimals));
  constexpr std::size_t kTimestampSecondsBytes = 4;
  switch (typeCode) {
    case kTypeTime:
      return kHiresTimeBytes[d];
    case kTypeDatetime:
      return kHiresDatetimeBytes[d];
    case kTypeTimestamp:
      return kTimestampSecondsBytes + kHiresFractionBytes[d];
    default:
      return 0;
  }
}

std::string FormatHiresTimeValue(ByteView bytes, int decimals, ValueForm form) {
  // Microseconds of the time scaled to `decimals` digits and offset so that
  // the largest negative time is stored as 0.
  decimals = ClampDecimals(decimals);
  constexpr std::uint64_t kLargestTimeSeconds = 838 * 3600 + 59 * 60 + 59;
  const std::uint64_t zeroPoint =
      (kLargestTimeSeconds + 1) * kMicrosecondsPerSecond /
      kPowersOfTen[static_cast<std::size_t>(kMaxFractionDigits - decimals)];
  const std::uint64_t stored =
      BigEndian(bytes, 0, kHiresTimeBytes[static_cast<std::size_t>(decimals)]);
  TemporalParts parts;
  parts.negative = stored < zeroPoint;
  const std::uint64_t magnitude =
      Unshift(parts.negative ? zeroPoint - stored : stored - zeroPoint, decimals);
  const std::uint64_t totalSeconds = magnitude / kMicrosecondsPerSecond;
  parts.microseconds = magnitude % kMicrosecondsPerSecond;
  parts.hour = static_cast<std::int64_t>(totalSeconds / 3600);
  parts.minute = static_cast<std::int64_t>((totalSeconds / 60) % 60);
  parts.second = static_cast<std::int64_t>(totalSeconds % 60);
  return TimeText(parts, decimals, form);
}

std::string FormatHiresDatetimeValue(ByteView bytes, int decimals, ValueForm form) {
  // ((((year * 13 + month) * 32 + day) * 24 + hour) * 60 + minute) * 60 +
  // second, in microseconds, scaled to `decimals` digits.
  decimals = ClampDecimals(decimals);
  std::uint64_t value = Unshift(
      BigEndian(bytes, 0, kHiresDatetimeBytes[static_cast<std::size_t>(decimals)]), decimals);
  TemporalParts parts;
  parts.microseconds = value % kMicrosecondsPerSecond;
  value /= kMicrosecondsPerSecond;
  parts.second = static_cast<std::int64_t>(value % 60);
  value /= 60;
  parts.minute = static_cast<std::int64_t>(value % 60);
  value /= 60;
  parts.hour = static_cast<std::int64_t>(value % 24);
  value /= 24;
  parts.day = static_cast<std::int64_t>(value % 32);
  value /= 32;
  parts.month = static_cast<std::int64_t>(value % 13);
  parts.year = static_cast<std::int64_t>(value / 13);
  return DateTimeText(parts, kYearDigits, decimals, form);
}

std::string FormatHiresTimestampValue(ByteView bytes, int decimals, ValueForm form) {
  decimals = ClampDecimals(decimals);
  const std::uint32_t seconds = Be32(bytes, 0);
  const std::uint64_t fraction =
      BigEndian(bytes, 4, kHiresFractionBytes[static_cast<std::size_t>(decimals)]);
  return FormatTimestampValue(seconds, static_cast<std::uint32_t>(Unshift(fraction, decimals)),
                              decimals, form);
}

std::string FormatBitValue(ByteView bigEndianBytes, std::uint32_t bitCount) {
  constexpr std::uint32_t kMaxBits = 64;
  bitCount = std::min(bitCount, kMaxBits);
  // The value's last eight bytes hold every bit a BIT column can have.
  const std::size_t used = std::min<std::size_t>(bigEndianBytes.size(), 8);
  const std::uint64_t value = BigEndian(bigEndianBytes, bigEndianBytes.size() - used, used);
  std::string out(bitCount, '0');
  for (std::uint32_t i = 0; i < bitCount; ++i) {
    if ((value >> i) & 1) out[bitCount - 1 - i] = '1';
  }
  return out;
}

std::size_t EnumStorageSize(const ColumnDefinition& column) {
  constexpr std::size_t kOneByteMembers = 255;
  return column.values.size() > kOneByteMembers ? 2 : 1;
}

std::size_t SetStorageSize(const ColumnDefinition& column) {
  const std::size_t bytes = (column.values.size() + 7) / 8;
  if (bytes == 0) return 1;
  return bytes > 4 ? 8 : bytes;
}

std::string FormatEnumValue(const ColumnDefinition& column, std::uint64_t index) {
  if (index == 0 || index > column.values.size()) return {};
  return column.values[static_cast<std::size_t>(index - 1)];
}

std::string FormatSetValue(const ColumnDefinition& column, std::uint64_t mask) {
  std::string out;
  const std::size_t members = std::min<std::size_t>(column.values.size(), 64);
  for (std::size_t i = 0; i < members; ++i) {
    if (((mask >> i) & 1) == 0) continue;
    if (!out.empty()) out.push_back(',');
    out += column.values[i];
  }
  return out;
}

namespace {

std::string StringText(const ColumnDefinition& column, ByteView bytes, const ValueOptions& options,
                       TextEncoding encoding) {
  if (encoding == TextEncoding::kBinary) {
    if (!options.SaveForms() && bytes.size() >= kPreviewBinaryLimit) {
      return std::string(kBinaryPlaceholder);
    }
    return HexText(bytes);
  }
  std::string text = DecodeText(bytes, encoding, !options.SaveForms());
  if (column.typeCode == kTypeString || column.typeCode == kTypeVarString) {
    TrimTrailingSpaces(text);
  }
  return text;
}

std::string BlobText(ByteView bytes, const ValueOptions& options, TextEncoding encoding) {
  if (!options.SaveForms() && bytes.size() >= kPreviewBlobLimit) {
    return std::string(kLargeBlobPlaceholder);
  }
  if (encoding == TextEncoding::kBinary) return HexText(bytes);
  return DecodeText(bytes, encoding, !options.SaveForms());
}

}  // namespace

std::string FormatStringValue(const ColumnDefinition& column, ByteView bytes,
                              const ValueOptions& options) {
  return StringText(column, bytes, options, ColumnEncoding(column, options));
}

std::string FormatBlobValue(const ColumnDefinition& column, ByteView bytes,
                            const ValueOptions& options) {
  return BlobText(bytes, options, ColumnEncoding(column, options));
}

std::string FormatGeometryValue(ByteView bytes, const ValueOptions& options) {
  if (!options.SaveForms()) return std::string(kSpatialPlaceholder);
  if (std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; })) {
    return std::string(kNullText);
  }
  std::string out;
  out.reserve(bytes.size() + 8);
  for (std::uint8_t b : bytes) {
    if (b == 0) {
      out += "\\0";
    } else {
      out.push_back(static_cast<char>(b));
    }
  }
  return Cp1252ToUtf8(ByteView(reinterpret_cast<const std::uint8_t*>(out.data()), out.size()));
}

// ---- Whole column values ----

std::size_t VarcharPrefixSize(const ColumnDefinition& column) {
  constexpr std::uint32_t kOneBytePrefixLimit = 256;
  return column.length < kOneBytePrefixLimit ? 1 : 2;
}

std::size_t FixedValueSize(const ColumnDefinition& column) {
  switch (column.typeCode) {
    case kTypeTiny:
    case kTypeYear:
      return 1;
    case kTypeShort:
      return 2;
    case kTypeInt24:
    case kTypeDate:
    case kTypeNewDate:
      return 3;
    case kTypeLong:
    case kTypeFloat:
      return 4;
    case kTypeLongLong:
    case kTypeDouble:
      return 8;
    case kTypeDecimalOld:
    case kTypeNewDecimal:
      return DecimalStorageSize(column.precision, column.scale);
    case kTypeTime:
      return IsHires(column) ? HiresStorageSize(kTypeTime, TemporalDecimals(column)) : 3;
    case kTypeDatetime:
      return IsHires(column) ? HiresStorageSize(kTypeDatetime, TemporalDecimals(column)) : 8;
    case kTypeTimestamp:
      return IsHires(column) ? HiresStorageSize(kTypeTimestamp, TemporalDecimals(column)) : 4;
    case kTypeTime2:
    case kTypeDatetime2:
    case kTypeTimestamp2:
      return Temporal56StorageSize(column.typeCode, TemporalDecimals(column));
    case kTypeBit:
      return column.BitStoredAsChars() ? (column.length + 7) / 8 : column.length / 8;
    case kTypeEnum:
      return EnumStorageSize(column);
    case kTypeSet:
      return SetStorageSize(column);
    case kTypeVarchar:
      return VarcharPrefixSize(column) + column.length;
    case kTypeVarString:
    case kTypeString:
      return column.length;
    default:
      return 0;
  }
}

std::string FormatColumnValue(const ColumnDefinition& column, ByteView bytes,
                              const ValueOptions& options) {
  const bool text = IsTextType(column.typeCode) || IsBlobType(column.typeCode);
  return FormatColumnValue(column, bytes, options,
                           text ? ColumnEncoding(column, options) : TextEncoding::kUnknown);
}

std::string FormatColumnValue(const ColumnDefinition& column, ByteView bytes,
                              const ValueOptions& options, TextEncoding encoding) {
  const ValueForm form = options.form;
  const int decimals = TemporalDecimals(column);
  switch (column.typeCode) {
    case kTypeTiny:
      return FormatIntegerValue(ByteAt(bytes, 0), 1, column.IsSigned());
    case kTypeShort:
      return FormatIntegerValue(Le16(bytes, 0), 2, column.IsSigned());
    case kTypeInt24:
      return FormatIntegerValue(Le24(bytes, 0), 3, column.IsSigned());
    case kTypeLong:
      return FormatIntegerValue(Le32(bytes, 0), 4, column.IsSigned());
    case kTypeLongLong:
      return FormatIntegerValue(Le64(bytes, 0), 8, column.IsSigned());
    case kTypeFloat: {
      const std::uint32_t bits = Le32(bytes, 0);
      float value = 0;
      std::memcpy(&value, &bits, sizeof value);
      return FormatFloatValue(value, form);
    }
    case kTypeDouble: {
      const std::uint64_t bits = Le64(bytes, 0);
      double value = 0;
      std::memcpy(&value, &bits, sizeof value);
      return FormatDoubleValue(value, form);
    }
    case kTypeDecimalOld:
    case kTypeNewDecimal:
      return FormatDecimalValue(bytes, column.precision, column.scale);
    case kTypeYear:
      if (column.length == 2) return Padded(ByteAt(bytes, 0) % 100, kPadTwo);
      return FormatYearValue(ByteAt(bytes, 0));
    case kTypeDate:
    case kTypeNewDate:
      return FormatDateValue(Le24(bytes, 0), form);
    case kTypeTime:
      if (decimals > 0) return FormatHiresTimeValue(bytes, decimals, form);
      return FormatLegacyTime(static_cast<std::int32_t>(Le24(bytes, 0) << 8) >> 8);
    case kTypeTime2:
      return FormatTime2Value(bytes, decimals, form);
    case kTypeDatetime:
      if (decimals > 0) return FormatHiresDatetimeValue(bytes, decimals, form);
      return FormatLegacyDatetime(Le64(bytes, 0));
    case kTypeDatetime2:
      return FormatDatetime2Value(bytes, decimals, form);
    case kTypeTimestamp:
      if (decimals > 0) return FormatHiresTimestampValue(bytes, decimals, form);
      return FormatTimestampValue(Le32(bytes, 0), 0, 0, form);
    case kTypeTimestamp2:
      return FormatTimestamp2Value(bytes, decimals, form);
    case kTypeBit:
      return FormatBitValue(bytes, column.length);
    case kTypeEnum:
      return FormatEnumValue(column, LittleEndian(bytes, 0, EnumStorageSize(column)));
    case kTypeSet:
      return FormatSetValue(column, LittleEndian(bytes, 0, SetStorageSize(column)));
    case kTypeGeometry:
      return FormatGeometryValue(bytes, options);
    default:
      break;
  }
  if (IsTextType(column.typeCode)) return StringText(column, bytes, options, encoding);
  if (IsBlobType(column.typeCode)) return BlobText(bytes, options, encoding);
  return {};
}

bool IsNullFlagSet(ByteView nullFlags, std::uint32_t nullPosition, std::uint8_t nullBit) {
  if (nullBit == 0 || nullPosition >= nullFlags.size()) return false;
  return (nullFlags[nullPosition] & nullBit) == nullBit;
}

std::string ApplyNullFlag(const ColumnDefinition& /*column*/, std::string text, ByteView nullFlags,
                          std::uint32_t nullPosition, std::uint8_t nullBit) {
  if (IsNullFlagSet(nullFlags, nullPosition, nullBit)) return std::string(kNullText);
  return text;
}

}  // namespace rowmender
