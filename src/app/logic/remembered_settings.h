// What the window remembers between runs: the data folders opened last, the
// temporary and log folders of the last Open, and the form and folder of
// the last export. Kept through the user interface's settings, so the
// window keeps them where the platform keeps a program's settings and the
// command line keeps nothing.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "app/logic/settings_dialog.h"
#include "app/logic/user_interface.h"

namespace rowmender {

inline constexpr std::size_t kMostRecentFolders = 8;

// The setting names.
inline constexpr const char* kRecentDataFoldersSetting = "recentDataFolders";
inline constexpr const char* kTemporaryFolderSetting = "temporaryFolder";
inline constexpr const char* kLogFolderSetting = "logFolder";
inline constexpr const char* kExportFolderSetting = "exportFolder";
inline constexpr const char* kExportFormatSetting = "exportFormat";

// The data folders opened last, most recent first, each with a trailing
// separator.
std::vector<std::string> RecentDataFolders(UserInterface& ui);

// Fills a fresh Open dialog with what was remembered: the recent data
// folders for its list, the most recent one in its edit, and the temporary
// and log folders of the last Open where they still exist.
void FillInRemembered(UserInterface& ui, SettingsDialog& dialog);

// Remembers the folders of a confirmed Open: its data folder goes first in
// the recent list (once; at most kMostRecentFolders are kept).
void RememberOpen(UserInterface& ui, const RunFolders& folders);

// The last export's form and folder (SQL and no folder before the first).
ExportChoice RememberedExport(UserInterface& ui);
void RememberExport(UserInterface& ui, const ExportChoice& choice);

}  // namespace rowmender
