#include "app/logic/log_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "export/utf16_text.h"

namespace rowmender {

namespace {

constexpr mode_t kNewFileMode = 0644;
constexpr int kTmYearBase = 1900;

}  // namespace

LogWriter::~LogWriter() {
  Close();
}

std::string LogWriter::FileNameFor(const std::tm& localTime) {
  char name[96];
  std::snprintf(name, sizeof name, "Rowmender_log_%d-%d-%d-%d-%d-%d.txt", localTime.tm_mday,
                localTime.tm_mon + 1, localTime.tm_year + kTmYearBase, localTime.tm_hour,
                localTime.tm_min, localTime.tm_sec);
  return name;
}

bool LogWriter::Open(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, kNewFileMode);
  const bool created = fd >= 0;
  if (!created && errno == EEXIST) fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (fd < 0) return false;
  fd_ = fd;
  if (created) WriteBytes(kUtf16LeByteOrderMark);
  return true;
}

void LogWriter::Close() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool LogWriter::IsOpen() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return fd_ >= 0;
}

void LogWriter::Write(std::string_view text) {
  const std::string bytes = Utf8ToUtf16Le(text);
  std::lock_guard<std::mutex> lock(mutex_);
  WriteBytes(bytes);
}

void LogWriter::WriteLine(std::string_view text) {
  std::string line(text);
  line += kLogLineEnd;
  Write(line);
}

void LogWriter::WriteBytes(std::string_view bytes) {
  std::size_t written = 0;
  while (fd_ >= 0 && written < bytes.size()) {
    const ssize_t n = ::write(fd_, bytes.data() + written, bytes.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      return;  // the log is a record of the run, never a reason to stop it
    }
    written += static_cast<std::size_t>(n);
  }
}

}  // namespace rowmender
