#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "analysis/AnalysisContext.h"
#include "analysis/StatisticsEngine.h"
#include "common/ProgressSink.h"
#include "common/Prompter.h"
#include "model/EventStream.h"
#include "model/ProcessTable.h"
#include "settings/SettingsStore.h"

namespace kelvor {

// The caption of messages that have none of their own.
inline constexpr const char* ApplicationTitle = "Kelvor TLA";

// Where the data in the engine came from, and so whether closing or opening asks to save them.
enum DataOrigin : std::uint32_t {
  OriginLive = 0,
  OriginRunFile = 1,
  OriginMesFile = 2,
  OriginTextTrace = 3,  // .prn or .txt listing
  OriginNothingToSave = 255,
};

// Whether the engine holds live or loaded data.
enum AcquisitionState : std::uint32_t {
  AcquisitionRecording = 0,
  AcquisitionLoaded = 1,  // start-up, and after a .mes, .prn or .txt load
  AcquisitionStopped = 2,
  AcquisitionRunFile = 3,
};

// One entry record of the last .run file read: names and priorities travel with the file.
struct RunNameRecord {
  std::uint16_t id = 0;
  std::array<char, 32> name{};  // zero-padded; no terminating zero when 32 characters long
  std::uint32_t priority = 0;

  std::string nameText() const {
    std::size_t length = 0;
    while (length < name.size() && name[length] != '\0') {
      ++length;
    }
    return std::string(name.data(), length);
  }
};

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
  std::vector<RunNameRecord> runNameTable;

  std::uint32_t dataOrigin = OriginNothingToSave;
  std::uint32_t acquisitionState = AcquisitionLoaded;
  std::uint32_t runFileLoaded = 0;
  std::string currentTraceFile;
  std::string currentExtension = "run";  // of the file last opened
  bool lessThanSeen = false;

  // The one engine; replaced by every load.
  std::unique_ptr<StatisticsEngine> engine;

  Prompter* prompter() const { return analysis.prompter; }
};

}  // namespace kelvor
