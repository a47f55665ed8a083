// rowmender-cli catalogue [--format tsv|json] [--definition FILE.sql]... DATADIR
//
// Runs the scan of the Open command over DATADIR (the ibdata1 question
// answered No; the files of CREATE TABLE statements named as in its
// dialog) and lists what the catalogue tree shows, in the tree's order: one
// entry per database, table, view and trigger file, with these columns:
//
//   kind        database, table, view or triggers (the tree's node kinds)
//   database    the database's SQL name
//   name        the table's, view's or trigger file's table's SQL name
//               (empty for a database)
//   engine      the table's storage engine as the server names it (InnoDB,
//               MyISAM, Aria, ...; "partition InnoDB" for a partitioned
//               table); empty where there is none or it cannot be read
//   definition  where the definition is read from: frm, sdi-tablespace
//               (MySQL 8's tablespace), sdi-file (MySQL 8's .sdi file
//               beside a MyISAM table), dictionary (the InnoDB data
//               dictionary), statement (a --definition file); view and
//               triggers for those files; empty when it cannot be read
//   file        the path of that file (the one looked at, when the
//               definition cannot be read)
//
// Tab-separated with a header line (cells escaped as in every
// tab-separated output of rowmender-cli: \\, \t, \n, \r), or with
// --format json a JSON array of objects with those keys.
//
// A folder or file that is there but cannot be read (or a trigger file the
// trigger name files call for that is missing), and a table definition that
// cannot be read, are listed all the same; a line on standard error names
// each with the reason, and the exit status is 1. A damaged data dictionary
// is told on standard error too; with nothing else amiss the exit status
// is then 3.
#include <algorithm>
#include <array>
#include <optional>

#include "app/logic/headless_session.h"
#include "base/paths.h"
#include "base/table_file_names.h"
#include "cli/command_table.h"
#include "cli/commands.h"
#include "cli/read_account.h"
#include "cli/table_output.h"
#include "definitions/engine_names.h"
#include "tables/table_source.h"

namespace rowmender::cli {

namespace {

enum class CatalogueFormat { kTsv, kJson };

// The columns, in order; also the keys of the JSON objects.
constexpr std::array<const char*, 6> kColumns = {"kind",   "database",   "name",
                                                 "engine", "definition", "file"};
using CatalogueEntry = std::array<std::string, kColumns.size()>;
constexpr std::size_t kEngineColumn = 3;
constexpr std::size_t kDefinitionColumn = 4;

// The depth of a database node: below the root and the data folder's node.
constexpr int kDatabaseDepth = 2;

const char* OriginWord(DefinitionOrigin origin) {
  switch (origin) {
    case DefinitionOrigin::kDefinitionFile:
      return "frm";
    case DefinitionOrigin::kTablespaceSdi:
      return "sdi-tablespace";
    case DefinitionOrigin::kSdiFile:
      return "sdi-file";
    case DefinitionOrigin::kDictionary:
      return "dictionary";
    case DefinitionOrigin::kStatement:
      return "statement";
  }
  return "frm";
}

std::string EngineText(const TableDefinition& table) {
  const std::string_view name = StorageEngineName(table.storageEngine);
  std::string text(name.empty() ? "engine " + std::to_string(table.storageEngine) : name);
  if (!table.partitionEngine.empty()) text += " " + table.partitionEngine;
  return text;
}

struct CatalogueListing {
  std::vector<CatalogueEntry> entries;
  // One line for each table definition that cannot be read.
  std::vector<std::string> problems;
};

CatalogueListing ListCatalogue(HeadlessSession& session, const CollationTable& collations) {
  CatalogueListing listing;
  const CheckTreeModel& tree = session.ui.tree;
  const CatalogueLists& lists = session.frame.catalogue;
  ReadOptions options;
  options.collations = &collations;
  options.systemTablespace = session.frame.engine.systemTablespace.get();
  std::string database;
  for (TreeNode node : tree.PreOrder()) {
    const std::int32_t data = tree.GetItemData(node);
    const TreeNode parent = tree.GetParentItem(node);
    const NodeKind kind = ClassifyNode(
        data, parent == kNoNode ? std::nullopt : std::optional(tree.GetItemData(parent)));
    const std::string label = tree.GetItemText(node);
    if (kind == NodeKind::kContainer && tree.Depth(node) == kDatabaseDepth) {
      database = label;
      listing.entries.push_back({"database", database, "", "", "", ""});
      continue;
    }
    if (data < 1) continue;
    const auto index = static_cast<std::size_t>(data - 1);
    if (kind == NodeKind::kTable && index < lists.tables.size()) {
      const TableLocation location = session.frame.LocationOf(index);
      CatalogueEntry entry = {
          "table", database, label, "", OriginWord(location.origin), location.definitionPath};
      TableDefinition definition;
      const Status read = ReadTableDefinition(location.Files(), options, definition);
      if (read.ok()) {
        entry[kEngineColumn] = EngineText(definition);
      } else {
        // No definition came from anywhere: the file stays, as the one
        // looked at.
        entry[kDefinitionColumn].clear();
        // Said once: the scan tells of a table whose definition or files
        // it cannot read.
        const std::string files = JoinPath(location.databaseFolder, location.tableName);
        const std::string named = "table " + location.tableName + " ";
        const bool told = std::any_of(
            lists.problems.begin(), lists.problems.end(), [&](const std::string& problem) {
              return problem.find(location.definitionPath) != std::string::npos ||
                     problem.find(files) != std::string::npos ||
                     problem.find(named) != std::string::npos;
            });
        if (!told) listing.problems.push_back(database + "." + label + ": " + read.message());
      }
      listing.entries.push_back(std::move(entry));
    } else if (kind == NodeKind::kView && index < lists.views.size()) {
      listing.entries.push_back({"view", database, label, "", "view", lists.views[index]});
    } else if (kind == NodeKind::kTrigger && index < lists.triggers.size()) {
      listing.entries.push_back(
          {"triggers", database, label, "", "triggers", lists.TriggerPath(index)});
    }
  }
  return listing;
}

void WriteTsv(std::ostream& out, const std::vector<CatalogueEntry>& entries) {
  WriteTsvLine(out, {kColumns.begin(), kColumns.end()});
  for (const CatalogueEntry& entry : entries)
    WriteTsvLine(out, {entry.begin(), entry.end()});
}

void WriteJson(std::ostream& out, const std::vector<CatalogueEntry>& entries) {
  out << '[';
  for (std::size_t e = 0; e < entries.size(); ++e) {
    out << (e == 0 ? "\n  {" : ",\n  {");
    for (std::size_t c = 0; c < kColumns.size(); ++c) {
      out << (c == 0 ? "" : ", ") << JsonString(kColumns[c]) << ": " << JsonString(entries[e][c]);
    }
    out << '}';
  }
  out << (entries.empty() ? "]\n" : "\n]\n");
}

}  // namespace

int RunCatalogue(CTarnSalvorProjApp& app, const Arguments& args, std::ostream& out,
                 std::ostream& err) {
  std::vector<std::string> definitionFiles;
  std::vector<std::string> positional;
  CatalogueFormat format = CatalogueFormat::kTsv;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == kDefinitionOption || arg == "--format") {
      if (i + 1 >= args.size()) return UsageError("catalogue", arg + " needs a value", err);
      const std::string& value = args[++i];
      if (arg == kDefinitionOption) {
        definitionFiles.push_back(value);
      } else if (value == "tsv") {
        format = CatalogueFormat::kTsv;
      } else if (value == "json") {
        format = CatalogueFormat::kJson;
      } else {
        return UsageError("catalogue", "unknown format: " + value, err);
      }
    } else if (arg.size() > 1 && arg[0] == '-') {
      return UsageError("catalogue", "unknown option: " + arg, err);
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 1) return UsageError("catalogue", "catalogue needs one DATADIR", err);
  HeadlessSession session(app);
  std::string error;
  if (!session.Open(positional[0], error, definitionFiles)) {
    err << "rowmender-cli: " << error << "\n";
    return kExitFailure;
  }
  const CatalogueListing listing = ListCatalogue(session, app.collations);
  if (format == CatalogueFormat::kJson) {
    WriteJson(out, listing.entries);
  } else {
    WriteTsv(out, listing.entries);
  }
  // A folder or file the scan found but cannot read: its entry is listed
  // all the same, and the reason goes to standard error.
  const std::vector<std::string>& problems = session.frame.catalogue.problems;
  for (const std::string& problem : problems)
    err << "rowmender-cli: " << problem << "\n";
  for (const std::string& problem : listing.problems)
    err << "rowmender-cli: " << problem << "\n";
  const bool dictionaryDamaged = PrintDictionaryDamage(err, session.frame.engine.dictionaryReport);
  if (!problems.empty() || !listing.problems.empty()) return kExitFailure;
  return dictionaryDamaged ? kExitLosses : kExitOk;
}

}  // namespace rowmender::cli
