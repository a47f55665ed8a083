// Why a name given to export or save picks nothing.
#include <string_view>

#include "base/paths.h"
#include "catalogue/table_locator.h"
#include "cli/commands.h"

namespace rowmender::cli {

std::string UnmatchedNameProblem(const std::string& dataFolder, const std::string& name,
                                 bool& refused) {
  refused = false;
  // "DB.TABLE": the database is the part before the first full stop (on
  // disk a database name holds none).
  const std::size_t dot = name.find('.');
  const std::string database = dot == std::string::npos ? name : name.substr(0, dot);
  if (name.find_first_of(std::string_view("/\\\0", 3)) != std::string::npos || name == "." ||
      name == ".." || database.empty()) {
    refused = true;
    return "not a database or table name of " + dataFolder + ": \"" + name +
           "\" (names hold no '/' or '\\' and are not '.' or '..')";
  }
  const TableLookup lookup = LocateDatabase(dataFolder, database);
  if (lookup.location || lookup.notFound) return {};
  refused = lookup.nameRefused;
  return lookup.error;
}

}  // namespace rowmender::cli
