// The SQL names of databases and tables from the names of their folders
// and files.
//
// The server writes a database or table name into the file system in its
// own "filename" encoding: ASCII letters, digits and '_' stay; most letters
// of the Latin, Greek, Cyrillic and Armenian scripts (and a few further
// blocks) become '@' and two characters; every other character becomes '@'
// and four lower-case hexadecimal digits of its code point. A save has to
// recreate `bücherei`, not `b@1ocherei`, so it decodes both forms.
#pragma once

#include <string>
#include <string_view>

namespace rowmender {

// The SQL name (UTF-8) written as `fileName` on disk. Text that is not a
// valid escape is kept as it is, so names written by servers before the
// encoding existed come back unchanged.
std::string SqlNameFromFileName(std::string_view fileName);

}  // namespace rowmender
