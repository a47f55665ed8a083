// The commands of rowmender-cli described in one table: what each is
// called, what it takes and does, and its options. The general help, each
// command's help and every usage message are written from it.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"

namespace rowmender::cli {

using CommandFunction = int (*)(CTarnSalvorProjApp&, const Arguments&, std::ostream&,
                                std::ostream&);

struct OptionDescription {
  // As it is written, e.g. "--page".
  const char* spelling;
  // The name of its value ("N", "FILE.sql"); empty for a flag.
  const char* value;
  const char* text;
};

struct CommandDescription {
  const char* name;
  CommandFunction run;
  // The arguments after the options, e.g. "DATADIR DB TABLE".
  const char* arguments;
  // One line for the table of commands.
  const char* summary;
  // What the command's own help says below its usage line.
  const char* details;
  std::vector<OptionDescription> options;
};

inline constexpr const char* kProgramName = "rowmender-cli";

// Every command, in the order the help lists them.
const std::vector<CommandDescription>& CommandTable();

// The command named `name`; nullptr when there is none.
const CommandDescription* FindCommand(std::string_view name);

// "usage: rowmender-cli rows [OPTIONS] DATADIR DB TABLE" and a line feed.
std::string UsageLine(const CommandDescription& command);

// The help of the program: its usage, the table of commands with their
// summaries, the exit statuses.
void WriteGeneralHelp(std::ostream& out);

// The help of one command: its usage, what it does, its options.
void WriteCommandHelp(const CommandDescription& command, std::ostream& out);

// "rowmender-cli NAME VERSION" and a line feed.
void WriteVersion(std::ostream& out);

// A usage error of `command`: `problem`, the command's usage line and where
// its help is, on `err`. Returns kExitUsage.
int UsageError(std::string_view command, const std::string& problem, std::ostream& err);

// A usage error of the program as a whole (no command, or an unknown one):
// `problem` (when not empty) and the general usage on `err`. Returns
// kExitUsage.
int ProgramUsageError(const std::string& problem, std::ostream& err);

// The options that ask for help wherever they stand.
bool AsksForHelp(const Arguments& args);

// `-` as a file name: standard output.
inline constexpr const char* kStandardOutputName = "-";

}  // namespace rowmender::cli
