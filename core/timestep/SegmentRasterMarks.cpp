// The user-marks of a window by column and the staircases of the clock lines, read through a
// min/max tree over blocks of clock points.

#include <algorithm>
#include <bit>
#include <vector>

#include "timestep/ClockScale.h"
#include "timestep/SegmentRasterInternal.h"

namespace kelvor {

using namespace rasterimpl;

std::size_t TimeStepRaster::ClockIndex::bytes() const {
  return sorted.capacity() * sizeof(ClockPoint) +
         (low.capacity() + high.capacity()) * sizeof(double);
}

TimeStepRaster::ClockIndex TimeStepRaster::indexClock(const std::vector<ClockPoint>& points) {
  ClockIndex index;
  auto byTime = [](const ClockPoint& a, const ClockPoint& b) { return a.time < b.time; };
  if (!std::is_sorted(points.begin(), points.end(), byTime)) {
    index.sorted = points;
    std::stable_sort(index.sorted.begin(), index.sorted.end(), byTime);
  }
  const std::vector<ClockPoint>& line = index.sorted.empty() ? points : index.sorted;
  const std::size_t blocks = (line.size() + Block - 1) / Block;
  index.leaves = std::bit_ceil(std::max<std::size_t>(blocks, 1));
  index.low.assign(2 * index.leaves, Infinity);
  index.high.assign(2 * index.leaves, -Infinity);
  for (std::size_t i = 0; i < line.size(); ++i) {
    const std::size_t leaf = index.leaves + i / Block;
    index.low[leaf] = std::min(index.low[leaf], line[i].mhz);
    index.high[leaf] = std::max(index.high[leaf], line[i].mhz);
  }
  for (std::size_t node = index.leaves; node-- > 1;) {
    index.low[node] = std::min(index.low[2 * node], index.low[2 * node + 1]);
    index.high[node] = std::max(index.high[2 * node], index.high[2 * node + 1]);
  }
  return index;
}

const std::vector<UserMarkPosition>& TimeStepRaster::markList() const {
  static const std::vector<UserMarkPosition> none;
  if (result_ == nullptr) {
    return none;
  }
  return marks_.empty() ? result_->userMarks : marks_;
}

void TimeStepRaster::markColumns(const TimeAxis& axis, std::vector<MarkColumn>& out) const {
  const std::vector<UserMarkPosition>& marks = markList();
  const PixelMap map(axis);
  const auto begin = std::partition_point(
      marks.begin(), marks.end(),
      [&](const UserMarkPosition& mark) { return mark.time < map.viewStart(); });
  const auto stop = std::partition_point(
      begin, marks.end(), [&](const UserMarkPosition& mark) { return mark.time < map.viewEnd(); });
  const auto first = static_cast<std::size_t>(begin - marks.begin());
  const auto last = static_cast<std::size_t>(stop - marks.begin());
  for (std::size_t i = first; i < last;) {
    const int x = map.x(marks[i].time);
    const std::size_t next =
        gallop(i + 1, last, [&](std::size_t m) { return map.x(marks[m].time) <= x; });
    out.push_back({x, marks[next - 1].number});
    i = next;
  }
}

const std::vector<ClockPoint>& TimeStepRaster::clockPoints(bool topLevel) const {
  static const std::vector<ClockPoint> none;
  const ClockIndex& index = topLevel ? topLevelIndex_ : curveIndex_;
  if (!index.sorted.empty()) {
    return index.sorted;
  }
  if (result_ == nullptr) {
    return none;
  }
  return topLevel ? result_->topLevelClock : result_->clockCurve;
}

void TimeStepRaster::clockSteps(bool topLevel, const TimeAxis& axis, int chartTop, int chartHeight,
                                std::vector<ClockStep>& out) const {
  const std::vector<ClockPoint>& points = clockPoints(topLevel);
  const ClockIndex& index = topLevel ? topLevelIndex_ : curveIndex_;
  const PixelMap map(axis);
  // The line holds its values from its first point up to its last one only.
  if (points.empty() || points.back().time < map.viewStart() ||
      points.front().time > map.viewEnd()) {
    return;
  }
  const ClockScale scale = topLevel ? ClockScale::TopLevel : ClockScale::Curve;
  auto yOf = [&](double mhz) { return clockY(chartTop, chartHeight, mhz, scale); };

  const std::size_t firstOut = out.size();
  auto push = [&](int x, int y) {
    // A change to the value already held draws nothing.
    if (out.size() > firstOut && out.back().y == y) {
      return;
    }
    out.push_back({x, y});
  };
  // The points after the left edge up to the right edge (inclusive, as the chart shows both).
  const auto time = [&](std::size_t i) { return points[i].time; };
  const std::size_t first =
      gallop(0, points.size(), [&](std::size_t i) { return time(i) <= map.viewStart(); });
  const std::size_t last =
      gallop(first, points.size(), [&](std::size_t i) { return time(i) <= map.viewEnd(); });
  if (first > 0) {
    push(map.left(), yOf(points[first - 1].mhz));
  }
  for (std::size_t i = first; i < last;) {
    const int x = map.x(time(i));
    const std::size_t next =
        gallop(i + 1, last, [&](std::size_t p) { return map.x(time(p)) <= x; });
    if (next - i <= 3) {
      for (std::size_t p = i; p < next; ++p) {
        push(x, yOf(points[p].mhz));
      }
    } else {
      // Many changes in one column: the first, the range between the extremes, the last.
      double low = Infinity;
      double high = -Infinity;
      std::size_t a = i + 1;
      std::size_t b = next - 1;
      for (; a < b && a % Block != 0; ++a) {
        low = std::min(low, points[a].mhz);
        high = std::max(high, points[a].mhz);
      }
      for (; b > a && b % Block != 0; --b) {
        low = std::min(low, points[b - 1].mhz);
        high = std::max(high, points[b - 1].mhz);
      }
      for (std::size_t l = index.leaves + a / Block, r = index.leaves + b / Block; l < r;
           l >>= 1, r >>= 1) {
        if (l & 1) {
          low = std::min(low, index.low[l]);
          high = std::max(high, index.high[l++]);
        }
        if (r & 1) {
          --r;
          low = std::min(low, index.low[r]);
          high = std::max(high, index.high[r]);
        }
      }
      const int y0 = yOf(points[i].mhz);
      const int yLow = yOf(low);
      const int yHigh = yOf(high);
      push(x, y0);
      push(x, std::min(yLow, yHigh));
      push(x, std::max(yLow, yHigh));
      push(x, yOf(points[next - 1].mhz));
    }
    i = next;
  }
  // The staircase ends at the last point, pinned to the right edge when that lies beyond it.
  const int endX = map.x(points.back().time);
  const int endY = yOf(points[last - 1].mhz);
  if (out.size() == firstOut || out.back().x != endX || out.back().y != endY) {
    out.push_back({endX, endY});
  }
}

}  // namespace kelvor
