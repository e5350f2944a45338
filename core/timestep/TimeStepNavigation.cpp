#include "timestep/TimeStepNavigation.h"

#include <algorithm>
#include <cmath>

#include "common/TextFormat.h"

namespace kelvor {

namespace {

constexpr double LineStepOfWindow = 0.1;
constexpr double PageStepOfWindow = 0.75;
constexpr double MaximumScrollPercent = 100.0;
constexpr int RowPageStep = 10;

double windowPercent(double zoomFactor) {
  return MaximumScrollPercent / zoomFactor;
}

ViewWindow windowFromTimes(const TraceBounds& bounds, double start, double span,
                           double zoomFactor) {
  ViewWindow window;
  window.zoomFactor = zoomFactor;
  window.scrollPercent = bounds.percentOf(start);
  window.viewStart = start;
  window.viewSpan = span;
  return window;
}

Marker& markerOf(Markers& markers, MarkerId which) {
  return which == MarkerId::Marker1 ? markers.marker1 : markers.marker2;
}

}  // namespace

double TraceBounds::percentOf(double t) const {
  return range() > 0.0 ? (t - first) / range() * 100.0 : 0.0;
}

ViewWindow windowFor(const TraceBounds& bounds, double zoomFactor, double scrollPercent) {
  ViewWindow window;
  window.zoomFactor = zoomFactor;
  window.scrollPercent = scrollPercent;
  window.viewSpan = bounds.range() * (1.0 / zoomFactor);
  window.viewStart = bounds.first + scrollPercent * 0.01 * bounds.range();
  return window;
}

EventWindow eventWindow(const EventStream& stream, const ViewWindow& window) {
  EventWindow events;
  events.startIndex = stream.indexAtOrAfter(window.viewStart);
  const std::size_t endIndex = stream.indexAtOrAfter(window.viewEnd());
  events.windowCount = endIndex > events.startIndex ? endIndex - events.startIndex : 0;
  return events;
}

std::size_t endPos(const EventWindow& window, std::size_t eventCount) {
  const std::size_t lastIndex = eventCount > 0 ? eventCount - 1 : 0;
  return std::min(window.startIndex + window.windowCount, lastIndex);
}

std::string startPosText(const EventWindow& window) {
  std::string text;
  appendFormat(text, "    Start Pos: %zu", window.startIndex);
  return text;
}

std::string endPosText(const EventWindow& window, std::size_t eventCount) {
  std::string text;
  appendFormat(text, "    End Pos: %zu", endPos(window, eventCount));
  return text;
}

ScrollBarState horizontalScrollBar(const ViewWindow& window) {
  ScrollBarState bar;
  bar.page = static_cast<int>(windowPercent(window.zoomFactor));
  bar.position = static_cast<int>(window.scrollPercent);
  return bar;
}

double zoomedFactor(double zoomFactor, double multiplier) {
  return std::max(zoomFactor * multiplier, MinimumZoomFactor);
}

double zoomedFactor(double zoomFactor, ZoomCommand command) {
  switch (command) {
    case ZoomCommand::InBy10:
      return zoomedFactor(zoomFactor, 10.0);
    case ZoomCommand::InBy3:
      return zoomedFactor(zoomFactor, 3.0);
    case ZoomCommand::OutBy3:
      return zoomedFactor(zoomFactor, 1.0 / 3.0);
    case ZoomCommand::OutBy10:
      return zoomedFactor(zoomFactor, 0.1);
  }
  return zoomFactor;
}

ViewWindow zoomedWindow(const TraceBounds& bounds, const ViewWindow& window, ZoomCommand command) {
  return windowFor(bounds, zoomedFactor(window.zoomFactor, command), window.scrollPercent);
}

std::optional<double> zoomDialogFactor(double entered) {
  if (entered > 0.0 && std::isfinite(entered)) {
    return entered;
  }
  return std::nullopt;
}

double scrolledPercent(double scrollPercent, double zoomFactor, HorizontalScroll code,
                       int thumbPosition) {
  double result = scrollPercent;
  switch (code) {
    case HorizontalScroll::LineLeft:
      result -= windowPercent(zoomFactor) * LineStepOfWindow;
      break;
    case HorizontalScroll::LineRight:
      result += windowPercent(zoomFactor) * LineStepOfWindow;
      break;
    case HorizontalScroll::PageLeft:
      result -= windowPercent(zoomFactor) * PageStepOfWindow;
      break;
    case HorizontalScroll::PageRight:
      result += windowPercent(zoomFactor) * PageStepOfWindow;
      break;
    case HorizontalScroll::ThumbTrack:
      result = thumbPosition;
      break;
    case HorizontalScroll::Other:
      break;
  }
  return std::clamp(result, 0.0, MaximumScrollPercent);
}

ViewWindow scrolledWindow(const TraceBounds& bounds, const ViewWindow& window,
                          HorizontalScroll code, int thumbPosition) {
  const double percent =
      scrolledPercent(window.scrollPercent, window.zoomFactor, code, thumbPosition);
  return windowFor(bounds, window.zoomFactor, percent);
}

int lastFirstRow(std::size_t entries, int rowsPerPage) {
  return std::max(static_cast<int>(entries) - rowsPerPage, 0);
}

VerticalScrollState scrolledRows(VerticalScrollState state, VerticalScroll code,
                                 std::size_t entries, int rowsPerPage, int thumbPosition) {
  const int last = lastFirstRow(entries, rowsPerPage);
  int row = state.firstRow;
  switch (code) {
    case VerticalScroll::LineUp:
      row = row >= 1 ? row - 1 : row;
      break;
    case VerticalScroll::LineDown:
      row = row < last ? row + 1 : row;
      break;
    case VerticalScroll::PageUp:
      row = row > RowPageStep ? row - RowPageStep : 0;
      break;
    case VerticalScroll::PageDown: {
      const int rowsBelow = static_cast<int>(entries) - (row + rowsPerPage);
      row = rowsBelow <= RowPageStep ? last : row + RowPageStep;
      break;
    }
    case VerticalScroll::ThumbPosition:
      row = thumbPosition;
      state.dragging = false;
      break;
    case VerticalScroll::ThumbTrack:
      row = thumbPosition;
      state.dragging = true;
      break;
    case VerticalScroll::Top:
      row = 0;
      break;
    case VerticalScroll::Bottom:
      row = last;
      break;
  }
  state.firstRow = std::clamp(row, 0, last);
  return state;
}

std::optional<ViewWindow> displayFromTo(const TraceBounds& bounds, double a, double b) {
  a = bounds.clamp(a);
  b = bounds.clamp(b);
  if (a > b) {
    std::swap(a, b);
  }
  if (!(b - a >= MinimumDisplaySpan)) {
    return std::nullopt;
  }
  return windowFromTimes(bounds, a, b - a, bounds.range() / (b - a));
}

ViewWindow centredOn(const TraceBounds& bounds, const ViewWindow& window, double t) {
  const double start = bounds.clamp(t - window.viewSpan * 0.5);
  return windowFromTimes(bounds, start, window.viewSpan, window.zoomFactor);
}

std::optional<std::size_t> gotoRow(double entered, std::size_t rowCount) {
  const double row = std::trunc(entered);
  if (!(row >= 0.0) || row >= static_cast<double>(rowCount)) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(row);
}

std::optional<std::size_t> eventReference(const EventStream& stream, double t) {
  if (stream.empty()) {
    return std::nullopt;
  }
  return std::min(stream.indexAtOrAfter(t), stream.size() - 1);
}

MarkerChange setMarker(const Markers& markers, MarkerId which, double t) {
  MarkerChange change{markers, std::nullopt};
  markerOf(change.markers, which) = Marker{t, true};
  if (which == MarkerId::Marker2 || change.markers.marker2.set) {
    change.analysisWindow =
        TimeWindow::between(change.markers.marker1.time, change.markers.marker2.time);
  }
  return change;
}

MarkerChange removeMarker(const Markers& markers, MarkerId which, const TraceBounds& bounds) {
  MarkerChange change{markers, TimeWindow::wholeTrace()};
  markerOf(change.markers, which) = Marker{bounds.last, false};
  return change;
}

std::optional<ViewWindow> zoomToMarkers(const TraceBounds& bounds, const Markers& markers) {
  if (!markers.bothSet()) {
    return std::nullopt;
  }
  return displayFromTo(bounds, markers.marker1.time, markers.marker2.time);
}

PointerReadouts pointerReadouts(double pointerTime, const Markers& markers,
                                std::optional<double> leftPressTime) {
  PointerReadouts readouts;
  if (leftPressTime) {
    readouts.timePos = timePosText(pointerTime - *leftPressTime);
    return readouts;
  }
  readouts.timePos = timePosText(pointerTime);
  if (markers.marker1.set) {
    readouts.markerPos = markerPosText(pointerTime - markers.marker1.time);
  }
  return readouts;
}

ViewWindow restoredWindow(const TraceBounds& bounds, const SavedView& saved) {
  // A trace of one time stamp, or a save without span, has no zoom to speak of: show it whole.
  const double zoom =
      (saved.viewSpan > 0.0 && bounds.range() > 0.0) ? bounds.range() / saved.viewSpan : 1.0;
  return windowFromTimes(bounds, saved.viewStart, saved.viewSpan, zoom);
}

ScrollAction actionForKey(NavigationKey key, bool ctrl, std::size_t visibleEntries) {
  const bool manyEntries = visibleEntries > KeyScrollMinimumEntries;
  ScrollAction action;
  const auto vertical = [&](VerticalScroll code) {
    if (manyEntries) {
      action.vertical = code;
    }
  };
  const auto horizontal = [&](HorizontalScroll line, HorizontalScroll page) {
    if (!ctrl) {
      action.horizontal = line;
    } else if (manyEntries) {
      action.horizontal = page;
    }
  };
  switch (key) {
    case NavigationKey::PageUp:
      vertical(VerticalScroll::PageUp);
      break;
    case NavigationKey::PageDown:
      vertical(VerticalScroll::PageDown);
      break;
    case NavigationKey::End:
      vertical(VerticalScroll::Bottom);
      break;
    case NavigationKey::Home:
      vertical(VerticalScroll::Top);
      break;
    case NavigationKey::Up:
      vertical(VerticalScroll::LineUp);
      break;
    case NavigationKey::Down:
      vertical(VerticalScroll::LineDown);
      break;
    case NavigationKey::Left:
      horizontal(HorizontalScroll::LineLeft, HorizontalScroll::PageLeft);
      break;
    case NavigationKey::Right:
      horizontal(HorizontalScroll::LineRight, HorizontalScroll::PageRight);
      break;
  }
  return action;
}

WheelAction actionForWheel(bool forward, bool ctrlOnly, bool traceLoaded,
                           std::size_t visibleEntries) {
  WheelAction action;
  if (ctrlOnly) {
    action.zoomMultiplier = forward ? WheelZoomStep : 1.0 / WheelZoomStep;
  } else if (traceLoaded && visibleEntries > KeyScrollMinimumEntries) {
    action.vertical = forward ? VerticalScroll::PageUp : VerticalScroll::PageDown;
  }
  return action;
}

}  // namespace kelvor
