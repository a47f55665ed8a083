// The definitions a MySQL 8 tablespace carries (SDI): found in the real
// sakila files, turned into table definitions, and what happens when they
// are damaged or not what they should be.
#include "definitions/sdi_definition.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/data_file.h"
#include "catalogue/data_folder_scan.h"
#include "catalogue/table_locator.h"
#include "innodb/page.h"
#include "innodb/sdi.h"
#include "support/table_reads.h"
#include "support/test_paths.h"

namespace rowmender {
namespace {

std::string SakilaFolder() {
  return testing::Sakila8Folder() + "/sakila";
}

std::vector<std::uint8_t> FileBytes(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  EXPECT_TRUE(ReadWholeFile(path, bytes, 64u << 20)) << path;
  return bytes;
}

std::string FilmJson() {
  const std::vector<std::uint8_t> bytes = FileBytes(SakilaFolder() + "/film.ibd");
  const SdiContents sdi = ReadSdi(MemoryPageSource(bytes));
  for (const SdiObject& object : sdi.objects) {
    if (object.type == kSdiTypeTable) return object.json;
  }
  return {};
}

void ReplaceFirst(std::string& text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  ASSERT_NE(at, std::string::npos) << from;
  text.replace(at, from.size(), to);
}

TEST(SdiDefinition, TheFilmTablespaceCarriesTheTableAndTheTablespace) {
  const std::vector<std::uint8_t> bytes = FileBytes(SakilaFolder() + "/film.ibd");
  const SdiContents sdi = ReadSdi(MemoryPageSource(bytes));
  EXPECT_TRUE(sdi.flagged);
  EXPECT_EQ(sdi.rootPage, 3u);
  EXPECT_TRUE(sdi.problems.empty());
  ASSERT_EQ(sdi.objects.size(), 2u);
  EXPECT_EQ(sdi.objects[0].type, kSdiTypeTable);
  EXPECT_EQ(sdi.objects[0].id, 370u);
  EXPECT_EQ(sdi.objects[0].json.size(), 17829u);
  EXPECT_EQ(sdi.objects[1].type, kSdiTypeTablespace);
  EXPECT_NE(sdi.objects[1].json.find("\"sakila/film\""), std::string::npos);
}

TEST(SdiDefinition, FilmColumnsKeysAndClusteredIndexAreReadExactly) {
  SdiTable table;
  const Status status = ParseSdiTable(FilmJson(), table);
  ASSERT_TRUE(status.ok()) << status.message();
  EXPECT_EQ(table.schema, "sakila");
  EXPECT_EQ(table.name, "film");
  EXPECT_EQ(table.serverVersion, 80040u);
  EXPECT_FALSE(table.alteredInPlace);
  const TableDefinition& film = table.definition;
  EXPECT_EQ(film.origin, DefinitionOrigin::kTablespaceSdi);
  EXPECT_EQ(film.storageEngine, kEngineInnoDb);
  EXPECT_EQ(film.rowType, kRowTypeDynamic);
  EXPECT_EQ(film.tableCharsetId, 255u);
  EXPECT_EQ(film.clusteredRootPage, 4u);
  EXPECT_EQ(film.clusteredIndexId, 167u);

  struct Expected {
    const char* name;
    std::uint32_t typeCode;
    std::uint32_t length;
    bool nullable;
    bool isSigned;
    std::uint32_t charsetId;
  };
  const Expected kColumns[] = {
      {"film_id", kTypeShort, 5, false, false, kBinaryCharset},
      {"title", kTypeVarchar, 512, false, false, 255},
      {"description", kTypeBlob, 65535, true, false, 255},
      {"release_year", kTypeYear, 4, true, false, kBinaryCharset},
      {"language_id", kTypeTiny, 3, false, false, kBinaryCharset},
      {"original_language_id", kTypeTiny, 3, true, false, kBinaryCharset},
      {"rental_duration", kTypeTiny, 3, false, false, kBinaryCharset},
      {"rental_rate", kTypeNewDecimal, 6, false, true, kBinaryCharset},
      {"length", kTypeShort, 5, true, false, kBinaryCharset},
      {"replacement_cost", kTypeNewDecimal, 7, false, true, kBinaryCharset},
      {"rating", kTypeEnum, 20, true, false, 255},
      {"special_features", kTypeSet, 216, true, false, 255},
      {"last_update", kTypeTimestamp2, 19, false, false, kBinaryCharset},
  };
  ASSERT_EQ(film.columns.size(), std::size(kColumns));
  for (std::size_t i = 0; i < film.columns.size(); ++i) {
    const ColumnDefinition& column = film.columns[i];
    const Expected& expected = kColumns[i];
    SCOPED_TRACE(expected.name);
    EXPECT_EQ(column.name, expected.name);
    EXPECT_EQ(column.ordinal, static_cast<std::int32_t>(i));
    EXPECT_EQ(column.typeCode, expected.typeCode);
    EXPECT_EQ(column.length, expected.length);
    EXPECT_EQ(column.nullable, expected.nullable);
    EXPECT_EQ(column.IsSigned(), expected.isSigned);
    EXPECT_EQ(column.charsetId, expected.charsetId);
  }
  EXPECT_EQ(film.columns[7].precision, 4);
  EXPECT_EQ(film.columns[7].scale, 2);
  EXPECT_EQ(film.columns[10].values, (std::vector<std::string>{"G", "PG", "PG-13", "R", "NC-17"}));
  EXPECT_EQ(film.columns[11].valueList,
            "'Trailers','Commentaries','Deleted Scenes','Behind the Scenes'");
  EXPECT_TRUE(film.columns[0].inPrimaryKey);

  ASSERT_EQ(film.keys.size(), 4u);
  EXPECT_TRUE(film.keys[0].IsPrimary());
  EXPECT_TRUE(film.keys[0].unique);
  ASSERT_EQ(film.keys[0].parts.size(), 1u);
  EXPECT_EQ(film.keys[0].parts[0].columnNumber, 1u);
  EXPECT_EQ(film.keys[0].parts[0].length, 2u);
  EXPECT_EQ(film.keys[1].name, "idx_title");
  EXPECT_FALSE(film.keys[1].unique);
  ASSERT_EQ(film.keys[1].parts.size(), 1u);
  EXPECT_EQ(film.keys[1].parts[0].columnNumber, 2u);
  EXPECT_EQ(film.keys[1].parts[0].length, 512u);
}

// A definition that cannot be used says why; one of a table altered in
// place is told apart, since its records carry several column layouts.
TEST(SdiDefinition, DocumentsThatCannotBeUsedSayWhy) {
  const std::string film = FilmJson();
  ASSERT_FALSE(film.empty());
  struct Case {
    const char* what;
    std::string from;
    std::string to;
    std::string message;
  };
  const Case kCases[] = {
      {"not JSON", "{", "[x", "not a JSON document"},
      {"a tablespace's", "\"dd_object_type\":\"Table\"", "\"dd_object_type\":\"Tablespace\"",
       "does not describe a table"},
      {"unknown type", "\"type\":3,", "\"type\":99,", "column film_id: unknown type number 99"},
      {"no columns", "\"columns\":", "\"kolumns\":", "\"columns\" is missing or not a list"},
      {"index names no column", "\"column_opx\":0", "\"column_opx\":400",
       "index PRIMARY names a column (400)"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    std::string json = film;
    ReplaceFirst(json, c.from, c.to);
    SdiTable table;
    const Status status = ParseSdiTable(json, table);
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.message().find(c.message), std::string::npos) << status.message();
  }

  std::string instant = film;
  ReplaceFirst(instant, "\"autoinc=0;version=0;\"", "\"autoinc=0;instant_col=12;version=0;\"");
  SdiTable table;
  ASSERT_TRUE(ParseSdiTable(instant, table).ok());
  EXPECT_TRUE(table.alteredInPlace);
}

// Without its SDI the table is listed with the reason and not read; with
// a large-object page lost the value ends where the page is lost.
TEST(SdiDefinition, DamagedTablespacesAreToldNotShownEmpty) {
  testing::ScratchFolder scratch;
  std::vector<std::uint8_t> film = FileBytes(SakilaFolder() + "/film.ibd");
  std::fill(film.begin() + 3 * kInnoPageSize, film.begin() + 4 * kInnoPageSize, 0);
  scratch.Write("db/film.ibd", film);
  std::vector<std::uint8_t> staff = FileBytes(SakilaFolder() + "/staff.ibd");
  std::fill(staff.begin() + 8 * kInnoPageSize, staff.begin() + 9 * kInnoPageSize, 0);
  scratch.Write("db/staff.ibd", staff);
  const std::string folder = (scratch.Path() / "db").string();

  std::vector<std::string> problems;
  const std::vector<CatalogueFile> files = ListCatalogueFiles(folder, problems);
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0].fileName, "film.ibd");
  EXPECT_EQ(files[0].origin, DefinitionOrigin::kTablespaceSdi);
  EXPECT_NE(files[0].problem.find("carries no definition"), std::string::npos) << files[0].problem;
  EXPECT_TRUE(files[1].problem.empty()) << files[1].problem;

  const TableLookup lookup = LocateTable(scratch.Path().string(), "db", "film");
  EXPECT_FALSE(lookup.location);
  EXPECT_NE(lookup.error.find("has no definition file (.frm)"), std::string::npos) << lookup.error;

  ReadOptions options;
  options.collations = &testing::ServerCollations();
  std::unique_ptr<TableSource> source;
  const TableLookup staffLookup = LocateTable(scratch.Path().string(), "db", "staff");
  ASSERT_TRUE(staffLookup.location) << staffLookup.error;
  ASSERT_TRUE(TableSource::Open(staffLookup.location->Files(), options, source).ok());
  const testing::ReadOut read = testing::ReadWhole(*source);
  ASSERT_EQ(read.rows.size(), 2u);
  // The picture ends where its second page is lost: the first page's
  // 15,680 bytes are all that is left.
  const std::string& row = read.rows.front();
  const std::size_t start = row.find("X'");
  ASSERT_NE(start, std::string::npos);
  EXPECT_EQ(row.find('\'', start + 2) - start - 2, 2u * 15680);
}

// A .frm beside a tablespace that carries its own definition: where the
// two name other columns, the read says so (the .frm's are used).
TEST(SdiDefinition, AFrmThatDisagreesWithTheTablespaceIsTold) {
  testing::ScratchFolder scratch;
  const std::string old = testing::SakilaFolder() + "/sakila/";
  scratch.Write("db/actor.frm", FileBytes(old + "actor.frm"));
  scratch.Write("db/actor.ibd", FileBytes(SakilaFolder() + "/actor.ibd"));
  scratch.Write("db/city.frm", FileBytes(old + "city.frm"));
  scratch.Write("db/city.ibd", FileBytes(SakilaFolder() + "/actor.ibd"));
  ReadOptions options;
  options.collations = &testing::ServerCollations();
  options.readMismatchedFiles = true;
  for (const char* table : {"actor", "city"}) {
    SCOPED_TRACE(table);
    const TableLookup lookup = LocateTable(scratch.Path().string(), "db", table);
    ASSERT_TRUE(lookup.location) << lookup.error;
    EXPECT_EQ(lookup.location->origin, DefinitionOrigin::kDefinitionFile);
    std::unique_ptr<TableSource> source;
    (void)TableSource::Open(lookup.location->Files(), options, source);
    ASSERT_TRUE(source);
    std::string notes;
    for (const std::string& note : source->Notes())
      notes += note + "\n";
    const bool disagree = std::string(table) == "city";
    EXPECT_EQ(notes.find("disagree: the .frm's columns are city_id, city, country_id, "
                         "last_update; the tablespace's are actor_id, first_name, last_name, "
                         "last_update") != std::string::npos,
              disagree)
        << notes;
  }
}

}  // namespace
}  // namespace rowmender
