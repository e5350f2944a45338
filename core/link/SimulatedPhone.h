#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "link/LinkLibrary.h"
#include "link/PhoneScenario.h"

namespace kelvor {

// Steps of the simulated phone that can be told to fail, so that every outcome of MobileLink
// and every message can be brought about.
struct PhoneFaults {
  enum class TraceReply { Enabled, NotEnabled, Other, None };
  enum class FrameSizeReply { Echo, OtherSize, WrongLength, WrongFirstByte, None };

  bool initFails = false;
  bool noThreadHandle = false;
  bool openComFails = false;
  bool closeComFails = false;
  bool deInitFails = false;
  bool pingUnanswered = false;
  bool openSapiFails = false;
  bool sendFails = false;
  TraceReply traceReply = TraceReply::Enabled;  // the reply to E8: 8E, EE, otherReply or none
  std::uint8_t otherTraceReply = 0x8F;
  FrameSizeReply frameSizeReply = FrameSizeReply::Echo;
  std::uint16_t grantedFrameSize = 128;  // the size sent back for OtherSize
  bool mobileAndPcBaudFails = false;
  bool pcBaudFails = false;
  bool switchOnFails = false;
  bool switchOffFails = false;
  bool usbSwitchFails = false;
  // This many of the next reads fail; a negative value makes every read fail.
  int failingReads = 0;
  // Bytes of an incomplete record (fewer than 6) at the end of every trace chunk.
  std::uint8_t trailingBytes = 0;
  // After every n-th record of the scenario a record of UnknownRecordType is sent; 0 for none.
  std::uint32_t unknownRecordEvery = 0;
};

// The simulated phone's clock: microseconds since an arbitrary start.
using PhoneClock = std::function<std::chrono::microseconds()>;

// A clock that moves only when told to, for tests.
class ManualPhoneClock {
 public:
  std::chrono::microseconds now() const { return now_; }
  void advance(std::chrono::microseconds step) { now_ += step; }
  PhoneClock source() {
    return [this] { return now_; };
  }

 private:
  std::chrono::microseconds now_{0};
};

// A phone with its link library, held in memory: it answers the ping, the switching, the
// baud-rate requests, the frame-size negotiation and the trace commands, and streams the
// scenario's records on the trace channel while tracing is enabled. Each read on the trace
// channel returns the records due since tracing was enabled and not sent yet, up to 5000 bytes;
// with `deliverAsFastAsAsked` every read is as full as the buffer and the scenario allow. Like
// the library it stands for, it is used by one thread at a time.
class SimulatedPhone final : public LinkLibrary {
 public:
  static constexpr std::size_t MaxChunkBytes = 5000;
  static constexpr std::uint8_t UnknownRecordType = 5;
  static constexpr std::uint16_t DefaultFrameSize = 64;

  explicit SimulatedPhone(PhoneScenario scenario = {}, PhoneClock clock = {});

  PhoneFaults& faults() { return faults_; }
  void setDeliverAsFastAsAsked(bool fast) { fast_ = fast; }

  // The scenario's records sent so far, and the extra records of an unknown type.
  std::uint64_t recordsSent() const { return recordsSent_.load(); }
  std::uint64_t unknownRecordsSent() const { return unknownSent_.load(); }
  bool scenarioFinished() const { return next_ >= scenario_.size(); }

  bool tracing() const { return tracing_; }
  bool switchedOn() const { return on_; }
  void setSwitchedOn(bool on) { on_ = on; }
  std::uint32_t pcBaud() const { return pcBaud_; }
  std::uint32_t phoneBaud() const { return phoneBaud_; }
  std::uint16_t frameSize() const { return frameSize_; }
  std::uint32_t openPort() const { return port_; }
  bool portOpen() const { return portOpen_; }
  // The library functions called so far, by name ("init", "openCom", ...), except readData.
  const std::vector<std::string>& calls() const { return calls_; }

  LinkStatus init(std::uint32_t mode) override;
  LinkHandle initThread() override;
  LinkStatus openCom(LinkHandle handle, std::uint32_t& port) override;
  LinkStatus closeCom(LinkHandle handle) override;
  LinkStatus deInitThread(LinkHandle handle) override;
  std::uint32_t setPredefinedBootType(std::uint32_t bootType) override;
  LinkStatus pingMobile(LinkHandle handle) override;
  LinkStatus openSapi(LinkHandle handle, std::uint8_t sapi) override;
  LinkStatus sendData(LinkHandle handle, const std::uint8_t* data, std::uint16_t count,
                      std::uint8_t sapi) override;
  LinkStatus readData(LinkHandle handle, std::uint8_t* buffer, std::uint16_t& length,
                      std::uint8_t& sapi) override;
  LinkStatus requestMobAndPcBaudrate(LinkHandle handle, std::uint32_t baud) override;
  LinkStatus setNewPcBaudrate(LinkHandle handle, std::uint32_t baud) override;
  LinkStatus switchMobileOn(LinkHandle handle, std::uint32_t bootType) override;
  LinkStatus switchMobileOff(LinkHandle handle) override;
  LinkStatus getCurrentBaudrate(LinkHandle handle, std::uint32_t& baud) override;
  LinkStatus switchFromXtspToQflMode(LinkHandle handle) override;
  LinkStatus readConfData(std::uint32_t& port, std::uint32_t& baud, std::uint32_t& third) override;
  LinkStatus writeConfData(std::uint32_t port, std::uint32_t baud, std::uint32_t third,
                           std::uint32_t flag) override;
  std::string versionText() const override;

 private:
  struct Frame {
    std::uint8_t sapi = 0;
    std::vector<std::uint8_t> bytes;
  };

  bool live(LinkHandle handle) const { return handle != 0 && handle == handle_; }
  bool linked(LinkHandle handle) const { return live(handle) && portOpen_; }
  void handleTraceCommand(std::uint8_t command);
  void handleFrameSizeRequest(const std::uint8_t* data, std::uint16_t count);
  std::uint16_t fillTraceChunk(std::uint8_t* buffer, std::uint16_t capacity);

  PhoneScenario scenario_;
  PhoneClock clock_;
  PhoneFaults faults_;
  bool fast_ = false;

  bool initialised_ = false;
  LinkHandle handle_ = 0;
  LinkHandle nextHandle_ = 0x51;
  bool portOpen_ = false;
  std::uint32_t port_ = 0;
  std::set<std::uint8_t> openSapis_;
  bool on_ = true;
  std::uint32_t pcBaud_ = BaseBaudRate;
  std::uint32_t phoneBaud_ = BaseBaudRate;
  std::uint16_t frameSize_ = DefaultFrameSize;
  std::uint32_t bootValue_ = 0;
  std::deque<Frame> replies_;

  bool tracing_ = false;
  std::chrono::microseconds traceStart_{0};
  std::size_t next_ = 0;
  std::atomic<std::uint64_t> recordsSent_{0};
  std::atomic<std::uint64_t> unknownSent_{0};

  std::uint32_t confPort_ = 0;
  std::uint32_t confBaud_ = BaseBaudRate;
  std::uint32_t confThird_ = 0;

  std::vector<std::string> calls_;
};

}  // namespace kelvor
