// A read-only handle on one file of the data folder.
//
// Rowmender never writes into a data folder, so this is the only way the
// readers open its files: read access only, positioned reads, and a clear
// single owner (the object is movable, not copyable).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace rowmender {

class DataFile {
 public:
  DataFile() = default;
  ~DataFile();
  DataFile(const DataFile&) = delete;
  DataFile& operator=(const DataFile&) = delete;
  DataFile(DataFile&& other) noexcept;
  DataFile& operator=(DataFile&& other) noexcept;

  // Opens `path` for reading; closes whatever was open before. Returns false
  // when the file cannot be opened or is not a regular file.
  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  const std::string& Path() const { return path_; }

  // Length of the file in bytes, taken when it was opened.
  std::uint64_t Size() const { return size_; }

  // Reads up to out.size() bytes at `offset`. Returns the number of bytes
  // read; the rest of `out` is zero-filled, so a short file reads as zeros.
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const;

  // Reads `count` bytes at `offset` into a new zero-filled buffer.
  std::vector<std::uint8_t> ReadBlock(std::uint64_t offset, std::size_t count) const;

 private:
  int fd_ = -1;
  std::uint64_t size_ = 0;
  std::string path_;
};

// Reads a whole (small) file into memory, at most `limit` bytes. Returns
// false when it cannot be opened.
bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out,
                   std::uint64_t limit = 64u << 20);

}  // namespace rowmender
