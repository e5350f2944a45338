// The exact column walk of one row: each column from the stretches that begin in it or reach
// into it, read through the block index.

#include <algorithm>
#include <vector>

#include "timestep/SegmentRasterInternal.h"

namespace kelvor {

using namespace rasterimpl;

// The last stretch before `begun` that covers `column`, or None. Ends rise with the starts in a
// row without nesting, so mostly only the stretch just before `begun` is looked at.
template <class Rows>
std::size_t RowRaster::Sweep<Rows>::lastReaching(std::size_t begun, int column) const {
  if (begun == 0) {
    return None;
  }
  const std::size_t last = begun - 1;
  if (reaches(row_.to(last), column)) {
    return last;
  }
  const std::size_t block = last / Block;
  if ((index_.heads_[block].flags & EndsOrdered) == 0) {
    for (std::size_t i = last; i-- > block * Block;) {
      if (reaches(row_.to(i), column)) {
        return i;
      }
    }
  }
  if (block == 0 || !reaches(index_.latestEndBefore_[block], column)) {
    return None;
  }
  const std::size_t found = rightmostLeafBefore(index_.endTree_, index_.endTreeLeaves_, block,
                                                [&](double to) { return reaches(to, column); });
  if (found == None) {
    return None;
  }
  const std::size_t stop = std::min(row_.size(), (found + 1) * Block);
  for (std::size_t i = stop; i-- > found * Block;) {
    if (reaches(row_.to(i), column)) {
      return i;
    }
  }
  return None;
}

// The first stretch in [first, last) whose start fails `before` (true on a prefix of the
// starts): a look at the next two, then galloping over the block starts and reading on inside
// one block.
template <class Rows>
template <class Before>
std::size_t RowRaster::Sweep<Rows>::partitionStarts(std::size_t first, std::size_t last,
                                                    Before before) const {
  if (first >= last || !before(row_.from(first))) {
    return first;
  }
  if (first + 1 >= last || !before(row_.from(first + 1))) {
    return first + 1;
  }
  const std::size_t lowBlock = (first + 1) / Block + 1;
  const std::size_t blocks = (last + Block - 1) / Block;  // blocks that start before `last`
  const std::size_t stopBlock = gallop(lowBlock, std::max(lowBlock, blocks), [&](std::size_t b) {
    return before(index_.heads_[b].from);
  });
  std::size_t i = stopBlock > lowBlock ? (stopBlock - 1) * Block + 1 : first + 2;
  const std::size_t high = std::min(stopBlock * Block, last);
  while (i < high && before(row_.from(i))) {
    ++i;
  }
  return i;
}

// The first stretch in [first, last) that begins right of `column`. Inside the window
// x(t) <= column exactly when (t - viewStart) * pixelsPerSecond < column + 1 - left, which
// saves the mapping's conversion on every start compared.
template <class Rows>
std::size_t RowRaster::Sweep<Rows>::firstBeyondColumn(std::size_t first, std::size_t last,
                                                      int column) const {
  if (column < map_.left()) {
    return first;
  }
  if (column >= map_.right()) {
    return last;
  }
  const double start = map_.viewStart();
  const double end = map_.viewEnd();
  const double pixelsPerSecond = map_.pixelsPerSecond();
  const auto limit = static_cast<double>(column + 1 - map_.left());
  return partitionStarts(first, last, [=](double from) {
    return from < start || (from <= end && (from - start) * pixelsPerSecond < limit);
  });
}

// Paints the columns [from, to), in which no stretch begins, from the stretches begun before.
template <class Rows>
void RowRaster::Sweep<Rows>::fillCovered(std::size_t begun, int from, int to) {
  int column = from;
  std::size_t top = lastReaching(begun, column);
  while (top != None && column < to) {
    const int reach = map_.x(row_.to(top)) + EndOverhang;
    sink_.add(column, std::min(reach, to), stateOf(top));
    column = reach;
    if (column >= to) {
      break;
    }
    // The stretches between `top` and `begun` did not reach the earlier column either.
    top = lastReaching(top, column);
  }
}

template <class Rows>
double RowRaster::Sweep<Rows>::stateTimeBefore(std::size_t k, SegmentState state) const {
  const std::size_t block = k / Block;
  double time = state == SegmentState::Interrupted ? index_.interruptedBefore_[block]
                                                   : index_.undefinedBefore_[block];
  for (std::size_t i = block * Block; i < k; ++i) {
    if (row_.state(i) == state) {
      time += nonNegative(row_.to(i) - row_.from(i));
    }
  }
  return time;
}

// From the bits of the partial blocks at both ends and the block counts between them.
template <class Rows>
bool RowRaster::Sweep<Rows>::anyRunning(std::size_t first, std::size_t last) const {
  if (first >= last) {
    return false;
  }
  const std::size_t firstBlock = first / Block;
  const std::size_t lastBlock = (last - 1) / Block;
  auto bits = [&](std::size_t block, std::size_t low, std::size_t high) {
    const std::uint32_t below = high >= Block ? ~0u : (1u << high) - 1u;
    return (index_.heads_[block].running & below & ~((1u << low) - 1u)) != 0;
  };
  if (firstBlock == lastBlock) {
    return bits(firstBlock, first % Block, (last - 1) % Block + 1);
  }
  return bits(firstBlock, first % Block, Block) || bits(lastBlock, 0, (last - 1) % Block + 1) ||
         index_.runningBefore_[lastBlock] > index_.runningBefore_[firstBlock + 1];
}

// A column in which the stretches [first, last) begin, `crossing` the stretches from before the
// window in the first column.
template <class Rows>
void RowRaster::Sweep<Rows>::denseColumn(int column, std::size_t first, std::size_t last,
                                         const std::vector<std::size_t>& crossing) {
  constexpr SegmentState Running = SegmentState::Running;
  bool running = anyRunning(first, last);
  for (std::size_t i : crossing) {
    running = running || stateOf(i) == Running;
  }
  // What covers the column from an earlier one (nothing does in the first column).
  const std::size_t before = running || column == map_.left() ? None : lastReaching(first, column);
  if (running || (before != None && stateOf(before) == Running)) {
    sink_.add(column, column + 1, Running);
    return;
  }
  // The time of the column covered by each of the two other states.
  const double columnStart = std::max(axis_.xToTime(column), map_.viewStart());
  const double columnEnd = axis_.xToTime(column + 1);
  double interrupted = 0.0;
  double undefined = 0.0;
  auto account = [&](SegmentState state, double time) {
    (state == SegmentState::Undefined ? undefined : interrupted) += time;
  };
  if (last > first) {
    interrupted = stateTimeBefore(last, SegmentState::Interrupted) -
                  stateTimeBefore(first, SegmentState::Interrupted);
    undefined = stateTimeBefore(last, SegmentState::Undefined) -
                stateTimeBefore(first, SegmentState::Undefined);
    // Only the last stretch of the column can reach beyond it when the stretches are disjoint.
    const std::size_t tail = last - 1;
    const double beyond = std::max(row_.from(tail), columnEnd);
    account(row_.state(tail), -nonNegative(row_.to(tail) - beyond));
  }
  if (before != None) {
    account(row_.state(before), nonNegative(std::min(row_.to(before), columnEnd) - columnStart));
  }
  for (std::size_t i : crossing) {
    account(row_.state(i), nonNegative(std::min(row_.to(i), columnEnd) - columnStart));
  }
  SegmentState state;
  if (undefined > interrupted) {
    state = SegmentState::Undefined;
  } else if (interrupted > undefined) {
    state = SegmentState::Interrupted;
  } else {
    // A tie (stretches without length): what plain painting leaves on top.
    const std::size_t top = lastReaching(last, column);
    state = top != None ? stateOf(top) : SegmentState::Interrupted;
  }
  sink_.add(column, column + 1, state);
}

// Paints the first column, in which the stretches that cross the window's left edge begin too,
// and returns the number of stretches that begin left of the next column.
template <class Rows>
std::size_t RowRaster::Sweep<Rows>::firstColumn(std::size_t inside, std::size_t shown) {
  const int column = map_.left();
  const std::size_t begun = firstBeyondColumn(inside, shown, column);
  std::vector<std::size_t> crossing;
  for (std::size_t i = lastReaching(inside, column); i != None && crossing.size() < MaxCrossing;
       i = lastReaching(i, column)) {
    crossing.push_back(i);
  }
  const std::size_t startingHere = crossing.size() + (begun - inside);
  if (startingHere == 1) {
    const std::size_t top = lastReaching(begun, column);
    if (top != None) {
      sink_.add(column, column + 1, stateOf(top));
    }
  } else if (startingHere > 1) {
    denseColumn(column, inside, begun, crossing);
  }
  return begun;
}

// Paints the columns from `column` to the end of the overhang, `begun` stretches beginning left
// of `column`.
template <class Rows>
void RowRaster::Sweep<Rows>::sweep(int column, std::size_t begun, std::size_t shown) {
  while (column < end_) {
    const std::size_t after = firstBeyondColumn(begun, shown, column);
    if (after == begun) {
      // Nothing begins here: on to the column of the next start.
      // (At least one column on, so that the sweep advances even if the two mappings ever
      // disagreed on a start.)
      const int next =
          begun < shown ? std::clamp(map_.x(row_.from(begun)), column + 1, end_) : end_;
      fillCovered(begun, column, next);
      column = next;
      continue;
    }
    if (after - begun == 1) {
      // A stretch covers the column it begins in unless it ends before it begins.
      if ((index_.heads_[begun / Block].flags & EndsAfterStarts) != 0) {
        sink_.add(column, column + 1, stateOf(begun));
      } else if (const std::size_t top = lastReaching(after, column); top != None) {
        sink_.add(column, column + 1, stateOf(top));
      }
    } else {
      denseColumn(column, begun, after, {});
    }
    begun = after;
    ++column;
  }
}

template <class Rows>
void RowRaster::Sweep<Rows>::run() {
  const std::size_t count = row_.size();
  if (count == 0 || map_.right() < map_.left()) {
    return;
  }
  // Stretches that begin after the window are hidden; those before `inside` begin before it and
  // show only when they reach into it.
  const std::size_t shown =
      partitionStarts(0, count, [&](double from) { return from <= map_.viewEnd(); });
  if (shown == 0) {
    return;
  }
  const std::size_t inside =
      partitionStarts(0, shown, [&](double from) { return from < map_.viewStart(); });

  std::size_t begun = firstColumn(inside, shown);
  int column = map_.left() + 1;
  if (useDetail(inside, shown)) {
    // The columns between the first and the last one of the window; bins that reach beyond the
    // window's edges lie inside its first and last column, which stay exact, as does the
    // overhang.
    const int last = map_.right() - 1;
    detailColumns(column, last, inside, shown);
    column = last;
    begun = firstBeyondColumn(inside, shown, last - 1);
  }
  sweep(column, begun, shown);
}

// The walk for the three kinds of row; the members that draw from the level of detail are
// instantiated with them in SegmentRasterLevelOfDetail.cpp.
template class RowRaster::Sweep<EntrySegments>;
template class RowRaster::Sweep<PieceRows>;
template class RowRaster::Sweep<OrderedPieceRows>;

void RowRaster::raster(const TimeAxis& axis, std::vector<ColumnRun>& out) const {
  if (row_ != nullptr) {
    Sweep<EntrySegments>(*this, *row_, axis, out).run();
  } else if (pieces_ != nullptr && pieceOrder_ != nullptr) {
    const OrderedPieceRows rows{*pieces_, pieceOrder_};
    Sweep<OrderedPieceRows>(*this, rows, axis, out).run();
  } else if (pieces_ != nullptr) {
    const PieceRows rows{*pieces_};
    Sweep<PieceRows>(*this, rows, axis, out).run();
  }
}

}  // namespace kelvor
