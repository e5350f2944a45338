// The time-step chart during a live recording of a synthetic stream of 10,000,000 events on 200
// entries (KELVOR_BENCH_EVENTS overrides the count), appended in chunks of 833 events (the most
// one 10 ms read delivers) with the statistics kept current after every chunk and the chart
// refreshed every 100 chunks (a refresh a second): the time of one refresh near the end of the
// recording (walk and raster taken in, appending and statistics not counted), next to a full
// rebuild of the walk and the raster over the whole recording.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <sstream>

#include "BenchSupport.h"
#include "SyntheticTrace.h"
#include "analysis/IncrementalAnalysis.h"
#include "timestep/SegmentRaster.h"
#include "timestep/TimeStepWalk.h"

namespace kelvor::bench {
namespace {

constexpr std::size_t kEntries = 200;
constexpr std::size_t kChunkSize = 833;
constexpr std::size_t kChunksPerRefresh = 100;
constexpr std::size_t kEventsPerRefresh = kChunkSize * kChunksPerRefresh;
constexpr int kMeasuredRefreshes = 20;
constexpr double kStartClock = 26.0;

SyntheticEngine& source() {
  static SyntheticEngine fixture(kEntries);
  return fixture;
}

// A recording that has come up to the last kMeasuredRefreshes refreshes of the source stream,
// its chart walked and indexed at the last refresh.
struct Recording {
  Recording() {
    context.console = &console;
    const EventStream& events = source().engine->stream();
    engine.stream().reserve(events.size());
    engine.setCurrentClock(kStartClock);
    statistics.reset();
    const std::size_t measured = kMeasuredRefreshes * kEventsPerRefresh;
    appendUpTo(events.size() > measured + kEventsPerRefresh
                   ? events.size() - measured - kEventsPerRefresh
                   : 0);
    walk.run(kStartClock);
    raster = TimeStepRaster(walk);
    // One refresh before those measured: the walk sized its rows for the stream it walked,
    // the first extension grows every one of them.
    appendUpTo(next + kEventsPerRefresh);
    walk.extend(kStartClock);
    raster.takeIn(walk);
  }

  // Appends the source's events up to `end` chunk by chunk, the statistics kept current.
  void appendUpTo(std::size_t end) {
    const EventStream& events = source().engine->stream();
    end = std::min(end, events.size());
    while (next < end) {
      const std::size_t stop = std::min(end, next + kChunkSize);
      for (; next != stop; ++next) {
        engine.append(events[next]);
      }
      statistics.update();
    }
  }

  std::ostringstream console;
  AnalysisContext context;
  StatisticsEngine engine{context};
  IncrementalAnalysis statistics{engine};
  TimeStepWalk walk{engine, &console};
  TimeStepRaster raster;
  std::size_t next = 0;
};

// One refresh: the walk goes on over the last second's events and the raster takes them in.
void BM_TimestepIntake(benchmark::State& state) {
  Recording recording;
  using Clock = std::chrono::steady_clock;
  Clock::duration walking{};
  Clock::duration indexing{};
  Clock::duration slowest{};
  for (auto _ : state) {
    state.PauseTiming();
    recording.appendUpTo(recording.next + kEventsPerRefresh);
    state.ResumeTiming();
    const Clock::time_point start = Clock::now();
    recording.walk.extend(kStartClock);
    const Clock::time_point walked = Clock::now();
    recording.raster.takeIn(recording.walk);
    const Clock::time_point indexed = Clock::now();
    indexing += indexed - walked;
    walking += walked - start;
    slowest = std::max(slowest, indexed - start);
    benchmark::DoNotOptimize(recording.raster.storageBytes());
  }
  auto perRefreshMs = [&](Clock::duration total) {
    return std::chrono::duration<double, std::milli>(total).count() /
           static_cast<double>(state.iterations());
  };
  state.counters["walk_ms"] = perRefreshMs(walking);
  state.counters["raster_ms"] = perRefreshMs(indexing);
  state.counters["slowest_refresh_ms"] = std::chrono::duration<double, std::milli>(slowest).count();
  state.counters["events_per_refresh"] = static_cast<double>(kEventsPerRefresh);
  state.counters["stream_events_at_end"] = static_cast<double>(recording.engine.stream().size());
  state.counters["walks_from_the_start"] = static_cast<double>(recording.walk.walkCount());
}
BENCHMARK(BM_TimestepIntake)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(kMeasuredRefreshes)
    ->UseRealTime();

// What every refresh cost before: the whole recording walked and indexed anew.
void BM_TimestepIntakeFullRebuild(benchmark::State& state) {
  SyntheticEngine& fixture = source();
  TimeStepWalk walk(*fixture.engine, &fixture.console);
  for (auto _ : state) {
    walk.run(kStartClock);
    TimeStepRaster raster(walk);
    benchmark::DoNotOptimize(raster.storageBytes());
  }
  state.counters["stream_events_at_end"] = static_cast<double>(fixture.engine->stream().size());
}
BENCHMARK(BM_TimestepIntakeFullRebuild)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

}  // namespace
}  // namespace kelvor::bench

BENCHMARK_MAIN();
