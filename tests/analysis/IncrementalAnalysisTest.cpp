#include "analysis/IncrementalAnalysis.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "RecordingPrompter.h"
#include "analysis/StatisticsComparison.h"
#include "analysis/StatisticsEngine.h"

namespace kelvor {
namespace {

bool sameBits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// Every field of every record, the window values, the clock and the lock periods, with doubles
// compared bit for bit.
::testing::AssertionResult sameAnalysis(const StatisticsEngine& live,
                                        const StatisticsEngine& full) {
  auto fail = [](const std::string& what) { return ::testing::AssertionFailure() << what; };
  if (!sameBits(live.windowStart(), full.windowStart()) ||
      !sameBits(live.windowEnd(), full.windowEnd()) ||
      !sameBits(live.windowSpan(), full.windowSpan())) {
    return fail("window values differ");
  }
  if (!sameBits(live.currentClock(), full.currentClock())) {
    return fail("current clock differs");
  }
  if (const std::string difference = firstStatisticsDifference(live, full); !difference.empty()) {
    return fail(difference);
  }
  const std::vector<LockPeriod>& p = live.locks().periods();
  const std::vector<LockPeriod>& q = full.locks().periods();
  if (p.size() != q.size()) {
    return fail("lock period count " + std::to_string(p.size()) + " vs " +
                std::to_string(q.size()));
  }
  for (std::size_t i = 0; i < p.size(); ++i) {
    if (!sameBits(p[i].duration, q[i].duration) || p[i].level != q[i].level ||
        !sameBits(p[i].start, q[i].start) || !sameBits(p[i].end, q[i].end) ||
        p[i].entry != q[i].entry) {
      return fail("lock period " + std::to_string(i) + " differs");
    }
  }
  return ::testing::AssertionSuccess();
}

// A random trace in non-decreasing time: nested processes and interrupts, matching and wrong
// ends, ends without a start, clock changes, lock changes, user marks, equal times, bursts of
// nesting past the warning depth and ids that need special handling (0, above 0x10100).
std::vector<TraceEvent> randomTrace(std::size_t count, std::uint64_t seed) {
  std::mt19937_64 random(seed);
  auto below = [&](std::uint32_t n) { return static_cast<std::uint32_t>(random() % n); };
  const std::uint16_t processes[] = {0x0000, 0x0101, 0x0105, 0x12FF, 0xC0FF, 0x00FD, 0x00FE};
  const std::uint32_t interrupts[] = {1, 3, 7, 24, 300};
  const double clocks[] = {13.0, 26.0, 52.0, 104.0};
  std::vector<TraceEvent> events;
  std::vector<std::uint32_t> open;  // process ids, interrupts with the high bit set
  constexpr std::uint32_t irqFlag = 0x80000000u;
  double time = 0.0;
  std::uint32_t burst = 0;
  auto emit = [&](EventKind kind, std::uint16_t id, std::uint32_t number, double clock) {
    if (below(4) != 0) {
      time += 1e-6 * (1 + below(40));
    }
    events.emplace_back(time, id, kind, number, 0, clock, 0);
  };
  auto start = [&] {
    if (below(3) == 0) {
      const std::uint32_t n = interrupts[below(5)];
      emit(EventKind::START_IRQ, 0, n, 0.0);
      open.push_back(n | irqFlag);
    } else {
      const std::uint16_t id = processes[below(7)];
      emit(EventKind::START_PROC, id, 0, 0.0);
      open.push_back(id);
    }
  };
  while (events.size() < count) {
    if (burst != 0) {
      --burst;
      start();
      continue;
    }
    const std::uint32_t roll = below(1000);
    if (roll < 2) {
      burst = 35;  // past the warning depth
    } else if (roll < 300 && open.size() < 60) {
      start();
    } else if (roll < 700) {
      if (open.empty()) {
        emit(below(2) == 0 ? EventKind::END_PROC : EventKind::END_IRQ, processes[below(7)], 3, 0.0);
        continue;
      }
      const std::uint32_t top = open.back();
      open.pop_back();
      if (top & irqFlag) {
        // Any interrupt number closes the open interrupt.
        emit(EventKind::END_IRQ, 0, interrupts[below(5)], 0.0);
      } else {
        emit(EventKind::END_PROC, static_cast<std::uint16_t>(top), 0, 0.0);
      }
    } else if (roll < 760) {
      // A wrong end: another process id, or an interrupt end inside a process.
      emit(below(2) == 0 ? EventKind::END_PROC : EventKind::END_IRQ, 0x0333, 5, 0.0);
    } else if (roll < 830) {
      emit(EventKind::CLK_SPEED, 0, 0, clocks[below(4)]);
    } else if (roll < 930) {
      emit(EventKind::SET_IRQ_LEVEL, 0, below(2) == 0 ? 0x83u : 0x03u, 0.0);
    } else {
      const EventKind others[] = {EventKind::USER_MARK, EventKind::USER_ENTER, EventKind::USER_EXIT,
                                  EventKind::PSEUDO_PROCESS, EventKind::RAISE_IRQ_LEVEL};
      emit(others[below(5)], static_cast<std::uint16_t>(below(4)), below(8), 0.0);
    }
  }
  return events;
}

// Two engines fed the same events: `live` keeps its statistics up to date incrementally,
// `full` is analysed from scratch over the same prefix for comparison.
class IncrementalAnalysisTest : public ::testing::Test {
 protected:
  static constexpr double StartClock = 26.0;

  IncrementalAnalysisTest() {
    for (Side* side : {&liveSide, &fullSide}) {
      side->context.console = &side->console;
      side->context.prompter = &side->prompter;
    }
    live.setCurrentClock(StartClock);
    incremental.reset();  // takes the start clock
  }

  struct Side {
    std::ostringstream console;
    test::RecordingPrompter prompter;
    AnalysisContext context;
  };

  // A new recording: both streams emptied, the walk starting over at the start clock.
  void startOver() {
    live.clear();
    full.clear();
    live.setCurrentClock(StartClock);
    incremental.reset();
  }
  void append(const TraceEvent& event) {
    live.append(event);
    full.append(event);
  }
  void append(const std::vector<TraceEvent>& events) {
    for (const TraceEvent& event : events) {
      append(event);
    }
  }
  void add(double t, EventKind kind, std::uint16_t id = 0, std::uint32_t number = 0,
           double clock = 0.0) {
    append(TraceEvent(t, id, kind, number, 0, clock, 0));
  }
  // Updates the live engine and analyses the full one over the same events.
  ::testing::AssertionResult updateAndCompare(TimeWindow window = TimeWindow::wholeTrace()) {
    incremental.update();
    full.setCurrentClock(StartClock);
    full.analyse(window);
    return sameAnalysis(live, full);
  }

  Side liveSide;
  Side fullSide;
  StatisticsEngine live{liveSide.context};
  StatisticsEngine full{fullSide.context};
  IncrementalAnalysis incremental{live};
};

TEST_F(IncrementalAnalysisTest, RandomChunksMatchAFullAnalysisAfterEveryChunk) {
  for (const std::uint64_t seed : {1u, 2u, 3u}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const std::vector<TraceEvent> events = randomTrace(120'000, seed);
    startOver();
    liveSide.context.nestingWarned = false;
    fullSide.context.nestingWarned = false;
    liveSide.prompter.shown.clear();

    std::mt19937_64 random(seed * 77);
    std::size_t next = 0;
    std::size_t chunks = 0;
    while (next < events.size()) {
      // Empty chunks now and then; otherwise 1..900 events.
      const std::size_t size = random() % 40 == 0 ? 0 : 1 + random() % 900;
      for (std::size_t i = 0; i < size && next < events.size(); ++i) {
        append(events[next++]);
      }
      ASSERT_TRUE(updateAndCompare()) << "after chunk " << chunks << " ending at event " << next;
      ASSERT_TRUE(incremental.lastUpdateWasIncremental());
      ++chunks;
    }
    EXPECT_EQ(incremental.walked(), events.size());
    EXPECT_EQ(liveSide.prompter.shown.size(), 1u) << "the nesting warning shows once";
    EXPECT_TRUE(liveSide.console.str().find("Falsche pid retour") != std::string::npos);
  }
}

TEST_F(IncrementalAnalysisTest, RandomChunksMatchAnAnalysisOfAWindow) {
  // The window starts before and ends inside the recording: activations reaching past its end
  // are clipped, later ones are not charged at all.
  const std::vector<TraceEvent> events = randomTrace(40'000, 9);
  const TimeWindow window{events[5'000].time, events[25'000].time};
  IncrementalAnalysis windowed(live, window);
  std::mt19937_64 random(5);
  std::size_t next = 0;
  while (next < events.size()) {
    const std::size_t size = 1 + random() % 900;
    for (std::size_t i = 0; i < size && next < events.size(); ++i) {
      append(events[next++]);
    }
    windowed.update();
    full.setCurrentClock(StartClock);
    full.analyse(window);
    ASSERT_TRUE(sameAnalysis(live, full)) << "chunk ending at event " << next;
    ASSERT_TRUE(windowed.lastUpdateWasIncremental());
  }
}

TEST_F(IncrementalAnalysisTest, ChunkBoundariesInsideNestedActivations) {
  add(0.0, EventKind::START_PROC, 1);
  add(1.0, EventKind::START_IRQ, 0, 3);
  ASSERT_TRUE(updateAndCompare());
  // Both still open: charged as if closed at the last event (1.0), without being closed.
  EXPECT_EQ(live.find(1)->calls, 1u);
  EXPECT_EQ(live.find(1)->totalWithInt, 1.0);
  EXPECT_EQ(live.find(0x10003)->totalWithInt, 0.0);

  add(1.2, EventKind::CLK_SPEED, 0, 0, 52.0);
  ASSERT_TRUE(updateAndCompare());
  ASSERT_TRUE(updateAndCompare()) << "an empty chunk changes nothing";
  add(1.5, EventKind::END_IRQ, 0, 3);
  ASSERT_TRUE(updateAndCompare());
  add(4.0, EventKind::END_PROC, 1);
  ASSERT_TRUE(updateAndCompare());

  const ProcessStats& p = *live.find(1);
  EXPECT_EQ(p.calls, 1u) << "the provisional charges did not stay";
  EXPECT_EQ(p.totalWithInt, 4.0);
  EXPECT_EQ(p.totalWithoutInt, 3.5);
  EXPECT_EQ(p.totalNested, 1u);
  EXPECT_EQ(live.find(0x10003)->calls, 1u);
  EXPECT_EQ(live.find(0x10003)->maxClock, 52.0);
}

TEST_F(IncrementalAnalysisTest, ResetsAndOtherAnalysesInBetween) {
  const std::vector<TraceEvent> events = randomTrace(6'000, 4);
  const auto part = [&](std::size_t from, std::size_t to) {
    return std::vector<TraceEvent>(events.begin() + static_cast<std::ptrdiff_t>(from),
                                   events.begin() + static_cast<std::ptrdiff_t>(to));
  };
  append(part(0, 2'000));
  ASSERT_TRUE(updateAndCompare());

  live.resetStatistics();
  ASSERT_TRUE(updateAndCompare()) << "after resetStatistics";

  // A view analyses the stretch between its markers, which leaves other values behind.
  live.analyse({events[100].time, events[900].time});
  append(part(2'000, 3'000));
  ASSERT_TRUE(updateAndCompare()) << "after an analysis of a window";

  // A recording starts over: the stream and the records are emptied.
  startOver();
  append(part(3'000, 4'000));
  ASSERT_TRUE(updateAndCompare()) << "after clear";
  append(part(4'000, 6'000));
  ASSERT_TRUE(updateAndCompare());
  EXPECT_EQ(incremental.walked(), 3'000u);
}

TEST_F(IncrementalAnalysisTest, EventsOutOfTimeOrderFallBackToAFullAnalysis) {
  // An end later than the last event in time: a full analysis clips it to the last event.
  struct Case {
    const char* name;
    double late;  // time of the event that breaks the order
    bool recovers;
  };
  const Case cases[] = {
      {"event before the latest", 2.0, true},
      {"NaN time", std::numeric_limits<double>::quiet_NaN(), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    startOver();
    add(0.0, EventKind::START_PROC, 1);
    add(1.0, EventKind::START_PROC, 2);
    add(5.0, EventKind::END_PROC, 2);
    ASSERT_TRUE(updateAndCompare());
    add(c.late, EventKind::START_IRQ, 0, 3);
    ASSERT_TRUE(updateAndCompare());
    EXPECT_FALSE(incremental.lastUpdateWasIncremental());
    add(6.0, EventKind::END_IRQ, 0, 3);
    add(7.0, EventKind::END_PROC, 1);
    ASSERT_TRUE(updateAndCompare());
    EXPECT_EQ(incremental.lastUpdateWasIncremental(), c.recovers);
  }
}

}  // namespace
}  // namespace kelvor
