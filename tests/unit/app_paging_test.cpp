// "Previous Records" and "Next Records": the page-start queue at work, the
// captions, the buttons and the rows, on real tables of 999, 1000 and
// 2500+ rows.
#include "app_scenario_support.h"

namespace rowmender::testing {
namespace {

std::string SampleFolder() {
  return SampleDataFolder() + "/";
}

class AppPaging : public AppScenario {
 protected:
  void SetUp() override { OpenAndScan(SampleFolder()); }

  void Select(const std::string& database, const std::string& table) {
    ASSERT_EQ(ui.ClickLabel(frame, Node({database, "Tables", table})), 1);
  }

  // The state after a step: caption, queue, buttons.
  struct State {
    std::string caption;
    std::size_t queue = 0;
    bool endsWithSentinel = false;
    bool previousEnabled = false;
    bool nextEnabled = false;
    std::size_t rows = 0;
    friend bool operator==(const State&, const State&) = default;
    friend std::ostream& operator<<(std::ostream& out, const State& s) {
      return out << "{" << s.caption << ", queue " << s.queue << (s.endsWithSentinel ? "+end" : "")
                 << ", prev " << s.previousEnabled << ", next " << s.nextEnabled << ", rows "
                 << s.rows << "}";
    }
  };

  State Now() const {
    const auto& starts = frame.engine.pageStarts;
    return {ui.caption,
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
  EXPECT_EQ(Now(), (State{"kunden[1000]", 2, false, false, true, 1000}));

  EXPECT_EQ(frame.OnNextRecords(), 1);
  EXPECT_EQ(Now(), (State{"1000 rows to 2000", 3, false, true, true, 1000}));
  const auto secondPage = GridRows();
  EXPECT_NE(secondPage, firstPage);

  frame.OnNextRecords();
  EXPECT_EQ(Now(), (State{"2000 rows to 2593", 4, true, true, false, 593}));
  EXPECT_EQ(NoMoreRecordsMessages(), 1u);

  frame.OnPreviousRecords();
  EXPECT_EQ(Now(), (State{"1000 rows to 2000", 3, false, true, true, 1000}));
  EXPECT_EQ(GridRows(), secondPage);

  frame.OnPreviousRecords();
  EXPECT_EQ(Now(), (State{"0 rows to 1000", 2, false, false, true, 1000}));
  EXPECT_EQ(GridRows(), firstPage);
  EXPECT_EQ(frame.firstRowShown, 0);
  EXPECT_EQ(frame.lastRowShown, 1000);

  // And forward again from the first page, through the same queue.
  frame.OnNextRecords();
  EXPECT_EQ(Now(), (State{"1000 rows to 2000", 3, false, true, true, 1000}));
  EXPECT_EQ(GridRows(), secondPage);
  EXPECT_EQ(NoMoreRecordsMessages(), 1u);
}

TEST_F(AppPaging, ATableOfExactly1000Rows) {
  Select("legacy", "old_payments");
  EXPECT_EQ(Now(), (State{"old_payments[1000]", 2, false, false, true, 1000}));
  frame.OnNextRecords();
  EXPECT_EQ(Now(), (State{"1000 rows to 1000", 3, true, true, false, 0}));
  EXPECT_EQ(NoMoreRecordsMessages(), 1u);
  frame.OnPreviousRecords();
  EXPECT_EQ(Now(), (State{"0 rows to 1000", 2, false, false, true, 1000}));
}

TEST_F(AppPaging, ATableOf999RowsLeavesOnePageStartAndNextOnlyDisablesItself) {
  Select("legacy", "old_invoices");
  EXPECT_EQ(Now(), (State{"old_invoices[999]", 1, false, false, true, 999}));
  const std::size_t messages = ui.messages.size();
  frame.OnNextRecords();
  EXPECT_EQ(Now(), (State{"old_invoices[999]", 1, false, false, false, 999}));
  EXPECT_EQ(ui.messages.size(), messages);
}

TEST_F(AppPaging, NextAtTheEndShowsTheMessageAgainWithoutMovingAndPreviousStillReturns) {
  Select("legacy", "old_payments");
  frame.OnNextRecords();
  frame.OnNextRecords();  // the window would have Next disabled; the command holds anyway
  EXPECT_EQ(Now(), (State{"1000 rows to 1000", 3, true, true, false, 0}));
  EXPECT_EQ(NoMoreRecordsMessages(), 2u);
  frame.OnPreviousRecords();
  EXPECT_EQ(Now(), (State{"0 rows to 1000", 2, false, false, true, 1000}));
}

TEST_F(AppPaging, ANewSelectionStartsTheQueueAfresh) {
  Select("legacy", "kunden");
  frame.OnNextRecords();
  frame.OnNextRecords();
  Select("legacy", "old_payments");
  EXPECT_EQ(Now(), (State{"old_payments[1000]", 2, false, false, true, 1000}));
  EXPECT_EQ(frame.rowsLoaded, 1000);
  frame.OnNextRecords();
  EXPECT_EQ(ui.caption, "1000 rows to 1000");
}

TEST_F(AppPaging, PageCommandsWriteNothingToTheLog) {
  Select("legacy", "kunden");
  const std::string log = ReadText(LogPath());
  frame.OnNextRecords();
  frame.OnPreviousRecords();
  EXPECT_EQ(ReadText(LogPath()), log);
}

}  // namespace
}  // namespace rowmender::testing
