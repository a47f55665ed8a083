// DATE, TIME, DATETIME, TIMESTAMP and YEAR: every encoding the servers use,
// decoded into parts, and the texts of the parts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/bytes.h"
#include "definitions/table_definition.h"
#include "values/cell.h"
#include "values/value_options.h"

namespace rowmender {

// ---- Sizes ----

// Fractional digits of a TIME, DATETIME or TIMESTAMP column (0 to 6), from
// its length: TIME lengths beyond 10 and DATETIME/TIMESTAMP lengths beyond
// 19 hold a point and the digits.
int TemporalDecimals(const ColumnDefinition& column);

// The 5.6 encodings (type codes 17, 18, 19), with their fractional bytes.
std::size_t Temporal56StorageSize(std::uint32_t typeCode, int decimals);

// MariaDB's encodings of TIME, DATETIME and TIMESTAMP with fractional
// seconds under the old type codes 11, 12 and 7.
std::size_t HiresStorageSize(std::uint32_t typeCode, int decimals);

// TIME, DATETIME or TIMESTAMP under the old type codes with fractional
// seconds (MariaDB's own encoding).
bool IsHiresTemporal(const ColumnDefinition& column);

// ---- Decoding into parts ----

// DATE (3 bytes: day in bits 0-4, month in 5-8, year from bit 9).
TemporalParts DateFromPacked(std::uint32_t packed);
// Pre-5.6 TIME: the decimal number hhmmss, sign included.
TemporalParts TimeFromLegacy(std::int32_t hhmmss);
// Pre-5.6 DATETIME: the decimal number YYYYMMDDhhmmss.
TemporalParts DateTimeFromLegacy(std::uint64_t value);
// The 5.6 encodings, big-endian, with their fractional bytes.
TemporalParts TimeFromTime2(ByteView bytes, int decimals);
TemporalParts DateTimeFromDatetime2(ByteView bytes, int decimals);
// MariaDB's encodings: big-endian numbers scaled by 10^decimals.
TemporalParts TimeFromHires(ByteView bytes, int decimals);
TemporalParts DateTimeFromHires(ByteView bytes, int decimals);

// A TIMESTAMP: seconds since 1970-01-01 UTC and microseconds.
struct TimestampValue {
  std::uint64_t seconds = 0;
  std::uint32_t microsecond = 0;
};
TimestampValue TimestampFromTimestamp2(ByteView bytes, int decimals);
TimestampValue TimestampFromHires(ByteView bytes, int decimals);

// The parts of a TIMESTAMP in UTC, and in the local time of the machine
// (parts all 0 where the platform cannot convert). 0 seconds and 0
// microseconds is the zero timestamp, all parts 0 either way.
TemporalParts UtcParts(std::uint64_t seconds, std::uint32_t microsecond);
TemporalParts LocalParts(std::uint64_t seconds, std::uint32_t microsecond);

// ---- Texts ----

// The same texts written at `p`, which has room for kLongestTemporalText
// characters; each returns the end of what it wrote.
inline constexpr std::size_t kLongestTemporalText = 64;
char* PutDate(char* p, const TemporalParts& parts, int yearWidth);
char* PutTime(char* p, const TemporalParts& parts, int fractionDigits);
char* PutDateTime(char* p, const TemporalParts& parts, int yearWidth, int fractionDigits);
// `value` with at least `width` digits (at most 20), sign first.
char* PutPadded(char* p, std::int64_t value, int width);

// "Y-MM-DD", the year with at least `yearWidth` digits.
void AppendDate(std::string& out, const TemporalParts& parts, int yearWidth);
// "[-]hh:mm:ss", hours with more digits where needed, then "." and
// `fractionDigits` digits when that is above 0.
void AppendTime(std::string& out, const TemporalParts& parts, int fractionDigits);
// "Y-MM-DD hh:mm:ss[.f]".
void AppendDateTime(std::string& out, const TemporalParts& parts, int yearWidth,
                    int fractionDigits);

// The year width the preview writes for each encoding.
inline constexpr int kDatePreviewYearWidth = 2;
inline constexpr int kDatetime2PreviewYearWidth = 1;
inline constexpr int kTimestampPreviewYearWidth = 2;
inline constexpr int kFullYearWidth = 4;

// ---- The text of one value, each in its own call ----

std::string FormatYearValue(std::uint8_t stored);
std::string FormatDateValue(std::uint32_t packed, ValueForm form);
std::string FormatLegacyTime(std::int32_t hhmmss);
std::string FormatLegacyDatetime(std::uint64_t value);
std::string FormatDateTimeParts(int year, int month, int day, int hour, int minute, int second);
std::string FormatTimestampValue(std::uint32_t seconds, std::uint32_t microseconds, int decimals,
                                 ValueForm form);
std::string FormatTime2Value(ByteView bytes, int decimals, ValueForm form);
std::string FormatDatetime2Value(ByteView bytes, int decimals, ValueForm form);
std::string FormatTimestamp2Value(ByteView bytes, int decimals, ValueForm form);
std::string FormatHiresTimeValue(ByteView bytes, int decimals, ValueForm form);
std::string FormatHiresDatetimeValue(ByteView bytes, int decimals, ValueForm form);
std::string FormatHiresTimestampValue(ByteView bytes, int decimals, ValueForm form);

// The text of a TIMESTAMP in local time, as the preview and the save forms
// write it (the zero timestamp with a four-digit year).
void AppendLocalTimestamp(std::string& out, std::uint64_t seconds, std::uint32_t microsecond,
                          int decimals, ValueForm form);

}  // namespace rowmender
