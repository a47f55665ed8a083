#include "app/gui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QKeySequence>
#include <QMenu>
#include <QMetaObject>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSettings>
#include <QThread>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <sstream>

#include "app/gui/catalogue_images.h"
#include "app/gui/export_dialog.h"
#include "app/gui/file_setting_dialog.h"
#include "app/gui/message_boxes.h"
#include "app/gui/product_info.h"
#include "app/gui/ribbon_bar.h"
#include "app/gui/save_command_hook.h"
#include "app/gui/start_page.h"
#include "app/gui/window_bars.h"
#include "controls/gui/about_dialog.h"
#include "controls/gui/output_list.h"
#include "controls/gui/record_panel.h"
#include "controls/gui/splash_window.h"
#include "controls/gui/value_viewer.h"
#include "controls/gui/xhtml_tree.h"

namespace rowmender {

namespace {

// Wide enough for the names of most tables; the panes can be resized.
constexpr int kTreePaneWidth = 260;
constexpr int kOutputPaneWidth = 320;
// How often the frame looks for a finished row count.
constexpr int kIdleIntervalMs = 200;

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

QToolButton* PageButtonOf(CTarnStatic* panel, PageButton button) {
  return button == PageButton::kPrevious ? panel->PreviousButton() : panel->NextButton();
}

}  // namespace

CMainWindow::CMainWindow(CTarnSalvorProjApp& application, const Options& options)
    : app_(application), answers_(options.answers), frame_(application, *this) {
  setObjectName(QStringLiteral("mainWindow"));
  // The title never carries a document name.
  setWindowTitle(QString::fromLatin1(kWindowTitle));
  setWindowIcon(QIcon(QStringLiteral(":/rowmender/images/app-256.png")));
  if (options.showSplash) ShowSplash();

  const ApplicationLook look = LookFor(options.look);
  app_.applicationLook = look.number;
  WriteApplicationLook(look.number);

  BuildActions();
  BuildRibbon(look);

  statusBar_ = new CRibbonStatusBarCls(UserManualAddress(), QStringLiteral("User manual"), this);
  setStatusBar(statusBar_);

  BuildPanes();
  captionBar_->SetColours(look.captionBar, look.captionText);

  frame_.helpAddress = UserManualAddress().toStdString();
  frame_.closingAddress = ClosingPageAddress().toStdString();
  frame_.saveCheckedTables = [this](CMainFrame& frame) {
    if (const SaveCommand& save = RegisteredSaveCommand()) save(frame, this);
  };
  stop_->setEnabled(false);
  idle_ = new QTimer(this);
  idle_->setInterval(kIdleIntervalMs);
  connect(idle_, &QTimer::timeout, this, [this] { frame_.OnIdle(); });
  idle_->start();
  frame_.Initialize();
}

CMainWindow::~CMainWindow() {
  // The frame's scan thread may still wait for calls on this thread.
  while (frame_.ScanActive())
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  answers_ = nullptr;
}

// ---- Building ----

QAction* CMainWindow::MakeAction(const char* name, const char* text, const char* image,
                                 const char* tip) {
  auto* action = new QAction(QString::fromUtf8(text), this);
  action->setObjectName(QString::fromLatin1(name));
  if (image != nullptr) {
    QIcon icon;
    icon.addFile(QStringLiteral(":/rowmender/images/%1.png").arg(QString::fromLatin1(image)));
    icon.addFile(QStringLiteral(":/rowmender/images/%1-16.png").arg(QString::fromLatin1(image)));
    action->setIcon(icon);
  }
  action->setToolTip(QString::fromUtf8(tip));
  action->setStatusTip(QString::fromUtf8(tip));
  addAction(action);
  return action;
}

void CMainWindow::BuildActions() {
  open_ = MakeAction("openAction", "Open", "open", "Open Database file");
  open_->setShortcut(QKeySequence::Open);
  connect(open_, &QAction::triggered, this, [this] { frame_.OnOpen(); });

  stop_ = MakeAction("stopAction", "Stop", "stop", "Stop running process");
  stop_->setShortcut(QKeySequence(Qt::Key_Escape));
  connect(stop_, &QAction::triggered, this, [this] { frame_.OnStop(); });

  save_ = MakeAction("saveAction", "Save MySQL Data", "save", "Save recovered data");
  save_->setShortcut(QKeySequence::Save);
  connect(save_, &QAction::triggered, this, [this] { frame_.OnSaveData(); });

  csv_ = MakeAction("csvAction", "Export CSV", "csv", "Export the records on screen to a CSV file");
  csv_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
  connect(csv_, &QAction::triggered, this, [this] { frame_.OnExportCsv(); });

  exportTable_ = MakeAction("exportTableAction", "Export table...", "export-table",
                            "Export every row of the selected table as SQL, TSV or CSV");
  connect(exportTable_, &QAction::triggered, this, [this] { frame_.OnExportTable(); });

  exportChecked_ = MakeAction("exportCheckedAction", "Export checked...", "export-checked",
                              "Export every row of the checked tables as SQL, TSV or CSV");
  connect(exportChecked_, &QAction::triggered, this, [this] { frame_.OnExportChecked(); });

  createTable_ = MakeAction("createTableAction", "CREATE TABLE", "create-table",
                            "Show the CREATE TABLE statement of the selected table");
  connect(createTable_, &QAction::triggered, this, [this] { frame_.OnShowCreateTable(); });

  help_ = MakeAction("helpAction", "Help", "help", "Help for Rowmender");
  help_->setShortcut(QKeySequence::HelpContents);
  connect(help_, &QAction::triggered, this, [this] { frame_.OnHelp(); });

  about_ = MakeAction("aboutAction", "About", "about", "About Rowmender");
  connect(about_, &QAction::triggered, this, [this] { frame_.OnAbout(); });

  close_ = MakeAction("closeAction", "Exit", nullptr, "Close Rowmender");
  close_->setShortcut(QKeySequence::Quit);
  connect(close_, &QAction::triggered, this, &QWidget::close);

  previousPage_ = MakeAction("previousPageAction", "Previous Records", nullptr, "Previous Records");
  previousPage_->setShortcuts(
      {QKeySequence(Qt::ALT | Qt::Key_Left), QKeySequence(Qt::CTRL | Qt::Key_PageUp)});
  connect(previousPage_, &QAction::triggered, this,
          [this] { PressPageButton(PageButton::kPrevious); });

  nextPage_ = MakeAction("nextPageAction", "Next Records", nullptr, "Next Records");
  nextPage_->setShortcuts(
      {QKeySequence(Qt::ALT | Qt::Key_Right), QKeySequence(Qt::CTRL | Qt::Key_PageDown)});
  connect(nextPage_, &QAction::triggered, this, [this] { PressPageButton(PageButton::kNext); });
}

void CMainWindow::BuildRibbon(const ApplicationLook& look) {
  ribbon_ = new CRibbonBar(this);
  ribbon_->SetColours(look.ribbonTop, look.ribbonBottom);
  QMenu* menu = ribbon_->ApplicationMenu();
  menu->addAction(open_);
  menu->addAction(save_);
  menu->addAction(exportTable_);
  menu->addAction(exportChecked_);
  menu->addAction(csv_);
  menu->addAction(createTable_);
  menu->addSeparator();
  menu->addAction(help_);
  menu->addAction(about_);
  menu->addSeparator();
  menu->addAction(close_);

  RibbonPanel* commands = ribbon_->AddPanel(QString());
  commands->AddLargeButton(open_);
  commands->AddLargeButton(stop_);
  commands->AddLargeButton(save_);
  RibbonPanel* exportPanel = ribbon_->AddPanel(QStringLiteral("Export"));
  exportPanel->AddLargeButton(exportTable_);
  exportPanel->AddLargeButton(exportChecked_);
  exportPanel->AddLargeButton(csv_);
  RibbonPanel* tablePanel = ribbon_->AddPanel(QStringLiteral("Table"));
  tablePanel->AddLargeButton(createTable_);
  RibbonPanel* aboutPanel = ribbon_->AddPanel(QStringLiteral("About"));
  aboutPanel->AddLargeButton(help_);
  aboutPanel->AddLargeButton(about_);

  // The ribbon and, below it over the whole width, the caption bar.
  auto* top = new QWidget(this);
  auto* layout = new QVBoxLayout(top);
  layout->setContentsMargins(0, 0, 0, 2);
  layout->setSpacing(2);
  captionBar_ = new CMyCaptionBar(top);
  layout->addWidget(ribbon_);
  layout->addWidget(captionBar_);
  setMenuWidget(top);
}

void CMainWindow::BuildPanes() {
  setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks);
  const auto paneFeatures = QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable;

  tree_ = new CXHtmlTree(this);
  tree_->setObjectName(QStringLiteral("catalogueTree"));
  tree_->ItemModel().SetImageProvider(
      [](const CheckTreeModel& tree, TreeNodeId node) { return CatalogueIcon(tree, node); });
  treePane_ = new QDockWidget(QStringLiteral("MySQL Database Objects"), this);
  treePane_->setObjectName(QStringLiteral("treePane"));
  treePane_->setFeatures(paneFeatures);
  treePane_->setWidget(tree_);
  addDockWidget(Qt::LeftDockWidgetArea, treePane_);

  output_ = new CTarnListCtrl(this);
  outputPane_ = new QDockWidget(QStringLiteral("Output"), this);
  outputPane_->setObjectName(QStringLiteral("outputPane"));
  outputPane_->setFeatures(paneFeatures);
  outputPane_->setWidget(output_);
  addDockWidget(Qt::RightDockWidgetArea, outputPane_);
  resizeDocks({treePane_, outputPane_}, {kTreePaneWidth, kOutputPaneWidth}, Qt::Horizontal);

  middle_ = new QStackedWidget(this);
  middle_->setObjectName(QStringLiteral("middle"));
  panel_ = new CTarnStatic(middle_);
  startPage_ = new StartPage(open_, middle_);
  middle_->addWidget(panel_);
  middle_->addWidget(startPage_);
  setCentralWidget(middle_);
  connect(startPage_, &StartPage::folderChosen, this,
          [this](const QString& folder) { frame_.OnOpenRecent(folder.toStdString()); });

  // A label click is handled once the click itself is over, so that the
  // handler's message boxes never run inside the tree's mouse handling.
  connect(
      tree_, &CXHtmlTree::labelClicked, this,
      [this](qint64 node) { frame_.OnTreeSelect(static_cast<TreeNode>(node)); },
      Qt::QueuedConnection);
  connect(panel_, &CTarnStatic::previousRecords, this, [this] { frame_.OnPreviousRecords(); });
  connect(panel_, &CTarnStatic::nextRecords, this, [this] { frame_.OnNextRecords(); });
  connect(panel_->Grid(), &RecordGridView::valueRequested, this,
          [this](int row, int column) { ViewValue(row, column); });
}

void CMainWindow::ShowSplash() {
  auto* splash = new CSplashScreenEx(this, QPixmap(QStringLiteral(":/rowmender/images/splash.png")),
                                     QString::fromLatin1(kSplashVersion));
  splash->Start();
}

void CMainWindow::PressPageButton(PageButton button) {
  QToolButton* pressed = PageButtonOf(panel_, button);
  if (pressed->isVisible() && pressed->isEnabled()) pressed->click();
}

// ---- Helpers for the screenshot mode and the tests ----

TreeNode CMainWindow::FindNode(const std::string& path) const {
  const CheckTreeModel& tree = tree_->Tree();
  const auto& roots = tree.Children(kNoTreeNode);
  if (roots.empty()) return kNoNode;
  const auto& below = tree.Children(roots.front());
  if (below.empty()) return kNoNode;
  TreeNode node = below.front();  // the data folder node
  std::stringstream parts(path);
  std::string label;
  while (std::getline(parts, label, '/')) {
    if (label.empty()) continue;
    TreeNode found = kNoNode;
    for (TreeNode child : tree.Children(node)) {
      if (tree.GetItemText(child) == label) {
        found = child;
        break;
      }
    }
    if (found == kNoNode) return kNoNode;
    node = found;
  }
  return node;
}

int CMainWindow::ClickNode(TreeNode node) {
  tree_->SelectItem(node);
  return frame_.OnTreeSelect(node);
}

void CMainWindow::ViewValue(int row, int column) {
  if (row < 0 || column < 0) return;
  if (frame_.StopEnabled()) {
    ShowMessage(kWaitMessage);
    return;
  }
  const RecordGridModel& grid = panel_->GridModel();
  const std::optional<WholeValueRequest> request = frame_.WholeValueRequestFor(
      grid.PageRow(static_cast<std::size_t>(row)), static_cast<std::size_t>(column));
  // The structure grid and the like have no values in files to read.
  if (!request) return;
  if (valueViewer_) valueViewer_->close();
  const QString title = Q(captionBar_->Text()) + QStringLiteral(" \u2013 ") +
                        Q(grid.Caption(static_cast<std::size_t>(column)));
  valueViewer_ = new ValueViewerDialog(*request, title, this);
  valueViewer_->setAttribute(Qt::WA_DeleteOnClose);
  if (answers_ != nullptr) {
    ScriptedAnswers* answers = answers_;
    valueViewer_->chooseSavePath = [answers] { return Q(answers->saveFileAnswer); };
  }
  // Window-modal, without a nested event loop: the read goes on meanwhile.
  valueViewer_->open();
}

bool CMainWindow::WaitForScanEnd(int timeoutMs) {
  QElapsedTimer timer;
  timer.start();
  while (frame_.ScanActive()) {
    if (timer.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  frame_.WaitForScan();
  QCoreApplication::processEvents();
  return true;
}

// ---- UserInterface: threads and dialogs ----

void CMainWindow::RunOnUiThread(const std::function<void()>& call) {
  if (QThread::currentThread() == thread()) {
    call();
    return;
  }
  QMetaObject::invokeMethod(
      this, [&call] { call(); }, Qt::BlockingQueuedConnection);
}

void CMainWindow::ShowMessage(const std::string& text) {
  if (answers_ != nullptr) {
    answers_->messages.push_back(text);
    return;
  }
  ShowInformation(this, Q(text));
}

bool CMainWindow::AskYesNo(const std::string& text, MessageIcon icon) {
  if (answers_ != nullptr) {
    answers_->messages.push_back(text);
    return answers_->questionAnswer;
  }
  return rowmender::AskYesNo(this, Q(text), icon);
}

bool CMainWindow::RunSettingsDialog(SettingsDialog& dialog) {
  if (answers_ != nullptr) {
    if (!answers_->settings) return false;
    dialog.FillIn(*answers_->settings);
    return dialog.Accept(*this);
  }
  CTarnFileSettingDlg window(dialog, *this, this);
  return window.exec() == QDialog::Accepted;
}

std::string CMainWindow::ChooseFolder(const std::string& title) {
  if (answers_ != nullptr) return answers_->folderAnswer;
  return QFileDialog::getExistingDirectory(this, Q(title), QString(), QFileDialog::ShowDirsOnly)
      .toStdString();
}

bool CMainWindow::ChooseExport(const std::string& title, ExportChoice& choice) {
  if (answers_ != nullptr) {
    answers_->exportShown = choice;
    if (!answers_->exportAnswer) return false;
    choice = *answers_->exportAnswer;
    return true;
  }
  ExportDialog dialog(title, choice, *this, this);
  if (dialog.exec() != QDialog::Accepted) return false;
  choice = dialog.Choice();
  return true;
}

std::string CMainWindow::ChooseOpenFile() {
  if (answers_ != nullptr) return answers_->openFileAnswer;
  return QFileDialog::getOpenFileName(this, QStringLiteral("Open")).toStdString();
}

std::string CMainWindow::ChooseSaveFile(const SaveFileRequest& request) {
  if (answers_ != nullptr) return answers_->saveFileAnswer;
  QFileDialog dialog(this, QStringLiteral("Save As"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(Q(request.defaultExtension));
  dialog.setNameFilter(Q(request.filterLabel) + QStringLiteral(" (") + Q(request.filterPattern) +
                       QStringLiteral(")"));
  dialog.selectFile(Q(request.suggestedName));
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst().toStdString();
}

void CMainWindow::ShowAbout() {
  if (answers_ != nullptr) {
    ++answers_->aboutShown;
    return;
  }
  const AboutTexts texts{QString::fromLatin1(kWindowTitle),
                         QString::fromLatin1(kProductDescription), UserManualAddress()};
  CTarnAboutDlg about(texts, this);
  about.exec();
}

bool CMainWindow::OpenWebAddress(const std::string& address) {
  if (answers_ != nullptr) {
    answers_->openedAddresses.push_back(address);
    return true;
  }
  return QDesktopServices::openUrl(QUrl::fromUserInput(Q(address)));
}

void CMainWindow::EndProcess(int exitCode) {
  if (answers_ != nullptr) {
    answers_->endedWithCode = exitCode;
    return;
  }
  ending_ = true;
  hide();
  QCoreApplication::exit(exitCode);
}

void CMainWindow::closeEvent(QCloseEvent* event) {
  if (ending_) {
    event->accept();
    return;
  }
  // The application layer asks and, on Yes, ends the program itself.
  event->ignore();
  frame_.OnClose();
}

// ---- UserInterface: the catalogue tree ----

void CMainWindow::TreeDeleteAll() {
  tree_->DeleteAllItems();
}

TreeNode CMainWindow::TreeInsert(const std::string& label, int image, std::int32_t itemData,
                                 TreeNode parent) {
  return tree_->InsertItem(label, image, itemData, parent);
}

std::int32_t CMainWindow::TreeItemData(TreeNode node) {
  return tree_->Tree().GetItemData(node);
}

TreeNode CMainWindow::TreeParent(TreeNode node) {
  return tree_->Tree().GetParentItem(node);
}

std::string CMainWindow::TreeLabel(TreeNode node) {
  return tree_->GetItemText(node);
}

std::vector<TreeNode> CMainWindow::TreeChildren(TreeNode node) {
  return tree_->Tree().Children(node);
}

std::size_t CMainWindow::TreeNodeCount() {
  return tree_->Tree().GetCount();
}

TreeNode CMainWindow::TreeSelection() {
  return tree_->Selection();
}

void CMainWindow::TreeSelect(TreeNode node) {
  tree_->SelectItem(node);
}

void CMainWindow::TreeExpand(TreeNode node) {
  tree_->Expand(node);
}

void CMainWindow::TreeSetEnabled(bool enabled) {
  tree_->SetDimmed(!enabled);
}

bool CMainWindow::TreeIsChecked(TreeNode node) {
  return tree_->GetCheck(node);
}

std::size_t CMainWindow::TreeCheckedCount() {
  return tree_->GetCheckedCount();
}

void CMainWindow::TreeSetMark(TreeNode node, TreeMark mark, const std::string& reason) {
  tree_->ItemModel().SetItemMark(node, mark, reason);
}

void CMainWindow::TreeSetNote(TreeNode node, const std::string& note) {
  tree_->ItemModel().SetItemNote(node, note);
}

// ---- UserInterface: the record panel ----

void CMainWindow::GridClear() {
  panel_->GridModel().Clear();
}

void CMainWindow::GridDeleteAllRows() {
  panel_->GridModel().DeleteAllRows();
}

void CMainWindow::GridSetColumns(const std::vector<std::string>& captions) {
  panel_->SetColumns(captions);
}

void CMainWindow::SetRowStatus(const std::string& text) {
  statusBar_->RowStatus()->setText(Q(text));
}

void CMainWindow::GridSetNumericColumns(const std::vector<bool>& numeric) {
  panel_->GridModel().SetNumericColumns(numeric);
}

void CMainWindow::GridAppendRows(const std::vector<DecodedRow>& rows) {
  panel_->GridModel().AppendRows(rows);
}

std::size_t CMainWindow::GridColumnCount() {
  return panel_->GridModel().ColumnCount();
}

std::string CMainWindow::GridColumnCaption(std::size_t column) {
  return panel_->GridModel().Caption(column);
}

std::size_t CMainWindow::GridRowCount() {
  return panel_->GridModel().RowCount();
}

std::string CMainWindow::GridCell(std::size_t row, std::size_t column) {
  return panel_->GridModel().Cell(row, column);
}

void CMainWindow::GridShow(bool visible) {
  panel_->Grid()->setVisible(visible);
  if (visible) panel_->Grid()->scrollToTop();
  UpdatePageButtons();
}

void CMainWindow::TextBoxSet(const std::string& text) {
  panel_->TextBox()->setPlainText(Q(text));
}

void CMainWindow::TextBoxShow(bool visible) {
  panel_->TextBox()->setVisible(visible);
}

void CMainWindow::PageButtonShow(PageButton button, bool visible) {
  pageButtonShown_[button == PageButton::kPrevious ? 0 : 1] = visible;
  UpdatePageButtons();
}

void CMainWindow::UpdatePageButtons() {
  // The buttons page through the grid: with the statement text in its place
  // they would only cover the text.
  const bool gridShown = !panel_->Grid()->isHidden();
  panel_->PreviousButton()->setVisible(pageButtonShown_[0] && gridShown);
  panel_->NextButton()->setVisible(pageButtonShown_[1] && gridShown);
}

void CMainWindow::PageButtonEnable(PageButton button, bool enabled) {
  PageButtonOf(panel_, button)->setEnabled(enabled);
}

// ---- UserInterface: status outputs ----

void CMainWindow::SetCaption(const std::string& text) {
  captionBar_->SetText(text);
}

void CMainWindow::OutputInsertLine(std::int32_t row, const std::string& text) {
  output_->InsertLine(row, text);
}

void CMainWindow::OutputDeleteAll() {
  output_->DeleteAllLines();
}

void CMainWindow::ShowProgress(bool visible) {
  QProgressBar* progress = statusBar_->Progress();
  progress->setValue(0);
  progress->setVisible(visible);
  // The selection and the page commands keep this thread busy: show the
  // change now.
  if (statusBar_->isVisible()) statusBar_->repaint();
}

void CMainWindow::RunningStateChanged(bool running) {
  stop_->setEnabled(running);
}

// ---- UserInterface: what is remembered, and the start page ----

namespace {

constexpr const char* kRememberedGroup = "remembered/";

}  // namespace

std::string CMainWindow::LoadSetting(const std::string& key) {
  if (answers_ != nullptr) {
    const auto found = answers_->remembered.find(key);
    return found == answers_->remembered.end() ? std::string() : found->second;
  }
  const QSettings settings(QString::fromLatin1(kSettingsName));
  return settings.value(QString::fromLatin1(kRememberedGroup) + Q(key)).toString().toStdString();
}

void CMainWindow::StoreSetting(const std::string& key, const std::string& value) {
  if (answers_ != nullptr) {
    answers_->remembered[key] = value;
    return;
  }
  QSettings settings(QString::fromLatin1(kSettingsName));
  settings.setValue(QString::fromLatin1(kRememberedGroup) + Q(key), Q(value));
}

void CMainWindow::ShowStartPage(const std::vector<std::string>& recentFolders) {
  startPage_->SetRecentFolders(recentFolders);
  middle_->setCurrentWidget(startPage_);
}

void CMainWindow::HideStartPage() {
  middle_->setCurrentWidget(panel_);
}

}  // namespace rowmender
