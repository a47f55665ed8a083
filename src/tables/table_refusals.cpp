#include "tables/table_refusals.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "base/data_file.h"
#include "base/paths.h"
#include "definitions/engine_names.h"
#include "definitions/partition_file.h"
#include "definitions/table_definition.h"
#include "innodb/geometry.h"
#include "innodb/page.h"

namespace rowmender {

namespace {

// What becomes of the rows of a table of an engine no reader here reads.
std::string WhereRowsAre(std::uint8_t code) {
  switch (code) {
    case kEngineMemory:
      return "the server keeps their rows in memory only; none are in the files";
    case kEngineMerge:
      return "their rows are in the MyISAM tables their .MRG file names; read those";
    case kEngineArchive:
      return "their rows are compressed in the engine's own form (.ARZ)";
    case kEngineFederated:
      return "their rows are on another server";
    case kEngineBlackhole:
      return "the engine keeps no rows";
    default:
      return {};
  }
}

// The engine's name in a message: the server's, or its number.
std::string EngineForMessage(std::uint8_t code) {
  if (code == kEnginePartitioned) return "partitioned";
  const std::string_view name = StorageEngineName(code);
  return name.empty() ? "number " + std::to_string(code) : std::string(name);
}

}  // namespace

Status EngineRefusal(std::uint8_t code) {
  const std::string where = WhereRowsAre(code);
  return Status::NotSupported("tables of the storage engine " + EngineForMessage(code) +
                              " are not read" + (where.empty() ? "" : " (" + where + ")"));
}

Status CheckTablespaceNotEncrypted(const std::string& path, ByteView page0) {
  TablespaceEncryption encryption;
  if (!TablespaceEncryption::DecodeFrom(page0, encryption) || !encryption.Encrypted())
    return Status::Ok();
  const std::string how = encryption.keyring
                              ? "MySQL's ENCRYPTION='Y', with a key of the server's keyring"
                              : "data-at-rest encryption, key " + std::to_string(encryption.keyId);
  return Status::NotSupported(path + ": the tablespace is encrypted (" + how +
                              "); its pages cannot be read without the server's key, and are "
                              "not read");
}

Status CheckAriaFormatReadable(const AriaFormat& format, const std::string& dataPath) {
  switch (format.recordType) {
    case AriaRecordType::kCompressed:
      return Status::NotSupported(dataPath +
                                  ": the table was packed by aria_pack; such tables are not read");
    case AriaRecordType::kNoRecord:
      return Status::NotSupported(dataPath + ": the table keeps no rows in its data file");
    case AriaRecordType::kPage:
      if (format.Encrypted()) {
        return Status::NotSupported(dataPath +
                                    ": the table's pages are encrypted; they are not read");
      }
      break;
    case AriaRecordType::kFixed:
    case AriaRecordType::kDynamic:
      break;
  }
  return Status::Ok();
}

Status CheckCsvDataFile(const std::string& dataPath, const std::string& tableName,
                        const std::string& databaseFolder) {
  if (dataPath.empty()) {
    return Status::NotFound("the data file (.CSV) of " + tableName + " is missing (" +
                            JoinPath(databaseFolder, tableName + ".CSV") + ")");
  }
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(dataPath, error);
  if (error) return Status::IoError("cannot read " + dataPath + ": " + error.message());
  if (size != 0) {
    return Status::NotSupported("tables of the storage engine CSV are not read (" + dataPath +
                                " holds " + std::to_string(size) + " bytes of rows)");
  }
  return Status::Ok();
}

Status CheckTableRowsReadable(std::uint8_t engine, const TableDataFiles& files) {
  switch (engine) {
    case kEngineMyIsam:
    case kEnginePartitioned:
      return Status::Ok();
    case kEngineInnoDb: {
      DataFile file;
      if (files.dataPath.empty() || !file.Open(files.dataPath)) return Status::Ok();
      const TablespaceGeometry geometry = GeometryOfFile(file, nullptr);
      return CheckTablespaceNotEncrypted(files.dataPath,
                                         file.ReadBlock(0, geometry.physicalPageSize));
    }
    case kEngineAria: {
      DataFile file;
      if (files.indexPath.empty() || !file.Open(files.indexPath)) return Status::Ok();
      const std::uint64_t length = file.Size();
      const std::vector<std::uint8_t> bytes = file.ReadBlock(0, AriaHeaderReadSize(length));
      AriaIndexHeader header;
      if (DecodeAriaIndexHeader(bytes, length, header) != AriaHeaderStatus::kAccepted)
        return Status::Ok();
      return CheckAriaFormatReadable(header.format, files.dataPath);
    }
    case kEngineCsv:
      return CheckCsvDataFile(files.dataPath, files.tableName, files.databaseFolder);
    default:
      return EngineRefusal(engine);
  }
}

}  // namespace rowmender
