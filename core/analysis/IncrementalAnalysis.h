#pragma once

#include <cstddef>
#include <cstdint>
#include <map>

#include "analysis/ActivationWalk.h"
#include "analysis/ProcessStats.h"
#include "analysis/RecordIndex.h"
#include "analysis/TimeWindow.h"

namespace kelvor {

class StatisticsEngine;

// Keeps the statistics of a growing stream up to date while it is being recorded. update() walks
// only the events appended since the last call, keeping the stack of open activations and the
// charges of the finished ones between calls, and then publishes into the engine exactly what
// analyse(window) would leave there: every record, the window values, the current clock and
// the lock periods. Publishing costs one pass over the records and the open activations, so the
// work per appended event does not grow with the stream.
//
// The walk starts at the clock a full analysis would start at when the incremental analysis is
// created or reset (the settings' start clock, else the engine's current clock) and keeps it for
// the whole stream.
//
// Finished activations are charged as soon as their end is met. That is final as long as no
// event lies after the stream's last event in time, which holds for producers appending in
// non-decreasing time. When a later event breaks that (or a time is NaN), the published values
// come from a full analyse() of the stream instead, until the order is restored.
//
// The console lines about wrong ends and high interrupt ids come once, when the walk meets the
// event or finishes the activation, not again at every update; the nesting warning still shows
// once.
class IncrementalAnalysis {
 public:
  explicit IncrementalAnalysis(StatisticsEngine& engine,
                               TimeWindow window = TimeWindow::wholeTrace());

  // Forgets everything walked so far; the next update() walks the stream from its first event.
  // Needed after the engine's stream is cleared and refilled.
  void reset();

  // Walks the events appended since the last update and publishes the statistics.
  void update();

  // Number of events walked so far.
  std::size_t walked() const { return walked_; }
  // Whether the last update published from the running state (false: from a full analyse).
  bool lastUpdateWasIncremental() const { return incremental_; }

 private:
  struct Host;
  void advance();
  void publish();
  ProcessStats& accumulator(std::uint32_t entryId);

  StatisticsEngine& engine_;
  TimeWindow window_;
  ActivationWalk walk_;
  std::size_t walked_ = 0;
  double startClock_ = 0.0;
  double windowStart_ = 0.0;  // the window's start clipped to the first event
  double latestTime_ = 0.0;   // the latest event time walked
  bool timesBroken_ = false;  // a NaN time was walked
  bool incremental_ = true;
  // Charges of the finished activations, by entry id; the pointers in index_ stay valid because
  // std::map nodes never move.
  std::map<std::uint32_t, ProcessStats> finished_;
  RecordIndex index_;
};

}  // namespace kelvor
