// Writes a deterministic ETM (.prn) or logic-analyser (.txt) listing for benchmarks and manual
// tests: kelvor-gen-listing prn|txt OUTPUT EVENTS [SEED]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ListingGenerator.h"

int main(int argc, char** argv) {
  using namespace kelvor::bench;
  if (argc < 4 || argc > 5 || (std::string(argv[1]) != "prn" && std::string(argv[1]) != "txt")) {
    std::fprintf(stderr, "usage: kelvor-gen-listing prn|txt OUTPUT EVENTS [SEED]\n");
    return 2;
  }
  ListingOptions options;
  options.kind = std::string(argv[1]) == "prn" ? ListingKind::Prn : ListingKind::Txt;
  options.events = std::strtoull(argv[3], nullptr, 10);
  options.seed = argc == 5 ? std::strtoull(argv[4], nullptr, 10) : 1;
  if (options.events == 0) {
    std::fprintf(stderr, "kelvor-gen-listing: EVENTS must be a positive number\n");
    return 2;
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
