#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "analysis/TimeWindow.h"
#include "model/EventStream.h"
#include "timestep/TimeAxis.h"

namespace kelvor {

// First and last event time of a trace; all 0 for an empty stream.
struct TraceBounds {
  double first = 0.0;
  double last = 0.0;

  static TraceBounds of(const EventStream& stream) {
    return TraceBounds{stream.firstTime(), stream.lastTime()};
  }
  constexpr double range() const { return last - first; }
  constexpr double clamp(double t) const { return t < first ? first : (t > last ? last : t); }
  // Position of a time as a percentage of the range from the first event; 0 when the trace has
  // a single time stamp.
  double percentOf(double t) const;
};

// The horizontal view state: zoom factor (trace range / span; 1 shows the whole trace) and the
// left edge as a percentage of the range, with the visible window derived from them.
struct ViewWindow {
  double zoomFactor = 1.0;
  double scrollPercent = 0.0;
  double viewStart = 0.0;
  double viewSpan = 0.0;

  double viewEnd() const { return viewStart + viewSpan; }
};

// The window of a zoom factor and scroll position. It is not clamped to the trace's end: at 100
// percent it starts at the last event.
ViewWindow windowFor(const TraceBounds& bounds, double zoomFactor, double scrollPercent);

// The whole trace: zoom 1, scroll position 0.
inline ViewWindow wholeTraceWindow(const TraceBounds& bounds) {
  return windowFor(bounds, 1.0, 0.0);
}

// The time axis of a window on a chart.
inline TimeAxis axisFor(const ViewWindow& window, const ChartRect& chart) {
  return TimeAxis(window.viewStart, window.viewSpan, chart.left, chart.width());
}

// The events of the visible window: the first at or after its start, and how many lie before
// its end (from that first one on).
struct EventWindow {
  std::size_t startIndex = 0;
  std::size_t windowCount = 0;
};
EventWindow eventWindow(const EventStream& stream, const ViewWindow& window);

// The "End Pos" index: one past the window's events, never past the last event.
std::size_t endPos(const EventWindow& window, std::size_t eventCount);
std::string startPosText(const EventWindow& window);
std::string endPosText(const EventWindow& window, std::size_t eventCount);

// The horizontal scroll bar: range 0..100, one page per window.
struct ScrollBarState {
  int minimum = 0;
  int maximum = 100;
  int page = 100;
  int position = 0;
  constexpr bool operator==(const ScrollBarState&) const = default;
};
ScrollBarState horizontalScrollBar(const ViewWindow& window);

// Zoom commands and their multipliers; the result never drops below the whole trace.
enum class ZoomCommand { InBy10 = 101, InBy3 = 102, OutBy3 = 103, OutBy10 = 104 };
inline constexpr double MinimumZoomFactor = 1.0;
double zoomedFactor(double zoomFactor, double multiplier);
double zoomedFactor(double zoomFactor, ZoomCommand command);
// The Zoom dialog's value: accepted as entered when positive (below 1 too), else refused.
std::optional<double> zoomDialogFactor(double entered);

// The window after a zoom command; the scroll position stays.
ViewWindow zoomedWindow(const TraceBounds& bounds, const ViewWindow& window, ZoomCommand command);

// Horizontal scroll bar codes that move the window.
enum class HorizontalScroll { LineLeft, LineRight, PageLeft, PageRight, ThumbTrack, Other };
// The scroll position after a code: lines move a tenth, pages three quarters of a window;
// the result stays within 0..100.
double scrolledPercent(double scrollPercent, double zoomFactor, HorizontalScroll code,
                       int thumbPosition = 0);

// The window after a horizontal scroll code; the zoom stays.
ViewWindow scrolledWindow(const TraceBounds& bounds, const ViewWindow& window,
                          HorizontalScroll code, int thumbPosition = 0);

// Vertical scrolling through the entry rows.
enum class VerticalScroll {
  LineUp,
  LineDown,
  PageUp,
  PageDown,
  ThumbPosition,
  ThumbTrack,
  Top,
  Bottom
};
struct VerticalScrollState {
  int firstRow = 0;
  bool dragging = false;  // the thumb is being dragged: paint without the walk
  constexpr bool operator==(const VerticalScrollState&) const = default;
};
// The last page shows the last entries; when all entries fit it is the first.
int lastFirstRow(std::size_t entries, int rowsPerPage);
VerticalScrollState scrolledRows(VerticalScrollState state, VerticalScroll code,
                                 std::size_t entries, int rowsPerPage, int thumbPosition = 0);

// "Display from/to" and "Zoom to marker": the window between two times in either order, both
// clamped to the trace; nothing when they are closer than MinimumDisplaySpan.
inline constexpr double MinimumDisplaySpan = 1e-20;
std::optional<ViewWindow> displayFromTo(const TraceBounds& bounds, double a, double b);
// The dialog opens on the current window.
struct DisplayInterval {
  double from = 0.0;
  double to = 0.0;
};
inline DisplayInterval displayFromToDefaults(const ViewWindow& w) {
  return {w.viewStart, w.viewEnd()};
}

// "Goto Position" and "Goto Marker": the current span centred on t, the start clamped to the
// trace.
ViewWindow centredOn(const TraceBounds& bounds, const ViewWindow& window, double t);
inline double gotoDefaultTime(const ViewWindow& w) {
  return w.viewStart + w.viewSpan * 0.5;
}
// The stream-list row of an entered position: truncated; nothing when outside the list.
std::optional<std::size_t> gotoRow(double entered, std::size_t rowCount);

// Index of the first event at or after t, the last event when none is; nothing for an empty
// stream. This is the reference a marker and "Sync. with Stream-List" hand to the stream list.
std::optional<std::size_t> eventReference(const EventStream& stream, double t);

// The two markers. A removed marker keeps no time of its own: it rests at the last event.
struct Marker {
  double time = 0.0;
  bool set = false;
  constexpr bool operator==(const Marker&) const = default;
};
struct Markers {
  Marker marker1;
  Marker marker2;
  // Both removed, resting at the trace's last event.
  static Markers none(const TraceBounds& bounds) {
    return Markers{{bounds.last, false}, {bounds.last, false}};
  }
  bool bothSet() const { return marker1.set && marker2.set; }
  constexpr bool operator==(const Markers&) const = default;
};
enum class MarkerId { Marker1, Marker2 };

// A marker change and the window the statistics are then analysed over (none: keep them).
struct MarkerChange {
  Markers markers;
  std::optional<TimeWindow> analysisWindow;
};
// Marker 1 (left double click) analyses between the markers only when marker 2 is set;
// marker 2 ("Set marker 2") always analyses between the two marker times.
MarkerChange setMarker(const Markers& markers, MarkerId which, double t);
// Removing a marker analyses the whole trace again.
MarkerChange removeMarker(const Markers& markers, MarkerId which, const TraceBounds& bounds);
// "Zoom to marker": the window between the markers, when both are set.
std::optional<ViewWindow> zoomToMarkers(const TraceBounds& bounds, const Markers& markers);

// The readouts for the pointer at a time: with the left button held, the time since the press;
// else the time itself and, when marker 1 is set, the distance from marker 1.
struct PointerReadouts {
  std::string timePos;
  std::optional<std::string> markerPos;
};
PointerReadouts pointerReadouts(double pointerTime, const Markers& markers,
                                std::optional<double> leftPressTime);

// What the view keeps while another view is shown, and the window it gives back.
struct SavedView {
  double viewStart = 0.0;
  double viewSpan = 0.0;
  double scrollPercent = 0.0;
  Markers markers;

  static SavedView of(const ViewWindow& window, const Markers& markers) {
    return SavedView{window.viewStart, window.viewSpan, window.scrollPercent, markers};
  }
  // The whole trace without markers: where a new view starts.
  static SavedView wholeTrace(const TraceBounds& bounds) {
    return SavedView{bounds.first, bounds.range(), 0.0, Markers::none(bounds)};
  }
};
// Zoom and scroll position follow from the saved start and span.
ViewWindow restoredWindow(const TraceBounds& bounds, const SavedView& saved);

// Keys and the wheel. Vertical keys, and horizontal paging with Ctrl, only act when more than
// this many entries are visible.
inline constexpr std::size_t KeyScrollMinimumEntries = 28;
enum class NavigationKey { PageUp, PageDown, End, Home, Up, Down, Left, Right };
struct ScrollAction {
  std::optional<VerticalScroll> vertical;
  std::optional<HorizontalScroll> horizontal;
};
ScrollAction actionForKey(NavigationKey key, bool ctrl, std::size_t visibleEntries);

// The wheel zooms by two with Ctrl as the only key held, else pages through the rows.
inline constexpr double WheelZoomStep = 2.0;
struct WheelAction {
  std::optional<double> zoomMultiplier;
  std::optional<VerticalScroll> vertical;
};
WheelAction actionForWheel(bool forward, bool ctrlOnly, bool traceLoaded,
                           std::size_t visibleEntries);

}  // namespace kelvor
