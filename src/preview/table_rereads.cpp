#include "preview/table_rereads.h"

#include "base/charsets.h"
#include "definitions/column_types.h"
#include "export/save/table_ddl.h"
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

constexpr const char* kStoppedProblem = "The read was stopped.";
constexpr const char* kRowMovedProblem =
    "The row is no longer where the page found it: the files changed since, or the page was read "
    "from damaged records.";

}  // namespace

std::string RowRangeText(std::uint64_t first, std::uint64_t last, const RowTotal* total,
                         bool counting) {
  std::string text;
  if (last < first || last == 0) {
    text = first > 1 ? "No rows after row " + WithThousands(first - 1) : "No rows";
  } else {
    text = "Rows " + WithThousands(first) + "\u2013" + WithThousands(last);
  }
  if (total != nullptr && total->rows == 0 && last < first) {
    // An empty table: nothing more to tell.
  } else if (total != nullptr) {
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

// ---------------------------------------------------------------------------
// Whole values

WholeValueInfo ReadWholeValue(const WholeValueRequest& request,
                              const std::function<void(ByteView)>& sink,
                              const std::atomic<bool>* stop) {
  WholeValueInfo info;
  OpenedTable opened;
  const Status status = OpenTable(request.table, opened);
  if (!status.ok()) {
    info.problem = status.message();
    return info;
  }
  TableCursor& cursor = *opened.cursor;
  if (!(cursor.Position() == request.pageStart)) cursor.Seek(request.pageStart);
  RowBuffer row;
  for (std::size_t at = 0; at <= request.pageRow; ++at) {
    if (stop != nullptr && stop->load()) {
      info.problem = kStoppedProblem;
      return info;
    }
    if (!cursor.Next(row)) {
      info.problem = kRowMovedProblem;
      return info;
    }
  }
  const TableFormat& formats = cursor.Formats();
  // The same row as on screen: its delete mark and the texts of its values
  // kept in the record.
  bool same = row.deleted == request.deleted && row.cells.size() == request.rowTexts.size();
  const ValueOptions options(request.form, request.table.collations);
  for (std::size_t c = 0; same && c < row.cells.size() && c < formats.Size(); ++c) {
    if (row.cells[c].kind == CellKind::kExternal) continue;
    same = ValueText(row.cells[c], formats[c], options) == request.rowTexts[c];
  }
  if (!same) {
    info.problem = kRowMovedProblem;
    return info;
  }
  if (request.column >= row.cells.size() || request.column >= formats.Size()) {
    info.problem = "The table has no such column.";
    return info;
  }
  const Cell& cell = row.cells[request.column];
  const ColumnFormat& format = formats[request.column];
  const ColumnDefinition& column = format.Column();
  info.columnName = column.name;
  if (request.table.collations != nullptr) {
    info.columnType = SqlColumnType(column, *request.table.collations);
  }
  const auto hand = [&](ByteView bytes) {
    info.bytes += bytes.size();
    sink(bytes);
  };
  const auto handText = [&](const std::string& text) {
    info.isText = true;
    info.isFormatted = true;
    info.characterSet = "utf8mb4";
    hand(ByteView(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  };
  const bool json = column.typeCode == kTypeJson;
  switch (cell.kind) {
    case CellKind::kNull:
      info.isNull = true;
      return info;
    case CellKind::kMissing:
      info.problem = "No value could be read for this column: its bytes lie outside the record.";
      return info;
    case CellKind::kText:
      if (!json) {
        info.isText = true;
        info.characterSet = format.charset ? format.charset->Name() : format.characterSet;
        hand(cell.bytes);
        return info;
      }
      break;
    case CellKind::kBinary:
    case CellKind::kGeometry:
      if (!json && !IsPluginTypeColumn(column)) {
        info.isBinary = true;
        hand(cell.bytes);
        return info;
      }
      break;
    case CellKind::kExternal:
      if (!json) {
        if (row.longValues == nullptr) {
          info.problem =
              "The value is kept outside the record, and this table's reader cannot "
              "follow it.";
          return info;
        }
        const bool binary = IsBinaryColumn(column) || column.typeCode == kTypeGeometry;
        info.isBinary = binary;
        info.isText = !binary;
        if (!binary) {
          info.characterSet = format.charset ? format.charset->Name() : format.characterSet;
        }
        const LongValueReader::Result result = row.longValues->Read(cell.bytes, hand);
        info.cutShort = !result.complete;
        info.expected = result.expected;
        return info;
      }
      break;
    default:
      break;
  }
  // Numbers, dates, ENUM and SET, JSON, UUID and the like: the value's
  // text, as a save writes it.
  handText(ValueText(cell, format, ValueOptions(ValueForm::kSave, request.table.collations),
                     row.longValues));
  return info;
}

std::string WholeValueUtf8(const std::string& bytes, const WholeValueInfo& info) {
  const CharsetDecoder decoder = CharsetDecoder::ForName(info.characterSet);
  std::string out;
  if (decoder.AppendUtf8(
          ByteView(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), out)) {
    return out;
  }
  return {};
}

}  // namespace rowmender
