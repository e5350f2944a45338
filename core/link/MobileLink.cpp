#include "link/MobileLink.h"

#include <array>
#include <thread>
#include <utility>

namespace kelvor {

MobileLink::MobileLink(LinkLibrary& library, Sleeper sleeper)
    : library_(library), sleeper_(std::move(sleeper)) {
  if (!sleeper_) {
    sleeper_ = [](std::chrono::milliseconds pause) { std::this_thread::sleep_for(pause); };
  }
}

void MobileLink::pause() {
  sleeper_(RetryPause);
}

LinkResult MobileLink::open(std::uint32_t port, std::uint32_t beginBaud) {
  if (library_.init(0) != LinkSuccess) {
    return LinkResult::InitFailed;
  }
  handle_ = library_.initThread();
  if (handle_ == 0) {
    return LinkResult::NoThreadHandle;
  }
  if (library_.openCom(handle_, port) != LinkSuccess) {
    library_.deInitThread(handle_);
    handle_ = 0;
    return LinkResult::OpenComFailed;
  }
  bootType_ = library_.setPredefinedBootType(PredefinedBootType);
  if (setBaudRate(beginBaud, false) != LinkResult::Success) {
    disconnect();
    return LinkResult::BaudStepFailed;
  }
  return LinkResult::Success;
}

LinkResult MobileLink::connect(std::uint32_t port, std::uint32_t beginBaud) {
  if (const LinkResult opened = open(port, beginBaud); opened != LinkResult::Success) {
    return opened;
  }
  if (library_.pingMobile(handle_) != LinkSuccess) {
    disconnect();
    return LinkResult::PingUnanswered;
  }
  if (library_.openSapi(handle_, TraceSapi) != LinkSuccess) {
    disconnect();
    return LinkResult::OpenSapiFailed;
  }
  return LinkResult::Success;
}

LinkResult MobileLink::disconnect() {
  if (library_.closeCom(handle_) != LinkSuccess) {
    return LinkResult::CloseComFailed;
  }
  if (library_.deInitThread(handle_) != LinkSuccess) {
    return LinkResult::DeInitThreadFailed;
  }
  handle_ = 0;
  return LinkResult::Success;
}

LinkResult MobileLink::switchMobile(std::uint32_t port, std::uint32_t beginBaud, bool on) {
  if (const LinkResult opened = open(port, beginBaud); opened != LinkResult::Success) {
    return opened;
  }
  if (on) {
    if (library_.switchMobileOn(handle_, bootType_) != LinkSuccess) {
      disconnect();
      return LinkResult::SwitchOnFailed;
    }
  } else if (library_.switchMobileOff(handle_) != LinkSuccess) {
    disconnect();
    return LinkResult::SwitchOffFailed;
  }
  disconnect();
  return LinkResult::Success;
}

LinkResult MobileLink::setBaudRate(std::uint32_t baud, bool both) {
  if (both && library_.requestMobAndPcBaudrate(handle_, baud) != LinkSuccess) {
    return LinkResult::MobileAndPcBaudFailed;
  }
  if (library_.setNewPcBaudrate(handle_, baud) != LinkSuccess) {
    return LinkResult::PcBaudFailed;
  }
  return LinkResult::Success;
}

LinkResult MobileLink::setFrameSize(std::uint16_t& size) {
  if (library_.openSapi(handle_, FrameSizeSapi) != LinkSuccess) {
    return LinkResult::OpenSapiFailed;
  }
  const std::array<std::uint8_t, 3> request{FrameSizeCommand, static_cast<std::uint8_t>(size >> 8),
                                            static_cast<std::uint8_t>(size & 0xFF)};
  if (library_.sendData(handle_, request.data(), static_cast<std::uint16_t>(request.size()),
                        FrameSizeSapi) != LinkSuccess) {
    return LinkResult::FrameSizeFailed;
  }
  for (int attempt = 0; attempt < ReadAttempts; ++attempt) {
    std::array<std::uint8_t, ReplyBufferSize> reply{};
    std::uint16_t length = static_cast<std::uint16_t>(reply.size());
    std::uint8_t sapi = FrameSizeSapi;
    if (library_.readData(handle_, reply.data(), length, sapi) != 0 && length == 3) {
      if (reply[0] != FrameSizeCommand) {
        return LinkResult::FrameSizeFailed;
      }
      const auto granted = static_cast<std::uint16_t>(reply[1] * 256 + reply[2]);
      if (granted == size) {
        return LinkResult::Success;
      }
      size = granted;
      return LinkResult::FrameSizeChanged;
    }
    pause();
  }
  return LinkResult::FrameSizeFailed;
}

LinkResult MobileLink::enableTrace() {
  const std::uint8_t command = EnableTraceCommand;
  if (library_.sendData(handle_, &command, 1, TraceSapi) != LinkSuccess) {
    return LinkResult::EnableTraceFailed;
  }
  for (int attempt = 0; attempt < ReadAttempts; ++attempt) {
    std::array<std::uint8_t, ReplyBufferSize> reply{};
    std::uint16_t length = static_cast<std::uint16_t>(reply.size());
    std::uint8_t sapi = TraceSapi;
    if (library_.readData(handle_, reply.data(), length, sapi) != 0 && length >= 1) {
      switch (reply[0]) {
        case TraceEnabledReply:
          return LinkResult::Success;
        case TraceNotEnabledReply:
          return LinkResult::TraceNotEnabledOnPhone;
        default:
          return LinkResult::EnableTraceFailed;
      }
    }
    pause();
  }
  return LinkResult::EnableTraceFailed;
}

LinkResult MobileLink::disableTrace() {
  const std::uint8_t command = DisableTraceCommand;
  return library_.sendData(handle_, &command, 1, TraceSapi) == LinkSuccess
             ? LinkResult::Success
             : LinkResult::DisableTraceFailed;
}

LinkResult MobileLink::readChunk(std::uint8_t* buffer, std::uint16_t& length) {
  if (buffer == nullptr) {
    return LinkResult::NoBuffer;
  }
  std::uint8_t sapi = TraceSapi;
  return library_.readData(handle_, buffer, length, sapi) != 0 ? LinkResult::Success
                                                               : LinkResult::ReadFailed;
}

std::string mobileSwitchMessage(LinkResult result, bool on, std::uint32_t portIndex) {
  switch (result) {
    case LinkResult::Success:
    case LinkResult::FrameSizeChanged:
      return on ? "Mobile Switched On !" : "Mobile Switched Off !";
    case LinkResult::OpenComFailed:
      return "Unable to open COM Port " + std::to_string(std::uint64_t{portIndex} + 1) + ".";
    case LinkResult::PcBaudFailed:
      return "Unable to set baud rate.";
    case LinkResult::BaudStepFailed:
      return "Unable to set baud rate of PC and Mobile";
    case LinkResult::SwitchOnFailed:
      if (on) {
        return "Unable to Switch Mobile On/Mobile might be already switched on \n"
               "Or check the connection";
      }
      break;
    case LinkResult::SwitchOffFailed:
      if (!on) {
        return "Unable to Switch Mobile Off, Please check if the mobile is switched on !";
      }
      break;
    default:
      break;
  }
  return "Unknown error occured.";
}

}  // namespace kelvor
