// The index-file header: row format, base information and field descriptors.
#include <gtest/gtest.h>

#include "myisam/index_header.h"
#include "support/test_paths.h"
#include "unit/myisam_builder.h"

namespace rowmender {
namespace {

using testing::BuildMyi;
using testing::Bytes;
using testing::MyiSpec;

bool SameField(const MyisamColumn& a, const MyisamColumn& b) {
  return a.fieldType == b.fieldType && a.fieldLength == b.fieldLength && a.nullBit == b.nullBit &&
         a.nullPosition == b.nullPosition;
}

TEST(MyisamIndexHeader, RowFormatComesFromTheOptions) {
  const struct {
    std::uint16_t options;
    std::int32_t rowFormat;
  } cases[] = {{0x0000, kRowFormatFixed},
               {0x0001, kRowFormatDynamic},
               {0x0003, kRowFormatDynamic},
               {0x0005, kRowFormatCompressed},
               {0x0004, kRowFormatCompressed}};
  for (const auto& c : cases) {
    MyiSpec spec;
    spec.options = c.options;
    const Bytes file = BuildMyi(spec);
    MyisamIndexHeader header;
    ASSERT_EQ(DecodeIndexHeader(file, file.size(), header), IndexHeaderStatus::kAccepted);
    EXPECT_EQ(header.rowFormat, c.rowFormat) << c.options;
  }
}

TEST(MyisamIndexHeader, ShortFilesAndAFarBasePosition) {
  Bytes file = BuildMyi(MyiSpec{});
  MyisamIndexHeader header;
  EXPECT_EQ(DecodeIndexHeader(ByteView(file).first(24), 24, header), IndexHeaderStatus::kRejected);

  // 25 bytes whose base information would lie beyond the end: accepted, with
  // only the row format known.
  Bytes small(file.begin(), file.begin() + 25);
  small[5] = 0x01;
  small[12] = 0;
  small[13] = 100;
  MyisamIndexHeader onlyFormat;
  ASSERT_EQ(DecodeIndexHeader(small, small.size(), onlyFormat), IndexHeaderStatus::kAccepted);
  EXPECT_EQ(onlyFormat.rowFormat, kRowFormatDynamic);
  EXPECT_FALSE(onlyFormat.baseInfoRead);
  EXPECT_TRUE(onlyFormat.columns.empty());
}

TEST(MyisamIndexHeader, WalksOverKeysAndUniqueConstraintsToTheDescriptors) {
  MyiSpec spec;
  spec.options = 1;
  spec.packedRecordLength = 387;
  spec.minPackedLength = 12;
  spec.packBits = 1;
  spec.keySegments = {1, 3};
  spec.uniqueCount = 1;
  spec.fields = {{kFieldNormal, 1, 0, 0},
                 {kFieldSkipZero, 4, 0, 0},
                 {kFieldVarchar, 81, 2, 0},
                 {kFieldBlob, 10, 16, 1}};
  const Bytes file = BuildMyi(spec);
  MyisamIndexHeader header;
  ASSERT_EQ(DecodeIndexHeader(file, file.size(), header), IndexHeaderStatus::kAccepted);
  EXPECT_TRUE(header.baseInfoRead);
  EXPECT_EQ(header.base.packedRecordLength, 387u);
  EXPECT_EQ(header.base.minPackedLength, 12u);
  EXPECT_EQ(header.base.packBits, 1u);
  EXPECT_EQ(header.base.keyCount, 2u);
  EXPECT_EQ(header.base.fieldCount, 4u);
  EXPECT_EQ(header.base.keyFileStart, 1024u);
  ASSERT_EQ(header.columns.size(), spec.fields.size());
  for (std::size_t i = 0; i < spec.fields.size(); ++i) {
    EXPECT_TRUE(SameField(header.columns[i], spec.fields[i])) << i;
  }

  // Cut inside the third descriptor: only the two whole ones are kept.
  const std::size_t descriptorsEnd = static_cast<std::size_t>((file[6] << 8) | file[7]);
  const std::size_t thirdStarts = descriptorsEnd - 2 * MyisamColumn::kSize;
  MyisamIndexHeader cutShort;
  ASSERT_EQ(DecodeIndexHeader(ByteView(file).first(thirdStarts + 3), thirdStarts + 3, cutShort),
            IndexHeaderStatus::kAccepted);
  EXPECT_EQ(cutShort.columns.size(), 2u);
}

TEST(MyisamIndexHeader, KeyCountsBeyondTheFileEndTheWalkQuietly) {
  MyiSpec spec;
  spec.keySegments = {255, 255, 255};
  spec.fields = {{kFieldNormal, 4, 0, 0}};
  spec.fileLength = 0;
  const Bytes file = BuildMyi(spec);
  MyisamIndexHeader header;
  // Cut off after the first key: the walk stops, no descriptor is invented.
  const std::size_t end = 24 + 100 + 12 + 18 * 255;
  ASSERT_EQ(DecodeIndexHeader(ByteView(file).first(end), end, header),
            IndexHeaderStatus::kAccepted);
  EXPECT_TRUE(header.columns.empty());
}

TEST(MyisamIndexHeader, RealIndexFilesOfTheSample) {
  const std::string data = testing::SampleDataFolder();
  MyisamIndexHeader kunden;
  ASSERT_TRUE(ReadIndexFile(data + "/legacy/kunden.MYI", kunden));
  EXPECT_EQ(kunden.rowFormat, kRowFormatDynamic);
  ASSERT_TRUE(kunden.baseInfoRead);
  EXPECT_EQ(kunden.base.keyCount, 2u);
  EXPECT_EQ(kunden.base.packBits, 1u);
  ASSERT_EQ(kunden.columns.size(), 11u);  // the null flags and ten columns
  EXPECT_TRUE(SameField(kunden.columns[0], {kFieldNormal, 1, 0, 0}));
  EXPECT_TRUE(SameField(kunden.columns[2], {kFieldVarchar, 81, 0, 0}));      // VARCHAR(80)
  EXPECT_TRUE(SameField(kunden.columns[5], {kFieldSkipEndSpace, 5, 2, 0}));  // CHAR(5)
  EXPECT_TRUE(SameField(kunden.columns[8], {kFieldBlob, 10, 16, 0}));        // TEXT

  MyisamIndexHeader fixed;
  ASSERT_TRUE(ReadIndexFile(data + "/typezoo/fixed_myisam.MYI", fixed));
  EXPECT_EQ(fixed.rowFormat, kRowFormatFixed);
  EXPECT_EQ(fixed.base.packedRecordLength, 126u);
  // Four null-flag bytes, then 23 fields: BIT(3) keeps all its bits among
  // the null flags and has no descriptor.
  ASSERT_EQ(fixed.columns.size(), 24u);
  EXPECT_TRUE(SameField(fixed.columns[0], {kFieldNormal, 4, 0, 0}));
  EXPECT_TRUE(SameField(fixed.columns[23], {kFieldNormal, 1, 4, 3}));

  MyisamIndexHeader none;
  EXPECT_FALSE(ReadIndexFile(data + "/legacy/no-such-table.MYI", none));
  testing::ScratchFolder scratch;
  EXPECT_FALSE(ReadIndexFile(scratch.Write("short.MYI", Bytes(24, 0xFE)), none));
}

}  // namespace
}  // namespace rowmender
