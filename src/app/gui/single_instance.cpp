#include "app/gui/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace rowmender {

namespace {

// Everyone may open the file, so that copies of other users see the lock.
constexpr mode_t kLockFileMode = 0644;

}  // namespace

SingleInstanceLock::SingleInstanceLock(std::string path) : path_(std::move(path)) {}

SingleInstanceLock::~SingleInstanceLock() {
  Release();
}

bool SingleInstanceLock::TryAcquire() {
  if (held_) return true;
  // An existing file (perhaps another user's) is opened as it is; only a
  // missing one is created. Read access is enough for the lock.
  fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0 && errno == ENOENT) {
    fd_ = ::open(path_.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC, kLockFileMode);
    if (fd_ >= 0) {
      ::fchmod(fd_, kLockFileMode);
    } else if (errno == EEXIST) {
      fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    }
  }
  if (fd_ < 0) {
    // No lock can be had: starting beats refusing forever.
    held_ = true;
    return true;
  }
  if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
    held_ = true;
    return true;
  }
  ::close(fd_);
  fd_ = -1;
  return false;
}

void SingleInstanceLock::Release() {
  if (fd_ >= 0) {
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
  }
  held_ = false;
}

}  // namespace rowmender
