// Throughput of the text trace import: a generated ETM listing (.prn) and logic-analyser listing
// (.txt) of about 200 MB each (KELVOR_BENCH_MB overrides the size), imported whole (in pieces on
// all cores, and on one thread), and imported then analysed. The listings are written once into
// KELVOR_BENCH_DIR (default /tmp) and reused.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <sstream>
#include <string>

#include "BenchSupport.h"
#include "ListingGenerator.h"
#include "io/TextTraceImporter.h"
#include "session/Session.h"
#include "session/TraceLoader.h"
#include "settings/SettingsBackend.h"

namespace kelvor::bench {
namespace {

// The listing of the given kind, generated when it is missing or has another size.
const std::string& listing(ListingKind kind) {
  static std::string paths[2];
  std::string& path = paths[kind == ListingKind::Prn ? 0 : 1];
  if (!path.empty()) {
    return path;
  }
  const char* dir = std::getenv("KELVOR_BENCH_DIR");
  const std::uint64_t megabytes = countFromEnvironment("KELVOR_BENCH_MB", 200);
  path = std::string(dir != nullptr ? dir : "/tmp") + "/kelvor-bench-" + std::to_string(megabytes) +
         "mb" + (kind == ListingKind::Prn ? ".prn" : ".txt");
  ListingOptions options;
  options.kind = kind;
  options.bytes = megabytes * 1000 * 1000;
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error || size < options.bytes || size > options.bytes + 4096) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    if (!writeListingFile(path, options)) {
      std::fprintf(stderr, "cannot write the benchmark listing %s\n", path.c_str());
      std::exit(1);
    }
  }
  return path;
}

struct Importer {
  MemorySettingsBackend backend;
  Session session{backend};
  std::ostringstream console;

  explicit Importer(ListingKind kind) {
    session.analysis.console = &console;
    session.settings.Set("startadress", kind == ListingKind::Prn ? "C0000020" : "20");
  }
};

// `sequential` reads on the calling thread whatever the size, the reference the reading in
// pieces on all cores is measured against.
void importListing(benchmark::State& state, ListingKind kind, bool analyse,
                   bool sequential = false) {
  const std::string& path = listing(kind);
  const auto bytes = static_cast<std::int64_t>(std::filesystem::file_size(path));
  std::size_t events = 0;
  for (auto _ : state) {
    Importer importer(kind);
    StatisticsEngine engine(importer.session.analysis);
    ImportContext context = importContextFor(importer.session);
    if (sequential) {
      context.parallel.minimumSize = std::numeric_limits<std::uint64_t>::max();
    }
    TextTraceImporter(engine.stream(), context).importFile(path);
    if (analyse) {
      engine.analyse(TimeWindow::wholeTrace());
    }
    events = engine.stream().size();
    benchmark::DoNotOptimize(engine.stream().size());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * bytes);
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(events));
  state.counters["events"] = static_cast<double>(events);
}

void BM_ImportPrn(benchmark::State& state) {
  importListing(state, ListingKind::Prn, false);
}
void BM_ImportTxt(benchmark::State& state) {
  importListing(state, ListingKind::Txt, false);
}
void BM_ImportAndAnalysePrn(benchmark::State& state) {
  importListing(state, ListingKind::Prn, true);
}
void BM_ImportAndAnalyseTxt(benchmark::State& state) {
  importListing(state, ListingKind::Txt, true);
}
void BM_ImportPrnSequential(benchmark::State& state) {
  importListing(state, ListingKind::Prn, false, true);
}
void BM_ImportTxtSequential(benchmark::State& state) {
  importListing(state, ListingKind::Txt, false, true);
}
BENCHMARK(BM_ImportPrn)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ImportTxt)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ImportAndAnalysePrn)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ImportAndAnalyseTxt)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ImportPrnSequential)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ImportTxtSequential)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kelvor::bench

BENCHMARK_MAIN();
