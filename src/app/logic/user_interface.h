// The user interface as the application's behaviour sees it.
//
// `CMainFrame` drives the window only through this interface: message
// boxes and questions, the dialogs, the catalogue tree, the record grid, the
// text box, the two page buttons, the caption bar, the output pane and the
// progress indicator. The desktop window implements it with its widgets;
// the tests implement it with a recording fake and the command line with
// an in-memory one. Nothing in it belongs to a windowing library.
//
// Threads: every call is made on the user-interface thread, with one
// exception: the scan runs on a worker thread and reaches the interface
// through RunOnUiThread (UiThreadForwarder wraps that up), which returns
// only after the call has run on the user-interface thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "controls/check_tree_model.h"
#include "definitions/table_definition.h"
#include "export/table_export.h"

namespace rowmender {

class SettingsDialog;

// The caption of every message box and question.
inline constexpr const char* kProductCaption = "Rowmender v21.0";

// A catalogue tree node; kNoNode is no node (and, for TreeSelect, no
// selection).
using TreeNode = TreeNodeId;
inline constexpr TreeNode kNoNode = kNoTreeNode;

enum class MessageIcon { kInformation, kQuestion };

enum class PageButton { kPrevious, kNext };

// The save-file dialog of the CSV export.
struct SaveFileRequest {
  // Added when the chosen name has none, e.g. "csv".
  std::string defaultExtension;
  std::string suggestedName;
  // One file-type entry: its label and the pattern it lists.
  std::string filterLabel;
  std::string filterPattern;
  // The program asks no overwrite question for an existing file.
  bool confirmOverwrite = false;
};

// What the export dialog asks for: the form the tables are written in and
// the folder they are written into.
struct ExportChoice {
  ExportFormat format = ExportFormat::kSql;
  std::string folder;
};

class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // ---- Threads ----

  // Runs `call` on the user-interface thread and returns when it has
  // finished. Called from the scan's worker thread.
  virtual void RunOnUiThread(const std::function<void()>& call) = 0;

  // ---- Message boxes (caption kProductCaption) ----

  // A modal message with the information icon and an OK button.
  virtual void ShowMessage(const std::string& text) = 0;
  // A modal question with Yes and No buttons; true for Yes.
  virtual bool AskYesNo(const std::string& text, MessageIcon icon) = 0;

  // ---- Dialogs ----

  // Runs the settings dialog modally over `dialog`, whose Browse and Accept
  // operations carry the dialog's behaviour. True when it was confirmed
  // (Accept returned true); false when cancelled.
  virtual bool RunSettingsDialog(SettingsDialog& dialog) = 0;
  // The system folder browser with `title`; the chosen folder, or "" when
  // cancelled.
  virtual std::string ChooseFolder(const std::string& title) = 0;
  // A file-open dialog without type filter; the chosen file, or "".
  virtual std::string ChooseOpenFile() = 0;
  // A save-file dialog; the chosen full path (folder joined with the name
  // and its extension), or "" when cancelled.
  virtual std::string ChooseSaveFile(const SaveFileRequest& request) = 0;
  // The export dialog titled `title`, showing `choice` (the last export's,
  // or the defaults); true when confirmed, with `choice` as the user left
  // it.
  virtual bool ChooseExport(const std::string& title, ExportChoice& choice) = 0;
  virtual void ShowAbout() = 0;
  // Opens a web address or a local document with the default handler;
  // false when none could open it.
  virtual bool OpenWebAddress(const std::string& address) = 0;
  // Ends the process at once with `exitCode`.
  virtual void EndProcess(int exitCode) = 0;

  // ---- Catalogue tree ----

  virtual void TreeDeleteAll() = 0;
  // Appends a node after the last child of `parent` (kNoNode: top level).
  virtual TreeNode TreeInsert(const std::string& label, int image, std::int32_t itemData,
                              TreeNode parent) = 0;
  virtual std::int32_t TreeItemData(TreeNode node) = 0;
  virtual TreeNode TreeParent(TreeNode node) = 0;
  virtual std::string TreeLabel(TreeNode node) = 0;
  virtual std::vector<TreeNode> TreeChildren(TreeNode node) = 0;
  virtual std::size_t TreeNodeCount() = 0;
  virtual TreeNode TreeSelection() = 0;
  // Makes `node` the selection, drop-highlighted and marked selected, so a
  // refused click is visibly undone.
  virtual void TreeSelect(TreeNode node) = 0;
  virtual void TreeExpand(TreeNode node) = 0;
  // false: the tree refuses input and is drawn dimmed; true: back to normal.
  virtual void TreeSetEnabled(bool enabled) = 0;
  virtual bool TreeIsChecked(TreeNode node) = 0;
  virtual std::size_t TreeCheckedCount() = 0;
  // Marks `node` as a table read with losses or one that cannot be read,
  // with `reason` for its tooltip; TreeMark::kNone takes the mark away.
  // The mark is drawn so that it shows in every application look.
  virtual void TreeSetMark(TreeNode node, TreeMark mark, const std::string& reason) = 0;
  // A line the node's tooltip always shows (a name's on-disk form).
  virtual void TreeSetNote(TreeNode node, const std::string& note) = 0;

  // ---- Record grid ----

  // Removes every row and column.
  virtual void GridClear() = 0;
  virtual void GridDeleteAllRows() = 0;
  // Replaces the columns: one per caption, left-aligned, 200 pixels wide.
  virtual void GridSetColumns(const std::vector<std::string>& captions) = 0;
  // Appends one grid row per row, its cells in column order. A row whose
  // record is marked deleted may be drawn differently.
  virtual void GridAppendRows(const std::vector<DecodedRow>& rows) = 0;
  virtual std::size_t GridColumnCount() = 0;
  virtual std::string GridColumnCaption(std::size_t column) = 0;
  virtual std::size_t GridRowCount() = 0;
  virtual std::string GridCell(std::size_t row, std::size_t column) = 0;
  virtual void GridShow(bool visible) = 0;

  // ---- Text box (view and trigger statements) ----

  virtual void TextBoxSet(const std::string& text) = 0;
  virtual void TextBoxShow(bool visible) = 0;

  // ---- "Previous Records" and "Next Records" ----

  virtual void PageButtonShow(PageButton button, bool visible) = 0;
  virtual void PageButtonEnable(PageButton button, bool enabled) = 0;

  // ---- Status outputs ----

  // Replaces the caption bar's text.
  virtual void SetCaption(const std::string& text) = 0;
  // Inserts a line into the output pane as row `row`.
  virtual void OutputInsertLine(std::int32_t row, const std::string& text) = 0;
  virtual void OutputDeleteAll() = 0;
  // Shows (at position 0) or hides the busy indicator of the status bar.
  virtual void ShowProgress(bool visible) = 0;
  // The running guard changed: Stop is enabled exactly while it is set.
  virtual void RunningStateChanged(bool running) = 0;

  // ---- Record grid: column types, and where the rows on screen stand ----

  // After GridSetColumns: which columns hold numbers, in column order (they
  // are drawn right-aligned and sort as numbers). Front ends without a grid
  // of their own ignore it.
  virtual void GridSetNumericColumns(const std::vector<bool>& /*numeric*/) {}
  // The status bar's line on the rows on screen: their range and the
  // table's total ("" takes it away). Ignored where there is no status bar.
  virtual void SetRowStatus(const std::string& /*text*/) {}

  // ---- What is remembered between runs, and the start page ----

  // A remembered setting ("" when there is none); kept where the platform
  // keeps a program's settings. Front ends that keep nothing ignore them.
  virtual std::string LoadSetting(const std::string& /*key*/) { return {}; }
  virtual void StoreSetting(const std::string& /*key*/, const std::string& /*value*/) {}
  // The start page, shown in place of the record panel until a data folder
  // is opened: the remembered data folders, most recent first, each of which
  // opens with a click. Front ends without one ignore them.
  virtual void ShowStartPage(const std::vector<std::string>& /*recentFolders*/) {}
  virtual void HideStartPage() {}
};

}  // namespace rowmender
