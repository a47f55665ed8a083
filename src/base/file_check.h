// Whether a file or folder of the data folder can be read, asked before it
// is read, so that what cannot be read is reported with the file's name and
// the system's reason ("Permission denied") instead of reading as nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/status.h"

namespace rowmender {

enum class FileState : std::uint8_t {
  kReadable,
  kMissing,     // no entry of that name, or a link whose target is gone
  kWrongKind,   // a folder where a file is wanted, or the other way round
  kUnreadable,  // there, but the system refuses to open or list it
  kEmpty,       // a file of no bytes
};

struct FileCheck {
  FileState state = FileState::kReadable;
  // The file's length (files only).
  std::uint64_t size = 0;
  // What is wrong, said after the path: "is missing", "is empty",
  // "cannot be read: Permission denied", ...; empty when readable.
  std::string problem;

  bool Readable() const { return state == FileState::kReadable; }
};

// Opens `path` read-only (and closes it again): a regular file, or a link
// to one, that can be read. An empty file is kEmpty.
FileCheck CheckFile(const std::string& path);

// Opens the folder `path` for listing (and closes it again).
FileCheck CheckFolder(const std::string& path);

// How an empty file counts.
enum class EmptyFile : std::uint8_t { kRefused, kAllowed };

// A status whose message names `what` ("the tablespace"), the path and the
// problem: "the tablespace /data/shop/coupons.ibd is empty". Missing files
// are kNotFound, empty ones kCorruption, the rest kIoError.
Status CheckDataFile(const std::string& path, std::string_view what,
                     EmptyFile empty = EmptyFile::kRefused);
Status CheckDataFolder(const std::string& path, std::string_view what);

// The sentence CheckDataFile and CheckDataFolder put into their status.
std::string FileProblemText(std::string_view what, const std::string& path, const FileCheck& check);

}  // namespace rowmender
