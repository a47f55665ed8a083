// A user interface without a window: it keeps the tree, the record grid,
// the text box, the buttons, the caption and the output pane in memory and
// answers dialogs and questions from fixed answers. The command line runs
// the application's behaviour through it (so its catalogue is the very tree
// the window shows), and the tests' recording fake builds on it.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/logic/settings_dialog.h"
#include "app/logic/user_interface.h"
#include "controls/check_tree_model.h"

namespace rowmender {

class HeadlessUi : public UserInterface {
 public:
  // ---- Answers ----

  // The answer to every Yes/No question.
  bool questionAnswer = false;
  // The edit texts the settings dialog is confirmed with; nothing cancels it.
  // A confirmation that fails its checks cancels the dialog.
  std::optional<RunFolders> settingsAnswer;
  // The statement files typed into the dialog with `settingsAnswer`.
  std::vector<std::string> definitionFilesAnswer;
  // Returned by the folder, open-file and save-file dialogs ("" cancels).
  std::string folderAnswer;
  std::string openFileAnswer;
  std::string saveFileAnswer;
  // The export dialog is confirmed with this; nothing cancels it.
  std::optional<ExportChoice> exportAnswer;

  // ---- What the window would show ----

  struct ButtonState {
    bool visible = false;
    bool enabled = true;
  };

  CheckTreeModel tree;
  TreeNode selection = kNoNode;
  bool treeEnabled = true;
  std::vector<std::string> gridColumns;
  std::vector<DecodedRow> gridRows;
  bool gridVisible = false;
  std::string textBox;
  bool textBoxVisible = true;
  ButtonState previousButton;
  ButtonState nextButton;
  std::string caption;
  // The status bar's line on the rows on screen.
  std::string rowStatus;
  std::vector<std::string> outputLines;
  bool progressVisible = false;
  bool running = false;
  // Every message box and question text, in order.
  std::vector<std::string> messages;
  std::vector<std::string> openedAddresses;
  // Whether a handler opens them.
  bool webAddressesOpen = true;
  std::optional<int> endedWithCode;
  // The export dialog's title and what it showed, the last time it opened.
  std::string exportTitle;
  std::optional<ExportChoice> exportShown;
  // The remembered settings, kept in memory.
  std::map<std::string, std::string> settings;
  // The start page: shown, and the folders it lists.
  bool startPageVisible = false;
  std::vector<std::string> startPageFolders;

  const ButtonState& Button(PageButton button) const {
    return button == PageButton::kPrevious ? previousButton : nextButton;
  }

  // ---- UserInterface ----

  // Runs the call at once: the calling thread stands in for the
  // user-interface thread while the caller waits for the scan.
  void RunOnUiThread(const std::function<void()>& call) override { call(); }

  void ShowMessage(const std::string& text) override;
  bool AskYesNo(const std::string& text, MessageIcon icon) override;
  bool RunSettingsDialog(SettingsDialog& dialog) override;
  std::string ChooseFolder(const std::string& title) override;
  std::string ChooseOpenFile() override;
  std::string ChooseSaveFile(const SaveFileRequest& request) override;
  bool ChooseExport(const std::string& title, ExportChoice& choice) override;
  void ShowAbout() override {}
  bool OpenWebAddress(const std::string& address) override;
  void EndProcess(int exitCode) override;

  void TreeDeleteAll() override;
  TreeNode TreeInsert(const std::string& label, int image, std::int32_t itemData,
                      TreeNode parent) override;
  std::int32_t TreeItemData(TreeNode node) override { return tree.GetItemData(node); }
  TreeNode TreeParent(TreeNode node) override { return tree.GetParentItem(node); }
  std::string TreeLabel(TreeNode node) override { return tree.GetItemText(node); }
  std::vector<TreeNode> TreeChildren(TreeNode node) override { return tree.Children(node); }
  std::size_t TreeNodeCount() override { return tree.GetCount(); }
  TreeNode TreeSelection() override { return selection; }
  void TreeSelect(TreeNode node) override;
  void TreeExpand(TreeNode node) override { tree.SetExpanded(node, true); }
  void TreeSetEnabled(bool enabled) override { treeEnabled = enabled; }
  bool TreeIsChecked(TreeNode node) override { return tree.GetCheck(node); }
  std::size_t TreeCheckedCount() override { return tree.GetCheckedCount(); }
  void TreeSetMark(TreeNode node, TreeMark mark, const std::string& reason) override {
    tree.SetItemMark(node, mark, reason);
  }
  void TreeSetNote(TreeNode node, const std::string& note) override {
    tree.SetItemNote(node, note);
  }

  void GridClear() override;
  void GridDeleteAllRows() override { gridRows.clear(); }
  void GridSetColumns(const std::vector<std::string>& captions) override;
  void GridAppendRows(const std::vector<DecodedRow>& rows) override;
  std::size_t GridColumnCount() override { return gridColumns.size(); }
  std::string GridColumnCaption(std::size_t column) override;
  std::size_t GridRowCount() override { return gridRows.size(); }
  std::string GridCell(std::size_t row, std::size_t column) override;
  void GridShow(bool visible) override { gridVisible = visible; }

  void TextBoxSet(const std::string& text) override { textBox = text; }
  void TextBoxShow(bool visible) override { textBoxVisible = visible; }
  void PageButtonShow(PageButton button, bool visible) override;
  void PageButtonEnable(PageButton button, bool enabled) override;

  void SetCaption(const std::string& text) override { caption = text; }
  void SetRowStatus(const std::string& text) override { rowStatus = text; }
  void OutputInsertLine(std::int32_t row, const std::string& text) override;
  void OutputDeleteAll() override { outputLines.clear(); }
  void ShowProgress(bool visible) override { progressVisible = visible; }
  void RunningStateChanged(bool isRunning) override { running = isRunning; }
  std::string LoadSetting(const std::string& key) override;
  void StoreSetting(const std::string& key, const std::string& value) override {
    settings[key] = value;
  }
  void ShowStartPage(const std::vector<std::string>& recentFolders) override {
    startPageVisible = true;
    startPageFolders = recentFolders;
  }
  void HideStartPage() override { startPageVisible = false; }

 private:
  ButtonState& MutableButton(PageButton button) {
    return button == PageButton::kPrevious ? previousButton : nextButton;
  }
};

}  // namespace rowmender
