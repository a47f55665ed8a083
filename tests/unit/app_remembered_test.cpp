// What the window remembers between runs: the data folders opened last
// (the Open dialog's list and the start page), and the temporary and log
// folders of the last Open.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/logic/remembered_settings.h"
#include "app_scenario_support.h"
#include "base/paths.h"

namespace rowmender::testing {
namespace {

namespace fs = std::filesystem;

class AppRemembered : public AppScenario {
 protected:
  static std::string Data() { return SampleDataFolder() + "/"; }
};

TEST(RememberedSettings, TheRecentListKeepsTheLastOpenedFirstOnceEach) {
  struct Case {
    std::vector<std::string> opened;
    std::vector<std::string> recent;
  };
  std::vector<std::string> many;
  std::vector<std::string> lastEight;
  for (int i = 0; i < 10; ++i)
    many.push_back("/d" + std::to_string(i));
  for (int i = 9; i >= 2; --i)
    lastEight.push_back("/d" + std::to_string(i) + "/");
  const std::vector<Case> cases = {
      {{"/a/"}, {"/a/"}},
      {{"/a", "/b/"}, {"/b/", "/a/"}},
      // Opened again: moved to the front, not listed twice (with or
      // without its separator).
      {{"/a/", "/b/", "/a"}, {"/a/", "/b/"}},
      {many, lastEight},
  };
  for (const Case& c : cases) {
    HeadlessUi ui;
    for (const std::string& folder : c.opened)
      RememberOpen(ui, {folder, "/tmp/", "/tmp/"});
    EXPECT_EQ(RecentDataFolders(ui), c.recent) << c.opened.back();
  }
  // What a damaged setting holds is taken line by line, empty lines and
  // repeats left out.
  HeadlessUi ui;
  ui.StoreSetting(kRecentDataFoldersSetting, "\n/x\n\n/x/\n/y");
  EXPECT_EQ(RecentDataFolders(ui), (std::vector<std::string>{"/x/", "/y/"}));
}

TEST_F(AppRemembered, AnOpenIsRememberedForTheNextRunsDialogAndStartPage) {
  // A first run: an empty start page, a dialog without a list.
  EXPECT_TRUE(ui.startPageVisible);
  EXPECT_TRUE(ui.startPageFolders.empty());
  const fs::path logs = scratch.Path() / "logs";
  fs::create_directories(logs);
  ui.settingsAttempts = {{Data(), scratch.Path().string(), logs.string()}};
  frame.OnOpen();
  frame.WaitForScan();
  EXPECT_TRUE(ui.settingsRecentFolders.empty());
  EXPECT_FALSE(ui.startPageVisible);

  // The next run (a window over the same settings).
  FakeUi next;
  next.settings = ui.settings;
  CTarnSalvorProjApp nextApp;
  CMainFrame nextFrame(nextApp, next);
  nextFrame.clock = FixedOpenTime;
  nextFrame.Initialize();
  EXPECT_TRUE(next.startPageVisible);
  EXPECT_EQ(next.startPageFolders, std::vector<std::string>{Data()});
  nextFrame.OnOpen();  // cancelled
  EXPECT_EQ(next.settingsRecentFolders, std::vector<std::string>{Data()});
  EXPECT_EQ(next.settingsDefaults.databasePath, Data());
  EXPECT_EQ(next.settingsDefaults.temporaryPath, WithTrailingSeparator(scratch.Path().string()));
  EXPECT_EQ(next.settingsDefaults.logFolder, WithTrailingSeparator(logs.string()));

  // A folder of the start page opens with a click, with the remembered
  // temporary and log folders.
  nextFrame.OnOpenRecent(Data());
  nextFrame.WaitForScan();
  EXPECT_NE(next.tree.GetCount(), 0u);
  EXPECT_EQ(nextApp.logFolder, WithTrailingSeparator(logs.string()));
  EXPECT_FALSE(next.startPageVisible);
}

TEST_F(AppRemembered, ARememberedFolderThatIsGoneIsRefusedAsTheDialogRefusesIt) {
  frame.OnOpenRecent((scratch.Path() / "gone").string());
  EXPECT_EQ(ui.messages.back(), kInvalidDataFolderMessage);
  EXPECT_FALSE(frame.ScanActive());
  EXPECT_TRUE(ui.startPageVisible);
  // Temporary and log folders that are gone give way to the defaults.
  ui.StoreSetting(kTemporaryFolderSetting, (scratch.Path() / "gone").string());
  SettingsDialog dialog;
  FillInRemembered(ui, dialog);
  EXPECT_EQ(dialog.temporaryFolder, SettingsDialog::DefaultTemporaryFolder());
}

}  // namespace
}  // namespace rowmender::testing
