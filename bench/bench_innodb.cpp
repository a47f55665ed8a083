// Reading a large InnoDB table (bench.innodb_dynamic): the whole table
// window by window, as `rows --all` does (rows per second and tablespace
// megabytes per second), the first window of the table, and one window deep
// into it, which costs no more than the first.
//
// The table comes from tools/fixtures/make-bench-data.sh OUTDIR; set
// ROWMENDER_BENCH_DATADIR=OUTDIR. Without it the benchmarks are skipped.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "app/logic/recovery_engine.h"
#include "catalogue/table_locator.h"
#include "preview/record_pages.h"

namespace rowmender {
namespace {

constexpr const char* kDataFolderVariable = "ROWMENDER_BENCH_DATADIR";
constexpr const char* kDatabase = "bench";
constexpr const char* kTable = "innodb_dynamic";

std::optional<TableLocation> BenchTable(benchmark::State& state) {
  const char* folder = std::getenv(kDataFolderVariable);
  if (folder == nullptr || *folder == '\0') {
    state.SkipWithError(
        "ROWMENDER_BENCH_DATADIR is not set: make the tables with "
        "tools/fixtures/make-bench-data.sh OUTDIR and set it to OUTDIR");
    return std::nullopt;
  }
  const TableLookup lookup = LocateTable(folder, kDatabase, kTable);
  if (!lookup.location) state.SkipWithError(lookup.error.c_str());
  return lookup.location;
}

std::int64_t TextBytes(const std::vector<DecodedRow>& rows) {
  std::int64_t bytes = 0;
  for (const DecodedRow& row : rows) {
    for (const std::string& value : row.values)
      bytes += static_cast<std::int64_t>(value.size());
  }
  return bytes;
}

void ReadWholeTable(benchmark::State& state, bool useDictionary) {
  const auto location = BenchTable(state);
  if (!location) return;
  CTarnSalvorProjApp app;
  std::int64_t rows = 0;
  std::int64_t textBytes = 0;
  std::uint64_t fileBytes = 0;
  for (auto _ : state) {
    RecoveryEngine engine(app);
    RecordPagerOptions options;
    options.useDictionary = useDictionary;
    RecordPager pager(engine, options);
    std::string error;
    if (!pager.Open(*location, error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    pager.LoadFirstPage();
    fileBytes += std::filesystem::file_size(pager.DataPath());
    do {
      textBytes += TextBytes(engine.rows);
      rows += static_cast<std::int64_t>(engine.rows.size());
      pager.ForgetEarlierPages();
    } while (pager.LoadNextPage());
  }
  benchmark::DoNotOptimize(textBytes);
  state.SetBytesProcessed(static_cast<std::int64_t>(fileBytes));
  state.counters["rows"] =
      benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsRate);
  state.counters["rows_per_pass"] =
      benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kAvgIterations);
}

void BM_InnoDbDynamicAll(benchmark::State& state) {
  ReadWholeTable(state, true);
}
void BM_InnoDbDynamicAllWithoutDictionary(benchmark::State& state) {
  ReadWholeTable(state, false);
}

// Selecting the table: definition, dictionary lookups, descent and the
// first 1000 rows (ibdata1 is loaded once, before the timing, as the scan
// of the data folder does).
void BM_InnoDbFirstWindow(benchmark::State& state) {
  const auto location = BenchTable(state);
  if (!location) return;
  CTarnSalvorProjApp app;
  RecoveryEngine engine(app);
  RecordPager pager(engine, RecordPagerOptions{});
  std::string opened;
  if (!pager.Open(*location, opened)) {
    state.SkipWithError(opened.c_str());
    return;
  }
  engine.SystemTablespaceAt(pager.SystemTablespacePath());
  std::int64_t rows = 0;
  for (auto _ : state) {
    std::string error;
    if (!pager.Open(*location, error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    pager.LoadFirstPage();
    rows += static_cast<std::int64_t>(engine.rows.size());
  }
  state.counters["rows_per_window"] =
      benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kAvgIterations);
}

// One window from a page start 90% of the way into the table, as "Next
// Records" reads it.
void BM_InnoDbDeepWindow(benchmark::State& state) {
  const auto location = BenchTable(state);
  if (!location) return;
  CTarnSalvorProjApp app;
  RecoveryEngine engine(app);
  RecordPager pager(engine, RecordPagerOptions{});
  std::string error;
  if (!pager.Open(*location, error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  // Find the window starts once, outside the timing.
  pager.LoadFirstPage();
  std::vector<PageStart> starts(engine.pageStarts.begin(), engine.pageStarts.end());
  while (pager.LoadNextPage()) {
    if (!engine.pageStarts.back().IsEnd()) starts.push_back(engine.pageStarts.back());
    pager.ForgetEarlierPages();
  }
  if (starts.size() < 2) {
    state.SkipWithError("the table holds a single window");
    return;
  }
  const PageStart deep = starts[starts.size() * 9 / 10];
  std::int64_t rows = 0;
  for (auto _ : state) {
    engine.rows.clear();
    engine.scanBackward = true;  // re-reading: no page start is added
    pager.ReadPage(deep);
    rows += static_cast<std::int64_t>(engine.rows.size());
  }
  state.counters["rows_per_window"] =
      benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kAvgIterations);
  state.counters["window_number"] = static_cast<double>(starts.size() * 9 / 10 + 1);
}

BENCHMARK(BM_InnoDbDynamicAll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InnoDbDynamicAllWithoutDictionary)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InnoDbFirstWindow)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_InnoDbDeepWindow)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace rowmender
