// The level of detail of a row brought up to date after stretches at its end changed: the
// stretches that went are taken back out of the lead, the new ones added, as long as the grid
// stays and the bins the old ones covered stay covered; otherwise it is built anew.

#include <algorithm>
#include <vector>

#include "timestep/SegmentRasterInternal.h"

namespace kelvor {

using namespace rasterimpl;

void RowRaster::setDetailGrid(const DetailGrid& grid) {
  binLead_.clear();
  binWords_.clear();
  if (grid.bins == 0) {
    return;
  }
  binStart_ = grid.start;
  binsPerSecond_ = grid.binsPerSecond;
  binExponent_ = grid.binExponent;
  spanExponent_ = grid.spanExponent;
  binFraction_ = grid.fraction;
  binLead_.assign(grid.bins + 1, 0);
  binWords_.assign((grid.bins + 63) / 64, BinWord{});
}

template <class Rows>
void RowRaster::buildDetail(const Rows& row) {
  const std::size_t count = row.size();
  double latestEnd = -Infinity;
  for (std::size_t i = 0; i < count; ++i) {
    latestEnd = std::max(latestEnd, row.to(i));
  }
  setDetailGrid(detailGrid(count, count > 0 ? row.from(0) : 0.0, latestEnd));
  DetailBuilder detail(*this, 0, 0);
  for (std::size_t i = 0; i < count; ++i) {
    detail.add(row.from(i), row.to(i), row.state(i));
  }
  detail.finish();
}

// The stretches [first, oldCount) as indexed (the end of tail_) go, the stretches [first,
// count) of the row come. False when that cannot be done exactly: the grid changed, the
// stretches that went are no longer known, or one of them covered a bin (a Running one: ran in
// it) that none of the new ones covers in its place, whose bit could not be cleared.
template <class Rows>
bool RowRaster::extendDetail(const Rows& row, std::size_t first, std::size_t oldCount) {
  const std::size_t count = row.size();
  // The row is in start order and without NaN (a walk with NaN times begins anew, which
  // indexes every row from scratch), so the root of the max tree is its latest end.
  const DetailGrid grid = detailGrid(count, row.from(0), endTree_[1]);
  if (grid.bins == 0) {
    setDetailGrid(grid);
    return true;
  }
  if (binLead_.empty() || grid.binExponent != binExponent_ || grid.spanExponent != spanExponent_ ||
      !(grid.start == binStart_) || grid.bins + 1 < binLead_.size() ||
      first + tail_.size() < oldCount) {
    return false;
  }
  const Stretch* const gone = tail_.data() + (tail_.size() - (oldCount - first));
  const std::size_t goneCount = oldCount - first;

  // Every stretch that went must lie inside one new stretch (a Running one inside a Running
  // one): the latest end among the new stretches that begin no later, all and Running ones.
  const std::size_t added = count - first;
  std::vector<double> reach(added);
  std::vector<double> runningReach(added);
  double latest = -Infinity;
  double latestRunning = -Infinity;
  for (std::size_t i = 0; i < added; ++i) {
    latest = std::max(latest, row.to(first + i));
    if (row.state(first + i) == SegmentState::Running) {
      latestRunning = std::max(latestRunning, row.to(first + i));
    }
    reach[i] = latest;
    runningReach[i] = latestRunning;
  }
  for (std::size_t k = 0; k < goneCount; ++k) {
    const Stretch& stretch = gone[k];
    if (!(stretch.to > stretch.from)) {
      continue;  // covers no bin
    }
    const std::size_t starts =
        gallop(0, added, [&](std::size_t i) { return !(stretch.from < row.from(first + i)); });
    const std::vector<double>& ends = stretch.state == SegmentState::Running ? runningReach : reach;
    if (starts == 0 || ends[starts - 1] < stretch.to) {
      return false;
    }
  }

  const std::size_t oldBins = binLead_.size() - 1;
  const std::size_t oldWords = binWords_.size();
  binLead_.resize(grid.bins + 1, binLead_[oldBins]);
  binWords_.resize((grid.bins + 63) / 64);
  DetailBuilder probe(*this, grid.bins, oldWords);
  std::size_t low = grid.bins;
  for (std::size_t k = 0; k < goneCount; ++k) {
    low = std::min(low, probe.firstBin(gone[k].from, gone[k].to));
  }
  for (std::size_t i = first; i < count; ++i) {
    low = std::min(low, probe.firstBin(row.from(i), row.to(i)));
  }
  DetailBuilder detail(*this, low, oldWords);
  for (std::size_t k = 0; k < goneCount; ++k) {
    detail.add(gone[k].from, gone[k].to, gone[k].state, true);
  }
  for (std::size_t i = first; i < count; ++i) {
    detail.add(row.from(i), row.to(i), row.state(i));
  }
  detail.finish();
  return true;
}

// For the three kinds of row, as RowRaster::index in SegmentRasterIndex.cpp.
template void RowRaster::buildDetail(const EntrySegments&);
template void RowRaster::buildDetail(const PieceRows&);
template void RowRaster::buildDetail(const OrderedPieceRows&);
template bool RowRaster::extendDetail(const EntrySegments&, std::size_t, std::size_t);
template bool RowRaster::extendDetail(const PieceRows&, std::size_t, std::size_t);
template bool RowRaster::extendDetail(const OrderedPieceRows&, std::size_t, std::size_t);

}  // namespace kelvor
