// The walk over a clustered index's leaf records: from a start page and
// record it follows the record links page by page along the leaf chain and
// decodes every record (delete-marked ones too, with their mark) into
// cells. Nothing stored in a page is trusted: a page is read at most once
// per scan and a record at most once per page, so a chain or a record list
// that comes back to itself ends the walk, and is reported.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <unordered_set>
#include <vector>

#include "definitions/table_definition.h"
#include "innodb/column_value.h"
#include "innodb/external_value.h"
#include "innodb/inno_column.h"
#include "innodb/page.h"
#include "innodb/record_layout.h"
#include "innodb/record_salvage.h"
#include "innodb/records.h"
#include "values/read_report.h"
#include "values/table_cursor.h"

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
inline constexpr std::uint32_t kLastRecordRoom = 8;

// The pages of a clustered index's leaf chain, in chain order, each read
// only as far as its header. The walk ends, and says why in `report`, at a
// page beyond the end of the file, at a page it has met before (a loop), at
// page 0 of the system tablespace, and where a page of a table's own
// tablespace points back to the page before it.
class LeafChain {
 public:
  // `source` and `report` must outlive the walk; kNoPage: no pages.
  LeafChain(const PageSource& source, WalkForm form, std::uint32_t firstPage, ReadReport& report);

  // The next page of the chain; false at its end.
  bool Next(std::uint32_t& page);
  // Starts again at `page`, forgetting the pages met.
  void Restart(std::uint32_t page);

 private:
  const PageSource& source_;
  WalkForm form_;
  ReadReport& report_;
  std::uint32_t next_ = kNoPage;
  std::unordered_set<std::uint32_t> pagesSeen_;
};

// The rows of a clustered index's leaf chain. Positions are a page number
// and a record origin on it (0: the page's first record).
class InnoTableCursor final : public TableCursor {
 public:
  // `layout` gives the fields of the records (copied); `table` is the
  // definition whose columns make a row's cells. `source` and `table` must
  // outlive the cursor. The walk starts at `startPage` (kNoPage: no rows).
  InnoTableCursor(const PageSource& source, WalkForm form, const TableDefinition& table,
                  RecordLayout layout, const CollationTable* collations, std::uint32_t startPage);
  // Records that all hold every one of `recordColumns` (record order).
  InnoTableCursor(const PageSource& source, WalkForm form, const TableDefinition& table,
                  std::vector<InnoColumn> recordColumns, const CollationTable* collations,
                  std::uint32_t startPage)
      : InnoTableCursor(source, form, table, RecordLayout(std::move(recordColumns)), collations,
                        startPage) {}

  // The rows of the leaf pages `pages` alone, in that order (a stretch of
  // the chain a LeafChain walked): one part of a scan read apart from the
  // others. Seek is not used on such a cursor.
  InnoTableCursor(const PageSource& source, WalkForm form, const TableDefinition& table,
                  RecordLayout layout, const CollationTable* collations,
                  std::vector<std::uint32_t> pages);
  InnoTableCursor(const PageSource& source, WalkForm form, const TableDefinition& table,
                  std::vector<InnoColumn> recordColumns, const CollationTable* collations,
                  std::vector<std::uint32_t> pages)
      : InnoTableCursor(source, form, table, RecordLayout(std::move(recordColumns)), collations,
                        std::move(pages)) {}

  bool Next(RowBuffer& row) override;
  PageStart Position() const override { return position_; }
  void Seek(const PageStart& position) override;
  const TableFormat& Formats() const override { return formats_; }
  const ReadReport& Report() const override { return report_; }

  // Pages read since the cursor was made.
  std::uint64_t PagesRead() const { return report_.pagesRead; }

 private:
  // Loads the next page of the walk into the buffer; false at its end.
  bool LoadPage();
  // Marks the record at `origin` of the current page as read; false (a
  // loop, reported) when it was read before.
  bool FirstVisit(std::uint32_t origin);
  bool NextCompact(RowBuffer& row);
  bool NextRedundant(RowBuffer& row);
  // The next record of a page whose record list is broken, from those
  // found one by one.
  bool NextSalvaged(RowBuffer& row);
  // The supremum's origin in the page's format: a position there names no
  // record left on the page.
  std::uint32_t SupremumOrigin() const {
    return static_cast<std::uint32_t>(format_ == RecordFormat::kRedundant ? kRedundantSupremumOrigin
                                                                          : kCompactSupremumOrigin);
  }
  // Places the fields of the leaf record at `origin` in `extents_`, the
  // record reaching at most `span` bytes; false when its header names a
  // shape the table's records cannot have (the record is then counted as
  // left out, and noted).
  bool PlaceCompact(std::uint32_t origin, std::size_t span);
  bool PlaceRedundant(std::uint32_t origin);
  // Counts and notes a record left out because of `why`.
  void LeaveOut(std::uint32_t origin, const std::string& why);
  // Turns the fields placed in `extents_` into `row`.
  void MakeRow(bool deleted, RowBuffer& row);

  const PageSource& source_;
  WalkForm form_;
  const TableDefinition& table_;
  RecordLayout layout_;
  // The fields of layout_.
  const std::vector<InnoColumn>& recordColumns_;
  // Per record field: the format its cell is decoded by.
  std::vector<ColumnFormat> fieldFormats_;
  // Per cell: the format the row's consumers format it by.
  TableFormat formats_;
  std::size_t nullBitmapSize_;
  ExternalValueReader longValues_;
  PageBuffer buffer_;
  std::vector<FieldExtent> extents_;
  // The shape of the record being read, and a redundant record's own
  // fields before they are put in place.
  RecordShape shape_;
  std::vector<FieldExtent> stored_;

  // Walk state: the chain, or the pages given.
  LeafChain chain_;
  bool listed_ = false;
  std::vector<std::uint32_t> pages_;
  std::size_t nextListed_ = 0;
  std::uint32_t page_ = kNoPage;
  std::uint32_t startOffset_ = 0;  // the record to begin the next page load with
  bool onPage_ = false;
  RecordFormat format_ = RecordFormat::kNone;
  FilHeader fil_;
  std::uint32_t origin_ = 0;  // the next record on the page; 0: none left
  bool firstOnPage_ = true;
  bool backward_ = false;
  int recordsOnPage_ = 0;
  // The page failed its checksum or its record list is broken: its rows
  // are flagged.
  bool damagedPage_ = false;
  // The page's records as found one by one, when its list is broken.
  bool salvaging_ = false;
  std::vector<RecordSpan> salvaged_;
  std::size_t nextSalvaged_ = 0;
  std::bitset<kMaxInnoPageSize> originsSeen_;
  PageStart position_;
  ReadReport report_;
};

}  // namespace rowmender
