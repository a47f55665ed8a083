// Shared set-up of the application scenario tests: an application object,
// the recording fake and the main window's behaviour over it, with a fixed
// clock for the log file's name.
#pragma once

#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "app/application_state.h"
#include "app/logic/main_frame.h"
#include "export/utf16_text.h"
#include "support/fake_ui.h"
#include "support/test_paths.h"

namespace rowmender::testing {

// 9 December 2026, 00:13:26 local time.
inline std::time_t FixedOpenTime() {
  std::tm time{};
  time.tm_year = 126;
  time.tm_mon = 11;
  time.tm_mday = 9;
  time.tm_hour = 0;
  time.tm_min = 13;
  time.tm_sec = 26;
  time.tm_isdst = -1;
  return std::mktime(&time);
}
inline constexpr const char* kFixedLogName = "Rowmender_log_9-12-2026-0-13-26.txt";

class AppScenario : public ::testing::Test {
 protected:
  AppScenario() {
    frame.clock = FixedOpenTime;
    frame.Initialize();
  }

  // The three folders of a confirmed settings dialog.
  RunFolders Folders(const std::string& dataFolder) const {
    return {dataFolder, scratch.Path().string(), scratch.Path().string()};
  }

  // Open with `dataFolder` confirmed; waits for the scan.
  void OpenAndScan(const std::string& dataFolder) {
    ui.settingsAttempts = {Folders(dataFolder)};
    frame.OnOpen();
    frame.WaitForScan();
  }

  std::string LogPath() const { return (scratch.Path() / kFixedLogName).string(); }

  // The node below the data folder's node, e.g. {"shop", "Tables", "orders"}.
  // Found through the tree alone, which only this thread changes (the
  // catalogue lists belong to the scan while it runs).
  TreeNode Node(const std::vector<std::string>& labels) const {
    const TreeNode root = ui.FindNode({"MYSQL database"});
    const auto& below = ui.tree.Children(root);
    if (root == kNoNode || below.empty()) return kNoNode;
    std::vector<std::string> path = {"MYSQL database", ui.tree.GetItemText(below.front())};
    path.insert(path.end(), labels.begin(), labels.end());
    return ui.FindNode(path);
  }

  // The subtree of `node` one line a node: indentation, label, item data,
  // image.
  std::string Render(TreeNode node) const {
    std::string text;
    const int base = ui.tree.Depth(node);
    for (TreeNode n : ui.tree.PreOrder(node)) {
      text += std::string(static_cast<std::size_t>(ui.tree.Depth(n) - base) * 2, ' ') +
              ui.tree.GetItemText(n) + " " + std::to_string(ui.tree.GetItemData(n)) + " " +
              std::to_string(ui.tree.GetItemImage(n)) + "\n";
    }
    return text;
  }

  std::vector<std::string> MessagesSince(std::size_t from) const {
    return {ui.messages.begin() + static_cast<std::ptrdiff_t>(from), ui.messages.end()};
  }

  ScratchFolder scratch;
  CTarnSalvorProjApp app;
  FakeUi ui;
  CMainFrame frame{app, ui};
};

// The UTF-16LE bytes of a text.
inline std::string Utf16(const std::string& text) {
  return Utf8ToUtf16Le(text);
}

}  // namespace rowmender::testing
