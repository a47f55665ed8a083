// A UserInterface for the scan's worker thread: every call is carried to
// the user-interface thread through the target's RunOnUiThread and has
// finished there before the worker goes on.
#pragma once

#include <utility>

#include "app/logic/user_interface.h"

namespace rowmender {

class UiThreadForwarder final : public UserInterface {
 public:
  explicit UiThreadForwarder(UserInterface& target) : target_(target) {}

  void RunOnUiThread(const std::function<void()>& call) override;

  void ShowMessage(const std::string& text) override;
  bool AskYesNo(const std::string& text, MessageIcon icon) override;
  bool RunSettingsDialog(SettingsDialog& dialog) override;
  std::string ChooseFolder(const std::string& title) override;
  std::string ChooseOpenFile() override;
  std::string ChooseSaveFile(const SaveFileRequest& request) override;
  bool ChooseExport(const std::string& title, ExportChoice& choice) override;
  void ShowAbout() override;
  bool OpenWebAddress(const std::string& address) override;
  void EndProcess(int exitCode) override;

  void TreeDeleteAll() override;
  TreeNode TreeInsert(const std::string& label, int image, std::int32_t itemData,
                      TreeNode parent) override;
  std::int32_t TreeItemData(TreeNode node) override;
  TreeNode TreeParent(TreeNode node) override;
  std::string TreeLabel(TreeNode node) override;
  std::vector<TreeNode> TreeChildren(TreeNode node) override;
  std::size_t TreeNodeCount() override;
  TreeNode TreeSelection() override;
  void TreeSelect(TreeNode node) override;
  void TreeExpand(TreeNode node) override;
  void TreeSetEnabled(bool enabled) override;
  bool TreeIsChecked(TreeNode node) override;
  std::size_t TreeCheckedCount() override;
  void TreeSetMark(TreeNode node, TreeMark mark, const std::string& reason) override;
  void TreeSetNote(TreeNode node, const std::string& note) override;

  void GridClear() override;
  void GridDeleteAllRows() override;
  void GridSetColumns(const std::vector<std::string>& captions) override;
  void GridAppendRows(const std::vector<DecodedRow>& rows) override;
  std::size_t GridColumnCount() override;
  std::string GridColumnCaption(std::size_t column) override;
  std::size_t GridRowCount() override;
  std::string GridCell(std::size_t row, std::size_t column) override;
  void GridShow(bool visible) override;

  void TextBoxSet(const std::string& text) override;
  void TextBoxShow(bool visible) override;
  void PageButtonShow(PageButton button, bool visible) override;
  void PageButtonEnable(PageButton button, bool enabled) override;

  void SetCaption(const std::string& text) override;
  void OutputInsertLine(std::int32_t row, const std::string& text) override;
  void OutputDeleteAll() override;
  void ShowProgress(bool visible) override;
  void RunningStateChanged(bool running) override;
  void GridSetNumericColumns(const std::vector<bool>& numeric) override;
  void SetRowStatus(const std::string& text) override;
  std::string LoadSetting(const std::string& key) override;
  void StoreSetting(const std::string& key, const std::string& value) override;
  void ShowStartPage(const std::vector<std::string>& recentFolders) override;
  void HideStartPage() override;

 private:
  template <typename Call>
  auto Forward(Call call) -> decltype(call(std::declval<UserInterface&>()));

  UserInterface& target_;
};

}  // namespace rowmender
