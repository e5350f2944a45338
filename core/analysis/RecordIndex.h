#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "analysis/ProcessStats.h"

namespace kelvor {

// The statistics records of a trace by entry id, so the walk resolves a record with two array
// reads instead of a map search. Ids below Limit (the 16-bit process ids and the interrupt ids
// 0x10000 plus the number) are kept in pages of 256 slots, allocated when the first id of a page
// gets its record: a trace with a few processes and interrupts costs a few small pages, not a
// table over every possible id, which keeps small loads cheap. Ids from Limit on are never
// covered.
class RecordIndex {
 public:
  static constexpr std::uint32_t Limit = 0x20000;

  // Whether the index holds a slot for the id; a covered id without a record is absent.
  bool covers(std::uint32_t entryId) const {
    return entryId < Limit && pages_[entryId >> PageShift] != nullptr;
  }
  // The record of a covered id, null when it has none.
  ProcessStats* at(std::uint32_t entryId) const {
    return (*pages_[entryId >> PageShift])[entryId & SlotMask];
  }

  // Stores the record of an id below Limit.
  void set(std::uint32_t entryId, ProcessStats* record) {
    std::unique_ptr<Page>& page = pages_[entryId >> PageShift];
    if (!page) {
      page = std::make_unique<Page>();
    }
    (*page)[entryId & SlotMask] = record;
  }

  void clear() {
    for (auto& page : pages_) {
      page.reset();
    }
  }

 private:
  static constexpr std::uint32_t PageShift = 8;
  static constexpr std::uint32_t SlotMask = (1u << PageShift) - 1;
  using Page = std::array<ProcessStats*, std::size_t{1} << PageShift>;

  std::array<std::unique_ptr<Page>, (Limit >> PageShift)> pages_{};
};

}  // namespace kelvor
