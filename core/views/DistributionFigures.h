#pragma once

#include <string>
#include <vector>

#include "analysis/ActivationDurations.h"

namespace kelvor {

// Significant digits of a duration in the figures of a distribution.
inline constexpr int FigureDigits = 4;

// A duration as a person reads it: in ns, µs, ms or s, the largest unit in which it is at least
// 1 (ns below 1 ns), with at most `digits` significant digits and no trailing zeros:
// "12.35 µs", "1 ms", "0 s". Whole seconds from 10^digits s on: "36000 s".
std::string durationText(double seconds, int digits = FigureDigits);

// One line of the figures of an entry's distributions: what it is, the net and the gross value.
struct DistributionFigure {
  std::string label;
  std::string net;
  std::string gross;
};

// The figures in reading order: count, zeros (only when either series has durations of zero),
// mean, stddev, min, P50, P90, P99, P99.9, max. An entry without activations shows its count
// and dashes for every duration.
std::vector<DistributionFigure> distributionFigures(const EntryDistribution& distribution);

}  // namespace kelvor
