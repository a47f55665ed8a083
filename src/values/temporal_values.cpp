#include "values/temporal_values.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <ctime>
#include <iterator>

#include "values/numeric_values.h"

namespace rowmender {

namespace {

constexpr int kPadTwo = 2;
constexpr int kMaxFractionDigits = 6;
constexpr std::uint64_t kMicrosecondsPerSecond = 1000000;
constexpr std::array<std::uint64_t, 7> kPowersOfTen = {1, 10, 100, 1000, 10000, 100000, 1000000};

constexpr std::uint32_t kTimeWidth = 10;      // "-838:59:59"
constexpr std::uint32_t kDatetimeWidth = 19;  // "YYYY-MM-DD hh:mm:ss"

constexpr std::array<std::size_t, 7> kHiresTimeBytes = {3, 4, 4, 5, 5, 5, 6};
constexpr std::array<std::size_t, 7> kHiresDatetimeBytes = {5, 6, 6, 7, 7, 7, 8};
constexpr std::array<std::size_t, 7> kHiresFractionBytes = {0, 1, 1, 2, 2, 3, 3};

int ClampDecimals(int decimals) {
  return std::clamp(decimals, 0, kMaxFractionDigits);
}

int FractionDigitsFromLength(std::uint32_t length, std::uint32_t plainWidth) {
  if (length <= plainWidth + 1) return 0;
  return ClampDecimals(static_cast<int>(length - plainWidth - 1));
}

// Fractional bytes of the 5.6 encodings, by decimals.
std::size_t FractionBytes56(int decimals) {
  return static_cast<std::size_t>((ClampDecimals(decimals) + 1) / 2);
}

// Microseconds from the fractional bytes of a 5.6 TIME/DATETIME/TIMESTAMP.
std::uint64_t Fraction56(ByteView bytes, std::size_t offset, int decimals) {
  const std::size_t width = FractionBytes56(decimals);
  if (width == 0) return 0;
  const std::uint64_t stored = BigEndian(bytes, offset, width);
  // 1 byte: hundredths, 2 bytes: ten-thousandths, 3 bytes: microseconds.
  return stored * kPowersOfTen[kMaxFractionDigits - 2 * width];
}

// A stored hires number back to microseconds.
std::uint64_t Unshift(std::uint64_t stored, int decimals) {
  return stored * kPowersOfTen[static_cast<std::size_t>(kMaxFractionDigits - decimals)];
}

template <typename T>
std::uint8_t Narrow(T value) {
  return static_cast<std::uint8_t>(value);
}

int SaveFraction(int decimals, ValueForm form) {
  return form == ValueForm::kSave ? decimals : 0;
}

int YearWidth(ValueForm form, int previewWidth) {
  return form == ValueForm::kSave ? kFullYearWidth : previewWidth;
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void CivilFromDays(std::int64_t days, std::int64_t& year, unsigned& month, unsigned& day) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
  day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
  month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
  year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
}

}  // namespace

// ---- Sizes ----

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

bool IsHiresTemporal(const ColumnDefinition& column) {
  switch (column.typeCode) {
    case kTypeTime:
    case kTypeDatetime:
    case kTypeTimestamp:
      return TemporalDecimals(column) > 0;
    default:
      return false;
  }
}

// ---- Decoding into parts ----

TemporalParts DateFromPacked(std::uint32_t packed) {
  TemporalParts parts;
  parts.day = Narrow(packed & 0x1F);
  parts.month = Narrow((packed >> 5) & 0x0F);
  parts.year = static_cast<std::int32_t>(packed >> 9);
  parts.previewYearWidth = kDatePreviewYearWidth;
  return parts;
}

TemporalParts TimeFromLegacy(std::int32_t hhmmss) {
  TemporalParts parts;
  std::int64_t value = hhmmss;
  parts.negative = value < 0;
  if (parts.negative) value = -value;
  parts.hour = static_cast<std::uint32_t>(value / 10000);
  parts.minute = Narrow((value / 100) % 100);
  parts.second = Narrow(value % 100);
  return parts;
}

TemporalParts DateTimeFromLegacy(std::uint64_t value) {
  constexpr std::uint64_t kTimeFactor = 1000000;
  const std::uint64_t date = value / kTimeFactor;
  const std::uint64_t time = value - date * kTimeFactor;
  TemporalParts parts;
  parts.year = static_cast<std::int32_t>((date / 10000) % 10000);
  parts.month = Narrow((date / 100) % 100);
  parts.day = Narrow(date % 100);
  parts.hour = static_cast<std::uint32_t>(time / 10000);
  parts.minute = Narrow((time / 100) % 100);
  parts.second = Narrow(time % 100);
  return parts;
}

TemporalParts TimeFromTime2(ByteView bytes, int decimals) {
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
  parts.hour = static_cast<std::uint32_t>((hms >> 12) & 0x3FF);
  parts.minute = Narrow((hms >> 6) & 0x3F);
  parts.second = Narrow(hms & 0x3F);
  parts.microsecond = static_cast<std::uint32_t>(packed % (std::int64_t{1} << kFractionShift));
  return parts;
}

TemporalParts DateTimeFromDatetime2(ByteView bytes, int decimals) {
  // 40 bits: 1 sign bit, 17 bits year * 13 + month, 5 day, 5 hour,
  // 6 minute, 6 second; then the fraction.
  const std::uint64_t value = BigEndian(bytes, 0, 5);
  TemporalParts parts;
  const std::uint64_t yearMonth = (value >> 22) & 0x1FFFF;
  parts.year = static_cast<std::int32_t>(yearMonth / 13);
  parts.month = Narrow(yearMonth % 13);
  parts.day = Narrow((value >> 17) & 0x1F);
  parts.hour = static_cast<std::uint32_t>((value >> 12) & 0x1F);
  parts.minute = Narrow((value >> 6) & 0x3F);
  parts.second = Narrow(value & 0x3F);
  parts.microsecond = static_cast<std::uint32_t>(Fraction56(bytes, 5, decimals));
  parts.previewYearWidth = kDatetime2PreviewYearWidth;
  return parts;
}

TemporalParts TimeFromHires(ByteView bytes, int decimals) {
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
  parts.microsecond = static_cast<std::uint32_t>(magnitude % kMicrosecondsPerSecond);
  parts.hour = static_cast<std::uint32_t>(totalSeconds / 3600);
  parts.minute = Narrow((totalSeconds / 60) % 60);
  parts.second = Narrow(totalSeconds % 60);
  return parts;
}

TemporalParts DateTimeFromHires(ByteView bytes, int decimals) {
  // ((((year * 13 + month) * 32 + day) * 24 + hour) * 60 + minute) * 60 +
  // second, in microseconds, scaled to `decimals` digits.
  decimals = ClampDecimals(decimals);
  std::uint64_t value = Unshift(
      BigEndian(bytes, 0, kHiresDatetimeBytes[static_cast<std::size_t>(decimals)]), decimals);
  TemporalParts parts;
  parts.microsecond = static_cast<std::uint32_t>(value % kMicrosecondsPerSecond);
  value /= kMicrosecondsPerSecond;
  parts.second = Narrow(value % 60);
  value /= 60;
  parts.minute = Narrow(value % 60);
  value /= 60;
  parts.hour = static_cast<std::uint32_t>(value % 24);
  value /= 24;
  parts.day = Narrow(value % 32);
  value /= 32;
  parts.month = Narrow(value % 13);
  parts.year = static_cast<std::int32_t>(std::min<std::uint64_t>(value / 13, 0x7FFFFFFF));
  return parts;
}

TimestampValue TimestampFromTimestamp2(ByteView bytes, int decimals) {
  return TimestampValue{Be32(bytes, 0), static_cast<std::uint32_t>(Fraction56(bytes, 4, decimals))};
}

TimestampValue TimestampFromHires(ByteView bytes, int decimals) {
  decimals = ClampDecimals(decimals);
  const std::uint64_t fraction =
      BigEndian(bytes, 4, kHiresFractionBytes[static_cast<std::size_t>(decimals)]);
  return TimestampValue{Be32(bytes, 0), static_cast<std::uint32_t>(Unshift(fraction, decimals))};
}

TemporalParts UtcParts(std::uint64_t seconds, std::uint32_t microsecond) {
  TemporalParts parts;
  parts.microsecond = microsecond;
  if (seconds == 0 && microsecond == 0) return parts;
  constexpr std::uint64_t kSecondsPerDay = 86400;
  std::int64_t year = 0;
  unsigned month = 0;
  unsigned day = 0;
  CivilFromDays(static_cast<std::int64_t>(seconds / kSecondsPerDay), year, month, day);
  const std::uint64_t time = seconds % kSecondsPerDay;
  parts.year = static_cast<std::int32_t>(year);
  parts.month = Narrow(month);
  parts.day = Narrow(day);
  parts.hour = static_cast<std::uint32_t>(time / 3600);
  parts.minute = Narrow((time / 60) % 60);
  parts.second = Narrow(time % 60);
  return parts;
}

TemporalParts LocalParts(std::uint64_t seconds, std::uint32_t microsecond) {
  TemporalParts parts;
  parts.microsecond = microsecond;
  if (seconds == 0 && microsecond == 0) return parts;
  const auto when = static_cast<std::time_t>(seconds);
  std::tm local{};
  if (localtime_r(&when, &local) != nullptr) {
    constexpr int kTmYearBase = 1900;
    parts.year = local.tm_year + kTmYearBase;
    parts.month = Narrow(local.tm_mon + 1);
    parts.day = Narrow(local.tm_mday);
    parts.hour = static_cast<std::uint32_t>(local.tm_hour);
    parts.minute = Narrow(local.tm_min);
    parts.second = Narrow(local.tm_sec);
  }
  return parts;
}

// ---- Texts ----

char* PutPadded(char* p, std::int64_t value, int width) {
  if (value < 0) *p++ = '-';
  const std::uint64_t magnitude =
      value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  if (width == 2 && magnitude < 100) {
    *p++ = static_cast<char>('0' + magnitude / 10);
    *p++ = static_cast<char>('0' + magnitude % 10);
    return p;
  }
  char digits[24];
  const char* end = std::to_chars(std::begin(digits), std::end(digits), magnitude).ptr;
  for (auto count = static_cast<int>(end - digits); count < std::min(width, 20); ++count)
    *p++ = '0';
  for (const char* d = digits; d != end; ++d)
    *p++ = *d;
  return p;
}

namespace {

char* PutFraction(char* p, std::uint32_t microsecond, int fractionDigits) {
  fractionDigits = ClampDecimals(fractionDigits);
  if (fractionDigits == 0) return p;
  *p++ = '.';
  return PutPadded(p,
                   static_cast<std::int64_t>((microsecond % kMicrosecondsPerSecond) /
                                             kPowersOfTen[kMaxFractionDigits - fractionDigits]),
                   fractionDigits);
}

char* PutClock(char* p, const TemporalParts& parts, bool withSign, int fractionDigits) {
  if (withSign && parts.negative) *p++ = '-';
  p = PutPadded(p, parts.hour, kPadTwo);
  *p++ = ':';
  p = PutPadded(p, parts.minute, kPadTwo);
  *p++ = ':';
  p = PutPadded(p, parts.second, kPadTwo);
  return PutFraction(p, parts.microsecond, fractionDigits);
}

}  // namespace

char* PutDate(char* p, const TemporalParts& parts, int yearWidth) {
  p = PutPadded(p, parts.year, yearWidth);
  *p++ = '-';
  p = PutPadded(p, parts.month, kPadTwo);
  *p++ = '-';
  return PutPadded(p, parts.day, kPadTwo);
}

char* PutTime(char* p, const TemporalParts& parts, int fractionDigits) {
  return PutClock(p, parts, true, fractionDigits);
}

char* PutDateTime(char* p, const TemporalParts& parts, int yearWidth, int fractionDigits) {
  p = PutDate(p, parts, yearWidth);
  *p++ = ' ';
  return PutClock(p, parts, false, fractionDigits);
}

void AppendDate(std::string& out, const TemporalParts& parts, int yearWidth) {
  char text[kLongestTemporalText];
  out.append(text, PutDate(text, parts, yearWidth));
}

void AppendTime(std::string& out, const TemporalParts& parts, int fractionDigits) {
  char text[kLongestTemporalText];
  out.append(text, PutTime(text, parts, fractionDigits));
}

void AppendDateTime(std::string& out, const TemporalParts& parts, int yearWidth,
                    int fractionDigits) {
  char text[kLongestTemporalText];
  out.append(text, PutDateTime(text, parts, yearWidth, fractionDigits));
}

void AppendLocalTimestamp(std::string& out, std::uint64_t seconds, std::uint32_t microsecond,
                          int decimals, ValueForm form) {
  const TemporalParts parts = LocalParts(seconds, microsecond);
  const bool zero = seconds == 0 && microsecond == 0;
  AppendDateTime(out, parts, zero ? kFullYearWidth : YearWidth(form, kTimestampPreviewYearWidth),
                 SaveFraction(decimals, form));
}

// ---- The text of one value, each in its own call ----

std::string FormatYearValue(std::uint8_t stored) {
  constexpr int kYearBase = 1900;
  std::string out;
  AppendPadded(out, stored == 0 ? 0 : kYearBase + stored, kFullYearWidth);
  return out;
}

std::string FormatDateValue(std::uint32_t packed, ValueForm form) {
  std::string out;
  AppendDate(out, DateFromPacked(packed), YearWidth(form, kDatePreviewYearWidth));
  return out;
}

std::string FormatLegacyTime(std::int32_t hhmmss) {
  std::string out;
  AppendTime(out, TimeFromLegacy(hhmmss), 0);
  return out;
}

std::string FormatLegacyDatetime(std::uint64_t value) {
  std::string out;
  AppendDateTime(out, DateTimeFromLegacy(value), kFullYearWidth, 0);
  return out;
}

std::string FormatDateTimeParts(int year, int month, int day, int hour, int minute, int second) {
  TemporalParts parts;
  parts.year = year;
  parts.month = Narrow(month);
  parts.day = Narrow(day);
  parts.hour = static_cast<std::uint32_t>(hour);
  parts.minute = Narrow(minute);
  parts.second = Narrow(second);
  std::string out;
  AppendDateTime(out, parts, kPadTwo, 0);
  return out;
}

std::string FormatTimestampValue(std::uint32_t seconds, std::uint32_t microseconds, int decimals,
                                 ValueForm form) {
  std::string out;
  AppendLocalTimestamp(out, seconds, microseconds, decimals, form);
  return out;
}

std::string FormatTime2Value(ByteView bytes, int decimals, ValueForm form) {
  std::string out;
  AppendTime(out, TimeFromTime2(bytes, decimals), SaveFraction(decimals, form));
  return out;
}

std::string FormatDatetime2Value(ByteView bytes, int decimals, ValueForm form) {
  std::string out;
  AppendDateTime(out, DateTimeFromDatetime2(bytes, decimals),
                 YearWidth(form, kDatetime2PreviewYearWidth), SaveFraction(decimals, form));
  return out;
}

std::string FormatTimestamp2Value(ByteView bytes, int decimals, ValueForm form) {
  const TimestampValue value = TimestampFromTimestamp2(bytes, decimals);
  std::string out;
  AppendLocalTimestamp(out, value.seconds, value.microsecond, decimals, form);
  return out;
}

std::string FormatHiresTimeValue(ByteView bytes, int decimals, ValueForm form) {
  std::string out;
  AppendTime(out, TimeFromHires(bytes, decimals), SaveFraction(ClampDecimals(decimals), form));
  return out;
}

std::string FormatHiresDatetimeValue(ByteView bytes, int decimals, ValueForm form) {
  std::string out;
  AppendDateTime(out, DateTimeFromHires(bytes, decimals), kFullYearWidth,
                 SaveFraction(ClampDecimals(decimals), form));
  return out;
}

std::string FormatHiresTimestampValue(ByteView bytes, int decimals, ValueForm form) {
  const TimestampValue value = TimestampFromHires(bytes, decimals);
  std::string out;
  AppendLocalTimestamp(out, value.seconds, value.microsecond, ClampDecimals(decimals), form);
  return out;
}

}  // namespace rowmender
