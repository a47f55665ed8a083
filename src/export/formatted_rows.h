// A table's rows as the texts of one output (INSERT tuples, TSV or CSV
// lines), in reading order. Formatting is most of an export's work: with
// more than one thread, the parts of a split scan are read and formatted
// on several threads at once, each part by one thread from its first page
// to its text, and the texts come back in reading order, so the output is
// the same for any number of threads.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "values/export_formats.h"
#include "values/table_cursor.h"

namespace rowmender {

// Appends the text of one row to `out`, counting what it lost in `scratch`.
using RowFormatter = std::function<void(std::string& out, const RowBuffer& row,
                                        const TableFormat& formats, FormatScratch& scratch)>;

// What a row is besides its values.
enum class RowMark : std::uint8_t {
  kLive,
  kDeleted,  // the record carries the storage engine's delete mark
  kHistory,  // a system-versioned table's history row
};

class FormattedRows {
 public:
  virtual ~FormattedRows() = default;
  // The next row's text (valid until the next call) and whether the
  // record carries the delete mark; false at the end.
  bool Next(std::string_view& text, bool& deleted) {
    RowMark mark = RowMark::kLive;
    const bool more = Next(text, mark);
    deleted = mark == RowMark::kDeleted;
    return more;
  }
  // The same, telling a history row of a system-versioned table too (a
  // deleted one is kDeleted).
  virtual bool Next(std::string_view& text, RowMark& mark) = 0;
  // What formatting met so far, over all threads.
  virtual FormatScratch Scratch() const = 0;
  // What the reads met so far: finding the parts and every part read.
  virtual ReadReport Report() const = 0;
};

// `threads` threads in all, the calling one included. `format` is called
// from several threads at once and must keep no state of its own.
std::unique_ptr<FormattedRows> NewFormattedRows(std::unique_ptr<ScanParts> parts,
                                                RowFormatter format, unsigned threads);

}  // namespace rowmender
