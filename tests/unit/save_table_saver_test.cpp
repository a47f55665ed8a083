#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "export/save/save_target.h"
#include "export/save/table_saver.h"
#include "support/test_paths.h"

namespace rowmender {
namespace {

// A table's rows handed out as given: the first column an INT, the others
// text ("NULL" is NULL).
class FakeRows : public SaveRowSource {
 public:
  bool Open(const SaveObject& object, std::string& error) override {
    opened.push_back(object.name);
    if (object.name == "unreadable") {
      error = "damaged table definition";
      return false;
    }
    return true;
  }
  const TableDefinition& Definition() const override { return table; }
  std::unique_ptr<ScanParts> Parts() override {
    return SinglePart(std::make_unique<Cursor>(table, pages));
  }

  TableDefinition table;
  std::vector<std::vector<DecodedRow>> pages;
  std::vector<std::string> opened;

 private:
  class Cursor final : public TableCursor {
   public:
    Cursor(const TableDefinition& table, const std::vector<std::vector<DecodedRow>>& pages)
        : formats_(table, nullptr), pages_(pages) {}
    bool Next(RowBuffer& out) override {
      while (page_ < pages_.size() && row_ >= pages_[page_].size()) {
        ++page_;
        row_ = 0;
      }
      if (page_ >= pages_.size()) return false;
      const DecodedRow& row = pages_[page_][row_++];
      out.Reset(row.values.size());
      out.deleted = row.deleted;
      for (std::size_t i = 0; i < row.values.size(); ++i) {
        const std::string& text = row.values[i];
        if (text == "NULL") {
          out.cells[i].SetNull();
        } else if (i == 0) {
          out.cells[i].SetSigned(std::stoll(text));
        } else {
          out.cells[i].SetBytes(
              CellKind::kText,
              ByteView(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
        }
      }
      return true;
    }
    PageStart Position() const override { return PageStart{page_, row_}; }
    void Seek(const PageStart&) override {}
    const TableFormat& Formats() const override { return formats_; }
    const ReadReport& Report() const override { return report_; }

   private:
    TableFormat formats_;
    const std::vector<std::vector<DecodedRow>>& pages_;
    std::size_t page_ = 0;
    std::size_t row_ = 0;
    ReadReport report_;
  };
};

// Records every statement; fails those that contain one of `refuse`, and
// every statement once `dead` is set.
class FakeServer : public ServerConnection {
 public:
  bool Execute(const std::string& statement, std::string& error) override {
    statements.push_back(statement);
    if (dead) {
      error = "Lost connection to server during query";
      return false;
    }
    for (const std::string& word : refuse) {
      if (statement.find(word) != std::string::npos) {
        error = "Duplicate entry '" + word + "'";
        return false;
      }
    }
    if (dieAfter > 0 && --dieAfter == 0) dead = true;
    return true;
  }

  std::vector<std::string> Matching(const std::string& start) const {
    std::vector<std::string> found;
    for (const auto& s : statements) {
      if (s.rfind(start, 0) == 0) found.push_back(s);
    }
    return found;
  }

  std::vector<std::string> statements;
  std::vector<std::string> refuse;
  bool dead = false;
  int dieAfter = 0;
};

ColumnDefinition Column(const std::string& name, std::uint32_t type, bool nullable) {
  ColumnDefinition column;
  column.name = name;
  column.typeCode = type;
  column.length = 40;
  column.charsetId = 45;
  column.nullable = nullable;
  column.packFlags = type == kTypeLong ? kPackSigned : 0;
  return column;
}

DecodedRow Row(const std::string& id, const std::string& text, bool deleted = false) {
  return DecodedRow{{id, text}, deleted};
}

SaveObject Table(const std::string& name) {
  SaveObject object;
  object.kind = SaveObjectKind::kTable;
  object.databaseName = "db";
  object.name = name;
  return object;
}

class TableSaverTest : public ::testing::Test {
 protected:
  TableSaverTest() {
    rows.table.columns = {Column("id", kTypeLong, false), Column("text", kTypeVarchar, true)};
    rows.table.storageEngine = kEngineInnoDb;
    KeyDefinition primary;
    primary.name = "PRIMARY";
    primary.unique = true;
    primary.parts = {KeyPart{1, 0, 4}};
    rows.table.keys = {primary};
  }

  SaveSummary Save(std::vector<SaveObject> objects, SaveOptions options = {}) {
    TableSaver saver(target, rows, options);
    saver.report = [&](const std::string& line) { lines.push_back(line); };
    saver.progress = [&](const SaveProgress& p) { progress.push_back(p.rows); };
    if (stopAfter >= 0) saver.keepGoing = [&] { return stopAfter-- > 0; };
    return saver.Run(std::move(objects));
  }

  FakeRows rows;
  FakeServer server;
  ServerTarget target{server};
  std::vector<std::string> lines;
  std::vector<std::uint64_t> progress;
  int stopAfter = -1;
};

TEST_F(TableSaverTest, LiveRowsInOneTransactionThenDeletedRowsInTheCompanion) {
  rows.pages = {{Row("1", "a"), Row("2", "old", true), Row("3", "c")}, {Row("2", "b")}};
  const SaveSummary summary = Save({Table("t")});
  EXPECT_TRUE(summary.Complete());
  EXPECT_EQ(summary.rows, 3u);
  EXPECT_EQ(summary.deletedRows, 1u);
  EXPECT_EQ(lines, std::vector<std::string>{
                       "`db`.`t`: 3 rows saved, 1 deleted rows saved in `t__deleted`."});
  std::vector<std::string> order;
  for (const auto& s : server.statements) {
    if (s.rfind("SET", 0) != 0) order.push_back(s.substr(0, s.find('\n')));
  }
  EXPECT_EQ(order, (std::vector<std::string>{
                       "CREATE DATABASE IF NOT EXISTS `db`",
                       "USE `db`",
                       "CREATE TABLE IF NOT EXISTS `t` (",
                       "START TRANSACTION",
                       "INSERT INTO `t` (`id`,`text`) VALUES (1,'a'),(3,'c'),(2,'b')",
                       "COMMIT",
                       "CREATE TABLE IF NOT EXISTS `t__deleted` (",
                       "START TRANSACTION",
                       "INSERT INTO `t__deleted` (`id`,`text`) VALUES (2,'old')",
                       "COMMIT",
                   }));
  EXPECT_EQ(server.Matching("CREATE TABLE IF NOT EXISTS `t__deleted`")[0].find("PRIMARY"),
            std::string::npos);
  // The session is set for the rows and put back afterwards.
  EXPECT_EQ(server.Matching("SET").size(), 3u);
  EXPECT_EQ(progress, (std::vector<std::uint64_t>{0, 4}));
}

TEST_F(TableSaverTest, ARefusedBatchIsRetriedRowByRow) {
  rows.pages = {{Row("1", "a"), Row("2", "dup"), Row("3", "c"), Row("4", "dup")}};
  server.refuse = {"'dup'"};
  const SaveSummary summary = Save({Table("t")});
  EXPECT_EQ(summary.rows, 2u);
  EXPECT_EQ(summary.failedRows, 2u);
  EXPECT_FALSE(summary.Complete());
  EXPECT_EQ(server.Matching("INSERT").size(), 5u);  // the batch, then each row
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "`db`.`t`: a row could not be saved: Duplicate entry ''dup''",
                       "`db`.`t`: a row could not be saved: Duplicate entry ''dup''",
                       "`db`.`t`: 2 rows saved. 2 rows could not be saved.",
                   }));
}

TEST_F(TableSaverTest, BatchesStayWithinTheirRowAndByteLimits) {
  std::vector<DecodedRow> page;
  for (int i = 0; i < 25; ++i)
    page.push_back(Row(std::to_string(i), std::string(30, 'x')));
  rows.pages = {page};
  SaveOptions options;
  options.batchRows = 10;
  options.batchBytes = 200;  // about four rows
  Save({Table("t")}, options);
  const auto inserts = server.Matching("INSERT");
  ASSERT_GE(inserts.size(), 7u);
  for (const auto& insert : inserts)
    EXPECT_LE(insert.size(), 200u + 60u) << insert;
  std::size_t total = 0;
  for (const auto& insert : inserts)
    total += std::count(insert.begin(), insert.end(), '(') - 1;
  EXPECT_EQ(total, 25u);
}

TEST_F(TableSaverTest, ALostConnectionEndsTheSave) {
  rows.pages = {{Row("1", "a")}};
  server.dieAfter = 5;  // dies during the first table
  const SaveSummary summary = Save({Table("t"), Table("u")});
  EXPECT_TRUE(summary.aborted);
  EXPECT_EQ(rows.opened, std::vector<std::string>{"t"});
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "The save was ended: Lost connection to server during query");
}

TEST_F(TableSaverTest, StopEndsBetweenPagesAndKeepsWhatWasRead) {
  rows.pages = {{Row("1", "a")}, {Row("2", "b")}, {Row("3", "c")}};
  stopAfter = 1;  // yes before the first table, no after its first row
  SaveOptions options;
  options.progressRows = 1;
  const SaveSummary summary = Save({Table("t"), Table("u")}, options);
  EXPECT_TRUE(summary.stopped);
  EXPECT_EQ(summary.rows, 1u);
  EXPECT_EQ(server.Matching("COMMIT").size(), 1u);
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "`db`.`t`: 1 rows saved. Stopped before the end of the table.",
                       "The save was stopped before its end."}));
}

TEST_F(TableSaverTest, UnreadableTablesAreReportedAndTheSaveGoesOn) {
  rows.pages = {{Row("1", "a")}};
  const SaveSummary summary = Save({Table("unreadable"), Table("t")});
  EXPECT_EQ(summary.failedObjects, 1u);
  EXPECT_EQ(summary.tables, 1u);
  EXPECT_EQ(lines.front(),
            "`db`.`unreadable`: the table could not be read: damaged table definition");
}

TEST_F(TableSaverTest, ATableTheServerRefusesIsCreatedPlain) {
  rows.pages = {{Row("1", "a")}};
  server.refuse = {"PRIMARY KEY"};
  const SaveSummary summary = Save({Table("t")});
  EXPECT_EQ(summary.rows, 1u);
  EXPECT_EQ(lines[1], "`db`.`t`: created without its keys and defaults.");
}

TEST_F(TableSaverTest, ViewsWaitForTheViewsTheyReadFrom) {
  testing::ScratchFolder scratch;
  // v_outer reads v_inner, but comes first by name.
  const std::string outer = scratch.Write(
      "db/v_a_outer.frm", std::string("TYPE=VIEW\nquery=select * from `v_b_inner`\n"));
  const std::string inner =
      scratch.Write("db/v_b_inner.frm", std::string("TYPE=VIEW\nquery=select 1 AS `x`\n"));
  SaveObject a = Table("v_a_outer");
  a.kind = SaveObjectKind::kView;
  a.path = outer;
  SaveObject b = Table("v_b_inner");
  b.kind = SaveObjectKind::kView;
  b.path = inner;
  // The fake server refuses the outer view until the inner one exists.
  struct OrderedServer : FakeServer {
    bool Execute(const std::string& statement, std::string& error) override {
      if (statement.find("VIEW `v_b_inner`") != std::string::npos) innerCreated = true;
      if (statement.find("VIEW `v_a_outer`") != std::string::npos && !innerCreated) {
        error = "Table 'db.v_b_inner' doesn't exist";
        return false;
      }
      return FakeServer::Execute(statement, error);
    }
    bool innerCreated = false;
  } ordered;
  ServerTarget orderedTarget(ordered);
  TableSaver saver(orderedTarget, rows, {});
  saver.report = [&](const std::string& line) { lines.push_back(line); };
  const SaveSummary summary = saver.Run({a, b});
  EXPECT_TRUE(summary.Complete());
  EXPECT_EQ(summary.views, 2u);
  EXPECT_EQ(lines, (std::vector<std::string>{"View `db`.`v_b_inner` saved.",
                                             "View `db`.`v_a_outer` saved."}));
}

TEST_F(TableSaverTest, TriggersFollowTheTablesAndReportEachStatement) {
  testing::ScratchFolder scratch;
  const std::string path = scratch.Write(
      "db/t.TRG",
      std::string("TYPE=TRIGGERS\ntriggers='CREATE DEFINER=`root`@`localhost` TRIGGER tr1 BEFORE "
                  "INSERT ON t FOR EACH ROW SET NEW.text = UPPER(NEW.text)'\n"));
  SaveObject triggers = Table("t");
  triggers.kind = SaveObjectKind::kTriggers;
  triggers.path = path;
  rows.pages = {{Row("1", "a")}};
  Save({triggers, Table("t")});
  ASSERT_GE(server.statements.size(), 2u);
  EXPECT_EQ(server.statements.back(),
            "CREATE TRIGGER tr1 BEFORE INSERT ON t FOR EACH ROW SET NEW.text = UPPER(NEW.text)");
  EXPECT_EQ(server.statements[server.statements.size() - 2], "USE `db`");
  EXPECT_EQ(lines.back(), "Trigger Created Successfully.");
}

}  // namespace
}  // namespace rowmender
