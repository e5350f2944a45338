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

// An index over a row reads it again only from settled() on: no stretch before it may have
// changed since settle(), whatever moved stretches (a short move back, a far one sorted by
// finish(), a stretch withdrawn), while stretches appended in order leave it at the old size.
TEST(EntrySegments, SettledCoversEveryStretchThatChanged) {
  std::uint64_t state = 7;
  auto below = [&](std::uint64_t n) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return (state >> 33) % n;
  };
  EntrySegments row(1);
  double time = 0.0;
  std::size_t tagged = 0;  // `to` names each added stretch
  for (int step = 0; step < 400; ++step) {
    std::vector<double> from;
    std::vector<double> to;
    for (std::size_t i = 0; i < row.size(); ++i) {
      from.push_back(row.from(i));
      to.push_back(row.to(i));
    }
    row.settle();
    const std::uint64_t kind = below(4);
    for (std::uint64_t i = below(6) + 1; i > 0; --i) {
      time += 1.0;
      double start = time;
      if (kind == 1) {
        start -= static_cast<double>(below(8));  // a short move back
      } else if (kind == 2 && below(3) == 0) {
        start -= static_cast<double>(below(200));  // further than a short move
      }
      row.add(start, static_cast<double>(++tagged), SegmentState::Running);
    }
    if (kind == 3 && row.size() > 0) {
      ASSERT_TRUE(row.withdraw(row.from(below(row.size()))));
    }
    row.finish();
    const std::size_t settled = row.settled();
    ASSERT_LE(settled, std::min(from.size(), row.size()));
    if (kind == 0) {
      EXPECT_EQ(settled, from.size()) << "appending in order changed nothing before";
    }
    for (std::size_t i = 0; i < settled; ++i) {
      ASSERT_EQ(row.from(i), from[i]) << "step " << step << ", stretch " << i;
      ASSERT_EQ(row.to(i), to[i]) << "step " << step << ", stretch " << i;
    }
  }
}

TEST(EntrySegments, WithdrawTakesOutTheLastAddedOfThoseBeginningThere) {
  EntrySegments row(1);
  row.add(1, 2, SegmentState::Running);
  row.add(3, 4, SegmentState::Running);
  row.add(3, 5, SegmentState::Interrupted);
  row.add(6, 7, SegmentState::Running);
  row.finish();
  row.settle();
  EXPECT_FALSE(row.withdraw(2.5));
  EXPECT_EQ(row.settled(), 4u);
  ASSERT_TRUE(row.withdraw(3));
  ASSERT_EQ(row.size(), 3u);
  EXPECT_EQ(row.to(1), 4.0);
  EXPECT_EQ(row.from(2), 6.0);
  EXPECT_EQ(row.settled(), 2u);
}

}  // namespace
}  // namespace kelvor
