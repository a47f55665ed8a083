// Long values in files of their own: the save forms of the record grid and
// of `rows --save-forms` show the path of a file that holds the value.
#pragma once

#include <cstdint>
#include <string>

#include "values/cell.h"

namespace rowmender {

// Writes the whole value whose local part is `local` into file number
// `counter` of the save folder's blobdata folder (`counter` then grows by
// one, whether or not the file can be made). Returns the file's path, or
// the empty text when there is no save folder or the file cannot be made.
std::string WriteLongValueFile(const std::string& saveFolder, std::uint64_t& counter,
                               ByteView local, const LongValueReader& reader);

// Creates the blobdata folder of `saveFolder` that save forms write long
// values into; false when it cannot be created.
bool PrepareBlobFolder(const std::string& saveFolder);

}  // namespace rowmender
