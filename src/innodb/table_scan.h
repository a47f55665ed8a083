// The walk over a clustered index's leaf records that produces one window
// of rows: from a start page and record it follows the record links page
// by page along the leaf chain, decodes every record (delete-marked ones
// too, with their mark) and stops when the window is full or the chain
// ends. Nothing stored in a page is trusted: record links, the record count
// per page and the chain are bounded, and a page is read at most once per
// window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "definitions/table_definition.h"
#include "innodb/column_value.h"
#include "innodb/inno_column.h"
#include "innodb/page.h"
#include "innodb/records.h"

namespace rowmender {

// The two forms of the walk differ in a few guards.
enum class WalkForm : std::uint8_t {
  // A table's own .ibd: a next page equal to the previous page ends the
  // chain; once a record links backward, later records on that page may
  // run to the page end.
  kOwnTablespace,
  // ibdata1: page 0 ends the chain.
  kSystemTablespace,
};

// Records on one page at or below this origin are the fixed records.
inline constexpr std::size_t kLowestUserRecordOrigin = kCompactSupremumOrigin;
// A first record this close to the page end leaves no room for a record.
inline constexpr std::uint32_t kLastRecordStart = kInnoPageSize - 8;

struct RecordWindow {
  // The window filled up: more rows may follow from `next`.
  bool moreRows = false;
  // Where the following window starts (page and record origin; only when
  // the window filled).
  std::optional<PageStart> next;
  // Pages read for this window.
  std::uint64_t pagesRead = 0;
};

class RecordWindowReader {
 public:
  // `recordColumns` in record order; `columnCount` is the number of columns
  // of the table definition (the cells of a row).
  RecordWindowReader(const PageSource& source, WalkForm form,
                     const std::vector<InnoColumn>& recordColumns, std::size_t columnCount,
                     const InnoValueContext& context);

  // Appends rows to `rows` until it holds `limit` rows or the chain ends,
  // starting at `startPage` (kNoPage: nothing to read) and, while
  // `resumeFromOffset` is set and `startOffset` is not 0, at that record of
  // the first page; `resumeFromOffset` is cleared once the walk leaves its
  // first page.
  RecordWindow Read(std::uint32_t startPage, std::uint16_t startOffset, bool& resumeFromOffset,
                    std::vector<DecodedRow>& rows, std::size_t limit = kRowsPerPage);

 private:
  // Walks the records of the page in `buffer_`; returns true when the
  // window filled (then `window.next` is set).
  bool WalkCompactPage(std::uint32_t page, std::uint32_t first, std::vector<DecodedRow>& rows,
                       std::size_t limit, RecordWindow& window);
  bool WalkRedundantPage(std::uint32_t page, std::uint32_t first, std::vector<DecodedRow>& rows,
                         std::size_t limit, RecordWindow& window);
  // Turns the fields placed in `extents_` into one row.
  DecodedRow MakeRow(bool deleted) const;

  const PageSource& source_;
  WalkForm form_;
  const std::vector<InnoColumn>& recordColumns_;
  std::size_t columnCount_;
  const InnoValueContext& context_;
  std::size_t nullBitmapSize_;
  PageBuffer buffer_;
  std::vector<FieldExtent> extents_;
};

}  // namespace rowmender
