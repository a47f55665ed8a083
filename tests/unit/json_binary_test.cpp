// MySQL's binary JSON turned into the text the server prints for a JSON
// column, and that text in the grid, TSV, CSV and SQL forms of a row.
//
// No server here writes MySQL's binary JSON (MariaDB keeps JSON as text), so
// most values are made by the small encoder below, written from the format
// the server's sources describe; two values written by a real MySQL server
// check the encoder itself.
#include "values/json_binary.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "base/collation_table.h"
#include "definitions/column_type_name.h"
#include "values/export_formats.h"
#include "values/field_value.h"
#include "values/value_texts.h"

namespace rowmender {
namespace {

using Bytes = std::vector<std::uint8_t>;

// ---- An encoder of the documented format, for the tests only ----

// A value: its type byte and the bytes after it.
struct Encoded {
  std::uint8_t type = 0;
  Bytes body;
};

void PutLittleEndian(Bytes& out, std::uint64_t value, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i)
    out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutLength(Bytes& out, std::uint64_t length) {
  do {
    std::uint8_t byte = length & 0x7F;
    length >>= 7;
    if (length != 0) byte |= 0x80;
    out.push_back(byte);
  } while (length != 0);
}

Encoded Null() {
  return {0x04, {0x00}};
}
Encoded True() {
  return {0x04, {0x01}};
}
Encoded False() {
  return {0x04, {0x02}};
}

// The narrowest integer type that holds the value, as the server picks it.
Encoded Int(std::int64_t value) {
  Encoded e;
  if (value >= INT16_MIN && value <= INT16_MAX) {
    e.type = 0x05;
    PutLittleEndian(e.body, static_cast<std::uint64_t>(value), 2);
  } else if (value >= INT32_MIN && value <= INT32_MAX) {
    e.type = 0x07;
    PutLittleEndian(e.body, static_cast<std::uint64_t>(value), 4);
  } else {
    e.type = 0x09;
    PutLittleEndian(e.body, static_cast<std::uint64_t>(value), 8);
  }
  return e;
}

Encoded Uint(std::uint64_t value) {
  Encoded e;
  if (value <= UINT16_MAX) {
    e.type = 0x06;
    PutLittleEndian(e.body, value, 2);
  } else if (value <= UINT32_MAX) {
    e.type = 0x08;
    PutLittleEndian(e.body, value, 4);
  } else {
    e.type = 0x0A;
    PutLittleEndian(e.body, value, 8);
  }
  return e;
}

Encoded Double(double value) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  Encoded e{0x0B, {}};
  PutLittleEndian(e.body, bits, 8);
  return e;
}

Encoded String(std::string_view text) {
  Encoded e{0x0C, {}};
  PutLength(e.body, text.size());
  e.body.insert(e.body.end(), text.begin(), text.end());
  return e;
}

Encoded Opaque(std::uint8_t fieldType, const Bytes& data) {
  Encoded e{0x0F, {fieldType}};
  PutLength(e.body, data.size());
  e.body.insert(e.body.end(), data.begin(), data.end());
  return e;
}

// The server's packed dates and times, 8 bytes little-endian.
Bytes PackedDateTime(int year, int month, int day, int hour, int minute, int second,
                     int microsecond) {
  const auto ymd = static_cast<std::uint64_t>(((year * 13 + month) << 5) | day);
  const auto hms = static_cast<std::uint64_t>((hour << 12) | (minute << 6) | second);
  Bytes out;
  PutLittleEndian(out, (((ymd << 17) | hms) << 24) + static_cast<std::uint64_t>(microsecond), 8);
  return out;
}

Bytes PackedTime(bool negative, int hour, int minute, int second, int microsecond) {
  const auto hms = static_cast<std::int64_t>((hour << 12) | (minute << 6) | second);
  std::int64_t packed = (hms << 24) + microsecond;
  if (negative) packed = -packed;
  Bytes out;
  PutLittleEndian(out, static_cast<std::uint64_t>(packed), 8);
  return out;
}

bool Inlinable(std::uint8_t type, bool large) {
  return type == 0x04 || type == 0x05 || type == 0x06 || (large && (type == 0x07 || type == 0x08));
}

// An array (no keys) or object: count, size, key entries, value entries,
// keys, then the values that are not inlined, offsets from the count.
Encoded Container(const std::vector<std::pair<std::string, Encoded>>& members, bool object,
                  bool large) {
  const std::size_t offsetSize = large ? 4 : 2;
  const std::size_t count = members.size();
  const std::size_t header =
      2 * offsetSize + count * ((object ? offsetSize + 2 : 0) + 1 + offsetSize);
  Bytes keys;
  Bytes keyEntries;
  for (std::size_t i = 0; object && i < count; ++i) {
    const std::string& key = members[i].first;
    PutLittleEndian(keyEntries, header + keys.size(), offsetSize);
    PutLittleEndian(keyEntries, key.size(), 2);
    keys.insert(keys.end(), key.begin(), key.end());
  }
  Bytes valueEntries;
  Bytes values;
  for (std::size_t i = 0; i < count; ++i) {
    const Encoded& value = members[i].second;
    valueEntries.push_back(value.type);
    if (Inlinable(value.type, large)) {
      Bytes field = value.body;
      // An inlined int16 fills its field sign-extended, the others with zeros.
      const std::uint8_t fill = value.type == 0x05 && (field.back() & 0x80) != 0 ? 0xFF : 0x00;
      field.resize(offsetSize, fill);
      valueEntries.insert(valueEntries.end(), field.begin(), field.end());
    } else {
      PutLittleEndian(valueEntries, header + keys.size() + values.size(), offsetSize);
      values.insert(values.end(), value.body.begin(), value.body.end());
    }
  }
  Encoded e{static_cast<std::uint8_t>((object ? 0x00 : 0x02) + (large ? 1 : 0)), {}};
  PutLittleEndian(e.body, count, offsetSize);
  PutLittleEndian(e.body, header + keys.size() + values.size(), offsetSize);
  for (const Bytes* part : {&keyEntries, &valueEntries, &keys, &values})
    e.body.insert(e.body.end(), part->begin(), part->end());
  return e;
}

Encoded Array(const std::vector<Encoded>& elements, bool large = false) {
  std::vector<std::pair<std::string, Encoded>> members;
  for (const Encoded& element : elements)
    members.emplace_back("", element);
  return Container(members, false, large);
}

Encoded Object(const std::vector<std::pair<std::string, Encoded>>& members, bool large = false) {
  return Container(members, true, large);
}

Bytes Document(const Encoded& value) {
  Bytes out{value.type};
  out.insert(out.end(), value.body.begin(), value.body.end());
  return out;
}

Bytes FromHex(std::string_view hex) {
  Bytes out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    out.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  return out;
}

ByteView View(const Bytes& bytes) {
  return ByteView(bytes.data(), bytes.size());
}

// The text, or "<false>" when the bytes do not decode (then checking that
// nothing was appended).
std::string JsonText(const Bytes& binary) {
  std::string out = "x";
  if (!AppendJsonText(out, View(binary))) {
    EXPECT_EQ(out, "x") << "a refused value appends nothing";
    return "<false>";
  }
  return out.substr(1);
}

// Two values a real MySQL server wrote (row events of its binary log for
// INSERT ... VALUES ('[1, "a"]') and ('[{"a":1}]') into a JSON column),
// from fivetran/mysql-secure-agent,
// src/test/java/com/fivetran/agent/mysql/binlog/BinlogParserSpec.java
// (the value's bytes after their 4-byte length).
constexpr std::string_view kServerArray = "0202000C000501000C0A000161";
constexpr std::string_view kServerNested = "020100130000070001000C000B00010005010061";

TEST(JsonBinary, ValuesWrittenByARealServer) {
  EXPECT_EQ(JsonText(FromHex(kServerArray)), R"([1, "a"])");
  EXPECT_EQ(JsonText(FromHex(kServerNested)), R"([{"a": 1}])");
  // The encoder of these tests writes the same bytes.
  EXPECT_EQ(Document(Array({Int(1), String("a")})), FromHex(kServerArray));
  EXPECT_EQ(Document(Array({Object({{"a", Int(1)}})})), FromHex(kServerNested));
}

TEST(JsonBinary, EveryKindOfValuePrintsAsTheServerPrintsIt) {
  const std::string longString(200, 'a');
  Bytes sixtyZeros(60, 0);
  const struct {
    const char* name;
    Bytes binary;
    std::string text;
  } cases[] = {
      {"an empty value is null", {}, "null"},
      {"null", Document(Null()), "null"},
      {"true", Document(True()), "true"},
      {"false", Document(False()), "false"},
      {"int16 low", Document(Int(INT16_MIN)), "-32768"},
      {"uint16 high", Document(Uint(UINT16_MAX)), "65535"},
      {"int32 low", Document(Int(INT32_MIN)), "-2147483648"},
      {"uint32 high", Document(Uint(UINT32_MAX)), "4294967295"},
      {"int64 low", Document(Int(INT64_MIN)), "-9223372036854775808"},
      {"int64 high", Document(Int(INT64_MAX)), "9223372036854775807"},
      {"uint64 high", Document(Uint(UINT64_MAX)), "18446744073709551615"},
      {"double 0.1", Document(Double(0.1)), "0.1"},
      {"double 3.14", Document(Double(3.14)), "3.14"},
      {"double 2 keeps a point", Document(Double(2.0)), "2.0"},
      {"double zero", Document(Double(0.0)), "0.0"},
      {"double negative zero", Document(Double(-0.0)), "-0.0"},
      {"double 1e300", Document(Double(1e300)), "1e300"},
      {"double 1e15", Document(Double(1e15)), "1e15"},
      {"double 1e14 fixed", Document(Double(1e14)), "100000000000000.0"},
      {"double 17 digits", Document(Double(123456789012345678.0)), "1.2345678901234568e17"},
      {"double point in the digits", Document(Double(1234567890123456.8)), "1234567890123456.8"},
      {"double 1e-5", Document(Double(1e-5)), "0.00001"},
      {"double 1.5e-15", Document(Double(1.5e-15)), "0.0000000000000015"},
      {"double 1e-16", Document(Double(1e-16)), "1e-16"},
      {"double negative tiny", Document(Double(-2.5e-300)), "-2.5e-300"},
      {"double largest", Document(Double(std::numeric_limits<double>::max())),
       "1.7976931348623157e308"},
      {"double smallest", Document(Double(std::numeric_limits<double>::denorm_min())), "5e-324"},
      {"empty string", Document(String("")), R"("")"},
      {"escapes", Document(String("q\"b\\s/\b\f\n\r\t\x01\x1f\x7f")),
       R"("q\"b\\s/\b\f\n\r\t\u0001\u001f)"
       "\x7f\""},
      {"utf-8 as it is", Document(String("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80")),
       "\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\""},
      {"a zero byte", Document(String(std::string_view("a\0b", 3))), R"("a\u0000b")"},
      {"two-byte length", Document(String(longString)), "\"" + longString + "\""},
      {"datetime", Document(Opaque(12, PackedDateTime(2015, 1, 15, 15, 16, 17, 123456))),
       R"("2015-01-15 15:16:17.123456")"},
      {"timestamp", Document(Opaque(7, PackedDateTime(2038, 1, 19, 3, 14, 7, 0))),
       R"("2038-01-19 03:14:07.000000")"},
      {"zero datetime", Document(Opaque(12, PackedDateTime(0, 0, 0, 0, 0, 0, 0))),
       R"("0000-00-00 00:00:00.000000")"},
      {"date", Document(Opaque(10, PackedDateTime(2014, 5, 17, 0, 0, 0, 0))), R"("2014-05-17")"},
      {"time", Document(Opaque(11, PackedTime(false, 13, 14, 15, 654321))), R"("13:14:15.654321")"},
      {"negative long time", Document(Opaque(11, PackedTime(true, 838, 59, 59, 0))),
       R"("-838:59:59.000000")"},
      {"decimal", Document(Opaque(246, {5, 2, 0x80, 0x7B, 0x2D})), "123.45"},
      {"negative decimal", Document(Opaque(246, {3, 2, 0x7E, 0xCD})), "-1.50"},
      {"string kept as opaque", Document(Opaque(253, {'h', 'i'})), R"("hi")"},
      {"other opaque in base64", Document(Opaque(249, {0xBE, 0xBA, 0xFE, 0xCA})),
       R"("base64:type249:vrr+yg==")"},
      {"empty opaque", Document(Opaque(252, {})), R"("base64:type252:")"},
      {"long base64 breaks its line", Document(Opaque(252, sixtyZeros)),
       "\"base64:type252:" + std::string(76, 'A') + "\\nAAAA\""},
      {"empty array", Document(Array({})), "[]"},
      {"empty object", Document(Object({})), "{}"},
      {"object with a nested array",
       Document(Object({{"a", Int(1)}, {"b", Array({True(), Null(), String("x")})}})),
       R"({"a": 1, "b": [true, null, "x"]})"},
      {"keys in their stored order", Document(Object({{"b", Int(1)}, {"a", Int(2)}, {"", Int(3)}})),
       R"({"b": 1, "a": 2, "": 3})"},
      {"keys need escapes too", Document(Object({{"k\"\n", False()}})), R"({"k\"\n": false})"},
      {"inlined and stored integers in a small array",
       Document(Array({Int(-5), Uint(7), Int(-100000), Uint(100000), Int(INT64_MIN)})),
       "[-5, 7, -100000, 100000, -9223372036854775808]"},
      {"inlined 32-bit integers in a large array",
       Document(Array({Int(-100000), Uint(4000000000u), Int(-1), False()}, true)),
       "[-100000, 4000000000, -1, false]"},
      {"large object in a small array",
       Document(Array({Object(
           {{"k", Double(0.5)}, {"d", Opaque(10, PackedDateTime(1999, 12, 31, 0, 0, 0, 0))}},
           true)})),
       R"([{"k": 0.5, "d": "1999-12-31"}])"},
      {"small object in a large object",
       Document(Object({{"o", Object({{"x", String("y")}})}}, true)), R"({"o": {"x": "y"}})"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(JsonText(c.binary), c.text) << c.name;
  }
}

TEST(JsonBinary, LargeDocumentsUseFourByteOffsets) {
  // Three strings of 30000 characters: the last two start beyond 64 KiB
  // of offsets only a large array can hold.
  const std::string a(30000, 'a');
  const std::string b(30000, 'b');
  const std::string c(30000, 'c');
  const Bytes binary = Document(Array({String(a), String(b), String(c), True()}, true));
  EXPECT_GT(binary.size(), 65536u);
  EXPECT_EQ(JsonText(binary), "[\"" + a + "\", \"" + b + "\", \"" + c + "\", true]");
}

TEST(JsonBinary, NestingUpToTheServersDepth) {
  Encoded value = Int(1);
  for (int depth = 1; depth <= kMaxJsonDepth; ++depth)
    value = Array({value});
  EXPECT_EQ(JsonText(Document(value)),
            std::string(kMaxJsonDepth, '[') + "1" + std::string(kMaxJsonDepth, ']'));
  EXPECT_EQ(JsonText(Document(Array({value}))), "<false>") << "one level deeper";
}

// An array of two entries that both point at `child`, which follows them.
Encoded TwiceTheSame(const Encoded& child) {
  Encoded e{0x02, {}};
  PutLittleEndian(e.body, 2, 2);
  PutLittleEndian(e.body, 10 + child.body.size(), 2);
  for (int i = 0; i < 2; ++i) {
    e.body.push_back(child.type);
    PutLittleEndian(e.body, 10, 2);
  }
  e.body.insert(e.body.end(), child.body.begin(), child.body.end());
  return e;
}

TEST(JsonBinary, DamagedOrHostileBytesAreRefused) {
  const Bytes valid =
      Document(Object({{"a", Int(1)}, {"list", Array({String("x"), Double(1.5), Int(100000)})}}));
  ASSERT_EQ(JsonText(valid), R"({"a": 1, "list": ["x", 1.5, 100000]})");
  for (std::size_t cut = 1; cut < valid.size(); ++cut) {
    EXPECT_EQ(JsonText(Bytes(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(cut))),
              "<false>")
        << "cut to " << cut << " bytes";
  }

  Bytes trailing = valid;
  trailing.push_back(0);
  Bytes badDateTime = PackedDateTime(2020, 1, 1, 24, 0, 0, 0);
  Bytes badMicroseconds = PackedDateTime(2020, 1, 1, 0, 0, 0, 1000000);
  Encoded nested = String("abc");
  for (int i = 0; i < 40; ++i)
    nested = TwiceTheSame(nested);

  const struct {
    const char* name;
    Bytes binary;
  } cases[] = {
      {"bytes after the value", trailing},
      {"bytes after a scalar", {0x05, 0x01, 0x00, 0x00}},
      {"container shorter than the value", FromHex("020000040000")},
      {"size larger than the bytes", FromHex("0200000500")},
      {"value offset past the end", FromHex("02010007000C0900")},
      {"value offset into the header", FromHex("02010009000C02000161")},
      {"key past the end", FromHex("0001000C000B000200050100"
                                   "61")},
      {"key inside the header", FromHex("0001000C000200010005010061")},
      {"count that overflows", FromHex("03FFFFFFFF08000000")},
      {"count whose entries do not fit", FromHex("0210000400")},
      {"unknown type", {0x0D, 0x00}},
      {"unknown type in an entry", FromHex("02010008000E070000")},
      {"unknown literal", {0x04, 0x03}},
      {"unknown inlined literal", FromHex("0201000700040300")},
      {"length that never ends", {0x0C, 0x80, 0x80, 0x80, 0x80, 0x80, 0x01}},
      {"length beyond 32 bits", {0x0C, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}},
      {"string longer than its bytes", {0x0C, 0x05, 'a', 'b'}},
      {"string that is not UTF-8", {0x0C, 0x02, 0xC3, 0x28}},
      {"key that is not UTF-8", FromHex("0001000C000B00010005010080")},
      {"not a number", Document(Double(std::numeric_limits<double>::quiet_NaN()))},
      {"infinity", Document(Double(std::numeric_limits<double>::infinity()))},
      {"double cut short", {0x0B, 0, 0, 0, 0, 0, 0, 0}},
      {"opaque without its type", {0x0F}},
      {"datetime of seven bytes", Document(Opaque(12, Bytes(7, 0)))},
      {"datetime at hour 24", Document(Opaque(12, badDateTime))},
      {"datetime of a million microseconds", Document(Opaque(12, badMicroseconds))},
      {"time beyond 838 hours", Document(Opaque(11, PackedTime(false, 839, 0, 0, 0)))},
      {"date with a time", Document(Opaque(10, PackedDateTime(2020, 1, 1, 1, 0, 0, 0)))},
      {"decimal a byte short", Document(Opaque(246, {5, 2, 0x80, 0x7B}))},
      {"decimal scale above precision", Document(Opaque(246, {1, 2, 0x80, 0x01}))},
      {"decimal digit group out of range", Document(Opaque(246, {2, 0, 0xFF}))},
      {"two entries sharing one value", Document(TwiceTheSame(String("abc")))},
      {"sharing nested forty deep", Document(nested)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(JsonText(c.binary), "<false>") << c.name;
  }
}

TEST(JsonBinary, ArbitraryBytesNeverReadOutsideOrRunLong) {
  // Every byte of a valid document changed to every value: each result is
  // either refused or a text no longer than a fixed multiple of the input.
  const Bytes valid =
      Document(Object({{"a", Int(-3)},
                       {"bb", Array({String("xyz"), Double(0.25),
                                     Opaque(12, PackedDateTime(2001, 2, 3, 4, 5, 6, 7))})},
                       {"c", Object({{"d", Null()}}, true)}}));
  const auto start = std::chrono::steady_clock::now();
  for (std::size_t i = 0; i < valid.size(); ++i) {
    for (int value = 0; value < 256; ++value) {
      Bytes changed = valid;
      changed[i] = static_cast<std::uint8_t>(value);
      std::string out;
      if (AppendJsonText(out, View(changed))) {
        EXPECT_LE(out.size(), 32 * changed.size()) << "byte " << i << " = " << value;
      }
    }
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

// ---- Through the row formatters ----

ColumnDefinition JsonColumn() {
  ColumnDefinition column;
  column.name = "doc";
  column.typeCode = kTypeJson;
  column.charsetId = kBinaryCharset;
  column.nullable = true;
  return column;
}

// Hands out a whole value it was given, as an off-page chain would.
class WholeValue final : public LongValueReader {
 public:
  explicit WholeValue(Bytes bytes) : bytes_(std::move(bytes)) {}
  Result Read(ByteView, const std::function<void(ByteView)>& sink) const override {
    sink(View(bytes_));
    return {bytes_.size(), bytes_.size(), true};
  }

 private:
  Bytes bytes_;
};

TEST(JsonBinaryRows, AJsonCellInTheGridTsvCsvAndSql) {
  TableDefinition table;
  ColumnDefinition id;
  id.name = "id";
  id.typeCode = kTypeLong;
  id.packFlags = kPackSigned;
  table.columns = {id, JsonColumn()};
  const TableFormat formats(table, nullptr);

  const Bytes json = Document(Object({{"a", Int(1)}, {"b", Array({True(), Null(), String("x")})}}));
  const Bytes damaged = {0x02, 0x01, 0x00, 0x99};
  RowBuffer row;
  row.Reset(2);
  row.cells[0].SetSigned(7);
  DecodeImageValue(formats[1], View(json), row.cells[1]);

  const std::string text = R"({"a": 1, "b": [true, null, "x"]})";
  for (const ValueForm form : {ValueForm::kPreview, ValueForm::kSave}) {
    EXPECT_EQ(RowTexts(row, formats, ValueOptions{form, nullptr}).values[1], text);
  }
  EXPECT_EQ(FormatColumnValue(JsonColumn(), View(json), ValueOptions{}), text);

  FormatScratch scratch;
  std::string out;
  AppendTsvField(out, row.cells[1], formats[1], nullptr, scratch);
  EXPECT_EQ(out, text);
  out.clear();
  AppendCsvField(out, row.cells[1], formats[1], nullptr, scratch);
  EXPECT_EQ(out, R"("{""a"": 1, ""b"": [true, null, ""x""]}")");
  out.clear();
  AppendSqlTuple(out, row, formats, scratch);
  EXPECT_EQ(out, R"((7,'{\"a\": 1, \"b\": [true, null, \"x\"]}'))");
  EXPECT_EQ(scratch.textsNotConverted, 0u);

  // Bytes that are not binary JSON keep every byte, in each form's binary
  // notation, and are counted.
  DecodeImageValue(formats[1], View(damaged), row.cells[1]);
  EXPECT_EQ(RowTexts(row, formats, ValueOptions{ValueForm::kPreview, nullptr}).values[1],
            "0x02010099");
  out.clear();
  AppendSqlTuple(out, row, formats, scratch);
  EXPECT_EQ(out, "(7,X'02010099')");
  out.clear();
  AppendCsvField(out, row.cells[1], formats[1], nullptr, scratch);
  EXPECT_EQ(out, "0x02010099");
  out.clear();
  AppendTsvField(out, row.cells[1], formats[1], nullptr, scratch);
  EXPECT_EQ(out, std::string("\x02\x01\\0\x99", 5));
  EXPECT_EQ(scratch.textsNotConverted, 3u);

  // A value kept off-page: a placeholder in the grid, the text in the save
  // forms, and the text handed to a long-value sink.
  const Bytes reference(20, 0);
  const WholeValue whole(json);
  row.longValues = &whole;
  row.cells[1].SetBytes(CellKind::kExternal, View(reference));
  EXPECT_EQ(RowTexts(row, formats, ValueOptions{ValueForm::kPreview, nullptr}).values[1],
            kLargeExternalBlobPlaceholder);
  EXPECT_EQ(RowTexts(row, formats, ValueOptions{ValueForm::kSave, nullptr}).values[1], text);
  ValueOptions sinkOptions{ValueForm::kSave, nullptr};
  std::string handed;
  sinkOptions.longValueSink = [&handed](ByteView local, const LongValueReader& reader) {
    reader.Read(local, [&handed](ByteView part) { handed.append(AsChars(part)); });
    return std::string("file-1");
  };
  EXPECT_EQ(RowTexts(row, formats, sinkOptions).values[1], "file-1");
  EXPECT_EQ(handed, text);
  out.clear();
  AppendSqlTuple(out, row, formats, scratch);
  EXPECT_EQ(out, R"((7,'{\"a\": 1, \"b\": [true, null, \"x\"]}'))");
}

TEST(JsonBinaryRows, TheColumnTypeIsNamedJson) {
  EXPECT_EQ(ColumnTypeName(JsonColumn(), 0, CollationTable{}), "JSON");
}

}  // namespace
}  // namespace rowmender
