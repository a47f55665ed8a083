#include "preview/record_pages.h"

#include <algorithm>
#include <utility>

#include "base/file_check.h"
#include "base/paths.h"
#include "preview/long_value_files.h"
#include "values/value_texts.h"

namespace rowmender {

namespace {

constexpr const char* kSystemTablespaceName = "ibdata1";

std::uint64_t Less(std::uint64_t now, std::uint64_t before) {
  return now > before ? now - before : 0;
}

}  // namespace

ReadReport ReportSince(const ReadReport& now, const ReadReport& before) {
  ReadReport added;
  added.rowsRead = Less(now.rowsRead, before.rowsRead);
  added.deletedRows = Less(now.deletedRows, before.deletedRows);
  added.pagesRead = Less(now.pagesRead, before.pagesRead);
  added.recordsDropped = Less(now.recordsDropped, before.recordsDropped);
  added.pagesSkipped = Less(now.pagesSkipped, before.pagesSkipped);
  added.pagesFailingChecksum = Less(now.pagesFailingChecksum, before.pagesFailingChecksum);
  added.pagesSalvaged = Less(now.pagesSalvaged, before.pagesSalvaged);
  added.rowsFromDamagedPages = Less(now.rowsFromDamagedPages, before.rowsFromDamagedPages);
  added.loopsBroken = Less(now.loopsBroken, before.loopsBroken);
  added.valuesCutShort = Less(now.valuesCutShort, before.valuesCutShort);
  added.textsNotConverted = Less(now.textsNotConverted, before.textsNotConverted);
  added.bytesSkipped = Less(now.bytesSkipped, before.bytesSkipped);
  added.deletedRecordsUnreadable =
      Less(now.deletedRecordsUnreadable, before.deletedRecordsUnreadable);
  added.partitionsUnread = Less(now.partitionsUnread, before.partitionsUnread);
  added.formatUnsupported = now.formatUnsupported && !before.formatUnsupported;
  for (std::size_t i = before.notes.size(); i < now.notes.size(); ++i)
    added.notes.push_back(now.notes[i]);
  added.notesLeftOut = Less(now.notesLeftOut, before.notesLeftOut);
  return added;
}

RecordPager::RecordPager(RecoveryEngine& engine, RecordPagerOptions options)
    : engine_(engine), options_(std::move(options)) {}

bool RecordPager::Open(const TableLocation& location, std::string& error) {
  location_ = location;
  cursor_.reset();
  source_.reset();
  problem_.clear();
  lastPageStart_ = PageStart{};
  engine_.ClearTableLists();
  engine_.pageStarts.clear();
  engine_.moreRows = false;
  engine_.scanBackward = false;
  engine_.lastPageStartCount = 0;

  ReadOptions read;
  read.collations = &engine_.app.collations;
  if (location.origin == DefinitionOrigin::kDictionary) {
    read.systemTablespace = engine_.SystemTablespaceAt(SystemTablespacePath());
  }
  return LoadTableDefinition(engine_, location, read, error);
}

bool LoadTableDefinition(RecoveryEngine& engine, const TableLocation& location,
                         const ReadOptions& options, std::string& error) {
  engine.ClearTableLists();
  if (location.origin != DefinitionOrigin::kDefinitionFile) {
    TableDefinition definition;
    const Status status = ReadTableDefinition(location.Files(), options, definition);
    if (!status.ok()) {
      error = status.message();
      return false;
    }
    engine.TakeDefinition(std::move(definition));
    return true;
  }
  const Status readable = CheckDataFile(location.definitionPath, "the definition file");
  if (!readable.ok()) {
    error = readable.message();
    return false;
  }
  const bool read = engine.ReadTableDefinition(location.definitionPath);
  if (!read || engine.lastDefinitionStatus != DefinitionStatus::kRead) {
    error =
        location.definitionPath +
        (engine.lastDefinitionStatus == DefinitionStatus::kCorrupt ? ": damaged table definition"
         : engine.lastDefinitionStatus == DefinitionStatus::kUnsupported
             ? ": the table definition needs what this reader does not know"
             : ": not a table definition");
    return false;
  }
  return true;
}

std::string RecordPager::SystemTablespacePath() const {
  if (!options_.ibdataPath.empty()) return options_.ibdataPath;
  return JoinPath(location_.dataFolder, kSystemTablespaceName);
}

void RecordPager::LoadFirstPage() {
  engine_.rows.clear();
  engine_.pageStarts.clear();
  engine_.moreRows = false;
  engine_.scanBackward = false;
  cursor_.reset();
  source_.reset();
  problem_.clear();
  accounted_ = ReadReport{};
  pageReport_ = ReadReport{};
  page_ = 0;
  furthestPage_ = 0;
  pageIsNew_ = true;
  ReadOptions read;
  read.collations = &engine_.app.collations;
  read.readMismatchedFiles = options_.readMismatchedFiles;
  if (engine_.table.storageEngine == kEngineInnoDb) {
    if (options_.useDictionary) {
      read.systemTablespace = engine_.SystemTablespaceAt(SystemTablespacePath());
    }
  }
  const Status status = TableSource::Open(location_.Files(), read, source_);
  if (!status.ok()) {
    // No rows: a missing data file, an engine that is not read, ...
    problem_ = status.message();
    source_.reset();
    return;
  }
  cursor_ = source_->NewCursor();
  engine_.pageStarts.push_back(cursor_->Position());
  ReadRows(engine_.pageStarts.back());
}

PageOfRows ReadPageOfRows(TableCursor& cursor, const PageStart& start, const ValueOptions& options,
                          std::vector<DecodedRow>& rows) {
  if (!(cursor.Position() == start)) cursor.Seek(start);
  RowBuffer row;
  std::size_t read = 0;
  while (read < kRowsPerPage && cursor.Next(row)) {
    rows.push_back(RowTexts(row, cursor.Formats(), options));
    ++read;
  }
  PageOfRows page;
  page.full = read == kRowsPerPage;
  if (page.full) page.next = cursor.Position();
  return page;
}

void RecordPager::ReadRows(const PageStart& start) {
  shownStart_ = start;
  ValueOptions options = ValueOptionsFor(engine_.app);
  CTarnSalvorProjApp& app = engine_.app;
  // Save forms show a value kept off-page as the file it is written to.
  options.longValueSink = [&app](ByteView local, const LongValueReader& reader) {
    return WriteLongValueFile(app.saveFolder, app.blobFileCounter, local, reader);
  };
  const PageOfRows page = ReadPageOfRows(*cursor_, start, options, engine_.rows);
  pageReport_ = ReportSince(cursor_->Report(), accounted_);
  accounted_ = cursor_->Report();
  if (page.full) {
    engine_.moreRows = true;
    if (!engine_.scanBackward) engine_.pageStarts.push_back(page.next);
  }
}

RecordPager::TurnResult RecordPager::NextPage() {
  TurnResult result;
  auto& starts = engine_.pageStarts;
  const auto count = static_cast<std::int32_t>(starts.size());
  if (count < 2) {
    engine_.rows.clear();
    return result;
  }
  const PageStart start = starts.back();
  if ((count == engine_.lastPageStartCount && start == lastPageStart_) || start.IsEnd()) {
    // The end of the table was reached before; one sentinel is enough.
    if (!start.IsEnd()) starts.push_back(PageStart::End());
    engine_.rows.clear();
    result.turn = Turn::kEndReached;
    return result;
  }
  lastPageStart_ = start;
  engine_.lastPageStartCount = count;
  engine_.scanBackward = false;
  engine_.rows.clear();
  engine_.moreRows = false;
  ReadPage(start);
  result.turn = Turn::kLoaded;
  ++page_;
  pageIsNew_ = page_ > furthestPage_;
  furthestPage_ = std::max(furthestPage_, page_);
  if (!(engine_.rows.size() == kRowsPerPage && engine_.moreRows)) {
    starts.push_back(PageStart::End());
    result.atEdge = true;
  }
  return result;
}

RecordPager::TurnResult RecordPager::PreviousPage() {
  TurnResult result;
  auto& starts = engine_.pageStarts;
  if (starts.size() < 2) return result;
  PageStart start;
  if (starts.size() == 2) {
    engine_.lastPageStartCount = 2;
    start = starts.front();
    result.atEdge = true;
  } else {
    starts.pop_back();
    start = starts[starts.size() - 2];
    result.atEdge = starts.size() == 2;
  }
  lastPageStart_ = start;
  engine_.rows.clear();
  engine_.scanBackward = true;
  ReadPage(start);
  result.turn = Turn::kLoaded;
  page_ = result.atEdge || page_ == 0 ? 0 : page_ - 1;
  pageIsNew_ = false;
  return result;
}

const ReadReport& RecordPager::TableReport() const {
  static const ReadReport kNothingRead;
  return cursor_ ? cursor_->Report() : kNothingRead;
}

void RecordPager::ReadPage(const PageStart& start) {
  if (cursor_) ReadRows(start);
}

void RecordPager::ForgetEarlierPages() {
  auto& starts = engine_.pageStarts;
  constexpr std::size_t kKept = 2;
  while (starts.size() > kKept) {
    starts.pop_front();
    if (engine_.lastPageStartCount > 0) --engine_.lastPageStartCount;
  }
}

}  // namespace rowmender
