#include "ChromeTraceOutput.h"

#include "io/ChromeTraceExport.h"
#include "views/TimelineSnapshot.h"

namespace kelvor::cli {

bool writeChromeTraceOutput(Session& session, const std::string& path,
                            const std::optional<TimeWindow>& window) {
  const TimelineSnapshot snapshot(session);
  return writeChromeTrace(snapshot.result(), snapshot.tracks(), path,
                          ChromeTraceOptions{window, session.progress});
}

}  // namespace kelvor::cli
