// The time-step walk over a synthetic stream of 10,000,000 events on 200 entries
// (KELVOR_BENCH_EVENTS overrides the count): the time to find every stretch, and the bytes the
// stretches take per event of the stream.
#include <benchmark/benchmark.h>

#include <memory>
#include <sstream>

#include "BenchSupport.h"
#include "SyntheticTrace.h"
#include "timestep/TimeStepWalk.h"

namespace kelvor::bench {
namespace {

constexpr std::size_t kEntries = 200;

struct Fixture : SyntheticEngine {
  Fixture() : SyntheticEngine(kEntries) {}
};

Fixture& shared() {
  static Fixture fixture;
  return fixture;
}

void report(benchmark::State& state, const TimeStepResult& result, double events) {
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(events));
  state.counters["segment_bytes_per_event"] =
      static_cast<double>(result.segmentStorageBytes()) / events;
  state.counters["segments_per_event"] = static_cast<double>(result.segmentCount()) / events;
  state.counters["rows"] = static_cast<double>(result.rows.size());
}

// A repaint: the walker keeps its arrays from the previous walk, as the view's walker does.
void BM_TimestepSegments(benchmark::State& state) {
  Fixture& fixture = shared();
  const double events = static_cast<double>(fixture.engine->stream().size());
  TimeStepWalk walker(*fixture.engine, &fixture.console);
  walker.run(26.0);
  for (auto _ : state) {
    benchmark::DoNotOptimize(walker.run(26.0).userSectionTime);
  }
  report(state, walker.run(26.0), events);
}
BENCHMARK(BM_TimestepSegments)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);

// The first paint: every array is allocated while the walk grows it.
void BM_TimestepSegmentsFirstWalk(benchmark::State& state) {
  Fixture& fixture = shared();
  const double events = static_cast<double>(fixture.engine->stream().size());
  for (auto _ : state) {
    TimeStepWalk walker(*fixture.engine, &fixture.console);
    benchmark::DoNotOptimize(walker.run(26.0).userSectionTime);
  }
  TimeStepWalk walker(*fixture.engine, &fixture.console);
  report(state, walker.run(26.0), events);
}
BENCHMARK(BM_TimestepSegmentsFirstWalk)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(3);

}  // namespace
}  // namespace kelvor::bench

BENCHMARK_MAIN();
