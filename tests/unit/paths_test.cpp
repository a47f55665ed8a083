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

}  // namespace
}  // namespace rowmender
