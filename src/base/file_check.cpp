#include "base/file_check.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace rowmender {

namespace {

std::string SystemReason(int error) {
  return std::generic_category().message(error);
}

FileCheck Problem(FileState state, std::string problem) {
  FileCheck check;
  check.state = state;
  check.problem = std::move(problem);
  return check;
}

// Why `path` cannot be looked at, for stat's `error`: a missing entry, a
// link whose target is gone, or the system's reason.
FileCheck NotThere(const std::string& path, int error) {
  if (error != ENOENT && error != ENOTDIR) {
    return Problem(FileState::kUnreadable, "cannot be read: " + SystemReason(error));
  }
  struct stat link {};
  if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    std::string target(4096, '\0');
    const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
    target.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return Problem(FileState::kMissing,
                   "is a link to " + (target.empty() ? "a file" : target) + ", which is missing");
  }
  return Problem(FileState::kMissing, "is missing");
}

}  // namespace

FileCheck CheckFile(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return NotThere(path, errno);
  if (S_ISDIR(info.st_mode)) return Problem(FileState::kWrongKind, "is a folder, not a file");
  if (!S_ISREG(info.st_mode)) return Problem(FileState::kWrongKind, "is not a regular file");
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Problem(FileState::kUnreadable, "cannot be read: " + SystemReason(errno));
  FileCheck check;
  struct stat opened {};
  if (::fstat(fd, &opened) != 0) {
    check = Problem(FileState::kUnreadable, "cannot be read: " + SystemReason(errno));
  } else if (opened.st_size <= 0) {
    check = Problem(FileState::kEmpty, "is empty");
  } else {
    check.size = static_cast<std::uint64_t>(opened.st_size);
    // The first byte, so that a file the device cannot deliver says so.
    unsigned char first = 0;
    ssize_t got = 0;
    do {
      got = ::pread(fd, &first, 1, 0);
    } while (got < 0 && errno == EINTR);
    if (got < 0) check = Problem(FileState::kUnreadable, "cannot be read: " + SystemReason(errno));
  }
  ::close(fd);
  return check;
}

FileCheck CheckFolder(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return NotThere(path, errno);
  if (!S_ISDIR(info.st_mode)) return Problem(FileState::kWrongKind, "is not a folder");
  DIR* folder = ::opendir(path.c_str());
  if (folder == nullptr) {
    return Problem(FileState::kUnreadable, "cannot be read: " + SystemReason(errno));
  }
  ::closedir(folder);
  return FileCheck{};
}

std::string FileProblemText(std::string_view what, const std::string& path,
                            const FileCheck& check) {
  std::string text(what);
  if (!text.empty()) text.push_back(' ');
  text += path;
  text.push_back(' ');
  text += check.problem;
  return text;
}

namespace {

Status StatusOf(std::string_view what, const std::string& path, const FileCheck& check) {
  std::string message = FileProblemText(what, path, check);
  switch (check.state) {
    case FileState::kReadable:
      return Status::Ok();
    case FileState::kMissing:
      return Status::NotFound(std::move(message));
    case FileState::kEmpty:
      return Status::Corruption(std::move(message));
    case FileState::kWrongKind:
    case FileState::kUnreadable:
      return Status::IoError(std::move(message));
  }
  return Status::IoError(std::move(message));
}

}  // namespace

Status CheckDataFile(const std::string& path, std::string_view what, EmptyFile empty) {
  const FileCheck check = CheckFile(path);
  if (check.state == FileState::kEmpty && empty == EmptyFile::kAllowed) return Status::Ok();
  return StatusOf(what, path, check);
}

Status CheckDataFolder(const std::string& path, std::string_view what) {
  return StatusOf(what, path, CheckFolder(path));
}

}  // namespace rowmender
