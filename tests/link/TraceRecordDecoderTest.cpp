#include "link/TraceRecordDecoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace kelvor {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes recordsOf(const std::vector<TraceRecord>& records) {
  Bytes bytes;
  for (const TraceRecord& r : records) {
    const auto encoded = encodeTraceRecord(r);
    bytes.insert(bytes.end(), encoded.begin(), encoded.end());
  }
  return bytes;
}

TEST(TraceRecordDecoder, TimeStartsAtZeroAndAccumulatesTimestampDifferences) {
  struct Case {
    const char* what;
    std::vector<std::uint32_t> timestamps;
    std::vector<double> times;
  };
  const Case cases[] = {
      {"first record at 0 whatever its timestamp", {0xABCDEF}, {0.0}},
      {"16 then 272 is 256 us", {16, 272}, {0.0, 256e-6}},
      {"differences add up", {1000, 1000, 3000, 7000}, {0.0, 0.0, 0.002, 0.006}},
      {"wrap of the 24-bit counter", {0xFFFFF0, 0x10}, {0.0, 32e-6}},
      {"counter runs up to its top, then wraps",
       {0x000100, 0xFFFFFF, 0x000100},
       {0.0, 16.776959, 16.777216}},
  };
  for (const Case& c : cases) {
    SeenIdTable seen;
    TraceRecordDecoder decoder(seen);
    std::vector<TraceRecord> records;
    for (std::uint32_t t : c.timestamps) {
      records.push_back({7, t, 1});
    }
    const std::vector<TraceEvent> events = decoder.decodeChunk(recordsOf(records));
    ASSERT_EQ(events.size(), c.times.size()) << c.what;
    for (std::size_t i = 0; i < events.size(); ++i) {
      EXPECT_NEAR(events[i].time, c.times[i], 1e-9) << c.what << ", record " << i;
      if (i > 0) {
        EXPECT_GE(events[i].time, events[i - 1].time) << c.what;
      }
    }
  }
}

TEST(TraceRecordDecoder, TypesZeroToThreeGiveEventsWithTheTypeAsRawByte) {
  SeenIdTable seen;
  TraceRecordDecoder decoder(seen);
  EventStream stream;
  const Bytes chunk = recordsOf({{0x1234, 10, 0}, {0x1234, 20, 1}, {5, 30, 2}, {9, 40, 3}});
  EXPECT_EQ(decoder.decodeChunk(chunk, stream), 4u);
  ASSERT_EQ(stream.size(), 4u);
  const EventKind kinds[] = {EventKind::START_PROC, EventKind::END_PROC, EventKind::USER_MARK,
                             EventKind::PSEUDO_PROCESS};
  const std::uint16_t ids[] = {0x1234, 0x1234, 5, 9};
  for (std::size_t i = 0; i < 4; ++i) {
    const TraceEvent& e = stream[i];
    EXPECT_EQ(e.kind, kinds[i]);
    EXPECT_EQ(e.id, ids[i]);
    EXPECT_EQ(e.sourceType, i);
    EXPECT_EQ(e.number, 0u);
    EXPECT_EQ(e.address, 0u);
    EXPECT_EQ(e.clock, 0.0);
  }
  EXPECT_EQ(decoder.recordsDecoded(), 4u);
  EXPECT_EQ(decoder.unusableRecords(), 0u);
}

TEST(TraceRecordDecoder, OnlyProcessStartsMarkTheirIdSeenOnce) {
  SeenIdTable seen;
  TraceRecordDecoder decoder(seen);
  decoder.decodeChunk(
      recordsOf({{1, 0, 0}, {1, 5, 0}, {2, 6, 1}, {3, 7, 2}, {4, 8, 3}, {0xFFFF, 9, 0}}));
  EXPECT_TRUE(seen.isSeen(1));
  EXPECT_TRUE(seen.isSeen(0xFFFF));
  for (const int id : {2, 3, 4}) {
    EXPECT_FALSE(seen.isSeen(static_cast<std::uint16_t>(id))) << id;
  }
  EXPECT_EQ(seen.count(), 2u);
}

TEST(TraceRecordDecoder, UnknownTypeIsCountedAndSkippedButKeepsTheTimeBase) {
  SeenIdTable seen;
  TraceRecordDecoder decoder(seen);
  // The first record is of an unknown type: it still sets time 0, so the next event is at 100 us.
  const std::vector<TraceEvent> events =
      decoder.decodeChunk(recordsOf({{1, 500, 5}, {1, 600, 0}, {2, 700, 0xFF}, {1, 900, 1}}));
  ASSERT_EQ(events.size(), 2u);
  EXPECT_NEAR(events[0].time, 100e-6, 1e-12);
  EXPECT_NEAR(events[1].time, 400e-6, 1e-12);
  EXPECT_EQ(decoder.recordsDecoded(), 4u);
  EXPECT_EQ(decoder.unusableRecords(), 2u);
  EXPECT_FALSE(seen.isSeen(2));
}

TEST(TraceRecordDecoder, BytesAfterTheLastWholeRecordAreDroppedAndCounted) {
  SeenIdTable seen;
  TraceRecordDecoder decoder(seen);
  Bytes chunk = recordsOf({{1, 0, 0}, {1, 50, 1}});
  chunk.insert(chunk.end(), {0, 2, 0, 0, 99});  // 17 bytes: two records and 5 left over
  EXPECT_EQ(decoder.decodeChunk(chunk).size(), 2u);
  EXPECT_EQ(decoder.remainderBytes(), 5u);
  EXPECT_FALSE(seen.isSeen(2));

  EXPECT_TRUE(decoder.decodeChunk(Bytes{1, 2, 3}).empty()) << "a chunk shorter than a record";
  EXPECT_TRUE(decoder.decodeChunk(Bytes{}).empty());
  EXPECT_EQ(decoder.remainderBytes(), 8u);
  EXPECT_EQ(decoder.recordsDecoded(), 2u);

  // The dropped bytes do not shift the next chunk: it starts on a record of its own.
  const std::vector<TraceEvent> next = decoder.decodeChunk(recordsOf({{3, 150, 2}}));
  ASSERT_EQ(next.size(), 1u);
  EXPECT_EQ(next[0].id, 3u);
  EXPECT_NEAR(next[0].time, 150e-6, 1e-12);
}

TEST(TraceRecordDecoder, SplittingAtAnyRecordBoundaryGivesTheSameEvents) {
  const std::vector<TraceRecord> records = {{1, 0xFFFF00, 0}, {2, 0xFFFFF0, 5}, {2, 0x000010, 0},
                                            {1, 0x000400, 1}, {7, 0x000400, 2}, {9, 0x123456, 3}};
  const Bytes all = recordsOf(records);
  SeenIdTable wholeSeen;
  TraceRecordDecoder whole(wholeSeen);
  const std::vector<TraceEvent> expected = whole.decodeChunk(all);
  ASSERT_EQ(expected.size(), 5u);

  // Every way of cutting the stream into chunks at record boundaries: bit i of `cuts` cuts after
  // record i.
  const std::size_t n = records.size();
  for (unsigned cuts = 0; cuts < (1u << (n - 1)); ++cuts) {
    SeenIdTable seen;
    TraceRecordDecoder decoder(seen);
    std::vector<TraceEvent> events;
    std::size_t begin = 0;
    for (std::size_t i = 0; i < n; ++i) {
      if (i == n - 1 || (cuts & (1u << i)) != 0) {
        const std::size_t end = (i + 1) * TraceRecordSize;
        const auto part = decoder.decodeChunk(std::span(all).subspan(begin, end - begin));
        events.insert(events.end(), part.begin(), part.end());
        begin = end;
      }
    }
    ASSERT_EQ(events.size(), expected.size()) << "cuts " << cuts;
    for (std::size_t i = 0; i < events.size(); ++i) {
      EXPECT_EQ(events[i].time, expected[i].time) << "cuts " << cuts << ", event " << i;
      EXPECT_EQ(events[i].id, expected[i].id);
      EXPECT_EQ(events[i].kind, expected[i].kind);
    }
    EXPECT_EQ(decoder.unusableRecords(), 1u);
    EXPECT_EQ(seen.count(), wholeSeen.count());
  }
}

TEST(TraceRecordDecoder, ResetStartsANewRecordingAtTimeZero) {
  SeenIdTable seen;
  TraceRecordDecoder decoder(seen);
  Bytes chunk = recordsOf({{1, 100, 0}, {1, 9000, 4}});
  chunk.push_back(0);
  decoder.decodeChunk(chunk);
  EXPECT_NEAR(decoder.accumulatedTime(), 8900e-6, 1e-12);

  decoder.reset();
  EXPECT_EQ(decoder.recordsDecoded(), 0u);
  EXPECT_EQ(decoder.unusableRecords(), 0u);
  EXPECT_EQ(decoder.remainderBytes(), 0u);
  const std::vector<TraceEvent> events = decoder.decodeChunk(recordsOf({{2, 50, 0}, {2, 80, 1}}));
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].time, 0.0);
  EXPECT_NEAR(events[1].time, 30e-6, 1e-12);
  EXPECT_TRUE(seen.isSeen(1)) << "the owner of the seen-id table clears it, not reset()";
}

}  // namespace
}  // namespace kelvor
