// Program-wide state: the one application object.
//
// It holds the folders chosen for the current run, the running-work guard,
// the flags that switch the value texts between their preview and save
// forms, the save settings, and the collation table that tells how many
// bytes one character of a character set may take. The front ends create
// exactly one and hand it to the parts that need it.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
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

  // Parses records of the collation file: collation number, least and most
  // bytes per character (4 bytes little-endian each), then two texts, each a
  // 4-byte little-endian length followed by that many bytes. A later record
  // for the same number replaces the earlier one; a record cut short by the
  // end of the data is dropped.
  void LoadFromBytes(ByteView bytes);

  // Loads the named file; false (and nothing loaded) when it cannot be read.
  bool LoadFromFile(const std::string& path);

  const CollationEntry* Lookup(std::uint32_t collationNumber) const;
  std::size_t Size() const { return entries_.size(); }
  bool Empty() const { return entries_.empty(); }

 private:
  std::map<std::uint32_t, CollationEntry> entries_;
};

// Where the collation file is looked for, in order: the current folder (by
// its plain relative name), the folder of the running executable, and the
// installed data folder.
std::vector<std::string> CollationFileCandidates();

class CTarnSalvorProjApp {
 public:
  // Loads the collation table from the first candidate file that exists.
  CTarnSalvorProjApp();
  // For tests and tools: starts with the given table instead.
  explicit CTarnSalvorProjApp(CollationTable table);
  CTarnSalvorProjApp(const CTarnSalvorProjApp&) = delete;
  CTarnSalvorProjApp& operator=(const CTarnSalvorProjApp&) = delete;

  const CollationEntry* LookupCollation(std::uint32_t collationNumber) const {
    return collations.Lookup(collationNumber);
  }

  // Chosen folders, each ending with a separator; empty until an Open.
  std::string databasePath;
  std::string temporaryPath;
  std::string logFolder;
  std::string logFilePath;

  CollationTable collations;

  // Set while a scan, a node selection or a page load runs.
  std::atomic<std::int32_t> processRunning{0};
  std::int32_t outputLineCount = 0;
  std::uint32_t applicationLook = 215;

  bool resumeFromOffset = false;
  // The last table definition read was written by MySQL 5.6 or later.
  bool newTemporalFormat = false;
  bool saveAsScriptMode = false;
  bool saveToDatabaseMode = false;
  bool SaveMode() const { return saveAsScriptMode || saveToDatabaseMode; }

  std::string saveServer;
  std::string savePort;
  std::string saveUser;
  std::string savePassword;
  std::string saveFolder;
  std::uint64_t blobFileCounter = 0;
};

}  // namespace rowmender
