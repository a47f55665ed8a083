#include "cli/read_account.h"

#include <algorithm>

#include "export/save/recovery_report.h"
#include "export/save/table_saver.h"

namespace rowmender::cli {

namespace {

// How the readers refuse a data file put in place of the table's own, and
// how they note one read all the same.
constexpr const char* kMismatchPhrase = " does not seem to belong to ";
constexpr const char* kReadAsAskedPhrase = "it is read as asked";

}  // namespace

std::string WithMismatchHint(const std::string& message) {
  if (message.find(kMismatchPhrase) == std::string::npos ||
      message.find(kReadAsAskedPhrase) != std::string::npos) {
    return message;
  }
  return message + " (" + kReadMismatchedOption + " reads it all the same)";
}

bool PrintReadAccount(std::ostream& err, const std::vector<std::string>& opened,
                      const ReadReport& report, const std::string& what) {
  for (const std::string& note : opened)
    err << "rowmender-cli: " << note << "\n";
  for (const std::string& note : report.notes) {
    // What opening the table said already stands above.
    if (std::find(opened.begin(), opened.end(), note) == opened.end())
      err << "rowmender-cli: " << note << "\n";
  }
  if (report.notesLeftOut > 0) {
    err << "rowmender-cli: and " << report.notesLeftOut << " more like these\n";
  }
  if (report.Complete()) return false;
  // The counts alone: the notes stand above.
  ReadReport counts = report;
  counts.notes.clear();
  err << "rowmender-cli: " << what << " read with losses:" << LossSentences(&counts, {}) << "\n";
  return true;
}

bool PrintDictionaryDamage(std::ostream& err, const ReadReport& dictionary) {
  const std::string line = DictionaryLossLine(dictionary);
  if (line.empty()) return false;
  err << "rowmender-cli: " << line << "\n";
  return true;
}

}  // namespace rowmender::cli
