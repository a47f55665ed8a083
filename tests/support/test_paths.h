// Locations of fixtures and built programs, and a scratch folder for tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace rowmender::testing {

inline std::string SampleDataFolder() {
  return ROWMENDER_SAMPLE_DATADIR;
}
inline std::string SampleTruthFolder() {
  return ROWMENDER_SAMPLE_TRUTH;
}
inline std::string SakilaFolder() {
  return std::string(ROWMENDER_SHARED_FIXTURES) + "/mysql-5.5-sakila";
}
inline std::string Sakila8Folder() {
  return std::string(ROWMENDER_SHARED_FIXTURES) + "/mysql-8.0-sakila";
}
// Real MySQL 8.4 and MySQL 5.6 REDUNDANT sakila files, unpacked by the
// build from testdata/.
inline std::string Sakila84Folder() {
  return std::string(ROWMENDER_BINARY_DIR) + "/mysql-8.4-sakila";
}
inline std::string SakilaRedundantFolder() {
  return std::string(ROWMENDER_BINARY_DIR) + "/mysql-5.6-redundant-sakila";
}
// Databases and tables with encoded names (testdata/names), unpacked by
// the build, and the server's list of its two-character codes.
inline std::string NamesFolder() {
  return std::string(ROWMENDER_BINARY_DIR) + "/names-datadir";
}
inline std::string NamesTruthFolder() {
  return std::string(ROWMENDER_SHARED_FIXTURES) + "/names";
}
// The Aria tables of testdata/aria, unpacked by the build.
inline std::string AriaFolder() {
  return ROWMENDER_ARIA_DATADIR;
}
// The tables of testdata/frm-extras (MariaDB's later definition format),
// unpacked by the build, and the server's text of them.
inline std::string FrmExtrasFolder() {
  return std::string(ROWMENDER_BINARY_DIR) + "/frm-extras-datadir";
}
inline std::string FrmExtrasTruth() {
  return std::string(ROWMENDER_SHARED_FIXTURES) + "/frm-extras";
}
inline std::string SourceFolder() {
  return ROWMENDER_SOURCE_DIR;
}

// A fresh folder under the system's temporary folder, removed with the object.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  // Writes `bytes` to `name` inside the folder (creating sub-folders) and
  // returns the full path.
  std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const;
  std::string Write(const std::string& name, const std::string& text) const;

 private:
  std::filesystem::path path_;
};

// Runs the built rowmender-cli with `args`; captures its output streams.
struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};
CliResult RunCli(const std::vector<std::string>& args);

// The text of a whole file ("" when it cannot be read).
std::string ReadText(const std::string& path);

// Every file below `folder`: its path relative to `folder` and its text,
// sorted by path.
std::vector<std::pair<std::string, std::string>> FilesBelow(const std::filesystem::path& folder);

}  // namespace rowmender::testing
