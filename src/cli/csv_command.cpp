// rowmender-cli csv DATADIR DB TABLE [--page N] [--read-mismatched] OUTFILE
//
// Writes the CSV file that the CSV export command writes for page N
// (1-based, default 1) of the table: the scan of Open, a click on the
// table's node, N - 1 "Next Records", then the export into OUTFILE (or,
// for "-", onto standard output). A page past the last is a usage error
// that says how many pages there are, as in `rows`.
#include "app/logic/headless_session.h"
#include "base/paths.h"
#include "base/table_file_names.h"
#include "catalogue/catalogue_lists.h"
#include "catalogue/table_locator.h"
#include "cli/command_table.h"
#include "cli/commands.h"
#include "cli/read_account.h"

namespace rowmender::cli {

namespace {

bool ParsePage(const std::string& text, std::int64_t& page) {
  if (text.empty() || text.size() > 9) return false;
  page = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    page = page * 10 + (c - '0');
  }
  return page >= 1;
}

}  // namespace

int RunCsv(CTarnSalvorProjApp& app, const Arguments& args, std::ostream& out, std::ostream& err) {
  Arguments positional;
  std::int64_t page = 1;
  bool readMismatched = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == kReadMismatchedOption) {
      readMismatched = true;
    } else if (args[i] == "--page") {
      if (i + 1 >= args.size() || !ParsePage(args[i + 1], page)) {
        return UsageError("csv", "--page needs a page number from 1 on", err);
      }
      ++i;
    } else if (args[i].size() > 1 && args[i][0] == '-') {
      return UsageError("csv", "unknown option: " + args[i], err);
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 4) return UsageError("csv", "csv needs DATADIR DB TABLE OUTFILE", err);
  const std::string& dataFolder = positional[0];
  const std::string& outFile = positional[3];
  const bool toStream = outFile == kStandardOutputName;
  const TableLookup lookup = LocateTable(dataFolder, positional[1], positional[2]);
  if (!lookup.location) {
    return ReportLookupFailure(lookup, err);
  }

  HeadlessSession session(app);
  session.frame.readMismatchedFiles = readMismatched;
  std::string error;
  if (!session.Open(dataFolder, error)) {
    err << "rowmender-cli: " << error << "\n";
    return kExitFailure;
  }
  // The tree shows the SQL names of what it finds on disk.
  const TreeNode table = session.FindBelowDataFolder(
      {DecodeTableFileName(LastComponent(lookup.location->databaseFolder)), kTablesLabel,
       DecodeTableFileName(lookup.location->tableName)});
  if (table == kNoNode) {
    err << "rowmender-cli: table not found: " << positional[1] << "." << positional[2] << "\n";
    return kExitFailure;
  }
  session.Select(table);
  if (!session.frame.tableProblem.empty()) {
    // No rows can be read: an error, never the file of an empty table.
    err << "rowmender-cli: " << WithMismatchHint(session.frame.tableProblem) << "\n";
    return kExitFailure;
  }
  for (std::int64_t p = 1; p < page; ++p)
    session.frame.OnNextRecords();
  const auto perPage = static_cast<std::int64_t>(kRowsPerPage);
  if (session.frame.firstRowShown != (page - 1) * perPage) {
    // Next Records stopped at the last page.
    const std::int64_t pages = session.frame.firstRowShown / perPage + 1;
    const auto rows =
        session.frame.firstRowShown + static_cast<std::int64_t>(session.ui.gridRows.size());
    return UsageError(
        "csv",
        PastLastPageProblem(static_cast<std::uint64_t>(page), positional[1] + "." + positional[2],
                            static_cast<std::uint64_t>(pages), static_cast<std::uint64_t>(rows)),
        err);
  }
  if (session.ui.gridColumns.empty()) {
    err << "rowmender-cli: " << positional[1] << "." << positional[2] << ": no columns to export\n";
    return kExitFailure;
  }

  if (toStream) {
    const std::string bytes = GridCsvBytes(session.ui);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
      err << "rowmender-cli: cannot write to standard output\n";
      return kExitFailure;
    }
    return kExitOk;
  }
  session.ui.saveFileAnswer = outFile;
  const std::size_t messagesBefore = session.ui.messages.size();
  session.frame.OnExportCsv();
  const bool saved =
      session.ui.messages.size() > messagesBefore && session.ui.messages.back() == kCsvSavedMessage;
  if (!saved) {
    err << "rowmender-cli: " << outFile << ": "
        << (session.ui.messages.size() > messagesBefore ? session.ui.messages.back()
                                                        : "not written")
        << "\n";
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace rowmender::cli
