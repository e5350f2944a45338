#include "link/FramedLink.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "LinkResultPrinting.h"
#include "MemoryLine.h"
#include "RecordingPrompter.h"
#include "link/MobileLink.h"
#include "link/PhoneServer.h"
#include "link/SerialRecorder.h"
#include "link/SimulatedPhone.h"
#include "settings/SettingsBackend.h"

namespace kelvor {
namespace {

using namespace std::chrono_literals;
using F = PhoneFaults;

constexpr std::uint32_t Port = 4;

// The PC side (FramedLink under MobileLink) and the phone side (a PhoneServer serving a
// SimulatedPhone on its own thread) on the two ends of an in-memory line.
class Wire {
 public:
  explicit Wire(PhoneScenario scenario = {}) : phone(std::move(scenario)) {
    phoneLine->open(BaseBaudRate);
  }
  ~Wire() { stopServing(); }

  // Starts the phone's side; the phone is not touched by the test thread afterwards.
  void serve() {
    serving_ = std::thread([this] {
      while (!stop_.load()) {
        server.step(1ms);
      }
    });
  }
  void stopServing() {
    stop_ = true;
    if (serving_.joinable()) {
      serving_.join();
    }
  }

  test::MemoryWire wire;
  SimulatedPhone phone;
  std::unique_ptr<test::MemoryLine> phoneLine = wire.phoneEnd();
  PhoneServer server{phone, *phoneLine};
  bool portMissing = false;
  FramedLink library{[this](std::uint32_t, std::string& error) -> std::unique_ptr<ByteLine> {
                       if (portMissing) {
                         error = "no such port";
                         return nullptr;
                       }
                       return wire.pcEnd();
                     },
                     "memory line"};
  // The retry pauses are real: the phone's side needs them to answer.
  MobileLink link{library};

 private:
  std::atomic<bool> stop_{false};
  std::thread serving_;
};

enum class Op { Connect, SwitchOn, SwitchOff, EnableTrace, FrameSize, BaudBoth };

LinkResult run(MobileLink& link, Op op, std::uint16_t& size) {
  switch (op) {
    case Op::Connect:
      return link.connect(Port, BaseBaudRate);
    case Op::SwitchOn:
      return link.switchMobile(Port, BaseBaudRate, true);
    case Op::SwitchOff:
      return link.switchMobile(Port, BaseBaudRate, false);
    case Op::EnableTrace:
      return link.enableTrace();
    case Op::FrameSize:
      return link.setFrameSize(size);
    case Op::BaudBoth:
      return link.setBaudRate(921600, true);
  }
  return LinkResult::Success;
}

struct WireCase {
  const char* name;
  std::function<void(PhoneFaults&)> fault;
  Op op;
  LinkResult expected;
};

// The phone's answers reach MobileLink over the wire as they do in-process.
TEST(FramedLinkTest, ThePhonesAnswersGiveTheSameResultsOverTheWire) {
  const std::vector<WireCase> cases = {
      {"connects", [](F&) {}, Op::Connect, LinkResult::Success},
      {"ping", [](F& f) { f.pingUnanswered = true; }, Op::Connect, LinkResult::PingUnanswered},
      {"trace SAPI", [](F& f) { f.openSapiFails = true; }, Op::Connect, LinkResult::OpenSapiFailed},
      {"8E", [](F&) {}, Op::EnableTrace, LinkResult::Success},
      {"EE", [](F& f) { f.traceReply = F::TraceReply::NotEnabled; }, Op::EnableTrace,
       LinkResult::TraceNotEnabledOnPhone},
      {"8F", [](F& f) { f.traceReply = F::TraceReply::Other; }, Op::EnableTrace,
       LinkResult::EnableTraceFailed},
      {"E8 unanswered", [](F& f) { f.traceReply = F::TraceReply::None; }, Op::EnableTrace,
       LinkResult::EnableTraceFailed},
      {"frame size echo", [](F&) {}, Op::FrameSize, LinkResult::Success},
      {"frame size other", [](F& f) { f.frameSizeReply = F::FrameSizeReply::OtherSize; },
       Op::FrameSize, LinkResult::FrameSizeChanged},
      {"frame size length", [](F& f) { f.frameSizeReply = F::FrameSizeReply::WrongLength; },
       Op::FrameSize, LinkResult::FrameSizeFailed},
      {"phone and PC baud", [](F& f) { f.mobileAndPcBaudFails = true; }, Op::BaudBoth,
       LinkResult::MobileAndPcBaudFailed},
      {"baud both", [](F&) {}, Op::BaudBoth, LinkResult::Success},
      {"switch on", [](F& f) { f.switchOnFails = true; }, Op::SwitchOn, LinkResult::SwitchOnFailed},
      {"switch on succeeds", [](F&) {}, Op::SwitchOn, LinkResult::Success},
      {"switch off", [](F& f) { f.switchOffFails = true; }, Op::SwitchOff,
       LinkResult::SwitchOffFailed},
      {"switch off ignores the ping", [](F& f) { f.pingUnanswered = true; }, Op::SwitchOff,
       LinkResult::Success},
  };
  for (const WireCase& c : cases) {
    SCOPED_TRACE(c.name);
    Wire w;
    w.phone.faults().grantedFrameSize = 64;
    c.fault(w.phone.faults());
    w.serve();
    if (c.op == Op::EnableTrace || c.op == Op::FrameSize || c.op == Op::BaudBoth) {
      ASSERT_EQ(w.link.connect(Port, BaseBaudRate), LinkResult::Success);
    }
    std::uint16_t size = 256;
    EXPECT_EQ(run(w.link, c.op, size), c.expected);
    if (c.expected == LinkResult::FrameSizeChanged) {
      EXPECT_EQ(size, 64);
    }
    if (c.op == Op::BaudBoth && c.expected == LinkResult::Success) {
      std::uint32_t baud = 0;
      EXPECT_EQ(w.library.getCurrentBaudrate(FramedLink::ThreadHandle, baud), LinkSuccess);
      EXPECT_EQ(baud, 921600u);
      w.stopServing();
      EXPECT_EQ(w.phoneLine->baud(), 921600u);  // the phone's side followed after its answer
    }
  }
}

TEST(FramedLinkTest, AMissingPortOrASilentPhoneFailsWithinItsBoundedWaits) {
  Wire missing;
  missing.portMissing = true;
  EXPECT_EQ(missing.link.connect(Port, BaseBaudRate), LinkResult::OpenComFailed);
  EXPECT_EQ(missing.library.lastError(), "no such port");

  Wire silent;  // nothing serves the phone's end
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(silent.link.connect(Port, BaseBaudRate), LinkResult::PingUnanswered);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, FramedLink::ReplyWait);
  EXPECT_LT(took, 2 * FramedLink::ReplyWait);
  EXPECT_FALSE(silent.link.connected());
}

TEST(FramedLinkTest, NoiseOnTheLineIsSkipped) {
  Wire w;
  // A stray start byte, a header with an impossible length and a frame with a broken CRC.
  w.wire.injectToPc({0x7E, 0x00, 0x2F, 0xFF, 0xFF, 0x11, 0x7E, 0x02, 0x00, 0x04, 0x00, 0x07, 0x01,
                     0x01, 0x00, 0x00, 0x00});
  w.serve();
  EXPECT_EQ(w.link.connect(Port, BaseBaudRate), LinkResult::Success);
  EXPECT_EQ(w.link.enableTrace(), LinkResult::Success);
  EXPECT_GE(w.library.badFrames(), 2u);
}

struct WireRecording {
  explicit WireRecording(std::uint32_t records)
      : wire([records] {
          GeneratedScenario options;
          options.recordCount = records;
          options.recordsPerSecond = 40000.0;
          return PhoneScenario::generate(options);
        }()) {
    session.analysis.prompter = &prompter;
    session.analysis.console = nullptr;
    session.engine = std::make_unique<StatisticsEngine>(session.analysis);
    comSettings.setPortIndex(static_cast<std::int32_t>(Port));
    wire.serve();
  }

  MemorySettingsBackend backend;
  Session session{backend};
  test::RecordingPrompter prompter;
  ComSettings comSettings;
  HeadlessRecordingHost host;
  Wire wire;
  SerialRecorder recorder{session, wire.link, comSettings, host};
};

// The records still on their way when the recording stops are read before the link closes.
TEST(FramedLinkTest, ARecordingOverTheWireKeepsEveryRecordTheServerSent) {
  constexpr std::uint32_t Records = 400000;  // ten seconds of records: the stop comes first
  WireRecording r(Records);
  ASSERT_EQ(r.recorder.StartRecording(1000), RecordStart::Started);
  std::this_thread::sleep_for(150ms);
  r.recorder.StopRecording();
  r.recorder.waitUntilClosed();
  r.wire.stopServing();
  r.wire.server.step(10ms);  // the last request, if it was still on its way

  EXPECT_GT(r.recorder.recordsRead(), 0u);
  EXPECT_LT(r.recorder.recordsRead(), Records);
  EXPECT_EQ(r.recorder.recordsRead(), r.wire.phone.recordsSent());
  EXPECT_EQ(r.session.engine->stream().size(), r.recorder.recordsRead());
  EXPECT_EQ(r.recorder.unusableRecords(), 0u);
  EXPECT_EQ(r.wire.library.droppedFrames(), 0u);
  EXPECT_TRUE(r.recorder.HasUnsavedData());
  EXPECT_FALSE(r.wire.server.sessionOpen());  // the closing sequence ended the phone's session
}

TEST(FramedLinkTest, ALineThatBreaksMidRecordingEndsCleanlyAndKeepsTheRecords) {
  WireRecording r(400000);
  ASSERT_EQ(r.recorder.StartRecording(1000), RecordStart::Started);
  std::this_thread::sleep_for(100ms);
  r.wire.wire.breakLine();
  std::this_thread::sleep_for(50ms);
  const auto start = std::chrono::steady_clock::now();
  r.recorder.StopRecording();
  r.recorder.waitUntilClosed();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);

  const std::uint64_t read = r.recorder.recordsRead();
  EXPECT_GT(read, 0u);
  EXPECT_EQ(r.session.engine->stream().size(), read);
  // The closing sequence could not run, yet what was recorded still asks to be saved.
  EXPECT_TRUE(r.recorder.HasUnsavedData());
}

}  // namespace
}  // namespace kelvor
