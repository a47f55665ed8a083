// A table's rows, one after the other: the one way every reader hands out
// rows, to the window's pages and to the bulk export alike.
#pragma once

#include <memory>

#include "definitions/table_definition.h"
#include "values/cell.h"
#include "values/column_format.h"
#include "values/read_report.h"

namespace rowmender {

class TableCursor {
 public:
  virtual ~TableCursor() = default;

  // Reads the next row into `row` (its cells are valid until the next
  // call); false at the end of the table.
  virtual bool Next(RowBuffer& row) = 0;

  // Where the row after the last one read begins.
  virtual PageStart Position() const = 0;

  // Goes to a position given by Position(); the next Next() reads the row
  // there. A position that is no longer where a row starts reads from the
  // next one the reader can find.
  virtual void Seek(const PageStart& position) = 0;

  // How to format each cell of a row (cell i is column i of the
  // definition).
  virtual const TableFormat& Formats() const = 0;

  // What the reads since the cursor was made found and lost.
  virtual const ReadReport& Report() const = 0;
};

// A table's scan cut into parts that cursors of their own read apart (on
// several threads at once): the rows of part after part, each read to its
// end, are the rows of one cursor over the whole table, in the same order.
class ScanParts {
 public:
  virtual ~ScanParts() = default;
  // A cursor over the next part; null after the last. The cursors share
  // nothing that one of them writes, so each may be read on a thread of
  // its own while the next parts are made.
  virtual std::unique_ptr<TableCursor> NextPart() = 0;
  // What finding the parts met (a chain of pages that loops, say); the
  // parts' own cursors report the rest.
  virtual const ReadReport& Report() const = 0;
};

// One cursor over all the parts of a scan, read one after the other on
// the calling thread (no Seek).
std::unique_ptr<TableCursor> ReadPartsInTurn(std::unique_ptr<ScanParts> parts);

// The whole of `cursor` as the one part of a scan.
std::unique_ptr<ScanParts> SinglePart(std::unique_ptr<TableCursor> cursor);

}  // namespace rowmender
