// Stored text of the server's character sets turned into UTF-8.
//
// The server keeps a column's text in the column's character set; the
// readers show everything in UTF-8. A decoder is chosen once per column, by
// the character set name the collation table gives for the column's
// collation, and then converts every value of that column.
//
// The conversions are the server's own: each byte or byte sequence becomes
// the character the server itself shows for it (checked against a real
// server, testdata/charsets/). Where the server has no character for a
// sequence, the conversion fails instead of guessing, so that the caller can
// say what could not be read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/bytes.h"

namespace rowmender {

namespace charset_detail {
struct SingleByteTable;
struct MultiByteTable;
}  // namespace charset_detail

class CharsetDecoder {
 public:
  // A decoder for an unknown character set: text is taken as UTF-8 when it
  // is valid UTF-8, otherwise as latin1. It never fails.
  CharsetDecoder();
  ~CharsetDecoder();
  CharsetDecoder(CharsetDecoder&& other) noexcept;
  CharsetDecoder& operator=(CharsetDecoder&& other) noexcept;
  CharsetDecoder(const CharsetDecoder&) = delete;
  CharsetDecoder& operator=(const CharsetDecoder&) = delete;

  // The decoder of a character set by its server name ("cp1251", "utf8mb4",
  // "utf8", "binary", ...; letter case does not matter). An unknown or empty
  // name gives the unknown-set decoder, which keeps the name.
  static CharsetDecoder ForName(std::string_view characterSetName);

  // "binary": such values have no characters; callers show them as hex.
  // AppendUtf8 takes them as UTF-8, as the server does when asked to
  // convert binary strings.
  bool IsBinary() const;
  // Every byte below 0x80 stands alone for the ASCII character it codes
  // (UTF-8, ASCII and most single-byte sets): text of such bytes only is
  // its own UTF-8.
  bool AsciiAsItself() const;
  // False for an unknown or empty name.
  bool IsKnown() const;
  // The server's name of the set ("utf8mb3" for "utf8"); for an unknown set
  // the name as it was given.
  const std::string& Name() const;
  // Empty, or why this machine cannot convert the set (glibc iconv lacks a
  // conversion it needs); every value with characters outside ASCII then
  // fails to convert.
  const std::string& SetupProblem() const;

  // Bytes of one code unit: 1 for byte-oriented sets, 2 for
  // ucs2/utf16/utf16le, 4 for utf32.
  std::size_t UnitWidth() const;

  // The bytes before the first zero character (a zero code unit of
  // UnitWidth() bytes, aligned); all of `bytes` when there is none.
  ByteView UpToZeroCharacter(ByteView bytes) const;

  // Appends the UTF-8 form of `bytes` to `out`. Returns false, and leaves
  // `out` exactly as it was, when any byte sequence does not convert
  // (malformed, cut short, or a character the set does not define). Never
  // reads outside `bytes`. Safe to call from several threads at once.
  bool AppendUtf8(ByteView bytes, std::string& out) const;

 private:
  // The way a family of character sets is converted.
  enum class Kind : std::uint8_t;

  void CloseHandle();
  bool AppendThroughIconv(ByteView bytes, std::string& out) const;

  std::string name_;
  std::string problem_;
  Kind kind_;
  // The set's conversion table, shared by the whole process and never
  // changed once built; null for sets converted without one.
  const charset_detail::SingleByteTable* single_ = nullptr;
  const charset_detail::MultiByteTable* multi_ = nullptr;
  // The iconv_t of sets converted by glibc iconv value by value, or null.
  void* iconv_ = nullptr;
};

}  // namespace rowmender
