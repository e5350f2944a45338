#include "model/TraceEvent.h"

namespace kelvor {

std::string_view kindName(EventKind kind) {
  switch (kind) {
    case EventKind::START_PROC:
      return "START_PROC";
    case EventKind::END_PROC:
      return "END_PROC";
    case EventKind::START_IRQ:
      return "START_IRQ";
    case EventKind::END_IRQ:
      return "END_IRQ";
    case EventKind::RAISE_IRQ_LEVEL:
      return "RAISE_IRQ_LEVEL";
    case EventKind::SET_IRQ_LEVEL:
      return "SET_IRQ_LEVEL";
    case EventKind::RESTORE_IRQ_LEVEL:
      return "RESTORE_IRQ_LEVEL";
    case EventKind::CLK_SPEED:
      return "CLK_SPEED";
    case EventKind::USER_MARK:
      return "USER_MARK";
    case EventKind::USER_ENTER:
      return "USER_ENTER";
    case EventKind::USER_EXIT:
      return "USER_EXIT";
    case EventKind::PSEUDO_PROCESS:
      return "PSEUDO_PROCESS";
  }
  return "INVALID";
}

std::uint32_t eventKey(const TraceEvent& event) {
  switch (event.kind) {
    case EventKind::START_IRQ:
    case EventKind::END_IRQ:
    case EventKind::PSEUDO_PROCESS:
      return event.number;
    case EventKind::USER_MARK:
    case EventKind::USER_ENTER:
    case EventKind::USER_EXIT:
      return UserMarkIdBase + (event.id != 0 ? event.id : event.number);
    default:
      return event.id;
  }
}

}  // namespace kelvor
