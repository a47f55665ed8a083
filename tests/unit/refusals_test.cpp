// Tables a real server wrote that cannot be read from their files alone
// are refused with their reason, never shown as empty tables.
#include <gtest/gtest.h>

#include <string>

#include "support/test_paths.h"

namespace rowmender::testing {
namespace {

std::string RefusalsFolder() {
  return std::string(ROWMENDER_BINARY_DIR) + "/refusals-datadir";
}

TEST(Refusals, EachTableThatCannotBeReadSaysWhy) {
  const struct {
    const char* table;
    const char* reason;
  } cases[] = {
      {"secret", "secret.ibd: the tablespace is encrypted (data-at-rest encryption, key 1)"},
      {"secret_aria", "secret_aria.MAD: the table's pages are encrypted"},
      {"archived", "tables of the storage engine ARCHIVE are not read"},
      {"comma", "tables of the storage engine CSV are not read"},
      {"held", "tables of the storage engine MEMORY are not read"},
      {"nothing", "tables of the storage engine BLACKHOLE are not read"},
  };
  for (const auto& c : cases) {
    const CliResult result = RunCli({"rows", RefusalsFolder(), "refusals", c.table});
    EXPECT_EQ(result.status, 1) << c.table;
    EXPECT_EQ(result.out, "") << c.table;
    EXPECT_NE(result.err.find(c.reason), std::string::npos) << c.table << ": " << result.err;
  }
  const CliResult plain = RunCli({"rows", RefusalsFolder(), "refusals", "plain"});
  EXPECT_EQ(plain.status, 0) << plain.err;
  EXPECT_EQ(plain.out, "id\tnote\n1\tone\n2\ttwo\n");
  // An empty .CSV is a table without rows (so are the server's general_log
  // and slow_log while it logs to files).
  const CliResult empty = RunCli({"rows", RefusalsFolder(), "refusals", "comma_empty"});
  EXPECT_EQ(empty.status, 0) << empty.err;
  EXPECT_EQ(empty.out, "id\tnote\n");
}

}  // namespace
}  // namespace rowmender::testing
