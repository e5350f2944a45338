#include "link/PhoneServer.h"

#include <stdexcept>

namespace kelvor {

using serial::ControlOp;
using serial::ControlReply;
using serial::ControlRequest;

namespace {

// The largest chunk asked of the phone: a full read of the trace channel fits one frame.
constexpr std::size_t ChunkSize = serial::MaxPayload;
// How long a frame may wait for room on the line before the other side counts as gone.
constexpr std::chrono::milliseconds WriteWait{1000};

}  // namespace

PhoneServer::PhoneServer(LinkLibrary& phone, ByteLine& line)
    : phone_(phone), line_(line), readBuffer_(serial::LineReadBlock), chunk_(ChunkSize) {}

void PhoneServer::step(std::chrono::milliseconds wait) {
  const std::size_t count = line_.read(readBuffer_, wait);
  for (const serial::Frame& frame : parser_.feed(std::span(readBuffer_.data(), count))) {
    handle(frame);
  }
  sendPhoneData();
}

void PhoneServer::send(serial::Channel channel, std::span<const std::uint8_t> payload) {
  if (line_.write(serial::encodeFrame(channel, payload), WriteWait)) {
    ++framesSent_;
  }
}

LinkHandle PhoneServer::session() {
  if (handle_ == 0) {
    phone_.init(0);
    handle_ = phone_.initThread();
    std::uint32_t port = 0;
    phone_.openCom(handle_, port);
  }
  return handle_;
}

void PhoneServer::endSession() {
  if (handle_ != 0) {
    phone_.deInitThread(handle_);
  }
  handle_ = 0;
  sapis_.clear();
}

void PhoneServer::handle(const serial::Frame& frame) {
  switch (frame.channel.kind) {
    case serial::ChannelKind::Data:
      phone_.sendData(session(), frame.payload.data(),
                      static_cast<std::uint16_t>(frame.payload.size()), frame.channel.sapi);
      break;
    case serial::ChannelKind::ControlRequest:
      if (auto request = serial::decodeControlRequest(frame.payload)) {
        serve(*request);
      }
      break;
    case serial::ChannelKind::ControlReply:
      break;  // replies are for the PC side
  }
}

void PhoneServer::serve(const ControlRequest& request) {
  ++requests_;
  const ControlReply reply = carryOut(request);
  send(serial::ReplyChannel, serial::encodeControlReply(reply));
  if (request.op == ControlOp::RequestMobAndPcBaudrate && reply.status == LinkSuccess) {
    line_.setBaudRate(request.arguments[1]);
  }
  if (request.op == ControlOp::CloseCom) {
    endSession();
  }
}

ControlReply PhoneServer::carryOut(const ControlRequest& request) {
  ControlReply reply{request.op, request.sequence, LinkFailure, {}, {}};
  const std::vector<std::uint32_t>& a = request.arguments;
  std::uint32_t value = 0;
  std::uint32_t second = 0;
  std::uint32_t third = 0;
  switch (request.op) {
    case ControlOp::Init:
      reply.status = phone_.init(a[0]);
      break;
    case ControlOp::InitThread:
      reply.status = LinkSuccess;
      reply.results = {session()};
      break;
    case ControlOp::OpenCom:
      value = a[1];
      reply.status = session() != 0 ? LinkSuccess : LinkFailure;
      reply.results = {value};
      break;
    case ControlOp::CloseCom:
      reply.status = phone_.closeCom(session());
      break;
    case ControlOp::DeInitThread:
      reply.status = LinkSuccess;
      break;
    case ControlOp::SetPredefinedBootType:
      reply.status = LinkSuccess;
      reply.results = {phone_.setPredefinedBootType(a[0])};
      break;
    case ControlOp::PingMobile:
      reply.status = phone_.pingMobile(session());
      break;
    case ControlOp::OpenSapi:
      reply.status = phone_.openSapi(session(), static_cast<std::uint8_t>(a[1]));
      if (reply.status == LinkSuccess) {
        sapis_.insert(static_cast<std::uint8_t>(a[1]));
      }
      break;
    case ControlOp::RequestMobAndPcBaudrate:
      reply.status = phone_.requestMobAndPcBaudrate(session(), a[1]);
      break;
    case ControlOp::SetNewPcBaudrate:
      reply.status = phone_.setNewPcBaudrate(session(), a[1]);
      break;
    case ControlOp::SwitchMobileOn:
      // The PC hands on the boot type it was given; the value the phone's library makes of
      // it is taken here.
      reply.status = phone_.switchMobileOn(session(), phone_.setPredefinedBootType(a[1]));
      break;
    case ControlOp::SwitchMobileOff:
      reply.status = phone_.switchMobileOff(session());
      break;
    case ControlOp::GetCurrentBaudrate:
      reply.status = phone_.getCurrentBaudrate(session(), value);
      reply.results = {value};
      break;
    case ControlOp::SwitchFromXtspToQflMode:
      reply.status = phone_.switchFromXtspToQflMode(session());
      break;
    case ControlOp::ReadConfData:
      reply.status = phone_.readConfData(value, second, third);
      reply.results = {value, second, third};
      break;
    case ControlOp::WriteConfData:
      reply.status = phone_.writeConfData(a[0], a[1], a[2], a[3]);
      break;
    case ControlOp::VersionText:
      reply.status = LinkSuccess;
      reply.text = phone_.versionText();
      break;
  }
  return reply;
}

void PhoneServer::sendPhoneData() {
  if (handle_ == 0) {
    return;
  }
  for (const std::uint8_t sapi : sapis_) {
    for (int i = 0; i < MaxFramesPerStep; ++i) {
      auto length = static_cast<std::uint16_t>(chunk_.size());
      std::uint8_t channel = sapi;
      if (phone_.readData(handle_, chunk_.data(), length, channel) != LinkSuccess || length == 0) {
        break;
      }
      send(serial::dataChannel(channel), std::span(chunk_.data(), length));
    }
  }
}

}  // namespace kelvor
