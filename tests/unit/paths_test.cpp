#include "base/paths.h"

#include <gtest/gtest.h>

namespace rowmender {
namespace {

TEST(Paths, JoiningCollapsesDoubledSeparators) {
  EXPECT_EQ(JoinPath("/data/", "shop"), "/data/shop");
  EXPECT_EQ(JoinPath("/data", "shop"), "/data/shop");
  EXPECT_EQ(JoinPath("/data//", "/shop.frm"), "/data/shop.frm");
  EXPECT_EQ(WithTrailingSeparator("/data"), "/data/");
  EXPECT_EQ(WithTrailingSeparator("/data///"), "/data/");
  EXPECT_EQ(WithoutTrailingSeparator("/data//"), "/data");
  EXPECT_EQ(LastComponent("/data/shop"), "shop");
}

TEST(Paths, TableFileNamesUseTheServersEscapes) {
  struct Case {
    const char* sql;
    const char* file;
  };
  for (const auto& c : {Case{"orders", "orders"}, Case{"my-table", "my@002dtable"},
                        Case{"a b.c", "a@0020b@002ec"}}) {
    EXPECT_EQ(EncodeTableFileName(c.sql), c.file);
    EXPECT_EQ(DecodeTableFileName(c.file), c.sql);
  }
  EXPECT_EQ(DecodeTableFileName("odd@zz12"), "odd@zz12");
  EXPECT_EQ(DecodeTableFileName("cut@00"), "cut@00");
}

}  // namespace
}  // namespace rowmender
