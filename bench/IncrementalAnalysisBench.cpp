// Live recording: appending a synthetic stream of 10,000,000 events (KELVOR_BENCH_EVENTS
// overrides the count) in chunks of 833, the most one 10 ms read delivers, with the statistics
// brought up to date after every chunk; next to one full analyse() of the same stream.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <sstream>

#include "BenchSupport.h"
#include "SyntheticTrace.h"
#include "analysis/IncrementalAnalysis.h"

namespace kelvor::bench {
namespace {

constexpr std::size_t ChunkSize = 833;

SyntheticEngine& source() {
  static SyntheticEngine fixture;
  return fixture;
}

// Feeds the source stream into a fresh engine chunk by chunk; `afterChunk` runs after each one.
// A recording in progress: an engine with a quiet console and its incremental analysis.
struct Recording {
  explicit Recording(std::size_t capacity) {
    context.console = &console;
    engine.stream().reserve(capacity);
    engine.setCurrentClock(26.0);
    incremental.reset();
  }
  std::ostringstream console;
  AnalysisContext context;
  StatisticsEngine engine{context};
  IncrementalAnalysis incremental{engine};
};

// Feeds the source stream into a fresh engine chunk by chunk; `afterChunk` runs after each one.
template <class AfterChunk>
void record(benchmark::State& state, AfterChunk&& afterChunk) {
  const EventStream& events = source().engine->stream();
  std::size_t chunks = 0;
  std::unique_ptr<Recording> recording;
  for (auto _ : state) {
    // Setting up and tearing down the previous engine is not part of the recording.
    state.PauseTiming();
    recording.reset();
    recording = std::make_unique<Recording>(events.size());
    state.ResumeTiming();

    StatisticsEngine& engine = recording->engine;
    chunks = 0;
    for (std::size_t next = 0; next < events.size(); ++chunks) {
      const std::size_t end = std::min(events.size(), next + ChunkSize);
      for (; next != end; ++next) {
        engine.append(events[next]);
      }
      afterChunk(recording->incremental);
    }
    benchmark::DoNotOptimize(engine.statistics().begin()->second.totalWithInt);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(events.size()));
  state.counters["chunks"] = static_cast<double>(chunks);
}

// What every chunk costs with the statistics kept up to date.
void BM_RecordWithIncrementalUpdate(benchmark::State& state) {
  record(state, [](IncrementalAnalysis& incremental) { incremental.update(); });
}
BENCHMARK(BM_RecordWithIncrementalUpdate)->Unit(benchmark::kMillisecond)->UseRealTime();

// The appending alone, for the share the statistics add.
void BM_RecordWithoutAnalysis(benchmark::State& state) {
  record(state, [](IncrementalAnalysis&) {});
}
BENCHMARK(BM_RecordWithoutAnalysis)->Unit(benchmark::kMillisecond)->UseRealTime();

// One full analysis of the whole recording, the price of each refresh in the old design.
void BM_FullAnalyseOfTheRecording(benchmark::State& state) {
  StatisticsEngine& engine = *source().engine;
  for (auto _ : state) {
    engine.setCurrentClock(26.0);
    engine.analyse(TimeWindow::wholeTrace());
    benchmark::DoNotOptimize(engine.statistics().begin()->second.totalWithInt);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(engine.stream().size()));
}
BENCHMARK(BM_FullAnalyseOfTheRecording)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kelvor::bench

BENCHMARK_MAIN();
