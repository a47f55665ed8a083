// What the commands of rowmender-cli tell on standard error about what a
// read lost: a table's notes and losses, the data dictionary's damage, and
// the hint that goes with a data file refused as another table's.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "values/read_report.h"

namespace rowmender::cli {

// The option that reads a data file that does not seem to belong to its
// table (ReadOptions::readMismatchedFiles).
inline constexpr const char* kReadMismatchedOption = "--read-mismatched";
// A file of CREATE TABLE statements defining tables whose .frm is lost.
inline constexpr const char* kDefinitionOption = "--definition";

// `message` with a hint naming --read-mismatched when it refuses a data
// file that does not seem to belong to its table; as it is otherwise.
std::string WithMismatchHint(const std::string& message);

// Prints the notes of how a table was opened (`opened`) and of its read
// (those not said already among `opened`), one line each; then, when the
// read lost anything, one line with `what` and the losses counted.
// Returns true when the read lost anything.
bool PrintReadAccount(std::ostream& err, const std::vector<std::string>& opened,
                      const ReadReport& report, const std::string& what);

// Prints the damage of the data dictionary, when it is damaged, as one
// line. Returns true when it is damaged.
bool PrintDictionaryDamage(std::ostream& err, const ReadReport& dictionary);

}  // namespace rowmender::cli
