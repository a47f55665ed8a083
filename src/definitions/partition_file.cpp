#include "definitions/partition_file.h"

#include <algorithm>
#include <cctype>

#include "base/paths.h"
#include "base/table_file_names.h"

namespace rowmender {

namespace {

constexpr std::size_t kWord = 4;
constexpr std::size_t kLengthWord = 0;
constexpr std::size_t kPartitionCountWord = 2;
constexpr std::size_t kEnginesOffset = 3 * kWord;
constexpr std::size_t kDefinitionPartitionEngineOffset = 61;

// Definition file header fields that find the extra segment.
constexpr std::size_t kHeaderKeyInfoOffset = 6;
constexpr std::size_t kHeaderKeyInfoLength = 14;
constexpr std::size_t kHeaderRecordLength = 16;
constexpr std::size_t kHeaderExtraLength = 55;
constexpr std::string_view kPartitionEngineName = "partition";
// The longest clause read.
constexpr std::size_t kLargestClause = 1u << 20;

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

namespace {

// The words of a PARTITION BY clause, with the depth of parentheses each
// stands at; quoted names are words of their own, unquoted.
struct ClauseWord {
  std::string text;
  bool quoted = false;
  int depth = 0;
};

std::vector<ClauseWord> SplitClause(std::string_view text) {
  std::vector<ClauseWord> words;
  int depth = 0;
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == '(') {
      ++depth;
      ++i;
    } else if (c == ')') {
      --depth;
      ++i;
    } else if (c == '`' || c == '\'' || c == '"') {
      std::string word;
      std::size_t j = i + 1;
      for (; j < text.size(); ++j) {
        if (text[j] == c) {
          if (j + 1 < text.size() && text[j + 1] == c) {
            word += c;
            ++j;
            continue;
          }
          break;
        }
        word += text[j];
      }
      words.push_back(ClauseWord{word, c == '`', depth});
      i = j + 1;
    } else if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') {
      std::size_t j = i;
      while (j < text.size() &&
             (std::isalnum(static_cast<unsigned char>(text[j])) || text[j] == '_'))
        ++j;
      words.push_back(ClauseWord{std::string(text.substr(i, j - i)), false, depth});
      i = j;
    } else {
      ++i;
    }
  }
  return words;
}

bool IsWord(const ClauseWord& word, std::string_view keyword) {
  if (word.quoted || word.text.size() != keyword.size()) return false;
  for (std::size_t i = 0; i < keyword.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(word.text[i])) != keyword[i]) return false;
  }
  return true;
}

std::size_t CountAfter(const std::vector<ClauseWord>& words, std::size_t i) {
  if (i + 1 >= words.size()) return 0;
  const std::string& text = words[i + 1].text;
  if (text.empty() || text.size() > 5 ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return 0;
  }
  return static_cast<std::size_t>(std::stoul(text));
}

}  // namespace

Status PartitionFileFromDefinition(ByteView definition, PartitionFile& out) {
  out = PartitionFile{};
  const std::size_t extraAt = std::size_t{Le16(definition, kHeaderKeyInfoOffset)} +
                              Le16(definition, kHeaderKeyInfoLength) +
                              Le16(definition, kHeaderRecordLength);
  const ByteView extra = SubView(definition, extraAt, Le32(definition, kHeaderExtraLength));
  std::size_t at = 2 + std::size_t{Le16(extra, 0)};  // the connect string
  const std::size_t engineLength = Le16(extra, at);
  at += 2;
  if (!BytesEqual(extra, at, kPartitionEngineName) || engineLength != kPartitionEngineName.size()) {
    return Status::NotFound("the definition keeps no partition clause");
  }
  at += engineLength;
  const std::size_t clauseLength = std::min<std::size_t>(Le32(extra, at), kLargestClause);
  const ByteView clause = SubView(extra, at + 4, clauseLength);
  if (clause.size() != clauseLength || clauseLength == 0) {
    return Status::Corruption("the definition's partition clause is cut short");
  }
  const std::vector<ClauseWord> words =
      SplitClause(std::string_view(reinterpret_cast<const char*>(clause.data()), clause.size()));
  std::size_t partitions = 0;
  std::size_t subpartitions = 0;
  std::vector<std::string> listed;  // SQL names, "part#SP#sub" for subpartitions
  std::vector<std::vector<std::string>> subs;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const ClauseWord& word = words[i];
    if (word.depth == 0 && IsWord(word, "PARTITIONS")) partitions = CountAfter(words, i);
    if (word.depth == 0 && IsWord(word, "SUBPARTITIONS")) subpartitions = CountAfter(words, i);
    if (word.depth == 1 && IsWord(word, "PARTITION") && i + 1 < words.size()) {
      listed.push_back(words[i + 1].text);
      subs.emplace_back();
    }
    if (word.depth == 2 && IsWord(word, "SUBPARTITION") && i + 1 < words.size() && !subs.empty()) {
      subs.back().push_back(words[i + 1].text);
    }
  }
  if (listed.empty()) {
    if (partitions > kMaxPartitions) partitions = 0;
    for (std::size_t p = 0; p < partitions; ++p) {
      listed.push_back("p" + std::to_string(p));
      subs.emplace_back();
    }
  }
  for (std::size_t p = 0; p < listed.size() && out.names.size() < kMaxPartitions; ++p) {
    const std::string part = EncodeTableFileName(listed[p]);
    if (subs[p].empty()) {
      for (std::size_t s = 0; s < subpartitions; ++s)
        subs[p].push_back(listed[p] + "sp" + std::to_string(s));
    }
    if (subs[p].empty()) {
      out.names.push_back(part);
    } else {
      for (const std::string& sub : subs[p])
        out.names.push_back(part + std::string(kSubpartitionMarker) + EncodeTableFileName(sub));
    }
  }
  if (out.names.empty() || out.names.size() > kMaxPartitions) {
    return Status::Corruption("the definition's partition clause names no partitions");
  }
  out.engines.assign(out.names.size(), DefinitionPartitionEngine(definition));
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
