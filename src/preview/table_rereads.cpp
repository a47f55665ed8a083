#include "preview/table_rereads.h"

#include "base/charsets.h"
#include "definitions/column_type_name.h"
#include "definitions/column_types.h"
#include "tables/system_tablespace.h"
#include "values/cell.h"
#include "values/plugin_type_values.h"
#include "values/table_cursor.h"
#include "values/value_texts.h"

namespace rowmender {

namespace {

// "16,049".
std::string WithThousands(std::uint64_t value) {
  std::string digits = std::to_string(value);
  constexpr std::size_t kGroup = 3;
  for (std::size_t at = digits.size(); at > kGroup; at -= kGroup)
    digits.insert(at - kGroup, ",");
  return digits;
}

// The table's files opened anew, with a system tablespace of their own.
struct OpenedTable {
  std::unique_ptr<SystemTablespace> system;
  std::unique_ptr<TableSource> source;
  std::unique_ptr<TableCursor> cursor;
};

Status OpenTable(const TableReread& table, OpenedTable& opened) {
  ReadOptions read;
  read.collations = table.collations;
  read.readMismatchedFiles = table.readMismatchedFiles;
  if (!table.systemTablespacePath.empty()) {
    // Without it the table is read as the pager reads it then: from its
    // definition and tablespace alone.
    if (!SystemTablespace::Open(table.systemTablespacePath, table.collations, opened.system).ok()) {
      opened.system.reset();
    }
    read.systemTablespace = opened.system.get();
  }
  const Status status = TableSource::Open(table.files, read, opened.source);
  if (!status.ok()) return status;
  opened.cursor = opened.source->NewCursor();
  return Status::Ok();
}


}  // namespace

std::string RowRangeText(std::uint64_t first, std::uint64_t last, const RowTotal* total,
                         bool counting) {
  std::string text;
  if (last < first || last == 0) {
    text = first > 1 ? "No rows after row " + WithThousands(first - 1) : "No rows";
  } else {
    text = "Rows " + WithThousands(first) + "\u2013" + WithThousands(last);
  }
  if (total != nullptr) {
    text += " of " + WithThousands(total->rows);
    if (total->deleted > 0) text += " (" + WithThousands(total->deleted) + " deleted)";
  } else if (counting) {
    text += " (counting...)";
  }
  return text;
}

// ---------------------------------------------------------------------------
// RowCounter

RowCounter::RowCounter(TableReread table) : table_(std::move(table)) {
  thread_ = std::thread([this] { Count(); });
}

RowCounter::~RowCounter() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

RowCounter::State RowCounter::Poll(RowTotal& total) const {
  const State state = state_.load();
  // The total is written before the state says it is done.
  if (state == State::kDone) total = total_;
  return state;
}

void RowCounter::Count() {
  OpenedTable opened;
  if (!OpenTable(table_, opened).ok()) {
    state_ = State::kFailed;
    return;
  }
  RowBuffer row;
  RowTotal total;
  while (!stop_.load(std::memory_order_relaxed) && opened.cursor->Next(row)) {
    ++total.rows;
    if (row.deleted) ++total.deleted;
  }
  if (stop_.load()) {
    state_ = State::kFailed;
    return;
  }
  total_ = total;
  state_ = State::kDone;
}


}  // namespace rowmender
