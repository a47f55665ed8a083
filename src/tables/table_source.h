// A table opened for reading: its definition and the files that hold its
// rows, for whichever storage engine keeps them. Cursors made from it
// read the rows; several cursors (on several threads) may read one source.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/collation_table.h"
#include "base/status.h"
#include "definitions/ddl_statements.h"
#include "definitions/table_definition.h"
#include "values/table_cursor.h"

namespace rowmender {

class SystemTablespace;

// Where a table's files are.
struct TableFiles {
  // Where the definition is read from: the table's .frm; its .ibd for the
  // SDI a MySQL 8 tablespace carries; the system tablespace for the data
  // dictionary; a file of CREATE TABLE statements.
  std::string definitionPath;
  std::string databaseFolder;  // the folder of its database
  std::string tableName;       // the file name stem of its files
  DefinitionOrigin origin = DefinitionOrigin::kDefinitionFile;
};

// What a read needs besides the table's own files.
struct ReadOptions {
  // Tells every column's character set and bytes per character.
  const CollationTable* collations = nullptr;
  // InnoDB: the system tablespace with the data dictionary (types the
  // columns, finds the clustered index and reads tables kept inside it);
  // null reads from the definition and the table's .ibd alone.
  const SystemTablespace* systemTablespace = nullptr;
  // Read a data file that does not seem to belong to the table (its space
  // id or index id differs from the dictionary's, or its records do not
  // fit the definition) rather than refuse it.
  bool readMismatchedFiles = false;
};

// How large the parts of a split scan are.
struct ScanSplit {
  // InnoDB: leaf pages per part.
  std::size_t pagesPerPart = 64;
  // MyISAM: bytes of the data file per part (whole records).
  std::uint64_t bytesPerPart = 1u << 20;
};

class TableSource {
 public:
  virtual ~TableSource() = default;

  // Opens a table: reads its definition and opens the files its engine
  // keeps the rows in. A status says what is missing or unreadable.
  static Status Open(const TableFiles& files, const ReadOptions& options,
                     std::unique_ptr<TableSource>& out);
  // Opens a table whose definition was read elsewhere (a tablespace's SDI,
  // the data dictionary, a CREATE TABLE statement): `files.definitionPath`
  // is not read.
  static Status OpenWithDefinition(TableDefinition table, const TableFiles& files,
                                   const ReadOptions& options, std::unique_ptr<TableSource>& out);

  virtual const TableDefinition& Definition() const = 0;
  // A cursor at the first row.
  virtual std::unique_ptr<TableCursor> NewCursor() const = 0;
  // The scan in parts that cursors read apart, for reading on several
  // threads; one part, NewCursor(), where the rows are not found that way.
  virtual std::unique_ptr<ScanParts> SplitScan(const ScanSplit& split = ScanSplit{}) const {
    (void)split;
    return SinglePart(NewCursor());
  }
  // How the table was opened where that matters to the user (an index file
  // missing, the columns typed by the definition alone, ...).
  const std::vector<std::string>& Notes() const { return notes_; }
  // The file the rows are read from.
  const std::string& DataPath() const { return dataPath_; }

 protected:
  std::vector<std::string> notes_;
  std::string dataPath_;
};

// The definition file at `path` parsed, or a status saying why not.
Status ReadDefinitionFile(const std::string& path, TableDefinition& out);

// The definition of table `tableName` from the SDI of the tablespace at
// `path` (MySQL 8). A tablespace of one table names it; in one shared by
// several (a general tablespace such as mysql.ibd) it is found by its name,
// and by its database where `databaseName` is given.
Status ReadTablespaceDefinition(const std::string& path, const std::string& tableName,
                                TableDefinition& out, const std::string& databaseName = {});

// The tables whose definitions the tablespace at `path` carries (SDI):
// "database/table" each, as the server names them; nothing where it
// carries none.
std::vector<std::string> TablespaceTableNames(const std::string& path);

// The definition in the .sdi file at `path`: the one MySQL 8 keeps beside
// the data files of a table that has no tablespace (MyISAM, CSV). It must
// describe the table whose files are named `tableName`.
Status ReadSdiFile(const std::string& path, const std::string& tableName, TableDefinition& out);

// The .sdi file in `databaseFolder` that describes the table whose files
// are named `stem`; empty when there is none. The server names the file
// after the table's first 16 characters and its object id ("name_1234.sdi"),
// so the candidates are read to find the one for this table.
std::string FindSdiFile(const std::string& databaseFolder, const std::string& stem);

// The tablespace at `path` carries the definition of a table (SDI).
bool TablespaceCarriesDefinition(const std::string& path);

// The tablespaces in `databaseFolder` of the partitions of the MySQL 8
// partitioned table whose files are named `stem` ("t#p#p0.ibd",
// "t#p#p0#sp#p0sp0.ibd", the markers in either case), in name order.
std::vector<std::string> PartitionTablespaces(const std::string& databaseFolder,
                                              const std::string& stem);

// The first of the partition tablespaces of the table `stem` whose SDI
// describes it as a partitioned table, which its definition is read from;
// empty when none does (all are missing, unreadable or damaged).
std::string PartitionedTableDefinitionSource(const std::string& databaseFolder,
                                             const std::string& stem);

// Where a definition not read from a .frm came from, and what its source
// did not know (its gaps), one sentence each; nothing for a .frm's.
std::vector<std::string> DefinitionNotes(const TableDefinition& definition,
                                         const TableFiles& files);

// The CREATE TABLE statements of the file at `path`, or a status naming
// the file and saying what cannot be read or parsed (with line and column).
Status ReadStatementFile(const std::string& path, const CollationTable& collations,
                         std::vector<StatementTable>& out);

// A statement for table `name` of `database` (empty: of any database) is
// one for the files named `stem` in the database folder `folderName`: the
// names compared as the server writes them on disk, or as SQL names.
bool StatementNamesTable(const std::string& database, const std::string& name,
                         const std::string& folderName, const std::string& stem);

// The partition file (.par) of the partitioned table whose files are named
// `table` in `databaseFolder`, decoded; a status says it is missing or
// damaged.
struct PartitionFile;
Status ReadPartitionFile(const std::string& databaseFolder, const std::string& table,
                         PartitionFile& out);

// The table's definition from where `files` says it is kept.
Status ReadTableDefinition(const TableFiles& files, const ReadOptions& options,
                           TableDefinition& out);

}  // namespace rowmender
