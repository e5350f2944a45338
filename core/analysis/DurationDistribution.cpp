#include "analysis/DurationDistribution.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

namespace kelvor {
namespace {

// The percentiles reported, in ascending order.
constexpr std::array<double, 4> ReportedPercents{50.0, 90.0, 99.0, 99.9};

// Series shorter than this are ranked by sorting a copy; longer ones by a radix selection, whose
// bucket table costs more to clear than sorting a short series.
constexpr std::size_t SortBelow = 4096;

// The percentiles are selected among buckets of the top 16 bits of an order-preserving key.
constexpr int BucketShift = 16;
constexpr std::size_t BucketCount = std::size_t{1} << (32 - BucketShift);
constexpr std::uint32_t SignBit = 0x80000000u;

// Unsigned keys that order like the floats: negatives below positives, both in value order.
std::uint32_t orderKey(float value) {
  const auto bits = std::bit_cast<std::uint32_t>(value);
  return (bits & SignBit) != 0 ? ~bits : bits | SignBit;
}

// The histogram bin of each bucket of positive floats: the bin of the bucket's smallest value and
// the bin edge inside the bucket (a bucket spans 0.8 %, a bin 26 %, so it holds one edge at
// most). Buckets where that does not hold (zero with the subnormals, infinities) are binned value
// by value. Computed once.
class BucketBins {
 public:
  BucketBins() : low_(PositiveBuckets), edge_(PositiveBuckets) {
    for (std::uint32_t b = 0; b < PositiveBuckets; ++b) {
      const float lowest = std::bit_cast<float>(b << BucketShift);
      const float highest = std::bit_cast<float>((b << BucketShift) | LowBitsMask);
      if (!(lowest >= std::numeric_limits<float>::min()) ||
          !(highest <= std::numeric_limits<float>::max())) {
        edge_[b] = ExactPerValue;
        continue;
      }
      const int first = durationBinIndex(lowest);
      const int last = durationBinIndex(highest);
      low_[b] = first;
      edge_[b] = last == first       ? std::numeric_limits<double>::infinity()
                 : last == first + 1 ? durationBinEdge(last)
                                     : ExactPerValue;
    }
  }

  // The bin of a positive, finite duration.
  int binOf(float value) const {
    const std::uint32_t b = std::bit_cast<std::uint32_t>(value) >> BucketShift;
    const double edge = edge_[b];
    if (std::isnan(edge)) {
      return durationBinIndex(value);
    }
    return low_[b] + (static_cast<double>(value) >= edge ? 1 : 0);
  }

 private:
  static constexpr std::uint32_t PositiveBuckets = 1u << (31 - BucketShift);
  static constexpr std::uint32_t LowBitsMask = (1u << BucketShift) - 1;
  static constexpr double ExactPerValue = std::numeric_limits<double>::quiet_NaN();

  std::vector<int> low_;
  std::vector<double> edge_;
};

const BucketBins& bucketBins() {
  static const BucketBins bins;
  return bins;
}

// A duration kept in single precision as the double of its shortest decimal form, so that the
// outputs show 1.4685825e-05 rather than the binary value's 1.4685824680782389e-05.
double widened(float value) {
  char text[32];
  const auto written = std::to_chars(text, text + sizeof text, value);
  double result = value;
  std::from_chars(text, written.ptr, result);
  return result;
}

bool binnable(float value) {
  return value > 0.0f && value <= std::numeric_limits<float>::max();
}

using Ranks = std::array<std::uint64_t, ReportedPercents.size()>;
using RankValues = std::array<float, ReportedPercents.size()>;

// Selects the values at given 1-based ranks of an unordered series in two passes that the caller
// makes: the first counts the values per bucket of their keys' top bits, which finds the bucket of
// each rank; the second gathers those buckets' values, and a selection inside each gathered
// bucket finds the value.
class RankSelection {
 public:
  // The bucket counts stay with the thread: a fresh table every call would cost the zeroing of
  // new pages by the system, more than the counting itself.
  RankSelection() : counts_(countTable()) { std::fill(counts_.begin(), counts_.end(), 0); }

  void count(float value) { ++counts_[orderKey(value) >> BucketShift]; }

  // After the first pass: where each rank lies.
  void locate(const Ranks& ranks) {
    std::uint64_t before = 0;
    std::size_t next = 0;
    for (std::size_t b = 0; b < BucketCount && next < ranks.size(); ++b) {
      while (next < ranks.size() && ranks[next] <= before + counts_[b]) {
        bucketOf_[next] = b;
        rankInBucket_[next] = ranks[next] - before;
        ++next;
      }
      before += counts_[b];
    }
    std::size_t used = 0;
    for (std::size_t i = 0; i < ranks.size(); ++i) {
      slot_[i] = i > 0 && bucketOf_[i] == bucketOf_[i - 1] ? slot_[i - 1] : used++;
      gathered_[slot_[i]].reserve(counts_[bucketOf_[i]]);
    }
  }

  void gather(float value) {
    const std::size_t b = orderKey(value) >> BucketShift;
    for (std::size_t i = 0; i < bucketOf_.size(); ++i) {
      if (bucketOf_[i] == b) {
        gathered_[slot_[i]].push_back(value);
        return;
      }
    }
  }

  RankValues values() {
    RankValues result{};
    for (std::size_t i = 0; i < result.size(); ++i) {
      std::vector<float>& bucket = gathered_[slot_[i]];
      const auto nth = bucket.begin() + static_cast<std::ptrdiff_t>(rankInBucket_[i] - 1);
      std::nth_element(bucket.begin(), nth, bucket.end(),
                       [](float a, float b) { return orderKey(a) < orderKey(b); });
      result[i] = *nth;
    }
    return result;
  }

 private:
  static std::vector<std::uint32_t>& countTable() {
    thread_local std::vector<std::uint32_t> table(BucketCount, 0);
    return table;
  }

  std::vector<std::uint32_t>& counts_;
  std::array<std::size_t, ReportedPercents.size()> bucketOf_{};
  std::array<std::uint64_t, ReportedPercents.size()> rankInBucket_{};
  std::array<std::size_t, ReportedPercents.size()> slot_{};  // gathered index of each rank
  std::array<std::vector<float>, ReportedPercents.size()> gathered_;
};

RankValues sortRanks(std::span<const float> values, const Ranks& ranks) {
  std::vector<float> sorted(values.begin(), values.end());
  std::sort(sorted.begin(), sorted.end(),
            [](float a, float b) { return orderKey(a) < orderKey(b); });
  RankValues result{};
  for (std::size_t i = 0; i < ranks.size(); ++i) {
    result[i] = sorted[ranks[i] - 1];
  }
  return result;
}

}  // namespace

std::uint64_t nearestRank(std::uint64_t n, double percent) {
  if (n == 0) {
    return 0;
  }
  // The rank is computed in integers of a tenth of a per mille where that is exact (all the
  // percentiles reported), so that 99.9 % of 1000 durations is rank 999 and not 1000.
  const auto tenths = static_cast<std::uint64_t>(std::llround(percent * 10.0));
  const std::uint64_t rank = (tenths * n + 999) / 1000;
  return std::clamp<std::uint64_t>(rank, 1, n);
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

DurationDistribution distributionOf(std::span<const float> durations) {
  DurationDistribution d;
  if (durations.empty()) {
    return d;
  }
  d.count = durations.size();
  const bool select = d.count >= SortBelow;
  std::optional<RankSelection> selection;
  if (select) {
    selection.emplace();
  }
  double sum = 0.0;
  float lowest = durations.front();
  float highest = durations.front();
  float shortestPositive = std::numeric_limits<float>::infinity();
  float longestPositive = 0.0f;
  for (const float value : durations) {
    sum += value;
    lowest = std::min(lowest, value);
    highest = std::max(highest, value);
    if (binnable(value)) {
      shortestPositive = std::min(shortestPositive, value);
      longestPositive = std::max(longestPositive, value);
    } else if (!(value > 0.0f)) {
      ++d.zeros;
    }
    if (select) {
      selection->count(value);
    }
  }
  d.min = widened(lowest);
  d.max = widened(highest);
  d.mean = sum / static_cast<double>(d.count);

  Ranks ranks{};
  for (std::size_t i = 0; i < ranks.size(); ++i) {
    ranks[i] = nearestRank(d.count, ReportedPercents[i]);
  }
  if (select) {
    selection->locate(ranks);
  }

  const BucketBins& table = bucketBins();
  int first = 0;
  if (longestPositive > 0.0f) {
    first = durationBinIndex(shortestPositive);
    const int last = durationBinIndex(longestPositive);
    d.bins.reserve(static_cast<std::size_t>(last - first + 1));
    for (int k = first; k <= last; ++k) {
      d.bins.push_back({durationBinEdge(k), durationBinEdge(k + 1), 0});
    }
  }
  // The second pass: the squares of the deviations (not the difference of two large sums), the
  // bins, and the values of the buckets that hold the ranks.
  double squares = 0.0;
  for (const float value : durations) {
    squares += (value - d.mean) * (value - d.mean);
    if (binnable(value)) {
      ++d.bins[static_cast<std::size_t>(table.binOf(value) - first)].count;
    }
    if (select) {
      selection->gather(value);
    }
  }
  d.stddev = std::sqrt(squares / static_cast<double>(d.count));

  const RankValues picked = select ? selection->values() : sortRanks(durations, ranks);
  d.p50 = widened(picked[0]);
  d.p90 = widened(picked[1]);
  d.p99 = widened(picked[2]);
  d.p999 = widened(picked[3]);
  return d;
}

}  // namespace kelvor
