// The collation table: for every collation number the server knows, its
// name, its character set's name and how many bytes one character of that
// set takes at least and at most.
//
// Kept in the record file "collation (2)" that travels with the program:
// per record the collation number, the least and the most bytes per
// character (4 bytes little-endian each), then the collation's name and
// its character set's name, each a 4-byte little-endian length and that
// many bytes.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"

namespace rowmender {

// One collation of the collation table.
struct CollationEntry {
  std::int32_t minBytesPerChar = 0;
  std::int32_t maxBytesPerChar = 0;
  std::string collationName;
  std::string characterSetName;
};

class CollationTable {
 public:
  // The file name the table is kept under, without extension.
  static constexpr const char* kFileName = "collation (2)";

  // Parses records of the collation file. A later record for the same
  // number replaces the earlier one; a record cut short by the end of the
  // data is dropped.
  void LoadFromBytes(ByteView bytes);

  // Loads the named file; false (and nothing loaded) when it cannot be read.
  bool LoadFromFile(const std::string& path);

  // Loads the first of CollationFileCandidates() that can be read; false
  // when none can.
  bool LoadInstalled();

  const CollationEntry* Lookup(std::uint32_t collationNumber) const;
  // The lowest number of the collation named `collationName` (as the table
  // spells it, lower case); nothing when none has that name.
  std::optional<std::uint32_t> FindByName(std::string_view collationName) const;
  std::size_t Size() const { return entries_.size(); }
  bool Empty() const { return entries_.empty(); }

 private:
  std::map<std::uint32_t, CollationEntry> entries_;
};

// Where the collation file is looked for, in order: the current folder (by
// its plain relative name), the folder of the running executable, and the
// installed data folder.
std::vector<std::string> CollationFileCandidates();

}  // namespace rowmender
