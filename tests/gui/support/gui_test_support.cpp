#include "gui/support/gui_test_support.h"

#include <QCoreApplication>
#include <QDir>
#include <utility>

#include "app/gui/gui_resources.h"
#include "app/logic/settings_dialog.h"

namespace rowmender::guitest {

namespace {

constexpr int kScanTimeoutMs = 120000;

}  // namespace

void PrepareGuiTests() {
  InitGuiResources();
  // Settings go to the build tree, never to the user's own.
  qputenv("XDG_CONFIG_HOME", QByteArray(ROWMENDER_BINARY_DIR "/gui-test-config"));
}

ScriptedWindow::ScriptedWindow()
    : ScriptedWindow([](CTarnSalvorProjApp& app, const CMainWindow::Options& options) {
        return std::make_unique<CMainWindow>(app, options);
      }) {}

ScriptedWindow::ScriptedWindow(std::map<std::string, std::string> remembered)
    : ScriptedWindow([&remembered](CTarnSalvorProjApp& app, const CMainWindow::Options& options) {
        options.answers->remembered = std::move(remembered);
        return std::make_unique<CMainWindow>(app, options);
      }) {}

ScriptedWindow::ScriptedWindow(const Factory& make) {
  CMainWindow::Options options;
  options.showSplash = false;
  options.answers = &answers;
  window = make(application, options);
  window->SetScriptedAnswers(&answers);
  window->Frame().writeLogFile = false;
  window->resize(1200, 800);
  window->show();
  QCoreApplication::processEvents();
}

ScriptedWindow::~ScriptedWindow() {
  window->WaitForScanEnd(kScanTimeoutMs);
  window.reset();
}

bool ScriptedWindow::Open(const std::string& dataFolder) {
  const std::string temporary = QDir::tempPath().toStdString();
  answers.settings = RunFolders{dataFolder, temporary, temporary};
  window->Frame().OnOpen();
  return window->WaitForScanEnd(kScanTimeoutMs);
}

}  // namespace rowmender::guitest
