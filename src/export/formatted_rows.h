// A table's rows as the texts of one output (INSERT tuples, TSV or CSV
// lines), in the order the reader gives them. Formatting is most of an
// export's work: with more than one thread, the calling thread reads rows
// into batches while the other threads format them, and the texts still
// come back in reading order, so the output is the same for any number of
// threads.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "values/export_formats.h"
#include "values/row_batch.h"

namespace rowmender {

// Reads the next row into its argument; false at the end.
using RowReader = std::function<bool(RowBuffer&)>;
// Appends the text of one row to `out`, counting what it lost in `scratch`.
using RowFormatter =
    std::function<void(std::string& out, const RowBuffer& row, FormatScratch& scratch)>;

class FormattedRows {
 public:
  virtual ~FormattedRows() = default;
  // The next row's text (valid until the next call) and whether the
  // record carries the delete mark; false at the end.
  virtual bool Next(std::string_view& text, bool& deleted) = 0;
  // What formatting met so far, over all threads.
  virtual FormatScratch Scratch() const = 0;
};

// `threads` threads in all, the calling one included; 1 formats each row as
// it is read. `format` is called from several threads at once: it must keep
// no state of its own, and should hold copies of what it reads rather than
// point into the reader, which the calling thread keeps writing.
std::unique_ptr<FormattedRows> NewFormattedRows(RowReader read, RowFormatter format,
                                                unsigned threads);

}  // namespace rowmender
