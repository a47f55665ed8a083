#include "cli/command_table.h"

#include <algorithm>

#include "app/product_version.h"
#include "cli/read_account.h"

namespace rowmender::cli {

namespace {

// The options that several commands share.
constexpr OptionDescription kDefinition = {
    kDefinitionOption, "FILE.sql",
    "CREATE TABLE statements for tables whose .frm is lost (may be given more than once)"};
constexpr OptionDescription kIbdata = {"--ibdata", "PATH",
                                       "the system tablespace to read (default: DATADIR/ibdata1)"};
constexpr OptionDescription kNoDictionary = {"--no-dictionary", "",
                                             "do not read the InnoDB data dictionary"};
constexpr OptionDescription kReadMismatched = {
    kReadMismatchedOption, "", "read a data file that does not seem to belong to its table"};

// Where the options start in the help, after their spellings and values.
constexpr std::size_t kOptionTextColumn = 26;
constexpr std::size_t kCommandSummaryColumn = 12;

std::string Spelled(const OptionDescription& option) {
  std::string text = option.spelling;
  if (*option.value != '\0') text += std::string(" ") + option.value;
  return text;
}

void WriteColumns(std::ostream& out, const std::string& left, std::size_t column,
                  const char* right) {
  out << "  " << left;
  if (left.size() + 2 < column) {
    out << std::string(column - left.size() - 2, ' ');
  } else {
    out << "\n" << std::string(column, ' ');
  }
  out << right << '\n';
}

}  // namespace

const std::vector<CommandDescription>& CommandTable() {
  static const std::vector<CommandDescription> commands = {
      {"catalogue",
       RunCatalogue,
       "DATADIR",
       "list the databases, tables, views and trigger files of a data folder",
       "Prints one line per database, table, view and trigger file, as the window's\n"
       "catalogue tree lists them, with a header line naming the columns: kind,\n"
       "database, name, engine, definition (where the table's definition is read from:\n"
       "frm, sdi-tablespace, sdi-file, dictionary, statement; view, triggers) and file.\n",
       {{"--format", "tsv|json", "tab-separated lines (default) or a JSON array of objects"},
        kDefinition}},
      {"structure",
       RunStructure,
       "DATADIR DB TABLE",
       "print a table's structure grid (columns, types, sizes, keys)",
       "Prints the structure grid of the table, tab-separated, with a header line: each\n"
       "column's full type as CREATE TABLE writes it, its size (the length the type\n"
       "declares, or the most bytes a TEXT or BLOB holds) and every key it is part of.\n",
       {{"--create", "", "the CREATE TABLE a save writes, the keys it leaves out as comments"}}},
      {"rows",
       RunRows,
       "DATADIR DB TABLE",
       "print a page of a table's rows (or every row), as the record grid shows them",
       "Prints page 1 of the table's rows (1000 rows a page), or the page asked for, or\n"
       "every row, with a header line. A page past the last one is a usage error that\n"
       "says how many pages there are.\n",
       {{"--page", "N", "the Nth page (default 1)"},
        {"--all", "", "every row, read in one pass"},
        {"--format", "tsv|csv", "tab-separated (default) or comma-separated lines"},
        {"--save-forms", "", "the values as a save writes them"},
        {"--save-folder", "DIR", "with --save-forms: long values go into files in DIR/blobdata"},
        {"--deleted-flag", "", "a first column flags deleted rows (and history rows)"},
        kIbdata,
        kNoDictionary,
        kReadMismatched,
        kDefinition}},
      {"csv",
       RunCsv,
       "DATADIR DB TABLE OUTFILE",
       "write a page of a table as the window's Export CSV writes it",
       "Writes the CSV file (UTF-16) that Export CSV writes for the page into OUTFILE;\n"
       "OUTFILE - writes it to standard output. A page past the last one is a usage\n"
       "error that says how many pages there are.\n",
       {{"--page", "N", "the Nth page of 1000 rows (default 1)"}, kReadMismatched}},
      {"view",
       RunView,
       "DATADIR DB VIEW",
       "print the CREATE VIEW statement of a view",
       "Prints the CREATE VIEW statement rebuilt from the view's definition file.\n",
       {}},
      {"triggers",
       RunTriggers,
       "DATADIR DB TABLE",
       "print the CREATE TRIGGER statements of a table",
       "Prints the CREATE TRIGGER statements of the table's trigger file, each in a\n"
       "DELIMITER block.\n",
       {}},
      {"export",
       RunExport,
       "DATADIR [DB | DB.TABLE ...]",
       "write every table (or those named) losslessly into a file of its own",
       "Writes each table into DIR/<database folder>/<table>.<format>; --to - writes\n"
       "the one table named to standard output (naming more than one is a usage\n"
       "error). Progress and what was lost go to standard error.\n",
       {{"--to", "DIR|-", "the folder to write into, or - for standard output (required)"},
        {"--format", "sql|tsv|csv", "a script (default), the server's tab format, or CSV"},
        {"--jobs", "N", "read N tables at once (1 to 256)"},
        kIbdata,
        kNoDictionary,
        kReadMismatched,
        kDefinition}},
      {"save",
       RunSave,
       "DATADIR",
       "save tables, views and triggers as scripts with restore.sql, or into a server",
       "Saves every table, view and trigger file (or those --tables names) as one\n"
       "script each with restore.sql, which loads them in order, and\n"
       "recovery-report.txt; or, with --server, into a running server (the password\n"
       "is read from the environment variable ROWMENDER_PASSWORD). A script folder\n"
       "that holds an earlier save is refused unless --overwrite is given. Progress,\n"
       "each object's line and the summary go to standard error.\n",
       {{"--script", "DIR", "write the scripts into DIR"},
        {"--overwrite", "",
         "replace an earlier save in DIR; its scripts this save does not write are removed"},
        {"--server", "HOST", "save into the server at HOST (with --port and --user)"},
        {"--port", "PORT", "the server's port"},
        {"--user", "USER", "the server's user"},
        {"--tables", "DB.TABLE,...", "only these tables, views and databases"},
        kIbdata,
        kNoDictionary,
        kReadMismatched,
        kDefinition}},
  };
  return commands;
}

const CommandDescription* FindCommand(std::string_view name) {
  const auto& commands = CommandTable();
  const auto found = std::find_if(commands.begin(), commands.end(),
                                  [&](const CommandDescription& c) { return c.name == name; });
  return found == commands.end() ? nullptr : &*found;
}

std::string UsageLine(const CommandDescription& command) {
  std::string line = std::string("usage: ") + kProgramName + " " + command.name;
  if (!command.options.empty()) line += " [OPTIONS]";
  line += std::string(" ") + command.arguments + "\n";
  return line;
}

void WriteGeneralHelp(std::ostream& out) {
  out << "usage: " << kProgramName << " COMMAND [OPTIONS] ARGS...\n"
      << "       " << kProgramName << " help [COMMAND] | --help | --version\n"
      << "\n"
      << kProductName << " reads the files of a MySQL or MariaDB data folder, read-only,\n"
      << "and recovers its tables.\n"
      << "\ncommands:\n";
  for (const CommandDescription& command : CommandTable())
    WriteColumns(out, command.name, kCommandSummaryColumn, command.summary);
  out << "\n'" << kProgramName << " help COMMAND' (or '" << kProgramName
      << " COMMAND --help') describes a command and its options.\n"
      << "A file name - means standard output.\n"
      << "\nexit status: 0 done, 1 an error, 2 a usage error, 3 done, but some of the data\n"
      << "was lost to damage (standard error says what).\n";
}

void WriteCommandHelp(const CommandDescription& command, std::ostream& out) {
  out << UsageLine(command) << "\n" << command.details;
  if (!command.options.empty()) {
    out << "\noptions:\n";
    for (const OptionDescription& option : command.options)
      WriteColumns(out, Spelled(option), kOptionTextColumn, option.text);
  }
}

void WriteVersion(std::ostream& out) {
  out << kProgramName << " (" << kProductName << ") " << ProductVersion() << "\n";
}

int UsageError(std::string_view command, const std::string& problem, std::ostream& err) {
  const CommandDescription* described = FindCommand(command);
  if (described == nullptr) return ProgramUsageError(problem, err);
  err << kProgramName << ": " << problem << "\n"
      << UsageLine(*described) << "Try '" << kProgramName << " help " << described->name
      << "' for its options.\n";
  return kExitUsage;
}

int ProgramUsageError(const std::string& problem, std::ostream& err) {
  if (!problem.empty()) err << kProgramName << ": " << problem << "\n";
  err << "usage: " << kProgramName << " COMMAND [OPTIONS] ARGS...\ncommands:";
  for (const CommandDescription& command : CommandTable())
    err << ' ' << command.name;
  err << "\nTry '" << kProgramName << " --help' for more.\n";
  return kExitUsage;
}

bool AsksForHelp(const Arguments& args) {
  return std::any_of(args.begin(), args.end(),
                     [](const std::string& arg) { return arg == "--help" || arg == "-h"; });
}

}  // namespace rowmender::cli
