#include <gtest/gtest.h>

#include <algorithm>
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

// Rows with many equal starts and stretches far out of place come out exactly as a stable sort
// by start would put them, without giving up the arrays' capacity.
TEST(EntrySegments, FinishEqualsAStableSortByStartAndKeepsTheCapacity) {
  struct Case {
    const char* name;
    std::vector<double> froms;
  };
  std::vector<Case> cases = {
      {"late outer stretches, each behind many inner ones", {}},
      {"ties between far moves and stretches in place", {}},
      {"an early stretch that begins after all others", {}},
  };
  for (int outer = 0; outer < 5; ++outer) {
    for (int inner = 0; inner < 30; ++inner) {
      cases[0].froms.push_back(100.0 * outer + 10.0 + inner);
    }
    cases[0].froms.push_back(100.0 * outer);
  }
  for (int i = 0; i < 200; ++i) {
    cases[1].froms.push_back(static_cast<double>((i * 37) % 23 / 4));
  }
  cases[2].froms.push_back(1000.0);
  for (int i = 0; i < 40; ++i) {
    cases[2].froms.push_back(static_cast<double>(i / 3));
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EntrySegments row(1);
    row.reserve(c.froms.size() + 10);
    const std::size_t bytes = row.storageBytes();
    std::vector<std::size_t> order(c.froms.size());
    for (std::size_t i = 0; i < c.froms.size(); ++i) {
      order[i] = i;
      row.add(c.froms[i], static_cast<double>(i),
              i % 2 ? SegmentState::Running : SegmentState::Interrupted);
    }
    row.finish();
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return c.froms[a] < c.froms[b]; });
    ASSERT_EQ(row.size(), order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
      ASSERT_EQ(row.to(i), static_cast<double>(order[i])) << i;  // `to` names the added stretch
      EXPECT_EQ(row.from(i), c.froms[order[i]]) << i;
      EXPECT_EQ(row.state(i), order[i] % 2 ? SegmentState::Running : SegmentState::Interrupted);
    }
    EXPECT_EQ(row.storageBytes(), bytes);
  }
}

}  // namespace
}  // namespace kelvor
