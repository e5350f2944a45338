// The level of detail of a long row: its time bins, their build one stretch at a time, the
// decision whether a window is drawn from them, and the columns drawn from them.

#include <algorithm>
#include <cmath>
#include <vector>

#include "timestep/SegmentRasterInternal.h"

namespace kelvor {

using namespace rasterimpl;

RowRaster::DetailBuilder::DetailBuilder(RowRaster& index, std::size_t count, double firstStart,
                                        double latestEnd)
    : index_(index) {
  index_.binLead_.clear();
  index_.binWords_.clear();
  if (count < DetailMinStretches || !(latestEnd > firstStart)) {
    return;
  }
  bins_ = count / StretchesPerBin;
  index_.binStart_ = firstStart;
  index_.binsPerSecond_ = static_cast<double>(bins_) / (latestEnd - firstStart);
  if (!std::isfinite(index_.binsPerSecond_)) {
    bins_ = 0;
    return;
  }
  changes_.resize(bins_ + 1);
  index_.binWords_.resize((bins_ + 63) / 64);
}

void RowRaster::DetailBuilder::finish() {
  if (bins_ == 0) {
    return;
  }
  index_.binLead_.resize(bins_ + 1);
  double lead = 0.0;
  double wholeLead = 0.0;
  for (std::size_t bin = 0; bin < bins_; ++bin) {
    wholeLead += changes_[bin].whole;
    lead += (changes_[bin].part + wholeLead) / index_.binsPerSecond_;
    index_.binLead_[bin + 1] = static_cast<float>(lead);
  }
  std::uint32_t runningWords = 0;
  std::uint32_t coveredWords = 0;
  for (BinWord& word : index_.binWords_) {
    word.runningBefore = runningWords;
    word.coveredBefore = coveredWords;
    runningWords += word.running != 0 ? 1 : 0;
    coveredWords += word.covered != 0 ? 1 : 0;
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
  const std::vector<float>& lead = index_.binLead_;
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
  // Interrupted minus the Undefined time before the position, linear inside the bin.
  auto binOf = [&](double at) { return std::min(static_cast<std::size_t>(at), bins - 1); };
  auto leadAt = [&](double at, std::size_t bin) {
    const double low = lead[bin];
    return low + (at - static_cast<double>(bin)) * (lead[bin + 1] - low);
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
      const double columnLead = leadAt(right, rightBin) - leadAt(columnStart, first);
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
