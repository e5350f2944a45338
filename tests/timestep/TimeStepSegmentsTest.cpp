#include <gtest/gtest.h>

#include <vector>

#include "timestep/TimeStepSegments.h"

namespace kelvor {
namespace {

// Stretches added out of start order end up in start order; stretches that begin together keep
// the order in which they were added (told apart here by their end).
TEST(EntrySegments, KeepsStartOrderAndTheOrderOfEqualStarts) {
  struct Case {
    const char* name;
    std::vector<double> froms;  // each stretch ends at its index, to tell equal starts apart
  };
  std::vector<double> far;  // an outer stretch ending after more inner ones than a short move
  for (int i = 0; i < 40; ++i) {
    far.push_back(10.0 + i);
  }
  far.push_back(10.0);
  far.push_back(5.0);
  const std::vector<Case> cases = {
      {"in order", {1, 2, 2, 3}},
      {"one step back", {1, 2, 3, 2}},
      {"behind equal starts", {1, 2, 2, 3, 4, 2}},
      {"to the front", {3, 4, 5, 1}},
      {"further than a short move", far},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EntrySegments row(1);
    for (std::size_t i = 0; i < c.froms.size(); ++i) {
      row.add(c.froms[i], static_cast<double>(i), SegmentState::Running);
    }
    row.finish();
    ASSERT_EQ(row.size(), c.froms.size());
    for (std::size_t i = 1; i < row.size(); ++i) {
      EXPECT_LE(row.from(i - 1), row.from(i)) << i;
      if (row.from(i - 1) == row.from(i)) {
        EXPECT_LT(row.to(i - 1), row.to(i)) << i;  // added earlier stays first
      }
    }
  }
}

}  // namespace
}  // namespace kelvor
