// Reading a whole MyISAM table page by page, as `rows --all` does: rows per
// second and data-file megabytes per second, for fixed and dynamic records.
//
// The tables come from tools/fixtures/make-bench-data.sh OUTDIR; set
// ROWMENDER_BENCH_DATADIR=OUTDIR. Without it the benchmarks are skipped.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/logic/recovery_engine.h"
#include "catalogue/table_locator.h"
#include "preview/record_pages.h"

namespace rowmender {
namespace {

constexpr const char* kDataFolderVariable = "ROWMENDER_BENCH_DATADIR";
constexpr const char* kDatabase = "bench";

void ReadWholeTable(benchmark::State& state, const char* tableName, bool saveForms) {
  const char* folder = std::getenv(kDataFolderVariable);
  if (folder == nullptr || *folder == '\0') {
    state.SkipWithError(
        "ROWMENDER_BENCH_DATADIR is not set: make the tables with "
        "tools/fixtures/make-bench-data.sh OUTDIR and set it to OUTDIR");
    return;
  }
  const TableLookup lookup = LocateTable(folder, kDatabase, tableName);
  if (!lookup.location) {
    state.SkipWithError(lookup.error.c_str());
    return;
  }
  CTarnSalvorProjApp app;
  app.saveAsScriptMode = saveForms;
  std::int64_t rows = 0;
  std::int64_t textBytes = 0;
  std::uint64_t fileBytes = 0;
  for (auto _ : state) {
    RecoveryEngine engine(app);
    RecordPager pager(engine, RecordPagerOptions{});
    std::string error;
    if (!pager.Open(*lookup.location, error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    pager.LoadFirstPage();
    fileBytes += std::filesystem::file_size(pager.DataPath());
    do {
      for (const DecodedRow& row : engine.rows) {
        for (const std::string& value : row.values) {
          textBytes += static_cast<std::int64_t>(value.size());
        }
      }
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

void BM_MyisamFixedAll(benchmark::State& state) {
  ReadWholeTable(state, "myisam_fixed", false);
}
void BM_MyisamDynamicAll(benchmark::State& state) {
  ReadWholeTable(state, "myisam_dynamic", false);
}
void BM_MyisamDynamicAllSaveForms(benchmark::State& state) {
  ReadWholeTable(state, "myisam_dynamic", true);
}

BENCHMARK(BM_MyisamFixedAll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MyisamDynamicAll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MyisamDynamicAllSaveForms)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace rowmender
