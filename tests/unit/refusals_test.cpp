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

// The tables of the folder that cannot be read, and why.
const struct {
  const char* table;
  const char* reason;
} kRefused[] = {
    {"secret", "secret.ibd: the tablespace is encrypted (data-at-rest encryption, key 1)"},
    {"secret_aria", "secret_aria.MAD: the table's pages are encrypted"},
    {"archived", "tables of the storage engine ARCHIVE are not read"},
    {"comma", "tables of the storage engine CSV are not read"},
    {"held",
     "tables of the storage engine MEMORY are not read (the server keeps their rows in memory "
     "only; none are in the files)"},
    {"nothing", "tables of the storage engine BLACKHOLE are not read (the engine keeps no rows)"},
};

TEST(Refusals, EachTableThatCannotBeReadSaysWhy) {
  for (const auto& c : kRefused) {
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

TEST(Refusals, TheCatalogueListsThemWithTheirReasons) {
  const CliResult result = RunCli({"catalogue", RefusalsFolder()});
  EXPECT_EQ(result.status, 1);
  for (const auto& c : kRefused) {
    EXPECT_NE(result.out.find(c.table), std::string::npos) << c.table;
    EXPECT_NE(result.err.find(c.reason), std::string::npos) << c.table << ": " << result.err;
  }
  // Nothing is said of the tables that can be read.
  for (const char* readable : {"plain", "comma_empty"})
    EXPECT_EQ(result.err.find(std::string(readable) + "."), std::string::npos) << result.err;
}

}  // namespace
}  // namespace rowmender::testing
