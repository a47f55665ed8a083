// The main window: the ribbon with the commands, the caption bar, the
// docking panes "MySQL Database Objects" (the catalogue tree, left) and
// "Output" (right), the record panel in the middle and the status bar with
// the busy indicator.
//
// The window holds no behaviour of its own: it owns the application's
// CMainFrame, hands it every command, tree label click and page button, and
// implements the UserInterface through which CMainFrame drives it. Calls
// that arrive from the scan's worker thread are carried out on the
// window's thread, and the worker waits for them.
#pragma once

#include <QAction>
#include <QDockWidget>
#include <QMainWindow>
#include <QPointer>
#include <QStackedWidget>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/application_state.h"
#include "app/gui/application_look.h"
#include "app/logic/main_frame.h"
#include "app/logic/settings_dialog.h"
#include "app/logic/user_interface.h"
#include "controls/gui/value_viewer.h"

namespace rowmender {

class CMyCaptionBar;
class CRibbonBar;
class CRibbonStatusBarCls;
class CTarnListCtrl;
class CTarnStatic;
class CXHtmlTree;
class StartPage;

// Answers for a window that must not wait for a user: the screenshot mode
// and the widget tests. While the window has them, no dialog or message box
// is shown; every message is recorded instead.
struct ScriptedAnswers {
  // The folders the settings dialog is confirmed with; nothing cancels it.
  std::optional<RunFolders> settings;
  bool questionAnswer = false;
  std::string folderAnswer;
  std::string openFileAnswer;
  std::string saveFileAnswer;
  // The export dialog is confirmed with this; nothing cancels it.
  std::optional<ExportChoice> exportAnswer;
  // What the export dialog showed, the last time it opened.
  std::optional<ExportChoice> exportShown;
  // The remembered settings, in place of the platform's (so that a
  // scripted window never changes a user's).
  std::map<std::string, std::string> remembered;
  // What the window would have shown, in order.
  std::vector<std::string> messages;
  std::vector<std::string> openedAddresses;
  int aboutShown = 0;
  std::optional<int> endedWithCode;
};

class CMainWindow : public QMainWindow, public UserInterface {
  Q_OBJECT

 public:
  struct Options {
    bool showSplash = true;
    std::uint32_t look = kDefaultLook;
    // Answers from the start (the window's first state reads remembered
    // settings); as SetScriptedAnswers.
    ScriptedAnswers* answers = nullptr;
  };

  CMainWindow(CTarnSalvorProjApp& application, const Options& options);
  ~CMainWindow() override;

  CMainFrame& Frame() { return frame_; }
  CXHtmlTree* Tree() const { return tree_; }
  CTarnStatic* RecordPanel() const { return panel_; }
  // Shown in the middle of the window until a data folder is opened.
  StartPage* StartPageWidget() const { return startPage_; }
  // The start page or the record panel, whichever shows.
  QWidget* MiddleWidget() const { return middle_->currentWidget(); }
  CTarnListCtrl* OutputList() const { return output_; }
  CMyCaptionBar* CaptionBar() const { return captionBar_; }
  CRibbonBar* Ribbon() const { return ribbon_; }
  CRibbonStatusBarCls* StatusBar() const { return statusBar_; }
  QDockWidget* TreePane() const { return treePane_; }
  QDockWidget* OutputPane() const { return outputPane_; }

  QAction* OpenAction() const { return open_; }
  QAction* StopAction() const { return stop_; }
  QAction* SaveAction() const { return save_; }
  QAction* CsvAction() const { return csv_; }
  QAction* ExportTableAction() const { return exportTable_; }
  QAction* ExportCheckedAction() const { return exportChecked_; }
  QAction* CreateTableAction() const { return createTable_; }
  QAction* HelpAction() const { return help_; }
  QAction* AboutAction() const { return about_; }
  QAction* CloseAction() const { return close_; }
  QAction* PreviousPageAction() const { return previousPage_; }
  QAction* NextPageAction() const { return nextPage_; }

  // While set (not owned), dialogs and message boxes answer from it.
  void SetScriptedAnswers(ScriptedAnswers* answers) { answers_ = answers; }

  // The node named by `path`: labels below the data folder node separated
  // by '/', such as "sakila/Tables/actor/Keys". kNoNode when there is none.
  TreeNode FindNode(const std::string& path) const;
  // Selects `node` and hands it to the selection handler, as a click on its
  // label does. Returns the handler's answer.
  int ClickNode(TreeNode node);
  // The value viewer opened last (null once it is closed).
  ValueViewerDialog* ValueViewer() const { return valueViewer_; }
  // Opens the value viewer on the grid's cell at `row` and `column`, as
  // Enter or a double click on it does.
  void ViewValue(int row, int column);

  // Runs the event loop until the scan has ended; false after `timeoutMs`.
  bool WaitForScanEnd(int timeoutMs);

  // ---- UserInterface ----

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

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QAction* MakeAction(const char* name, const char* text, const char* image, const char* tip);
  void BuildActions();
  void BuildRibbon(const ApplicationLook& look);
  void BuildPanes();
  void ShowSplash();
  void PressPageButton(PageButton button);
  void UpdatePageButtons();

  CTarnSalvorProjApp& app_;
  CRibbonBar* ribbon_ = nullptr;
  CMyCaptionBar* captionBar_ = nullptr;
  CRibbonStatusBarCls* statusBar_ = nullptr;
  QDockWidget* treePane_ = nullptr;
  QDockWidget* outputPane_ = nullptr;
  CXHtmlTree* tree_ = nullptr;
  CTarnListCtrl* output_ = nullptr;
  CTarnStatic* panel_ = nullptr;
  StartPage* startPage_ = nullptr;
  QStackedWidget* middle_ = nullptr;

  QAction* open_ = nullptr;
  QAction* stop_ = nullptr;
  QAction* save_ = nullptr;
  QAction* csv_ = nullptr;
  QAction* exportTable_ = nullptr;
  QAction* exportChecked_ = nullptr;
  QAction* createTable_ = nullptr;
  QAction* help_ = nullptr;
  QAction* about_ = nullptr;
  QAction* close_ = nullptr;
  QAction* previousPage_ = nullptr;
  QAction* nextPage_ = nullptr;

  // Hands the frame its idle calls (a finished row count).
  QTimer* idle_ = nullptr;
  QPointer<ValueViewerDialog> valueViewer_;
  ScriptedAnswers* answers_ = nullptr;
  // Whether the application layer shows "Previous Records" and "Next
  // Records"; they appear only while the grid does.
  bool pageButtonShown_[2] = {false, false};
  // After EndProcess the window lets itself be closed.
  bool ending_ = false;
  // Declared last: built after the widgets it drives, destroyed first.
  CMainFrame frame_;
};

}  // namespace rowmender
