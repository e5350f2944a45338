// The segment raster of the time-step chart over the walk of a synthetic stream of 10,000,000
// events on 200 entries (KELVOR_BENCH_EVENTS overrides the count): building the index once per
// walk, its bytes per event, and the column runs of every row, the user run-time row, the marks
// and both clock lines of a 1920-pixel chart for the whole trace, a 1 ms and a 1 us window; and
// the entry rows alone for the whole trace.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "BenchSupport.h"
#include "SyntheticTrace.h"
#include "timestep/SegmentRaster.h"
#include "timestep/TimeStepWalk.h"

namespace kelvor::bench {
namespace {

constexpr std::size_t kEntries = 200;
constexpr int kChartLeft = 180;
constexpr int kChartWidth = 1920;
constexpr int kChartHeight = 1000;

struct Fixture : SyntheticEngine {
  Fixture() : SyntheticEngine(kEntries), walker(*engine, &console) {
    result = &walker.run(26.0);
    raster = TimeStepRaster(*result);
  }

  TimeStepWalk walker;
  const TimeStepResult* result = nullptr;
  TimeStepRaster raster;
};

Fixture& shared() {
  static Fixture fixture;
  return fixture;
}

double eventCount(const Fixture& fixture) {
  return static_cast<double>(fixture.engine->stream().size());
}

void BM_TimestepRaster_Build(benchmark::State& state) {
  Fixture& fixture = shared();
  for (auto _ : state) {
    TimeStepRaster raster(*fixture.result);
    benchmark::DoNotOptimize(raster.storageBytes());
  }
  const double events = eventCount(fixture);
  const double index = static_cast<double>(fixture.raster.storageBytes());
  const double segments = static_cast<double>(fixture.result->segmentStorageBytes());
  state.counters["index_bytes_per_event"] = index / events;
  state.counters["index_bytes_per_segment"] =
      index / static_cast<double>(fixture.result->segmentCount());
  state.counters["segment_and_index_bytes_per_event"] = (segments + index) / events;
}
BENCHMARK(BM_TimestepRaster_Build)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);

// One paint's worth of rastering: every entry row (all visible), the user run-time row, the
// marks and both clock lines.
void rasterAll(benchmark::State& state, double viewStart, double viewSpan) {
  Fixture& fixture = shared();
  const TimeAxis axis(viewStart, viewSpan, kChartLeft, kChartWidth);
  std::vector<ColumnRun> runs;
  std::vector<MarkColumn> marks;
  std::vector<ClockStep> steps;
  std::size_t produced = 0;
  for (auto _ : state) {
    produced = 0;
    for (const EntrySegments& row : fixture.result->rows) {
      if (const RowRaster* raster = fixture.raster.row(row.entry())) {
        runs.clear();
        raster->raster(axis, runs);
        produced += runs.size();
      }
    }
    runs.clear();
    fixture.raster.userSections().raster(axis, runs);
    marks.clear();
    fixture.raster.markColumns(axis, marks);
    steps.clear();
    fixture.raster.clockSteps(false, axis, 100, kChartHeight, steps);
    fixture.raster.clockSteps(true, axis, 100, kChartHeight, steps);
    produced += runs.size() + marks.size() + steps.size();
    benchmark::DoNotOptimize(produced);
  }
  state.counters["runs_per_paint"] = static_cast<double>(produced);
  state.counters["rows"] = static_cast<double>(fixture.result->rows.size());
}

double traceStart() {
  return shared().engine->stream().firstTime();
}
double traceSpan() {
  const Fixture& fixture = shared();
  return fixture.engine->stream().lastTime() - fixture.engine->stream().firstTime();
}

void BM_TimestepRaster_Zoom1(benchmark::State& state) {
  rasterAll(state, traceStart(), traceSpan());
}
BENCHMARK(BM_TimestepRaster_Zoom1)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);

// The entry rows alone for the whole trace: the part of a paint that grows with the rows.
void BM_TimestepRaster_Zoom1EntryRows(benchmark::State& state) {
  Fixture& fixture = shared();
  const TimeAxis axis(traceStart(), traceSpan(), kChartLeft, kChartWidth);
  std::vector<ColumnRun> runs;
  std::size_t produced = 0;
  for (auto _ : state) {
    produced = 0;
    for (const EntrySegments& row : fixture.result->rows) {
      if (const RowRaster* raster = fixture.raster.row(row.entry())) {
        runs.clear();
        raster->raster(axis, runs);
        produced += runs.size();
      }
    }
    benchmark::DoNotOptimize(produced);
  }
  state.counters["runs_per_paint"] = static_cast<double>(produced);
}
BENCHMARK(BM_TimestepRaster_Zoom1EntryRows)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(3);

// Windows in the middle of the trace.
void BM_TimestepRaster_Window1ms(benchmark::State& state) {
  rasterAll(state, traceStart() + 0.5 * traceSpan(), 1e-3);
}
BENCHMARK(BM_TimestepRaster_Window1ms)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(3);

void BM_TimestepRaster_Window1us(benchmark::State& state) {
  rasterAll(state, traceStart() + 0.5 * traceSpan(), 1e-6);
}
BENCHMARK(BM_TimestepRaster_Window1us)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(3);

}  // namespace
}  // namespace kelvor::bench

BENCHMARK_MAIN();
