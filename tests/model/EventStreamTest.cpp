#include "model/EventStream.h"

#include <gtest/gtest.h>

#include <vector>

namespace kelvor {
namespace {

TraceEvent at(double time, EventKind kind = EventKind::USER_MARK) {
  return TraceEvent(time, 1, kind, 0, 0, 0.0, 0);
}

TEST(EventStream, EmptyStream) {
  EventStream stream;
  EXPECT_EQ(stream.size(), 0u);
  EXPECT_EQ(stream.firstTime(), 0.0);
  EXPECT_EQ(stream.lastTime(), 0.0);
  EXPECT_EQ(stream.indexAtOrAfter(-5.0), 0u);
  EXPECT_EQ(stream.indexAtOrAfter(5.0), 0u);
}

TEST(EventStream, SearchesFindFirstEventAtOrAfter) {
  EventStream stream;
  for (double t : {1.0, 2.0, 2.0, 2.0, 3.5}) {
    stream.append(at(t));
  }
  EXPECT_EQ(stream.firstTime(), 1.0);
  EXPECT_EQ(stream.lastTime(), 3.5);

  struct Case {
    double t;
    std::size_t index;
    std::size_t position;
  };
  // Beyond the last event the index is the count, while the position is the last event.
  const Case cases[] = {{0.0, 0, 0}, {1.0, 0, 0}, {1.5, 1, 1}, {2.0, 1, 1},
                        {3.0, 4, 4}, {3.5, 4, 4}, {9.0, 5, 4}};
  for (const Case& c : cases) {
    EXPECT_EQ(stream.indexAtOrAfter(c.t), c.index) << "t = " << c.t;
    EXPECT_EQ(stream.positionAtOrAfter(c.t) - stream.begin(),
              static_cast<std::ptrdiff_t>(c.position))
        << "t = " << c.t;
  }

  stream.clear();
  EXPECT_EQ(stream.size(), 0u);
  EXPECT_EQ(stream.lastTime(), 0.0);
}

struct RecordingRegistry : EntryRegistry {
  void registerEntry(const TraceEvent& event) override { seen.push_back(event.kind); }
  std::vector<EventKind> seen;
};

TEST(EventStream, AppendRegistersOnlyStartsAndEnds) {
  RecordingRegistry registry;
  EventStream stream(&registry);
  for (std::uint32_t kind = 0; kind <= 13; ++kind) {
    stream.append(at(kind, static_cast<EventKind>(kind)));
  }
  EXPECT_EQ(stream.size(), 14u);
  EXPECT_EQ(stream[3].kind, EventKind::START_IRQ);
  const std::vector<EventKind> expected = {EventKind::START_PROC, EventKind::END_PROC,
                                           EventKind::START_IRQ, EventKind::END_IRQ};
  EXPECT_EQ(registry.seen, expected);
}

TEST(SeenIdTable, CountsEachIdOnce) {
  SeenIdTable table;
  EXPECT_TRUE(table.markSeen(0));
  EXPECT_TRUE(table.markSeen(0xFFFF));
  EXPECT_FALSE(table.markSeen(0xFFFF));
  EXPECT_TRUE(table.isSeen(0xFFFF));
  EXPECT_FALSE(table.isSeen(1));
  EXPECT_EQ(table.count(), 2u);
  table.clear();
  EXPECT_EQ(table.count(), 0u);
  EXPECT_FALSE(table.isSeen(0));
}

}  // namespace
}  // namespace kelvor
