#include "base/collation_table.h"

#include <filesystem>

#include "base/data_file.h"
#include "base/text_codec.h"

#ifndef ROWMENDER_INSTALLED_DATA_DIR
#define ROWMENDER_INSTALLED_DATA_DIR "/usr/local/share/rowmender"
#endif

namespace rowmender {

namespace {

constexpr std::size_t kNumbersSize = 12;  // number, least and most bytes per character

}  // namespace

void CollationTable::LoadFromBytes(ByteView bytes) {
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    if (bytes.size() - pos < kNumbersSize + 4) return;
    const std::uint32_t number = Le32(bytes, pos);
    CollationEntry entry;
    entry.minBytesPerChar = static_cast<std::int32_t>(Le32(bytes, pos + 4));
    entry.maxBytesPerChar = static_cast<std::int32_t>(Le32(bytes, pos + 8));
    pos += kNumbersSize;
    std::string texts[2];
    for (auto& text : texts) {
      if (bytes.size() - pos < 4) return;
      const std::uint32_t length = Le32(bytes, pos);
      pos += 4;
      if (bytes.size() - pos < length) return;
      text = TextFromUtf8OrAnsi(bytes.subspan(pos, length));
      pos += length;
    }
    entry.collationName = std::move(texts[0]);
    entry.characterSetName = std::move(texts[1]);
    entries_[number] = std::move(entry);
  }
}

bool CollationTable::LoadFromFile(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFile(path, bytes)) return false;
  LoadFromBytes(bytes);
  return true;
}

std::optional<std::uint32_t> CollationTable::FindByName(std::string_view collationName) const {
  for (const auto& [number, entry] : entries_) {
    if (entry.collationName == collationName) return number;
  }
  return std::nullopt;
}

const CollationEntry* CollationTable::Lookup(std::uint32_t collationNumber) const {
  const auto found = entries_.find(collationNumber);
  return found == entries_.end() ? nullptr : &found->second;
}

bool CollationTable::LoadInstalled() {
  for (const auto& candidate : CollationFileCandidates()) {
    if (LoadFromFile(candidate)) return true;
  }
  return false;
}

std::vector<std::string> CollationFileCandidates() {
  std::vector<std::string> candidates{CollationTable::kFileName};
  std::error_code error;
  const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) {
    candidates.push_back((executable.parent_path() / CollationTable::kFileName).string());
  }
  candidates.push_back(std::string(ROWMENDER_INSTALLED_DATA_DIR) + "/" + CollationTable::kFileName);
  return candidates;
}

}  // namespace rowmender
