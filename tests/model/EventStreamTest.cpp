#include "model/EventStream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
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

::testing::AssertionResult sameEvent(const TraceEvent& got, const TraceEvent& want) {
  // The clock is compared bit for bit: -0.0 and NaN must survive as they were.
  if (got.time == want.time && got.kind == want.kind && got.id == want.id &&
      got.number == want.number && got.address == want.address &&
      got.sourceType == want.sourceType &&
      std::bit_cast<std::uint64_t>(got.clock) == std::bit_cast<std::uint64_t>(want.clock)) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << "got kind " << static_cast<std::uint32_t>(got.kind) << " id " << got.id << " number "
         << got.number << " address " << got.address << " clock " << got.clock << " source "
         << int{got.sourceType} << ", want kind " << static_cast<std::uint32_t>(want.kind) << " id "
         << want.id << " number " << want.number << " address " << want.address << " clock "
         << want.clock << " source " << int{want.sourceType};
}

// Random events of every kind with fields that fit the compact record and fields that do not:
// kinds outside 1..12 (also past the record's 4 bits), clocks that fit the id bits or the clock
// table only when the other field is 0, more distinct clocks than the table holds, nonzero
// addresses, wide numbers.
std::vector<TraceEvent> randomEvents(std::uint64_t seed, std::size_t count) {
  std::mt19937_64 random(seed);
  const std::uint32_t kinds[] = {0, 1,  2,  3,  4,  5,  6,  7,  8,
                                 9, 10, 11, 12, 13, 15, 16, 77, 0xFFFFFFFFu};
  const double clocks[] = {0.0,
                           -0.0,
                           3.25,
                           104.0,
                           89.1,
                           1.0,
                           65535.0,
                           65536.0,
                           0.5,
                           13.1,
                           -3.0,
                           1e300,
                           std::numeric_limits<double>::quiet_NaN(),
                           -std::numeric_limits<double>::infinity()};
  auto pick = [&](auto& table) { return table[random() % std::size(table)]; };
  std::vector<TraceEvent> events;
  double time = -1.0;
  for (std::size_t i = 0; i < count; ++i) {
    time += random() % 3 == 0 ? 0.0 : static_cast<double>(random() % 1000) * 1e-6;
    const bool zeroId = random() % 2 == 0;
    const bool zeroNumber = random() % 2 == 0;
    events.emplace_back(time, zeroId ? 0 : static_cast<std::uint16_t>(random()),
                        static_cast<EventKind>(pick(kinds)),
                        zeroNumber ? 0 : static_cast<std::uint32_t>(random() >> 7),
                        random() % 8 == 0 ? static_cast<std::uint32_t>(random()) : 0,
                        random() % 2 == 0   ? 0.0
                        : random() % 3 == 0 ? static_cast<double>(random() % 100000) * 1e-3
                                            : pick(clocks),
                        static_cast<std::uint8_t>(random()));
  }
  return events;
}

TEST(EventStream, EveryFieldReadsBackAsAppended) {
  EventStream stream;
  // A second fill after clear() must not see the first one's side table.
  for (const std::uint64_t seed : {7u, 8u}) {
    SCOPED_TRACE(seed);
    stream.clear();
    const std::vector<TraceEvent> events = randomEvents(seed, 3000);
    for (const TraceEvent& event : events) {
      stream.append(event);
    }
    ASSERT_EQ(stream.size(), events.size());
    EXPECT_EQ(stream.firstTime(), events.front().time);
    EXPECT_EQ(stream.lastTime(), events.back().time);

    EventCursor cursor = stream.cursorAt(0);
    std::size_t i = 0;
    for (const TraceEvent& event : stream) {
      ASSERT_TRUE(sameEvent(event, events[i])) << "iteration " << i;
      ASSERT_TRUE(sameEvent(stream[i], events[i])) << "index " << i;
      ASSERT_TRUE(sameEvent(*cursor, events[i])) << "cursor " << i;
      const TraceEvent fields(cursor.time(), cursor.id(), cursor.kind(), cursor.number(),
                              events[i].address, cursor.clock(), events[i].sourceType);
      ASSERT_TRUE(sameEvent(fields, events[i])) << "cursor fields " << i;
      ++cursor;
      ++i;
    }
    EXPECT_TRUE(cursor == stream.cursorAt(stream.size()));
    const std::vector<TraceEvent> copied(stream.begin(), stream.end());
    ASSERT_EQ(copied.size(), events.size());

    // Searches at every event's time and just past it, against the appended events.
    for (const TraceEvent& event : events) {
      for (const double t : {event.time, std::nextafter(event.time, 1e9)}) {
        const auto expected = static_cast<std::size_t>(
            std::partition_point(events.begin(), events.end(),
                                 [t](const TraceEvent& e) { return e.time < t; }) -
            events.begin());
        ASSERT_EQ(stream.indexAtOrAfter(t), expected) << "t = " << t;
        const std::size_t position = std::min(expected, events.size() - 1);
        ASSERT_EQ(stream.positionAtOrAfter(t) - stream.begin(),
                  static_cast<std::ptrdiff_t>(position));
        ASSERT_TRUE(sameEvent(*stream.positionAtOrAfter(t), events[position]));
      }
    }
  }
}

// What the producers put in events fits the 16-byte record: no event goes to the side table,
// and only the distinct CLK_SPEED clocks take room besides (the clock table, 0.0 first).
TEST(EventStream, ProducerEventsTakeSixteenBytes) {
  const TraceEvent events[] = {
      TraceEvent(0.5, 0x1234, EventKind::START_PROC, 0, 0, 0.0, 0),
      TraceEvent(0.6, 0, EventKind::START_IRQ, 0x1A, 0, 65535.0, 0xC3),  // ETM priority
      TraceEvent(0.6, 0, EventKind::START_IRQ, 0x1A, 0, 1.0, 0x01),
      TraceEvent(0.7, 0, EventKind::CLK_SPEED, 0, 0, 3.25, 0),
      TraceEvent(0.8, 0, EventKind::CLK_SPEED, 0, 0, 104.0, 0),
      TraceEvent(0.9, 0, EventKind::CLK_SPEED, 0, 0, 89.1, 0),
      TraceEvent(0.95, 0, EventKind::CLK_SPEED, 0, 0, 3.25, 0),
      TraceEvent(1.0, 0, EventKind::USER_ENTER, 0x20005, 0, 0.0, 0xFF),  // .run read
      TraceEvent(1.1, 0x0123, EventKind::END_PROC, 0xFFFFFFFFu, 0, 0.0, 1),
      TraceEvent(1.2, 7, EventKind::USER_MARK, 0, 0, 0.0, 4),
  };
  EventStream stream;
  stream.reserve(std::size(events));
  for (const TraceEvent& event : events) {
    stream.append(event);
  }
  // Whole clocks such as 104 go in the id bits; 0.0, 3.25 and 89.1 are in the table.
  EXPECT_EQ(stream.storageBytes(), std::size(events) * 16 + 3 * sizeof(double));
  for (std::size_t i = 0; i < std::size(events); ++i) {
    EXPECT_TRUE(sameEvent(stream[i], events[i])) << i;
  }
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
