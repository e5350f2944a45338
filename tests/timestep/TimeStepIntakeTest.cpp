#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/IncrementalAnalysis.h"
#include "analysis/StatisticsEngine.h"
#include "timestep/SegmentRaster.h"
#include "timestep/TimeStepWalk.h"

namespace kelvor {
namespace {

constexpr double StartClock = 26.0;

bool sameBits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// How a generated recording goes wrong in time, if at all.
enum class Disorder { None, Backwards, NaN };

// A recording on few entries, so that rows grow past the level-of-detail size and double on the
// way: processes nested in interrupts nested in processes, an entry nested in itself, ends
// without starts (undefined from the first event), wrong ends, user sections inside
// activations and at the top level (pieces out of start order), user marks, clock changes
// inside activations and at the top level, and equal times.
std::vector<TraceEvent> recording(std::size_t count, std::uint64_t seed, Disorder disorder) {
  std::mt19937_64 random(seed);
  auto below = [&](std::uint32_t n) { return static_cast<std::uint32_t>(random() % n); };
  const std::uint16_t processes[] = {0x0101, 0x0202, 0x12FF, 0x0005};
  const std::uint32_t interrupts[] = {3, 7, 24};
  const double clocks[] = {13.0, 26.0, 52.0, 104.0};
  std::vector<TraceEvent> events;
  std::vector<std::uint32_t> open;  // process ids, interrupts with the high bit set
  constexpr std::uint32_t IrqFlag = 0x80000000u;
  double time = 1.0;
  auto emit = [&](EventKind kind, std::uint16_t id, std::uint32_t number, double clock) {
    if (below(5) != 0) {
      time += 1e-6 * (1 + below(40));
    }
    double stamp = time;
    if (disorder == Disorder::Backwards && below(200) == 0) {
      stamp -= (time - 1.0) * 1e-3 * below(50);  // up to 5 % of the recording back
    } else if (disorder == Disorder::NaN && events.size() == count / 3) {
      stamp = std::numeric_limits<double>::quiet_NaN();
    }
    events.emplace_back(stamp, id, kind, number, 0, clock, 0);
  };
  while (events.size() < count) {
    const std::uint32_t roll = below(1000);
    if (roll < 300 && open.size() < 12) {
      if (below(3) == 0) {
        const std::uint32_t n = interrupts[below(3)];
        emit(EventKind::START_IRQ, 0, n, 0.0);
        open.push_back(n | IrqFlag);
      } else {
        const std::uint16_t id = processes[below(4)];
        emit(EventKind::START_PROC, id, 0, 0.0);
        open.push_back(id);
      }
    } else if (roll < 620) {
      if (open.empty()) {
        // Ends without a start: undefined stretches from the first event.
        if (below(20) == 0) {
          emit(EventKind::END_PROC, processes[below(4)], 0, 0.0);
        }
        continue;
      }
      const std::uint32_t top = open.back();
      open.pop_back();
      if ((top & IrqFlag) != 0) {
        emit(EventKind::END_IRQ, 0, top & ~IrqFlag, 0.0);
      } else {
        emit(EventKind::END_PROC, static_cast<std::uint16_t>(top), 0, 0.0);
      }
    } else if (roll < 640) {
      emit(EventKind::END_PROC, 0x0333, 0, 0.0);  // matches nothing open
    } else if (roll < 700) {
      emit(EventKind::CLK_SPEED, 0, 0, clocks[below(4)]);
    } else if (roll < 810) {
      emit(EventKind::USER_ENTER, static_cast<std::uint16_t>(below(3)), 0, 0.0);
    } else if (roll < 920) {
      emit(EventKind::USER_EXIT, static_cast<std::uint16_t>(below(3)), 0, 0.0);
    } else if (roll < 960) {
      emit(EventKind::USER_MARK, static_cast<std::uint16_t>(below(9)), 0, 0.0);
    } else {
      emit(below(2) == 0 ? EventKind::SET_IRQ_LEVEL : EventKind::PSEUDO_PROCESS, 0, 0x83, 0.0);
    }
  }
  return events;
}

std::string describe(const std::vector<ColumnRun>& runs) {
  std::ostringstream text;
  for (const ColumnRun& run : runs) {
    text << run.x0 << "-" << run.x1 << ":" << static_cast<int>(run.state) << " ";
  }
  return text.str();
}

std::string where(const std::string& what, std::size_t index) {
  return what + " " + std::to_string(index);
}

// Every field of the two results, doubles bit for bit, and every stretch of every row.
::testing::AssertionResult sameResult(const TimeStepResult& live, const TimeStepResult& full) {
  auto fail = [](const std::string& what) { return ::testing::AssertionFailure() << what; };
  if (live.rows.size() != full.rows.size()) {
    return fail("row count " + std::to_string(live.rows.size()) + " vs " +
                std::to_string(full.rows.size()));
  }
  for (std::size_t r = 0; r < live.rows.size(); ++r) {
    const EntrySegments& a = live.rows[r];
    const EntrySegments& b = full.rows[r];
    if (a.entry() != b.entry() || a.size() != b.size()) {
      return fail(where("row", r) + " differs in entry or size");
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (!sameBits(a.from(i), b.from(i)) || !sameBits(a.to(i), b.to(i)) ||
          a.state(i) != b.state(i)) {
        return fail(where("row", r) + where(", stretch", i));
      }
    }
  }
  if (live.userSections.size() != full.userSections.size()) {
    return fail("piece count");
  }
  for (std::size_t i = 0; i < live.userSections.size(); ++i) {
    const UserSectionPiece& a = live.userSections[i];
    const UserSectionPiece& b = full.userSections[i];
    if (a.entry != b.entry || !sameBits(a.from, b.from) || !sameBits(a.to, b.to)) {
      return fail(where("piece", i));
    }
  }
  if (live.userMarks.size() != full.userMarks.size()) {
    return fail("mark count");
  }
  for (std::size_t i = 0; i < live.userMarks.size(); ++i) {
    if (!sameBits(live.userMarks[i].time, full.userMarks[i].time) ||
        live.userMarks[i].number != full.userMarks[i].number) {
      return fail(where("mark", i));
    }
  }
  for (const auto line : {&TimeStepResult::clockCurve, &TimeStepResult::topLevelClock}) {
    const std::vector<ClockPoint>& a = live.*line;
    const std::vector<ClockPoint>& b = full.*line;
    if (a.size() != b.size()) {
      return fail("clock point count");
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (!sameBits(a[i].time, b[i].time) || !sameBits(a[i].mhz, b[i].mhz)) {
        return fail(where("clock point", i));
      }
    }
  }
  if (!sameBits(live.userSectionTime, full.userSectionTime) ||
      !sameBits(live.userSectionPercent, full.userSectionPercent)) {
    return fail("user section time or share");
  }
  return ::testing::AssertionSuccess();
}

// The user flag of every record, by id.
std::vector<std::pair<std::uint32_t, int>> flags(const StatisticsEngine& engine) {
  std::vector<std::pair<std::uint32_t, int>> out;
  for (const auto& [id, stats] : engine.statistics()) {
    out.emplace_back(id, stats.userActive);
  }
  return out;
}

// What the two rasters draw of every row, the user run-time row, the marks and both clock
// lines on the axis.
::testing::AssertionResult samePictures(const TimeStepRaster& live, const TimeStepRaster& full,
                                        const TimeStepResult& result, const TimeAxis& axis) {
  auto runsOf = [&](const RowRaster* row) {
    std::vector<ColumnRun> runs;
    if (row != nullptr) {
      row->raster(axis, runs);
    }
    return runs;
  };
  for (const EntrySegments& row : result.rows) {
    if ((live.row(row.entry()) == nullptr) != (full.row(row.entry()) == nullptr) ||
        runsOf(live.row(row.entry())) != runsOf(full.row(row.entry()))) {
      return ::testing::AssertionFailure() << "row of entry " << std::hex << row.entry();
    }
  }
  if (runsOf(&live.userSections()) != runsOf(&full.userSections())) {
    return ::testing::AssertionFailure() << "user run-time row";
  }
  std::vector<MarkColumn> liveMarks;
  std::vector<MarkColumn> fullMarks;
  live.markColumns(axis, liveMarks);
  full.markColumns(axis, fullMarks);
  if (liveMarks != fullMarks) {
    return ::testing::AssertionFailure() << "marks";
  }
  for (const bool topLevel : {false, true}) {
    std::vector<ClockStep> liveSteps;
    std::vector<ClockStep> fullSteps;
    live.clockSteps(topLevel, axis, 10, 200, liveSteps);
    full.clockSteps(topLevel, axis, 10, 200, fullSteps);
    if (liveSteps != fullSteps) {
      return ::testing::AssertionFailure() << (topLevel ? "top-level clock" : "clock curve");
    }
  }
  return ::testing::AssertionSuccess();
}

// A recording in progress: the statistics kept current after every chunk (which resets the
// records' user flags), the walk and the raster taken in at every refresh.
struct Recording {
  std::ostringstream console;
  AnalysisContext context;
  StatisticsEngine engine{context};
  IncrementalAnalysis statistics{engine};
  TimeStepWalk walk{engine, &console};
  TimeStepWalk full{engine, &console};
  TimeStepRaster raster;
  bool started = false;

  Recording() {
    context.console = &console;
    engine.setCurrentClock(StartClock);
    statistics.reset();
  }

  void append(const TraceEvent* first, const TraceEvent* last) {
    for (; first != last; ++first) {
      engine.append(*first);
    }
    statistics.update();
  }

  // Takes the new events in and compares with a walk and a raster from scratch.
  ::testing::AssertionResult refreshAndCompare() {
    walk.extend(StartClock);
    if (!started) {
      raster = TimeStepRaster(walk);
      started = true;
    } else {
      raster.takeIn(walk);
    }
    const auto liveFlags = flags(engine);
    const TimeStepResult& expected = full.run(StartClock);
    if (::testing::AssertionResult same = sameResult(walk.result(), expected); !same) {
      return same;
    }
    if (liveFlags != flags(engine)) {
      return ::testing::AssertionFailure() << "user flags of the records";
    }
    const TimeStepRaster fresh(expected);
    const EventStream& stream = engine.stream();
    const double first = stream.firstTime();
    const double span = stream.lastTime() - first;
    const TimeAxis axes[] = {
        TimeAxis(first, span, 40, 300),                       // the whole recording
        TimeAxis(first + 0.97 * span, 0.03 * span, 40, 300),  // its end, where it grows
        TimeAxis(first + 0.4 * span, 0.02 * span, 40, 300),
        TimeAxis(first - 0.5 * span, 2.0 * span, 40, 300),
    };
    for (const TimeAxis& axis : axes) {
      if (::testing::AssertionResult same = samePictures(raster, fresh, expected, axis); !same) {
        return same << " on the axis from " << axis.viewStart() << " over " << axis.viewSpan();
      }
    }
    return ::testing::AssertionSuccess();
  }
};

TEST(TimeStepIntake, ChunkedRecordingMatchesAFullWalkAfterEveryChunk) {
  struct Chunking {
    const char* name;
    std::size_t events;
    std::size_t smallest;
    std::size_t largest;
    Disorder disorder = Disorder::None;
  };
  const Chunking chunkings[] = {
      {"one event at a time", 2500, 1, 1},
      {"random chunks of up to 833 events, rows past the level of detail", 90'000, 1, 833},
      {"long chunks", 160'000, 5'000, 40'000},
      {"times that go back now and then", 30'000, 1, 833, Disorder::Backwards},
      {"a NaN time", 12'000, 1, 833, Disorder::NaN},
  };
  std::uint64_t seed = 11;
  for (const Chunking& chunking : chunkings) {
    SCOPED_TRACE(chunking.name);
    const std::vector<TraceEvent> events = recording(chunking.events, ++seed, chunking.disorder);
    std::mt19937_64 random(seed);
    Recording live;
    for (std::size_t next = 0; next < events.size();) {
      const std::size_t size =
          chunking.smallest + random() % (chunking.largest - chunking.smallest + 1);
      const std::size_t end = std::min(events.size(), next + size);
      live.append(events.data() + next, events.data() + end);
      next = end;
      ASSERT_TRUE(live.refreshAndCompare()) << "after " << next << " events";
    }
    // Only a NaN time makes the walk begin again from the first event.
    EXPECT_EQ(live.walk.walkCount() == 1, chunking.disorder != Disorder::NaN);
  }
}

// A row growing as a walk grows it, without Running time, so that wide windows are decided by
// the Interrupted and Undefined time of the bins: each step takes the provisional closing
// stretch back out, adds stretches at the end (now and then one undefined from the first
// event, which goes to the front), and closes provisionally again.
TEST(TimeStepIntake, GrowingRowIsIndexedAsFromScratch) {
  struct Growth {
    const char* name;
    std::size_t steps;
    std::uint32_t largestStep;
    std::uint32_t undefinedFromStartPerMille;
    // Times that go back: the open activation's stretch ends soon after it resumed, well before
    // the last event of the step before, leaving the rest of its provisional stretch uncovered.
    bool goesBack = false;
  };
  const Growth growths[] = {
      {"small steps past two doublings of the level of detail", 700, 40, 0},
      {"large steps", 40, 900, 0},
      {"stretches undefined from the first event now and then", 300, 60, 30},
      {"times that go back behind the provisional end", 100, 120, 0, true},
  };
  for (const Growth& growth : growths) {
    SCOPED_TRACE(growth.name);
    std::mt19937_64 random(growth.steps);
    auto below = [&](std::uint32_t n) { return static_cast<std::uint32_t>(random() % n); };
    EntrySegments row(7);
    RowRaster raster(row);
    row.settle();
    // The activation open at the end of the last step: the start of its current stretch, and
    // the last event, up to which the provisional stretch reaches.
    bool open = false;
    double segmentStart = 0.0;
    double time = 0.0;
    for (std::size_t step = 0; step < growth.steps; ++step) {
      if (open) {
        ASSERT_TRUE(row.withdraw(segmentStart));
      }
      for (std::uint32_t i = below(growth.largestStep) + 1; i > 0; --i) {
        const double length = 1e-3 * (1 + below(7) * (1 + below(5)));
        // The open activation's stretch goes on where the provisional one ended.
        const double from = open ? segmentStart : time;
        if (open && growth.goesBack) {
          row.add(segmentStart, segmentStart + 1e-3, SegmentState::Interrupted);
          open = false;
          continue;
        }
        open = false;
        if (below(1000) < growth.undefinedFromStartPerMille) {
          row.add(0.0, time + length, SegmentState::Undefined);
        } else if (below(40) == 0) {
          row.add(from, from, SegmentState::Running);  // covers no time
        } else {
          row.add(from, time + length,
                  below(3) == 0 ? SegmentState::Undefined : SegmentState::Interrupted);
        }
        time += length;
      }
      open = below(4) != 0;
      if (open) {
        segmentStart = time;
        time += growth.goesBack ? 2.0 : 1e-3 * (1 + below(20));
        row.add(segmentStart, time, SegmentState::Interrupted);
      }
      row.finish();
      raster.takeIn(row);
      const RowRaster fresh(row);
      const double span = time;
      for (const TimeAxis& axis :
           {TimeAxis(0.0, span, 0, 250), TimeAxis(0.6 * span, 0.4 * span, 0, 250),
            TimeAxis(0.1 * span, 0.3 * span, 0, 120)}) {
        std::vector<ColumnRun> live;
        std::vector<ColumnRun> expected;
        raster.raster(axis, live);
        fresh.raster(axis, expected);
        ASSERT_EQ(describe(live), describe(expected))
            << "step " << step << ", " << row.size() << " stretches, window " << axis.viewStart()
            << " + " << axis.viewSpan();
      }
    }
  }
}

TEST(TimeStepIntake, RefreshWithoutNewEventsRestoresTheFlagsAndChangesNothing) {
  const std::vector<TraceEvent> events = recording(3000, 5, Disorder::None);
  Recording live;
  live.append(events.data(), events.data() + events.size());
  ASSERT_TRUE(live.refreshAndCompare());
  const std::size_t walks = live.walk.walkCount();
  live.engine.analyse(TimeWindow::wholeTrace());  // resets every user flag
  EXPECT_TRUE(live.refreshAndCompare());
  EXPECT_EQ(live.walk.walkCount(), walks) << "walked the stream anew";
}

TEST(TimeStepIntake, AClearedAndRefilledStreamIsWalkedAnew) {
  const std::vector<TraceEvent> first = recording(4000, 6, Disorder::None);
  const std::vector<TraceEvent> second = recording(6000, 7, Disorder::None);
  Recording live;
  live.append(first.data(), first.data() + first.size());
  ASSERT_TRUE(live.refreshAndCompare());
  // A new recording: the stream starts again, shorter than before, then longer.
  live.engine.clear();
  live.statistics.reset();
  live.append(second.data(), second.data() + 1000);
  ASSERT_TRUE(live.refreshAndCompare());
  live.append(second.data() + 1000, second.data() + second.size());
  EXPECT_TRUE(live.refreshAndCompare());
}

// Extending continues the walk; it does not walk the stream again.
TEST(TimeStepIntake, ExtendingWalksOnlyTheNewEvents) {
  const std::vector<TraceEvent> events = recording(20'000, 8, Disorder::None);
  Recording live;
  live.append(events.data(), events.data() + 10'000);
  live.walk.extend(StartClock);
  const std::uint64_t walks = live.walk.walkCount();
  live.append(events.data() + 10'000, events.data() + events.size());
  live.walk.extend(StartClock);
  EXPECT_EQ(live.walk.walkCount(), walks);
  EXPECT_EQ(live.walk.walked(), events.size());
  // Another start clock means another curve: the stream is walked anew.
  live.walk.extend(52.0);
  EXPECT_EQ(live.walk.walkCount(), walks + 1);
  EXPECT_DOUBLE_EQ(live.walk.result().clockCurve.front().mhz, 52.0);
}

}  // namespace
}  // namespace kelvor
