#include "timestep/TimeAxis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace kelvor {
namespace {

TEST(TimeAxisTest, ChartRectFitsShortListsAndFillsThePageForLongOnes) {
  struct Case {
    const char* what;
    PageMetrics metrics;
    ChartRect chart;
    int rowsPerPage;
  };
  const Case cases[] = {
      // (600 - 204) / 16 - 6 = 18 rows; 5 entries fit: bottom under the last row.
      {"fits", {800, 600, 90, 16, 6, 5}, {100, 100, 776, 11 * 16 + 102}, 18},
      {"exactly fits", {800, 600, 90, 16, 6, 18}, {100, 100, 776, 24 * 16 + 102}, 18},
      {"overflows", {800, 600, 90, 16, 6, 19}, {100, 100, 776, 600 - 104}, 18},
      {"plain layout", {800, 600, 90, 16, 2, 30}, {100, 100, 776, 600 - 104}, 22},
      // No font measured yet: one-pixel rows instead of a division by zero.
      {"row height 0", {800, 600, 0, 0, 6, 3}, {10, 100, 776, 102}, 390},
      // A client too low for the summary rows has no entry rows, not a negative count.
      {"tiny client", {300, 220, 40, 16, 6, 3}, {50, 100, 276, 220 - 104}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const PageLayout layout = chartRect(c.metrics);
    EXPECT_EQ(layout.chart, c.chart);
    EXPECT_EQ(layout.rowsPerPage, c.rowsPerPage);
  }
}

TEST(TimeAxisTest, RowBandsFollowTheSummaryRowsAndTheScrollPosition) {
  EXPECT_EQ(summaryRowCount(true), 6);
  EXPECT_EQ(summaryRowCount(false), 2);
  EXPECT_EQ(rowBandTop(16, 6, 0, 0), 100 + 6 * 16);
  EXPECT_EQ(rowBandTop(16, 2, 12, 10), 100 + 4 * 16);
  EXPECT_FALSE(rowOnPage(9, 10, 5));
  EXPECT_TRUE(rowOnPage(10, 10, 5));
  EXPECT_TRUE(rowOnPage(14, 10, 5));
  EXPECT_FALSE(rowOnPage(15, 10, 5));
}

// Window 2..6 s on a chart 400 pixels wide from x = 50: 100 pixels per second.
TEST(TimeAxisTest, MapsTimesToPixelsPinnedToTheChartEdges) {
  const TimeAxis axis(2.0, 4.0, 50, 400);
  EXPECT_DOUBLE_EQ(axis.pixelsPerSecond(), 100.0);
  struct Case {
    double t;
    int x;
    Side side;
  };
  const Case cases[] = {
      {1.0, 50, Side::Before},    {2.0, 50, Side::Inside},   {2.0199, 51, Side::Inside},
      {5.999, 449, Side::Inside}, {6.0, 450, Side::Inside},  {6.0001, 450, Side::After},
      {1e30, 450, Side::After},   {-1e30, 50, Side::Before},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.t);
    EXPECT_EQ(axis.timeToX(c.t), c.x);
    EXPECT_EQ(axis.sideOf(c.t), c.side);
  }
  EXPECT_DOUBLE_EQ(axis.xToTime(250), 4.0);
  EXPECT_DOUBLE_EQ(axis.xToTime(0), 1.5);
  for (int x = 50; x <= 450; x += 37) {
    SCOPED_TRACE(x);
    EXPECT_EQ(axis.timeToX(axis.xToTime(x) + 1e-9), x);
  }
}

TEST(TimeAxisTest, HidesOnlyStretchesBeyondOneEdge) {
  const TimeAxis axis(2.0, 4.0, 50, 400);
  struct Case {
    double from, to;
    bool hidden;
  };
  const Case cases[] = {
      {0.0, 1.0, true}, {7.0, 9.0, true}, {0.0, 9.0, false}, {0.0, 3.0, false}, {3.0, 4.0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.from << ".." << c.to);
    EXPECT_EQ(axis.hides(c.from, c.to), c.hidden);
  }
}

// A trace of one time stamp gives a window without span: everything lands on the left edge
// and no NaN reaches the pixel arithmetic.
TEST(TimeAxisTest, WindowWithoutSpanMapsEverythingToTheLeftEdge) {
  const TimeAxis axis(5.0, 0.0, 50, 400);
  EXPECT_EQ(axis.pixelsPerSecond(), 0.0);
  EXPECT_EQ(axis.timeToX(5.0), 50);
  EXPECT_EQ(axis.timeToX(4.0), 50);
  EXPECT_EQ(axis.timeToX(6.0), 450);
  EXPECT_EQ(axis.xToTime(300), 5.0);
}

TEST(TimeAxisTest, CursorIsACrossHairInsideTheChartOnly) {
  const ChartRect chart{50, 100, 450, 300};
  struct Case {
    int x, y;
    ChartCursor cursor;
  };
  const Case cases[] = {
      {50, 101, ChartCursor::CrossHair}, {450, 299, ChartCursor::CrossHair},
      {200, 100, ChartCursor::Default},  {200, 300, ChartCursor::Default},
      {49, 200, ChartCursor::Arrow},     {451, 50, ChartCursor::Arrow},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    EXPECT_EQ(cursorAt(chart, c.x, c.y), c.cursor);
    EXPECT_EQ(chart.contains(c.x, c.y), c.cursor == ChartCursor::CrossHair);
  }
}

TEST(TimeAxisTest, PointsOutsideTheChartHaveNoTime) {
  const ChartRect chart{50, 100, 450, 300};
  const TimeAxis axis(2.0, 4.0, chart.left, chart.width());
  EXPECT_EQ(timeAtPoint(chart, axis, 250, 200), 4.0);
  EXPECT_EQ(timeAtPoint(chart, axis, 49, 200), std::nullopt);
  EXPECT_EQ(timeAtPoint(chart, axis, 250, 100), std::nullopt);
  EXPECT_EQ(timeAtPoint(chart, axis, 250, 300), std::nullopt);
}

// Time-Pos, Marker-Pos, End Pos and Start Pos stack upwards from the chart top.
TEST(TimeAxisTest, ReadoutLinesStackAboveTheChart) {
  EXPECT_EQ(readoutLineY(ReadoutLine::TimePos, 14), 100 - 16);
  EXPECT_EQ(readoutLineY(ReadoutLine::MarkerPos, 14), 100 - 32);
  EXPECT_EQ(readoutLineY(ReadoutLine::EndPos, 14), 100 - 48);
  EXPECT_EQ(readoutLineY(ReadoutLine::StartPos, 14), 100 - 64);
}

TEST(TimeAxisTest, ReadoutsScaleToTheLargestUnitBelowTheValue) {
  struct Case {
    double seconds;
    const char* text;
  };
  const Case cases[] = {
      {0.0004, "     Time-Pos :400.0000 us "}, {1.0, "     Time-Pos :1.0000 s "},
      {12.25, "     Time-Pos :12.2500 s "},    {0.999, "     Time-Pos :999.0000 ms "},
      {-0.002, "     Time-Pos :-2.0000 ms "},  {3e-9, "     Time-Pos :3.0000 ns "},
      {5e-13, "     Time-Pos :0.5000 -- "},    {0.0, "     Time-Pos :0.0000 -- "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.seconds);
    EXPECT_EQ(timePosText(c.seconds), c.text);
  }
  EXPECT_EQ(markerPosText(-0.0004), "     Marker-Pos :-400.0000 us ");
  EXPECT_STREQ(scaleTime(0.0004).unit, "us");
}

}  // namespace
}  // namespace kelvor
