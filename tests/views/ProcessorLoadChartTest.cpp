#include "views/ProcessorLoadChart.h"

#include <gtest/gtest.h>

#include "EngineFixture.h"
#include "model/TraceEvent.h"

namespace kelvor::test {
namespace {

// An engine over a one-second window whose entries are given their net run times directly.
class LoadChartTest : public EngineFixture {
 protected:
  LoadChartTest() {
    clockTo(0.0, 26.0);
    clockTo(1.0, 26.0);
    analyseAll();
  }
  void entry(std::uint32_t id, double seconds) { engine.statsFor(id).totalWithoutInt = seconds; }
  std::vector<LoadBar> bars() const {
    const EntryNaming naming(table, nullptr, RunNameUse{});
    return loadChartBars(engine, naming);
  }

  ProcessTable table;
};

TEST(LoadChartGeometryTest, WorkedExampleOfTenEntries) {
  const LoadChartGeometry g = loadChartGeometry(700, 700, 10);
  EXPECT_EQ(g.x0, 59);
  EXPECT_EQ(g.chartWidth, 598);
  EXPECT_EQ(g.axisRight, 59 + 608);
  EXPECT_EQ(g.base, 500);
  EXPECT_EQ(g.axisTop, 100);
  EXPECT_EQ(g.h100, 380);
  EXPECT_EQ(g.tick, 10);
  EXPECT_EQ(g.barWidth, 53);
  EXPECT_EQ(g.firstBarLeft, 60);

  const LoadBarRect quarter = loadBarRect(g, 1, 0.25);
  EXPECT_EQ(quarter.top, 405);
  EXPECT_EQ(quarter.bottom, 499);
  EXPECT_EQ(quarter.left, 60 + 53);
  EXPECT_EQ(quarter.right, 60 + 106);
  // Tops truncate the fraction of a pixel: 500 - 380 x 0.2501 = 404.962.
  EXPECT_EQ(loadBarRect(g, 0, 0.2501).top, 404);
  EXPECT_EQ(loadBarRect(g, 0, 1.0).top, 120);
}

TEST(LoadChartGeometryTest, BarWidthShrinksWithTheEntriesAndNeverWraps) {
  const struct {
    int width;
    std::size_t entries;
    int barWidth;
  } cases[] = {
      {700, 0, 583},    // CPU-Load alone
      {700, 10, 53},    // (598 - 15) / 11
      {780, 26, 24},    // (666 - 15) / 27
      {1920, 5000, 0},  // narrower than a pixel
      {100, 3, 17},     // (85 - 15) / 4
      {10, 3, 0},       // a chart width below the reserve gives no bars, not huge ones
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.width);
    EXPECT_EQ(loadChartGeometry(c.width, 700, c.entries).barWidth, c.barWidth);
  }
}

TEST(LoadChartGeometryTest, ScrollWidthGrowsFromTwentySixEntries) {
  const struct {
    std::size_t entries;
    int width;
  } cases[] = {{0, 700}, {10, 700}, {25, 700}, {26, 780}, {27, 810}, {5000, 150000}};
  for (const auto& c : cases) {
    EXPECT_EQ(loadChartScrollWidth(c.entries), c.width) << c.entries;
  }
}

TEST(LoadChartGeometryTest, ScaleMarksEveryTenPercentBelowTheAxisTop) {
  const std::vector<LoadScaleMark> marks = loadScaleMarks(loadChartGeometry(700, 700, 10));
  ASSERT_EQ(marks.size(), 10u);
  EXPECT_EQ(marks.front().y, 500 - 38);
  EXPECT_EQ(marks.front().percent, 10);
  EXPECT_EQ(marks.back().y, 500 - 380);
  EXPECT_EQ(marks.back().percent, 100);
  // A chart too low for a step has no marks rather than endless ones.
  EXPECT_TRUE(loadScaleMarks(loadChartGeometry(700, 10, 1)).empty());
}

TEST(LoadChartGeometryTest, LabelsAboveSmallBarsAndInsideHighOnes) {
  const LoadChartGeometry g = loadChartGeometry(700, 700, 10);
  // Column of bar 1: 59 + 1 + 53 = 113; text 40 wide, 16 high: centred (53 - 40) / 2 = 6, then
  // a further 40 / 8 = 5.
  UpwardTextOrigin origin = loadPercentLabelOrigin(g, 1, 405, 0.25, 40, 16);
  EXPECT_EQ(origin.x, 113 + 6 + 5);
  EXPECT_EQ(origin.y, 405 - 16 - 5);
  origin = loadPercentLabelOrigin(g, 1, 310, 0.5, 40, 16);
  EXPECT_EQ(origin.y, 310 + 64 - 5);
  // Text wider than the bar starts at the column's edge.
  origin = loadPercentLabelOrigin(g, 1, 405, 0.25, 64, 16);
  EXPECT_EQ(origin.x, 113 + 8);

  // Names: centred on the bar, reading upwards to just below the axis.
  const UpwardTextOrigin name = loadNameLabelOrigin(g, 1, 120, 17);
  EXPECT_EQ(name.x, 113 + (53 - 17) / 2);
  EXPECT_EQ(name.y - 120, 500 + 5);
}

TEST(LoadChartGeometryTest, BarsInColumnsCoverExactlyTheVisiblePlaces) {
  const LoadChartGeometry g = loadChartGeometry(700, 700, 10);  // bar i at 60 + 53 i
  const struct {
    int left, right;
    std::size_t first, last;
  } cases[] = {
      {0, 700, 0, 11},     // everything
      {0, 60, 0, 0},       // left of the first bar
      {0, 61, 0, 1},       // its first column
      {112, 114, 0, 2},    // the edge between bars 0 and 1
      {113, 166, 1, 2},    // exactly bar 1
      {643, 700, 11, 11},  // right of the last bar
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.left << ".." << c.right);
    const LoadBarRange range = loadBarsInColumns(g, 11, c.left, c.right);
    EXPECT_EQ(range.first, c.first);
    EXPECT_EQ(range.last, c.last);
  }
}

TEST(LoadChartGeometryTest, PrintedNamesShrinkOnlyForNarrowBars) {
  const struct {
    int bold, xWidth, bar, size;
  } cases[] = {{40, 20, 30, 40}, {40, 20, 29, 38}, {40, 20, 0, 1}, {40, 30, 10, 8}};
  for (const auto& c : cases) {
    EXPECT_EQ(printedNamePixelSize(c.bold, c.xWidth, c.bar), c.size) << c.bar;
  }
}

TEST_F(LoadChartTest, CpuLoadFirstThenEntriesFromAHundredthOfAPercent) {
  table.store("Worker", 0x0200, 0x0100, OriginIdList);
  table.store("Timer", 0x10005, 0x0100, OriginIdList);
  entry(0x0200, 0.25);
  entry(0x0300, 0.00009);  // below 0.01 %: no bar, no place
  entry(0x0301, 0.0001);
  entry(0x10005, 0.125);
  entry(0x20003, 0.5);
  const std::vector<LoadBar> list = bars();
  ASSERT_EQ(list.size(), 5u);
  EXPECT_TRUE(list[0].cpuLoad);
  EXPECT_EQ(list[0].nameText, "CPU-Load");
  // The sum runs over every entry, the skipped one included.
  EXPECT_DOUBLE_EQ(list[0].share, 0.25 + 0.00009 + 0.0001 + 0.125 + 0.5);
  EXPECT_EQ(list[0].percentText, "87.52");
  const struct {
    std::uint32_t id;
    const char* percent;
    const char* name;
  } expected[] = {{0x0200, "25.00", "0x0200 Worker"},
                  {0x0301, "0.01", "0x0301 unknown ID"},
                  {0x10005, "12.50", "0x05 Timer"},
                  {0x20003, "50.00", "0x10003 unknown ID"}};
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    SCOPED_TRACE(expected[i].name);
    EXPECT_EQ(list[i + 1].entryId, expected[i].id);
    EXPECT_EQ(list[i + 1].percentText, expected[i].percent);
    EXPECT_EQ(list[i + 1].nameText, expected[i].name);
  }
  EXPECT_EQ(loadBarBrush(0), LoadBarBrush::LightBlue);
  EXPECT_EQ(loadBarBrush(1), LoadBarBrush::LightYellow);
  EXPECT_EQ(loadBarBrush(2), LoadBarBrush::LightBlue);
}

TEST_F(LoadChartTest, NamesInLowerCaseHexAndProcessZeroByItsPriority) {
  table.store("Idle", 0x00FF, 0x0ABC, OriginIdList);  // the group of id 0
  table.store("Lisr", 0x1001A, 0x0100, OriginIdList);
  const EntryNaming naming(table, nullptr, RunNameUse{});
  EXPECT_EQ(loadBarName(0x0000, naming), "0x0abc Idle::unknown ID");
  EXPECT_EQ(loadBarName(0xBEEF, naming), "0xbeef unknown ID");
  EXPECT_EQ(loadBarName(0x10100, naming), "0x100 unknown ID");
  EXPECT_EQ(loadBarName(0x1001A, naming), "0x1a Lisr");
  const ProcessTable empty;
  EXPECT_EQ(loadBarName(0, EntryNaming(empty, nullptr, RunNameUse{})), "0x03e8 unknown ID");
}

TEST_F(LoadChartTest, AnEmptyWindowGivesZeroSharesNotDivisionsByZero) {
  engine.clear();
  clockTo(2.0, 26.0);
  analyseAll();
  ASSERT_EQ(engine.windowSpan(), 0.0);
  entry(0x0200, 0.5);
  const std::vector<LoadBar> list = bars();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].share, 0.0);
  EXPECT_EQ(list[0].percentText, "0.00");
}

}  // namespace
}  // namespace kelvor::test
