#include "timestep/TimeStepNavigation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace kelvor {
namespace {

// A stream of START_PROC events at the given times; the navigation reads only the times.
class TimeStream {
 public:
  explicit TimeStream(std::initializer_list<double> times) {
    for (double t : times) {
      TraceEvent event;
      event.time = t;
      event.kind = EventKind::START_PROC;
      stream_.append(event);
    }
  }
  const EventStream& stream() const { return stream_; }
  TraceBounds bounds() const { return TraceBounds::of(stream_); }

 private:
  EventStream stream_;
};

constexpr TraceBounds TenSeconds{0.0, 10.0};

void expectWindow(const std::optional<ViewWindow>& window, double start, double span, double zoom,
                  double percent) {
  ASSERT_TRUE(window.has_value());
  EXPECT_DOUBLE_EQ(window->viewStart, start);
  EXPECT_DOUBLE_EQ(window->viewSpan, span);
  EXPECT_DOUBLE_EQ(window->zoomFactor, zoom);
  EXPECT_DOUBLE_EQ(window->scrollPercent, percent);
}

TEST(TimeStepNavigationTest, ZoomCommandsMultiplyButNeverShowLessThanTheWholeTrace) {
  using Z = ZoomCommand;
  struct Case {
    const char* what;
    std::vector<ZoomCommand> commands;
    double factor;
  };
  const std::vector<Case> cases = {
      {"in 10, out 3, out 3", {Z::InBy10, Z::OutBy3, Z::OutBy3}, 10.0 / 9.0},
      {"a further out 3 stops at 1", {Z::InBy10, Z::OutBy3, Z::OutBy3, Z::OutBy3}, 1.0},
      {"in 3 twice", {Z::InBy3, Z::InBy3}, 9.0},
      {"out 10 at the whole trace", {Z::OutBy10}, 1.0},
      {"in 10, out 10", {Z::InBy10, Z::OutBy10}, 1.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    double factor = 1.0;
    for (ZoomCommand command : c.commands) {
      factor = zoomedFactor(factor, command);
    }
    EXPECT_NEAR(factor, c.factor, 1e-12);
  }
  // A zoom keeps the left edge where it was.
  expectWindow(zoomedWindow(TenSeconds, windowFor(TenSeconds, 1.0, 30.0), Z::InBy10), 3.0, 1.0,
               10.0, 30.0);
  // The wheel halves down to the whole trace only.
  EXPECT_DOUBLE_EQ(zoomedFactor(1.5, 0.5), 1.0);
  EXPECT_DOUBLE_EQ(zoomedFactor(1.5, 2.0), 3.0);
}

TEST(TimeStepNavigationTest, ZoomDialogTakesAnyPositiveFactorAsEntered) {
  EXPECT_EQ(zoomDialogFactor(0.25), 0.25);
  EXPECT_EQ(zoomDialogFactor(40.0), 40.0);
  EXPECT_EQ(zoomDialogFactor(0.0), std::nullopt);
  EXPECT_EQ(zoomDialogFactor(-2.0), std::nullopt);
  EXPECT_EQ(zoomDialogFactor(std::nan("")), std::nullopt);
  EXPECT_EQ(zoomDialogFactor(HUGE_VAL), std::nullopt);
}

TEST(TimeStepNavigationTest, WindowFollowsZoomAndScrollWithoutClampingAtTheEnd) {
  const TraceBounds bounds{10.0, 20.0};
  expectWindow(windowFor(bounds, 1.0, 0.0), 10.0, 10.0, 1.0, 0.0);
  expectWindow(windowFor(bounds, 2.0, 25.0), 12.5, 5.0, 2.0, 25.0);
  expectWindow(windowFor(bounds, 4.0, 100.0), 20.0, 2.5, 4.0, 100.0);
  expectWindow(wholeTraceWindow(bounds), 10.0, 10.0, 1.0, 0.0);
  // One time stamp: no span, no NaN.
  expectWindow(windowFor(TraceBounds{5.0, 5.0}, 1.0, 50.0), 5.0, 0.0, 1.0, 50.0);
}

TEST(TimeStepNavigationTest, HorizontalStepsAreShareOfTheWindowAndClamped) {
  using H = HorizontalScroll;
  struct Case {
    const char* what;
    double percent, zoom;
    HorizontalScroll code;
    int thumb;
    double result;
  };
  const Case cases[] = {
      {"page right from 95 clamps", 95.0, 1.0, H::PageRight, 0, 100.0},
      {"line right", 0.0, 1.0, H::LineRight, 0, 10.0},
      {"line left clamps at 0", 5.0, 1.0, H::LineLeft, 0, 0.0},
      {"line right zoomed", 50.0, 4.0, H::LineRight, 0, 52.5},
      {"page left zoomed", 50.0, 4.0, H::PageLeft, 0, 31.25},
      {"page right zoomed", 50.0, 4.0, H::PageRight, 0, 68.75},
      {"thumb track", 50.0, 4.0, H::ThumbTrack, 42, 42.0},
      {"thumb track beyond", 50.0, 4.0, H::ThumbTrack, 150, 100.0},
      {"other codes", 33.3, 4.0, H::Other, 7, 33.3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_DOUBLE_EQ(scrolledPercent(c.percent, c.zoom, c.code, c.thumb), c.result);
  }
  // Page right from 95 at zoom 1: the window starts at the last event.
  const TimeStream trace{0.0, 1.0, 2.0, 3.0, 4.0};
  const ViewWindow window =
      scrolledWindow(trace.bounds(), windowFor(trace.bounds(), 1.0, 95.0), H::PageRight);
  EXPECT_DOUBLE_EQ(window.scrollPercent, 100.0);
  EXPECT_DOUBLE_EQ(window.viewSpan, 4.0);
  EXPECT_DOUBLE_EQ(window.viewStart, 4.0);
  EXPECT_EQ(eventWindow(trace.stream(), window).startIndex, 4u);
}

TEST(TimeStepNavigationTest, ScrollBarPageIsOneWindow) {
  const ViewWindow window = windowFor(TenSeconds, 3.0, 33.9);
  EXPECT_EQ(horizontalScrollBar(window), (ScrollBarState{0, 100, 33, 33}));
  EXPECT_EQ(horizontalScrollBar(wholeTraceWindow(TenSeconds)), (ScrollBarState{0, 100, 100, 0}));
}

TEST(TimeStepNavigationTest, EventWindowAndEndPosNeverPassTheLastEvent) {
  const TimeStream trace{0.0, 1.0, 1.0, 2.0, 3.0, 4.0};
  struct Case {
    const char* what;
    double zoom, percent;
    std::size_t start, count, end;
  };
  const Case cases[] = {
      {"whole trace", 1.0, 0.0, 0, 5, 5},
      {"middle", 2.0, 25.0, 1, 3, 4},  // 1..3 s: events at 1, 1, 2
      {"ties start at the first of them", 4.0, 25.0, 1, 2, 3},
      {"at the last event", 1.0, 100.0, 5, 1, 5},
      {"past the start of the trace", 4.0, 90.0, 5, 1, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const EventWindow events =
        eventWindow(trace.stream(), windowFor(trace.bounds(), c.zoom, c.percent));
    EXPECT_EQ(events.startIndex, c.start);
    EXPECT_EQ(events.windowCount, c.count);
    EXPECT_EQ(endPos(events, trace.stream().size()), c.end);
  }
  // The count is taken from the window's own start: many early events do not push a later
  // window's End Pos towards the end of the trace.
  const TimeStream denseStart{0.0, 0.5, 1.0, 1.5, 6.0, 7.0, 8.0};
  const EventWindow late =
      eventWindow(denseStart.stream(), windowFor(denseStart.bounds(), 4.0, 62.5));
  EXPECT_EQ(late.startIndex, 4u);  // 5..7 s: the event at 6
  EXPECT_EQ(late.windowCount, 1u);
  EXPECT_EQ(endPos(late, denseStart.stream().size()), 5u);
  EXPECT_EQ(startPosText(EventWindow{5, 1}), "    Start Pos: 5");
  EXPECT_EQ(endPosText(EventWindow{5, 1}, 6), "    End Pos: 5");
  EXPECT_EQ(endPosText(EventWindow{0, 0}, 0), "    End Pos: 0");
}

TEST(TimeStepNavigationTest, VerticalScrollingStaysWithinTheRows) {
  using V = VerticalScroll;
  struct Case {
    const char* what;
    std::size_t entries;
    int rowsPerPage;
    VerticalScrollState before;
    VerticalScroll code;
    int thumb;
    VerticalScrollState after;
  };
  // 40 entries, 20 per page: the last page starts at row 20.
  const Case cases[] = {
      {"line up at the top", 40, 20, {0, false}, V::LineUp, 0, {0, false}},
      {"line up", 40, 20, {5, false}, V::LineUp, 0, {4, false}},
      {"line down", 40, 20, {19, false}, V::LineDown, 0, {20, false}},
      {"line down at the last page", 40, 20, {20, false}, V::LineDown, 0, {20, false}},
      {"page up by 10", 40, 20, {11, false}, V::PageUp, 0, {1, false}},
      {"page up to the top", 40, 20, {10, false}, V::PageUp, 0, {0, false}},
      {"page down by 10", 40, 20, {9, false}, V::PageDown, 0, {19, false}},
      {"page down to the last page", 40, 20, {10, false}, V::PageDown, 0, {20, false}},
      {"thumb track drags", 40, 20, {0, false}, V::ThumbTrack, 7, {7, true}},
      {"thumb position ends the drag", 40, 20, {7, true}, V::ThumbPosition, 9, {9, false}},
      {"thumb beyond the last page", 40, 20, {7, true}, V::ThumbPosition, 35, {20, false}},
      {"top", 40, 20, {13, false}, V::Top, 0, {0, false}},
      {"bottom", 40, 20, {3, false}, V::Bottom, 0, {20, false}},
      // All entries fit: nothing scrolls below the first row.
      {"line down when all fit", 5, 20, {0, false}, V::LineDown, 0, {0, false}},
      {"page down when all fit", 5, 20, {0, false}, V::PageDown, 0, {0, false}},
      {"bottom when all fit", 5, 20, {0, false}, V::Bottom, 0, {0, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(scrolledRows(c.before, c.code, c.entries, c.rowsPerPage, c.thumb), c.after);
  }
}

TEST(TimeStepNavigationTest, DisplayFromToClampsOrdersAndIgnoresTinyIntervals) {
  struct Case {
    const char* what;
    double from, to;
    std::optional<double> start, span;
  };
  const Case cases[] = {
      {"in order", 2.0, 5.0, 2.0, 3.0},
      {"from 5 to 2 shows 2..5", 5.0, 2.0, 2.0, 3.0},
      {"clamped below", -3.0, 4.0, 0.0, 4.0},
      {"clamped above", 99.0, 8.0, 8.0, 2.0},
      {"empty interval", 3.0, 3.0, std::nullopt, std::nullopt},
      {"both beyond the end", 11.0, 12.0, std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::optional<ViewWindow> window = displayFromTo(TenSeconds, c.from, c.to);
    if (!c.start) {
      EXPECT_FALSE(window.has_value());
      continue;
    }
    expectWindow(window, *c.start, *c.span, 10.0 / *c.span, *c.start * 10.0);
    // The recomputed window from zoom and scroll is the same interval.
    const ViewWindow again = windowFor(TenSeconds, window->zoomFactor, window->scrollPercent);
    EXPECT_NEAR(again.viewStart, *c.start, 1e-12);
    EXPECT_NEAR(again.viewSpan, *c.span, 1e-12);
  }
  EXPECT_FALSE(displayFromTo(TraceBounds{5.0, 5.0}, 0.0, 9.0).has_value());
  const DisplayInterval defaults = displayFromToDefaults(windowFor(TenSeconds, 4.0, 50.0));
  EXPECT_DOUBLE_EQ(defaults.from, 5.0);
  EXPECT_DOUBLE_EQ(defaults.to, 7.5);
}

TEST(TimeStepNavigationTest, GotoCentresTheSpanWithTheStartInsideTheTrace) {
  const ViewWindow window = windowFor(TenSeconds, 5.0, 0.0);  // 2 s wide
  EXPECT_DOUBLE_EQ(gotoDefaultTime(window), 1.0);
  struct Case {
    double t, start;
  };
  const Case cases[] = {{5.0, 4.0}, {0.5, 0.0}, {10.5, 9.5}, {12.0, 10.0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.t);
    expectWindow(centredOn(TenSeconds, window, c.t), c.start, 2.0, 5.0, c.start * 10.0);
  }
  // One time stamp: the percentage is 0, not NaN.
  const TraceBounds single{5.0, 5.0};
  EXPECT_EQ(centredOn(single, wholeTraceWindow(single), 7.0).scrollPercent, 0.0);
}

TEST(TimeStepNavigationTest, GotoRowTruncatesAndRefusesRowsOutsideTheList) {
  EXPECT_EQ(gotoRow(3.9, 10), 3u);
  EXPECT_EQ(gotoRow(9.0, 10), 9u);
  EXPECT_EQ(gotoRow(-0.5, 10), 0u);
  EXPECT_EQ(gotoRow(10.0, 10), std::nullopt);
  EXPECT_EQ(gotoRow(-1.2, 10), std::nullopt);
  EXPECT_EQ(gotoRow(std::nan(""), 10), std::nullopt);
  EXPECT_EQ(gotoRow(1e300, 10), std::nullopt);
}

TEST(TimeStepNavigationTest, EventReferenceIsTheFirstEventAtOrAfterOrTheLast) {
  const TimeStream trace{0.0, 1.0, 1.0, 2.0};
  EXPECT_EQ(eventReference(trace.stream(), -1.0), 0u);
  EXPECT_EQ(eventReference(trace.stream(), 1.0), 1u);
  EXPECT_EQ(eventReference(trace.stream(), 1.5), 3u);
  EXPECT_EQ(eventReference(trace.stream(), 5.0), 3u);
  EXPECT_EQ(eventReference(TimeStream{}.stream(), 1.0), std::nullopt);
}

TEST(TimeStepNavigationTest, MarkersDecideTheWindowOfTheStatistics) {
  const Markers none = Markers::none(TenSeconds);
  const Marker m1At7{7.0, true};
  const Marker m2At2{2.0, true};
  struct Case {
    const char* what;
    Markers before;
    MarkerId which;
    double t;
    Markers after;
    std::optional<TimeWindow> analysis;
  };
  const Case cases[] = {
      {"marker 1 alone keeps the statistics",
       none,
       MarkerId::Marker1,
       3.0,
       {{3.0, true}, none.marker2},
       std::nullopt},
      {"marker 1 with marker 2, earlier first",
       {none.marker1, m2At2},
       MarkerId::Marker1,
       7.0,
       {m1At7, m2At2},
       TimeWindow{2.0, 7.0}},
      {"marker 2 with marker 1, earlier first",
       {m1At7, none.marker2},
       MarkerId::Marker2,
       2.0,
       {m1At7, m2At2},
       TimeWindow{2.0, 7.0}},
      // Marker 1 rests at the last event while it is not set.
      {"marker 2 alone analyses up to the last event",
       none,
       MarkerId::Marker2,
       4.0,
       {none.marker1, {4.0, true}},
       TimeWindow{4.0, 10.0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const MarkerChange change = setMarker(c.before, c.which, c.t);
    EXPECT_EQ(change.markers, c.after);
    EXPECT_EQ(change.analysisWindow, c.analysis);
  }
  for (MarkerId which : {MarkerId::Marker1, MarkerId::Marker2}) {
    const MarkerChange removed = removeMarker(Markers{m1At7, m2At2}, which, TenSeconds);
    EXPECT_EQ(removed.analysisWindow, TimeWindow::wholeTrace());
    const Marker& gone =
        which == MarkerId::Marker1 ? removed.markers.marker1 : removed.markers.marker2;
    const Marker& kept =
        which == MarkerId::Marker1 ? removed.markers.marker2 : removed.markers.marker1;
    EXPECT_EQ(gone, (Marker{10.0, false}));
    EXPECT_TRUE(kept.set);
  }
}

TEST(TimeStepNavigationTest, ZoomToMarkerNeedsBothAndIgnoresTheirOrder) {
  const Markers forward{{2.0, true}, {7.0, true}};
  const Markers backward{{7.0, true}, {2.0, true}};
  expectWindow(zoomToMarkers(TenSeconds, forward), 2.0, 5.0, 2.0, 20.0);
  expectWindow(zoomToMarkers(TenSeconds, backward), 2.0, 5.0, 2.0, 20.0);
  EXPECT_FALSE(zoomToMarkers(TenSeconds, Markers{{2.0, true}, {10.0, false}}).has_value());
  EXPECT_FALSE(zoomToMarkers(TenSeconds, Markers{{3.0, true}, {3.0, true}}).has_value());
}

TEST(TimeStepNavigationTest, ReadoutsShowThePressDistanceOrTheMarkerDistance) {
  struct Case {
    const char* what;
    Markers markers;
    std::optional<double> press;
    const char* timePos;
    std::optional<std::string> markerPos;
  };
  const Markers none = Markers::none(TenSeconds);
  const Markers marker1{{2.0, true}, none.marker2};
  const Case cases[] = {
      {"no marker", none, std::nullopt, "     Time-Pos :2.5000 s ", std::nullopt},
      {"marker 1", marker1, std::nullopt, "     Time-Pos :2.5000 s ",
       "     Marker-Pos :500.0000 ms "},
      {"button held", marker1, 2.4996, "     Time-Pos :400.0000 us ", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const PointerReadouts readouts = pointerReadouts(2.5, c.markers, c.press);
    EXPECT_EQ(readouts.timePos, c.timePos);
    EXPECT_EQ(readouts.markerPos, c.markerPos);
  }
}

TEST(TimeStepNavigationTest, RestoredViewTakesZoomAndScrollFromItsStartAndSpan) {
  const Markers markers{{3.0, true}, {10.0, false}};
  const SavedView saved = SavedView::of(windowFor(TenSeconds, 2.5, 20.0), markers);
  expectWindow(restoredWindow(TenSeconds, saved), 2.0, 4.0, 2.5, 20.0);
  EXPECT_EQ(saved.markers, markers);

  const SavedView fresh = SavedView::wholeTrace(TenSeconds);
  expectWindow(restoredWindow(TenSeconds, fresh), 0.0, 10.0, 1.0, 0.0);
  EXPECT_EQ(fresh.markers, Markers::none(TenSeconds));

  const TraceBounds single{5.0, 5.0};
  expectWindow(restoredWindow(single, SavedView::wholeTrace(single)), 5.0, 0.0, 1.0, 0.0);
}

TEST(TimeStepNavigationTest, KeysScrollRowsOnlyWithManyEntries) {
  using K = NavigationKey;
  using V = VerticalScroll;
  using H = HorizontalScroll;
  struct Case {
    K key;
    bool ctrl;
    std::size_t entries;
    std::optional<V> vertical;
    std::optional<H> horizontal;
  };
  const Case cases[] = {
      {K::PageUp, false, 29, V::PageUp, std::nullopt},
      {K::PageDown, false, 29, V::PageDown, std::nullopt},
      {K::End, false, 29, V::Bottom, std::nullopt},
      {K::Home, false, 29, V::Top, std::nullopt},
      {K::Up, false, 29, V::LineUp, std::nullopt},
      {K::Down, true, 29, V::LineDown, std::nullopt},
      {K::Down, false, 28, std::nullopt, std::nullopt},
      {K::Left, false, 0, std::nullopt, H::LineLeft},
      {K::Right, false, 0, std::nullopt, H::LineRight},
      {K::Left, true, 29, std::nullopt, H::PageLeft},
      {K::Right, true, 29, std::nullopt, H::PageRight},
      {K::Right, true, 28, std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << static_cast<int>(c.key) << " ctrl " << c.ctrl << " entries " << c.entries);
    const ScrollAction action = actionForKey(c.key, c.ctrl, c.entries);
    EXPECT_EQ(action.vertical, c.vertical);
    EXPECT_EQ(action.horizontal, c.horizontal);
  }
}

TEST(TimeStepNavigationTest, WheelZoomsWithCtrlElsePagesWithManyEntries) {
  struct Case {
    bool forward, ctrlOnly, loaded;
    std::size_t entries;
    std::optional<double> zoom;
    std::optional<VerticalScroll> vertical;
  };
  const Case cases[] = {
      {true, true, true, 0, 2.0, std::nullopt},
      {false, true, false, 0, 0.5, std::nullopt},
      {true, false, true, 29, std::nullopt, VerticalScroll::PageUp},
      {false, false, true, 29, std::nullopt, VerticalScroll::PageDown},
      {false, false, true, 28, std::nullopt, std::nullopt},
      {true, false, false, 29, std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.forward << c.ctrlOnly << c.loaded << " " << c.entries);
    const WheelAction action = actionForWheel(c.forward, c.ctrlOnly, c.loaded, c.entries);
    EXPECT_EQ(action.zoomMultiplier, c.zoom);
    EXPECT_EQ(action.vertical, c.vertical);
  }
}

}  // namespace
}  // namespace kelvor
