// Paging through a table's records, 1000 rows at a time.
//
// The readers can only go forward from a known position, so every page
// load remembers where the following page starts, in the engine's queue of
// page starts: the first page starts at the beginning of the table and
// pushes the start of the second; "Next Records" reads from the last start
// in the queue. A page that ends the table pushes the end sentinel.
//
// The pager reads through one cursor of the table, which goes on from page
// to page and is sent back only when the user goes back; it keeps no rows
// of its own (they are in `engine.rows`, one page at a time).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/logic/recovery_engine.h"
#include "catalogue/table_locator.h"
#include "tables/table_source.h"

namespace rowmender {

// What reading one page of rows found.
struct PageOfRows {
  // The page filled: the table may go on after it.
  bool full = false;
  // Where the page after it begins (when it filled).
  PageStart next;
};

// Reads up to a page of rows (kRowsPerPage) from `cursor` into `rows`,
// beginning at `start`: the cursor goes on from where it is when it is
// there already (keeping its account of the pages it has been through),
// else it is sent to `start`.
PageOfRows ReadPageOfRows(TableCursor& cursor, const PageStart& start, const ValueOptions& options,
                          std::vector<DecodedRow>& rows);

struct RecordPagerOptions {
  // InnoDB: the system tablespace; empty means "ibdata1" in the data folder.
  std::string ibdataPath;
  // InnoDB: false reads tables from their definition and tablespace alone,
  // as when the system tablespace cannot be opened.
  bool useDictionary = true;
  // Save forms: the folder that receives values stored outside the record.
  std::string saveFolder;
  // Read a data file that does not seem to belong to the table rather than
  // refuse it (ReadOptions::readMismatchedFiles).
  bool readMismatchedFiles = false;
};

// What a read added to an account: the counts of `now` less those of
// `before`, and the notes `now` has beyond those of `before` (`now` being
// the same account, later).
ReadReport ReportSince(const ReadReport& now, const ReadReport& before);

class RecordPager {
 public:
  RecordPager(RecoveryEngine& engine, RecordPagerOptions options);

  // Forgets the previous table, reads the located table's definition and
  // prepares its reader. False, with a one-line `error`, when there is no
  // table definition to read.
  bool Open(const TableLocation& location, std::string& error);

  // Loads the first page into `engine.rows` (no rows when the table's data
  // files are missing).
  void LoadFirstPage();

  // What a page command did.
  enum class Turn {
    kNothing,     // no page to turn to (the table has one page, or none)
    kEndReached,  // "Next Records" after the page that ended the table
    kLoaded,      // a page is in `engine.rows`
  };
  struct TurnResult {
    Turn turn = Turn::kNothing;
    // Next: the page loaded ends the table. Previous: it is the first page.
    bool atEdge = false;
  };

  // "Next Records": loads the page after the one loaded last. A page that
  // ends the table pushes the end sentinel; the command after it reaches
  // the end (and pushes one sentinel, no more).
  TurnResult NextPage();

  // "Previous Records": steps back through the page-start queue and loads
  // the page before the one on screen.
  TurnResult PreviousPage();

  // NextPage for a reader going through the table: true when a page was
  // loaded.
  bool LoadNextPage() { return NextPage().turn == Turn::kLoaded; }

  // Keeps only what "Next Records" needs of the page-start queue (its last
  // two entries), for a reader that goes through the whole table once.
  void ForgetEarlierPages();

  // Reads the page that begins at `start` into `engine.rows`: the one place
  // a page command reaches the table's cursor.
  // The caller empties `rows` and sets `moreRows` and `scanBackward` as its
  // command needs ("Previous Records" sets `scanBackward`, so that no page
  // start is pushed).
  void ReadPage(const PageStart& start);

  // The system tablespace to use for InnoDB tables.
  std::string SystemTablespacePath() const;

  // Why the table's rows cannot be read (empty when they can, or before
  // LoadFirstPage).
  const std::string& Problem() const { return problem_; }
  // The file the rows are read from (empty before LoadFirstPage, or when
  // the table cannot be read).
  std::string DataPath() const { return source_ ? source_->DataPath() : std::string(); }
  // How the table was opened, where that matters to the user (its columns
  // typed by the definition alone, an index file missing, ...).
  std::vector<std::string> Notes() const {
    return source_ ? source_->Notes() : std::vector<std::string>{};
  }

  // What reading the page loaded last found and lost: what its read added
  // to the cursor's account (for the first page, also what opening the
  // cursor counted).
  const ReadReport& PageReport() const { return pageReport_; }
  // The page loaded last (0 for the first) and whether that load read it
  // for the first time since LoadFirstPage (not again after "Previous
  // Records").
  std::size_t PageNumber() const { return page_; }
  bool PageIsNew() const { return pageIsNew_; }
  // What every read since LoadFirstPage found and lost (nothing when the
  // table cannot be read).
  const ReadReport& TableReport() const;

  // Where the page on screen was read from.
  const PageStart& ShownPageStart() const { return shownStart_; }

  const TableLocation& Location() const { return location_; }
  const RecordPagerOptions& Options() const { return options_; }

 private:
  // Reads the page at `start` from the cursor into `engine.rows`.
  void ReadRows(const PageStart& start);

  RecoveryEngine& engine_;
  std::unique_ptr<TableSource> source_;
  std::unique_ptr<TableCursor> cursor_;
  std::string problem_;
  RecordPagerOptions options_;
  TableLocation location_;
  // The start the page on screen was loaded from by "Next Records".
  PageStart lastPageStart_;
  // The start of the page read last, whichever command read it.
  PageStart shownStart_;
  // The cursor's account as the last page read left it, and what that
  // page's read added to it.
  ReadReport accounted_;
  ReadReport pageReport_;
  std::size_t page_ = 0;
  std::size_t furthestPage_ = 0;
  bool pageIsNew_ = false;
};

// Reads the definition of the table at `location` into `engine` from
// wherever the location says it is kept (its .frm, its tablespace, ...);
// false, with `error` saying why, when it cannot be read.
bool LoadTableDefinition(RecoveryEngine& engine, const TableLocation& location,
                         const ReadOptions& options, std::string& error);

}  // namespace rowmender
