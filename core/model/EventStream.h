#pragma once

#include <algorithm>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/TraceEvent.h"

namespace kelvor {

// Receives every appended event so that the statistics engine can create a record for an entry
// the first time it appears.
class EntryRegistry {
 public:
  virtual void registerEntry(const TraceEvent& event) = 0;

 protected:
  ~EntryRegistry() = default;
};

// The events of one trace in append order. Producers append in non-decreasing time; the stream
// is never sorted, and the searches below rely on that order.
class EventStream {
 public:
  using const_iterator = std::vector<TraceEvent>::const_iterator;

  explicit EventStream(EntryRegistry* registry = nullptr) : registry_(registry) {}
  EventStream(const EventStream&) = delete;
  EventStream& operator=(const EventStream&) = delete;

  // Stores a copy of the event, then lets the registry see it. Only starts and ends of processes
  // and interrupts can create entries, so other kinds skip the call.
  void append(const TraceEvent& event) {
    events_.push_back(event);
    if (registry_ != nullptr && event.kind >= EventKind::START_PROC &&
        event.kind <= EventKind::END_IRQ) {
      registry_->registerEntry(event);
    }
  }

  void reserve(std::size_t count) { events_.reserve(count); }
  std::size_t capacity() const { return events_.capacity(); }
  void clear() { events_.clear(); }

  std::size_t size() const { return events_.size(); }
  bool empty() const { return events_.empty(); }
  const TraceEvent& operator[](std::size_t index) const { return events_[index]; }
  const TraceEvent* data() const { return events_.data(); }
  const_iterator begin() const { return events_.begin(); }
  const_iterator end() const { return events_.end(); }

  double firstTime() const { return events_.empty() ? 0.0 : events_.front().time; }
  double lastTime() const { return events_.empty() ? 0.0 : events_.back().time; }

  // Index of the first event at or after t; size() when there is none.
  std::size_t indexAtOrAfter(double t) const {
    auto it = std::partition_point(events_.begin(), events_.end(),
                                   [t](const TraceEvent& e) { return e.time < t; });
    return static_cast<std::size_t>(it - events_.begin());
  }

  // Position of the first event at or after t; the last event when there is none.
  // Only meaningful on a non-empty stream.
  const_iterator positionAtOrAfter(double t) const {
    const std::size_t index = indexAtOrAfter(t);
    return events_.begin() +
           static_cast<std::ptrdiff_t>(index < events_.size() ? index : events_.size() - 1);
  }

 private:
  std::vector<TraceEvent> events_;
  EntryRegistry* registry_;
};

// One flag per 16-bit process id, set by a producer when it appends the first START_PROC of that
// id, plus the number of flags set.
class SeenIdTable {
 public:
  // Sets the id's flag; returns true when it was clear (the id is new).
  bool markSeen(std::uint16_t id) {
    if (flags_.test(id)) {
      return false;
    }
    flags_.set(id);
    ++count_;
    return true;
  }
  bool isSeen(std::uint16_t id) const { return flags_.test(id); }
  // Sets the flag of every id seen in `other`.
  void markAll(const SeenIdTable& other) {
    flags_ |= other.flags_;
    count_ = static_cast<std::uint32_t>(flags_.count());
  }
  std::uint32_t count() const { return count_; }
  void clear() {
    flags_.reset();
    count_ = 0;
  }

 private:
  std::bitset<65536> flags_;  // held in place: a small load allocates nothing for it
  std::uint32_t count_ = 0;
};

}  // namespace kelvor
