#pragma once

#include <cstdint>
#include <iosfwd>
#include <unordered_map>
#include <vector>

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
// `console`, when given, receives the warning for an interrupt entry above the regular range
// each time an activation of it starts or an unmatched end of it is met.
//
// The object keeps its storage between walks: a view that walks on every paint reuses the arrays
// of the previous walk instead of allocating them anew. Before the first walk over a stream (and
// whenever the stream's size has changed by more than an eighth since) a counting pass finds how
// many stretches, pieces, marks and clock points the walk will make, so each array is allocated
// once at its final size instead of growing and copying.
class TimeStepWalk {
 public:
  explicit TimeStepWalk(StatisticsEngine& engine, std::ostream* console = nullptr);

  // Walks the whole stream; `clockStartMhz` is the first value of the clock curve. The result
  // stays valid until the next run.
  const TimeStepResult& run(double clockStartMhz);

 private:
  // One open activation.
  struct Frame {
    std::uint32_t row;    // index into the result's rows
    double segmentStart;  // start of the current stretch
    double userStart;     // time of the first enter of the open user section, 0 when none
    std::uint32_t depth;  // user-section nesting inside this activation
  };

  void beginWalk(double clockStartMhz);
  void reserveStorage(const EventStream& stream);
  std::uint32_t slotRow(std::uint32_t entry);
  void finishWalk(double lastTime);
  std::uint32_t rowOf(std::uint32_t entry);
  std::uint32_t& slotOf(std::uint32_t entry);
  void checkHighId(std::uint32_t entry);
  void userSection(double userStart, bool closes, double now, double segmentStart,
                   std::uint32_t entry, ProcessStats* record);
  void userMark(const TraceEvent& event);
  void topLevel(const TraceEvent& event);
  void nested(const TraceEvent& event);

  StatisticsEngine& engine_;
  std::ostream* console_;
  std::vector<std::uint32_t> dense_;  // row by entry id for the ids of processes and interrupts
  std::unordered_map<std::uint32_t, std::uint32_t> sparse_;  // row by any other entry id
  std::vector<ProcessStats*> records_;                       // by row, fetched anew on every walk
  std::vector<std::uint8_t> met_;  // by row: the entry occurred in this walk
  std::vector<Frame> stack_;
  TimeStepResult result_;
  std::size_t reservedFor_ = 0;  // stream size the storage was last counted for; 0 for none

  // Variables of the top level (outside every activation).
  double firstTime_ = 0.0;
  std::uint32_t userDepth_ = 0;
  double userStart_ = 0.0;
  bool haveLastId_ = false;
  std::uint32_t lastId_ = 0;
};

}  // namespace kelvor
