#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "link/LinkLibrary.h"
#include "link/LinkResult.h"

namespace kelvor {

// The program's road to a phone on a COM port: each multi-step exchange with the link library
// becomes one blocking operation that returns a LinkResult. It shows no message itself.
class MobileLink {
 public:
  // Pauses between read attempts; the default sleeps the calling thread, tests pass a recorder.
  using Sleeper = std::function<void(std::chrono::milliseconds)>;

  static constexpr int ReadAttempts = 3;
  static constexpr std::chrono::milliseconds RetryPause{300};
  // The buffer ReadChunk is meant to be given, and the one the trace-enable reply is read into.
  static constexpr std::size_t ChunkBufferSize = 5000;
  static constexpr std::size_t ReplyBufferSize = 256;

  explicit MobileLink(LinkLibrary& library, Sleeper sleeper = {});

  // Opens the link on the COM port with the 0-based index `port` at `beginBaud` and pings the
  // phone; the link stays open on success.
  LinkResult connect(std::uint32_t port, std::uint32_t beginBaud);
  // Closes the COM port and releases the link thread.
  LinkResult disconnect();
  // Opens the link without pinging (the phone may be off), switches the phone on or off and
  // closes the link again.
  LinkResult switchMobile(std::uint32_t port, std::uint32_t beginBaud, bool on);
  // Changes the PC's rate; with `both` the phone is asked to change as well.
  LinkResult setBaudRate(std::uint32_t baud, bool both);
  // Negotiates the frame size; on FrameSizeChanged `size` holds the size the phone granted.
  LinkResult setFrameSize(std::uint16_t& size);
  LinkResult enableTrace();
  LinkResult disableTrace();
  // Reads one chunk of trace data; on entry `length` is the buffer's size, on return the bytes
  // read.
  LinkResult readChunk(std::uint8_t* buffer, std::uint16_t& length);

  LinkHandle handle() const { return handle_; }
  bool connected() const { return handle_ != 0; }
  LinkLibrary& library() { return library_; }

 private:
  // Steps shared by connect and switchMobile up to the baud-rate step.
  LinkResult open(std::uint32_t port, std::uint32_t beginBaud);
  void pause();

  LinkLibrary& library_;
  Sleeper sleeper_;
  LinkHandle handle_ = 0;
  std::uint32_t bootType_ = 0;
};

// The text of the message box shown after Mobile On (`on`) or Mobile Off; `portIndex` is the
// 0-based COM port index and shows as index + 1.
std::string mobileSwitchMessage(LinkResult result, bool on, std::uint32_t portIndex);

}  // namespace kelvor
