// Tables whose .frm is lost, read with the CREATE TABLE statement the user
// gives (--definition): a copied .ibd alone, without ibdata1, and a MyISAM
// table's data and index files.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_paths.h"

namespace rowmender {
namespace {

namespace fs = std::filesystem;
using testing::RunCli;

std::string Lossless() {
  return ROWMENDER_LOSSLESS_DATADIR;
}
std::string Statement(const std::string& table) {
  return std::string(ROWMENDER_LOSSLESS_TRUTH) + "/lossless/" + table + ".create.sql";
}

// A data folder holding only the table's data files.
class LostDefinition : public ::testing::Test {
 protected:
  void Copy(const std::string& file) {
    fs::create_directories(scratch_.Path() / "lossless");
    fs::copy_file(fs::path(Lossless()) / "lossless" / file, scratch_.Path() / "lossless" / file);
  }
  std::string Folder() const { return scratch_.Path().string(); }

  testing::ScratchFolder scratch_;
};

TEST_F(LostDefinition, AnIbdAloneIsReadExactlyWithItsStatement) {
  for (const char* table : {"strings_dynamic", "temporals_compact", "longs_dynamic"}) {
    SCOPED_TRACE(table);
    Copy(std::string(table) + ".ibd");
    const auto original =
        RunCli({"rows", Lossless(), "lossless", table, "--all", "--no-dictionary", "--save-forms"});
    ASSERT_EQ(original.status, 0) << original.err;
    const auto recovered = RunCli({"rows", Folder(), "lossless", table, "--all", "--save-forms",
                                   "--definition", Statement(table)});
    EXPECT_EQ(recovered.status, 0) << recovered.err;
    EXPECT_EQ(recovered.out, original.out);
    EXPECT_EQ(recovered.err, "");

    // Without the statement: said what is missing and how to give it.
    const auto refused = RunCli({"rows", Folder(), "lossless", table});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("has no definition file (.frm)"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("--definition FILE"), std::string::npos) << refused.err;
  }
}

TEST_F(LostDefinition, MyisamFilesAreReadWithTheirStatement) {
  Copy("strings_myisam.MYD");
  Copy("strings_myisam.MYI");
  const auto original = RunCli({"rows", Lossless(), "lossless", "strings_myisam", "--all"});
  ASSERT_EQ(original.status, 0) << original.err;
  const auto recovered = RunCli({"rows", Folder(), "lossless", "strings_myisam", "--all",
                                 "--definition", Statement("strings_myisam")});
  EXPECT_EQ(recovered.status, 0) << recovered.err;
  EXPECT_EQ(recovered.out, original.out);
}

// Export and the catalogue scan take the statements too: every table the
// statements name is exported, the others are told as unreadable.
TEST_F(LostDefinition, ExportTakesTheStatementsAndTellsTheRest) {
  Copy("numbers_dynamic.ibd");
  Copy("binaries_compact.ibd");
  const std::string out =
      (fs::path(Folder()).parent_path() / (fs::path(Folder()).filename().string() + "-out"))
          .string();
  const auto result = RunCli({"export", Folder(), "--to", out, "--format", "tsv", "--definition",
                              Statement("numbers_dynamic")});
  EXPECT_EQ(result.status, 1) << result.err;
  EXPECT_NE(result.err.find("`lossless`.`binaries_compact`: not exported"), std::string::npos)
      << result.err;
  EXPECT_NE(result.err.find("binaries_compact.ibd carries no table definition"), std::string::npos)
      << result.err;
  EXPECT_TRUE(fs::exists(fs::path(out) / "lossless" / "numbers_dynamic.tsv")) << result.err;
  fs::remove_all(out);
}

TEST_F(LostDefinition, AStatementThatCannotBeReadIsToldByFileLineAndColumn) {
  Copy("numbers_dynamic.ibd");
  const std::string bad = scratch_.Write("bad.sql", std::string("CREATE TABLE numbers_dynamic (\n"
                                                                "  id INT NOT NULL,\n"
                                                                "  x FROBNICATE\n"
                                                                ");\n"));
  const auto result =
      RunCli({"rows", Folder(), "lossless", "numbers_dynamic", "--definition", bad});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err,
            "rowmender-cli: " + bad +
                ": line 3, column 5: unknown data type FROBNICATE, near 'FROBNICATE )'\n");
  EXPECT_EQ(result.out, "");
}

// A MariaDB table whose .frm was deleted after a clean shutdown: listed by
// the data dictionary in ibdata1 and read exactly with the definition
// rebuilt from it.
TEST_F(LostDefinition, TheDictionaryDefinesATableWhoseFrmIsGone) {
  fs::create_directories(scratch_.Path() / "lossless");
  fs::create_symlink(fs::path(Lossless()) / "ibdata1", scratch_.Path() / "ibdata1");
  for (const char* table : {"strings_dynamic", "longs_compact"}) {
    SCOPED_TRACE(table);
    Copy(std::string(table) + ".ibd");
    const auto original = RunCli({"rows", Lossless(), "lossless", table, "--all", "--save-forms"});
    ASSERT_EQ(original.status, 0) << original.err;
    const auto recovered = RunCli({"rows", Folder(), "lossless", table, "--all", "--save-forms"});
    EXPECT_EQ(recovered.status, 0) << recovered.err;
    EXPECT_EQ(recovered.out, original.out);
    const auto structure = RunCli({"structure", Folder(), "lossless", table});
    EXPECT_EQ(structure.status, 0) << structure.err;
    EXPECT_NE(structure.err.find("was rebuilt from the InnoDB data dictionary"), std::string::npos)
        << structure.err;
  }
  // Without the dictionary there is nothing to define it.
  const auto refused = RunCli({"rows", Folder(), "lossless", "strings_dynamic", "--no-dictionary"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("has no definition file (.frm)"), std::string::npos) << refused.err;
}

// Tables the dictionary keeps inside ibdata1 have no file of their own:
// with their .frm files gone, the catalogue lists them from the dictionary
// and they are read exactly.
TEST_F(LostDefinition, TablesKeptInIbdata1AreListedFromTheDictionary) {
  const fs::path sample = testing::SampleDataFolder();
  fs::create_directories(scratch_.Path() / "shop");
  fs::create_symlink(sample / "ibdata1", scratch_.Path() / "ibdata1");
  const auto catalogue = RunCli({"catalogue", Folder()});
  EXPECT_EQ(catalogue.status, 0) << catalogue.err;
  for (const char* table : {"order_history", "settings"}) {
    SCOPED_TRACE(table);
    EXPECT_NE(catalogue.out.find("table\tshop\t" + std::string(table) + "\tInnoDB\tdictionary\t"),
              std::string::npos)
        << catalogue.out;
    const auto original = RunCli({"rows", sample.string(), "shop", table, "--all", "--save-forms"});
    ASSERT_EQ(original.status, 0) << original.err;
    const auto recovered = RunCli({"rows", Folder(), "shop", table, "--all", "--save-forms"});
    EXPECT_EQ(recovered.status, 0) << recovered.err;
    EXPECT_EQ(recovered.out, original.out);
  }
  // A table with a tablespace of its own is not listed without it.
  EXPECT_EQ(catalogue.out.find("coupons"), std::string::npos) << catalogue.out;
}

// MySQL 8 keeps the definition of a MyISAM table in a .sdi file beside its
// data ("name_id.sdi"): the table is listed and read by it.
TEST_F(LostDefinition, AMyisamTableIsReadByItsSdiFile) {
  Copy("numbers_myisam.MYD");
  Copy("numbers_myisam.MYI");
  fs::copy_file(fs::path(ROWMENDER_SOURCE_DIR) / "testdata/sdi-json/numbers_myisam_1085.sdi",
                scratch_.Path() / "lossless" / "numbers_myisam_1085.sdi");
  const auto original = RunCli({"rows", Lossless(), "lossless", "numbers_myisam", "--all"});
  ASSERT_EQ(original.status, 0) << original.err;
  const auto recovered = RunCli({"rows", Folder(), "lossless", "numbers_myisam", "--all"});
  EXPECT_EQ(recovered.status, 0) << recovered.err;
  EXPECT_EQ(recovered.out, original.out);
  const auto catalogue = RunCli({"catalogue", Folder()});
  EXPECT_EQ(catalogue.status, 0) << catalogue.err;
  EXPECT_NE(catalogue.out.find("table\tlossless\tnumbers_myisam\tMyISAM\tsdi-file\t" + Folder() +
                               "/lossless/numbers_myisam_1085.sdi\n"),
            std::string::npos)
      << catalogue.out;
  const auto structure = RunCli({"structure", Folder(), "lossless", "numbers_myisam"});
  EXPECT_EQ(structure.status, 0) << structure.err;
  EXPECT_NE(structure.err.find("definition file (.sdi)"), std::string::npos) << structure.err;
}

// The Open dialog names statement files too; the catalogue, which runs the
// window's scan, lists the table they define, and tells the one no
// definition is known for.
TEST_F(LostDefinition, TheOpenScanTakesTheStatementFilesOfItsDialog) {
  Copy("numbers_dynamic.ibd");
  Copy("binaries_compact.ibd");
  const auto result = RunCli({"catalogue", Folder(), "--definition", Statement("numbers_dynamic")});
  EXPECT_EQ(result.status, 1) << result.err;
  EXPECT_NE(result.out.find("table\tlossless\tnumbers_dynamic\tInnoDB\tstatement\t" +
                            Statement("numbers_dynamic") + "\n"),
            std::string::npos)
      << result.out;
  EXPECT_EQ(result.err.find("numbers_dynamic"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("the table binaries_compact has no definition file (.frm)"),
            std::string::npos)
      << result.err;

  const auto usage = RunCli({"catalogue", Folder(), "--definition"});
  EXPECT_EQ(usage.status, 2);
  const auto missing = RunCli({"catalogue", Folder(), "--definition", Folder() + "/none.sql"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("none.sql"), std::string::npos) << missing.err;
}

}  // namespace
}  // namespace rowmender
