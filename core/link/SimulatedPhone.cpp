#include "link/SimulatedPhone.h"

#include <algorithm>
#include <utility>

namespace kelvor {

namespace {

// A value of the boot type that is not the boot type itself, so that a caller passing the
// boot type instead of the returned value is caught.
constexpr std::uint32_t BootValueMark = 0x10000;
constexpr std::uint8_t TrailingByte = 0xA5;

}  // namespace

SimulatedPhone::SimulatedPhone(PhoneScenario scenario, PhoneClock clock)
    : scenario_(std::move(scenario)), clock_(std::move(clock)) {
  if (!clock_) {
    clock_ = [] {
      return std::chrono::duration_cast<std::chrono::microseconds>(
          std::chrono::steady_clock::now().time_since_epoch());
    };
  }
}

LinkStatus SimulatedPhone::init(std::uint32_t /*mode*/) {
  calls_.emplace_back("init");
  if (faults_.initFails) {
    return LinkFailure;
  }
  initialised_ = true;
  return LinkSuccess;
}

LinkHandle SimulatedPhone::initThread() {
  calls_.emplace_back("initThread");
  if (faults_.noThreadHandle || !initialised_) {
    return 0;
  }
  handle_ = nextHandle_++;
  return handle_;
}

LinkStatus SimulatedPhone::openCom(LinkHandle handle, std::uint32_t& port) {
  calls_.emplace_back("openCom");
  if (!live(handle) || faults_.openComFails) {
    return LinkFailure;
  }
  portOpen_ = true;
  port_ = port;
  return LinkSuccess;
}

LinkStatus SimulatedPhone::closeCom(LinkHandle handle) {
  calls_.emplace_back("closeCom");
  if (!linked(handle) || faults_.closeComFails) {
    return LinkFailure;
  }
  portOpen_ = false;
  openSapis_.clear();
  replies_.clear();
  return LinkSuccess;
}

LinkStatus SimulatedPhone::deInitThread(LinkHandle handle) {
  calls_.emplace_back("deInitThread");
  if (!live(handle) || faults_.deInitFails) {
    return LinkFailure;
  }
  handle_ = 0;
  portOpen_ = false;
  openSapis_.clear();
  replies_.clear();
  return LinkSuccess;
}

std::uint32_t SimulatedPhone::setPredefinedBootType(std::uint32_t bootType) {
  calls_.emplace_back("setPredefinedBootType");
  bootValue_ = bootType | BootValueMark;
  return bootValue_;
}

LinkStatus SimulatedPhone::pingMobile(LinkHandle handle) {
  calls_.emplace_back("pingMobile");
  const bool answers = linked(handle) && on_ && pcBaud_ == phoneBaud_ && !faults_.pingUnanswered;
  return answers ? LinkSuccess : LinkFailure;
}

LinkStatus SimulatedPhone::openSapi(LinkHandle handle, std::uint8_t sapi) {
  calls_.emplace_back("openSapi");
  if (!linked(handle) || faults_.openSapiFails) {
    return LinkFailure;
  }
  openSapis_.insert(sapi);
  return LinkSuccess;
}

LinkStatus SimulatedPhone::sendData(LinkHandle handle, const std::uint8_t* data,
                                    std::uint16_t count, std::uint8_t sapi) {
  calls_.emplace_back("sendData");
  if (!linked(handle) || faults_.sendFails || data == nullptr || count == 0 ||
      !openSapis_.contains(sapi)) {
    return LinkFailure;
  }
  if (!on_) {
    return LinkSuccess;  // sent, but nobody listens
  }
  if (sapi == TraceSapi) {
    for (std::uint16_t i = 0; i < count; ++i) {
      handleTraceCommand(data[i]);
    }
  } else if (sapi == FrameSizeSapi) {
    handleFrameSizeRequest(data, count);
  }
  return LinkSuccess;
}

void SimulatedPhone::handleTraceCommand(std::uint8_t command) {
  if (command == DisableTraceCommand) {
    tracing_ = false;
    return;
  }
  if (command != EnableTraceCommand) {
    return;
  }
  switch (faults_.traceReply) {
    case PhoneFaults::TraceReply::Enabled:
      replies_.push_back({TraceSapi, {TraceEnabledReply}});
      if (!tracing_) {
        tracing_ = true;
        // Resume with the next record due at once, keeping the spacing of the rest.
        const std::uint64_t nextDue =
            next_ < scenario_.size() ? scenario_.records()[next_].dueMicros : 0;
        traceStart_ = clock_() - std::chrono::microseconds(static_cast<std::int64_t>(nextDue));
      }
      break;
    case PhoneFaults::TraceReply::NotEnabled:
      replies_.push_back({TraceSapi, {TraceNotEnabledReply}});
      break;
    case PhoneFaults::TraceReply::Other:
      replies_.push_back({TraceSapi, {faults_.otherTraceReply}});
      break;
    case PhoneFaults::TraceReply::None:
      break;
  }
}

void SimulatedPhone::handleFrameSizeRequest(const std::uint8_t* data, std::uint16_t count) {
  if (count != 3 || data[0] != FrameSizeCommand) {
    return;
  }
  const auto asked = static_cast<std::uint16_t>(data[1] * 256 + data[2]);
  const auto bytesOf = [](std::uint16_t size) {
    return std::vector<std::uint8_t>{FrameSizeCommand, static_cast<std::uint8_t>(size >> 8),
                                     static_cast<std::uint8_t>(size & 0xFF)};
  };
  switch (faults_.frameSizeReply) {
    case PhoneFaults::FrameSizeReply::Echo:
      frameSize_ = asked;
      replies_.push_back({FrameSizeSapi, bytesOf(asked)});
      break;
    case PhoneFaults::FrameSizeReply::OtherSize:
      frameSize_ = faults_.grantedFrameSize;
      replies_.push_back({FrameSizeSapi, bytesOf(faults_.grantedFrameSize)});
      break;
    case PhoneFaults::FrameSizeReply::WrongLength: {
      std::vector<std::uint8_t> reply = bytesOf(asked);
      reply.push_back(0);
      replies_.push_back({FrameSizeSapi, std::move(reply)});
      break;
    }
    case PhoneFaults::FrameSizeReply::WrongFirstByte: {
      std::vector<std::uint8_t> reply = bytesOf(asked);
      reply[0] = static_cast<std::uint8_t>(FrameSizeCommand + 1);
      replies_.push_back({FrameSizeSapi, std::move(reply)});
      break;
    }
    case PhoneFaults::FrameSizeReply::None:
      break;
  }
}

LinkStatus SimulatedPhone::readData(LinkHandle handle, std::uint8_t* buffer, std::uint16_t& length,
                                    std::uint8_t& sapi) {
  const std::uint16_t capacity = length;
  length = 0;
  if (!linked(handle) || buffer == nullptr) {
    return LinkFailure;
  }
  if (faults_.failingReads != 0) {
    if (faults_.failingReads > 0) {
      --faults_.failingReads;
    }
    return LinkFailure;
  }
  const auto reply = std::find_if(replies_.begin(), replies_.end(),
                                  [&](const Frame& frame) { return frame.sapi == sapi; });
  if (reply != replies_.end()) {
    const auto copied =
        static_cast<std::uint16_t>(std::min<std::size_t>(capacity, reply->bytes.size()));
    std::copy_n(reply->bytes.begin(), copied, buffer);
    length = copied;
    replies_.erase(reply);
    return LinkSuccess;
  }
  if (sapi == TraceSapi && tracing_) {
    length = fillTraceChunk(buffer, capacity);
    return length > 0 ? LinkSuccess : LinkFailure;
  }
  return LinkFailure;
}

std::uint16_t SimulatedPhone::fillTraceChunk(std::uint8_t* buffer, std::uint16_t capacity) {
  const std::size_t trailing = std::min<std::size_t>(faults_.trailingBytes, TraceRecordSize - 1);
  const std::size_t room = std::min<std::size_t>(capacity, MaxChunkBytes);
  if (room < trailing + TraceRecordSize) {
    return 0;
  }
  const std::size_t limit = room - trailing;
  const auto elapsed = clock_() - traceStart_;
  const auto& records = scenario_.records();
  std::size_t used = 0;
  const auto put = [&](const TraceRecord& record) {
    const auto bytes = encodeTraceRecord(record);
    std::copy(bytes.begin(), bytes.end(), buffer + used);
    used += TraceRecordSize;
  };
  while (next_ < records.size() && used + TraceRecordSize <= limit) {
    const ScheduledRecord& due = records[next_];
    if (!fast_ && static_cast<std::int64_t>(due.dueMicros) > elapsed.count()) {
      break;
    }
    put(due.record);
    ++next_;
    const std::uint64_t sent = ++recordsSent_;
    if (faults_.unknownRecordEvery != 0 && sent % faults_.unknownRecordEvery == 0 &&
        used + TraceRecordSize <= limit) {
      put(TraceRecord{0, due.record.timestamp, UnknownRecordType});
      ++unknownSent_;
    }
  }
  if (used > 0) {
    std::fill_n(buffer + used, trailing, TrailingByte);
    used += trailing;
  }
  return static_cast<std::uint16_t>(used);
}

LinkStatus SimulatedPhone::requestMobAndPcBaudrate(LinkHandle handle, std::uint32_t baud) {
  calls_.emplace_back("requestMobAndPcBaudrate");
  if (!linked(handle) || faults_.mobileAndPcBaudFails || baud == 0 || !on_) {
    return LinkFailure;
  }
  phoneBaud_ = baud;
  pcBaud_ = baud;
  return LinkSuccess;
}

LinkStatus SimulatedPhone::setNewPcBaudrate(LinkHandle handle, std::uint32_t baud) {
  calls_.emplace_back("setNewPcBaudrate");
  if (!linked(handle) || faults_.pcBaudFails || baud == 0) {
    return LinkFailure;
  }
  pcBaud_ = baud;
  return LinkSuccess;
}

LinkStatus SimulatedPhone::switchMobileOn(LinkHandle handle, std::uint32_t bootType) {
  calls_.emplace_back("switchMobileOn");
  if (!linked(handle) || faults_.switchOnFails || bootType != bootValue_) {
    return LinkFailure;
  }
  on_ = true;
  return LinkSuccess;
}

LinkStatus SimulatedPhone::switchMobileOff(LinkHandle handle) {
  calls_.emplace_back("switchMobileOff");
  if (!linked(handle) || faults_.switchOffFails) {
    return LinkFailure;
  }
  on_ = false;
  tracing_ = false;
  return LinkSuccess;
}

LinkStatus SimulatedPhone::getCurrentBaudrate(LinkHandle handle, std::uint32_t& baud) {
  calls_.emplace_back("getCurrentBaudrate");
  if (!live(handle)) {
    return LinkFailure;
  }
  baud = pcBaud_;
  return LinkSuccess;
}

LinkStatus SimulatedPhone::switchFromXtspToQflMode(LinkHandle handle) {
  calls_.emplace_back("switchFromXtspToQflMode");
  return live(handle) && !faults_.usbSwitchFails ? LinkSuccess : LinkFailure;
}

LinkStatus SimulatedPhone::readConfData(std::uint32_t& port, std::uint32_t& baud,
                                        std::uint32_t& third) {
  calls_.emplace_back("readConfData");
  port = confPort_;
  baud = confBaud_;
  third = confThird_;
  return LinkSuccess;
}

LinkStatus SimulatedPhone::writeConfData(std::uint32_t port, std::uint32_t baud,
                                         std::uint32_t third, std::uint32_t /*flag*/) {
  calls_.emplace_back("writeConfData");
  confPort_ = port;
  confBaud_ = baud;
  confThird_ = third;
  return LinkSuccess;
}

std::string SimulatedPhone::versionText() const {
  return "Simulated phone link 1.0";
}

}  // namespace kelvor
