// The application run without a window: an in-memory user interface and
// the main window's behaviour over it. The command line uses it to produce
// exactly what the window would show: the catalogue tree the scan builds,
// a table's pages, the CSV file of a page.
#pragma once

#include <string>
#include <vector>

#include "app/application_state.h"
#include "app/logic/headless_ui.h"
#include "app/logic/main_frame.h"

namespace rowmender {

class HeadlessSession {
 public:
  explicit HeadlessSession(CTarnSalvorProjApp& app);

  // Open with `dataFolder` confirmed in the settings dialog and questions
  // answered No, then waits for the scan to end. No log file is written.
  // False, with the dialog's message in `error`, when the folder is
  // refused.
  // `definitionFiles`: files of CREATE TABLE statements for tables without
  // a .frm, as named in the dialog.
  bool Open(const std::string& dataFolder, std::string& error,
            const std::vector<std::string>& definitionFiles = {});

  // The node of the scanned tree reached through these labels below the
  // data folder's node (database, group, item ...); kNoNode when missing.
  TreeNode FindBelowDataFolder(const std::vector<std::string>& labels) const;

  // A label click on `node`.
  int Select(TreeNode node);

  HeadlessUi ui;
  CMainFrame frame;
};

}  // namespace rowmender
