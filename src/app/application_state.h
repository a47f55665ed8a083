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
#include <string>
#include <vector>

#include "base/collation_table.h"
#include "values/field_value.h"

namespace rowmender {

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
  // Files of CREATE TABLE statements that define tables without a .frm.
  std::vector<std::string> definitionFiles;
  std::string logFilePath;

  CollationTable collations;

  // Set while a scan, a node selection or a page load runs.
  std::atomic<std::int32_t> processRunning{0};
  std::int32_t outputLineCount = 0;
  std::uint32_t applicationLook = 215;

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

// The forms the application object asks for (save forms while a save mode
// is set) with its collation table.
ValueOptions ValueOptionsFor(const CTarnSalvorProjApp& app);

}  // namespace rowmender
