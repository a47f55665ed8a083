// Path helpers. Folder paths chosen by the user are kept with a trailing
// separator, paths are joined with the platform separator and a doubled
// separator is collapsed to one, so "dir/" + "/db" still names "dir/db".
#pragma once

#include <string>
#include <string_view>

namespace rowmender {

inline constexpr char kPathSeparator = '/';

// Replaces every run of two or more separators by one.
std::string CollapseSeparators(std::string_view path);

// `folder`, a separator unless it already ends with one, then `name`, with
// doubled separators collapsed.
std::string JoinPath(std::string_view folder, std::string_view name);

// `folder` with exactly one trailing separator.
std::string WithTrailingSeparator(std::string_view folder);

// `folder` without trailing separators (a lone "/" stays).
std::string WithoutTrailingSeparator(std::string_view folder);

// The text after the last separator.
std::string LastComponent(std::string_view path);

// The file in `folder` named `stem` plus `extension`, the extension compared
// without regard to case; empty when there is none.
std::string FindFileWithExtension(const std::string& folder, const std::string& stem,
                                  const std::string& extension);

// As FindFileWithExtension, but any entry of that name: a file, a folder, a
// link whose target is gone. Tells a file that is there but cannot be read
// from one that is missing.
std::string FindEntryWithExtension(const std::string& folder, const std::string& stem,
                                   const std::string& extension);

// True when `name` names an entry of a folder and nothing else: not empty,
// not "." or "..", and without '/', '\\' or a zero byte. Every database or
// table name that is joined to a folder's path must be one, so that no
// name reaches outside the data folder.
bool IsFolderEntryName(std::string_view name);

}  // namespace rowmender
