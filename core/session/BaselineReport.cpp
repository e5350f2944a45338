#include "session/BaselineReport.h"

#include "session/LoadIdFiles.h"
#include "session/TraceLoader.h"
#include "settings/SettingsBackend.h"

namespace kelvor {

std::optional<StatisticsReport> loadBaselineReport(const Session& current, const std::string& path,
                                                   std::optional<TimeWindow> window,
                                                   const std::string& version) {
  // The baseline's own session over a copy of the settings: loading it replaces nothing of the
  // current trace, and nothing it does is written back.
  MemorySettingsBackend backend(
      SettingsValues(current.settings.values().begin(), current.settings.values().end()));
  Session baseline(backend);
  baseline.settings.Load();
  baseline.analysis.prompter = current.analysis.prompter;
  baseline.analysis.console = current.analysis.console;
  baseline.progress = current.progress;
  baseline.settingsFolder = current.settingsFolder;
  loadIdFilesInto(baseline);
  if (openTraceFile(baseline, path) != OpenResult::Loaded || !baseline.engine) {
    return std::nullopt;
  }
  ActivationDurations durations;
  if (window) {
    baseline.engine->analyse(*window, &durations);
  } else {
    baseline.engine->collectDurations(durations);
  }
  return makeStatisticsReport(*baseline.engine, baseline.processTable, path, version, &durations);
}

StatisticsReport currentReport(const Session& session, const std::string& version) {
  if (!session.engine) {
    StatisticsReport empty;
    empty.file = session.currentTraceFile;
    empty.version = version;
    return empty;
  }
  ActivationDurations durations;
  session.engine->collectDurations(durations);
  return makeStatisticsReport(*session.engine, session.processTable, session.currentTraceFile,
                              version, &durations);
}

}  // namespace kelvor
