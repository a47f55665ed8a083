// The scan of a data folder: every sub-folder is a database; inside it a
// ".frm" file is a table definition (binary) or a view definition (text
// beginning with "TYPE=VIEW"), and a ".TRG" file holds the triggers of one
// table. The scan records what it finds in the catalogue lists and inserts
// the catalogue tree's nodes; nothing of a table's contents is read.
//
// What cannot be read is not left out: a definition or trigger file that
// is there but cannot be read (or is empty), or a table whose rows' file
// cannot be, is listed like the others and its problem is told, and so is a
// trigger file that the trigger name files (".TRN") call for but that is
// missing, and a folder that cannot be listed.
//
// A tablespace (".ibd") without a definition file is a table too: MySQL 8
// keeps the definition inside it (SDI). One that carries none is listed
// with that problem, since its rows cannot be read without a definition;
// the auxiliary tablespaces of full-text indexes are not tables. The
// tablespaces of a MySQL 8 partitioned table's partitions ("t#p#p0.ibd")
// are one table, named `t`, whose definition is read from the first of
// them that carries it.
//
// Folder entries are taken in the byte order of their names, so the tree
// and the lists come out the same on every file system and every run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/logic/user_interface.h"
#include "base/bytes.h"
#include "catalogue/catalogue_lists.h"
#include "catalogue/definition_sources.h"
#include "definitions/table_definition.h"

namespace rowmender {

// How many bytes of a ".frm" file tell a table from a view.
inline constexpr std::size_t kDefinitionProbeSize = 10;

enum class DefinitionFileKind { kTable, kView, kOther };

// A binary table definition starts with 0xFE 0x01; a view definition with
// the nine bytes "TYPE=VIEW". Anything else is neither.
DefinitionFileKind ClassifyDefinitionFile(ByteView firstBytes);

// Opens `path` read-only and classifies its first bytes; nothing when it
// cannot be opened.
std::optional<DefinitionFileKind> ReadDefinitionFileKind(const std::string& path);

// The text after the last full stop of `fileName`, lower-cased (ASCII);
// empty without a full stop.
std::string LowerCaseExtension(std::string_view fileName);

// Full paths of the sub-folders of `dataFolder` (links to folders
// included), in name order. Files in the data folder itself are not looked
// at. A data folder that cannot be listed, and a link whose target is gone,
// are told in `problems` when it is given.
std::vector<std::string> FindDatabaseFolders(const std::string& dataFolder,
                                             std::vector<std::string>* problems = nullptr);

// Names of the entries of `folder` that are not folders, in name order.
std::vector<std::string> ListFolderFiles(const std::string& folder);

enum class CatalogueFileKind { kTable, kView, kTriggers };

// A table, view or trigger file of a database folder.
struct CatalogueFile {
  CatalogueFileKind kind = CatalogueFileKind::kTable;
  // The file's name on disk, extension included.
  std::string fileName;
  // Why it cannot be read; empty when it can. A definition file that cannot
  // be read counts as a table's. For a table, the files of its rows are
  // looked at too: a MyISAM data file or an InnoDB tablespace that is
  // missing, empty or unreadable (a table without a tablespace of its own
  // is taken to be in ibdata1, where the data folder has one).
  std::string problem;
  // Where the table's definition is: the definition file itself, or the
  // tablespace `fileName` names, or `definitionPath`.
  DefinitionOrigin origin = DefinitionOrigin::kDefinitionFile;
  // A file of CREATE TABLE statements or the system tablespace; empty when
  // the definition is in `fileName`.
  std::string definitionPath;
};

// The tables, views and trigger files of the database folder `folderPath`,
// in name order; sub-folders are not entered. A file that cannot be read
// carries its problem. The folder itself when it cannot be listed, and a
// trigger name file that cannot be read, add a line to `problems`.
// A tablespace or MyISAM data file without a definition file of its own
// whose definition `sources` knows (a statement, the dictionary) is a table
// read with that definition.
std::vector<CatalogueFile> ListCatalogueFiles(const std::string& folderPath,
                                              std::vector<std::string>& problems,
                                              const DefinitionSources* sources = nullptr);

// The note on a tree node whose name differs from its file's: "On disk: "
// and the file or folder name.
inline constexpr const char* kOnDiskNotePrefix = "On disk: ";

// The start of the tooltip of a table node marked unreadable, before the
// reason.
inline constexpr const char* kCannotBeReadPrefix = "Cannot be read: ";

// Inserts a node labelled with the SQL name of the database, table, view or
// trigger file named `onDiskName`; when the two differ, the on-disk form is
// the node's note.
TreeNode InsertNamedNode(UserInterface& ui, const std::string& onDiskName, int image,
                         std::int32_t itemData, TreeNode parent);

// Scans one database folder (`folderPath`, without trailing separator,
// database index `databaseIndex`): appends its tables, views and triggers
// to `lists` and inserts their nodes, under `tablesNode` for tables and
// under a "Views" and a "Trigger" node of `databaseNode`, each created when
// the first file of its kind is met; what cannot be read is appended to
// `lists.problems`, and a table's node is marked unreadable with its
// problem. Sub-folders are not entered.
void ScanDatabaseFolder(UserInterface& ui, CatalogueLists& lists, TreeNode databaseNode,
                        const std::string& folderPath, TreeNode tablesNode,
                        std::int32_t databaseIndex, const DefinitionSources* sources = nullptr);

}  // namespace rowmender
