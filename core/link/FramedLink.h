#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/ByteLine.h"
#include "link/LinkLibrary.h"
#include "link/SerialFraming.h"

namespace kelvor {

// Makes the line for a 0-based port index; null with `error` set when there is no such port.
using LineOpener = std::function<std::unique_ptr<ByteLine>(std::uint32_t port, std::string& error)>;

// The link library of our own serial link: each operation travels over a ByteLine in the
// framing of docs/serial-link.md to whatever serves the phone (kelvor-phone-sim, or firmware
// that speaks the framing). Operations that only concern the PC side stay here: Init and
// InitThread need no line yet, OpenCom opens the line, SetNewPcBaudrate and GetCurrentBaudrate
// concern the PC's port, SetPredefinedBootType hands the boot type on to SwitchMobileOn, CloseCom
// tells the other side and closes without waiting, and the stored configuration is kept for
// the run. Everything else is a
// request whose reply is awaited for at most ReplyWait (three reads 300 ms apart); no reply
// counts as a failure. Like the library it stands for, it is used by one thread at a time.
class FramedLink final : public LinkLibrary {
 public:
  static constexpr std::chrono::milliseconds ReplyWait{900};
  // How long readData waits for the rest of a frame that has begun to arrive. With no frame on
  // its way it returns at once, so that a reader can take every frame there is in one go.
  static constexpr std::chrono::milliseconds ReadWait{50};
  // Data frames held for reading; beyond this the oldest are dropped and counted.
  static constexpr std::size_t MaxHeldFrames = 4096;
  static constexpr LinkHandle ThreadHandle = 1;

  FramedLink(LineOpener opener, std::string description);
  ~FramedLink() override;

  // Why the last OpenCom failed, for messages.
  const std::string& lastError() const { return lastError_; }
  // Data frames dropped because they were not read in time, and bad frames seen on the line.
  std::uint64_t droppedFrames() const { return droppedFrames_; }
  std::uint64_t badFrames() const { return parser_.badFrames(); }

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
  bool linked(LinkHandle handle) const;
  // Sends the request and waits for its reply; nothing when it could not be sent or no reply
  // came in time.
  std::optional<serial::ControlReply> call(serial::ControlOp op, std::vector<std::uint32_t> args);
  LinkStatus callStatus(serial::ControlOp op, std::vector<std::uint32_t> args);
  bool sendFrame(serial::Channel channel, std::span<const std::uint8_t> payload);
  // Reads what arrives within `wait` and sorts the frames into data and replies.
  void receive(std::chrono::milliseconds wait);
  bool takeData(std::uint8_t sapi, std::uint8_t* buffer, std::uint16_t& length);
  void closeLine();

  LineOpener opener_;
  std::string description_;
  std::unique_ptr<ByteLine> line_;
  serial::FrameParser parser_;
  std::deque<serial::Frame> data_;
  std::vector<serial::ControlReply> replies_;
  std::vector<std::uint8_t> readBuffer_;
  std::uint8_t sequence_ = 0;
  bool initialised_ = false;
  LinkHandle handle_ = 0;
  std::uint32_t baud_ = BaseBaudRate;
  std::uint64_t droppedFrames_ = 0;
  std::string lastError_;
  std::uint32_t confPort_ = 0;
  std::uint32_t confBaud_ = BaseBaudRate;
  std::uint32_t confThird_ = 0;
};

}  // namespace kelvor
