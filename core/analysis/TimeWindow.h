#pragma once

namespace kelvor {

// The stretch of a trace that an analysis covers, in seconds. The analysis clips it to the
// stream's first and last event, so the whole-trace window is one that reaches before any
// event and after every event.
struct TimeWindow {
  double start = 0.0;
  double end = 0.0;

  // Every event of any trace: the clipping turns it into [first event, last event].
  static constexpr TimeWindow wholeTrace() { return TimeWindow{-1.0, 1.0e30}; }
  // The window between two times given in either order.
  static constexpr TimeWindow between(double a, double b) {
    return a <= b ? TimeWindow{a, b} : TimeWindow{b, a};
  }

  constexpr bool operator==(const TimeWindow&) const = default;
};

}  // namespace kelvor
