#include "analysis/LoadOverTime.h"

#include <algorithm>
#include <cmath>

#include "analysis/StatisticsEngine.h"
#include "timestep/TimeStepWalk.h"

namespace kelvor {

namespace {

// A window that is a whole number of interval lengths, but for the rounding of the division,
// gets that many intervals instead of one more of almost no length.
constexpr double WholeLengthsTolerance = 1e-9;

}  // namespace

std::size_t LoadCut::intervalsFor(double span) const {
  if (!(span > 0.0) || !std::isfinite(span)) {
    return 0;
  }
  if (!(length > 0.0)) {
    return count <= MaximumCount ? count : 0;
  }
  const double lengths = span / length;
  if (!std::isfinite(lengths) || lengths > static_cast<double>(MaximumCount) + 1.0) {
    return 0;
  }
  const double whole = std::round(lengths);
  const double intervals =
      whole >= 1.0 && std::abs(lengths - whole) <= WholeLengthsTolerance * whole
          ? whole
          : std::ceil(lengths);
  const auto result = static_cast<std::size_t>(intervals);
  return result <= MaximumCount ? result : 0;
}

double LoadOverTime::share(std::size_t entryIndex, std::size_t interval) const {
  const double length = end(interval) - start(interval);
  return length > 0.0 ? netTime(entryIndex, interval) / length : 0.0;
}

// Adds the part of [from, to] inside the window to the intervals it overlaps. `k` is an interval
// at or before the one holding `from`; it is left at that one, so that the stretches of a row,
// which come in start order, only move it forward.
void LoadOverTime::addRunning(std::vector<double>& row, double from, double to,
                              std::size_t& k) const {
  from = std::max(from, edges_.front());
  to = std::min(to, edges_.back());
  if (!(to > from)) {
    return;
  }
  while (k + 1 < row.size() && edges_[k + 1] <= from) {
    ++k;
  }
  double at = from;
  for (std::size_t i = k; i < row.size(); ++i) {
    const double intervalEnd = edges_[i + 1];
    if (to <= intervalEnd) {
      row[i] += to - at;
      return;
    }
    row[i] += intervalEnd - at;
    at = intervalEnd;
  }
}

LoadOverTime LoadOverTime::compute(const TimeStepResult& walk, double from, double to,
                                   LoadCut cut) {
  LoadOverTime result;
  const std::size_t intervals = cut.intervalsFor(to - from);
  if (intervals == 0) {
    return result;
  }
  result.edges_.resize(intervals + 1);
  const bool byLength = cut.length > 0.0;
  for (std::size_t i = 0; i < intervals; ++i) {
    const double index = static_cast<double>(i);
    result.edges_[i] = byLength ? from + index * cut.length
                                : from + (to - from) * index / static_cast<double>(intervals);
  }
  result.edges_[intervals] = to;

  std::vector<double> row(intervals);
  for (const EntrySegments& segments : walk.rows) {
    std::fill(row.begin(), row.end(), 0.0);
    std::size_t k = 0;
    for (std::size_t i = 0; i < segments.size(); ++i) {
      if (segments.state(i) == SegmentState::Running) {
        result.addRunning(row, segments.from(i), segments.to(i), k);
      }
    }
    if (walk.openEndRun && walk.openEndRun->entry == segments.entry()) {
      std::size_t first = 0;
      result.addRunning(row, walk.openEndRun->from, walk.openEndRun->to, first);
    }
    if (std::any_of(row.begin(), row.end(), [](double net) { return net > 0.0; })) {
      result.entries_.push_back(segments.entry());
      result.net_.insert(result.net_.end(), row.begin(), row.end());
    }
  }

  result.load_.assign(intervals, 0.0);
  for (std::size_t entry = 0; entry < result.entries_.size(); ++entry) {
    for (std::size_t k = 0; k < intervals; ++k) {
      result.load_[k] += result.netTime(entry, k);
    }
  }
  for (std::size_t k = 0; k < intervals; ++k) {
    const double length = result.end(k) - result.start(k);
    result.load_[k] = length > 0.0 ? result.load_[k] / length : 0.0;
  }
  return result;
}

LoadOverTime loadOverAnalysedWindow(StatisticsEngine& engine, LoadCut cut) {
  TimeStepWalk walk(engine);
  // The clock curve plays no part in the run times.
  const TimeStepResult& segments = walk.run(0.0);
  return LoadOverTime::compute(segments, engine.windowStart(), engine.windowEnd(), cut);
}

}  // namespace kelvor
