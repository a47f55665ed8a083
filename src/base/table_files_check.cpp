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

// The state block of a MyISAM index file follows its 24-byte header:
// the row count at offset 28 and the data file's length at offset 68,
// eight bytes each, big-endian.
constexpr std::size_t kIndexRowCountOffset = 28;
constexpr std::size_t kIndexDataLengthOffset = 68;
constexpr std::size_t kIndexStateEnd = 76;
constexpr std::uint8_t kIndexMagic = 0xFE;

// What the index file of a MyISAM table says of its rows.
struct IndexState {
  bool read = false;
  std::uint64_t rows = 0;
  std::uint64_t dataLength = 0;
};

IndexState ReadIndexState(const std::string& path) {
  IndexState state;
  DataFile file;
  if (path.empty() || !file.Open(path) || file.Size() < kIndexStateEnd) return state;
  const std::vector<std::uint8_t> bytes = file.ReadBlock(0, kIndexStateEnd);
  if (ByteAt(bytes, 0) != kIndexMagic || ByteAt(bytes, 1) != kIndexMagic) return state;
  state.read = true;
  state.rows = Be64(bytes, kIndexRowCountOffset);
  state.dataLength = Be64(bytes, kIndexDataLengthOffset);
  return state;
}

std::string Missing(std::string_view what, const std::string& path) {
  FileCheck check;
  check.state = FileState::kMissing;
  check.problem = "is missing";
  return FileProblemText(what, path, check);
}

}  // namespace

Status CheckMyisamDataFile(const TableDataFiles& files) {
  constexpr std::string_view kWhat = "the data file";
  if (files.dataPath.empty()) {
    return Status::NotFound(
        Missing(kWhat, JoinPath(files.databaseFolder, files.tableName + ".MYD")));
  }
  const FileCheck check = CheckFile(files.dataPath);
  if (check.state != FileState::kEmpty) return CheckDataFile(files.dataPath, kWhat);
  const IndexState index = ReadIndexState(files.indexPath);
  if (index.read && index.rows == 0 && index.dataLength == 0) return Status::Ok();
  std::string message = FileProblemText(kWhat, files.dataPath, check);
  if (index.read) {
    message += " (its index file counts " + std::to_string(index.rows) + " rows in " +
               std::to_string(index.dataLength) + " bytes)";
  }
  return Status::Corruption(std::move(message));
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
