#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace kelvor {

// One bin of a duration histogram: the durations d with lower <= d < upper (seconds).
struct DurationBin {
  double lower = 0.0;
  double upper = 0.0;
  std::uint64_t count = 0;
};

// The distribution of an entry's activation durations, exact (from every duration, no sketch).
struct DurationDistribution {
  // Bins per decade of the logarithmic histogram.
  static constexpr int BinsPerDecade = 10;

  std::uint64_t count = 0;
  double mean = 0.0;
  double stddev = 0.0;  // of the population, not of a sample
  double min = 0.0;
  double max = 0.0;
  // Nearest-rank percentiles: the smallest duration that at least that share of the durations
  // does not exceed.
  double p50 = 0.0;
  double p90 = 0.0;
  double p99 = 0.0;
  double p999 = 0.0;
  // Durations of zero (or less), which have no place on a logarithmic axis.
  std::uint64_t zeros = 0;
  // The bins from the one holding the shortest positive duration to the one holding the longest,
  // empty ones between included; bin k spans [10^(k/10), 10^((k+1)/10)) seconds.
  std::vector<DurationBin> bins;
};

// The 1-based nearest rank of the percentile `percent` (0 < percent <= 100) among n values.
std::uint64_t nearestRank(std::uint64_t n, double percent);

// The index k of the histogram bin that holds a positive duration: 10^(k/10) <= d <
// 10^((k+1)/10), exact also for durations on a bin edge.
int durationBinIndex(double seconds);
// The lower edge of bin k, 10^(k/10) seconds.
double durationBinEdge(int index);

// The distribution of `durations` (seconds, in any order). Linear in their number: the
// percentiles are selected through a radix pass over the values' bits, not by sorting.
DurationDistribution distributionOf(std::span<const float> durations);

}  // namespace kelvor
