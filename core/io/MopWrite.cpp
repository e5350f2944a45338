#include "io/MopWrite.h"

namespace kelvor {

namespace listing {

double clockForCode(std::uint32_t code) {
  switch (code) {
    case 2:
      return 32.0;
    case 3:
      return 3.25;
    case 4:
      return 6.5;
    case 5:
      return 13.0;
    case 6:
      return 26.0;
    case 7:
      return 48.0;
    case 8:
      return 52.0;
    case 9:
      return 89.1;
    case 10:
      return 104.0;
    default:
      return 0.0;
  }
}

}  // namespace listing

void MopWriteDecoder::decode(std::uint32_t offset, std::uint32_t value, double time) {
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
