#include "preview/long_value_files.h"

#include <filesystem>
#include <fstream>

#include "base/paths.h"
#include "innodb/external_value.h"

namespace rowmender {

std::string WriteLongValueFile(const std::string& saveFolder, std::uint64_t& counter,
                               ByteView local, const LongValueReader& reader) {
  constexpr std::uint64_t kLow32 = 0xFFFFFFFF;
  const std::string path = JoinPath(BlobFolderOf(saveFolder), std::to_string(counter & kLow32));
  ++counter;
  if (saveFolder.empty()) return {};  // no save folder chosen: nowhere to write
  std::error_code error;
  std::filesystem::create_directories(BlobFolderOf(saveFolder), error);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) return {};
  reader.Read(local, [&file](ByteView part) {
    file.write(reinterpret_cast<const char*>(part.data()),
               static_cast<std::streamsize>(part.size()));
  });
  file.close();
  if (!file) return {};
  return path;
}

}  // namespace rowmender
