#pragma once

#include <cstdint>
#include <optional>

#include "settings/SettingsStore.h"

namespace kelvor {

// The names of the settings the program reads and writes itself.
namespace setting {
inline constexpr const char* ProcessIdFile = "pid";
inline constexpr const char* InterruptFile = "interrupt_sources";
inline constexpr const char* Mapping = "mapping";
inline constexpr const char* MopBase = "startadress";
inline constexpr const char* MopOffset = "adressoffset";
inline constexpr const char* StartClock = "clkspeedstart";
inline constexpr const char* RefreshRate = "RefreshRate";
// Kept for the firmware's timer and message memory; the program only carries them through.
inline constexpr const char* TimerMemAddress = "TimerMemAddress";
inline constexpr const char* TimerMemOffset = "TimerMemOffset";
inline constexpr const char* MessageMemAddress = "MessageMemAddress";
inline constexpr const char* MessageMemOffset = "MessageMemOffset";
}  // namespace setting

// The MOP-area base address: "startadress" plus "adressoffset", both hexadecimal. Nothing when
// "startadress" is empty (no base is configured).
std::optional<std::uint32_t> mopBaseAddress(const SettingsStore& settings);

// The clock a trace starts at, in MHz: "clkspeedstart", but only while "mapping" is present and
// the text is a decimal number; otherwise nothing (the clock carries over).
std::optional<double> startClock(const SettingsStore& settings);

// The display refresh period of a recording in milliseconds: "RefreshRate", kept within 500 to
// 10000; an absent or non-numeric value gives 1000.
inline constexpr int DefaultRefreshRateMs = 1000;
inline constexpr int MinRefreshRateMs = 500;
inline constexpr int MaxRefreshRateMs = 10000;
int refreshRateMs(const SettingsStore& settings);

// Whether the configuration names no process-id, respectively no interrupt, decoding file; the
// views then take names from the last .run file read.
struct DisplayFlags {
  bool pidFileMissing = true;
  bool interruptFileMissing = true;
};
DisplayFlags displayFlagsFrom(const SettingsStore& settings);

}  // namespace kelvor
