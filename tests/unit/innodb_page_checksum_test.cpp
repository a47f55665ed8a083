// Page checksums in every form, checked on real pages: MariaDB 10.11
// (full_crc32), MySQL 8.0 (crc32) and MySQL 5.5 (the old InnoDB folds).
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "base/crc32c.h"
#include "innodb/page.h"
#include "innodb/page_checksum.h"
#include "support/test_paths.h"

namespace rowmender {
namespace {

namespace fs = std::filesystem;

// How many pages of the .ibd files below `folder` match each form.
std::map<PageCheck, int> CheckEveryPage(const fs::path& folder) {
  std::map<PageCheck, int> counts;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.path().extension() != ".ibd") continue;
    const std::string bytes = testing::ReadText(entry.path().string());
    for (std::size_t at = 0; at + kInnoPageSize <= bytes.size(); at += kInnoPageSize) {
      const ByteView page(reinterpret_cast<const std::uint8_t*>(bytes.data()) + at, kInnoPageSize);
      const PageCheck check = CheckPage(page);
      ++counts[check];
      EXPECT_NE(check, PageCheck::kFailed) << entry.path() << " page " << at / kInnoPageSize;
    }
  }
  return counts;
}

TEST(PageChecksum, Crc32cOfKnownTexts) {
  const std::string digits = "123456789";
  EXPECT_EQ(Crc32c(ByteView(reinterpret_cast<const std::uint8_t*>(digits.data()), digits.size())),
            0xE3069283u);
  EXPECT_EQ(Crc32c(ByteView()), 0u);
}

TEST(PageChecksum, EveryPageOfRealServersPassesInItsServersForm) {
  struct Case {
    std::string folder;
    PageCheck form;
  };
  for (const Case& c :
       {Case{testing::SampleDataFolder(), PageCheck::kFullCrc32},
        Case{testing::SakilaFolder(), PageCheck::kInnodb},
        Case{std::string(ROWMENDER_SHARED_FIXTURES) + "/mysql-8.0-sakila", PageCheck::kCrc32}}) {
    const std::map<PageCheck, int> counts = CheckEveryPage(c.folder);
    EXPECT_GT(counts.count(c.form) ? counts.at(c.form) : 0, 20) << c.folder;
    EXPECT_EQ(counts.count(PageCheck::kFailed), 0u) << c.folder;
  }
}

TEST(PageChecksum, AnyChangedByteFailsThePage) {
  struct Case {
    std::string file;
    std::size_t offset;  // in page 3, the first index page
  };
  for (const Case& c :
       {Case{testing::SampleDataFolder() + "/shop/orders.ibd", 0},
        Case{testing::SampleDataFolder() + "/shop/orders.ibd", 200},
        Case{testing::SampleDataFolder() + "/shop/orders.ibd", kInnoPageSize - 1},
        Case{testing::SakilaFolder() + "/sakila/actor.ibd", 5},
        Case{testing::SakilaFolder() + "/sakila/actor.ibd", 9000},
        Case{std::string(ROWMENDER_SHARED_FIXTURES) + "/mysql-8.0-sakila/sakila/actor.ibd", 100},
        Case{std::string(ROWMENDER_SHARED_FIXTURES) + "/mysql-8.0-sakila/sakila/actor.ibd",
             kInnoPageSize - 3}}) {
    std::string bytes = testing::ReadText(c.file);
    ASSERT_GE(bytes.size(), 4 * kInnoPageSize);
    auto* page = reinterpret_cast<std::uint8_t*>(bytes.data()) + 3 * kInnoPageSize;
    ASSERT_NE(CheckPage(ByteView(page, kInnoPageSize)), PageCheck::kFailed) << c.file;
    page[c.offset] ^= 0x10;
    EXPECT_EQ(CheckPage(ByteView(page, kInnoPageSize)), PageCheck::kFailed)
        << c.file << " byte " << c.offset;
  }
  // A page of zeros was never written: nothing to fail.
  const std::vector<std::uint8_t> zeros(kInnoPageSize, 0);
  EXPECT_EQ(CheckPage(zeros), PageCheck::kAllZero);
}

}  // namespace
}  // namespace rowmender
