#include "preview/record_pages.h"

#include <utility>

#include "base/paths.h"
#include "preview/innodb_windows.h"

namespace rowmender {

namespace {

constexpr const char* kSystemTablespaceName = "ibdata1";

}  // namespace

RecordPager::RecordPager(RecoveryEngine& engine, RecordPagerOptions options)
    : engine_(engine), options_(std::move(options)) {}

bool RecordPager::Open(const TableLocation& location, std::string& error) {
  location_ = location;
  lastPageStart_ = PageStart{};
  engine_.ClearTableLists();
  engine_.dataFile.Close();
  engine_.indexFile.Close();
  engine_.tablespaceFile.Close();
  engine_.pageStarts.clear();
  engine_.moreRows = false;
  engine_.scanBackward = false;
  engine_.lastPageStartCount = 0;
  engine_.rowFormat = kRowFormatFixed;
  engine_.myisamBase = MyisamBaseInfo{};
  engine_.myisamColumns.clear();

  const bool read = engine_.ReadTableDefinition(location.definitionPath);
  if (!read || engine_.lastDefinitionStatus != DefinitionStatus::kRead) {
    error = location.definitionPath + (engine_.lastDefinitionStatus == DefinitionStatus::kCorrupt
                                           ? ": damaged table definition"
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
  switch (engine_.table.storageEngine) {
    case kEngineMyIsam:
      LoadMyIsamFirstPage();
      break;
    case kEngineInnoDb: {
      // InnoDB dispatch point, first page: open the tablespace (and the
      // system tablespace unless options_.useDictionary is false), push the
      // first leaf's PageStart and read its window into engine_.rows.
      if (engine_.app.SaveMode() && !engine_.app.saveFolder.empty()) {
        PrepareBlobFolder(engine_.app.saveFolder);
      }
      InnoDbReadOptions innodb;
      innodb.ibdataPath = SystemTablespacePath();
      innodb.useDictionary = options_.useDictionary;
      LoadInnoDbFirstWindow(engine_, location_.dataFolder, location_.databaseFolder,
                            location_.tableName, innodb);
      break;
    }
    default:
      break;  // other engines: no rows
  }
}

void RecordPager::LoadMyIsamFirstPage() {
  const std::string folder = location_.databaseFolder;
  const std::string stem = location_.tableName;
  const std::string indexPath = FindFileWithExtension(folder, stem, "MYI");
  if (!indexPath.empty()) engine_.ReadIndexHeader(indexPath);
  const std::string dataPath = FindFileWithExtension(folder, stem, "MYD");
  if (dataPath.empty() || !engine_.dataFile.Open(dataPath)) return;
  engine_.moreRows = false;
  engine_.pageStarts.push_back(PageStart{0, 0});
  engine_.ReadMyIsamPage(0);
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
  engine_.app.resumeFromOffset = true;
  engine_.rows.clear();
  engine_.moreRows = false;
  ReadPage(start);
  result.turn = Turn::kLoaded;
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
  engine_.app.resumeFromOffset = true;
  engine_.rows.clear();
  engine_.scanBackward = true;
  ReadPage(start);
  result.turn = Turn::kLoaded;
  return result;
}

void RecordPager::ReadPage(const PageStart& start) {
  switch (engine_.table.storageEngine) {
    case kEngineMyIsam:
      if (engine_.dataFile.IsOpen()) engine_.ReadMyIsamPage(start.offset);
      break;
    case kEngineInnoDb:
      // InnoDB dispatch point, later pages: read the window that begins at
      // `start` (page number, record offset) into engine_.rows.
      LoadInnoDbWindow(engine_, start);
      break;
    default:
      break;
  }
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
