// Long values in files of their own: the save forms of the record grid and
// of `rows --save-forms` show the path of a file that holds the value.
#pragma once

#include <cstdint>
#include <string>

#include "values/cell.h"

namespace rowmender {

// Writes the whole value whose local part is `local` into file number
// `counter` of the save folder's blobdata folder (`counter` then grows by
// one, whether or not the file can be made). The folder (and the save
// folder) is made by the first long value written, so a save folder holds
// no blobdata folder without one. Returns the file's path, or the empty
// text when there is no save folder or the file cannot be made.
std::string WriteLongValueFile(const std::string& saveFolder, std::uint64_t& counter,
                               ByteView local, const LongValueReader& reader);

}  // namespace rowmender
