// The catalogue tree's selection handler and its branches: the structure
// grid of a keys node, the statements of a view or trigger node, and the
// first page of a table's records.
#include <algorithm>
#include <string>
#include <vector>

#include "app/logic/main_frame.h"
#include "base/file_check.h"
#include "base/paths.h"
#include "base/table_file_names.h"
#include "catalogue/data_folder_scan.h"
#include "catalogue/table_locator.h"
#include "definitions/column_types.h"
#include "export/save/table_ddl.h"
#include "export/save/table_saver.h"
#include "export/statements.h"
#include "preview/record_pages.h"
#include "preview/structure_grid.h"

namespace rowmender {

namespace {

constexpr const char* kSelectionStartPrefix = "Please wait while ";
constexpr const char* kSelectionStartSuffix = " folder is scanning.";
constexpr const char* kSelectionDoneLine = "Scanning process completed.";
constexpr const char* kDefinitionExtension = "frm";
constexpr const char* kTablespaceExtension = "ibd";

// What the file a table's definition is read from is to the user.
const char* DefinitionFileRole(DefinitionOrigin origin) {
  switch (origin) {
    case DefinitionOrigin::kDefinitionFile:
    case DefinitionOrigin::kSdiFile:
      return "the definition file";
    case DefinitionOrigin::kTablespaceSdi:
      return "the tablespace";
    case DefinitionOrigin::kDictionary:
      return "the system tablespace";
    case DefinitionOrigin::kStatement:
      return "the file of CREATE TABLE statements";
  }
  return "the definition file";
}

}  // namespace

// Where the definition of the table at `index` is read: the file the
// catalogue found it in, else the ".frm" file of its name whatever the case
// of the extension, or its tablespace.
static std::string DefinitionPath(const CatalogueLists& catalogue, std::size_t index) {
  const std::string base = catalogue.TableBasePath(index);
  if (base.empty()) return {};
  const TableEntry& entry = catalogue.tables[index];
  if (!entry.definitionPath.empty()) return entry.definitionPath;
  const std::string& folder =
      catalogue.databaseFolders[static_cast<std::size_t>(entry.databaseIndex)];
  const char* extension = entry.origin == DefinitionOrigin::kTablespaceSdi ? kTablespaceExtension
                                                                           : kDefinitionExtension;
  const std::string found = FindEntryWithExtension(folder, entry.name, extension);
  return found.empty() ? base + "." + extension : found;
}

int CMainFrame::OnTreeSelect(TreeNode node) {
  if (Busy()) {
    ui.TreeSelect(selectedNode);
    ui.ShowMessage(kWaitMessage);
    return 0;
  }
  SetRunning(true);
  selectedNode = node;
  ui.TextBoxSet("");
  const std::string label = ui.TreeLabel(selectedNode);
  ui.SetCaption(label);
  const std::string startLine = kSelectionStartPrefix + label + kSelectionStartSuffix;
  AddOutputLine(ui, startLine);
  log.WriteLine(startLine);
  ui.ShowProgress(true);
  ui.GridShow(true);
  ui.TextBoxShow(false);
  app.saveAsScriptMode = false;
  app.saveToDatabaseMode = false;
  ui.TreeSetEnabled(false);
  pager_.reset();
  ForgetRowTotal();

  engine.pageStarts.clear();
  ui.PageButtonShow(PageButton::kPrevious, true);
  ui.PageButtonShow(PageButton::kNext, true);
  ui.PageButtonEnable(PageButton::kNext, true);
  ui.PageButtonEnable(PageButton::kPrevious, false);
  rowsLoaded = 0;
  engine.scanBackward = false;
  tableProblem.clear();

  TreeNode current = ui.TreeSelection();
  if (current == kNoNode) current = node;
  const std::int32_t itemData = ui.TreeItemData(current);
  ui.GridClear();
  ui.TextBoxSet("");

  if (itemData == kItemKeys) {
    ShowTableStructure(current);
  } else {
    engine.ClearTableLists();
    const TreeNode parent = ui.TreeParent(current);
    const std::optional<std::int32_t> parentData =
        parent == kNoNode ? std::nullopt : std::optional<std::int32_t>(ui.TreeItemData(parent));
    const std::size_t index = itemData >= 1 ? static_cast<std::size_t>(itemData - 1) : 0;
    switch (ClassifyNode(itemData, parentData)) {
      case NodeKind::kTrigger:
        if (index < catalogue.triggers.size()) ShowTriggerStatements(index);
        break;
      case NodeKind::kView:
        if (index < catalogue.views.size()) ShowViewStatement(index);
        break;
      case NodeKind::kTable:
        if (index < catalogue.tables.size()) LoadFirstPage(index, current);
        break;
      case NodeKind::kKeys:
      case NodeKind::kContainer:
        break;
    }
  }

  if (ui.GridRowCount() == 0) {
    ui.PageButtonEnable(PageButton::kPrevious, false);
    ui.PageButtonEnable(PageButton::kNext, false);
  }
  ui.ShowProgress(false);
  SetRunning(false);
  ui.TreeSetEnabled(true);
  AddOutputLine(ui, kSelectionDoneLine);
  log.WriteLine(kSelectionDoneLine);
  return 1;
}

void CMainFrame::ShowTableStructure(TreeNode keysNode) {
  engine.ClearTableLists();
  const TreeNode table = ui.TreeParent(keysNode);
  if (table != kNoNode) LoadDefinitionOf(table);
  ui.GridSetColumns({kStructureHeaders.begin(), kStructureHeaders.end()});
  // The size column holds numbers.
  ui.GridSetNumericColumns({false, false, true, false, false});
  std::vector<DecodedRow> rows;
  for (const auto& structureRow : BuildStructureRows(engine.table, app.collations)) {
    rows.push_back(DecodedRow{{structureRow.begin(), structureRow.end()}, false});
  }
  ui.GridAppendRows(rows);
  const std::size_t count = ui.GridRowCount();
  ui.SetCaption(count > 1 ? ui.TreeLabel(keysNode) + "[" + std::to_string(count) + "]" : "");
}

std::optional<TableLocation> CMainFrame::LoadDefinitionOf(TreeNode tableNode) {
  const std::int32_t position = ui.TreeItemData(tableNode);
  if (position < 1 || static_cast<std::size_t>(position - 1) >= catalogue.tables.size())
    return std::nullopt;
  const TableLocation location = LocationOf(static_cast<std::size_t>(position - 1));
  ReadOptions options;
  options.collations = &app.collations;
  if (location.origin == DefinitionOrigin::kDictionary && !dictionaryPath_.empty()) {
    options.systemTablespace = engine.SystemTablespaceAt(dictionaryPath_);
  }
  std::string error;
  if (!LoadTableDefinition(engine, location, options, error)) {
    AddOutputLine(ui, error);
    log.WriteLine(error);
    return std::nullopt;
  }
  TellDefinitionNotes(location);
  return location;
}

TreeNode CMainFrame::SelectedTableNode() {
  // The table's own node or its keys node.
  TreeNode node = ui.TreeSelection();
  if (node == kNoNode) node = selectedNode;
  if (node != kNoNode && ui.TreeItemData(node) == kItemKeys) node = ui.TreeParent(node);
  if (node == kNoNode) return kNoNode;
  const TreeNode parent = ui.TreeParent(node);
  const NodeKind kind = ClassifyNode(
      ui.TreeItemData(node),
      parent == kNoNode ? std::nullopt : std::optional<std::int32_t>(ui.TreeItemData(parent)));
  return kind == NodeKind::kTable ? node : kNoNode;
}

int CMainFrame::OnShowCreateTable() {
  if (Busy()) {
    ui.ShowMessage(kWaitMessage);
    return 0;
  }
  const TreeNode node = SelectedTableNode();
  if (node == kNoNode) {
    ui.ShowMessage(kNoTableForStatementMessage);
    return 0;
  }
  SetRunning(true);
  engine.ClearTableLists();
  const std::optional<TableLocation> location = LoadDefinitionOf(node);
  if (location) {
    const std::string name = DecodeTableFileName(location->tableName);
    ui.SetCaption(ui.TreeLabel(node) + kCreateTableCaptionSuffix);
    // The statement takes the place of the rows: their range and paging
    // go with them until the table is selected again.
    pager_.reset();
    ForgetRowTotal();
    ui.PageButtonEnable(PageButton::kPrevious, false);
    ui.PageButtonEnable(PageButton::kNext, false);
    ui.GridShow(false);
    ui.TextBoxShow(true);
    ui.TextBoxSet(
        SavedTableStatement(name, engine.table, location->definitionPath, app.collations));
  }
  SetRunning(false);
  return location ? 1 : 0;
}

void CMainFrame::ShowTriggerStatements(std::size_t index) {
  TriggerTarget target;
  target.connection = serverConnection.get();
  target.report = [this](const std::string& line) {
    AddOutputLine(ui, line);
    log.WriteLine(line);
  };
  const std::string path = catalogue.TriggerPath(index);
  const Status readable = CheckDataFile(path, "the trigger file");
  if (!readable.ok()) {
    AddOutputLine(ui, readable.message());
    log.WriteLine(readable.message());
  }
  const std::string text =
      readable.ok() ? BuildTriggerStatements(path, StatementModeFor(app), target) : std::string();
  ui.GridShow(false);
  ui.TextBoxShow(true);
  ui.TextBoxSet(text);
}

void CMainFrame::ShowViewStatement(std::size_t index) {
  const std::string text = BuildViewStatement(catalogue.views[index]);
  ui.GridShow(false);
  ui.TextBoxShow(true);
  ui.TextBoxSet(text);
}

TableLocation CMainFrame::LocationOf(std::size_t index) const {
  const TableEntry& entry = catalogue.tables[index];
  TableLocation location;
  location.dataFolder = catalogue.dataFolderPath;
  if (entry.databaseIndex >= 0 &&
      static_cast<std::size_t>(entry.databaseIndex) < catalogue.databaseFolders.size()) {
    location.databaseFolder =
        catalogue.databaseFolders[static_cast<std::size_t>(entry.databaseIndex)];
  }
  location.tableName = entry.name;
  location.definitionPath = DefinitionPath(catalogue, index);
  location.origin = entry.origin;
  return location;
}

void CMainFrame::TellDefinitionNotes(const TableLocation& location) {
  for (const std::string& note : DefinitionNotes(engine.table, location.Files())) {
    AddOutputLine(ui, note);
    log.WriteLine(note);
  }
}

void CMainFrame::LoadFirstPage(std::size_t index, TreeNode node) {
  const TableEntry& entry = catalogue.tables[index];
  const TableLocation location = LocationOf(index);

  RecordPagerOptions options;
  options.ibdataPath = dictionaryPath_;
  options.useDictionary = !dictionaryPath_.empty();
  options.saveFolder = app.saveFolder;
  options.readMismatchedFiles = readMismatchedFiles;
  pager_ = std::make_unique<RecordPager>(engine, options);
  pagerTable_ = index;
  pagerNode_ = node;
  const Status readable = CheckDataFile(location.definitionPath, DefinitionFileRole(entry.origin));
  std::string error = readable.message();
  if (readable.ok() && pager_->Open(location, error)) {
    TellDefinitionNotes(location);
    pager_->LoadFirstPage();
    error = pager_->Problem();
  }
  tableAccounts_[index].problem = error;
  if (!error.empty()) {
    // No rows can be read: said in the output pane and the log, so that an
    // empty grid is never taken for an empty table.
    tableProblem = error;
    AddOutputLine(ui, error);
    log.WriteLine(error);
  }

  std::vector<std::string> captions;
  captions.reserve(engine.table.columns.size());
  for (const auto& column : engine.table.columns)
    captions.push_back(column.name);
  ui.GridDeleteAllRows();
  ui.GridSetColumns(captions);
  std::vector<bool> numeric;
  numeric.reserve(engine.table.columns.size());
  for (const auto& column : engine.table.columns)
    numeric.push_back(IsNumericType(column.typeCode));
  ui.GridSetNumericColumns(numeric);
  FillGrid();
  rowsLoaded += static_cast<std::int64_t>(engine.rows.size());
  firstRowShown = 0;
  lastRowShown = rowsLoaded;
  ui.SetCaption(ui.TreeLabel(selectedNode));
  if (error.empty()) {
    if (!engine.moreRows) {
      // The first page holds the whole table.
      RowTotal total;
      for (const DecodedRow& row : engine.rows) {
        ++total.rows;
        if (row.deleted) ++total.deleted;
      }
      rowTotal_ = total;
    } else if (countRows) {
      rowCounter_ = std::make_unique<RowCounter>(RereadOfShownTable());
    }
  }
  ShowRowRange();
  if (error.empty()) ReportPageLoad(true);
  MarkTable(index, node);
}

std::string CMainFrame::TableName(std::size_t index) const {
  const TableEntry& entry = catalogue.tables[index];
  std::string name = entry.name;
  if (entry.databaseIndex >= 0 &&
      static_cast<std::size_t>(entry.databaseIndex) < catalogue.databaseFolders.size()) {
    name = LastComponent(WithoutTrailingSeparator(
               catalogue.databaseFolders[static_cast<std::size_t>(entry.databaseIndex)])) +
           "." + name;
  }
  return name;
}

void CMainFrame::ReportPageLoad(bool firstLoad) {
  if (!pager_ || pagerTable_ >= catalogue.tables.size()) return;
  TableAccount& account = tableAccounts_[pagerTable_];
  const ReadReport& page = pager_->PageReport();
  const bool pageIsNew = pager_->PageIsNew();
  // Each page's losses count once, however often it is read again.
  if (pageIsNew && pager_->PageNumber() >= account.pagesCounted) {
    account.losses.Add(page);
    account.pagesCounted = pager_->PageNumber() + 1;
  }

  const std::vector<std::string> opened = pager_->Notes();
  std::string line;
  if (firstLoad) {
    for (const std::string& note : opened)
      line += " " + note + ".";
  }
  if (pageIsNew) {
    // What opening the table said is not said again.
    ReadReport shown = page;
    std::erase_if(shown.notes, [&opened](const std::string& note) {
      return std::find(opened.begin(), opened.end(), note) != opened.end();
    });
    if (!shown.Complete() || !shown.notes.empty() || shown.notesLeftOut > 0) {
      // A page may have lost all its rows.
      const std::string records =
          lastRowShown > firstRowShown ? "Records " + std::to_string(firstRowShown + 1) + " to " +
                                             std::to_string(lastRowShown)
          : firstRowShown == 0 ? std::string("The table's records")
                               : "The records after record " + std::to_string(firstRowShown);
      line += " " + records + (shown.Complete() ? ":" : " read with losses:") +
              LossSentences(&shown, FormatScratch{});
      if (shown.notesLeftOut > 0) {
        line += " (and " + std::to_string(shown.notesLeftOut) + " more like these)";
      }
    }
  }
  if (!line.empty()) {
    const std::string text = TableName(pagerTable_) + ":" + line;
    AddOutputLine(ui, text);
    log.WriteLine(text);
  }
  MarkTable(pagerTable_, pagerNode_);
}

void CMainFrame::MarkTable(std::size_t index, TreeNode node) {
  TableAccount& account = tableAccounts_[index];
  TreeMark mark = TreeMark::kNone;
  std::string reason;
  if (!account.problem.empty()) {
    mark = TreeMark::kUnreadable;
    reason = kCannotBeReadPrefix + account.problem;
  } else if (!account.losses.Complete()) {
    // The counts; the notes are in the output pane.
    ReadReport counts = account.losses;
    counts.notes.clear();
    mark = TreeMark::kLosses;
    reason = "Read with losses, in the " + std::to_string(account.losses.rowsRead) +
             " rows read so far:" + LossSentences(&counts, FormatScratch{}) +
             " The output pane and the log say more.";
  }
  if (mark == account.mark && reason == account.markReason) return;
  account.mark = mark;
  account.markReason = reason;
  ui.TreeSetMark(node, mark, reason);
}

void CMainFrame::FillGrid() {
  ui.GridDeleteAllRows();
  std::vector<DecodedRow> shown;
  shown.reserve(engine.rows.size());
  for (const auto& row : engine.rows) {
    if (!row.values.empty()) shown.push_back(row);
  }
  ui.GridAppendRows(shown);
}

void CMainFrame::ShowRowRange() {
  const RowTotal* total = rowTotal_ ? &*rowTotal_ : nullptr;
  ui.SetRowStatus(RowRangeText(static_cast<std::uint64_t>(firstRowShown) + 1,
                               static_cast<std::uint64_t>(std::max<std::int64_t>(lastRowShown, 0)),
                               total, rowCounter_ != nullptr));
}

void CMainFrame::ForgetRowTotal() {
  rowCounter_.reset();
  rowTotal_.reset();
  ui.SetRowStatus("");
}

void CMainFrame::OnIdle() {
  if (exportRun_) FollowExport();
  if (!rowCounter_) return;
  RowTotal total;
  switch (rowCounter_->Poll(total)) {
    case RowCounter::State::kCounting:
      return;
    case RowCounter::State::kDone:
      rowTotal_ = total;
      break;
    case RowCounter::State::kFailed:
      break;
  }
  rowCounter_.reset();
  ShowRowRange();
}

std::optional<WholeValueRequest> CMainFrame::WholeValueRequestFor(std::size_t pageRow,
                                                                  std::size_t column) const {
  if (Busy() || !pager_ || !pager_->Problem().empty() || pager_->DataPath().empty()) return {};
  // The grid leaves out rows without cells.
  const DecodedRow* shown = nullptr;
  std::size_t at = 0;
  for (const DecodedRow& row : engine.rows) {
    if (row.values.empty()) continue;
    if (at++ == pageRow) {
      shown = &row;
      break;
    }
  }
  if (shown == nullptr || column >= shown->values.size()) return {};
  WholeValueRequest request;
  request.table = RereadOfShownTable();
  request.pageStart = pager_->ShownPageStart();
  request.pageRow = static_cast<std::size_t>(shown - engine.rows.data());
  request.column = column;
  request.rowTexts = shown->values;
  request.deleted = shown->deleted;
  request.form = ValueOptionsFor(app).form;
  return request;
}

TableReread CMainFrame::RereadOfShownTable() const {
  TableReread table;
  if (!pager_) return table;
  table.files = pager_->Location().Files();
  if (pager_->Options().useDictionary && engine.table.storageEngine == kEngineInnoDb) {
    table.systemTablespacePath = pager_->SystemTablespacePath();
  }
  table.collations = &app.collations;
  table.readMismatchedFiles = pager_->Options().readMismatchedFiles;
  return table;
}

int CMainFrame::OnNextRecords() {
  if (RefuseWhileBusy(kWaitMessage)) return 0;
  SetRunning(true);
  ui.ShowProgress(true);
  const RecordPager::TurnResult result = pager_ ? pager_->NextPage() : RecordPager::TurnResult{};
  switch (result.turn) {
    case RecordPager::Turn::kNothing:
      ui.PageButtonEnable(PageButton::kNext, false);
      break;
    case RecordPager::Turn::kEndReached:
      ui.ShowMessage(kNoMoreRecordsMessage);
      ui.PageButtonEnable(PageButton::kNext, false);
      break;
    case RecordPager::Turn::kLoaded: {
      ui.PageButtonEnable(PageButton::kPrevious, true);
      FillGrid();
      const auto read = static_cast<std::int64_t>(engine.rows.size());
      if (result.atEdge) {
        ui.ShowMessage(kNoMoreRecordsMessage);
        ui.PageButtonEnable(PageButton::kNext, false);
      }
      firstRowShown = lastRowShown;
      lastRowShown += read;
      rowsLoaded += read;
      // The last page: the total is known (a count still running adds how
      // many of the rows are deleted).
      if (result.atEdge && !rowTotal_) {
        rowTotal_ = RowTotal{static_cast<std::uint64_t>(lastRowShown), 0};
      }
      ShowRowRange();
      ReportPageLoad(false);
      break;
    }
  }
  SetRunning(false);
  ui.ShowProgress(false);
  return 1;
}

int CMainFrame::OnPreviousRecords() {
  if (RefuseWhileBusy(kWaitMessage)) return 0;
  SetRunning(true);
  ui.ShowProgress(true);
  const RecordPager::TurnResult result =
      pager_ ? pager_->PreviousPage() : RecordPager::TurnResult{};
  if (result.turn != RecordPager::Turn::kLoaded) {
    ui.PageButtonEnable(PageButton::kPrevious, false);
  } else {
    ui.PageButtonEnable(PageButton::kNext, true);
    ui.PageButtonEnable(PageButton::kPrevious, !result.atEdge);
    FillGrid();
    const auto read = static_cast<std::int64_t>(engine.rows.size());
    firstRowShown -= static_cast<std::int64_t>(kRowsPerPage);
    lastRowShown = firstRowShown + read;
    rowsLoaded -= read;
    ShowRowRange();
  }
  SetRunning(false);
  ui.ShowProgress(false);
  return 1;
}

}  // namespace rowmender
