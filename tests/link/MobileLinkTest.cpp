#include "link/MobileLink.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "LinkResultPrinting.h"
#include "link/SimulatedPhone.h"

namespace kelvor {
namespace {

using std::chrono::milliseconds;
using Calls = std::vector<std::string>;

constexpr std::uint32_t Port = 2;

struct LinkFixture {
  SimulatedPhone phone;
  std::vector<milliseconds> pauses;
  MobileLink link{phone, [this](milliseconds pause) { pauses.push_back(pause); }};
};

enum class Op {
  Connect,
  Disconnect,
  SwitchOn,
  SwitchOff,
  BaudBoth,
  BaudPcOnly,
  FrameSize,
  EnableTrace,
  DisableTrace,
  ReadChunk,
  ReadChunkWithoutBuffer,
};

bool opensItself(Op op) {
  return op == Op::Connect || op == Op::SwitchOn || op == Op::SwitchOff;
}

LinkResult run(MobileLink& link, Op op) {
  std::uint16_t size = 256;
  std::array<std::uint8_t, MobileLink::ChunkBufferSize> buffer{};
  std::uint16_t length = static_cast<std::uint16_t>(buffer.size());
  switch (op) {
    case Op::Connect:
      return link.connect(Port, BaseBaudRate);
    case Op::Disconnect:
      return link.disconnect();
    case Op::SwitchOn:
      return link.switchMobile(Port, BaseBaudRate, true);
    case Op::SwitchOff:
      return link.switchMobile(Port, BaseBaudRate, false);
    case Op::BaudBoth:
      return link.setBaudRate(460800, true);
    case Op::BaudPcOnly:
      return link.setBaudRate(460800, false);
    case Op::FrameSize:
      return link.setFrameSize(size);
    case Op::EnableTrace:
      return link.enableTrace();
    case Op::DisableTrace:
      return link.disableTrace();
    case Op::ReadChunk:
      return link.readChunk(buffer.data(), length);
    case Op::ReadChunkWithoutBuffer:
      return link.readChunk(nullptr, length);
  }
  return LinkResult::Success;
}

struct FaultCase {
  const char* name;
  std::function<void(PhoneFaults&)> fault;
  Op op;
  LinkResult expected;
};

using F = PhoneFaults;
const std::vector<FaultCase> faultCases = {
    {"no fault connects", [](F&) {}, Op::Connect, LinkResult::Success},
    {"init", [](F& f) { f.initFails = true; }, Op::Connect, LinkResult::InitFailed},
    {"no handle", [](F& f) { f.noThreadHandle = true; }, Op::Connect, LinkResult::NoThreadHandle},
    {"open port", [](F& f) { f.openComFails = true; }, Op::Connect, LinkResult::OpenComFailed},
    {"close port", [](F& f) { f.closeComFails = true; }, Op::Disconnect,
     LinkResult::CloseComFailed},
    {"ping", [](F& f) { f.pingUnanswered = true; }, Op::Connect, LinkResult::PingUnanswered},
    {"E8 not sent", [](F& f) { f.sendFails = true; }, Op::EnableTrace,
     LinkResult::EnableTraceFailed},
    {"E8 unanswered", [](F& f) { f.traceReply = F::TraceReply::None; }, Op::EnableTrace,
     LinkResult::EnableTraceFailed},
    {"E8 answered 8F", [](F& f) { f.traceReply = F::TraceReply::Other; }, Op::EnableTrace,
     LinkResult::EnableTraceFailed},
    {"E8 answered EE", [](F& f) { f.traceReply = F::TraceReply::NotEnabled; }, Op::EnableTrace,
     LinkResult::TraceNotEnabledOnPhone},
    {"E8 answered 8E", [](F&) {}, Op::EnableTrace, LinkResult::Success},
    {"E9 not sent", [](F& f) { f.sendFails = true; }, Op::DisableTrace,
     LinkResult::DisableTraceFailed},
    {"E9 sent", [](F&) {}, Op::DisableTrace, LinkResult::Success},
    {"release thread", [](F& f) { f.deInitFails = true; }, Op::Disconnect,
     LinkResult::DeInitThreadFailed},
    {"no buffer", [](F&) {}, Op::ReadChunkWithoutBuffer, LinkResult::NoBuffer},
    {"read", [](F& f) { f.failingReads = -1; }, Op::ReadChunk, LinkResult::ReadFailed},
    {"frame size not sent", [](F& f) { f.sendFails = true; }, Op::FrameSize,
     LinkResult::FrameSizeFailed},
    {"frame size reply first byte",
     [](F& f) { f.frameSizeReply = F::FrameSizeReply::WrongFirstByte; }, Op::FrameSize,
     LinkResult::FrameSizeFailed},
    {"frame size unanswered", [](F& f) { f.frameSizeReply = F::FrameSizeReply::None; },
     Op::FrameSize, LinkResult::FrameSizeFailed},
    {"frame size other size", [](F& f) { f.frameSizeReply = F::FrameSizeReply::OtherSize; },
     Op::FrameSize, LinkResult::FrameSizeChanged},
    {"frame size SAPI", [](F& f) { f.openSapiFails = true; }, Op::FrameSize,
     LinkResult::OpenSapiFailed},
    {"phone and PC baud", [](F& f) { f.mobileAndPcBaudFails = true; }, Op::BaudBoth,
     LinkResult::MobileAndPcBaudFailed},
    {"PC baud after phone", [](F& f) { f.pcBaudFails = true; }, Op::BaudBoth,
     LinkResult::PcBaudFailed},
    {"PC baud alone", [](F& f) { f.pcBaudFails = true; }, Op::BaudPcOnly, LinkResult::PcBaudFailed},
    {"PC only never asks the phone", [](F& f) { f.mobileAndPcBaudFails = true; }, Op::BaudPcOnly,
     LinkResult::Success},
    {"trace SAPI", [](F& f) { f.openSapiFails = true; }, Op::Connect, LinkResult::OpenSapiFailed},
    {"connect baud step", [](F& f) { f.pcBaudFails = true; }, Op::Connect,
     LinkResult::BaudStepFailed},
    {"switch baud step", [](F& f) { f.pcBaudFails = true; }, Op::SwitchOff,
     LinkResult::BaudStepFailed},
    {"switch port", [](F& f) { f.openComFails = true; }, Op::SwitchOn, LinkResult::OpenComFailed},
    {"switch on", [](F& f) { f.switchOnFails = true; }, Op::SwitchOn, LinkResult::SwitchOnFailed},
    {"switch off", [](F& f) { f.switchOffFails = true; }, Op::SwitchOff,
     LinkResult::SwitchOffFailed},
    {"switch on succeeds", [](F&) {}, Op::SwitchOn, LinkResult::Success},
    {"switch off ignores the ping", [](F& f) { f.pingUnanswered = true; }, Op::SwitchOff,
     LinkResult::Success},
};

TEST(MobileLinkTest, EachFaultYieldsItsResult) {
  for (const FaultCase& c : faultCases) {
    SCOPED_TRACE(c.name);
    LinkFixture f;
    if (!opensItself(c.op)) {
      ASSERT_EQ(f.link.connect(Port, BaseBaudRate), LinkResult::Success);
    }
    c.fault(f.phone.faults());
    EXPECT_EQ(run(f.link, c.op), c.expected);
    if (c.op == Op::SwitchOn || c.op == Op::SwitchOff ||
        (c.op == Op::Connect && c.expected != LinkResult::Success)) {
      // Whatever the outcome, nothing stays open.
      EXPECT_FALSE(f.link.connected());
      EXPECT_FALSE(f.phone.portOpen());
    }
  }
}

TEST(MobileLinkTest, EveryResultCodeIsReachable) {
  std::vector<bool> seen(22, false);
  for (const FaultCase& c : faultCases) {
    seen[code(c.expected)] = true;
  }
  for (int value : {0, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21}) {
    EXPECT_TRUE(seen[value]) << value;
    EXPECT_NE(linkResultName(static_cast<LinkResult>(value)), "Unknown") << value;
  }
}

TEST(MobileLinkTest, CallsTheLibraryInOrderAndCleansUpAfterEachStep) {
  struct Case {
    const char* name;
    std::function<void(PhoneFaults&)> fault;
    Op op;
    Calls calls;
  };
  const Calls open = {"init", "initThread", "openCom", "setPredefinedBootType", "setNewPcBaudrate"};
  const auto with = [&](Calls tail) {
    Calls calls = open;
    calls.insert(calls.end(), tail.begin(), tail.end());
    return calls;
  };
  const std::vector<Case> cases = {
      {"connect", [](F&) {}, Op::Connect, with({"pingMobile", "openSapi"})},
      {"init", [](F& f) { f.initFails = true; }, Op::Connect, {"init"}},
      {"no handle", [](F& f) { f.noThreadHandle = true; }, Op::Connect, {"init", "initThread"}},
      {"port releases the thread",
       [](F& f) { f.openComFails = true; },
       Op::Connect,
       {"init", "initThread", "openCom", "deInitThread"}},
      {"baud step closes", [](F& f) { f.pcBaudFails = true; }, Op::Connect,
       with({"closeCom", "deInitThread"})},
      {"ping closes", [](F& f) { f.pingUnanswered = true; }, Op::Connect,
       with({"pingMobile", "closeCom", "deInitThread"})},
      {"SAPI closes", [](F& f) { f.openSapiFails = true; }, Op::Connect,
       with({"pingMobile", "openSapi", "closeCom", "deInitThread"})},
      {"switch on", [](F&) {}, Op::SwitchOn, with({"switchMobileOn", "closeCom", "deInitThread"})},
      {"switch off never pings", [](F&) {}, Op::SwitchOff,
       with({"switchMobileOff", "closeCom", "deInitThread"})},
      {"switch off fails", [](F& f) { f.switchOffFails = true; }, Op::SwitchOff,
       with({"switchMobileOff", "closeCom", "deInitThread"})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LinkFixture f;
    c.fault(f.phone.faults());
    run(f.link, c.op);
    EXPECT_EQ(f.phone.calls(), c.calls);
  }
}

TEST(MobileLinkTest, ConnectOpensThePortAtTheBeginRateAndKeepsTheHandle) {
  LinkFixture f;
  ASSERT_EQ(f.link.connect(Port, BaseBaudRate), LinkResult::Success);
  EXPECT_TRUE(f.link.connected());
  EXPECT_EQ(f.phone.openPort(), Port);
  EXPECT_EQ(f.phone.pcBaud(), BaseBaudRate);
  ASSERT_EQ(f.link.disconnect(), LinkResult::Success);
  EXPECT_EQ(f.link.handle(), 0u);
}

TEST(MobileLinkTest, FailedDisconnectKeepsTheHandle) {
  LinkFixture f;
  ASSERT_EQ(f.link.connect(Port, BaseBaudRate), LinkResult::Success);
  f.phone.faults().deInitFails = true;
  EXPECT_EQ(f.link.disconnect(), LinkResult::DeInitThreadFailed);
  EXPECT_TRUE(f.link.connected());
}

TEST(MobileLinkTest, FrameSizeRepliesAndTheGrantedSize) {
  struct Case {
    const char* name;
    PhoneFaults::FrameSizeReply reply;
    LinkResult expected;
    std::uint16_t sizeAfter;
  };
  const std::vector<Case> cases = {
      {"echo", F::FrameSizeReply::Echo, LinkResult::Success, 256},
      {"other size is handed back", F::FrameSizeReply::OtherSize, LinkResult::FrameSizeChanged,
       128},
      // The 4-byte reply echoes the size; taking it would give success.
      {"length not 3 is a failed attempt", F::FrameSizeReply::WrongLength,
       LinkResult::FrameSizeFailed, 256},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LinkFixture f;
    ASSERT_EQ(f.link.connect(Port, BaseBaudRate), LinkResult::Success);
    f.phone.faults().frameSizeReply = c.reply;
    f.phone.faults().grantedFrameSize = 128;
    std::uint16_t size = 256;
    EXPECT_EQ(f.link.setFrameSize(size), c.expected);
    EXPECT_EQ(size, c.sizeAfter);
  }
}

TEST(MobileLinkTest, RetriesAtMostThreeReadsWithPauses) {
  struct Case {
    const char* name;
    std::function<void(PhoneFaults&)> fault;
    Op op;
    LinkResult expected;
    std::size_t pauses;
  };
  const std::vector<Case> cases = {
      {"trace reply on the first read", [](F&) {}, Op::EnableTrace, LinkResult::Success, 0},
      {"trace reply on the third read", [](F& f) { f.failingReads = 2; }, Op::EnableTrace,
       LinkResult::Success, 2},
      {"no trace reply", [](F& f) { f.failingReads = 3; }, Op::EnableTrace,
       LinkResult::EnableTraceFailed, 3},
      {"frame size on the third read", [](F& f) { f.failingReads = 2; }, Op::FrameSize,
       LinkResult::Success, 2},
      {"no frame size reply", [](F& f) { f.frameSizeReply = F::FrameSizeReply::None; },
       Op::FrameSize, LinkResult::FrameSizeFailed, 3},
      // A fourth read would find the reply.
      {"gives up after three", [](F& f) { f.failingReads = 3; }, Op::FrameSize,
       LinkResult::FrameSizeFailed, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LinkFixture f;
    ASSERT_EQ(f.link.connect(Port, BaseBaudRate), LinkResult::Success);
    c.fault(f.phone.faults());
    EXPECT_EQ(run(f.link, c.op), c.expected);
    EXPECT_EQ(f.pauses, std::vector<milliseconds>(c.pauses, MobileLink::RetryPause));
  }
}

TEST(MobileLinkTest, SwitchMessages) {
  struct Case {
    LinkResult result;
    bool on;
    std::string text;
  };
  const std::string unknown = "Unknown error occured.";
  const std::vector<Case> cases = {
      {LinkResult::Success, true, "Mobile Switched On !"},
      {LinkResult::Success, false, "Mobile Switched Off !"},
      {LinkResult::FrameSizeChanged, true, "Mobile Switched On !"},
      {LinkResult::FrameSizeChanged, false, "Mobile Switched Off !"},
      {LinkResult::OpenComFailed, true, "Unable to open COM Port 3."},
      {LinkResult::OpenComFailed, false, "Unable to open COM Port 3."},
      {LinkResult::PcBaudFailed, false, "Unable to set baud rate."},
      {LinkResult::BaudStepFailed, true, "Unable to set baud rate of PC and Mobile"},
      {LinkResult::SwitchOnFailed, true,
       "Unable to Switch Mobile On/Mobile might be already switched on \nOr check the "
       "connection"},
      {LinkResult::SwitchOnFailed, false, unknown},
      {LinkResult::SwitchOffFailed, false,
       "Unable to Switch Mobile Off, Please check if the mobile is switched on !"},
      {LinkResult::SwitchOffFailed, true, unknown},
      {LinkResult::InitFailed, true, unknown},
      {LinkResult::PingUnanswered, false, unknown},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(mobileSwitchMessage(c.result, c.on, Port), c.text)
        << linkResultName(c.result) << " on=" << c.on;
  }
  EXPECT_EQ(mobileSwitchMessage(LinkResult::OpenComFailed, true, 0xFFFFFFFFu),
            "Unable to open COM Port 4294967296.");
}

}  // namespace
}  // namespace kelvor
