// What a save writes: the tables, views and trigger files it was given, in
// the order a restore needs them.
#pragma once

#include <string>
#include <vector>

#include "catalogue/table_locator.h"

namespace rowmender {

enum class SaveObjectKind {
  kTable,
  kView,
  kTriggers,  // the trigger file of one table
};

struct SaveObject {
  SaveObjectKind kind = SaveObjectKind::kTable;
  // SQL names (UTF-8) of the database and of the table or view; for a
  // trigger file the table it belongs to.
  std::string databaseName;
  std::string name;
  // The data folder, the database folder and, for a table, its definition
  // file; `tableName` is the name on disk.
  TableLocation location;
  // The view definition or trigger file (empty for a table).
  std::string path;

  // `db`.`name` for messages.
  std::string QualifiedName() const;
};

// One object of `kind` found in a database folder of `dataFolder`.
// `fileName` is the file's name on disk (with extension).
// A table's definition is read from that file as `origin` says, or from
// `definitionPath` where given (statements, the system tablespace).
SaveObject MakeSaveObject(SaveObjectKind kind, const std::string& dataFolder,
                          const std::string& databaseFolder, const std::string& fileName,
                          DefinitionOrigin origin = DefinitionOrigin::kDefinitionFile,
                          const std::string& definitionPath = {});

// Every table, view and trigger file of the data folder: databases and
// files in name order. A definition or trigger file that cannot be read is
// among them (its read says why); a folder that cannot be listed, a link
// to a folder that is gone and a trigger name file that cannot be read are
// told in `problems` when it is given.
std::vector<SaveObject> DataFolderObjects(const std::string& dataFolder,
                                          std::vector<std::string>* problems = nullptr,
                                          const DefinitionSources* sources = nullptr);

// The objects named by `names`, each "DB.NAME" with SQL or on-disk names: a
// table (with its triggers) or a view. Names that match nothing are put
// into `unmatched`.
std::vector<SaveObject> SelectObjects(const std::vector<SaveObject>& all,
                                      const std::vector<std::string>& names,
                                      std::vector<std::string>& unmatched);

// True when folder `inner` is folder `outer` or lies inside it (after
// resolving links and "..", as far as they exist). A save never writes into
// the data folder it reads.
bool IsFolderInside(const std::string& inner, const std::string& outer);

// Tables first, then views, then trigger files (creating a trigger before
// the rows are in would let it fire on the restored rows); the order within
// each kind is kept.
void OrderForRestore(std::vector<SaveObject>& objects);

}  // namespace rowmender
