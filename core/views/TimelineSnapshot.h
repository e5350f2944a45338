#pragma once

#include <vector>

#include "io/ChromeTraceExport.h"
#include "session/Session.h"
#include "settings/SettingsStore.h"
#include "timestep/TimeStepWalk.h"

namespace kelvor {

// The clock the time-step chart's curve starts at: the configured text read as a decimal number
// of MHz, 0 when it is none.
double curveStartClock(const SettingsStore& settings);

// The time-step chart of a session's trace as an export takes it: a walk over the whole stream as
// the chart makes it, and a track for each entry the chart shows (the visible ones) in ascending
// id, with its chart row and the id text and name of the statistics table. The walk numbers the
// rows and sets the records' user flags as the chart's own walk does; no warning goes to the
// console (the load has given them). Reads nothing of the session once made, so the file can be
// written from it on another thread.
class TimelineSnapshot {
 public:
  // The session must hold an engine.
  explicit TimelineSnapshot(Session& session);

  const TimeStepResult& result() const { return walk_.result(); }
  const std::vector<TimelineTrack>& tracks() const { return tracks_; }

 private:
  TimeStepWalk walk_;
  std::vector<TimelineTrack> tracks_;
};

}  // namespace kelvor
