#include "analysis/LoadOverTime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "EngineFixture.h"

namespace kelvor::test {
namespace {

constexpr std::uint16_t P1 = 0x0200;
constexpr std::uint16_t P2 = 0x0300;
constexpr std::uint32_t Irq3 = InterruptIdBase + 3;
constexpr std::uint32_t Irq5 = InterruptIdBase + 5;

class LoadOverTimeTest : public EngineFixture {
 protected:
  // P1 runs from 0 to 4 with interrupt 3 (1..1.5) and P2 (2..3, itself interrupted by
  // interrupt 5 at 2.5..2.75) nested in it; P2 runs again from 4.2 to the end of the trace at 6,
  // interrupted by interrupt 3 at 5..5.3, and is still open when the trace ends.
  void addNestedTrace() {
    startProc(0.0, P1);
    startIrq(1.0, 3);
    endIrq(1.5, 3);
    startProc(2.0, P2);
    startIrq(2.5, 5);
    endIrq(2.75, 5);
    endProc(3.0, P2);
    endProc(4.0, P1);
    startProc(4.2, P2);
    startIrq(5.0, 3);
    endIrq(5.3, 3);
    clockTo(6.0, 52.0);
  }

  std::size_t indexOf(const LoadOverTime& load, std::uint32_t entry) {
    for (std::size_t i = 0; i < load.entryCount(); ++i) {
      if (load.entries()[i] == entry) {
        return i;
      }
    }
    ADD_FAILURE() << "no column for entry " << entry;
    return 0;
  }
};

TEST_F(LoadOverTimeTest, RunTimeOverTheIntervalsIsTheStatisticsNetTime) {
  addNestedTrace();
  const struct {
    TimeWindow window;
    LoadCut cut;
    std::size_t intervals;
  } cases[] = {
      {TimeWindow::wholeTrace(), LoadCut{}, LoadCut::DefaultCount},
      {TimeWindow::wholeTrace(), LoadCut::intervals(7), 7},
      {TimeWindow::between(0.7, 5.1), LoadCut::intervals(1), 1},
      {TimeWindow::between(0.7, 5.1), LoadCut::ofLength(0.9), 5},
      {TimeWindow::between(2.6, 5.9), LoadCut::intervals(13), 13},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "window " << c.window.start << ".." << c.window.end
                                    << ", intervals " << c.intervals);
    engine.analyse(c.window);
    const LoadOverTime load = loadOverAnalysedWindow(engine, c.cut);
    ASSERT_EQ(load.intervalCount(), c.intervals);
    EXPECT_EQ(load.windowStart(), engine.windowStart());
    EXPECT_EQ(load.windowEnd(), engine.windowEnd());

    // One column per entry with net time, in the statistics table's order.
    std::vector<std::uint32_t> charged;
    for (const auto& [id, record] : engine.statistics()) {
      if (record.totalWithoutInt > 0.0) {
        charged.push_back(id);
      }
    }
    EXPECT_EQ(load.entries(), charged);
    std::vector<double> summed(load.intervalCount(), 0.0);
    for (std::size_t e = 0; e < load.entryCount(); ++e) {
      double total = 0.0;
      for (std::size_t k = 0; k < load.intervalCount(); ++k) {
        total += load.netTime(e, k);
        summed[k] += load.netTime(e, k);
      }
      EXPECT_NEAR(total, stats(load.entries()[e]).totalWithoutInt, 1e-12) << load.entries()[e];
    }
    for (std::size_t k = 0; k < load.intervalCount(); ++k) {
      const double length = load.end(k) - load.start(k);
      EXPECT_GT(length, 0.0);
      EXPECT_NEAR(load.load(k) * length, summed[k], 1e-12) << "interval " << k;
    }
  }
}

TEST_F(LoadOverTimeTest, StretchesAreSplitAtTheIntervalBorders) {
  addNestedTrace();
  analyseAll();
  // Four intervals of 1.5 s: P2's stretch 4.2..5 crosses the border at 4.5.
  const LoadOverTime load = loadOverAnalysedWindow(engine, LoadCut::intervals(4));
  ASSERT_EQ(load.intervalCount(), 4u);
  EXPECT_DOUBLE_EQ(load.start(2), 3.0);
  EXPECT_DOUBLE_EQ(load.end(2), 4.5);
  const struct {
    std::uint32_t entry;
    double net[4];
  } expected[] = {
      {P1, {1.0, 0.5, 1.0, 0.0}},
      {P2, {0.0, 0.75, 0.3, 1.2}},  // the last 0.7 s: open at the end of the trace
      {Irq3, {0.5, 0.0, 0.0, 0.3}},
      {Irq5, {0.0, 0.25, 0.0, 0.0}},
  };
  ASSERT_EQ(load.entryCount(), std::size(expected));
  for (const auto& row : expected) {
    const std::size_t e = indexOf(load, row.entry);
    for (std::size_t k = 0; k < 4; ++k) {
      EXPECT_NEAR(load.netTime(e, k), row.net[k], 1e-12) << row.entry << " interval " << k;
      EXPECT_NEAR(load.share(e, k), row.net[k] / 1.5, 1e-12) << row.entry << " interval " << k;
    }
  }
  const double expectedLoad[] = {1.0, 1.0, 1.3 / 1.5, 1.0};  // nothing runs from 4 to 4.2
  for (std::size_t k = 0; k < 4; ++k) {
    EXPECT_NEAR(load.load(k), expectedLoad[k], 1e-12) << "interval " << k;
  }
}

TEST_F(LoadOverTimeTest, TheLastIntervalOfAGivenLengthMayBeShorter) {
  addNestedTrace();
  analyseAll();
  const LoadOverTime load = loadOverAnalysedWindow(engine, LoadCut::ofLength(2.5));
  ASSERT_EQ(load.intervalCount(), 3u);
  EXPECT_DOUBLE_EQ(load.start(1), 2.5);
  EXPECT_DOUBLE_EQ(load.start(2), 5.0);
  EXPECT_DOUBLE_EQ(load.end(2), 6.0);
  // The last second: interrupt 3 until 5.3, then P2. Shares are of the interval's own length.
  EXPECT_NEAR(load.share(indexOf(load, Irq3), 2), 0.3, 1e-12);
  EXPECT_NEAR(load.share(indexOf(load, P2), 2), 0.7, 1e-12);
  EXPECT_NEAR(load.load(2), 1.0, 1e-12);
}

TEST_F(LoadOverTimeTest, NoIntervalsWithoutASpanOrAUsableCut) {
  // An empty stream, and one of a single instant.
  EXPECT_TRUE(loadOverAnalysedWindow(engine, LoadCut{}).empty());
  startProc(1.0, P1);
  endProc(1.0, P1);
  analyseAll();
  const LoadOverTime instant = loadOverAnalysedWindow(engine, LoadCut{});
  EXPECT_TRUE(instant.empty());
  EXPECT_EQ(instant.entryCount(), 0u);

  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    LoadCut cut;
    double span;
    std::size_t intervals;
  } cases[] = {
      {LoadCut::intervals(100), 1.0, 100},
      {LoadCut::intervals(0), 1.0, 0},
      {LoadCut::intervals(LoadCut::MaximumCount + 1), 1.0, 0},
      {LoadCut::ofLength(2.5), 6.0, 3},
      {LoadCut::ofLength(0.1), 0.3, 3},  // 0.3 / 0.1 is 2.9999999999999996
      {LoadCut::ofLength(0.1), 0.7, 7},  // and 0.7 / 0.1 is 7.000000000000001
      {LoadCut::ofLength(10.0), 1.0, 1},
      {LoadCut::ofLength(1e-9), 1.0, 0},  // more than MaximumCount intervals
      {LoadCut::ofLength(-1.0), 1.0, 0},
      {LoadCut::ofLength(1.0), nan, 0},
      {LoadCut::intervals(10), 0.0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.cut.intervalsFor(c.span), c.intervals)
        << "count " << c.cut.count << ", length " << c.cut.length << ", span " << c.span;
  }
}

}  // namespace
}  // namespace kelvor::test
