#include "link/PhoneScenario.h"

#include <cmath>
#include <optional>
#include <random>
#include <stdexcept>

namespace kelvor {

PhoneScenario PhoneScenario::fromRecords(const std::vector<TraceRecord>& records) {
  PhoneScenario scenario;
  scenario.records_.reserve(records.size());
  std::uint64_t due = 0;
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (i > 0) {
      // Modulo 2^24: a smaller timestamp is a wrap of the counter.
      due += ((records[i].timestamp - records[i - 1].timestamp) & TraceTimestampMask);
    }
    TraceRecord record = records[i];
    record.timestamp &= TraceTimestampMask;
    scenario.records_.push_back({due, record});
  }
  return scenario;
}

PhoneScenario PhoneScenario::generate(const GeneratedScenario& options) {
  if (!(options.recordsPerSecond > 0.0) || !std::isfinite(options.recordsPerSecond)) {
    throw std::invalid_argument("the record rate of a generated scenario must be positive");
  }
  const std::uint32_t entries = std::uint32_t{options.processes} + options.tasks;
  if (entries == 0) {
    throw std::invalid_argument("a generated scenario needs at least one process or task");
  }
  const auto entryId = [&](std::uint32_t index) {
    return index < options.processes ? static_cast<std::uint16_t>(index + 1)
                                     : static_cast<std::uint16_t>(GeneratedScenario::TaskIdBase +
                                                                  (index - options.processes));
  };

  PhoneScenario scenario;
  scenario.records_.reserve(options.recordCount);
  std::minstd_rand random(options.seed == 0 ? 1 : options.seed);
  const double period = 1.0e6 / options.recordsPerSecond;
  std::optional<std::uint16_t> running;
  const auto add = [&](std::uint16_t id, TraceRecordType type) {
    const auto index = static_cast<double>(scenario.records_.size());
    const auto due = static_cast<std::uint64_t>(std::floor(index * period));
    const auto timestamp =
        static_cast<std::uint32_t>((options.firstTimestamp + due) & TraceTimestampMask);
    scenario.records_.push_back({due, TraceRecord{id, timestamp, static_cast<std::uint8_t>(type)}});
  };
  while (scenario.records_.size() < options.recordCount) {
    const auto roll = random() % 100;
    if (options.userMarks > 0 && roll < 5) {
      add(static_cast<std::uint16_t>(random() % options.userMarks + 1), TraceRecordType::UserMark);
    } else if (options.interrupts > 0 && roll < 25) {
      add(static_cast<std::uint16_t>(random() % options.interrupts + 1),
          TraceRecordType::PseudoProcess);
    } else if (running.has_value()) {
      add(*running, TraceRecordType::ProcessEnd);
      running.reset();
    } else {
      running = entryId(static_cast<std::uint32_t>(random() % entries));
      add(*running, TraceRecordType::ProcessStart);
    }
  }
  return scenario;
}

PhoneScenario PhoneScenario::replay(const std::vector<TraceEvent>& events) {
  PhoneScenario scenario;
  std::optional<double> start;
  std::uint64_t previousDue = 0;
  for (const TraceEvent& event : events) {
    std::uint8_t type = 0;
    std::uint16_t id = event.id;
    switch (event.kind) {
      case EventKind::START_PROC:
        type = static_cast<std::uint8_t>(TraceRecordType::ProcessStart);
        break;
      case EventKind::END_PROC:
        type = static_cast<std::uint8_t>(TraceRecordType::ProcessEnd);
        break;
      case EventKind::USER_MARK:
        type = static_cast<std::uint8_t>(TraceRecordType::UserMark);
        id = event.id != 0 ? event.id : static_cast<std::uint16_t>(event.number);
        break;
      case EventKind::PSEUDO_PROCESS:
        type = static_cast<std::uint8_t>(TraceRecordType::PseudoProcess);
        id = event.number != 0 ? static_cast<std::uint16_t>(event.number) : event.id;
        break;
      default:
        continue;
    }
    if (!start.has_value()) {
      start = event.time;
    }
    const double micros = std::round((event.time - *start) * 1.0e6);
    std::uint64_t due = previousDue;
    if (std::isfinite(micros) && micros > static_cast<double>(previousDue) && micros < 1.8e19) {
      due = static_cast<std::uint64_t>(micros);
    }
    previousDue = due;
    scenario.records_.push_back(
        {due, TraceRecord{id, static_cast<std::uint32_t>(due & TraceTimestampMask), type}});
  }
  return scenario;
}

}  // namespace kelvor
