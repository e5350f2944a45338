// Feeds arbitrary bytes to the importer as a logic-analyser listing (.txt).
#include "ImportFuzzing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kelvor::fuzz::importAndAnalyse(kelvor::TextTraceFormat::Tla, 0x20, data, size);
  return 0;
}
