// Writes a deterministic ETM (.prn) or logic-analyser (.txt) listing, or a .run file of the
// benchmarks' synthetic trace, for benchmarks and manual tests:
//   kelvor-gen-listing prn|txt|run OUTPUT EVENTS [SEED]
// A .run of 10^8 events takes minutes as a listing and seconds this way.
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "ListingGenerator.h"
#include "SyntheticTrace.h"
#include "io/RunFile.h"
#include "model/ProcessTable.h"

namespace {

int writeSyntheticRun(const char* path, std::size_t events, std::uint64_t seed) {
  using namespace kelvor;
  std::ostringstream console;
  AnalysisContext context;
  context.console = &console;
  StatisticsEngine engine(context);
  engine.stream().reserve(events);
  bench::appendSyntheticTrace(engine, events, seed);
  const ProcessTable noNames;
  if (RunFile::write(engine, noNames, path) != RunFile::WriteOk) {
    std::fprintf(stderr, "kelvor-gen-listing: cannot write %s\n", path);
    return 1;
  }
  std::printf("%zu events\n", engine.stream().size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace kelvor::bench;
  const std::string kind = argc > 1 ? argv[1] : "";
  if (argc < 4 || argc > 5 || (kind != "prn" && kind != "txt" && kind != "run")) {
    std::fprintf(stderr, "usage: kelvor-gen-listing prn|txt|run OUTPUT EVENTS [SEED]\n");
    return 2;
  }
  ListingOptions options;
  options.kind = kind == "prn" ? ListingKind::Prn : ListingKind::Txt;
  options.events = std::strtoull(argv[3], nullptr, 10);
  options.seed = argc == 5 ? std::strtoull(argv[4], nullptr, 10) : 1;
  if (options.events == 0) {
    std::fprintf(stderr, "kelvor-gen-listing: EVENTS must be a positive number\n");
    return 2;
  }
  if (kind == "run") {
    return writeSyntheticRun(argv[2], options.events, options.seed);
  }
  ListingSummary summary;
  if (!writeListingFile(argv[2], options, &summary)) {
    std::fprintf(stderr, "kelvor-gen-listing: cannot write %s\n", argv[2]);
    return 1;
  }
  std::printf("%llu events, %llu lines, %llu bytes\n",
              static_cast<unsigned long long>(summary.events),
              static_cast<unsigned long long>(summary.lines),
              static_cast<unsigned long long>(summary.bytes));
  return 0;
}
