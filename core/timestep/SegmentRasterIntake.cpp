// A raster brought up to date with a walk that was extended: the rows, the user run-time row,
// the marks and the clock lines indexed from where they changed.

#include <algorithm>
#include <bit>
#include <numeric>
#include <vector>

#include "timestep/SegmentRasterInternal.h"
#include "timestep/TimeStepWalk.h"

namespace kelvor {

using namespace rasterimpl;

// What the next takeIn() continues from; the rows count as seen.
void TimeStepRaster::remember(const TimeStepResult& result) {
  rowEntries_.resize(result.rows.size());
  for (std::size_t i = 0; i < result.rows.size(); ++i) {
    rowEntries_[i] = result.rows[i].entry();
    result.rows[i].settle();
  }
  piecesIndexed_ = result.userSections.size();
  marksIndexed_ = result.userMarks.size();
  curveIndexed_ = result.clockCurve.size();
  topLevelIndexed_ = result.topLevelClock.size();
}

void TimeStepRaster::takeIn(const TimeStepWalk& walk) {
  const TimeStepResult& result = walk.result();
  if (result_ != &result || walkCount_ == 0 || walkCount_ != walk.walkCount()) {
    *this = TimeStepRaster(walk);
    return;
  }
  // The walk adds rows for new entries between the others (rows stay in entry order): the
  // indices of the known rows follow them.
  if (rowEntries_.size() != result.rows.size()) {
    std::vector<RowRaster> rows(result.rows.size());
    std::size_t known = 0;
    for (std::size_t i = 0; i < result.rows.size(); ++i) {
      const std::uint32_t entry = result.rows[i].entry();
      while (known < rows_.size() && rowEntries_[known] < entry) {
        ++known;
      }
      if (known < rows_.size() && rowEntries_[known] == entry) {
        rows[i] = std::move(rows_[known++]);
      }
    }
    rows_.swap(rows);
  }
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    rows_[i].takeIn(result.rows[i]);
  }
  takeInPieces(result.userSections);
  takeInMarks(result.userMarks);
  // The last point of the curve holds the clock up to the last event: it moves on every
  // extension.
  takeInClock(curveIndex_, result.clockCurve, curveIndexed_ > 0 ? curveIndexed_ - 1 : 0);
  takeInClock(topLevelIndex_, result.topLevelClock, topLevelIndexed_);
  remember(result);
}

// Pieces are only added. While they are in start order the row reads them directly; once one
// begins before the one added before it, a start order is kept: the new pieces are sorted and
// merged into it behind the pieces that begin with them, as a stable sort of all would have them.
// The work grows with the new pieces and the known ones that begin after the earliest of them.
void TimeStepRaster::takeInPieces(const std::vector<UserSectionPiece>& pieces) {
  const std::size_t known = std::min(piecesIndexed_, pieces.size());
  auto byStart = [](const UserSectionPiece& a, const UserSectionPiece& b) {
    return a.from < b.from;
  };
  if (userSectionOrder_.empty() &&
      std::is_sorted(pieces.begin() + static_cast<std::ptrdiff_t>(known > 0 ? known - 1 : 0),
                     pieces.end(), byStart)) {
    userSections_.takeIn(pieces, nullptr, known);
    return;
  }
  if (userSectionOrder_.empty()) {
    userSectionOrder_.resize(known);
    std::iota(userSectionOrder_.begin(), userSectionOrder_.end(), std::uint32_t{0});
  }
  userSectionOrder_.resize(pieces.size());
  const auto middle = userSectionOrder_.begin() + static_cast<std::ptrdiff_t>(known);
  std::iota(middle, userSectionOrder_.end(), static_cast<std::uint32_t>(known));
  auto byPieceStart = [&](std::uint32_t a, std::uint32_t b) {
    return pieces[a].from < pieces[b].from;
  };
  // Pieces mostly come in start order: sorting is skipped then.
  if (!std::is_sorted(middle, userSectionOrder_.end(), byPieceStart)) {
    std::stable_sort(middle, userSectionOrder_.end(), byPieceStart);
  }
  // The new pieces go behind every known one that does not begin later: the order is kept up
  // to the first known piece that begins after the earliest new one.
  const auto kept =
      middle == userSectionOrder_.end()
          ? middle
          : std::upper_bound(userSectionOrder_.begin(), middle, *middle, byPieceStart);
  std::inplace_merge(kept, middle, userSectionOrder_.end(), byPieceStart);
  userSections_.takeIn(pieces, userSectionOrder_.data(),
                       static_cast<std::size_t>(kept - userSectionOrder_.begin()));
}

// Marks are only added; a copy by time is kept (and merged into) once they are out of order.
void TimeStepRaster::takeInMarks(const std::vector<UserMarkPosition>& marks) {
  const std::size_t known = std::min(marksIndexed_, marks.size());
  auto byTime = [](const UserMarkPosition& a, const UserMarkPosition& b) {
    return a.time < b.time;
  };
  const auto fresh = marks.begin() + static_cast<std::ptrdiff_t>(known);
  if (marks_.empty() && std::is_sorted(known > 0 ? fresh - 1 : fresh, marks.end(), byTime)) {
    return;
  }
  if (marks_.empty()) {
    marks_.assign(marks.begin(), fresh);
  }
  const auto sorted = static_cast<std::ptrdiff_t>(marks_.size());
  marks_.insert(marks_.end(), fresh, marks.end());
  const auto middle = marks_.begin() + sorted;
  std::stable_sort(middle, marks_.end(), byTime);
  // Only the marks after the earliest new one take part in the merge.
  const auto kept =
      middle == marks_.end() ? middle : std::upper_bound(marks_.begin(), middle, *middle, byTime);
  std::inplace_merge(kept, middle, marks_.end(), byTime);
}

// The points before `settled` are as indexed. A line in time order so far that stays in order
// has the blocks from the first changed one indexed again; any other is indexed anew.
void TimeStepRaster::takeInClock(ClockIndex& index, const std::vector<ClockPoint>& points,
                                 std::size_t settled) {
  auto byTime = [](const ClockPoint& a, const ClockPoint& b) { return a.time < b.time; };
  settled = std::min(settled, points.size());
  const auto from = points.begin() + static_cast<std::ptrdiff_t>(settled > 0 ? settled - 1 : 0);
  const std::size_t blocks = (points.size() + Block - 1) / Block;
  const std::size_t leaves = std::bit_ceil(std::max<std::size_t>(blocks, 1));
  if (!index.sorted.empty() || !std::is_sorted(from, points.end(), byTime) ||
      leaves != index.leaves) {
    index = indexClock(points);
    return;
  }
  // The line only grows: its blocks from the first changed one are summed again.
  const std::size_t firstBlock = settled / Block;
  if (firstBlock >= blocks) {
    return;
  }
  for (std::size_t block = firstBlock; block < blocks; ++block) {
    double low = Infinity;
    double high = -Infinity;
    for (std::size_t i = block * Block; i < std::min(points.size(), (block + 1) * Block); ++i) {
      low = std::min(low, points[i].mhz);
      high = std::max(high, points[i].mhz);
    }
    index.low[leaves + block] = low;
    index.high[leaves + block] = high;
  }
  for (std::size_t lowNode = (leaves + firstBlock) / 2, highNode = (leaves + blocks - 1) / 2;
       lowNode >= 1; lowNode /= 2, highNode /= 2) {
    for (std::size_t node = lowNode; node <= highNode; ++node) {
      index.low[node] = std::min(index.low[2 * node], index.low[2 * node + 1]);
      index.high[node] = std::max(index.high[2 * node], index.high[2 * node + 1]);
    }
    if (lowNode == 1) {
      break;
    }
  }
}

}  // namespace kelvor
