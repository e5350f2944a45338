#include "timestep/TimeAxis.h"

#include <algorithm>
#include <cmath>

#include "common/TextFormat.h"

namespace kelvor {

namespace {

// Client pixels kept free around the chart: the scroll bar on the right, the axis and legend
// below, the title block above.
constexpr int ChartRightMargin = 24;
constexpr int LabelColumnGap = 10;
constexpr int ReservedHeight = 204;
constexpr int FullPageBottomMargin = 104;
constexpr int FittedBottomOffset = 102;

std::string readout(const char* format, double seconds) {
  const ScaledTime scaled = scaleTime(seconds);
  std::string text;
  appendFormat(text, format, scaled.value, scaled.unit);
  return text;
}

}  // namespace

PageLayout chartRect(const PageMetrics& metrics) {
  // A missing font measures 0: divide by one pixel instead.
  const int rowHeight = std::max(metrics.rowHeight, 1);
  PageLayout layout;
  layout.rowsPerPage =
      std::max((metrics.clientHeight - ReservedHeight) / rowHeight - metrics.summaryRows, 0);
  layout.chart.left = metrics.labelColumnWidth + LabelColumnGap;
  layout.chart.top = ChartTop;
  layout.chart.right = metrics.clientWidth - ChartRightMargin;
  if (metrics.visibleEntries > static_cast<std::size_t>(layout.rowsPerPage)) {
    layout.chart.bottom = metrics.clientHeight - FullPageBottomMargin;
  } else {
    const int rows = static_cast<int>(metrics.visibleEntries) + metrics.summaryRows;
    layout.chart.bottom = rows * metrics.rowHeight + FittedBottomOffset;
  }
  return layout;
}

TimeAxis::TimeAxis(double viewStart, double viewSpan, int chartLeft, int chartWidth)
    : viewStart_(viewStart),
      viewSpan_(viewSpan),
      pixelsPerSecond_(viewSpan > 0.0 ? chartWidth / viewSpan : 0.0),
      chartLeft_(chartLeft),
      chartWidth_(chartWidth) {}

int TimeAxis::timeToX(double t) const {
  switch (sideOf(t)) {
    case Side::Before:
      return chartLeft_;
    case Side::After:
      return chartLeft_ + chartWidth_;
    case Side::Inside:
      break;
  }
  // Inside the window the offset is at most the chart width, so the conversion cannot overflow.
  const double offset =
      std::min((t - viewStart_) * pixelsPerSecond_, static_cast<double>(chartWidth_));
  return chartLeft_ + static_cast<int>(offset);
}

double TimeAxis::xToTime(int x) const {
  if (pixelsPerSecond_ <= 0.0) {
    return viewStart_;
  }
  return (x - chartLeft_) / pixelsPerSecond_ + viewStart_;
}

Side TimeAxis::sideOf(double t) const {
  if (t < viewStart_) {
    return Side::Before;
  }
  if (t > viewEnd()) {
    return Side::After;
  }
  return Side::Inside;
}

bool TimeAxis::hides(double from, double to) const {
  const Side side = sideOf(from);
  return side != Side::Inside && side == sideOf(to);
}

std::optional<double> timeAtPoint(const ChartRect& chart, const TimeAxis& axis, int x, int y) {
  if (!chart.contains(x, y)) {
    return std::nullopt;
  }
  return axis.xToTime(x);
}

ChartCursor cursorAt(const ChartRect& chart, int x, int y) {
  if (chart.contains(x, y)) {
    return ChartCursor::CrossHair;
  }
  if (x < chart.left || x > chart.right) {
    return ChartCursor::Arrow;
  }
  return ChartCursor::Default;
}

ScaledTime scaleTime(double seconds) {
  static constexpr const char* SubUnits[] = {"ms", "us", "ns", "--"};
  ScaledTime scaled{seconds, "s"};
  for (const char* unit : SubUnits) {
    if (std::fabs(scaled.value) >= 1.0) {
      break;
    }
    scaled.value *= 1000.0;
    scaled.unit = unit;
  }
  return scaled;
}

std::string timePosText(double seconds) {
  return readout("     Time-Pos :%3.4f %s ", seconds);
}

std::string markerPosText(double seconds) {
  return readout("     Marker-Pos :%3.4f %s ", seconds);
}

}  // namespace kelvor
