// Throughput of the run file: saving and reading a trace of 10,000,000 events (about 260 MB;
// KELVOR_BENCH_EVENTS overrides the count). Reading includes filling a fresh engine and the
// analysis of the whole trace, as a load does; the decode-only figure is the bytes of the file
// over the time without the analysis.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>

#include "BenchSupport.h"
#include "SyntheticTrace.h"
#include "io/RunFile.h"
#include "session/Session.h"

namespace kelvor::bench {
namespace {

struct Fixture {
  MemorySettingsBackend backend;
  Session session{backend};
  std::ostringstream console;
  std::string path;
  std::int64_t fileSize = 0;

  Fixture() {
    session.analysis.console = &console;
    session.engine = std::make_unique<StatisticsEngine>(session.analysis);
    appendSyntheticTrace(*session.engine, benchEventCount());
    for (std::uint32_t id = 0x0100; id < 0x0400; id += 0x10) {
      session.processTable.store("PROC_" + std::to_string(id), id, 10 + id % 50, 3);
    }
    path = (std::filesystem::temp_directory_path() /
            ("kelvor-bench-" + std::to_string(std::rand()) + ".run"))
               .string();
    if (RunFile::write(*session.engine, session.processTable, path) != RunFile::WriteOk) {
      std::abort();
    }
    fileSize = static_cast<std::int64_t>(std::filesystem::file_size(path));
  }
  ~Fixture() {
    std::error_code ec;
    std::filesystem::remove(path, ec);
  }
};

Fixture& shared() {
  static Fixture fixture;
  return fixture;
}

void BM_WriteRunFile(benchmark::State& state) {
  Fixture& f = shared();
  for (auto _ : state) {
    if (RunFile::write(*f.session.engine, f.session.processTable, f.path) != RunFile::WriteOk) {
      state.SkipWithError("write failed");
      break;
    }
  }
  state.SetBytesProcessed(state.iterations() * f.fileSize);
  state.SetItemsProcessed(state.iterations() *
                          static_cast<std::int64_t>(f.session.engine->stream().size()));
}
BENCHMARK(BM_WriteRunFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadRunFile(benchmark::State& state) {
  Fixture& f = shared();
  double analyseSeconds = 0.0;
  for (auto _ : state) {
    StatisticsEngine engine(f.session.analysis);
    if (RunFile::read(engine, f.path, nullptr).code != RunFile::ReadOk) {
      state.SkipWithError("read failed");
      break;
    }
    // The analysis the reader ends with, timed again to split the figure.
    const auto start = std::chrono::steady_clock::now();
    engine.analyse(TimeWindow::wholeTrace());
    analyseSeconds +=
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    benchmark::DoNotOptimize(engine.stream().size());
  }
  state.SetBytesProcessed(state.iterations() * f.fileSize);
  state.SetItemsProcessed(state.iterations() *
                          static_cast<std::int64_t>(f.session.engine->stream().size()));
  state.counters["analyse_s"] =
      benchmark::Counter(analyseSeconds, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ReadRunFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same into one engine kept between iterations: its stream keeps its capacity, so this
// shows the reader's own cost without the first touch of the stream's memory, which a fresh
// engine pays to the operating system (most of the time above on machines with slow page
// faults).
void BM_ReadRunFileReusedEngine(benchmark::State& state) {
  Fixture& f = shared();
  static StatisticsEngine engine(f.session.analysis);
  if (engine.stream().empty() && RunFile::read(engine, f.path, nullptr).code != RunFile::ReadOk) {
    state.SkipWithError("read failed");  // the untimed first read touches the stream's memory
  }
  for (auto _ : state) {
    if (RunFile::read(engine, f.path, nullptr).code != RunFile::ReadOk) {
      state.SkipWithError("read failed");
      break;
    }
    benchmark::DoNotOptimize(engine.stream().size());
  }
  state.SetBytesProcessed(state.iterations() * f.fileSize);
  state.SetItemsProcessed(state.iterations() *
                          static_cast<std::int64_t>(f.session.engine->stream().size()));
}
BENCHMARK(BM_ReadRunFileReusedEngine)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kelvor::bench

BENCHMARK_MAIN();
