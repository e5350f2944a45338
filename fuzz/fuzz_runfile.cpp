// The run file reader on arbitrary bytes: it fills an engine and analyses it. The session and
// the engine are kept between inputs (the reader empties the engine, the seen ids and the name
// table first), which spares large allocations per input.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string_view>

#include "io/RunFile.h"
#include "session/Session.h"

namespace {

struct State {
  kelvor::MemorySettingsBackend backend;
  kelvor::Session session{backend};
  kelvor::StatisticsEngine engine{session.analysis};
  State() { session.analysis.console = nullptr; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static State state;
  state.session.analysis.nestingWarned = false;
  kelvor::RunFile::readBytes(state.session, state.engine,
                             std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
