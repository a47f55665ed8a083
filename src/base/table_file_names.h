// The names of databases and tables as the server writes them into the file
// system, and back.
//
// The server writes a database or table name in its own "filename"
// encoding: ASCII letters, digits and '_' stay; most letters of the Latin,
// Greek, Cyrillic and Armenian scripts (and a few further blocks) become '@'
// and two characters ("bäckerei" is the folder "b@0kckerei"); every other
// character becomes '@' and four lower-case hexadecimal digits of its code
// point ("my-table" is "my@002dtable").
#pragma once

#include <string>
#include <string_view>

namespace rowmender {

// The SQL name (UTF-8) written as `fileName` on disk. Text that is not a
// valid escape is kept as it is, so names written by servers before the
// encoding existed come back unchanged.
std::string DecodeTableFileName(std::string_view fileName);

// The on-disk form of the SQL name `name` (UTF-8), as the server writes it.
std::string EncodeTableFileName(std::string_view name);

}  // namespace rowmender
