#pragma once

// What the pieces of the segment raster share: the block constants, the searches, the inlined
// time-to-column mapping, the run output, the user-section pieces seen as a row, and the
// declarations of the column sweep and of the level-of-detail builder. Included only by the
// raster's own sources in this folder.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "timestep/SegmentRaster.h"

namespace kelvor {

namespace rasterimpl {

// Stretches (and clock points) per block of the index. A column reads at most about one block
// of starts; the per-block data costs about three bytes a stretch.
inline constexpr std::size_t Block = 32;
static_assert(Block == 32, "the Running stretches of a block are kept as the bits of 32-bit words");
// Block flags.
inline constexpr std::uint8_t EndsOrdered = 1;
inline constexpr std::uint8_t EndsAfterStarts = 2;
inline constexpr std::size_t None = std::numeric_limits<std::size_t>::max();
inline constexpr double Infinity = std::numeric_limits<double>::infinity();
// A stretch reaches this many columns past the column of its end.
inline constexpr int EndOverhang = 2;
// Stretches from before the window taken into account in its first column (the nesting depth of
// an entry in itself; more only in made-up rows).
inline constexpr std::size_t MaxCrossing = 64;

// The searches have internal linkage: each source keeps its own copy, which the compiler folds
// into the one function that calls it. They are used only by functions defined in one source.
namespace {

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

}  // namespace

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

inline double nonNegative(double value) {
  return value > 0.0 ? value : 0.0;
}

}  // namespace rasterimpl

// One raster call. The columns are visited left to right with `begun`, the number of stretches
// that begin left of the current column. A column in which no stretch begins shows the last
// stretch among those that still reaches it; a column in which one begins shows that one; a
// column in which several begin is decided from the block sums of the stretches beginning there.
// The exact column walk is defined in SegmentRasterSweep.cpp, the columns drawn from the level of
// detail in SegmentRasterLevelOfDetail.cpp; each instantiates its members for the three kinds of
// row (EntrySegments, PieceRows, OrderedPieceRows).
template <class Rows>
class RowRaster::Sweep {
 public:
  Sweep(const RowRaster& index, const Rows& row, const TimeAxis& axis, std::vector<ColumnRun>& out)
      : index_(index),
        row_(row),
        axis_(axis),
        map_(axis),
        end_(map_.right() + rasterimpl::EndOverhang),
        sink_(out, map_.left(), end_) {}

  void run();

 private:
  // Whether a stretch ending at `to` still covers `column` (a stretch ending before the window is
  // hidden even though its overhang would reach into the first columns).
  bool reaches(double to, int column) const {
    return to >= map_.viewStart() && map_.x(to) + rasterimpl::EndOverhang > column;
  }
  // The state of a stretch from the block bits.
  SegmentState stateOf(std::size_t i) const {
    const std::uint32_t bit = 1u << (i % rasterimpl::Block);
    if ((index_.heads_[i / rasterimpl::Block].running & bit) != 0) {
      return SegmentState::Running;
    }
    return (index_.heads_[i / rasterimpl::Block].undefined & bit) != 0 ? SegmentState::Undefined
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
  rasterimpl::PixelMap map_;
  int end_;
  rasterimpl::RunSink sink_;
};

// The grid of a row's level of detail. 2^binExponent bins, about one per StretchesPerBin
// stretches, span the power of two of seconds at or above the row's span, from its first start;
// `bins` of them reach up to its latest end. So the grid changes only when the row's count or
// span passes a power of two, or its first start moves. None (no bins) for short rows and rows
// without a finite span.
struct DetailGrid {
  std::size_t bins = 0;
  int binExponent = 0;
  int spanExponent = 0;
  // The lead is kept in units of 2^-fraction bins, modulo 2^32: fine enough for deciding a
  // column, coarse enough that the lead between any two edges, up to 128 stretches deep over
  // every bin, stays below 2^31 units and so is the difference of the two values (for rows of
  // up to 2^23 bins; longer ones count whole bins).
  int fraction = 0;
  double start = 0.0;
  double binsPerSecond = 0.0;
};
DetailGrid detailGrid(std::size_t count, double firstStart, double latestEnd);

// Adds stretches to the level of detail of a row, one at a time, or takes them back out. Each
// stretch's time is split exactly at the bin edges: the parts of the bins at both of its ends
// directly, the whole bins between them as a change of the lead that whole bins carry, so that
// a long stretch costs little more than a short one. The changes are kept for the bins from
// `low` on (no stretch given may begin in an earlier bin) and added to the lead by finish(), in
// integers modulo 2^32, so that the lead does not depend on the order in which stretches come.
class RowRaster::DetailBuilder {
 public:
  // `firstWord`: the bin words from which the counts of earlier words are to be made again
  // even where no bit changes (words added since the last build).
  DetailBuilder(RowRaster& index, std::size_t low, std::size_t firstWord);

  // The position of a time in bins, on the grid's edges 0 .. bins.
  double position(double t) const {
    return std::clamp((t - index_.binStart_) * index_.binsPerSecond_, 0.0,
                      static_cast<double>(bins_));
  }
  // The first bin that shares time with a stretch, or None when it covers none.
  std::size_t firstBin(double from, double to) const {
    const double a = position(from);
    return position(to) > a ? std::min(static_cast<std::size_t>(a), bins_ - 1) : rasterimpl::None;
  }

  // `withdraw` takes a stretch added before back out of the lead; its bits stay, so the caller
  // must know that the stretches that replace it cover its bins.
  void add(double from, double to, SegmentState state, bool withdraw = false) {
    if (bins_ == 0) {
      return;
    }
    from = position(from);
    to = position(to);
    if (!(to > from)) {
      return;
    }
    if (!withdraw) {
      const auto first = std::min(static_cast<std::size_t>(from), bins_ - 1);
      // The bins [first, end) share time with the stretch.
      const auto whole = static_cast<std::size_t>(to);
      const std::size_t end = std::min(bins_, whole + (to > static_cast<double>(whole) ? 1 : 0));
      mark(&BinWord::covered, first, end);
      if (state == SegmentState::Running) {
        mark(&BinWord::running, first, end);
      }
    }
    if (state == SegmentState::Running) {
      return;
    }
    const auto p = static_cast<std::uint64_t>(from * scale_);
    const auto q = static_cast<std::uint64_t>(to * scale_);
    if (q <= p) {
      return;
    }
    const std::uint32_t sign =
        (state == SegmentState::Interrupted) != withdraw ? 1 : ~std::uint32_t{0};
    const std::size_t fraction = static_cast<std::size_t>(index_.binFraction_);
    const auto first = static_cast<std::size_t>(p >> fraction);
    const auto last = static_cast<std::size_t>((q - 1) >> fraction);
    if (first == last) {
      change(first).part += sign * static_cast<std::uint32_t>(q - p);
      return;
    }
    change(first).part +=
        sign * static_cast<std::uint32_t>((static_cast<std::uint64_t>(first + 1) << fraction) - p);
    change(first + 1).whole += sign;
    change(last).whole -= sign;
    change(last).part +=
        sign * static_cast<std::uint32_t>(q - (static_cast<std::uint64_t>(last) << fraction));
  }

  void finish();

 private:
  // Per bin, in units of the lead: the Interrupted minus the Undefined parts of it covered by
  // the stretches that end or begin in it, and the change of the number of stretches that
  // cover whole bins from it on.
  struct Change {
    std::uint32_t part = 0;
    std::uint32_t whole = 0;
  };
  Change& change(std::size_t bin) { return changes_[bin - low_]; }

  // Sets the bits of the bins [first, end), one word at a time.
  void mark(std::uint64_t BinWord::*bits, std::size_t first, std::size_t end) {
    std::vector<BinWord>& words = index_.binWords_;
    firstWord_ = std::min(firstWord_, first / 64);
    for (std::size_t word = first / 64; word * 64 < end; ++word) {
      const std::size_t low = std::max(first, word * 64) - word * 64;
      const std::size_t high = std::min(end, word * 64 + 64) - word * 64;
      words[word].*bits |= (~std::uint64_t{0} >> (64 - high)) & (~std::uint64_t{0} << low);
    }
  }

  RowRaster& index_;
  std::size_t bins_ = 0;
  std::size_t low_ = 0;
  std::size_t firstWord_ = 0;
  double scale_ = 1.0;  // one bin in units of the lead
  std::vector<Change> changes_;
};

}  // namespace kelvor
