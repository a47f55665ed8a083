#include "support/test_paths.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace rowmender::testing {

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder() {
  static std::atomic<int> counter{0};
  path_ = fs::temp_directory_path() /
          ("rowmender-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
  fs::remove_all(path_);
  fs::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code error;
  fs::remove_all(path_, error);
}

std::string ScratchFolder::Write(const std::string& name,
                                 const std::vector<std::uint8_t>& bytes) const {
  const fs::path file = path_ / name;
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return file.string();
}

std::string ScratchFolder::Write(const std::string& name, const std::string& text) const {
  return Write(name, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::pair<std::string, std::string>> FilesBelow(const std::filesystem::path& folder) {
  std::vector<std::pair<std::string, std::string>> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    files.emplace_back(std::filesystem::relative(entry.path(), folder).string(),
                       ReadText(entry.path().string()));
  }
  std::sort(files.begin(), files.end());
  return files;
}

namespace {

std::string ShellQuote(const std::string& arg) {
  std::string quoted = "'";
  for (char c : arg) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted.push_back(c);
    }
  }
  return quoted + "'";
}

}  // namespace

CliResult RunCli(const std::vector<std::string>& args) {
  ScratchFolder scratch;
  const std::string outPath = (scratch.Path() / "out").string();
  const std::string errPath = (scratch.Path() / "err").string();
  std::string command = ShellQuote(ROWMENDER_CLI);
  for (const auto& arg : args)
    command += " " + ShellQuote(arg);
  command += " >" + ShellQuote(outPath) + " 2>" + ShellQuote(errPath);
  CliResult result;
  const int raw = std::system(command.c_str());
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = ReadText(outPath);
  result.err = ReadText(errPath);
  return result;
}

}  // namespace rowmender::testing
