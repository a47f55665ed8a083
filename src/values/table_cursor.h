// A table's rows, one after the other: the one way every reader hands out
// rows, to the window's pages and to the bulk export alike.
#pragma once

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

}  // namespace rowmender
