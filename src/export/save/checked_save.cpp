#include "export/save/checked_save.h"

#include <unistd.h>

#include <filesystem>
#include <optional>

#include "base/paths.h"
#include "catalogue/data_folder_reads.h"
#include "export/save/recovery_report.h"

namespace rowmender {

namespace {

namespace fs = std::filesystem;

constexpr const char* kTemporaryFolderPrefix = "rowmender-save-";

// The object a catalogue node stands for, by its kind and 1-based position.
std::optional<SaveObject> ObjectOfNode(NodeKind kind, std::int32_t position,
                                       const CatalogueLists& catalogue) {
  if (position < 1) return std::nullopt;
  const auto index = static_cast<std::size_t>(position - 1);
  const std::string& dataFolder = catalogue.dataFolderPath;
  switch (kind) {
    case NodeKind::kTable:
      return TableObjectAt(catalogue, index);
    case NodeKind::kView: {
      if (index >= catalogue.views.size()) return std::nullopt;
      const std::string& path = catalogue.views[index];
      const std::size_t slash = path.rfind(kPathSeparator);
      if (slash == std::string::npos) return std::nullopt;
      return MakeSaveObject(SaveObjectKind::kView, dataFolder, path.substr(0, slash),
                            path.substr(slash + 1));
    }
    case NodeKind::kTrigger: {
      if (index >= catalogue.triggers.size()) return std::nullopt;
      const TriggerEntry& entry = catalogue.triggers[index];
      return MakeSaveObject(SaveObjectKind::kTriggers, dataFolder, entry.folderPath,
                            entry.fileName);
    }
    default:
      return std::nullopt;
  }
}

void Walk(UserInterface& ui, const CatalogueLists& catalogue, TreeNode node,
          std::optional<std::int32_t> parentData, std::vector<SaveObject>& objects) {
  for (TreeNode child : ui.TreeChildren(node)) {
    const std::int32_t data = ui.TreeItemData(child);
    const NodeKind kind = ClassifyNode(data, parentData);
    if (kind == NodeKind::kTable || kind == NodeKind::kView || kind == NodeKind::kTrigger) {
      if (ui.TreeIsChecked(child)) {
        if (auto object = ObjectOfNode(kind, data, catalogue)) objects.push_back(*object);
      }
      continue;  // a table's only child is its keys node
    }
    Walk(ui, catalogue, child, data, objects);
  }
}

// A folder of its own below `base` for the long values on their way into
// a server; empty when none can be made.
std::string MakeTemporaryFolder(const std::string& base) {
  std::error_code error;
  const fs::path root = base.empty() ? fs::temp_directory_path(error) : fs::path(base);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path folder = root / (kTemporaryFolderPrefix + std::to_string(::getpid()) + "-" +
                                    std::to_string(attempt));
    if (fs::create_directory(folder, error)) return folder.string();
  }
  return {};
}

}  // namespace

std::optional<SaveObject> TableObjectAt(const CatalogueLists& catalogue, std::size_t index) {
  if (index >= catalogue.tables.size()) return std::nullopt;
  const TableEntry& entry = catalogue.tables[index];
  if (entry.databaseIndex < 0 ||
      static_cast<std::size_t>(entry.databaseIndex) >= catalogue.databaseFolders.size()) {
    return std::nullopt;
  }
  const bool inTablespace = entry.origin == DefinitionOrigin::kTablespaceSdi;
  return MakeSaveObject(SaveObjectKind::kTable, catalogue.dataFolderPath,
                        catalogue.databaseFolders[entry.databaseIndex],
                        entry.name + (inTablespace ? ".ibd" : ".frm"), entry.origin,
                        entry.definitionPath);
}

std::string ReplaceEarlierSaveQuestion(const std::string& folder,
                                       const std::vector<std::string>& files) {
  return "The saving folder " + folder + " holds an earlier save (" + DescribeEarlierSave(files) +
         ").\n\nReplace it? Its scripts that this save does not write are removed; nothing "
         "else in the folder is touched.";
}

std::vector<SaveObject> CheckedObjects(UserInterface& ui, const CatalogueLists& catalogue) {
  std::vector<SaveObject> objects;
  Walk(ui, catalogue, kNoNode, std::nullopt, objects);
  return objects;
}

SaveSummary SaveCheckedObjects(CMainFrame& frame, ServerConnector& connector,
                               const CheckedSaveOptions& options) {
  CTarnSalvorProjApp& app = frame.app;
  UserInterface& ui = frame.ui;
  SaveSummary summary;
  const auto line = [&](const std::string& text) {
    ui.OutputInsertLine(app.outputLineCount, text);
    ++app.outputLineCount;
    frame.log.WriteLine(text);
  };
  const auto clearFlags = [&] {
    app.saveAsScriptMode = false;
    app.saveToDatabaseMode = false;
  };

  std::vector<SaveObject> objects = CheckedObjects(ui, frame.catalogue);
  if (objects.empty()) {
    ui.ShowMessage(kNothingCheckedMessage);
    clearFlags();
    return summary;
  }
  const bool toServer = app.saveToDatabaseMode;
  if (!toServer && !app.saveAsScriptMode) return summary;

  std::unique_ptr<SaveTarget> target;
  const ScriptTarget* scriptTarget = nullptr;
  std::string saveFolder;
  std::string temporaryFolder;
  if (toServer) {
    std::string error;
    frame.serverConnection = connector.Open(BuildConnectionString(app.saveServer, app.savePort),
                                            app.saveUser, app.savePassword, error);
    if (frame.serverConnection == nullptr) {
      const std::string text = MaskPassword(error, app.savePassword);
      line(text);
      ui.ShowMessage(text + "\n");
      clearFlags();
      summary.aborted = true;
      return summary;
    }
    temporaryFolder = MakeTemporaryFolder(app.temporaryPath);
    saveFolder = temporaryFolder;
    target = std::make_unique<ServerTarget>(*frame.serverConnection);
  } else {
    saveFolder = app.saveFolder;
    if (saveFolder.empty() || IsFolderInside(saveFolder, frame.catalogue.dataFolderPath)) {
      ui.ShowMessage(kSaveFolderInDataFolderMessage);
      clearFlags();
      summary.aborted = true;
      return summary;
    }
    // An earlier save in the folder is replaced only when the user says so.
    const std::vector<std::string> earlier = EarlierSaveFiles(saveFolder, objects);
    if (!earlier.empty() &&
        !ui.AskYesNo(ReplaceEarlierSaveQuestion(saveFolder, earlier), MessageIcon::kQuestion)) {
      clearFlags();
      summary.aborted = true;
      return summary;
    }
    auto script = std::make_unique<ScriptTarget>(saveFolder, !earlier.empty());
    scriptTarget = script.get();
    target = std::move(script);
  }
  std::error_code ignored;
  const std::string keptSaveFolder = app.saveFolder;
  if (!saveFolder.empty()) app.saveFolder = WithTrailingSeparator(saveFolder);

  app.processRunning = 1;
  ui.RunningStateChanged(true);
  ui.ShowProgress(true);

  // Readers of their own, so the page on screen and its paging stay as they
  // were.
  const DataFolderReads reads =
      OpenDataFolderReads(frame.catalogue.dataFolderPath, "", true, &app.collations);
  if (!reads.systemProblem.empty()) line(reads.systemProblem);
  CursorRowSource source(reads.Options());
  SaveOptions saveOptions;
  saveOptions.literals.collations = &app.collations;

  TableSaver saver(*target, source, saveOptions);
  saver.report = line;
  saver.progress = [&](const SaveProgress& progress) {
    if (progress.object != nullptr) {
      ui.SetCaption(kSavingCaption + progress.object->QualifiedName() + ": " +
                    std::to_string(progress.rows) + " rows");
    }
    if (options.betweenPages) options.betweenPages();
  };
  saver.keepGoing = [&] { return app.processRunning.load() != 0; };
  summary = saver.Run(std::move(objects));
  if (scriptTarget != nullptr) {
    for (const std::string& removed : scriptTarget->RemovedScripts())
      line(kRemovedScriptLinePrefix + removed);
    for (const std::string& problem : scriptTarget->RemovalProblems())
      line(problem);
  }

  const std::string closing =
      SaveSummaryLine(summary, toServer ? "into " + app.saveServer : "to " + saveFolder);
  line(closing);
  ui.SetCaption(closing);

  // What was read and lost: beside the scripts, or, for a server, in the
  // output pane and the log after the summary.
  ReadAccount account;
  account.summary = &summary;
  account.dictionary = reads.system ? &reads.system->DictionaryReport() : nullptr;
  account.systemProblem = reads.systemProblem;
  const std::vector<std::string> reportLines = RecoveryReportLines(account);
  if (toServer) {
    for (const std::string& reportLine : reportLines)
      line(reportLine);
  } else {
    std::string reportPath;
    std::string error;
    if (!WriteRecoveryReport(saveFolder, reportLines, reportPath, error)) {
      line(error);
    } else if (!account.EverythingRead()) {
      line(kRecoveryReportLinePrefix + reportPath);
    }
  }

  frame.serverConnection.reset();
  if (!temporaryFolder.empty()) fs::remove_all(temporaryFolder, ignored);
  app.saveFolder = keptSaveFolder;
  clearFlags();
  app.processRunning = 0;
  ui.RunningStateChanged(false);
  ui.ShowProgress(false);
  ui.ShowMessage(summary.stopped      ? kSaveStoppedMessage
                 : summary.Complete() ? kSaveCompleteMessage
                                      : kSaveIncompleteMessage);
  return summary;
}

}  // namespace rowmender
