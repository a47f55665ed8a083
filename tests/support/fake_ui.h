// A recording user interface for the tests: it keeps what a window would
// show (through HeadlessUi), records every call in order, and answers the
// dialogs and questions from scripts.
//
// Threads: by default a call from the scan's worker thread runs at once on
// that thread (the test waits for the scan). With `pumpUiCalls` set, the
// worker's calls queue up instead and run only when the test thread pumps
// them, as a window's event loop would; meanwhile the test can issue
// commands and clicks while the scan is in the middle of its work.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "app/logic/headless_ui.h"
#include "app/logic/main_frame.h"

namespace rowmender::testing {

class FakeUi : public HeadlessUi {
 public:
  // ---- Scripts (used front to back; an empty script falls back to the
  // HeadlessUi answer) ----

  std::deque<bool> yesNoAnswers;
  // Each entry is one press of OK with these edit texts; when the entries
  // run out the dialog is cancelled.
  std::deque<RunFolders> settingsAttempts;
  std::deque<std::string> folderAnswers;
  std::deque<std::string> openFileAnswers;
  std::deque<std::string> saveFileAnswers;

  // The defaults the last settings dialog opened with.
  RunFolders settingsDefaults;
  // ... and the recent data folders it listed.
  std::vector<std::string> settingsRecentFolders;
  SaveFileRequest lastSaveRequest;

  // ---- The record ----

  // Every call, in order, e.g. "ShowMessage(Please wait for the running
  // process.)".
  std::vector<std::string> Calls() const;
  void ClearCalls();
  // The calls recorded since `from`.
  std::vector<std::string> CallsSince(std::size_t from) const;
  std::size_t CallCount() const;

  // ---- Driving ----

  bool pumpUiCalls = false;

  // Runs queued worker calls until none arrives within `wait`; returns how
  // many ran.
  std::size_t Pump(std::chrono::milliseconds wait = std::chrono::milliseconds(50));
  // Runs worker calls until `frame`'s scan has ended, then reaps its thread.
  void PumpUntilScanEnds(CMainFrame& frame);
  // Runs worker calls until one arrives that has made `predicate` true.
  bool PumpUntil(const std::function<bool()>& predicate,
                 std::chrono::milliseconds limit = std::chrono::seconds(20));

  // A label click: the tree selects the node and reports it.
  int ClickLabel(CMainFrame& frame, TreeNode node);
  // The node reached from the top level through these labels; kNoNode when
  // there is none.
  TreeNode FindNode(const std::vector<std::string>& labels) const;

  // ---- UserInterface (recorded) ----

  void RunOnUiThread(const std::function<void()>& call) override;
  void ShowMessage(const std::string& text) override;
  bool AskYesNo(const std::string& text, MessageIcon icon) override;
  bool RunSettingsDialog(SettingsDialog& dialog) override;
  std::string ChooseFolder(const std::string& title) override;
  std::string ChooseOpenFile() override;
  std::string ChooseSaveFile(const SaveFileRequest& request) override;
  void ShowAbout() override;
  bool OpenWebAddress(const std::string& address) override;
  void EndProcess(int exitCode) override;
  void TreeDeleteAll() override;
  TreeNode TreeInsert(const std::string& label, int image, std::int32_t itemData,
                      TreeNode parent) override;
  void TreeSelect(TreeNode node) override;
  void TreeExpand(TreeNode node) override;
  void TreeSetEnabled(bool enabled) override;
  void TreeSetMark(TreeNode node, TreeMark mark, const std::string& reason) override;
  void GridClear() override;
  void GridDeleteAllRows() override;
  void GridSetColumns(const std::vector<std::string>& captions) override;
  void GridAppendRows(const std::vector<DecodedRow>& rows) override;
  void GridShow(bool visible) override;
  void TextBoxSet(const std::string& text) override;
  void TextBoxShow(bool visible) override;
  void PageButtonShow(PageButton button, bool visible) override;
  void PageButtonEnable(PageButton button, bool enabled) override;
  void SetCaption(const std::string& text) override;
  void OutputInsertLine(std::int32_t row, const std::string& text) override;
  void OutputDeleteAll() override;
  void ShowProgress(bool visible) override;
  void RunningStateChanged(bool isRunning) override;

 private:
  void Record(std::string call);

  mutable std::mutex recordMutex_;
  std::vector<std::string> calls_;

  std::mutex queueMutex_;
  std::condition_variable queueChanged_;
  std::deque<const std::function<void()>*> queue_;
  std::size_t finished_ = 0;
  std::size_t queued_ = 0;
};

}  // namespace rowmender::testing
