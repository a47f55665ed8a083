#include "catalogue/data_folder_scan.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <map>
#include <system_error>

#include "base/data_file.h"
#include "base/file_check.h"
#include "base/paths.h"
#include "base/table_file_names.h"
#include "base/table_files_check.h"
#include "definitions/partition_file.h"
#include "definitions/table_definition.h"
#include "innodb/dictionary_definition.h"
#include "tables/system_tablespace.h"
#include "tables/table_refusals.h"
#include "tables/table_source.h"

namespace rowmender {

namespace fs = std::filesystem;

namespace {

constexpr std::uint8_t kTableMagic0 = 0xFE;
constexpr std::uint8_t kTableMagic1 = 0x01;
constexpr std::string_view kViewSignature = "TYPE=VIEW";
constexpr std::string_view kDefinitionExtension = "frm";
constexpr std::string_view kTriggerExtension = "trg";
constexpr std::string_view kTriggerNameExtension = "trn";
constexpr const char* kTriggerFileExtension = ".TRG";
// The line of a trigger name file that names the trigger's table.
constexpr std::string_view kTriggerTableKey = "trigger_table=";
constexpr std::uint64_t kLargestTriggerNameFile = 64u << 10;
// Where a table definition keeps its storage engine's code.
constexpr std::size_t kEngineOffset = 3;

struct FolderEntry {
  std::string name;
  bool folder = false;
  // A link whose target is gone.
  bool brokenLink = false;
};

// The entries of `folder` in name order; false, with a line in `problem`
// naming the folder as `what`, when it cannot be listed.
bool ListEntries(const std::string& folder, std::string_view what, std::vector<FolderEntry>& out,
                 std::string& problem) {
  const FileCheck readable = CheckFolder(folder);
  if (!readable.Readable()) {
    problem = FileProblemText(what, WithoutTrailingSeparator(folder), readable);
    return false;
  }
  std::error_code error;
  fs::directory_iterator it(folder, error);
  for (const fs::directory_iterator end; !error && it != end; it.increment(error)) {
    FolderEntry entry;
    entry.name = it->path().filename().string();
    std::error_code typeError;
    entry.folder = it->is_directory(typeError);
    if (!entry.folder && it->is_symlink(typeError)) {
      entry.brokenLink = !fs::exists(it->path(), typeError);
    }
    out.push_back(std::move(entry));
  }
  if (error) {
    FileCheck failed;
    failed.state = FileState::kUnreadable;
    failed.problem = "cannot be read: " + error.message();
    problem = FileProblemText(what, WithoutTrailingSeparator(folder), failed);
    return false;
  }
  std::sort(out.begin(), out.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  return true;
}

std::string WithoutExtension(const std::string& fileName) {
  const std::size_t dot = fileName.rfind('.');
  return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

std::string LowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

CatalogueFile MakeFile(CatalogueFileKind kind, const std::string& fileName, std::string problem) {
  CatalogueFile file;
  file.kind = kind;
  file.fileName = fileName;
  file.problem = std::move(problem);
  return file;
}

// InnoDB's auxiliary tables of a full-text index ("fts_", the table id in
// 16 hex digits, "_..."): parts of another table, not tables of their own.
bool IsFullTextAuxiliaryName(std::string_view stem) {
  constexpr std::size_t kIdDigits = 16;
  if (stem.size() < 4 + kIdDigits + 1 || LowerAscii(std::string(stem.substr(0, 4))) != "fts_") {
    return false;
  }
  for (std::size_t i = 4; i < 4 + kIdDigits; ++i) {
    if (!std::isxdigit(static_cast<unsigned char>(stem[i]))) return false;
  }
  return stem[4 + kIdDigits] == '_';
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The table a trigger name file names, as it is written there; empty when
// the file names none.
std::string TriggerTableOf(const std::vector<std::uint8_t>& file) {
  const std::string_view text = AsChars(file);
  std::size_t line = 0;
  while (line < text.size()) {
    std::size_t end = text.find('\n', line);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view content = text.substr(line, end - line);
    if (content.starts_with(kTriggerTableKey)) {
      return std::string(content.substr(kTriggerTableKey.size()));
    }
    line = end + 1;
  }
  return {};
}

// The kind of a definition file and, for a table, the storage engine
// code its header keeps; nothing when it cannot be read.
struct DefinitionProbe {
  DefinitionFileKind kind = DefinitionFileKind::kOther;
  std::uint8_t engine = 0;
};

std::optional<DefinitionProbe> ProbeDefinitionFile(const std::string& path) {
  DataFile file;
  if (!file.Open(path)) return std::nullopt;
  std::array<std::uint8_t, kDefinitionProbeSize> probe{};
  const std::size_t read = file.ReadAt(0, probe);
  const ByteView bytes(probe.data(), read);
  return DefinitionProbe{ClassifyDefinitionFile(bytes), ByteAt(bytes, kEngineOffset)};
}

// The triggers that the trigger name files of a folder give to one table.
struct NamedTriggers {
  std::string table;
  std::vector<std::string> triggers;
};

}  // namespace

DefinitionFileKind ClassifyDefinitionFile(ByteView firstBytes) {
  if (ByteAt(firstBytes, 0) == kTableMagic0) {
    return ByteAt(firstBytes, 1) == kTableMagic1 ? DefinitionFileKind::kTable
                                                 : DefinitionFileKind::kOther;
  }
  if (BytesEqual(firstBytes, 0, kViewSignature)) return DefinitionFileKind::kView;
  return DefinitionFileKind::kOther;
}

std::optional<DefinitionFileKind> ReadDefinitionFileKind(const std::string& path) {
  const auto probe = ProbeDefinitionFile(path);
  if (!probe) return std::nullopt;
  return probe->kind;
}

std::string LowerCaseExtension(std::string_view fileName) {
  const std::size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos) return {};
  std::string extension(fileName.substr(dot + 1));
  for (char& c : extension) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return extension;
}

std::vector<std::string> FindDatabaseFolders(const std::string& dataFolder,
                                             std::vector<std::string>* problems) {
  std::vector<std::string> folders;
  std::vector<FolderEntry> entries;
  std::string problem;
  if (!ListEntries(dataFolder, "the data folder", entries, problem)) {
    if (problems != nullptr) problems->push_back(problem);
    return folders;
  }
  for (const FolderEntry& entry : entries) {
    const std::string path = JoinPath(dataFolder, entry.name);
    if (entry.folder) {
      folders.push_back(path);
    } else if (entry.brokenLink && problems != nullptr) {
      // Most likely a database folder kept on another disk.
      problems->push_back(FileProblemText("", path, CheckFolder(path)));
    }
  }
  return folders;
}

std::vector<std::string> ListFolderFiles(const std::string& folder) {
  std::vector<std::string> names;
  std::vector<FolderEntry> entries;
  std::string ignored;
  ListEntries(folder, "", entries, ignored);
  for (const FolderEntry& entry : entries) {
    if (!entry.folder) names.push_back(entry.name);
  }
  return names;
}

std::vector<CatalogueFile> ListCatalogueFiles(const std::string& folderPath,
                                              std::vector<std::string>& problems,
                                              const DefinitionSources* sources) {
  std::vector<CatalogueFile> files;
  std::vector<FolderEntry> entries;
  std::string problem;
  if (!ListEntries(folderPath, "the database folder", entries, problem)) {
    problems.push_back(problem);
    return files;
  }
  const auto unreadable = [&](CatalogueFileKind kind, const std::string& fileName,
                              std::string_view what, const FileCheck& check) {
    files.push_back(
        MakeFile(kind, fileName, FileProblemText(what, JoinPath(folderPath, fileName), check)));
  };
  // The entries by stem and lower-case extension, for the files of a
  // table's rows.
  std::map<std::string, std::string> byStem;
  for (const FolderEntry& entry : entries)
    byStem.emplace(WithoutExtension(entry.name) + "." + LowerCaseExtension(entry.name), entry.name);
  const auto entryOf = [&](const std::string& stem, const char* extension) {
    const auto found = byStem.find(stem + "." + extension);
    return found == byStem.end() ? std::string() : JoinPath(folderPath, found->second);
  };
  // The problem of the files that hold a table's rows (empty: none seen),
  // or what is known against reading them (an engine no reader here reads,
  // encryption).
  const auto dataProblem = [&](const std::string& stem, std::uint8_t engine) {
    TableDataFiles rowFiles{folderPath, stem, {}, {}};
    Status status;
    if (engine == kEngineMyIsam) {
      rowFiles.dataPath = entryOf(stem, "myd");
      rowFiles.indexPath = entryOf(stem, "myi");
      status = CheckMyisamDataFile(rowFiles);
    } else if (engine == kEngineAria) {
      rowFiles.dataPath = entryOf(stem, "mad");
      rowFiles.indexPath = entryOf(stem, "mai");
      status = CheckAriaDataFile(rowFiles);
    } else if (engine == kEngineInnoDb) {
      rowFiles.dataPath = entryOf(stem, "ibd");
      // A table without a tablespace of its own may be in ibdata1.
      status = CheckInnoTablespaceFile(rowFiles, false);
    } else if (engine == kEngineCsv) {
      rowFiles.dataPath = entryOf(stem, "csv");
    }
    if (status.ok()) status = CheckTableRowsReadable(engine, rowFiles);
    return status.ok() ? std::string() : status.message();
  };
  // A partitioned table's rows are in the files of the partitions its .par
  // names: those missing or unreadable are its problem.
  const auto partitionProblem = [&](const std::string& stem) {
    PartitionFile par;
    const Status status = ReadPartitionFile(folderPath, stem, par);
    if (!status.ok()) return status.message();
    std::string found;
    for (std::size_t i = 0; i < par.names.size(); ++i) {
      std::string partStem = stem + std::string(kPartitionMarker) + par.names[i];
      const std::string lowerStem = stem + "#p#" + par.names[i];
      const char* extension = par.engines[i] == kEngineMyIsam ? "myd"
                              : par.engines[i] == kEngineAria ? "mad"
                                                              : "ibd";
      if (entryOf(partStem, extension).empty() && !entryOf(lowerStem, extension).empty())
        partStem = lowerStem;
      const std::string missing = dataProblem(partStem, par.engines[i]);
      if (!missing.empty()) {
        found += (found.empty() ? "" : "; ") + std::string("partition ") +
                 DecodeTableFileName(par.names[i]) + " of " + DecodeTableFileName(stem) + ": " +
                 missing;
      }
    }
    return found;
  };
  // A MySQL 8 partitioned table's rows are in the tablespaces of the
  // partitions its SDI names (the server writes their names in lower case
  // since 8.0.17, "#P#" before): those missing or unreadable are its
  // problem.
  std::map<std::string, std::string> byLowerStem;
  for (const FolderEntry& entry : entries) {
    byLowerStem.emplace(
        LowerAscii(WithoutExtension(entry.name)) + "." + LowerCaseExtension(entry.name),
        WithoutExtension(entry.name));
  }
  const auto tablespacePartitionProblem = [&](const std::string& stem,
                                              const std::string& definitionPath) {
    TableDefinition definition;
    const Status status = ReadTablespaceDefinition(definitionPath, stem, definition);
    if (!status.ok()) return status.message();
    std::string found;
    for (const TablespacePartition& partition : definition.tablespacePartitions) {
      // Missing, it is named as MySQL 8 writes it: the markers in lower case.
      std::string partStem = stem + "#p#" + partition.fileName;
      const std::size_t sub = partStem.find(kSubpartitionMarker);
      if (sub != std::string::npos) partStem.replace(sub, kSubpartitionMarker.size(), "#sp#");
      const auto entry = byLowerStem.find(LowerAscii(partStem) + ".ibd");
      // MySQL 8 keeps no partition in the system tablespace.
      const std::string missing =
          entry == byLowerStem.end()
              ? "its tablespace " + JoinPath(folderPath, partStem + ".ibd") + " is missing"
              : dataProblem(entry->second, kEngineInnoDb);
      if (!missing.empty()) {
        found += (found.empty() ? "" : "; ") + std::string("partition ") +
                 DecodeTableFileName(partition.fileName) + " of " + DecodeTableFileName(stem) +
                 ": " + missing;
      }
    }
    return found;
  };
  std::vector<NamedTriggers> named;
  for (const FolderEntry& entry : entries) {
    const std::string extension = LowerCaseExtension(entry.name);
    const std::string path = JoinPath(folderPath, entry.name);
    if (extension == kDefinitionExtension) {
      const FileCheck check = CheckFile(path);
      if (!check.Readable()) {
        unreadable(CatalogueFileKind::kTable, entry.name, "the definition file", check);
        continue;
      }
      const auto probe = ProbeDefinitionFile(path);
      if (!probe) {
        FileCheck failed;
        failed.state = FileState::kUnreadable;
        failed.problem = "cannot be read";
        unreadable(CatalogueFileKind::kTable, entry.name, "the definition file", failed);
      } else if (probe->kind == DefinitionFileKind::kTable) {
        const std::string stem = WithoutExtension(entry.name);
        files.push_back(MakeFile(CatalogueFileKind::kTable, entry.name,
                                 probe->engine == kEnginePartitioned
                                     ? partitionProblem(stem)
                                     : dataProblem(stem, probe->engine)));
      } else if (probe->kind == DefinitionFileKind::kView) {
        files.push_back(MakeFile(CatalogueFileKind::kView, entry.name, {}));
      }
    } else if (extension == kTriggerExtension) {
      const FileCheck check = CheckFile(path);
      if (check.Readable()) {
        files.push_back(MakeFile(CatalogueFileKind::kTriggers, entry.name, {}));
      } else {
        unreadable(CatalogueFileKind::kTriggers, entry.name, "the trigger file", check);
      }
    } else if (extension == kTriggerNameExtension && !entry.folder) {
      std::vector<std::uint8_t> bytes;
      const FileCheck check = CheckFile(path);
      if (!check.Readable() || !ReadWholeFile(path, bytes, kLargestTriggerNameFile)) {
        problems.push_back(FileProblemText("the trigger name file", path, check));
        continue;
      }
      const std::string table = TriggerTableOf(bytes);
      if (table.empty()) continue;
      const auto same = std::find_if(named.begin(), named.end(),
                                     [&](const NamedTriggers& n) { return n.table == table; });
      NamedTriggers& triggers = same != named.end() ? *same : named.emplace_back();
      triggers.table = table;
      triggers.triggers.push_back(WithoutExtension(entry.name));
    }
  }
  // A data file without a definition file: MySQL 8 keeps the definition in
  // the tablespace; else a statement the user gave or the dictionary may
  // know the table. One whose definition nothing knows still holds a
  // table's rows: it is listed, and why they cannot be read is told.
  const std::string folderName = LastComponent(WithoutTrailingSeparator(folderPath));
  // MySQL 8's partitioned tables by the stem of their files, with the
  // tablespace their definition is read from (empty: none of theirs
  // describes a partitioned table).
  std::map<std::string, std::string> partitionedTables;
  for (const FolderEntry& entry : entries) {
    const std::string extension = LowerCaseExtension(entry.name);
    const bool tablespace = extension == "ibd";
    if (entry.folder ||
        (!tablespace && extension != "myd" && extension != "mad" && extension != "csv")) {
      continue;
    }
    const std::string stem = WithoutExtension(entry.name);
    if (byStem.contains(stem + "." + std::string(kDefinitionExtension)) ||
        IsFullTextAuxiliaryName(stem)) {
      continue;
    }
    // A partition's files are part of the table whose definition or
    // partition file is there.
    const std::size_t marker = PartitionMarkerAt(stem);
    if (marker != std::string::npos) {
      const std::string table = stem.substr(0, marker);
      if (byStem.contains(table + "." + std::string(kDefinitionExtension)) ||
          byStem.contains(table + ".par")) {
        continue;
      }
      // MySQL 8 writes neither: each partition's tablespace carries the
      // whole table's definition, and the table is listed once, by its name.
      if (tablespace) {
        auto known = partitionedTables.find(table);
        if (known != partitionedTables.end()) {
          if (!known->second.empty()) continue;
        } else {
          known =
              partitionedTables.emplace(table, PartitionedTableDefinitionSource(folderPath, table))
                  .first;
          if (!known->second.empty()) {
            CatalogueFile file = MakeFile(CatalogueFileKind::kTable, table,
                                          tablespacePartitionProblem(table, known->second));
            file.origin = DefinitionOrigin::kTablespaceSdi;
            file.definitionPath = known->second;
            files.push_back(std::move(file));
            continue;
          }
        }
      }
    }
    const std::string path = JoinPath(folderPath, entry.name);
    const FileCheck check = CheckFile(path);
    if (!check.Readable()) {
      unreadable(CatalogueFileKind::kTable, entry.name,
                 tablespace ? "the tablespace" : "the data file", check);
      files.back().origin = DefinitionOrigin::kTablespaceSdi;
      continue;
    }
    CatalogueFile file = MakeFile(CatalogueFileKind::kTable, entry.name, {});
    file.origin = DefinitionOrigin::kTablespaceSdi;
    if (tablespace && TablespaceCarriesDefinition(path)) {
      files.push_back(std::move(file));
      continue;
    }
    // MySQL 8 keeps the definition of a table without a tablespace of its
    // own in a .sdi file beside it.
    const std::string sdiFile = tablespace ? std::string() : FindSdiFile(folderPath, stem);
    const std::optional<FoundDefinition> found =
        sources != nullptr ? sources->Find(folderName, stem) : std::nullopt;
    if (!sdiFile.empty()) {
      file.origin = DefinitionOrigin::kSdiFile;
      file.definitionPath = sdiFile;
    } else if (found) {
      file.origin = found->origin;
      file.definitionPath = found->path;
    } else {
      file.problem = "the table " + stem + " has no definition file (.frm)" +
                     (tablespace ? ", " + path + " carries no definition of its own," : "") +
                     " and no CREATE TABLE statement given defines it (--definition FILE)";
    }
    files.push_back(std::move(file));
  }
  // A table the data dictionary keeps in the system tablespace, in this
  // database, whose definition file is lost: its rows are in ibdata1.
  if (sources != nullptr && sources->system != nullptr) {
    const std::string prefix = folderName + "/";
    for (const DictTableRow& row : UserTablesIn(sources->system->Tables())) {
      if (row.deleted || row.space != 0 || !row.name.starts_with(prefix)) continue;
      const std::string stem = row.name.substr(prefix.size());
      if (stem.empty() || !IsFolderEntryName(stem) ||
          byStem.contains(stem + "." + std::string(kDefinitionExtension))) {
        continue;
      }
      CatalogueFile file = MakeFile(CatalogueFileKind::kTable, stem, {});
      file.origin = DefinitionOrigin::kDictionary;
      file.definitionPath = sources->system->Path();
      files.push_back(std::move(file));
    }
  }
  // A trigger name file whose table has no trigger file: the triggers are
  // lost. The name read from the file is only compared with the folder's
  // entries; the one path made from it is of its encoded form, which never
  // leaves the folder. Only names in ASCII are sure to be written on disk as
  // EncodeTableFileName writes them; others are not guessed at.
  for (const NamedTriggers& triggers : named) {
    const std::string encoded = EncodeTableFileName(triggers.table);
    const bool plain = IsFolderEntryName(triggers.table);
    const bool found = std::any_of(entries.begin(), entries.end(), [&](const FolderEntry& entry) {
      if (LowerCaseExtension(entry.name) != kTriggerExtension) return false;
      const std::string stem = LowerAscii(WithoutExtension(entry.name));
      return (plain && stem == LowerAscii(triggers.table)) || stem == LowerAscii(encoded);
    });
    if (found || !IsAscii(triggers.table)) continue;
    std::string list;
    for (const std::string& trigger : triggers.triggers)
      list += (list.empty() ? "" : ", ") + trigger;
    FileCheck missing;
    missing.state = FileState::kMissing;
    missing.problem = "is missing: the triggers " + list + " of table " + triggers.table +
                      " are named by their .TRN files but cannot be read";
    unreadable(CatalogueFileKind::kTriggers, encoded + kTriggerFileExtension, "the trigger file",
               missing);
  }
  std::stable_sort(files.begin(), files.end(), [](const CatalogueFile& a, const CatalogueFile& b) {
    return a.fileName < b.fileName;
  });
  return files;
}

TreeNode InsertNamedNode(UserInterface& ui, const std::string& onDiskName, int image,
                         std::int32_t itemData, TreeNode parent) {
  const std::string name = DecodeTableFileName(onDiskName);
  const TreeNode node = ui.TreeInsert(name, image, itemData, parent);
  if (name != onDiskName) ui.TreeSetNote(node, kOnDiskNotePrefix + onDiskName);
  return node;
}

void ScanDatabaseFolder(UserInterface& ui, CatalogueLists& lists, TreeNode databaseNode,
                        const std::string& folderPath, TreeNode tablesNode,
                        std::int32_t databaseIndex, const DefinitionSources* sources) {
  TreeNode viewsNode = kNoNode;
  TreeNode triggerNode = kNoNode;
  for (const CatalogueFile& file : ListCatalogueFiles(folderPath, lists.problems, sources)) {
    if (!file.problem.empty()) lists.problems.push_back(file.problem);
    const std::string name = WithoutExtension(file.fileName);
    switch (file.kind) {
      case CatalogueFileKind::kTable: {
        lists.tables.push_back(
            TableEntry{databaseIndex, name, file.origin, file.definitionPath, file.problem});
        const TreeNode table = InsertNamedNode(
            ui, name, kImageFolder, static_cast<std::int32_t>(lists.tables.size()), tablesNode);
        ui.TreeInsert(kKeysLabel, kImageKeys, kItemKeys, table);
        // Found but not readable: marked with the reason before it is opened.
        if (!file.problem.empty())
          ui.TreeSetMark(table, TreeMark::kUnreadable, kCannotBeReadPrefix + file.problem);
        break;
      }
      case CatalogueFileKind::kView:
        if (viewsNode == kNoNode) {
          viewsNode = ui.TreeInsert(kViewsLabel, kImageViews, kItemViewsGroup, databaseNode);
        }
        lists.views.push_back(JoinPath(folderPath, file.fileName));
        InsertNamedNode(ui, name, kImageFolder, static_cast<std::int32_t>(lists.views.size()),
                        viewsNode);
        break;
      case CatalogueFileKind::kTriggers:
        if (triggerNode == kNoNode) {
          triggerNode =
              ui.TreeInsert(kTriggerLabel, kImageTriggers, kItemTriggerGroup, databaseNode);
        }
        lists.triggers.push_back(TriggerEntry{file.fileName, folderPath});
        InsertNamedNode(ui, name, kImageFolder, static_cast<std::int32_t>(lists.triggers.size()),
                        triggerNode);
        break;
    }
  }
}

}  // namespace rowmender
