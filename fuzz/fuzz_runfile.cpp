// The run file reader on arbitrary bytes: it fills an engine and analyses it. The engine is kept
// between inputs (the reader empties it first), which spares large allocations per input.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string_view>

#include "analysis/StatisticsEngine.h"
#include "io/RunFile.h"

namespace {

struct State {
  kelvor::AnalysisContext analysis;
  kelvor::StatisticsEngine engine{analysis};
  State() { analysis.console = nullptr; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static State state;
  state.analysis.nestingWarned = false;
  kelvor::RunFile::readBytes(state.engine,
                             std::string_view(reinterpret_cast<const char*>(data), size), nullptr);
  return 0;
}
