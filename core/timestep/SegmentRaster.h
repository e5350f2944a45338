#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "timestep/TimeAxis.h"
#include "timestep/TimeStepSegments.h"

namespace kelvor {

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
// by Undefined stretches before each bin edge. Every column inside such a window then shows
// Running when any of its bins runs, else the one of the two other states that covers more of it
// (read off the bin sums, interpolated inside the two bins at its edges), and what reaches into
// it from the left where no stretch covers it. The first and the last column of the window and
// the overhang beyond it are drawn as in every other window.
class RowRaster {
 public:
  // Rows of fewer stretches keep no level of detail: they cost little to draw exactly.
  static constexpr std::size_t DetailMinStretches = 4096;
  // One time bin per this many stretches of the row.
  static constexpr std::size_t StretchesPerBin = 2;
  // The level of detail draws a window when the row's stretches that begin inside it average at
  // least this many per column, and a column spans at least DetailMinBinsPerColumn bins.
  static constexpr std::size_t DetailStretchesPerColumn = 8;
  static constexpr double DetailMinBinsPerColumn = 4.0;

  RowRaster() = default;
  // Builds the index of a row; `row` must stay alive and unchanged while the index is used.
  explicit RowRaster(const EntrySegments& row);

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
  template <class Rows>
  void build(const Rows& row);
  class DetailBuilder;  // the level of detail, fed one stretch at a time

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
  std::vector<float> binLead_;  // bins + 1 entries
  std::vector<BinWord> binWords_;
  double binStart_ = 0.0;  // the first stretch's start, the first edge
  double binsPerSecond_ = 0.0;
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
// clock points. Built once per walk; painting reads it only.
class TimeStepRaster {
 public:
  TimeStepRaster() = default;
  // `result` must stay alive and unchanged while the raster is used.
  explicit TimeStepRaster(const TimeStepResult& result);
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
};

}  // namespace kelvor
