#include "link/SerialRecorder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "RecordingPrompter.h"
#include "analysis/StatisticsComparison.h"
#include "link/SimulatedPhone.h"
#include "settings/SettingsBackend.h"

namespace kelvor {
namespace {

using namespace std::chrono_literals;

class ScriptedHost final : public RecordingHost {
 public:
  bool saveData() override {
    ++saves;
    return saveSucceeds;
  }
  void resetViews() override { ++resets; }
  void startRefresh(int periodMs) override { refreshPeriod = periodMs; }
  void stopRefresh() override { refreshPeriod = 0; }
  void recordingStopped() override { ++stops; }

  bool saveSucceeds = true;
  int saves = 0;
  int resets = 0;
  int stops = 0;
  int refreshPeriod = 0;
};

class SerialRecorderTest : public ::testing::Test {
 protected:
  SerialRecorderTest() {
    session.analysis.prompter = &prompter;
    session.analysis.console = nullptr;
    session.engine = std::make_unique<StatisticsEngine>(session.analysis);
    comSettings.setPortIndex(2);
  }

  void useScenario(std::uint32_t records) {
    GeneratedScenario options;
    options.recordCount = records;
    options.recordsPerSecond = 20000.0;
    options.firstTimestamp = 0xFFF000;  // wraps early
    phone = std::make_unique<SimulatedPhone>(PhoneScenario::generate(options));
    phone->setSwitchedOn(true);
    phone->setDeliverAsFastAsAsked(true);
    link = std::make_unique<MobileLink>(*phone, [](std::chrono::milliseconds) {});
    recorder = std::make_unique<SerialRecorder>(
        session, *link, comSettings, host,
        [](std::chrono::milliseconds) { std::this_thread::sleep_for(100us); });
  }

  // Waits until the recorder has taken `count` records (or a few seconds have passed).
  void waitForRecords(std::uint64_t count) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (recorder->recordsRead() < count && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(1ms);
    }
  }

  MemorySettingsBackend backend;
  Session session{backend};
  test::RecordingPrompter prompter;
  ComSettings comSettings;
  ScriptedHost host;
  std::unique_ptr<SimulatedPhone> phone;
  std::unique_ptr<MobileLink> link;
  std::unique_ptr<SerialRecorder> recorder;
};

TEST_F(SerialRecorderTest, EveryRecordSentIsRecordedAndTheStatisticsEqualAFullAnalysis) {
  constexpr std::uint32_t Records = 20000;
  useScenario(Records);
  ASSERT_EQ(recorder->StartRecording(1000), RecordStart::Started);
  EXPECT_EQ(session.acquisitionState, AcquisitionState::Recording);
  EXPECT_EQ(host.resets, 1);
  EXPECT_EQ(host.refreshPeriod, 1000);
  EXPECT_EQ(recorder->StartRecording(1000), RecordStart::Cancelled);  // one at a time
  waitForRecords(Records);
  recorder->StopRecording();
  recorder->waitUntilClosed();

  EXPECT_EQ(recorder->recordsRead(), phone->recordsSent());
  EXPECT_EQ(recorder->recordsRead(), Records);
  EXPECT_EQ(recorder->unusableRecords(), 0u);
  EXPECT_EQ(session.acquisitionState, AcquisitionState::Stopped);
  EXPECT_EQ(session.dataOrigin, DataOrigin::Live);
  EXPECT_TRUE(recorder->HasUnsavedData());
  EXPECT_EQ(host.stops, 1);
  EXPECT_FALSE(phone->portOpen());  // the closing sequence ran
  EXPECT_FALSE(phone->tracing());

  // Time never goes back, also across the wrap of the phone's 24-bit clock.
  const EventStream& stream = session.engine->stream();
  ASSERT_EQ(stream.size(), Records);
  for (std::size_t i = 1; i < stream.size(); ++i) {
    ASSERT_LE(stream[i - 1].time, stream[i].time) << i;
  }
  // The statistics kept during the recording are those of one analysis of all of it.
  EXPECT_EQ(differenceFromFullAnalysis(*session.engine), "");
}

TEST_F(SerialRecorderTest, EachTakeInGivesAPrefixWithTheStatisticsOfAFullAnalysis) {
  constexpr std::uint32_t Records = 60000;  // several polls of full chunks
  useScenario(Records);
  ASSERT_EQ(recorder->StartRecording(1000), RecordStart::Started);
  const EventStream& stream = session.engine->stream();
  std::size_t before = 0;
  int takes = 0;
  while (stream.size() < Records && takes < 100000) {
    ++takes;
    recorder->takeIn();
    ASSERT_GE(stream.size(), before);
    if (stream.size() == before) {
      std::this_thread::sleep_for(200us);
      continue;
    }
    before = stream.size();
    // Nothing is read from the engine without a take-in, and each one leaves it consistent.
    ASSERT_EQ(differenceFromFullAnalysis(*session.engine), "") << "after " << stream.size();
  }
  recorder->StopRecording();
  recorder->waitUntilClosed();
  EXPECT_EQ(stream.size(), Records);
  EXPECT_GT(takes, 2);
}

TEST_F(SerialRecorderTest, UnusableRecordsAndCutOffBytesAreCounted) {
  useScenario(3000);
  phone->faults().unknownRecordEvery = 100;
  phone->faults().trailingBytes = 4;
  ASSERT_EQ(recorder->StartRecording(500), RecordStart::Started);
  waitForRecords(3000);
  recorder->StopRecording();
  recorder->waitUntilClosed();
  EXPECT_EQ(session.engine->stream().size(), 3000u);
  EXPECT_EQ(recorder->unusableRecords(), phone->unknownRecordsSent());
  EXPECT_GT(recorder->unusableRecords(), 0u);
  EXPECT_GT(recorder->remainderBytes(), 0u);
}

TEST_F(SerialRecorderTest, FailedStartsShowTheirMessageAndStartNothing) {
  struct Case {
    const char* name;
    void (*fault)(PhoneFaults&);
    RecordStart outcome;
    const char* message;
  };
  const Case cases[] = {
      {"port", [](PhoneFaults& f) { f.openComFails = true; }, RecordStart::ConnectFailed,
       "Unable to open COM Port 3."},
      {"ping", [](PhoneFaults& f) { f.pingUnanswered = true; }, RecordStart::ConnectFailed,
       "Unable to ping the mobile at COM3, Begin Baud 115200 and Switch up Baud 115200"},
      {"frame", [](PhoneFaults& f) { f.frameSizeReply = PhoneFaults::FrameSizeReply::None; },
       RecordStart::ConnectFailed, "Unable to set frame size."},
      {"EE", [](PhoneFaults& f) { f.traceReply = PhoneFaults::TraceReply::NotEnabled; },
       RecordStart::TraceNotEnabled, TraceNotEnabledText},
      {"8F", [](PhoneFaults& f) { f.traceReply = PhoneFaults::TraceReply::Other; },
       RecordStart::TraceNotEnabled, TraceEnableErrorText},
  };
  for (const Case& c : cases) {
    useScenario(10);
    prompter.shown.clear();
    c.fault(phone->faults());
    EXPECT_EQ(recorder->StartRecording(1000), c.outcome) << c.name;
    ASSERT_EQ(prompter.shown.size(), 1u) << c.name;
    EXPECT_EQ(prompter.shown.front().text, c.message) << c.name;
    EXPECT_FALSE(recorder->recording()) << c.name;
    EXPECT_EQ(host.refreshPeriod, 0) << c.name;
    EXPECT_FALSE(phone->portOpen()) << c.name;
  }
}

TEST_F(SerialRecorderTest, GrantedFrameSizeReplacesTheConfiguredOne) {
  useScenario(10);
  comSettings.setSwitchUpFrameSize(256);
  phone->faults().frameSizeReply = PhoneFaults::FrameSizeReply::OtherSize;
  phone->faults().grantedFrameSize = 128;
  ASSERT_EQ(recorder->StartRecording(1000), RecordStart::Started);
  recorder->StopRecording();
  recorder->waitUntilClosed();
  EXPECT_EQ(comSettings.switchUpFrameSize(), 128u);
}

TEST_F(SerialRecorderTest, UnsavedLoadedTraceIsAskedAboutFirst) {
  useScenario(10);
  session.dataOrigin = DataOrigin::TextTrace;
  session.engine->append(TraceEvent(0.0, 0x0200, EventKind::START_PROC, 0, 0, 0.0, 0));
  prompter.answers = {PromptAnswer::Cancel};
  EXPECT_EQ(recorder->StartRecording(1000), RecordStart::Cancelled);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown.front().text, "Do you want to save current data in .run file ?");
  EXPECT_EQ(session.engine->stream().size(), 1u);  // the loaded data stay
  EXPECT_EQ(session.dataOrigin, DataOrigin::TextTrace);
  EXPECT_FALSE(phone->portOpen());

  // Yes runs the save command; a cancelled save cancels the recording too.
  prompter.answers = {PromptAnswer::Yes};
  host.saveSucceeds = false;
  EXPECT_EQ(recorder->StartRecording(1000), RecordStart::Cancelled);
  EXPECT_EQ(host.saves, 1);
}

}  // namespace
}  // namespace kelvor
