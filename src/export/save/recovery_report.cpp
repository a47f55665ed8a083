#include "export/save/recovery_report.h"

#include <filesystem>
#include <fstream>

#include "base/paths.h"

namespace rowmender {

namespace {

std::string Tables(std::size_t count) {
  return CountOf(count, "table", "tables");
}

std::size_t CountOutcome(const SaveSummary& summary, TableReadAccount::Outcome outcome) {
  std::size_t count = 0;
  for (const TableReadAccount& table : summary.readAccounts) {
    if (table.outcome == outcome) ++count;
  }
  return count;
}

}  // namespace

bool DictionaryDamaged(const ReadReport& report) {
  return !report.Complete() || !report.notes.empty() || report.notesLeftOut > 0;
}

std::string DictionaryLossLine(const ReadReport& report) {
  if (!DictionaryDamaged(report)) return {};
  std::string line = "The data dictionary is damaged:" + LossSentences(&report, FormatScratch{});
  if (report.notesLeftOut > 0) {
    line += " (and " + std::to_string(report.notesLeftOut) + " more like these)";
  }
  return line;
}

bool ReadAccount::EverythingRead() const {
  if (summary == nullptr) return false;
  const bool dictionaryWhole = dictionary == nullptr || !DictionaryDamaged(*dictionary);
  return dictionaryWhole && systemProblem.empty() && !summary->stopped && !summary->aborted &&
         CountOutcome(*summary, TableReadAccount::Outcome::kNotRead) == 0 &&
         CountOutcome(*summary, TableReadAccount::Outcome::kLosses) == 0;
}

std::vector<std::string> RecoveryReportLines(const ReadAccount& account) {
  static const SaveSummary kNothingSaved;
  const SaveSummary& summary = account.summary != nullptr ? *account.summary : kNothingSaved;
  const std::size_t notRead = CountOutcome(summary, TableReadAccount::Outcome::kNotRead);
  const std::size_t withLosses = CountOutcome(summary, TableReadAccount::Outcome::kLosses);
  const bool dictionaryDamaged =
      account.dictionary != nullptr && DictionaryDamaged(*account.dictionary);

  std::vector<std::string> lines;
  if (account.EverythingRead()) {
    lines.push_back("Everything was read: " + Tables(summary.tables) + ", nothing lost.");
  } else {
    std::string first = "Not everything was read:";
    if (withLosses > 0) {
      first +=
          " " + Tables(withLosses) + (withLosses == 1 ? " was" : " were") + " read with losses.";
    }
    if (notRead > 0) first += " " + Tables(notRead) + " could not be read.";
    if (dictionaryDamaged) first += " The data dictionary is damaged.";
    if (!account.systemProblem.empty()) first += " The system tablespace could not be read.";
    if (summary.stopped) first += " The save was stopped before its end.";
    if (summary.aborted) first += " The save was ended before its end.";
    lines.push_back(first);
  }
  for (const TableReadAccount& table : summary.readAccounts) {
    switch (table.outcome) {
      case TableReadAccount::Outcome::kNotRead:
        lines.push_back(table.name + ": not read: " + table.text);
        break;
      case TableReadAccount::Outcome::kLosses:
        lines.push_back(table.name + ": read with losses: " + table.text);
        break;
      case TableReadAccount::Outcome::kNotes:
        lines.push_back(table.name + ": read whole: " + table.text);
        break;
    }
  }
  if (dictionaryDamaged) lines.push_back(DictionaryLossLine(*account.dictionary));
  if (!account.systemProblem.empty()) {
    lines.push_back("The system tablespace could not be read: " + account.systemProblem);
  }
  return lines;
}

bool WriteRecoveryReport(const std::string& folder, const std::vector<std::string>& lines,
                         std::string& path, std::string& error) {
  path = JoinPath(folder, kRecoveryReportName);
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  for (const std::string& line : lines)
    file << line << "\n";
  file.flush();
  if (!file) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace rowmender
