// One running copy per machine: the first copy holds an exclusive lock on a
// file in the machine's shared temporary folder; a second copy, of any
// user, finds the lock taken. The system drops the lock when the holder
// ends, however it ends, so a crashed copy never blocks the next start.
#pragma once

#include <string>

namespace rowmender {

// The lock file all copies on the machine share.
inline constexpr const char* kInstanceLockPath = "/tmp/.rowmender-v21.0.instance.lock";

class SingleInstanceLock {
 public:
  explicit SingleInstanceLock(std::string path = kInstanceLockPath);
  ~SingleInstanceLock();
  SingleInstanceLock(const SingleInstanceLock&) = delete;
  SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

  // True when this object now holds the lock (or already held it); false
  // when another holder has it. A lock file that cannot be opened at all
  // does not keep the program from starting.
  bool TryAcquire();
  bool Held() const { return held_; }
  void Release();

 private:
  std::string path_;
  int fd_ = -1;
  bool held_ = false;
};

}  // namespace rowmender
