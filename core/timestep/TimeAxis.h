#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace kelvor {

// Top edge of the chart in every page layout: the title, the subtitle and the four readout lines
// live above it.
inline constexpr int ChartTop = 100;

// Number of summary rows above the entry rows: the four class rows, the user run-time row and
// the user-marks row in the condensed layout; only the last two otherwise.
constexpr int summaryRowCount(bool condensedView) {
  return condensedView ? 6 : 2;
}

// The chart rectangle in client pixels.
struct ChartRect {
  int left = 0;
  int top = ChartTop;
  int right = 0;
  int bottom = 0;

  constexpr int width() const { return right - left; }
  // The pointer is over the chart: x on the edges counts, y only strictly between them.
  constexpr bool contains(int x, int y) const {
    return x >= left && x <= right && y > top && y < bottom;
  }
  constexpr bool operator==(const ChartRect&) const = default;
};

// What the page layout is computed from, all measured on the current paint.
struct PageMetrics {
  int clientWidth = 0;
  int clientHeight = 0;
  int labelColumnWidth = 0;  // widest entry label + 10
  int rowHeight = 0;         // text height of the label font
  int summaryRows = summaryRowCount(true);
  std::size_t visibleEntries = 0;
};

struct PageLayout {
  ChartRect chart;
  int rowsPerPage = 0;  // entry rows that fit below the summary rows; never negative
};

// The chart rectangle and the rows per page of a client area. The chart ends 104 pixels above
// the client's bottom when the entries do not fit, else right below the last entry row.
PageLayout chartRect(const PageMetrics& metrics);

// Top of the band of entry row `row` when the page starts at `firstRow`.
constexpr int rowBandTop(int rowHeight, int summaryRows, int row, int firstRow) {
  return ChartTop + rowHeight * (summaryRows + row - firstRow);
}
constexpr bool rowOnPage(int row, int firstRow, int rowsPerPage) {
  return row >= firstRow && row < firstRow + rowsPerPage;
}

// Where a time lies relative to the visible window.
enum class Side { Before = -1, Inside = 0, After = 1 };

// The mapping between times and chart x positions for one visible window.
class TimeAxis {
 public:
  TimeAxis(double viewStart, double viewSpan, int chartLeft, int chartWidth);

  double viewStart() const { return viewStart_; }
  double viewSpan() const { return viewSpan_; }
  double viewEnd() const { return viewStart_ + viewSpan_; }
  // Chart width / span; 0 for a window without span, which then maps every time to the left
  // edge and every x to the window start.
  double pixelsPerSecond() const { return pixelsPerSecond_; }

  // Chart x of a time, pinned to the chart's edges outside the window, truncated toward zero.
  int timeToX(double t) const;
  double xToTime(int x) const;
  Side sideOf(double t) const;
  // A stretch with both ends beyond the same edge of the window has nothing to draw.
  bool hides(double from, double to) const;

 private:
  double viewStart_;
  double viewSpan_;
  double pixelsPerSecond_;
  int chartLeft_;
  int chartWidth_;
};

// The time under a point of the chart; nothing for a point outside it (commands that need a
// point on the chart then do nothing).
std::optional<double> timeAtPoint(const ChartRect& chart, const TimeAxis& axis, int x, int y);

// The pointer shapes over the client area.
enum class ChartCursor { CrossHair, Arrow, Default };
ChartCursor cursorAt(const ChartRect& chart, int x, int y);

// A time readout value in the largest unit that brings it to at least 1: s, ms, us, ns; below
// 1 ns (and for 0) the fourth scaling gives the unit "--".
struct ScaledTime {
  double value = 0.0;
  const char* unit = "s";
};
ScaledTime scaleTime(double seconds);

// The four text lines above the chart's right end, from the chart upwards; each line is the
// text height plus 2 pixels above the one below it.
enum class ReadoutLine { TimePos = 1, MarkerPos = 2, EndPos = 3, StartPos = 4 };
constexpr int readoutLineY(ReadoutLine line, int textHeight) {
  return ChartTop - static_cast<int>(line) * (textHeight + 2);
}

// The readout texts above the chart's right end. The leading and trailing blanks make a text
// cover a longer previous one.
std::string timePosText(double seconds);
std::string markerPosText(double seconds);

}  // namespace kelvor
