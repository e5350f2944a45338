#include "link/FramedLink.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace kelvor {

using serial::ControlOp;
using serial::ControlReply;
using serial::ControlRequest;

namespace {

using Clock = std::chrono::steady_clock;

std::chrono::milliseconds remaining(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
  return std::max(left, std::chrono::milliseconds{0});
}

}  // namespace

FramedLink::FramedLink(LineOpener opener, std::string description)
    : opener_(std::move(opener)),
      description_(std::move(description)),
      readBuffer_(serial::LineReadBlock) {}

FramedLink::~FramedLink() {
  closeLine();
}

bool FramedLink::linked(LinkHandle handle) const {
  return handle != 0 && handle == handle_ && line_ != nullptr && line_->isOpen();
}

void FramedLink::closeLine() {
  if (line_) {
    line_->close();
    line_.reset();
  }
  parser_.reset();
  data_.clear();
  replies_.clear();
}

bool FramedLink::sendFrame(serial::Channel channel, std::span<const std::uint8_t> payload) {
  if (!line_) {
    return false;
  }
  try {
    return line_->write(serial::encodeFrame(channel, payload), ReplyWait);
  } catch (const std::invalid_argument&) {
    return false;
  }
}

void FramedLink::receive(std::chrono::milliseconds wait) {
  if (!line_) {
    return;
  }
  const std::size_t count = line_->read(readBuffer_, wait);
  for (serial::Frame& frame : parser_.feed(std::span(readBuffer_.data(), count))) {
    if (frame.channel.kind == serial::ChannelKind::Data) {
      if (data_.size() == MaxHeldFrames) {
        data_.pop_front();
        ++droppedFrames_;
      }
      data_.push_back(std::move(frame));
    } else if (frame.channel.kind == serial::ChannelKind::ControlReply) {
      if (auto reply = serial::decodeControlReply(frame.payload)) {
        replies_.push_back(std::move(*reply));
      }
    }
    // A request from the other side has no meaning here and is dropped.
  }
}

std::optional<ControlReply> FramedLink::call(ControlOp op, std::vector<std::uint32_t> args) {
  ControlRequest request{op, ++sequence_, std::move(args)};
  replies_.clear();  // replies to earlier requests that came too late
  std::vector<std::uint8_t> payload;
  try {
    payload = serial::encodeControlRequest(request);
  } catch (const std::invalid_argument&) {
    return std::nullopt;
  }
  if (!sendFrame(serial::RequestChannel, payload)) {
    return std::nullopt;
  }
  const auto deadline = Clock::now() + ReplyWait;
  while (true) {
    const auto match = std::find_if(replies_.begin(), replies_.end(), [&](const ControlReply& r) {
      return r.op == request.op && r.sequence == request.sequence;
    });
    if (match != replies_.end()) {
      ControlReply reply = std::move(*match);
      replies_.clear();
      return reply;
    }
    const auto left = remaining(deadline);
    if (left.count() == 0) {
      return std::nullopt;
    }
    receive(left);
  }
}

LinkStatus FramedLink::callStatus(ControlOp op, std::vector<std::uint32_t> args) {
  const std::optional<ControlReply> reply = call(op, std::move(args));
  return reply ? reply->status : LinkFailure;
}

LinkStatus FramedLink::init(std::uint32_t) {
  initialised_ = true;
  return LinkSuccess;
}

LinkHandle FramedLink::initThread() {
  if (!initialised_ || handle_ != 0) {
    return 0;
  }
  handle_ = ThreadHandle;
  return handle_;
}

LinkStatus FramedLink::openCom(LinkHandle handle, std::uint32_t& port) {
  if (handle == 0 || handle != handle_) {
    return LinkFailure;
  }
  closeLine();
  lastError_.clear();
  std::unique_ptr<ByteLine> line = opener_ ? opener_(port, lastError_) : nullptr;
  if (!line) {
    return LinkFailure;
  }
  if (!line->open(BaseBaudRate)) {
    lastError_ = line->errorText();
    return LinkFailure;
  }
  line_ = std::move(line);
  baud_ = BaseBaudRate;
  return LinkSuccess;
}

LinkStatus FramedLink::closeCom(LinkHandle handle) {
  if (!linked(handle)) {
    return LinkFailure;
  }
  // Tells the other side to end its session; the port closes here without waiting, so that a
  // phone that is gone costs nothing more.
  const ControlRequest request{ControlOp::CloseCom, ++sequence_, {handle}};
  sendFrame(serial::RequestChannel, serial::encodeControlRequest(request));
  closeLine();
  return LinkSuccess;
}

LinkStatus FramedLink::deInitThread(LinkHandle handle) {
  if (handle == 0 || handle != handle_) {
    return LinkFailure;
  }
  closeLine();
  handle_ = 0;
  return LinkSuccess;
}

std::uint32_t FramedLink::setPredefinedBootType(std::uint32_t bootType) {
  // The boot type travels with SwitchMobileOn; the phone's side decides what it means.
  return bootType;
}

LinkStatus FramedLink::pingMobile(LinkHandle handle) {
  return linked(handle) ? callStatus(ControlOp::PingMobile, {handle}) : LinkFailure;
}

LinkStatus FramedLink::openSapi(LinkHandle handle, std::uint8_t sapi) {
  return linked(handle) ? callStatus(ControlOp::OpenSapi, {handle, sapi}) : LinkFailure;
}

LinkStatus FramedLink::sendData(LinkHandle handle, const std::uint8_t* data, std::uint16_t count,
                                std::uint8_t sapi) {
  if (!linked(handle) || (data == nullptr && count > 0)) {
    return LinkFailure;
  }
  return sendFrame(serial::dataChannel(sapi), std::span(data, count)) ? LinkSuccess : LinkFailure;
}

bool FramedLink::takeData(std::uint8_t sapi, std::uint8_t* buffer, std::uint16_t& length) {
  const auto frame = std::find_if(data_.begin(), data_.end(),
                                  [&](const serial::Frame& f) { return f.channel.sapi == sapi; });
  if (frame == data_.end()) {
    return false;
  }
  // A frame larger than the buffer loses its end, as a short read of the library would.
  const auto copied =
      static_cast<std::uint16_t>(std::min<std::size_t>(length, frame->payload.size()));
  std::copy_n(frame->payload.begin(), copied, buffer);
  length = copied;
  data_.erase(frame);
  return true;
}

LinkStatus FramedLink::readData(LinkHandle handle, std::uint8_t* buffer, std::uint16_t& length,
                                std::uint8_t& sapi) {
  const std::uint16_t capacity = length;
  length = 0;
  if (!linked(handle) || buffer == nullptr) {
    return LinkFailure;
  }
  const auto deadline = Clock::now() + ReadWait;
  receive(std::chrono::milliseconds{0});
  while (true) {
    std::uint16_t taken = capacity;
    if (takeData(sapi, buffer, taken)) {
      length = taken;
      return LinkSuccess;
    }
    const auto left = remaining(deadline);
    if (parser_.pendingBytes() == 0 || left.count() == 0) {
      return LinkFailure;
    }
    receive(left);
  }
}

LinkStatus FramedLink::requestMobAndPcBaudrate(LinkHandle handle, std::uint32_t baud) {
  if (!linked(handle)) {
    return LinkFailure;
  }
  // The phone answers at the old rate and then changes; the PC follows here.
  if (callStatus(ControlOp::RequestMobAndPcBaudrate, {handle, baud}) != LinkSuccess) {
    return LinkFailure;
  }
  return setNewPcBaudrate(handle, baud);
}

LinkStatus FramedLink::setNewPcBaudrate(LinkHandle handle, std::uint32_t baud) {
  if (!linked(handle) || !line_->setBaudRate(baud)) {
    return LinkFailure;
  }
  baud_ = baud;
  return LinkSuccess;
}

LinkStatus FramedLink::switchMobileOn(LinkHandle handle, std::uint32_t bootType) {
  return linked(handle) ? callStatus(ControlOp::SwitchMobileOn, {handle, bootType}) : LinkFailure;
}

LinkStatus FramedLink::switchMobileOff(LinkHandle handle) {
  return linked(handle) ? callStatus(ControlOp::SwitchMobileOff, {handle}) : LinkFailure;
}

LinkStatus FramedLink::getCurrentBaudrate(LinkHandle handle, std::uint32_t& baud) {
  if (!linked(handle)) {
    return LinkFailure;
  }
  baud = baud_;
  return LinkSuccess;
}

LinkStatus FramedLink::switchFromXtspToQflMode(LinkHandle handle) {
  return linked(handle) ? callStatus(ControlOp::SwitchFromXtspToQflMode, {handle}) : LinkFailure;
}

LinkStatus FramedLink::readConfData(std::uint32_t& port, std::uint32_t& baud,
                                    std::uint32_t& third) {
  port = confPort_;
  baud = confBaud_;
  third = confThird_;
  return LinkSuccess;
}

LinkStatus FramedLink::writeConfData(std::uint32_t port, std::uint32_t baud, std::uint32_t third,
                                     std::uint32_t) {
  confPort_ = port;
  confBaud_ = baud;
  confThird_ = third;
  return LinkSuccess;
}

std::string FramedLink::versionText() const {
  return "Kelvor serial link 1 (" + description_ + ")";
}

}  // namespace kelvor
