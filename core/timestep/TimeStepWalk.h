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
// userActive flags) and keeps the flag of each entry it meets as it sets and clears it; when the
// walk ends the records of those entries take the flags (a missing record is created through
// statsFor), so a section still open at the end stays flagged.
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

  // Continues the last walk over the events appended to the stream since, keeping the open
  // activations, the open user sections and the variables of the top level. Afterwards the
  // result is exactly what run(clockStartMhz) over the whole stream gives, and the records'
  // userActive flags are as run() leaves them. The activations still open at the end are closed
  // at the last event as run() closes them, provisionally: the next call takes those stretches
  // back out before it walks on. The work grows with the new events, the open activations and
  // the rows that gain entries, not with the stream.
  //
  // Walks the whole stream instead (as run() does) before the first walk, when the stream got
  // shorter or now begins at another time (it was cleared and refilled), when the start clock
  // differs from the walk's, and once any event time walked is NaN (no start order then). The
  // console lines come once, when the walk meets their event.
  const TimeStepResult& extend(double clockStartMhz);

  const TimeStepResult& result() const { return result_; }
  // Events walked by the last run or extension.
  std::size_t walked() const { return walked_; }
  // Counts the walks begun from the first event. Between two of them the result changes only
  // as extend() changes it: the lists of pieces, marks and top-level clock points only grow, the
  // clock curve replaces just its last point (the value held up to the last event), rows keep
  // their order and gain stretches, and within a row only the stretches from its settled() on
  // change.
  std::uint64_t walkCount() const { return walkCount_; }

 private:
  static constexpr std::uint32_t NoIndex = 0xFFFFFFFFu;

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
  // Walks the events from index `from` to the end of the stream.
  void walkEvents(const EventStream& stream, std::size_t from);
  void closeOpenActivations(double lastTime);
  bool withdrawClosing();
  void finishWalk(double lastTime);
  void presentExtension(double lastTime, std::size_t knownRows);
  void sortNewRows(std::size_t knownRows);
  void publishFlags();
  std::uint32_t rowOf(std::uint32_t entry);
  std::uint32_t& slotOf(std::uint32_t entry);
  void checkHighId(std::uint32_t entry);
  void userSection(double userStart, bool closes, double now, double segmentStart,
                   std::uint32_t entry, std::uint32_t row);
  void userMark(const TraceEvent& event);
  void topLevel(const TraceEvent& event);
  void nested(const TraceEvent& event);

  StatisticsEngine& engine_;
  std::ostream* console_;
  std::vector<std::uint32_t> dense_;  // row by entry id for the ids of processes and interrupts
  std::unordered_map<std::uint32_t, std::uint32_t> sparse_;  // row by any other entry id
  // By row: the entry's user flag as the walk keeps it; written into the records when a walk or
  // an extension ends, since an analysis in between resets the records' flags.
  std::vector<std::uint8_t> active_;
  std::vector<std::uint8_t> met_;  // by row: the entry occurred in this walk
  std::vector<Frame> stack_;
  TimeStepResult result_;
  std::size_t reservedFor_ = 0;  // stream size the storage was last counted for; 0 for none

  // What an extension continues from.
  std::size_t walked_ = 0;
  std::uint64_t walkCount_ = 0;
  double clockStart_ = 0.0;
  bool timesBroken_ = false;  // a NaN time was walked

  // Variables of the top level (outside every activation).
  double firstTime_ = 0.0;
  std::uint32_t userDepth_ = 0;
  double userStart_ = 0.0;
  bool haveLastId_ = false;
  std::uint32_t lastId_ = 0;
};

}  // namespace kelvor
