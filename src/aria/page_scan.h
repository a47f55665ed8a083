// The scan of an Aria data file of PAGE rows: page after page, the rows of
// every head page in the order of its directory, then the rows deleted
// from it whose bytes are still in its free space.
//
// Deleting a row frees its directory entry (its offset and length are
// gone) but leaves its bytes where they were until the space is used
// again; rows lie on a page in the order of their entries, so a deleted
// row begins where the row before it ends. Each such stretch is tried as
// a row, whose bytes must then hold together as a row does; a row found
// there is marked deleted. A page whose rows were all deleted is kept as a
// page of no type with its bytes, and is tried the same way.
//
// Positions are the page number and, below 256, the directory entry of
// the next live row; from 256 on, the deleted rows of the page found so
// far.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "aria/aria_format.h"
#include "aria/page_file.h"
#include "aria/page_rows.h"
#include "definitions/table_definition.h"
#include "myisam/record_scan.h"
#include "values/column_format.h"
#include "values/table_cursor.h"

namespace rowmender {

class AriaPageCursor final : public TableCursor {
 public:
  // The first position of the deleted rows of a page.
  static constexpr std::uint64_t kDeletedSlots = 256;

  // `table`, `format` and `source` must outlive the cursor.
  AriaPageCursor(const TableDefinition& table, const AriaFormat& format, const ByteSource& source,
                 const CollationTable* collations);

  bool Next(RowBuffer& row) override;
  PageStart Position() const override { return PageStart{page_, slot_}; }
  void Seek(const PageStart& position) override;
  const TableFormat& Formats() const override { return formats_; }
  const ReadReport& Report() const override { return report_; }

  // The scan ends before page `end` (one part of a scan read apart from
  // the others).
  void EndBefore(std::uint64_t end) { end_ = end; }
  std::uint64_t PageCount() const { return pages_.PageCount(); }

 private:
  bool LoadPage(std::uint64_t number);
  bool NextLive(RowBuffer& row);
  bool NextDeleted(RowBuffer& row);
  void FinishPage();
  void Emit(const AriaRowRead& read, bool deleted, RowBuffer& row);
  std::string Where(std::size_t entry) const;

  const TableDefinition& table_;
  const AriaFormat& format_;
  AriaPageFile pages_;
  AriaRowDecoder decoder_;
  TableFormat formats_;
  ReadReport report_;
  std::uint64_t end_ = UINT64_MAX;

  std::uint64_t page_ = 0;
  std::uint64_t slot_ = 0;

  // The page read last.
  bool loaded_ = false;
  std::uint64_t loadedNumber_ = 0;
  std::vector<std::uint8_t> bytes_;
  aria::PageType type_ = aria::PageType::kUnallocated;
  std::size_t entries_ = 0;
  bool damaged_ = false;
  std::size_t freeEntries_ = 0;
  // Stretches of the page no live row takes.
  std::vector<std::pair<std::size_t, std::size_t>> gaps_;
  std::size_t gap_ = 0;
  std::size_t gapOffset_ = 0;
  // Other places the next deleted row of the stretch may begin.
  std::vector<std::size_t> alternatives_;
  std::uint64_t deletedFound_ = 0;
  // Deleted rows to pass over after a Seek into them.
  std::uint64_t deletedToSkip_ = 0;
  bool finished_ = false;
};

}  // namespace rowmender
