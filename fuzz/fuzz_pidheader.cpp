// The PID header reader (PID and interrupt-sources headers) on arbitrary text.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string_view>

#include "model/IdFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kelvor::ProcessTable table;
  std::ostringstream console;
  kelvor::idfiles::readPidHeader(std::string_view(reinterpret_cast<const char*>(data), size), table,
                                 &console);
  return 0;
}
