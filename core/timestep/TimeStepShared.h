#pragma once

#include <optional>

#include "model/EventStream.h"
#include "timestep/TimeStepNavigation.h"

namespace kelvor {

// What the time-step chart keeps while no chart is shown, and what it shares with the stream
// list: the window and the markers of the last chart, the events the markers refer to, the row
// order and the summary layout.
struct TimeStepShared {
  SavedView saved;
  // The time of the event each marker refers to (the first at or after the marker's time); none
  // until a marker is set after a trace is opened. Removing a marker leaves its reference.
  std::optional<double> marker1Event;
  std::optional<double> marker2Event;
  // False asks the stream list to show the marker-1 row at its next update.
  bool streamSynced = false;
  int sortMode = 1;  // 1 rows by entry id, 0 by priority
  bool condensedView = true;

  // A new trace: the whole of it, no markers and no references.
  void resetFor(const EventStream& stream) {
    saved = SavedView::wholeTrace(TraceBounds::of(stream));
    marker1Event.reset();
    marker2Event.reset();
  }
};

}  // namespace kelvor
