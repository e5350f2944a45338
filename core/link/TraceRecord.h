#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "model/TraceEvent.h"

namespace kelvor {

// One trace record as the phone sends it on the trace channel: the 16-bit id (high byte first),
// a 24-bit microsecond timestamp (high byte first) and a record type.
inline constexpr std::size_t TraceRecordSize = 6;
inline constexpr std::uint32_t TraceTimestampMask = 0xFFFFFF;  // 24 bits

struct TraceRecord {
  std::uint16_t id = 0;
  std::uint32_t timestamp = 0;  // microseconds, 24 bits
  std::uint8_t type = 0;
  constexpr bool operator==(const TraceRecord&) const = default;
};

// The record types that carry an event.
enum class TraceRecordType : std::uint8_t {
  ProcessStart = 0,   // START_PROC
  ProcessEnd = 1,     // END_PROC
  UserMark = 2,       // USER_MARK
  PseudoProcess = 3,  // PSEUDO_PROCESS
};

// The event kind of a record type; nothing for a type that carries no event.
constexpr std::optional<EventKind> eventKindOf(std::uint8_t type) {
  switch (type) {
    case 0:
      return EventKind::START_PROC;
    case 1:
      return EventKind::END_PROC;
    case 2:
      return EventKind::USER_MARK;
    case 3:
      return EventKind::PSEUDO_PROCESS;
    default:
      return std::nullopt;
  }
}

constexpr std::array<std::uint8_t, TraceRecordSize> encodeTraceRecord(const TraceRecord& r) {
  const std::uint32_t t = r.timestamp & TraceTimestampMask;
  return {static_cast<std::uint8_t>(r.id >> 8), static_cast<std::uint8_t>(r.id & 0xFF),
          static_cast<std::uint8_t>(t >> 16),   static_cast<std::uint8_t>((t >> 8) & 0xFF),
          static_cast<std::uint8_t>(t & 0xFF),  r.type};
}

// `bytes` must hold TraceRecordSize bytes.
constexpr TraceRecord decodeTraceRecord(const std::uint8_t* bytes) {
  return TraceRecord{static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]),
                     (static_cast<std::uint32_t>(bytes[2]) << 16) |
                         (static_cast<std::uint32_t>(bytes[3]) << 8) | bytes[4],
                     bytes[5]};
}

}  // namespace kelvor
