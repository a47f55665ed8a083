#include "app/logic/main_frame.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "app/logic/remembered_settings.h"
#include "app/logic/settings_dialog.h"
#include "app/logic/ui_thread_forwarder.h"
#include "base/file_check.h"
#include "base/paths.h"
#include "catalogue/data_folder_scan.h"
#include "export/csv_export.h"
#include "export/save/recovery_report.h"

namespace rowmender {

namespace {

constexpr const char* kFileSelectedSuffix = " File is selected for recovery....";
constexpr const char* kDataFolderLogPrefix = "MySql database File Path:\t";
constexpr const char* kFindingLine = "Finding Database and tables";
constexpr const char* kProcessingDictionaryLine = "Processing ibdata1 File";
constexpr const char* kDictionaryMissingLine = "ibdata1 File cannot be open";
constexpr const char* kBrowseDictionaryQuestion =
    "Ibdata1File Cannot be opened.Do you want to browse ibdata1 File Manually?";
constexpr const char* kBrowsedDictionaryMissingLine = "Manually browse ibdata1 File cannot be open";
constexpr const char* kScanCompletedLine = "scanning completed.";
constexpr const char* kScanCompletedMessage = "Scanning completed for selected database file(s)";
constexpr const char* kScanCompletedCaption =
    "Scanning completed for selected database file(s).\r\n";
constexpr const char* kDictionaryFileName = "ibdata1";
constexpr const char* kNothingFoundPrefix = "No tables, views or triggers were found in ";
constexpr const char* kNothingFoundSuffix =
    ". Choose the server's data folder (the one that holds a folder for each database) or "
    "one database's folder.";
constexpr std::size_t kLogSeparatorWidth = 80;

constexpr const char* kNothingScannedMessage = "Please select database file to scan records.";
constexpr const char* kNothingSelectedMessage =
    "Please select the table from tree which you want to save";
constexpr const char* kCsvCannotBeCreatedMessage = "File cannot be created.";
constexpr const char* kCsvCannotBeWrittenMessage = "File cannot be written.";
constexpr const char* kCsvExtension = "csv";
constexpr const char* kCsvFilter = "*.csv";

}  // namespace

CMainFrame::CMainFrame(CTarnSalvorProjApp& application, UserInterface& userInterface)
    : app(application), ui(userInterface), engine(application) {}

CMainFrame::~CMainFrame() {
  RequestScanStop();
  WaitForScan();
  exportRun_.reset();
  rowCounter_.reset();
}

void CMainFrame::WaitForScan() {
  if (scanThread_.joinable()) scanThread_.join();
}

void CMainFrame::Initialize() {
  ui.SetCaption(kStartCaption);
  ui.ShowProgress(false);
  ui.OutputDeleteAll();
  ui.OutputInsertLine(0, kStartOutputLine);
  app.outputLineCount = 1;
  log.Close();
  ui.ShowStartPage(RecentDataFolders(ui));
}

bool CMainFrame::Busy() const {
  return app.processRunning.load() != 0 || scanActive_.load() || exportRun_ != nullptr;
}

bool CMainFrame::RefuseWhileBusy(const char* message) {
  if (!Busy()) return false;
  ui.ShowMessage(message);
  return true;
}

void CMainFrame::SetRunning(bool running) {
  app.processRunning = running ? 1 : 0;
  ui.RunningStateChanged(running);
}

void CMainFrame::AddOutputLine(UserInterface& target, const std::string& text) {
  target.OutputInsertLine(app.outputLineCount, text);
  ++app.outputLineCount;
}

// ---- Open and the scan ----

void CMainFrame::OnOpen() {
  if (RefuseWhileBusy(kWaitMessage)) return;
  SettingsDialog dialog;
  FillInRemembered(ui, dialog);
  if (!ui.RunSettingsDialog(dialog)) return;
  StartScan(dialog);
}

void CMainFrame::OnOpenRecent(const std::string& folder) {
  if (RefuseWhileBusy(kWaitMessage)) return;
  SettingsDialog dialog;
  FillInRemembered(ui, dialog);
  dialog.dataFolder = folder;
  if (!dialog.Accept(ui)) return;
  StartScan(dialog);
}

void CMainFrame::StartScan(const SettingsDialog& dialog) {
  RememberOpen(ui, dialog.Chosen());
  ui.HideStartPage();
  WaitForScan();  // the last scan has ended (nothing is busy); reap its thread
  // The count reads the last folder's files, and may read its dictionary.
  ForgetRowTotal();

  app.databasePath = dialog.Chosen().databasePath;
  app.temporaryPath = dialog.Chosen().temporaryPath;
  app.logFolder = dialog.Chosen().logFolder;
  app.definitionFiles = dialog.ChosenDefinitionFiles();

  SetRunning(true);
  catalogue.dataFolderPath = app.databasePath;
  selectedNode = kNoNode;
  ui.TreeDeleteAll();
  ui.TextBoxSet("");
  ui.PageButtonEnable(PageButton::kPrevious, false);
  ui.PageButtonEnable(PageButton::kNext, false);
  ui.SetCaption(catalogue.dataFolderPath);
  ui.ShowProgress(true);
  if (!OpenLog()) {
    ui.ShowProgress(false);
    SetRunning(false);
    return;
  }

  stopRequested_ = false;
  scanActive_ = true;
  try {
    scanThread_ = std::thread([this] { ScanDataFolder(); });
  } catch (const std::system_error&) {
    scanActive_ = false;
    ui.ShowProgress(false);
    SetRunning(false);
  }
}

bool CMainFrame::OpenLog() {
  const std::string selectedLine = catalogue.dataFolderPath + kFileSelectedSuffix;
  if (writeLogFile) {
    const std::time_t now = clock();
    std::tm local{};
    localtime_r(&now, &local);
    app.logFilePath = JoinPath(app.logFolder, LogWriter::FileNameFor(local));
    if (!log.Open(app.logFilePath)) {
      ui.ShowMessage(kLogCannotBeCreatedMessage + app.logFilePath);
      return false;
    }
    log.Write(std::string(kLogLineEnd) + std::string(kLogSeparatorWidth, '*') +
              std::string(kLogLineEnd));
    log.WriteLine(selectedLine);
  }
  AddOutputLine(ui, selectedLine);
  return true;
}

void CMainFrame::ResetCatalogue(UserInterface& target) {
  target.OutputDeleteAll();
  app.outputLineCount = 0;
  catalogue.Clear();
  target.TreeDeleteAll();
  engine.ClearTableLists();
  target.GridClear();
  target.TextBoxSet("");
  pager_.reset();
  engine.CloseSystemDictionary();
  engine.CloseSystemTablespace();
  dictionaryPath_.clear();
  definitionSources_ = DefinitionSources{};
  tableAccounts_.clear();
}

bool CMainFrame::LoadDictionary(const std::string& path) {
  if (!engine.LoadSystemDictionary(path)) return false;
  dictionaryPath_ = path;
  return true;
}

void CMainFrame::ReportDictionary(UserInterface& target) {
  const std::string line = DictionaryLossLine(engine.dictionaryReport);
  if (line.empty()) return;
  AddOutputLine(target, line);
  log.WriteLine(line);
}

void CMainFrame::ScanDataFolder() {
  UiThreadForwarder target(ui);
  ResetCatalogue(target);

  catalogue.dataFolderPath = app.databasePath;
  const std::string& dataFolder = catalogue.dataFolderPath;
  if (!dataFolder.empty()) log.WriteLine(kDataFolderLogPrefix + dataFolder);

  const TreeNode root = target.TreeInsert(kRootLabel, kImageFolder, kItemContainer, kNoNode);
  const TreeNode pathNode = target.TreeInsert(dataFolder, kImageFolder, kItemContainer, root);
  AddOutputLine(target, kFindingLine);

  // The dictionary first: it defines the tables whose .frm is lost, and
  // lists those kept in the system tablespace.
  AddOutputLine(target, kProcessingDictionaryLine);
  log.WriteLine(kProcessingDictionaryLine);
  if (!stopRequested_ && !LoadDictionary(dataFolder + kDictionaryFileName)) {
    log.WriteLine(kDictionaryMissingLine);
    if (target.AskYesNo(kBrowseDictionaryQuestion, MessageIcon::kQuestion)) {
      const std::string chosen = target.ChooseOpenFile();
      if (!chosen.empty() && !LoadDictionary(chosen)) log.WriteLine(kBrowsedDictionaryMissingLine);
    }
  }
  definitionSources_ = DefinitionSources{};
  if (!dictionaryPath_.empty()) {
    definitionSources_.system = engine.SystemTablespaceAt(dictionaryPath_);
  }
  // The CREATE TABLE statements the user gave for tables without a .frm.
  const Status statements =
      LoadStatementFiles(app.definitionFiles, app.collations, definitionSources_);
  if (!statements.ok()) {
    catalogue.problems.push_back(statements.message());
  }

  const auto addDatabase = [&](const std::string& folder, std::int32_t index) {
    const TreeNode database =
        InsertNamedNode(target, LastComponent(folder), kImageFolder, kItemContainer, pathNode);
    const TreeNode tables = target.TreeInsert(kTablesLabel, kImageFolder, kItemContainer, database);
    ScanDatabaseFolder(target, catalogue, database, folder, tables, index, &definitionSources_);
  };

  catalogue.databaseFolders = FindDatabaseFolders(dataFolder, &catalogue.problems);
  if (!catalogue.databaseFolders.empty() || !CheckFolder(dataFolder).Readable()) {
    for (std::size_t i = 0; i < catalogue.databaseFolders.size(); ++i) {
      if (stopRequested_) break;
      const std::string& folder = catalogue.databaseFolders[i];
      if (folder.find(kPathSeparator) == std::string::npos) continue;
      addDatabase(folder, static_cast<std::int32_t>(i));
    }
  } else {
    // A folder without sub-folders is taken as the only database, when it
    // holds anything of one.
    std::string folder = dataFolder;
    while (!folder.empty() && folder.back() == kPathSeparator)
      folder.pop_back();
    std::vector<std::string> ignored;
    if (folder.find(kPathSeparator) != std::string::npos &&
        !ListCatalogueFiles(folder, ignored, &definitionSources_).empty()) {
      catalogue.databaseFolders.push_back(folder);
      addDatabase(folder, 0);
    }
  }
  target.TreeExpand(root);
  target.TreeExpand(pathNode);
  // The tables the scan marked unreadable keep that mark until a read says
  // otherwise.
  for (std::size_t i = 0; i < catalogue.tables.size(); ++i) {
    const std::string& problem = catalogue.tables[i].problem;
    if (problem.empty()) continue;
    TableAccount& account = tableAccounts_[i];
    account.problem = problem;
    account.mark = TreeMark::kUnreadable;
    account.markReason = kCannotBeReadPrefix + problem;
  }
  // What was found but cannot be read: its node is in the tree, and why it
  // cannot be read is said here.
  for (const std::string& problem : catalogue.problems) {
    AddOutputLine(target, problem);
    log.WriteLine(problem);
  }

  // What the damaged dictionary lost, so that no table is taken for whole
  // that it would have typed or found.
  if (!dictionaryPath_.empty()) ReportDictionary(target);

  app.processRunning = 0;
  target.RunningStateChanged(false);
  AddOutputLine(target, kScanCompletedLine);
  if (catalogue.tables.empty() && catalogue.views.empty() && catalogue.triggers.empty() &&
      !stopRequested_) {
    // Never a success over nothing: the folder is said to hold no tables.
    const std::string nothing =
        kNothingFoundPrefix + WithoutTrailingSeparator(dataFolder) + kNothingFoundSuffix;
    AddOutputLine(target, nothing);
    log.WriteLine(nothing);
    target.ShowMessage(nothing);
  } else {
    target.ShowMessage(kScanCompletedMessage);
  }
  target.ShowProgress(false);
  target.SetCaption(kScanCompletedCaption);
  log.Write(kScanCompletedCaption);
  // Last: from here on the commands may use the engine and the lists again.
  scanActive_ = false;
}

// ---- The other commands ----

void CMainFrame::OnStop() {
  if (app.processRunning.load() == 0) return;
  if (!ui.AskYesNo(kStopQuestion, MessageIcon::kInformation)) return;
  stopRequested_ = true;
  // The export's worker ends after the rows it is writing; the commands
  // stay refused until OnIdle has closed it.
  if (exportRun_) {
    exportRun_->Stop();
    ui.SetCaption(kExportStoppingCaption);
  }
  SetRunning(false);
}

void CMainFrame::OnSaveData() {
  if (RefuseWhileBusy(kWaitMessage)) return;
  if (ui.TreeCheckedCount() == 0) {
    ui.ShowMessage(kNothingCheckedMessage);
    return;
  }
  if (saveCheckedTables) saveCheckedTables(*this);
}

void CMainFrame::OnHelp() {
  if (RefuseWhileBusy(kStopFirstMessage)) return;
  if (helpAddress.empty()) {
    ui.ShowMessage(kManualMissingMessage);
  } else if (!ui.OpenWebAddress(helpAddress)) {
    ui.ShowMessage(kNoManualViewerMessage + helpAddress);
  }
}

void CMainFrame::OnAbout() {
  if (RefuseWhileBusy(kStopFirstMessage)) return;
  ui.ShowAbout();
}

std::string GridCsvBytes(UserInterface& ui) {
  const std::size_t columnCount = ui.GridColumnCount();
  std::vector<std::string> captions;
  captions.reserve(columnCount);
  for (std::size_t c = 0; c < columnCount; ++c)
    captions.push_back(ui.GridColumnCaption(c));
  std::vector<std::vector<std::string>> rows(ui.GridRowCount());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    rows[r].reserve(columnCount);
    for (std::size_t c = 0; c < columnCount; ++c)
      rows[r].push_back(ui.GridCell(r, c));
  }
  return BuildCsvBytes(captions, rows);
}

void CMainFrame::OnExportCsv() {
  if (RefuseWhileBusy(kWaitMessage)) return;
  if (ui.TreeNodeCount() == 0) {
    ui.ShowMessage(kNothingScannedMessage);
    return;
  }
  const TreeNode selected = ui.TreeSelection();
  if (selected == kNoNode) {
    ui.ShowMessage(kNothingSelectedMessage);
    return;
  }
  const std::string label = ui.TreeLabel(selected);
  const std::size_t columnCount = ui.GridColumnCount();
  if (columnCount == 0) return;

  SaveFileRequest request;
  request.defaultExtension = kCsvExtension;
  request.suggestedName = label + "_";
  request.filterLabel = kCsvFilter;
  request.filterPattern = kCsvFilter;
  const std::string path = ui.ChooseSaveFile(request);
  if (path.empty()) return;

  switch (WriteCsvFile(path, GridCsvBytes(ui))) {
    case CsvWriteResult::kCannotCreate:
      ui.ShowMessage(kCsvCannotBeCreatedMessage);
      return;
    case CsvWriteResult::kWriteFailed:
      ui.ShowMessage(kCsvCannotBeWrittenMessage);
      return;
    case CsvWriteResult::kWritten:
      ui.ShowMessage(kCsvSavedMessage);
      return;
  }
}

void CMainFrame::OnClose() {
  if (Busy()) {
    ui.ShowMessage(kCloseWhileRunningMessage);
    return;
  }
  if (!ui.AskYesNo(kCloseQuestion, MessageIcon::kQuestion)) return;
  engine.systemTablespaceFile.Close();
  engine.CloseSystemTablespace();
  std::error_code error;
  if (!app.logFilePath.empty() && std::filesystem::exists(app.logFilePath, error)) {
    ui.ShowMessage(kLogPathMessage + app.logFilePath);
  }
  if (!closingAddress.empty()) ui.OpenWebAddress(closingAddress);
  ui.EndProcess(kCloseExitCode);
}

}  // namespace rowmender
