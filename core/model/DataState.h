#pragma once

#include <cstdint>

namespace kelvor {

// Where the data in the engine came from, and so whether closing or opening asks to save them.
// The values are the program's stored and shown numbers.
enum class DataOrigin : std::uint32_t {
  Live = 0,
  RunFile = 1,
  MesFile = 2,
  TextTrace = 3,  // .prn or .txt listing
  NothingToSave = 255,
};

// Whether the engine holds live or loaded data. The values are the program's numbers.
enum class AcquisitionState : std::uint32_t {
  Recording = 0,
  Loaded = 1,  // start-up, and after a .mes, .prn or .txt load
  Stopped = 2,
  RunFile = 3,
};

// Whether data of this origin are lost unless saved as .run when the program closes or a
// recording starts (live data are asked about only before another file is opened).
// The questions before such data (or unsaved recorded data) are replaced.
inline constexpr const char* SaveRunQuestion = "Do you want to save current data in .run file ?";
inline constexpr const char* SaveDataQuestion = "Do you want to save current data?";

constexpr bool needsRunSave(DataOrigin origin) {
  return origin == DataOrigin::MesFile || origin == DataOrigin::TextTrace;
}

}  // namespace kelvor
