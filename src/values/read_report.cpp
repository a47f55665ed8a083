#include "values/read_report.h"

namespace rowmender {

void ReadReport::Add(const ReadReport& other) {
  rowsRead += other.rowsRead;
  deletedRows += other.deletedRows;
  pagesRead += other.pagesRead;
  recordsDropped += other.recordsDropped;
  pagesSkipped += other.pagesSkipped;
  pagesFailingChecksum += other.pagesFailingChecksum;
  pagesSalvaged += other.pagesSalvaged;
  rowsFromDamagedPages += other.rowsFromDamagedPages;
  loopsBroken += other.loopsBroken;
  valuesCutShort += other.valuesCutShort;
  textsNotConverted += other.textsNotConverted;
  bytesSkipped += other.bytesSkipped;
  deletedRecordsUnreadable += other.deletedRecordsUnreadable;
  partitionsUnread += other.partitionsUnread;
  formatUnsupported = formatUnsupported || other.formatUnsupported;
  for (const std::string& line : other.notes)
    Note(line);
  notesLeftOut += other.notesLeftOut;
}

}  // namespace rowmender
