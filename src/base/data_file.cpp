#include "base/data_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace rowmender {

DataFile::~DataFile() {
  Close();
}

DataFile::DataFile(DataFile&& other) noexcept
    : fd_(other.fd_), size_(other.size_), path_(std::move(other.path_)) {
  other.fd_ = -1;
  other.size_ = 0;
}

DataFile& DataFile::operator=(DataFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    size_ = other.size_;
    path_ = std::move(other.path_);
    other.fd_ = -1;
    other.size_ = 0;
  }
  return *this;
}

bool DataFile::Open(const std::string& path) {
  Close();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  size_ = static_cast<std::uint64_t>(info.st_size);
  path_ = path;
  return true;
}

void DataFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  size_ = 0;
  path_.clear();
}

std::size_t DataFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
  std::size_t done = 0;
  if (fd_ >= 0) {
    while (done < out.size()) {
      const std::uint64_t at = offset + done;
      if (at < offset || at > static_cast<std::uint64_t>(INT64_MAX)) break;
      ssize_t got = ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(at));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      done += static_cast<std::size_t>(got);
    }
  }
  std::fill(out.begin() + static_cast<std::ptrdiff_t>(done), out.end(), std::uint8_t{0});
  return done;
}

std::vector<std::uint8_t> DataFile::ReadBlock(std::uint64_t offset, std::size_t count) const {
  std::vector<std::uint8_t> block(count);
  ReadAt(offset, block);
  return block;
}

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out, std::uint64_t limit) {
  DataFile file;
  if (!file.Open(path)) return false;
  out.assign(static_cast<std::size_t>(std::min(file.Size(), limit)), 0);
  out.resize(file.ReadAt(0, out));
  return true;
}

}  // namespace rowmender
