// Feeds arbitrary bytes to the importer as an event export (.mes).
#include "ImportFuzzing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kelvor::fuzz::importAndAnalyse(kelvor::TextTraceFormat::Mes, 0x20, data, size);
  return 0;
}
