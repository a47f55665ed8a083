#include "catalogue/data_folder_scan.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <system_error>

#include "base/data_file.h"
#include "base/paths.h"

namespace rowmender {

namespace fs = std::filesystem;

namespace {

constexpr std::uint8_t kTableMagic0 = 0xFE;
constexpr std::uint8_t kTableMagic1 = 0x01;
constexpr std::string_view kViewSignature = "TYPE=VIEW";
constexpr std::string_view kDefinitionExtension = "frm";
constexpr std::string_view kTriggerExtension = "trg";
// ".frm" and ".TRG" are both four characters long.
constexpr std::size_t kExtensionLength = 4;

enum class EntryKind { kFolders, kFiles };

std::vector<std::string> ListEntries(const std::string& folder, EntryKind kind) {
  std::vector<std::string> names;
  std::error_code error;
  fs::directory_iterator it(folder, error);
  if (error) return names;
  for (const fs::directory_iterator end; it != end; it.increment(error)) {
    if (error) break;
    std::error_code typeError;
    const bool isFolder = it->is_directory(typeError);
    if (isFolder == (kind == EntryKind::kFolders)) {
      names.push_back(it->path().filename().string());
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string WithoutExtension(const std::string& fileName) {
  return fileName.substr(0, fileName.size() - std::min(fileName.size(), kExtensionLength));
}

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
  DataFile file;
  if (!file.Open(path)) return std::nullopt;
  std::array<std::uint8_t, kDefinitionProbeSize> probe{};
  const std::size_t read = file.ReadAt(0, probe);
  file.Close();
  return ClassifyDefinitionFile(ByteView(probe.data(), read));
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

std::vector<std::string> FindDatabaseFolders(const std::string& dataFolder) {
  std::vector<std::string> folders;
  for (const auto& name : ListEntries(dataFolder, EntryKind::kFolders)) {
    folders.push_back(JoinPath(dataFolder, name));
  }
  return folders;
}

std::vector<std::string> ListFolderFiles(const std::string& folder) {
  return ListEntries(folder, EntryKind::kFiles);
}

void ScanDatabaseFolder(UserInterface& ui, CatalogueLists& lists, TreeNode databaseNode,
                        const std::string& folderPath, TreeNode tablesNode,
                        std::int32_t databaseIndex) {
  TreeNode viewsNode = kNoNode;
  TreeNode triggerNode = kNoNode;
  for (const auto& fileName : ListFolderFiles(folderPath)) {
    const std::string extension = LowerCaseExtension(fileName);
    if (extension == kDefinitionExtension) {
      const std::string path = JoinPath(folderPath, fileName);
      const auto kind = ReadDefinitionFileKind(path);
      if (!kind) continue;
      if (*kind == DefinitionFileKind::kTable) {
        const std::string name = WithoutExtension(fileName);
        lists.tables.push_back(TableEntry{databaseIndex, name});
        const TreeNode table = ui.TreeInsert(
            name, kImageFolder, static_cast<std::int32_t>(lists.tables.size()), tablesNode);
        ui.TreeInsert(kKeysLabel, kImageKeys, kItemKeys, table);
      } else if (*kind == DefinitionFileKind::kView) {
        if (viewsNode == kNoNode) {
          viewsNode = ui.TreeInsert(kViewsLabel, kImageViews, kItemViewsGroup, databaseNode);
        }
        lists.views.push_back(path);
        ui.TreeInsert(WithoutExtension(fileName), kImageFolder,
                      static_cast<std::int32_t>(lists.views.size()), viewsNode);
      }
    } else if (extension == kTriggerExtension) {
      if (triggerNode == kNoNode) {
        triggerNode = ui.TreeInsert(kTriggerLabel, kImageTriggers, kItemTriggerGroup, databaseNode);
      }
      lists.triggers.push_back(TriggerEntry{fileName, folderPath});
      ui.TreeInsert(WithoutExtension(fileName), kImageFolder,
                    static_cast<std::int32_t>(lists.triggers.size()), triggerNode);
    }
  }
}

}  // namespace rowmender
