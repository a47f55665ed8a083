// Tables whose rows cannot be read from their files, told before a row is:
// an engine that keeps no rows on disk or keeps them in a form no reader
// here reads, an encrypted tablespace or Aria table, a CSV table with rows.
// Opening such a table is refused with these statuses, and the catalogue
// scan lists the table with the same reason before it is opened.
#pragma once

#include <cstdint>
#include <string>

#include "aria/aria_format.h"
#include "base/bytes.h"
#include "base/status.h"
#include "base/table_files_check.h"

namespace rowmender {

// The refusal of a table of the storage engine `code`, which no reader
// here reads, with what becomes of its rows.
Status EngineRefusal(std::uint8_t code);

// A tablespace whose pages are encrypted (`path` names it; `page0` is its
// first page as stored): not read without the server's key. Ok when its
// pages are plain.
Status CheckTablespaceNotEncrypted(const std::string& path, ByteView page0);

// An Aria table of `format` whose data file is `dataPath`: refused when
// its rows were packed by aria_pack, are not kept in the data file, or are
// in encrypted pages.
Status CheckAriaFormatReadable(const AriaFormat& format, const std::string& dataPath);

// A CSV table's data file: an empty one is a table without rows; one with
// rows is refused.
Status CheckCsvDataFile(const std::string& dataPath, const std::string& tableName,
                        const std::string& databaseFolder);

// Whatever of the above applies to a table of `engine` whose files are
// `files` (the data path is the .ibd, .MAD or .CSV; the index path the
// .MAI). Only what is known against the files is told: a file that is
// missing or damaged is left to the checks and readers of its engine.
Status CheckTableRowsReadable(std::uint8_t engine, const TableDataFiles& files);

}  // namespace rowmender
