// The text of one row gathered in a buffer on the stack and appended to the
// output in a few pieces: most values are short, and appending each one to
// a string on its own costs more than writing it.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace rowmender {

class RowTextBuffer {
 public:
  static constexpr std::size_t kSize = 4096;

  explicit RowTextBuffer(std::string& out) : out_(out) {}
  ~RowTextBuffer() { Flush(); }
  RowTextBuffer(const RowTextBuffer&) = delete;
  RowTextBuffer& operator=(const RowTextBuffer&) = delete;

  // Where `n` characters may be written, handing what is gathered to the
  // output first when needed; null when `n` is more than the buffer holds.
  char* Room(std::size_t n) {
    if (Free() < n) Flush();
    return Free() >= n ? next_ : nullptr;
  }
  // Marks the characters up to `end` (from Room) as written.
  void Advance(char* end) { next_ = end; }

  void Put(char c) {
    if (Free() < 1) Flush();
    *next_++ = c;
  }
  void Put(std::string_view text) {
    if (text.empty()) return;
    if (char* room = Room(text.size())) {
      std::memcpy(room, text.data(), text.size());
      next_ = room + text.size();
    } else {
      out_.append(text);
    }
  }

  // The output itself, with everything gathered so far in it, for values
  // written there directly.
  std::string& Out() {
    Flush();
    return out_;
  }

 private:
  std::size_t Free() const { return static_cast<std::size_t>(buffer_ + kSize - next_); }
  void Flush() {
    out_.append(buffer_, next_);
    next_ = buffer_;
  }

  std::string& out_;
  char buffer_[kSize];
  char* next_ = buffer_;
};

}  // namespace rowmender
