#include "base/charsets.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <span>
#include <utility>
#include <vector>

#include "base/utf8.h"

namespace rowmender {

enum class CharsetDecoder::Kind : std::uint8_t {
  kUnknown,     // UTF-8 when valid, otherwise latin1
  kBinary,      // no characters; taken as UTF-8 when asked
  kAscii,       // 7-bit, copied
  kUtf8mb3,     // UTF-8 of at most three bytes a character, copied
  kUtf8mb4,     // UTF-8, copied
  kSingleByte,  // one table lookup a byte
  kMultiByte,   // sjis, ujis, euckr, gbk, big5, ...: table lookups
  kUcs2,        // big-endian 16-bit units, no surrogates
  kUtf16,       // big-endian UTF-16
  kUtf16le,     // little-endian UTF-16
  kUtf32,       // big-endian UTF-32
  kGb18030,     // glibc iconv, value by value
};

namespace charset_detail {

// The UTF-8 of each byte of a single-byte set; a length of zero marks a byte
// the set has no character for.
struct SingleByteTable {
  std::array<std::array<char, 4>, 256> utf8{};
  std::array<std::uint8_t, 256> length{};
  std::string problem;
  // Every byte below 0x80 is its own character (true of nearly all sets).
  bool asciiAsItself = false;
};

// What the first byte of a character starts in a multi-byte set.
enum Start : std::uint8_t {
  kNotAStart,  // no character starts with this byte
  kAsciiByte,  // the byte is the character
  kOneByte,    // a one-byte character outside ASCII: see `single`
  kTwoBytes,   // the first byte of a two-byte character: see `pairs`
  kThreeBytes  // 0x8F of EUC-JP, followed by two bytes: see `triples`
};

// Code points of the characters of a multi-byte set (all of them lie in the
// Basic Multilingual Plane); zero marks a sequence without a character.
struct MultiByteTable {
  std::array<Start, 256> start{};
  std::array<std::uint16_t, 256> single{};
  std::vector<std::uint16_t> pairs;    // by first << 8 | second byte
  std::vector<std::uint16_t> triples;  // by second << 8 | third byte, after 0x8F
  std::size_t maxUtf8PerByte = 2;      // bound on output bytes per input byte
  std::string problem;
};

}  // namespace charset_detail

namespace {

using charset_detail::MultiByteTable;
using charset_detail::SingleByteTable;

constexpr std::uint32_t kNone = 0xFFFFFFFF;

// Writes the UTF-8 of `cp` (a code point, not a surrogate) at `p`; returns
// the position after it.
inline char* PutUtf8(char* p, std::uint32_t cp) {
  if (cp < 0x80) {
    *p++ = static_cast<char>(cp);
  } else if (cp < 0x800) {
    *p++ = static_cast<char>(0xC0 | (cp >> 6));
    *p++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    *p++ = static_cast<char>(0xE0 | (cp >> 12));
    *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *p++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    *p++ = static_cast<char>(0xF0 | (cp >> 18));
    *p++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *p++ = static_cast<char>(0x80 | (cp & 0x3F));
  }
  return p;
}

std::string Lowercase(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// ---- glibc iconv -------------------------------------------------------

const iconv_t kNoHandle = reinterpret_cast<iconv_t>(-1);  // NOLINT: iconv's error value
constexpr std::size_t kIconvError = static_cast<std::size_t>(-1);

// A conversion from `from` to UTF-32LE, used to read the code points of a
// code page once. Closed with the object.
class CodePointProbe {
 public:
  explicit CodePointProbe(const char* from) : handle_(iconv_open("UTF-32LE", from)) {}
  ~CodePointProbe() {
    if (Ok()) iconv_close(handle_);
  }
  CodePointProbe(const CodePointProbe&) = delete;
  CodePointProbe& operator=(const CodePointProbe&) = delete;
  bool Ok() const { return handle_ != kNoHandle; }

  // The code point of the single character `bytes` stand for; kNone when
  // they are not exactly one character.
  std::uint32_t operator()(std::initializer_list<std::uint8_t> bytes) const {
    std::array<char, 4> in{};
    std::size_t inLeft = 0;
    for (std::uint8_t b : bytes)
      in[inLeft++] = static_cast<char>(b);
    std::array<char, 16> out{};
    char* inPtr = in.data();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    if (iconv(handle_, &inPtr, &inLeft, &outPtr, &outLeft) == kIconvError || inLeft != 0) {
      return kNone;
    }
    if (iconv(handle_, nullptr, nullptr, &outPtr, &outLeft) == kIconvError) return kNone;
    if (out.size() - outLeft != 4) return kNone;
    const auto* u = reinterpret_cast<const std::uint8_t*>(out.data());
    return static_cast<std::uint32_t>(u[0]) | static_cast<std::uint32_t>(u[1]) << 8 |
           static_cast<std::uint32_t>(u[2]) << 16 | static_cast<std::uint32_t>(u[3]) << 24;
  }

 private:
  iconv_t handle_;
};

std::string NoConversionProblem(const char* iconvName) {
  return std::string("glibc iconv on this machine cannot convert from ") + iconvName;
}

// ---- single-byte sets ----------------------------------------------------

// `count` bytes from `first` on stand for the code points from `codePoint`
// on (kNone: for no character).
struct ByteRange {
  std::uint8_t first;
  std::uint8_t count;
  std::uint32_t codePoint;
};

struct SingleByteSet {
  std::string_view name;
  // The matching code page of glibc iconv, or null: then bytes 0x00..0x7F are
  // ASCII and 0x80..0xFF are `upperHalf` (no character where it holds 0,
  // or when it is empty).
  const char* iconvName;
  std::span<const std::uint16_t> upperHalf;
  // Where the server's table differs from the code page above.
  std::span<const ByteRange> serverDifferences;
};

// latin1 of the server: Windows-1252, with the five bytes that page leaves
// undefined kept as their C1 control characters.
constexpr std::array<std::uint16_t, 128> kLatin1Upper = [] {
  std::array<std::uint16_t, 128> table{};
  constexpr std::array<std::uint16_t, 32> k80 = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  for (std::size_t i = 0; i < 32; ++i)
    table[i] = k80[i];
  for (std::size_t i = 32; i < 128; ++i)
    table[i] = static_cast<std::uint16_t>(0x80 + i);
  return table;
}();

// keybcs2 (Kamenicky), which glibc iconv does not have; the server's table.
constexpr std::array<std::uint16_t, 128> kKeybcs2Upper = {
    0x010C, 0x00FC, 0x00E9, 0x010F, 0x00E4, 0x010E, 0x0164, 0x010D, 0x011B, 0x011A, 0x0139, 0x00CD,
    0x013E, 0x013A, 0x00C4, 0x00C1, 0x00C9, 0x017E, 0x017D, 0x00F4, 0x00F6, 0x00D3, 0x016F, 0x00DA,
    0x00FD, 0x00D6, 0x00DC, 0x0160, 0x013D, 0x00DD, 0x0158, 0x0165, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x0148, 0x0147, 0x016E, 0x00D4, 0x0161, 0x0159, 0x0155, 0x0154, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4,
    0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};

// geostd8 (Georgian), the server's table: glibc's GEORGIAN-PS differs in a
// third of the bytes.
constexpr std::array<std::uint16_t, 128> kGeostd8Upper = {
    0x20AC, 0,      0x201A, 0,      0x201E, 0x2026, 0x2020, 0x2021, 0,      0x2030, 0,      0x2039,
    0,      0,      0,      0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0,      0,      0,      0x203A, 0,      0,      0,      0,      0x00A0, 0x00A1, 0x00A2, 0x00A3,
    0x00A4, 0x00A5, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x00B9, 0x00BA, 0x00BB,
    0x00BC, 0x00BD, 0x00BE, 0x00BF, 0x10D0, 0x10D1, 0x10D2, 0x10D3, 0x10D4, 0x10D5, 0x10D6, 0x10F1,
    0x10D7, 0x10D8, 0x10D9, 0x10DA, 0x10DB, 0x10DC, 0x10F2, 0x10DD, 0x10DE, 0x10DF, 0x10E0, 0x10E1,
    0x10E2, 0x10F3, 0x10E3, 0x10E4, 0x10E5, 0x10E6, 0x10E7, 0x10E8, 0x10E9, 0x10EA, 0x10EB, 0x10EC,
    0x10ED, 0x10EE, 0x10F4, 0x10EF, 0x10F0, 0x10F5, 0,      0,      0,      0,      0,      0,
    0,      0,      0,      0,      0,      0,      0,      0,      0,      0,      0,      0,
    0,      0,      0,      0,      0,      0x2116, 0,      0};

// The server's tables compared with glibc's code pages, byte by byte.
constexpr ByteRange kArmscii8Differences[] = {
    {0xA1, 1, 0x2741}, {0xA2, 1, 0x00A7}, {0xAD, 1, 0x055F}, {0xFE, 1, 0x2019}, {0xFF, 1, 0x0027}};
// The server's cp1256 predates the eight letters Windows added in 1998.
constexpr ByteRange kCp1256Differences[] = {{0x8A, 1, kNone}, {0x8F, 1, kNone}, {0x98, 1, kNone},
                                            {0x9A, 1, kNone}, {0x9F, 1, kNone}, {0xAA, 1, kNone},
                                            {0xC0, 1, kNone}, {0xFF, 1, kNone}};
constexpr ByteRange kCp866Differences[] = {{0xFC, 1, 0x207F}, {0xFD, 1, 0x00B2}};
constexpr ByteRange kDec8Differences[] = {{0xA0, 1, 0x00A0}};
// The server's greek is ISO 8859-7 of 1987: two other quotation marks and
// without the three characters added in 2003.
constexpr ByteRange kGreekDifferences[] = {
    {0xA1, 1, 0x02BD}, {0xA2, 1, 0x02BC}, {0xA4, 2, kNone}, {0xAA, 1, kNone}};
constexpr ByteRange kHebrewDifferences[] = {{0xAF, 1, 0x203E}};
constexpr ByteRange kKoi8uDifferences[] = {{0x95, 1, 0x2022}};
constexpr ByteRange kMacromanDifferences[] = {{0xC6, 1, 0x2206}, {0xF0, 1, 0xF8FF}};
// The server keeps 0x80..0x9F of tis620 as C1 control characters.
constexpr ByteRange kTis620Differences[] = {{0x80, 32, 0x0080}};
// swe7: 7-bit ASCII with Swedish letters in place of some punctuation; the
// server has no character for 0x7F.
constexpr ByteRange kSwe7Differences[] = {{0x40, 1, 0x00C9}, {0x5B, 1, 0x00C4}, {0x5C, 1, 0x00D6},
                                          {0x5D, 1, 0x00C5}, {0x5E, 1, 0x00DC}, {0x60, 1, 0x00E9},
                                          {0x7B, 1, 0x00E4}, {0x7C, 1, 0x00F6}, {0x7D, 1, 0x00E5},
                                          {0x7E, 1, 0x00FC}, {0x7F, 1, kNone}};

constexpr std::array kSingleByteSets = {
    SingleByteSet{"armscii8", "ARMSCII-8", {}, kArmscii8Differences},
    SingleByteSet{"cp1250", "CP1250", {}, {}},
    SingleByteSet{"cp1251", "CP1251", {}, {}},
    SingleByteSet{"cp1256", "CP1256", {}, kCp1256Differences},
    SingleByteSet{"cp1257", "CP1257", {}, {}},
    SingleByteSet{"cp850", "CP850", {}, {}},
    SingleByteSet{"cp852", "CP852", {}, {}},
    SingleByteSet{"cp866", "CP866", {}, kCp866Differences},
    SingleByteSet{"dec8", "DEC-MCS", {}, kDec8Differences},
    SingleByteSet{"geostd8", nullptr, kGeostd8Upper, {}},
    SingleByteSet{"greek", "ISO-8859-7", {}, kGreekDifferences},
    SingleByteSet{"hebrew", "ISO-8859-8", {}, kHebrewDifferences},
    SingleByteSet{"hp8", "HP-ROMAN8", {}, {}},
    SingleByteSet{"keybcs2", nullptr, kKeybcs2Upper, {}},
    SingleByteSet{"koi8r", "KOI8-R", {}, {}},
    SingleByteSet{"koi8u", "KOI8-U", {}, kKoi8uDifferences},
    SingleByteSet{"latin1", nullptr, kLatin1Upper, {}},
    SingleByteSet{"latin2", "ISO-8859-2", {}, {}},
    SingleByteSet{"latin5", "ISO-8859-9", {}, {}},
    SingleByteSet{"latin7", "ISO-8859-13", {}, {}},
    SingleByteSet{"macce", "MAC-CENTRALEUROPE", {}, {}},
    SingleByteSet{"macroman", "MACINTOSH", {}, kMacromanDifferences},
    SingleByteSet{"swe7", nullptr, {}, kSwe7Differences},
    SingleByteSet{"tis620", "TIS-620", {}, kTis620Differences},
};

constexpr std::size_t kLatin1Index = 16;
static_assert(kSingleByteSets[kLatin1Index].name == "latin1");

void SetByte(SingleByteTable& table, std::size_t byte, std::uint32_t cp) {
  if (cp == kNone || cp > 0xFFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    table.length[byte] = 0;
    return;
  }
  const char* end = PutUtf8(table.utf8[byte].data(), cp);
  table.length[byte] = static_cast<std::uint8_t>(end - table.utf8[byte].data());
}

void BuildSingleByteTable(const SingleByteSet& set, SingleByteTable& table) {
  if (set.iconvName != nullptr) {
    const CodePointProbe probe(set.iconvName);
    if (!probe.Ok()) table.problem = NoConversionProblem(set.iconvName);
    for (std::size_t b = 0; b < 256; ++b) {
      if (probe.Ok()) {
        SetByte(table, b, probe({static_cast<std::uint8_t>(b)}));
      } else {
        SetByte(table, b, b < 0x80 ? static_cast<std::uint32_t>(b) : kNone);
      }
    }
  } else {
    for (std::size_t b = 0; b < 256; ++b) {
      std::uint32_t cp = kNone;
      if (b < 0x80) {
        cp = static_cast<std::uint32_t>(b);
      } else if (!set.upperHalf.empty() && set.upperHalf[b - 0x80] != 0) {
        cp = set.upperHalf[b - 0x80];
      }
      SetByte(table, b, cp);
    }
  }
  for (const ByteRange& range : set.serverDifferences) {
    for (std::size_t k = 0; k < range.count; ++k) {
      SetByte(table, range.first + k,
              range.codePoint == kNone ? kNone : range.codePoint + static_cast<std::uint32_t>(k));
    }
  }
  table.asciiAsItself = true;
  for (std::size_t b = 0; b < 0x80; ++b) {
    if (table.length[b] != 1 || static_cast<std::uint8_t>(table.utf8[b][0]) != b) {
      table.asciiAsItself = false;
    }
  }
}

// The table of a set, built on first use; safe to call from any thread.
const SingleByteTable& SingleByteTableOf(std::size_t index) {
  static std::array<std::once_flag, kSingleByteSets.size()> built;
  static std::array<SingleByteTable, kSingleByteSets.size()> tables;
  std::call_once(built[index],
                 [index] { BuildSingleByteTable(kSingleByteSets[index], tables[index]); });
  return tables[index];
}

bool AppendSingleByte(const SingleByteTable& table, ByteView bytes, std::string& out) {
  if (table.asciiAsItself && LeadingAscii(AsChars(bytes)) == bytes.size()) {
    out.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return true;
  }
  std::size_t total = 0;
  for (const std::uint8_t b : bytes) {
    const std::size_t length = table.length[b];
    if (length == 0) return false;
    total += length;
  }
  const std::size_t start = out.size();
  out.resize(start + total);
  char* p = out.data() + start;
  for (const std::uint8_t b : bytes) {
    const std::size_t length = table.length[b];
    std::memcpy(p, table.utf8[b].data(), length);
    p += length;
  }
  return true;
}

// ---- multi-byte sets -----------------------------------------------------

enum class Layout : std::uint8_t {
  // Shift_JIS: one-byte half-width katakana 0xA1..0xDF; first bytes
  // 0x81..0x9F and 0xE0..0xFC, second bytes 0x40..0xFC.
  kShiftJis,
  // EUC-JP: 0x8E and a katakana byte, two bytes 0xA1..0xFE, or 0x8F and two
  // such bytes (JIS X 0212).
  kEucJp,
  // First bytes 0x81..0xFE, second bytes 0x40..0xFE (euckr, gb2312, gbk,
  // big5; each set uses some of these codes).
  kDoubleByte,
};

// `count` codes from `first` on (within one first byte; codes of three bytes
// include their 0x8F) stand for the code points from `codePoint` on (kNone:
// for no character).
struct CodeRange {
  std::uint32_t first;
  std::uint16_t count;
  std::uint32_t codePoint;
};

struct MultiByteSet {
  std::string_view name;
  const char* iconvName;
  Layout layout;
  std::span<const CodeRange> serverDifferences;
  // The user-defined rows 0xF5..0xFE of both JIS planes map to the private
  // use area from U+E000 on (ujis, as the server does it).
  bool userDefinedRows;
};

// The server's sjis is JIS X 0208 with ASCII, and 0x815F is the backslash
// (the server also stores U+005C as 0x815F when it converts to sjis).
constexpr CodeRange kSjisDifferences[] = {{0x815F, 1, 0x005C}};
constexpr CodeRange kUjisDifferences[] = {{0xA1C0, 1, 0x005C}, {0x8FA2B7, 1, 0x007E}};
// The server's big5 has its own table: a few symbols differ from glibc's
// BIG5, the 0xC6A1..0xC7FC block holds kana, Cyrillic and enclosed numbers
// (Big5-ETen), and some codes glibc knows have no character on the server
// (it answers U+FFFD or '?' for them).
constexpr CodeRange kBig5Differences[] = {
    {0xA145, 1, 0x2022},  {0xA14E, 1, 0xFF64},  {0xA15A, 1, kNone},   {0xA1C2, 1, 0x203E},
    {0xA1C3, 1, kNone},   {0xA1C5, 1, kNone},   {0xA1E3, 1, 0x223C},  {0xA1F2, 1, 0x2641},
    {0xA1F3, 1, 0x2609},  {0xA1FE, 1, kNone},   {0xA240, 1, kNone},   {0xA241, 1, 0xFF0F},
    {0xA242, 1, 0xFF3C},  {0xA244, 1, 0x00A5},  {0xA246, 2, 0x00A2},  {0xA2CC, 1, kNone},
    {0xA2CE, 1, kNone},   {0xA3E1, 1, kNone},   {0xC6A1, 1, 0x30FE},  {0xC6A2, 2, 0x309D},
    {0xC6A4, 1, 0x3005},  {0xC6A5, 83, 0x3041}, {0xC6F8, 7, 0x30A1},  {0xC740, 63, 0x30A8},
    {0xC7A1, 16, 0x30E7}, {0xC7B1, 2, 0x0414},  {0xC7B3, 1, 0x0401},  {0xC7B4, 7, 0x0416},
    {0xC7BB, 19, 0x0423}, {0xC7CE, 1, 0x0451},  {0xC7CF, 26, 0x0436}, {0xC7E9, 10, 0x2460},
    {0xC7F3, 10, 0x2474}, {0xC7FD, 2, kNone},   {0xC840, 63, kNone},  {0xC8A1, 94, kNone},
    {0xF9DD, 34, kNone}};

constexpr std::array kMultiByteSets = {
    MultiByteSet{"sjis", "SHIFT_JIS", Layout::kShiftJis, kSjisDifferences, false},
    MultiByteSet{"cp932", "CP932", Layout::kShiftJis, {}, false},
    MultiByteSet{"ujis", "EUC-JP", Layout::kEucJp, kUjisDifferences, true},
    MultiByteSet{"eucjpms", "EUC-JP-MS", Layout::kEucJp, {}, false},
    // The server's euckr is Microsoft's extension of EUC-KR (all Hangul
    // syllables), code page 949.
    MultiByteSet{"euckr", "CP949", Layout::kDoubleByte, {}, false},
    MultiByteSet{"gb2312", "GB2312", Layout::kDoubleByte, {}, false},
    MultiByteSet{"gbk", "GBK", Layout::kDoubleByte, {}, false},
    MultiByteSet{"big5", "BIG5", Layout::kDoubleByte, kBig5Differences, false},
};

std::uint16_t Bmp(std::uint32_t cp) {
  return cp == kNone || cp > 0xFFFF ? std::uint16_t{0} : static_cast<std::uint16_t>(cp);
}

void BuildMultiByteTable(const MultiByteSet& set, MultiByteTable& table) {
  table.pairs.assign(0x10000, 0);
  for (std::size_t b = 0; b < 0x80; ++b)
    table.start[b] = charset_detail::kAsciiByte;
  const CodePointProbe probe(set.iconvName);
  if (!probe.Ok()) table.problem = NoConversionProblem(set.iconvName);
  auto probePairs = [&](std::uint8_t first, std::uint8_t lowSecond, std::uint8_t highSecond) {
    table.start[first] = charset_detail::kTwoBytes;
    if (!probe.Ok()) return;
    for (unsigned second = lowSecond; second <= highSecond; ++second) {
      table.pairs[first << 8 | second] = Bmp(probe({first, static_cast<std::uint8_t>(second)}));
    }
  };
  switch (set.layout) {
    case Layout::kShiftJis:
      for (unsigned b = 0xA1; b <= 0xDF; ++b) {
        table.start[b] = charset_detail::kOneByte;
        table.single[b] = static_cast<std::uint16_t>(0xFF61 + (b - 0xA1));
      }
      for (unsigned b = 0x81; b <= 0xFC; ++b) {
        if (b <= 0x9F || b >= 0xE0) probePairs(static_cast<std::uint8_t>(b), 0x40, 0xFC);
      }
      table.maxUtf8PerByte = 3;
      break;
    case Layout::kEucJp:
      probePairs(0x8E, 0xA1, 0xFE);
      for (unsigned b = 0xA1; b <= 0xFE; ++b)
        probePairs(static_cast<std::uint8_t>(b), 0xA1, 0xFE);
      table.start[0x8F] = charset_detail::kThreeBytes;
      table.triples.assign(0x10000, 0);
      if (probe.Ok()) {
        for (unsigned second = 0xA1; second <= 0xFE; ++second) {
          for (unsigned third = 0xA1; third <= 0xFE; ++third) {
            table.triples[second << 8 | third] = Bmp(
                probe({0x8F, static_cast<std::uint8_t>(second), static_cast<std::uint8_t>(third)}));
          }
        }
      }
      break;
    case Layout::kDoubleByte:
      for (unsigned b = 0x81; b <= 0xFE; ++b)
        probePairs(static_cast<std::uint8_t>(b), 0x40, 0xFE);
      break;
  }
  if (set.userDefinedRows) {
    std::uint16_t cp = 0xE000;
    for (std::vector<std::uint16_t>* plane : {&table.pairs, &table.triples}) {
      for (unsigned first = 0xF5; first <= 0xFE; ++first) {
        for (unsigned second = 0xA1; second <= 0xFE; ++second)
          (*plane)[first << 8 | second] = cp++;
      }
    }
  }
  for (const CodeRange& range : set.serverDifferences) {
    for (std::uint32_t k = 0; k < range.count; ++k) {
      const std::uint32_t code = range.first + k;
      std::vector<std::uint16_t>& plane = code > 0xFFFF ? table.triples : table.pairs;
      plane[code & 0xFFFF] = range.codePoint == kNone ? std::uint16_t{0} : Bmp(range.codePoint + k);
    }
  }
}

const MultiByteTable& MultiByteTableOf(std::size_t index) {
  static std::array<std::once_flag, kMultiByteSets.size()> built;
  static std::array<std::unique_ptr<MultiByteTable>, kMultiByteSets.size()> tables;
  std::call_once(built[index], [index] {
    auto table = std::make_unique<MultiByteTable>();
    BuildMultiByteTable(kMultiByteSets[index], *table);
    tables[index] = std::move(table);
  });
  return *tables[index];
}

bool AppendMultiByte(const MultiByteTable& table, ByteView bytes, std::string& out) {
  const std::size_t start = out.size();
  out.resize(start + bytes.size() * table.maxUtf8PerByte);
  char* const begin = out.data() + start;
  char* p = begin;
  const std::size_t n = bytes.size();
  for (std::size_t i = 0; i < n;) {
    const std::uint8_t b = bytes[i];
    std::uint32_t cp = 0;
    switch (table.start[b]) {
      case charset_detail::kAsciiByte:
        *p++ = static_cast<char>(b);
        ++i;
        continue;
      case charset_detail::kOneByte:
        cp = table.single[b];
        i += 1;
        break;
      case charset_detail::kTwoBytes:
        if (n - i < 2) break;
        cp = table.pairs[static_cast<std::size_t>(b) << 8 | bytes[i + 1]];
        i += 2;
        break;
      case charset_detail::kThreeBytes:
        if (n - i < 3) break;
        cp = table.triples[static_cast<std::size_t>(bytes[i + 1]) << 8 | bytes[i + 2]];
        i += 3;
        break;
      case charset_detail::kNotAStart:
        break;
    }
    if (cp == 0) {
      out.resize(start);
      return false;
    }
    p = PutUtf8(p, cp);
  }
  out.resize(start + static_cast<std::size_t>(p - begin));
  return true;
}

// ---- UTF-8, UCS-2, UTF-16, UTF-32 -------------------------------------------

// True when `bytes` are well-formed UTF-8 with characters of at most
// `maxLength` bytes.
bool IsUtf8(ByteView bytes, std::size_t maxLength) {
  const std::string_view text = AsChars(bytes);
  const std::uint32_t limit = maxLength >= 4 ? 0x110000 : 0x10000;
  for (std::size_t i = 0; i < text.size();) {
    if (static_cast<std::uint8_t>(text[i]) < 0x80) {
      ++i;
      continue;
    }
    const std::uint32_t cp = DecodeUtf8At(text, i);
    if (cp == kInvalidCodePoint || cp >= limit) return false;
  }
  return true;
}

bool AppendCopy(ByteView bytes, std::string& out) {
  out.append(AsChars(bytes));
  return true;
}

// UTF-16 or UCS-2 (no surrogates at all) of either byte order.
bool AppendUtf16(ByteView bytes, bool bigEndian, bool surrogatePairs, std::string& out) {
  const std::size_t n = bytes.size();
  if (n % 2 != 0) return false;
  const std::size_t start = out.size();
  out.resize(start + n / 2 * 3);
  char* const begin = out.data() + start;
  char* p = begin;
  auto unitAt = [&](std::size_t i) {
    return bigEndian ? static_cast<std::uint32_t>(bytes[i] << 8 | bytes[i + 1])
                     : static_cast<std::uint32_t>(bytes[i + 1] << 8 | bytes[i]);
  };
  for (std::size_t i = 0; i < n; i += 2) {
    std::uint32_t cp = unitAt(i);
    if (cp >= 0xD800 && cp <= 0xDFFF) {
      // Only a high surrogate followed by a low one makes a character.
      const bool pair = surrogatePairs && cp < 0xDC00 && n - i >= 4 && unitAt(i + 2) >= 0xDC00 &&
                        unitAt(i + 2) <= 0xDFFF;
      if (!pair) {
        out.resize(start);
        return false;
      }
      cp = 0x10000 + ((cp - 0xD800) << 10) + (unitAt(i + 2) - 0xDC00);
      i += 2;
    }
    p = PutUtf8(p, cp);
  }
  out.resize(start + static_cast<std::size_t>(p - begin));
  return true;
}

bool AppendUtf32(ByteView bytes, std::string& out) {
  const std::size_t n = bytes.size();
  if (n % 4 != 0) return false;
  const std::size_t start = out.size();
  out.resize(start + n);
  char* const begin = out.data() + start;
  char* p = begin;
  for (std::size_t i = 0; i < n; i += 4) {
    const std::uint32_t cp = Be32(bytes, i);
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.resize(start);
      return false;
    }
    p = PutUtf8(p, cp);
  }
  out.resize(start + static_cast<std::size_t>(p - begin));
  return true;
}

}  // namespace

CharsetDecoder::CharsetDecoder() : kind_(Kind::kUnknown) {}

CharsetDecoder::~CharsetDecoder() {
  CloseHandle();
}

CharsetDecoder::CharsetDecoder(CharsetDecoder&& other) noexcept
    : name_(std::move(other.name_)),
      problem_(std::move(other.problem_)),
      kind_(other.kind_),
      single_(other.single_),
      multi_(other.multi_),
      iconv_(std::exchange(other.iconv_, nullptr)) {
  other.kind_ = Kind::kUnknown;
  other.single_ = nullptr;
  other.multi_ = nullptr;
}

CharsetDecoder& CharsetDecoder::operator=(CharsetDecoder&& other) noexcept {
  if (this != &other) {
    CloseHandle();
    name_ = std::move(other.name_);
    problem_ = std::move(other.problem_);
    kind_ = std::exchange(other.kind_, Kind::kUnknown);
    single_ = std::exchange(other.single_, nullptr);
    multi_ = std::exchange(other.multi_, nullptr);
    iconv_ = std::exchange(other.iconv_, nullptr);
  }
  return *this;
}

void CharsetDecoder::CloseHandle() {
  if (iconv_ != nullptr) {
    iconv_close(static_cast<iconv_t>(iconv_));
    iconv_ = nullptr;
  }
}

CharsetDecoder CharsetDecoder::ForName(std::string_view characterSetName) {
  CharsetDecoder decoder;
  const std::string name = Lowercase(characterSetName);
  for (std::size_t i = 0; i < kSingleByteSets.size(); ++i) {
    if (kSingleByteSets[i].name != name) continue;
    decoder.name_ = name;
    decoder.kind_ = Kind::kSingleByte;
    decoder.single_ = &SingleByteTableOf(i);
    decoder.problem_ = decoder.single_->problem;
    return decoder;
  }
  for (std::size_t i = 0; i < kMultiByteSets.size(); ++i) {
    if (kMultiByteSets[i].name != name) continue;
    decoder.name_ = name;
    decoder.kind_ = Kind::kMultiByte;
    decoder.multi_ = &MultiByteTableOf(i);
    decoder.problem_ = decoder.multi_->problem;
    return decoder;
  }
  struct OtherSet {
    std::string_view name;
    Kind kind;
  };
  static constexpr OtherSet kOtherSets[] = {
      {"binary", Kind::kBinary},   {"ascii", Kind::kAscii},     {"utf8mb3", Kind::kUtf8mb3},
      {"utf8", Kind::kUtf8mb3},    {"utf8mb4", Kind::kUtf8mb4}, {"ucs2", Kind::kUcs2},
      {"utf16", Kind::kUtf16},     {"utf16le", Kind::kUtf16le}, {"utf32", Kind::kUtf32},
      {"gb18030", Kind::kGb18030},
  };
  for (const OtherSet& set : kOtherSets) {
    if (set.name != name) continue;
    decoder.name_ = name == "utf8" ? "utf8mb3" : name;
    decoder.kind_ = set.kind;
    if (set.kind == Kind::kGb18030) {
      const iconv_t handle = iconv_open("UTF-8", "GB18030");
      if (handle == kNoHandle) {
        decoder.problem_ = NoConversionProblem("GB18030");
      } else {
        decoder.iconv_ = handle;
      }
    }
    return decoder;
  }
  decoder.name_ = std::string(characterSetName);
  return decoder;
}

bool CharsetDecoder::IsBinary() const {
  return kind_ == Kind::kBinary;
}

bool CharsetDecoder::IsKnown() const {
  return kind_ != Kind::kUnknown;
}

const std::string& CharsetDecoder::Name() const {
  return name_;
}

const std::string& CharsetDecoder::SetupProblem() const {
  return problem_;
}

std::size_t CharsetDecoder::UnitWidth() const {
  switch (kind_) {
    case Kind::kUcs2:
    case Kind::kUtf16:
    case Kind::kUtf16le:
      return 2;
    case Kind::kUtf32:
      return 4;
    default:
      return 1;
  }
}

ByteView CharsetDecoder::UpToZeroCharacter(ByteView bytes) const {
  const std::size_t width = UnitWidth();
  if (width == 1) {
    const auto zero = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    return bytes.first(static_cast<std::size_t>(zero - bytes.begin()));
  }
  for (std::size_t i = 0; bytes.size() - i >= width; i += width) {
    bool zero = true;
    for (std::size_t k = 0; k < width; ++k)
      zero = zero && bytes[i + k] == 0;
    if (zero) return bytes.first(i);
  }
  return bytes;
}

bool CharsetDecoder::AsciiAsItself() const {
  switch (kind_) {
    case Kind::kAscii:
    case Kind::kUtf8mb3:
    case Kind::kUtf8mb4:
      return true;
    case Kind::kSingleByte:
      return single_->asciiAsItself;
    default:
      return false;
  }
}

bool CharsetDecoder::AppendUtf8(ByteView bytes, std::string& out) const {
  switch (kind_) {
    case Kind::kUnknown:
      if (IsUtf8(bytes, 4)) return AppendCopy(bytes, out);
      return AppendSingleByte(SingleByteTableOf(kLatin1Index), bytes, out);
    case Kind::kBinary:
    case Kind::kUtf8mb4:
      return IsUtf8(bytes, 4) && AppendCopy(bytes, out);
    case Kind::kUtf8mb3:
      return IsUtf8(bytes, 3) && AppendCopy(bytes, out);
    case Kind::kAscii:
      return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b < 0x80; }) &&
             AppendCopy(bytes, out);
    case Kind::kSingleByte:
      return AppendSingleByte(*single_, bytes, out);
    case Kind::kMultiByte:
      return AppendMultiByte(*multi_, bytes, out);
    case Kind::kUcs2:
      return AppendUtf16(bytes, true, false, out);
    case Kind::kUtf16:
      return AppendUtf16(bytes, true, true, out);
    case Kind::kUtf16le:
      return AppendUtf16(bytes, false, true, out);
    case Kind::kUtf32:
      return AppendUtf32(bytes, out);
    case Kind::kGb18030:
      return AppendThroughIconv(bytes, out);
  }
  return false;
}

bool CharsetDecoder::AppendThroughIconv(ByteView bytes, std::string& out) const {
  if (iconv_ == nullptr) {
    // Without the conversion only ASCII text can be read.
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b < 0x80; }) &&
           AppendCopy(bytes, out);
  }
  // An iconv handle keeps state between calls: one conversion at a time
  // (only the rare sets glibc converts for us come here).
  static std::mutex conversions;
  const std::lock_guard<std::mutex> lock(conversions);
  const auto handle = static_cast<iconv_t>(iconv_);
  iconv(handle, nullptr, nullptr, nullptr, nullptr);
  const std::size_t start = out.size();
  // One to four bytes of GB 18030 never take more than one and a half times
  // as many in UTF-8; the loop below still copes with more.
  std::size_t room = bytes.size() + bytes.size() / 2 + 8;
  out.resize(start + room);
  // iconv() takes a non-const input pointer but does not write through it.
  char* in = const_cast<char*>(AsChars(bytes).data());
  std::size_t inLeft = bytes.size();
  std::size_t written = 0;
  for (;;) {
    char* outPtr = out.data() + start + written;
    std::size_t outLeft = room - written;
    const std::size_t result = iconv(handle, &in, &inLeft, &outPtr, &outLeft);
    written = room - outLeft;
    if (result != kIconvError) {
      out.resize(start + written);
      return true;
    }
    // Anything but a full output buffer is a malformed or cut-short sequence.
    if (errno != E2BIG) break;
    room *= 2;
    out.resize(start + room);
  }
  out.resize(start);
  return false;
}

}  // namespace rowmender
