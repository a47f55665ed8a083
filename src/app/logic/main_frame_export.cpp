// Export table... and Export checked...: whole tables written from the
// window through the export, on a worker thread.
#include <filesystem>
#include <system_error>
#include <utility>

#include "app/logic/main_frame.h"
#include "app/logic/remembered_settings.h"
#include "base/paths.h"
#include "export/save/checked_save.h"
#include "export/save/table_saver.h"

namespace rowmender {

namespace {

// Files of an earlier export named in the question before they are
// replaced; the rest are counted.
constexpr std::size_t kMostFilesNamed = 5;

// The files an export of `tables` into `folder` would write that are there
// already, as "database/file".
std::vector<std::string> ExistingExportFiles(const std::string& folder,
                                             const std::vector<SaveObject>& tables,
                                             ExportFormat format) {
  std::vector<std::string> existing;
  for (const SaveObject& table : tables) {
    const ExportFiles files = ExportFilesOf(folder, table, format);
    for (const std::string* path : {&files.live, &files.deleted, &files.history}) {
      std::error_code error;
      if (std::filesystem::exists(*path, error)) {
        existing.push_back(LastComponent(files.folder) + "/" + LastComponent(*path));
      }
    }
  }
  return existing;
}

std::string ReplaceExportQuestion(const std::string& folder,
                                  const std::vector<std::string>& files) {
  std::string named;
  for (std::size_t i = 0; i < files.size() && i < kMostFilesNamed; ++i)
    named += (i == 0 ? "" : ", ") + files[i];
  if (files.size() > kMostFilesNamed) {
    named += " and " + std::to_string(files.size() - kMostFilesNamed) + " more";
  }
  return "The export folder " + folder + " already holds " +
         CountOf(files.size(), "file", "files") + " this export writes (" + named +
         ").\n\nReplace them?";
}

}  // namespace

void CMainFrame::OutputAndLog(const std::string& text) {
  AddOutputLine(ui, text);
  log.WriteLine(text);
}

void CMainFrame::OnExportTable() {
  if (RefuseWhileBusy(kWaitMessage)) return;
  const TreeNode node = SelectedTableNode();
  const std::int32_t position = node == kNoNode ? 0 : ui.TreeItemData(node);
  const std::optional<SaveObject> table =
      position < 1 ? std::nullopt
                   : TableObjectAt(catalogue, static_cast<std::size_t>(position - 1));
  if (!table) {
    ui.ShowMessage(kNoTableToExportMessage);
    return;
  }
  StartExport(kExportTableTitle + ui.TreeLabel(node), {*table});
}

void CMainFrame::OnExportChecked() {
  if (RefuseWhileBusy(kWaitMessage)) return;
  std::vector<SaveObject> tables;
  std::size_t others = 0;
  for (SaveObject& object : CheckedObjects(ui, catalogue)) {
    if (object.kind == SaveObjectKind::kTable) {
      tables.push_back(std::move(object));
    } else {
      ++others;
    }
  }
  if (tables.empty()) {
    ui.ShowMessage(kNothingCheckedToExportMessage);
    return;
  }
  if (others > 0) {
    OutputAndLog(CountOf(others, "checked view or trigger file is",
                         "checked views and trigger "
                         "files are") +
                 " not exported; Save MySQL Data writes them.");
  }
  StartExport(kExportCheckedTitle, std::move(tables));
}

void CMainFrame::StartExport(const std::string& title, std::vector<SaveObject> tables) {
  ExportChoice choice = RememberedExport(ui);
  if (!ui.ChooseExport(title, choice)) return;
  if (choice.folder.empty()) {
    ui.ShowMessage(kNoExportFolderMessage);
    return;
  }
  if (IsFolderInside(choice.folder, catalogue.dataFolderPath)) {
    ui.ShowMessage(kExportFolderInDataFolderMessage);
    return;
  }
  const std::vector<std::string> existing =
      ExistingExportFiles(choice.folder, tables, choice.format);
  if (!existing.empty() &&
      !ui.AskYesNo(ReplaceExportQuestion(choice.folder, existing), MessageIcon::kQuestion)) {
    return;
  }
  RememberExport(ui, choice);

  ExportRequest request;
  request.format = choice.format;
  request.folder = choice.folder;
  request.tables = std::move(tables);
  const std::size_t count = request.tables.size();
  OutputAndLog("Exporting " + CountOf(count, "table", "tables") + " as " +
               ExportExtension(choice.format) + " to " + choice.folder + ".");
  try {
    exportRun_ = std::make_unique<ExportRun>(catalogue.dataFolderPath, dictionaryPath_,
                                             &app.collations, std::move(request));
  } catch (const std::system_error&) {
    ui.ShowMessage(kExportCannotStartMessage);
    return;
  }
  if (!exportRun_->SystemProblem().empty()) OutputAndLog(exportRun_->SystemProblem());
  SetRunning(true);
  ui.ShowProgress(true);
  ui.SetCaption("Exporting " + CountOf(count, "table", "tables") + " to " + choice.folder);
}

void CMainFrame::FollowExport() {
  ExportRun& run = *exportRun_;
  const bool finished = run.Finished();
  for (const std::string& line : run.TakeLines())
    OutputAndLog(line);
  if (!finished) {
    if (!run.StopAsked()) {
      ui.SetCaption("Exporting: " + std::to_string(run.TablesDone()) + " of " +
                    CountOf(run.TableCount(), "table", "tables") + " done, " +
                    CountOf(run.RowsWritten(), "row", "rows") + " written");
    }
    return;
  }
  run.Join();
  for (const std::string& line : run.TakeLines())
    OutputAndLog(line);
  const ExportSummary summary = run.Summary();
  std::string closing = ExportSummaryLine(summary, run.TableCount()) + ".";
  if (summary.failed > 0) {
    closing += " " + CountOf(summary.failed, "table", "tables") + " could not be exported.";
  }
  if (summary.withLosses > 0) {
    closing += " " + CountOf(summary.withLosses, "table was", "tables were") + " read with losses.";
  }
  if (summary.stopped > 0) {
    closing += " " + CountOf(summary.stopped, "table was", "tables were") +
               " left out when the export was stopped.";
  }
  OutputAndLog(closing);
  exportRun_.reset();
  SetRunning(false);
  ui.ShowProgress(false);
  ui.SetCaption(closing);
  ui.ShowMessage(summary.stopped > 0  ? kExportStoppedMessage
                 : summary.Complete() ? kExportCompleteMessage
                                      : kExportIncompleteMessage);
}

}  // namespace rowmender
