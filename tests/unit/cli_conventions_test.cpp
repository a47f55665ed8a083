// What every command of rowmender-cli shares: help and version on standard
// output with status 0; usage errors on standard error with status 2 and
// the command's usage; errors with status 1; standard output for the data
// alone.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/logic/user_interface.h"
#include "app/product_version.h"
#include "support/test_paths.h"

namespace rowmender::testing {
namespace {

namespace fs = std::filesystem;

enum class Stream { kOut, kErr };

struct Case {
  std::vector<std::string> args;
  int status;
  // Where the text goes, and how it begins and what else it holds; the
  // other stream stays empty, but for an error's (which may follow data
  // already written: not in these cases).
  Stream stream;
  std::string begins;
  std::string holds;
};

TEST(CliConventions, HelpVersionUsageAndExitStatuses) {
  const std::string data = SampleDataFolder();
  const std::string generalUsage = "usage: rowmender-cli COMMAND [OPTIONS] ARGS...\n";
  const std::string version = std::string("rowmender-cli (Rowmender) ") + ProductVersion() + "\n";
  const std::string pastEnd =
      "rowmender-cli: there is no page 9: legacy.kunden has 3 pages (2593 rows, 1000 a page)\n";
  const Case cases[] = {
      {{"--help"}, 0, Stream::kOut, generalUsage, "\n  save      save tables"},
      {{"-h"}, 0, Stream::kOut, generalUsage, "exit status: 0 done, 1 an error, 2 a usage error"},
      {{"help"}, 0, Stream::kOut, generalUsage, "\n  catalogue list the databases"},
      {{"help", "rows"},
       0,
       Stream::kOut,
       "usage: rowmender-cli rows [OPTIONS] DATADIR DB TABLE\n",
       "\n  --page N                the Nth page"},
      {{"rows", "--help"},
       0,
       Stream::kOut,
       "usage: rowmender-cli rows [OPTIONS] DATADIR DB TABLE\n",
       "--deleted-flag"},
      {{"save", data, "-h"},
       0,
       Stream::kOut,
       "usage: rowmender-cli save [OPTIONS] DATADIR\n",
       "\n  --overwrite "},
      {{"help", "view"}, 0, Stream::kOut, "usage: rowmender-cli view DATADIR DB VIEW\n", ""},
      {{"--version"}, 0, Stream::kOut, version, ""},
      {{"-V"}, 0, Stream::kOut, version, ""},
      {{}, 2, Stream::kErr, "rowmender-cli: no command given\n" + generalUsage, ""},
      {{"frobnicate"},
       2,
       Stream::kErr,
       "rowmender-cli: unknown command: frobnicate\n" + generalUsage,
       ""},
      {{"help", "frobnicate"}, 2, Stream::kErr, "rowmender-cli: no command named frobnicate\n", ""},
      {{"rows", data},
       2,
       Stream::kErr,
       "rowmender-cli: rows needs DATADIR DB TABLE\n"
       "usage: rowmender-cli rows [OPTIONS] DATADIR DB TABLE\n"
       "Try 'rowmender-cli help rows' for its options.\n",
       ""},
      {{"rows", data, "legacy", "kunden", "--frob"},
       2,
       Stream::kErr,
       "rowmender-cli: unknown option: --frob\n",
       ""},
      {{"rows", data, "legacy", "kunden", "--page", "9"},
       2,
       Stream::kErr,
       pastEnd,
       "usage: rowmender-cli rows "},
      {{"csv", data, "legacy", "kunden", "--page", "9", "-"},
       2,
       Stream::kErr,
       pastEnd,
       "usage: rowmender-cli csv "},
      {{"catalogue", data, "--format", "xml"},
       2,
       Stream::kErr,
       "rowmender-cli: unknown format: xml\n",
       "usage: rowmender-cli catalogue "},
      {{"export", data, "legacy", "--to", "-"},
       2,
       Stream::kErr,
       "rowmender-cli: --to - writes one table to standard output; these names give 8 tables",
       "usage: rowmender-cli export "},
      {{"save", data, "--script", "-"},
       2,
       Stream::kErr,
       "rowmender-cli: --script takes a folder",
       "usage: rowmender-cli save "},
      {{"rows", data, "--save-forms", "--save-folder", "-", "legacy", "kunden"},
       2,
       Stream::kErr,
       "rowmender-cli: --save-folder takes a folder",
       ""},
      {{"structure", data, "legacy", "nothere"},
       1,
       Stream::kErr,
       "rowmender-cli: table not found: legacy.nothere\n",
       ""},
      {{"view", data, "shop", "orders"}, 1, Stream::kErr, "rowmender-cli: ", "not a view"},
      {{"structure", data, "legacy", "kunden"}, 0, Stream::kOut, "Column Name\t", ""},
  };
  for (const Case& c : cases) {
    std::string label = "rowmender-cli";
    for (const std::string& arg : c.args)
      label += " " + arg;
    SCOPED_TRACE(label);
    const CliResult result = RunCli(c.args);
    EXPECT_EQ(result.status, c.status) << result.err;
    const std::string& text = c.stream == Stream::kOut ? result.out : result.err;
    const std::string& other = c.stream == Stream::kOut ? result.err : result.out;
    EXPECT_EQ(text.rfind(c.begins, 0), 0u) << text;
    EXPECT_NE(text.find(c.holds), std::string::npos) << text;
    EXPECT_EQ(other, "");
  }
  EXPECT_FALSE(fs::exists("-"));
}

TEST(CliConventions, EachCommandsHelpIsWhatHelpCommandPrints) {
  for (const char* command :
       {"catalogue", "structure", "rows", "csv", "view", "triggers", "export", "save"}) {
    SCOPED_TRACE(command);
    const CliResult asked = RunCli({"help", command});
    const CliResult flag = RunCli({command, "--help"});
    EXPECT_EQ(asked.status, 0);
    EXPECT_EQ(flag.status, 0);
    EXPECT_EQ(flag.out, asked.out);
    EXPECT_EQ(asked.out.rfind(std::string("usage: rowmender-cli ") + command + " ", 0), 0u);
    // Every command is in the general help's table.
    EXPECT_NE(RunCli({"--help"}).out.find(std::string("\n  ") + command + " "), std::string::npos);
  }
}

TEST(CliConventions, TheCaptionsCarryTheBuildsVersion) {
  EXPECT_EQ(std::string(kProductCaption), std::string("Rowmender v") + ProductVersion());
}

}  // namespace
}  // namespace rowmender::testing
