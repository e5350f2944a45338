#include "model/EventStream.h"

namespace kelvor {

// Out of line: events that do not fit a record are rare, and keeping this off append's path
// keeps append small enough to inline into the producers' loops. The index cannot run out: 2^48
// wide events would take more memory than any machine has.
std::uint64_t EventStream::appendWide(const TraceEvent& event) {
  const std::uint64_t word = compact::wideWord(wide_.size());
  wide_.push_back(event);
  return word;
}

}  // namespace kelvor
