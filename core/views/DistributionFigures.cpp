#include "views/DistributionFigures.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kelvor {
namespace {

struct TimeUnit {
  double perSecond;
  const char* suffix;
};

// From the largest unit to the smallest.
constexpr std::array<TimeUnit, 4> TimeUnits{{
    {1.0, " s"},
    {1.0e3, " ms"},
    {1.0e6, " \u00b5s"},
    {1.0e9, " ns"},
}};

constexpr const char* NoValue = "-";

std::string significant(double value, int digits) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*g", digits, value);
  return text;
}

}  // namespace

std::string durationText(double seconds, int digits) {
  if (!std::isfinite(seconds)) {
    return NoValue;
  }
  if (seconds == 0.0) {
    return "0 s";
  }
  if (std::abs(seconds) >= std::pow(10.0, digits)) {
    char text[64];
    std::snprintf(text, sizeof text, "%.0f s", seconds);
    return text;
  }
  // The unit is chosen after rounding, so that 999.96 µs reads "1 ms", not "1000 µs".
  for (const TimeUnit& unit : TimeUnits) {
    const std::string number = significant(seconds * unit.perSecond, digits);
    if (std::abs(std::strtod(number.c_str(), nullptr)) >= 1.0 || &unit == &TimeUnits.back()) {
      return number + unit.suffix;
    }
  }
  return NoValue;
}

std::vector<DistributionFigure> distributionFigures(const EntryDistribution& d) {
  const bool any = d.net.count != 0 || d.gross.count != 0;
  const auto duration = [any](double seconds) {
    return any ? durationText(seconds) : std::string(NoValue);
  };
  const auto times = [&](const char* label, double DurationDistribution::*field) {
    return DistributionFigure{label, duration(d.net.*field), duration(d.gross.*field)};
  };

  std::vector<DistributionFigure> figures;
  figures.push_back({"count", std::to_string(d.net.count), std::to_string(d.gross.count)});
  if (d.net.zeros != 0 || d.gross.zeros != 0) {
    figures.push_back({"zeros", std::to_string(d.net.zeros), std::to_string(d.gross.zeros)});
  }
  figures.push_back(times("mean", &DurationDistribution::mean));
  figures.push_back(times("stddev", &DurationDistribution::stddev));
  figures.push_back(times("min", &DurationDistribution::min));
  figures.push_back(times("P50", &DurationDistribution::p50));
  figures.push_back(times("P90", &DurationDistribution::p90));
  figures.push_back(times("P99", &DurationDistribution::p99));
  figures.push_back(times("P99.9", &DurationDistribution::p999));
  figures.push_back(times("max", &DurationDistribution::max));
  return figures;
}

}  // namespace kelvor
