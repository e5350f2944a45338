#pragma once

#include <optional>
#include <string>

#include "analysis/TimeWindow.h"
#include "io/StatisticsReport.h"
#include "session/Session.h"

namespace kelvor {

// The report of a second trace to compare the current one with: read with the current
// session's settings (its ID files loaded as for the current trace, its questions asked through
// the same prompter), analysed over `window` or, without one, over the whole trace, with the
// distributions of its durations. None when the file cannot be read; the current session is not
// touched.
std::optional<StatisticsReport> loadBaselineReport(const Session& current, const std::string& path,
                                                   std::optional<TimeWindow> window,
                                                   const std::string& version);

// The report of the current session's last analysis with the distributions of its durations,
// which are walked again for it (the statistics stay as they are).
StatisticsReport currentReport(const Session& session, const std::string& version);

}  // namespace kelvor
