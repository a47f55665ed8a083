// The main window's behaviour: the commands (Open and the start page's
// recent folders, Stop, Save, Export table and Export checked, CSV export,
// CREATE TABLE, Help, About, Close), the catalogue tree's selection
// handler, the record paging commands, the scan of the data folder and the
// export on worker threads, the catalogue lists and the one RecoveryEngine.
//
// It drives the window only through UserInterface. Every command and
// handler runs on the user-interface thread; the scan runs on a worker
// thread whose interface calls are carried to the user-interface thread.
//
// The running guard: `processRunning` of the application object is set
// while a scan, a selection or a page load runs, and every command and tree
// click answers with its fixed message meanwhile. Stop clears it, but the
// scan thread keeps the engine and the catalogue lists until it has ended:
// it gives up at the next database folder or before loading the dictionary,
// and until then the commands and clicks stay refused, so the engine and
// the lists are never used by two threads at once.
#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "app/application_state.h"
#include "app/logic/export_run.h"
#include "app/logic/log_writer.h"
#include "app/logic/recovery_engine.h"
#include "app/logic/user_interface.h"
#include "catalogue/catalogue_lists.h"
#include "catalogue/definition_sources.h"
#include "export/save/save_objects.h"
#include "export/server_connection.h"
#include "preview/record_pages.h"
#include "preview/table_rereads.h"

namespace rowmender {

// The system's texts.
inline constexpr const char* kWaitMessage = "Please wait for the running process.";
inline constexpr const char* kManualMissingMessage =
    "The user manual (manual.html) was not found beside the program nor in its documentation "
    "folder.";
inline constexpr const char* kNoManualViewerMessage =
    "No program to show the user manual was found. Open it in a web browser: ";
inline constexpr const char* kNoTableForStatementMessage =
    "Select a table in the tree to see its CREATE TABLE statement.";
inline constexpr const char* kCreateTableCaptionSuffix = " - CREATE TABLE";
inline constexpr const char* kStopFirstMessage =
    "Please stop the running process to continue the process.";
inline constexpr const char* kStopQuestion = "Are you sure to stop the running process?";
inline constexpr const char* kNothingCheckedMessage =
    "Nothing is checked to save. Check the tables, views or databases to save in the tree, "
    "then choose Save MySQL Data again.";
inline constexpr const char* kCloseWhileRunningMessage =
    "Please stop the running process to close the application.";
inline constexpr const char* kCloseQuestion = "Do you want to close the application?";
inline constexpr const char* kLogPathMessage = "Log file path : ";
inline constexpr const char* kStartCaption =
    "Select MySQL database file to continue the recovery process.";
inline constexpr const char* kStartOutputLine =
    "select database file to continue the recovery process.";
inline constexpr const char* kNoMoreRecordsMessage = "No more records in table";
inline constexpr const char* kLogCannotBeCreatedMessage = "Log file cannot be created: ";
// Export table... and Export checked...
inline constexpr const char* kExportTableTitle = "Export table ";
inline constexpr const char* kExportCheckedTitle = "Export checked tables";
inline constexpr const char* kNoTableToExportMessage =
    "Select a table in the tree to export it, or check tables and choose Export checked.";
inline constexpr const char* kNothingCheckedToExportMessage =
    "No table is checked to export. Check the tables or databases to export in the tree, then "
    "choose Export checked again.";
inline constexpr const char* kNoExportFolderMessage = "Please choose the folder to export into.";
inline constexpr const char* kExportFolderInDataFolderMessage =
    "The export folder lies in the data folder, which is never written. Please choose another "
    "folder.";
inline constexpr const char* kExportCompleteMessage = "The tables have been exported.";
inline constexpr const char* kExportIncompleteMessage =
    "The export is not complete. The output pane and the log file name what could not be "
    "exported.";
inline constexpr const char* kExportStoppedMessage = "The export was stopped.";
inline constexpr const char* kExportStoppingCaption = "Stopping the export...";
inline constexpr const char* kExportCannotStartMessage = "The export could not be started.";
// Export CSV's message after the file is written.
inline constexpr const char* kCsvSavedMessage = "File saved successfully.";
// The exit code of the Close command (all bits set).
inline constexpr int kCloseExitCode = -1;

// The bytes Export CSV writes for what the record grid shows: its column
// captions and its rows.
std::string GridCsvBytes(UserInterface& ui);

class CMainFrame {
 public:
  CMainFrame(CTarnSalvorProjApp& application, UserInterface& userInterface);
  // Asks a running scan to stop and waits for it. The front end must keep
  // carrying out the scan's interface calls until ScanActive() is false
  // before it destroys the frame.
  ~CMainFrame();
  CMainFrame(const CMainFrame&) = delete;
  CMainFrame& operator=(const CMainFrame&) = delete;

  // The window's first state: the start caption, the progress indicator
  // hidden, the first output line, no log file.
  void Initialize();

  // ---- Commands ----

  // The settings dialog, then the scan of the chosen data folder on a
  // worker thread; returns once the worker has started.
  void OnOpen();
  // After a Yes to its question, clears the running guard and asks a
  // running scan to give up.
  void OnStop();
  // The Save command's first check; with checked nodes it hands over to
  // `saveCheckedTables`.
  void OnSaveData();
  void OnHelp();
  void OnAbout();
  // Writes the record grid on screen to a CSV file the user names.
  void OnExportCsv();
  // Export table...: every row of the selected table (its own node or its
  // keys node), and Export checked...: every checked table, written as SQL,
  // TSV or CSV into the folder the export dialog names, one file per table,
  // on a worker thread. The running guard is held meanwhile, the caption
  // follows the export and Stop ends it; OnIdle reports each table as it is
  // done and closes the export with its message.
  void OnExportTable();
  void OnExportChecked();
  // Opens `folder` as Open with it confirmed would, with the temporary and
  // log folders remembered from the last Open (the start page's list).
  void OnOpenRecent(const std::string& folder);
  // Asks, then closes the table files, shows the log path, opens the
  // closing page and ends the process.
  void OnClose();

  // ---- Tree and record panel ----

  // A label click on `node` (the tree has already selected it). Returns 0
  // when refused, 1 otherwise.
  int OnTreeSelect(TreeNode node);
  int OnNextRecords();
  int OnPreviousRecords();
  // Shows the CREATE TABLE statement a save writes for the table of the
  // selected node (the table's or its keys node) in the text box, where it
  // can be selected and copied, with the keys the save leaves out as
  // comments. Returns 0 when no table is selected.
  int OnShowCreateTable();
  // Called by the front end now and then (a timer; cheap): shows the
  // table's total in the row status once its count has finished, and how
  // far a running export has come.
  void OnIdle();
  // An export is running (until OnIdle has closed it).
  bool ExportRunning() const { return exportRun_ != nullptr; }
  // The table's rows are being counted on a worker thread.
  bool RowCountRunning() const { return rowCounter_ != nullptr; }
  // What reading the whole value of the cell at `column` of the row at
  // `pageRow` of the page on screen (its place among the grid's rows as
  // they were read) needs; nothing when no table's rows are on screen or
  // the work is running.
  std::optional<WholeValueRequest> WholeValueRequestFor(std::size_t pageRow,
                                                        std::size_t column) const;
  // The table's total, once known (counted, or the last page reached).
  const std::optional<RowTotal>& KnownRowTotal() const { return rowTotal_; }

  // ---- State ----

  // Stop is enabled exactly while this holds.
  bool StopEnabled() const { return app.processRunning.load() != 0; }
  // The scan thread has started and not yet finished.
  bool ScanActive() const { return scanActive_.load(); }
  // Asks a running scan to give up at its next database folder (and to
  // skip the dictionary), without asking the user and without touching the
  // guard; for a front end that is closing down.
  void RequestScanStop() { stopRequested_ = true; }
  // Waits until the scan thread has ended (the interface calls it makes
  // must be carried out meanwhile).
  void WaitForScan();

  CTarnSalvorProjApp& app;
  UserInterface& ui;
  RecoveryEngine engine;
  CatalogueLists catalogue;
  // The node whose selection was last accepted.
  TreeNode selectedNode = kNoNode;

  // Paging: rows placed in the grid so far and the row range shown in the
  // caption (the pager keeps where the page on screen was loaded from).
  std::int64_t rowsLoaded = 0;
  std::int64_t firstRowShown = 0;
  std::int64_t lastRowShown = 0;
  // Why the rows of the table selected last cannot be read (empty when
  // they can, or no table is selected); also in the output pane.
  std::string tableProblem;

  // Database mode's connection (none until a save opens one).
  std::unique_ptr<ServerConnection> serverConnection;
  LogWriter log;

  // Opened by Help and by Close; nothing is opened while empty.
  std::string helpAddress;
  std::string closingAddress;
  // The Save command with at least one checked node.
  std::function<void(CMainFrame&)> saveCheckedTables;
  // The time an Open names its log file after.
  std::function<std::time_t()> clock = [] { return std::time(nullptr); };
  // Without it, Open writes no log file (the command line).
  bool writeLogFile = true;
  // Count the rows of a table shown, on a worker thread, for the total of
  // the row status; the command line shows no total and counts nothing.
  bool countRows = true;
  // Read a table's data file that does not seem to belong to it rather
  // than refuse it (the command line's --read-mismatched).
  bool readMismatchedFiles = false;

  // Where the table at 0-based position `index` of the catalogue is, and
  // its definition.
  TableLocation LocationOf(std::size_t index) const;

 private:
  // True (after showing `message`) when work is running.
  bool RefuseWhileBusy(const char* message);
  bool Busy() const;
  void SetRunning(bool running);

  void AddOutputLine(UserInterface& target, const std::string& text);
  bool OpenLog();

  // Clears the catalogue and scans the folders `dialog` was confirmed
  // with on a worker thread.
  void StartScan(const SettingsDialog& dialog);
  // The scan (worker thread).
  void ScanDataFolder();
  void ResetCatalogue(UserInterface& target);
  bool LoadDictionary(const std::string& path);
  // One output-pane and log line when the dictionary loaded is damaged.
  void ReportDictionary(UserInterface& target);

  // The selection's branches.
  void ShowTableStructure(TreeNode keysNode);
  // Reads the definition of the table of `tableNode` into the engine; the
  // table's location, or nothing when it cannot be read (said in the
  // output pane and the log).
  std::optional<TableLocation> LoadDefinitionOf(TreeNode tableNode);
  void ShowTriggerStatements(std::size_t index);
  void ShowViewStatement(std::size_t index);
  void LoadFirstPage(std::size_t index, TreeNode node);
  // Tells in the output pane and the log where a definition that is not a
  // .frm's came from, and what it lacks.
  void TellDefinitionNotes(const TableLocation& location);
  // Shows `engine.rows` in the grid (a row without cells adds nothing).
  void FillGrid();
  // Sets the row status to the range shown and the table's total.
  void ShowRowRange();
  // What a read of the table on screen apart from the pager needs.
  TableReread RereadOfShownTable() const;
  // Stops counting the rows of the table shown and forgets its total.
  void ForgetRowTotal();
  // After a page of the table on screen was loaded: one output-pane and log
  // line with how the table was opened (`firstLoad`) and what reading the
  // page lost (a page read for the first time since the selection), and
  // the mark of the table's node.
  void ReportPageLoad(bool firstLoad);
  // Gives the table's node the mark its account calls for.
  void MarkTable(std::size_t index, TreeNode node);
  // The table node of the selection (a keys node stands for its table);
  // kNoNode when no table is selected.
  TreeNode SelectedTableNode();
  // The export dialog titled `title`, its checks, then the export of
  // `tables` on a worker thread.
  void StartExport(const std::string& title, std::vector<SaveObject> tables);
  // Carries a running export's lines to the output pane and the log, and
  // closes it once it has finished.
  void FollowExport();
  void OutputAndLog(const std::string& text);
  // "database.table" (names as on disk) of the table at `index`.
  std::string TableName(std::size_t index) const;

  // The table whose pages are on screen, its place in the catalogue's list
  // and its node.
  std::unique_ptr<RecordPager> pager_;
  std::size_t pagerTable_ = 0;
  TreeNode pagerNode_ = kNoNode;

  // What the window has found of each table it read (by its place in the
  // catalogue's list), until the next Open: the losses of its pages read so
  // far, each page counted once however often it is shown, or why it
  // cannot be read; and the mark its node has.
  struct TableAccount {
    ReadReport losses;
    std::size_t pagesCounted = 0;
    std::string problem;
    TreeMark mark = TreeMark::kNone;
    std::string markReason;
  };
  std::map<std::size_t, TableAccount> tableAccounts_;
  // The system tablespace the scan loaded the dictionary from ("" when
  // none could be loaded).
  std::string dictionaryPath_;
  // Where the scan found the definitions of tables without a .frm: the
  // dictionary of `dictionaryPath_` and the statement files the user gave.
  DefinitionSources definitionSources_;

  // The count of the rows of the table on screen, while it runs, and its
  // total once known.
  std::unique_ptr<RowCounter> rowCounter_;
  std::optional<RowTotal> rowTotal_;

  // The export running from the window, until OnIdle closes it.
  std::unique_ptr<ExportRun> exportRun_;

  std::thread scanThread_;
  std::atomic<bool> scanActive_{false};
  std::atomic<bool> stopRequested_{false};
};

}  // namespace rowmender
