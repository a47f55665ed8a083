#include "app/logic/settings_dialog.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "base/paths.h"

namespace rowmender {

namespace fs = std::filesystem;

namespace {

constexpr const char* kDesktopFolderName = "Desktop";

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

}  // namespace

SettingsDialog::SettingsDialog()
    : temporaryFolder(DefaultTemporaryFolder()), logFolder(DefaultLogFolder()) {}

std::string SettingsDialog::DefaultTemporaryFolder() {
  std::error_code error;
  const fs::path temporary = fs::temp_directory_path(error);
  return WithSeparator(error ? std::string("/tmp") : temporary.string());
}

std::string SettingsDialog::DefaultLogFolder() {
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') {
    return WithoutTrailingSeparator(DefaultTemporaryFolder());
  }
  const std::string desktop = JoinPath(home, kDesktopFolderName);
  if (IsDirectory(desktop)) return desktop;
  return WithoutTrailingSeparator(home);
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
  chosen_.databasePath = WithSeparator(dataFolder);
  chosen_.temporaryPath = WithSeparator(temporaryFolder);
  chosen_.logFolder = WithSeparator(logFolder);
  return true;
}

}  // namespace rowmender
