#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "analysis/AnalysisContext.h"
#include "analysis/StatisticsEngine.h"
#include "common/ProgressSink.h"
#include "common/Prompter.h"
#include "model/DataState.h"
#include "model/EventStream.h"
#include "model/ProcessTable.h"
#include "model/RunNameTable.h"
#include "settings/SettingsStore.h"
#include "timestep/TimeStepShared.h"

namespace kelvor {

// The program-wide state that the readers, the analysis and the views share. One lives as long
// as the application (or the batch run); tests build fresh ones.
struct Session {
  explicit Session(SettingsBackend& backend) : settings(backend) { analysis.settings = &settings; }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  SettingsStore settings;
  AnalysisContext analysis;          // prompter, console, nesting flag, entry counter
  ProgressSink* progress = nullptr;  // may be null: nothing shows progress
  ProcessTable processTable;
  SeenIdTable seenIds;
  RunNameTable runNameTable;

  DataOrigin dataOrigin = DataOrigin::NothingToSave;
  AcquisitionState acquisitionState = AcquisitionState::Loaded;
  std::uint32_t runFileLoaded = 0;
  std::string currentTraceFile;
  // The folder of the settings file the user named (kelvor-cli's or the desktop program's
  // --config); empty for the user's own settings. Relative ID file paths of such a file are read
  // from its folder.
  std::string settingsFolder;
  std::string currentExtension = "run";  // of the file last opened
  bool lessThanSeen = false;
  TimeStepShared timeStep;

  // The one engine; replaced by every load.
  std::unique_ptr<StatisticsEngine> engine;

  Prompter* prompter() const { return analysis.prompter; }
};

}  // namespace kelvor
