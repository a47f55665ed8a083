// The commands of rowmender-cli. Each takes its own arguments (after the
// command word), writes its result to `out` and a one-line message to `err`
// on failure, and returns the process exit status.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "app/application_state.h"
#include "catalogue/table_locator.h"

namespace rowmender::cli {

using Arguments = std::vector<std::string>;

// --ibdata PATH and --no-dictionary: which system tablespace the InnoDB
// tables are read with.
struct DictionaryChoice {
  std::string ibdataPath;  // empty: ibdata1 of the data folder, when it has one
  bool useDictionary = true;
};

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
// Everything that could be read was written, but some of it was lost to
// damage (the messages say what).
inline constexpr int kExitLosses = 3;

// Tells why a lookup failed, as one line on `err`, and gives the exit
// status: a name that is no database or table name at all is a usage error.
inline int ReportLookupFailure(const TableLookup& lookup, std::ostream& err) {
  err << "rowmender-cli: " << lookup.error << "\n";
  return lookup.nameRefused ? kExitUsage : kExitFailure;
}

// Why `name` ("DB" or "DB.TABLE", as given to export or save) picks
// nothing in `dataFolder`, where the folder can tell more than "no such
// table": the name is no name at all (`refused` is set: a usage error), or
// its database folder is there but cannot be read. Empty otherwise.
std::string UnmatchedNameProblem(const std::string& dataFolder, const std::string& name,
                                 bool& refused);

int RunStructure(CTarnSalvorProjApp& app, const Arguments& args, std::ostream& out,
                 std::ostream& err);
int RunRows(CTarnSalvorProjApp& app, const Arguments& args, std::ostream& out, std::ostream& err);
int RunCatalogue(CTarnSalvorProjApp& app, const Arguments& args, std::ostream& out,
                 std::ostream& err);
int RunView(CTarnSalvorProjApp& app, const Arguments& args, std::ostream& out, std::ostream& err);
int RunTriggers(CTarnSalvorProjApp& app, const Arguments& args, std::ostream& out,
                std::ostream& err);
int RunCsv(CTarnSalvorProjApp& app, const Arguments& args, std::ostream& out, std::ostream& err);
int RunSave(CTarnSalvorProjApp& app, const Arguments& args, std::ostream& out, std::ostream& err);
int RunExport(CTarnSalvorProjApp& app, const Arguments& args, std::ostream& out, std::ostream& err);

}  // namespace rowmender::cli
