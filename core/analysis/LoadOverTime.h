#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "timestep/TimeStepSegments.h"

namespace kelvor {

class StatisticsEngine;

// How a window is cut into intervals: into `count` equal ones, or (when `length` is positive)
// into intervals of `length` seconds from the window's start, the last one ending at the
// window's end and so possibly shorter.
struct LoadCut {
  static constexpr std::size_t DefaultCount = 100;
  // More intervals than this are refused: the matrix holds one value per entry and interval.
  static constexpr std::size_t MaximumCount = 1'000'000;

  std::size_t count = DefaultCount;
  double length = 0.0;

  static LoadCut intervals(std::size_t count) { return LoadCut{count, 0.0}; }
  static LoadCut ofLength(double seconds) { return LoadCut{0, seconds}; }

  // The number of intervals this cut makes of a window of `span` seconds; 0 when the span is
  // empty (or not a number), the count or length unusable, or more than MaximumCount.
  std::size_t intervalsFor(double span) const;
};

// The run time of every entry over a window cut into intervals: per interval and entry the net
// run time (the entry's own execution, nested activations not counted), its share of the
// interval, and the summed load of all entries. The entries are those with run time in the
// window, in ascending id (the statistics table's order).
class LoadOverTime {
 public:
  // No intervals and no entries: the window was empty or the cut unusable.
  bool empty() const { return load_.empty(); }
  std::size_t intervalCount() const { return load_.size(); }
  std::size_t entryCount() const { return entries_.size(); }
  const std::vector<std::uint32_t>& entries() const { return entries_; }

  // The interval's edges in seconds; start(i + 1) == end(i).
  double start(std::size_t interval) const { return edges_[interval]; }
  double end(std::size_t interval) const { return edges_[interval + 1]; }
  double windowStart() const { return edges_.empty() ? 0.0 : edges_.front(); }
  double windowEnd() const { return edges_.empty() ? 0.0 : edges_.back(); }

  // Net run time (seconds) of the entry at `entryIndex` of entries() in the interval.
  double netTime(std::size_t entryIndex, std::size_t interval) const {
    return net_[entryIndex * load_.size() + interval];
  }
  // That run time as a share of the interval's own length (0..1).
  double share(std::size_t entryIndex, std::size_t interval) const;
  // The summed net run time of all entries as a share of the interval's length; above 1 only
  // where the trace's times overlap.
  double load(std::size_t interval) const { return load_[interval]; }

  // The run time of every entry over the window [from, to] of a walk's stretches. `from` and
  // `to` are the window as the statistics clip it (StatisticsEngine::windowStart/windowEnd), so
  // that an entry's run time summed over the intervals is its totalWithoutInt there.
  static LoadOverTime compute(const TimeStepResult& walk, double from, double to, LoadCut cut);

 private:
  void addRunning(std::vector<double>& row, double from, double to, std::size_t& k) const;

  std::vector<double> edges_;  // intervalCount() + 1
  std::vector<std::uint32_t> entries_;
  std::vector<double> net_;   // entry-major: entryCount() rows of intervalCount() values
  std::vector<double> load_;  // per interval
};

// Walks the engine's stream and computes the run time over the window it was last analysed
// over (the whole trace unless analyse() was given a window).
LoadOverTime loadOverAnalysedWindow(StatisticsEngine& engine, LoadCut cut);

}  // namespace kelvor
