// "Previous Records" and "Next Records": the page-start queue at work, the
// captions, the buttons and the rows, on real tables of 999, 1000 and
// 2500+ rows.
#include <chrono>
#include <thread>

#include "app_scenario_support.h"

namespace rowmender::testing {
namespace {

std::string SampleFolder() {
  return SampleDataFolder() + "/";
}

// The column names of a table as the server lists them.
std::vector<std::string> TruthColumns(const std::string& database, const std::string& table) {
  const std::string rows =
      ReadText(SampleTruthFolder() + "/" + database + "/" + table + ".rows.tsv");
  std::vector<std::string> names(1);
  for (char c : rows.substr(0, rows.find('\n'))) {
    if (c == '\t') {
      names.emplace_back();
    } else {
      names.back().push_back(c);
    }
  }
  return names;
}

class AppPaging : public AppScenario {
 protected:
  void SetUp() override { OpenAndScan(SampleFolder()); }

  void Select(const std::string& database, const std::string& table) {
    ASSERT_EQ(ui.ClickLabel(frame, Node({database, "Tables", table})), 1);
  }

  // The row range of the status line, without the table's total (which a
  // worker thread counts meanwhile).
  std::string Range() const {
    const std::string& status = ui.rowStatus;
    return status.substr(0, std::min(status.find(" of "), status.find(" (")));
  }

  // The state after a step: the row range, queue, buttons.
  struct State {
    std::string range;
    std::size_t queue = 0;
    bool endsWithSentinel = false;
    bool previousEnabled = false;
    bool nextEnabled = false;
    std::size_t rows = 0;
    friend bool operator==(const State&, const State&) = default;
    friend std::ostream& operator<<(std::ostream& out, const State& s) {
      return out << "{" << s.range << ", queue " << s.queue << (s.endsWithSentinel ? "+end" : "")
                 << ", prev " << s.previousEnabled << ", next " << s.nextEnabled << ", rows "
                 << s.rows << "}";
    }
  };

  State Now() const {
    const auto& starts = frame.engine.pageStarts;
    return {Range(),
            starts.size(),
            !starts.empty() && starts.back().IsEnd(),
            ui.previousButton.enabled,
            ui.nextButton.enabled,
            ui.gridRows.size()};
  }

  std::vector<std::vector<std::string>> GridRows() const {
    std::vector<std::vector<std::string>> rows;
    for (const auto& row : ui.gridRows)
      rows.push_back(row.values);
    return rows;
  }

  std::size_t NoMoreRecordsMessages() const {
    return static_cast<std::size_t>(
        std::count(ui.messages.begin(), ui.messages.end(), "No more records in table"));
  }
};

TEST_F(AppPaging, TheQueueAtWorkOnATableOfMoreThan2500Rows) {
  Select("legacy", "kunden");  // 2593 rows
  const auto firstPage = GridRows();
  EXPECT_EQ(Now(), (State{"Rows 1–1,000", 2, false, false, true, 1000}));

  EXPECT_EQ(frame.OnNextRecords(), 1);
  EXPECT_EQ(Now(), (State{"Rows 1,001–2,000", 3, false, true, true, 1000}));
  const auto secondPage = GridRows();
  EXPECT_NE(secondPage, firstPage);

  frame.OnNextRecords();
  EXPECT_EQ(Now(), (State{"Rows 2,001–2,593", 4, true, true, false, 593}));
  EXPECT_EQ(NoMoreRecordsMessages(), 1u);

  frame.OnPreviousRecords();
  EXPECT_EQ(Now(), (State{"Rows 1,001–2,000", 3, false, true, true, 1000}));
  EXPECT_EQ(GridRows(), secondPage);

  frame.OnPreviousRecords();
  EXPECT_EQ(Now(), (State{"Rows 1–1,000", 2, false, false, true, 1000}));
  EXPECT_EQ(GridRows(), firstPage);
  EXPECT_EQ(frame.firstRowShown, 0);
  EXPECT_EQ(frame.lastRowShown, 1000);

  // And forward again from the first page, through the same queue.
  frame.OnNextRecords();
  EXPECT_EQ(Now(), (State{"Rows 1,001–2,000", 3, false, true, true, 1000}));
  EXPECT_EQ(GridRows(), secondPage);
  EXPECT_EQ(NoMoreRecordsMessages(), 1u);
}

TEST_F(AppPaging, ATableOfExactly1000Rows) {
  Select("legacy", "old_payments");
  EXPECT_EQ(Now(), (State{"Rows 1–1,000", 2, false, false, true, 1000}));
  frame.OnNextRecords();
  EXPECT_EQ(Now(), (State{"No rows after row 1,000", 3, true, true, false, 0}));
  EXPECT_EQ(NoMoreRecordsMessages(), 1u);
  frame.OnPreviousRecords();
  EXPECT_EQ(Now(), (State{"Rows 1–1,000", 2, false, false, true, 1000}));
}

TEST_F(AppPaging, ATableOf999RowsLeavesOnePageStartAndNextOnlyDisablesItself) {
  Select("legacy", "old_invoices");
  EXPECT_EQ(Now(), (State{"Rows 1–999", 1, false, false, true, 999}));
  const std::size_t messages = ui.messages.size();
  frame.OnNextRecords();
  EXPECT_EQ(Now(), (State{"Rows 1–999", 1, false, false, false, 999}));
  EXPECT_EQ(ui.messages.size(), messages);
}

TEST_F(AppPaging, NextAtTheEndShowsTheMessageAgainWithoutMovingAndPreviousStillReturns) {
  Select("legacy", "old_payments");
  frame.OnNextRecords();
  frame.OnNextRecords();  // the window would have Next disabled; the command holds anyway
  EXPECT_EQ(Now(), (State{"No rows after row 1,000", 3, true, true, false, 0}));
  EXPECT_EQ(NoMoreRecordsMessages(), 2u);
  frame.OnPreviousRecords();
  EXPECT_EQ(Now(), (State{"Rows 1–1,000", 2, false, false, true, 1000}));
}

TEST_F(AppPaging, ANewSelectionStartsTheQueueAfresh) {
  Select("legacy", "kunden");
  frame.OnNextRecords();
  frame.OnNextRecords();
  Select("legacy", "old_payments");
  EXPECT_EQ(Now(), (State{"Rows 1–1,000", 2, false, false, true, 1000}));
  EXPECT_EQ(frame.rowsLoaded, 1000);
  frame.OnNextRecords();
  EXPECT_EQ(ui.caption, "old_payments");
  EXPECT_EQ(Range(), "No rows after row 1,000");
}

TEST_F(AppPaging, PageCommandsWriteNothingToTheLog) {
  Select("legacy", "kunden");
  const std::string log = ReadText(LogPath());
  frame.OnNextRecords();
  frame.OnPreviousRecords();
  EXPECT_EQ(ReadText(LogPath()), log);
}

TEST_F(AppPaging, TheQueueAtWorkOnAnInnoDbTableWithTheDictionary) {
  Select("shop", "orders");  // 2594 live rows and 6 delete-marked ones
  const auto firstPage = GridRows();
  EXPECT_EQ(Now(), (State{"Rows 1–1,000", 2, false, false, true, 1000}));
  EXPECT_EQ(ui.gridColumns, TruthColumns("shop", "orders"));
  EXPECT_EQ(firstPage[0][0], "1");

  frame.OnNextRecords();
  EXPECT_EQ(Now(), (State{"Rows 1,001–2,000", 3, false, true, true, 1000}));
  const auto secondPage = GridRows();
  EXPECT_EQ(secondPage[0][0], "1001");

  frame.OnNextRecords();
  EXPECT_EQ(Now(), (State{"Rows 2,001–2,600", 4, true, true, false, 600}));
  EXPECT_EQ(NoMoreRecordsMessages(), 1u);

  frame.OnPreviousRecords();
  EXPECT_EQ(Now(), (State{"Rows 1,001–2,000", 3, false, true, true, 1000}));
  EXPECT_EQ(GridRows(), secondPage);
  frame.OnPreviousRecords();
  EXPECT_EQ(Now(), (State{"Rows 1–1,000", 2, false, false, true, 1000}));
  EXPECT_EQ(GridRows(), firstPage);
}

// The table's total is counted on a worker thread while the first page is
// on screen; the caption keeps the table's name.
TEST_F(AppPaging, TheRowStatusGivesTheRangeAndTheTablesTotal) {
  Select("shop", "orders");  // 2594 live rows and 6 delete-marked ones
  EXPECT_EQ(ui.caption, "orders");
  EXPECT_TRUE(frame.RowCountRunning() || frame.KnownRowTotal().has_value());
  for (int wait = 0; wait < 3000 && frame.RowCountRunning(); ++wait) {
    frame.OnIdle();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_TRUE(frame.KnownRowTotal().has_value());
  EXPECT_EQ(ui.rowStatus, "Rows 1–1,000 of 2,600 (6 deleted)");
  frame.OnNextRecords();
  EXPECT_EQ(ui.rowStatus, "Rows 1,001–2,000 of 2,600 (6 deleted)");
  EXPECT_EQ(ui.caption, "orders");

  // Another table forgets the total; a view has no rows to tell.
  Select("legacy", "old_invoices");  // 999 rows: one page is the whole table
  EXPECT_FALSE(frame.RowCountRunning());
  EXPECT_EQ(ui.rowStatus, "Rows 1–999 of 999");
  ASSERT_EQ(ui.ClickLabel(frame, Node({"shop", "Views", "v_order_overview"})), 1);
  EXPECT_EQ(ui.rowStatus, "");
}

// The row status line: the range on screen and the table's total.
TEST(RowRangeTexts, RangesTotalsAndEmptyPages) {
  const RowTotal total{16049, 0};
  const RowTotal withDeleted{2600, 6};
  EXPECT_EQ(RowRangeText(1001, 2000, &total, false), "Rows 1,001–2,000 of 16,049");
  EXPECT_EQ(RowRangeText(1, 1000, nullptr, true), "Rows 1–1,000 (counting...)");
  EXPECT_EQ(RowRangeText(1, 1000, nullptr, false), "Rows 1–1,000");
  EXPECT_EQ(RowRangeText(1, 1000, &withDeleted, true), "Rows 1–1,000 of 2,600 (6 deleted)");
  EXPECT_EQ(RowRangeText(1, 0, nullptr, false), "No rows");
  const RowTotal empty{0, 0};
  EXPECT_EQ(RowRangeText(1, 0, &empty, false), "No rows");
  EXPECT_EQ(RowRangeText(1001, 1000, &total, false), "No rows after row 1,000 of 16,049");
  EXPECT_EQ(RowRangeText(1234567, 1234568, nullptr, false), "Rows 1,234,567–1,234,568");
}

TEST_F(AppPaging, InnoDbTablesOf1000And999Rows) {
  Select("shop", "coupons");
  EXPECT_EQ(Now(), (State{"Rows 1–1,000", 2, false, false, true, 1000}));
  frame.OnNextRecords();
  EXPECT_EQ(Now(), (State{"No rows after row 1,000", 3, true, true, false, 0}));
  EXPECT_EQ(NoMoreRecordsMessages(), 1u);

  Select("shop", "newsletter_subscribers");
  EXPECT_EQ(Now(), (State{"Rows 1–999", 1, false, false, true, 999}));
  frame.OnNextRecords();
  EXPECT_EQ(Now(), (State{"Rows 1–999", 1, false, false, false, 999}));
  EXPECT_EQ(NoMoreRecordsMessages(), 1u);
}

TEST_F(AppPaging, AnInnoDbTableInsideIbdata1IsReadThroughTheScansDictionary) {
  Select("shop", "order_history");  // no .ibd file of its own
  EXPECT_EQ(ui.gridColumns, TruthColumns("shop", "order_history"));
  EXPECT_EQ(ui.gridRows.size(), 432u);  // 430 live rows and 2 delete-marked ones
  EXPECT_EQ(ui.caption, "order_history");
  // The first page holds the whole table: its total is known at once.
  EXPECT_EQ(ui.rowStatus, "Rows 1–432 of 432 (2 deleted)");
}

TEST(AppPagingWithoutDictionary, SakilaTablesAreReadFromTheirOwnFilesPageByPage) {
  CTarnSalvorProjApp app;
  FakeUi ui;
  CMainFrame frame(app, ui);
  ScratchFolder scratch;
  frame.writeLogFile = false;
  ui.settingsAttempts = {{SakilaFolder(), scratch.Path().string(), scratch.Path().string()}};
  ui.yesNoAnswers = {false};  // no ibdata1: do not browse for one
  frame.OnOpen();
  frame.WaitForScan();
  const std::string path = SakilaFolder() + "/";

  ui.ClickLabel(frame, ui.FindNode({"MYSQL database", path, "sakila", "Tables", "film"}));
  EXPECT_EQ(ui.caption, "film");
  ASSERT_EQ(ui.gridRows.size(), 1000u);
  EXPECT_EQ(ui.gridRows[0].values[1], "ACADEMY DINOSAUR");

  ui.ClickLabel(frame, ui.FindNode({"MYSQL database", path, "sakila", "Tables", "film_actor"}));
  for (int page = 2; page <= 6; ++page)
    frame.OnNextRecords();
  EXPECT_TRUE(ui.rowStatus.starts_with("Rows 5,001–5,462")) << ui.rowStatus;
  EXPECT_EQ(ui.gridRows.size(), 462u);
  EXPECT_FALSE(ui.nextButton.enabled);
  for (int page = 5; page >= 1; --page)
    frame.OnPreviousRecords();
  EXPECT_TRUE(ui.rowStatus.starts_with("Rows 1–1,000")) << ui.rowStatus;
  EXPECT_EQ(ui.caption, "film_actor");
  EXPECT_FALSE(ui.previousButton.enabled);
  EXPECT_EQ(frame.engine.pageStarts.size(), 2u);
}

}  // namespace
}  // namespace rowmender::testing
