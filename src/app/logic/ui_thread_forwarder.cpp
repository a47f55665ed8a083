#include "app/logic/ui_thread_forwarder.h"

#include <type_traits>
#include <utility>

namespace rowmender {

template <typename Call>
auto UiThreadForwarder::Forward(Call call) -> decltype(call(std::declval<UserInterface&>())) {
  using Result = decltype(call(std::declval<UserInterface&>()));
  if constexpr (std::is_void_v<Result>) {
    target_.RunOnUiThread([&] { call(target_); });
  } else {
    Result result{};
    target_.RunOnUiThread([&] { result = call(target_); });
    return result;
  }
}

void UiThreadForwarder::RunOnUiThread(const std::function<void()>& call) {
  target_.RunOnUiThread(call);
}

void UiThreadForwarder::ShowMessage(const std::string& text) {
  Forward([&](UserInterface& ui) { ui.ShowMessage(text); });
}
bool UiThreadForwarder::AskYesNo(const std::string& text, MessageIcon icon) {
  return Forward([&](UserInterface& ui) { return ui.AskYesNo(text, icon); });
}
bool UiThreadForwarder::RunSettingsDialog(SettingsDialog& dialog) {
  return Forward([&](UserInterface& ui) { return ui.RunSettingsDialog(dialog); });
}
std::string UiThreadForwarder::ChooseFolder(const std::string& title) {
  return Forward([&](UserInterface& ui) { return ui.ChooseFolder(title); });
}
std::string UiThreadForwarder::ChooseOpenFile() {
  return Forward([&](UserInterface& ui) { return ui.ChooseOpenFile(); });
}
std::string UiThreadForwarder::ChooseSaveFile(const SaveFileRequest& request) {
  return Forward([&](UserInterface& ui) { return ui.ChooseSaveFile(request); });
}
bool UiThreadForwarder::ChooseExport(const std::string& title, ExportChoice& choice) {
  return Forward([&](UserInterface& ui) { return ui.ChooseExport(title, choice); });
}
void UiThreadForwarder::ShowAbout() {
  Forward([&](UserInterface& ui) { ui.ShowAbout(); });
}
bool UiThreadForwarder::OpenWebAddress(const std::string& address) {
  return Forward([&](UserInterface& ui) { return ui.OpenWebAddress(address); });
}
void UiThreadForwarder::EndProcess(int exitCode) {
  Forward([&](UserInterface& ui) { ui.EndProcess(exitCode); });
}

void UiThreadForwarder::TreeDeleteAll() {
  Forward([&](UserInterface& ui) { ui.TreeDeleteAll(); });
}
TreeNode UiThreadForwarder::TreeInsert(const std::string& label, int image, std::int32_t itemData,
                                       TreeNode parent) {
  return Forward([&](UserInterface& ui) { return ui.TreeInsert(label, image, itemData, parent); });
}
std::int32_t UiThreadForwarder::TreeItemData(TreeNode node) {
  return Forward([&](UserInterface& ui) { return ui.TreeItemData(node); });
}
TreeNode UiThreadForwarder::TreeParent(TreeNode node) {
  return Forward([&](UserInterface& ui) { return ui.TreeParent(node); });
}
std::string UiThreadForwarder::TreeLabel(TreeNode node) {
  return Forward([&](UserInterface& ui) { return ui.TreeLabel(node); });
}
std::vector<TreeNode> UiThreadForwarder::TreeChildren(TreeNode node) {
  return Forward([&](UserInterface& ui) { return ui.TreeChildren(node); });
}
std::size_t UiThreadForwarder::TreeNodeCount() {
  return Forward([&](UserInterface& ui) { return ui.TreeNodeCount(); });
}
TreeNode UiThreadForwarder::TreeSelection() {
  return Forward([&](UserInterface& ui) { return ui.TreeSelection(); });
}
void UiThreadForwarder::TreeSelect(TreeNode node) {
  Forward([&](UserInterface& ui) { ui.TreeSelect(node); });
}
void UiThreadForwarder::TreeExpand(TreeNode node) {
  Forward([&](UserInterface& ui) { ui.TreeExpand(node); });
}
void UiThreadForwarder::TreeSetEnabled(bool enabled) {
  Forward([&](UserInterface& ui) { ui.TreeSetEnabled(enabled); });
}
bool UiThreadForwarder::TreeIsChecked(TreeNode node) {
  return Forward([&](UserInterface& ui) { return ui.TreeIsChecked(node); });
}
std::size_t UiThreadForwarder::TreeCheckedCount() {
  return Forward([&](UserInterface& ui) { return ui.TreeCheckedCount(); });
}

void UiThreadForwarder::TreeSetMark(TreeNode node, TreeMark mark, const std::string& reason) {
  Forward([&](UserInterface& ui) { ui.TreeSetMark(node, mark, reason); });
}

void UiThreadForwarder::TreeSetNote(TreeNode node, const std::string& note) {
  Forward([&](UserInterface& ui) { ui.TreeSetNote(node, note); });
}

void UiThreadForwarder::GridClear() {
  Forward([&](UserInterface& ui) { ui.GridClear(); });
}
void UiThreadForwarder::GridDeleteAllRows() {
  Forward([&](UserInterface& ui) { ui.GridDeleteAllRows(); });
}
void UiThreadForwarder::GridSetColumns(const std::vector<std::string>& captions) {
  Forward([&](UserInterface& ui) { ui.GridSetColumns(captions); });
}
void UiThreadForwarder::GridAppendRows(const std::vector<DecodedRow>& rows) {
  Forward([&](UserInterface& ui) { ui.GridAppendRows(rows); });
}
std::size_t UiThreadForwarder::GridColumnCount() {
  return Forward([&](UserInterface& ui) { return ui.GridColumnCount(); });
}
std::string UiThreadForwarder::GridColumnCaption(std::size_t column) {
  return Forward([&](UserInterface& ui) { return ui.GridColumnCaption(column); });
}
std::size_t UiThreadForwarder::GridRowCount() {
  return Forward([&](UserInterface& ui) { return ui.GridRowCount(); });
}
std::string UiThreadForwarder::GridCell(std::size_t row, std::size_t column) {
  return Forward([&](UserInterface& ui) { return ui.GridCell(row, column); });
}
void UiThreadForwarder::GridShow(bool visible) {
  Forward([&](UserInterface& ui) { ui.GridShow(visible); });
}

void UiThreadForwarder::TextBoxSet(const std::string& text) {
  Forward([&](UserInterface& ui) { ui.TextBoxSet(text); });
}
void UiThreadForwarder::TextBoxShow(bool visible) {
  Forward([&](UserInterface& ui) { ui.TextBoxShow(visible); });
}
void UiThreadForwarder::PageButtonShow(PageButton button, bool visible) {
  Forward([&](UserInterface& ui) { ui.PageButtonShow(button, visible); });
}
void UiThreadForwarder::PageButtonEnable(PageButton button, bool enabled) {
  Forward([&](UserInterface& ui) { ui.PageButtonEnable(button, enabled); });
}

void UiThreadForwarder::SetCaption(const std::string& text) {
  Forward([&](UserInterface& ui) { ui.SetCaption(text); });
}
void UiThreadForwarder::OutputInsertLine(std::int32_t row, const std::string& text) {
  Forward([&](UserInterface& ui) { ui.OutputInsertLine(row, text); });
}
void UiThreadForwarder::OutputDeleteAll() {
  Forward([&](UserInterface& ui) { ui.OutputDeleteAll(); });
}
void UiThreadForwarder::ShowProgress(bool visible) {
  Forward([&](UserInterface& ui) { ui.ShowProgress(visible); });
}
void UiThreadForwarder::RunningStateChanged(bool running) {
  Forward([&](UserInterface& ui) { ui.RunningStateChanged(running); });
}

void UiThreadForwarder::GridSetNumericColumns(const std::vector<bool>& numeric) {
  Forward([&](UserInterface& ui) { ui.GridSetNumericColumns(numeric); });
}
void UiThreadForwarder::SetRowStatus(const std::string& text) {
  Forward([&](UserInterface& ui) { ui.SetRowStatus(text); });
}
std::string UiThreadForwarder::LoadSetting(const std::string& key) {
  return Forward([&](UserInterface& ui) { return ui.LoadSetting(key); });
}
void UiThreadForwarder::StoreSetting(const std::string& key, const std::string& value) {
  Forward([&](UserInterface& ui) { ui.StoreSetting(key, value); });
}
void UiThreadForwarder::ShowStartPage(const std::vector<std::string>& recentFolders) {
  Forward([&](UserInterface& ui) { ui.ShowStartPage(recentFolders); });
}
void UiThreadForwarder::HideStartPage() {
  Forward([&](UserInterface& ui) { ui.HideStartPage(); });
}

}  // namespace rowmender
