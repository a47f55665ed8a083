// Reading the table on screen once more, apart from the pager: the count
// of all its rows and the whole value of one cell. Each read opens the
// table's files (and the system tablespace) anew and keeps nothing of the
// pager's or the engine's, so that it can run on a worker thread while the
// window goes on with the pages.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/bytes.h"
#include "base/collation_table.h"
#include "definitions/table_definition.h"
#include "tables/table_source.h"
#include "values/value_options.h"

namespace rowmender {

// What a read of the table needs: its files, where its dictionary is and
// how its values are shown.
struct TableReread {
  TableFiles files;
  // InnoDB: the system tablespace to open ("" reads without it).
  std::string systemTablespacePath;
  // Must outlive the read (the application's table).
  const CollationTable* collations = nullptr;
  bool readMismatchedFiles = false;
};

// The rows of a table: every row the pages would show, deleted ones among
// them.
struct RowTotal {
  std::uint64_t rows = 0;
  std::uint64_t deleted = 0;
};

// "Rows 1,001–2,000 of 16,049" for the rows `first` to `last` (1-based)
// of a table of `total` rows; without a total "Rows 1–1,000" and, while it
// is being counted, "(counting...)"; "No rows" for a page without rows.
std::string RowRangeText(std::uint64_t first, std::uint64_t last, const RowTotal* total,
                         bool counting);

// Counts a table's rows on a thread of its own.
class RowCounter {
 public:
  enum class State { kCounting, kDone, kFailed };

  explicit RowCounter(TableReread table);
  // Stops the count and waits for its thread.
  ~RowCounter();
  RowCounter(const RowCounter&) = delete;
  RowCounter& operator=(const RowCounter&) = delete;

  // Where the count stands; with kDone, `total` holds it.
  State Poll(RowTotal& total) const;

 private:
  void Count();

  TableReread table_;
  std::atomic<bool> stop_{false};
  std::atomic<State> state_{State::kCounting};
  RowTotal total_;
  std::thread thread_;
};

// Which cell's whole value to read: the row at `pageRow` of the page that
// begins at `pageStart`, and one of its columns. The page texts of the row
// (in `form`) and its delete mark tell that the row read is the one shown.
struct WholeValueRequest {
  TableReread table;
  PageStart pageStart;
  std::size_t pageRow = 0;
  std::size_t column = 0;
  std::vector<std::string> rowTexts;
  bool deleted = false;
  ValueForm form = ValueForm::kPreview;
};

// What the value is; its bytes went to the sink.
struct WholeValueInfo {
  // Empty when the value was read; else why not.
  std::string problem;
  std::string columnName;
  std::string columnType;
  bool isNull = false;
  // The bytes are text in `characterSet` (a character column); else they
  // are the value's bytes (binary strings, BLOB, geometry) or, for
  // numbers, dates and the like, the value's text.
  bool isText = false;
  // The bytes are the value's text as a save writes it (numbers, dates,
  // ENUM, JSON and the like), in UTF-8, not bytes the column stores.
  bool isFormatted = false;
  bool isBinary = false;
  std::string characterSet;
  std::uint64_t bytes = 0;
  // An off-page value whose chain held less than its reference promised.
  bool cutShort = false;
  std::uint64_t expected = 0;
};

// Reads the cell's whole value from the files, handing its bytes to
// `sink` part by part. `stop`, when set, ends the read early (the problem
// then says so).
WholeValueInfo ReadWholeValue(const WholeValueRequest& request,
                              const std::function<void(ByteView)>& sink,
                              const std::atomic<bool>* stop = nullptr);

// The bytes of a text value in UTF-8 (from its character set; bytes that do
// not convert are shown as the replacement character).
std::string WholeValueUtf8(const std::string& bytes, const WholeValueInfo& info);

}  // namespace rowmender
