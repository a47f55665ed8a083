#include "innodb/record_layout.h"

#include <algorithm>
#include <limits>

#include "innodb/external_value.h"

namespace rowmender {

namespace {

// MariaDB: the root's count of core fields, in the top 13 bits of the two
// header bytes that otherwise tell the last insert's direction.
constexpr std::size_t kInstantFieldsOffset = IndexPageHeader::kOffset + 12;
constexpr unsigned kInstantFieldsShift = 3;
// The byte of the cleared supremum that keeps the core null bitmap size.
constexpr std::size_t kCoreNullBytesOffset = kCompactSupremumOrigin + kSupremumText.size() - 1;
// MariaDB's count of added fields: one byte below 0x80, else seven bits
// and a second byte below it.
constexpr std::uint8_t kTwoByteCountFlag = 0x80;
constexpr std::uint8_t kLowSevenBits = 0x7F;
// The most fields a record holds.
constexpr std::size_t kMostFields = 1023;
// The BLOB of MariaDB's column map: one page, its part at the page data.
constexpr std::uint32_t kMapPartOffset = FilHeader::kSize;
constexpr std::size_t kMapHeaderSize = 4;
constexpr std::size_t kMapEntrySize = 2;
// A column map entry: dropped, dropped NOT NULL, and the column number
// (of a dropped column: 0 variable up to 255 bytes, 1 variable and longer,
// else its fixed length plus one).
constexpr std::uint16_t kMapDropped = 0x8000;
constexpr std::uint16_t kMapNotNull = 0x4000;
constexpr std::uint16_t kMapColumnMask = 0x3FF;
constexpr std::uint16_t kMapLongVariable = 1;
constexpr std::uint32_t kShortVariableMost = 255;
// The hidden fields that follow the key in every clustered record.
constexpr std::size_t kTransactionAndRollPointer = kTransactionIdLength + kRollPointerLength;
// An added column's value for older records that is larger than this is
// taken to be damage.
constexpr std::size_t kLargestDefault = 16u << 20;

std::uint8_t ByteBelow(ByteView page, std::size_t origin, std::size_t distance) {
  return distance <= origin ? ByteAt(page, origin - distance) : 0;
}

std::size_t BitmapBytes(std::size_t bits) {
  return (bits + 7) / 8;
}

// The first field after DB_ROLL_PTR: where the fields of the columns
// outside the clustered key start.
std::size_t FirstUserField(const std::vector<InnoColumn>& fields) {
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (fields[i].role == InnoFieldRole::kSystem && fields[i].column.name == "DB_ROLL_PTR")
      return i + 1;
  }
  return fields.size();
}

std::size_t NullableAmongFirst(const std::vector<InnoColumn>& fields, std::size_t count) {
  std::size_t nullable = 0;
  for (std::size_t i = 0; i < count && i < fields.size(); ++i) {
    if (fields[i].IsNullable()) ++nullable;
  }
  return nullable;
}

bool HeldInVersion(const ColumnDefinition& column, std::uint32_t version) {
  return column.versionAdded <= version &&
         (column.versionDropped == 0 || column.versionDropped > version);
}

}  // namespace

// ---- RecordLayout ----

RecordLayout::RecordLayout(std::vector<InnoColumn> fields) : fields_(std::move(fields)) {
  allNullBytes_ = NullBitmapSize(fields_);
  nodeNullBytes_ = allNullBytes_;
  versionZeroFields_ = fields_.size();
}

RecordLayout RecordLayout::MariaDb(std::vector<InnoColumn> fields, std::uint32_t coreFields,
                                   std::size_t coreNullBytes) {
  RecordLayout layout(std::move(fields));
  layout.kind_ = LayoutKind::kMariaDb;
  layout.coreFields_ = coreFields;
  layout.coreNullBytes_ = coreNullBytes;
  layout.nodeNullBytes_ = coreNullBytes;
  return layout;
}

RecordLayout RecordLayout::MySql(std::vector<InnoColumn> fields, std::uint32_t baseFields) {
  RecordLayout layout(std::move(fields));
  layout.kind_ = LayoutKind::kMySql;
  layout.coreFields_ = baseFields;
  layout.versionZeroFields_ = 0;
  for (const InnoColumn& field : layout.fields_) {
    layout.lastVersion_ =
        std::max({layout.lastVersion_, field.column.versionAdded, field.column.versionDropped});
    if (field.column.versionAdded == 0) ++layout.versionZeroFields_;
  }
  RecordShape unmarked;
  layout.HoldUnmarked(unmarked);
  layout.nodeNullBytes_ = unmarked.nullBitmapSize;
  return layout;
}

std::uint8_t RecordLayout::AllowedMarks() const {
  return kind_ == LayoutKind::kMySql ? kRecordCountsFieldsMark | kRecordVersionMark : 0;
}

void RecordLayout::HoldFirst(std::size_t count, RecordShape& shape) const {
  shape.held.assign(fields_.size(), 0);
  std::size_t taken = 0;
  for (std::size_t i = 0; i < fields_.size() && taken < count; ++i) {
    if (fields_[i].column.versionAdded != 0) continue;
    shape.held[i] = 1;
    ++taken;
  }
  shape.nullBitmapSize = NullBytesHeld(shape);
}

void RecordLayout::HoldVersion(std::uint32_t version, RecordShape& shape) const {
  shape.held.assign(fields_.size(), 0);
  for (std::size_t i = 0; i < fields_.size(); ++i)
    shape.held[i] = HeldInVersion(fields_[i].column, version) ? 1 : 0;
  shape.nullBitmapSize = NullBytesHeld(shape);
}

void RecordLayout::HoldUnmarked(RecordShape& shape) const {
  shape.headerExtra = 0;
  if (coreFields_ != 0) {
    HoldFirst(coreFields_, shape);
  } else {
    HoldVersion(0, shape);
  }
}

std::size_t RecordLayout::NullBytesHeld(const RecordShape& shape) const {
  std::size_t nullable = 0;
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    if (shape.Holds(i) && fields_[i].IsNullable()) ++nullable;
  }
  return BitmapBytes(nullable);
}

bool RecordLayout::CompactShape(ByteView page, std::size_t origin,
                                const CompactRecordHeader& header, RecordShape& shape,
                                std::string& why) const {
  shape.headerExtra = 0;
  switch (kind_) {
    case LayoutKind::kPlain:
      shape.held.clear();
      shape.nullBitmapSize = allNullBytes_;
      return true;
    case LayoutKind::kMariaDb: {
      if (header.status == static_cast<std::uint8_t>(RecordStatus::kOrdinary)) {
        HoldFirst(coreFields_, shape);
        shape.nullBitmapSize = coreNullBytes_;
        return true;
      }
      if (header.status != static_cast<std::uint8_t>(RecordStatus::kInstant)) {
        why = "its status (" + std::to_string(header.status) + ") is not a leaf record's";
        return false;
      }
      const std::uint8_t first = ByteBelow(page, origin, CompactRecordHeader::kSize + 1);
      std::size_t added = first;
      shape.headerExtra = 1;
      if ((first & kTwoByteCountFlag) != 0) {
        added = (first & kLowSevenBits) |
                (static_cast<std::size_t>(ByteBelow(page, origin, CompactRecordHeader::kSize + 2))
                 << 7);
        shape.headerExtra = 2;
      }
      const std::size_t held = std::size_t{coreFields_} + 1 + added;
      if (held > fields_.size()) {
        why = "it counts " + std::to_string(held) + " fields, and the table's records have " +
              std::to_string(fields_.size());
        return false;
      }
      HoldFirst(held, shape);
      return true;
    }
    case LayoutKind::kMySql: {
      if (header.status != static_cast<std::uint8_t>(RecordStatus::kOrdinary)) {
        why = "its status (" + std::to_string(header.status) + ") is not a leaf record's";
        return false;
      }
      const bool versioned = (header.flags & kRecordVersionMark) != 0;
      const bool counted = (header.flags & kRecordCountsFieldsMark) != 0;
      if (versioned && counted) {
        why = "it carries both a row version and a count of fields";
        return false;
      }
      if (versioned) {
        const std::uint8_t version = ByteBelow(page, origin, CompactRecordHeader::kSize + 1);
        if (version > lastVersion_) {
          why = "its row version " + std::to_string(version) + " is newer than the table's (" +
                std::to_string(lastVersion_) + ")";
          return false;
        }
        HoldVersion(version, shape);
        shape.headerExtra = 1;
        return true;
      }
      if (counted) {
        const std::uint8_t first = ByteBelow(page, origin, CompactRecordHeader::kSize + 1);
        std::size_t count = first;
        shape.headerExtra = 1;
        if ((first & kTwoByteCountFlag) != 0) {
          count = (static_cast<std::size_t>(first & kLowSevenBits) << 8) |
                  ByteBelow(page, origin, CompactRecordHeader::kSize + 2);
          shape.headerExtra = 2;
        }
        if (count > versionZeroFields_ || count < FirstUserField(fields_)) {
          why = "it counts " + std::to_string(count) + " fields, and the table's records have " +
                std::to_string(versionZeroFields_);
          return false;
        }
        HoldFirst(count, shape);
        return true;
      }
      HoldUnmarked(shape);
      return true;
    }
  }
  return false;
}

bool RecordLayout::RedundantShape(ByteView page, std::size_t origin,
                                  const RedundantRecordHeader& header, RecordShape& shape,
                                  std::string& why) const {
  shape.headerExtra = 0;
  shape.nullBitmapSize = 0;
  const std::size_t count = header.fieldCount;
  const auto countsWrong = [&](std::size_t most) {
    why = "it holds " + std::to_string(count) + " fields, and the table's records have " +
          std::to_string(most);
    return false;
  };
  switch (kind_) {
    case LayoutKind::kPlain:
      shape.held.clear();
      return true;
    case LayoutKind::kMariaDb:
      if (count > fields_.size() || count < coreFields_) return countsWrong(fields_.size());
      HoldFirst(count, shape);
      return true;
    case LayoutKind::kMySql: {
      if ((header.flags & kRecordVersionMark) != 0) {
        const std::uint8_t version = ByteBelow(page, origin, RedundantRecordHeader::kSize + 1);
        if (version > lastVersion_) {
          why = "its row version " + std::to_string(version) + " is newer than the table's (" +
                std::to_string(lastVersion_) + ")";
          return false;
        }
        HoldVersion(version, shape);
        shape.headerExtra = 1;
        const auto held = static_cast<std::size_t>(
            std::count(shape.held.begin(), shape.held.end(), std::uint8_t{1}));
        if (held != count) return countsWrong(held);
        return true;
      }
      if (count > versionZeroFields_ || count < FirstUserField(fields_))
        return countsWrong(versionZeroFields_);
      HoldFirst(count, shape);
      return true;
    }
  }
  return false;
}

// ---- From the definition (MySQL 8) ----

Status LayoutFromDefinition(std::vector<InnoColumn> fields, const TableDefinition& table,
                            const CollationTable& collations, RecordLayout& out) {
  const auto changedInPlace = [](const ColumnDefinition& column) {
    return column.versionAdded != 0 || column.versionDropped != 0 || column.physicalPosition >= 0 ||
           column.instantDefault != InstantDefault::kNone;
  };
  if (table.instantColumns == 0 && table.droppedColumns.empty() &&
      std::none_of(table.columns.begin(), table.columns.end(), changedInPlace)) {
    out = RecordLayout(std::move(fields));
    return Status::Ok();
  }
  const std::size_t firstUser = FirstUserField(fields);
  for (const ColumnDefinition& column : table.droppedColumns) {
    if (column.isVirtual) continue;
    InnoColumn field = InnoColumnFromDefinition(column, 0, collations);
    field.role = InnoFieldRole::kDropped;
    fields.push_back(std::move(field));
  }
  // The fields outside the key in the order they are stored in.
  const auto place = [](const InnoColumn& field) {
    return field.column.physicalPosition >= 0 ? field.column.physicalPosition
                                              : std::numeric_limits<std::int32_t>::max();
  };
  std::stable_sort(fields.begin() + static_cast<std::ptrdiff_t>(firstUser), fields.end(),
                   [&](const InnoColumn& a, const InnoColumn& b) { return place(a) < place(b); });

  std::size_t versionZero = 0;
  std::size_t userColumnsOfVersionZero = 0;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const InnoColumn& field = fields[i];
    const ColumnDefinition& column = field.column;
    if (column.versionAdded == 0) {
      ++versionZero;
      // A column taken whole into the key is stored there alone.
      if ((i < firstUser && field.role == InnoFieldRole::kValue) || i >= firstUser)
        ++userColumnsOfVersionZero;
    }
    if (column.versionDropped != 0 && column.versionDropped <= column.versionAdded) {
      return Status::Corruption("column " + column.name + " is dropped in row version " +
                                std::to_string(column.versionDropped) +
                                ", not after the version that added it (" +
                                std::to_string(column.versionAdded) + ")");
    }
    if (field.role == InnoFieldRole::kValue && column.versionAdded != 0 &&
        column.instantDefault == InstantDefault::kNone) {
      return Status::Corruption("column " + column.name + " was added in place (row version " +
                                std::to_string(column.versionAdded) +
                                ") and the definition gives no value for the records "
                                "written before");
    }
  }
  std::uint32_t baseFields = 0;
  if (table.instantColumns != 0) {
    // MySQL 8.0.12 to 8.0.28 append the columns they add: records written
    // before the first such ADD hold all fields of version 0 but theirs.
    if (table.instantColumns > userColumnsOfVersionZero) {
      return Status::Corruption("the definition counts " + std::to_string(table.instantColumns) +
                                " columns before the first one added in place, and the table has " +
                                std::to_string(userColumnsOfVersionZero));
    }
    const std::size_t added = userColumnsOfVersionZero - table.instantColumns;
    baseFields = static_cast<std::uint32_t>(versionZero - added);
    if (baseFields < firstUser) {
      return Status::Corruption("the columns added in place include key columns");
    }
    std::size_t seen = 0;
    for (const InnoColumn& field : fields) {
      if (field.column.versionAdded != 0) continue;
      if (seen++ < baseFields || field.role != InnoFieldRole::kValue) continue;
      if (field.column.instantDefault == InstantDefault::kNone) {
        return Status::Corruption("column " + field.column.name +
                                  " was added in place and the definition gives no value for "
                                  "the records written before");
      }
    }
  }
  out = RecordLayout::MySql(std::move(fields), baseFields);
  return Status::Ok();
}

// ---- MariaDB ----

InstantRoot ReadInstantRoot(ByteView rootPage) {
  InstantRoot root;
  if (FilHeader::DecodeFrom(rootPage).pageType != kInstantIndexPageType) return root;
  root.altered = true;
  root.coreFields = Be16(rootPage, kInstantFieldsOffset) >> kInstantFieldsShift;
  const IndexPage index(rootPage);
  if (!index.HasCompactInfimum() && !index.HasRedundantInfimum()) {
    root.fieldsMapped = true;
    if (index.Format() == RecordFormat::kCompact)
      root.coreNullBytes = ByteAt(rootPage, kCoreNullBytesOffset);
  }
  return root;
}

RecordLayout RootLayout(std::vector<InnoColumn> fields, const InstantRoot& root) {
  if (!root.altered) return RecordLayout(std::move(fields));
  const std::size_t coreNullBytes = root.fieldsMapped
                                        ? root.coreNullBytes
                                        : BitmapBytes(NullableAmongFirst(fields, root.coreFields));
  return RecordLayout::MariaDb(std::move(fields), root.coreFields, coreNullBytes);
}

namespace {

// The metadata record's BLOB: the count of fields outside the key, then
// one entry per field.
Status ReadColumnMap(const PageSource& source, ByteView reference,
                     std::vector<std::uint16_t>& map) {
  const ExternalReference ref = ExternalReference::DecodeFrom(reference);
  const std::uint32_t lengthFlags = Be32(reference, ExternalReference::kLengthOffset - 4);
  if (lengthFlags != 0 || ref.partOffset != kMapPartOffset || ref.totalLength < kMapHeaderSize ||
      !source.Holds(ref.firstPage)) {
    return Status::Corruption("its reference to the column map is damaged");
  }
  PageBuffer page = NewPageBuffer(source);
  source.Read(ref.firstPage, page);
  const BlobPart part = BlobPage(page).PartAt(kMapPartOffset);
  if (FilHeader::DecodeFrom(page).pageType != kBlobPageType || part.cut ||
      part.length != ref.totalLength || part.nextPage != kNoPage) {
    return Status::Corruption("the page of its column map (" + std::to_string(ref.firstPage) +
                              ") is not the map's BLOB page");
  }
  const std::uint32_t count = Be32(part.data, 0);
  if (count > kMostFields || kMapHeaderSize + std::size_t{count} * kMapEntrySize > part.length) {
    return Status::Corruption("its column map counts " + std::to_string(count) + " fields in " +
                              std::to_string(part.length) + " bytes");
  }
  map.clear();
  for (std::uint32_t i = 0; i < count; ++i)
    map.push_back(Be16(part.data, kMapHeaderSize + std::size_t{i} * kMapEntrySize));
  return Status::Ok();
}

// A field of a column dropped in place, as much as the map tells of it.
InnoColumn DroppedField(std::uint16_t entry, std::size_t number) {
  InnoColumn field;
  field.role = InnoFieldRole::kDropped;
  field.column.name = "(dropped column " + std::to_string(number) + ")";
  field.column.ordinal = -1;
  field.prtype = (entry & kMapNotNull) != 0 ? kPrtypeNotNull : 0;
  const std::uint16_t size = entry & kMapColumnMask;
  if (size > kMapLongVariable) {
    field.mtype = kMtypeFixBinary;
    field.len = field.fixedLength = size - 1u;
    field.prtype |= kPrtypeBinary;
  } else if (size == kMapLongVariable) {
    field.mtype = kMtypeBlob;
  } else {
    field.mtype = kMtypeBinary;
    field.len = kShortVariableMost;
  }
  return field;
}

// Puts the fields outside the key in the order the map gives: each entry
// names a column by its number among the table's stored columns, or keeps
// a dropped column's place.
Status ApplyColumnMap(const std::vector<std::uint16_t>& map, const TableDefinition& table,
                      std::size_t firstUser, std::vector<InnoColumn>& fields) {
  // The number InnoDB gives each column: its place among the stored ones.
  std::vector<int> storedNumber(table.columns.size(), -1);
  int next = 0;
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    if (!table.columns[i].isVirtual) storedNumber[i] = next++;
  }
  std::vector<InnoColumn> current(fields.begin() + static_cast<std::ptrdiff_t>(firstUser),
                                  fields.end());
  std::vector<bool> used(current.size(), false);
  fields.resize(firstUser);
  std::size_t dropped = 0;
  for (const std::uint16_t entry : map) {
    if ((entry & kMapDropped) != 0) {
      fields.push_back(DroppedField(entry, ++dropped));
      continue;
    }
    const int number = entry & kMapColumnMask;
    std::size_t found = current.size();
    for (std::size_t j = 0; j < current.size(); ++j) {
      const std::int32_t ordinal = current[j].column.ordinal;
      if (!used[j] && ordinal >= 0 && static_cast<std::size_t>(ordinal) < storedNumber.size() &&
          storedNumber[static_cast<std::size_t>(ordinal)] == number) {
        found = j;
        break;
      }
    }
    if (found == current.size()) {
      return Status::Corruption("its column map names column " + std::to_string(number + 1) +
                                ", which is not one of the table's columns outside the key");
    }
    used[found] = true;
    fields.push_back(current[found]);
  }
  for (std::size_t j = 0; j < current.size(); ++j) {
    if (!used[j]) {
      return Status::Corruption("its column map leaves out column " + current[j].column.name);
    }
  }
  return Status::Ok();
}

}  // namespace

Status ReadMariaDbLayout(const PageSource& source, const InstantRoot& root, std::uint32_t firstLeaf,
                         std::vector<InnoColumn> fields, const TableDefinition& table,
                         RecordLayout& out) {
  const std::string where =
      "the metadata record of the table's columns changed in place "
      "(the first record of leaf page " +
      std::to_string(firstLeaf) + ")";
  const auto refuse = [&](const std::string& what) {
    return Status::Corruption(where + " cannot be read: " + what);
  };
  const auto plain = [&]() {
    out = RecordLayout(std::move(fields));
    return Status::Ok();
  };
  const std::size_t firstUser = FirstUserField(fields);
  // At least one key field, then DB_TRX_ID and DB_ROLL_PTR.
  constexpr std::size_t kFewestCoreFields = 3;
  if (firstUser < kFewestCoreFields || firstUser > fields.size()) {
    if (!root.altered) return plain();
    return Status::Corruption("the table's records have no clustered key and hidden fields");
  }
  if (root.altered && (root.coreFields < firstUser || root.coreFields > kMostFields)) {
    return Status::Corruption("the clustered index root counts " + std::to_string(root.coreFields) +
                              " fields in the records written before the table's columns were "
                              "changed in place, fewer than its key and hidden fields");
  }

  // The leftmost leaf starts with the metadata record: the one leaf record
  // with the minimum-record mark.
  PageBuffer page = NewPageBuffer(source);
  if (firstLeaf != kNoPage && source.Holds(firstLeaf)) source.Read(firstLeaf, page);
  const IndexPage leaf(page);
  const RecordFormat format = leaf.Format();
  const bool compact = format == RecordFormat::kCompact;
  const std::size_t origin = compact ? leaf.FirstCompactRecord() : leaf.FirstRedundantRecord();
  const std::size_t lowest = compact ? kCompactSupremumOrigin : kRedundantSupremumOrigin;
  const std::uint8_t flags = compact ? CompactRecordHeader::DecodeFrom(page, origin).flags
                                     : RedundantRecordHeader::DecodeFrom(page, origin).flags;
  const bool found = leaf.IsIndexPage() && leaf.Level() == 0 && format != RecordFormat::kNone &&
                     origin > lowest && origin < page.size() && (flags & kRecordMinimumMark) != 0;
  if (!found) {
    // Nothing says the table was altered; or the page type stayed after
    // an ALTER that did not commit: the records are the definition's.
    if (!root.altered || (!root.fieldsMapped && root.coreFields == fields.size())) return plain();
    return refuse(firstLeaf == kNoPage || !source.Holds(firstLeaf) ? "the page is lost"
                                                                   : "the page does not start "
                                                                     "with it");
  }
  const bool mapped = (flags & kRecordDeleteMark) != 0;
  if (root.altered && mapped != root.fieldsMapped) {
    return refuse(mapped ? "it maps the columns, and the root page says they are in order"
                         : "it does not map the columns, and the root page says it does");
  }

  // The number of fields of the key, which come first.
  const std::size_t keyFields = firstUser - 2;
  if (mapped) {
    // The map's BLOB reference follows DB_TRX_ID and DB_ROLL_PTR; the key
    // fields before them are written with their fixed lengths only.
    std::size_t keyBytes = 0;
    if (compact) {
      for (std::size_t i = 0; i < keyFields; ++i)
        keyBytes += fields[i].fixedLength;
    } else {
      std::vector<FieldExtent> stored;
      RedundantFieldExtents(page, origin, stored);
      if (stored.size() < keyFields || stored[keyFields - 1].missing)
        return refuse("its key fields are damaged");
      keyBytes = stored[keyFields - 1].start + stored[keyFields - 1].length - origin;
    }
    const std::size_t at = origin + keyBytes + kTransactionAndRollPointer;
    if (at + ExternalReference::kSize > page.size()) return refuse("it runs off its page");
    std::vector<std::uint16_t> map;
    Status status = ReadColumnMap(source, SubView(page, at, ExternalReference::kSize), map);
    if (status.ok()) status = ApplyColumnMap(map, table, firstUser, fields);
    if (!status.ok()) return refuse(status.message());
  }

  // The record itself holds every field; mapped, the BLOB reference is a
  // field of its own after DB_ROLL_PTR.
  const std::size_t shift = mapped ? 1 : 0;
  std::vector<InnoColumn> recordFields = fields;
  if (mapped) {
    InnoColumn reference;
    reference.mtype = kMtypeFixBinary;
    reference.prtype = kPrtypeNotNull | kPrtypeBinary;
    reference.len = reference.fixedLength = ExternalReference::kSize;
    reference.role = InnoFieldRole::kSystem;
    recordFields.insert(recordFields.begin() + static_cast<std::ptrdiff_t>(firstUser), reference);
  }
  // The core fields: the root's count. Where the root is lost, a compact
  // metadata record tells it (it counts the fields beyond the core ones);
  // a redundant record counts its own fields, so that the key and hidden
  // fields are all older records must hold.
  std::size_t coreFields = root.altered ? root.coreFields : firstUser;
  std::vector<FieldExtent> extents;
  std::size_t held = 0;
  if (compact) {
    const CompactRecordHeader header = CompactRecordHeader::DecodeFrom(page, origin);
    if (header.status != static_cast<std::uint8_t>(RecordStatus::kInstant))
      return refuse("its status is not that of such a record");
    const std::uint8_t first = ByteBelow(page, origin, CompactRecordHeader::kSize + 1);
    std::size_t added = first;
    if ((first & kTwoByteCountFlag) != 0) {
      added =
          (first & kLowSevenBits) |
          (static_cast<std::size_t>(ByteBelow(page, origin, CompactRecordHeader::kSize + 2)) << 7);
    }
    if (recordFields.size() < added + 1 + firstUser) {
      return refuse("it counts " + std::to_string(added) +
                    " fields added, and the table's records have " + std::to_string(fields.size()));
    }
    const std::size_t counted = recordFields.size() - 1 - added;
    if (root.altered && counted != coreFields) {
      return refuse("it counts " + std::to_string(counted) + " fields in older records, the root " +
                    std::to_string(coreFields));
    }
    coreFields = counted;
    const RecordLayout counting =
        RecordLayout::MariaDb(recordFields, static_cast<std::uint32_t>(coreFields), 0);
    RecordShape shape;
    std::string why;
    if (!counting.CompactShape(page, origin, header, shape, why)) return refuse(why);
    held = static_cast<std::size_t>(std::count(shape.held.begin(), shape.held.end(), 1));
    CompactFieldExtents(page, origin, page.size() - origin, recordFields, shape, extents);
  } else {
    RedundantFieldExtents(page, origin, extents);
    held = std::min(extents.size(), recordFields.size());
  }
  if (coreFields > fields.size()) {
    return refuse("the root page counts " + std::to_string(coreFields) +
                  " fields in older records, more than the table's records have (" +
                  std::to_string(fields.size()) + ")");
  }

  // Its fields past the core ones hold the values older records take.
  for (std::size_t i = coreFields; i < fields.size(); ++i) {
    InnoColumn& field = fields[i];
    if (field.role != InnoFieldRole::kValue) continue;
    const std::size_t at = i + shift;
    if (at >= held || extents[at].missing) {
      return refuse("it holds no value for column " + field.column.name +
                    " in the records written before it was added");
    }
    const FieldExtent& extent = extents[at];
    ColumnDefinition& column = field.column;
    if (extent.isNull) {
      column.instantDefault = InstantDefault::kNull;
      continue;
    }
    column.instantDefault = InstantDefault::kValue;
    const ByteView local = extent.BytesIn(page);
    if (!extent.external) {
      column.instantDefaultBytes.assign(reinterpret_cast<const char*>(local.data()), local.size());
      continue;
    }
    // A long value is kept in BLOB pages of its own.
    std::string value;
    bool tooLarge = false;
    const LongValueReader::Result read = ReadWholeExternalValue(source, local, [&](ByteView part) {
      if (value.size() + part.size() > kLargestDefault) {
        tooLarge = true;
        return;
      }
      value.append(reinterpret_cast<const char*>(part.data()), part.size());
    });
    if (!read.complete || tooLarge) {
      return refuse("the BLOB pages of its value for column " + column.name + " are lost");
    }
    column.instantDefaultBytes = std::move(value);
  }
  const std::size_t coreNullBytes = root.altered && mapped
                                        ? root.coreNullBytes
                                        : BitmapBytes(NullableAmongFirst(fields, coreFields));
  out = RecordLayout::MariaDb(std::move(fields), static_cast<std::uint32_t>(coreFields),
                              coreNullBytes);
  return Status::Ok();
}

}  // namespace rowmender
