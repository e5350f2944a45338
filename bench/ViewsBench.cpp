// The views' per-refresh work: building the stream list's index of listed events over a stream of
// 10,000,000 events (KELVOR_BENCH_EVENTS overrides the count), formatting one screenful of
// stream rows at any place of it, and rebuilding the statistics table's rows for 5,000 entries.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include "BenchSupport.h"
#include "SyntheticTrace.h"
#include "views/StatisticsRows.h"
#include "views/StreamRows.h"

namespace kelvor::bench {
namespace {

struct StreamFixture : SyntheticEngine {
  ProcessTable names;
  std::vector<RunNameRecord> runNames;

  StreamFixture() {
    engine->analyse(TimeWindow::wholeTrace());
    // Hide every third entry so that the listing rule has work to do.
    int n = 0;
    for (const auto& [id, record] : engine->statistics()) {
      if (n++ % 3 == 0) {
        engine->statsFor(id).visible = 0;
      }
    }
  }
};

StreamFixture& streamFixture() {
  static StreamFixture fixture;
  return fixture;
}

void BM_BuildListedEventIndex(benchmark::State& state) {
  StreamFixture& f = streamFixture();
  ListedEventIndex index;
  for (auto _ : state) {
    index.rebuild(f.engine->stream(), VisibleEntries(*f.engine));
    benchmark::DoNotOptimize(index.size());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(f.engine->stream().size()));
  state.counters["listed"] = static_cast<double>(index.size());
}
BENCHMARK(BM_BuildListedEventIndex)->Unit(benchmark::kMillisecond);

// 40 rows of 8 cells, at a different place of the stream every time.
void BM_FormatScreenful(benchmark::State& state) {
  StreamFixture& f = streamFixture();
  ListedEventIndex index;
  index.rebuild(f.engine->stream(), VisibleEntries(*f.engine));
  StreamCellFormatter::Source source;
  source.stream = &f.engine->stream();
  source.processTable = &f.names;
  source.runNameTable = &f.runNames;
  const StreamCellFormatter formatter(source);
  std::string text;
  std::size_t top = 0;
  for (auto _ : state) {
    top = (top + 7'654'321) % (index.size() > 40 ? index.size() - 40 : 1);
    for (std::size_t row = top; row < top + 40; ++row) {
      const auto event = index.eventAt(row);
      if (!event) {
        break;
      }
      for (int column = 0; column < StreamColumnCount; ++column) {
        formatter.cellText(*event, column, text);
        benchmark::DoNotOptimize(text.data());
      }
      benchmark::DoNotOptimize(formatter.icon(*event));
    }
  }
}
BENCHMARK(BM_FormatScreenful)->Unit(benchmark::kMicrosecond);

void BM_RefreshStatisticsRows5000(benchmark::State& state) {
  std::ostringstream console;
  AnalysisContext context;
  context.console = &console;
  StatisticsEngine engine(context);
  ProcessTable names;
  for (std::uint32_t i = 0; i < 5000; ++i) {
    const std::uint32_t id = i < 4000 ? 0x0100 + i : InterruptIdBase + (i - 4000);
    ProcessStats& record = engine.statsFor(id);
    record.calls = i;
    record.totalWithInt = i * 0.001;
    record.totalWithoutInt = i * 0.0005;
    if (i % 2 == 0) {
      names.store("Process_" + std::to_string(i), id, 0x100 + i, OriginIdList);
    }
  }
  std::vector<RunNameRecord> runNames;
  StatisticsRowSource source;
  source.engine = &engine;
  source.processTable = &names;
  source.runNameTable = &runNames;
  std::vector<StatisticsRow> rows;
  for (auto _ : state) {
    buildStatisticsRows(source, rows);
    benchmark::DoNotOptimize(rows.data());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 5000);
}
BENCHMARK(BM_RefreshStatisticsRows5000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelvor::bench

BENCHMARK_MAIN();
