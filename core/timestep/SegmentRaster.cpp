#include "timestep/SegmentRaster.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <limits>
#include <numeric>
#include <thread>
#include <utility>

#include "timestep/ClockScale.h"

namespace kelvor {

namespace {

// Stretches (and clock points) per block of the index. A column reads at most about one block
// of starts; the per-block data costs about three bytes a stretch.
constexpr std::size_t Block = 32;
static_assert(Block == 32, "the Running stretches of a block are kept as the bits of 32-bit words");
// Block flags.
constexpr std::uint8_t EndsOrdered = 1;
constexpr std::uint8_t EndsAfterStarts = 2;
constexpr std::size_t None = std::numeric_limits<std::size_t>::max();
constexpr double Infinity = std::numeric_limits<double>::infinity();
// A stretch reaches this many columns past the column of its end.
constexpr int EndOverhang = 2;
// Stretches from before the window taken into account in its first column (the nesting depth of
// an entry in itself; more only in made-up rows).
constexpr std::size_t MaxCrossing = 64;

// The first index in [first, last) for which `inPrefix` is false, where it is true on a prefix
// of the range: galloping from `first`, so the cost grows with the logarithm of the distance.
template <class InPrefix>
std::size_t gallop(std::size_t first, std::size_t last, InPrefix inPrefix) {
  std::size_t left = first;
  std::size_t right = last;
  std::size_t step = 1;
  while (left < right) {
    const std::size_t probe = std::min(left + step - 1, right - 1);
    if (!inPrefix(probe)) {
      right = probe;
      break;
    }
    left = probe + 1;
    step *= 2;
  }
  while (left < right) {
    const std::size_t mid = left + (right - left) / 2;
    if (inPrefix(mid)) {
      left = mid + 1;
    } else {
      right = mid;
    }
  }
  return left;
}

// The rightmost leaf before `end` of a max tree (leaves from index `leaves` on) whose value
// satisfies `reaches`, a test that holds for every value above one that passes; None when no
// leaf does.
template <class Reaches>
std::size_t rightmostLeafBefore(const std::vector<double>& tree, std::size_t leaves,
                                std::size_t end, Reaches reaches) {
  if (end == 0) {
    return None;
  }
  std::size_t node = leaves + end - 1;
  for (;;) {
    if (reaches(tree[node])) {
      while (node < leaves) {
        node = reaches(tree[2 * node + 1]) ? 2 * node + 1 : 2 * node;
      }
      return node - leaves;
    }
    // On to the subtree just left of this one: up while this is a left child.
    while ((node & 1) == 0) {
      node >>= 1;
    }
    if (node == 1) {
      return None;
    }
    --node;
  }
}

// TimeAxis::timeToX with the same arithmetic, inlined: the sweep maps times to columns in its
// innermost loops.
class PixelMap {
 public:
  explicit PixelMap(const TimeAxis& axis)
      : viewStart_(axis.viewStart()),
        viewEnd_(axis.viewEnd()),
        pixelsPerSecond_(axis.pixelsPerSecond()),
        left_(axis.timeToX(-Infinity)),
        right_(axis.timeToX(Infinity)),
        width_(static_cast<double>(right_ - left_)) {}

  int left() const { return left_; }
  int right() const { return right_; }
  double viewStart() const { return viewStart_; }
  double viewEnd() const { return viewEnd_; }
  double pixelsPerSecond() const { return pixelsPerSecond_; }

  int x(double t) const {
    if (t < viewStart_) {
      return left_;
    }
    if (t > viewEnd_) {
      return right_;
    }
    return left_ + static_cast<int>(std::min((t - viewStart_) * pixelsPerSecond_, width_));
  }

 private:
  double viewStart_;
  double viewEnd_;
  double pixelsPerSecond_;
  int left_;
  int right_;
  double width_;
};

// Appends runs clipped to [left, end), merging a run into the previous one of this row when
// they touch and share the state.
class RunSink {
 public:
  RunSink(std::vector<ColumnRun>& out, int left, int end)
      : out_(out), first_(out.size()), left_(left), end_(end) {}

  void add(int x0, int x1, SegmentState state) {
    x0 = std::max(x0, left_);
    x1 = std::min(x1, end_);
    if (x0 >= x1) {
      return;
    }
    if (out_.size() > first_ && out_.back().x1 == x0 && out_.back().state == state) {
      out_.back().x1 = x1;
      return;
    }
    out_.push_back({x0, x1, state});
  }

 private:
  std::vector<ColumnRun>& out_;
  std::size_t first_;
  int left_;
  int end_;
};

// The walk's user-section pieces seen as a row of Running stretches, in their own order or in
// the start order given by `order`.
struct PieceRows {
  const std::vector<UserSectionPiece>& pieces;
  std::size_t size() const { return pieces.size(); }
  double from(std::size_t i) const { return pieces[i].from; }
  double to(std::size_t i) const { return pieces[i].to; }
  SegmentState state(std::size_t) const { return SegmentState::Running; }
};
struct OrderedPieceRows {
  const std::vector<UserSectionPiece>& pieces;
  const std::uint32_t* order;
  std::size_t size() const { return pieces.size(); }
  double from(std::size_t i) const { return pieces[order[i]].from; }
  double to(std::size_t i) const { return pieces[order[i]].to; }
  SegmentState state(std::size_t) const { return SegmentState::Running; }
};

// The latest end of a row's stretches, read in storage order.
double latestEndOf(const EntrySegments& row) {
  double latest = -Infinity;
  for (std::size_t i = 0; i < row.size(); ++i) {
    latest = std::max(latest, row.to(i));
  }
  return latest;
}
double latestEndOf(const std::vector<UserSectionPiece>& pieces) {
  double latest = -Infinity;
  for (const UserSectionPiece& piece : pieces) {
    latest = std::max(latest, piece.to);
  }
  return latest;
}
double latestEndOf(const PieceRows& rows) {
  return latestEndOf(rows.pieces);
}
double latestEndOf(const OrderedPieceRows& rows) {
  return latestEndOf(rows.pieces);
}

double nonNegative(double value) {
  return value > 0.0 ? value : 0.0;
}

// A walk result with this many stretches has its rows indexed on several threads; smaller ones
// take less time than starting a thread.
constexpr std::size_t ParallelIndexStretches = 200'000;
constexpr unsigned MaxIndexThreads = 4;

}  // namespace

// One raster call. The columns are visited left to right with `begun`, the number of stretches
// that begin left of the current column. A column in which no stretch begins shows the last
// stretch among those that still reaches it; a column in which one begins shows that one; a
// column in which several begin is decided from the block sums of the stretches beginning there.
template <class Rows>
class RowRaster::Sweep {
 public:
  Sweep(const RowRaster& index, const Rows& row, const TimeAxis& axis, std::vector<ColumnRun>& out)
      : index_(index),
        row_(row),
        axis_(axis),
        map_(axis),
        end_(map_.right() + EndOverhang),
        sink_(out, map_.left(), end_) {}

  void run();

 private:
  // Whether a stretch ending at `to` still covers `column` (a stretch ending before the window is
  // hidden even though its overhang would reach into the first columns).
  bool reaches(double to, int column) const {
    return to >= map_.viewStart() && map_.x(to) + EndOverhang > column;
  }
  // The state of a stretch from the block bits.
  SegmentState stateOf(std::size_t i) const {
    const std::uint32_t bit = 1u << (i % Block);
    if ((index_.heads_[i / Block].running & bit) != 0) {
      return SegmentState::Running;
    }
    return (index_.heads_[i / Block].undefined & bit) != 0 ? SegmentState::Undefined
                                                           : SegmentState::Interrupted;
  }
  std::size_t lastReaching(std::size_t begun, int column) const;
  template <class Before>
  std::size_t partitionStarts(std::size_t first, std::size_t last, Before before) const;
  std::size_t firstBeyondColumn(std::size_t first, std::size_t last, int column) const;
  void fillCovered(std::size_t begun, int from, int to);
  bool anyRunning(std::size_t first, std::size_t last) const;
  double stateTimeBefore(std::size_t k, SegmentState state) const;
  void denseColumn(int column, std::size_t first, std::size_t last,
                   const std::vector<std::size_t>& crossing);
  std::size_t firstColumn(std::size_t inside, std::size_t shown);
  void sweep(int column, std::size_t begun, std::size_t shown);
  bool useDetail(std::size_t inside, std::size_t shown) const;
  void detailColumns(int from, int to, std::size_t inside, std::size_t shown);

  const RowRaster& index_;
  const Rows& row_;
  const TimeAxis& axis_;
  PixelMap map_;
  int end_;
  RunSink sink_;
};

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

RowRaster::RowRaster(const EntrySegments& row) : row_(&row) {
  build(row);
}

RowRaster::RowRaster(const std::vector<UserSectionPiece>& pieces, const std::uint32_t* order)
    : pieces_(&pieces), pieceOrder_(order) {
  if (order != nullptr) {
    build(OrderedPieceRows{pieces, order});
  } else {
    build(PieceRows{pieces});
  }
}

// Builds the level of detail of a row over its time from its first start to its latest end,
// one stretch at a time. Each stretch's time is split exactly at the bin edges: the parts of the
// bins at both of its ends directly, the whole bins between them as a change of the lead that
// whole bins carry, so that a long stretch costs little more than a short one.
class RowRaster::DetailBuilder {
 public:
  DetailBuilder(RowRaster& index, std::size_t count, double firstStart, double latestEnd)
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

  void add(double from, double to, SegmentState state) {
    if (bins_ == 0) {
      return;
    }
    const auto lastEdge = static_cast<double>(bins_);
    const double start = index_.binStart_;
    const double binsPerSecond = index_.binsPerSecond_;
    from = std::clamp((from - start) * binsPerSecond, 0.0, lastEdge);
    to = std::clamp((to - start) * binsPerSecond, 0.0, lastEdge);
    if (!(to > from)) {
      return;
    }
    const auto first = std::min(static_cast<std::size_t>(from), bins_ - 1);
    // The bins [first, end) share time with the stretch.
    const auto whole = static_cast<std::size_t>(to);
    const std::size_t end = std::min(bins_, whole + (to > static_cast<double>(whole) ? 1 : 0));
    mark(&BinWord::covered, first, end);
    if (state == SegmentState::Running) {
      mark(&BinWord::running, first, end);
      return;
    }
    const double sign = state == SegmentState::Interrupted ? 1.0 : -1.0;
    if (end == first + 1) {
      changes_[first].part += sign * (to - from);
      return;
    }
    changes_[first].part += sign * (static_cast<double>(first + 1) - from);
    const std::size_t last = end - 1;
    changes_[first + 1].whole += sign;
    changes_[last].whole -= sign;
    changes_[last].part += sign * (to - static_cast<double>(last));
  }

  void finish() {
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

 private:
  // Sets the bits of the bins [first, end), one word at a time.
  void mark(std::uint64_t BinWord::*bits, std::size_t first, std::size_t end) {
    std::vector<BinWord>& words = index_.binWords_;
    for (std::size_t word = first / 64; word * 64 < end; ++word) {
      const std::size_t low = std::max(first, word * 64) - word * 64;
      const std::size_t high = std::min(end, word * 64 + 64) - word * 64;
      words[word].*bits |= (~std::uint64_t{0} >> (64 - high)) & (~std::uint64_t{0} << low);
    }
  }

  RowRaster& index_;
  std::size_t bins_ = 0;
  // Per bin, in bin widths: the Interrupted minus the Undefined parts of it covered by the
  // stretches that end or begin in it, and the change of the lead that whole bins carry.
  struct Change {
    double part = 0.0;
    double whole = 0.0;
  };
  std::vector<Change> changes_;
};

template <class Rows>
void RowRaster::build(const Rows& row) {
  const std::size_t count = row.size();
  const std::size_t blocks = (count + Block - 1) / Block;
  heads_.resize(blocks);
  runningBefore_.resize(blocks + 1);
  interruptedBefore_.resize(blocks + 1);
  undefinedBefore_.resize(blocks + 1);
  latestEndBefore_.resize(blocks);
  endTreeLeaves_ = std::bit_ceil(std::max<std::size_t>(blocks, 1));
  endTree_.assign(2 * endTreeLeaves_, -Infinity);
  DetailBuilder detail(*this, count, count > 0 ? row.from(0) : 0.0, latestEndOf(row));

  std::uint32_t running = 0;
  double interrupted = 0.0;
  double undefined = 0.0;
  double latestEnd = -Infinity;
  for (std::size_t block = 0; block < blocks; ++block) {
    runningBefore_[block] = running;
    interruptedBefore_[block] = interrupted;
    undefinedBefore_[block] = undefined;
    latestEndBefore_[block] = latestEnd;
    const std::size_t first = block * Block;
    const std::size_t stop = std::min(count, first + Block);
    BlockHead& head = heads_[block];
    head.from = row.from(first);
    double blockEnd = -Infinity;
    bool ordered = true;
    bool endsAfterStarts = true;
    std::uint32_t mask = 0;
    std::uint32_t undefinedBits = 0;
    for (std::size_t i = first; i < stop; ++i) {
      const double to = row.to(i);
      ordered = ordered && !(to < blockEnd);
      endsAfterStarts = endsAfterStarts && to >= row.from(i);
      blockEnd = std::max(blockEnd, to);
      detail.add(row.from(i), to, row.state(i));
      switch (row.state(i)) {
        case SegmentState::Running:
          ++running;
          mask |= 1u << (i - first);
          break;
        case SegmentState::Interrupted:
          interrupted += nonNegative(to - row.from(i));
          break;
        case SegmentState::Undefined:
          undefined += nonNegative(to - row.from(i));
          undefinedBits |= 1u << (i - first);
          break;
      }
    }
    head.flags = static_cast<std::uint8_t>((ordered ? EndsOrdered : 0) |
                                           (endsAfterStarts ? EndsAfterStarts : 0));
    head.running = mask;
    head.undefined = undefinedBits;
    endTree_[endTreeLeaves_ + block] = blockEnd;
    latestEnd = std::max(latestEnd, blockEnd);
  }
  runningBefore_[blocks] = running;
  interruptedBefore_[blocks] = interrupted;
  undefinedBefore_[blocks] = undefined;
  for (std::size_t node = endTreeLeaves_; node-- > 1;) {
    endTree_[node] = std::max(endTree_[2 * node], endTree_[2 * node + 1]);
  }
  detail.finish();
}

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

std::size_t RowRaster::storageBytes() const {
  return heads_.capacity() * sizeof(BlockHead) + runningBefore_.capacity() * sizeof(std::uint32_t) +
         (interruptedBefore_.capacity() + undefinedBefore_.capacity() +
          latestEndBefore_.capacity() + endTree_.capacity()) *
             sizeof(double) +
         binLead_.capacity() * sizeof(float) + binWords_.capacity() * sizeof(BinWord);
}

// ----- TimeStepRaster -----

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

TimeStepRaster::TimeStepRaster(const TimeStepResult& result) : result_(&result) {
  // The rows are indexed independently of each other: on a long trace the other cores take
  // rows while this thread indexes the user run-time row, the marks and the clock lines, and
  // then joins them.
  rows_.resize(result.rows.size());
  std::atomic<std::size_t> next{0};
  const auto indexRows = [&] {
    for (std::size_t i = next++; i < rows_.size(); i = next++) {
      rows_[i] = RowRaster(result.rows[i]);
    }
  };
  std::vector<std::thread> helpers;
  if (result.segmentCount() >= ParallelIndexStretches) {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    for (unsigned i = 1; i < std::min(cores, MaxIndexThreads); ++i) {
      helpers.emplace_back(indexRows);
    }
  }

  // The user run-time row reads the walk's pieces, through a start order of its own when they
  // are not in start order already (a section closed at the top level starts early).
  const std::vector<UserSectionPiece>& pieces = result.userSections;
  auto byStart = [](const UserSectionPiece& a, const UserSectionPiece& b) {
    return a.from < b.from;
  };
  if (std::is_sorted(pieces.begin(), pieces.end(), byStart)) {
    userSections_ = RowRaster(pieces, nullptr);
  } else {
    userSectionOrder_.resize(pieces.size());
    std::iota(userSectionOrder_.begin(), userSectionOrder_.end(), std::uint32_t{0});
    std::stable_sort(
        userSectionOrder_.begin(), userSectionOrder_.end(),
        [&](std::uint32_t a, std::uint32_t b) { return pieces[a].from < pieces[b].from; });
    userSections_ = RowRaster(pieces, userSectionOrder_.data());
  }

  // The marks and the clock lines come in time order from the walk; a copy is kept only when not.
  auto byTime = [](const UserMarkPosition& a, const UserMarkPosition& b) {
    return a.time < b.time;
  };
  if (!std::is_sorted(result.userMarks.begin(), result.userMarks.end(), byTime)) {
    marks_ = result.userMarks;
    std::stable_sort(marks_.begin(), marks_.end(), byTime);
  }
  curveIndex_ = indexClock(result.clockCurve);
  topLevelIndex_ = indexClock(result.topLevelClock);

  indexRows();
  for (std::thread& helper : helpers) {
    helper.join();
  }
}

const RowRaster* TimeStepRaster::row(std::uint32_t entry) const {
  if (result_ == nullptr) {
    return nullptr;
  }
  const EntrySegments* segments = result_->find(entry);
  if (segments == nullptr || segments->empty()) {
    return nullptr;
  }
  return &rows_[static_cast<std::size_t>(segments - result_->rows.data())];
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

std::size_t TimeStepRaster::storageBytes() const {
  std::size_t bytes = rows_.capacity() * sizeof(RowRaster) + userSections_.storageBytes() +
                      marks_.capacity() * sizeof(UserMarkPosition) + curveIndex_.bytes() +
                      topLevelIndex_.bytes();
  for (const RowRaster& row : rows_) {
    bytes += row.storageBytes();
  }
  bytes += userSectionOrder_.capacity() * sizeof(std::uint32_t);
  return bytes;
}

}  // namespace kelvor
