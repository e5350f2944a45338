#pragma once

#include <cstdint>
#include <iosfwd>

#include "analysis/StatisticsEngine.h"
#include "timestep/TimeStepSegments.h"

namespace kelvor {

// Gives each visible record the next row of the id order (0, 1, 2, ...) going through the
// statistics in ascending id; returns the number of entry rows.
std::uint32_t numberVisibleRows(StatisticsEngine& engine);

// Walks the engine's event stream once, first to last event, and collects the stretches of every
// process, task, HISR and interrupt, the user-marked run time, the user marks and the clock
// changes. Nested activations are kept on an explicit stack, so the nesting depth is bounded only
// by memory. Every walk starts with all user sections closed (it clears the records'
// userActive flags), then sets and clears the flags of the records it charges (creating a
// missing record through statsFor); a section still open at the end stays flagged.
// `clockStartMhz` is the first value of the clock curve; `console`, when given, receives the
// warning for an interrupt entry above the regular range each time an activation of it starts
// or an unmatched end of it is met.
class TimeStepWalk {
 public:
  explicit TimeStepWalk(StatisticsEngine& engine, std::ostream* console = nullptr)
      : engine_(engine), console_(console) {}

  TimeStepResult run(double clockStartMhz);

 private:
  StatisticsEngine& engine_;
  std::ostream* console_;
};

}  // namespace kelvor
