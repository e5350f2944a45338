#include "timestep/SegmentRaster.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "EngineFixture.h"
#include "timestep/TimeStepWalk.h"

namespace kelvor {
namespace {

using S = SegmentState;
constexpr int Nothing = -2;  // a column without any stretch

struct Stretch {
  double from;
  double to;
  S state;
};

EntrySegments rowOf(std::vector<Stretch> stretches) {
  std::stable_sort(stretches.begin(), stretches.end(),
                   [](const Stretch& a, const Stretch& b) { return a.from < b.from; });
  EntrySegments row(7);
  for (const Stretch& s : stretches) {
    row.add(s.from, s.to, s.state);
  }
  row.finish();
  return row;
}

int code(S state) {
  return static_cast<int>(state);
}

// The columns [left, left + width + 2) of `runs`, checking on the way that the runs lie inside
// them, left to right, and that touching runs differ in state.
std::vector<int> columnsOf(const std::vector<ColumnRun>& runs, int left, int width) {
  std::vector<int> columns(static_cast<std::size_t>(width + 2), Nothing);
  int previousEnd = left;
  std::optional<S> previousState;
  for (const ColumnRun& run : runs) {
    EXPECT_LT(run.x0, run.x1);
    EXPECT_GE(run.x0, previousEnd) << "runs overlap or go backwards";
    EXPECT_LE(run.x1, left + width + 2);
    if (run.x0 == previousEnd && previousState) {
      EXPECT_NE(*previousState, run.state) << "touching runs of one state at " << run.x0;
    }
    for (int x = std::max(run.x0, left); x < std::min(run.x1, left + width + 2); ++x) {
      columns[static_cast<std::size_t>(x - left)] = code(run.state);
    }
    previousEnd = run.x1;
    previousState = run.state;
  }
  return columns;
}

std::vector<int> rasterColumns(const RowRaster& raster, const TimeAxis& axis, int left, int width) {
  std::vector<ColumnRun> runs;
  raster.raster(axis, runs);
  return columnsOf(runs, left, width);
}

// Painting every stretch in stored order, each over the previous, as the chart would without
// the raster; per column also the stretches beginning in it and what lay there before them.
struct PlainPicture {
  std::vector<int> plain;
  std::vector<int> before;  // painted by the stretches that begin left of the column
  std::vector<int> begins;
  std::vector<bool> runningBegins;
};

PlainPicture paintPlain(const EntrySegments& row, const TimeAxis& axis, int left, int width) {
  const auto columns = static_cast<std::size_t>(width + 2);
  PlainPicture picture{std::vector<int>(columns, Nothing), std::vector<int>(columns, Nothing),
                       std::vector<int>(columns, 0), std::vector<bool>(columns, false)};
  int snapshotUpTo = left - 1;
  auto snapshot = [&](int upTo) {
    for (int c = std::max(snapshotUpTo + 1, left); c <= std::min(upTo, left + width + 1); ++c) {
      picture.before[static_cast<std::size_t>(c - left)] =
          picture.plain[static_cast<std::size_t>(c - left)];
    }
    snapshotUpTo = std::max(snapshotUpTo, upTo);
  };
  for (std::size_t i = 0; i < row.size(); ++i) {
    if (axis.hides(row.from(i), row.to(i))) {
      continue;
    }
    const int x0 = axis.timeToX(row.from(i));
    const int x1 = axis.timeToX(row.to(i)) + 2;
    snapshot(x0);
    const auto at = static_cast<std::size_t>(x0 - left);
    ++picture.begins[at];
    picture.runningBegins[at] = picture.runningBegins[at] || row.state(i) == S::Running;
    for (int x = x0; x < std::min(x1, left + width + 2); ++x) {
      picture.plain[static_cast<std::size_t>(x - left)] = code(row.state(i));
    }
  }
  snapshot(left + width + 1);
  return picture;
}

// The time of a column covered by Interrupted minus that covered by Undefined stretches, for
// rows whose stretches do not overlap.
double interruptedLead(const EntrySegments& row, const TimeAxis& axis, int column) {
  const double start = std::max(axis.xToTime(column), axis.viewStart());
  const double end = axis.xToTime(column + 1);
  double lead = 0.0;
  for (std::size_t i = 0; i < row.size(); ++i) {
    const double overlap = std::min(row.to(i), end) - std::max(row.from(i), start);
    if (overlap > 0.0 && row.state(i) != S::Running) {
      lead += row.state(i) == S::Interrupted ? overlap : -overlap;
    }
  }
  return lead;
}

// Checks the raster of a row against plain painting: the same pixels wherever at most one
// stretch begins; where several begin, Running when any of them or the stretch below runs, else
// (for rows without overlaps) the state covering more of the column.
void expectFollowsPlainPainting(const EntrySegments& row, const TimeAxis& axis, int left, int width,
                                bool disjoint, const std::string& label) {
  SCOPED_TRACE(label);
  const RowRaster raster(row);
  const std::vector<int> columns = rasterColumns(raster, axis, left, width);
  const PlainPicture picture = paintPlain(row, axis, left, width);
  for (std::size_t c = 0; c < columns.size(); ++c) {
    const int x = left + static_cast<int>(c);
    if (picture.begins[c] <= 1) {
      EXPECT_EQ(columns[c], picture.plain[c]) << "column " << x;
      continue;
    }
    if (picture.runningBegins[c] || picture.before[c] == code(S::Running)) {
      EXPECT_EQ(columns[c], code(S::Running)) << "dense column " << x;
      continue;
    }
    EXPECT_TRUE(columns[c] == code(S::Interrupted) || columns[c] == code(S::Undefined))
        << "dense column " << x << " shows " << columns[c];
    if (disjoint) {
      const double lead = interruptedLead(row, axis, x);
      if (std::fabs(lead) > 1e-9 * std::max(axis.viewSpan(), 1e-300)) {
        EXPECT_EQ(columns[c], code(lead > 0.0 ? S::Interrupted : S::Undefined))
            << "dense column " << x << ", interrupted lead " << lead;
      }
    }
  }
}

TEST(RowRaster, MatchesPlainPaintingOfWideStretches) {
  struct Row {
    const char* name;
    std::vector<Stretch> stretches;
    bool disjoint;
  };
  const std::vector<Row> rows = {
      {"states one after the other, with a gap",
       {{0, 10, S::Running},
        {10, 20, S::Interrupted},
        {20, 35, S::Undefined},
        {35, 36, S::Running},
        {40, 60, S::Interrupted},
        {60, 100, S::Running}},
       true},
      {"an entry nested in itself",
       {{0, 5, S::Running},
        {5, 20, S::Running},
        {5, 20, S::Interrupted},
        {20, 40, S::Running},
        {40, 41, S::Interrupted}},
       false},
      {"a long stretch under later ones shows in their gaps",
       {{0, 80, S::Undefined},
        {10, 20, S::Running},
        {30, 45, S::Interrupted},
        {60, 61, S::Running}},
       false},
      {"zero-length stretches", {{10, 10, S::Running}, {30, 30, S::Interrupted}}, true},
  };
  struct Window {
    const char* name;
    double start;
    double span;
  };
  const std::vector<Window> windows = {
      {"whole", 0, 100},
      {"zoomed", 20, 10},
      {"scrolled across both edges", 15, 50},
      {"left of the trace", -50, 50},
      {"ending where stretches start", 0, 30},
      {"everything hidden left", 200, 100},
      {"everything hidden right", -300, 100},
  };
  constexpr int Left = 30;
  constexpr int Width = 100;
  for (const Row& r : rows) {
    const EntrySegments row = rowOf(r.stretches);
    for (const Window& w : windows) {
      const TimeAxis axis(w.start, w.span, Left, Width);
      expectFollowsPlainPainting(row, axis, Left, Width, r.disjoint,
                                 std::string(r.name) + " / " + w.name);
    }
  }
}

// A deterministic generator, the same on every standard library.
class Lcg {
 public:
  explicit Lcg(std::uint64_t seed) : state_(seed) {}
  std::uint32_t below(std::uint32_t bound) {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::uint32_t>((state_ >> 33) % bound);
  }
  double unit() { return below(1u << 20) / static_cast<double>(1u << 20); }

 private:
  std::uint64_t state_;
};

// Stretches of every width from far below a pixel to many pixels, with gaps; with `nested`
// some stretches span several later ones (an entry nested in itself, an end without start).
std::vector<Stretch> randomStretches(Lcg& random, std::size_t count, bool nested) {
  static constexpr double Widths[] = {1e-7, 1e-5, 1e-3, 0.05, 2.0};
  static constexpr S States[] = {S::Running, S::Interrupted, S::Undefined};
  std::vector<Stretch> stretches;
  double time = 0.0;
  for (std::size_t i = 0; i < count; ++i) {
    if (random.below(4) == 0) {
      time += Widths[random.below(5)] * random.unit();
    }
    const double length = random.below(10) == 0 ? 0.0 : Widths[random.below(5)] * random.unit();
    stretches.push_back({time, time + length, States[random.below(3)]});
    if (nested && random.below(40) == 0) {
      stretches.push_back({time, time + 50 * Widths[random.below(5)], States[random.below(3)]});
    }
    time += length;
  }
  return stretches;
}

TEST(RowRaster, FollowsPlainPaintingOnRandomRows) {
  Lcg random(12345);
  for (int trial = 0; trial < 24; ++trial) {
    const bool nested = trial % 3 == 2;
    const EntrySegments row = rowOf(randomStretches(random, 3000, nested));
    const double first = row.from(0);
    const double span = row.to(row.size() - 1) - first;
    const int width = trial % 2 == 0 ? 100 : 37;
    for (int zoom = 0; zoom < 5; ++zoom) {
      const double windowSpan = span / std::pow(10.0, zoom);
      const double start = first - 0.1 * windowSpan + random.unit() * (span - 0.8 * windowSpan);
      const TimeAxis axis(start, windowSpan, 5, width);
      std::ostringstream label;
      label << "trial " << trial << " zoom " << zoom << " window " << start << " + " << windowSpan;
      expectFollowsPlainPainting(row, axis, 5, width, !nested, label.str());
    }
  }
}

// Columns of 1 s on a 10-pixel chart at x = 0.
TEST(RowRaster, DenseColumnShowsRunningElseTheLargerState) {
  struct Case {
    const char* name;
    std::vector<Stretch> stretches;
    S expected;  // column 3
  };
  std::vector<Case> cases = {
      {"a short Running stretch among interrupted ones",
       {{3.1, 3.2, S::Interrupted}, {3.2, 3.21, S::Running}, {3.21, 3.9, S::Interrupted}},
       S::Running},
      {"a Running stretch reaching into the column from before",
       {{1.0, 3.1, S::Running}, {3.1, 3.5, S::Interrupted}, {3.5, 3.9, S::Undefined}},
       S::Running},
      {"interrupted covers more",
       {{3.0, 3.7, S::Interrupted}, {3.7, 4.0, S::Undefined}},
       S::Interrupted},
      {"undefined covers more",
       {{3.0, 3.4, S::Interrupted}, {3.4, 4.0, S::Undefined}},
       S::Undefined},
      {"the stretch from before counts with its part of the column",
       {{0.0, 3.5, S::Undefined}, {3.5, 3.7, S::Interrupted}, {3.7, 3.9, S::Interrupted}},
       S::Undefined},
      {"only the column's part of a stretch reaching beyond it counts",
       {{3.0, 3.6, S::Undefined}, {3.6, 3.65, S::Interrupted}, {3.65, 9.0, S::Interrupted}},
       S::Undefined},
  };
  // Hundreds of stretches in one column: the block sums decide.
  Case manyRunning{"one Running stretch among hundreds", {}, S::Running};
  Case manyUndefined{
      "hundreds of short interrupted ones against longer undefined ones", {}, S::Undefined};
  for (int i = 0; i < 400; ++i) {
    const double at = 3.0 + i * 0.0025;
    manyRunning.stretches.push_back({at, at + 0.0025, i == 300 ? S::Running : S::Interrupted});
    const S state = i % 4 == 0 ? S::Interrupted : S::Undefined;
    manyUndefined.stretches.push_back({at, at + 0.0025, state});
  }
  cases.push_back(manyRunning);
  cases.push_back(manyUndefined);
  const TimeAxis axis(0.0, 10.0, 0, 10);
  for (const Case& c : cases) {
    const EntrySegments row = rowOf(c.stretches);
    const std::vector<int> columns = rasterColumns(RowRaster(row), axis, 0, 10);
    EXPECT_EQ(columns[3], code(c.expected)) << c.name;
  }
}

// The time each state covers inside [a, b), for rows of disjoint stretches in start order plus
// a few `overlays` that lie under them (counted on top, as the level of detail does).
class StateTimes {
 public:
  StateTimes(const std::vector<Stretch>& disjoint, std::vector<Stretch> overlays)
      : stretches_(disjoint), overlays_(std::move(overlays)) {
    for (const Stretch& s : stretches_) {
      for (int state = 0; state < 3; ++state) {
        before_[state].push_back(before_[state].back() +
                                 (slot(s.state) == state ? s.to - s.from : 0.0));
      }
    }
  }

  // Running when any of [a, b) runs, else the larger of Interrupted and Undefined (Interrupted
  // on a tie), Nothing when no stretch covers it.
  int stateIn(double a, double b) const {
    const double running = within(0, a, b);
    const double interrupted = within(1, a, b);
    const double undefined = within(2, a, b);
    if (running > 0.0) {
      return code(S::Running);
    }
    if (interrupted + undefined <= 0.0) {
      return Nothing;
    }
    return code(interrupted >= undefined ? S::Interrupted : S::Undefined);
  }

 private:
  static int slot(S state) { return state == S::Running ? 0 : state == S::Interrupted ? 1 : 2; }
  double upTo(int state, double t) const {
    // The stretches that begin before t; only the last of them can reach beyond it.
    const auto k = static_cast<std::size_t>(
        std::partition_point(stretches_.begin(), stretches_.end(),
                             [&](const Stretch& s) { return s.from < t; }) -
        stretches_.begin());
    double time = before_[state][k];
    if (k > 0 && slot(stretches_[k - 1].state) == state) {
      time -= std::max(0.0, stretches_[k - 1].to - t);
    }
    for (const Stretch& s : overlays_) {
      if (slot(s.state) == state) {
        time += std::max(0.0, std::min(s.to, t) - s.from);
      }
    }
    return time;
  }
  double within(int state, double a, double b) const { return upTo(state, b) - upTo(state, a); }

  std::vector<Stretch> stretches_;
  std::vector<Stretch> overlays_;
  std::vector<double> before_[3] = {{0.0}, {0.0}, {0.0}};
};

// 100,000 stretches: Running alternating with Interrupted, a gap, Interrupted stretches three
// times as long as the Undefined ones between them, then the other way round; a long Undefined
// stretch lies under the turn between the last two.
TEST(RowRaster, WideWindowsOfLongRowsFollowTheMergeRule) {
  Lcg random(99);
  std::vector<Stretch> disjoint;
  double time = 0.0;
  auto append = [&](std::size_t count, S even, S odd, double evenWeight) {
    for (std::size_t i = 0; i < count; ++i) {
      const double length = (0.5 + random.unit()) * (i % 2 == 0 ? evenWeight : 1.0);
      disjoint.push_back({time, time + length, i % 2 == 0 ? even : odd});
      time += length;
    }
  };
  append(40000, S::Running, S::Interrupted, 1.0);
  time += 400.0;
  append(30000, S::Interrupted, S::Undefined, 3.0);
  const double turn = time;
  append(30000, S::Undefined, S::Interrupted, 3.0);
  const std::vector<Stretch> overlays = {{turn - 4000.0, turn + 3000.0, S::Undefined}};
  std::vector<Stretch> all = disjoint;
  all.insert(all.end(), overlays.begin(), overlays.end());
  const EntrySegments row = rowOf(all);
  const RowRaster raster(row);
  const StateTimes times(disjoint, overlays);

  struct Window {
    const char* name;
    double start;
    double span;
    int width;
  };
  const std::vector<Window> windows = {
      {"the whole row", 0.0, time, 1920},
      {"a window that hides stretches on both sides", 0.3 * time, 0.45 * time, 1000},
      {"a window beyond both ends of the row", -0.2 * time, 1.4 * time, 1500},
  };
  constexpr int Left = 100;
  for (const Window& w : windows) {
    SCOPED_TRACE(w.name);
    const TimeAxis axis(w.start, w.span, Left, w.width);
    const std::vector<int> columns = rasterColumns(raster, axis, Left, w.width);
    // Compared wherever the rule gives the same for the column shrunk and widened by a quarter
    // of its width (a column spans many bins, so the bins at its edges lie inside that margin).
    // Columns without any stretch show what reaches into them, as plain painting has it: the
    // overhang of the stretch before a gap.
    const PlainPicture picture = paintPlain(row, axis, Left, w.width);
    const double margin = 0.25 * w.span / w.width;
    auto clip = [&](double t) { return std::clamp(t, axis.viewStart(), axis.viewEnd()); };
    int compared = 0;
    for (int c = 0; c < w.width; ++c) {
      const int x = Left + c;
      const double a = axis.xToTime(x);
      const double b = axis.xToTime(x + 1);
      const int narrow = times.stateIn(clip(a + margin), clip(b - margin));
      if (narrow != times.stateIn(clip(a - margin), clip(b + margin))) {
        continue;
      }
      ++compared;
      const auto at = static_cast<std::size_t>(c);
      EXPECT_EQ(columns[at], narrow == Nothing ? picture.plain[at] : narrow) << "column " << x;
    }
    EXPECT_GT(compared, w.width * 95 / 100);
    // And so does the overhang beyond the window.
    for (std::size_t c = static_cast<std::size_t>(w.width); c < columns.size(); ++c) {
      EXPECT_EQ(columns[c], picture.plain[c]) << "column " << Left + c;
    }
  }
}

// Where the level of detail takes over, a zero-length Running stretch among Interrupted ones
// stops showing: it covers no time of its column.
TEST(RowRaster, TheLevelOfDetailTakesOverAtItsDensity) {
  std::vector<Stretch> stretches;
  // Many short stretches first, so that the row has fine bins.
  for (int i = 0; i < 8000; ++i) {
    stretches.push_back({i * 0.01, (i + 1) * 0.01, S::Interrupted});
  }
  for (int i = 80; i < 480; ++i) {
    stretches.push_back({static_cast<double>(i), i + 1.0, S::Interrupted});
  }
  stretches.push_back({125.5, 125.5, S::Running});
  const EntrySegments row = rowOf(stretches);
  const RowRaster raster(row);
  constexpr int Width = 10;
  constexpr auto Threshold = static_cast<int>(RowRaster::DetailStretchesPerColumn) * Width;
  // From 100.5 over `span` whole seconds: the stretches at 101 .. 100 + span and the Running one
  // begin inside.
  for (const int inside : {Threshold - 1, Threshold}) {
    const double span = inside - 1;
    const TimeAxis axis(100.5, span, 0, Width);
    const std::vector<int> columns = rasterColumns(raster, axis, 0, Width);
    std::vector<int> expected(Width + 2, code(S::Interrupted));
    if (inside < Threshold) {
      expected[3] = code(S::Running);
      expectFollowsPlainPainting(row, axis, 0, Width, true, "just below the density");
    }
    EXPECT_EQ(columns, expected) << inside << " stretches begin inside";
  }
}

TEST(RowRaster, RunsMergeClipAndSkipHiddenStretches) {
  struct Case {
    const char* name;
    std::vector<Stretch> stretches;
    double start;
    double span;
    std::vector<ColumnRun> expected;
  };
  // 10 pixels a second on a chart from x = 20 to 120, runs up to 122.
  const std::vector<Case> cases = {
      {"touching stretches of one state merge",
       {{0, 3, S::Running}, {3, 6, S::Running}},
       0,
       10,
       {{20, 82, S::Running}}},
      {"a gap between stretches",
       {{0, 1, S::Running}, {5, 6, S::Running}},
       0,
       10,
       {{20, 32, S::Running}, {70, 82, S::Running}}},
      {"the next state starts where the last one ended",
       {{0, 1, S::Running}, {1, 2, S::Interrupted}},
       0,
       10,
       {{20, 30, S::Running}, {30, 42, S::Interrupted}}},
      {"a stretch across both edges fills the chart and its overhang",
       {{-5, 500, S::Undefined}},
       0,
       10,
       {{20, 122, S::Undefined}}},
      {"a zero-length stretch is two pixels wide",
       {{4, 4, S::Running}},
       0,
       10,
       {{60, 62, S::Running}}},
      {"ending before the window draws nothing", {{0, 1.9, S::Running}}, 2, 10, {}},
      {"ending at the window start draws the overhang",
       {{0, 2, S::Running}},
       2,
       10,
       {{20, 22, S::Running}}},
      {"beginning after the window draws nothing", {{12.5, 13, S::Running}}, 2, 10, {}},
      {"beginning at the window end draws at the right edge",
       {{12, 13, S::Running}},
       2,
       10,
       {{120, 122, S::Running}}},
      {"an empty row", {}, 0, 10, {}},
      {"an axis of a single time stamp",
       {{1, 2, S::Interrupted}, {0, 9, S::Running}},
       5,
       0,
       {{20, 122, S::Running}}},
      {"an axis of a single time stamp: only the instant",
       {{5, 5, S::Interrupted}},
       5,
       0,
       {{20, 22, S::Interrupted}}},
  };
  for (const Case& c : cases) {
    const EntrySegments row = rowOf(c.stretches);
    std::vector<ColumnRun> runs;
    RowRaster(row).raster(TimeAxis(c.start, c.span, 20, 100), runs);
    EXPECT_EQ(runs, c.expected) << c.name;
  }

  // Runs of the next row do not merge into those of the previous one.
  const EntrySegments first = rowOf({{0, 3, S::Running}});
  const EntrySegments second = rowOf({{3.1, 4, S::Running}});
  std::vector<ColumnRun> runs;
  const TimeAxis axis(0, 10, 20, 100);
  RowRaster(first).raster(axis, runs);
  RowRaster(second).raster(axis, runs);
  EXPECT_EQ(runs, (std::vector<ColumnRun>{{20, 52, S::Running}, {51, 62, S::Running}}));
  // A default raster has no row.
  runs.clear();
  RowRaster().raster(axis, runs);
  EXPECT_TRUE(runs.empty());
}

TEST(TimeStepRaster, MarkColumnsKeepTheLastMarkOfEachColumn) {
  TimeStepResult result;
  result.userMarks = {{5.0, 1}, {1.0, 2}, {1.2, 3}, {9.99, 4}, {10.0, 5}, {0.0, 6}, {5.0, 7}};
  const TimeStepRaster raster(result);
  struct Case {
    const char* name;
    double start;
    double span;
    std::vector<MarkColumn> expected;
  };
  const std::vector<Case> cases = {
      {"whole: the window end itself is left out", 0.0, 10.0, {{20, 6}, {21, 3}, {25, 7}, {29, 4}}},
      {"the window start is in, its end out", 1.2, 3.8, {{20, 3}}},
      {"no mark in the window", 6.0, 3.0, {}},
      {"a window of a single instant", 5.0, 0.0, {}},
  };
  for (const Case& c : cases) {
    std::vector<MarkColumn> columns;
    raster.markColumns(TimeAxis(c.start, c.span, 20, 10), columns);
    EXPECT_EQ(columns, c.expected) << c.name;
  }
}

// On a chart from y = 100 with a height of 104 the curve's value v MHz lies at y = 204 - v, and
// with a height of 26 a top-level value at y = 126 - v.
TEST(TimeStepRaster, ClockStepsFollowTheStaircaseInsideTheWindow) {
  TimeStepResult result;
  result.clockCurve = {{0, 26}, {2, 52}, {5, 13}, {8, 13}};
  result.topLevelClock = {{0, 26}, {4, 13}};
  // Many changes inside one column (x = 10 at 10 pixels a second): 20, then 90 at the top, 5 at
  // the bottom, 40 last.
  TimeStepResult busy;
  busy.clockCurve.push_back({0, 10});
  for (int i = 0; i < 300; ++i) {
    const double mhz = i == 0 ? 20.0 : i == 299 ? 40.0 : i == 77 ? 90.0 : i == 200 ? 5.0 : 30.0;
    busy.clockCurve.push_back({1.0 + i * 1e-4, mhz});
  }
  busy.clockCurve.push_back({9, 40});

  struct Case {
    const char* name;
    const TimeStepResult* result;
    bool topLevel;
    double start;
    double span;
    int height;
    std::vector<ClockStep> expected;
  };
  const std::vector<Case> cases = {
      {"whole curve, ending at its last point",
       &result,
       false,
       0,
       10,
       104,
       {{0, 178}, {20, 152}, {50, 191}, {80, 191}}},
      {"the value held at the left edge starts the window",
       &result,
       false,
       3,
       3,
       104,
       {{0, 152}, {66, 191}, {100, 191}}},
      {"a window after the last point", &result, false, 8.5, 1, 104, {}},
      {"a window before the first point", &result, false, -5, 4, 104, {}},
      {"the top-level line on its own scale", &result, true, 0, 10, 26, {{0, 100}, {40, 113}}},
      {"many changes in one column: first, extremes, last",
       &busy,
       false,
       0,
       10,
       104,
       {{0, 194}, {10, 184}, {10, 114}, {10, 199}, {10, 164}, {90, 164}}},
  };
  for (const Case& c : cases) {
    const TimeStepRaster raster(*c.result);
    std::vector<ClockStep> steps;
    raster.clockSteps(c.topLevel, TimeAxis(c.start, c.span, 0, 100), 100, c.height, steps);
    EXPECT_EQ(steps, c.expected) << c.name;
  }
}

class TimeStepRasterWalk : public test::EngineFixture {};

TEST_F(TimeStepRasterWalk, RowsAndUserSectionsOfAWalk) {
  // Process 5 with a user section across an interrupt, process 6 after it.
  startProc(1, 5);
  add(2, EventKind::USER_ENTER, 1, 0);
  startIrq(3, 3);
  endIrq(4, 3);
  add(5, EventKind::USER_EXIT, 1, 0);
  endProc(6, 5);
  startProc(7, 6);
  endProc(8, 6);
  TimeStepWalk walker(engine, &console);
  const TimeStepResult& result = walker.run(26.0);

  std::optional<TimeStepRaster> raster(std::in_place, result);
  // Moved into another object, the first one gone: the user sections row must move along.
  const TimeStepRaster moved = std::move(*raster);
  raster.reset();

  EXPECT_EQ(moved.row(0x4711), nullptr);
  const TimeAxis axis(0, 10, 0, 100);
  for (std::uint32_t entry : {5u, 6u, InterruptIdBase + 3}) {
    const RowRaster* row = moved.row(entry);
    ASSERT_NE(row, nullptr) << entry;
    std::vector<ColumnRun> runs;
    row->raster(axis, runs);
    const std::vector<int> columns = columnsOf(runs, 0, 100);
    EXPECT_EQ(columns, paintPlain(*result.find(entry), axis, 0, 100).plain) << entry;
  }
  std::vector<ColumnRun> sections;
  moved.userSections().raster(axis, sections);
  EXPECT_EQ(sections, (std::vector<ColumnRun>{{20, 32, S::Running}, {40, 52, S::Running}}));
  EXPECT_GT(moved.storageBytes(), 0u);
}

TEST(TimeStepRaster, UserSectionPiecesOutOfOrderAreSortedAndSurviveAMove) {
  TimeStepResult result;
  result.userSections = {{5, 5.0, 6.0}, {6, 1.0, 2.0}, {7, 1.5, 3.0}, {5, 8.0, 8.0}};
  std::optional<TimeStepRaster> raster(std::in_place, result);
  const TimeStepRaster moved = std::move(*raster);
  raster.reset();
  std::vector<ColumnRun> sections;
  moved.userSections().raster(TimeAxis(0, 10, 0, 100), sections);
  EXPECT_EQ(sections, (std::vector<ColumnRun>{
                          {10, 32, S::Running}, {50, 62, S::Running}, {80, 82, S::Running}}));
}

}  // namespace
}  // namespace kelvor
