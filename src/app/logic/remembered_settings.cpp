#include "app/logic/remembered_settings.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "base/paths.h"

namespace rowmender {

namespace {

// A list is kept as one setting, a line per entry.
constexpr char kListSeparator = '\n';

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t end = text.find(kListSeparator, begin);
    if (end == std::string::npos) end = text.size();
    if (end > begin) lines.push_back(text.substr(begin, end - begin));
    begin = end + 1;
  }
  return lines;
}

bool IsFolder(const std::string& path) {
  std::error_code error;
  return !path.empty() && std::filesystem::is_directory(path, error);
}

}  // namespace

std::vector<std::string> RecentDataFolders(UserInterface& ui) {
  std::vector<std::string> folders;
  for (const std::string& line : SplitLines(ui.LoadSetting(kRecentDataFoldersSetting))) {
    const std::string folder = WithTrailingSeparator(line);
    if (std::find(folders.begin(), folders.end(), folder) != folders.end()) continue;
    folders.push_back(folder);
    if (folders.size() == kMostRecentFolders) break;
  }
  return folders;
}

void FillInRemembered(UserInterface& ui, SettingsDialog& dialog) {
  dialog.recentDataFolders = RecentDataFolders(ui);
  if (dialog.dataFolder.empty() && !dialog.recentDataFolders.empty()) {
    dialog.dataFolder = dialog.recentDataFolders.front();
  }
  const std::string temporary = ui.LoadSetting(kTemporaryFolderSetting);
  if (IsFolder(temporary)) dialog.temporaryFolder = temporary;
  const std::string logs = ui.LoadSetting(kLogFolderSetting);
  if (IsFolder(logs)) dialog.logFolder = logs;
}

void RememberOpen(UserInterface& ui, const RunFolders& folders) {
  const std::string opened = WithTrailingSeparator(folders.databasePath);
  std::string list = opened;
  std::size_t kept = 1;
  for (const std::string& folder : RecentDataFolders(ui)) {
    if (kept == kMostRecentFolders) break;
    if (folder == opened) continue;
    list += kListSeparator + folder;
    ++kept;
  }
  ui.StoreSetting(kRecentDataFoldersSetting, list);
  ui.StoreSetting(kTemporaryFolderSetting, folders.temporaryPath);
  ui.StoreSetting(kLogFolderSetting, folders.logFolder);
}

ExportChoice RememberedExport(UserInterface& ui) {
  ExportChoice choice;
  const std::string format = ui.LoadSetting(kExportFormatSetting);
  for (const ExportFormat known : {ExportFormat::kSql, ExportFormat::kTsv, ExportFormat::kCsv}) {
    if (format == ExportExtension(known)) choice.format = known;
  }
  choice.folder = ui.LoadSetting(kExportFolderSetting);
  return choice;
}

void RememberExport(UserInterface& ui, const ExportChoice& choice) {
  ui.StoreSetting(kExportFormatSetting, ExportExtension(choice.format));
  ui.StoreSetting(kExportFolderSetting, choice.folder);
}

}  // namespace rowmender
