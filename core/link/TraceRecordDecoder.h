#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "link/TraceRecord.h"
#include "model/EventStream.h"

namespace kelvor {

// Turns the chunks read from the trace channel during a recording into trace events.
//
// A chunk holds whole 6-byte records followed by fewer than 6 bytes that belong to no record;
// those trailing bytes are dropped (and counted), never joined with the next chunk. Time is kept
// across chunks: the first record of a recording is at 0.0 s, every later one at the previous
// record's time plus the timestamp difference in microseconds. Records of types 0 to 3 give an
// event (the type byte kept as its sourceType, number, address and clock 0); a START_PROC marks
// its id in the seen-id table. A record of any other type gives no event but still advances the
// time base, so that the next event keeps its distance to the records before it.
class TraceRecordDecoder {
 public:
  explicit TraceRecordDecoder(SeenIdTable& seenIds) : seenIds_(&seenIds) {}

  // Decodes the whole records of `chunk` in order and appends their events to `stream`.
  // Returns the number of events appended.
  std::size_t decodeChunk(std::span<const std::uint8_t> chunk, EventStream& stream);
  // The same, appending the events to `events`.
  std::size_t decodeChunk(std::span<const std::uint8_t> chunk, std::vector<TraceEvent>& events);
  // The same, returning the events instead.
  std::vector<TraceEvent> decodeChunk(std::span<const std::uint8_t> chunk);

  // Takes one record into the time base and gives its event, if its type has one. For callers
  // that handle each record on its own (the recording analyses after every record).
  std::optional<TraceEvent> decodeRecord(const TraceRecord& record);

  // Starts a new recording: the next record is at 0.0 s again and the counters start at 0. The
  // seen-id table is left alone; whoever owns it clears it.
  void reset();

  // Whole records read since the last reset, with or without an event.
  std::uint64_t recordsDecoded() const { return recordsDecoded_; }
  // Records since the last reset whose type has no event.
  std::uint64_t unusableRecords() const { return unusableRecords_; }
  // Bytes since the last reset dropped at chunk ends because they made no whole record.
  std::uint64_t remainderBytes() const { return remainderBytes_; }
  // The time of the last record read, in seconds since the first one.
  double accumulatedTime() const { return accumulatedTime_; }

 private:
  template <typename Sink>
  void decodeWhole(std::span<const std::uint8_t> chunk, Sink&& sink);

  SeenIdTable* seenIds_;
  bool firstRecordSeen_ = false;
  double accumulatedTime_ = 0.0;
  std::uint32_t previousTimestamp_ = 0;
  std::uint64_t recordsDecoded_ = 0;
  std::uint64_t unusableRecords_ = 0;
  std::uint64_t remainderBytes_ = 0;
};

}  // namespace kelvor
