#pragma once

#include <cstdint>
#include <string_view>

namespace kelvor {

// What a trace event reports. Values outside 1..12 may occur in input; they stay in the stream,
// show as "INVALID" and are ignored by the analyses.
enum class EventKind : std::uint32_t {
  START_PROC = 1,
  END_PROC = 2,
  START_IRQ = 3,
  END_IRQ = 4,
  RAISE_IRQ_LEVEL = 5,
  SET_IRQ_LEVEL = 6,
  RESTORE_IRQ_LEVEL = 7,
  CLK_SPEED = 8,
  USER_MARK = 9,
  USER_ENTER = 10,
  USER_EXIT = 11,
  PSEUDO_PROCESS = 12,
};

// Entry ids: processes and tasks use 0x00000-0x0FFFF, interrupt n uses InterruptIdBase + n,
// user mark n uses UserMarkIdBase + n.
inline constexpr std::uint32_t InterruptIdBase = 0x10000;
inline constexpr std::uint32_t UserMarkIdBase = 0x20000;
// Interrupt entries above this id (interrupt numbers above 256) are accepted but reported.
inline constexpr std::uint32_t HighestRegularInterruptId = 0x10100;

// One trace event, copied by value. The constructor takes the fields in the model's order (time,
// id, kind, number, address, clock, sourceType); the members are laid out widest first so that an
// event takes 32 bytes instead of 40. The stream keeps events in 16 bytes (CompactEvent) and hands
// them out as TraceEvents.
struct TraceEvent {
  double time = 0.0;            // seconds on the source's time base
  double clock = 0.0;           // new clock in MHz for CLK_SPEED (importer: START_IRQ priority)
  std::uint32_t number = 0;     // interrupt / pseudo-process / user-mark number, or lock bits
  std::uint32_t address = 0;    // interrupt address where the producer has one
  EventKind kind{};             // what happened
  std::uint16_t id = 0;         // process/task id, or user-mark number when non-zero
  std::uint8_t sourceType = 0;  // producer-specific raw type byte; not read by the analyses

  TraceEvent() = default;
  TraceEvent(double time_, std::uint16_t id_, EventKind kind_, std::uint32_t number_,
             std::uint32_t address_, double clock_, std::uint8_t sourceType_)
      : time(time_),
        clock(clock_),
        number(number_),
        address(address_),
        kind(kind_),
        id(id_),
        sourceType(sourceType_) {}
};
static_assert(sizeof(TraceEvent) <= 32, "an event must stay within 32 bytes");

// "START_PROC", ..., "PSEUDO_PROCESS"; "INVALID" for any other value.
std::string_view kindName(EventKind kind);

// The key shown and exported for an event: raw interrupt / pseudo-process number, user marks
// offset by UserMarkIdBase, the id for everything else.
std::uint32_t eventKey(const TraceEvent& event);

// The entry id the analyses charge: the id for START_PROC/END_PROC, InterruptIdBase + number for
// START_IRQ/END_IRQ, 0 for every other kind.
inline std::uint32_t entryId(const TraceEvent& event) {
  switch (event.kind) {
    case EventKind::START_PROC:
    case EventKind::END_PROC:
      return event.id;
    case EventKind::START_IRQ:
    case EventKind::END_IRQ:
      return InterruptIdBase + event.number;
    default:
      return 0;
  }
}

}  // namespace kelvor
