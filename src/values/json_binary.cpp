#include "values/json_binary.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "base/utf8.h"
#include "definitions/table_definition.h"
#include "values/decimal_values.h"
#include "values/numeric_values.h"

namespace rowmender {

namespace {

// Type bytes of a value, at the start of a document and in value entries.
enum JsonType : std::uint8_t {
  kSmallObject = 0x00,
  kLargeObject = 0x01,
  kSmallArray = 0x02,
  kLargeArray = 0x03,
  kLiteral = 0x04,
  kInt16 = 0x05,
  kUint16 = 0x06,
  kInt32 = 0x07,
  kUint32 = 0x08,
  kInt64 = 0x09,
  kUint64 = 0x0A,
  kDouble = 0x0B,
  kString = 0x0C,
  kOpaque = 0x0F,
};

constexpr std::uint8_t kNullLiteral = 0x00;
constexpr std::uint8_t kTrueLiteral = 0x01;
constexpr std::uint8_t kFalseLiteral = 0x02;

// Offsets, sizes and counts of the small and the large form.
constexpr std::size_t kSmallOffsetSize = 2;
constexpr std::size_t kLargeOffsetSize = 4;
// A key entry: the key's offset and its 16-bit length.
constexpr std::size_t kKeyLengthSize = 2;
// A variable-length length takes at most five bytes (it holds 32 bits).
constexpr std::size_t kMostLengthBytes = 5;
// Opaque dates and times: the server's packed 64-bit form.
constexpr std::size_t kPackedTemporalSize = 8;
constexpr int kFractionBits = 24;
constexpr std::int64_t kMicrosecondLimit = 1000000;
constexpr std::int64_t kLargestTimeHour = 838;
constexpr std::int64_t kLargestYear = 9999;
// DECIMAL limits of the server.
constexpr int kMostDecimalDigits = 65;
constexpr int kMostDecimalScale = 30;
// The server's field width when it prints a double, and the decimal
// exponents it prints in fixed rather than exponential notation.
constexpr int kFixedNotationLowestPoint = -14;
constexpr int kFixedNotationHighestPoint = 15;
// Characters of base64 text between line breaks in opaque values.
constexpr std::size_t kBase64LineLength = 76;

bool IsContainer(std::uint8_t type) {
  return type <= kLargeArray;
}

// Scalars kept in their value entry instead of at an offset.
bool IsInlined(std::uint8_t type, bool large) {
  switch (type) {
    case kLiteral:
    case kInt16:
    case kUint16:
      return true;
    case kInt32:
    case kUint32:
      return large;
    default:
      return false;
  }
}

// A variable-length length at `at`: seven bits a byte, least significant
// first, the top bit set on every byte but the last.
bool ReadLength(ByteView data, std::size_t at, std::uint64_t& length, std::size_t& used) {
  length = 0;
  for (std::size_t i = 0; i < kMostLengthBytes && at + i < data.size(); ++i) {
    const std::uint8_t byte = data[at + i];
    length |= static_cast<std::uint64_t>(byte & 0x7F) << (7 * i);
    if ((byte & 0x80) == 0) {
      used = i + 1;
      return length <= UINT32_MAX;
    }
  }
  return false;
}

// A string in double quotes with the escapes the server writes: \" \\ \b
// \f \n \r \t, \u00xx for the other control characters, every other byte as
// it is.
void AppendQuotedJson(std::string& out, std::string_view text) {
  static constexpr char kHexDigits[] = "0123456789abcdef";
  out.push_back('"');
  std::size_t plain = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<std::uint8_t>(text[i]);
    if (byte > 0x1F && byte != '"' && byte != '\\') continue;
    out.append(text, plain, i - plain);
    plain = i + 1;
    out.push_back('\\');
    switch (byte) {
      case '"':
      case '\\':
        out.push_back(static_cast<char>(byte));
        break;
      case '\b':
        out.push_back('b');
        break;
      case '\f':
        out.push_back('f');
        break;
      case '\n':
        out.push_back('n');
        break;
      case '\r':
        out.push_back('r');
        break;
      case '\t':
        out.push_back('t');
        break;
      default:
        out += "u00";
        out.push_back(kHexDigits[byte >> 4]);
        out.push_back(kHexDigits[byte & 0x0F]);
        break;
    }
  }
  out.append(text, plain, text.size() - plain);
  out.push_back('"');
}

// A double as the server prints it: the shortest digits that read back to
// the value, in fixed notation when the decimal point lies between 14
// places before the first digit and 15 after it (or inside the digits), in
// exponential notation ("1e300", "1.5e-20": no "+", no leading zeros)
// otherwise; ".0" after a fixed text without a point, so that the number
// still reads as a double.
void AppendServerDouble(std::string& out, double value) {
  char text[64];
  const auto result =
      std::to_chars(std::begin(text), std::end(text), value, std::chars_format::scientific);
  std::string_view scientific(text, static_cast<std::size_t>(result.ptr - text));
  if (!scientific.empty() && scientific.front() == '-') {
    out.push_back('-');
    scientific.remove_prefix(1);
  }
  const std::size_t e = scientific.find('e');
  std::string digits;
  for (const char c : scientific.substr(0, e)) {
    if (c != '.') digits.push_back(c);
  }
  std::string_view exponentText = scientific.substr(e + 1);
  if (!exponentText.empty() && exponentText.front() == '+') exponentText.remove_prefix(1);
  int exponent = 0;
  std::from_chars(exponentText.data(), exponentText.data() + exponentText.size(), exponent);
  // Digits before the decimal point (negative: zeros after it first).
  const int point = exponent + 1;
  const auto count = static_cast<int>(digits.size());
  if (point >= kFixedNotationLowestPoint &&
      (point <= kFixedNotationHighestPoint || count > point)) {
    if (point <= 0) {
      out += "0.";
      out.append(static_cast<std::size_t>(-point), '0');
      out += digits;
    } else if (point < count) {
      out.append(digits, 0, static_cast<std::size_t>(point));
      out.push_back('.');
      out.append(digits, static_cast<std::size_t>(point));
    } else {
      out += digits;
      out.append(static_cast<std::size_t>(point - count), '0');
      out += ".0";
    }
    return;
  }
  out.push_back(digits.front());
  if (count > 1) {
    out.push_back('.');
    out.append(digits, 1);
  }
  out.push_back('e');
  AppendSigned(out, exponent);
}

void AppendBase64(std::string& out, ByteView bytes) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::size_t lineLength = 0;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    if (lineLength == kBase64LineLength) {
      // The server breaks the text into lines; inside a JSON string the
      // break is escaped.
      out += "\\n";
      lineLength = 0;
    }
    const bool second = i + 1 < bytes.size();
    const bool third = i + 2 < bytes.size();
    const std::uint32_t group = static_cast<std::uint32_t>(bytes[i]) << 16 |
                                (second ? static_cast<std::uint32_t>(bytes[i + 1]) << 8 : 0) |
                                (third ? static_cast<std::uint32_t>(bytes[i + 2]) : 0);
    out.push_back(kAlphabet[(group >> 18) & 0x3F]);
    out.push_back(kAlphabet[(group >> 12) & 0x3F]);
    out.push_back(second ? kAlphabet[(group >> 6) & 0x3F] : '=');
    out.push_back(third ? kAlphabet[group & 0x3F] : '=');
    lineLength += 4;
  }
}

void AppendMicroseconds(std::string& out, std::int64_t microseconds) {
  out.push_back('.');
  AppendPadded(out, microseconds, 6);
}

// An opaque DATE, DATETIME or TIMESTAMP in the server's packed form: year
// and month as year * 13 + month, day, hour, minute, second, then 24 bits of
// microseconds. Only values the server can hold are taken.
bool AppendPackedDateTime(std::string& out, std::int64_t packed, bool dateOnly) {
  if (packed < 0) return false;
  const std::int64_t microseconds = packed % (std::int64_t{1} << kFractionBits);
  const std::int64_t whole = packed >> kFractionBits;
  const std::int64_t yearMonthDay = whole >> 17;
  const std::int64_t hourMinuteSecond = whole % (1 << 17);
  const std::int64_t day = yearMonthDay % (1 << 5);
  const std::int64_t yearMonth = yearMonthDay >> 5;
  const std::int64_t month = yearMonth % 13;
  const std::int64_t year = yearMonth / 13;
  const std::int64_t hour = hourMinuteSecond >> 12;
  const std::int64_t minute = (hourMinuteSecond >> 6) % (1 << 6);
  const std::int64_t second = hourMinuteSecond % (1 << 6);
  if (year > kLargestYear || hour > 23 || minute > 59 || second > 59 ||
      microseconds >= kMicrosecondLimit) {
    return false;
  }
  if (dateOnly && (hourMinuteSecond != 0 || microseconds != 0)) return false;
  out.push_back('"');
  AppendPadded(out, year, 4);
  out.push_back('-');
  AppendPadded(out, month, 2);
  out.push_back('-');
  AppendPadded(out, day, 2);
  if (!dateOnly) {
    out.push_back(' ');
    AppendPadded(out, hour, 2);
    out.push_back(':');
    AppendPadded(out, minute, 2);
    out.push_back(':');
    AppendPadded(out, second, 2);
    AppendMicroseconds(out, microseconds);
  }
  out.push_back('"');
  return true;
}

// An opaque TIME in the server's packed form: the sign of the whole, 10
// bits of hours, minutes, seconds, then 24 bits of microseconds.
bool AppendPackedTime(std::string& out, std::int64_t packed) {
  if (packed == INT64_MIN) return false;
  const bool negative = packed < 0;
  const std::int64_t magnitude = negative ? -packed : packed;
  const std::int64_t microseconds = magnitude % (std::int64_t{1} << kFractionBits);
  const std::int64_t whole = magnitude >> kFractionBits;
  const std::int64_t hour = whole >> 12;
  const std::int64_t minute = (whole >> 6) % (1 << 6);
  const std::int64_t second = whole % (1 << 6);
  if (hour > kLargestTimeHour || minute > 59 || second > 59 || microseconds >= kMicrosecondLimit) {
    return false;
  }
  out.push_back('"');
  if (negative) out.push_back('-');
  AppendPadded(out, hour, 2);
  out.push_back(':');
  AppendPadded(out, minute, 2);
  out.push_back(':');
  AppendPadded(out, second, 2);
  AppendMicroseconds(out, microseconds);
  out.push_back('"');
  return true;
}

// Writes the text of a document, checking every read. Each byte of the
// document may be taken for one part of the value only: `budget_` counts
// the bytes not yet taken, so that entries pointing at the same bytes (which
// would multiply the text) are refused.
class JsonTextWriter {
 public:
  JsonTextWriter(std::string& out, std::size_t budget) : out_(out), budget_(budget) {}

  bool Document(ByteView binary) {
    if (binary.empty()) {
      out_ += "null";
      return true;
    }
    if (!Take(1)) return false;
    const std::uint8_t type = binary[0];
    const ByteView body = binary.subspan(1);
    if (IsContainer(type)) return Container(type, body, 1, true);
    std::size_t used = 0;
    return Scalar(type, body, used) && used == body.size();
  }

 private:
  bool Take(std::uint64_t bytes) {
    if (bytes > budget_) return false;
    budget_ -= static_cast<std::size_t>(bytes);
    return true;
  }

  // A value stored at an offset of its container; `data` runs from the
  // value to the end of the container.
  bool Nested(std::uint8_t type, ByteView data, int depth) {
    if (IsContainer(type)) return Container(type, data, depth + 1, false);
    std::size_t used = 0;
    return Scalar(type, data, used);
  }

  // An object or array whose count field starts `data`; at `depth` (1 for
  // the document itself). A document's container fills the rest of it.
  bool Container(std::uint8_t type, ByteView data, int depth, bool whole) {
    if (depth > kMaxJsonDepth) return false;
    const bool object = type == kSmallObject || type == kLargeObject;
    const bool large = type == kLargeObject || type == kLargeArray;
    const std::size_t offsetSize = large ? kLargeOffsetSize : kSmallOffsetSize;
    if (data.size() < 2 * offsetSize) return false;
    const std::uint64_t count = LittleEndian(data, 0, offsetSize);
    const std::uint64_t size = LittleEndian(data, offsetSize, offsetSize);
    if (size > data.size() || (whole && size != data.size())) return false;
    const std::uint64_t keyEntrySize = object ? offsetSize + kKeyLengthSize : 0;
    const std::uint64_t valueEntrySize = 1 + offsetSize;
    // At most 2^32 entries of at most 11 bytes: no overflow.
    const std::uint64_t header = 2 * offsetSize + count * (keyEntrySize + valueEntrySize);
    if (header > size || !Take(header)) return false;
    const ByteView body = data.first(static_cast<std::size_t>(size));
    const std::size_t valueEntries =
        2 * offsetSize + static_cast<std::size_t>(count * keyEntrySize);

    out_.push_back(object ? '{' : '[');
    for (std::size_t i = 0; i < count; ++i) {
      if (i > 0) out_ += ", ";
      if (object) {
        const std::size_t keyEntry = 2 * offsetSize + i * static_cast<std::size_t>(keyEntrySize);
        const std::uint64_t keyOffset = LittleEndian(body, keyEntry, offsetSize);
        const std::uint64_t keyLength = Le16(body, keyEntry + offsetSize);
        if (keyOffset < header || keyOffset + keyLength > size || !Take(keyLength)) return false;
        if (!Text(body.subspan(static_cast<std::size_t>(keyOffset),
                               static_cast<std::size_t>(keyLength)))) {
          return false;
        }
        out_ += ": ";
      }
      const std::size_t valueEntry = valueEntries + i * static_cast<std::size_t>(valueEntrySize);
      const std::uint8_t valueType = body[valueEntry];
      const ByteView field = body.subspan(valueEntry + 1, offsetSize);
      if (IsInlined(valueType, large)) {
        std::size_t used = 0;
        if (!Scalar(valueType, field, used, false)) return false;
        continue;
      }
      const std::uint64_t offset = LittleEndian(field, 0, offsetSize);
      if (offset < header || offset >= size) return false;
      if (!Nested(valueType, body.subspan(static_cast<std::size_t>(offset)), depth)) return false;
    }
    out_.push_back(object ? '}' : ']');
    return true;
  }

  // A scalar whose bytes start `data`; `used` is how many it took. An
  // inlined scalar lies in its container's entry, already taken.
  bool Scalar(std::uint8_t type, ByteView data, std::size_t& used, bool own = true) {
    switch (type) {
      case kLiteral:
        if (!Fixed(data, 1, used, own)) return false;
        switch (data[0]) {
          case kNullLiteral:
            out_ += "null";
            return true;
          case kTrueLiteral:
            out_ += "true";
            return true;
          case kFalseLiteral:
            out_ += "false";
            return true;
          default:
            return false;
        }
      case kInt16:
        if (!Fixed(data, 2, used, own)) return false;
        AppendSigned(out_, static_cast<std::int16_t>(Le16(data, 0)));
        return true;
      case kUint16:
        if (!Fixed(data, 2, used, own)) return false;
        AppendUnsigned(out_, Le16(data, 0));
        return true;
      case kInt32:
        if (!Fixed(data, 4, used, own)) return false;
        AppendSigned(out_, static_cast<std::int32_t>(Le32(data, 0)));
        return true;
      case kUint32:
        if (!Fixed(data, 4, used, own)) return false;
        AppendUnsigned(out_, Le32(data, 0));
        return true;
      case kInt64:
        if (!Fixed(data, 8, used, own)) return false;
        AppendSigned(out_, static_cast<std::int64_t>(Le64(data, 0)));
        return true;
      case kUint64:
        if (!Fixed(data, 8, used, own)) return false;
        AppendUnsigned(out_, Le64(data, 0));
        return true;
      case kDouble: {
        if (!Fixed(data, 8, used, own)) return false;
        const std::uint64_t bits = Le64(data, 0);
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value)) return false;
        AppendServerDouble(out_, value);
        return true;
      }
      case kString: {
        std::uint64_t length = 0;
        std::size_t lengthBytes = 0;
        if (!ReadLength(data, 0, length, lengthBytes)) return false;
        if (length > data.size() - lengthBytes || !Take(lengthBytes + length)) return false;
        used = lengthBytes + static_cast<std::size_t>(length);
        return Text(data.subspan(lengthBytes, static_cast<std::size_t>(length)));
      }
      case kOpaque: {
        if (data.empty()) return false;
        std::uint64_t length = 0;
        std::size_t lengthBytes = 0;
        if (!ReadLength(data, 1, length, lengthBytes)) return false;
        const std::size_t start = 1 + lengthBytes;
        if (length > data.size() - start || !Take(start + length)) return false;
        used = start + static_cast<std::size_t>(length);
        return Opaque(data[0], data.subspan(start, static_cast<std::size_t>(length)));
      }
      default:
        return false;
    }
  }

  // `size` bytes at the start of `data`, taken from the budget when they
  // are the scalar's own.
  bool Fixed(ByteView data, std::size_t size, std::size_t& used, bool own) {
    if (data.size() < size || (own && !Take(size))) return false;
    used = size;
    return true;
  }

  // A string or key: utf8mb4, quoted.
  bool Text(ByteView bytes) {
    const std::string_view text = AsChars(bytes);
    if (!IsValidUtf8(text)) return false;
    AppendQuotedJson(out_, text);
    return true;
  }

  // A value of another MySQL type, by its type byte.
  bool Opaque(std::uint8_t fieldType, ByteView payload) {
    switch (fieldType) {
      case kTypeVarString:
        // A string the server kept as an opaque value prints as a string.
        return Text(payload);
      case kTypeNewDecimal:
        return Decimal(payload);
      case kTypeDate:
      case kTypeDatetime:
      case kTypeTimestamp:
        return payload.size() == kPackedTemporalSize &&
               AppendPackedDateTime(out_, static_cast<std::int64_t>(Le64(payload, 0)),
                                    fieldType == kTypeDate);
      case kTypeTime:
        return payload.size() == kPackedTemporalSize &&
               AppendPackedTime(out_, static_cast<std::int64_t>(Le64(payload, 0)));
      default:
        out_ += "\"base64:type";
        AppendUnsigned(out_, fieldType);
        out_.push_back(':');
        AppendBase64(out_, payload);
        out_.push_back('"');
        return true;
    }
  }

  // A DECIMAL: its precision and scale bytes, then the binary DECIMAL.
  bool Decimal(ByteView payload) {
    if (payload.size() < 2) return false;
    const int precision = payload[0];
    const int scale = payload[1];
    if (precision > kMostDecimalDigits || scale > kMostDecimalScale || scale > precision) {
      return false;
    }
    const ByteView digits = payload.subspan(2);
    if (digits.size() != DecimalStorageSize(precision, scale)) return false;
    const std::size_t mark = out_.size();
    if (!AppendDecimal(out_, digits, precision, scale)) {
      out_.resize(mark);
      return false;
    }
    return true;
  }

  std::string& out_;
  std::size_t budget_;
};

}  // namespace

bool AppendJsonText(std::string& out, ByteView binary) {
  const std::size_t mark = out.size();
  JsonTextWriter writer(out, binary.size());
  if (writer.Document(binary)) return true;
  out.resize(mark);
  return false;
}

}  // namespace rowmender
