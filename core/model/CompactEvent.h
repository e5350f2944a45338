#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/TraceEvent.h"

namespace kelvor {

// An event as the stream keeps it: 16 bytes instead of the 32 of a TraceEvent. The time stays a
// double of its own (the searches read only it); the other fields share one 64-bit word:
//
//   bits  0..3   kind
//   bits  4..5   form: how the word reads (see CompactForm)
//   bits  8..15  sourceType
//   bits 16..31  id
//   bits 32..63  number
//
// Producers leave the address 0 and the clock 0 for most events; a START_IRQ carries an integer
// priority in the clock (with id 0), a CLK_SPEED one of the few clocks of a trace (with number
// 0). Those fit the word through the clock forms: the priority in the id bits, the clock as an
// index into the stream's table of distinct clocks. Any other event (a kind outside 0..15, a
// nonzero address, a clock that fits neither form) is wide: the word's bits from 16 on index a
// side table that holds the event whole, so every event still reads back exactly as appended.
struct CompactEvent {
  double time;
  std::uint64_t word;
};
static_assert(sizeof(CompactEvent) == 16, "a compact event takes 16 bytes");

enum class CompactForm : std::uint64_t {
  Plain = 0,         // clock 0.0, address 0
  ClockInId = 1,     // id 0; the id bits hold the clock, an integer 1..65535
  ClockInTable = 2,  // number 0; the number bits index the clock table
  Wide = 3,          // the bits from 16 on index the side table
};

namespace compact {

inline constexpr unsigned KindBits = 4;
inline constexpr std::uint64_t KindMask = (std::uint64_t{1} << KindBits) - 1;
inline constexpr unsigned FormShift = 4;
inline constexpr std::uint64_t FormMask = 3;
inline constexpr unsigned SourceTypeShift = 8;
inline constexpr unsigned IdShift = 16;
inline constexpr unsigned NumberShift = 32;
inline constexpr unsigned WideIndexShift = 16;
// Distinct clocks one stream's table holds; entry 0 is 0.0, so that reading the table at index
// 0 is always safe. Clocks past the limit (only damaged input has so many) go wide.
inline constexpr std::size_t ClockTableLimit = 256;

inline CompactForm formOf(std::uint64_t word) {
  return static_cast<CompactForm>((word >> FormShift) & FormMask);
}

inline std::uint64_t pack(std::uint32_t kind, CompactForm form, std::uint8_t sourceType,
                          std::uint16_t id, std::uint32_t number) {
  return std::uint64_t{kind} | (static_cast<std::uint64_t>(form) << FormShift) |
         (std::uint64_t{sourceType} << SourceTypeShift) | (std::uint64_t{id} << IdShift) |
         (std::uint64_t{number} << NumberShift);
}

// The index of `clock` in the table, added when it is new; 0 when the table is full. Compared
// bit for bit, so -0.0 and each NaN keep their own entry.
inline std::uint32_t clockIndex(double clock, std::vector<double>& clocks) {
  const auto bits = std::bit_cast<std::uint64_t>(clock);
  for (std::size_t i = 1; i < clocks.size(); ++i) {
    if (std::bit_cast<std::uint64_t>(clocks[i]) == bits) {
      return static_cast<std::uint32_t>(i);
    }
  }
  if (clocks.size() == ClockTableLimit) {
    return 0;
  }
  clocks.push_back(clock);
  return static_cast<std::uint32_t>(clocks.size() - 1);
}

// The word of an event that fits it, or false (the event goes wide). `clocks` is the stream's
// clock table, which gains the event's clock when it is new.
inline bool tryPack(const TraceEvent& e, std::vector<double>& clocks, std::uint64_t& word) {
  const auto kind = static_cast<std::uint32_t>(e.kind);
  if (kind > KindMask || e.address != 0) {
    return false;
  }
  if (std::bit_cast<std::uint64_t>(e.clock) == 0) {
    word = pack(kind, CompactForm::Plain, e.sourceType, e.id, e.number);
    return true;
  }
  if (e.id == 0 && e.clock >= 1.0 && e.clock <= 65535.0) {
    const auto whole = static_cast<std::uint16_t>(e.clock);
    if (static_cast<double>(whole) == e.clock) {
      word = pack(kind, CompactForm::ClockInId, e.sourceType, whole, e.number);
      return true;
    }
  }
  if (e.number == 0) {
    const std::uint32_t index = clockIndex(e.clock, clocks);
    if (index != 0) {
      word = pack(kind, CompactForm::ClockInTable, e.sourceType, e.id, index);
      return true;
    }
  }
  return false;
}

inline std::uint64_t wideWord(std::size_t index) {
  return (static_cast<std::uint64_t>(CompactForm::Wide) << FormShift) |
         (static_cast<std::uint64_t>(index) << WideIndexShift);
}

// The event a record stands for; `wide` is the side table, `clocks` the clock table. The fields
// are chosen with selects rather than branches: the form follows the kind, which varies from
// event to event without a pattern a branch predictor could learn. The wide case is a branch that
// is almost never taken.
inline TraceEvent unpack(const CompactEvent& r, const TraceEvent* wide, const double* clocks) {
  const std::uint64_t w = r.word;
  const CompactForm form = formOf(w);
  if (form == CompactForm::Wide) [[unlikely]] {
    return wide[w >> WideIndexShift];
  }
  const auto id = static_cast<std::uint16_t>(w >> IdShift);
  const auto number = static_cast<std::uint32_t>(w >> NumberShift);
  const bool clockInId = form == CompactForm::ClockInId;
  const bool clockInTable = form == CompactForm::ClockInTable;
  const double tableClock = clocks[clockInTable ? number : 0u];
  TraceEvent e;
  e.time = r.time;
  e.kind = static_cast<EventKind>(w & KindMask);
  e.sourceType = static_cast<std::uint8_t>(w >> SourceTypeShift);
  e.id = clockInId ? std::uint16_t{0} : id;
  e.number = clockInTable ? 0u : number;
  e.clock = clockInId ? static_cast<double>(id) : tableClock;
  return e;
}

}  // namespace compact

// Reads records in order for the loops over many events. Each field is decoded on its own, in
// registers, so a loop pays only for the fields it reads; a wide record costs one branch that is
// almost never taken.
class EventCursor {
 public:
  static constexpr std::uintptr_t PrefetchBytes = 64 * sizeof(CompactEvent);

  EventCursor(const CompactEvent* at, const TraceEvent* wide, const double* clocks)
      : at_(at), wide_(wide), clocks_(clocks) {}

  TraceEvent operator*() const { return compact::unpack(*at_, wide_, clocks_); }

  double time() const { return at_->time; }
  EventKind kind() const {
    return isWide() ? wideEvent().kind : static_cast<EventKind>(at_->word & compact::KindMask);
  }
  std::uint16_t id() const {
    if (isWide()) [[unlikely]] {
      return wideEvent().id;
    }
    return form() == CompactForm::ClockInId
               ? std::uint16_t{0}
               : static_cast<std::uint16_t>(at_->word >> compact::IdShift);
  }
  std::uint32_t number() const {
    if (isWide()) [[unlikely]] {
      return wideEvent().number;
    }
    return form() == CompactForm::ClockInTable
               ? 0u
               : static_cast<std::uint32_t>(at_->word >> compact::NumberShift);
  }
  double clock() const {
    const std::uint64_t w = at_->word;
    switch (compact::formOf(w)) {
      case CompactForm::Plain:
        return 0.0;
      case CompactForm::ClockInId:
        return static_cast<double>(static_cast<std::uint16_t>(w >> compact::IdShift));
      case CompactForm::ClockInTable:
        return clocks_[w >> compact::NumberShift];
      case CompactForm::Wide:
        break;
    }
    return wideEvent().clock;
  }

  EventCursor& operator++() {
    ++at_;
    return *this;
  }
  // Asks for the record PrefetchBytes ahead: a loop that does much work per event walks the
  // records faster than the hardware prefetcher runs ahead of it.
  void prefetchAhead() const {
    __builtin_prefetch(
        reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(at_) + PrefetchBytes));
  }
  friend bool operator==(const EventCursor& a, const EventCursor& b) { return a.at_ == b.at_; }

 private:
  CompactForm form() const { return compact::formOf(at_->word); }
  bool isWide() const { return form() == CompactForm::Wide; }
  const TraceEvent& wideEvent() const { return wide_[at_->word >> compact::WideIndexShift]; }

  const CompactEvent* at_;
  const TraceEvent* wide_;
  const double* clocks_;
};

}  // namespace kelvor
