#pragma once

#include <cstdint>
#include <string_view>

namespace kelvor {

// The outcome of one operation of MobileLink; 0 is success.
enum class LinkResult : std::uint16_t {
  Success = 0,
  InitFailed = 2,               // the library did not initialise
  NoThreadHandle = 3,           // no link thread handle
  OpenComFailed = 4,            // the COM port did not open
  CloseComFailed = 5,           // closing the COM port failed
  PingUnanswered = 7,           // the phone did not answer the ping
  EnableTraceFailed = 8,        // no reply or an unexpected reply to the trace-enable command
  DisableTraceFailed = 9,       // the disable-trace command was not sent
  DeInitThreadFailed = 10,      // the link thread was not released
  NoBuffer = 11,                // no buffer to read into
  ReadFailed = 12,              // reading from the link failed
  FrameSizeFailed = 13,         // the frame size was not set
  FrameSizeChanged = 14,        // the phone granted another frame size; not an error
  MobileAndPcBaudFailed = 15,   // the phone and the PC did not change baud rate
  PcBaudFailed = 16,            // the PC did not change baud rate
  OpenSapiFailed = 17,          // the channel did not open
  BaudStepFailed = 18,          // the baud-rate step of connect or switch failed
  SwitchOnFailed = 19,          // the phone was not switched on
  SwitchOffFailed = 20,         // the phone was not switched off
  TraceNotEnabledOnPhone = 21,  // the phone answered that its serial tracing is off
};

constexpr std::uint16_t code(LinkResult result) {
  return static_cast<std::uint16_t>(result);
}

// The enumerator's name, e.g. "OpenComFailed"; "Unknown" for a value outside the list.
std::string_view linkResultName(LinkResult result);

}  // namespace kelvor
