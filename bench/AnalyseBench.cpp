// Throughput of the statistics engine: analyse() over a synthetic stream of 10,000,000 events
// (KELVOR_BENCH_EVENTS overrides the count, e.g. for a quick smoke run).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <sstream>

#include "BenchSupport.h"
#include "SyntheticTrace.h"

namespace kelvor::bench {
namespace {

using Fixture = SyntheticEngine;

Fixture& shared() {
  static Fixture fixture;
  return fixture;
}

void BM_AnalyseWholeTrace(benchmark::State& state) {
  StatisticsEngine& engine = *shared().engine;
  engine.setCurrentClock(26.0);
  for (auto _ : state) {
    engine.analyse(TimeWindow::wholeTrace());
    benchmark::DoNotOptimize(engine.statistics().begin()->second.totalWithInt);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(engine.stream().size()));
  state.counters["lock_periods"] = static_cast<double>(engine.locks().periods().size());
}
BENCHMARK(BM_AnalyseWholeTrace)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AnalyseWindow(benchmark::State& state) {
  StatisticsEngine& engine = *shared().engine;
  const double first = engine.stream().firstTime();
  const double span = engine.stream().lastTime() - first;
  for (auto _ : state) {
    engine.analyse({first + 0.25 * span, first + 0.5 * span});
    benchmark::DoNotOptimize(engine.windowSpan());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(engine.stream().size()));
}
BENCHMARK(BM_AnalyseWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

// analyse() that also keeps every activation's net and gross duration, then the distribution of
// every entry from them: what --distributions and the distribution window cost over the table.
void BM_AnalyseWithDistributions(benchmark::State& state) {
  StatisticsEngine& engine = *shared().engine;
  engine.setCurrentClock(26.0);
  ActivationDurations durations;
  std::size_t activations = 0;
  for (auto _ : state) {
    engine.analyse(TimeWindow::wholeTrace(), &durations);
    activations = 0;
    for (const ActivationDurations::Series& series : durations.series()) {
      const ProcessStats* record = engine.find(series.entry);
      const EntryDistribution d = distributionsOf(*record, series);
      benchmark::DoNotOptimize(d.net.p999);
      activations += series.net.size();
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(engine.stream().size()));
  state.counters["activations"] = static_cast<double>(activations);
  state.counters["duration_MB"] = static_cast<double>(durations.storageBytes()) / 1e6;
}
BENCHMARK(BM_AnalyseWithDistributions)->Unit(benchmark::kMillisecond)->UseRealTime();

// Appending with entry registration, what every producer pays per event.
void BM_AppendEvents(benchmark::State& state) {
  const std::size_t count = std::min<std::size_t>(benchEventCount(), 2'000'000);
  for (auto _ : state) {
    std::ostringstream console;
    AnalysisContext context;
    context.console = &console;
    StatisticsEngine engine(context);
    appendSyntheticTrace(engine, count);
    benchmark::DoNotOptimize(engine.stream().size());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(count));
}
BENCHMARK(BM_AppendEvents)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kelvor::bench

BENCHMARK_MAIN();
