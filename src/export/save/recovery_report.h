// The account of a save for the user: whether everything was read, and for
// every table read with losses or not read at all, what was lost, with what
// reading the data dictionary lost. A save into a folder writes it beside
// the scripts (recovery-report.txt); a save into a server shows its lines
// with the save's summary.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "export/save/table_saver.h"
#include "values/read_report.h"

namespace rowmender {

// The report's file in the folder of a save.
inline constexpr const char* kRecoveryReportName = "recovery-report.txt";

// Reading the data dictionary lost something or had something to tell.
bool DictionaryDamaged(const ReadReport& report);

// One line saying what reading the data dictionary lost ("" when it is not
// damaged).
std::string DictionaryLossLine(const ReadReport& report);

// What a save read, as far as the user must know it.
struct ReadAccount {
  const SaveSummary* summary = nullptr;
  // The data dictionary the tables were read with (null: none was read).
  const ReadReport* dictionary = nullptr;
  // Why the system tablespace could not be read ("" when it could, or
  // when there is none).
  std::string systemProblem;

  // Every table was read whole, the dictionary too, and the save ran to
  // its end.
  bool EverythingRead() const;
};

// The report's lines: the first says whether everything was read; then one
// line per table read with losses, not read at all, or read with notes (the
// sentences of the save's own lines); then the data dictionary's line.
std::vector<std::string> RecoveryReportLines(const ReadAccount& account);

// Writes `lines` into `folder`/recovery-report.txt; `path` gets the file's
// path. False, with `error`, when the file cannot be written.
bool WriteRecoveryReport(const std::string& folder, const std::vector<std::string>& lines,
                         std::string& path, std::string& error);

}  // namespace rowmender
