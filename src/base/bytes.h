// Checked little- and big-endian reads over a non-owning byte view.
//
// Every reader of the data folder decodes numbers out of buffers whose
// contents come from damaged or hostile files. These helpers never touch a
// byte outside the view: a byte beyond its end reads as zero, which is also
// how the readers treat short files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace rowmender {

using ByteView = std::span<const std::uint8_t>;

inline std::uint8_t ByteAt(ByteView bytes, std::size_t offset) {
  return offset < bytes.size() ? bytes[offset] : 0;
}

// Unsigned little-endian integer of `width` bytes (at most 8) at `offset`.
inline std::uint64_t LittleEndian(ByteView bytes, std::size_t offset, std::size_t width) {
  std::uint64_t value = 0;
  for (std::size_t i = width; i-- > 0;) {
    value = (value << 8) | ByteAt(bytes, offset + i);
  }
  return value;
}

// Unsigned big-endian integer of `width` bytes (at most 8) at `offset`.
inline std::uint64_t BigEndian(ByteView bytes, std::size_t offset, std::size_t width) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < width; ++i) {
    value = (value << 8) | ByteAt(bytes, offset + i);
  }
  return value;
}

inline std::uint16_t Le16(ByteView b, std::size_t off) {
  return static_cast<std::uint16_t>(LittleEndian(b, off, 2));
}
inline std::uint32_t Le24(ByteView b, std::size_t off) {
  return static_cast<std::uint32_t>(LittleEndian(b, off, 3));
}
inline std::uint32_t Le32(ByteView b, std::size_t off) {
  return static_cast<std::uint32_t>(LittleEndian(b, off, 4));
}
inline std::uint64_t Le64(ByteView b, std::size_t off) {
  return LittleEndian(b, off, 8);
}

inline std::uint16_t Be16(ByteView b, std::size_t off) {
  return static_cast<std::uint16_t>(BigEndian(b, off, 2));
}
inline std::uint32_t Be24(ByteView b, std::size_t off) {
  return static_cast<std::uint32_t>(BigEndian(b, off, 3));
}
inline std::uint32_t Be32(ByteView b, std::size_t off) {
  return static_cast<std::uint32_t>(BigEndian(b, off, 4));
}
inline std::uint64_t Be64(ByteView b, std::size_t off) {
  return BigEndian(b, off, 8);
}

// The part of `bytes` from `offset` on, at most `count` bytes long; empty
// when `offset` lies at or beyond the end.
inline ByteView SubView(ByteView bytes, std::size_t offset, std::size_t count) {
  if (offset >= bytes.size()) return {};
  return bytes.subspan(offset, std::min(count, bytes.size() - offset));
}

// True when the bytes at `offset` equal `text` (all of it within the view).
inline bool BytesEqual(ByteView bytes, std::size_t offset, std::string_view text) {
  if (offset > bytes.size() || bytes.size() - offset < text.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (bytes[offset + i] != static_cast<std::uint8_t>(text[i])) return false;
  }
  return true;
}

inline std::string_view AsChars(ByteView bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

}  // namespace rowmender
