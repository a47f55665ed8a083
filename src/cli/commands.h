// The commands of rowmender-cli. Each takes its own arguments (after the
// command word), writes its result, the data alone, to `out`, and
// everything else (messages, progress, what was lost) to `err`, and returns
// the process exit status: 0 done, 1 an error, 2 a usage error, 3 done
// with losses.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "app/application_state.h"
#include "catalogue/table_locator.h"
#include "definitions/table_definition.h"

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

// The usage problem of a page past the last one of `table` (rows and csv):
// "there is no page 9: shop.orders has 3 pages (2593 rows, 1000 a page)".
inline std::string PastLastPageProblem(std::uint64_t page, const std::string& table,
                                       std::uint64_t pages, std::uint64_t rows) {
  return "there is no page " + std::to_string(page) + ": " + table + " has " +
         std::to_string(pages) + (pages == 1 ? " page (" : " pages (") + std::to_string(rows) +
         " rows, " + std::to_string(kRowsPerPage) + " a page)";
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
