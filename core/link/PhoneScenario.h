#pragma once

#include <cstdint>
#include <vector>

#include "link/TraceRecord.h"
#include "model/TraceEvent.h"

namespace kelvor {

// One record the simulated phone streams, and when: `dueMicros` counts microseconds from the
// moment tracing was enabled.
struct ScheduledRecord {
  std::uint64_t dueMicros = 0;
  TraceRecord record;
  bool operator==(const ScheduledRecord&) const = default;
};

// How a generated scenario looks. Processes take the ids 1..processes, tasks the ids from
// TaskIdBase, interrupts are sent as pseudo processes (type 3) with their number as id and user
// marks (type 2) with their number as id.
struct GeneratedScenario {
  static constexpr std::uint16_t TaskIdBase = 0x100;

  std::uint32_t recordCount = 1000;
  double recordsPerSecond = 1000.0;  // must be positive
  std::uint16_t processes = 4;
  std::uint16_t tasks = 2;
  std::uint16_t interrupts = 2;
  std::uint16_t userMarks = 1;
  std::uint32_t firstTimestamp = 0;  // 24-bit timestamp of the first record
  std::uint32_t seed = 1;
};

// The records a simulated phone streams while tracing is enabled, in order.
class PhoneScenario {
 public:
  PhoneScenario() = default;

  // The caller's records; each is due after the time its timestamp advanced from the first
  // record's, a smaller timestamp counting as a wrap of the 24-bit counter.
  static PhoneScenario fromRecords(const std::vector<TraceRecord>& records);
  // Records at a steady rate: the timestamps advance by 10^6 / rate microseconds a record and
  // wrap at 2^24. Throws std::invalid_argument for a rate that is not positive or when neither
  // processes nor tasks are given.
  static PhoneScenario generate(const GeneratedScenario& options);
  // The events that a trace record can carry (START_PROC, END_PROC, USER_MARK, PSEUDO_PROCESS;
  // others are skipped), each due at its time after the first such event, its timestamp that
  // time in 24-bit microseconds. A time earlier than the one before counts as the one before.
  static PhoneScenario replay(const std::vector<TraceEvent>& events);

  const std::vector<ScheduledRecord>& records() const { return records_; }
  std::size_t size() const { return records_.size(); }

 private:
  std::vector<ScheduledRecord> records_;
};

}  // namespace kelvor
