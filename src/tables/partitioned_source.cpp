// A partitioned table (MariaDB, MySQL 5.x): its definition file names the
// partition engine; the .par beside it names the partitions in order, and
// each partition keeps its rows in files of its own ("t#P#p0.ibd",
// "t#P#p0#SP#p0sp0.MYD"), read like those of a table of that engine. A
// MySQL 8 partitioned table has neither: the SDI each of its tablespaces
// ("t#p#p0.ibd") carries names the partitions in order, and the clustered
// index of each. The rows are those of partition after partition; a
// partition whose files cannot be read is a loss the read report tells,
// and the others are read.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <limits>

#include "base/data_file.h"
#include "base/paths.h"
#include "base/table_file_names.h"
#include "definitions/partition_file.h"
#include "tables/engine_sources.h"

namespace rowmender {

namespace {

// The largest .par there is: the names of kMaxPartitions partitions with
// their subpartitions, and the words around them.
constexpr std::uint64_t kLargestPartitionFile = 4u << 20;

// A cursor's position in a partitioned table: the partition in the high
// bits of the page number, the position within it in the low ones, and a
// bit for "the start of this partition" (a cursor not yet made).
constexpr unsigned kInnerPageBits = 40;
constexpr std::uint64_t kInnerPageMask = (std::uint64_t{1} << kInnerPageBits) - 1;
constexpr std::uint64_t kPartitionStartBit = std::uint64_t{1} << kInnerPageBits;
constexpr unsigned kPartitionShift = kInnerPageBits + 1;

PageStart PartitionStart(std::size_t index) {
  return PageStart{(static_cast<std::uint64_t>(index) << kPartitionShift) | kPartitionStartBit, 0};
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// The extension of the file a partition of `engine` keeps its rows in.
const char* DataExtension(std::uint8_t engine) {
  switch (engine) {
    case kEngineMyIsam:
      return "MYD";
    case kEngineAria:
      return "MAD";
    default:
      return "ibd";
  }
}

struct Partition {
  std::string name;  // as the .par gives it, file name form
  std::unique_ptr<TableSource> source;
};

// Partition after partition, each by a cursor of its own.
class PartitionCursor final : public TableCursor {
 public:
  PartitionCursor(std::vector<const TableSource*> parts, const ReadReport& opening)
      : parts_(std::move(parts)), opening_(opening) {
    if (!parts_.empty()) cursor_ = parts_.front()->NewCursor();
  }

  bool Next(RowBuffer& row) override {
    while (index_ < parts_.size()) {
      if (!cursor_) cursor_ = parts_[index_]->NewCursor();
      if (cursor_->Next(row)) return true;
      Finish();
      ++index_;
    }
    return false;
  }

  PageStart Position() const override {
    if (index_ >= parts_.size()) return PageStart::End();
    if (!cursor_) return PartitionStart(index_);
    const PageStart inner = cursor_->Position();
    if (inner.IsEnd() || inner.pageNumber > kInnerPageMask) {
      return index_ + 1 < parts_.size() ? PartitionStart(index_ + 1) : PageStart::End();
    }
    return PageStart{(static_cast<std::uint64_t>(index_) << kPartitionShift) | inner.pageNumber,
                     inner.offset};
  }

  void Seek(const PageStart& position) override {
    Finish();
    if (position.IsEnd()) {
      index_ = parts_.size();
      return;
    }
    index_ = static_cast<std::size_t>(
        std::min<std::uint64_t>(position.pageNumber >> kPartitionShift, parts_.size()));
    if (index_ >= parts_.size()) return;
    cursor_ = parts_[index_]->NewCursor();
    if ((position.pageNumber & kPartitionStartBit) == 0) {
      cursor_->Seek(PageStart{position.pageNumber & kInnerPageMask, position.offset});
    }
  }

  // The formats point into the cursor that read the row.
  const TableFormat& Formats() const override {
    if (cursor_) return cursor_->Formats();
    return last_ ? last_->Formats() : noFormats_;
  }

  const ReadReport& Report() const override {
    report_ = opening_;
    report_.Add(done_);
    if (cursor_) report_.Add(cursor_->Report());
    return report_;
  }

 private:
  // The cursor done with is kept until the next one reads: the last row's
  // cells and formats may point into it.
  void Finish() {
    if (!cursor_) return;
    done_.Add(cursor_->Report());
    last_ = std::move(cursor_);
  }

  std::vector<const TableSource*> parts_;
  ReadReport opening_;
  std::size_t index_ = 0;
  std::unique_ptr<TableCursor> cursor_;
  std::unique_ptr<TableCursor> last_;
  TableFormat noFormats_;
  ReadReport done_;
  mutable ReadReport report_;
};

// The split scans of partition after partition.
class PartitionScanParts final : public ScanParts {
 public:
  PartitionScanParts(std::vector<const TableSource*> parts, const ReadReport& opening,
                     const ScanSplit& split)
      : parts_(std::move(parts)), opening_(opening), split_(split) {}

  std::unique_ptr<TableCursor> NextPart() override {
    while (index_ < parts_.size()) {
      if (!scan_) scan_ = parts_[index_]->SplitScan(split_);
      if (std::unique_ptr<TableCursor> part = scan_->NextPart()) return part;
      done_.Add(scan_->Report());
      scan_.reset();
      ++index_;
    }
    return nullptr;
  }

  const ReadReport& Report() const override {
    report_ = opening_;
    report_.Add(done_);
    if (scan_) report_.Add(scan_->Report());
    return report_;
  }

 private:
  std::vector<const TableSource*> parts_;
  ReadReport opening_;
  ScanSplit split_;
  std::size_t index_ = 0;
  std::unique_ptr<ScanParts> scan_;
  ReadReport done_;
  mutable ReadReport report_;
};

class PartitionedSource final : public TableSource {
 public:
  PartitionedSource(TableDefinition definition, std::vector<Partition> partitions,
                    ReadReport opening, std::vector<std::string> notes)
      : definition_(std::move(definition)),
        partitions_(std::move(partitions)),
        opening_(std::move(opening)) {
    notes_ = std::move(notes);
    // A note that several partitions give is told once, with their names.
    std::vector<std::pair<std::string, std::string>> grouped;  // note, partitions
    for (const Partition& partition : partitions_) {
      if (dataPath_.empty()) dataPath_ = partition.source->DataPath();
      const std::string name = DecodeTableFileName(partition.name);
      for (const std::string& note : partition.source->Notes()) {
        const auto same = std::find_if(grouped.begin(), grouped.end(),
                                       [&](const auto& entry) { return entry.first == note; });
        if (same == grouped.end()) {
          grouped.emplace_back(note, name);
        } else {
          same->second += ", " + name;
        }
      }
    }
    for (const auto& [note, names] : grouped) {
      const bool several = names.find(", ") != std::string::npos;
      notes_.push_back((several ? "partitions " : "partition ") + names + ": " + note);
    }
  }

  const TableDefinition& Definition() const override { return definition_; }
  std::unique_ptr<TableCursor> NewCursor() const override {
    return std::make_unique<PartitionCursor>(Parts(), opening_);
  }
  std::unique_ptr<ScanParts> SplitScan(const ScanSplit& split) const override {
    return std::make_unique<PartitionScanParts>(Parts(), opening_, split);
  }

 private:
  std::vector<const TableSource*> Parts() const {
    std::vector<const TableSource*> parts;
    for (const Partition& partition : partitions_)
      parts.push_back(partition.source.get());
    return parts;
  }

  TableDefinition definition_;
  std::vector<Partition> partitions_;
  ReadReport opening_;
};

// The engine the definition file at `path` names for the partitions; 0
// when it cannot be read.
std::uint8_t EngineOfDefinitionFile(const std::string& path) {
  DataFile file;
  if (path.empty() || !file.Open(path)) return 0;
  std::vector<std::uint8_t> header(64);
  header.resize(file.ReadAt(0, header));
  return DefinitionPartitionEngine(header);
}

// The stem of a partition's files: the table's, the marker, the name as
// the .par gives it. Servers on systems whose file names ignore case write
// the markers in lower case, and MySQL 8 always does; where only such files
// are there, theirs is the stem. Where none is, the stem of the missing
// files is in the form the server writes (`lowerWhenMissing`: MySQL 8's).
std::string PartitionStem(const std::string& folder, const std::string& table,
                          const std::string& name, std::uint8_t engine, bool lowerWhenMissing) {
  const std::string upper = table + std::string(kPartitionMarker) + name;
  if (!FindEntryWithExtension(folder, upper, DataExtension(engine)).empty()) return upper;
  std::string lowerMarkers = name;
  const std::size_t sub = Lower(lowerMarkers).find(Lower(kSubpartitionMarker));
  if (sub != std::string::npos) lowerMarkers.replace(sub, kSubpartitionMarker.size(), "#sp#");
  const std::string lower = table + "#p#" + lowerMarkers;
  if (!FindEntryWithExtension(folder, lower, DataExtension(engine)).empty()) return lower;
  // MySQL 8.0.17 and later write partition names in lower case too ("P1"
  // is "t#p#p1.ibd"): the folder's entry of that name whatever its case.
  const std::string wanted = Lower(upper) + "." + Lower(DataExtension(engine));
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    const std::string entry = it->path().filename().string();
    if (entry.size() == wanted.size() && Lower(entry) == wanted) {
      return entry.substr(0, upper.size());
    }
  }
  return lowerWhenMissing ? lower : upper;
}

// The partitions the SDI of a MySQL 8 partitioned table names, as a
// partition file would: every one in an InnoDB tablespace of its own.
PartitionFile PartitionsOfTablespaces(const TableDefinition& table) {
  PartitionFile out;
  for (const TablespacePartition& partition : table.tablespacePartitions) {
    out.names.push_back(partition.fileName);
    out.engines.push_back(kEngineInnoDb);
  }
  return out;
}

}  // namespace

Status ReadPartitionFile(const std::string& databaseFolder, const std::string& table,
                         PartitionFile& out) {
  const std::string path = FindFileWithExtension(databaseFolder, table, "par");
  Status problem;
  if (path.empty()) {
    problem = Status::NotFound("the partition file (.par) of " + table + " is missing (" +
                               JoinPath(databaseFolder, table + ".par") + ")");
  } else {
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, kLargestPartitionFile)) {
      problem = Status::IoError("the partition file " + path + " cannot be read");
    } else {
      const Status parsed = ParsePartitionFile(bytes, out);
      if (parsed.ok()) return parsed;
      problem = Status::Corruption(path + ": " + parsed.message());
    }
  }
  // The definition file keeps the PARTITION BY clause too (and is all
  // MySQL 5.7 keeps for InnoDB's partitions).
  const std::string definition = FindFileWithExtension(databaseFolder, table, "frm");
  std::vector<std::uint8_t> bytes;
  if (definition.empty() || !ReadWholeFile(definition, bytes, kLargestPartitionFile * 16)) {
    return problem;
  }
  const Status fromDefinition = PartitionFileFromDefinition(bytes, out);
  if (!fromDefinition.ok()) {
    return problem.code() == Status::Code::kNotFound
               ? Status::NotFound(problem.message() + ", and " + definition + ": " +
                                  fromDefinition.message())
               : problem;
  }
  out.fromDefinition = problem.message();
  return Status::Ok();
}

Status OpenPartitionedSource(TableDefinition table, const TableFiles& files,
                             const ReadOptions& options, std::unique_ptr<TableSource>& out) {
  // "t#P#p0" asks for one partition (or, for "t#P#p0" with subpartitions,
  // for those of p0) alone.
  const std::size_t marker = PartitionMarkerAt(files.tableName);
  const std::string stem = files.tableName.substr(0, marker);
  const std::string asked =
      marker == std::string::npos ? std::string() : files.tableName.substr(marker + 3);
  const std::string shown = DecodeTableFileName(stem);

  // MySQL 8: the partitions are those the tablespaces' SDI names.
  const bool inTablespaces = !table.tablespacePartitions.empty();
  PartitionFile par = PartitionsOfTablespaces(table);
  const Status parStatus =
      inTablespaces ? Status::Ok() : ReadPartitionFile(files.databaseFolder, stem, par);
  if (!parStatus.ok()) {
    if (parStatus.code() == Status::Code::kNotFound) return parStatus;
    return Status::Corruption(parStatus.message() + ": the partitions of " + shown +
                              " are not known");
  }
  std::vector<std::string> notes;
  if (!par.fromDefinition.empty()) {
    notes.push_back(par.fromDefinition + ": the partitions of " + shown +
                    " are those the PARTITION BY clause of its definition file names");
  }
  if (par.checksumMismatch) {
    notes.push_back("the partition file of " + shown +
                    " fails its checksum: its partition names are used all the same");
  }
  const std::uint8_t definitionEngine = files.origin == DefinitionOrigin::kDefinitionFile
                                            ? EngineOfDefinitionFile(files.definitionPath)
                                            : std::uint8_t{0};
  const auto engineOf = [&](std::size_t i) {
    const std::uint8_t engine = par.engines[i];
    if (engine == kEngineInnoDb || engine == kEngineMyIsam || engine == kEngineAria) return engine;
    return definitionEngine != 0 ? definitionEngine : engine;
  };

  std::vector<std::size_t> chosen;
  for (std::size_t i = 0; i < par.names.size(); ++i) {
    const std::string name = Lower(par.names[i]);
    const std::string wanted = Lower(asked);
    if (asked.empty() || name == wanted || name.starts_with(wanted + Lower(kSubpartitionMarker)))
      chosen.push_back(i);
  }
  if (chosen.empty()) {
    return Status::NotFound("the partitioned table " + shown + " has no partition " +
                            DecodeTableFileName(asked));
  }

  std::vector<Partition> partitions;
  ReadReport opening;
  Status firstProblem;
  std::uint8_t engine = 0;
  for (const std::size_t i : chosen) {
    TableDefinition partTable = table;
    partTable.storageEngine = engineOf(i);
    partTable.tablespacePartitions.clear();
    if (engine == 0) engine = partTable.storageEngine;
    TableFiles partFiles = files;
    partFiles.tableName = PartitionStem(files.databaseFolder, stem, par.names[i],
                                        partTable.storageEngine, inTablespaces);
    if (inTablespaces) {
      // Each partition's tablespace holds its rows where its SDI entry says.
      const TablespacePartition& described = table.tablespacePartitions[i];
      partTable.clusteredRootPage = described.clusteredRootPage;
      partTable.clusteredIndexId = described.clusteredIndexId;
      partFiles.definitionPath =
          FindEntryWithExtension(files.databaseFolder, partFiles.tableName, "ibd");
    }
    std::unique_ptr<TableSource> source;
    // MySQL 8 keeps no partition in the system tablespace: one without a
    // tablespace of its own is lost.
    const Status status =
        inTablespaces && partFiles.definitionPath.empty()
            ? Status::NotFound("its tablespace " +
                               JoinPath(files.databaseFolder, partFiles.tableName + ".ibd") +
                               " is missing")
            : TableSource::OpenWithDefinition(std::move(partTable), partFiles, options, source);
    if (status.ok() && source) {
      partitions.push_back(Partition{par.names[i], std::move(source)});
      continue;
    }
    if (firstProblem.ok()) firstProblem = status;
    ++opening.partitionsUnread;
    opening.Note("partition " + DecodeTableFileName(par.names[i]) + " of " + shown +
                 " cannot be read, its rows are lost: " + status.message());
  }
  if (partitions.empty()) {
    if (chosen.size() == 1) return firstProblem;
    return Status::Corruption("none of the " + std::to_string(chosen.size()) + " partitions of " +
                              shown + " can be read: " + firstProblem.message());
  }
  table.storageEngine = engine;
  out = std::make_unique<PartitionedSource>(std::move(table), std::move(partitions),
                                            std::move(opening), std::move(notes));
  return Status::Ok();
}

}  // namespace rowmender
