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

// Series shorter than this are ranked by sorting a copy; longer ones by a radix selection.
constexpr std::size_t SortBelow = 4096;

// Both the percentiles and the histogram go through buckets of the top 12 bits of a float:
// sign, exponent and three bits of mantissa, so a bucket spans at most 12.5 % and a table of
// buckets fits the first-level cache.
constexpr int BucketShift = 20;
constexpr std::size_t BucketCount = std::size_t{1} << (32 - BucketShift);
constexpr std::uint32_t SignBit = 0x80000000u;

// Unsigned keys that order like the floats: negatives below positives, both in value order.
std::uint32_t orderKey(float value) {
  const auto bits = std::bit_cast<std::uint32_t>(value);
  return (bits & SignBit) != 0 ? ~bits : bits | SignBit;
}

// The smallest float not below `edge`: a float is at or above the edge exactly when it is at or
// above this one.
float floatAtOrAbove(double edge) {
  float f = static_cast<float>(edge);
  if (static_cast<double>(f) < edge) {
    f = std::nextafter(f, std::numeric_limits<float>::infinity());
  }
  return f;
}

// The histogram bin of each bucket of positive floats: the bin of the bucket's smallest value and
// the bin edge inside the bucket (a bucket spans 12.5 % at most, a bin 26 %, so it holds one edge
// at most). Buckets where that does not hold (zero with the subnormals, infinities) are binned
// value by value. Computed once.
class BucketBins {
 public:
  // Bins of every positive float: from the smallest subnormal to the largest float.
  static constexpr int LowestBin = -460;
  static constexpr int HighestBin = 390;
  static constexpr std::size_t BinRange = HighestBin - LowestBin + 1;

  BucketBins() {
    for (std::uint32_t b = 0; b < PositiveBuckets; ++b) {
      const float lowest = std::bit_cast<float>(b << BucketShift);
      const float highest = std::bit_cast<float>((b << BucketShift) | LowBitsMask);
      Bucket& bucket = buckets_[b];
      if (!(lowest >= std::numeric_limits<float>::min()) ||
          !(highest <= std::numeric_limits<float>::max())) {
        bucket.exact = true;
        continue;
      }
      const int first = durationBinIndex(lowest);
      const int last = durationBinIndex(highest);
      bucket.low = static_cast<std::int16_t>(first);
      if (last == first + 1) {
        bucket.edge = floatAtOrAbove(durationBinEdge(last));
      } else if (last != first) {
        bucket.exact = true;
      }
    }
  }

  // The bin of a positive, finite duration, as durationBinIndex gives it.
  int binOf(float value) const {
    const Bucket& bucket = buckets_[std::bit_cast<std::uint32_t>(value) >> BucketShift];
    if (bucket.exact) {
      return durationBinIndex(value);
    }
    return bucket.low + (value >= bucket.edge ? 1 : 0);
  }

 private:
  static constexpr std::uint32_t PositiveBuckets = 1u << (31 - BucketShift);
  static constexpr std::uint32_t LowBitsMask = (1u << BucketShift) - 1;

  struct Bucket {
    std::int16_t low = 0;
    bool exact = false;
    float edge = std::numeric_limits<float>::infinity();  // no edge inside
  };
  std::array<Bucket, PositiveBuckets> buckets_{};
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
  // Counts a value in one of two tables, so that runs of values in one bucket do not wait on
  // each other's increments; locate() adds the tables up.
  void count(float value, std::size_t table) { ++counts_[table][orderKey(value) >> BucketShift]; }

  // After the first pass: where each rank lies.
  void locate(const Ranks& ranks) {
    for (std::size_t b = 0; b < BucketCount; ++b) {
      counts_[0][b] += counts_[1][b];
    }
    const auto& counts = counts_[0];
    std::uint64_t before = 0;
    std::size_t next = 0;
    for (std::size_t b = 0; b < BucketCount && next < ranks.size(); ++b) {
      while (next < ranks.size() && ranks[next] <= before + counts[b]) {
        bucketOf_[next] = b;
        rankInBucket_[next] = ranks[next] - before;
        ++next;
      }
      before += counts[b];
    }
    std::size_t used = 0;
    for (std::size_t i = 0; i < ranks.size(); ++i) {
      slot_[i] = i > 0 && bucketOf_[i] == bucketOf_[i - 1] ? slot_[i - 1] : used++;
      gathered_[slot_[i]].reserve(counts[bucketOf_[i]]);
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
  std::array<std::array<std::uint32_t, BucketCount>, 2> counts_{};
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
  const BucketBins& table = bucketBins();
  // The first pass runs four values at a time through lanes of their own sums and extremes and
  // two tables of bin counts, so that each value need not wait for the one before it.
  struct Lane {
    double sum = 0.0;
    double squares = 0.0;
    float lowest;
    float highest;
    std::uint64_t zeros = 0;
  };
  constexpr std::size_t Lanes = 4;
  // The sums are taken about the first duration, which keeps the deviation's subtraction exact
  // enough in one pass.
  const float front = durations.front();
  const double shift = front;
  std::array<Lane, Lanes> lanes;
  lanes.fill(Lane{0.0, 0.0, front, front, 0});
  std::array<std::array<std::uint32_t, BucketBins::BinRange>, 2> binTables{};
  const auto take = [&](float value, Lane& lane, std::size_t half) {
    const double offset = value - shift;
    lane.sum += offset;
    lane.squares += offset * offset;
    lane.lowest = std::min(lane.lowest, value);
    lane.highest = std::max(lane.highest, value);
    if (binnable(value)) {
      ++binTables[half][static_cast<std::size_t>(table.binOf(value) - BucketBins::LowestBin)];
    } else if (!(value > 0.0f)) {
      ++lane.zeros;
    }
    if (select) {
      selection->count(value, half);
    }
  };
  const std::size_t whole = durations.size() - durations.size() % Lanes;
  for (std::size_t i = 0; i < whole; i += Lanes) {
    take(durations[i], lanes[0], 0);
    take(durations[i + 1], lanes[1], 1);
    take(durations[i + 2], lanes[2], 0);
    take(durations[i + 3], lanes[3], 1);
  }
  for (std::size_t i = whole; i < durations.size(); ++i) {
    take(durations[i], lanes[0], 0);
  }
  double sum = 0.0;
  double squares = 0.0;
  float lowest = front;
  float highest = front;
  for (const Lane& lane : lanes) {
    sum += lane.sum;
    squares += lane.squares;
    lowest = std::min(lowest, lane.lowest);
    highest = std::max(highest, lane.highest);
    d.zeros += lane.zeros;
  }
  std::array<std::uint64_t, BucketBins::BinRange> binCounts{};
  for (std::size_t k = 0; k < binCounts.size(); ++k) {
    binCounts[k] = std::uint64_t{binTables[0][k]} + binTables[1][k];
  }
  const auto n = static_cast<double>(d.count);
  d.min = widened(lowest);
  d.max = widened(highest);
  d.mean = shift + sum / n;
  d.stddev = std::sqrt(std::max(0.0, (squares - sum * sum / n) / n));

  // The bins from the first to the last that holds a duration.
  const auto used = [](std::uint64_t count) { return count != 0; };
  const auto first = std::find_if(binCounts.begin(), binCounts.end(), used);
  if (first != binCounts.end()) {
    const auto last = std::find_if(binCounts.rbegin(), binCounts.rend(), used).base();
    for (auto it = first; it != last; ++it) {
      const int k = static_cast<int>(it - binCounts.begin()) + BucketBins::LowestBin;
      d.bins.push_back({durationBinEdge(k), durationBinEdge(k + 1), *it});
    }
  }

  Ranks ranks{};
  for (std::size_t i = 0; i < ranks.size(); ++i) {
    ranks[i] = nearestRank(d.count, ReportedPercents[i]);
  }
  RankValues picked{};
  if (select) {
    // The second pass gathers the values of the buckets that hold the ranks.
    selection->locate(ranks);
    for (const float value : durations) {
      selection->gather(value);
    }
    picked = selection->values();
  } else {
    picked = sortRanks(durations, ranks);
  }
  d.p50 = widened(picked[0]);
  d.p90 = widened(picked[1]);
  d.p99 = widened(picked[2]);
  d.p999 = widened(picked[3]);
  return d;
}

}  // namespace kelvor
