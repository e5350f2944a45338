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

// Inline: the importer calls it for every write it takes.
inline void MopWriteDecoder::decode(std::uint32_t offset, std::uint32_t value, double time) {
  if (offset > 24 || (offset & 1u) != 0) {
    return;
  }
  const auto id = static_cast<std::uint16_t>(value);
  switch (offset) {
    case 0:
      appendStartProc(stream_, seenIds_, time, id);
      break;
    case 2:
      stream_.append(TraceEvent(time, id, EventKind::END_PROC, 0, 0, 0.0, 0));
      break;
    case 4:
      pendingIrqWord_ |= value << 16;
      break;
    case 6:
      pendingIrqWord_ = value;
      break;
    case 8:
      stream_.append(TraceEvent(time, 0, EventKind::START_IRQ, value, 0,
                                static_cast<double>(pendingIrqWord_ >> 16),
                                static_cast<std::uint8_t>(pendingIrqWord_ & 0xFFu)));
      pendingIrqWord_ = 0;
      break;
    case 10:
      stream_.append(TraceEvent(time, 0, EventKind::END_IRQ, value, 0, 0.0, 0));
      break;
    case 14:
      stream_.append(
          TraceEvent(time, 0, EventKind::CLK_SPEED, 0, 0, listing::clockForCode(value), 0));
      break;
    case 16:
      stream_.append(TraceEvent(time, id, EventKind::USER_MARK, 0, 0, 0.0, 0));
      break;
    case 20:
      stream_.append(TraceEvent(time, 0, EventKind::USER_ENTER, value, 0, 0.0, 0));
      break;
    case 22:
      stream_.append(TraceEvent(time, 0, EventKind::USER_EXIT, value, 0, 0.0, 0));
      break;
    case 24:
      stream_.append(TraceEvent(time, 0, EventKind::PSEUDO_PROCESS, value, 0, 0.0, 0));
      break;
    default:
      break;
  }
}

}  // namespace kelvor
