#include "base/table_files_check.h"

#include <vector>

#include "base/bytes.h"
#include "base/data_file.h"
#include "base/file_check.h"
#include "base/paths.h"

namespace rowmender {

namespace {

// The system tablespace a data folder keeps beside its database folders.
constexpr const char* kSystemTablespaceName = "ibdata1";

// Where the state block of an index file, after its 24-byte header, keeps
// the table's row count and its data file's length (eight bytes each,
// big-endian), and the bytes every such index file begins with.
struct IndexStateLayout {
  std::size_t rowCountOffset;
  std::size_t dataLengthOffset;
  std::size_t magicLength;
  std::uint8_t magic[3];
};
constexpr IndexStateLayout kMyisamIndexState{28, 68, 2, {0xFE, 0xFE, 0x00}};
constexpr IndexStateLayout kAriaIndexState{49, 97, 3, {0xFE, 0xFE, 0x09}};
constexpr std::size_t kStateFieldSize = 8;

// What the index file of a MyISAM or Aria table says of its rows.
struct IndexState {
  bool read = false;
  std::uint64_t rows = 0;
  std::uint64_t dataLength = 0;
};

IndexState ReadIndexState(const std::string& path, const IndexStateLayout& layout) {
  IndexState state;
  DataFile file;
  const std::size_t end = layout.dataLengthOffset + kStateFieldSize;
  if (path.empty() || !file.Open(path) || file.Size() < end) return state;
  const std::vector<std::uint8_t> bytes = file.ReadBlock(0, end);
  for (std::size_t i = 0; i < layout.magicLength; ++i) {
    if (ByteAt(bytes, i) != layout.magic[i]) return state;
  }
  state.read = true;
  state.rows = Be64(bytes, layout.rowCountOffset);
  state.dataLength = Be64(bytes, layout.dataLengthOffset);
  return state;
}

std::string Missing(std::string_view what, const std::string& path) {
  FileCheck check;
  check.state = FileState::kMissing;
  check.problem = "is missing";
  return FileProblemText(what, path, check);
}

// A data file of a table whose index file keeps a state block: missing,
// unreadable, or empty while its index file counts rows or bytes.
Status CheckIndexedDataFile(const TableDataFiles& files, const char* extension,
                            const IndexStateLayout& layout) {
  constexpr std::string_view kWhat = "the data file";
  if (files.dataPath.empty()) {
    return Status::NotFound(
        Missing(kWhat, JoinPath(files.databaseFolder, files.tableName + "." + extension)));
  }
  const FileCheck check = CheckFile(files.dataPath);
  if (check.state != FileState::kEmpty) return CheckDataFile(files.dataPath, kWhat);
  const IndexState index = ReadIndexState(files.indexPath, layout);
  if (index.read && index.rows == 0 && index.dataLength == 0) return Status::Ok();
  std::string message = FileProblemText(kWhat, files.dataPath, check);
  if (index.read) {
    message += " (its index file counts " + std::to_string(index.rows) + " rows in " +
               std::to_string(index.dataLength) + " bytes)";
  }
  return Status::Corruption(std::move(message));
}

}  // namespace

Status CheckMyisamDataFile(const TableDataFiles& files) {
  return CheckIndexedDataFile(files, "MYD", kMyisamIndexState);
}

Status CheckAriaDataFile(const TableDataFiles& files) {
  return CheckIndexedDataFile(files, "MAD", kAriaIndexState);
}

Status CheckInnoTablespaceFile(const TableDataFiles& files, bool systemTablespaceRead) {
  if (!files.dataPath.empty()) return CheckDataFile(files.dataPath, "the tablespace");
  if (systemTablespaceRead) return Status::Ok();
  const std::string databaseFolder = WithoutTrailingSeparator(files.databaseFolder);
  const std::size_t slash = databaseFolder.rfind(kPathSeparator);
  const std::string dataFolder =
      slash == std::string::npos ? "." : databaseFolder.substr(0, slash == 0 ? 1 : slash);
  const std::string system = JoinPath(dataFolder, kSystemTablespaceName);
  if (CheckFile(system).state != FileState::kMissing) return Status::Ok();
  return Status::NotFound("the tablespace (.ibd) of " + files.tableName + " is missing (" +
                          JoinPath(databaseFolder, files.tableName + ".ibd") +
                          "), and so is the system tablespace that keeps the tables without a "
                          "file of their own (" +
                          system + ")");
}

}  // namespace rowmender
