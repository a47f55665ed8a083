// CSV export of the record grid: the column captions and the rows on screen
// as a comma-separated file in UTF-16 little-endian code units, without a
// byte-order mark, every line ended by CR LF.
//
// A cell holding a comma, a double quote or a line break is enclosed in
// double quotes with its quotes doubled (RFC 4180), so that every line keeps
// one field per column; every other cell is written as it is.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace rowmender {

// Captions are taken with room for this many UTF-16 code units.
inline constexpr std::size_t kCsvCaptionLimit = 127;

// The cell as one CSV field (UTF-8): quoted only when it must be.
std::string CsvField(std::string_view cell);

// The caption as the export takes it: cut to its first kCsvCaptionLimit
// UTF-16 code units (a character is never split).
std::string CsvCaption(std::string_view caption);

// The whole file: the caption line, then one line per row, in UTF-16LE.
// A row with fewer cells than captions gets empty fields for the rest.
std::string BuildCsvBytes(const std::vector<std::string>& captions,
                          const std::vector<std::vector<std::string>>& rows);

// Creates (or truncates) `path` and writes `bytes`.
enum class CsvWriteResult { kWritten, kCannotCreate, kWriteFailed };
CsvWriteResult WriteCsvFile(const std::string& path, std::string_view bytes);

}  // namespace rowmender
