// rowmender-cli catalogue DATADIR
//
// Runs the scan of the Open command over DATADIR (the ibdata1 question
// answered No) and prints the catalogue tree it builds, one node a line in
// pre-order (a node, then its children):
//
//   <two spaces per depth><label>TAB<item data>TAB<image>
//
// The top-level node "MYSQL database" has depth 0. Labels are escaped as in
// every tab-separated output of rowmender-cli (\\, \t, \n, \r). Item data is
// -1 for nodes that hold others, -2 for "Keys", -3 for "Trigger", -4 for
// "Views", and the 1-based position in the scan's list for a table, view
// or trigger node.
#include "app/logic/headless_session.h"
#include "cli/commands.h"
#include "cli/table_output.h"

namespace rowmender::cli {

int RunCatalogue(CTarnSalvorProjApp& app, const Arguments& args, std::ostream& out,
                 std::ostream& err) {
  if (args.size() != 1) {
    err << "usage: rowmender-cli catalogue DATADIR\n";
    return kExitUsage;
  }
  HeadlessSession session(app);
  std::string error;
  if (!session.Open(args[0], error)) {
    err << "rowmender-cli: " << error << "\n";
    return kExitFailure;
  }
  const CheckTreeModel& tree = session.ui.tree;
  for (TreeNode node : tree.PreOrder()) {
    out << std::string(static_cast<std::size_t>(tree.Depth(node)) * 2, ' ')
        << TsvEscape(tree.GetItemText(node)) << '\t' << tree.GetItemData(node) << '\t'
        << tree.GetItemImage(node) << '\n';
  }
  return kExitOk;
}

}  // namespace rowmender::cli
