#include "link/SimulatedPhone.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <stdexcept>
#include <vector>

#include "LinkResultPrinting.h"
#include "link/MobileLink.h"
#include "link/PhoneScenario.h"

namespace kelvor {
namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

// A phone on a manual clock with an open link and tracing enabled.
struct Tracing {
  explicit Tracing(PhoneScenario scenario, bool fast = false)
      : phone(std::move(scenario), clock.source()), link(phone, [](milliseconds) {}) {
    phone.setDeliverAsFastAsAsked(fast);
    connected = link.connect(0, BaseBaudRate);
    enabled = link.enableTrace();
  }

  // The records of one chunk; `bytes` gets the chunk's length.
  std::vector<TraceRecord> read(std::size_t* bytes = nullptr) {
    std::array<std::uint8_t, MobileLink::ChunkBufferSize> buffer{};
    std::uint16_t length = static_cast<std::uint16_t>(buffer.size());
    std::vector<TraceRecord> records;
    if (link.readChunk(buffer.data(), length) != LinkResult::Success) {
      length = 0;
    }
    for (std::size_t at = 0; at + TraceRecordSize <= length; at += TraceRecordSize) {
      records.push_back(decodeTraceRecord(buffer.data() + at));
    }
    if (bytes != nullptr) {
      *bytes = length;
    }
    return records;
  }

  ManualPhoneClock clock;
  SimulatedPhone phone;
  MobileLink link;
  LinkResult connected{};
  LinkResult enabled{};
};

std::vector<TraceRecord> recordsOf(const PhoneScenario& scenario) {
  std::vector<TraceRecord> records;
  for (const ScheduledRecord& r : scenario.records()) {
    records.push_back(r.record);
  }
  return records;
}

TEST(SimulatedPhoneTest, StreamsTheRecordsDueSinceTheLastRead) {
  const std::vector<TraceRecord> given = {{7, 16, 0}, {7, 272, 1}, {3, 1272, 2}};
  Tracing t(PhoneScenario::fromRecords(given));
  ASSERT_EQ(t.connected, LinkResult::Success);
  ASSERT_EQ(t.enabled, LinkResult::Success);

  EXPECT_EQ(t.read(), std::vector<TraceRecord>({given[0]}));
  t.clock.advance(microseconds(255));
  EXPECT_TRUE(t.read().empty());
  t.clock.advance(microseconds(1));
  EXPECT_EQ(t.read(), std::vector<TraceRecord>({given[1]}));
  t.clock.advance(milliseconds(5));
  EXPECT_EQ(t.read(), std::vector<TraceRecord>({given[2]}));
  EXPECT_TRUE(t.phone.scenarioFinished());
  EXPECT_EQ(t.phone.recordsSent(), 3u);
}

TEST(SimulatedPhoneTest, RecordRateDecidesHowManyAreDue) {
  GeneratedScenario options;
  options.recordCount = 100;
  options.recordsPerSecond = 1000.0;  // one a millisecond, the first at once
  Tracing t(PhoneScenario::generate(options));
  t.clock.advance(milliseconds(10));
  EXPECT_EQ(t.read().size(), 11u);
  t.clock.advance(milliseconds(10));
  EXPECT_EQ(t.read().size(), 10u);
  EXPECT_EQ(t.phone.recordsSent(), 21u);
}

TEST(SimulatedPhoneTest, FastDeliveryFillsEachChunkAndTheTimestampWraps) {
  GeneratedScenario options;
  options.recordCount = 2000;
  options.recordsPerSecond = 10000.0;  // 100 us apart
  options.firstTimestamp = TraceTimestampMask - 50'000;
  const PhoneScenario scenario = PhoneScenario::generate(options);
  Tracing t(scenario, true);

  std::vector<TraceRecord> streamed;
  std::vector<std::size_t> chunkBytes;
  for (int i = 0; i < 4; ++i) {
    std::size_t bytes = 0;
    const auto chunk = t.read(&bytes);
    streamed.insert(streamed.end(), chunk.begin(), chunk.end());
    chunkBytes.push_back(bytes);
  }
  EXPECT_EQ(chunkBytes, std::vector<std::size_t>({4998, 4998, 2004, 0}));
  EXPECT_EQ(streamed, recordsOf(scenario));
  EXPECT_EQ(t.phone.recordsSent(), 2000u);

  int wraps = 0;
  for (std::size_t i = 1; i < streamed.size(); ++i) {
    EXPECT_EQ((streamed[i].timestamp - streamed[i - 1].timestamp) & TraceTimestampMask, 100u);
    wraps += streamed[i].timestamp < streamed[i - 1].timestamp ? 1 : 0;
  }
  EXPECT_EQ(wraps, 1);
}

TEST(SimulatedPhoneTest, GeneratedRecordsUseTheGivenEntries) {
  GeneratedScenario options;
  options.recordCount = 5000;
  options.processes = 3;
  options.tasks = 2;
  options.interrupts = 4;
  options.userMarks = 2;
  std::array<int, 4> perType{};
  int running = 0;
  const PhoneScenario scenario = PhoneScenario::generate(options);
  for (const ScheduledRecord& r : scenario.records()) {
    ASSERT_LT(r.record.type, 4);
    ++perType[r.record.type];
    const std::uint16_t id = r.record.id;
    switch (static_cast<TraceRecordType>(r.record.type)) {
      case TraceRecordType::ProcessStart:
        EXPECT_EQ(running, 0);
        running = id;
        [[fallthrough]];
      case TraceRecordType::ProcessEnd:
        EXPECT_TRUE((id >= 1 && id <= 3) || id == 0x100 || id == 0x101) << id;
        if (r.record.type == 1) {
          EXPECT_EQ(id, running);
          running = 0;
        }
        break;
      case TraceRecordType::PseudoProcess:
        EXPECT_TRUE(id >= 1 && id <= 4) << id;
        break;
      case TraceRecordType::UserMark:
        EXPECT_TRUE(id >= 1 && id <= 2) << id;
        break;
    }
  }
  for (int count : perType) {
    EXPECT_GT(count, 0);
  }
}

TEST(SimulatedPhoneTest, ScenariosFromRecordsAndEvents) {
  // A smaller timestamp is a wrap of the counter.
  const auto fromRecords = PhoneScenario::fromRecords({{1, 0xFFFFF0, 0}, {1, 0x10, 1}});
  EXPECT_EQ(fromRecords.records()[1].dueMicros, 0x20u);

  const std::vector<TraceEvent> events = {
      {1.0, 5, EventKind::START_PROC, 0, 0, 0.0, 0},
      {1.000256, 0, EventKind::CLK_SPEED, 0, 0, 52.0, 0},  // no record carries it
      {1.000256, 0, EventKind::PSEUDO_PROCESS, 9, 0, 0.0, 0},
      {1.0003, 4, EventKind::USER_MARK, 0, 0, 0.0, 0},
      {1.0002, 5, EventKind::END_PROC, 0, 0, 0.0, 0},  // out of order: kept at the time before
      {21.0, 6, EventKind::START_PROC, 0, 0, 0.0, 0},
  };
  const std::vector<ScheduledRecord> expected = {
      {0, {5, 0, 0}},
      {256, {9, 256, 3}},
      {300, {4, 300, 2}},
      {300, {5, 300, 1}},
      {20'000'000, {6, 20'000'000 & TraceTimestampMask, 0}},
  };
  EXPECT_EQ(PhoneScenario::replay(events).records(), expected);
}

TEST(SimulatedPhoneTest, GenerateRejectsBadOptions) {
  GeneratedScenario noRate;
  noRate.recordsPerSecond = 0.0;
  EXPECT_THROW(PhoneScenario::generate(noRate), std::invalid_argument);
  GeneratedScenario noEntries;
  noEntries.processes = 0;
  noEntries.tasks = 0;
  EXPECT_THROW(PhoneScenario::generate(noEntries), std::invalid_argument);
}

TEST(SimulatedPhoneTest, GarbledChunks) {
  const std::vector<TraceRecord> given = {{1, 0, 0}, {1, 1, 1}, {2, 2, 0}, {2, 3, 1}};
  Tracing t(PhoneScenario::fromRecords(given), true);
  t.phone.faults().trailingBytes = 5;
  t.phone.faults().unknownRecordEvery = 2;
  std::size_t bytes = 0;
  const auto chunk = t.read(&bytes);
  EXPECT_EQ(bytes, 6 * 6 + 5u);
  const std::vector<TraceRecord> expected = {given[0], given[1], {0, 1, 5},
                                             given[2], given[3], {0, 3, 5}};
  EXPECT_EQ(chunk, expected);
  EXPECT_EQ(t.phone.recordsSent(), 4u);
  EXPECT_EQ(t.phone.unknownRecordsSent(), 2u);
}

TEST(SimulatedPhoneTest, DisableStopsAndEnableResumesTheStream) {
  const std::vector<TraceRecord> given = {{1, 0, 0}, {1, 1000, 1}, {2, 2000, 0}};
  Tracing t(PhoneScenario::fromRecords(given));
  EXPECT_EQ(t.read().size(), 1u);
  ASSERT_EQ(t.link.disableTrace(), LinkResult::Success);
  t.clock.advance(milliseconds(50));
  EXPECT_TRUE(t.read().empty());
  std::uint16_t length = 5000;
  EXPECT_EQ(t.link.readChunk(nullptr, length), LinkResult::NoBuffer);
  ASSERT_EQ(t.link.enableTrace(), LinkResult::Success);
  // The next record at once, the one after it a millisecond later.
  EXPECT_EQ(t.read(), std::vector<TraceRecord>({given[1]}));
  t.clock.advance(milliseconds(1));
  EXPECT_EQ(t.read(), std::vector<TraceRecord>({given[2]}));
}

TEST(SimulatedPhoneTest, AnswersThePingOnlyAtItsOwnRate) {
  SimulatedPhone phone;
  MobileLink link(phone, [](milliseconds) {});
  EXPECT_EQ(link.connect(0, 57600), LinkResult::PingUnanswered);
  ASSERT_EQ(link.connect(0, BaseBaudRate), LinkResult::Success);
  ASSERT_EQ(link.setBaudRate(460800, true), LinkResult::Success);
  EXPECT_EQ(phone.phoneBaud(), 460800u);
  std::uint32_t baud = 0;
  EXPECT_EQ(phone.getCurrentBaudrate(link.handle(), baud), LinkSuccess);
  EXPECT_EQ(baud, 460800u);
  ASSERT_EQ(link.disconnect(), LinkResult::Success);
  EXPECT_EQ(link.connect(0, 460800), LinkResult::Success);

  // A switched-off phone stays silent until switched on again.
  ASSERT_EQ(link.disconnect(), LinkResult::Success);
  ASSERT_EQ(link.switchMobile(0, 460800, false), LinkResult::Success);
  EXPECT_EQ(link.connect(0, 460800), LinkResult::PingUnanswered);
  ASSERT_EQ(link.switchMobile(0, 460800, true), LinkResult::Success);
  EXPECT_EQ(link.connect(0, 460800), LinkResult::Success);
}

TEST(SimulatedPhoneTest, StoredConfiguration) {
  SimulatedPhone phone;
  ASSERT_NE(phone.writeConfData(3, 230400, 77, 1), 0);
  std::uint32_t port = 0;
  std::uint32_t baud = 0;
  std::uint32_t third = 0;
  ASSERT_NE(phone.readConfData(port, baud, third), 0);
  EXPECT_EQ(port, 3u);
  EXPECT_EQ(baud, 230400u);
  EXPECT_EQ(third, 77u);
  EXPECT_FALSE(phone.versionText().empty());
}

}  // namespace
}  // namespace kelvor
