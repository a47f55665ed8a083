#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/logic/log_writer.h"
#include "app/logic/settings_dialog.h"
#include "base/paths.h"
#include "support/fake_ui.h"
#include "support/test_paths.h"

namespace rowmender {
namespace {

using testing::FakeUi;
using testing::ReadText;
using testing::ScratchFolder;

TEST(SettingsDialog, OpensWithAnEmptyDataFolderAndTheSystemFolders) {
  SettingsDialog dialog;
  EXPECT_EQ(dialog.dataFolder, "");
  EXPECT_EQ(dialog.temporaryFolder, SettingsDialog::DefaultTemporaryFolder());
  EXPECT_EQ(dialog.temporaryFolder.back(), '/');
  EXPECT_EQ(dialog.logFolder, SettingsDialog::DefaultLogFolder());
  EXPECT_TRUE(std::filesystem::is_directory(dialog.logFolder));
}

// The environment variable `name` set to `value` (unset when null) for
// the life of the object.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : name_(name) {
    const char* before = std::getenv(name);
    if (before != nullptr) before_ = before;
    had_ = before != nullptr;
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedVariable() {
    if (had_) {
      setenv(name_, before_.c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::string before_;
  bool had_ = false;
};

TEST(SettingsDialog, TemporaryAndLogFoldersAreTheProgramsCacheAndStateFolders) {
  ScratchFolder scratch;
  const std::string home = scratch.Path().string();
  const ScopedVariable homeVariable("HOME", home.c_str());
  {
    // The base folders' defaults below the home folder, made on demand.
    const ScopedVariable cache("XDG_CACHE_HOME", nullptr);
    const ScopedVariable state("XDG_STATE_HOME", nullptr);
    EXPECT_EQ(SettingsDialog::DefaultTemporaryFolder(), home + "/.cache/rowmender/");
    EXPECT_EQ(SettingsDialog::DefaultLogFolder(), home + "/.local/state/rowmender/logs");
    EXPECT_TRUE(std::filesystem::is_directory(home + "/.local/state/rowmender/logs"));
  }
  {
    const ScopedVariable cache("XDG_CACHE_HOME", (home + "/c").c_str());
    const ScopedVariable state("XDG_STATE_HOME", (home + "/s").c_str());
    EXPECT_EQ(SettingsDialog::DefaultTemporaryFolder(), home + "/c/rowmender/");
    EXPECT_EQ(SettingsDialog::DefaultLogFolder(), home + "/s/rowmender/logs");
  }
  {
    // Where they cannot be made: the system's temporary folder.
    scratch.Write("file", "x");
    const ScopedVariable cache("XDG_CACHE_HOME", (home + "/file").c_str());
    const ScopedVariable state("XDG_STATE_HOME", (home + "/file").c_str());
    const std::string system = (std::filesystem::temp_directory_path() / "").string();
    EXPECT_EQ(SettingsDialog::DefaultTemporaryFolder(), system);
    EXPECT_EQ(SettingsDialog::DefaultLogFolder(), WithoutTrailingSeparator(system));
  }
  // Nothing is left in the home folder but what was asked for.
  EXPECT_FALSE(std::filesystem::exists(home + "/Desktop"));
}

TEST(SettingsDialog, OkChecksTheFoldersInOrderAndKeepsTheEdits) {
  ScratchFolder scratch;
  const std::string folder = scratch.Path().string();
  const std::string file = scratch.Write("plain.txt", "x");
  const std::string missing = folder + "/missing";
  const struct {
    std::string data, temporary, log;
    const char* message;
  } cases[] = {
      {missing, folder, folder, kInvalidDataFolderMessage},
      {file, folder, folder, kInvalidDataFolderMessage},
      {"", folder, folder, kInvalidDataFolderMessage},
      {folder, missing, missing, kInvalidTemporaryFolderMessage},
      {folder, folder, missing, kInvalidLogFolderMessage},
  };
  for (const auto& c : cases) {
    FakeUi ui;
    SettingsDialog dialog;
    dialog.dataFolder = c.data;
    dialog.temporaryFolder = c.temporary;
    dialog.logFolder = c.log;
    EXPECT_FALSE(dialog.Accept(ui));
    EXPECT_EQ(ui.messages, (std::vector<std::string>{c.message}));
    EXPECT_EQ(dialog.dataFolder, c.data);
    EXPECT_EQ(dialog.logFolder, c.log);
  }
}

TEST(SettingsDialog, ConfirmedFoldersEndWithASeparatorAndFilesPassForTemporaryAndLog) {
  ScratchFolder scratch;
  const std::string folder = scratch.Path().string();
  const std::string file = scratch.Write("plain.txt", "x");
  FakeUi ui;
  SettingsDialog dialog;
  dialog.dataFolder = folder;
  dialog.temporaryFolder = file;
  dialog.logFolder = folder + "/";
  ASSERT_TRUE(dialog.Accept(ui));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(dialog.Chosen().databasePath, folder + "/");
  EXPECT_EQ(dialog.Chosen().temporaryPath, file + "/");
  EXPECT_EQ(dialog.Chosen().logFolder, folder + "/");
}

TEST(SettingsDialog, ARelativeDataFolderBelowTheCurrentFolderIsAccepted) {
  ScratchFolder scratch;
  std::filesystem::create_directories(scratch.Path() / "rel");
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(scratch.Path());
  FakeUi ui;
  SettingsDialog dialog;
  dialog.dataFolder = "rel";
  dialog.temporaryFolder = "rel";
  dialog.logFolder = "rel";
  const bool accepted = dialog.Accept(ui);
  std::filesystem::current_path(previous);
  ASSERT_TRUE(accepted);
  EXPECT_EQ(dialog.Chosen().databasePath, "rel/");
}

TEST(SettingsDialog, BrowseButtonsFillTheirEditsOrLeaveThem) {
  ScratchFolder scratch;
  const std::string folder = scratch.Path().string();
  FakeUi ui;
  SettingsDialog dialog;
  dialog.logFolder = "before";
  ui.folderAnswers = {folder, "", "  " + folder + "  ", folder + "/missing", ""};
  dialog.BrowseDataFolder(ui);
  EXPECT_EQ(dialog.dataFolder, folder + "/");
  dialog.BrowseTemporaryFolder(ui);  // cancelled
  EXPECT_EQ(dialog.temporaryFolder, SettingsDialog::DefaultTemporaryFolder());
  dialog.BrowseLogFolder(ui);  // trimmed, no separator added
  EXPECT_EQ(dialog.logFolder, folder);
  dialog.BrowseLogFolder(ui);  // not an existing folder
  EXPECT_EQ(dialog.logFolder, folder);
  dialog.BrowseLogFolder(ui);  // cancelled
  EXPECT_EQ(dialog.logFolder, folder);
  const auto calls = ui.Calls();
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(calls[0], "ChooseFolder(Select location to choose database file.) -> " + folder);
  EXPECT_EQ(calls[1], "ChooseFolder(Select location for temporary path.) -> ");
  EXPECT_EQ(calls[2].substr(0, 47), "ChooseFolder(Select location to save Log file.)");
}

// The statement files for tables without a .frm: added by the "..." button
// one at a time, separated by ';'; each must be a file for OK to pass.
TEST(SettingsDialog, StatementFilesAreAddedByBrowsingAndCheckedByOk) {
  ScratchFolder scratch;
  const std::string folder = scratch.Path().string();
  const std::string first = scratch.Write("a.sql", "CREATE TABLE a (x INT);");
  const std::string second = scratch.Write("b b.sql", "CREATE TABLE b (x INT);");
  FakeUi ui;
  SettingsDialog dialog;
  dialog.dataFolder = folder;
  ui.openFileAnswers = {first, "", " " + second + " "};
  dialog.BrowseDefinitionFile(ui);
  dialog.BrowseDefinitionFile(ui);  // cancelled
  dialog.BrowseDefinitionFile(ui);
  EXPECT_EQ(dialog.definitionFiles, first + "; " + second);
  ASSERT_TRUE(dialog.Accept(ui));
  EXPECT_EQ(dialog.ChosenDefinitionFiles(), (std::vector<std::string>{first, second}));

  dialog.definitionFiles = first + ";;" + folder + "/missing.sql";
  EXPECT_FALSE(dialog.Accept(ui));
  EXPECT_EQ(ui.messages.back(),
            std::string(kInvalidDefinitionFileMessage) + folder + "/missing.sql");
  // A folder is no file of statements.
  dialog.definitionFiles = folder;
  EXPECT_FALSE(dialog.Accept(ui));
}

// The UTF-16LE bytes of an ASCII text.
std::string Wide(std::string_view ascii) {
  std::string bytes;
  for (char c : ascii) {
    bytes.push_back(c);
    bytes.push_back('\0');
  }
  return bytes;
}

TEST(LogWriter, NamesTheFileAfterTheLocalTimeWithoutLeadingZeros) {
  std::tm time{};
  time.tm_mday = 9;
  time.tm_mon = 11;
  time.tm_year = 126;
  time.tm_hour = 0;
  time.tm_min = 13;
  time.tm_sec = 26;
  EXPECT_EQ(LogWriter::FileNameFor(time), "Rowmender_log_9-12-2026-0-13-26.txt");
}

TEST(LogWriter, NewFileGetsTheByteOrderMarkAnExistingOneIsAppendedTo) {
  ScratchFolder scratch;
  const std::string path = (scratch.Path() / "log.txt").string();
  {
    LogWriter log;
    ASSERT_TRUE(log.Open(path));
    log.WriteLine("first");
    log.Write("tab\there");
    // Each text is on disk as soon as it is written.
    EXPECT_EQ(ReadText(path), "\xFF\xFE" + Wide("first\r\ntab\there"));
  }
  LogWriter again;
  ASSERT_TRUE(again.Open(path));
  again.WriteLine("second");
  again.Close();
  EXPECT_EQ(ReadText(path), "\xFF\xFE" + Wide("first\r\ntab\theresecond\r\n"));
  EXPECT_FALSE(again.Open((scratch.Path() / "no" / "log.txt").string()));
  EXPECT_FALSE(again.IsOpen());
}

}  // namespace
}  // namespace rowmender
