#include "settings/AnalysisSettings.h"

#include "common/TextNumbers.h"

namespace kelvor {

std::optional<std::uint32_t> mopBaseAddress(const SettingsStore& settings) {
  const std::string base = settings.Get(setting::MopBase);
  if (base.empty()) {
    return std::nullopt;
  }
  return parseHexText(base) + parseHexText(settings.Get(setting::MopOffset));
}

std::optional<double> startClock(const SettingsStore& settings) {
  if (!settings.Contains(setting::Mapping)) {
    return std::nullopt;
  }
  return parseLeadingDecimal(settings.Get(setting::StartClock));
}

int refreshRateMs(const SettingsStore& settings) {
  const std::optional<double> value = parseLeadingDecimal(settings.Get(setting::RefreshRate));
  if (!value || *value != *value) {
    return DefaultRefreshRateMs;
  }
  if (*value < MinRefreshRateMs) {
    return MinRefreshRateMs;
  }
  if (*value > MaxRefreshRateMs) {
    return MaxRefreshRateMs;
  }
  return static_cast<int>(*value);
}

DisplayFlags displayFlagsFrom(const SettingsStore& settings) {
  return DisplayFlags{settings.Get(setting::ProcessIdFile).empty(),
                      settings.Get(setting::InterruptFile).empty()};
}

}  // namespace kelvor
