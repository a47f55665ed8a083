#include "app/logic/headless_ui.h"

#include <algorithm>

namespace rowmender {

void HeadlessUi::ShowMessage(const std::string& text) {
  messages.push_back(text);
}

bool HeadlessUi::AskYesNo(const std::string& text, MessageIcon) {
  messages.push_back(text);
  return questionAnswer;
}

bool HeadlessUi::RunSettingsDialog(SettingsDialog& dialog) {
  if (!settingsAnswer) return false;
  dialog.FillIn(*settingsAnswer, definitionFilesAnswer);
  return dialog.Accept(*this);
}

std::string HeadlessUi::ChooseFolder(const std::string&) {
  return folderAnswer;
}

std::string HeadlessUi::ChooseOpenFile() {
  return openFileAnswer;
}

std::string HeadlessUi::ChooseSaveFile(const SaveFileRequest&) {
  return saveFileAnswer;
}

bool HeadlessUi::ChooseExport(const std::string& title, ExportChoice& choice) {
  exportTitle = title;
  exportShown = choice;
  if (!exportAnswer) return false;
  choice = *exportAnswer;
  return true;
}

std::string HeadlessUi::LoadSetting(const std::string& key) {
  const auto found = settings.find(key);
  return found == settings.end() ? std::string() : found->second;
}

bool HeadlessUi::OpenWebAddress(const std::string& address) {
  openedAddresses.push_back(address);
  return webAddressesOpen;
}

void HeadlessUi::EndProcess(int exitCode) {
  endedWithCode = exitCode;
}

void HeadlessUi::TreeDeleteAll() {
  tree.DeleteAllItems();
  selection = kNoNode;
}

TreeNode HeadlessUi::TreeInsert(const std::string& label, int image, std::int32_t itemData,
                                TreeNode parent) {
  return tree.InsertItem(label, image, itemData, parent);
}

void HeadlessUi::TreeSelect(TreeNode node) {
  selection = tree.Contains(node) ? node : kNoNode;
}

void HeadlessUi::GridClear() {
  gridColumns.clear();
  gridRows.clear();
}

void HeadlessUi::GridSetColumns(const std::vector<std::string>& captions) {
  gridColumns = captions;
}

void HeadlessUi::GridAppendRows(const std::vector<DecodedRow>& rows) {
  gridRows.insert(gridRows.end(), rows.begin(), rows.end());
}

std::string HeadlessUi::GridColumnCaption(std::size_t column) {
  return column < gridColumns.size() ? gridColumns[column] : std::string();
}

std::string HeadlessUi::GridCell(std::size_t row, std::size_t column) {
  if (row >= gridRows.size() || column >= gridRows[row].values.size()) return {};
  return gridRows[row].values[column];
}

void HeadlessUi::PageButtonShow(PageButton button, bool visible) {
  MutableButton(button).visible = visible;
}

void HeadlessUi::PageButtonEnable(PageButton button, bool enabled) {
  MutableButton(button).enabled = enabled;
}

void HeadlessUi::OutputInsertLine(std::int32_t row, const std::string& text) {
  const auto at = std::clamp<std::int64_t>(row, 0, static_cast<std::int64_t>(outputLines.size()));
  outputLines.insert(outputLines.begin() + at, text);
}

}  // namespace rowmender
