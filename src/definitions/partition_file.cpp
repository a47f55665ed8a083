#include "definitions/partition_file.h"

#include <algorithm>

namespace rowmender {

namespace {

constexpr std::size_t kWord = 4;
constexpr std::size_t kLengthWord = 0;
constexpr std::size_t kPartitionCountWord = 2;
constexpr std::size_t kEnginesOffset = 3 * kWord;
constexpr std::size_t kDefinitionPartitionEngineOffset = 61;

bool SafeName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string_view("/\\", 2)) == std::string_view::npos;
}

}  // namespace

Status ParsePartitionFile(ByteView file, PartitionFile& out) {
  out = PartitionFile{};
  if (file.size() < kEnginesOffset + kWord) {
    return Status::Corruption("the partition file is too short (" + std::to_string(file.size()) +
                              " bytes)");
  }
  const std::uint64_t words = Le32(file, kLengthWord * kWord);
  const std::uint64_t parts = Le32(file, kPartitionCountWord * kWord);
  if (words * kWord > file.size() || words * kWord < kEnginesOffset + kWord) {
    return Status::Corruption("the partition file's length (" + std::to_string(words) +
                              " words) does not fit its " + std::to_string(file.size()) + " bytes");
  }
  if (parts == 0 || parts > kMaxPartitions) {
    return Status::Corruption("the partition file names " + std::to_string(parts) + " partitions");
  }
  const ByteView block = SubView(file, 0, static_cast<std::size_t>(words * kWord));
  std::uint32_t sum = 0;
  for (std::size_t at = 0; at + kWord <= block.size(); at += kWord)
    sum ^= Le32(block, at);
  out.checksumMismatch = sum != 0;

  const std::size_t count = static_cast<std::size_t>(parts);
  const std::size_t engineWords = (count + kWord - 1) / kWord;
  const std::size_t namesLengthAt = kEnginesOffset + engineWords * kWord;
  if (namesLengthAt + kWord > block.size()) {
    return Status::Corruption("the partition file ends before the names of its " +
                              std::to_string(count) + " partitions");
  }
  for (std::size_t i = 0; i < count; ++i)
    out.engines.push_back(block[kEnginesOffset + i]);
  const std::uint64_t namesLength = Le32(block, namesLengthAt);
  const std::size_t namesAt = namesLengthAt + kWord;
  if (namesLength > block.size() - namesAt) {
    return Status::Corruption("the partition file's names (" + std::to_string(namesLength) +
                              " bytes) run past its end");
  }
  const ByteView names = SubView(block, namesAt, static_cast<std::size_t>(namesLength));
  std::size_t at = 0;
  while (out.names.size() < count && at < names.size()) {
    const auto end =
        std::find(names.begin() + static_cast<std::ptrdiff_t>(at), names.end(), std::uint8_t{0});
    const auto stop = static_cast<std::size_t>(end - names.begin());
    std::string name(names.begin() + static_cast<std::ptrdiff_t>(at), end);
    if (!SafeName(name)) {
      return Status::Corruption("the partition file names a partition \"" + name +
                                "\" that is no file name");
    }
    out.names.push_back(std::move(name));
    at = stop + 1;
  }
  if (out.names.size() != count) {
    return Status::Corruption("the partition file gives " + std::to_string(out.names.size()) +
                              " names for " + std::to_string(count) + " partitions");
  }
  return Status::Ok();
}

std::uint8_t DefinitionPartitionEngine(ByteView definitionHeader) {
  return ByteAt(definitionHeader, kDefinitionPartitionEngineOffset);
}

std::size_t PartitionMarkerAt(std::string_view stem) {
  for (std::size_t i = 0; i + kPartitionMarker.size() <= stem.size(); ++i) {
    if (stem[i] == '#' && (stem[i + 1] == 'P' || stem[i + 1] == 'p') && stem[i + 2] == '#')
      return i;
  }
  return std::string_view::npos;
}

}  // namespace rowmender
