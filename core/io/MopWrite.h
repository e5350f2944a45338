#pragma once

#include <cstdint>

#include "model/EventStream.h"

namespace kelvor {

namespace listing {

// The clock in MHz of a clock-change code; 0.0 for an unknown code.
double clockForCode(std::uint32_t code);

}  // namespace listing

// Appends the start of a process and marks its id as seen.
inline void appendStartProc(EventStream& stream, SeenIdTable& seenIds, double time,
                            std::uint16_t id) {
  seenIds.markSeen(id);
  stream.append(TraceEvent(time, id, EventKind::START_PROC, 0, 0, 0.0, 0));
}

// Turns the firmware's writes into its MOP area, as a listing shows them, into events. Each even
// offset up to 24 is one register; the interrupt word of a START_IRQ is put together from the
// writes at offsets 6 (low half, and it clears the high half) and 4 (high half) before it.
class MopWriteDecoder {
 public:
  MopWriteDecoder(EventStream& stream, SeenIdTable& seenIds) : stream_(stream), seenIds_(seenIds) {}

  // Turns a write of `value` at `offset` within the MOP area into at most one event at `time`.
  void decode(std::uint32_t offset, std::uint32_t value, double time);

 private:
  EventStream& stream_;
  SeenIdTable& seenIds_;
  std::uint32_t pendingIrqWord_ = 0;
};

}  // namespace kelvor
