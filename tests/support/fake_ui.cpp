#include "support/fake_ui.h"

namespace rowmender::testing {

namespace {

const char* ButtonName(PageButton button) {
  return button == PageButton::kPrevious ? "Previous" : "Next";
}

const char* Flag(bool value) {
  return value ? "true" : "false";
}

}  // namespace

void FakeUi::Record(std::string call) {
  std::lock_guard<std::mutex> lock(recordMutex_);
  calls_.push_back(std::move(call));
}

std::vector<std::string> FakeUi::Calls() const {
  std::lock_guard<std::mutex> lock(recordMutex_);
  return calls_;
}

void FakeUi::ClearCalls() {
  std::lock_guard<std::mutex> lock(recordMutex_);
  calls_.clear();
}

std::vector<std::string> FakeUi::CallsSince(std::size_t from) const {
  std::lock_guard<std::mutex> lock(recordMutex_);
  if (from >= calls_.size()) return {};
  return {calls_.begin() + static_cast<std::ptrdiff_t>(from), calls_.end()};
}

std::size_t FakeUi::CallCount() const {
  std::lock_guard<std::mutex> lock(recordMutex_);
  return calls_.size();
}

// ---- Threads ----

void FakeUi::RunOnUiThread(const std::function<void()>& call) {
  if (!pumpUiCalls) {
    call();
    return;
  }
  std::unique_lock<std::mutex> lock(queueMutex_);
  const std::size_t ticket = ++queued_;
  queue_.push_back(&call);
  queueChanged_.notify_all();
  queueChanged_.wait(lock, [&] { return finished_ >= ticket; });
}

std::size_t FakeUi::Pump(std::chrono::milliseconds wait) {
  std::size_t ran = 0;
  for (;;) {
    const std::function<void()>* call = nullptr;
    {
      std::unique_lock<std::mutex> lock(queueMutex_);
      if (!queueChanged_.wait_for(lock, wait, [&] { return !queue_.empty(); })) return ran;
      call = queue_.front();
      queue_.pop_front();
    }
    (*call)();
    {
      std::lock_guard<std::mutex> lock(queueMutex_);
      ++finished_;
    }
    queueChanged_.notify_all();
    ++ran;
  }
}

bool FakeUi::PumpUntil(const std::function<bool()>& predicate, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!predicate()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    const std::function<void()>* call = nullptr;
    {
      std::unique_lock<std::mutex> lock(queueMutex_);
      if (!queueChanged_.wait_for(lock, std::chrono::milliseconds(20),
                                  [&] { return !queue_.empty(); })) {
        continue;
      }
      call = queue_.front();
      queue_.pop_front();
    }
    (*call)();
    {
      std::lock_guard<std::mutex> lock(queueMutex_);
      ++finished_;
    }
    queueChanged_.notify_all();
  }
  return true;
}

void FakeUi::PumpUntilScanEnds(CMainFrame& frame) {
  while (frame.ScanActive())
    Pump(std::chrono::milliseconds(5));
  frame.WaitForScan();
}

int FakeUi::ClickLabel(CMainFrame& frame, TreeNode node) {
  selection = node;
  Record("ClickLabel(" + tree.GetItemText(node) + ")");
  return frame.OnTreeSelect(node);
}

TreeNode FakeUi::FindNode(const std::vector<std::string>& labels) const {
  TreeNode current = kNoNode;
  for (const auto& label : labels) {
    TreeNode found = kNoNode;
    for (TreeNode child : tree.Children(current)) {
      if (tree.GetItemText(child) == label) {
        found = child;
        break;
      }
    }
    if (found == kNoNode) return kNoNode;
    current = found;
  }
  return current;
}

// ---- Recorded calls ----

void FakeUi::ShowMessage(const std::string& text) {
  Record("ShowMessage(" + text + ")");
  HeadlessUi::ShowMessage(text);
}

bool FakeUi::AskYesNo(const std::string& text, MessageIcon icon) {
  bool answer = questionAnswer;
  if (!yesNoAnswers.empty()) {
    answer = yesNoAnswers.front();
    yesNoAnswers.pop_front();
  }
  Record(std::string("AskYesNo(") + text + ") -> " + (answer ? "Yes" : "No"));
  messages.push_back(text);
  (void)icon;
  return answer;
}

bool FakeUi::RunSettingsDialog(SettingsDialog& dialog) {
  Record("RunSettingsDialog");
  settingsDefaults = {dialog.dataFolder, dialog.temporaryFolder, dialog.logFolder};
  settingsRecentFolders = dialog.recentDataFolders;
  while (!settingsAttempts.empty()) {
    const RunFolders attempt = settingsAttempts.front();
    settingsAttempts.pop_front();
    dialog.dataFolder = attempt.databasePath;
    dialog.temporaryFolder = attempt.temporaryPath;
    dialog.logFolder = attempt.logFolder;
    if (dialog.Accept(*this)) return true;
  }
  return false;
}

std::string FakeUi::ChooseFolder(const std::string& title) {
  std::string answer = folderAnswer;
  if (!folderAnswers.empty()) {
    answer = folderAnswers.front();
    folderAnswers.pop_front();
  }
  Record("ChooseFolder(" + title + ") -> " + answer);
  return answer;
}

std::string FakeUi::ChooseOpenFile() {
  std::string answer = openFileAnswer;
  if (!openFileAnswers.empty()) {
    answer = openFileAnswers.front();
    openFileAnswers.pop_front();
  }
  Record("ChooseOpenFile -> " + answer);
  return answer;
}

std::string FakeUi::ChooseSaveFile(const SaveFileRequest& request) {
  lastSaveRequest = request;
  std::string answer = saveFileAnswer;
  if (!saveFileAnswers.empty()) {
    answer = saveFileAnswers.front();
    saveFileAnswers.pop_front();
  }
  Record("ChooseSaveFile(" + request.suggestedName + ") -> " + answer);
  return answer;
}

void FakeUi::ShowAbout() {
  Record("ShowAbout");
}

bool FakeUi::OpenWebAddress(const std::string& address) {
  Record("OpenWebAddress(" + address + ")");
  return HeadlessUi::OpenWebAddress(address);
}

void FakeUi::EndProcess(int exitCode) {
  Record("EndProcess(" + std::to_string(exitCode) + ")");
  HeadlessUi::EndProcess(exitCode);
}

void FakeUi::TreeDeleteAll() {
  Record("TreeDeleteAll");
  HeadlessUi::TreeDeleteAll();
}

TreeNode FakeUi::TreeInsert(const std::string& label, int image, std::int32_t itemData,
                            TreeNode parent) {
  Record("TreeInsert(" + label + ", " + std::to_string(image) + ", " + std::to_string(itemData) +
         ", " + tree.GetItemText(parent) + ")");
  return HeadlessUi::TreeInsert(label, image, itemData, parent);
}

void FakeUi::TreeSelect(TreeNode node) {
  Record("TreeSelect(" + tree.GetItemText(node) + ")");
  HeadlessUi::TreeSelect(node);
}

void FakeUi::TreeExpand(TreeNode node) {
  Record("TreeExpand(" + tree.GetItemText(node) + ")");
  HeadlessUi::TreeExpand(node);
}

void FakeUi::TreeSetEnabled(bool enabled) {
  Record(std::string("TreeSetEnabled(") + Flag(enabled) + ")");
  HeadlessUi::TreeSetEnabled(enabled);
}

void FakeUi::TreeSetMark(TreeNode node, TreeMark mark, const std::string& reason) {
  const char* name = mark == TreeMark::kLosses       ? "losses"
                     : mark == TreeMark::kUnreadable ? "unreadable"
                                                     : "none";
  Record("TreeSetMark(" + tree.GetItemText(node) + ", " + name + ", " + reason + ")");
  HeadlessUi::TreeSetMark(node, mark, reason);
}

void FakeUi::GridClear() {
  Record("GridClear");
  HeadlessUi::GridClear();
}

void FakeUi::GridDeleteAllRows() {
  Record("GridDeleteAllRows");
  HeadlessUi::GridDeleteAllRows();
}

void FakeUi::GridSetColumns(const std::vector<std::string>& captions) {
  Record("GridSetColumns(" + std::to_string(captions.size()) + ")");
  HeadlessUi::GridSetColumns(captions);
}

void FakeUi::GridAppendRows(const std::vector<DecodedRow>& rows) {
  Record("GridAppendRows(" + std::to_string(rows.size()) + ")");
  HeadlessUi::GridAppendRows(rows);
}

void FakeUi::GridShow(bool visible) {
  Record(std::string("GridShow(") + Flag(visible) + ")");
  HeadlessUi::GridShow(visible);
}

void FakeUi::TextBoxSet(const std::string& text) {
  Record("TextBoxSet(" + text + ")");
  HeadlessUi::TextBoxSet(text);
}

void FakeUi::TextBoxShow(bool visible) {
  Record(std::string("TextBoxShow(") + Flag(visible) + ")");
  HeadlessUi::TextBoxShow(visible);
}

void FakeUi::PageButtonShow(PageButton button, bool visible) {
  Record(std::string("PageButtonShow(") + ButtonName(button) + ", " + Flag(visible) + ")");
  HeadlessUi::PageButtonShow(button, visible);
}

void FakeUi::PageButtonEnable(PageButton button, bool enabled) {
  Record(std::string("PageButtonEnable(") + ButtonName(button) + ", " + Flag(enabled) + ")");
  HeadlessUi::PageButtonEnable(button, enabled);
}

void FakeUi::SetCaption(const std::string& text) {
  Record("SetCaption(" + text + ")");
  HeadlessUi::SetCaption(text);
}

void FakeUi::OutputInsertLine(std::int32_t row, const std::string& text) {
  Record("OutputInsertLine(" + std::to_string(row) + ", " + text + ")");
  HeadlessUi::OutputInsertLine(row, text);
}

void FakeUi::OutputDeleteAll() {
  Record("OutputDeleteAll");
  HeadlessUi::OutputDeleteAll();
}

void FakeUi::ShowProgress(bool visible) {
  Record(std::string("ShowProgress(") + Flag(visible) + ")");
  HeadlessUi::ShowProgress(visible);
}

void FakeUi::RunningStateChanged(bool isRunning) {
  Record(std::string("RunningStateChanged(") + Flag(isRunning) + ")");
  HeadlessUi::RunningStateChanged(isRunning);
}

}  // namespace rowmender::testing
