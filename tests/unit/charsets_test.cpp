#include "base/charsets.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace rowmender {
namespace {

// What a real MariaDB server says about its character sets; made by
// tools/fixtures/make-charset-samples.sh.
const std::string kTruth = ROWMENDER_SOURCE_DIR "/testdata/charsets/";

using Row = std::vector<std::string>;

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string piece;
  std::istringstream in(text);
  while (std::getline(in, piece, separator))
    parts.push_back(piece);
  if (!text.empty() && text.back() == separator) parts.emplace_back();
  return parts;
}

// The rows of a TSV file without its header line.
std::vector<Row> ReadTsv(const std::string& name) {
  std::ifstream in(kTruth + name);
  std::vector<Row> rows;
  std::string line;
  bool header = true;
  while (std::getline(in, line)) {
    if (header) {
      header = false;
      continue;
    }
    if (!line.empty()) rows.push_back(Split(line, '\t'));
  }
  return rows;
}

std::vector<std::uint8_t> FromHex(const std::string& hex) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

std::string HexOf(const std::string& text) {
  static const char* const kDigits = "0123456789ABCDEF";
  std::string hex;
  for (const char c : text) {
    hex.push_back(kDigits[static_cast<std::uint8_t>(c) >> 4]);
    hex.push_back(kDigits[static_cast<std::uint8_t>(c) & 0xF]);
  }
  return hex;
}

// The server's UTF-8 (hex) for some stored bytes, or nothing where it has no
// character: it answers '?' there (written "-" in the fixtures) or, in its
// tis620 and big5 tables, the replacement character U+FFFD. The decoder
// reports both as failures rather than inventing a character.
std::optional<std::string> ServerText(const std::string& utf8Hex) {
  if (utf8Hex == "-" || utf8Hex.find("EFBFBD") != std::string::npos) return std::nullopt;
  const auto bytes = FromHex(utf8Hex);
  return std::string(bytes.begin(), bytes.end());
}

// Decodes `bytes` after a prefix; the result, or nothing when the decoder
// refused (checking that it then left the output alone).
std::optional<std::string> Decode(const CharsetDecoder& decoder, ByteView bytes) {
  const std::string prefix = "<kept>";
  std::string out = prefix;
  if (!decoder.AppendUtf8(bytes, out)) {
    EXPECT_EQ(out, prefix) << decoder.Name() << ": output changed by a failed conversion";
    return std::nullopt;
  }
  EXPECT_EQ(out.substr(0, prefix.size()), prefix) << decoder.Name();
  return out.substr(prefix.size());
}

std::string Describe(const std::optional<std::string>& text) {
  return text ? HexOf(*text) : std::string("(no character)");
}

TEST(CharsetSingleByte, EveryByteDecodesAsTheServerDecodesIt) {
  const auto rows = ReadTsv("single-byte.tsv");
  ASSERT_FALSE(rows.empty()) << "missing " << kTruth << "single-byte.tsv";
  // Per set: the server's text of every byte (nothing for undefined bytes).
  std::map<std::string, std::map<int, std::optional<std::string>>> server;
  for (const Row& row : rows) {
    ASSERT_EQ(row.size(), 3u);
    const auto values = Split(row[2], ' ');
    ASSERT_EQ(values.size(), 16u) << row[0] << " " << row[1];
    const int first = std::stoi(row[1], nullptr, 16);
    for (int k = 0; k < 16; ++k)
      server[row[0]][first + k] = ServerText(values[k]);
  }
  for (const auto& [name, bytes] : server) {
    const CharsetDecoder decoder = CharsetDecoder::ForName(name);
    ASSERT_TRUE(decoder.IsKnown()) << name;
    EXPECT_EQ(decoder.SetupProblem(), "") << name;
    ASSERT_EQ(bytes.size(), 256u) << name;
    std::vector<std::uint8_t> defined;
    std::string definedText;
    std::optional<std::uint8_t> undefined;
    for (const auto& [byte, text] : bytes) {
      const std::uint8_t b = static_cast<std::uint8_t>(byte);
      EXPECT_EQ(Describe(Decode(decoder, ByteView(&b, 1))), Describe(text))
          << name << " byte " << std::hex << byte;
      if (text) {
        defined.push_back(b);
        definedText += *text;
      } else if (!undefined) {
        undefined = b;
      }
    }
    // All defined bytes as one value, and that value with an undefined byte
    // in the middle.
    EXPECT_EQ(Describe(Decode(decoder, defined)), Describe(definedText)) << name;
    if (undefined) {
      auto damaged = defined;
      damaged.insert(damaged.begin() + static_cast<std::ptrdiff_t>(damaged.size() / 2), *undefined);
      EXPECT_EQ(Decode(decoder, damaged), std::nullopt) << name;
    }
  }
}

TEST(CharsetMultiByte, SamplesDecodeAsTheServerDecodesThem) {
  const auto rows = ReadTsv("multi-byte.tsv");
  ASSERT_FALSE(rows.empty()) << "missing " << kTruth << "multi-byte.tsv";
  for (const Row& row : rows) {
    ASSERT_GE(row.size(), 3u);
    const CharsetDecoder decoder = CharsetDecoder::ForName(row[0]);
    ASSERT_TRUE(decoder.IsKnown()) << row[0];
    EXPECT_EQ(decoder.SetupProblem(), "") << row[0];
    EXPECT_EQ(Describe(Decode(decoder, FromHex(row[1]))), Describe(ServerText(row[2])))
        << row[0] << " " << row[1] << " " << (row.size() > 3 ? row[3] : "");
  }
}

// CRC-32 as zlib and the server's CRC32() compute it.
std::uint32_t Crc32(const std::string& text) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (const char c : text) {
    crc ^= static_cast<std::uint8_t>(c);
    for (int bit = 0; bit < 8; ++bit)
      crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
  }
  return ~crc;
}

// Every two-byte code of every multi-byte set (and every three-byte EUC-JP
// code): the server's answers for the 256 codes after each first byte are
// kept as a CRC-32 of their text (see the fixture script).
TEST(CharsetMultiByte, EveryCodeDecodesAsTheServerDecodesIt) {
  const auto rows = ReadTsv("multi-byte-codes.tsv");
  ASSERT_FALSE(rows.empty()) << "missing " << kTruth << "multi-byte-codes.tsv";
  std::map<std::string, CharsetDecoder> decoders;
  for (const Row& row : rows) {
    ASSERT_EQ(row.size(), 3u);
    auto [at, added] = decoders.try_emplace(row[0], CharsetDecoder::ForName(row[0]));
    const CharsetDecoder& decoder = at->second;
    ASSERT_TRUE(decoder.IsKnown()) << row[0];
    auto code = FromHex(row[1]);
    code.push_back(0);
    std::string answers;
    for (int last = 0; last < 256; ++last) {
      code.back() = static_cast<std::uint8_t>(last);
      if (last > 0) answers += ' ';
      const auto text = Decode(decoder, code);
      answers += text ? HexOf(*text) : "-";
    }
    EXPECT_EQ(Crc32(answers), std::stoul(row[2], nullptr, 16))
        << row[0] << ": the codes " << row[1] << "00.." << row[1] << "FF";
  }
}

// MySQL 8 has gb18030, which no server here has; the bytes are those of the
// GB 18030 mapping (cross-checked with Python's codec).
TEST(CharsetMultiByte, Gb18030OfOneToFourBytes) {
  struct Case {
    const char* stored;
    const char* utf8;
  };
  const CharsetDecoder decoder = CharsetDecoder::ForName("gb18030");
  ASSERT_EQ(decoder.SetupProblem(), "");
  for (const Case& c : {Case{"41", "41"}, Case{"D6D0CEC4", "E4B8ADE69687"}, Case{"A2E3", "E282AC"},
                        Case{"8140", "E4B882"}, Case{"A996", "E38087"}, Case{"81308130", "C280"},
                        Case{"9439FC36", "F09F9880"}, Case{"E3329A35", "F48FBFBF"},
                        Case{"41D6D09439FC3642", "41E4B8ADF09F988042"}}) {
    EXPECT_EQ(Describe(Decode(decoder, FromHex(c.stored))), c.utf8) << c.stored;
  }
}

TEST(CharsetNames, EverySetTheServerListsIsKnown) {
  const auto rows = ReadTsv("character-sets.tsv");
  ASSERT_FALSE(rows.empty()) << "missing " << kTruth << "character-sets.tsv";
  const std::map<std::string, std::size_t> wide = {
      {"ucs2", 2}, {"utf16", 2}, {"utf16le", 2}, {"utf32", 4}};
  for (const Row& row : rows) {
    const CharsetDecoder decoder = CharsetDecoder::ForName(row[0]);
    EXPECT_TRUE(decoder.IsKnown()) << row[0];
    EXPECT_EQ(decoder.Name(), row[0]);
    EXPECT_EQ(decoder.SetupProblem(), "") << row[0];
    EXPECT_EQ(decoder.IsBinary(), row[0] == "binary") << row[0];
    EXPECT_EQ(decoder.UnitWidth(), wide.contains(row[0]) ? wide.at(row[0]) : 1u) << row[0];
  }
}

TEST(CharsetNames, OtherSpellingsAndMysqlNames) {
  for (const auto& [given, name] :
       std::vector<std::pair<std::string, std::string>>{{"utf8", "utf8mb3"},
                                                        {"UTF8MB4", "utf8mb4"},
                                                        {"Latin1", "latin1"},
                                                        {"gb18030", "gb18030"},
                                                        {"utf8mb3", "utf8mb3"}}) {
    const CharsetDecoder decoder = CharsetDecoder::ForName(given);
    EXPECT_TRUE(decoder.IsKnown()) << given;
    EXPECT_EQ(decoder.Name(), name);
  }
}

// Unknown sets keep the rule of earlier versions: UTF-8 when the bytes are
// valid UTF-8, otherwise latin1; this never fails.
TEST(CharsetNames, UnknownSetsTakeUtf8OrElseLatin1) {
  std::vector<CharsetDecoder> decoders;
  decoders.emplace_back();
  decoders.push_back(CharsetDecoder::ForName(""));
  decoders.push_back(CharsetDecoder::ForName("klingon8"));
  EXPECT_EQ(decoders[2].Name(), "klingon8");
  for (const CharsetDecoder& decoder : decoders) {
    EXPECT_FALSE(decoder.IsKnown());
    EXPECT_FALSE(decoder.IsBinary());
    EXPECT_EQ(decoder.UnitWidth(), 1u);
    EXPECT_EQ(Describe(Decode(decoder, FromHex("41C3A9E282AC"))), "41C3A9E282AC");
    // 81 E9 80 is not UTF-8: the C1 control the server keeps for 0x81, then
    // latin1 e-acute and the euro sign.
    EXPECT_EQ(Describe(Decode(decoder, FromHex("81E980"))), "C281C3A9E282AC");
  }
}

// Damaged values: each must fail and leave the output alone. Where `view`
// is shorter than `bytes`, only the first `view` bytes are decoded and the
// rest (which would complete the character) lies just beyond the value.
TEST(CharsetDamage, MalformedSequencesFail) {
  struct Case {
    const char* set;
    const char* bytes;
    std::size_t view;
    const char* what;
  };
  const Case cases[] = {
      {"sjis", "4193FA", 2, "first byte of a kanji at the end"},
      {"sjis", "9320", 2, "second byte out of range"},
      {"sjis", "80", 1, "0x80 starts nothing"},
      {"cp932", "81", 1, "lone first byte"},
      {"ujis", "8FB0A1", 2, "JIS X 0212 character cut short"},
      {"ujis", "8EB6", 1, "half-width katakana prefix alone"},
      {"ujis", "A4A2", 1, "first byte alone"},
      {"eucjpms", "C641", 2, "ASCII byte as second byte"},
      {"euckr", "B0A1", 1, "first byte alone"},
      {"gb2312", "D6D0", 1, "first byte alone"},
      {"gbk", "81", 1, "first byte alone"},
      {"big5", "A4A4", 1, "first byte alone"},
      {"big5", "C87E", 2, "code the server leaves empty"},
      {"gb18030", "81308130", 3, "four-byte character cut short"},
      {"gb18030", "80", 1, "0x80 starts nothing"},
      {"gb18030", "FF", 1, "0xFF starts nothing"},
      {"ucs2", "004100", 3, "odd byte count"},
      {"ucs2", "D83DDE00", 4, "surrogates are no ucs2 characters"},
      {"utf16", "004100", 3, "odd byte count"},
      {"utf16", "D83D0041", 4, "high surrogate followed by a letter"},
      {"utf16", "DE00D83D", 4, "low surrogate first"},
      {"utf16", "0041D83DDE00", 4, "high surrogate at the end"},
      {"utf16le", "3DD800DE", 2, "lone high surrogate"},
      {"utf16le", "4100", 1, "odd byte count"},
      {"utf32", "00110000", 4, "beyond U+10FFFF"},
      {"utf32", "0000D800", 4, "surrogate"},
      {"utf32", "00000041", 3, "not a multiple of four bytes"},
      {"utf8mb4", "41C3A9", 2, "two-byte character cut short"},
      {"utf8mb4", "C080", 2, "overlong form"},
      {"utf8mb4", "EDA080", 3, "encoded surrogate"},
      {"utf8mb4", "F4908080", 4, "beyond U+10FFFF"},
      {"utf8mb4", "4180", 2, "stray continuation byte"},
      {"utf8mb3", "F09F9880", 4, "four-byte character in utf8mb3"},
      {"ascii", "4180", 2, "byte above 0x7F"},
      {"binary", "41FF", 2, "not UTF-8"},
  };
  for (const Case& c : cases) {
    const CharsetDecoder decoder = CharsetDecoder::ForName(c.set);
    ASSERT_TRUE(decoder.IsKnown()) << c.set;
    // A buffer of its own, so that a read past the view is a read past the
    // allocation (which the sanitizer builds catch).
    const auto bytes = FromHex(c.bytes);
    const std::vector<std::uint8_t> exact(bytes.begin(),
                                          bytes.begin() + static_cast<std::ptrdiff_t>(c.view));
    EXPECT_EQ(Decode(decoder, exact), std::nullopt) << c.set << ": " << c.what;
    EXPECT_EQ(Decode(decoder, ByteView(bytes).first(c.view)), std::nullopt)
        << c.set << ": " << c.what << " (bytes beyond the value)";
  }
}

TEST(CharsetZero, UpToZeroCharacterCountsWholeAlignedUnits) {
  struct Case {
    const char* set;
    const char* bytes;
    std::size_t kept;
  };
  for (const Case& c :
       {Case{"latin1", "41420043", 2}, Case{"latin1", "4142", 2}, Case{"utf8mb4", "00C3A9", 0},
        Case{"sjis", "93FA00955C", 2}, Case{"", "41004200", 1}, Case{"ucs2", "0041004200000043", 4},
        Case{"utf16", "4100004200000041", 4}, Case{"utf16", "41000042", 4},
        Case{"utf16", "004100", 3}, Case{"utf16le", "41000000", 2},
        Case{"utf32", "0000004100000000", 4}, Case{"utf32", "0000410000000042", 8},
        Case{"utf32", "000000410000", 6}, Case{"binary", "FF00FF", 1}}) {
    const CharsetDecoder decoder = CharsetDecoder::ForName(c.set);
    const auto bytes = FromHex(c.bytes);
    const ByteView kept = decoder.UpToZeroCharacter(bytes);
    EXPECT_EQ(kept.data(), bytes.data()) << c.set << " " << c.bytes;
    EXPECT_EQ(kept.size(), c.kept) << c.set << " " << c.bytes;
  }
}

// A decoder holding an iconv handle moves with it; the one moved from is an
// unknown-set decoder again.
TEST(CharsetDecoderObject, MovesKeepTheConversion) {
  CharsetDecoder first = CharsetDecoder::ForName("gb18030");
  CharsetDecoder second = std::move(first);
  EXPECT_EQ(Describe(Decode(second, FromHex("D6D0"))), "E4B8AD");
  first = CharsetDecoder::ForName("sjis");
  EXPECT_EQ(Describe(Decode(first, FromHex("93FA"))), "E697A5");
  second = std::move(first);
  EXPECT_EQ(second.Name(), "sjis");
  EXPECT_EQ(Describe(Decode(second, FromHex("93FA"))), "E697A5");
  EXPECT_FALSE(first.IsKnown());  // NOLINT(bugprone-use-after-move): documented state
}

}  // namespace
}  // namespace rowmender
