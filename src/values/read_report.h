// What a read did, with every loss counted: the account a scan keeps of a
// table, for the user to see.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace rowmender {

struct ReadReport {
  // At most this many notes are kept; later ones are only counted.
  static constexpr std::size_t kMaxNotes = 20;

  std::uint64_t rowsRead = 0;
  std::uint64_t deletedRows = 0;  // of rowsRead, those carrying the delete mark
  std::uint64_t pagesRead = 0;
  // Records passed over because their bytes could not be made into a row.
  std::uint64_t recordsDropped = 0;
  // Pages or blocks of the table's chain that could not be read or were
  // not what the chain promised.
  std::uint64_t pagesSkipped = 0;
  // Pages whose checksum does not match their bytes: their records are
  // read as they stand, and may be damaged.
  std::uint64_t pagesFailingChecksum = 0;
  // Pages whose record list is broken: their records were found one by
  // one by their headers.
  std::uint64_t pagesSalvaged = 0;
  // Of rowsRead, those read from pages that failed their checksum or whose
  // records were found one by one.
  std::uint64_t rowsFromDamagedPages = 0;
  // A chain (of pages, of records on a page) came back to where it had
  // been: the scan of that chain ended there.
  std::uint64_t loopsBroken = 0;
  // Off-page values whose chain ended before the value did.
  std::uint64_t valuesCutShort = 0;
  // Texts that did not convert from their character set.
  std::uint64_t textsNotConverted = 0;
  // Bytes of a data file passed over while looking for the next record
  // after damage.
  std::uint64_t bytesSkipped = 0;
  // Deleted records whose bytes the engine overwrote with its own
  // bookkeeping (MyISAM's deleted dynamic blocks): counted, not a loss of
  // live rows.
  std::uint64_t deletedRecordsUnreadable = 0;
  // Partitions of a partitioned table whose files could not be read: their
  // rows are lost, the other partitions' read.
  std::uint64_t partitionsUnread = 0;
  // The table's format is one this reader does not read: no rows at all.
  bool formatUnsupported = false;
  // One line for each of the first kMaxNotes events above.
  std::vector<std::string> notes;
  std::uint64_t notesLeftOut = 0;

  // Nothing was lost.
  bool Complete() const {
    return recordsDropped == 0 && pagesSkipped == 0 && pagesFailingChecksum == 0 &&
           pagesSalvaged == 0 && loopsBroken == 0 && valuesCutShort == 0 &&
           textsNotConverted == 0 && bytesSkipped == 0 && partitionsUnread == 0 &&
           !formatUnsupported;
  }
  void Note(std::string line) {
    if (notes.size() < kMaxNotes) {
      notes.push_back(std::move(line));
    } else {
      ++notesLeftOut;
    }
  }
  // Adds another report's counts and notes to this one.
  void Add(const ReadReport& other);
};

}  // namespace rowmender
