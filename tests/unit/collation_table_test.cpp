#include <gtest/gtest.h>

#include "app/application_state.h"
#include "support/test_paths.h"

namespace rowmender {
namespace {

// One record of the collation file.
std::vector<std::uint8_t> Record(std::uint32_t number, std::uint32_t least, std::uint32_t most,
                                 const std::string& name, const std::string& charset) {
  std::vector<std::uint8_t> out;
  auto put32 = [&out](std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
      out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  put32(number);
  put32(least);
  put32(most);
  put32(static_cast<std::uint32_t>(name.size()));
  out.insert(out.end(), name.begin(), name.end());
  put32(static_cast<std::uint32_t>(charset.size()));
  out.insert(out.end(), charset.begin(), charset.end());
  return out;
}

TEST(CollationTable, ReadsRecordsAndKeepsTheLaterOfTwoForOneNumber) {
  auto bytes = Record(33, 1, 3, "utf8mb3_general_ci", "utf8mb3");
  const auto second = Record(33, 1, 4, "replacement", "utf8mb4");
  const auto third = Record(63, 1, 1, "binary", "binary");
  bytes.insert(bytes.end(), second.begin(), second.end());
  bytes.insert(bytes.end(), third.begin(), third.end());

  CollationTable table;
  table.LoadFromBytes(bytes);
  ASSERT_EQ(table.Size(), 2u);
  ASSERT_NE(table.Lookup(33), nullptr);
  EXPECT_EQ(table.Lookup(33)->maxBytesPerChar, 4);
  EXPECT_EQ(table.Lookup(33)->collationName, "replacement");
  EXPECT_EQ(table.Lookup(63)->characterSetName, "binary");
  EXPECT_EQ(table.Lookup(8), nullptr);
}

TEST(CollationTable, DropsARecordCutShortAtEveryPoint) {
  const auto whole = Record(8, 1, 1, "latin1_swedish_ci", "latin1");
  const auto last = Record(45, 1, 4, "utf8mb4_general_ci", "utf8mb4");
  for (std::size_t cut = 0; cut < last.size(); ++cut) {
    auto bytes = whole;
    bytes.insert(bytes.end(), last.begin(), last.begin() + static_cast<std::ptrdiff_t>(cut));
    CollationTable table;
    table.LoadFromBytes(bytes);
    EXPECT_EQ(table.Size(), 1u) << "cut at " << cut;
    EXPECT_EQ(table.Lookup(45), nullptr);
  }
}

TEST(CollationTable, AHugeTextLengthDoesNotReadPastTheEnd) {
  auto bytes = Record(8, 1, 1, "x", "y");
  bytes[12] = 0xFF;
  bytes[13] = 0xFF;
  bytes[14] = 0xFF;
  bytes[15] = 0xFF;
  CollationTable table;
  table.LoadFromBytes(bytes);
  EXPECT_TRUE(table.Empty());
}

TEST(CollationTable, ShippedFileKnowsTheCommonCharacterSets) {
  CollationTable table;
  ASSERT_TRUE(table.LoadFromFile(testing::SourceFolder() + "/data/collation (2)"));
  struct Case {
    std::uint32_t number;
    int least;
    int most;
  };
  for (const auto& c : {Case{8, 1, 1}, Case{33, 1, 3}, Case{45, 1, 4}, Case{63, 1, 1},
                        Case{35, 2, 2}, Case{54, 2, 4}, Case{60, 4, 4}}) {
    const auto* entry = table.Lookup(c.number);
    ASSERT_NE(entry, nullptr) << c.number;
    EXPECT_EQ(entry->minBytesPerChar, c.least) << c.number;
    EXPECT_EQ(entry->maxBytesPerChar, c.most) << c.number;
  }
}

TEST(ApplicationObject, StartsWithBothSaveFlagsClearAndWithoutACollationFileIsEmpty) {
  CTarnSalvorProjApp app{CollationTable{}};
  EXPECT_FALSE(app.saveAsScriptMode);
  EXPECT_FALSE(app.saveToDatabaseMode);
  EXPECT_FALSE(app.SaveMode());
  EXPECT_EQ(app.processRunning.load(), 0);
  EXPECT_EQ(app.applicationLook, 215u);
  EXPECT_EQ(app.LookupCollation(33), nullptr);
}

TEST(ApplicationObject, FindsTheCollationFileBesideTheExecutable) {
  // The tests run from the build folder, which holds a copy of the file; the
  // executable's own folder is the second place looked at.
  const auto candidates = CollationFileCandidates();
  ASSERT_GE(candidates.size(), 3u);
  EXPECT_EQ(candidates[0], "collation (2)");
  CTarnSalvorProjApp app;
  EXPECT_NE(app.LookupCollation(33), nullptr);
}

}  // namespace
}  // namespace rowmender
