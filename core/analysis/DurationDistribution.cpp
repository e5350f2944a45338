#include "analysis/DurationDistribution.h"

#include <algorithm>
#include <cmath>

namespace kelvor {

double nearestRankPercentile(const std::vector<double>& sorted, double percent) {
  if (sorted.empty()) {
    return 0.0;
  }
  // The rank is computed in integers of a tenth of a per mille where that is exact (all the
  // percentiles reported), so that 99.9 % of 1000 durations is rank 999 and not 1000.
  const auto n = static_cast<std::uint64_t>(sorted.size());
  const auto tenths = static_cast<std::uint64_t>(std::llround(percent * 10.0));
  std::uint64_t rank = (tenths * n + 999) / 1000;
  rank = std::clamp<std::uint64_t>(rank, 1, n);
  return sorted[rank - 1];
}

double durationBinEdge(int index) {
  return std::pow(10.0, static_cast<double>(index) / DurationDistribution::BinsPerDecade);
}

int durationBinIndex(double seconds) {
  auto index =
      static_cast<int>(std::floor(std::log10(seconds) * DurationDistribution::BinsPerDecade));
  // log10 may land one bin off for a duration on or next to an edge; the edges decide.
  while (seconds < durationBinEdge(index)) {
    --index;
  }
  while (seconds >= durationBinEdge(index + 1)) {
    ++index;
  }
  return index;
}

DurationDistribution distributionOf(std::vector<double> durations) {
  DurationDistribution d;
  if (durations.empty()) {
    return d;
  }
  std::sort(durations.begin(), durations.end());
  d.count = durations.size();
  d.min = durations.front();
  d.max = durations.back();
  double sum = 0.0;
  for (const double value : durations) {
    sum += value;
  }
  d.mean = sum / static_cast<double>(d.count);
  // Two passes: the squares of the deviations, not the difference of two large sums.
  double squares = 0.0;
  for (const double value : durations) {
    squares += (value - d.mean) * (value - d.mean);
  }
  d.stddev = std::sqrt(squares / static_cast<double>(d.count));
  d.p50 = nearestRankPercentile(durations, 50.0);
  d.p90 = nearestRankPercentile(durations, 90.0);
  d.p99 = nearestRankPercentile(durations, 99.0);
  d.p999 = nearestRankPercentile(durations, 99.9);

  const auto firstPositive = std::upper_bound(durations.begin(), durations.end(), 0.0);
  d.zeros = static_cast<std::uint64_t>(firstPositive - durations.begin());
  if (firstPositive == durations.end()) {
    return d;
  }
  const int first = durationBinIndex(*firstPositive);
  const int last = durationBinIndex(durations.back());
  d.bins.reserve(static_cast<std::size_t>(last - first + 1));
  for (int k = first; k <= last; ++k) {
    d.bins.push_back({durationBinEdge(k), durationBinEdge(k + 1), 0});
  }
  // The durations are sorted, so the bin only moves forward.
  std::size_t bin = 0;
  for (auto it = firstPositive; it != durations.end(); ++it) {
    while (*it >= d.bins[bin].upper) {
      ++bin;
    }
    ++d.bins[bin].count;
  }
  return d;
}

}  // namespace kelvor
