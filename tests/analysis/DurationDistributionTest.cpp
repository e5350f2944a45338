#include "analysis/DurationDistribution.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "EngineFixture.h"
#include "analysis/ActivationDurations.h"

namespace kelvor {
namespace {

TEST(DurationDistributionTest, NearestRanks) {
  struct Case {
    std::uint64_t n;
    double percent;
    std::uint64_t rank;
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
    EXPECT_EQ(nearestRank(c.n, c.percent), c.rank) << c.percent << " % of " << c.n;
  }
  EXPECT_EQ(nearestRank(0, 50.0), 0u);
}

TEST(DurationDistributionTest, FiguresOfAKnownSet) {
  // Given out of order: the figures must not depend on it.
  const std::vector<float> values{4e-3f, 2e-3f, 4e-3f, 4e-3f, 5e-3f, 5e-3f, 7e-3f, 9e-3f};
  const DurationDistribution d = distributionOf(values);
  EXPECT_EQ(d.count, 8u);
  EXPECT_NEAR(d.mean, 5e-3, 1e-9);
  EXPECT_NEAR(d.stddev, 2e-3, 1e-9);
  EXPECT_EQ(static_cast<float>(d.min), 2e-3f);
  EXPECT_EQ(static_cast<float>(d.max), 9e-3f);
  EXPECT_EQ(static_cast<float>(d.p50), 4e-3f);
  EXPECT_EQ(static_cast<float>(d.p90), 9e-3f);

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

// The reference: the percentiles of a sorted copy and the bin of every value by its logarithm.
void expectAgreesWithSorting(std::vector<float> values, const char* what) {
  SCOPED_TRACE(what);
  const DurationDistribution d = distributionOf(values);
  std::sort(values.begin(), values.end());
  const auto at = [&](double percent) { return values[nearestRank(values.size(), percent) - 1]; };
  EXPECT_EQ(d.count, values.size());
  EXPECT_EQ(static_cast<float>(d.min), values.front());
  EXPECT_EQ(static_cast<float>(d.max), values.back());
  EXPECT_EQ(static_cast<float>(d.p50), at(50.0));
  EXPECT_EQ(static_cast<float>(d.p90), at(90.0));
  EXPECT_EQ(static_cast<float>(d.p99), at(99.0));
  EXPECT_EQ(static_cast<float>(d.p999), at(99.9));

  std::uint64_t zeros = 0;
  std::vector<std::uint64_t> expected(d.bins.size(), 0);
  const int first = d.bins.empty() ? 0 : durationBinIndex(d.bins.front().lower);
  for (const float value : values) {
    if (value <= 0.0f) {
      ++zeros;
    } else {
      const auto k = static_cast<std::size_t>(durationBinIndex(value) - first);
      ASSERT_LT(k, expected.size()) << value;
      ++expected[k];
    }
  }
  EXPECT_EQ(d.zeros, zeros);
  for (std::size_t i = 0; i < d.bins.size(); ++i) {
    EXPECT_EQ(d.bins[i].count, expected[i]) << "bin from " << d.bins[i].lower;
    if (i > 0) {
      EXPECT_EQ(d.bins[i].lower, d.bins[i - 1].upper);  // contiguous
    }
  }
}

TEST(DurationDistributionTest, SelectionAndBinsAgreeWithSortingForShortAndLongSeries) {
  std::mt19937_64 random(7);
  std::lognormal_distribution<double> spread(std::log(1e-4), 2.5);
  for (const std::size_t n :
       {std::size_t{5}, std::size_t{4095}, std::size_t{4096}, std::size_t{200000}}) {
    std::vector<float> values(n);
    for (float& value : values) {
      value = static_cast<float>(spread(random));
    }
    // Zeros, a negative (a rounding residue of net time), bin edges and subnormals.
    values[0] = 0.0f;
    values[n / 2] = -1e-9f;
    values[n - 1] = static_cast<float>(durationBinEdge(-40));
    if (n > 100) {
      values[7] = std::numeric_limits<float>::denorm_min();
      values[8] = std::nextafter(static_cast<float>(durationBinEdge(-30)), 0.0f);
    }
    expectAgreesWithSorting(values, n < 4096 ? "sorted" : "selected");
  }
  // Every value in one bucket of the selection, and many equal ones.
  std::vector<float> narrow(50000);
  for (std::size_t i = 0; i < narrow.size(); ++i) {
    narrow[i] = 1e-3f + static_cast<float>(i % 97) * 1e-9f;
  }
  expectAgreesWithSorting(narrow, "one bucket");
  expectAgreesWithSorting(std::vector<float>(10000, 2.5e-5f), "all equal");
}

using DistributionEngine = test::EngineFixture;

TEST_F(DistributionEngine, DurationsAgreeWithTheTableAndAreKeptOnlyWhenAsked) {
  engine.setCurrentClock(26.0);
  // Process 1 runs four times, 1..4 ms, the third with a 0.5 ms interrupt nested in it.
  double t = 0.0;
  for (int i = 1; i <= 4; ++i) {
    startProc(t, 1);
    if (i == 3) {
      startIrq(t + 1e-3, 2);
      endIrq(t + 1.5e-3, 2);
    }
    endProc(t + i * 1e-3, 1);
    t += 10e-3;
  }
  ActivationDurations durations;
  engine.analyse(TimeWindow::wholeTrace(), &durations);

  const ProcessStats& p = stats(1);
  const ActivationDurations::Series* series = durations.find(1);
  ASSERT_NE(series, nullptr);
  const EntryDistribution d = distributionsOf(p, *series);
  EXPECT_EQ(d.net.count, p.calls);
  EXPECT_EQ(d.net.max, p.maxWithoutInt);
  EXPECT_EQ(d.gross.max, p.maxWithInt);
  EXPECT_EQ(d.net.min, p.minWithoutInt);
  EXPECT_DOUBLE_EQ(d.net.mean * static_cast<double>(d.net.count), p.totalWithoutInt);
  EXPECT_FLOAT_EQ(static_cast<float>(d.net.p50), 2e-3f);
  EXPECT_FLOAT_EQ(static_cast<float>(d.gross.p50), 2e-3f);
  EXPECT_FLOAT_EQ(static_cast<float>(d.net.p90), 4e-3f);
  EXPECT_FLOAT_EQ(series->net[2], 2.5e-3f);
  EXPECT_FLOAT_EQ(series->gross[2], 3e-3f);
  ASSERT_NE(durations.find(InterruptIdBase + 2), nullptr);
  EXPECT_EQ(durations.find(InterruptIdBase + 2)->net.size(), 1u);

  // A window keeps only the activations it charges, clipped like the table.
  engine.analyse({0.0, 25e-3}, &durations);
  EXPECT_EQ(durations.find(1)->net.size(), 3u);
  EXPECT_EQ(durations.find(1)->net.size(), stats(1).calls);

  // An analysis without durations leaves them as they were.
  analyseAll();
  EXPECT_EQ(durations.find(1)->net.size(), 3u);

  // Collected afterwards, they are those of the last analysis, and the records stay as they are.
  engine.analyse({0.0, 25e-3});
  const ProcessStats before = stats(1);
  ActivationDurations later;
  engine.collectDurations(later);
  ASSERT_NE(later.find(1), nullptr);
  EXPECT_EQ(later.find(1)->net, durations.find(1)->net);
  EXPECT_EQ(later.find(1)->gross, durations.find(1)->gross);
  EXPECT_EQ(later.find(InterruptIdBase + 2)->net, durations.find(InterruptIdBase + 2)->net);
  EXPECT_EQ(stats(1).totalWithoutInt, before.totalWithoutInt);
}

}  // namespace
}  // namespace kelvor
