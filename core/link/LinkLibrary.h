#pragma once

#include <cstdint>
#include <string>

namespace kelvor {

// The handle of one link thread of the library; 0 means not connected.
using LinkHandle = std::uint32_t;
// A 16-bit status of a library call; LinkSuccess unless a function says otherwise.
using LinkStatus = std::uint16_t;
inline constexpr LinkStatus LinkSuccess = 1;
inline constexpr LinkStatus LinkFailure = 0;

// Channels of the link: the trace commands and records travel on TraceSapi, the frame-size
// negotiation on FrameSizeSapi.
inline constexpr std::uint8_t TraceSapi = 47;
inline constexpr std::uint8_t FrameSizeSapi = 1;

// Command bytes of the trace channel and of the frame-size negotiation.
inline constexpr std::uint8_t EnableTraceCommand = 0xE8;
inline constexpr std::uint8_t DisableTraceCommand = 0xE9;
inline constexpr std::uint8_t TraceEnabledReply = 0x8E;
inline constexpr std::uint8_t TraceNotEnabledReply = 0xEE;
inline constexpr std::uint8_t FrameSizeCommand = 0x04;

// The boot type asked for before a phone is switched on, and the library's base baud rate.
inline constexpr std::uint32_t PredefinedBootType = 320;
inline constexpr std::uint32_t BaseBaudRate = 115200;

// The phone's link library: one method per library function the program calls, with the same
// arguments and results. Every call blocks until it is done. A handle of 0 stands for "not
// connected"; calls on it fail.
class LinkLibrary {
 public:
  virtual ~LinkLibrary() = default;

  // Called with 0; LinkSuccess when the library is ready.
  virtual LinkStatus init(std::uint32_t mode) = 0;
  // A non-zero handle of a new link thread, or 0 on failure.
  virtual LinkHandle initThread() = 0;
  // Opens the COM port with the 0-based index `port` (0 is COM1).
  virtual LinkStatus openCom(LinkHandle handle, std::uint32_t& port) = 0;
  virtual LinkStatus closeCom(LinkHandle handle) = 0;
  virtual LinkStatus deInitThread(LinkHandle handle) = 0;
  // Called with PredefinedBootType; the value returned goes unchanged to switchMobileOn.
  virtual std::uint32_t setPredefinedBootType(std::uint32_t bootType) = 0;
  // LinkSuccess when the phone answers.
  virtual LinkStatus pingMobile(LinkHandle handle) = 0;
  virtual LinkStatus openSapi(LinkHandle handle, std::uint8_t sapi) = 0;
  // LinkSuccess when the `count` bytes were sent on `sapi`.
  virtual LinkStatus sendData(LinkHandle handle, const std::uint8_t* data, std::uint16_t count,
                              std::uint8_t sapi) = 0;
  // Reads one frame into `buffer`. On entry `length` is the buffer's size and `sapi` the channel
  // asked for; on return they hold the bytes read and the frame's channel. Non-zero when a frame
  // was read.
  virtual LinkStatus readData(LinkHandle handle, std::uint8_t* buffer, std::uint16_t& length,
                              std::uint8_t& sapi) = 0;
  // Asks the phone and the PC to change to `baud`.
  virtual LinkStatus requestMobAndPcBaudrate(LinkHandle handle, std::uint32_t baud) = 0;
  // Changes the PC's side of the link to `baud`.
  virtual LinkStatus setNewPcBaudrate(LinkHandle handle, std::uint32_t baud) = 0;
  virtual LinkStatus switchMobileOn(LinkHandle handle, std::uint32_t bootType) = 0;
  virtual LinkStatus switchMobileOff(LinkHandle handle) = 0;
  // Fills the current PC-side rate.
  virtual LinkStatus getCurrentBaudrate(LinkHandle handle, std::uint32_t& baud) = 0;
  // Non-zero when the phone's USB link was switched to the link protocol.
  virtual LinkStatus switchFromXtspToQflMode(LinkHandle handle) = 0;
  // The library's stored configuration; non-zero when it was read.
  virtual LinkStatus readConfData(std::uint32_t& port, std::uint32_t& baud,
                                  std::uint32_t& third) = 0;
  // Stores a configuration; `third` as read, `flag` 1. Non-zero when stored.
  virtual LinkStatus writeConfData(std::uint32_t port, std::uint32_t baud, std::uint32_t third,
                                   std::uint32_t flag) = 0;

  // Name and version of the library, for the about box.
  virtual std::string versionText() const = 0;
};

}  // namespace kelvor
