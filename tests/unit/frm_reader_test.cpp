#include "definitions/frm_reader.h"

#include <gtest/gtest.h>

#include "app/logic/recovery_engine.h"
#include "support/frm_builder.h"
#include "support/test_paths.h"

namespace rowmender {
namespace {

using testing::BuildFrm;
using testing::FrmColumnSpec;
using testing::FrmKeySpec;
using testing::FrmSpec;

constexpr std::uint16_t kNullable = 0x8000;

FrmSpec ThreeColumnTable() {
  FrmSpec spec;
  spec.recordLength = 40;
  spec.columns = {{.name = "id", .type = 3, .length = 11, .recordOffset = 2, .packFlags = 0x0001},
                  {.name = "name",
                   .type = 15,
                   .length = 90,
                   .recordOffset = 6,
                   .packFlags = kNullable,
                   .charset = 33},
                  {.name = "code", .type = 254, .length = 4, .recordOffset = 97}};
  spec.keys = {{.name = "PRIMARY", .unique = true, .columns = {1}},
               {.name = "code", .unique = true, .columns = {3}}};
  return spec;
}

DefinitionStatus Parse(const std::vector<std::uint8_t>& bytes, TableDefinition& out) {
  DefinitionProgress progress;
  return ParseTableDefinition(bytes, out, progress);
}

TEST(TableDefinitionFile, ReadsColumnsKeysAndTableFactsOfEveryAcceptedVersion) {
  for (std::uint8_t version : {std::uint8_t{9}, std::uint8_t{10}}) {
    auto spec = ThreeColumnTable();
    spec.version = version;
    TableDefinition def;
    ASSERT_EQ(Parse(BuildFrm(spec), def), DefinitionStatus::kRead) << int(version);
    ASSERT_EQ(def.columns.size(), 3u);
    EXPECT_EQ(def.columns[1].name, "name");
    EXPECT_EQ(def.columns[1].ordinal, 1);
    EXPECT_EQ(def.columns[1].typeCode, 15u);
    EXPECT_EQ(def.columns[1].length, 90u);
    EXPECT_EQ(def.columns[1].recordOffset, 6u);
    EXPECT_EQ(def.columns[1].charsetId, 33u);
    EXPECT_TRUE(def.columns[1].nullable);
    EXPECT_TRUE(def.columns[0].inPrimaryKey);
    EXPECT_TRUE(def.columns[0].IsSigned());
    EXPECT_FALSE(def.columns[1].inPrimaryKey || def.columns[1].inUniqueKey);
    EXPECT_TRUE(def.columns[2].inUniqueKey);
    EXPECT_EQ(def.recordLength, 40u);
    EXPECT_EQ(def.storageEngine, 12);
    EXPECT_EQ(def.tableCharsetId, 8u);
    ASSERT_EQ(def.keys.size(), 2u);
    EXPECT_EQ(def.keys[1].name, "code");
  }
}

TEST(TableDefinitionFile, ReadsTheElevenByteColumnRecordsOfVersions6And7) {
  for (std::uint8_t version : {std::uint8_t{6}, std::uint8_t{7}}) {
    FrmSpec spec;
    spec.version = version;
    spec.engine = 9;
    spec.versionId = 32300;
    spec.columns = {
        {.name = "a", .type = 3, .length = 11, .recordOffset = 2},
        {.name = "b", .type = 5, .length = 22, .recordOffset = 6, .packFlags = kNullable | 0x4000}};
    spec.keys = {{.name = "PRIMARY", .unique = true, .columns = {1}}};
    TableDefinition def;
    ASSERT_EQ(Parse(BuildFrm(spec), def), DefinitionStatus::kRead) << int(version);
    ASSERT_EQ(def.columns.size(), 2u);
    EXPECT_EQ(def.columns[0].typeCode, 3u);
    EXPECT_EQ(def.columns[1].typeCode, 5u);
    EXPECT_EQ(def.columns[1].length, 22u);
    EXPECT_EQ(def.columns[1].recordOffset, 6u);
    EXPECT_TRUE(def.columns[1].nullable);
    EXPECT_EQ(def.columns[1].packFlags & 0x4000, 0);
    EXPECT_EQ(def.columns[1].charsetId, 0u);
    EXPECT_TRUE(def.columns[0].inPrimaryKey);
  }
}

TEST(TableDefinitionFile, RejectsForeignFilesWithoutColumns) {
  const auto good = BuildFrm(ThreeColumnTable());
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
  };
  auto wrongFirst = good;
  wrongFirst[0] = 0xFD;
  auto version8 = good;
  version8[2] = 8;
  const std::string view = "TYPE=VIEW\nquery=select 1\n";
  const std::vector<Case> cases = {
      {"empty", {}},
      {"63 bytes", std::vector<std::uint8_t>(good.begin(), good.begin() + 63)},
      {"wrong first byte", wrongFirst},
      {"version 8", version8},
      {"view text", std::vector<std::uint8_t>(view.begin(), view.end())},
  };
  for (const auto& c : cases) {
    TableDefinition def;
    EXPECT_EQ(Parse(c.bytes, def), DefinitionStatus::kNotADefinition) << c.what;
    EXPECT_TRUE(def.columns.empty()) << c.what;
  }
}

TEST(TableDefinitionFile, FailsWhenTheNameListDoesNotMatchTheColumnCount) {
  auto spec = ThreeColumnTable();
  spec.declaredColumnCount = 2;
  TableDefinition def;
  DefinitionProgress progress;
  EXPECT_EQ(ParseTableDefinition(BuildFrm(spec), def, progress), DefinitionStatus::kCorrupt);
  EXPECT_TRUE(progress.headerAccepted);
  EXPECT_TRUE(progress.formInfoRead);
}

TEST(TableDefinitionFile, FailsOnZeroFormNamesOrAFormPositionPastTheEnd) {
  auto zeroNames = BuildFrm(ThreeColumnTable());
  zeroNames[8] = zeroNames[9] = 0;
  auto farForm = BuildFrm(ThreeColumnTable());
  farForm[66] = farForm[67] = farForm[68] = 0x7F;
  for (const auto& bytes : {zeroNames, farForm}) {
    TableDefinition def;
    EXPECT_EQ(Parse(bytes, def), DefinitionStatus::kCorrupt);
    EXPECT_TRUE(def.columns.empty());
  }
}

TEST(TableDefinitionFile, TruncatedFilesNeverReadPastTheirEnd) {
  const auto good = BuildFrm(ThreeColumnTable());
  for (std::size_t size = 64; size < good.size(); ++size) {
    // A copy of exactly `size` bytes, so that a read past its end is caught
    // by the sanitizers.
    std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
    TableDefinition def;
    const auto status = Parse(cut, def);
    EXPECT_NE(status, DefinitionStatus::kNotADefinition) << size;
  }
}

TEST(TableDefinitionFile, KeyPartsBeyondTheDeclaredTotalAreCutOff) {
  auto spec = ThreeColumnTable();
  spec.keys = {{.name = "PRIMARY", .unique = true, .columns = {1, 2}},
               {.name = "u", .unique = true, .columns = {3, 2, 1}}};
  spec.declaredKeyParts = 3;
  TableDefinition def;
  ASSERT_EQ(Parse(BuildFrm(spec), def), DefinitionStatus::kRead);
  ASSERT_EQ(def.keys.size(), 2u);
  EXPECT_EQ(def.keys[0].parts.size(), 2u);
  ASSERT_EQ(def.keys[1].parts.size(), 1u);
  EXPECT_EQ(def.keys[1].parts[0].columnNumber, 3u);
  EXPECT_EQ(def.keys[1].name, "u");
  EXPECT_TRUE(def.columns[2].inUniqueKey);
}

TEST(TableDefinitionFile, KeyMembershipRules) {
  auto spec = ThreeColumnTable();
  spec.keys = {{.name = "primary", .unique = true, .columns = {2}},
               {.name = "plain", .unique = false, .columns = {1}},
               {.name = "both", .unique = true, .columns = {2, 3, 0, 9}}};
  TableDefinition def;
  ASSERT_EQ(Parse(BuildFrm(spec), def), DefinitionStatus::kRead);
  EXPECT_FALSE(def.columns[0].inPrimaryKey || def.columns[0].inUniqueKey);
  EXPECT_TRUE(def.columns[1].inPrimaryKey);
  EXPECT_TRUE(def.columns[1].inUniqueKey);
  EXPECT_TRUE(def.columns[2].inUniqueKey);
  EXPECT_FALSE(def.columns[2].inPrimaryKey);
  // The key keeps its parts in key order, the stray column numbers included.
  ASSERT_EQ(def.keys[2].parts.size(), 4u);
  EXPECT_EQ(def.keys[2].parts[0].columnNumber, 2u);
}

TEST(TableDefinitionFile, NumericPrecisionAndScale) {
  struct Case {
    std::uint8_t type;
    std::uint16_t length;
    std::uint16_t packFlags;
    int precision;
    int scale;
  };
  const Case cases[] = {
      {246, 12, 0x0201, 10, 2},  // DECIMAL(10,2) signed
      {246, 11, 0x0200, 10, 2},  // DECIMAL(10,2) unsigned
      {246, 10, 0x0001, 9, 0},   // DECIMAL(9,0) signed
      {246, 0, 0x0201, 65, 2},   // a negative result becomes 65
      {246, 90, 0x0000, 65, 0},  // above 65 becomes 65
      {4, 12, 0x1F00, 0, 0},     // FLOAT without decimals
      {5, 10, 0x0300, 10, 3},    // DOUBLE(10,3)
  };
  for (const auto& c : cases) {
    FrmSpec spec;
    spec.columns = {{.name = "n", .type = c.type, .length = c.length, .packFlags = c.packFlags}};
    TableDefinition def;
    ASSERT_EQ(Parse(BuildFrm(spec), def), DefinitionStatus::kRead);
    EXPECT_EQ(def.columns[0].precision, c.precision) << int(c.type) << "/" << c.length;
    EXPECT_EQ(def.columns[0].scale, c.scale) << int(c.type) << "/" << c.length;
  }
}

TEST(TableDefinitionFile, EnumAndSetValueLists) {
  FrmSpec spec;
  spec.columns = {{.name = "e1", .type = 247, .length = 1},
                  {.name = "s", .type = 248, .length = 1, .intervalNumber = 1},
                  {.name = "e2", .type = 247, .length = 1},
                  {.name = "e3", .type = 247, .length = 1, .intervalNumber = 7}};
  spec.intervals = {{"a", "b"}, {"x", "", "y"}, {"p"}};
  TableDefinition def;
  ASSERT_EQ(Parse(BuildFrm(spec), def), DefinitionStatus::kRead);
  EXPECT_EQ(def.columns[0].valueList, "'a','b'");
  EXPECT_EQ(def.columns[1].valueList, "'a','b'");  // numbered list 1
  // Positional choice: the third ENUM/SET column takes the third list.
  EXPECT_EQ(def.columns[2].valueList, "'p'");
  EXPECT_EQ(def.columns[3].valueList, "");  // number beyond the lists
  const std::vector<std::string> all = {"a", "b", "x", "", "y", "p"};
  EXPECT_EQ(def.intervalValues, all);
  const std::vector<std::string> own = {"a", "b"};
  EXPECT_EQ(def.columns[1].values, own);
}

TEST(TableDefinitionFile, NullFlagBytes) {
  struct Case {
    int nullableColumns;
    std::uint16_t options;
    bool nullFlagsLast;
    std::uint16_t bitLength;
    std::uint32_t expected;
  };
  const Case cases[] = {
      {3, 0, false, 0, 1}, {8, 0, false, 0, 2},  {8, 1, false, 0, 1}, {7, 0, false, 0, 1},
      {8, 0, true, 0, 1},  {0, 0, false, 12, 1}, {7, 0, false, 3, 2},
  };
  for (const auto& c : cases) {
    FrmSpec spec;
    spec.tableOptions = c.options;
    spec.nullFlagsLast = c.nullFlagsLast;
    for (int i = 0; i < c.nullableColumns; ++i) {
      spec.columns.push_back({.name = "c" + std::to_string(i), .packFlags = kNullable});
    }
    if (c.bitLength) spec.columns.push_back({.name = "bits", .type = 16, .length = c.bitLength});
    TableDefinition def;
    ASSERT_EQ(Parse(BuildFrm(spec), def), DefinitionStatus::kRead);
    EXPECT_EQ(def.nullFlagBytes, c.expected)
        << c.nullableColumns << " nullable, options " << c.options << ", bit " << c.bitLength;
  }
}

TEST(RecoveryEngine, ReadTableDefinitionAppendsAndSetsTheTemporalFormatFlag) {
  testing::ScratchFolder scratch;
  auto old = ThreeColumnTable();
  old.versionId = 50549;
  auto recent = ThreeColumnTable();
  recent.versionId = 50610;
  const auto oldPath = scratch.Write("old.frm", BuildFrm(old));
  const auto recentPath = scratch.Write("recent.frm", BuildFrm(recent));

  CTarnSalvorProjApp app{CollationTable{}};
  RecoveryEngine engine(app);
  EXPECT_TRUE(engine.ReadTableDefinition(recentPath));
  EXPECT_TRUE(app.newTemporalFormat);
  EXPECT_TRUE(engine.ReadTableDefinition(oldPath));
  EXPECT_FALSE(app.newTemporalFormat);
  EXPECT_EQ(engine.table.columns.size(), 6u);  // the reader only appends
  EXPECT_FALSE(engine.frmFile.IsOpen());

  engine.ClearTableLists();
  EXPECT_TRUE(engine.ReadTableDefinition(scratch.Path().string() + "/missing.frm"));
  EXPECT_EQ(engine.lastDefinitionStatus, DefinitionStatus::kMissing);
  EXPECT_TRUE(engine.table.columns.empty());
}

TEST(RecoveryEngine, AFailedReadAppendsNothingButKeepsTheEngineCode) {
  testing::ScratchFolder scratch;
  auto spec = ThreeColumnTable();
  spec.engine = 9;
  spec.declaredColumnCount = 5;
  const auto path = scratch.Write("bad.frm", BuildFrm(spec));
  CTarnSalvorProjApp app{CollationTable{}};
  RecoveryEngine engine(app);
  EXPECT_FALSE(engine.ReadTableDefinition(path));
  EXPECT_TRUE(engine.table.columns.empty());
  EXPECT_EQ(engine.table.storageEngine, 9);
  EXPECT_TRUE(engine.frmFile.IsOpen());
  EXPECT_TRUE(engine.ReadTableDefinition(scratch.Path().string() + "/missing.frm"));
  EXPECT_FALSE(engine.frmFile.IsOpen());
}

}  // namespace
}  // namespace rowmender
