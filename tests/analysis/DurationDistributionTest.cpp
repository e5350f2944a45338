#include "analysis/DurationDistribution.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>

namespace kelvor {
namespace {

TEST(DurationDistributionTest, NearestRankPercentiles) {
  struct Case {
    std::size_t n;  // durations 1..n
    double percent;
    double expected;
  };
  for (const Case& c : std::vector<Case>{{1, 50.0, 1},
                                         {1, 99.9, 1},
                                         {10, 50.0, 5},
                                         {10, 90.0, 9},
                                         {10, 99.0, 10},
                                         {1000, 99.9, 999},
                                         {1000, 99.0, 990},
                                         {1001, 50.0, 501},
                                         {3, 100.0, 3}}) {
    std::vector<double> sorted(c.n);
    std::iota(sorted.begin(), sorted.end(), 1.0);
    EXPECT_EQ(nearestRankPercentile(sorted, c.percent), c.expected) << c.percent << " % of " << c.n;
  }
  EXPECT_EQ(nearestRankPercentile({}, 50.0), 0.0);
}

TEST(DurationDistributionTest, FiguresOfAKnownSet) {
  // Given out of order: the figures must not depend on it.
  const DurationDistribution d = distributionOf({4e-3, 2e-3, 4e-3, 4e-3, 5e-3, 5e-3, 7e-3, 9e-3});
  EXPECT_EQ(d.count, 8u);
  EXPECT_DOUBLE_EQ(d.mean, 5e-3);
  EXPECT_DOUBLE_EQ(d.stddev, 2e-3);
  EXPECT_EQ(d.min, 2e-3);
  EXPECT_EQ(d.max, 9e-3);
  EXPECT_EQ(d.p50, 4e-3);
  EXPECT_EQ(d.p90, 9e-3);

  const DurationDistribution none = distributionOf({});
  EXPECT_EQ(none.count, 0u);
  EXPECT_TRUE(none.bins.empty());
}

TEST(DurationDistributionTest, BinsAreTenPerDecadeAndEdgesBelongToTheBinTheyOpen) {
  for (int k = -70; k <= 10; ++k) {
    const double edge = durationBinEdge(k);
    EXPECT_EQ(durationBinIndex(edge), k) << k;
    EXPECT_EQ(durationBinIndex(std::nextafter(edge, 0.0)), k - 1) << k;
  }
  EXPECT_EQ(durationBinIndex(1e-3), -30);
  EXPECT_EQ(durationBinIndex(1.0), 0);
  EXPECT_DOUBLE_EQ(durationBinEdge(10), 10.0);
}

TEST(DurationDistributionTest, HistogramHoldsEveryPositiveDurationOnce) {
  std::mt19937_64 random(7);
  std::lognormal_distribution<double> spread(std::log(1e-4), 2.0);
  std::vector<double> durations(20000);
  for (double& value : durations) {
    value = spread(random);
  }
  durations.insert(durations.end(), {0.0, 0.0, 1e-3, 1e-6});
  const DurationDistribution d = distributionOf(durations);

  EXPECT_EQ(d.zeros, 2u);
  std::uint64_t binned = 0;
  ASSERT_FALSE(d.bins.empty());
  for (std::size_t i = 0; i < d.bins.size(); ++i) {
    binned += d.bins[i].count;
    if (i > 0) {
      EXPECT_EQ(d.bins[i].lower, d.bins[i - 1].upper);  // contiguous
    }
  }
  EXPECT_EQ(binned, d.count - d.zeros);
  EXPECT_GT(d.bins.front().count, 0u);
  EXPECT_GT(d.bins.back().count, 0u);
  EXPECT_LE(d.bins.back().lower, d.max);
  EXPECT_LT(d.max, d.bins.back().upper);
  // Each duration lies in the bin its index names.
  for (const double value : {1e-3, 1e-6, d.max}) {
    const int k = durationBinIndex(value);
    EXPECT_LE(durationBinEdge(k), value);
    EXPECT_LT(value, durationBinEdge(k + 1));
  }
  EXPECT_LE(d.p50, d.p90);
  EXPECT_LE(d.p90, d.p99);
  EXPECT_LE(d.p99, d.p999);
  EXPECT_LE(d.p999, d.max);
}

}  // namespace
}  // namespace kelvor
