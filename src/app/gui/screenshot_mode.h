// The screenshot mode, for the documentation and the tests:
//
//   rowmender --open DATADIR [--select PATH] [--next N] [--size WxH]
//             --screenshot FILE.png
//
// builds the window without showing the splash, opens DATADIR as if the
// settings dialog had been confirmed with it (the system's temporary folder
// as the temporary folder; no log file is written), waits for the scan,
// selects the node PATH as a click on its label does, presses "Next
// Records" N times, and writes a picture of the window to FILE.png. PATH
// names a node by its labels below the data folder node, separated by '/':
// "sakila/Tables/actor", "sakila/Tables/actor/Keys", "sakila/Views/film_list",
// "sakila/Trigger/film". The window is WxH pixels (1280x800 unless --size
// says otherwise). Messages the window would show go to standard error;
// every question is answered No. Without a display, Qt's offscreen platform
// draws the window.
#pragma once

#include <QStringList>
#include <optional>
#include <string>

namespace rowmender {

class CTarnSalvorProjApp;

struct ScreenshotRequest {
  std::string dataFolder;
  std::string selectPath;
  int nextCount = 0;
  // --create-table: the CREATE TABLE view of the selected table.
  bool createTable = false;
  // --view-value ROW,COLUMN: the value viewer on that cell of the grid
  // (0-based), drawn over the window; -1 for none.
  int valueRow = -1;
  int valueColumn = -1;
  std::string outputFile;
  int width = 1280;
  int height = 800;
};

// The request in `arguments` (the program name first); nothing when the
// arguments ask for no screenshot. `error` gets a message for arguments
// that cannot be understood.
std::optional<ScreenshotRequest> ParseScreenshotArguments(const QStringList& arguments,
                                                          std::string* error);

// True when the raw arguments ask for the screenshot mode (before the
// application object exists, to choose the platform).
bool WantsScreenshot(int argc, char** argv);

// Runs the request; returns the process's exit status.
int RunScreenshot(CTarnSalvorProjApp& application, const ScreenshotRequest& request);

}  // namespace rowmender
