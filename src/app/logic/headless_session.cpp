#include "app/logic/headless_session.h"

#include "app/logic/settings_dialog.h"

namespace rowmender {

HeadlessSession::HeadlessSession(CTarnSalvorProjApp& app) : ui(), frame(app, ui) {
  frame.writeLogFile = false;
  frame.countRows = false;
  frame.Initialize();
}

bool HeadlessSession::Open(const std::string& dataFolder, std::string& error,
                           const std::vector<std::string>& definitionFiles) {
  const std::string temporary = SettingsDialog::DefaultTemporaryFolder();
  ui.settingsAnswer = RunFolders{dataFolder, temporary, temporary};
  ui.definitionFilesAnswer = definitionFiles;
  ui.questionAnswer = false;
  const std::size_t messagesBefore = ui.messages.size();
  frame.OnOpen();
  frame.WaitForScan();
  if (ui.tree.GetCount() == 0) {
    error = ui.messages.size() > messagesBefore ? ui.messages.back() : "the folder was not scanned";
    return false;
  }
  return true;
}

TreeNode HeadlessSession::FindBelowDataFolder(const std::vector<std::string>& labels) const {
  const auto& roots = ui.tree.Children(kNoNode);
  if (roots.empty()) return kNoNode;
  const auto& pathNodes = ui.tree.Children(roots.front());
  if (pathNodes.empty()) return kNoNode;
  TreeNode current = pathNodes.front();
  for (const auto& label : labels) {
    TreeNode found = kNoNode;
    for (TreeNode child : ui.tree.Children(current)) {
      if (ui.tree.GetItemText(child) == label) {
        found = child;
        break;
      }
    }
    if (found == kNoNode) return kNoNode;
    current = found;
  }
  return current;
}

int HeadlessSession::Select(TreeNode node) {
  ui.TreeSelect(node);
  return frame.OnTreeSelect(node);
}

}  // namespace rowmender
