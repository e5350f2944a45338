#include "views/DistributionFigures.h"

#include <gtest/gtest.h>

#include <limits>

namespace kelvor {
namespace {

TEST(DistributionFigures, DurationsReadInTheLargestUnitThatKeepsThemAtLeastOne) {
  const struct {
    double seconds;
    int digits;
    const char* text;
  } cases[] = {
      {0.0, 4, "0 s"},
      {1.0e-6, 4, "1 \u00b5s"},  // a tick of the axis, not "1000 ns" or "0.001 ms"
      {1.0e-5, 3, "10 \u00b5s"},
      {1.2346e-5, 4, "12.35 \u00b5s"},  // rounded to the digits, trailing zeros dropped
      {0.99996e-3, 4, "1 ms"},          // rounds up into the next unit
      {999.4e-9, 4, "999.4 ns"},
      {2.5, 4, "2.5 s"},
      {5.0e-10, 4, "0.5 ns"},   // below the smallest unit
      {36000.0, 4, "36000 s"},  // whole seconds, not "3.6e+04 s"
      {-2.0e-3, 4, "-2 ms"},
      {std::numeric_limits<double>::quiet_NaN(), 4, "-"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(durationText(c.seconds, c.digits), c.text) << c.seconds;
  }
}

TEST(DistributionFigures, ZerosAreListedOnlyWhenThereAreAnyAndNoActivationShowsDashes) {
  EntryDistribution d;
  d.net.count = d.gross.count = 3;
  d.net.mean = 2.0e-6;
  d.gross.mean = 3.0e-3;
  d.net.max = 4.0e-6;
  d.gross.max = 5.0e-3;
  d.net.zeros = 1;
  std::vector<DistributionFigure> figures = distributionFigures(d);
  std::vector<std::string> labels;
  for (const auto& f : figures) {
    labels.push_back(f.label);
  }
  EXPECT_EQ(labels, (std::vector<std::string>{"count", "zeros", "mean", "stddev", "min", "P50",
                                              "P90", "P99", "P99.9", "max"}));
  EXPECT_EQ(figures[1].net, "1");
  EXPECT_EQ(figures[1].gross, "0");
  EXPECT_EQ(figures[2].net, "2 \u00b5s");
  EXPECT_EQ(figures[2].gross, "3 ms");
  EXPECT_EQ(figures.back().net, "4 \u00b5s");
  EXPECT_EQ(figures.back().gross, "5 ms");

  figures = distributionFigures(EntryDistribution{});
  ASSERT_EQ(figures.size(), 9u);
  EXPECT_EQ(figures[0].net, "0");
  EXPECT_EQ(figures[1].label, "mean");
  EXPECT_EQ(figures[1].net, "-");
  EXPECT_EQ(figures.back().gross, "-");
}

}  // namespace
}  // namespace kelvor
