// "Save MySQL Data" with checked nodes: after the save dialog's OK, every
// checked table (a checked database or group node stands for all the
// tables under it), view and trigger file is saved, every row of every
// page, as scripts into the saving folder or into the tested server.
//
// The save runs under the running guard: the commands and tree clicks are
// refused meanwhile, the progress indicator shows, the caption bar follows
// the tables, and Stop ends the save after the page being written. Each
// table gets one output-pane and log line with its row counts.
//
// A saving folder that holds an earlier save is written into only after
// the user answers Yes to the question whether to replace it; the earlier
// save's scripts that this save does not write are then removed.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/logic/main_frame.h"
#include "catalogue/catalogue_lists.h"
#include "export/save/save_objects.h"
#include "export/save/server_connector.h"
#include "export/save/table_saver.h"

namespace rowmender {

// The caption bar while a table is saved, and the closing messages.
inline constexpr const char* kSavingCaption = "Saving ";
inline constexpr const char* kSaveCompleteMessage = "The recovered data has been saved.";
inline constexpr const char* kSaveIncompleteMessage =
    "The save is not complete. The output pane and the log file name what could not be saved.";
inline constexpr const char* kSaveStoppedMessage = "The save was stopped.";
// Before the path of the recovery report of a save into a folder that did
// not read everything.
inline constexpr const char* kRecoveryReportLinePrefix = "What was lost is listed in ";
inline constexpr const char* kSaveFolderInDataFolderMessage =
    "The saving folder lies in the data folder, which is never written. Please choose another "
    "folder.";

// Before each script of an earlier save that a save into its folder
// removed (it does not write that script itself).
inline constexpr const char* kRemovedScriptLinePrefix =
    "Removed from the earlier save in the saving folder: ";

// The question before a save into a folder that holds an earlier save
// (`files`, as EarlierSaveFiles gives them) replaces it.
std::string ReplaceEarlierSaveQuestion(const std::string& folder,
                                       const std::vector<std::string>& files);

// The table at 0-based position `index` of the catalogue's list; nothing
// when there is none.
std::optional<SaveObject> TableObjectAt(const CatalogueLists& catalogue, std::size_t index);

// The objects of the checked table, view and trigger nodes of the catalogue
// tree, in tree order.
std::vector<SaveObject> CheckedObjects(UserInterface& ui, const CatalogueLists& catalogue);

struct CheckedSaveOptions {
  // Called after every page, so a window can repaint and take Stop.
  std::function<void()> betweenPages;
};

// Saves the checked objects of `frame` as the save settings of the
// application object say (saveAsScriptMode: scripts into saveFolder;
// saveToDatabaseMode: into saveServer through `connector`). Both save flags
// are cleared at the end, so the record grid keeps its preview forms.
SaveSummary SaveCheckedObjects(CMainFrame& frame, ServerConnector& connector,
                               const CheckedSaveOptions& options = {});

}  // namespace rowmender
