#pragma once

#include <algorithm>
#include <bit>
#include <bitset>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

#include "model/CompactEvent.h"
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
//
// Events are kept compact (CompactEvent: 16 bytes for every event a producer makes, with the
// rare event that does not fit in a side table) and read back as TraceEvent values, field for
// field as appended. The loops over many events read the records through an EventCursor, which
// decodes only the fields they use.
class EventStream {
 public:
  class const_iterator;

  explicit EventStream(EntryRegistry* registry = nullptr) : registry_(registry) {}
  EventStream(const EventStream&) = delete;
  EventStream& operator=(const EventStream&) = delete;

  // Stores the event, then lets the registry see it. Only starts and ends of processes and
  // interrupts can create entries, so other kinds skip the call.
  void append(const TraceEvent& event) {
    const auto kind = static_cast<std::uint32_t>(event.kind);
    // Most events carry neither clock nor address: their word is packed here, the rest out of
    // line.
    const std::uint64_t word =
        kind <= compact::KindMask && event.address == 0 &&
                std::bit_cast<std::uint64_t>(event.clock) == 0
            ? compact::pack(kind, CompactForm::Plain, event.sourceType, event.id, event.number)
            : packOther(event);
    records_.push_back(CompactEvent{event.time, word});
    if (registry_ != nullptr && event.kind >= EventKind::START_PROC &&
        event.kind <= EventKind::END_IRQ) {
      registry_->registerEntry(event);
    }
  }

  void reserve(std::size_t count) { records_.reserve(count); }
  std::size_t capacity() const { return records_.capacity(); }
  void clear() {
    records_.clear();
    wide_.clear();
    clocks_.resize(1);
  }
  // Bytes the events take: their records, the side table and the clock table. Capacity
  // reserved beyond them is left out (pages never written are never touched).
  std::size_t storageBytes() const {
    return records_.size() * sizeof(CompactEvent) + wide_.size() * sizeof(TraceEvent) +
           clocks_.size() * sizeof(double);
  }

  std::size_t size() const { return records_.size(); }
  bool empty() const { return records_.empty(); }
  TraceEvent operator[](std::size_t index) const {
    return compact::unpack(records_[index], wide_.data(), clocks_.data());
  }
  const_iterator begin() const;
  const_iterator end() const;
  // A cursor at the event `index` (size() for the end). Valid until the next append or clear.
  EventCursor cursorAt(std::size_t index) const {
    return EventCursor(records_.data() + index, wide_.data(), clocks_.data());
  }

  double firstTime() const { return records_.empty() ? 0.0 : records_.front().time; }
  double lastTime() const { return records_.empty() ? 0.0 : records_.back().time; }

  // Index of the first event at or after t; size() when there is none.
  std::size_t indexAtOrAfter(double t) const {
    auto it = std::partition_point(records_.begin(), records_.end(),
                                   [t](const CompactEvent& e) { return e.time < t; });
    return static_cast<std::size_t>(it - records_.begin());
  }

  // Position of the first event at or after t; the last event when there is none.
  // Only meaningful on a non-empty stream.
  const_iterator positionAtOrAfter(double t) const;

 private:
  std::uint64_t packOther(const TraceEvent& event);

  std::vector<CompactEvent> records_;
  std::vector<TraceEvent> wide_;     // the events that do not fit a record, in append order
  std::vector<double> clocks_{0.0};  // the distinct clocks the records index; 0.0 first
  EntryRegistry* registry_;
};

// A random-access iterator that reads events by value.
class EventStream::const_iterator {
 public:
  using iterator_category = std::random_access_iterator_tag;
  using iterator_concept = std::random_access_iterator_tag;
  using value_type = TraceEvent;
  using difference_type = std::ptrdiff_t;
  using reference = TraceEvent;
  // operator-> hands out a copy of the event that lives as long as the expression.
  struct pointer {
    TraceEvent event;
    const TraceEvent* operator->() const { return &event; }
  };

  const_iterator() = default;
  const_iterator(const EventStream* stream, std::size_t index) : stream_(stream), index_(index) {}

  TraceEvent operator*() const { return (*stream_)[index_]; }
  pointer operator->() const { return pointer{**this}; }
  TraceEvent operator[](difference_type n) const { return *(*this + n); }

  const_iterator& operator++() {
    ++index_;
    return *this;
  }
  const_iterator operator++(int) {
    const_iterator old = *this;
    ++index_;
    return old;
  }
  const_iterator& operator--() {
    --index_;
    return *this;
  }
  const_iterator operator--(int) {
    const_iterator old = *this;
    --index_;
    return old;
  }
  const_iterator& operator+=(difference_type n) {
    index_ = static_cast<std::size_t>(static_cast<difference_type>(index_) + n);
    return *this;
  }
  const_iterator& operator-=(difference_type n) { return *this += -n; }
  friend const_iterator operator+(const_iterator it, difference_type n) { return it += n; }
  friend const_iterator operator+(difference_type n, const_iterator it) { return it += n; }
  friend const_iterator operator-(const_iterator it, difference_type n) { return it -= n; }
  friend difference_type operator-(const const_iterator& a, const const_iterator& b) {
    return static_cast<difference_type>(a.index_) - static_cast<difference_type>(b.index_);
  }
  friend bool operator==(const const_iterator& a, const const_iterator& b) {
    return a.index_ == b.index_;
  }
  friend auto operator<=>(const const_iterator& a, const const_iterator& b) {
    return a.index_ <=> b.index_;
  }

 private:
  const EventStream* stream_ = nullptr;
  std::size_t index_ = 0;
};

inline EventStream::const_iterator EventStream::begin() const {
  return const_iterator(this, 0);
}
inline EventStream::const_iterator EventStream::end() const {
  return const_iterator(this, records_.size());
}
inline EventStream::const_iterator EventStream::positionAtOrAfter(double t) const {
  const std::size_t index = indexAtOrAfter(t);
  return const_iterator(this, index < records_.size() ? index : records_.size() - 1);
}

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
