// rowmender-cli catalogue DATADIR [--definition FILE.sql]...
//
// Runs the scan of the Open command over DATADIR (the ibdata1 question
// answered No; the files of CREATE TABLE statements named as in its
// dialog) and prints the catalogue tree it builds, one node a line in
// pre-order (a node, then its children):
//
//   <two spaces per depth><label>TAB<item data>TAB<image>
//
// The top-level node "MYSQL database" has depth 0. Labels are escaped as in
// every tab-separated output of rowmender-cli (\\, \t, \n, \r). Item data is
// -1 for nodes that hold others, -2 for "Keys", -3 for "Trigger", -4 for
// "Views", and the 1-based position in the scan's list for a table, view
// or trigger node.
//
// A folder or file that is there but cannot be read (or a trigger file the
// trigger name files call for that is missing) keeps its node; a line on
// standard error names it with the reason, and the exit status is 1. A
// damaged data dictionary is told on standard error too; with nothing else
// amiss the exit status is then 3.
#include "app/logic/headless_session.h"
#include "cli/commands.h"
#include "cli/read_account.h"
#include "cli/table_output.h"

namespace rowmender::cli {

int RunCatalogue(CTarnSalvorProjApp& app, const Arguments& args, std::ostream& out,
                 std::ostream& err) {
  std::vector<std::string> definitionFiles;
  bool usable = !args.empty();
  for (std::size_t i = 1; usable && i < args.size(); i += 2) {
    usable = args[i] == kDefinitionOption && i + 1 < args.size();
    if (usable) definitionFiles.push_back(args[i + 1]);
  }
  if (!usable) {
    err << "usage: rowmender-cli catalogue DATADIR [--definition FILE.sql]...\n";
    return kExitUsage;
  }
  HeadlessSession session(app);
  std::string error;
  if (!session.Open(args[0], error, definitionFiles)) {
    err << "rowmender-cli: " << error << "\n";
    return kExitFailure;
  }
  const CheckTreeModel& tree = session.ui.tree;
  for (TreeNode node : tree.PreOrder()) {
    out << std::string(static_cast<std::size_t>(tree.Depth(node)) * 2, ' ')
        << TsvEscape(tree.GetItemText(node)) << '\t' << tree.GetItemData(node) << '\t'
        << tree.GetItemImage(node) << '\n';
  }
  // A folder or file the scan found but cannot read: its node is printed
  // all the same, and the reason goes to standard error.
  const std::vector<std::string>& problems = session.frame.catalogue.problems;
  for (const std::string& problem : problems)
    err << "rowmender-cli: " << problem << "\n";
  const bool dictionaryDamaged = PrintDictionaryDamage(err, session.frame.engine.dictionaryReport);
  if (!problems.empty()) return kExitFailure;
  return dictionaryDamaged ? kExitLosses : kExitOk;
}

}  // namespace rowmender::cli
