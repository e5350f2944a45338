// Feeds arbitrary bytes to the importer as an ETM trace listing (.prn).
#include "ImportFuzzing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kelvor::fuzz::importAndAnalyse(kelvor::TextTraceFormat::Etm, 0xC0000020, data, size);
  return 0;
}
