#include "app/logic/settings_dialog.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "base/paths.h"

namespace rowmender {

namespace fs = std::filesystem;

namespace {

constexpr const char* kProgramFolderName = "rowmender";
constexpr const char* kLogFolderName = "logs";

// The system's temporary folder, with a trailing separator.
std::string SystemTemporaryFolder() {
  std::error_code error;
  const fs::path temporary = fs::temp_directory_path(error);
  return error ? std::string("/tmp/") : (temporary / "").string();
}

// The folder the environment variable `variable` names (the XDG base
// folders), or `fallback` below the home folder; empty without either.
std::string BaseFolder(const char* variable, const char* fallback) {
  const char* set = std::getenv(variable);
  if (set != nullptr && *set == '/') return set;
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') return {};
  return JoinPath(home, fallback);
}

// `folder`, made where it is missing; empty when it cannot be.
std::string MadeFolder(const std::string& folder) {
  if (folder.empty()) return {};
  std::error_code error;
  fs::create_directories(folder, error);
  return fs::is_directory(folder, error) ? folder : std::string();
}

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string Trim(const std::string& text) {
  std::size_t begin = 0;
  while (begin < text.size() && IsSpace(text[begin]))
    ++begin;
  std::size_t end = text.size();
  while (end > begin && IsSpace(text[end - 1]))
    --end;
  return text.substr(begin, end - begin);
}

bool IsDirectory(const std::string& path) {
  std::error_code error;
  return !path.empty() && fs::is_directory(path, error);
}

bool Exists(const std::string& path) {
  std::error_code error;
  return !path.empty() && fs::exists(path, error);
}

std::string WithSeparator(const std::string& path) {
  if (!path.empty() && path.back() == kPathSeparator) return path;
  return path + kPathSeparator;
}

bool IsFile(const std::string& path) {
  std::error_code error;
  return !path.empty() && fs::is_regular_file(path, error);
}

// The paths of a list separated by ';', each trimmed; empty ones dropped.
std::vector<std::string> SplitFileList(const std::string& text) {
  std::vector<std::string> paths;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find(';', start), text.size());
    const std::string path = Trim(text.substr(start, end - start));
    if (!path.empty()) paths.push_back(path);
    start = end + 1;
  }
  return paths;
}

}  // namespace

SettingsDialog::SettingsDialog()
    : temporaryFolder(DefaultTemporaryFolder()), logFolder(DefaultLogFolder()) {}

std::string SettingsDialog::DefaultTemporaryFolder() {
  const std::string base = BaseFolder("XDG_CACHE_HOME", ".cache");
  const std::string cache = MadeFolder(base.empty() ? base : JoinPath(base, kProgramFolderName));
  return cache.empty() ? SystemTemporaryFolder() : WithSeparator(cache);
}

std::string SettingsDialog::DefaultLogFolder() {
  const std::string base = BaseFolder("XDG_STATE_HOME", ".local/state");
  const std::string logs = MadeFolder(
      base.empty() ? base : JoinPath(JoinPath(base, kProgramFolderName), kLogFolderName));
  return logs.empty() ? WithoutTrailingSeparator(SystemTemporaryFolder()) : logs;
}

void SettingsDialog::BrowseDataFolder(UserInterface& ui) {
  const std::string chosen = ui.ChooseFolder(kBrowseDataFolderTitle);
  if (!chosen.empty()) dataFolder = WithSeparator(chosen);
}

void SettingsDialog::BrowseTemporaryFolder(UserInterface& ui) {
  const std::string chosen = ui.ChooseFolder(kBrowseTemporaryFolderTitle);
  if (!chosen.empty()) temporaryFolder = WithSeparator(chosen);
}

void SettingsDialog::BrowseLogFolder(UserInterface& ui) {
  const std::string chosen = Trim(ui.ChooseFolder(kBrowseLogFolderTitle));
  if (IsDirectory(chosen)) logFolder = chosen;
}

void SettingsDialog::BrowseDefinitionFile(UserInterface& ui) {
  const std::string chosen = Trim(ui.ChooseOpenFile());
  if (chosen.empty()) return;
  definitionFiles = Trim(definitionFiles);
  definitionFiles += (definitionFiles.empty() ? "" : "; ") + chosen;
}

void SettingsDialog::FillIn(const RunFolders& folders,
                            const std::vector<std::string>& statementFiles) {
  dataFolder = folders.databasePath;
  temporaryFolder = folders.temporaryPath;
  logFolder = folders.logFolder;
  definitionFiles.clear();
  for (const std::string& file : statementFiles)
    definitionFiles += (definitionFiles.empty() ? "" : ";") + file;
}

bool SettingsDialog::Accept(UserInterface& ui) {
  if (!IsDirectory(dataFolder)) {
    ui.ShowMessage(kInvalidDataFolderMessage);
    return false;
  }
  if (!Exists(temporaryFolder)) {
    ui.ShowMessage(kInvalidTemporaryFolderMessage);
    return false;
  }
  if (!Exists(logFolder)) {
    ui.ShowMessage(kInvalidLogFolderMessage);
    return false;
  }
  const std::vector<std::string> statements = SplitFileList(definitionFiles);
  for (const std::string& path : statements) {
    if (!IsFile(path)) {
      ui.ShowMessage(kInvalidDefinitionFileMessage + path);
      return false;
    }
  }
  chosenDefinitionFiles_ = statements;
  chosen_.databasePath = WithSeparator(dataFolder);
  chosen_.temporaryPath = WithSeparator(temporaryFolder);
  chosen_.logFolder = WithSeparator(logFolder);
  return true;
}

}  // namespace rowmender
