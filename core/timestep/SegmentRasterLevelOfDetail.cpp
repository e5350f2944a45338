// The level of detail of a long row: its time bins, their build one stretch at a time, the
// decision whether a window is drawn from them, and the columns drawn from them.

#include <algorithm>
#include <bit>
#include <cmath>
#include <vector>

#include "timestep/SegmentRasterInternal.h"

namespace kelvor {

using namespace rasterimpl;

DetailGrid detailGrid(std::size_t count, double firstStart, double latestEnd) {
  DetailGrid grid;
  const double span = latestEnd - firstStart;
  if (count < RowRaster::DetailMinStretches || !(span > 0.0) || !std::isfinite(span)) {
    return grid;
  }
  int exponent = 0;
  // The smallest power of two at or above the span.
  grid.spanExponent = std::frexp(span, &exponent) == 0.5 ? exponent - 1 : exponent;
  grid.binExponent =
      static_cast<int>(std::bit_width(std::bit_ceil(count / RowRaster::StretchesPerBin))) - 1;
  grid.binsPerSecond = std::ldexp(1.0, grid.binExponent - grid.spanExponent);
  if (!std::isfinite(grid.binsPerSecond) || !(grid.binsPerSecond > 0.0)) {
    return DetailGrid{};
  }
  // Both factors are exact powers of two apart: the position of the latest end is at most
  // 2^binExponent.
  grid.bins =
      std::max<std::size_t>(1, static_cast<std::size_t>(std::ceil(span * grid.binsPerSecond)));
  // 2^binExponent bins, 2^7 stretches deep, in 2^fraction units each stay below 2^31.
  grid.fraction = std::clamp(23 - grid.binExponent, 0, 16);
  grid.start = firstStart;
  return grid;
}

RowRaster::DetailBuilder::DetailBuilder(RowRaster& index, std::size_t low, std::size_t firstWord)
    : index_(index),
      bins_(index.binLead_.empty() ? 0 : index.binLead_.size() - 1),
      low_(low),
      firstWord_(firstWord),
      scale_(std::ldexp(1.0, index.binFraction_)) {
  if (bins_ > low_) {
    changes_.resize(bins_ - low_);
  }
}

void RowRaster::DetailBuilder::finish() {
  if (bins_ == 0) {
    return;
  }
  std::vector<std::uint32_t>& lead = index_.binLead_;
  const std::uint32_t unit = std::uint32_t{1} << index_.binFraction_;
  std::uint32_t whole = 0;
  std::uint32_t added = 0;
  for (std::size_t bin = low_; bin < bins_; ++bin) {
    whole += change(bin).whole;
    added += change(bin).part + whole * unit;
    lead[bin + 1] += added;
  }
  std::vector<BinWord>& words = index_.binWords_;
  if (firstWord_ >= words.size()) {
    return;
  }
  std::uint32_t runningWords = 0;
  std::uint32_t coveredWords = 0;
  if (firstWord_ > 0) {
    const BinWord& before = words[firstWord_ - 1];
    runningWords = before.runningBefore + (before.running != 0 ? 1 : 0);
    coveredWords = before.coveredBefore + (before.covered != 0 ? 1 : 0);
  }
  for (std::size_t word = firstWord_; word < words.size(); ++word) {
    words[word].runningBefore = runningWords;
    words[word].coveredBefore = coveredWords;
    runningWords += words[word].running != 0 ? 1 : 0;
    coveredWords += words[word].covered != 0 ? 1 : 0;
  }
}

// Whether the window is wide enough for the level of detail: many stretches begin in an
// average column, and the bins are much narrower than a column, so that interpolating inside
// the two bins at a column's edges changes little.
template <class Rows>
bool RowRaster::Sweep<Rows>::useDetail(std::size_t inside, std::size_t shown) const {
  const int width = map_.right() - map_.left();
  return !index_.binLead_.empty() && width >= 3 && map_.pixelsPerSecond() > 0.0 &&
         shown - inside >= DetailStretchesPerColumn * static_cast<std::size_t>(width) &&
         index_.binsPerSecond_ >= DetailMinBinsPerColumn * map_.pixelsPerSecond();
}

// Paints the columns [from, to), all inside the window, from the level of detail. A column shows
// Running when any of the bins it shares time with runs, else the state of the two others that
// covers more of it (Interrupted on a tie). Stretches that overlap others (an entry nested in
// itself, several Undefined stretches from the first event) count once for each layer, which
// only makes the time of their state larger. A column that no stretch covers is left to the
// stretches that reach into it from the left, as in a narrow window: the overhang of the stretch
// before a gap.
template <class Rows>
void RowRaster::Sweep<Rows>::detailColumns(int from, int to, std::size_t inside,
                                           std::size_t shown) {
  const std::vector<std::uint32_t>& lead = index_.binLead_;
  const std::vector<BinWord>& words = index_.binWords_;
  const std::size_t bins = lead.size() - 1;
  const auto lastEdge = static_cast<double>(bins);
  const double binStart = index_.binStart_;
  const double binsPerSecond = index_.binsPerSecond_;
  // Whether any bin in [first, end) has its bit set: the words at both ends, and the count of
  // words with bits between them.
  auto anyBin = [&](std::size_t first, std::size_t end, auto bits, auto before) {
    if (first >= end) {
      return false;
    }
    const std::size_t low = first / 64;
    const std::size_t high = (end - 1) / 64;
    const std::uint64_t lowMask = ~std::uint64_t{0} << (first % 64);
    const std::uint64_t highMask = ~std::uint64_t{0} >> (63 - (end - 1) % 64);
    if (low == high) {
      return (bits(words[low]) & lowMask & highMask) != 0;
    }
    return (bits(words[low]) & lowMask) != 0 || (bits(words[high]) & highMask) != 0 ||
           before(words[high]) > before(words[low + 1]);
  };
  // A column covers the times that TimeAxis::timeToX maps to it: from the first time at or
  // after TimeAxis::xToTime of its x (the same arithmetic, inlined) that maps to it. Inside the
  // window a time maps to column left + k or beyond exactly when (t - viewStart) *
  // pixelsPerSecond >= k. As a position in bins.
  const double viewStart = map_.viewStart();
  const double pixelsPerSecond = map_.pixelsPerSecond();
  auto edgeOf = [&](int column) {
    const auto offset = static_cast<double>(column - map_.left());
    double t = offset / pixelsPerSecond + viewStart;
    while ((t - viewStart) * pixelsPerSecond < offset) {
      t = std::nextafter(t, Infinity);
    }
    return std::clamp((t - binStart) * binsPerSecond, 0.0, lastEdge);
  };
  // The bin of a position in bins (the last bin for the end of the last one), and the
  // Interrupted minus the Undefined time between two positions, linear inside their bins. The
  // differences of the lead modulo 2^32 are exact; only they are turned into doubles.
  auto binOf = [&](double at) { return std::min(static_cast<std::size_t>(at), bins - 1); };
  auto difference = [&](std::size_t a, std::size_t b) {
    return static_cast<double>(static_cast<std::int32_t>(lead[b] - lead[a]));
  };

  auto leadBetween = [&](double low, std::size_t lowBin, double high, std::size_t highBin) {
    return difference(lowBin, highBin) +
           (high - static_cast<double>(highBin)) * difference(highBin, highBin + 1) -
           (low - static_cast<double>(lowBin)) * difference(lowBin, lowBin + 1);
  };
  int gapFrom = -1;  // the first of the uncovered columns before `column`, if any
  auto fillGap = [&](int gapEnd) {
    if (gapFrom >= 0) {
      fillCovered(firstBeyondColumn(inside, shown, gapFrom), gapFrom, gapEnd);
      gapFrom = -1;
    }
  };
  double left = edgeOf(from);
  std::size_t leftBin = binOf(left);
  for (int column = from; column < to; ++column) {
    const double right = edgeOf(column + 1);
    const std::size_t rightBin = binOf(right);
    // The bins that share time with the column: from its left edge's up to its right edge's,
    // which counts only when the column reaches into it; none for a column before the row's
    // first start or after its latest end.
    const std::size_t first = leftBin;
    const std::size_t end =
        right > left ? rightBin + (right > static_cast<double>(rightBin) ? 1 : 0) : first;
    const double columnStart = left;
    left = right;
    leftBin = rightBin;
    SegmentState state;
    if (anyBin(
            first, end, [](const BinWord& w) { return w.running; },
            [](const BinWord& w) { return w.runningBefore; })) {
      state = SegmentState::Running;
    } else if (anyBin(
                   first, end, [](const BinWord& w) { return w.covered; },
                   [](const BinWord& w) { return w.coveredBefore; })) {
      const double columnLead = leadBetween(columnStart, first, right, rightBin);
      state = columnLead < 0.0 ? SegmentState::Undefined : SegmentState::Interrupted;
    } else {
      if (gapFrom < 0) {
        gapFrom = column;
      }
      continue;
    }
    fillGap(column);
    sink_.add(column, column + 1, state);
  }
  fillGap(to);
}

// For the three kinds of row, as the rest of the walk in SegmentRasterSweep.cpp.
template bool RowRaster::Sweep<EntrySegments>::useDetail(std::size_t, std::size_t) const;
template bool RowRaster::Sweep<PieceRows>::useDetail(std::size_t, std::size_t) const;
template bool RowRaster::Sweep<OrderedPieceRows>::useDetail(std::size_t, std::size_t) const;
template void RowRaster::Sweep<EntrySegments>::detailColumns(int, int, std::size_t, std::size_t);
template void RowRaster::Sweep<PieceRows>::detailColumns(int, int, std::size_t, std::size_t);
template void RowRaster::Sweep<OrderedPieceRows>::detailColumns(int, int, std::size_t, std::size_t);

}  // namespace kelvor
