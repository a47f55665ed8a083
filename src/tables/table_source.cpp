#include "tables/table_source.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "base/data_file.h"
#include "base/file_check.h"
#include "base/paths.h"
#include "base/table_file_names.h"
#include "base/table_files_check.h"
#include "definitions/engine_names.h"
#include "definitions/frm_reader.h"
#include "definitions/partition_file.h"
#include "definitions/sdi_definition.h"
#include "innodb/dictionary_definition.h"
#include "innodb/page.h"
#include "innodb/sdi.h"
#include "tables/engine_sources.h"
#include "tables/system_tablespace.h"
#include "tables/table_refusals.h"

namespace rowmender {

namespace {

// Definition files are small; anything beyond this is not one.
constexpr std::uint64_t kLargestDefinitionFile = 64u << 20;

// The entries that hold the table's rows, whatever their kind, so that one
// that is there but cannot be read is told from one that is missing.
TableDataFiles DataFilesOf(const TableFiles& files, const char* dataExtension) {
  TableDataFiles found;
  found.databaseFolder = files.databaseFolder;
  found.tableName = files.tableName;
  found.dataPath = FindEntryWithExtension(files.databaseFolder, files.tableName, dataExtension);
  if (std::string_view(dataExtension) == "MYD") {
    found.indexPath = FindFileWithExtension(files.databaseFolder, files.tableName, "MYI");
  } else if (std::string_view(dataExtension) == "MAD") {
    found.indexPath = FindFileWithExtension(files.databaseFolder, files.tableName, "MAI");
  }
  return found;
}

// Where a tablespace carries a definition of its own (a .frm beside a
// MySQL 8 tablespace), whether the two name other columns: said, as the
// .frm's is the one used. Empty when they agree or there is none.
std::string DefinitionsDisagree(const TableDefinition& frm, const std::string& tablespacePath,
                                const std::string& tableName) {
  DataFile file;
  if (!file.Open(tablespacePath)) return {};
  PageBuffer first(kMinInnoPageSize, 0);  // the space header
  file.ReadAt(0, first);
  if (!SdiFlagged(first)) return {};
  TableDefinition kept;
  if (!ReadTablespaceDefinition(tablespacePath, tableName, kept).ok()) return {};
  const auto names = [](const TableDefinition& table) {
    std::string list;
    for (const ColumnDefinition& column : table.columns)
      list += (list.empty() ? "" : ", ") + column.name;
    return list;
  };
  if (names(frm) == names(kept)) return {};
  return "the definition file and the definition " + tablespacePath +
         " carries disagree: the .frm's columns are " + names(frm) + "; the tablespace's are " +
         names(kept) + ". The .frm's are used";
}

}  // namespace

Status ReadDefinitionFile(const std::string& path, TableDefinition& out) {
  Status readable = CheckDataFile(path, "the table definition");
  if (!readable.ok()) return readable;
  DataFile file;
  if (!file.Open(path)) return Status::IoError("the table definition " + path + " cannot be read");
  std::vector<std::uint8_t> bytes(
      static_cast<std::size_t>(std::min(file.Size(), kLargestDefinitionFile)));
  bytes.resize(file.ReadAt(0, bytes));
  DefinitionProgress progress;
  switch (ParseTableDefinition(bytes, out, progress)) {
    case DefinitionStatus::kRead:
      if (out.columns.empty())
        return Status::Corruption(path + ": the definition holds no columns");
      return Status::Ok();
    case DefinitionStatus::kMissing:
      return Status::NotFound("the table definition " + path + " is missing");
    case DefinitionStatus::kNotADefinition:
      return Status::Corruption(path + ": not a table definition");
    case DefinitionStatus::kCorrupt:
      return Status::Corruption(path + ": damaged table definition" +
                                (progress.problem.empty() ? "" : ": " + progress.problem));
    case DefinitionStatus::kUnsupported:
      return Status::Corruption(path +
                                ": the table definition cannot be read: " + progress.problem);
  }
  return Status::Corruption(path + ": damaged table definition");
}

Status ReadTablespaceDefinition(const std::string& path, const std::string& tableName,
                                TableDefinition& out, const std::string& databaseName) {
  Status readable = CheckDataFile(path, "the tablespace");
  if (!readable.ok()) return readable;
  DataFile file;
  if (!file.Open(path)) return Status::IoError("the tablespace " + path + " cannot be read");
  const FilePageSource pages(file, GeometryOfFile(file, nullptr));
  const SdiContents sdi = ReadSdi(pages);
  std::vector<const SdiObject*> tables;
  for (const SdiObject& object : sdi.objects) {
    if (object.type == kSdiTypeTable) tables.push_back(&object);
  }
  std::string problems;
  for (const std::string& problem : sdi.problems)
    problems += "; " + problem;
  if (tables.empty()) {
    if (!sdi.flagged && sdi.problems.empty()) {
      return Status::NotFound(path +
                              " carries no table definition (SDI), and the table has no "
                              "definition file (.frm) nor a CREATE TABLE statement given");
    }
    return Status::Corruption(path + ": the table definition (SDI) cannot be read" + problems);
  }
  // A tablespace of one table (the usual file per table) names it; one
  // shared by several (a general tablespace) is searched by name.
  Status last;
  for (const SdiObject* object : tables) {
    SdiTable table;
    last = ParseSdiTable(object->json, table);
    if (!last.ok()) continue;
    const bool database = databaseName.empty() || table.schema == databaseName ||
                          EncodeTableFileName(table.schema) == databaseName;
    if (tables.size() == 1 ||
        (database && (table.name == tableName || EncodeTableFileName(table.name) == tableName))) {
      out = std::move(table.definition);
      if (!sdi.problems.empty()) {
        out.gaps.push_back("the SDI of " + path + " is partly damaged" + problems);
      }
      return Status::Ok();
    }
  }
  if (!last.ok()) return Status::Corruption(path + ": " + last.message());
  return Status::NotFound("the SDI of " + path + " does not describe a table " + tableName);
}

std::vector<std::string> TablespaceTableNames(const std::string& path) {
  std::vector<std::string> names;
  DataFile file;
  if (!file.Open(path)) return names;
  const FilePageSource pages(file, GeometryOfFile(file, nullptr));
  for (const SdiObject& object : ReadSdi(pages).objects) {
    SdiTable table;
    if (object.type != kSdiTypeTable || !ParseSdiTable(object.json, table).ok()) continue;
    names.push_back(table.schema + "/" + table.name);
  }
  return names;
}

Status ReadSdiFile(const std::string& path, const std::string& tableName, TableDefinition& out) {
  const Status readable = CheckDataFile(path, "the definition file (.sdi)");
  if (!readable.ok()) return readable;
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFile(path, bytes, kLargestDefinitionFile)) {
    return Status::IoError("the definition file " + path + " cannot be read");
  }
  SdiTable table;
  const Status parsed = ParseSdiTable(
      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), table);
  if (!parsed.ok()) return Status::Corruption(path + ": " + parsed.message());
  if (table.name != tableName && EncodeTableFileName(table.name) != tableName) {
    return Status::NotFound(path + " describes the table " + table.name + ", not " + tableName);
  }
  out = std::move(table.definition);
  out.origin = DefinitionOrigin::kSdiFile;
  return Status::Ok();
}

std::string FindSdiFile(const std::string& databaseFolder, const std::string& stem) {
  namespace fs = std::filesystem;
  // The .sdi files of the folder, those whose name starts as the table's
  // first: "name_1234.sdi" with "name" a prefix of the stem.
  std::vector<std::string> likely;
  std::vector<std::string> others;
  std::error_code error;
  for (fs::directory_iterator it(databaseFolder, error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.size() < 4) continue;
    std::string extension = name.substr(name.size() - 4);
    for (char& c : extension)
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension != ".sdi") continue;
    const std::string fileStem = name.substr(0, name.size() - 4);
    const std::size_t cut = fileStem.rfind('_');
    const bool numbered = cut != std::string::npos && cut + 1 < fileStem.size() &&
                          std::all_of(fileStem.begin() + static_cast<std::ptrdiff_t>(cut) + 1,
                                      fileStem.end(), [](char c) { return c >= '0' && c <= '9'; });
    const bool prefix = numbered && cut > 0 && stem.starts_with(fileStem.substr(0, cut));
    (prefix ? likely : others).push_back(it->path().string());
  }
  std::sort(likely.begin(), likely.end());
  std::sort(others.begin(), others.end());
  // A name cut inside a character does not start the stem: such files are
  // read last.
  for (const auto* list : {&likely, &others}) {
    for (const std::string& path : *list) {
      TableDefinition definition;
      if (ReadSdiFile(path, stem, definition).ok()) return path;
    }
  }
  return {};
}

bool TablespaceCarriesDefinition(const std::string& path) {
  DataFile file;
  if (!file.Open(path)) return false;
  const FilePageSource pages(file, GeometryOfFile(file, nullptr));
  const SdiContents sdi = ReadSdi(pages);
  return std::any_of(sdi.objects.begin(), sdi.objects.end(),
                     [](const SdiObject& object) { return object.type == kSdiTypeTable; });
}

std::vector<std::string> PartitionTablespaces(const std::string& databaseFolder,
                                              const std::string& stem) {
  namespace fs = std::filesystem;
  std::vector<std::string> paths;
  std::error_code error;
  for (fs::directory_iterator it(databaseFolder, error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = it->path().filename().string();
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || name.size() - dot != 4) continue;
    std::string extension = name.substr(dot + 1);
    for (char& c : extension)
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension != "ibd") continue;
    const std::string fileStem = name.substr(0, dot);
    const std::size_t marker = PartitionMarkerAt(fileStem);
    if (marker != std::string::npos && fileStem.substr(0, marker) == stem)
      paths.push_back(it->path().string());
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

std::string PartitionedTableDefinitionSource(const std::string& databaseFolder,
                                             const std::string& stem) {
  for (const std::string& path : PartitionTablespaces(databaseFolder, stem)) {
    if (!TablespaceCarriesDefinition(path)) continue;
    TableDefinition definition;
    if (ReadTablespaceDefinition(path, stem, definition,
                                 LastComponent(WithoutTrailingSeparator(databaseFolder)))
            .ok() &&
        !definition.tablespacePartitions.empty()) {
      return path;
    }
  }
  return {};
}

Status ReadStatementFile(const std::string& path, const CollationTable& collations,
                         std::vector<StatementTable>& out) {
  constexpr std::uint64_t kLargestStatementFile = 256u << 20;
  const Status readable = CheckDataFile(path, "the file of CREATE TABLE statements");
  if (!readable.ok()) return readable;
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFile(path, bytes, kLargestStatementFile)) {
    return Status::IoError("the file of CREATE TABLE statements " + path + " cannot be read");
  }
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  const Status parsed = ParseCreateTableStatements(text, collations, out);
  if (!parsed.ok()) return Status::Corruption(path + ": " + parsed.message());
  return Status::Ok();
}

bool StatementNamesTable(const std::string& database, const std::string& name,
                         const std::string& folderName, const std::string& stem) {
  const auto same = [](const std::string& sqlName, const std::string& fileName) {
    return sqlName == fileName || EncodeTableFileName(sqlName) == fileName ||
           sqlName == DecodeTableFileName(fileName);
  };
  return same(name, stem) && (database.empty() || same(database, folderName));
}

std::vector<std::string> DefinitionNotes(const TableDefinition& definition,
                                         const TableFiles& files) {
  std::vector<std::string> notes;
  const std::string table = files.tableName;
  switch (definition.origin) {
    case DefinitionOrigin::kDefinitionFile:
      break;
    case DefinitionOrigin::kTablespaceSdi:
      notes.push_back("the definition of " + table +
                      " was read from its tablespace (SDI): " + files.definitionPath);
      break;
    case DefinitionOrigin::kSdiFile:
      notes.push_back("the definition of " + table +
                      " was read from its MySQL 8 definition file (.sdi): " + files.definitionPath);
      break;
    case DefinitionOrigin::kDictionary:
      notes.push_back("the definition of " + table +
                      " was rebuilt from the InnoDB data dictionary in " + files.definitionPath +
                      ", as its definition file (.frm) is missing or unreadable");
      break;
    case DefinitionOrigin::kStatement:
      notes.push_back("the definition of " + table +
                      " was read from the CREATE TABLE statement in " + files.definitionPath);
      break;
  }
  notes.insert(notes.end(), definition.gaps.begin(), definition.gaps.end());
  return notes;
}

Status ReadTableDefinition(const TableFiles& files, const ReadOptions& options,
                           TableDefinition& out) {
  switch (files.origin) {
    case DefinitionOrigin::kDefinitionFile:
      return ReadDefinitionFile(files.definitionPath, out);
    case DefinitionOrigin::kTablespaceSdi:
      return ReadTablespaceDefinition(
          files.definitionPath, files.tableName, out,
          LastComponent(WithoutTrailingSeparator(files.databaseFolder)));
    case DefinitionOrigin::kSdiFile:
      return ReadSdiFile(files.definitionPath, files.tableName, out);
    case DefinitionOrigin::kStatement: {
      if (options.collations == nullptr) {
        return Status::NotSupported(
            "CREATE TABLE statements are read only with the collation table");
      }
      std::vector<StatementTable> tables;
      const Status status = ReadStatementFile(files.definitionPath, *options.collations, tables);
      if (!status.ok()) return status;
      const std::string folderName = LastComponent(WithoutTrailingSeparator(files.databaseFolder));
      for (StatementTable& table : tables) {
        if (StatementNamesTable(table.database, table.name, folderName, files.tableName)) {
          out = std::move(table.definition);
          out.origin = DefinitionOrigin::kStatement;
          return Status::Ok();
        }
      }
      return Status::NotFound(files.definitionPath + " holds no CREATE TABLE statement for " +
                              folderName + "." + files.tableName);
    }
    case DefinitionOrigin::kDictionary: {
      const SystemTablespace* system = options.systemTablespace;
      if (system == nullptr || options.collations == nullptr) {
        return Status::NotFound("the definition of " + files.tableName +
                                " is to come from the data dictionary, which was not read");
      }
      const std::string name =
          LastComponent(WithoutTrailingSeparator(files.databaseFolder)) + "/" + files.tableName;
      const std::uint64_t tableId = system->FindTableId(name);
      if (tableId == 0) {
        return Status::NotFound("the data dictionary in " + system->Path() + " does not list " +
                                name);
      }
      DictionaryDefinition found;
      const Status status =
          DefinitionFromDictionary(system->Rows(), tableId, *options.collations, found);
      if (!status.ok()) return status;
      out = std::move(found.definition);
      return Status::Ok();
    }
  }
  return Status::NotSupported("this kind of table definition is not read");
}

Status TableSource::Open(const TableFiles& files, const ReadOptions& options,
                         std::unique_ptr<TableSource>& out) {
  TableDefinition table;
  Status status = ReadTableDefinition(files, options, table);
  if (!status.ok()) return status;
  return OpenWithDefinition(std::move(table), files, options, out);
}

Status TableSource::OpenWithDefinition(TableDefinition table, const TableFiles& files,
                                       const ReadOptions& options,
                                       std::unique_ptr<TableSource>& out) {
  Status status;
  switch (table.storageEngine) {
    case kEngineMyIsam:
      status = CheckMyisamDataFile(DataFilesOf(files, "MYD"));
      if (!status.ok()) return status;
      return OpenMyisamSource(std::move(table), files, options, out);
    case kEngineAria:
      status = CheckAriaDataFile(DataFilesOf(files, "MAD"));
      if (!status.ok()) return status;
      return OpenAriaSource(std::move(table), files, options, out);
    case kEngineInnoDb: {
      const TableDataFiles dataFiles = DataFilesOf(files, "ibd");
      status = CheckInnoTablespaceFile(dataFiles, options.systemTablespace != nullptr);
      if (!status.ok()) return status;
      const std::string disagreement =
          files.origin == DefinitionOrigin::kDefinitionFile && !dataFiles.dataPath.empty()
              ? DefinitionsDisagree(table, dataFiles.dataPath, files.tableName)
              : std::string();
      status = OpenInnoSource(std::move(table), files, options, out);
      if (out && !disagreement.empty()) out->notes_.push_back(disagreement);
      return status;
    }
    case kEnginePartitioned:
      return OpenPartitionedSource(std::move(table), files, options, out);
    case kEngineCsv:
      return OpenCsvSource(std::move(table), files, options, out);
    default:
      return EngineRefusal(table.storageEngine);
  }
}

}  // namespace rowmender
