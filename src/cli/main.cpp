// rowmender-cli: the command-line front end over the readers.
#include <iostream>
#include <map>
#include <string>

#include "app/application_state.h"
#include "cli/commands.h"

namespace {

using rowmender::CTarnSalvorProjApp;
using rowmender::cli::Arguments;

using Command = int (*)(CTarnSalvorProjApp&, const Arguments&, std::ostream&, std::ostream&);

const std::map<std::string, Command>& Commands() {
  static const std::map<std::string, Command> commands = {
      {"structure", rowmender::cli::RunStructure}, {"rows", rowmender::cli::RunRows},
      {"catalogue", rowmender::cli::RunCatalogue}, {"view", rowmender::cli::RunView},
      {"triggers", rowmender::cli::RunTriggers},   {"csv", rowmender::cli::RunCsv},
      {"save", rowmender::cli::RunSave},           {"export", rowmender::cli::RunExport},
  };
  return commands;
}

int Usage(std::ostream& err) {
  err << "usage: rowmender-cli COMMAND ARGS...\ncommands:";
  for (const auto& [name, command] : Commands())
    err << ' ' << name;
  err << '\n';
  return rowmender::cli::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  if (argc < 2) return Usage(std::cerr);
  const auto found = Commands().find(argv[1]);
  if (found == Commands().end()) return Usage(std::cerr);
  CTarnSalvorProjApp app;
  const Arguments args(argv + 2, argv + argc);
  const int status = found->second(app, args, std::cout, std::cerr);
  std::cout.flush();
  return status;
}
