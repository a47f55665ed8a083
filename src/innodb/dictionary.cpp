#include "innodb/dictionary.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <map>
#include <string>
#include <unordered_set>

#include "base/text_codec.h"
#include "innodb/btree.h"
#include "innodb/page_checksum.h"
#include "innodb/page_scan.h"
#include "innodb/record_salvage.h"
#include "innodb/records.h"

namespace rowmender {

namespace {

// Field numbers (0-based) of the system tables' leaf records.
namespace sys_tables {
constexpr std::size_t kName = 0;
constexpr std::size_t kId = 3;
constexpr std::size_t kColumnCount = 4;
constexpr std::size_t kType = 5;
constexpr std::size_t kSpace = 9;
}  // namespace sys_tables

namespace sys_columns {
constexpr std::size_t kTableId = 0;
constexpr std::size_t kPosition = 1;
constexpr std::size_t kName = 4;
constexpr std::size_t kMtype = 5;
constexpr std::size_t kPrtype = 6;
constexpr std::size_t kLen = 7;
constexpr std::size_t kPrec = 8;
}  // namespace sys_columns

namespace sys_indexes {
constexpr std::size_t kTableId = 0;
constexpr std::size_t kId = 1;
constexpr std::size_t kName = 4;
constexpr std::size_t kFieldCount = 5;
constexpr std::size_t kType = 6;
constexpr std::size_t kSpace = 7;
constexpr std::size_t kRootPage = 8;
}  // namespace sys_indexes

namespace sys_fields {
constexpr std::size_t kIndexId = 0;
constexpr std::size_t kPosition = 1;
constexpr std::size_t kColumnName = 4;
}  // namespace sys_fields

// SYS_FIELDS.POS where the index has column prefixes: the field number
// above the low half, the prefix length in it.
constexpr std::uint32_t kPositionLowHalf = 0xFFFF;
constexpr std::uint32_t kPrefixLengthMask = 0x7FFF;
constexpr std::uint32_t kDescendingBit = 0x8000;
// The type of the dictionary header page.
constexpr std::uint16_t kSystemPageType = 6;

constexpr std::uint32_t kBinaryCollation = 63;
constexpr std::uint32_t kLatin1Collation = 8;

// One leaf record of a system table: its fields in the page.
class DictionaryRecord {
 public:
  DictionaryRecord(ByteView page, const std::vector<FieldExtent>& fields)
      : page_(page), fields_(fields) {}

  // The big-endian number in field `i` when it is exactly `width` bytes
  // long; 0 otherwise.
  std::uint64_t Number(std::size_t i, std::size_t width) const {
    if (i >= fields_.size()) return 0;
    const FieldExtent& field = fields_[i];
    if (field.missing || field.isNull || field.length != width) return 0;
    return BigEndian(page_, field.start, width);
  }
  std::uint32_t Number32(std::size_t i) const { return static_cast<std::uint32_t>(Number(i, 4)); }
  std::uint64_t Number64(std::size_t i) const { return Number(i, 8); }

  // A NAME field, up to its first zero byte.
  std::string Text(std::size_t i) const {
    if (i >= fields_.size() || fields_[i].missing || fields_[i].isNull) return {};
    const ByteView bytes = fields_[i].BytesIn(page_);
    const auto zero = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    return DecodeStoredName(bytes.first(static_cast<std::size_t>(zero - bytes.begin())));
  }

 private:
  ByteView page_;
  const std::vector<FieldExtent>& fields_;
};

bool HoldsCharacters(std::uint32_t mtype) {
  return mtype <= kMtypeBlob || mtype == kMtypeVarMysql || mtype == kMtypeMysql;
}

// Old servers did not record a collation for every string column: binary
// types get the binary collation, the others latin1. The bytes per
// character come from the collation table.
void CompleteColumnRow(DictColumnRow& row, const CollationTable& collations) {
  if (CollationOfPrtype(row.prtype) == 0 && HoldsCharacters(row.mtype)) {
    const bool binary = row.mtype == kMtypeFixBinary || row.mtype == kMtypeBinary ||
                        (row.mtype == kMtypeBlob && (row.prtype & kPrtypeBinary) != 0);
    row.prtype |= (binary ? kBinaryCollation : kLatin1Collation) << kPrtypeCollationShift;
  }
  if (HoldsCharacters(row.mtype)) {
    if (const CollationEntry* entry = collations.Lookup(CollationOfPrtype(row.prtype))) {
      row.mbMinLen = static_cast<std::uint32_t>(std::max(entry->minBytesPerChar, 0));
      row.mbMaxLen = static_cast<std::uint32_t>(std::max(entry->maxBytesPerChar, 0));
    }
  }
  row.mbMinMaxLen = row.mbMinLen + kMbMaxFactor * row.mbMaxLen;
}

enum class SystemTable { kTables, kColumns, kIndexes, kFields };

// One system table's clustered index.
struct SystemIndex {
  const char* name;
  std::uint32_t root;
  std::uint64_t id;
  SystemTable kind;
  // Fields its leaf records have (0: none).
  std::array<std::size_t, 2> fieldCounts;
};

struct DictionaryLists {
  const CollationTable& collations;
  DictionaryRows& rows;
};

void KeepRecord(SystemTable kind, const DictionaryRecord& record, bool deleted,
                DictionaryLists& lists) {
  switch (kind) {
    case SystemTable::kTables: {
      DictTableRow row;
      row.name = record.Text(sys_tables::kName);
      row.tableId = record.Number64(sys_tables::kId);
      row.columnCount = record.Number32(sys_tables::kColumnCount);
      row.type = record.Number32(sys_tables::kType);
      row.space = record.Number32(sys_tables::kSpace);
      row.deleted = deleted;
      lists.rows.tables.push_back(std::move(row));
      break;
    }
    case SystemTable::kColumns: {
      DictColumnRow row;
      row.tableId = record.Number64(sys_columns::kTableId);
      row.position = record.Number32(sys_columns::kPosition);
      row.name = record.Text(sys_columns::kName);
      row.mtype = record.Number32(sys_columns::kMtype);
      row.prtype = record.Number32(sys_columns::kPrtype);
      row.len = record.Number32(sys_columns::kLen);
      row.prec = record.Number32(sys_columns::kPrec);
      row.deleted = deleted;
      CompleteColumnRow(row, lists.collations);
      lists.rows.columns.push_back(std::move(row));
      break;
    }
    case SystemTable::kIndexes: {
      DictIndexRow row;
      row.tableId = record.Number64(sys_indexes::kTableId);
      row.indexId = record.Number64(sys_indexes::kId);
      row.name = record.Text(sys_indexes::kName);
      row.fieldCount = record.Number32(sys_indexes::kFieldCount);
      row.indexType = record.Number32(sys_indexes::kType);
      row.space = record.Number32(sys_indexes::kSpace);
      row.rootPage = record.Number32(sys_indexes::kRootPage);
      row.deleted = deleted;
      lists.rows.indexes.push_back(std::move(row));
      break;
    }
    case SystemTable::kFields: {
      DictFieldRow row;
      row.indexId = record.Number64(sys_fields::kIndexId);
      row.position = record.Number32(sys_fields::kPosition);
      row.columnName = record.Text(sys_fields::kColumnName);
      row.deleted = deleted;
      lists.rows.fields.push_back(std::move(row));
      break;
    }
  }
}

// The leaf pages of one system table's clustered index: its leaf chain
// from the root while every page of it is sound; where the root, the
// chain or a page is damaged, the leaf pages with the index's id found by
// reading every page header of the tablespace.
std::vector<std::uint32_t> DictionaryLeafPages(const PageSource& source, const SystemIndex& index,
                                               ReadReport& report) {
  std::vector<std::uint32_t> pages;
  const std::uint32_t first =
      source.Holds(index.root) ? FindFirstLeafPageRedundant(source, index.root) : 0;
  PageBuffer buffer = NewPageBuffer(source);
  bool sound = false;
  if (first != 0) {
    std::unordered_set<std::uint32_t> seen;
    std::uint32_t page = first;
    while (source.Holds(page) && seen.insert(page).second) {
      source.Read(page, buffer);
      const IndexPage leaf(buffer);
      if (!leaf.IsIndexPage() || leaf.Level() != 0 || leaf.Header().indexId != index.id ||
          !leaf.HasRedundantInfimum() || !PageIsSound(buffer)) {
        break;
      }
      pages.push_back(page);
      const std::uint32_t next = leaf.Fil().nextPage;
      if (next == kNoPage || next == 0) {
        sound = true;
        break;
      }
      page = next;
    }
  }
  if (sound) return pages;
  report.Note(std::string("the data dictionary's ") + index.name +
              " is damaged: its pages were found by reading every page of the system "
              "tablespace");
  const std::vector<LeafPageEntry> leaves = FindLeafPages(source, index.id);
  LeafPageOrder order =
      OrderLeafPages(leaves, ExtentMap::Read(source), first != 0 ? first : kNoPage, report);
  return std::move(order.pages);
}

// Reads the leaf records of one system table.
void ReadDictionaryIndex(const PageSource& source, const SystemIndex& index, DictionaryLists& lists,
                         ReadReport& report) {
  PageBuffer buffer = NewPageBuffer(source);
  std::vector<FieldExtent> fields;
  for (const std::uint32_t page : DictionaryLeafPages(source, index, report)) {
    source.Read(page, buffer);
    ++report.pagesRead;
    const IndexPage leaf(buffer);
    if (!PageIsSound(buffer)) {
      ++report.pagesFailingChecksum;
      report.Note(std::string("page ") + std::to_string(page) + " of " + index.name +
                  " fails its checksum: its records are read as they stand");
    }
    if (!leaf.IsIndexPage() || !leaf.HasRedundantInfimum()) continue;
    if (!RecordListSound(buffer, RecordFormat::kRedundant)) {
      // The records found one by one, by the field counts this system
      // table's records have had (SYS_INDEXES gained a field in 5.7).
      std::vector<RecordSpan> best;
      for (const std::size_t count : index.fieldCounts) {
        if (count == 0) continue;
        std::vector<RecordSpan> found =
            SalvageRecords(buffer, RecordFormat::kRedundant, std::vector<InnoColumn>(count), 0);
        if (found.size() > best.size()) best = std::move(found);
      }
      ++report.pagesSalvaged;
      report.Note(std::string("the record list of page ") + std::to_string(page) + " of " +
                  index.name + " is broken: " + std::to_string(best.size()) +
                  " records were found one by one");
      for (const RecordSpan& span : best) {
        RedundantFieldExtents(buffer, span.origin, fields);
        const RedundantRecordHeader header = RedundantRecordHeader::DecodeFrom(buffer, span.origin);
        KeepRecord(index.kind, DictionaryRecord(buffer, fields), header.Deleted(), lists);
        ++report.rowsRead;
        ++report.rowsFromDamagedPages;
      }
      continue;
    }
    std::uint32_t origin = leaf.FirstRedundantRecord();
    for (int count = 0; count < kMaxRecordsPerPage; ++count) {
      if (origin == 0 || origin >= buffer.size() || leaf.IsSupremumAt(origin)) break;
      RedundantFieldExtents(buffer, origin, fields);
      const RedundantRecordHeader header = RedundantRecordHeader::DecodeFrom(buffer, origin);
      KeepRecord(index.kind, DictionaryRecord(buffer, fields), header.Deleted(), lists);
      ++report.rowsRead;
      origin = header.nextRecord;
    }
  }
}

// The first row that `matches`, live rows before delete-marked ones.
template <typename Row, typename Match>
const Row* PreferLive(const std::vector<Row>& rows, Match matches) {
  const Row* deleted = nullptr;
  for (const auto& row : rows) {
    if (!matches(row)) continue;
    if (!row.deleted) return &row;
    if (deleted == nullptr) deleted = &row;
  }
  return deleted;
}

}  // namespace

std::uint32_t SysFieldsRoot(const PageSource& system) {
  if (!system.Holds(kDictionaryHeaderPage)) return kSysFieldsRoot;
  PageBuffer buffer = NewPageBuffer(system);
  system.Read(kDictionaryHeaderPage, buffer);
  const PageCheck check = CheckPage(buffer);
  const FilHeader fil = FilHeader::DecodeFrom(buffer);
  if (check == PageCheck::kFailed || check == PageCheck::kAllZero ||
      fil.pageNumber != kDictionaryHeaderPage || fil.pageType != kSystemPageType) {
    return kSysFieldsRoot;
  }
  const auto root = static_cast<std::uint32_t>(
      BigEndian(buffer, FilHeader::kSize + kDictionaryHeaderFieldsRoot, 4));
  return root > kDictionaryHeaderPage && system.Holds(root) ? root : kSysFieldsRoot;
}

void ReadSystemDictionary(const PageSource& system, const CollationTable& collations,
                          DictionaryRows& rows, ReadReport* report) {
  // No pages at all: there is no dictionary to read (nor to call damaged).
  if (system.PageCount() == 0) return;
  DictionaryLists lists{collations, rows};
  ReadReport ignored;
  ReadReport& account = report != nullptr ? *report : ignored;
  for (const SystemIndex& index :
       {SystemIndex{"SYS_TABLES", kSysTablesRoot, kSysTablesIndexId, SystemTable::kTables, {10, 0}},
        SystemIndex{
            "SYS_COLUMNS", kSysColumnsRoot, kSysColumnsIndexId, SystemTable::kColumns, {9, 0}},
        SystemIndex{
            "SYS_INDEXES", kSysIndexesRoot, kSysIndexesIndexId, SystemTable::kIndexes, {10, 9}},
        SystemIndex{"SYS_FIELDS",
                    SysFieldsRoot(system),
                    kSysFieldsIndexId,
                    SystemTable::kFields,
                    {5, 0}}}) {
    ReadDictionaryIndex(system, index, lists, account);
  }
}

void ReadSystemDictionary(const PageSource& system, const CollationTable& collations,
                          std::vector<DictTableRow>& tables, std::vector<DictColumnRow>& columns,
                          std::vector<DictIndexRow>& indexes, ReadReport* report) {
  DictionaryRows rows;
  ReadSystemDictionary(system, collations, rows, report);
  tables.insert(tables.end(), std::make_move_iterator(rows.tables.begin()),
                std::make_move_iterator(rows.tables.end()));
  columns.insert(columns.end(), std::make_move_iterator(rows.columns.begin()),
                 std::make_move_iterator(rows.columns.end()));
  indexes.insert(indexes.end(), std::make_move_iterator(rows.indexes.begin()),
                 std::make_move_iterator(rows.indexes.end()));
}

std::vector<DictIndexField> FieldsOfIndexIn(const std::vector<DictFieldRow>& fields,
                                            std::uint64_t indexId) {
  // The index's rows by POS, live ones only where it has any.
  std::map<std::uint32_t, const DictFieldRow*> byPosition;
  const bool anyLive = std::any_of(fields.begin(), fields.end(), [&](const DictFieldRow& row) {
    return row.indexId == indexId && !row.deleted;
  });
  for (const DictFieldRow& row : fields) {
    if (row.indexId != indexId || (anyLive && row.deleted)) continue;
    byPosition.emplace(row.position, &row);
  }
  // An index with column prefixes keeps the field number in the high half
  // of POS: every field after the first has a POS above 0xFFFF, and a
  // first field alone has its prefix length as POS.
  const bool prefixForm =
      std::any_of(byPosition.begin(), byPosition.end(),
                  [](const auto& entry) { return entry.first > kPositionLowHalf; }) ||
      (byPosition.size() == 1 && byPosition.begin()->first != 0);
  std::vector<DictIndexField> out;
  for (const auto& [position, row] : byPosition) {
    DictIndexField field;
    field.columnName = row->columnName;
    if (prefixForm) {
      field.prefixLength = position & kPrefixLengthMask;
      field.descending = (position & kDescendingBit) != 0;
    }
    out.push_back(std::move(field));
  }
  return out;
}

std::uint64_t FindTableIdIn(const std::vector<DictTableRow>& tables, std::string_view name) {
  std::string wanted(name);
  std::replace(wanted.begin(), wanted.end(), '\\', '/');
  const DictTableRow* row =
      PreferLive(tables, [&](const DictTableRow& candidate) { return candidate.name == wanted; });
  return row == nullptr ? 0 : row->tableId;
}

std::uint64_t FindTableIdByColumnsIn(const std::vector<DictTableRow>& tables,
                                     const std::vector<DictColumnRow>& columns,
                                     std::string_view name, const std::vector<std::string>& names) {
  std::map<std::uint64_t, std::map<std::uint32_t, const std::string*>> byTable;
  for (const DictColumnRow& column : columns) {
    if (!column.deleted) byTable[column.tableId][column.position] = &column.name;
  }
  std::string wanted(name);
  std::replace(wanted.begin(), wanted.end(), '\\', '/');
  std::uint64_t found = 0;
  for (const auto& [candidate, byPosition] : byTable) {
    const std::uint64_t tableId = candidate;  // named for the lambda below
    if (byPosition.size() != names.size()) continue;
    bool same = true;
    std::uint32_t position = 0;
    for (const auto& [at, columnName] : byPosition) {
      same = same && at == position && *columnName == names[position];
      ++position;
    }
    const bool namedOtherwise =
        std::any_of(tables.begin(), tables.end(), [&](const DictTableRow& table) {
          return table.tableId == tableId && !table.deleted && table.name != wanted;
        });
    if (!same || namedOtherwise) continue;
    if (found != 0) return 0;  // two tables alike: no guess
    found = tableId;
  }
  return found;
}

const DictIndexRow* FindClusteredIndexIn(const std::vector<DictIndexRow>& indexes,
                                         std::uint64_t tableId) {
  return PreferLive(indexes, [&](const DictIndexRow& candidate) {
    return candidate.tableId == tableId && candidate.IsClustered();
  });
}

std::uint32_t FindClusteredIndexRootIn(const std::vector<DictIndexRow>& indexes,
                                       std::uint64_t tableId) {
  const DictIndexRow* row = FindClusteredIndexIn(indexes, tableId);
  return row == nullptr ? 0 : row->rootPage;
}

std::vector<InnoColumn> ColumnsFromDictionary(const std::vector<DictColumnRow>& rows,
                                              std::uint64_t tableId,
                                              const std::vector<ColumnDefinition>& columns) {
  std::vector<const DictColumnRow*> stored;
  std::unordered_set<std::uint32_t> virtualPositions;
  for (const auto& row : rows) {
    if (row.tableId != tableId) continue;
    if ((row.prtype & kPrtypeVirtual) != 0) {
      virtualPositions.insert(row.position & kVirtualPositionMask);
    } else {
      stored.push_back(&row);
    }
  }
  std::vector<InnoColumn> pending;
  std::uint32_t storedNumber = 0;
  for (const auto& column : columns) {
    if (column.isVirtual ||
        (column.ordinal >= 0 &&
         virtualPositions.contains(static_cast<std::uint32_t>(column.ordinal)))) {
      continue;
    }
    const DictColumnRow* found = nullptr;
    for (const DictColumnRow* row : stored) {
      if (row->position != storedNumber) continue;
      if (!row->deleted) {
        found = row;
        break;
      }
      if (found == nullptr) found = row;
    }
    ++storedNumber;
    if (found == nullptr) continue;
    pending.push_back(InnoColumnFromDictionary(column, found->Type()));
  }
  return pending;
}

}  // namespace rowmender
