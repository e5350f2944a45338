#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/TimeWindow.h"
#include "common/ProgressSink.h"
#include "timestep/TimeStepSegments.h"

namespace kelvor {

// One track of the exported timeline: an entry of the chart.
struct TimelineTrack {
  std::uint32_t entry = 0;
  std::uint32_t entryClass = 0;  // EntryClass: the track's group
  std::uint32_t sortIndex = 0;   // the entry's row in the chart
  std::string name;              // id text and name, as the statistics table shows them
};

struct ChromeTraceOptions {
  // Only what lies inside this stretch, clipped to it; the whole walk when none.
  std::optional<TimeWindow> window;
  // Receives the share of stretches written; may be null.
  ProgressSink* progress = nullptr;
};

// Writes the walk's result in the trace-event JSON object format that general trace viewers read:
// per track (in ascending entry id; rows without a track are left out) a complete event for every
// Running and every Undefined stretch, an instant event per user mark and a counter of the
// clock curve, times in microseconds. Streamed to a temporary file beside `path`, which replaces
// `path` only when complete; false when the file could not be written. `tracks` must be in
// ascending entry id.
bool writeChromeTrace(const TimeStepResult& result, const std::vector<TimelineTrack>& tracks,
                      const std::string& path, const ChromeTraceOptions& options = {});

}  // namespace kelvor
