#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "timestep/TimeAxis.h"
#include "timestep/TimeStepSegments.h"

namespace kelvor {

class TimeStepWalk;
struct DetailGrid;

// A run of neighbouring chart columns [x0, x1) drawn in one state.
struct ColumnRun {
  int x0 = 0;
  int x1 = 0;
  SegmentState state = SegmentState::Running;
  constexpr bool operator==(const ColumnRun&) const = default;
};

// The pixels of one row of stretches for one window, without touching every stretch.
//
// A stretch covers the columns from timeToX(from) up to timeToX(to) + 2 (exclusive); stretches
// with both ends beyond the same edge of the window draw nothing. Painting the stretches one
// after the other, each over the previous, gives the plain picture. The raster gives exactly that
// picture in every column where at most one stretch begins. In a column where several stretches
// begin (they are narrower than a pixel) it draws the column Running when any part of it runs,
// else in the state that covers most of its time.
//
// The cost of a row is bounded by the number of columns times (log n + a small block), whatever
// the number of stretches in the window: per block of stretches the index keeps the number of
// Running stretches and the time covered by each state.
//
// Wide windows over long rows, with many stretches in every column, are drawn from a coarser
// level of detail instead, kept per uniform time bin: whether any Running stretch and whether any
// stretch at all covers part of the bin, and the time covered by Interrupted minus that covered
// by Undefined stretches before each bin edge. The bins lie on a grid that depends on the row
// only through powers of two (see detailGrid), so that a growing row keeps its grid until its
// count or its span doubles, and the times are summed in fixed point, in any order alike. Every
// column inside such a window then shows Running when any of its bins runs, else the one of the two
// other states that covers more of it (read off the bin sums, interpolated inside the two bins at
// its edges), and what reaches into it from the left where no stretch covers it. The first and the
// last column of the window and the overhang beyond it are drawn as in every other window.
class RowRaster {
 public:
  // Rows of fewer stretches keep no level of detail: they cost little to draw exactly.
  static constexpr std::size_t DetailMinStretches = 4096;
  // About one time bin per this many stretches of the row (the grid is rounded to powers of two).
  static constexpr std::size_t StretchesPerBin = 2;
  // The level of detail draws a window when the row's stretches that begin inside it average at
  // least this many per column, and a column spans at least DetailMinBinsPerColumn bins.
  static constexpr std::size_t DetailStretchesPerColumn = 8;
  static constexpr double DetailMinBinsPerColumn = 4.0;

  RowRaster() = default;
  // Builds the index of a row; `row` must stay alive and unchanged while the index is used.
  explicit RowRaster(const EntrySegments& row);

  // Brings the index up to date with `row` (the same row, or where it moved to) after the row
  // changed from its settled() on, and settles the row. The index is then exactly what
  // RowRaster(row) builds. The work grows with the changed stretches (and the blocks and bins
  // after the first of them), not with the row, except when the level of detail changes its
  // grid (the row's count or span doubled; amortised over the stretches that made it double) or
  // when stretches the index cannot take back changed (then the row's level of detail is built
  // anew).
  void takeIn(const EntrySegments& row);

  // The columns of the row in the window of `axis`, left to right, neighbouring columns of one
  // state merged into one run, appended to `out`.
  void raster(const TimeAxis& axis, std::vector<ColumnRun>& out) const;

  // Bytes held by the index (not by the row).
  std::size_t storageBytes() const;

 private:
  friend class TimeStepRaster;
  template <class Rows>
  class Sweep;  // the column walk of one raster call

  // A row over the walk's user-section pieces as Running stretches, in their order when `order`
  // is null, else in the order of the indices it points to (one per piece, by start).
  RowRaster(const std::vector<UserSectionPiece>& pieces, const std::uint32_t* order);
  class DetailBuilder;  // the level of detail, fed one stretch at a time

  // The same after pieces were added, the first `settled` of the order kept.
  void takeIn(const std::vector<UserSectionPiece>& pieces, const std::uint32_t* order,
              std::size_t settled);
  // Indexes the stretches from `settled` on; those before it are as the index last saw them.
  template <class Rows>
  void index(const Rows& row, std::size_t settled);
  template <class Rows>
  void indexBlocks(const Rows& row, std::size_t first, DetailBuilder* detail);
  void setDetailGrid(const DetailGrid& grid);
  template <class Rows>
  void buildDetail(const Rows& row);
  template <class Rows>
  bool extendDetail(const Rows& row, std::size_t first, std::size_t oldCount);
  template <class Rows>
  void keepTail(const Rows& row);

  // A stretch as the index last saw it.
  struct Stretch {
    double from;
    double to;
    SegmentState state;
  };

  const EntrySegments* row_ = nullptr;
  const std::vector<UserSectionPiece>* pieces_ = nullptr;
  const std::uint32_t* pieceOrder_ = nullptr;
  // What the sweep reads of a block of stretches on nearly every column, kept together: the
  // start of its first stretch, which of its stretches run and which are undefined (a bit each,
  // so painting rarely reads the states themselves), and flags (the ends inside it never
  // decrease; no stretch in it ends before it begins).
  struct BlockHead {
    double from = 0.0;
    std::uint32_t running = 0;
    std::uint32_t undefined = 0;
    std::uint8_t flags = 0;
  };
  std::vector<BlockHead> heads_;
  // Per block: the Running stretches and the time of the Interrupted and the Undefined
  // stretches before it, and the latest end before it.
  std::vector<std::uint32_t> runningBefore_;
  std::vector<double> interruptedBefore_;
  std::vector<double> undefinedBefore_;
  std::vector<double> latestEndBefore_;
  // A max tree over the latest end of each block, leaves from index endTreeLeaves_ on.
  std::vector<double> endTree_;
  std::size_t endTreeLeaves_ = 0;
  // The level of detail (empty for short rows): per bin edge the time covered by Interrupted
  // minus that covered by Undefined stretches before it, a float as it is only read for columns
  // that span several bins; per 64 bins a bit each for bins that Running stretches and that any
  // stretches cover part of, with the number of earlier words that have any bit set.
  struct BinWord {
    std::uint64_t running = 0;
    std::uint64_t covered = 0;
    std::uint32_t runningBefore = 0;
    std::uint32_t coveredBefore = 0;
  };
  // In units of 2^-binFraction_ bin widths, modulo 2^32 (the difference between any two edges
  // fits in 31 bits). Empty without a level of detail.
  std::vector<std::uint32_t> binLead_;  // bins + 1 entries
  std::vector<BinWord> binWords_;
  double binStart_ = 0.0;  // the first stretch's start, the first edge
  double binsPerSecond_ = 0.0;
  int binExponent_ = 0;  // the grid: 2^binExponent_ bins over 2^spanExponent_ seconds
  int spanExponent_ = 0;
  int binFraction_ = 0;
  std::size_t count_ = 0;  // stretches indexed
  // The last stretches of a row with a level of detail, as indexed: what an update takes back
  // out of the bins when they changed.
  std::vector<Stretch> tail_;
};

// The user-marks of the window: one x per column that holds at least one mark, with the number
// of the last mark in that column.
struct MarkColumn {
  int x = 0;
  std::uint32_t number = 0;
  constexpr bool operator==(const MarkColumn&) const = default;
};

// A point of a clock staircase in chart pixels: the value holds from x on.
struct ClockStep {
  int x = 0;
  int y = 0;
  constexpr bool operator==(const ClockStep&) const = default;
};

// The index of a whole walk result for painting: one RowRaster per entry row, one for the user
// run-time row (the user-section pieces as Running stretches), and the time-sorted marks and
// clock points. Built once per walk, or brought up to date after the walk was extended; painting
// reads it only.
class TimeStepRaster {
 public:
  TimeStepRaster() = default;
  // `result` must stay alive and unchanged while the raster is used. Settles its rows.
  explicit TimeStepRaster(const TimeStepResult& result);
  // The same over the walk's result, remembering which walk it indexed for takeIn().
  explicit TimeStepRaster(const TimeStepWalk& walk);

  // Brings the raster up to date with the walk's result after the walk was extended, exactly
  // to what TimeStepRaster(walk) would build: the rows that changed are indexed from their
  // settled() stretch on, new rows are indexed, the pieces, marks and clock points are indexed
  // from the first that changed. When the walk has begun again from the first event since (or
  // the raster was built over another result), the raster is built anew.
  void takeIn(const TimeStepWalk& walk);
  // Moves keep the user run-time row valid; a copy would point into the original's storage.
  TimeStepRaster(TimeStepRaster&&) = default;
  TimeStepRaster& operator=(TimeStepRaster&&) = default;
  TimeStepRaster(const TimeStepRaster&) = delete;
  TimeStepRaster& operator=(const TimeStepRaster&) = delete;

  // The row of an entry, or null when the walk found no stretch of it.
  const RowRaster* row(std::uint32_t entry) const;
  const RowRaster& userSections() const { return userSections_; }

  // The marks in the window (viewStart <= time < viewEnd), one per column.
  void markColumns(const TimeAxis& axis, std::vector<MarkColumn>& out) const;

  // The staircase of a clock line inside the window, as steps in chart pixels: at most a few
  // per column (a column over many changes keeps the first, the lowest, the highest and the
  // last value), starting with the value held at the window's left edge. `chartTop` and
  // `chartHeight` give the clock scale's 0 MHz (bottom) and full value (top).
  void clockSteps(bool topLevel, const TimeAxis& axis, int chartTop, int chartHeight,
                  std::vector<ClockStep>& out) const;

  std::size_t storageBytes() const;

 private:
  // The points of a clock line in time order, with the lowest and highest value of every block
  // of points in a min/max tree, so that a column over many changes costs a logarithm.
  struct ClockIndex {
    std::vector<ClockPoint> sorted;  // a copy only when the line is not in time order
    std::vector<double> low;
    std::vector<double> high;
    std::size_t leaves = 0;
    std::size_t bytes() const;
  };
  static ClockIndex indexClock(const std::vector<ClockPoint>& points);
  // The index brought up to date after the points from `settled` on changed or were added.
  static void takeInClock(ClockIndex& index, const std::vector<ClockPoint>& points,
                          std::size_t settled);
  void takeInPieces(const std::vector<UserSectionPiece>& pieces);
  void takeInMarks(const std::vector<UserMarkPosition>& marks);
  void remember(const TimeStepResult& result);
  const std::vector<ClockPoint>& clockPoints(bool topLevel) const;

  const TimeStepResult* result_ = nullptr;
  std::vector<RowRaster> rows_;  // by index of result_->rows
  // The start order of the user-section pieces when the walk's are out of order. userSections_
  // points into its heap buffer, which stays in place when the raster is moved.
  std::vector<std::uint32_t> userSectionOrder_;
  RowRaster userSections_;
  const std::vector<UserMarkPosition>& markList() const;
  std::vector<UserMarkPosition> marks_;  // a copy by time only when the walk's are not in order
  ClockIndex curveIndex_;
  ClockIndex topLevelIndex_;
  // What takeIn() continues from: the walk indexed and the lengths of its lists then.
  std::uint64_t walkCount_ = 0;            // 0: not built from a walk
  std::vector<std::uint32_t> rowEntries_;  // the entry of each of rows_
  std::size_t piecesIndexed_ = 0;
  std::size_t marksIndexed_ = 0;
  std::size_t curveIndexed_ = 0;
  std::size_t topLevelIndexed_ = 0;
};

}  // namespace kelvor
