// CREATE VIEW and CREATE TRIGGER statements rebuilt from the text files in
// which the server keeps view definitions (a `.frm` file that starts with
// "TYPE=VIEW") and the triggers of one table (a `.TRG` file).
//
// Both files are lines of key=value. The server stores values with escapes:
// "\n" for a line break, "\\" for a backslash, "\'" for a quote, "\0" for a
// zero byte and "\z" for the byte 26. The statements here decode them, so a
// trigger body written over several lines keeps its lines and a literal
// backslash survives.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "app/application_state.h"
#include "base/bytes.h"
#include "export/server_connection.h"

namespace rowmender {

// Splits a text at every occurrence of a delimiter (" " to begin with).
// A text with k occurrences yields k + 1 pieces through NextToken while
// HasMoreTokens holds; a text without the delimiter yields none.
class CToken {
 public:
  explicit CToken(std::string_view text);

  void SetDelimiter(std::string_view delimiter);
  bool HasMoreTokens() const;
  std::string NextToken();

 private:
  std::string text_;
  std::string remainder_;
  std::string delimiter_ = " ";
  bool finalPending_ = false;
};

// The stored escapes of a view or trigger file decoded. A backslash before
// any other character, or at the very end, is kept as it is.
std::string DecodeStoredEscapes(std::string_view stored);

// What the trigger builder produces.
enum class StatementMode {
  kPreview,   // the text box of the record panel
  kScript,    // text for a script file
  kDatabase,  // each statement run on the server; no text
};

// Script while "Save as Script" is chosen, else Database while "Save in
// database" is, else Preview.
StatementMode StatementModeFor(const CTarnSalvorProjApp& app);

// The CREATE VIEW statement of the view file at `path`: fixed algorithm,
// definer and security words, the view name from the file name, and the
// query of the first line beginning with "query=". Empty when the file
// cannot be read.
std::string BuildViewStatement(const std::string& path);

// The same from the bytes of a view file already read, with the view's name.
std::string BuildViewStatementFromFile(ByteView file, std::string_view viewName);

// Where Database mode runs its statements and reports each outcome.
struct TriggerTarget {
  // May be null: every statement then counts as failed.
  ServerConnection* connection = nullptr;
  // Receives "Trigger Created Successfully." or "Error executing Trigger."
  // for each statement (the log and the output pane).
  std::function<void(const std::string&)> report;
};

inline constexpr const char* kTriggerCreatedLine = "Trigger Created Successfully.";
inline constexpr const char* kTriggerFailedLine = "Error executing Trigger.";

// The CREATE TRIGGER statements of the trigger file at `path`, each in a
// DELIMITER $$ block, in file order (Preview and Script). In Database mode
// each statement is run through `target` instead and the text is empty.
// Empty too when the file cannot be read or has no usable "triggers=" line.
std::string BuildTriggerStatements(const std::string& path, StatementMode mode,
                                   const TriggerTarget& target = {});

// The same from the bytes of a trigger file already read.
std::string BuildTriggerStatementsFromFile(ByteView file, StatementMode mode,
                                           const TriggerTarget& target = {});

}  // namespace rowmender
