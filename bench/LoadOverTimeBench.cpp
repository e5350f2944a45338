// The load over time of a synthetic stream of 10,000,000 events (KELVOR_BENCH_EVENTS overrides
// the count) from the stretches of one time-step walk: what the view computes again when the
// range or the interval count changes, for 100 and for 10,000 intervals.
#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "SyntheticTrace.h"
#include "analysis/LoadOverTime.h"
#include "timestep/TimeStepWalk.h"

namespace kelvor::bench {
namespace {

struct Fixture : SyntheticEngine {
  Fixture() : walker(*engine, &console) {
    engine->analyse();
    walker.run(26.0);
  }
  TimeStepWalk walker;
};

Fixture& shared() {
  static Fixture fixture;
  return fixture;
}

void BM_LoadOverTime(benchmark::State& state) {
  Fixture& fixture = shared();
  const LoadCut cut = LoadCut::intervals(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    const LoadOverTime load = LoadOverTime::compute(
        fixture.walker.result(), fixture.engine->windowStart(), fixture.engine->windowEnd(), cut);
    benchmark::DoNotOptimize(load.load(0));
  }
  state.counters["stretches"] = static_cast<double>(fixture.walker.result().segmentCount());
}
BENCHMARK(BM_LoadOverTime)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kelvor::bench

BENCHMARK_MAIN();
