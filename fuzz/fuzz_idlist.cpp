// The ID list reader (.txt / .cepid) on arbitrary text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "model/IdFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kelvor::ProcessTable table;
  kelvor::idfiles::readIdList(std::string_view(reinterpret_cast<const char*>(data), size), table);
  return 0;
}
