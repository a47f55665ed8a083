// rowmender-cli: the command-line front end over the readers.
#include <iostream>
#include <string>

#include "app/application_state.h"
#include "cli/command_table.h"

namespace {

using rowmender::cli::Arguments;

// "help", "--help", "-h": the general help, or with a command word after
// it, that command's help.
int Help(const Arguments& args) {
  if (args.empty()) {
    rowmender::cli::WriteGeneralHelp(std::cout);
    return rowmender::cli::kExitOk;
  }
  const rowmender::cli::CommandDescription* command = rowmender::cli::FindCommand(args[0]);
  if (command == nullptr || args.size() > 1) {
    return rowmender::cli::ProgramUsageError(
        command == nullptr ? "no command named " + args[0] : "help takes one command", std::cerr);
  }
  rowmender::cli::WriteCommandHelp(*command, std::cout);
  return rowmender::cli::kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  if (argc < 2) return rowmender::cli::ProgramUsageError("no command given", std::cerr);
  const std::string word = argv[1];
  const Arguments args(argv + 2, argv + argc);
  int status = rowmender::cli::kExitOk;
  if (word == "help" || word == "--help" || word == "-h") {
    status = Help(args);
  } else if (word == "--version" || word == "-V") {
    rowmender::cli::WriteVersion(std::cout);
  } else if (const auto* command = rowmender::cli::FindCommand(word); command == nullptr) {
    status = rowmender::cli::ProgramUsageError("unknown command: " + word, std::cerr);
  } else if (rowmender::cli::AsksForHelp(args)) {
    rowmender::cli::WriteCommandHelp(*command, std::cout);
  } else {
    rowmender::CTarnSalvorProjApp app;
    status = command->run(app, args, std::cout, std::cerr);
  }
  std::cout.flush();
  if (!std::cout && status == rowmender::cli::kExitOk) {
    std::cerr << "rowmender-cli: cannot write to standard output\n";
    status = rowmender::cli::kExitFailure;
  }
  return status;
}
