// Tables of MariaDB's later definition format (version 11) and of its
// extra segments, written by a real server: testdata/frm-extras, unpacked
// into frm-extras-datadir. Generated columns, DEFAULT expressions, CHECK
// constraints, JSON, INVISIBLE columns, UUID/INET6/INET4 and a
// system-versioned table read as the server answered, in InnoDB, MyISAM and
// Aria; their definitions keep what the server wrote, and a save writes it
// back.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "definitions/frm_reader.h"
#include "export/save/table_ddl.h"
#include "support/table_reads.h"
#include "support/test_paths.h"
#include "support/truth_files.h"
#include "tables/system_tablespace.h"
#include "tables/table_source.h"
#include "values/inet_values.h"
#include "values/uuid_values.h"
#include "values/value_texts.h"

namespace rowmender {
namespace {

using Rows = std::vector<std::vector<std::string>>;

std::string TruthFile(const std::string& table, const char* kind) {
  return testing::FrmExtrasTruth() + "/" + table + "." + kind;
}

TableFiles FilesOf(const std::string& database, const std::string& table) {
  const std::string folder = testing::FrmExtrasFolder() + "/" + database;
  return {folder + "/" + table + ".frm", folder, table};
}

const SystemTablespace& Dictionary() {
  static const std::unique_ptr<SystemTablespace> system = [] {
    std::unique_ptr<SystemTablespace> out;
    const Status status = SystemTablespace::Open(testing::FrmExtrasFolder() + "/ibdata1",
                                                 &testing::ServerCollations(), out);
    EXPECT_TRUE(status.ok()) << status.message();
    return out;
  }();
  return *system;
}

struct Case {
  std::string database;
  std::string table;
  bool dictionary = false;  // InnoDB: the columns typed by the data dictionary
};

[[maybe_unused]] void PrintTo(const Case& c, std::ostream* out) {
  *out << c.database << "." << c.table << (c.dictionary ? " with the dictionary" : "");
}

struct Read {
  Rows rows;  // in save forms, virtual columns left out
  Rows deleted;
  std::vector<bool> history;
  ReadReport report;
};

// Every row of the table in save forms. A VIRTUAL column is computed by
// the server and stored nowhere: it is left out of the comparison.
Read ReadAll(const TableSource& source) {
  Read out;
  const ValueOptions options(ValueForm::kSave, &testing::ServerCollations());
  const std::unique_ptr<TableCursor> cursor = ReadPartsInTurn(source.SplitScan());
  const TableDefinition& table = source.Definition();
  RowBuffer row;
  while (cursor->Next(row)) {
    const DecodedRow texts = RowTexts(row, cursor->Formats(), options);
    std::vector<std::string> values;
    for (std::size_t i = 0; i < texts.values.size(); ++i) {
      if (!table.columns[i].isVirtual) values.push_back(texts.values[i]);
    }
    if (texts.deleted) {
      out.deleted.push_back(values);
    } else {
      out.rows.push_back(values);
      out.history.push_back(texts.history);
    }
  }
  out.report.Add(cursor->Report());
  return out;
}

class FrmExtrasTable : public ::testing::TestWithParam<Case> {};

// The rows are the server's (its text of them, every column named, the
// INVISIBLE ones and row start and end too), nothing is reported lost.
TEST_P(FrmExtrasTable, ReadsAsTheServerAnswered) {
  const Case& c = GetParam();
  ReadOptions options;
  options.collations = &testing::ServerCollations();
  options.systemTablespace = c.dictionary ? &Dictionary() : nullptr;
  std::unique_ptr<TableSource> source;
  const Status status = TableSource::Open(FilesOf(c.database, c.table), options, source);
  ASSERT_TRUE(status.ok()) << status.message();
  const Read read = ReadAll(*source);
  EXPECT_TRUE(read.report.Complete());
  EXPECT_TRUE(read.deleted.empty());

  const testing::TsvTable truth = testing::ReadBatchTsv(TruthFile(c.table, "rows.tsv"));
  const TableDefinition& table = source->Definition();
  std::vector<int> kept;  // the truth's columns a record stores
  for (const ColumnDefinition& column : table.columns) {
    const int at = truth.Column(column.name);
    ASSERT_GE(at, 0) << column.name;
    if (!column.isVirtual) kept.push_back(at);
  }
  Rows expected;
  for (const std::vector<std::string>& row : truth.rows) {
    std::vector<std::string> values;
    for (const int at : kept)
      values.push_back(row[static_cast<std::size_t>(at)]);
    expected.push_back(values);
  }
  Rows got = read.rows;
  std::sort(got.begin(), got.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(got, expected);
}

std::vector<Case> AllCases() {
  std::vector<Case> cases;
  for (const char* table : {"gen_inno", "gen_myisam", "gen_aria", "types_inno", "types_myisam",
                            "types_aria", "versioned"}) {
    cases.push_back({"extras", table, false});
  }
  for (const char* table : {"gen_inno", "types_inno", "versioned"})
    cases.push_back({"extras", table, true});
  cases.push_back({"mysql", "global_priv", false});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(AllTables, FrmExtrasTable, ::testing::ValuesIn(AllCases()),
                         [](const ::testing::TestParamInfo<Case>& param) {
                           return param.param.table + (param.param.dictionary ? "_dictionary" : "");
                         });

TableDefinition DefinitionOf(const std::string& database, const std::string& table) {
  TableDefinition out;
  const Status status = ReadDefinitionFile(FilesOf(database, table).definitionPath, out);
  EXPECT_TRUE(status.ok()) << status.message();
  return out;
}

const ColumnDefinition& Named(const TableDefinition& table, const std::string& name) {
  for (const ColumnDefinition& column : table.columns) {
    if (column.name == name) return column;
  }
  static const ColumnDefinition none;
  ADD_FAILURE() << "no column " << name;
  return none;
}

// The later format's expressions and the extra segment's flags land on
// the definition.
TEST(FrmExtrasDefinition, KeepsExpressionsChecksAndInvisibleColumns) {
  for (const char* name : {"gen_inno", "gen_myisam", "gen_aria"}) {
    SCOPED_TRACE(name);
    const TableDefinition table = DefinitionOf("extras", name);
    EXPECT_EQ(table.formatVersion, 11);
    const ColumnDefinition& sum = Named(table, "v_sum");
    EXPECT_TRUE(sum.isVirtual);
    EXPECT_EQ(sum.generationExpression, "`a` * 2 + `id`");
    const ColumnDefinition& upper = Named(table, "s_up");
    EXPECT_FALSE(upper.isVirtual);
    EXPECT_EQ(upper.generationExpression, "concat(ucase(`b`),'!')");
    EXPECT_EQ(Named(table, "created").defaultExpression,
              "TIMESTAMP'2020-01-02 03:04:05' + interval 1 day");
    EXPECT_EQ(Named(table, "qty").defaultExpression, "1 + 2");
    EXPECT_EQ(Named(table, "qty").checkExpression, "`qty` >= 0");
    EXPECT_EQ(Named(table, "doc").checkExpression, "json_valid(`doc`)");
    EXPECT_TRUE(Named(table, "secret").invisible);
    EXPECT_FALSE(Named(table, "tail").invisible);
    ASSERT_EQ(table.checks.size(), 1u);
    EXPECT_EQ(table.checks[0].name, "a_below");
    EXPECT_EQ(table.checks[0].expression, "`a` < 100000");
  }
  const TableDefinition types = DefinitionOf("extras", "types_inno");
  EXPECT_EQ(Named(types, "u").typeName, "uuid");
  EXPECT_EQ(Named(types, "ip6").typeName, "inet6");
  EXPECT_EQ(Named(types, "ip4").typeName, "inet4");

  const TableDefinition versioned = DefinitionOf("extras", "versioned");
  ASSERT_TRUE(versioned.SystemVersioned());
  ASSERT_EQ(versioned.columns.size(), 5u);
  EXPECT_EQ(versioned.columns[3].name, "row_start");
  EXPECT_EQ(versioned.columns[3].periodEdge, RowPeriodEdge::kRowStart);
  EXPECT_EQ(versioned.columns[4].periodEdge, RowPeriodEdge::kRowEnd);
  EXPECT_TRUE(versioned.columns[4].invisible);
  EXPECT_TRUE(versioned.columns[4].addedByServer);
  EXPECT_FALSE(Named(DefinitionOf("extras", "gen_inno"), "secret").addedByServer);
}

// A save writes the clauses back, so the table reloads as it was.
TEST(FrmExtrasDefinition, SaveWritesTheClausesBack) {
  const CollationTable& collations = testing::ServerCollations();
  const std::string gen = CreateTableStatement("gen_inno", DefinitionOf("extras", "gen_inno"),
                                               collations, TableKeys::kPrimaryAndUnique);
  for (const char* clause : {"`v_sum` int(11) GENERATED ALWAYS AS (`a` * 2 + `id`) VIRTUAL",
                             "GENERATED ALWAYS AS (concat(ucase(`b`),'!')) STORED",
                             "DEFAULT (TIMESTAMP'2020-01-02 03:04:05' + interval 1 day)",
                             "DEFAULT (1 + 2) CHECK (`qty` >= 0)", "CHECK (json_valid(`doc`))",
                             " INVISIBLE", "CONSTRAINT `a_below` CHECK (`a` < 100000)"}) {
    EXPECT_NE(gen.find(clause), std::string::npos) << clause << "\n" << gen;
  }
  const std::string types = CreateTableStatement("types_inno", DefinitionOf("extras", "types_inno"),
                                                 collations, TableKeys::kPrimaryAndUnique);
  for (const char* clause :
       {"`u` uuid NULL", "`ip6` inet6 NULL", "`ip4` inet4 NULL", "`u_nn` uuid NOT NULL"}) {
    EXPECT_NE(types.find(clause), std::string::npos) << clause << "\n" << types;
  }
  const std::string versioned = CreateTableStatement(
      "versioned", DefinitionOf("extras", "versioned"), collations, TableKeys::kPrimaryAndUnique);
  // Its row start and row end were added by the server, which adds them
  // again (and puts the row end in the primary key).
  for (const char* clause :
       {"PRIMARY KEY (`id`)\n", ") ENGINE=InnoDB", " WITH SYSTEM VERSIONING"}) {
    EXPECT_NE(versioned.find(clause), std::string::npos) << clause << "\n" << versioned;
  }
  EXPECT_EQ(versioned.find("row_"), std::string::npos) << versioned;
  // Declared by the user, they are written with the period.
  TableDefinition declared = DefinitionOf("extras", "versioned");
  for (ColumnDefinition& column : declared.columns)
    column.addedByServer = false;
  const std::string explicitly =
      CreateTableStatement("versioned", declared, collations, TableKeys::kPrimaryAndUnique);
  for (const char* clause : {"`row_start` timestamp(6) GENERATED ALWAYS AS ROW START INVISIBLE",
                             "`row_end` timestamp(6) GENERATED ALWAYS AS ROW END INVISIBLE",
                             "PERIOD FOR SYSTEM_TIME (`row_start`, `row_end`)"}) {
    EXPECT_NE(explicitly.find(clause), std::string::npos) << clause << "\n" << explicitly;
  }
}

// History rows are told from current ones by their row end.
TEST(FrmExtrasVersioning, HistoryRowsAreFlagged) {
  ReadOptions options;
  options.collations = &testing::ServerCollations();
  std::unique_ptr<TableSource> source;
  ASSERT_TRUE(TableSource::Open(FilesOf("extras", "versioned"), options, source).ok());
  const Read read = ReadAll(*source);
  const testing::TsvTable truth = testing::ReadBatchTsv(TruthFile("versioned", "rows.tsv"));
  std::size_t history = 0;
  for (std::size_t r = 0; r < truth.rows.size(); ++r)
    history += truth.Cell(r, "row_end") != "2038-01-19 03:14:07.999999" ? 1 : 0;
  ASSERT_GT(history, 0u);
  ASSERT_EQ(read.rows.size(), read.history.size());
  for (std::size_t r = 0; r < read.rows.size(); ++r) {
    EXPECT_EQ(read.history[r], read.rows[r].back() != "2038-01-19 03:14:07.999999")
        << read.rows[r][0];
  }
  EXPECT_EQ(static_cast<std::size_t>(std::count(read.history.begin(), read.history.end(), true)),
            history);
}

// The command line flags the history rows beside the deleted ones.
TEST(FrmExtrasVersioning, RowsCommandFlagsHistoryRows) {
  const testing::CliResult result =
      testing::RunCli({"rows", testing::FrmExtrasFolder(), "extras", "versioned", "--all",
                       "--deleted-flag", "--save-forms"});
  ASSERT_EQ(result.status, 0) << result.err;
  std::istringstream out(result.out);
  std::string header;
  std::getline(out, header);
  EXPECT_EQ(header, "deleted\thistory\tid\tname\tn\trow_start\trow_end");
  std::size_t history = 0;
  for (std::string line; std::getline(out, line);) {
    const bool current = line.ends_with("2038-01-19 03:14:07.999999");
    EXPECT_TRUE(line.starts_with(current ? "0\t0\t" : "0\t1\t")) << line;
    history += current ? 0 : 1;
  }
  // Updates and deletes at three clock times left eleven.
  EXPECT_EQ(history, 11u);
}

// The server's text of UUID and INET6 values it did not write here.
TEST(PluginTypeValues, TextsAsTheServerPrintsThem) {
  struct Inet6Case {
    std::vector<std::uint8_t> bytes;
    const char* text;
  };
  const auto v6 = [](std::initializer_list<int> groups) {
    std::vector<std::uint8_t> out;
    for (const int group : groups) {
      out.push_back(static_cast<std::uint8_t>(group >> 8));
      out.push_back(static_cast<std::uint8_t>(group & 0xFF));
    }
    return out;
  };
  const std::vector<Inet6Case> cases{
      {v6({0, 0, 0, 0, 0, 0, 0, 0}), "::"},
      {v6({0, 0, 0, 0, 0, 0, 0, 1}), "::1"},
      {v6({0, 0, 0, 0, 0, 0, 0x0102, 0x0304}), "::1.2.3.4"},
      {v6({0, 0, 0, 0, 0, 0xFFFF, 0x0A00, 0x0001}), "::ffff:10.0.0.1"},
      {v6({0, 0, 0, 0, 1, 0xFFFF, 0x0A00, 0x0001}), "::1:ffff:a00:1"},
      {v6({0x2001, 0xDB8, 0, 0, 1, 0, 0, 1}), "2001:db8::1:0:0:1"},
      {v6({0x2001, 0xDB8, 0, 0, 0, 0, 0, 0}), "2001:db8::"},
      {v6({1, 0, 2, 3, 4, 5, 6, 7}), "1::2:3:4:5:6:7"},
  };
  for (const Inet6Case& c : cases) {
    std::string text;
    EXPECT_TRUE(AppendInet6Text(text, c.bytes));
    EXPECT_EQ(text, c.text);
  }
  std::string wrong;
  EXPECT_FALSE(AppendInet6Text(wrong, std::vector<std::uint8_t>(15)));
  EXPECT_FALSE(AppendInet4Text(wrong, std::vector<std::uint8_t>(5)));
  EXPECT_FALSE(AppendUuidText(wrong, std::vector<std::uint8_t>(17)));
  EXPECT_EQ(wrong, "");
}

// A definition whose extra segment has an entry the table cannot be read
// without, of a type no server this reader knows writes, is refused with
// the reason; one that may be passed over is.
TEST(FrmExtrasDefinition, UnknownRequiredEntryIsRefusedWithItsReason) {
  const std::string path = FilesOf("extras", "gen_myisam").definitionPath;
  std::vector<std::uint8_t> bytes;
  {
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  ASSERT_GT(bytes.size(), 70u);
  ASSERT_NE(bytes[64], '/');
  // The first entry (the table's version id) becomes one of an unknown
  // required type, then of an unknown optional one.
  TableDefinition table;
  DefinitionProgress progress;
  bytes[64] = 200;
  EXPECT_EQ(ParseTableDefinition(bytes, table, progress), DefinitionStatus::kUnsupported);
  EXPECT_NE(progress.problem.find("200"), std::string::npos) << progress.problem;
  bytes[64] = 90;
  EXPECT_EQ(ParseTableDefinition(bytes, table, progress), DefinitionStatus::kRead);
  // An entry that runs past the segment is damage.
  bytes[65] = 0xFF;
  EXPECT_EQ(ParseTableDefinition(bytes, table, progress), DefinitionStatus::kCorrupt);
}

}  // namespace
}  // namespace rowmender
