// Table definitions rebuilt from the InnoDB data dictionary. Every InnoDB
// table of the real data folders (the lossless set and the sample, written
// by MariaDB 10.11) gets from the dictionary the definition its .frm gives
// wherever the dictionary knows it, each difference named in the
// definition's gaps; its rows read with that definition are those read
// with the .frm, the columns a gap names showing their stored values as
// the gap says. Hand-made dictionary rows cover what no server here
// writes: virtual columns, the hidden FTS_DOC_ID, MariaDB 5.3's temporal
// form, the other row formats, lost rows.
#include "innodb/dictionary_definition.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>

#include "definitions/column_types.h"
#include "innodb/inno_column.h"
#include "innodb/page.h"
#include "support/table_reads.h"
#include "support/test_paths.h"
#include "tables/system_tablespace.h"
#include "tables/table_source.h"
#include "values/decimal_values.h"
#include "values/export_formats.h"
#include "values/temporal_values.h"

namespace rowmender {
namespace {

namespace fs = std::filesystem;

const CollationTable& Collations() {
  return testing::ServerCollations();
}

// ---- The real data folders ----

const SystemTablespace& SystemOf(const std::string& folder) {
  static std::map<std::string, std::unique_ptr<SystemTablespace>> opened;
  std::unique_ptr<SystemTablespace>& system = opened[folder];
  if (system == nullptr) {
    const Status status = SystemTablespace::Open(folder + "/ibdata1", &Collations(), system);
    EXPECT_TRUE(status.ok()) << status.message();
  }
  return *system;
}

struct RealTable {
  std::string folder;
  std::string database;  // folder and file names as on disk
  std::string table;
  std::uint64_t tableId = 0;

  std::string Frm() const { return folder + "/" + database + "/" + table + ".frm"; }
  std::string Name() const { return database + "/" + table; }
  TableFiles Files(DefinitionOrigin origin, const std::string& definitionPath) const {
    return TableFiles{definitionPath, folder + "/" + database, table, origin};
  }
};

bool IsInnoDbFrm(const fs::path& frm) {
  TableDefinition definition;
  return ReadDefinitionFile(frm.string(), definition).ok() &&
         definition.storageEngine == kEngineInnoDb;
}

// Every user table the dictionaries of the real folders list; each must
// have its .frm, and every InnoDB .frm of the folders must be listed.
const std::vector<RealTable>& RealTables() {
  static const std::vector<RealTable> tables = [] {
    std::vector<RealTable> out;
    for (const std::string& folder :
         {std::string(ROWMENDER_LOSSLESS_DATADIR), testing::SampleDataFolder()}) {
      const SystemTablespace& system = SystemOf(folder);
      std::set<std::string> listed;
      for (const DictTableRow& row : UserTablesIn(system.Tables())) {
        EXPECT_FALSE(row.deleted) << row.name;
        const std::size_t slash = row.name.find('/');
        RealTable table{folder, row.name.substr(0, slash), row.name.substr(slash + 1), row.tableId};
        listed.insert(table.Name());
        // The server's own tables (mysql/...) are listed too; the fixture
        // folders leave their files out.
        if (table.database == "mysql") continue;
        EXPECT_TRUE(fs::exists(table.Frm())) << table.Frm();
        out.push_back(std::move(table));
      }
      for (const auto& database : fs::directory_iterator(folder)) {
        if (!database.is_directory()) continue;
        for (const auto& file : fs::directory_iterator(database.path())) {
          if (file.path().extension() != ".frm" || !IsInnoDbFrm(file.path())) continue;
          const std::string name =
              database.path().filename().string() + "/" + file.path().stem().string();
          EXPECT_TRUE(listed.contains(name)) << folder << ": " << name << " is not listed";
        }
      }
    }
    return out;
  }();
  return tables;
}

// The gaps name the column.
bool Named(const TableDefinition& definition, const std::string& column) {
  const std::string quoted = "`" + column + "`";
  return std::any_of(definition.gaps.begin(), definition.gaps.end(),
                     [&](const std::string& gap) { return gap.find(quoted) != std::string::npos; });
}

bool AnySays(const std::vector<std::string>& sentences, const std::string& words) {
  return std::any_of(sentences.begin(), sentences.end(), [&](const std::string& sentence) {
    return sentence.find(words) != std::string::npos;
  });
}

bool AnyGapSays(const TableDefinition& definition, const std::string& words) {
  return AnySays(definition.gaps, words);
}

// A column a gap names has the type the gap says it is shown as.
void ExpectShownAsTheGapSays(const ColumnDefinition& dictionary, const ColumnDefinition& frm) {
  switch (frm.typeCode) {
    case kTypeEnum:
    case kTypeSet:
      EXPECT_TRUE(IsIntegerType(dictionary.typeCode));
      EXPECT_FALSE(dictionary.IsSigned());
      return;
    case kTypeNewDecimal:
      EXPECT_EQ(dictionary.typeCode, kTypeString);
      EXPECT_EQ(dictionary.charsetId, kBinaryCharset);
      EXPECT_EQ(dictionary.length, DecimalStorageSize(frm.precision, frm.scale));
      return;
    case kTypeBit:
      EXPECT_EQ(dictionary.typeCode, kTypeBit);
      EXPECT_EQ(dictionary.length, (frm.length + 7) / 8 * 8);
      EXPECT_TRUE(dictionary.BitStoredAsChars());
      return;
    case kTypeFloat:
    case kTypeDouble:
      EXPECT_EQ(dictionary.typeCode, frm.typeCode);
      EXPECT_EQ(dictionary.IsSigned(), frm.IsSigned());
      return;
    case kTypeTime2:
    case kTypeDatetime2:
    case kTypeTimestamp2:
      EXPECT_EQ(dictionary.typeCode, frm.typeCode);
      EXPECT_GE(TemporalDecimals(dictionary), TemporalDecimals(frm));
      EXPECT_EQ(Temporal56StorageSize(dictionary.typeCode, TemporalDecimals(dictionary)),
                Temporal56StorageSize(frm.typeCode, TemporalDecimals(frm)));
      return;
    case kTypeTime:
    case kTypeDatetime:
    case kTypeTimestamp:
      // MariaDB 5.3's form: read as it is where the length tells the
      // digits, else as its bytes.
      if (dictionary.typeCode == kTypeString) {
        EXPECT_EQ(dictionary.charsetId, kBinaryCharset);
        EXPECT_EQ(dictionary.length, HiresStorageSize(frm.typeCode, TemporalDecimals(frm)));
      } else {
        EXPECT_EQ(dictionary.typeCode, frm.typeCode);
        EXPECT_EQ(dictionary.length, frm.length);
      }
      return;
    default:
      if (IsIntegerType(frm.typeCode) || frm.typeCode == kTypeYear ||
          frm.typeCode == kTypeGeometry) {
        EXPECT_EQ(dictionary.typeCode, frm.typeCode);
        EXPECT_EQ(dictionary.IsSigned(), frm.IsSigned());
        return;
      }
      ADD_FAILURE() << "a gap names a column of type " << frm.typeCode;
  }
}

TEST(DictionaryDefinition, RealTablesGetTheirDefinitionFilesDefinitionWhereTheDictionaryKnowsIt) {
  const std::vector<RealTable>& tables = RealTables();
  ASSERT_GT(tables.size(), 40u);
  for (const RealTable& real : tables) {
    SCOPED_TRACE(real.folder + ": " + real.Name());
    TableDefinition frm;
    ASSERT_TRUE(ReadDefinitionFile(real.Frm(), frm).ok());
    DictionaryDefinition read;
    const Status status =
        DefinitionFromDictionary(SystemOf(real.folder).Rows(), real.tableId, Collations(), read);
    ASSERT_TRUE(status.ok()) << status.message();
    const TableDefinition& dictionary = read.definition;
    EXPECT_EQ(read.name, real.Name());
    EXPECT_EQ(dictionary.origin, DefinitionOrigin::kDictionary);
    EXPECT_EQ(dictionary.storageEngine, frm.storageEngine);
    if (frm.rowType != kRowTypeDefault) {
      EXPECT_EQ(dictionary.rowType, frm.rowType);
    } else {
      EXPECT_TRUE(AnyGapSays(dictionary, "ROW_FORMAT"));
    }
    if (dictionary.tableCharsetId != frm.tableCharsetId) {
      EXPECT_TRUE(AnyGapSays(dictionary, "default character set"));
    }

    ASSERT_EQ(dictionary.columns.size(), frm.columns.size());
    for (std::size_t i = 0; i < frm.columns.size(); ++i) {
      const ColumnDefinition& a = dictionary.columns[i];
      const ColumnDefinition& b = frm.columns[i];
      SCOPED_TRACE(b.name);
      EXPECT_EQ(a.name, b.name);
      EXPECT_EQ(a.ordinal, b.ordinal);
      EXPECT_EQ(a.nullable, b.nullable);
      EXPECT_EQ(a.inPrimaryKey, b.inPrimaryKey);
      EXPECT_EQ(a.inUniqueKey, b.inUniqueKey);
      EXPECT_FALSE(a.isVirtual);
      if (Named(dictionary, b.name)) {
        ExpectShownAsTheGapSays(a, b);
        continue;
      }
      EXPECT_EQ(a.typeCode, b.typeCode);
      EXPECT_EQ(a.length, b.length);
      EXPECT_EQ(a.precision, b.precision);
      EXPECT_EQ(a.scale, b.scale);
      EXPECT_EQ(a.geometryType, b.geometryType);
      EXPECT_EQ(a.BitStoredAsChars(), b.BitStoredAsChars());
      EXPECT_EQ(a.Zerofill(), b.Zerofill());
      if (IsCharacterType(b.typeCode)) {
        EXPECT_EQ(a.charsetId, b.charsetId);
      }
      // (For strings the flag marks a binary collation, as the .frm's does.)
      EXPECT_EQ(a.IsSigned(), b.IsSigned());
    }

    ASSERT_EQ(dictionary.keys.size(), frm.keys.size());
    for (std::size_t k = 0; k < frm.keys.size(); ++k) {
      const KeyDefinition& a = dictionary.keys[k];
      const KeyDefinition& b = frm.keys[k];
      SCOPED_TRACE(b.name);
      EXPECT_EQ(a.name, b.name);
      EXPECT_EQ(a.unique, b.unique);
      EXPECT_EQ(a.flags & (kKeyFlagNotUnique | kKeyFlagFullText | kKeyFlagSpatial),
                b.flags & (kKeyFlagNotUnique | kKeyFlagFullText | kKeyFlagSpatial));
      ASSERT_EQ(a.parts.size(), b.parts.size());
      for (std::size_t p = 0; p < b.parts.size(); ++p) {
        EXPECT_EQ(a.parts[p].columnNumber, b.parts[p].columnNumber);
        EXPECT_EQ(a.parts[p].length, b.parts[p].length);
      }
    }
    EXPECT_EQ(dictionary.clusteredIndexId,
              SystemOf(real.folder).FindClusteredIndex(real.tableId)->indexId);
  }
}

// ---- Rows ----

// A cell kept past the cursor's next row.
struct KeptCell {
  CellKind kind = CellKind::kMissing;
  std::int64_t integer = 0;
  std::uint64_t unsignedInteger = 0;
  float real32 = 0;
  double real64 = 0;
  TemporalParts time;
  std::vector<std::uint8_t> bytes;
  std::string literal;
};

struct KeptRow {
  bool deleted = false;
  std::vector<KeptCell> cells;
};

std::vector<KeptRow> ReadKept(const TableSource& source) {
  std::vector<KeptRow> rows;
  const std::unique_ptr<TableCursor> cursor = source.NewCursor();
  RowBuffer row;
  FormatScratch scratch;
  while (cursor->Next(row)) {
    KeptRow kept;
    kept.deleted = row.deleted;
    for (std::size_t i = 0; i < row.cells.size(); ++i) {
      const Cell& cell = row.cells[i];
      KeptCell copy;
      copy.kind = cell.kind;
      copy.integer = cell.integer;
      copy.unsignedInteger = cell.unsignedInteger;
      copy.real32 = cell.real32;
      copy.real64 = cell.real64;
      copy.time = cell.time;
      copy.bytes.assign(cell.bytes.begin(), cell.bytes.end());
      AppendSqlLiteral(copy.literal, cell, cursor->Formats()[i], row.longValues, scratch);
      kept.cells.push_back(std::move(copy));
    }
    rows.push_back(std::move(kept));
  }
  EXPECT_TRUE(cursor->Report().Complete());
  return rows;
}

bool SameParts(const TemporalParts& a, const TemporalParts& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day && a.negative == b.negative &&
         a.hour == b.hour && a.minute == b.minute && a.second == b.second &&
         a.microsecond == b.microsecond;
}

// The value a gap names, shown as the gap says: the same value in another
// form (an ENUM's number, a DECIMAL's bytes, a TIME's parts).
void ExpectSameStoredValue(const KeptCell& dictionary, const KeptCell& frm,
                           const ColumnDefinition& frmColumn) {
  if (frm.kind == CellKind::kNull || dictionary.kind == CellKind::kNull) {
    EXPECT_EQ(dictionary.kind, frm.kind);
    return;
  }
  const int decimals = TemporalDecimals(frmColumn);
  switch (frm.kind) {
    case CellKind::kEnum:
    case CellKind::kSet:
      EXPECT_EQ(dictionary.kind, CellKind::kUnsigned);
      EXPECT_EQ(dictionary.unsignedInteger, frm.unsignedInteger);
      return;
    case CellKind::kDecimal:
      EXPECT_EQ(dictionary.kind, CellKind::kBinary);
      EXPECT_EQ(dictionary.bytes, frm.bytes);
      return;
    case CellKind::kTime:
    case CellKind::kDateTime:
      if (dictionary.kind == CellKind::kBinary) {
        // MariaDB 5.3's form as its bytes: they read as the value with the
        // .frm's digits.
        const ByteView bytes(dictionary.bytes.data(), dictionary.bytes.size());
        EXPECT_TRUE(SameParts(frm.kind == CellKind::kTime ? TimeFromHires(bytes, decimals)
                                                          : DateTimeFromHires(bytes, decimals),
                              frm.time));
        return;
      }
      EXPECT_EQ(dictionary.kind, frm.kind);
      EXPECT_TRUE(SameParts(dictionary.time, frm.time));
      return;
    case CellKind::kTimestamp:
      if (dictionary.kind == CellKind::kBinary) {
        const TimestampValue value = TimestampFromHires(
            ByteView(dictionary.bytes.data(), dictionary.bytes.size()), decimals);
        EXPECT_EQ(value.seconds, frm.unsignedInteger);
        EXPECT_EQ(value.microsecond, frm.time.microsecond);
        return;
      }
      EXPECT_EQ(dictionary.kind, frm.kind);
      EXPECT_EQ(dictionary.unsignedInteger, frm.unsignedInteger);
      EXPECT_EQ(dictionary.time.microsecond, frm.time.microsecond);
      return;
    case CellKind::kFloat:
      EXPECT_EQ(dictionary.kind, frm.kind);
      EXPECT_EQ(std::memcmp(&dictionary.real32, &frm.real32, sizeof(float)), 0);
      return;
    case CellKind::kDouble:
      EXPECT_EQ(dictionary.kind, frm.kind);
      EXPECT_EQ(std::memcmp(&dictionary.real64, &frm.real64, sizeof(double)), 0);
      return;
    case CellKind::kSigned:
      EXPECT_EQ(dictionary.kind, frm.kind);
      EXPECT_EQ(dictionary.integer, frm.integer);
      return;
    case CellKind::kUnsigned:
    case CellKind::kBit:
    case CellKind::kYear:
      EXPECT_EQ(dictionary.kind, frm.kind);
      EXPECT_EQ(dictionary.unsignedInteger, frm.unsignedInteger);
      return;
    default:
      EXPECT_EQ(dictionary.literal, frm.literal);
      return;
  }
}

TEST(DictionaryDefinition, RowsReadWithTheDictionaryDefinitionAreThoseOfTheDefinitionFile) {
  for (const RealTable& real : RealTables()) {
    SCOPED_TRACE(real.folder + ": " + real.Name());
    const SystemTablespace& system = SystemOf(real.folder);
    ReadOptions options;
    options.collations = &Collations();
    options.systemTablespace = &system;
    DictionaryDefinition read;
    ASSERT_TRUE(DefinitionFromDictionary(system.Rows(), real.tableId, Collations(), read).ok());
    const TableDefinition definition = read.definition;

    std::unique_ptr<TableSource> byFrm;
    std::unique_ptr<TableSource> byDictionary;
    ASSERT_TRUE(
        TableSource::Open(real.Files(DefinitionOrigin::kDefinitionFile, real.Frm()), options, byFrm)
            .ok());
    const Status status = TableSource::OpenWithDefinition(
        definition, real.Files(DefinitionOrigin::kDictionary, system.Path()), options,
        byDictionary);
    ASSERT_TRUE(status.ok()) << status.message();
    const std::vector<KeptRow> a = ReadKept(*byDictionary);
    const std::vector<KeptRow> b = ReadKept(*byFrm);
    ASSERT_FALSE(b.empty());
    ASSERT_EQ(a.size(), b.size());
    const std::vector<ColumnDefinition>& frmColumns = byFrm->Definition().columns;
    for (std::size_t r = 0; r < b.size(); ++r) {
      EXPECT_EQ(a[r].deleted, b[r].deleted) << "row " << r;
      ASSERT_EQ(a[r].cells.size(), b[r].cells.size());
      for (std::size_t c = 0; c < b[r].cells.size(); ++c) {
        SCOPED_TRACE("row " + std::to_string(r) + ", " + frmColumns[c].name);
        if (Named(definition, frmColumns[c].name)) {
          ExpectSameStoredValue(a[r].cells[c], b[r].cells[c], frmColumns[c]);
        } else {
          EXPECT_EQ(a[r].cells[c].literal, b[r].cells[c].literal);
        }
      }
    }
    // The definition alone lays the record out as the dictionary does: a
    // table in its own tablespace reads the same without the dictionary.
    if (read.space == 0) continue;
    ReadOptions alone;
    alone.collations = &Collations();
    std::unique_ptr<TableSource> byDefinitionAlone;
    ASSERT_TRUE(TableSource::OpenWithDefinition(
                    definition, real.Files(DefinitionOrigin::kDictionary, system.Path()), alone,
                    byDefinitionAlone)
                    .ok());
    const std::vector<KeptRow> c = ReadKept(*byDefinitionAlone);
    ASSERT_EQ(c.size(), a.size());
    for (std::size_t r = 0; r < a.size(); ++r) {
      for (std::size_t i = 0; i < a[r].cells.size(); ++i)
        EXPECT_EQ(c[r].cells[i].literal, a[r].cells[i].literal) << "row " << r << ", " << i;
    }
  }
}

// The lossless set's ENUM and SET columns show the number the server
// gives for `c + 0` (its truth files), the members being lost.
TEST(DictionaryDefinition, EnumAndSetShowTheNumberTheServerGivesForThem) {
  const RealTable* enums = nullptr;
  for (const RealTable& real : RealTables()) {
    if (real.Name() == "lossless/enums_dynamic") enums = &real;
  }
  ASSERT_NE(enums, nullptr);
  const SystemTablespace& system = SystemOf(enums->folder);
  DictionaryDefinition read;
  ASSERT_TRUE(DefinitionFromDictionary(system.Rows(), enums->tableId, Collations(), read).ok());
  std::map<std::string, std::uint32_t> types;
  for (const ColumnDefinition& column : read.definition.columns)
    types[column.name] = column.typeCode;
  // ENUM of 5 and 300 members, SET of 4 and 64.
  EXPECT_EQ(types["e"], kTypeTiny);
  EXPECT_EQ(types["e300"], kTypeShort);
  EXPECT_EQ(types["s"], kTypeTiny);
  EXPECT_EQ(types["s64"], kTypeLongLong);
  EXPECT_TRUE(AnyGapSays(read.definition, "`s64` is a SET of 8 bytes"));
  EXPECT_TRUE(AnyGapSays(read.definition, "`e300` is an ENUM or a SET of 2 bytes"));

  ReadOptions options;
  options.collations = &Collations();
  options.systemTablespace = &system;
  std::unique_ptr<TableSource> source;
  ASSERT_TRUE(TableSource::OpenWithDefinition(
                  read.definition, enums->Files(DefinitionOrigin::kDictionary, system.Path()),
                  options, source)
                  .ok());
  // The truth: a header line, then id, label and per column `.isnull`,
  // `.index`, `.hex`.
  std::ifstream truth(std::string(ROWMENDER_LOSSLESS_TRUTH) + "/lossless/enums_dynamic.tsv");
  std::string line;
  std::getline(truth, line);
  std::vector<std::string> header;
  for (std::size_t start = 0;;) {
    const std::size_t tab = line.find('\t', start);
    header.push_back(line.substr(start, tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  std::map<std::string, std::map<std::string, std::string>> truthById;
  while (std::getline(truth, line)) {
    std::map<std::string, std::string> fields;
    std::size_t start = 0;
    for (const std::string& name : header) {
      const std::size_t tab = line.find('\t', start);
      fields[name] = line.substr(start, tab == std::string::npos ? std::string::npos : tab - start);
      start = tab == std::string::npos ? line.size() : tab + 1;
    }
    truthById[fields["id"]] = fields;
  }
  ASSERT_FALSE(truthById.empty());
  std::size_t checked = 0;
  for (const KeptRow& row : ReadKept(*source)) {
    if (row.deleted) continue;
    const auto& truthRow = truthById.at(row.cells[0].literal);
    for (std::size_t c = 2; c < read.definition.columns.size(); ++c) {
      const std::string& name = read.definition.columns[c].name;
      SCOPED_TRACE(row.cells[0].literal + ", " + name);
      if (truthRow.at(name + ".isnull") == "1") {
        EXPECT_EQ(row.cells[c].kind, CellKind::kNull);
        continue;
      }
      // A SET of 64 members prints its bits signed.
      const std::string index = truthRow.at(name + ".index");
      EXPECT_EQ(static_cast<std::int64_t>(row.cells[c].unsignedInteger), std::stoll(index));
      ++checked;
    }
  }
  EXPECT_GT(checked, 0u);
}

// ---- SYS_FIELDS lost ----

// A copy of the sample's ibdata1 whose SYS_FIELDS leaf page is zeroed: the
// tables keep their columns and indexes, but not the fields of them.
TEST(DictionaryDefinition, ATableWhoseIndexFieldsAreLostHasNoPrimaryKeyAndSaysSo) {
  testing::ScratchFolder scratch;
  const fs::path ibdata = scratch.Path() / "ibdata1";
  fs::copy_file(testing::SampleDataFolder() + "/ibdata1", ibdata);
  {
    std::fstream file(ibdata, std::ios::in | std::ios::out | std::ios::binary);
    const std::vector<char> zeros(kInnoPageSize, 0);
    file.seekp(static_cast<std::streamoff>(PageOffset(kSysFieldsRoot)));
    file.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
  }
  std::unique_ptr<SystemTablespace> system;
  ASSERT_TRUE(SystemTablespace::Open(ibdata.string(), &Collations(), system).ok());
  EXPECT_TRUE(system->Fields().empty());
  EXPECT_TRUE(AnySays(system->DictionaryReport().notes, "SYS_FIELDS"));

  struct Case {
    const char* table;
    const char* gap;  // "": none about keys
  };
  for (const Case& c :
       {Case{"shop/orders",
             "the table has no primary key here: its fields (SYS_FIELDS) are lost of its "
             "clustered index `PRIMARY`"},
        Case{"shop/settings", "clustered index `name`"}, Case{"shop/order_history", ""}}) {
    SCOPED_TRACE(c.table);
    const std::uint64_t id = system->FindTableId(c.table);
    ASSERT_NE(id, 0u);
    DictionaryDefinition read;
    ASSERT_TRUE(DefinitionFromDictionary(system->Rows(), id, Collations(), read).ok());
    const TableDefinition& definition = read.definition;
    EXPECT_TRUE(definition.keys.empty());
    EXPECT_TRUE(std::none_of(definition.columns.begin(), definition.columns.end(),
                             [](const ColumnDefinition& column) { return column.inPrimaryKey; }));
    if (*c.gap != '\0') {
      EXPECT_TRUE(AnyGapSays(definition, c.gap));
    } else {
      EXPECT_FALSE(AnyGapSays(definition, "primary key"));
    }
  }
  // The secondary indexes are left out, each with its sentence.
  DictionaryDefinition orders;
  ASSERT_TRUE(DefinitionFromDictionary(system->Rows(), system->FindTableId("shop/orders"),
                                       Collations(), orders)
                  .ok());
  EXPECT_TRUE(AnyGapSays(orders.definition, "the index `customer` is left out"));
  EXPECT_TRUE(AnyGapSays(orders.definition, "the index `status_date` is left out"));
}

// ---- Hand-made rows ----

constexpr std::uint64_t kTable = 70;

DictColumnRow Column(std::uint32_t position, const std::string& name, std::uint32_t mtype,
                     std::uint32_t prtype, std::uint32_t len) {
  DictColumnRow row;
  row.tableId = kTable;
  row.position = position;
  row.name = name;
  row.mtype = mtype;
  row.prtype = prtype;
  row.len = len;
  if (const CollationEntry* entry = Collations().Lookup(CollationOfPrtype(prtype))) {
    row.mbMinLen = static_cast<std::uint32_t>(entry->minBytesPerChar);
    row.mbMaxLen = static_cast<std::uint32_t>(entry->maxBytesPerChar);
    row.mbMinMaxLen = row.mbMinLen + kMbMaxFactor * row.mbMaxLen;
  }
  return row;
}

constexpr std::uint32_t Collated(std::uint32_t collation) {
  return collation << kPrtypeCollationShift;
}

// A table `db/t` of the compact format with an `id` INT primary key.
DictionaryRows TableWith(std::vector<DictColumnRow> more, std::uint32_t virtualColumns = 0) {
  DictionaryRows rows;
  rows.columns.push_back(Column(0, "id", kMtypeInt, kPrtypeNotNull | kTypeLong, 4));
  for (DictColumnRow& row : more)
    rows.columns.push_back(std::move(row));
  const auto stored = static_cast<std::uint32_t>(rows.columns.size() - virtualColumns);
  rows.tables.push_back(DictTableRow{
      "db/t", kTable, kTableCompactFlag | stored | (virtualColumns << kTableVirtualCountShift),
      kTableTypeAtomicBlobs | 1, 5, false});
  rows.indexes.push_back(
      DictIndexRow{kTable, 100, "PRIMARY", 1, kIndexTypeClustered | kIndexTypeUnique, 5, 3, false});
  rows.fields.push_back(DictFieldRow{100, 0, "id", false});
  return rows;
}

DictionaryDefinition Build(const DictionaryRows& rows) {
  DictionaryDefinition out;
  const Status status = DefinitionFromDictionary(rows, kTable, Collations(), out);
  EXPECT_TRUE(status.ok()) << status.message();
  return out;
}

TEST(DictionaryDefinition, ColumnTypesTheServersWrite) {
  struct Case {
    const char* what;
    DictColumnRow row;
    std::uint32_t typeCode;
    std::uint32_t length;
    std::uint32_t charset;
    const char* gap;  // "": the column is named in none
  };
  constexpr std::uint32_t kUtf8mb4 = 45;
  const Case cases[] = {
      {"VARCHAR(100) utf8mb4",
       Column(1, "c", kMtypeVarMysql, kTypeVarchar | kPrtypeLongTrueVarchar | Collated(kUtf8mb4),
              400),
       kTypeVarchar, 400, kUtf8mb4, ""},
      {"CHAR(10) latin1", Column(1, "c", kMtypeChar, kTypeString | Collated(8), 10), kTypeString,
       10, 8, ""},
      {"LONGTEXT", Column(1, "c", kMtypeBlob, kTypeBlob | Collated(kUtf8mb4), 12), kTypeLongBlob, 8,
       kUtf8mb4, ""},
      {"MEDIUMBLOB",
       Column(1, "c", kMtypeBlob, kTypeBlob | kPrtypeBinary | Collated(kBinaryCharset), 11),
       kTypeMediumBlob, 8, kBinaryCharset, ""},
      {"DATE", Column(1, "c", kMtypeInt, kTypeDate | kPrtypeBinary, 3), kTypeNewDate, 10, 8, ""},
      {"TIMESTAMP before 5.6", Column(1, "c", kMtypeInt, kTypeTimestamp | kPrtypeUnsigned, 4),
       kTypeTimestamp, 19, 8, ""},
      {"TIME(0)", Column(1, "c", kMtypeFixBinary, kTypeTime | kPrtypeBinary | Collated(8), 3),
       kTypeTime2, 10, 8, ""},
      {"DATETIME(3 or 4)",
       Column(1, "c", kMtypeFixBinary, kTypeDatetime | kPrtypeBinary | Collated(8), 7),
       kTypeDatetime2, 24, 8, "`c` is a DATETIME with 3 or 4 fractional digits (7 bytes)"},
      {"ENUM of 1 byte", Column(1, "c", kMtypeInt, kTypeString | kPrtypeUnsigned, 1), kTypeTiny, 3,
       8, "`c` is an ENUM or a SET of 1 byte"},
      {"SET of 3 bytes", Column(1, "c", kMtypeInt, kTypeString | kPrtypeUnsigned, 3), kTypeInt24, 8,
       8, "`c` is a SET of 3 bytes"},
      {"DECIMAL", Column(1, "c", kMtypeFixBinary, kTypeNewDecimal | kPrtypeBinary | Collated(8), 5),
       kTypeString, 5, kBinaryCharset, "shown as those bytes, BINARY(5)"},
      {"BIT(9..16)", Column(1, "c", kMtypeFixBinary, kTypeBit | kPrtypeUnsigned, 2), kTypeBit, 16,
       8, "`c` is a BIT of 2 bytes (9 to 16 bits)"},
      {"FLOAT UNSIGNED", Column(1, "c", kMtypeFloat, kTypeFloat | kPrtypeUnsigned, 4), kTypeFloat,
       12, 0, "(M,D)"},
      {"GEOMETRY", Column(1, "c", kMtypeGeometry, kTypeGeometry | kPrtypeBinary, 12), kTypeGeometry,
       8, kBinaryCharset, "shown as GEOMETRY"},
      {"DECIMAL before 5.0", Column(1, "c", kMtypeDecimal, 0, 7), kTypeDecimalOld, 7, 0,
       "form before MySQL 5.0"},
      {"an integer without MySQL type", Column(1, "c", kMtypeInt, 0, 4), kTypeLong, 11, 8,
       "keeps no MySQL type for it"},
      {"a type InnoDB has no column of", Column(1, "c", kMtypeSys, 0, 6), kTypeString, 6,
       kBinaryCharset, "shown as its stored bytes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const DictionaryDefinition read = Build(TableWith({c.row}));
    ASSERT_EQ(read.definition.columns.size(), 2u);
    const ColumnDefinition& column = read.definition.columns[1];
    EXPECT_EQ(column.typeCode, c.typeCode);
    EXPECT_EQ(column.length, c.length);
    EXPECT_EQ(column.charsetId, c.charset);
    if (*c.gap != '\0') {
      EXPECT_TRUE(AnyGapSays(read.definition, c.gap));
    } else {
      EXPECT_FALSE(Named(read.definition, "c"));
    }
    // The record layout the reader makes from it takes the dictionary's
    // stored length.
    const std::vector<InnoColumn> fields =
        ColumnsFromDictionary(TableWith({c.row}).columns, kTable, read.definition.columns);
    ASSERT_EQ(fields.size(), 2u);
    EXPECT_EQ(fields[1].len, c.row.len);
  }
}

// A virtual column sits at the position its POS gives, and the stored
// columns after it keep their own numbers: the record holds `b` as its
// second stored column, not as the table's third.
TEST(DictionaryDefinition, VirtualColumnsTakeTheirPlaceAndStoredOnesKeepTheirNumbers) {
  DictionaryRows rows =
      TableWith({Column((1u << 16) | 1, "v", kMtypeInt, kPrtypeVirtual | kTypeLong, 4),
                 Column(1, "b", kMtypeInt, kPrtypeUnsigned | kTypeShort, 2)},
                1);
  const DictionaryDefinition read = Build(rows);
  const std::vector<ColumnDefinition>& columns = read.definition.columns;
  ASSERT_EQ(columns.size(), 3u);
  EXPECT_EQ(columns[0].name, "id");
  EXPECT_EQ(columns[1].name, "v");
  EXPECT_TRUE(columns[1].isVirtual);
  EXPECT_EQ(columns[2].name, "b");
  EXPECT_EQ(columns[2].ordinal, 2);
  EXPECT_TRUE(AnyGapSays(read.definition, "`v` is a virtual column"));

  const std::vector<InnoColumn> fields = ColumnsFromDictionary(rows.columns, kTable, columns);
  ASSERT_EQ(fields.size(), 2u);
  EXPECT_EQ(fields[1].column.name, "b");
  EXPECT_EQ(fields[1].len, 2u);
  EXPECT_TRUE(fields[1].IsUnsigned());
}

// InnoDB's own FTS_DOC_ID (no MySQL type) is a column, invisible, and its
// index is not the user's; a FULLTEXT index is marked.
TEST(DictionaryDefinition, TheHiddenFullTextDocumentIdIsInvisible) {
  DictionaryRows rows = TableWith(
      {Column(1, "body", kMtypeBlob, kTypeBlob | Collated(45), 10),
       Column(2, "FTS_DOC_ID", kMtypeInt, kPrtypeNotNull | kPrtypeUnsigned | kPrtypeBinary, 8)});
  rows.indexes.push_back(
      DictIndexRow{kTable, 101, "FTS_DOC_ID_INDEX", 1, kIndexTypeUnique, 5, 4, false});
  rows.indexes.push_back(DictIndexRow{kTable, 102, "body", 1, kIndexTypeFullText, 5, 5, false});
  rows.fields.push_back(DictFieldRow{101, 0, "FTS_DOC_ID", false});
  rows.fields.push_back(DictFieldRow{102, 0, "body", false});
  const DictionaryDefinition read = Build(rows);
  ASSERT_EQ(read.definition.columns.size(), 3u);
  const ColumnDefinition& docId = read.definition.columns[2];
  EXPECT_TRUE(docId.invisible);
  EXPECT_EQ(docId.typeCode, kTypeLongLong);
  EXPECT_FALSE(docId.IsSigned());
  ASSERT_EQ(read.definition.keys.size(), 2u);
  EXPECT_TRUE(read.definition.keys[0].IsPrimary());
  EXPECT_EQ(read.definition.keys[1].name, "body");
  EXPECT_NE(read.definition.keys[1].flags & kKeyFlagFullText, 0);
  EXPECT_TRUE(AnyGapSays(read.definition, "`FTS_DOC_ID` is the column InnoDB adds"));
  // A user's own FTS_DOC_ID (BIGINT UNSIGNED) is an ordinary column.
  rows.columns.back().prtype |= kTypeLongLong;
  const DictionaryDefinition own = Build(rows);
  EXPECT_FALSE(own.definition.columns[2].invisible);
  EXPECT_EQ(own.definition.keys.size(), 3u);
}

// TIME, DATETIME and TIMESTAMP with fractions look alike in the dictionary
// in MySQL 5.6's form and MariaDB 5.3's; a table whose columns without
// fraction are in the form before 5.6 is read in MariaDB 5.3's, where only
// some lengths tell the digits.
TEST(DictionaryDefinition, FractionalTemporalsOfATableOfTheOldFormsAreMariaDb53s) {
  const auto fractional = [](std::uint32_t position, const char* name, std::uint32_t type,
                             std::uint32_t len) {
    return Column(position, name, kMtypeFixBinary, type | kPrtypeBinary | Collated(8), len);
  };
  struct Case {
    const char* what;
    DictColumnRow old;  // a column without fraction
    std::uint32_t dt8Type;
    std::uint32_t dt8Length;
    std::uint32_t t5Type;
  };
  for (const Case& c : {Case{"old DATETIME beside", Column(3, "plain", kMtypeInt, kTypeDatetime, 8),
                             kTypeDatetime, 26, kTypeString},
                        Case{"DATETIME(0) of 5.6 beside", fractional(3, "plain", kTypeDatetime, 5),
                             kTypeDatetime2, 26, kTypeTime2}}) {
    SCOPED_TRACE(c.what);
    const DictionaryDefinition read = Build(TableWith(
        {fractional(1, "dt", kTypeDatetime, 8), fractional(2, "t", kTypeTime, 5), c.old}));
    const auto& columns = read.definition.columns;
    EXPECT_EQ(columns[1].typeCode, c.dt8Type);
    EXPECT_EQ(columns[1].length, c.dt8Length);
    EXPECT_EQ(columns[2].typeCode, c.t5Type);
    EXPECT_TRUE(Named(read.definition, "dt"));
    EXPECT_TRUE(Named(read.definition, "t"));
  }
}

TEST(DictionaryDefinition, RowFormatsAndTheTableCharacterSet) {
  struct Case {
    std::uint32_t columnCount;
    std::uint32_t type;
    std::uint8_t rowType;
  };
  for (const Case& c :
       {Case{2, 1, kRowTypeRedundant}, Case{kTableCompactFlag | 2, 1, kRowTypeCompact},
        Case{kTableCompactFlag | 2, 0x21, kRowTypeDynamic},
        Case{kTableCompactFlag | 2, 0x29, kRowTypeCompressed}}) {
    DictionaryRows rows =
        TableWith({Column(1, "a", kMtypeVarMysql, kTypeVarchar | Collated(33), 30)});
    rows.tables[0].columnCount = c.columnCount;
    rows.tables[0].type = c.type;
    EXPECT_EQ(Build(rows).definition.rowType, c.rowType) << c.columnCount << " " << c.type;
  }
  // Two utf8mb4 columns against one latin1 and a binary one.
  const DictionaryDefinition read =
      Build(TableWith({Column(1, "a", kMtypeVarchar, kTypeVarchar | Collated(8), 10),
                       Column(2, "b", kMtypeVarMysql, kTypeVarchar | Collated(45), 40),
                       Column(3, "c", kMtypeBinary, kTypeVarchar | Collated(kBinaryCharset), 40),
                       Column(4, "d", kMtypeBlob, kTypeBlob | Collated(45), 10)}));
  EXPECT_EQ(read.definition.tableCharsetId, 45u);
  EXPECT_TRUE(AnyGapSays(read.definition, "utf8mb4_general_ci"));
  EXPECT_EQ(Build(TableWith({})).definition.tableCharsetId, 0u);
}

TEST(DictionaryDefinition, LostRowsAreSaid) {
  // A stored column lost in the middle: the records cannot be split.
  DictionaryRows middle = TableWith({Column(2, "c", kMtypeInt, kTypeLong, 4)});
  middle.tables[0].columnCount = kTableCompactFlag | 3;
  DictionaryDefinition out;
  Status status = DefinitionFromDictionary(middle, kTable, Collations(), out);
  EXPECT_EQ(status.code(), Status::Code::kCorruption);
  EXPECT_NE(status.message().find("lost stored column 2 of 3 of `db/t`"), std::string::npos)
      << status.message();
  // The last one lost: the table's entry counts it.
  DictionaryRows last = TableWith({});
  last.tables[0].columnCount = kTableCompactFlag | 2;
  EXPECT_EQ(DefinitionFromDictionary(last, kTable, Collations(), out).code(),
            Status::Code::kCorruption);
  EXPECT_EQ(DefinitionFromDictionary(last, kTable + 1, Collations(), out).code(),
            Status::Code::kNotFound);

  // A damaged row with a position no column has is left out, and said.
  DictionaryRows damaged = TableWith({Column(1, "a", kMtypeInt, kTypeLong, 4)});
  damaged.columns.push_back(Column(0x7FFFFFFF, "junk", kMtypeInt, kTypeLong, 4));
  const DictionaryDefinition withoutJunk = Build(damaged);
  EXPECT_EQ(withoutJunk.definition.columns.size(), 2u);
  EXPECT_TRUE(AnyGapSays(withoutJunk.definition, "gives `junk` a position no column can have"));

  // The table's entry lost: its columns still make the definition.
  DictionaryRows noEntry = TableWith({Column(1, "a", kMtypeInt, kTypeLong, 4)});
  noEntry.tables.clear();
  const DictionaryDefinition read = Build(noEntry);
  EXPECT_TRUE(read.name.empty());
  EXPECT_EQ(read.definition.columns.size(), 2u);
  EXPECT_TRUE(AnyGapSays(read.definition, "SYS_TABLES entry is lost"));

  // One of the two fields of the clustered index lost: no primary key.
  DictionaryRows half = TableWith({Column(1, "a", kMtypeInt, kPrtypeNotNull | kTypeLong, 4)});
  half.indexes[0].fieldCount = 2;
  const DictionaryDefinition halfRead = Build(half);
  EXPECT_TRUE(halfRead.definition.keys.empty());
  EXPECT_TRUE(AnyGapSays(halfRead.definition, "lists 1 of its 2 fields"));

  // A table clustered on a unique key keeps the key's name; one on the row
  // id has no key.
  DictionaryRows unique = TableWith({});
  unique.indexes[0].name = "code";
  EXPECT_EQ(Build(unique).definition.keys.at(0).name, "code");
  EXPECT_FALSE(Build(unique).definition.keys.at(0).IsPrimary());
  EXPECT_TRUE(Build(unique).definition.columns[0].inUniqueKey);
  DictionaryRows rowId = TableWith({});
  rowId.indexes[0] =
      DictIndexRow{kTable, 100, "GEN_CLUST_INDEX", 0, kIndexTypeClustered, 5, 3, false};
  rowId.fields.clear();
  EXPECT_TRUE(Build(rowId).definition.keys.empty());
  EXPECT_FALSE(AnyGapSays(Build(rowId).definition, "primary key"));
}

TEST(DictionaryDefinition, UserTablesAreTheUsersOwn) {
  const std::vector<DictTableRow> tables = {
      {"SYS_FOREIGN", 11, 4, 0, 0, false},
      {"shop/orders", 20, 0, 0, 1, false},
      {"shop/FTS_0000000000000014_CONFIG", 21, 0, 0, 2, false},
      {"shop/FTS_0000000000000014_0000000000000030_INDEX_1", 22, 0, 0, 3, false},
      {"shop/#sql-ib45-1234", 23, 0, 0, 4, false},
      {"shop/#sql-1a2b_3", 24, 0, 0, 5, false},
      {"shop/FTS_notes", 25, 0, 0, 6, false},      // a user's own name
      {"shop/@0023sql_copy", 26, 0, 0, 7, false},  // a user's '#'
      {"shop/old_name", 20, 0, 0, 1, true},        // renamed to orders
      {"shop/dropped", 27, 0, 0, 8, true},         // dropped, not purged
      {"shop/orders", 19, 0, 0, 9, true},          // an older orders, dropped
  };
  std::vector<std::string> names;
  for (const DictTableRow& row : UserTablesIn(tables))
    names.push_back(row.name + (row.deleted ? " (dropped)" : ""));
  EXPECT_EQ(names, (std::vector<std::string>{"shop/orders", "shop/FTS_notes", "shop/@0023sql_copy",
                                             "shop/dropped (dropped)"}));
  EXPECT_EQ(UserTablesIn(tables)[0].tableId, 20u);
}

}  // namespace
}  // namespace rowmender
