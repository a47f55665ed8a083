// Shared pieces of the widget tests: where the real data lies, and a main
// window that answers its dialogs from a script.
#pragma once

#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "app/application_state.h"
#include "app/gui/main_window.h"

namespace rowmender::guitest {

inline std::string SampleDataFolder() {
  return ROWMENDER_SAMPLE_DATADIR;
}
inline std::string SakilaFolder() {
  return std::string(ROWMENDER_SHARED_FIXTURES) + "/mysql-5.5-sakila";
}
inline QString GuiProgram() {
  return QStringLiteral(ROWMENDER_GUI_PROGRAM);
}

// Makes the compiled-in pictures available and keeps the tests' settings
// in the build tree, away from the user's (call from initTestCase).
void PrepareGuiTests();

// A main window without splash whose dialogs answer from `answers`.
struct ScriptedWindow {
  using Factory =
      std::function<std::unique_ptr<CMainWindow>(CTarnSalvorProjApp&, const CMainWindow::Options&)>;
  ScriptedWindow();
  // A window made by `make` (a subclass that observes the window's calls).
  explicit ScriptedWindow(const Factory& make);
  // A window that starts with `remembered` as its remembered settings.
  explicit ScriptedWindow(std::map<std::string, std::string> remembered);
  ~ScriptedWindow();

  // Confirms the settings dialog with `dataFolder`, runs Open and waits
  // for the scan; false when the scan did not end.
  bool Open(const std::string& dataFolder);

  ScriptedAnswers answers;
  CTarnSalvorProjApp application;
  std::unique_ptr<CMainWindow> window;
};

}  // namespace rowmender::guitest
