#include "model/EventStream.h"

namespace kelvor {

// Out of line: events with a clock or an address are few, and keeping them off append's path
// keeps append small enough to inline into the producers' loops. The side table's index cannot
// run out: 2^48 wide events would take more memory than any machine has.
std::uint64_t EventStream::packOther(const TraceEvent& event) {
  std::uint64_t word;
  if (compact::tryPack(event, clocks_, word)) {
    return word;
  }
  word = compact::wideWord(wide_.size());
  wide_.push_back(event);
  return word;
}

}  // namespace kelvor
