#pragma once

#include <optional>
#include <string>

#include "analysis/TimeWindow.h"
#include "session/Session.h"

namespace kelvor::cli {

// --chrome-trace: walks the loaded trace as the time-step chart does and writes it as a
// trace-event JSON file, only the stretches inside `window` when one is given (clipped to it).
// False when the file could not be written.
bool writeChromeTraceOutput(Session& session, const std::string& path,
                            const std::optional<TimeWindow>& window);

}  // namespace kelvor::cli
