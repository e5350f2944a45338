#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "analysis/StatisticsEngine.h"
#include "timestep/ClockScale.h"
#include "timestep/TimeStepWalk.h"

namespace kelvor {
namespace {

using S = SegmentState;
constexpr EventKind SP = EventKind::START_PROC;
constexpr EventKind EP = EventKind::END_PROC;
constexpr EventKind SI = EventKind::START_IRQ;
constexpr EventKind EI = EventKind::END_IRQ;
constexpr EventKind CLK = EventKind::CLK_SPEED;
constexpr EventKind IN = EventKind::USER_ENTER;
constexpr EventKind OUT = EventKind::USER_EXIT;
constexpr EventKind MARK = EventKind::USER_MARK;
constexpr std::uint32_t Irq3 = InterruptIdBase + 3;

// A trace event in short: for starts and ends of processes `value` is the id, for interrupts the
// number, for clock changes the MHz.
struct Ev {
  double time;
  EventKind kind;
  std::uint32_t value = 0;
};

struct Seg {
  std::uint32_t entry;
  double from;
  double to;
  S state;
};

// An engine whose stream holds the given events, appended as a producer would.
struct Trace {
  std::ostringstream console;
  AnalysisContext context;
  StatisticsEngine engine{context};
  TimeStepWalk walker{engine, &console};

  explicit Trace(const std::vector<Ev>& events) {
    context.console = &console;
    for (const Ev& e : events) {
      append(e);
    }
  }
  void append(const Ev& e) {
    const bool process = e.kind == SP || e.kind == EP;
    const bool mark = e.kind == IN || e.kind == OUT || e.kind == MARK;
    const auto id = static_cast<std::uint16_t>(process || mark ? e.value : 0);
    const std::uint32_t number = process || mark ? 0 : (e.kind == CLK ? 0 : e.value);
    const double clock = e.kind == CLK ? static_cast<double>(e.value) : 0.0;
    engine.append(TraceEvent(e.time, id, e.kind, number, 0, clock, 0));
  }
  // A copy, so that a test can compare the results of two walks of the same walker.
  TimeStepResult walk(double clockStart = 26.0) { return walker.run(clockStart); }
};

// Every stretch of the result, row by row in ascending entry id, each row in start order.
std::vector<Seg> flatten(const TimeStepResult& result) {
  std::vector<Seg> all;
  for (const EntrySegments& row : result.rows) {
    for (std::size_t i = 0; i < row.size(); ++i) {
      all.push_back({row.entry(), row.from(i), row.to(i), row.state(i)});
    }
  }
  return all;
}

std::string describe(const std::vector<Seg>& segments) {
  std::ostringstream text;
  for (const Seg& s : segments) {
    text << std::hex << s.entry << std::dec << " [" << s.from << "," << s.to << "] "
         << static_cast<int>(s.state) << "\n";
  }
  return text.str();
}

TEST(TimeStepWalk, StretchesOfActivations) {
  struct Case {
    const char* name;
    std::vector<Ev> events;
    std::vector<Seg> expected;
  };
  const std::vector<Case> cases = {
      {"end without start is undefined from the first event",
       {{1, CLK, 13}, {3, EP, 5}},
       {{5, 1, 3, S::Undefined}}},
      {"end without start as the very first event draws nothing",
       {{1, EP, 5}, {2, SP, 6}},
       {{6, 2, 2, S::Interrupted}}},
      {"preemption by an interrupt",
       {{1, SP, 5}, {2, SI, 3}, {3, EI, 3}, {4, EP, 5}},
       {{5, 1, 2, S::Running},
        {5, 2, 3, S::Interrupted},
        {5, 3, 4, S::Running},
        {Irq3, 2, 3, S::Running}}},
      {"still active at the last event: every open activation ends interrupted there",
       {{1, SP, 5}, {2, SI, 3}, {3, CLK, 52}},
       {{5, 1, 2, S::Running}, {5, 2, 3, S::Interrupted}, {Irq3, 2, 3, S::Interrupted}}},
      {"an end of another entry inside an activation is ignored",
       {{1, SP, 5}, {2, EP, 6}, {3, EP, 5}},
       {{5, 1, 3, S::Running}}},
      {"an entry nested in itself keeps its stretches in start order",
       {{1, SP, 5}, {2, SP, 5}, {3, EP, 5}, {4, EP, 5}},
       {{5, 1, 2, S::Running},
        {5, 2, 3, S::Running},
        {5, 2, 3, S::Interrupted},
        {5, 3, 4, S::Running}}},
      {"two levels of nesting and a second top-level activation",
       {{1, SP, 5},
        {2, SI, 3},
        {3, SI, 4},
        {4, EI, 4},
        {5, EI, 3},
        {6, EP, 5},
        {7, SP, 6},
        {8, EP, 6}},
       {{5, 1, 2, S::Running},
        {5, 2, 5, S::Interrupted},
        {5, 5, 6, S::Running},
        {6, 7, 8, S::Running},
        {Irq3, 2, 3, S::Running},
        {Irq3, 3, 4, S::Interrupted},
        {Irq3, 4, 5, S::Running},
        {InterruptIdBase + 4, 3, 4, S::Running}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Trace trace(c.events);
    const std::vector<Seg> got = flatten(trace.walk());
    EXPECT_EQ(describe(got), describe(c.expected));
  }
}

TEST(TimeStepWalk, UserSectionsCountOnlyTheMarkedEntrysOwnRunTime) {
  struct Piece {
    std::uint32_t entry;
    double from;
    double to;
  };
  struct Case {
    const char* name;
    std::vector<Ev> events;
    std::vector<Piece> pieces;
    double percent;
  };
  const std::vector<Case> cases = {
      {"a section around a process preempted once",
       {{1, SP, 5}, {2, IN, 1}, {3, SI, 3}, {5, EI, 3}, {6, OUT, 1}, {8, EP, 5}},
       {{5, 2, 3}, {5, 5, 6}},
       2.0 / 7.0 * 100.0},
      {"nested enters and exits give one piece",
       {{1, SP, 5}, {2, IN, 1}, {3, IN, 2}, {4, OUT, 2}, {5, OUT, 1}, {6, EP, 5}},
       {{5, 2, 5}},
       3.0 / 5.0 * 100.0},
      {"exit without enter starts at the current stretch",
       {{1, SP, 5}, {2, SI, 3}, {3, EI, 3}, {4, OUT, 1}, {5, EP, 5}},
       {{5, 3, 4}},
       1.0 / 4.0 * 100.0},
      {"exit without enter at top level starts at the first event",
       {{1, CLK, 13}, {2, SP, 5}, {3, EP, 5}, {4, OUT, 1}},
       {{5, 1, 4}},
       100.0},
      {"an open section continues in the next activation of the entry",
       {{1, SP, 5}, {2, IN, 1}, {3, EP, 5}, {5, SP, 5}, {6, OUT, 1}, {7, EP, 5}},
       {{5, 2, 3}, {5, 5, 6}},
       2.0 / 6.0 * 100.0},
      {"an unmatched end of an entry in an open section charges from the first event",
       {{1, SP, 5}, {2, IN, 1}, {3, EP, 5}, {4, EP, 5}},
       {{5, 2, 3}, {5, 1, 4}},
       4.0 / 3.0 * 100.0},
      {"a trace of a single time stamp",
       {{1, SP, 5}, {1, IN, 1}, {1, OUT, 1}, {1, EP, 5}},
       {{5, 1, 1}},
       0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Trace trace(c.events);
    const TimeStepResult result = trace.walk();
    ASSERT_EQ(result.userSections.size(), c.pieces.size());
    double total = 0.0;
    for (std::size_t i = 0; i < c.pieces.size(); ++i) {
      EXPECT_EQ(result.userSections[i].entry, c.pieces[i].entry) << i;
      EXPECT_DOUBLE_EQ(result.userSections[i].from, c.pieces[i].from) << i;
      EXPECT_DOUBLE_EQ(result.userSections[i].to, c.pieces[i].to) << i;
      total += c.pieces[i].to - c.pieces[i].from;
    }
    EXPECT_DOUBLE_EQ(result.userSectionTime, total);
    EXPECT_DOUBLE_EQ(result.userSectionPercent, c.percent);
  }
}

// The walk sizes its arrays before it fills them; a miscount would show as spare or grown
// capacity. Checked on the walker's own result (a copy would drop the capacity).
TEST(TimeStepWalk, FirstWalkAllocatesEveryArrayAtItsFinalSize) {
  struct Case {
    const char* name;
    std::vector<Ev> events;
  };
  const std::vector<Case> cases = {
      {"ends without starts, at the first time and later",
       {{1, EP, 5}, {1, CLK, 13}, {2, EP, 6}, {3, SP, 5}, {4, EP, 7}, {5, EP, 5}}},
      {"an entry nested in itself more often than a short move",
       {{1, SP, 5},  {2, SP, 5},  {3, SI, 3},  {4, EI, 3},  {5, SI, 3},  {6, EI, 3},
        {7, SI, 3},  {8, EI, 3},  {9, SI, 3},  {10, EI, 3}, {11, SI, 3}, {12, EI, 3},
        {13, SI, 3}, {14, EI, 3}, {15, SI, 3}, {16, EI, 3}, {17, SI, 3}, {18, EI, 3},
        {19, SI, 3}, {20, EI, 3}, {21, EP, 5}, {22, EP, 5}}},
      {"the trace ends inside three activations",
       {{1, SP, 5}, {2, SI, 3}, {3, CLK, 52}, {4, SI, 4}, {5, MARK, 2}}},
      {"user sections inside activations, nested, left open and closed",
       {{1, SP, 5},
        {2, IN, 1},
        {3, SI, 3},
        {4, IN, 1},
        {5, IN, 2},
        {6, OUT, 2},
        {7, EI, 3},
        {8, OUT, 1},
        {9, IN, 1},
        {10, EP, 5},
        {11, SP, 5},
        {12, EP, 5},
        {13, EP, 5}}},
      {"user sections at the top level before and after the first entry",
       {{1, OUT, 1},
        {2, IN, 1},
        {3, IN, 2},
        {4, OUT, 2},
        {5, OUT, 1},
        {6, SP, 5},
        {7, IN, 1},
        {8, EP, 5},
        {9, EP, 5},
        {10, OUT, 1},
        {11, EP, 5}}},
  };
  auto expectExact = [](const TimeStepResult& result) {
    for (const EntrySegments& row : result.rows) {
      EXPECT_EQ(row.storageBytes(), row.size() * (2 * sizeof(double) + sizeof(SegmentState)))
          << std::hex << row.entry();
    }
    EXPECT_EQ(result.userSections.capacity(), result.userSections.size());
    EXPECT_EQ(result.userMarks.capacity(), result.userMarks.size());
    EXPECT_EQ(result.clockCurve.capacity(), result.clockCurve.size());
    EXPECT_EQ(result.topLevelClock.capacity(), result.topLevelClock.size());
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Trace trace(c.events);
    expectExact(trace.walker.run(26.0));
    // The same walker on a longer stream counts again instead of growing the old arrays.
    for (const Ev& e : c.events) {
      trace.append({e.time + 100, e.kind, e.value});
    }
    expectExact(trace.walker.run(26.0));
  }
}

TEST(TimeStepWalk, ClosedSectionClearsTheFlagAndOpenOneKeepsIt) {
  Trace closed({{1, SP, 5}, {2, IN, 1}, {3, OUT, 1}, {4, EP, 5}});
  closed.walk();
  EXPECT_EQ(closed.engine.find(5)->userActive, 0);

  Trace open({{1, SP, 5}, {2, IN, 1}, {3, EP, 5}});
  open.walk();
  EXPECT_EQ(open.engine.find(5)->userActive, 1);
}

TEST(TimeStepWalk, RepeatedWalksGiveTheSameUserRunTime) {
  // The first walk leaves the section open; a second walk must not charge the stretch before the
  // interrupt to it.
  Trace trace({{1, SP, 5}, {2, SI, 3}, {3, EI, 3}, {4, IN, 1}, {5, EP, 5}});
  const TimeStepResult first = trace.walk();
  const TimeStepResult second = trace.walk();
  ASSERT_EQ(first.userSections.size(), 1u);
  EXPECT_EQ(second.userSections.size(), 1u);
  EXPECT_DOUBLE_EQ(first.userSectionTime, 1.0);
  EXPECT_DOUBLE_EQ(second.userSectionTime, 1.0);
}

TEST(TimeStepWalk, WalkerReusedOnAnotherTraceForgetsTheOldEntries) {
  Trace trace({{1, SP, 5}, {2, SI, 3}, {3, EI, 3}, {4, EP, 5}});
  trace.walk();
  trace.engine.clear();  // drops every record the walker had looked up
  trace.engine.append(TraceEvent(10, 7, SP, 0, 0, 0.0, 0));
  trace.engine.append(TraceEvent(12, 0, IN, 1, 0, 0.0, 0));
  trace.engine.append(TraceEvent(13, 7, EP, 0, 0, 0.0, 0));
  const TimeStepResult result = trace.walk();
  EXPECT_EQ(describe(flatten(result)), describe({{7, 10, 13, S::Running}}));
  EXPECT_EQ(result.find(5), nullptr);
  EXPECT_EQ(result.find(Irq3), nullptr);
  ASSERT_EQ(result.userSections.size(), 1u);
  EXPECT_DOUBLE_EQ(result.userSections[0].from, 12.0);
}

TEST(TimeStepWalk, ClockPointsKeepTheirOwnScales) {
  Trace trace({{1, SP, 5}, {2, CLK, 52}, {3, EP, 5}, {4, CLK, 13}, {6, MARK, 7}});
  const TimeStepResult result = trace.walk(104.0);
  ASSERT_EQ(result.clockCurve.size(), 3u);
  EXPECT_DOUBLE_EQ(result.clockCurve[0].time, 0.0);
  EXPECT_DOUBLE_EQ(result.clockCurve[0].mhz, 104.0);
  EXPECT_DOUBLE_EQ(result.clockCurve[1].mhz, 52.0);
  EXPECT_DOUBLE_EQ(result.clockCurve[2].time, 6.0);  // the last value holds to the last event
  EXPECT_DOUBLE_EQ(result.clockCurve[2].mhz, 52.0);
  ASSERT_EQ(result.topLevelClock.size(), 2u);
  EXPECT_DOUBLE_EQ(result.topLevelClock[0].mhz, 26.0);
  EXPECT_DOUBLE_EQ(result.topLevelClock[1].time, 4.0);
  EXPECT_DOUBLE_EQ(result.topLevelClock[1].mhz, 13.0);

  struct Case {
    double mhz;
    ClockScale scale;
    std::int32_t y;
  };
  const Case cases[] = {
      {26.0, ClockScale::TopLevel, 100}, {104.0, ClockScale::Curve, 100},
      {0.0, ClockScale::TopLevel, 150},  {0.0, ClockScale::Curve, 150},
      {52.0, ClockScale::Curve, 125},    {13.0, ClockScale::TopLevel, 125},
      {100.0, ClockScale::Curve, 101},  // 50 x 4 / 104 = 1.92, truncated
  };
  for (const Case& c : cases) {
    EXPECT_EQ(clockY(100, 50, c.mhz, c.scale), c.y) << c.mhz;
  }
}

TEST(TimeStepWalk, UserMarksTakeTheirNumberFromIdOrNumber) {
  Trace trace({{1, SP, 5}, {2, MARK, 7}, {3, EP, 5}});
  trace.engine.append(TraceEvent(4, 0, MARK, 0xB, 0, 0.0, 0));
  const TimeStepResult result = trace.walk();
  ASSERT_EQ(result.userMarks.size(), 2u);
  EXPECT_DOUBLE_EQ(result.userMarks[0].time, 2.0);
  EXPECT_EQ(result.userMarks[0].number, 7u);
  EXPECT_EQ(result.userMarks[1].number, 0xBu);
}

TEST(TimeStepWalk, EmptyStreamFindsNothing) {
  Trace trace({});
  const TimeStepResult result = trace.walk();
  EXPECT_TRUE(result.rows.empty());
  EXPECT_DOUBLE_EQ(result.userSectionTime, 0.0);
  EXPECT_DOUBLE_EQ(result.userSectionPercent, 0.0);
}

TEST(TimeStepWalk, InterruptAboveTheRegularRangeIsReportedAndDrawn) {
  Trace trace({{1, SP, 5}, {2, SI, 0x200}, {3, EI, 0x200}, {4, EP, 5}});
  const TimeStepResult result = trace.walk();
  ASSERT_NE(result.find(InterruptIdBase + 0x200), nullptr);
  EXPECT_EQ(result.find(InterruptIdBase + 0x200)->size(), 1u);
  EXPECT_NE(trace.console.str().find("Just a pity, Cep-id for interrupt too high\n"),
            std::string::npos);
}

TEST(TimeStepWalk, MillionNestedStartsComplete) {
  constexpr std::size_t Starts = 1'000'000;
  std::ostringstream console;
  AnalysisContext context;
  context.console = &console;
  StatisticsEngine engine(context);
  engine.stream().reserve(Starts);
  for (std::size_t i = 0; i < Starts; ++i) {
    engine.append(TraceEvent(static_cast<double>(i), static_cast<std::uint16_t>(1 + i % 100), SP, 0,
                             0, 0.0, 0));
  }
  const TimeStepResult result = TimeStepWalk(engine, &console).run(26.0);
  // Each nested start splits its parent's stretch, and every activation ends interrupted.
  EXPECT_EQ(result.segmentCount(), 2 * Starts - 1);
  const EntrySegments* first = result.find(1);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->state(0), S::Running);
  EXPECT_DOUBLE_EQ(first->to(first->size() - 1), static_cast<double>(Starts - 1));
}

TEST(TimeStepWalk, VisibleRecordsGetRowsInIdOrder) {
  Trace trace({{1, SP, 9}, {2, EP, 9}, {3, SP, 4}, {4, EP, 4}});
  trace.engine.statsFor(6);  // created on demand: invisible, no row
  EXPECT_EQ(numberVisibleRows(trace.engine), 2u);
  EXPECT_EQ(trace.engine.find(4)->row, 0u);
  EXPECT_EQ(trace.engine.find(9)->row, 1u);
  EXPECT_EQ(trace.engine.find(6)->row, NoRow);
}

}  // namespace
}  // namespace kelvor
