// Windows of an InnoDB table's rows for the record pager: the first window
// of a selected table and every later one, for tables in their own .ibd file
// and tables inside ibdata1, with or without the data dictionary.
#pragma once

#include <string>

#include "app/logic/recovery_engine.h"
#include "preview/long_value_files.h"

namespace rowmender {

struct InnoDbReadOptions {
  // The system tablespace; empty means ibdata1 in the data folder.
  std::string ibdataPath;
  // False reads from the definition and the .ibd file alone, as when
  // ibdata1 cannot be opened.
  bool useDictionary = true;
};

// Where the rows of the table were found.
enum class InnoDbRowSource {
  kNone,             // no readable tablespace holds the table
  kOwnTablespace,    // its .ibd file
  kSystemTablespace  // ibdata1
};

struct InnoDbFirstWindow {
  InnoDbRowSource source = InnoDbRowSource::kNone;
  // The fields were typed by the data dictionary (else by the definition).
  bool fromDictionary = false;
  // ibdata1 was asked for but could not be opened.
  bool dictionaryUnavailable = false;
};

// The path of ibdata1 that `options` name for `dataFolder`.
std::string SystemTablespacePath(const std::string& dataFolder, const InnoDbReadOptions& options);

// Loads the first window of the InnoDB table `tableName` (the definition
// file's name without extension) in `databaseFolder` (full path) of
// `dataFolder`. The engine holds the table's definition already and empty
// per-table lists. Opens the .ibd file; with the dictionary, loads ibdata1
// unless the engine has it open, takes the table's columns and clustered
// root from the dictionary and falls back on the definition and root page 3
// when the dictionary does not list a table whose .ibd file is there.
// Appends the window's start, and the next window's start when it fills, to
// engine.pageStarts.
InnoDbFirstWindow LoadInnoDbFirstWindow(RecoveryEngine& engine, const std::string& dataFolder,
                                        const std::string& databaseFolder,
                                        const std::string& tableName,
                                        const InnoDbReadOptions& options);

// Reads the window that starts at `start` into engine.rows (which the
// caller empties), from the .ibd file when it is open, else from ibdata1.
// With engine.scanBackward clear, a window that fills appends the next
// window's start to engine.pageStarts.
void LoadInnoDbWindow(RecoveryEngine& engine, const PageStart& start);

}  // namespace rowmender
